#include "check/MessageBoxCatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QMetaObject>

namespace VepCheck {

MessageBoxCatcher::MessageBoxCatcher(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    qApp->removeEventFilter(this);
}

bool MessageBoxCatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show)
        return false;
    auto *box = qobject_cast<QMessageBox *>(watched);
    if (!box)
        return false;
    m_texts.append(box->text());
    QAbstractButton *button = box->escapeButton();
    if (!button)
        button = box->defaultButton();
    if (!button && !box->buttons().isEmpty())
        button = box->buttons().constFirst();
    // Queued: the box's own event loop must be running to take the answer.
    if (button)
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(box, &QDialog::reject, Qt::QueuedConnection);
    return false;
}

} // namespace VepCheck
