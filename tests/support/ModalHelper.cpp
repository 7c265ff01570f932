#include "ModalHelper.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <memory>

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
        if (seen) {
            seen->shown = true;
            seen->className = QString::fromLatin1(modal->metaObject()->className());
            seen->title = modal->windowTitle();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                seen->text = box->text();
                seen->icon = box->icon();
            }
        }
        action(modal);
    });
}

void pressMessageBoxButton(QWidget *modal, QMessageBox::StandardButton button)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        return;
    }
    if (button == QMessageBox::NoButton) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &escape);
        return;
    }
    if (QAbstractButton *b = box->button(button))
        b->click();
    else
        box->reject();
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
    onNextModal([button](QWidget *modal) { pressMessageBoxButton(modal, button); }, seen);
}

void ModalHelper::answerMessageBoxes(const QList<QMessageBox::StandardButton> &buttons,
                                     QList<ModalSeen> *seen)
{
    if (buttons.isEmpty())
        return;
    if (seen)
        seen->append(ModalSeen());
    ModalSeen *slot = seen ? &seen->last() : nullptr;
    const QList<QMessageBox::StandardButton> rest = buttons.mid(1);
    const QMessageBox::StandardButton first = buttons.first();
    onNextModal(
        [first, rest, seen](QWidget *modal) {
            // Arm the next answer before this box closes, so that a box opened right
            // after it is answered too.
            answerMessageBoxes(rest, seen);
            pressMessageBoxButton(modal, first);
        },
        slot);
}

void ModalHelper::acceptNextDialog(std::function<void(QDialog *)> prepare, ModalSeen *seen)
{
    onNextModal(
        [prepare](QWidget *modal) {
            auto *dialog = qobject_cast<QDialog *>(modal);
            if (!dialog)
                return;
            if (prepare)
                prepare(dialog);
            dialog->accept();
        },
        seen);
}

void ModalHelper::rejectNextDialog(ModalSeen *seen)
{
    onNextModal(
        [](QWidget *modal) {
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
        },
        seen);
}

QStringList ModalHelper::visibleTopLevels()
{
    QStringList names;
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget *w : tops) {
        if (w->isVisible() && w->isWindow())
            names << QString::fromLatin1(w->metaObject()->className()) + ':' + w->windowTitle();
    }
    return names;
}

void ModalHelper::closeStrayModals()
{
    for (int i = 0; i < 10; ++i) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

} // namespace TestSupport
