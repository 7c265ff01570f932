#include "studio/ChangedOnDiskBar.h"

#include "ui_ChangedOnDiskBar.h"

#include <QPushButton>

namespace Studio {

ChangedOnDiskBar::ChangedOnDiskBar(QWidget *parent) : QFrame(parent), ui(new Ui::ChangedOnDiskBar)
{
    ui->setupUi(this);
    setBackgroundRole(QPalette::ToolTipBase);
    connect(ui->btnReload, &QPushButton::clicked, this, &ChangedOnDiskBar::reloadRequested);
    connect(ui->btnKeepMine, &QPushButton::clicked, this, &ChangedOnDiskBar::keepMineRequested);
}

ChangedOnDiskBar::~ChangedOnDiskBar()
{
    delete ui;
}

void ChangedOnDiskBar::setFileName(const QString &fileName)
{
    ui->labelMessage->setText(
        tr("%1 has been changed on disk by another program, and you have unsaved changes.")
            .arg(fileName));
}

QString ChangedOnDiskBar::message() const
{
    return ui->labelMessage->text();
}

} // namespace Studio
