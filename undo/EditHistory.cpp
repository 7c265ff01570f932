#include "undo/EditHistory.h"

namespace ZEL {

EditHistory::EditHistory(QObject *parent) : QUndoStack(parent)
{}

void EditHistory::restart(bool savedStateReachable)
{
    clear();
    if (!savedStateReachable)
        resetClean();
    emit restarted();
}

} // namespace ZEL
