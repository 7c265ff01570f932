#include "rate/VcdFileSetDialog.h"
#include "ui_VcdFileSetDialog.h"

#include "document/ZELView.h"
#include "host/utils.h"
#include "pickers/ModuleInstSelectDialog.h"
#include "rate/VcdFileItem.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRegExp>
#include <QRegExpValidator>

namespace ZEL {

VcdFileSetDialog::VcdFileSetDialog(ZELView *view, QWidget *parent, VcdFileItem *item)
    : QDialog(parent), m_form(new Ui::VcdFileSetDialog), m_item(item), m_view(view)
{
    m_form->setupUi(this);

    // Zero or up to nine digits without a leading zero, then up to three decimals.
    m_validator = new QRegExpValidator(
        QRegExp(QStringLiteral("^([0]|([1-9][0-9]{0,8}))(\\.\\d{1,3})?$")), this);
    m_form->lineEditStartTime->setValidator(m_validator);
    m_form->lineEditEndTime->setValidator(m_validator);

    connect(m_form->buttonBox, &QDialogButtonBox::accepted, this, &VcdFileSetDialog::accept);
    connect(m_form->buttonBox, &QDialogButtonBox::rejected, this, &VcdFileSetDialog::reject);
    connect(m_form->btnSelectFile, &QAbstractButton::clicked, this,
            &VcdFileSetDialog::onBtnSelectFile);
    connect(m_form->btnInstance, &QAbstractButton::clicked, this,
            &VcdFileSetDialog::onBtnSelectInstance);
    connect(m_form->radioVcd, &QAbstractButton::toggled, this, &VcdFileSetDialog::onTypeChanged);

    if (m_item)
        loadItem();
}

VcdFileSetDialog::~VcdFileSetDialog()
{
    delete m_form;
}

void VcdFileSetDialog::loadItem()
{
    m_form->lineEditFile->setText(m_item->file);
    m_form->lineEditInstance->setText(m_item->instance);
    (m_item->isVcd ? m_form->radioVcd : m_form->radioSaif)->setChecked(true);
    if (!m_item->isVcd)
        return;
    const int unit =
        m_form->comboBoxUnit->findText(m_item->timeUnit, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (unit >= 0)
        m_form->comboBoxUnit->setCurrentIndex(unit);
    m_form->lineEditStartTime->setText(m_item->startTime);
    m_form->lineEditEndTime->setText(m_item->endTime);
}

void VcdFileSetDialog::onBtnSelectFile()
{
    const QString path = Utils::FileUtils::getOpenFileName(this, tr("Select VCD File"), QString(),
                                                           QStringLiteral("*.vcd *.saif"));
    if (!path.isEmpty())
        m_form->lineEditFile->setText(QDir::toNativeSeparators(path));
}

void VcdFileSetDialog::onBtnSelectInstance()
{
    ModuleInstSelectDialog dialog(this, m_view->getNetlist(), true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList names = dialog.selectedNames();
    if (!names.isEmpty())
        m_form->lineEditInstance->setText(names.first());
}

void VcdFileSetDialog::onTypeChanged()
{
    m_form->groupTime->setEnabled(m_form->radioVcd->isChecked());
}

void VcdFileSetDialog::warn(const QString &text)
{
    QMessageBox::warning(this, tr("Warning"), text, QMessageBox::Ok);
}

void VcdFileSetDialog::accept()
{
    const QString path = m_form->lineEditFile->text().trimmed();
    if (path.isEmpty()) {
        warn(tr("No vcd file. Please select vcd file."));
        return;
    }
    if (!QFile::exists(path)) {
        warn(tr("Vcd file '%1' doesn't exist.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    const QString instance = m_form->lineEditInstance->text();
    if (instance.isEmpty()) {
        warn(tr("Module instance name is empty. Please select instance."));
        return;
    }

    QString startText = m_form->lineEditStartTime->text();
    QString endText = m_form->lineEditEndTime->text();
    if (m_form->radioSaif->isChecked()) {
        startText.clear();
        endText.clear();
    } else if (m_form->radioVcd->isChecked() && !endText.isEmpty()) {
        const double start = startText.isEmpty() ? -1.0 : startText.toDouble();
        const double end = endText.toDouble();
        if (end == 0.0) {
            warn(tr("End time value cannot be 0."));
            return;
        }
        if (end > 0.0 && start >= end) {
            warn(tr("End time value must be greater than start time value."));
            return;
        }
    }

    if (!m_item)
        m_item = new VcdFileItem;
    m_item->file = path;
    m_item->instance = instance;
    m_item->isVcd = m_form->radioVcd->isChecked();
    m_item->startTime = startText;
    m_item->endTime = endText;
    // Kept for a SAIF file too, although no time is stored with it.
    m_item->timeUnit = m_form->comboBoxUnit->currentText();
    QDialog::accept();
}

} // namespace ZEL
