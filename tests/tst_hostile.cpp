// Hostile and broken configuration files and netlists, opened the way the IDE opens
// them: what the user sees for each (the refusal box, or a view with which values and
// rows), that a refused file stays as it was on disk, and that saving what was opened
// writes a file that opens again to the same content. Also the open/close loop that
// the leak checkers run.

#include "document/ZELView.h"
#include "enable/BsramSetWidget.h"
#include "enable/ClockEnableSetWidget.h"
#include "enable/DFFSetWidget.h"
#include "enable/PortSetWidget.h"
#include "enable/ZELEnableSetWidget.h"
#include "host/core.h"
#include "host/dev.h"
#include "host/te.h"
#include "host/utils.h"
#include "plugin/ZELViewManager.h"
#include "rate/RateTableView.h"
#include "rate/RateWidget.h"
#include "rate/VcdFileWidget.h"
#include "rate/ZELRateWidget.h"
#include "support/Fixture.h"
#include "support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

using namespace TestSupport;

namespace {

const QString kInvalidFile = QStringLiteral("Can not open %1:\nInvalid VEP file.");
const QStringList kTables = {"NetRate",       "SimuFile",    "GlobalEnable",
                             "PortOutEnable", "GlobalBsram", "LocalEnable"};
const QString kNoRows = QStringLiteral("0 0 0 0 0 0");
const QString kAllRows = QStringLiteral("2 1 1 1 1 1");

QString hostileFile(const QString &name)
{
    return QStringLiteral(VEP_SOURCE_DIR "/tests/data/hostile/") + name;
}

Core::ViewManager *host()
{
    return Core::ViewManager::instance();
}

ZEL::ZELView *viewOf(const QString &path)
{
    for (ZEL::ZELView *view : ZEL::ZELViewManager::instance()->zelViews()) {
        if (view->file() == QFileInfo(path).absoluteFilePath())
            return view;
    }
    return nullptr;
}

QAbstractItemModel *tableModel(ZEL::ZELView *view, const QString &section)
{
    if (section == QLatin1String("NetRate"))
        return view->ratePage()->rateWidget()->netTable()->tableView()->model();
    ZEL::ZELEnableSetWidget *page = view->enableSetPage();
    const QList<QWidget *> widgets = {view->ratePage()->vcdFileWidget(), page->clockEnableTable(),
                                      page->portTable(), page->bsramTable(), page->dffTable()};
    QWidget *widget = widgets.value(kTables.indexOf(section) - 1);
    auto *table = widget ? widget->findChild<QTableView *>(QStringLiteral("tableView")) : nullptr;
    return table ? table->model() : nullptr;
}

// Row counts of the tables in kTables' order, e.g. "2 1 1 1 1 1".
QString rowSummary(ZEL::ZELView *view)
{
    QStringList counts;
    for (const QString &section : kTables) {
        QAbstractItemModel *model = tableModel(view, section);
        counts << QString::number(model ? model->rowCount() : -1);
    }
    return counts.join(QLatin1Char(' '));
}

QByteArray nested(int depth)
{
    return kVepHead + "<Config>\n    <AmbientTemp>55</AmbientTemp>\n    <Deep>" +
           QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth) +
           "</Deep>\n    <LocalEnable><Instance name=\"q_reg\" value=\"40\"/></LocalEnable>"
           "\n</Config>";
}

QByteArray entityBomb()
{
    return kVepHead.left(kVepHead.indexOf('\n') + 1) +
           "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY e \"" + QByteArray(4096, 'x') +
           "\">]>\n<Config><AmbientTemp>" + QByteArray("&e;").repeated(1000000) +
           "</AmbientTemp></Config>";
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void corpus_data();
    void corpus();
    void numericTexts_data();
    void numericTexts();
    void bigFiles_data();
    void bigFiles();
    void openCloseThousandViews();

private:
    struct Outcome {
        ZEL::ZELView *view = nullptr; // null when the file was refused
        ModalSeen box;                // the box the user had to answer, if any
    };
    Outcome open(const QString &path);
    Outcome openBytes(const QByteArray &bytes, const QString &name = "board.vep");
    void closeView(ZEL::ZELView *view);
    QByteArray saveView(ZEL::ZELView *view);
    void checkSaveIsStable(const QString &path);
    void checkRefused(const QString &path, const QByteArray &bytes, const QString &message);
    QString tmpPath(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startDir;
};

TestHostile::Outcome TestHostile::open(const QString &path)
{
    Outcome outcome;
    // Armed for every open: a box nobody answers would block the test forever.
    ModalHelper::answerMessageBox(QMessageBox::Ok, &outcome.box);
    ZEL::ZELViewManager::openView(DEV::DeviceArg(QStringLiteral("PX-A")), path);
    ModalHelper::cancelPending();
    outcome.view = viewOf(path);
    return outcome;
}

TestHostile::Outcome TestHostile::openBytes(const QByteArray &bytes, const QString &name)
{
    if (!writeBytes(tmpPath(name), bytes))
        return Outcome();
    return open(tmpPath(name));
}

void TestHostile::closeView(ZEL::ZELView *view)
{
    view->setModified(false);
    QVERIFY(host()->closeView(view));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QByteArray TestHostile::saveView(ZEL::ZELView *view)
{
    ModalSeen box;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &box);
    view->save();
    ModalHelper::cancelPending();
    if (box.shown)
        qWarning("save showed \"%s\"", qPrintable(box.text.left(200)));
    return box.shown || view->isModified() ? QByteArray() : readBytes(view->file());
}

// The file is open in a view. Saving writes a file that opens again, unmodified, with the
// same rows, and saves to the same bytes: nothing is lost or changed by a second round.
void TestHostile::checkSaveIsStable(const QString &path)
{
    ZEL::ZELView *view = viewOf(path);
    QVERIFY(view);
    const QString rows = rowSummary(view);
    const QByteArray saved = saveView(view);
    QVERIFY(!saved.isEmpty());
    closeView(view);
    if (QTest::currentTestFailed())
        return;
    const Outcome again = open(path);
    QVERIFY2(again.view, qPrintable(again.box.text.left(200)));
    QVERIFY(!again.view->isModified());
    QCOMPARE(rowSummary(again.view), rows);
    QCOMPARE(saveView(again.view), saved);
}

void TestHostile::checkRefused(const QString &path, const QByteArray &bytes, const QString &message)
{
    const Outcome outcome = open(path);
    QVERIFY(!outcome.view);
    QCOMPARE(outcome.box.icon, QMessageBox::Critical);
    QCOMPARE(outcome.box.title, QStringLiteral("Error"));
    QCOMPARE(outcome.box.text, QString(message).replace("%1", QDir::toNativeSeparators(path)));
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QCOMPARE(host()->viewArea()->count(), 0);
    QCOMPARE(readBytes(path), bytes);
}

void TestHostile::initTestCase()
{
    m_startDir = QDir::currentPath();
    QVERIFY(loadPlugin());
    TE::ProInfoManager::instance()->setChipInfo(
        DEV::DeviceDatabase::instance()->chipInfo(QStringLiteral("PX-A")));
}

void TestHostile::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(QFile::copy(QStringLiteral(VEP_SOURCE_DIR "/tests/data/document/netlist.json"),
                        tmpPath(QStringLiteral("netlist.json"))));
    // Where an external document type would be looked for, had the reader fetched it.
    QVERIFY(QFile::copy(hostileFile(QStringLiteral("outside.dtd")),
                        tmpPath(QStringLiteral("outside.dtd"))));
    // The activity file named by the corpus, so that a save is not refused for its absence.
    QVERIFY(writeBytes(tmpPath(QStringLiteral("activity.vcd")), "$end\n"));
    TE::TaskEngine::instance()->flowManager()->setResultFile(
        QStringLiteral("RES.netlist"), tmpPath(QStringLiteral("netlist.json")));
    QDir::setCurrent(m_dir->path());
}

void TestHostile::cleanup()
{
    cleanupViewsAndModals();
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QDir::setCurrent(m_startDir);
}

void TestHostile::corpus_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("rows");     // rowSummary(); empty: the file is refused
    QTest::addColumn<bool>("modified");    // right after opening
    QTest::addColumn<QStringList>("kept"); // fragments of the saved file; "*": all of it

    const auto file = [](const char *name) { return readBytes(hostileFile(name)); };
    const QStringList general = {"<TempGrade>INDUSTRIAL</TempGrade>",
                                 "<AmbientTemp>55</AmbientTemp>",
                                 "<CustomThetaJB>7.5</CustomThetaJB>"};
    const QStringList clock = general + QStringList{"<Clock name=\"\xC4\x8Dlk\" value=\"75\""};
    // The base file is what the program itself writes: it saves to the very same bytes.
    QTest::newRow("complete") << file("complete.vep") << kAllRows << false << QStringList{"*"};
    for (const char *name : {"empty", "binary_garbage", "nul_before_declaration", "doctype_missing",
                             "doctype_wrong", "billion_laughs", "parameter_entity"})
        QTest::newRow(name) << file(qPrintable(name + QString(".vep"))) << QString() << false
                            << QStringList();
    QTest::newRow("4 KB entity referenced a million times")
        << entityBomb() << QString() << false << QStringList();
    // The document breaks off at the NUL: the general section before it is read, the
    // net rate section keeps only its unit and every later section is missing.
    QTest::newRow("NUL byte inside a section")
        << file("nul_inside_section.vep") << kNoRows << false << general;
    // The external document type is never fetched: the reference stays unresolved and the
    // temperature reads as an empty text, 0, while the rest of the file reads as usual.
    QTest::newRow("external entity")
        << file("external_entity.vep") << kAllRows << false
        << QStringList{"<AmbientTemp>0</AmbientTemp>", "<CustomThetaJB>7.5</CustomThetaJB>"};
    // Broken sequences become U+FFFD, which is saved as proper UTF-8.
    QTest::newRow("invalid UTF-8")
        << file("invalid_utf8.vep") << kAllRows << false
        << general + QStringList{"<Net name=\"q\xEF\xBF\xBD", "<Instance name=\"q_\xEF\xBF\xBD"};
    QTest::newRow("UTF-16 without declaration")
        << file("utf16be_no_declaration.vep") << kAllRows << false << clock;
    // Nesting beyond the reader's limit is where the document breaks off. The file has no
    // supply voltages, so fitting them to the chip marks the view modified.
    QTest::newRow("100000 levels of nesting")
        << nested(100000) << kNoRows << true << QStringList{"<AmbientTemp>55</AmbientTemp>"};
}

void TestHostile::corpus()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, rows);
    QFETCH(bool, modified);
    QFETCH(QStringList, kept);
    const QString path = tmpPath(QStringLiteral("board.vep"));
    QVERIFY(writeBytes(path, bytes));
    if (rows.isEmpty())
        return checkRefused(path, bytes, kInvalidFile);

    const Outcome outcome = open(path);
    QVERIFY2(outcome.view, qPrintable(outcome.box.text));
    QVERIFY(!outcome.box.shown);
    QCOMPARE(host()->viewArea()->count(), 1);
    QCOMPARE(outcome.view->isModified(), modified);
    QCOMPARE(rowSummary(outcome.view), rows);
    for (const QString &section : kTables)
        QAbstractItemModelTester(tableModel(outcome.view, section),
                                 QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QByteArray saved = saveView(outcome.view);
    if (kept == QStringList{"*"})
        QCOMPARE(saved, bytes);
    for (const QString &fragment : kept)
        QVERIFY2(fragment == "*" || saved.contains(fragment.toUtf8()), qPrintable(fragment));
    checkSaveIsStable(path);
}

void TestHostile::numericTexts_data()
{
    QTest::addColumn<QByteArray>("section"); // %1: the text under test
    QTest::addColumn<QByteArray>("saved");   // a fragment of the saved file

    // The decided reading of each text: anything that is not a finite decimal number
    // reads as 0, like any other non-number ("0x10" is not decimal); blanks around a
    // number are ignored; "-0" is 0.
    const QList<QPair<QByteArray, double>> texts = {
        {"nan", 0}, {"inf", 0}, {"-inf", 0}, {"1e999", 0}, {"-0", 0}, {"  12 ", 12}, {"0x10", 0}};

    struct Field {
        const char *name;
        QByteArray section;
        QByteArray saved;  // %1: the number as written
        int savedDecimals; // -1: six significant digits
    };
    // clang-format off
    const QList<Field> fields = {
        {"AmbientTemp", "<AmbientTemp>%1</AmbientTemp>", "<AmbientTemp>%1</AmbientTemp>", -1},
        {"DefaultIoToggleRate", "<DefaultConfig><DefaultIoToggleRate>%1</DefaultIoToggleRate></DefaultConfig>", "<DefaultIoToggleRate>%1</DefaultIoToggleRate>", 2},
        {"GlobalEnable value", "<GlobalEnable value=\"%1\"/>", "<GlobalEnable value=\"%1\"", -1},
        {"Clock value", "<GlobalEnable><Clock name=\"clk\" value=\"%1\"/></GlobalEnable>", "<Clock name=\"clk\" value=\"%1\"/>", -1},
        {"Instance value", "<LocalEnable><Instance name=\"q_reg\" value=\"%1\"/></LocalEnable>", "<Instance name=\"q_reg\" value=\"%1\"/>", -1},
    };
    // clang-format on
    for (const Field &field : fields) {
        for (const auto &text : texts) {
            const double value = text.second;
            const QString written = field.savedDecimals < 0
                                        ? QString::number(value, 'g', 6)
                                        : QString::number(value, 'f', field.savedDecimals);
            QTest::addRow("%s \"%s\"", field.name, text.first.constData())
                << QByteArray(field.section).replace("%1", text.first)
                << QByteArray(field.saved).replace("%1", written.toLatin1());
        }
    }

    // Kinds are decimal integers; anything else is kind 0.
    const QList<QPair<QByteArray, int>> kinds = {{"nan", 0},        {"inf", 0},    {"1e999", 0},
                                                 {"-0", 0},         {"  12 ", 12}, {"0x10", 0},
                                                 {"99999999999", 0}};
    for (const auto &kind : kinds) {
        QTest::addRow("BSRam type \"%s\"", kind.first.constData())
            << "<GlobalBsram><BSRam name=\"mem\" type=\"" + kind.first + "\"/></GlobalBsram>"
            << "<BSRam name=\"mem\" type=\"" + QByteArray::number(kind.second) + "\"/>";
        QTest::addRow("Port type \"%s\"", kind.first.constData())
            << "<PortOutEnable><Port name=\"q\" type=\"" + kind.first + "\"/></PortOutEnable>"
            << "<Port name=\"q\" type=\"" + QByteArray::number(kind.second) + "\"/>";
    }
}

void TestHostile::numericTexts()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, saved);
    const Outcome outcome = openBytes(kVepHead + "<Config>\n" + section + "\n</Config>");
    QVERIFY(outcome.view);

    const QByteArray file = saveView(outcome.view);
    QVERIFY(!file.isEmpty());
    QVERIFY2(file.contains(saved), file.constData());
    // Net rates are the only place where such a text may come back, as the user's text.
    const QString numbers = QString::fromUtf8(file).remove(QRegularExpression(
        QStringLiteral("<NetRate.*</NetRate>"), QRegularExpression::DotMatchesEverythingOption));
    const QRegularExpression nonFinite(QStringLiteral("\"-?(nan|inf)\"|>-?(nan|inf)<"),
                                       QRegularExpression::CaseInsensitiveOption);
    QVERIFY2(!numbers.contains(nonFinite), file.constData());
}

void TestHostile::bigFiles_data()
{
    QTest::addColumn<QByteArray>("prefix"); // of every net name
    QTest::addColumn<int>("rows");
    QTest::newRow("50 MB name") << QByteArray(50 << 20, 'n') << 1;
    QTest::newRow("200000 net rates") << QByteArray("n") << 200000;
}

// Huge names and row counts open, keep every row whole, save and open again the same.
void TestHostile::bigFiles()
{
    QFETCH(QByteArray, prefix);
    QFETCH(int, rows);
    QByteArray body = "<NetRate type=\"signal\">";
    body.reserve(rows * (prefix.size() + 32) + 64);
    for (int i = 0; i < rows; ++i)
        body += "<Net name=\"" + prefix + QByteArray::number(i) + "\" value=\"1.5\"/>\n";
    const Outcome outcome = openBytes(kVepHead + "<Config>\n" + body + "</NetRate>\n</Config>");
    QVERIFY(outcome.view);
    QVERIFY(!outcome.box.shown);
    QAbstractItemModel *model = tableModel(outcome.view, QStringLiteral("NetRate"));
    QCOMPARE(model->rowCount(), rows);
    QCOMPARE(model->index(rows - 1, 0).data().toString(),
             QString::fromLatin1(prefix + QByteArray::number(rows - 1)));
    checkSaveIsStable(tmpPath(QStringLiteral("board.vep")));
}

// What the leak checkers run: views opened and closed through the IDE, with a refused
// file in between now and then. Afterwards the manager holds no view, the view area no
// tab, and no widget is left over.
void TestHostile::openCloseThousandViews()
{
    const QString good = tmpPath(QStringLiteral("board.vep"));
    const QString bad = tmpPath(QStringLiteral("bad.vep"));
    QVERIFY(writeBytes(good, readBytes(hostileFile(QStringLiteral("complete.vep")))));
    QVERIFY(writeBytes(bad, readBytes(hostileFile(QStringLiteral("doctype_wrong.vep")))));
    // The first open creates what lives as long as the application (the view area).
    QVERIFY(open(good).view);
    closeView(viewOf(good));
    const int widgets = QApplication::allWidgets().size();

    // Fewer rounds can be asked for under valgrind, where each costs fifty times as much.
    bool countGiven = false;
    const int rounds = qEnvironmentVariableIntValue("VEP_OPEN_CLOSE_ROUNDS", &countGiven);
    for (int i = 0; i < (countGiven && rounds > 0 ? rounds : 1000); ++i) {
        if (i % 50 == 0)
            QVERIFY(!open(bad).view);
        ZEL::ZELViewManager::openView(DEV::DeviceArg(QStringLiteral("PX-A")), good);
        ZEL::ZELView *view = viewOf(good);
        QVERIFY(view && !view->isModified());
        QVERIFY(host()->closeView(view));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QCOMPARE(host()->viewArea()->count(), 0);
    QCOMPARE(QApplication::allWidgets().size(), widgets);
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
