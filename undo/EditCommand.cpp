#include "undo/EditCommand.h"

namespace ZEL {

EditCommand::EditCommand(const QString &text) : QUndoCommand(text)
{}

void EditCommand::undo()
{
    m_justPushed = false;
    revert();
}

void EditCommand::redo()
{
    if (m_justPushed) {
        m_justPushed = false;
        return;
    }
    reapply();
}

} // namespace ZEL
