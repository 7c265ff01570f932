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

const QByteArray kWizardFile = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config/>";

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void setChip(const QString &device)
{
    TE::ProInfoManager::instance()->setChipInfo(DEV::DeviceDatabase::instance()->chipInfo(device));
}

DEV::DeviceArg device()
{
    return DEV::DeviceArg(QStringLiteral("PX-A"));
}

Core::ViewManager *host()
{
    return Core::ViewManager::instance();
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
    void emptyPathIsIgnored();
    void openShowsAndTracksView();
    void oneViewPerFile_data();
    void oneViewPerFile();
    void existingViewComesToFront();
    void closeViewByPath_data();
    void closeViewByPath();
    void saveActionFollowsActiveView();
    void closingOtherViewLeavesAction();

private:
    ZEL::ZELView *openFile(const QString &path);
    QString tmpPath(const QString &name) const { return m_dir->filePath(name); }
    QAction *saveAction() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startDir;
};

ZEL::ZELView *TestViewManager::openFile(const QString &path)
{
    ZEL::ZELViewManager::openView(device(), path);
    auto *view = qobject_cast<ZEL::ZELView *>(host()->currentView());
    // Views may open modified when the voltages are fitted to the chip; the tests
    // start from a clean state, and activating the view again refreshes the action.
    if (view && view->isModified()) {
        view->setModified(false);
        auto *plain = new Core::IView;
        host()->showView(plain);
        host()->showView(view);
        host()->closeView(plain);
    }
    return view;
}

QAction *TestViewManager::saveAction() const
{
    const QList<QAction *> actions = ZEL::ZELViewManager::instance()->findChildren<QAction *>();
    return actions.size() == 1 ? actions.first() : nullptr;
}

void TestViewManager::initTestCase()
{
    m_startDir = QDir::currentPath();
    QString error;
    QVERIFY2(ExtSys::PluginManager::instance()->loadPlugin(
                 QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so"), &error),
             qPrintable(error));
    QVERIFY(saveAction());
}

void TestViewManager::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QFile::remove(tmpPath(QStringLiteral("netlist.json")));
    QVERIFY(QFile::copy(QStringLiteral(VEP_SOURCE_DIR "/tests/data/document/netlist.json"),
                        tmpPath(QStringLiteral("netlist.json"))));
    TE::TaskEngine::instance()->flowManager()->setResultFile(
        QStringLiteral("RES.netlist"), tmpPath(QStringLiteral("netlist.json")));
    setChip(QStringLiteral("PX-A"));
    QVERIFY(writeBytes(tmpPath(QStringLiteral("board.vep")), kWizardFile));
    QVERIFY(writeBytes(tmpPath(QStringLiteral("other.vep")), kWizardFile));
}

void TestViewManager::cleanup()
{
    ModalHelper::closeStrayModals();
    // A failed check may leave the modal helper waiting; let it run out before the next test.
    for (int i = 0; i < 1100; ++i)
        QCoreApplication::processEvents();
    for (Core::IView *view : host()->views()) {
        if (auto *zelView = qobject_cast<ZEL::ZELView *>(view))
            zelView->setModified(false);
        host()->closeView(view);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QDir::setCurrent(m_startDir);
}

void TestViewManager::openViewFailures_data()
{
    QTest::addColumn<QString>("file");    // relative to the temporary directory
    QTest::addColumn<QString>("netlist"); // relative, or empty for the stand-in
    QTest::addColumn<QString>("chip");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text"); // %1: the file's native path

    const QString ok = QStringLiteral("netlist.json");
    const QString chip = QStringLiteral("PX-A");
    QTest::newRow("missing file") << QStringLiteral("sub/missing.vep") << ok << chip
                                  << int(QMessageBox::Warning) << QStringLiteral("Warning")
                                  << QStringLiteral("Can not open %1, file does not exist.");
    QTest::newRow("netlist missing")
        << QStringLiteral("board.vep") << QStringLiteral("none.json") << chip
        << int(QMessageBox::Critical) << QStringLiteral("Error")
        << QStringLiteral("Netlist file does not exist or some errors are in the netlist file.");
    QTest::newRow("netlist broken")
        << QStringLiteral("board.vep") << QStringLiteral("other.vep") << chip
        << int(QMessageBox::Critical) << QStringLiteral("Error")
        << QStringLiteral("Netlist file does not exist or some errors are in the netlist file.");
    QTest::newRow("chip without voltages")
        << QStringLiteral("board.vep") << ok << QStringLiteral("UX-6") << int(QMessageBox::Critical)
        << QStringLiteral("Error") << QStringLiteral("get Voltage Info Fail.");
    QTest::newRow("not a configuration file")
        << QStringLiteral("netlist.json") << ok << chip << int(QMessageBox::Critical)
        << QStringLiteral("Error") << QStringLiteral("Can not open %1:\nInvalid VEP file.");
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
    const QString path = tmpPath(file);

    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    ZEL::ZELViewManager::openView(device(), path);
    QVERIFY(seen.shown);
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.text,
             text.contains(QLatin1String("%1")) ? text.arg(QDir::toNativeSeparators(path)) : text);

    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QVERIFY(host()->views().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets)
        QVERIFY(!qobject_cast<ZEL::ZELView *>(widget));
}

void TestViewManager::emptyPathIsIgnored()
{
    ZEL::ZELViewManager::openView(device(), QString());
    ZEL::ZELViewManager::closeView(QString());
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QVERIFY(host()->views().isEmpty());
}

void TestViewManager::openShowsAndTracksView()
{
    QDir::setCurrent(m_dir->path());
    ZEL::ZELView *view = openFile(QStringLiteral("board.vep"));
    QVERIFY(view);
    QCOMPARE(ZEL::ZELViewManager::instance()->zelViews(), QList<ZEL::ZELView *>{view});
    QCOMPARE(view->file(), tmpPath(QStringLiteral("board.vep")));
    QCOMPARE(view->windowTitle(), QStringLiteral("board.vep"));
    QCOMPARE(host()->contextOf(view), QStringLiteral("ZEL.ZELViewManager.Context"));
    QCOMPARE(view->getNetlist()->topModuleName(), QStringLiteral("board_top"));
    // A copy: changing it changes nothing in the manager.
    QList<ZEL::ZELView *> copy = ZEL::ZELViewManager::instance()->zelViews();
    copy.clear();
    QCOMPARE(ZEL::ZELViewManager::instance()->zelViews().size(), 1);
}

void TestViewManager::oneViewPerFile_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("relative, then absolute")
        << QStringLiteral("board.vep") << QStringLiteral("%1/board.vep");
    QTest::newRow("absolute, then relative")
        << QStringLiteral("%1/board.vep") << QStringLiteral("./board.vep");
    QTest::newRow("with dot-dot") << QStringLiteral("%1/board.vep")
                                  << QStringLiteral("%1/../%2/board.vep");
}

void TestViewManager::oneViewPerFile()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QDir::setCurrent(m_dir->path());
    const QString dirName = QFileInfo(m_dir->path()).fileName();
    ZEL::ZELView *view = openFile(QString(first).replace(QLatin1String("%1"), m_dir->path()));
    QVERIFY(view);
    view->setModified(true);
    // The second open must not read again: a read would fail on this content and
    // would clear the modified state.
    QVERIFY(writeBytes(tmpPath(QStringLiteral("board.vep")), "not a configuration file"));

    ZEL::ZELViewManager::openView(device(), QString(second)
                                                .replace(QLatin1String("%1"), m_dir->path())
                                                .replace(QLatin1String("%2"), dirName));
    QCOMPARE(ZEL::ZELViewManager::instance()->zelViews(), QList<ZEL::ZELView *>{view});
    QCOMPARE(host()->currentView(), view);
    QVERIFY(view->isModified());
}

void TestViewManager::existingViewComesToFront()
{
    ZEL::ZELView *board = openFile(tmpPath(QStringLiteral("board.vep")));
    ZEL::ZELView *other = openFile(tmpPath(QStringLiteral("other.vep")));
    QVERIFY(board && other && board != other);
    QCOMPARE(host()->currentView(), other);
    ZEL::ZELViewManager::openView(device(), tmpPath(QStringLiteral("board.vep")));
    QCOMPARE(host()->currentView(), board);
    QCOMPARE(ZEL::ZELViewManager::instance()->zelViews(), (QList<ZEL::ZELView *>{board, other}));
}

void TestViewManager::closeViewByPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("closes");
    QTest::newRow("absolute") << QStringLiteral("%1/board.vep") << true;
    QTest::newRow("relative") << QStringLiteral("board.vep") << true;
    QTest::newRow("other file") << QStringLiteral("%1/nothing.vep") << false;
    QTest::newRow("letter case") << QStringLiteral("%1/Board.vep") << false;
}

void TestViewManager::closeViewByPath()
{
    QFETCH(QString, path);
    QFETCH(bool, closes);
    QDir::setCurrent(m_dir->path());
    QPointer<ZEL::ZELView> view(openFile(tmpPath(QStringLiteral("board.vep"))));
    QVERIFY(view);
    ZEL::ZELViewManager::closeView(QString(path).replace(QLatin1String("%1"), m_dir->path()));
    QCOMPARE(ZEL::ZELViewManager::instance()->zelViews().isEmpty(), closes);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(view.isNull(), closes);
}

void TestViewManager::saveActionFollowsActiveView()
{
    QAction *action = saveAction();
    QVERIFY(action);
    const QString boardPath = tmpPath(QStringLiteral("board.vep"));
    ZEL::ZELView *board = openFile(boardPath);
    QVERIFY(board);
    QCOMPARE(action->text(), QStringLiteral("&Save \"board.vep\""));
    QCOMPARE(action->toolTip(), QStringLiteral("Save \"board.vep\""));
    QVERIFY(!action->isEnabled());

    // The view signals before it retitles itself, so the text still lacks the marker.
    board->setModified(true);
    QVERIFY(action->isEnabled());
    QCOMPARE(action->text(), QStringLiteral("&Save \"board.vep\""));
    QCOMPARE(board->windowTitle(), QStringLiteral("board.vep*"));

    // The IDE's save command reaches the active view's action.
    QVERIFY(writeBytes(boardPath, kWizardFile));
    Core::ActionManager::command(QStringLiteral("Core.Action.Save"))->trigger();
    QVERIFY(!board->isModified());
    QFile saved(boardPath);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("<Version>1.0</Version>"));
    QVERIFY(!action->isEnabled());
    QCOMPARE(action->text(), QStringLiteral("&Save \"board.vep*\""));

    // Another kind of view disables the action; coming back refreshes it.
    auto *plain = new Core::IView;
    plain->setShortTitle(QStringLiteral("notes.txt"));
    host()->showView(plain);
    QVERIFY(!action->isEnabled());
    board->setModified(true);
    QVERIFY(!action->isEnabled());
    host()->showView(board);
    QVERIFY(action->isEnabled());
    QCOMPARE(action->text(), QStringLiteral("&Save \"board.vep*\""));
    QCOMPARE(action->toolTip(), QStringLiteral("Save \"board.vep*\""));

    // Closing the active view disables the action.
    board->setModified(false);
    QVERIFY(host()->closeView(board));
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QVERIFY(!action->isEnabled());
    host()->closeView(plain);
}

void TestViewManager::closingOtherViewLeavesAction()
{
    QAction *action = saveAction();
    ZEL::ZELView *board = openFile(tmpPath(QStringLiteral("board.vep")));
    ZEL::ZELView *other = openFile(tmpPath(QStringLiteral("other.vep")));
    QVERIFY(board && other);
    other->setModified(true);
    QVERIFY(action->isEnabled());
    QCOMPARE(action->text(), QStringLiteral("&Save \"other.vep\""));

    // Edits in a view that is not active leave the action alone.
    board->setModified(true);
    board->setModified(false);
    QVERIFY(action->isEnabled());
    QCOMPARE(action->text(), QStringLiteral("&Save \"other.vep\""));

    // Closing another view keeps the action enabled; the closed notification refreshes
    // its text from the active view's current title.
    QVERIFY(host()->closeView(board));
    QCOMPARE(ZEL::ZELViewManager::instance()->zelViews(), QList<ZEL::ZELView *>{other});
    QVERIFY(action->isEnabled());
    QCOMPARE(action->text(), QStringLiteral("&Save \"other.vep*\""));
}

QTEST_MAIN(TestViewManager)
#include "tst_viewmanager.moc"
