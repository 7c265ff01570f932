#include "studio/NetlistWatcher.h"
#include "studio/ProjectFilesPanel.h"
#include "studio/StudioProject.h"
#include "studio/StudioWindow.h"
#include "studio/SynthesisRunner.h"
#include "tests/support/Fixture.h"
#include "tests/support/ModalHelper.h"

#include "document/ZELView.h"
#include "host/core.h"
#include "host/dev.h"
#include "host/NetlistCache.h"
#include "host/extsys.h"
#include "host/nlsdata.h"
#include "host/qutil.h"
#include "host/te.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

// Counts the events of one type; unsubscribed by the handler's own destructor.
struct EventCounter : QUtil::IEventHandler {
    explicit EventCounter(const QString &type)
    {
        QUtil::EventManager::instance()->subscribe(this, type);
    }
    void handleIEvent(const QUtil::IEvent *) override { ++count; }
    int count = 0;
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

} // namespace

class tst_Studio : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(devices().size() >= 2, "the device database needs two devices");
        // The plug-in as the shell loads it: its save action and wizard join the host.
        QVERIFY(TestSupport::loadPlugin());
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
        QTest::newRow("no netlist named")         << "{}"           << "";
        // clang-format on
    }

    void openProject()
    {
        QFETCH(QString, layout);
        QFETCH(QString, errorPart);
        QTemporaryDir root;
        const QString file = writeProject(root);
        QString path = root.filePath(layout);
        if (layout == "two" && writeFile(root.filePath("project/2.vepproj"), "{}"))
            path = root.filePath("project");
        else if (layout.contains(QRegularExpression("^[{[]")) && writeFile(file, layout.toUtf8()))
            path = file;
        QString error;
        QScopedPointer<Studio::StudioProject> project(Studio::StudioProject::open(path, &error));
        QCOMPARE(project.isNull(), !errorPart.isEmpty());
        QVERIFY2(error.contains(errorPart), qPrintable(error));
        if (project) // every path is relative to the project file
            QCOMPARE(project->netlistPath(),
                     layout == "{}" ? QString()
                                    : QDir(root.path()).filePath("design/netlist.json"));
    }

    // A changed netlist file is announced once, and a copy read before the check is stale
    // even when the file has not changed since.
    void watcherAnnouncesChangedNetlist()
    {
        QTemporaryDir root;
        const QString netlist = root.filePath("netlist.json");
        QVERIFY(writeFile(netlist, "{}"));
        Studio::NetlistWatcher watcher;
        QSignalSpy changed(&watcher, &Studio::NetlistWatcher::netlistChanged);
        watcher.setPath(netlist);
        QVERIFY(!watcher.checkNow());
        QVERIFY(writeFile(netlist, R"({"modules": {"top": {}}})"));
        QString error;
        std::unique_ptr<NlsData::Netlist> held(
            NlsData::NetlistCache::instance().open(netlist, &error));
        QVERIFY2(held, qPrintable(error));
        QVERIFY(watcher.checkNow());
        QVERIFY(!std::unique_ptr<NlsData::Netlist>(
            NlsData::NetlistCache::instance().openCached(netlist)));
        QVERIFY(!watcher.checkNow());
        // A removed netlist is no result; the next one is.
        QVERIFY(QFile::remove(netlist));
        QVERIFY(!watcher.checkNow());
        QVERIFY(writeFile(netlist, "{}"));
        QVERIFY(watcher.checkNow());
        QCOMPARE(changed.count(), 2);
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
        EventCounter announcements("TE.Device.Change");
        const QList<QAction *> actions = window.findChild<QMenu *>("menuDevice")->actions();
        for (QAction *action : actions)
            if ("menu:" + action->text() == chosen)
                action->trigger();
        if (!chosen.isEmpty() && !chosen.startsWith("menu:"))
            window.setDevice(chosen);

        const bool announced = !chosen.isEmpty() && expected != ofProject;
        QCOMPARE(announcements.count, int(announced));
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
};

QTEST_MAIN(tst_Studio)
#include "tst_studio.moc"
