#pragma once

// One edit of a form as a step of the history: the controls the edit changed, each
// with its state before and after (value, range, own enabled state), so that a rule
// that switched other controls on or off, or reset them, is undone with the edit.
// Consecutive edits of one spin box merge into one step, as typing does in a text
// editor.

#include "undo/ControlState.h"
#include "undo/EditCommand.h"

#include <vector>

class QObject;

namespace ZEL {

class ControlStateCommand : public EditCommand {
public:
    ControlStateCommand(const QString &text, const QObject *lead, std::vector<ControlState> before,
                        std::vector<ControlState> after);

    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

protected:
    void revert() override;
    void reapply() override;

private:
    static void restore(const std::vector<ControlState> &states);
    bool sameControls(const ControlStateCommand &other) const;

    const QObject *m_lead = nullptr;
    std::vector<ControlState> m_before;
    std::vector<ControlState> m_after;
};

} // namespace ZEL
