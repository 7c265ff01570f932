#pragma once

// The edit history of one configuration view: a QUndoStack that can start anew from
// the current state, and tells the forms watching it so; an empty QUndoStack's
// clear() announces nothing, yet the forms' controls may have changed meanwhile.

#include <QUndoStack>

namespace ZEL {

class EditHistory : public QUndoStack {
    Q_OBJECT
public:
    explicit EditHistory(QObject *parent = nullptr);

    // Drops every step. With `savedStateReachable` false the state last read or saved
    // lies outside the new history, so no undo can make the view clean again.
    void restart(bool savedStateReachable);

signals:
    void restarted();
};

} // namespace ZEL
