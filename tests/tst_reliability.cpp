#include "studio/ChangedOnDiskBar.h"
#include "studio/OpenFileWatcher.h"
#include "studio/StudioWindow.h"
#include "tests/support/ModalHelper.h"

#include "document/ZELView.h"
#include "host/core.h"
#include "host/extsys.h"
#include "plugin/ZELViewManager.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using TestSupport::ModalHelper;

namespace {

const QString Examples = QStringLiteral(VEP_SOURCE_DIR "/examples/");

// The example file as the editor writes it, with another ambient temperature.
QByteArray boardWith(int ambient)
{
    QFile file(Examples + "project/board.vep");
    file.open(QIODevice::ReadOnly);
    return file.readAll().replace("<AmbientTemp>40<",
                                  "<AmbientTemp>" + QByteArray::number(ambient) + '<');
}

// The example project with a second file in the shell; board.vep is current, on its
// clock page, in the first tab. The views are closed unmodified, so nothing prompts.
struct Fixture {
    QTemporaryDir root;
    Studio::StudioWindow window;
    const QString board = root.filePath("project/board.vep");
    Fixture()
    {
        for (const QString name : {"project/example.vepproj", "project/board.vep",
                                   "design/netlist.json", "design/cells.json"}) {
            QDir(root.path()).mkpath(QFileInfo(name).path());
            QFile::copy(Examples + name, root.filePath(name));
        }
        QFile::copy(board, root.filePath("project/other.vep"));
        window.openProject(root.filePath("project/example.vepproj"));
        for (const QString &file : {board, root.filePath("project/other.vep"), board})
            window.openFile(file);
        view()->tabWidget()->setCurrentIndex(2);
        window.openFileWatcher()->setSettleDelay(3600 * 1000); // the tests settle it
    }
    ~Fixture()
    {
        for (ZEL::ZELView *open : ZEL::ZELViewManager::instance()->zelViews())
            open->setModified(false);
        window.closeAllViews();
    }
    ZEL::ZELView *view() const
    {
        return qobject_cast<ZEL::ZELView *>(Core::ViewManager::instance()->currentView());
    }
    QDoubleSpinBox *ambient() const { return view()->findChild<QDoubleSpinBox *>("spinAmbTemp"); }
    void save() const { Core::ActionManager::command("Core.Action.Save")->trigger(); }
};

} // namespace

class tst_Reliability : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(ExtSys::PluginManager::instance()->loadPlugin(
            VEP_PLUGIN_DIR "/libZELSettingPlugin.so", nullptr));
    }
    void cleanup() { ModalHelper::cancelPending(); }
    void cleanupTestCase() { ExtSys::PluginManager::instance()->shutdown(); }

    // Each case ends with the save command on the board's view.
    void changedOnDisk_data()
    {
        QTest::addColumn<bool>("edited");     // ambient temperature 20 in the view first
        QTest::addColumn<QString>("outside"); // the steps that change the file meanwhile
        QTest::addColumn<QString>("answer");  // a button of the bar, or "ask": the save asks
        QTest::addColumn<QString>("lock");    // the folder forbids the temporary file; full disk
        QTest::addColumn<int>("ambient");     // in the view and in the file at the end
        QTest::addColumn<QString>("status");
        const auto row = [](const char *name, bool edited, const char *outside, const char *answer,
                            const char *lock, int ambient, const char *status) {
            QTest::newRow(name) << edited << QString(outside) << QString(answer) << QString(lock)
                                << ambient << QString(status);
        };
        const char *reread = "changed on disk and was read again";
        row("no edits: read again", false, "55", "", "", 55, reread);
        row("burst: read once", false, "41 42 55", "", "", 55, reread);
        row("Reload", true, "55", "btnReload", "", 55, reread);
        row("Keep mine", true, "55", "btnKeepMine", "", 20, "");
        row("bar up: save asks", true, "55", "ask", "", 20, "");
        row("deleted", false, "delete", "", "", 40, "deleted or renamed");
        row("own save", true, "save", "", "", 20, "");
        row("own save, then theirs", true, "save 55", "", "", 55, reread);
        row("locked folder: in place", true, "", "", "locked", 20,
            "saved in place, not atomically");
        row("locked folder, disk full", true, "", "", "full", 20, "");
    }
    void changedOnDisk()
    {
        QFETCH(bool, edited);
        QFETCH(QString, outside);
        QFETCH(QString, answer);
        QFETCH(QString, lock);
        QFETCH(int, ambient);
        QFETCH(QString, status);
        Fixture f;
        Studio::OpenFileWatcher *watcher = f.window.openFileWatcher();
        QSignalSpy noticed(watcher, &Studio::OpenFileWatcher::changeNoticed);
        QSignalSpy messages(watcher, &Studio::OpenFileWatcher::message);
        if (edited)
            f.ambient()->setValue(20);
        for (const QString &step : outside.split(' ', Qt::SkipEmptyParts)) {
            QFile file(f.board);
            if (step == "delete")
                QVERIFY(file.remove());
            else if (step == "save")
                f.save();
            else
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(boardWith(step.toInt())));
            file.close();
            QVERIFY(noticed.wait()); // pumps the event loop until the change is seen
            // Nothing is read while the file may still be being written.
            QVERIFY(watcher->isSettling() && messages.isEmpty());
            QCOMPARE(f.ambient()->value(), edited ? 20. : 40.);
        }
        watcher->checkNow();
        Studio::ChangedOnDiskBar *bar = watcher->changedBar(f.board);
        QCOMPARE(bar && !bar->isHidden(), !answer.isEmpty());
        QCOMPARE(f.view()->isModified(),
                 (edited && !outside.startsWith("save")) || outside == "delete");
        if (answer.startsWith("btn"))
            bar->findChild<QPushButton *>(answer)->click();

        // Root ignores permissions: the save then runs under the file-system identity of
        // "nobody", who owns the file but not its folder. A size limit fills the disk.
        const QByteArray folder = QFileInfo(f.board).absolutePath().toLocal8Bit();
        const bool root = geteuid() == 0, locked = !lock.isEmpty();
        QVERIFY(!locked ||
                ((!root || chown(qPrintable(f.board), 65534, 65534) == 0) &&
                 chmod(qPrintable(f.root.path()), 0755) == 0 && chmod(folder, 0555) == 0));
        if (locked && root)
            setfsgid(65534), setfsuid(65534);
        const bool lockHolds = !locked || !QFile(folder + "/probe").open(QIODevice::WriteOnly);
        rlimit normal{};
        getrlimit(RLIMIT_FSIZE, &normal);
        const rlimit limit{lock == "full" ? 16 : normal.rlim_cur, normal.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed test
        setrlimit(RLIMIT_FSIZE, &limit);
        TestSupport::ModalSeen seen;
        ModalHelper::answerMessageBox(answer == "ask" ? QMessageBox::Save : QMessageBox::Ok, &seen);
        if (lockHolds)
            f.save();
        setrlimit(RLIMIT_FSIZE, &normal);
        setfsuid(geteuid()), setfsgid(getegid());
        chmod(folder, 0755);
        if (!lockHolds)
            QSKIP("The folder could not be locked: privileges could not be dropped.");

        QCOMPARE(seen.shown, answer == "ask" || lock == "full");
        QCOMPARE(f.ambient()->value(), double(ambient));
        QCOMPARE(f.view()->isModified(), lock == "full");
        QCOMPARE(f.view()->savedInPlace(), lock == "locked");
        QFile saved(f.board);
        QVERIFY(lock == "full" ||
                (saved.open(QIODevice::ReadOnly) && saved.readAll() == boardWith(ambient)));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 3); // no temporary
        QCOMPARE(messages.count(), status.isEmpty() ? 0 : 1);
        QVERIFY(f.window.statusBar()->currentMessage().contains(status));
        // A view read again keeps its tab and its page.
        QCOMPARE(Core::ViewManager::instance()->viewArea()->indexOf(f.view()), 0);
        QCOMPARE(f.view()->tabWidget()->currentIndex(), 2);
    }
};

QTEST_MAIN(tst_Reliability)
#include "tst_reliability.moc"
