#pragma once

// The main window of the reference IDE shell: the IDE's view area in the middle,
// the project's files beside it, and the File, Edit, Project and Device menus through
// which a person drives the plug-in as the real IDE would.

#include <QMainWindow>
#include <QString>

class QActionGroup;
class QCloseEvent;

namespace Core {
class IView;
}

namespace Studio {

namespace Ui {
class StudioWindow;
}

class NetlistWatcher;
class OpenFileWatcher;
class ProblemsPanel;
class ProjectFilesPanel;
class StudioProject;

class StudioWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit StudioWindow(QWidget *parent = nullptr);
    ~StudioWindow() override;

    // Closes the open views first (their save prompts may refuse), then makes the
    // project the IDE's current one. Shows nothing; false and a reason on failure.
    bool openProject(const QString &path, QString *error = nullptr);
    // Dispatches by kind: configuration files to the plug-in, projects to
    // openProject, anything else to a read-only text view.
    void openFile(const QString &path);
    // Closes every view through the IDE's view manager; false when one refused.
    bool closeAllViews();

    StudioProject *project() const;
    QString device() const;
    // Makes `device` the project's chip, tells the open configuration views and
    // announces the change on the event bus.
    void setDevice(const QString &device);
    // Shows page `index` of the current view when it has pages; false otherwise.
    bool showViewPage(int index);

    void runSynthesis();
    ProjectFilesPanel *filesPanel() const;
    NetlistWatcher *netlistWatcher() const;
    OpenFileWatcher *openFileWatcher() const;
    ProblemsPanel *problemsPanel() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void onNew();
    void onOpen();
    void onClose();
    void onOpenProject();
    void onNetlistChanged();
    void onViewsChanged();

    void buildDeviceMenu();
    void applyChip(const QString &device);
    void loadCellLibrary();
    void openTextFile(const QString &path);
    void publishSynthesisDone();
    void updateTitle();

    Ui::StudioWindow *ui;
    StudioProject *m_project = nullptr;
    NetlistWatcher *m_netlistWatcher = nullptr;
    OpenFileWatcher *m_openFileWatcher = nullptr;
    QActionGroup *m_deviceGroup = nullptr;
    ProblemsPanel *m_problemsPanel = nullptr;
    QString m_device;
};

} // namespace Studio
