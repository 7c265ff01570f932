#include "studio/ModalRefuser.h"

#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

namespace Studio {

ModalRefuser::ModalRefuser(QObject *parent) : QObject(parent)
{}

QStringList ModalRefuser::refused() const
{
    return m_refused;
}

bool ModalRefuser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show)
        return false;
    auto *dialog = qobject_cast<QDialog *>(watched);
    if (!dialog || !dialog->isWindow() || !dialog->isModal() ||
        qobject_cast<QProgressDialog *>(dialog))
        return false;

    QString what = dialog->windowTitle();
    if (const auto *box = qobject_cast<QMessageBox *>(dialog))
        what += QStringLiteral(": ") + box->text();
    m_refused.append(what);
    // The dialog's own event loop starts only after the show; close it from there.
    QTimer::singleShot(0, dialog, [dialog]() { dialog->reject(); });
    return false;
}

} // namespace Studio
