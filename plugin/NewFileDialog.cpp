#include "plugin/NewFileDialog.h"

#include "host/core.h"
#include "ui_NewFileDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QXmlStreamWriter>

namespace ZEL {

NewFileDialog::NewFileDialog(const QString &path, QWidget *parent)
    : QDialog(parent), ui(new Ui::NewFileDialog)
{
    ui->setupUi(this);
    ui->labelInfo->setStyleSheet(QStringLiteral("QLabel { color: red }"));
    ui->editCreateIn->setText(QDir::toNativeSeparators(path.isEmpty() ? QDir::homePath() : path));
    const bool hasProject = Core::ProjectManager::currentProject() != nullptr;
    ui->checkBoxAddToCurrent->setEnabled(hasProject);
    ui->checkBoxAddToCurrent->setChecked(hasProject);
    connect(ui->btnBrowse, &QPushButton::clicked, this, &NewFileDialog::onBrowse);
}

NewFileDialog::~NewFileDialog()
{
    delete ui;
}

void NewFileDialog::onBrowse()
{
    const QString dir = QFileDialog::getExistingDirectory(
        this, tr("Select Directory"), ui->editCreateIn->text(), QFileDialog::ShowDirsOnly);
    if (!dir.isEmpty())
        ui->editCreateIn->setText(dir);
}

void NewFileDialog::accept()
{
    const QString name = ui->editName->text();
    const QString dir = ui->editCreateIn->text();
    // The suffix follows the name, so blanks at the end of a name survive the
    // stripping while blanks in front of the directory do not.
    const QString filePath = QDir::cleanPath(QDir::fromNativeSeparators(
        (dir + QLatin1Char('/') + name + QLatin1String(".vep")).trimmed()));

    if (name.isEmpty()) {
        ui->labelInfo->setText(tr("Please enter a name."));
        return;
    }
    if (dir.isEmpty()) {
        ui->labelInfo->setText(tr("Please enter a path."));
        return;
    }
    if (!QDir(dir).exists() && !QDir().mkpath(dir)) {
        ui->labelInfo->setText(tr("Cannot make the path %1.").arg(dir));
        return;
    }
    if (QFileInfo::exists(filePath)) {
        ui->labelInfo->setText(tr("File %1 already exists.").arg(filePath));
        return;
    }

    // NewOnly: the existence check above and the open are two steps; a file that
    // appears in between must not be overwritten either.
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QStringLiteral("Can not create file %1\n%2")
                                  .arg(QDir::toNativeSeparators(filePath), file.errorString()),
                              QMessageBox::Ok);
        return;
    }
    QXmlStreamWriter writer(&file);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeDTD(QStringLiteral("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>"));
    writer.writeStartElement(QStringLiteral("Config"));
    writer.writeEndElement();
    file.close();

    if (ui->checkBoxAddToCurrent->isChecked()) {
        if (Core::IProject *project = Core::ProjectManager::currentProject())
            project->addFile(filePath);
    }
    QDialog::accept();
}

} // namespace ZEL
