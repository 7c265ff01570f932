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

#include <QtTest>
#include <QtWidgets>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

const QString SynthesisDone = QStringLiteral("TE.Process.Status.Change Process.Syn 2");

// Unsubscribed by the handler's own destructor.
struct EventRecorder : QUtil::IEventHandler {
    explicit EventRecorder(const QString &type)
    {
        QUtil::EventManager::instance()->subscribe(this, type);
    }
    void handleIEvent(const QUtil::IEvent *event) override
    {
        events << QStringLiteral("%1 %2 %3")
                      .arg(event->type(), event->get("process").toString(),
                           event->get("status").toString());
    }
    QStringList events;
};

// Answers close events as told, like an editor whose user keeps or drops changes. The
// log outlives the views, which the view manager deletes once they are closed.
struct CloseLog {
    QStringList asked, refusing;
};

class PromptingView : public Core::IView {
public:
    PromptingView(const QString &title, CloseLog *log) : m_log(log) { setShortTitle(title); }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        m_log->asked << shortTitle();
        event->setAccepted(!m_log->refusing.contains(shortTitle()));
    }
    CloseLog *m_log;
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
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

QStringList devices()
{
    return DEV::DeviceDatabase::instance()->devices();
}

// A project folder with a design folder beside it, as in examples/.
QString writeProject(const QTemporaryDir &root, const QJsonObject &extra = {},
                     const QByteArray &netlist = "{\"modules\":{}}\n")
{
    QJsonObject json{{"name", "demo"},
                     {"device", devices().value(0)},
                     {"netlist", "../design/netlist.json"},
                     {"files", QJsonArray{"board.vep", "notes/readme.txt"}},
                     {"custom", "kept"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        json.insert(it.key(), it.value());
    const QString file = root.filePath(QStringLiteral("project/demo.vepproj"));
    writeFile(file, QJsonDocument(json).toJson());
    writeFile(root.filePath(QStringLiteral("design/netlist.json")), netlist);
    return file;
}

// The run's progress dialog is modal too and may or may not be up when the helper
// looks; the answer is for the message box that follows it.
void answerBoxAfterProgress(QString *informative, ModalSeen *seen)
{
    ModalHelper::onNextModal(
        [informative, seen](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box)
                return answerBoxAfterProgress(informative, seen);
            *informative = box->informativeText();
            box->button(QMessageBox::Ok)->click();
        },
        seen);
}

} // namespace

class tst_Studio : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(devices().size() >= 2, "the device database needs two devices");
        // The plug-in as the shell loads it: its save action and wizard join the host.
        QString error;
        QVERIFY2(ExtSys::PluginManager::instance()->loadPlugin(
                     QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so"), &error),
                 qPrintable(error));
    }

    void cleanup()
    {
        const bool strayModal = QApplication::activeModalWidget() != nullptr;
        ModalHelper::cancelPending();
        ModalHelper::closeStrayModals();
        QVERIFY(!strayModal);
        QVERIFY(!Core::ProjectManager::currentProject());
    }

    void cleanupTestCase() { ExtSys::PluginManager::instance()->shutdown(); }

    void openProject_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("errorPart"); // empty: the project opens
        // clang-format off
        QTest::newRow("project file")             << "project/demo.vepproj" << "";
        QTest::newRow("folder with one project")  << "project"      << "";
        QTest::newRow("folder without project")   << "design"       << "no project file";
        QTest::newRow("folder with two projects") << "two"          << "several project files";
        QTest::newRow("malformed JSON")           << "{\"name\": "  << "not a valid project file";
        QTest::newRow("JSON array")               << "[1, 2]"       << "holds no JSON object";
        QTest::newRow("missing file")             << "none.vepproj" << "Cannot read";
        // clang-format on
    }

    void openProject()
    {
        QFETCH(QString, layout);
        QFETCH(QString, errorPart);
        QTemporaryDir root;
        const QString file = writeProject(
            root, {{"cellLibrary", "../design/./cells.json"}, {"synthesis", "  yosys -s x.ys "}});
        QString path = root.filePath(layout);
        if (layout == "two" && writeFile(root.filePath("project/2.vepproj"), "{}"))
            path = root.filePath("project");
        else if ((layout.startsWith('{') || layout.startsWith('[')) &&
                 writeFile(file, layout.toUtf8()))
            path = file;

        QString error;
        QScopedPointer<Studio::StudioProject> project(Studio::StudioProject::open(path, &error));
        QCOMPARE(project.isNull(), !errorPart.isEmpty());
        QVERIFY2(error.contains(errorPart), qPrintable(error));
        if (!project)
            return;
        // Every path is relative to the project file.
        const QDir base(root.path());
        QCOMPARE(project->projectFile(), QDir::cleanPath(file));
        QCOMPARE(project->netlistPath(), base.filePath("design/netlist.json"));
        QCOMPARE(project->cellLibraryPath(), base.filePath("design/cells.json"));
        QCOMPARE(project->synthesisCommand(), QString("yosys -s x.ys"));
        QCOMPARE(project->files(), QStringList({base.filePath("project/board.vep"),
                                                base.filePath("project/notes/readme.txt")}));
    }

    void addFileStoresRelativePathsOnce()
    {
        QTemporaryDir root;
        const QString file = writeProject(root);
        QScopedPointer<Studio::StudioProject> project(Studio::StudioProject::open(file, nullptr));
        QVERIFY(project);
        QSignalSpy changed(project.data(), &Studio::StudioProject::filesChanged);
        QVERIFY(project->addFile(root.filePath("project/sub/power.vep")));
        QVERIFY(project->addFile(root.filePath("design/extra.vep")));
        QVERIFY(project->addFile(root.filePath("project/./sub/../sub/power.vep"))); // listed
        QCOMPARE(changed.count(), 2);
        const QJsonObject saved = readJson(file);
        QCOMPARE(saved.value("files").toArray().toVariantList(),
                 QVariantList(
                     {"board.vep", "notes/readme.txt", "sub/power.vep", "../design/extra.vep"}));
        QCOMPARE(saved.value("custom").toString(), QString("kept"));

        // The project folder vanishes under the open project: nothing changes.
        QVERIFY(QDir(root.filePath("project")).removeRecursively());
        QVERIFY(!project->addFile(root.filePath("project/new.vep")));
        QString error;
        QVERIFY(!project->setDevice(devices().value(1), &error));
        QVERIFY2(error.contains("Cannot write the project file"), qPrintable(error));
        QCOMPARE(project->device(), devices().value(0));
        QCOMPARE(project->files().size(), 4);
        QCOMPARE(changed.count(), 2);
    }

    void device_data()
    {
        QTest::addColumn<QString>("ofProject");
        QTest::addColumn<QString>("chosen"); // empty: none; "menu:" prefix: from the menu
        QTest::addColumn<QString>("expected");
        const QString first = devices().value(0), second = devices().value(1);
        // clang-format off
        QTest::newRow("the project's")           << second         << ""               << second;
        QTest::newRow("unknown to the database") << "NO-SUCH-CHIP" << ""               << first;
        QTest::newRow("chosen")                  << first          << second           << second;
        QTest::newRow("chosen from the menu")    << first          << "menu:" + second << second;
        QTest::newRow("chosen again")            << first          << first            << first;
        QTest::newRow("chosen but unknown")      << first          << "NO-SUCH-CHIP"   << first;
        // clang-format on
    }

    void device()
    {
        QFETCH(QString, ofProject);
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QString file = writeProject(root, {{"device", ofProject}});
        Studio::StudioWindow window;
        window.openFile(root.filePath("project")); // File > Open takes project folders too
        QVERIFY(window.project());
        EventRecorder recorder("TE.Device.Change");
        const QList<QAction *> actions = window.findChild<QMenu *>("menuDevice")->actions();
        for (QAction *action : actions)
            if ("menu:" + action->text() == chosen)
                action->trigger();
        if (!chosen.isEmpty() && !chosen.startsWith("menu:"))
            window.setDevice(chosen);

        const bool announced = !chosen.isEmpty() && expected != ofProject;
        QCOMPARE(recorder.events.size(), int(announced));
        QCOMPARE(window.device(), expected);
        QCOMPARE(TE::ProInfoManager::instance()->chipInfo().partNumber,
                 DEV::DeviceDatabase::instance()->chipInfo(expected).partNumber);
        QStringList shown, marked = devices();
        for (const QAction *action : actions)
            shown << action->text() + (action->isChecked() ? "*" : "");
        marked[marked.indexOf(expected)] += '*';
        QCOMPARE(shown, marked);
        // The file changes only when the user picks a device; other keys survive it.
        const QJsonObject saved = readJson(file);
        QCOMPARE(saved.value("device").toString(), announced ? expected : ofProject);
        QCOMPARE(saved.value("custom").toString(), QString("kept"));
    }

    void projectCellLibraryAppliesToItsNetlist()
    {
        // One flip-flop of a vendor cell type that the built-in table does not know.
        const QByteArray netlist = R"({"modules": {"top": {
            "cells": {"r": {"type": "VENDOR_FF", "port_directions": {"C": "input", "Q": "output"},
                            "connections": {"C": [2], "Q": [3]}}},
            "netnames": {"clk": {"bits": [2]}, "q": {"bits": [3]}}}}})";
        // The netlist the plug-in reads is the one the shell registered for the project.
        auto category = []() {
            QString path = TE::TaskEngine::instance()->flowManager()->resultFile("RES.netlist");
            QString error;
            QScopedPointer<NlsData::Netlist> read(NlsData::readNetlistFile(path, &error, false));
            return read && read->allPrimInstances().size() == 1
                       ? read->allPrimInstances().first()->category
                       : -1;
        };
        QTemporaryDir withLibrary, without;
        QVERIFY(writeFile(withLibrary.filePath("design/cells.json"),
                          R"({"cells": {"VENDOR_FF": {"category": 50, "primitive": 7}}})"));
        Studio::StudioWindow window;
        QVERIFY(window.openProject(
            writeProject(withLibrary, {{"cellLibrary", "../design/cells.json"}}, netlist)));
        QCOMPARE(category(), int(NlsData::CategoryFlipFlop));
        // The next project has no library of its own: the vendor type is unknown again.
        QVERIFY(window.openProject(writeProject(without, {}, netlist)));
        QCOMPARE(category(), 0);
    }

    void watcherReportsRealChangesOnly()
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

        // A removed netlist is no result; the next one is.
        QVERIFY(QFile::remove(netlist));
        QVERIFY(!watcher.checkNow());
        QVERIFY(writeFile(netlist, "{}"));
        QVERIFY(watcher.checkNow());
        QCOMPARE(changed.count(), 2);
    }

    void runner_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("report"); // a part of the error text and output tail
        const int ok = Studio::SynthesisRunner::Succeeded, failed = Studio::SynthesisRunner::Failed;
        // clang-format off
        QTest::newRow("success")    << "echo ran in $(basename \"$PWD\")" << "work" << ok
                                    << "ran in work";
        QTest::newRow("exit code")  << "echo 'syntax error' >&2; exit 3" << "work" << failed
                                    << "exit code 3.\nsyntax error";
        QTest::newRow("crash")      << "kill -9 $$" << "work" << failed << "crashed";
        QTest::newRow("no folder")  << "true"       << "gone" << failed << "Cannot start";
        QTest::newRow("no command") << "   "        << "work" << failed << "no synthesis command";
        // Would run for a minute if Cancel did not kill it.
        QTest::newRow("canceled")   << "sleep 60"   << "work"
                                    << int(Studio::SynthesisRunner::Canceled) << "canceled";
        // clang-format on
    }

    void runner()
    {
        QFETCH(QString, command);
        QFETCH(QString, folder);
        QFETCH(int, result);
        QFETCH(QString, report);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir("work"));
        ModalSeen seen;
        if (result == Studio::SynthesisRunner::Canceled) {
            ModalHelper::onNextModal(
                [](QWidget *progress) {
                    if (auto *cancel = progress->findChild<QPushButton *>())
                        cancel->click();
                },
                &seen);
        }
        Studio::SynthesisRunner runner;
        QCOMPARE(int(runner.run(nullptr, command, root.filePath(folder))), result);
        const QString said = runner.errorText() + '\n' + runner.outputTail();
        QVERIFY2(said.contains(report), qPrintable(said));
        QCOMPARE(seen.className, QString(seen.shown ? "QProgressDialog" : ""));
    }

    void synthesisAnnouncement_data()
    {
        QTest::addColumn<QString>("command"); // empty: the netlist changes on disk instead
        QTest::addColumn<QString>("failure"); // the box's text, then its informative text
        QTest::addColumn<QStringList>("events");
        // The command reaches ../design only from the project folder, where it must run.
        // clang-format off
        QTest::newRow("run succeeds") << "echo '{}' > ../design/netlist.json" << ""
                                      << QStringList{SynthesisDone};
        QTest::newRow("run fails")    << "echo 'ERROR: top.v:3 bad token'; exit 4"
                                      << "exit code 4.\nERROR: top.v:3 bad token" << QStringList();
        QTest::newRow("netlist changed on disk") << "" << "" << QStringList{SynthesisDone};
        // clang-format on
    }

    void synthesisAnnouncement()
    {
        QFETCH(QString, command);
        QFETCH(QString, failure);
        QFETCH(QStringList, events);
        QTemporaryDir root;
        Studio::StudioWindow window;
        QVERIFY(window.openProject(writeProject(root, {{"synthesis", command}})));
        QAction *run = window.findChild<QAction *>("actionRunSynthesis");
        QCOMPARE(run->isEnabled(), !command.isEmpty());
        EventRecorder recorder("TE.Process.Status.Change");
        QString informative;
        ModalSeen seen;
        if (command.isEmpty()) {
            QVERIFY(writeFile(window.project()->netlistPath(), "{\"modules\": {\"top\": {}}}"));
            QVERIFY(window.netlistWatcher()->checkNow());
        } else {
            if (!failure.isEmpty())
                answerBoxAfterProgress(&informative, &seen);
            run->trigger();
            // The watcher knows the shell's own result already: no second announcement.
            QVERIFY(!window.netlistWatcher()->checkNow());
        }
        QCOMPARE(recorder.events, events);
        QCOMPARE(seen.shown, !failure.isEmpty());
        if (seen.shown) {
            QCOMPARE(seen.title, QString("Synthesis Failed"));
            QCOMPARE(seen.icon, QMessageBox::Critical);
            QVERIFY2((seen.text + '\n' + informative).contains(failure), qPrintable(informative));
        }
    }

    void closingViews_data()
    {
        QTest::addColumn<QString>("action"); // "project": open another project
        QTest::addColumn<QStringList>("refusing");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("left");
        const QStringList both{"a.vep", "b.vep"}, a{"a.vep"}, b{"b.vep"}, none;
        QTest::newRow("quit") << "actionQuit" << none << both << none;
        QTest::newRow("quit, one refuses") << "actionQuit" << b << both << b;
        QTest::newRow("close") << "actionClose" << none << b << a;
        QTest::newRow("close refused") << "actionClose" << b << b << both;
        QTest::newRow("other project") << "project" << none << both << none;
        QTest::newRow("other project, one refuses") << "project" << a << a << both;
    }

    void closingViews()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, refusing);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, left);
        QTemporaryDir first, second;
        Studio::StudioWindow window;
        window.show();
        QVERIFY(window.openProject(writeProject(first)));
        QAction *close = window.findChild<QAction *>("actionClose");
        CloseLog log{{}, refusing};
        Core::ViewManager *views = Core::ViewManager::instance();
        views->showView(new PromptingView("a.vep", &log));
        views->showView(new PromptingView("b.vep", &log));

        if (action == "project")
            QCOMPARE(window.openProject(writeProject(second)), left.isEmpty());
        else
            window.findChild<QAction *>(action)->trigger();
        QCOMPARE(log.asked, asked);
        QStringList titles;
        const QList<Core::IView *> open = views->views();
        for (const Core::IView *view : open)
            titles << view->shortTitle();
        QCOMPARE(titles, left);
        QCOMPARE(close->isEnabled(), !left.isEmpty());
        QCOMPARE(window.isVisible(), action != "actionQuit" || !left.isEmpty());
        // A refused switch keeps the project, for the shell and the IDE alike.
        QCOMPARE(Core::ProjectManager::currentProject(), window.project());
        QCOMPARE(window.project()->directory().startsWith(second.path()),
                 action == "project" && left.isEmpty());
        log.refusing.clear();
        QVERIFY(window.closeAllViews());
    }

    void openTextFile()
    {
        QTemporaryDir root;
        QVERIFY(writeFile(root.filePath("top.v"), "module top;\nendmodule\n"));
        QVERIFY(writeFile(root.filePath("large.txt"),
                          QByteArray(int(Studio::TextFileView::MaxFileSize) + 1, 'x')));
        Studio::StudioWindow window;
        Core::ViewManager *views = Core::ViewManager::instance();
        // The same file by another spelling brings the same view forward; a file too
        // large or missing opens nothing.
        for (const QString name : {"top.v", "sub/../top.v", "large.txt", "missing.txt"})
            window.openFile(root.filePath(name));
        QCOMPARE(views->views().size(), 1);
        auto *view = qobject_cast<Studio::TextFileView *>(views->currentView());
        QVERIFY(view);
        auto *text = view->findChild<QPlainTextEdit *>();
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->toPlainText(), QString("module top;\nendmodule\n"));
        QVERIFY(window.closeAllViews());
    }

    // What a person does with the shell: open the example project, create a file with
    // File > New, open the example's file from the panel, save it with Ctrl+S, see the
    // banner after Run Synthesis and quit through the save prompt.
    void newEditSaveAndQuitTheExample()
    {
        QTemporaryDir root;
        const QDir examples(QStringLiteral(VEP_SOURCE_DIR "/examples"));
        for (const QString name : {"project/example.vepproj", "project/board.vep",
                                   "design/netlist.json", "design/cells.json"}) {
            QVERIFY(QDir(root.path()).mkpath(QFileInfo(name).path()));
            QVERIFY2(QFile::copy(examples.filePath(name), root.filePath(name)), qPrintable(name));
        }
        // Synthesis stands in for the real tool: the netlist changes, as with a new result.
        const QString projectFile = root.filePath("project/example.vepproj");
        QJsonObject json = readJson(projectFile);
        json.insert("synthesis", "echo >> ../design/netlist.json");
        QVERIFY(writeFile(projectFile, QJsonDocument(json).toJson()));
        const QString board = root.filePath("project/board.vep");
        const QString fresh = root.filePath("project/fresh.vep");
        Studio::StudioWindow window;
        window.show();
        QVERIFY(window.openProject(projectFile));
        Core::ViewManager *views = Core::ViewManager::instance();

        ModalHelper::acceptNextDialog([](QDialog *) {
            ModalHelper::onNextModal([](QWidget *modal) {
                if (auto *name = modal->findChild<QLineEdit *>("editName"))
                    name->setText("fresh");
                auto *dialog = qobject_cast<QDialog *>(modal);
                dialog->accept();
                if (dialog->isVisible()) // refused: fail instead of hanging
                    dialog->reject();
            });
        });
        window.findChild<QAction *>("actionNew")->trigger();
        QCOMPARE(window.filesPanel()->shownFiles(), QStringList({board, fresh}));
        window.openFile(fresh);
        auto *view = qobject_cast<ZEL::ZELView *>(views->currentView());
        QVERIFY(view && view->tabWidget()->count() == 3);
        view->setModified(false); // the prompt is the last step's business
        window.findChild<QAction *>("actionClose")->trigger();

        auto *list = window.filesPanel()->findChild<QListWidget *>("listFiles");
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Return);
        view = qobject_cast<ZEL::ZELView *>(views->currentView());
        QVERIFY(view && views->views().size() == 1);

        // The File menu's Save is the IDE command that follows the plug-in's action.
        QAction *save = Core::ActionManager::command("Core.Action.Save");
        QVERIFY(window.findChild<QMenu *>("menuFile")->actions().contains(save));
        view->setModified(true);
        QVERIFY2(save->isEnabled() && save->text().contains("board.vep"), qPrintable(save->text()));
        QVERIFY(QFile::resize(board, 0));
        QApplication::setActiveWindow(&window); // shortcuts need it; the dialogs took it
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!view->isModified());
        // The example is kept in the form the editor writes: saving it gives it back.
        QFile saved(board), original(examples.filePath("project/board.vep"));
        QVERIFY(saved.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QCOMPARE(bytes, original.readAll());

        // The view re-reads the new netlist from the event loop and says so.
        auto bannerShown = [view]() {
            return view->changedBanner() && view->changedBanner()->isVisible();
        };
        QVERIFY(!bannerShown());
        window.findChild<QAction *>("actionRunSynthesis")->trigger();
        for (int pass = 0; pass < 20 && !bannerShown(); ++pass)
            QCoreApplication::processEvents();
        QVERIFY(bannerShown());

        // Quit asks about unsaved changes; Discard lets the shell go without writing.
        view->setModified(true);
        ModalSeen seen;
        ModalHelper::answerMessageBox(QMessageBox::Discard, &seen);
        QVERIFY(window.close());
        QVERIFY2(seen.text.contains("Save changes to"), qPrintable(seen.text));
        QVERIFY(views->views().isEmpty());
        QVERIFY(saved.seek(0));
        QCOMPARE(saved.readAll(), bytes);
    }
};

QTEST_MAIN(tst_Studio)
#include "tst_studio.moc"
