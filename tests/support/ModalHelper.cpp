#include "ModalHelper.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

namespace TestSupport {

namespace {

// Bumped by cancelPending(); a waiter armed under an older generation gives up.
int generation = 0;

// A modal widget opened from code that runs after the timer was armed may not be up
// yet when the timer first fires; try again from the event loop a bounded number of
// times. No clock is involved: each retry is one more pass of the event loop.
void waitForModal(std::function<void(QWidget *)> action, ModalSeen *seen, int triesLeft,
                  int armedIn)
{
    QTimer::singleShot(0, [action, seen, triesLeft, armedIn]() {
        if (armedIn != generation)
            return;
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            if (triesLeft > 0)
                waitForModal(action, seen, triesLeft - 1, armedIn);
            return;
        }
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (seen) {
            *seen = {true, QString::fromLatin1(modal->metaObject()->className()),
                     modal->windowTitle(), box ? box->text() : QString(),
                     box ? box->icon() : QMessageBox::NoIcon};
        }
        action(modal);
    });
}

// Escape for NoButton; a dialog that is not a message box is rejected.
void press(QWidget *modal, QMessageBox::StandardButton button)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    QAbstractButton *b = box ? box->button(button) : nullptr;
    if (box && button == QMessageBox::NoButton) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &escape);
    } else if (b) {
        b->click();
    } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
        dialog->reject();
    }
}

} // namespace

void ModalHelper::onNextModal(std::function<void(QWidget *)> action, ModalSeen *seen)
{
    waitForModal(std::move(action), seen, 1000, generation);
}

void ModalHelper::cancelPending()
{
    ++generation;
}

void ModalHelper::answerMessageBox(QMessageBox::StandardButton button, ModalSeen *seen)
{
    onNextModal([button](QWidget *modal) { press(modal, button); }, seen);
}

void ModalHelper::answerMessageBoxes(const QList<QMessageBox::StandardButton> &buttons,
                                     QList<ModalSeen> *seen)
{
    if (buttons.isEmpty())
        return;
    if (seen)
        seen->append(ModalSeen());
    const QList<QMessageBox::StandardButton> rest = buttons.mid(1);
    const QMessageBox::StandardButton first = buttons.first();
    onNextModal(
        [first, rest, seen](QWidget *modal) {
            // Arm the next answer before this box closes, so that a box opened right
            // after it is answered too.
            answerMessageBoxes(rest, seen);
            press(modal, first);
        },
        seen ? &seen->last() : nullptr);
}

void ModalHelper::acceptNextDialog(std::function<void(QDialog *)> prepare, ModalSeen *seen)
{
    onNextModal(
        [prepare](QWidget *modal) {
            if (auto *dialog = qobject_cast<QDialog *>(modal)) {
                if (prepare)
                    prepare(dialog);
                dialog->accept();
            }
        },
        seen);
}

void ModalHelper::rejectNextDialog(ModalSeen *seen)
{
    answerMessageBox(QMessageBox::Cancel, seen);
}

void ModalHelper::closeStrayModals()
{
    for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i) {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

} // namespace TestSupport
