#pragma once

// File > New: lets the user pick one of the new-file wizards that plug-ins
// handed to the IDE.

#include <QDialog>
#include <QList>

namespace Core {
class IWizardFactory;
}

namespace Studio {

namespace Ui {
class WizardChooserDialog;
}

class WizardChooserDialog : public QDialog {
    Q_OBJECT
public:
    WizardChooserDialog(const QList<Core::IWizardFactory *> &factories, QWidget *parent = nullptr);
    ~WizardChooserDialog() override;

    Core::IWizardFactory *selectedFactory() const;

    // Runs the chooser modally; null when cancelled.
    static Core::IWizardFactory *choose(const QList<Core::IWizardFactory *> &factories,
                                        QWidget *parent);

private:
    void onCurrentRowChanged(int row);

    Ui::WizardChooserDialog *ui;
    QList<Core::IWizardFactory *> m_factories;
};

} // namespace Studio
