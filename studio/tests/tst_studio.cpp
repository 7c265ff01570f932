#include "studio/NetlistWatcher.h"
#include "studio/ProjectFilesPanel.h"
#include "studio/StudioProject.h"
#include "studio/StudioWindow.h"
#include "studio/SynthesisRunner.h"
#include "studio/TextFileView.h"
#include "tests/support/ModalHelper.h"

#include "document/ZELView.h"

#include "host/core.h"
#include "host/dev.h"
#include "host/extsys.h"
#include "host/nlsdata.h"
#include "host/qutil.h"
#include "host/te.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

const QString SynthesisEvent = QStringLiteral("TE.Process.Status.Change");
const QString DeviceEvent = QStringLiteral("TE.Device.Change");

class EventRecorder : public QUtil::IEventHandler {
public:
    explicit EventRecorder(const QString &type) : m_type(type)
    {
        QUtil::EventManager::instance()->subscribe(this, type);
    }
    ~EventRecorder() override { QUtil::EventManager::instance()->unsubscribe(this, m_type); }

    void handleIEvent(const QUtil::IEvent *event) override
    {
        types.append(event->type());
        processes.append(event->get(QStringLiteral("process")).toString());
        statuses.append(event->get(QStringLiteral("status")).toInt());
    }

    QStringList types;
    QStringList processes;
    QList<int> statuses;

private:
    QString m_type;
};

class FakeWizard : public Core::IWizardFactory {
public:
    QString id() const override { return QStringLiteral("Test.Wizard"); }
    QString displayName() const override { return QStringLiteral("Test File"); }
    QString description() const override { return QStringLiteral("Creates notes.txt."); }
    void run(QWidget *parent, const QString &path) override
    {
        parents.append(parent);
        paths.append(path);
        QFile file(QDir(path).filePath(QStringLiteral("notes.txt")));
        if (file.open(QIODevice::WriteOnly) && Core::ProjectManager::currentProject())
            Core::ProjectManager::currentProject()->addFile(file.fileName());
    }

    QList<QWidget *> parents;
    QStringList paths;
};

// Answers close events as told, like an editor whose user keeps or drops changes.
class PromptingView : public Core::IView {
public:
    explicit PromptingView(const QString &title) { setShortTitle(title); }
    bool acceptClose = true;
    int asked = 0;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++asked;
        event->setAccepted(acceptClose);
    }
};

bool writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QJsonObject readJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QStringList deviceNames()
{
    return DEV::DeviceDatabase::instance()->devices();
}

// A project folder with a design folder beside it, as in examples/.
QString writeProject(const QTemporaryDir &root, const QJsonObject &extra = {})
{
    QJsonObject json{{"name", "demo"},
                     {"device", deviceNames().value(0)},
                     {"netlist", "../design/netlist.json"},
                     {"files", QJsonArray{"board.vep", "notes/readme.txt"}},
                     {"custom", "kept"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        json.insert(it.key(), it.value());
    const QString file = root.filePath(QStringLiteral("project/demo.vepproj"));
    writeFile(file, QJsonDocument(json).toJson());
    writeFile(root.filePath(QStringLiteral("design/netlist.json")), "{\"modules\":{}}\n");
    writeFile(root.filePath(QStringLiteral("project/notes/readme.txt")), "read me\n");
    return file;
}

QPushButton *cancelButton(QWidget *progress)
{
    const QList<QPushButton *> buttons = progress->findChildren<QPushButton *>();
    return buttons.isEmpty() ? nullptr : buttons.first();
}

// The run's progress dialog is modal too and may or may not be up when the helper
// looks; the answer is for the message box that follows it.
void answerBoxAfterProgress(QString *informative, ModalSeen *seen)
{
    ModalHelper::onNextModal(
        [informative, seen](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box) {
                answerBoxAfterProgress(informative, seen);
                return;
            }
            *informative = box->informativeText();
            box->button(QMessageBox::Ok)->click();
        },
        seen);
}

} // namespace

class tst_Studio : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void openProject_data();
    void openProject();
    void projectPathsFollowTheProjectFile();
    void addFileStoresRelativePathOnce();
    void addFileFailureKeepsProjectUnchanged();

    void windowOpenProjectSetsHostState();
    void windowKeepsDeviceWhenProjectNamesUnknownOne();
    void openProjectStopsWhenViewRefusesToClose();
    void projectCellLibraryAppliesToItsNetlist();
    void setDeviceAnnouncesAndStores();

    void watcherReportsRealChangesOnly();
    void netlistChangeOnDiskAnnouncesSynthesis();

    void runner_data();
    void runner();
    void runnerCancel();
    void runSynthesisAnnouncesOnce();
    void runSynthesisFailureShowsOutputTail();

    void quitClosesEveryViewUnlessOneRefuses();
    void closeActionClosesCurrentView();
    void newRunsChosenWizardInProjectFolder();
    void openFileShowsOtherFilesReadOnly();
    void panelActivationOpensFile();

    void editSaveAndQuitTheExampleFile();
    void cleanupTestCase();
};

void tst_Studio::initTestCase()
{
    QVERIFY2(deviceNames().size() >= 2, "the device database needs two devices");
    // The plug-in as the shell loads it: its save action and wizard join the host.
    QString error;
    QVERIFY2(ExtSys::PluginManager::instance()->loadPlugin(
                 QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so"), &error),
             qPrintable(error));
}

void tst_Studio::cleanupTestCase()
{
    ExtSys::PluginManager::instance()->shutdown();
}

void tst_Studio::cleanup()
{
    const bool strayModal = QApplication::activeModalWidget() != nullptr;
    ModalHelper::closeStrayModals();
    QVERIFY(!strayModal);
    QVERIFY(!Core::ProjectManager::currentProject());
}

void tst_Studio::openProject_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("project file") << "file" << true << "";
    QTest::newRow("folder with one project") << "folder" << true << "";
    QTest::newRow("folder without project") << "empty folder" << false << "no project file";
    QTest::newRow("folder with two projects") << "two" << false << "several project files";
    QTest::newRow("malformed JSON") << "malformed" << false << "not a valid project file";
    QTest::newRow("JSON array") << "array" << false << "holds no JSON object";
    QTest::newRow("missing file") << "missing" << false << "Cannot read";
}

void tst_Studio::openProject()
{
    QFETCH(QString, layout);
    QFETCH(bool, opens);
    QFETCH(QString, errorPart);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString file = writeProject(root);
    QString path = file;
    if (layout == "folder")
        path = QFileInfo(file).absolutePath();
    else if (layout == "empty folder")
        path = root.filePath("design");
    else if (layout == "two")
        path = writeFile(root.filePath("project/other.vepproj"), "{}") ? root.filePath("project")
                                                                       : QString();
    else if (layout == "malformed")
        writeFile(file, "{\"name\": ");
    else if (layout == "array")
        writeFile(file, "[1, 2]");
    else if (layout == "missing")
        path = root.filePath("project/none.vepproj");

    QString error = "untouched";
    QScopedPointer<Studio::StudioProject> project(Studio::StudioProject::open(path, &error));
    QCOMPARE(!project.isNull(), opens);
    if (opens) {
        QCOMPARE(project->projectFile(), QDir::cleanPath(file));
        QCOMPARE(project->name(), QString("demo"));
    } else {
        QVERIFY2(error.contains(errorPart), qPrintable(error));
    }
}

void tst_Studio::projectPathsFollowTheProjectFile()
{
    QTemporaryDir root;
    const QString file = writeProject(
        root, {{"cellLibrary", "../design/./cells.json"}, {"synthesis", "  yosys -s x.ys "}});
    QScopedPointer<Studio::StudioProject> project(Studio::StudioProject::open(file, nullptr));
    QVERIFY(project);
    const QDir base(root.path());
    QCOMPARE(project->directory(), base.filePath("project"));
    QCOMPARE(project->netlistPath(), base.filePath("design/netlist.json"));
    QCOMPARE(project->cellLibraryPath(), base.filePath("design/cells.json"));
    QCOMPARE(project->synthesisCommand(), QString("yosys -s x.ys"));
    QCOMPARE(project->files(), QStringList({base.filePath("project/board.vep"),
                                            base.filePath("project/notes/readme.txt")}));

    QScopedPointer<Studio::StudioProject> bare(
        Studio::StudioProject::open(writeFile(file, "{}") ? file : QString(), nullptr));
    QVERIFY(bare);
    QCOMPARE(bare->name(), QString("demo")); // the file's base name stands in
    QVERIFY(bare->netlistPath().isEmpty());
    QVERIFY(bare->cellLibraryPath().isEmpty());
    QVERIFY(bare->files().isEmpty());
}

void tst_Studio::addFileStoresRelativePathOnce()
{
    QTemporaryDir root;
    const QString file = writeProject(root);
    QScopedPointer<Studio::StudioProject> project(Studio::StudioProject::open(file, nullptr));
    QVERIFY(project);
    QSignalSpy changed(project.data(), &Studio::StudioProject::filesChanged);

    const QString added = root.filePath("project/sub/power.vep");
    QVERIFY(project->addFile(added));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(project->files().last(), added);
    QJsonObject saved = readJson(file);
    QCOMPARE(saved.value("files").toArray().last().toString(), QString("sub/power.vep"));
    QCOMPARE(saved.value("custom").toString(), QString("kept"));

    // The same file by another spelling is not added twice.
    QVERIFY(project->addFile(root.filePath("project/./sub/../sub/power.vep")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(readJson(file).value("files").toArray().size(), 3);

    // A file outside the project folder is kept relative too.
    QVERIFY(project->addFile(root.filePath("design/extra.vep")));
    QCOMPARE(readJson(file).value("files").toArray().last().toString(),
             QString("../design/extra.vep"));
    QVERIFY(!project->addFile(QString()));
}

void tst_Studio::addFileFailureKeepsProjectUnchanged()
{
    QTemporaryDir root;
    const QString file = writeProject(root);
    QScopedPointer<Studio::StudioProject> project(Studio::StudioProject::open(file, nullptr));
    QVERIFY(project);
    const QStringList before = project->files();
    // The project folder vanishes under the open project: nothing can be saved.
    QVERIFY(QDir(root.filePath("project")).removeRecursively());
    QSignalSpy changed(project.data(), &Studio::StudioProject::filesChanged);
    QVERIFY(!project->addFile(root.filePath("project/new.vep")));
    QCOMPARE(project->files(), before);
    QCOMPARE(changed.count(), 0);
    QString error;
    QVERIFY(!project->setDevice(deviceNames().value(1), &error));
    QVERIFY(error.contains("Cannot write the project file"));
    QCOMPARE(project->device(), deviceNames().value(0));
}

void tst_Studio::windowOpenProjectSetsHostState()
{
    QTemporaryDir root;
    const QString device = deviceNames().value(1);
    const QString file = writeProject(root, {{"device", device}, {"synthesis", "true"}});
    Studio::StudioWindow window;
    QVERIFY(!window.findChild<QAction *>("actionRunSynthesis")->isEnabled());

    QString error;
    QVERIFY2(window.openProject(file, &error), qPrintable(error));
    QCOMPARE(Core::ProjectManager::currentProject(), window.project());
    QCOMPARE(TE::TaskEngine::instance()->flowManager()->resultFile("RES.netlist"),
             QDir(root.path()).filePath("design/netlist.json"));
    QCOMPARE(window.device(), device);
    QCOMPARE(TE::ProInfoManager::instance()->chipInfo().partNumber,
             DEV::DeviceDatabase::instance()->chipInfo(device).partNumber);
    QCOMPARE(window.filesPanel()->shownFiles(), window.project()->files());
    QVERIFY(window.findChild<QAction *>("actionRunSynthesis")->isEnabled());
    QVERIFY(window.windowTitle().contains("demo"));
    QCOMPARE(window.netlistWatcher()->path(), window.project()->netlistPath());

    // The device menu shows the project's device as the chosen one.
    int checked = 0;
    const QList<QAction *> actions = window.findChild<QMenu *>("menuDevice")->actions();
    QCOMPARE(actions.size(), deviceNames().size());
    for (const QAction *action : actions) {
        if (action->isChecked()) {
            ++checked;
            QCOMPARE(action->text(), device);
        }
    }
    QCOMPARE(checked, 1);
}

void tst_Studio::windowKeepsDeviceWhenProjectNamesUnknownOne()
{
    QTemporaryDir root;
    const QString file = writeProject(root, {{"device", "NO-SUCH-CHIP"}});
    Studio::StudioWindow window;
    const QString before = window.device();
    QVERIFY(!before.isEmpty());
    QVERIFY(window.openProject(file));
    QCOMPARE(window.device(), before);
    // Nothing is written back: the project's own text stays until the user picks one.
    QCOMPARE(readJson(file).value("device").toString(), QString("NO-SUCH-CHIP"));
}

void tst_Studio::openProjectStopsWhenViewRefusesToClose()
{
    QTemporaryDir first;
    QTemporaryDir second;
    Studio::StudioWindow window;
    QVERIFY(window.openProject(writeProject(first)));
    Studio::StudioProject *kept = window.project();

    auto *view = new PromptingView("kept.vep");
    view->acceptClose = false;
    Core::ViewManager::instance()->showView(view);
    QString error;
    QVERIFY(!window.openProject(writeProject(second), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(view->asked, 1);
    QCOMPARE(window.project(), kept);
    QCOMPARE(Core::ProjectManager::currentProject(), kept);

    view->acceptClose = true;
    QVERIFY(window.openProject(writeProject(second), &error));
    QVERIFY(Core::ViewManager::instance()->views().isEmpty());
    QCOMPARE(window.project()->directory(), QDir(second.path()).filePath("project"));
}

void tst_Studio::projectCellLibraryAppliesToItsNetlist()
{
    // One flip-flop of a vendor cell type that the built-in table does not know.
    const QByteArray netlist = R"({"modules": {"top": {
        "attributes": {"top": "00000000000000000000000000000001"},
        "ports": {"clk": {"direction": "input", "bits": [2]},
                  "q": {"direction": "output", "bits": [3]}},
        "cells": {"r": {"type": "VENDOR_FF", "port_directions": {"C": "input", "Q": "output"},
                        "connections": {"C": [2], "Q": [3]}}},
        "netnames": {"clk": {"bits": [2]}, "q": {"bits": [3]}}}}})";
    auto categoryOfFlipFlop = []() {
        const QString path = TE::TaskEngine::instance()->flowManager()->resultFile("RES.netlist");
        QString error;
        QScopedPointer<NlsData::Netlist> read(NlsData::readNetlistFile(path, &error, false));
        if (!read || read->allPrimInstances().size() != 1)
            return -1;
        return read->allPrimInstances().first()->category;
    };

    QTemporaryDir withLibrary;
    const QString file = writeProject(withLibrary, {{"cellLibrary", "../design/cells.json"}});
    QVERIFY(writeFile(withLibrary.filePath("design/netlist.json"), netlist));
    QVERIFY(writeFile(withLibrary.filePath("design/cells.json"),
                      R"({"cells": {"VENDOR_FF": {"category": 50, "primitive": 7}}})"));
    Studio::StudioWindow window;
    QVERIFY(window.openProject(file));
    QCOMPARE(categoryOfFlipFlop(), int(NlsData::CategoryFlipFlop));

    // The next project has no library of its own: the vendor type is unknown again.
    QTemporaryDir without;
    const QString plain = writeProject(without);
    QVERIFY(writeFile(without.filePath("design/netlist.json"), netlist));
    QVERIFY(window.openProject(plain));
    QCOMPARE(categoryOfFlipFlop(), 0);
}

void tst_Studio::setDeviceAnnouncesAndStores()
{
    QTemporaryDir root;
    const QString file = writeProject(root);
    Studio::StudioWindow window;
    QVERIFY(window.openProject(file));
    EventRecorder recorder(DeviceEvent);
    const QString other = deviceNames().value(1);

    window.setDevice(other);
    QCOMPARE(recorder.types, QStringList{DeviceEvent});
    QCOMPARE(window.device(), other);
    QCOMPARE(TE::ProInfoManager::instance()->chipInfo().partNumber,
             DEV::DeviceDatabase::instance()->chipInfo(other).partNumber);
    QCOMPARE(readJson(file).value("device").toString(), other);
    QCOMPARE(readJson(file).value("custom").toString(), QString("kept"));

    // Choosing the same device again or one the database does not know changes nothing.
    window.setDevice(other);
    window.setDevice("NO-SUCH-CHIP");
    QCOMPARE(recorder.types.size(), 1);
    QCOMPARE(window.device(), other);

    // The menu drives the same path.
    const QString first = deviceNames().value(0);
    QAction *firstAction = window.findChild<QMenu *>("menuDevice")->actions().value(0);
    QVERIFY(firstAction);
    firstAction->trigger();
    QCOMPARE(recorder.types.size(), 2);
    QCOMPARE(readJson(file).value("device").toString(), first);
}

void tst_Studio::watcherReportsRealChangesOnly()
{
    QTemporaryDir root;
    const QString netlist = root.filePath("netlist.json");
    QVERIFY(writeFile(netlist, "{}"));
    Studio::NetlistWatcher watcher;
    QSignalSpy changed(&watcher, &Studio::NetlistWatcher::netlistChanged);
    watcher.setPath(netlist);
    QVERIFY(!watcher.checkNow());

    QVERIFY(writeFile(netlist, "{\"modules\": {}}"));
    QVERIFY(watcher.checkNow());
    QVERIFY(!watcher.checkNow());
    QCOMPARE(changed.count(), 1);

    // The shell's own synthesis run: nothing while paused, nothing for the accepted result.
    watcher.setPaused(true);
    QVERIFY(writeFile(netlist, "{\"modules\": {\"top\": {}}}"));
    QVERIFY(!watcher.checkNow());
    watcher.acceptCurrent();
    watcher.setPaused(false);
    QVERIFY(!watcher.checkNow());

    // A removed netlist is no result; the next one is.
    QVERIFY(QFile::remove(netlist));
    QVERIFY(!watcher.checkNow());
    QVERIFY(writeFile(netlist, "{}"));
    QVERIFY(watcher.checkNow());
    QCOMPARE(changed.count(), 2);

    watcher.setPath(QString());
    QVERIFY(writeFile(netlist, "{\"again\": 1}"));
    QVERIFY(!watcher.checkNow());
}

void tst_Studio::netlistChangeOnDiskAnnouncesSynthesis()
{
    QTemporaryDir root;
    Studio::StudioWindow window;
    QVERIFY(window.openProject(writeProject(root)));
    EventRecorder recorder(SynthesisEvent);
    QVERIFY(writeFile(window.project()->netlistPath(), "{\"modules\": {\"top\": {}}}"));
    QVERIFY(window.netlistWatcher()->checkNow());
    QCOMPARE(recorder.types, QStringList{SynthesisEvent});
    QCOMPARE(recorder.processes, QStringList{"Process.Syn"});
    QCOMPARE(recorder.statuses, QList<int>{2});
}

void tst_Studio::runner_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("errorPart");
    QTest::addColumn<QString>("outputPart");

    const int succeeded = Studio::SynthesisRunner::Succeeded;
    const int failed = Studio::SynthesisRunner::Failed;
    QTest::newRow("success") << "echo done in $(basename \"$PWD\")"
                             << "work" << succeeded << ""
                             << "done in work";
    QTest::newRow("exit code") << "echo 'syntax error' >&2; exit 3"
                               << "work" << failed << "ended with exit code 3"
                               << "syntax error";
    QTest::newRow("crash") << "kill -9 $$"
                           << "work" << failed << "crashed"
                           << "";
    QTest::newRow("no such program") << "no-such-synthesis-tool -q"
                                     << "work" << failed << "exit code 127"
                                     << "not found";
    QTest::newRow("missing folder") << "true"
                                    << "gone" << failed << "Cannot start"
                                    << "";
    QTest::newRow("empty command") << "   "
                                   << "work" << failed << "no synthesis command"
                                   << "";
}

void tst_Studio::runner()
{
    QFETCH(QString, command);
    QFETCH(QString, folder);
    QFETCH(int, result);
    QFETCH(QString, errorPart);
    QFETCH(QString, outputPart);

    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkdir("work"));
    Studio::SynthesisRunner runner;
    QCOMPARE(int(runner.run(nullptr, command, root.filePath(folder))), result);
    QVERIFY2(runner.errorText().contains(errorPart), qPrintable(runner.errorText()));
    QVERIFY2(runner.outputTail().contains(outputPart), qPrintable(runner.outputTail()));
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Studio::runnerCancel()
{
    QTemporaryDir root;
    Studio::SynthesisRunner runner;
    ModalSeen seen;
    ModalHelper::onNextModal(
        [](QWidget *modal) {
            if (QPushButton *cancel = cancelButton(modal))
                cancel->click();
        },
        &seen);
    // Would run for a minute if the cancel did not kill it.
    QCOMPARE(runner.run(nullptr, "sleep 60", root.path()), Studio::SynthesisRunner::Canceled);
    QCOMPARE(seen.className, QString("QProgressDialog"));
    QCOMPARE(seen.title, QString("Run Synthesis"));
}

void tst_Studio::runSynthesisAnnouncesOnce()
{
    QTemporaryDir root;
    // The command rewrites the netlist as a synthesis tool does, in the project folder.
    const QString file =
        writeProject(root, {{"synthesis", "echo '{}' > ../design/netlist.json; pwd > ran-in.txt"}});
    Studio::StudioWindow window;
    QVERIFY(window.openProject(file));
    EventRecorder recorder(SynthesisEvent);

    window.findChild<QAction *>("actionRunSynthesis")->trigger();
    QCOMPARE(recorder.statuses, QList<int>{2});
    QCOMPARE(recorder.processes, QStringList{"Process.Syn"});
    QFile ranIn(root.filePath("project/ran-in.txt"));
    QVERIFY(ranIn.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(ranIn.readAll()).trimmed(),
             QFileInfo(root.filePath("project")).canonicalFilePath());
    // The watcher knows this result already: no second announcement.
    QVERIFY(!window.netlistWatcher()->checkNow());
    QCOMPARE(recorder.types.size(), 1);
}

void tst_Studio::runSynthesisFailureShowsOutputTail()
{
    QTemporaryDir root;
    const QString file =
        writeProject(root, {{"synthesis", "echo 'ERROR: top.v:3 bad token'; exit 4"}});
    Studio::StudioWindow window;
    QVERIFY(window.openProject(file));
    EventRecorder recorder(SynthesisEvent);

    QString informative;
    ModalSeen seen;
    answerBoxAfterProgress(&informative, &seen);
    window.runSynthesis();
    QCOMPARE(seen.title, QString("Synthesis Failed"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY2(seen.text.contains("exit code 4"), qPrintable(seen.text));
    QVERIFY2(informative.contains("ERROR: top.v:3 bad token"), qPrintable(informative));
    QVERIFY(recorder.types.isEmpty());
}

void tst_Studio::quitClosesEveryViewUnlessOneRefuses()
{
    Studio::StudioWindow window;
    window.show();
    auto *first = new PromptingView("a.vep");
    auto *second = new PromptingView("b.vep");
    second->acceptClose = false;
    Core::ViewManager *views = Core::ViewManager::instance();
    views->showView(first);
    views->showView(second);

    window.findChild<QAction *>("actionQuit")->trigger();
    QVERIFY(window.isVisible());
    QCOMPARE(views->views(), QList<Core::IView *>{second});
    QCOMPARE(first->asked, 1);
    QCOMPARE(second->asked, 1);

    second->acceptClose = true;
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
    QVERIFY(views->views().isEmpty());
}

void tst_Studio::closeActionClosesCurrentView()
{
    Studio::StudioWindow window;
    QAction *close = window.findChild<QAction *>("actionClose");
    QVERIFY(!close->isEnabled());
    auto *first = new PromptingView("a.vep");
    auto *second = new PromptingView("b.vep");
    Core::ViewManager *views = Core::ViewManager::instance();
    views->showView(first);
    views->showView(second);
    QVERIFY(close->isEnabled());

    close->trigger();
    QCOMPARE(second->asked, 1);
    QCOMPARE(first->asked, 0);
    QCOMPARE(views->views(), QList<Core::IView *>{first});
    close->trigger();
    QVERIFY(views->views().isEmpty());
    QVERIFY(!close->isEnabled());
}

void tst_Studio::newRunsChosenWizardInProjectFolder()
{
    QTemporaryDir root;
    Studio::StudioWindow window;
    QVERIFY(window.openProject(writeProject(root)));
    FakeWizard wizard;
    ExtSys::PluginManager::instance()->addObject(&wizard);

    ModalSeen seen;
    ModalHelper::acceptNextDialog(
        [](QDialog *dialog) {
            auto *list = dialog->findChild<QListWidget *>("listWizards");
            const QList<QListWidgetItem *> items = list->findItems("Test File", Qt::MatchExactly);
            if (!items.isEmpty())
                list->setCurrentItem(items.first());
        },
        &seen);
    window.findChild<QAction *>("actionNew")->trigger();
    ExtSys::PluginManager::instance()->removeObject(&wizard);

    QCOMPARE(seen.title, QString("New File"));
    QCOMPARE(wizard.paths, QStringList{QDir::toNativeSeparators(window.project()->directory())});
    QCOMPARE(wizard.parents, QList<QWidget *>{&window});
    QVERIFY(window.filesPanel()->shownFiles().contains(
        QDir(window.project()->directory()).filePath("notes.txt")));

    // Cancelling the chooser runs nothing.
    ExtSys::PluginManager::instance()->addObject(&wizard);
    ModalHelper::rejectNextDialog();
    window.findChild<QAction *>("actionNew")->trigger();
    ExtSys::PluginManager::instance()->removeObject(&wizard);
    QCOMPARE(wizard.paths.size(), 1);
}

void tst_Studio::openFileShowsOtherFilesReadOnly()
{
    QTemporaryDir root;
    const QString source = root.filePath("top.v");
    QVERIFY(writeFile(source, "module top;\nendmodule\n"));
    Studio::StudioWindow window;
    Core::ViewManager *views = Core::ViewManager::instance();

    window.openFile(source);
    auto *view = qobject_cast<Studio::TextFileView *>(views->currentView());
    QVERIFY(view);
    QCOMPARE(view->shortTitle(), QString("top.v"));
    auto *text = view->findChild<QPlainTextEdit *>();
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->toPlainText(), QString("module top;\nendmodule\n"));

    // The same file again, by another spelling, brings the same view forward.
    window.openFile(root.filePath("./top.v"));
    QCOMPARE(views->views().size(), 1);
    QCOMPARE(views->currentView(), view);

    const QString large = root.filePath("large.txt");
    QVERIFY(writeFile(large, QByteArray(int(Studio::TextFileView::MaxFileSize) + 1, 'x')));
    window.openFile(large);
    QCOMPARE(views->views().size(), 1);
    window.openFile(root.filePath("missing.txt"));
    QCOMPARE(views->views().size(), 1);

    // A project file given to Open goes to the project, not to a view.
    const QString projectFile = writeProject(root);
    window.openFile(projectFile);
    QVERIFY(window.project());
    QCOMPARE(window.project()->projectFile(), QDir::cleanPath(projectFile));
}

void tst_Studio::panelActivationOpensFile()
{
    QTemporaryDir root;
    Studio::StudioWindow window;
    QVERIFY(window.openProject(writeProject(root)));
    auto *list = window.filesPanel()->findChild<QListWidget *>("listFiles");
    QCOMPARE(list->count(), 2);
    // The missing board.vep is listed all the same, greyed.
    QVERIFY(list->item(0)->toolTip().contains("missing"));

    QSignalSpy activated(window.filesPanel(), &Studio::ProjectFilesPanel::fileActivated);
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.first().first().toString(),
             QDir(root.path()).filePath("project/notes/readme.txt"));
    auto *view = qobject_cast<Studio::TextFileView *>(Core::ViewManager::instance()->currentView());
    QVERIFY(view);
    QCOMPARE(view->shortTitle(), QString("readme.txt"));
}

// What a person does with the shell: open the example project, open its file from
// the panel, edit, save with Ctrl+S, switch the device, see the netlist banner after
// a new synthesis result, and quit through the save prompt.
void tst_Studio::editSaveAndQuitTheExampleFile()
{
    QTemporaryDir root;
    const QDir examples(QStringLiteral(VEP_SOURCE_DIR "/examples"));
    QVERIFY(QDir(root.path()).mkpath("project") && QDir(root.path()).mkpath("design"));
    const QStringList copies{"project/example.vepproj", "project/board.vep", "design/netlist.json",
                             "design/cells.json"};
    for (const QString &name : copies)
        QVERIFY2(QFile::copy(examples.filePath(name), root.filePath(name)), qPrintable(name));
    const QString board = root.filePath("project/board.vep");

    Studio::StudioWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(window.openProject(root.filePath("project/example.vepproj")));
    auto *list = window.filesPanel()->findChild<QListWidget *>("listFiles");
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    auto *view = qobject_cast<ZEL::ZELView *>(Core::ViewManager::instance()->currentView());
    QVERIFY(view);
    QCOMPARE(view->file(), board);

    // The File menu's Save is the IDE command that follows the plug-in's action.
    QAction *save = nullptr;
    const QList<QAction *> fileActions = window.findChild<QMenu *>("menuFile")->actions();
    for (QAction *action : fileActions) {
        if (action == Core::ActionManager::command("Core.Action.Save"))
            save = action;
    }
    QVERIFY(save);
    QCOMPARE(save->shortcut(), QKeySequence(QKeySequence::Save));
    view->setModified(false);
    QVERIFY(!save->isEnabled());
    view->setModified(true);
    QVERIFY(save->isEnabled());
    QVERIFY2(save->text().contains("board.vep"), qPrintable(save->text()));
    QVERIFY(QFile::resize(board, 0));
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!view->isModified());
    QFile saved(board);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    // The example is kept in the form the editor writes: saving it unchanged gives it back.
    QFile original(examples.filePath("project/board.vep"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(bytes, original.readAll());

    // A device change reaches the open view before the announcement.
    EventRecorder devices(DeviceEvent);
    window.setDevice(QStringLiteral("PX-E"));
    QCOMPARE(devices.types.size(), 1);
    QCOMPARE(readJson(root.filePath("project/example.vepproj")).value("device").toString(),
             QString("PX-E"));

    // A new netlist on disk: the view re-reads it (from the event loop) and says so.
    QVERIFY(!view->changedBanner() || !view->changedBanner()->isVisible());
    QFile netlist(root.filePath("design/netlist.json"));
    QVERIFY(netlist.open(QIODevice::Append));
    netlist.write("\n");
    netlist.close();
    QVERIFY(window.netlistWatcher()->checkNow());
    for (int pass = 0; pass < 20 && !(view->changedBanner() && view->changedBanner()->isVisible());
         ++pass)
        QCoreApplication::processEvents();
    QVERIFY(view->changedBanner() && view->changedBanner()->isVisible());
    QCOMPARE(Core::ViewManager::instance()->currentView(), view);

    // Quit asks about unsaved changes; Discard lets the shell go without writing.
    view->setModified(true);
    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Discard, &seen);
    QVERIFY(window.close());
    QCOMPARE(seen.title, QString("Save"));
    QVERIFY2(seen.text.contains("Save changes to"), qPrintable(seen.text));
    QVERIFY(Core::ViewManager::instance()->views().isEmpty());
    QVERIFY(saved.seek(0));
    QCOMPARE(saved.readAll(), bytes);
}

QTEST_MAIN(tst_Studio)
#include "tst_studio.moc"
