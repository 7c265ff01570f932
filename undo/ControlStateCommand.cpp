#include "undo/ControlStateCommand.h"

#include <QAbstractSpinBox>
#include <QSignalBlocker>

#include <vector>

namespace ZEL {

namespace {

constexpr int ControlStateCommandId = 0x5a454c01;

} // namespace

ControlStateCommand::ControlStateCommand(const QString &text, const QObject *lead,
                                         std::vector<ControlState> before,
                                         std::vector<ControlState> after)
    : EditCommand(text), m_lead(lead), m_before(std::move(before)), m_after(std::move(after))
{}

int ControlStateCommand::id() const
{
    return ControlStateCommandId;
}

// Only the spin boxes merge: a combo box, a radio button or a check box is chosen in
// one go, while a spin box is stepped or typed into one digit at a time.
bool ControlStateCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const ControlStateCommand *>(other);
    if (next->m_lead != m_lead || !qobject_cast<const QAbstractSpinBox *>(m_lead) ||
        !sameControls(*next))
        return false;
    m_after = next->m_after;
    return true;
}

bool ControlStateCommand::sameControls(const ControlStateCommand &other) const
{
    if (other.m_before.size() != m_before.size())
        return false;
    for (size_t i = 0; i < m_before.size(); ++i) {
        if (other.m_before[i].control != m_before[i].control)
            return false;
    }
    return true;
}

void ControlStateCommand::revert()
{
    restore(m_before);
}

void ControlStateCommand::reapply()
{
    restore(m_after);
}

void ControlStateCommand::restore(const std::vector<ControlState> &states)
{
    // All controls stay silent until every one has its state back: checking one radio
    // button unchecks its neighbour, which would otherwise announce that.
    std::vector<QSignalBlocker> blockers;
    blockers.reserve(states.size());
    for (const ControlState &state : states)
        blockers.emplace_back(state.control);
    for (const ControlState &state : states)
        state.restore();
}

} // namespace ZEL
