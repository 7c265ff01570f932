#pragma once

// For unattended runs of the shell (--screenshot): nobody is there to answer a
// message box, so every modal dialog is closed as soon as it shows and what it said
// is kept, to be reported as the reason of the failure. Progress dialogs stay: they
// belong to work that is meant to finish.

#include <QObject>
#include <QStringList>

namespace Studio {

class ModalRefuser : public QObject {
    Q_OBJECT
public:
    explicit ModalRefuser(QObject *parent = nullptr);

    QStringList refused() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList m_refused;
};

} // namespace Studio
