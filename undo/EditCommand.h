#pragma once

// Base of every step in a configuration view's edit history. A step is recorded
// after the user's edit has been made, so the first redo() that QUndoStack::push()
// runs finds the work done already; later redo() calls make the change again.

#include <QUndoCommand>

namespace ZEL {

class EditCommand : public QUndoCommand {
public:
    explicit EditCommand(const QString &text);

    void undo() final;
    void redo() final;

protected:
    virtual void revert() = 0;
    virtual void reapply() = 0;

private:
    bool m_justPushed = true;
};

} // namespace ZEL
