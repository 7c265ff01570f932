#include "studio/StudioWindow.h"

#include "ui_StudioWindow.h"

#include "studio/NetlistWatcher.h"
#include "studio/OpenFileWatcher.h"
#include "studio/ProblemsPanel.h"
#include "studio/ProjectFilesPanel.h"
#include "studio/StudioProject.h"
#include "studio/SynthesisRunner.h"
#include "studio/TextFileView.h"
#include "studio/WizardChooserDialog.h"

#include "document/ZELView.h"
#include "host/core.h"
#include "host/dev.h"
#include "host/extsys.h"
#include "host/nlsdata.h"
#include "host/qutil.h"
#include "host/te.h"
#include "host/utils.h"
#include "plugin/ZELViewManager.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>

namespace Studio {

namespace {

const QString SaveCommand = QStringLiteral("Core.Action.Save");
const QString UndoCommand = QStringLiteral("Core.Action.Undo");
const QString RedoCommand = QStringLiteral("Core.Action.Redo");
const QString NetlistResult = QStringLiteral("RES.netlist");
const QString ConfigSuffix = QStringLiteral("vep");
constexpr int StatusTimeout = 8000;

} // namespace

StudioWindow::StudioWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::StudioWindow), m_netlistWatcher(new NetlistWatcher(this)),
      m_openFileWatcher(new OpenFileWatcher([this]() { return m_device; }, this))
{
    ui->setupUi(this);

    Core::ViewManager *views = Core::ViewManager::instance();
    // The window owns the view area from here on; the host keeps only a guarded pointer.
    setCentralWidget(views->viewArea());
    views->setDialogParent(this);

    // The IDE's own save command: the plug-in's action drives its text and state
    // while one of its views is current.
    QAction *save = Core::ActionManager::command(SaveCommand);
    save->setText(tr("&Save"));
    save->setShortcut(QKeySequence::Save);
    ui->menuFile->insertAction(ui->actionClose, save);

    // Edit > Undo and Redo are IDE commands too; the current view's actions name the step.
    QMenu *menuEdit = new QMenu(tr("&Edit"), this);
    menuEdit->setObjectName(QStringLiteral("menuEdit"));
    menuBar()->insertMenu(ui->menuProject->menuAction(), menuEdit);
    QAction *undo = Core::ActionManager::command(UndoCommand);
    undo->setText(tr("&Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = Core::ActionManager::command(RedoCommand);
    redo->setText(tr("&Redo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    menuEdit->addAction(undo);
    menuEdit->addAction(redo);

    connect(ui->actionNew, &QAction::triggered, this, &StudioWindow::onNew);
    connect(ui->actionOpen, &QAction::triggered, this, &StudioWindow::onOpen);
    connect(ui->actionClose, &QAction::triggered, this, &StudioWindow::onClose);
    connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(ui->actionOpenProject, &QAction::triggered, this, &StudioWindow::onOpenProject);
    connect(ui->actionRunSynthesis, &QAction::triggered, this, &StudioWindow::runSynthesis);
    connect(ui->filesPanel, &ProjectFilesPanel::fileActivated, this, &StudioWindow::openFile);
    connect(m_netlistWatcher, &NetlistWatcher::netlistChanged, this,
            &StudioWindow::onNetlistChanged);
    connect(m_openFileWatcher, &OpenFileWatcher::message, this,
            [this](const QString &text) { statusBar()->showMessage(text, StatusTimeout); });
    connect(views, &Core::ViewManager::viewActiveted, this, &StudioWindow::onViewsChanged);
    connect(views, &Core::ViewManager::viewClosed, this, &StudioWindow::onViewsChanged);

    ui->actionRunSynthesis->setEnabled(false);
    resizeDocks({ui->dockFiles}, {220}, Qt::Horizontal);
    buildDeviceMenu();
    const QStringList devices = DEV::DeviceDatabase::instance()->devices();
    if (!devices.isEmpty())
        applyChip(devices.first());
    // Under the view area, once the device is known: the panel checks against it.
    m_problemsPanel = new ProblemsPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_problemsPanel);
    resizeDocks({m_problemsPanel}, {220}, Qt::Vertical);
    onViewsChanged();
    updateTitle();
}

StudioWindow::~StudioWindow()
{
    Core::ViewManager *views = Core::ViewManager::instance();
    if (views->dialogParent() == this)
        views->setDialogParent(nullptr);
    if (Core::ProjectManager::currentProject() == m_project)
        Core::ProjectManager::setCurrentProject(nullptr);
    delete ui;
}

bool StudioWindow::openProject(const QString &path, QString *error)
{
    QString reason;
    StudioProject *project = StudioProject::open(path, &reason, this);
    if (!project) {
        if (error)
            *error = reason;
        return false;
    }
    // Views of the previous project read its netlist and chip; they go first.
    if (!closeAllViews()) {
        delete project;
        if (error)
            *error = tr("A view refused to close.");
        return false;
    }

    StudioProject *previous = m_project;
    m_project = project;
    Core::ProjectManager::setCurrentProject(project);
    delete previous;

    TE::TaskEngine::instance()->flowManager()->setResultFile(NetlistResult, project->netlistPath());
    loadCellLibrary();
    const QString device = project->device();
    if (DEV::DeviceDatabase::instance()->contains(device))
        applyChip(device);
    else if (!device.isEmpty())
        statusBar()->showMessage(
            tr("The project's device %1 is unknown; keeping %2.").arg(device, m_device),
            StatusTimeout);
    m_netlistWatcher->setPath(project->netlistPath());

    ui->filesPanel->setProject(project);
    ui->actionRunSynthesis->setEnabled(!project->synthesisCommand().isEmpty());
    updateTitle();
    if (error)
        error->clear();
    return true;
}

void StudioWindow::openFile(const QString &path)
{
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    if (info.isDir() ||
        suffix.compare(QLatin1String(StudioProject::FileSuffix), Qt::CaseInsensitive) == 0) {
        QString error;
        if (!openProject(path, &error))
            QMessageBox::warning(this, tr("Open Project"), error);
        return;
    }
    if (suffix.compare(ConfigSuffix, Qt::CaseInsensitive) == 0) {
        // The plug-in reports every failure itself.
        ZEL::ZELViewManager::openView(DEV::DeviceArg(m_device), info.absoluteFilePath());
        return;
    }
    openTextFile(info.absoluteFilePath());
}

bool StudioWindow::closeAllViews()
{
    Core::ViewManager *views = Core::ViewManager::instance();
    const QList<Core::IView *> open = views->views();
    for (Core::IView *view : open) {
        // Closing one view may have taken others with it.
        if (!views->views().contains(view))
            continue;
        if (!views->closeView(view))
            return false;
    }
    return true;
}

StudioProject *StudioWindow::project() const
{
    return m_project;
}

QString StudioWindow::device() const
{
    return m_device;
}

void StudioWindow::setDevice(const QString &device)
{
    if (device == m_device || !DEV::DeviceDatabase::instance()->contains(device))
        return;
    applyChip(device);
    if (m_project) {
        QString error;
        if (!m_project->setDevice(device, &error))
            QMessageBox::warning(this, tr("Device"), error);
    }
    // Views learn the device before the announcement, so that the handlers of the
    // event see the new device and the new chip alike.
    if (ZEL::ZELViewManager *manager = ZEL::ZELViewManager::instance()) {
        const QList<ZEL::ZELView *> configViews = manager->zelViews();
        for (ZEL::ZELView *view : configViews)
            view->setDevice(DEV::DeviceArg(device));
    }
    QUtil::EventManager::instance()->publish(QUtil::Event(QStringLiteral("TE.Device.Change")));
    statusBar()->showMessage(tr("Device %1 selected.").arg(device), StatusTimeout);
    updateTitle();
}

bool StudioWindow::showViewPage(int index)
{
    Core::IView *view = Core::ViewManager::instance()->currentView();
    auto *configView = qobject_cast<ZEL::ZELView *>(view);
    QTabWidget *pages = configView ? configView->tabWidget() : nullptr;
    if (!pages || index < 0 || index >= pages->count())
        return false;
    pages->setCurrentIndex(index);
    return true;
}

void StudioWindow::runSynthesis()
{
    if (!m_project || m_project->synthesisCommand().isEmpty()) {
        statusBar()->showMessage(tr("The project names no synthesis command."), StatusTimeout);
        return;
    }
    SynthesisRunner runner;
    // The shell's own run announces its result once, below; the half-written file
    // must not be announced while the tool is still writing it.
    m_netlistWatcher->setPaused(true);
    const SynthesisRunner::Result result =
        runner.run(this, m_project->synthesisCommand(), m_project->directory());
    m_netlistWatcher->acceptCurrent();
    m_netlistWatcher->setPaused(false);

    switch (result) {
    case SynthesisRunner::Succeeded:
        statusBar()->showMessage(tr("Synthesis finished."), StatusTimeout);
        publishSynthesisDone();
        break;
    case SynthesisRunner::Canceled:
        statusBar()->showMessage(runner.errorText(), StatusTimeout);
        break;
    case SynthesisRunner::Failed: {
        QMessageBox box(QMessageBox::Critical, tr("Synthesis Failed"), runner.errorText(),
                        QMessageBox::Ok, this);
        const QString tail = runner.outputTail();
        if (!tail.isEmpty()) {
            box.setInformativeText(runner.outputTail(8));
            box.setDetailedText(tail);
        }
        box.exec();
        break;
    }
    }
}

ProjectFilesPanel *StudioWindow::filesPanel() const
{
    return ui->filesPanel;
}

NetlistWatcher *StudioWindow::netlistWatcher() const
{
    return m_netlistWatcher;
}

OpenFileWatcher *StudioWindow::openFileWatcher() const
{
    return m_openFileWatcher;
}

ProblemsPanel *StudioWindow::problemsPanel() const
{
    return m_problemsPanel;
}

void StudioWindow::closeEvent(QCloseEvent *event)
{
    // Every view gets its save prompt before the shell goes; one refusal keeps it.
    if (closeAllViews())
        event->accept();
    else
        event->ignore();
}

void StudioWindow::onNew()
{
    const QList<Core::IWizardFactory *> factories =
        ExtSys::PluginManager::instance()->getObjects<Core::IWizardFactory>();
    if (factories.isEmpty()) {
        statusBar()->showMessage(tr("No plug-in offers a new-file wizard."), StatusTimeout);
        return;
    }
    Core::IWizardFactory *factory = WizardChooserDialog::choose(factories, this);
    if (!factory)
        return;
    factory->run(this, m_project ? QDir::toNativeSeparators(m_project->directory()) : QString());
    ui->filesPanel->refresh();
}

void StudioWindow::onOpen()
{
    const QString start = m_project ? m_project->directory() : QDir::currentPath();
    const QString path = Utils::FileUtils::getOpenFileName(
        this, tr("Open File"), start,
        tr("Configuration files (*.vep);;Projects (*.vepproj);;All files (*)"));
    openFile(path);
}

void StudioWindow::onClose()
{
    Core::ViewManager *views = Core::ViewManager::instance();
    if (Core::IView *view = views->currentView())
        views->closeView(view);
}

void StudioWindow::onOpenProject()
{
    const QString start = m_project ? m_project->directory() : QDir::currentPath();
    const QString path = Utils::FileUtils::getOpenFileName(this, tr("Open Project"), start,
                                                           tr("Projects (*.vepproj)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!openProject(path, &error))
        QMessageBox::warning(this, tr("Open Project"), error);
}

void StudioWindow::onNetlistChanged()
{
    statusBar()->showMessage(tr("The netlist changed on disk."), StatusTimeout);
    publishSynthesisDone();
}

void StudioWindow::onViewsChanged()
{
    ui->actionClose->setEnabled(Core::ViewManager::instance()->currentView() != nullptr);
}

void StudioWindow::buildDeviceMenu()
{
    m_deviceGroup = new QActionGroup(this);
    m_deviceGroup->setExclusive(true);
    const QStringList devices = DEV::DeviceDatabase::instance()->devices();
    for (const QString &device : devices) {
        QAction *action = ui->menuDevice->addAction(device);
        action->setCheckable(true);
        action->setData(device);
        m_deviceGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, device]() { setDevice(device); });
    }
}

void StudioWindow::applyChip(const QString &device)
{
    m_device = device;
    TE::ProInfoManager::instance()->setChipInfo(DEV::DeviceDatabase::instance()->chipInfo(device));
    const QList<QAction *> actions = m_deviceGroup->actions();
    for (QAction *action : actions)
        action->setChecked(action->data().toString() == device);
}

void StudioWindow::loadCellLibrary()
{
    // Cell types of the previous project must not colour how this one's netlist reads.
    NlsData::resetCellLibrary();
    const QString path = m_project->cellLibraryPath();
    if (path.isEmpty())
        return;
    QString error;
    if (!NlsData::loadCellLibrary(path, &error))
        statusBar()->showMessage(tr("The project's cell library was not loaded: %1").arg(error),
                                 StatusTimeout);
}

void StudioWindow::openTextFile(const QString &path)
{
    Core::ViewManager *views = Core::ViewManager::instance();
    const QString clean = QDir::cleanPath(path);
    const QList<Core::IView *> open = views->views();
    for (Core::IView *view : open) {
        auto *textView = qobject_cast<TextFileView *>(view);
        if (textView && textView->file() == clean) {
            views->showView(textView);
            return;
        }
    }
    auto *view = new TextFileView;
    QString error;
    if (!view->load(clean, &error)) {
        delete view;
        statusBar()->showMessage(error, StatusTimeout);
        return;
    }
    views->showView(view);
}

void StudioWindow::publishSynthesisDone()
{
    QUtil::Event event(QStringLiteral("TE.Process.Status.Change"));
    event.set(QStringLiteral("process"), QStringLiteral("Process.Syn"));
    event.set(QStringLiteral("status"), 2);
    QUtil::EventManager::instance()->publish(event);
}

void StudioWindow::updateTitle()
{
    QString title = tr("VEP Studio");
    if (m_project)
        title = tr("%1 - %2").arg(m_project->name(), title);
    if (!m_device.isEmpty())
        title += tr(" [%1]").arg(m_device);
    setWindowTitle(title);
}

} // namespace Studio
