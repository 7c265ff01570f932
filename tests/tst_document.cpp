// The configuration view: modified state and titles, reading broken files, the byte
// layout of saved files, saving without losing data, the close prompt and the
// netlist-changed banner.

#include "document/ConfigDocumentParser.h"
#include "document/ZELView.h"
#include "host/core.h"
#include "host/dev.h"
#include "host/nlsdata.h"
#include "host/qutil.h"
#include "host/te.h"
#include "support/Fixture.h"
#include "support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>
#include <QtXml>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using namespace TestSupport;
using ViewPtr = std::unique_ptr<ZEL::ZELView>;
using Answers = QList<QMessageBox::StandardButton>;
Q_DECLARE_METATYPE(Answers)

namespace {

const char kStatusEvent[] = "TE.Process.Status.Change";

QByteArray dataFile(const char *name)
{
    return readBytes(QStringLiteral(VEP_SOURCE_DIR "/tests/data/document/") + name);
}

QByteArray nested(int depth)
{
    return kVepHead + "<Config>" + QByteArray("<a>").repeated(depth) +
           QByteArray("</a>").repeated(depth) + "</Config>";
}

void publishStatus(const QString &process = QStringLiteral("Process.Syn"), int status = 2,
                   const QString &type = QLatin1String(kStatusEvent))
{
    QUtil::Event event(type);
    event.set(QStringLiteral("process"), process);
    event.set(QStringLiteral("status"), status);
    QUtil::EventManager::instance()->publish(event);
}

// Runs the zero-delay timers the view queues; no clock is involved.
void runQueuedWork()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

class TestDocument : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parser_data();
    void parser();
    void readCfgFile_data();
    void readCfgFile();
    void save_data();
    void save();
    void closePrompt_data();
    void closePrompt();
    void statusEvent_data();
    void statusEvent();

private:
    ZEL::ZELView *newView(const QString &netlistName = QStringLiteral("stand_in"));
    // Null when the file cannot be written or is not taken.
    ViewPtr openFile(const QString &path, const QByteArray &bytes);
    QString tmpPath(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

ZEL::ZELView *TestDocument::newView(const QString &netlistName)
{
    auto *netlist = new NlsData::Netlist(netlistName);
    NlsData::Net *clk = netlist->addNet(QStringLiteral("clk"));
    netlist->addTopPort(QStringLiteral("clk"), NlsData::DirectionInput, clk);
    return new ZEL::ZELView(DEV::DeviceArg(QStringLiteral("PX-A")), netlist);
}

ViewPtr TestDocument::openFile(const QString &path, const QByteArray &bytes)
{
    ViewPtr view(newView());
    if (!writeBytes(path, bytes) || !view->readCfgFile(path))
        view.reset();
    return view;
}

void TestDocument::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    TE::ProInfoManager::instance()->setChipInfo(
        DEV::DeviceDatabase::instance()->chipInfo(QStringLiteral("PX-A")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
    QVERIFY(writeBytes(tmpPath(QStringLiteral("netlist.json")), dataFile("netlist.json")));
    TE::TaskEngine::instance()->flowManager()->setResultFile(
        QStringLiteral("RES.netlist"), tmpPath(QStringLiteral("netlist.json")));
}

void TestDocument::cleanup()
{
    cleanupViewsAndModals();
}

void TestDocument::parser_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("depth"); // element levels kept where it breaks off; -1: it does not

    const int max = ZEL::ConfigDocumentParser::MaxDepth;
    QTest::newRow("markup") << kVepHead + R"(<Config> <N a="a&amp;b" v='1'>&lt;&#x41;</N>one<!--c-->
  <A> <![CDATA[<x>]]> </A>two<B> x </B><?pi data?></Config>)"
                            << -1;
    QTest::newRow("subset without entities")
        << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ELEMENT Config ANY>]><Config/>")
        << -1;
    QTest::newRow("nesting at the limit") << nested(max - 1) << -1;
    QTest::newRow("nesting one beyond") << nested(max) << max;
    QTest::newRow("entity: no document type")
        << QByteArray(R"(<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY e "x">]><Config/>)") << 0;
    QTest::newRow("truncated") << kVepHead + "<Config><B><C>y</C><D>" << 3;
}

// Pages rely on the tree Qt's DOM parser builds: the guarded parser builds the same,
// and where it breaks off it keeps what came before, as Qt's does at a parse error.
void TestDocument::parser()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, depth);
    QString error;
    const QDomDocument doc = ZEL::ConfigDocumentParser::parse(bytes, &error);
    QCOMPARE(error.isEmpty(), depth < 0);
    if (depth >= 0) {
        int levels = 0;
        for (QDomElement e = doc.documentElement(); !e.isNull(); e = e.firstChildElement())
            ++levels;
        QCOMPARE(levels, depth);
        QCOMPARE(doc.doctype().name().isEmpty(), depth == 0);
        return;
    }
    QDomDocument expected;
    QVERIFY(expected.setContent(bytes));
    if (expected.firstChild().isProcessingInstruction()) // the XML declaration
        expected.removeChild(expected.firstChild());
    QCOMPARE(doc.toString(1), expected.toString(1));
}

void TestDocument::readCfgFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // a null array: no file at all
    QTest::addColumn<bool>("accepted");

    const QByteArray tail = "<Config/>";
    QTest::newRow("full file") << dataFile("full.vep") << true;
    QTest::newRow("blank before >") << "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG >" + tail << true;
    QTest::newRow("letter case") << "<!DOCTYPE tavir_power_analysis_config>" + tail << false;
    QTest::newRow("longer name") << "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIGS>" + tail << false;
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("no root element") << kVepHead + "<!-- the file ends here" << true;
    QTest::newRow("broken inside a section")
        << kVepHead + "<Config><Version>1.0</Version><GlobalEnable" << true;
    QTest::newRow("100000 levels") << nested(100000) << true;
    QTest::newRow("entity bomb") << "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY e \"" +
                                        QByteArray(4000, 'x') + "\">]><Config><A>" +
                                        QByteArray("&e;").repeated(1000000) + "</A></Config>"
                                 << false;
}

void TestDocument::readCfgFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    const QString path = tmpPath(QStringLiteral("board.vep"));
    if (!bytes.isNull())
        QVERIFY(writeBytes(path, bytes));
    ViewPtr view(newView());
    QCOMPARE(view->readCfgFile(path), accepted);
    QCOMPARE(view->file(), path);
    // Without a root element the pages keep their defaults and the view is modified.
    if (accepted && ZEL::ConfigDocumentParser::parse(bytes).documentElement().isNull())
        QVERIFY(view->isModified());
    QVERIFY(accepted || !view->isModified());
    // A taken file names the view, marked when it opens modified.
    const QString title = !accepted ? "" : view->isModified() ? "board.vep*" : "board.vep";
    QCOMPARE(view->windowTitle(), title);
    QCOMPARE(view->shortTitle(), title);
}

void TestDocument::save_data()
{
    QTest::addColumn<bool>("hasPath");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<int>("emitted");
    QTest::addColumn<QString>("title"); // afterwards
    QTest::newRow("not modified: written anyway") << true << false << false << 0 << "board.vep";
    QTest::newRow("modified") << true << true << false << 1 << "board.vep";
    QTest::newRow("no path: nothing happens") << false << true << false << 0 << "*";
    QTest::newRow("disk full: old file kept") << true << true << true << 0 << "board.vep*";
}

// A failed write (a full disk, simulated by a file size limit) tells the user and
// leaves neither a truncated file nor a temporary one behind.
void TestDocument::save()
{
    QFETCH(bool, hasPath);
    QFETCH(bool, modified);
    QFETCH(bool, diskFull);
    QFETCH(int, emitted);
    QFETCH(QString, title);
    const QString path = tmpPath(QStringLiteral("sub/board.vep"));
    ViewPtr view = hasPath ? openFile(path, dataFile("full.vep")) : ViewPtr(newView());
    QVERIFY(view);
    view->setModified(modified);
    if (hasPath && !diskFull)
        QVERIFY(writeBytes(path, "placeholder"));

    QSignalSpy spy(view.get(), &ZEL::ZELView::modificationStatusChanged);
    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    rlimit normal{};
    getrlimit(RLIMIT_FSIZE, &normal);
    rlimit full = normal;
    full.rlim_cur = diskFull ? 16 : normal.rlim_cur;
    std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed test
    QVERIFY(setrlimit(RLIMIT_FSIZE, &full) == 0);
    view->save();
    setrlimit(RLIMIT_FSIZE, &normal);
    QCOMPARE(spy.count(), emitted);
    QCOMPARE(view->windowTitle(), title);
    QCOMPARE(view->isModified(), title.endsWith('*'));
    QCOMPARE(seen.shown, diskFull);
    if (diskFull)
        QCOMPARE(seen.text, QStringLiteral("Cannot open the config file '%1'!")
                                .arg(QDir::toNativeSeparators(path)));
    QCOMPARE(QDir(tmpPath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden),
             hasPath ? QStringList{"board.vep"} : QStringList());
    const QByteArray bytes = readBytes(path);
    QVERIFY(diskFull ? bytes == dataFile("full.vep") : bytes.startsWith(kVepHead) == hasPath);
}

void TestDocument::closePrompt_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<Answers>("answers"); // NoButton stands for Escape
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("written");
    const QMessageBox::StandardButton ok = QMessageBox::Ok;
    QTest::newRow("not modified") << false << true << Answers() << true << false;
    QTest::newRow("OK") << true << true << Answers{ok} << true << true;
    QTest::newRow("Discard") << true << true << Answers{QMessageBox::Discard} << true << false;
    QTest::newRow("Cancel") << true << true << Answers{QMessageBox::Cancel} << false << false;
    QTest::newRow("Escape") << true << true << Answers{QMessageBox::NoButton} << false << false;
    QTest::newRow("OK, write fails") << true << false << Answers{ok, ok} << false << false;
}

// Through the host, as the IDE closes views.
void TestDocument::closePrompt()
{
    QFETCH(bool, modified);
    QFETCH(bool, writable);
    QFETCH(Answers, answers);
    QFETCH(bool, closed);
    QFETCH(bool, written);
    const QString path = tmpPath(QStringLiteral("sub/board.vep"));
    QPointer<ZEL::ZELView> view(openFile(path, dataFile("wizard.vep")).release());
    QVERIFY(view);
    Core::ViewManager::instance()->showView(view);
    view->setModified(modified);
    if (!writable)
        QVERIFY(QDir(tmpPath(QStringLiteral("sub"))).removeRecursively());

    QList<ModalSeen> seen;
    ModalHelper::answerMessageBoxes(answers, &seen);
    QCOMPARE(Core::ViewManager::instance()->closeView(view), closed);
    QCOMPARE(seen.size(), answers.size());
    if (!seen.isEmpty()) {
        QCOMPARE(seen.first().icon, QMessageBox::Question);
        QCOMPARE(seen.first().title, QStringLiteral("Save"));
        QCOMPARE(seen.first().text,
                 QStringLiteral("Save changes to \"%1\" ?").arg(QDir::toNativeSeparators(path)));
    }
    if (seen.size() > 1)
        QCOMPARE(seen.at(1).title, QStringLiteral("Warning"));
    if (writable)
        QCOMPARE(readBytes(path) != dataFile("wizard.vep"), written);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(view.isNull(), closed);
    QVERIFY(closed || view->isModified());
}

void TestDocument::statusEvent_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("process");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("readable"); // the netlist
    QTest::addColumn<bool>("reread");
    const QString status = QLatin1String(kStatusEvent);
    const QString syn = QStringLiteral("Process.Syn");
    QTest::newRow("synthesis done") << status << syn << 2 << true << true;
    QTest::newRow("synthesis running") << status << syn << 1 << true << false;
    QTest::newRow("other process") << status << "Process.Map" << 2 << true << false;
    QTest::newRow("other event") << "TE.Process.Status.Changed" << syn << 2 << true << false;
    QTest::newRow("netlist unreadable: closed") << status << syn << 2 << false << true;
}

void TestDocument::statusEvent()
{
    QFETCH(QString, type);
    QFETCH(QString, process);
    QFETCH(int, status);
    QFETCH(bool, readable);
    QFETCH(bool, reread);
    if (!readable)
        TE::TaskEngine::instance()->flowManager()->setResultFile(
            QStringLiteral("RES.netlist"), tmpPath(QStringLiteral("missing.json")));
    QPointer<ZEL::ZELView> view(newView(QStringLiteral("before")));
    Core::ViewManager::instance()->showView(view);
    QString closedWith; // its netlist, and banner if any, when the host reports it closed
    connect(Core::ViewManager::instance(), &Core::ViewManager::viewClosed, this,
            [&view, &closedWith](Core::IView *closed) {
                if (closed == view)
                    closedWith = view->getNetlist()->topModuleName() +
                                 (view->changedBanner() ? " with banner" : "");
            });
    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);

    publishStatus(process, status, type);
    // Deferred: nothing happens while the bus is delivering.
    QCOMPARE(view->getNetlist()->topModuleName(), QStringLiteral("before"));
    runQueuedWork();
    disconnect(Core::ViewManager::instance(), &Core::ViewManager::viewClosed, this, nullptr);
    if (!readable) {
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.title, QStringLiteral("Error"));
        QCOMPARE(seen.text, QStringLiteral("Netlist file does not exist or some errors are in "
                                           "the netlist file. VEP view will be closed"));
        QCOMPARE(closedWith, QStringLiteral("before"));
        return;
    }
    QVERIFY(!seen.shown && closedWith.isEmpty());
    QCOMPARE(view->getNetlist()->topModuleName(), reread ? "board_top" : "before");
    QCOMPARE(view->changedBanner() != nullptr, reread);
    QVERIFY(!view->isModified());
    if (!reread)
        return;
    // The banner sits above the tabs; OK hides it.
    QWidget *banner = view->changedBanner();
    QCOMPARE(view->layout()->itemAt(0)->widget(), banner);
    banner->findChild<QPushButton *>(QStringLiteral("okBtn"))->click();
    QVERIFY(banner->isHidden());
}

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
