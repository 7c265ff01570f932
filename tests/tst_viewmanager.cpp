// The view manager: how the IDE opens configuration files (each failure ends in one
// message and no view), one view per file, closing by path, and the save action
// that follows the active view.

#include "document/ZELView.h"
#include "host/core.h"
#include "host/dev.h"
#include "host/extsys.h"
#include "host/nlsdata.h"
#include "host/te.h"
#include "plugin/ZELViewManager.h"
#include "support/ModalHelper.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

// Its voltages fit the chip, so a view opens on it unmodified.
const QByteArray kFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>
<Config><VCC>1</VCC><VCCX>3.3</VCCX><VCC_LDO>1.8</VCC_LDO></Config>)";

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

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

class TestViewManager : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openViewFailures_data();
    void openViewFailures();
    void oneViewPerFile_data();
    void oneViewPerFile();
    void saveActionFollowsActiveView();

private:
    QString tmpPath(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startDir;
};

void TestViewManager::initTestCase()
{
    m_startDir = QDir::currentPath();
    QString error;
    QVERIFY2(ExtSys::PluginManager::instance()->loadPlugin(
                 QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so"), &error),
             qPrintable(error));
}

void TestViewManager::init()
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

void TestViewManager::cleanup()
{
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    for (Core::IView *view : host()->views()) {
        if (auto *zelView = qobject_cast<ZEL::ZELView *>(view))
            zelView->setModified(false);
        host()->closeView(view);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(zelViews().isEmpty());
    QDir::setCurrent(m_startDir);
}

void TestViewManager::openViewFailures_data()
{
    QTest::addColumn<QString>("file");    // in the temporary directory; empty: no path
    QTest::addColumn<QString>("netlist"); // in the temporary directory
    QTest::addColumn<QString>("chip");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text"); // %1: the file's native path; empty: no message

    const auto row = [](const char *tag, const char *file, const char *netlist, const char *chip,
                        QMessageBox::Icon icon, const char *title, const char *text) {
        QTest::newRow(tag) << QString(file) << QString(netlist) << QString(chip) << int(icon)
                           << QString(title) << QString(text);
    };
    const char *badNetlist = "Netlist file does not exist or some errors are in the netlist file.";
    const QMessageBox::Icon critical = QMessageBox::Critical;
    row("empty path", "", "netlist.json", "PX-A", QMessageBox::NoIcon, "", "");
    row("missing file", "sub/missing.vep", "netlist.json", "PX-A", QMessageBox::Warning, "Warning",
        "Can not open %1, file does not exist.");
    row("netlist missing", "board.vep", "none.json", "PX-A", critical, "Error", badNetlist);
    row("netlist broken", "board.vep", "other.vep", "PX-A", critical, "Error", badNetlist);
    row("chip without voltages", "board.vep", "netlist.json", "UX-6", critical, "Error",
        "get Voltage Info Fail.");
    row("not a configuration file", "netlist.json", "netlist.json", "PX-A", critical, "Error",
        "Can not open %1:\nInvalid VEP file.");
}

void TestViewManager::openViewFailures()
{
    QFETCH(QString, file);
    QFETCH(QString, netlist);
    QFETCH(QString, chip);
    QFETCH(int, icon);
    QFETCH(QString, title);
    QFETCH(QString, text);
    TE::TaskEngine::instance()->flowManager()->setResultFile(QStringLiteral("RES.netlist"),
                                                             tmpPath(netlist));
    setChip(chip);
    const QString path = file.isEmpty() ? QString() : tmpPath(file);

    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    openView(path);
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.text, text.replace(QLatin1String("%1"), QDir::toNativeSeparators(path)));

    // No view is left, not even one waiting for deletion.
    QVERIFY(zelViews().isEmpty());
    QVERIFY(host()->views().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget *widget : QApplication::allWidgets())
        QVERIFY(!qobject_cast<ZEL::ZELView *>(widget));
}

void TestViewManager::oneViewPerFile_data()
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
void TestViewManager::oneViewPerFile()
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

void TestViewManager::saveActionFollowsActiveView()
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

QTEST_MAIN(TestViewManager)
#include "tst_viewmanager.moc"
