#pragma once

// The one place where tests answer modal boxes and dialogs. A zero-delay timer
// waits for QApplication::activeModalWidget(), records what the box said and
// presses the button a user would press.

#include <QMessageBox>
#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace TestSupport {

struct ModalSeen {
    bool shown = false;
    QString className; // e.g. "QMessageBox", "ZEL::NlsDataFinderDialog"
    QString title;     // window title
    QString text;      // a message box's text; empty for other dialogs
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class ModalHelper {
public:
    // Runs `action` on the next modal widget once it is shown. Call it just before
    // the code that opens the modal widget.
    static void onNextModal(std::function<void(QWidget *)> action, ModalSeen *seen = nullptr);

    // Presses `button` of the next message box (Escape when button is NoButton).
    static void answerMessageBox(QMessageBox::StandardButton button, ModalSeen *seen = nullptr);

    // Answers the next several message boxes in turn (e.g. a warning then a question).
    static void answerMessageBoxes(const QList<QMessageBox::StandardButton> &buttons,
                                   QList<ModalSeen> *seen = nullptr);

    // Accepts or rejects the next dialog after `prepare` has filled it in.
    static void acceptNextDialog(std::function<void(QDialog *)> prepare = {},
                                 ModalSeen *seen = nullptr);
    static void rejectNextDialog(ModalSeen *seen = nullptr);

    // Drops answers that were armed but never used (the expected box did not come), so
    // that they cannot answer a box of a later test. Call it from cleanup().
    static void cancelPending();

    // Closes any modal widget a failed test left behind.
    static void closeStrayModals();
};

} // namespace TestSupport
