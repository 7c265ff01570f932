// The plug-in as the IDE loads it (entry points, metadata, type checks, start-up and
// shutdown, icons), the new-file wizard with its dialog, and the view manager: how the IDE
// opens configuration files (each failure ends in one message and no view), one view per
// file, closing by path, and the save action that follows the active view.

#include "host/core.h"
#include "document/ZELView.h"
#include "host/dev.h"
#include "host/extsys.h"
#include "host/nlsdata.h"
#include "host/te.h"
#include "plugin/NewFileDialog.h"
#include "plugin/ZELSettingPlugin.h"
#include "plugin/ZELViewManager.h"
#include "support/Fixture.h"
#include "support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

using namespace TestSupport;

namespace {

const QByteArray kEmptyFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>
<Config/>)";
const char kPluginPath[] = VEP_PLUGIN_DIR "/libZELSettingPlugin.so";

template <class T> T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

Core::IWizardFactory *wizardFactory()
{
    for (auto *factory : ExtSys::PluginManager::instance()->getObjects<Core::IWizardFactory>()) {
        if (factory->id() == QLatin1String("MC.Wizard.ZEL"))
            return factory;
    }
    return nullptr;
}

// Its voltages fit the chip, so a view opens on it unmodified.
const QByteArray kFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>
<Config><VCC>1</VCC><VCCX>3.3</VCCX><VCC_LDO>1.8</VCC_LDO></Config>)";

void setChip(const QString &device)
{
    TE::ProInfoManager::instance()->setChipInfo(DEV::DeviceDatabase::instance()->chipInfo(device));
}

void openView(const QString &path)
{
    ZEL::ZELViewManager::openView(DEV::DeviceArg(QStringLiteral("PX-A")), path);
}

Core::ViewManager *host()
{
    return Core::ViewManager::instance();
}

ZEL::ZELView *openFile(const QString &path)
{
    openView(path);
    return qobject_cast<ZEL::ZELView *>(host()->currentView());
}

QList<ZEL::ZELView *> zelViews()
{
    return ZEL::ZELViewManager::instance()->zelViews();
}

// The plug-in's one action, as "on|off <text>".
QString saveAction()
{
    const QList<QAction *> actions = ZEL::ZELViewManager::instance()->findChildren<QAction *>();
    if (actions.size() != 1)
        return QStringLiteral("%1 actions").arg(actions.size());
    return (actions.first()->isEnabled() ? "on " : "off ") + actions.first()->text();
}

} // namespace

class TestPlugin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // In this order: started, then used, then shut down at the end.
    void startRegistersWizardAndAction();
    void dialogAccept_data();
    void dialogAccept();
    void openViewFailures_data();
    void openViewFailures();
    void oneViewPerFile_data();
    void oneViewPerFile();
    void saveActionFollowsActiveView();
    void shutdownDestroysManager();

private:
    QString tmpPath(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
    const QString m_startDir = QDir::currentPath();
};

void TestPlugin::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(QFile::copy(QStringLiteral(VEP_SOURCE_DIR "/tests/data/document/netlist.json"),
                        tmpPath(QStringLiteral("netlist.json"))));
    TE::TaskEngine::instance()->flowManager()->setResultFile(
        QStringLiteral("RES.netlist"), tmpPath(QStringLiteral("netlist.json")));
    setChip(QStringLiteral("PX-A"));
    QVERIFY(writeBytes(tmpPath(QStringLiteral("board.vep")), kFile));
    QVERIFY(writeBytes(tmpPath(QStringLiteral("other.vep")), kFile));
    QDir::setCurrent(m_dir->path());
}

void TestPlugin::cleanup()
{
    cleanupViewsAndModals();
    QVERIFY(!ZEL::ZELViewManager::instance() || zelViews().isEmpty());
    QDir::setCurrent(m_startDir);
}

void TestPlugin::startRegistersWizardAndAction()
{
    QVERIFY(!wizardFactory());
    QString error;
    ExtSys::IPlugin *plugin =
        ExtSys::PluginManager::instance()->loadPlugin(QLatin1String(kPluginPath), &error);
    QVERIFY2(qobject_cast<ZEL::ZELSettingPlugin *>(plugin), qPrintable(error));

    const QList<QAction *> actions = ZEL::ZELViewManager::instance()->findChildren<QAction *>();
    QCOMPARE(actions.size(), 1);
    QVERIFY(!actions.first()->isEnabled());
    QVERIFY(!Core::ActionManager::command(QStringLiteral("Core.Action.Save"))->isEnabled());
    QVERIFY(qobject_cast<Core::IFileWizardFactory *>(wizardFactory()));
}

void TestPlugin::dialogAccept_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dir");     // %1: the temporary directory, as in the next ones
    QTest::addColumn<QString>("message"); // in the dialog
    QTest::addColumn<QString>("created"); // empty when nothing may be written
    QTest::addColumn<QString>("box");     // the start of an error box's text
    const auto row = [](const char *tag, const char *name, const char *dir, const char *message,
                        const char *created, const char *box = "") {
        QTest::newRow(tag) << QString(name) << QString(dir) << QString(message) << QString(created)
                           << QString(box);
    };
    row("plain", "power", "%1/work", "", "%1/work/power.vep");
    row("missing parents", "p", "%1/a/b/c", "", "%1/a/b/c/p.vep");
    row("leading blanks", "lead", "  %1", "", "%1/lead.vep");
    row("no name", "", "%1", "Please enter a name.", "");
    row("no dir", "power", "", "Please enter a path.", "");
    row("dir under a file", "x", "%1/file.txt/sub", "Cannot make the path %1/file.txt/sub.", "");
    row("exists", "taken", "%1", "File %1/taken.vep already exists.", "");
    // It passes the existence check but must not be written through.
    row("dangling link", "link", "%1", "", "", "Can not create file %1/link.vep\n");
}

void TestPlugin::dialogAccept()
{
    QFETCH(QString, name);
    QFETCH(QString, dir);
    QFETCH(QString, message);
    QFETCH(QString, created);
    QFETCH(QString, box);
    const QString root = m_dir->path();
    const auto fill = [&root](QString pattern) { return pattern.replace("%1", root); };
    QVERIFY(QFile(tmpPath(QStringLiteral("file.txt"))).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(tmpPath(QStringLiteral("elsewhere.vep")), tmpPath("link.vep")));
    QFile taken(tmpPath(QStringLiteral("taken.vep")));
    QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("keep me") == 7);
    taken.close();
    // A directory with leading blanks is created, as typed, relative to the current one.
    const QString startDir = QDir::currentPath();
    QDir::setCurrent(root);

    ZEL::NewFileDialog dialog(root, nullptr);
    child<QLineEdit>(&dialog, "editName")->setText(name);
    child<QLineEdit>(&dialog, "editCreateIn")->setText(fill(dir));
    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    dialog.accept();
    QDir::setCurrent(startDir);

    QCOMPARE(child<QLabel>(&dialog, "labelInfo")->text(), fill(message));
    QCOMPARE(dialog.result(), int(created.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
    if (!created.isEmpty())
        QCOMPARE(readBytes(fill(created)), kEmptyFile);
    QCOMPARE(readBytes(taken.fileName()), QByteArray("keep me"));
    QVERIFY(!QFile::exists(tmpPath(QStringLiteral("elsewhere.vep"))));
    // An error box names the file natively, then gives the file's own error text.
    const QString boxStart = QDir::toNativeSeparators(fill(box));
    QCOMPARE(seen.title, QString(box.isEmpty() ? "" : "Error"));
    QCOMPARE(seen.text.left(boxStart.size()), boxStart);
    QCOMPARE(seen.text.size() > boxStart.size(), !box.isEmpty());
}

void TestPlugin::shutdownDestroysManager()
{
    ExtSys::PluginManager::instance()->shutdown();
    QVERIFY(ZEL::ZELViewManager::instance() == nullptr);
    QVERIFY(!wizardFactory());
}

void TestPlugin::openViewFailures_data()
{
    QTest::addColumn<QString>("file");    // in the temporary directory; empty: no path
    QTest::addColumn<QString>("netlist"); // in the temporary directory
    QTest::addColumn<QString>("chip");
    QTest::addColumn<QString>("box"); // "title: text", %1 the file's native path

    const char *badNetlist =
        "Error: Netlist file does not exist or some errors are in the netlist file.";
    row("empty path", "", "netlist.json", "PX-A", ": ");
    row("missing file", "sub/missing.vep", "netlist.json", "PX-A",
        "Warning: Can not open %1, file does not exist.");
    row("netlist missing", "board.vep", "none.json", "PX-A", badNetlist);
    row("netlist broken", "board.vep", "other.vep", "PX-A", badNetlist);
    row("chip without voltages", "board.vep", "netlist.json", "UX-6",
        "Error: get Voltage Info Fail.");
    row("not a configuration file", "netlist.json", "netlist.json", "PX-A",
        "Error: Can not open %1:\nInvalid VEP file.");
}

// A warning for a file that is not there, a critical box for every other failure.
void TestPlugin::openViewFailures()
{
    QFETCH(QString, file);
    QFETCH(QString, netlist);
    QFETCH(QString, chip);
    QFETCH(QString, box);
    TE::TaskEngine::instance()->flowManager()->setResultFile(QStringLiteral("RES.netlist"),
                                                             tmpPath(netlist));
    setChip(chip);
    const QString path = file.isEmpty() ? QString() : tmpPath(file);

    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    openView(path);
    QCOMPARE(seen.title + ": " + seen.text, box.replace("%1", QDir::toNativeSeparators(path)));
    QCOMPARE(seen.icon, seen.title == "Error"     ? QMessageBox::Critical
                        : seen.title == "Warning" ? QMessageBox::Warning
                                                  : QMessageBox::NoIcon);

    // No view is left, not even one waiting for deletion.
    QVERIFY(zelViews().isEmpty());
    QVERIFY(host()->views().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget *widget : QApplication::allWidgets())
        QVERIFY(!qobject_cast<ZEL::ZELView *>(widget));
}

void TestPlugin::oneViewPerFile_data()
{
    QTest::addColumn<QString>("first"); // %1: the temporary directory, %2: its name
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("same"); // the second names the file of the first
    QTest::newRow("relative, then absolute") << "board.vep" << QString("%1/board.vep") << true;
    QTest::newRow("absolute, then relative") << "%1/board.vep" << QString("./board.vep") << true;
    QTest::newRow("with dot-dot") << "%1/board.vep" << QString("%1/../%2/board.vep") << true;
    QTest::newRow("other file") << "%1/board.vep" << QString("%1/nothing.vep") << false;
    QTest::newRow("letter case") << "%1/board.vep" << QString("%1/Board.vep") << false;
    QTest::newRow("empty") << "%1/board.vep" << QString() << false;
}

// Opening again by another form of the path shows the first view and reads nothing;
// closing by any form of the path closes it.
void TestPlugin::oneViewPerFile()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, same);
    const auto fill = [this](QString path) {
        return path.replace(QLatin1String("%1"), m_dir->path())
            .replace(QLatin1String("%2"), QFileInfo(m_dir->path()).fileName());
    };
    QPointer<ZEL::ZELView> view(openFile(fill(first)));
    QVERIFY(view);
    QCOMPARE(view->file(), tmpPath(QStringLiteral("board.vep")));
    QCOMPARE(view->getNetlist()->topModuleName(), QStringLiteral("board_top"));
    ZEL::ZELView *other = openFile(tmpPath(QStringLiteral("other.vep")));
    QVERIFY(other && other != view);
    if (same) {
        // A read would fail on this content and would clear the modified state.
        view->setModified(true);
        QVERIFY(writeBytes(tmpPath(QStringLiteral("board.vep")), "not a configuration file"));
        ModalHelper::answerMessageBox(QMessageBox::Ok); // a wrong read fails, not hangs
        openView(fill(second));
        QCOMPARE(zelViews(), (QList<ZEL::ZELView *>{view, other}));
        QCOMPARE(host()->currentView(), view.data());
        QVERIFY(view->isModified());
        view->setModified(false);
    }

    ZEL::ZELViewManager::closeView(fill(second));
    using Views = QList<ZEL::ZELView *>;
    QCOMPARE(zelViews(), (same ? Views{other} : Views{view, other}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(view.isNull(), same);
}

void TestPlugin::saveActionFollowsActiveView()
{
    const QString boardPath = tmpPath(QStringLiteral("board.vep"));
    ZEL::ZELView *board = openFile(boardPath);
    QVERIFY(board);
    QCOMPARE(saveAction(), QStringLiteral("off &Save \"board.vep\""));

    // The view signals before it retitles itself, so the text still lacks the marker.
    board->setModified(true);
    QCOMPARE(saveAction(), QStringLiteral("on &Save \"board.vep\""));
    QCOMPARE(board->windowTitle(), QStringLiteral("board.vep*"));

    // The IDE's save command reaches the active view's action.
    Core::ActionManager::command(QStringLiteral("Core.Action.Save"))->trigger();
    QVERIFY(!board->isModified());
    QFile saved(boardPath);
    QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("<Version>1.0</"));
    QCOMPARE(saveAction(), QStringLiteral("off &Save \"board.vep*\""));

    // Another kind of view disables the action; coming back refreshes it.
    auto *plain = new Core::IView;
    host()->showView(plain);
    board->setModified(true);
    QCOMPARE(saveAction(), QStringLiteral("off &Save \"board.vep*\""));
    host()->showView(board);
    QCOMPARE(saveAction(), QStringLiteral("on &Save \"board.vep*\""));
    QCOMPARE(ZEL::ZELViewManager::instance()->findChild<QAction *>()->toolTip(),
             QStringLiteral("Save \"board.vep*\""));

    // Edits in a view that is not active leave the action alone.
    ZEL::ZELView *other = openFile(tmpPath(QStringLiteral("other.vep")));
    QVERIFY(other);
    other->setModified(true);
    board->setModified(false);
    QCOMPARE(saveAction(), QStringLiteral("on &Save \"other.vep\""));

    // Closing another view keeps the action; the closed notification refreshes its text
    // from the active view's title. Closing the active view disables it.
    QVERIFY(host()->closeView(board));
    QCOMPARE(zelViews(), QList<ZEL::ZELView *>{other});
    QCOMPARE(saveAction(), QStringLiteral("on &Save \"other.vep*\""));
    other->setModified(false);
    QVERIFY(host()->closeView(other));
    QVERIFY(saveAction().startsWith(QLatin1String("off ")));
}

QTEST_MAIN(TestPlugin)
#include "tst_plugin.moc"
