#include "studio/WizardChooserDialog.h"

#include "ui_WizardChooserDialog.h"

#include "host/core.h"

#include <QPushButton>

namespace Studio {

WizardChooserDialog::WizardChooserDialog(const QList<Core::IWizardFactory *> &factories,
                                         QWidget *parent)
    : QDialog(parent), ui(new Ui::WizardChooserDialog), m_factories(factories)
{
    ui->setupUi(this);
    for (const Core::IWizardFactory *factory : factories) {
        auto *item = new QListWidgetItem(factory->icon(), factory->displayName(), ui->listWizards);
        item->setToolTip(factory->description());
    }
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ui->listWizards, &QListWidget::currentRowChanged, this,
            &WizardChooserDialog::onCurrentRowChanged);
    connect(ui->listWizards, &QListWidget::itemActivated, this, &QDialog::accept);
    if (!factories.isEmpty())
        ui->listWizards->setCurrentRow(0);
    onCurrentRowChanged(ui->listWizards->currentRow());
}

WizardChooserDialog::~WizardChooserDialog()
{
    delete ui;
}

Core::IWizardFactory *WizardChooserDialog::selectedFactory() const
{
    const int row = ui->listWizards->currentRow();
    return row >= 0 && row < m_factories.size() ? m_factories.at(row) : nullptr;
}

Core::IWizardFactory *WizardChooserDialog::choose(const QList<Core::IWizardFactory *> &factories,
                                                  QWidget *parent)
{
    WizardChooserDialog dialog(factories, parent);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return dialog.selectedFactory();
}

void WizardChooserDialog::onCurrentRowChanged(int row)
{
    const bool valid = row >= 0 && row < m_factories.size();
    ui->labelDescription->setText(valid ? m_factories.at(row)->description() : QString());
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(valid);
}

} // namespace Studio
