#include "studio/ProjectFilesPanel.h"

#include "studio/StudioProject.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace Studio {

ProjectFilesPanel::ProjectFilesPanel(QWidget *parent)
    : QWidget(parent), m_title(new QLabel(this)), m_list(new QListWidget(this))
{
    m_title->setObjectName(QStringLiteral("labelProject"));
    m_list->setObjectName(QStringLiteral("listFiles"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_title);
    layout->addWidget(m_list);

    connect(m_list, &QListWidget::itemActivated, this, &ProjectFilesPanel::onItemActivated);
    refresh();
}

void ProjectFilesPanel::setProject(StudioProject *project)
{
    if (m_project)
        disconnect(m_project, nullptr, this, nullptr);
    m_project = project;
    if (project)
        connect(project, &StudioProject::filesChanged, this, &ProjectFilesPanel::refresh);
    refresh();
}

void ProjectFilesPanel::refresh()
{
    m_list->clear();
    if (!m_project) {
        m_title->setText(tr("No project open"));
        return;
    }
    m_title->setText(tr("Project: %1").arg(m_project->name()));

    const QDir base(m_project->directory());
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    const QStringList files = m_project->files();
    for (const QString &path : files) {
        auto *item = new QListWidgetItem(
            fileIcon, QDir::toNativeSeparators(base.relativeFilePath(path)), m_list);
        item->setData(Qt::UserRole, path);
        if (QFileInfo::exists(path)) {
            item->setToolTip(QDir::toNativeSeparators(path));
        } else {
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            item->setToolTip(tr("%1 (missing)").arg(QDir::toNativeSeparators(path)));
        }
    }
}

QStringList ProjectFilesPanel::shownFiles() const
{
    QStringList result;
    for (int row = 0; row < m_list->count(); ++row)
        result.append(m_list->item(row)->data(Qt::UserRole).toString());
    return result;
}

void ProjectFilesPanel::onItemActivated(QListWidgetItem *item)
{
    if (item)
        emit fileActivated(item->data(Qt::UserRole).toString());
}

} // namespace Studio
