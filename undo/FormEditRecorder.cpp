#include "undo/FormEditRecorder.h"

#include "document/ZELView.h"
#include "undo/ControlStateCommand.h"
#include "undo/EditHistory.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QUndoStack>

namespace ZEL {

FormEditRecorder::FormEditRecorder(ZELView *view, QObject *parent) : QObject(parent), m_view(view)
{
    // Undo and redo set the controls with their signals blocked; reading a file and
    // refitting after a device change restart the history. Either way the controls now
    // hold states that no edit of this form produced.
    if (m_view) {
        connect(m_view->undoStack(), &QUndoStack::indexChanged, this, &FormEditRecorder::resync);
        if (auto *history = qobject_cast<EditHistory *>(m_view->undoStack()))
            connect(history, &EditHistory::restarted, this, &FormEditRecorder::resync);
    }
}

void FormEditRecorder::watch(const QList<QWidget *> &controls)
{
    for (QWidget *control : controls)
        m_settled.push_back(ControlState::capture(control));
}

void FormEditRecorder::watchChildren(QWidget *form)
{
    QList<QWidget *> controls;
    const QList<QWidget *> children = form->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (qobject_cast<QAbstractSpinBox *>(child) || qobject_cast<QComboBox *>(child) ||
            qobject_cast<QAbstractButton *>(child) || qobject_cast<QGroupBox *>(child))
            controls.append(child);
    }
    watch(controls);
}

void FormEditRecorder::resync()
{
    if (m_depth > 0)
        return;
    for (ControlState &state : m_settled)
        state = ControlState::capture(state.control);
}

void FormEditRecorder::begin(const QObject *lead, const QString &name)
{
    if (m_depth++ > 0)
        return;
    m_lead = lead;
    m_name = name;
    m_before.resize(m_settled.size());
    for (size_t i = 0; i < m_settled.size(); ++i) {
        m_before[i] = ControlState::capture(m_settled[i].control);
        m_before[i].value = m_settled[i].value;
    }
}

void FormEditRecorder::end()
{
    if (--m_depth > 0)
        return;
    std::vector<ControlState> before;
    std::vector<ControlState> after;
    for (size_t i = 0; i < m_settled.size(); ++i) {
        const ControlState now = ControlState::capture(m_settled[i].control);
        if (now != m_before[i]) {
            before.push_back(m_before[i]);
            after.push_back(now);
        }
        m_settled[i] = now;
    }
    if (m_view && m_view->isRecordingEdits() && !after.empty())
        m_view->pushEdit(
            new ControlStateCommand(m_name, m_lead, std::move(before), std::move(after)));
}

} // namespace ZEL
