// The configuration view: modified state and titles, reading hostile and broken
// files, the byte layout of saved files, saving without losing data, the close
// prompt and the netlist-changed banner.

#include "document/ConfigDocumentParser.h"
#include "document/ZELView.h"
#include "enable/ZELEnableSetWidget.h"
#include "general/ZELSettingWidget.h"
#include "host/core.h"
#include "host/dev.h"
#include "host/nlsdata.h"
#include "host/qutil.h"
#include "host/te.h"
#include "rate/ZELRateWidget.h"
#include "support/ModalHelper.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QTextStream>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

const QByteArray kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n";
const char kStatusEvent[] = "TE.Process.Status.Change";

QByteArray dataFile(const QString &name)
{
    QFile file(QStringLiteral(VEP_SOURCE_DIR "/tests/data/document/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray nested(int depth)
{
    QByteArray bytes = kHead + "<Config>";
    bytes.reserve(bytes.size() + depth * 7 + 16);
    for (int i = 0; i < depth; ++i)
        bytes += "<a>";
    for (int i = 0; i < depth; ++i)
        bytes += "</a>";
    return bytes + "</Config>";
}

QString serialised(const QDomNode &node)
{
    QString text;
    QTextStream stream(&text);
    node.save(stream, 1);
    return text;
}

int elementDepth(const QDomElement &element)
{
    int depth = 0;
    for (QDomElement e = element; !e.isNull(); e = e.firstChildElement())
        ++depth;
    return depth;
}

// Runs the zero-delay timers the view queues; no clock is involved.
void runQueuedWork()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QStringList childTags(const QByteArray &bytes)
{
    QDomDocument doc;
    doc.setContent(bytes);
    QStringList tags;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull();
         e = e.nextSiblingElement())
        tags << e.tagName();
    return tags;
}

// Restores the file size limit even when a check fails half-way.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class TestDocument : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void construction();
    void modifiedSignalAndTitle_data();
    void modifiedSignalAndTitle();

    void parserMatchesQtDom_data();
    void parserMatchesQtDom();
    void parserGuards_data();
    void parserGuards();

    void readCfgFile_data();
    void readCfgFile();

    void savedFrameBytes();
    void roundTripIsStable();
    void saveUnmodifiedWritesWithoutSignal();
    void saveWithEmptyPathDoesNothing();
    void saveFailure_data();
    void saveFailure();

    void closePrompt_data();
    void closePrompt();

    void statusEvent_data();
    void statusEvent();
    void bannerCreatedOnceShownAgain();
    void failedReReadClosesView();

private:
    ZEL::ZELView *newView(const QString &netlistName = QStringLiteral("stand_in"));
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

void TestDocument::initTestCase()
{
    TE::ProInfoManager::instance()->setChipInfo(
        DEV::DeviceDatabase::instance()->chipInfo(QStringLiteral("PX-A")));
}

void TestDocument::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(writeBytes(tmpPath(QStringLiteral("netlist.json")), dataFile("netlist.json")));
    TE::TaskEngine::instance()->flowManager()->setResultFile(
        QStringLiteral("RES.netlist"), tmpPath(QStringLiteral("netlist.json")));
}

void TestDocument::cleanup()
{
    ModalHelper::closeStrayModals();
    // A failed check may leave the modal helper waiting for a box that never came; let
    // it run out here so that it cannot answer a box of the next test.
    for (int i = 0; i < 1100; ++i)
        QCoreApplication::processEvents();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestDocument::construction()
{
    const int subscribers = QUtil::EventManager::instance()->subscriberCount(kStatusEvent);
    std::unique_ptr<ZEL::ZELView> view(newView(QStringLiteral("first")));

    QCOMPARE(QUtil::EventManager::instance()->subscriberCount(kStatusEvent), subscribers + 1);
    QCOMPARE(view->getNetlist()->topModuleName(), QStringLiteral("first"));
    QVERIFY(!view->isModified());
    QVERIFY(view->windowTitle().isEmpty());
    QVERIFY(view->shortTitle().isEmpty());
    QVERIFY(view->changedBanner() == nullptr);
    QCOMPARE(view->layout()->contentsMargins(), QMargins(0, 5, 0, 0));

    QTabWidget *tabs = view->tabWidget();
    QCOMPARE(tabs->parentWidget(), view.get());
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("General Setting"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Rate Setting"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Clock Setting"));
    QCOMPARE(tabs->widget(0), static_cast<QWidget *>(view->generalPage()));
    QCOMPARE(tabs->widget(1), static_cast<QWidget *>(view->ratePage()));
    QCOMPARE(tabs->widget(2), static_cast<QWidget *>(view->enableSetPage()));

    view.reset();
    QCOMPARE(QUtil::EventManager::instance()->subscriberCount(kStatusEvent), subscribers);
}

void TestDocument::modifiedSignalAndTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("no file") << QString() << QString();
    QTest::newRow("board.vep") << QStringLiteral("/no/such/dir/board.vep")
                               << QStringLiteral("board.vep");
    QTest::newRow("relative") << QStringLiteral("sub/power.vep") << QStringLiteral("power.vep");
}

void TestDocument::modifiedSignalAndTitle()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    std::unique_ptr<ZEL::ZELView> view(newView());
    if (!path.isEmpty())
        QVERIFY(!view->readCfgFile(path)); // stores the path even though the file is missing
    QCOMPARE(view->file(), path);
    QCOMPARE(view->getStrCfgFile(), path);

    // Listeners see the title of before the change.
    QStringList titlesDuringSignal;
    ZEL::ZELView *raw = view.get();
    connect(raw, &ZEL::ZELView::modificationStatusChanged, this,
            [raw, &titlesDuringSignal](bool) { titlesDuringSignal << raw->windowTitle(); });
    QSignalSpy spy(raw, &ZEL::ZELView::modificationStatusChanged);
    view->setModified(true);
    view->setModified(true);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(view->windowTitle(), title + QLatin1Char('*'));
    QCOMPARE(view->shortTitle(), title + QLatin1Char('*'));

    view->setModified(false);
    view->setModified(false);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toBool(), false);
    QCOMPARE(view->windowTitle(), title);
    QCOMPARE(view->shortTitle(), title);
    // A failed read leaves the constructor's empty title until the first change.
    QCOMPARE(titlesDuringSignal, (QStringList{QString(), title + QLatin1Char('*')}));
}

void TestDocument::parserMatchesQtDom_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("frame") << kHead + "<Config>\n    <Version>1.0</Version>\n</Config>";
    QTest::newRow("attributes") << kHead + "<Config><Net name=\"a&amp;b\" value='1.5'/></Config>";
    QTest::newRow("escaped text") << kHead + "<Config><A>a &amp; b &lt; c &#x41;</A></Config>";
    QTest::newRow("white space") << kHead + "<Config>\n  <A>  </A>\n  <B> x </B>\n</Config>";
    QTest::newRow("cdata and comment")
        << kHead + "<Config><!-- c --><A> <![CDATA[<x>]]> </A><?pi data?></Config>";
    QTest::newRow("mixed content") << kHead + "<Config>one<B/>two<C>three</C></Config>";
    QTest::newRow("prefixed names")
        << kHead + "<p:Config xmlns:p=\"urn:x\"><p:A p:k=\"v\"/></p:Config>";
    QTest::newRow("no document type") << QByteArray("<Config><A k=\"v\">x</A></Config>");
    QTest::newRow("no declaration")
        << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config/>");
    QTest::newRow("latin-1") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                           "<!DOCTYPE X><Config><A>\xe9t\xe9</A></Config>");
    QTest::newRow("utf-8 bom") << "\xEF\xBB\xBF" + kHead + "<Config><A>\xC3\xA9</A></Config>";
    QTest::newRow("broken utf-8") << kHead + "<Config><A>1\xff\xfe.0</A><B/></Config>";
}

// Pages rely on the tree Qt's DOM parser builds; the guarded parser must build the same.
void TestDocument::parserMatchesQtDom()
{
    QFETCH(QByteArray, bytes);
    QDomDocument expected;
    QVERIFY(expected.setContent(bytes));
    QString error;
    const QDomDocument actual = ZEL::ConfigDocumentParser::parse(bytes, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(actual.doctype().name(), expected.doctype().name());
    QCOMPARE(serialised(actual.documentElement()), serialised(expected.documentElement()));
}

void TestDocument::parserGuards_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("doctype");
    QTest::addColumn<int>("depth"); // element levels kept, Config included
    QTest::addColumn<bool>("stopped");

    const int max = ZEL::ConfigDocumentParser::MaxDepth;
    QTest::newRow("at the limit") << nested(max - 1)
                                  << QStringLiteral("TAVIR_POWER_ANALYSIS_CONFIG") << max << false;
    QTest::newRow("one beyond") << nested(max) << QStringLiteral("TAVIR_POWER_ANALYSIS_CONFIG")
                                << max << true;
    QTest::newRow("100000 levels")
        << nested(100000) << QStringLiteral("TAVIR_POWER_ANALYSIS_CONFIG") << max << true;
    QTest::newRow("entity") << QByteArray(
                                   "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY e \"x\">]>"
                                   "<Config><A>&e;</A></Config>")
                            << QString() << 0 << true;
    QTest::newRow("parameter entity")
        << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY % e \"x\">]><Config/>")
        << QString() << 0 << true;
    QTest::newRow("subset without entities")
        << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ELEMENT Config ANY>]><Config/>")
        << QStringLiteral("TAVIR_POWER_ANALYSIS_CONFIG") << 1 << false;
    QTest::newRow("truncated") << kHead + "<Config><B><C>y</C><D>"
                               << QStringLiteral("TAVIR_POWER_ANALYSIS_CONFIG") << 3 << true;
}

void TestDocument::parserGuards()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, doctype);
    QFETCH(int, depth);
    QFETCH(bool, stopped);
    QString error;
    const QDomDocument doc = ZEL::ConfigDocumentParser::parse(bytes, &error);
    QCOMPARE(doc.doctype().name(), doctype);
    QCOMPARE(elementDepth(doc.documentElement()), depth);
    QCOMPARE(!error.isEmpty(), stopped);
}

void TestDocument::readCfgFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // a null array: no file at all
    QTest::addColumn<bool>("accepted");

    QTest::newRow("frame") << kHead + "<Config>\n    <Version>1.0</Version>\n</Config>" << true;
    QTest::newRow("wizard file") << dataFile("wizard.vep") << true;
    QTest::newRow("full file") << dataFile("full.vep") << true;
    QTest::newRow("other root, version, extras")
        << kHead + "<Settings><Version>7</Version><Extra a=\"1\"/></Settings>" << true;
    QTest::newRow("blank before >")
        << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG >\n<Config/>") << true;
    QTest::newRow("system id")
        << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG SYSTEM \"x.dtd\"><Config/>") << true;
    QTest::newRow("lower case") << QByteArray("<!DOCTYPE tavir_power_analysis_config><Config/>")
                                << false;
    QTest::newRow("one letter case")
        << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIg><Config/>") << false;
    QTest::newRow("trailing no-break blank")
        << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG\xC2\xA0><Config/>") << false;
    QTest::newRow("longer name") << QByteArray("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIGS><Config/>")
                                 << false;
    QTest::newRow("no doctype") << QByteArray("<?xml version=\"1.0\"?>\n<Config/>") << false;
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray("") << false;
    QTest::newRow("no root element") << kHead + "<!-- the file ends here" << true;
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 131 + 17) % 256);
    QTest::newRow("binary garbage") << garbage << false;
    QTest::newRow("broken utf-8 in a value") << kHead + "<Config><A>\xff\xfe</A></Config>" << true;
    QTest::newRow("broken utf-8 in the name")
        << QByteArray("<!DOCTYPE TAVIR_POWER\xff_ANALYSIS_CONFIG><Config/>") << false;
    // CR line ends and U+010D, whose UTF-16 code unit holds a CR byte: nothing may strip it.
    const QString utf16Text = QString::fromUtf8(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\r\n"
        "<Config>\r\n<!-- \xC4\x8D -->\r\n<Version>1.0</Version>\r\n</Config>");
    QTest::newRow("utf-16 with bom")
        << QTextCodec::codecForName("UTF-16LE")->fromUnicode(utf16Text) << true;
    QTest::newRow("utf-16 other name")
        << QTextCodec::codecForName("UTF-16BE")
               ->fromUnicode(QStringLiteral("<!DOCTYPE TAVIR_POWER><Config/>"))
        << false;
    QTest::newRow("broken inside a section")
        << kHead + "<Config><Version>1.0</Version><GlobalEnable" << true;
    QTest::newRow("entity declaration")
        << QByteArray(
               "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY e \"x\">]><Config>&e;</Config>")
        << false;
    QTest::newRow("100000 levels") << nested(100000) << true;
    QByteArray bomb = "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY e \"" +
                      QByteArray(4000, 'x') + "\">]><Config><A>";
    for (int i = 0; i < 1000000; ++i)
        bomb += "&e;";
    QTest::newRow("entity bomb") << bomb + "</A></Config>" << false;
}

void TestDocument::readCfgFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    const QString path = tmpPath(QStringLiteral("board.vep"));
    if (!bytes.isNull())
        QVERIFY(writeBytes(path, bytes));
    std::unique_ptr<ZEL::ZELView> view(newView());
    QCOMPARE(view->readCfgFile(path), accepted);
    QCOMPARE(view->file(), path);
    if (accepted) {
        // A successful read names the view, with the marker when it opens modified.
        const QString title =
            QStringLiteral("board.vep") + (view->isModified() ? QStringLiteral("*") : QString());
        QCOMPARE(view->windowTitle(), title);
        QCOMPARE(view->shortTitle(), title);
        // Without a root element the pages keep their defaults and the view is modified.
        if (!ZEL::ConfigDocumentParser::parse(bytes).documentElement().isNull())
            return;
        QVERIFY(view->isModified());
    } else {
        QVERIFY(!view->isModified());
        QVERIFY(view->windowTitle().isEmpty());
    }
}

void TestDocument::savedFrameBytes()
{
    const QString path = tmpPath(QStringLiteral("frame.vep"));
    QVERIFY(writeBytes(path, dataFile("wizard.vep")));
    std::unique_ptr<ZEL::ZELView> view(newView());
    QVERIFY(view->readCfgFile(path));
    view->save();
    const QByteArray bytes = readBytes(path);

    const QByteArray start = kHead + "<Config>\n    <Version>1.0</Version>\n";
    QVERIFY2(bytes.startsWith(start), bytes.left(200).constData());
    QVERIFY(bytes.endsWith("\n</Config>"));
    QVERIFY(!bytes.contains('\r'));
    const QList<QByteArray> lines = bytes.mid(start.size()).split('\n');
    for (const QByteArray &line : lines.mid(0, lines.size() - 1)) {
        int blanks = 0;
        while (blanks < line.size() && line.at(blanks) == ' ')
            ++blanks;
        QVERIFY2(blanks >= 4 && blanks % 4 == 0 && line.at(blanks) == '<', line.constData());
    }
}

void TestDocument::roundTripIsStable()
{
    const QStringList canonical = {
        "Version",     "TempGrade",     "Process",           "JunctionTemp",  "AmbientTemp",
        "VCC",         "VCCX",          "VCC_LDO",           "CustomThetaJA", "HeatSink",
        "AirFlow",     "CustomThetaSA", "BoardThermalModel", "CustomThetaJB", "BoardTemp",
        "NetRate",     "DefaultConfig", "SimuFile",          "GlobalEnable",  "PortOutEnable",
        "GlobalBsram", "LocalEnable"};

    const QString first = tmpPath(QStringLiteral("first.vep"));
    QVERIFY(writeBytes(first, dataFile("full.vep")));
    std::unique_ptr<ZEL::ZELView> view(newView());
    QVERIFY(view->readCfgFile(first));
    view->save();
    const QByteArray saved = readBytes(first);

    // Sections come out in the canonical order, whatever the pages write.
    const QStringList tags = childTags(saved);
    int last = -1;
    for (const QString &tag : tags) {
        const int at = canonical.indexOf(tag);
        QVERIFY2(at > last, qPrintable(tag));
        last = at;
    }

    // Reading a saved file and saving it again changes nothing.
    const QString second = tmpPath(QStringLiteral("second.vep"));
    QVERIFY(writeBytes(second, saved));
    view.reset(newView());
    QVERIFY(view->readCfgFile(second));
    view->save();
    QCOMPARE(readBytes(second), saved);

    // Sections in reverse order, unknown elements and another root tag read the same.
    QDomDocument doc;
    QVERIFY(doc.setContent(saved));
    QDomElement root = doc.documentElement();
    root.setTagName(QStringLiteral("Other"));
    QList<QDomNode> children;
    for (QDomNode n = root.firstChild(); !n.isNull(); n = n.nextSibling())
        children.prepend(n);
    for (const QDomNode &n : children)
        root.appendChild(n);
    root.insertBefore(doc.createElement(QStringLiteral("Unknown")), root.firstChild());
    const QString third = tmpPath(QStringLiteral("third.vep"));
    QVERIFY(writeBytes(third, doc.toByteArray(1)));
    view.reset(newView());
    QVERIFY(view->readCfgFile(third));
    view->save();
    QCOMPARE(readBytes(third), saved);
}

void TestDocument::saveUnmodifiedWritesWithoutSignal()
{
    const QString path = tmpPath(QStringLiteral("board.vep"));
    QVERIFY(writeBytes(path, dataFile("full.vep")));
    std::unique_ptr<ZEL::ZELView> view(newView());
    QVERIFY(view->readCfgFile(path));
    view->setModified(false);
    QVERIFY(writeBytes(path, "placeholder"));
    QSignalSpy spy(view.get(), &ZEL::ZELView::modificationStatusChanged);
    view->save();
    QCOMPARE(spy.count(), 0);
    QVERIFY(readBytes(path).startsWith(kHead));

    view->setModified(true);
    view->save();
    QVERIFY(!view->isModified());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(view->windowTitle(), QStringLiteral("board.vep"));
}

void TestDocument::saveWithEmptyPathDoesNothing()
{
    std::unique_ptr<ZEL::ZELView> view(newView());
    view->setModified(true);
    const QStringList before = QDir(m_dir->path()).entryList(QDir::Files);
    view->save();
    QVERIFY(view->isModified());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), before);
}

void TestDocument::saveFailure_data()
{
    QTest::addColumn<bool>("diskFull"); // else the directory is gone
    QTest::newRow("directory removed") << false;
    QTest::newRow("disk full") << true;
}

// Neither a failed open nor a write that fails part-way (a full disk, simulated with
// a file size limit) may touch the old file; the user is told and the view stays
// modified.
void TestDocument::saveFailure()
{
    QFETCH(bool, diskFull);
    QDir(m_dir->path()).mkdir(QStringLiteral("sub"));
    const QString path = tmpPath(QStringLiteral("sub/board.vep"));
    const QByteArray original = dataFile("full.vep");
    QVERIFY(writeBytes(path, original));
    std::unique_ptr<ZEL::ZELView> view(newView());
    QVERIFY(view->readCfgFile(path));
    view->setModified(true);
    if (!diskFull)
        QVERIFY(QDir(tmpPath(QStringLiteral("sub"))).removeRecursively());

    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    {
        FileSizeLimit limit(diskFull ? 16 : RLIM_INFINITY);
        QVERIFY(limit.active());
        view->save();
    }
    QVERIFY(seen.shown);
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.title, QStringLiteral("Warning"));
    QCOMPARE(
        seen.text,
        QStringLiteral("Cannot open the config file '%1'!").arg(QDir::toNativeSeparators(path)));
    QVERIFY(view->isModified());
    QCOMPARE(view->windowTitle(), QStringLiteral("board.vep*"));
    if (!diskFull)
        return;
    QCOMPARE(readBytes(path), original);
    QCOMPARE(QDir(tmpPath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("board.vep")});
    view->save(); // with room again
    QVERIFY(!view->isModified());
    QVERIFY(readBytes(path).endsWith("</Config>"));
}

void TestDocument::closePrompt_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QList<int>>("answers"); // QMessageBox::NoButton stands for Escape
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("written");
    const int ok = QMessageBox::Ok;
    QTest::newRow("not modified") << false << true << QList<int>() << true << false;
    QTest::newRow("OK") << true << true << QList<int>{ok} << true << true;
    QTest::newRow("Discard") << true << true << QList<int>{QMessageBox::Discard} << true << false;
    QTest::newRow("Cancel") << true << true << QList<int>{QMessageBox::Cancel} << false << false;
    QTest::newRow("Escape") << true << true << QList<int>{QMessageBox::NoButton} << false << false;
    QTest::newRow("OK, write fails") << true << false << QList<int>{ok, ok} << false << false;
}

// Through the host, as the IDE closes views.
void TestDocument::closePrompt()
{
    QFETCH(bool, modified);
    QFETCH(bool, writable);
    QFETCH(QList<int>, answers);
    QFETCH(bool, closed);
    QFETCH(bool, written);
    QDir(m_dir->path()).mkdir(QStringLiteral("sub"));
    const QString path = tmpPath(QStringLiteral("sub/board.vep"));
    QVERIFY(writeBytes(path, dataFile("wizard.vep")));
    QPointer<ZEL::ZELView> view(newView());
    QVERIFY(view->readCfgFile(path));
    Core::ViewManager::instance()->showView(view);
    view->setModified(modified);
    if (!writable)
        QVERIFY(QDir(tmpPath(QStringLiteral("sub"))).removeRecursively());

    QList<QMessageBox::StandardButton> buttons;
    for (int answer : answers)
        buttons << QMessageBox::StandardButton(answer);
    QList<ModalSeen> seen;
    ModalHelper::answerMessageBoxes(buttons, &seen);
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
    if (!closed) {
        QVERIFY(view->isModified());
        view->setModified(false);
        QVERIFY(Core::ViewManager::instance()->closeView(view));
    }
}

void TestDocument::statusEvent_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("process");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("reread");
    const QString status = QLatin1String(kStatusEvent);
    const QString syn = QStringLiteral("Process.Syn");
    QTest::newRow("synthesis done") << status << syn << 2 << true;
    QTest::newRow("synthesis running") << status << syn << 1 << false;
    QTest::newRow("other process") << status << QStringLiteral("Process.Map") << 2 << false;
    QTest::newRow("process case") << status << QStringLiteral("process.syn") << 2 << false;
    QTest::newRow("other event") << QStringLiteral("TE.Process.Status.Changed") << syn << 2
                                 << false;
}

void TestDocument::statusEvent()
{
    QFETCH(QString, type);
    QFETCH(QString, process);
    QFETCH(int, status);
    QFETCH(bool, reread);
    std::unique_ptr<ZEL::ZELView> view(newView(QStringLiteral("before")));

    QUtil::Event event(type);
    event.set(QStringLiteral("process"), process);
    event.set(QStringLiteral("status"), status);
    QUtil::EventManager::instance()->publish(event);
    // Deferred: nothing happens while the bus is delivering.
    QCOMPARE(view->getNetlist()->topModuleName(), QStringLiteral("before"));
    QVERIFY(view->changedBanner() == nullptr);

    runQueuedWork();
    QCOMPARE(view->getNetlist()->topModuleName(),
             reread ? QStringLiteral("board_top") : QStringLiteral("before"));
    QCOMPARE(view->changedBanner() != nullptr, reread);
    QVERIFY(!view->isModified());
}

void TestDocument::bannerCreatedOnceShownAgain()
{
    std::unique_ptr<ZEL::ZELView> view(newView());
    view->show();
    QUtil::Event event(kStatusEvent);
    event.set(QStringLiteral("process"), QStringLiteral("Process.Syn"));
    event.set(QStringLiteral("status"), 2);

    QUtil::EventManager::instance()->publish(event);
    runQueuedWork();
    QWidget *banner = view->changedBanner();
    QVERIFY(banner);
    QCOMPARE(banner->objectName(), QStringLiteral("ZEL__ChangedBanner"));
    QCOMPARE(banner->parentWidget(), view.get());
    QCOMPARE(view->layout()->itemAt(0)->widget(), banner);
    QVERIFY(banner->isVisible());
    auto *text = banner->findChild<QLabel *>(QStringLiteral("warningText"));
    QVERIFY(text);
    QCOMPARE(text->text(), QStringLiteral("Netlist File has been changed."));
    QVERIFY(!banner->findChild<QLabel *>(QStringLiteral("warningIcon"))
                 ->pixmap(Qt::ReturnByValue)
                 .isNull());

    auto *ok = banner->findChild<QPushButton *>(QStringLiteral("okBtn"));
    QVERIFY(ok);
    ok->click();
    QVERIFY(!banner->isVisible());

    QUtil::EventManager::instance()->publish(event);
    runQueuedWork();
    QCOMPARE(view->changedBanner(), banner);
    QVERIFY(banner->isVisible());
    QCOMPARE(view->findChildren<QWidget *>(QStringLiteral("ZEL__ChangedBanner")).size(), 1);
}

void TestDocument::failedReReadClosesView()
{
    QPointer<ZEL::ZELView> view(newView(QStringLiteral("kept")));
    Core::IView *const shown = view.data();
    Core::ViewManager::instance()->showView(view);
    TE::TaskEngine::instance()->flowManager()->setResultFile(
        QStringLiteral("RES.netlist"), tmpPath(QStringLiteral("missing.json")));
    QString netlistAtClose;
    bool bannerAtClose = true;
    Core::IView *closed = nullptr;
    connect(Core::ViewManager::instance(), &Core::ViewManager::viewClosed, this,
            [&](Core::IView *v) {
                closed = v;
                netlistAtClose = view->getNetlist()->topModuleName();
                bannerAtClose = view->changedBanner() != nullptr;
            });

    QUtil::Event event(kStatusEvent);
    event.set(QStringLiteral("process"), QStringLiteral("Process.Syn"));
    event.set(QStringLiteral("status"), 2);
    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    QUtil::EventManager::instance()->publish(event);
    runQueuedWork();
    disconnect(Core::ViewManager::instance(), &Core::ViewManager::viewClosed, this, nullptr);

    QVERIFY(seen.shown);
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.title, QStringLiteral("Error"));
    QCOMPARE(seen.text, QStringLiteral("Netlist file does not exist or some errors are in the "
                                       "netlist file. VEP view will be closed"));
    QCOMPARE(closed, shown);
    QCOMPARE(netlistAtClose, QStringLiteral("kept"));
    QVERIFY(!bannerAtClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(view.isNull());
}

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
