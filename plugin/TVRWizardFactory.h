#pragma once

// The entry of the IDE's new-file wizard that creates an empty configuration file.

#include "host/core.h"

namespace ZEL {

class TVRWizardFactory : public Core::IFileWizardFactory {
    Q_OBJECT
public:
    TVRWizardFactory();
    ~TVRWizardFactory() override;

    QString id() const override;
    QString displayName() const override;
    QString description() const override;
    void run(QWidget *parent, const QString &path) override;
};

} // namespace ZEL
