#pragma once

// The side panel of the shell: the files of the open project, opened by a
// double-click (or Return) on their entry.

#include <QPointer>
#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace Studio {

class StudioProject;

class ProjectFilesPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProjectFilesPanel(QWidget *parent = nullptr);

    void setProject(StudioProject *project);
    void refresh();
    // Absolute paths in the order shown.
    QStringList shownFiles() const;

signals:
    void fileActivated(const QString &path);

private:
    void onItemActivated(QListWidgetItem *item);

    QPointer<StudioProject> m_project;
    QLabel *m_title = nullptr;
    QListWidget *m_list = nullptr;
};

} // namespace Studio
