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
#include "host/extsys.h"
#include "host/nlsdata.h"
#include "host/te.h"
#include "host/utils.h"
#include "plugin/ZELViewManager.h"
#include "rate/RateTableView.h"
#include "rate/RateWidget.h"
#include "rate/VcdFileWidget.h"
#include "rate/ZELRateWidget.h"
#include "support/ModalHelper.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

const QByteArray kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n";
const QString kInvalidFile = QStringLiteral("Can not open %1:\nInvalid VEP file.");
const QString kNetlistError =
    QStringLiteral("Netlist file does not exist or some errors are in the netlist file.");
const QStringList kTables = {QStringLiteral("NetRate"),      QStringLiteral("SimuFile"),
                             QStringLiteral("GlobalEnable"), QStringLiteral("PortOutEnable"),
                             QStringLiteral("GlobalBsram"),  QStringLiteral("LocalEnable")};
const QString kNoRows = QStringLiteral("NetRate=0 SimuFile=0 GlobalEnable=0 PortOutEnable=0 "
                                       "GlobalBsram=0 LocalEnable=0");
const QString kAllRows = QStringLiteral("NetRate=2 SimuFile=1 GlobalEnable=1 PortOutEnable=1 "
                                        "GlobalBsram=1 LocalEnable=1");

QString hostileFile(const QString &name)
{
    return QStringLiteral(VEP_SOURCE_DIR "/tests/data/hostile/") + name;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

Core::ViewManager *host()
{
    return Core::ViewManager::instance();
}

DEV::DeviceArg device()
{
    return DEV::DeviceArg(QStringLiteral("PX-A"));
}

ZEL::ZELView *viewOf(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (ZEL::ZELView *view : ZEL::ZELViewManager::instance()->zelViews()) {
        if (view->file() == absolute)
            return view;
    }
    return nullptr;
}

QAbstractItemModel *tableModel(ZEL::ZELView *view, const QString &section)
{
    if (section == QLatin1String("NetRate"))
        return view->ratePage()->rateWidget()->netTable()->tableView()->model();
    QWidget *widget = nullptr;
    if (section == QLatin1String("SimuFile"))
        widget = view->ratePage()->vcdFileWidget();
    else if (section == QLatin1String("GlobalEnable"))
        widget = view->enableSetPage()->clockEnableTable();
    else if (section == QLatin1String("PortOutEnable"))
        widget = view->enableSetPage()->portTable();
    else if (section == QLatin1String("GlobalBsram"))
        widget = view->enableSetPage()->bsramTable();
    else if (section == QLatin1String("LocalEnable"))
        widget = view->enableSetPage()->dffTable();
    auto *table = widget ? widget->findChild<QTableView *>(QStringLiteral("tableView")) : nullptr;
    return table ? table->model() : nullptr;
}

// Row counts of every table, e.g. "NetRate=2 SimuFile=1 ...".
QString rowSummary(ZEL::ZELView *view)
{
    QStringList parts;
    for (const QString &section : kTables) {
        QAbstractItemModel *model = tableModel(view, section);
        parts << QStringLiteral("%1=%2").arg(section).arg(model ? model->rowCount() : -1);
    }
    return parts.join(QLatin1Char(' '));
}

QDoubleSpinBox *spinBox(ZEL::ZELView *view, const QString &name)
{
    const QList<QDoubleSpinBox *> found = view->findChildren<QDoubleSpinBox *>(name);
    return found.size() == 1 ? found.first() : nullptr;
}

// What the user sees of one value: "spin:<name>" a spin box's value, "cell:<section>:<col>"
// the first row's text in that column, "editable:<section>:<col>" whether it can be edited.
QString probe(ZEL::ZELView *view, const QString &where)
{
    const QStringList parts = where.split(QLatin1Char(':'));
    if (parts.first() == QLatin1String("spin")) {
        QDoubleSpinBox *spin = spinBox(view, parts.at(1));
        return spin ? QString::number(spin->value()) : QStringLiteral("<no spin box>");
    }
    QAbstractItemModel *model = tableModel(view, parts.at(1));
    if (!model || model->rowCount() < 1)
        return QStringLiteral("<no row>");
    const QModelIndex index = model->index(0, parts.at(2).toInt());
    if (parts.first() == QLatin1String("editable"))
        return model->flags(index).testFlag(Qt::ItemIsEditable) ? QStringLiteral("yes")
                                                                : QStringLiteral("no");
    return model->data(index, Qt::DisplayRole).toString();
}

// The prefix closed properly: end tags for every element still open where it stops.
QByteArray closedVersion(const QByteArray &prefix)
{
    QXmlStreamReader reader(prefix);
    QStringList open;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement)
            open << reader.name().toString();
        else if (token == QXmlStreamReader::EndElement)
            open.removeLast();
    }
    QByteArray closed = prefix;
    while (!open.isEmpty())
        closed += "</" + open.takeLast().toUtf8() + '>';
    return closed;
}

QByteArray nested(int depth)
{
    QByteArray bytes = kHead + "<Config>\n    <AmbientTemp>55</AmbientTemp>\n    <Deep>";
    bytes.reserve(bytes.size() + depth * 7 + 64);
    for (int i = 0; i < depth; ++i)
        bytes += "<a>";
    for (int i = 0; i < depth; ++i)
        bytes += "</a>";
    return bytes + "</Deep>\n    <LocalEnable><Instance name=\"q_reg\" value=\"40\"/></LocalEnable>"
                   "\n</Config>";
}

QByteArray entityBomb()
{
    QByteArray bytes = kHead.left(kHead.indexOf('\n') + 1) +
                       "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY e \"" +
                       QByteArray(4096, 'x') + "\">]>\n<Config><AmbientTemp>";
    bytes.reserve(bytes.size() + 3 * 1000000 + 64);
    for (int i = 0; i < 1000000; ++i)
        bytes += "&e;";
    return bytes + "</AmbientTemp></Config>";
}

// A module chain `depth` levels deep, the top marked; every module instantiates the next.
QByteArray moduleChain(int depth)
{
    QByteArray json = "{\"modules\": {";
    for (int i = 0; i < depth; ++i) {
        json += "\"m" + QByteArray::number(i) + "\": {";
        if (i == 0)
            json += "\"attributes\": {\"top\": 1}, ";
        json += "\"ports\": {}, \"cells\": {";
        if (i + 1 < depth)
            json +=
                "\"u\": {\"type\": \"m" + QByteArray::number(i + 1) + "\", \"connections\": {}}";
        json += "}, \"netnames\": {}}";
        if (i + 1 < depth)
            json += ", ";
    }
    return json + "}}";
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
    void completeFileIsCanonical();
    void truncated_data();
    void truncated();
    void numericTexts_data();
    void numericTexts();
    void hugeAttribute();
    void hugeNameInWarning();
    void hugeRowCount_data();
    void hugeRowCount();
    void hostileNetlist_data();
    void hostileNetlist();
    void openCloseThousandViews();

private:
    struct Outcome {
        ZEL::ZELView *view = nullptr; // null when the file was refused
        ModalSeen box;                // the box the user had to answer, if any
    };
    Outcome open(const QString &path);
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
    ZEL::ZELViewManager::openView(device(), path);
    ModalHelper::cancelPending();
    outcome.view = viewOf(path);
    return outcome;
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
    QVERIFY(outcome.box.shown);
    QCOMPARE(outcome.box.icon, QMessageBox::Critical);
    QCOMPARE(outcome.box.title, QStringLiteral("Error"));
    QCOMPARE(outcome.box.text, message.contains(QLatin1String("%1"))
                                   ? message.arg(QDir::toNativeSeparators(path))
                                   : message);
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QCOMPARE(host()->viewArea()->count(), 0);
    QCOMPARE(readBytes(path), bytes);
}

void TestHostile::initTestCase()
{
    m_startDir = QDir::currentPath();
    QString error;
    QVERIFY2(ExtSys::PluginManager::instance()->loadPlugin(
                 QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so"), &error),
             qPrintable(error));
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
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    const QList<Core::IView *> views = host()->views();
    for (Core::IView *view : views) {
        if (auto *zelView = qobject_cast<ZEL::ZELView *>(view))
            zelView->setModified(false);
        host()->closeView(view);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QDir::setCurrent(m_startDir);
}

void TestHostile::corpus_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("modified");    // right after opening
    QTest::addColumn<QString>("rows");     // rowSummary()
    QTest::addColumn<QStringList>("kept"); // fragments of the saved file

    const auto file = [](const char *name) { return readBytes(hostileFile(name)); };
    const QStringList generalKept = {"<TempGrade>INDUSTRIAL</TempGrade>",
                                     "<AmbientTemp>55</AmbientTemp>",
                                     "<CustomThetaJB>7.5</CustomThetaJB>"};

    QTest::newRow("complete") << file("complete.vep") << true << false << kAllRows
                              << generalKept + QStringList{"<Net name=\"clk\" value=\"50\"/>"};
    QTest::newRow("empty file") << file("empty.vep") << false << false << QString()
                                << QStringList();
    QTest::newRow("binary garbage")
        << file("binary_garbage.vep") << false << false << QString() << QStringList();
    QTest::newRow("NUL bytes before the declaration")
        << file("nul_before_declaration.vep") << false << false << QString() << QStringList();
    // The document breaks off at the NUL: the general section before it is read, the
    // net rate section keeps only its unit and every later section is missing.
    QTest::newRow("NUL byte inside a section")
        << file("nul_inside_section.vep") << true << false << kNoRows << generalKept;
    QTest::newRow("document type missing")
        << file("doctype_missing.vep") << false << false << QString() << QStringList();
    QTest::newRow("document type of another tool")
        << file("doctype_wrong.vep") << false << false << QString() << QStringList();
    QTest::newRow("document type with public id")
        << file("doctype_public_id.vep") << true << false << kAllRows << generalKept;
    QTest::newRow("billion laughs")
        << file("billion_laughs.vep") << false << false << QString() << QStringList();
    QTest::newRow("parameter entity")
        << file("parameter_entity.vep") << false << false << QString() << QStringList();
    QTest::newRow("4 KB entity referenced a million times")
        << entityBomb() << false << false << QString() << QStringList();
    // The external document type is never fetched: the reference stays unresolved and the
    // temperature reads as an empty text, 0, while the rest of the file reads as usual.
    QTest::newRow("external entity")
        << file("external_entity.vep") << true << false << kAllRows
        << QStringList{"<AmbientTemp>0</AmbientTemp>", "<CustomThetaJB>7.5</CustomThetaJB>"};
    // Broken sequences become U+FFFD, which is saved as proper UTF-8.
    QTest::newRow("invalid UTF-8") << file("invalid_utf8.vep") << true << false << kAllRows
                                   << generalKept + QStringList{"<Net name=\"q\xEF\xBF\xBD",
                                                                "<Instance name=\"q_\xEF\xBF\xBD"};
    QTest::newRow("UTF-16 with declaration")
        << file("utf16le_bom.vep") << true << false << kAllRows
        << generalKept + QStringList{"<Clock name=\"\xC4\x8Dlk\" value=\"75\""};
    QTest::newRow("UTF-16 without declaration")
        << file("utf16be_no_declaration.vep") << true << false << kAllRows
        << generalKept + QStringList{"<Clock name=\"\xC4\x8Dlk\" value=\"75\""};
    // Nesting beyond the reader's limit is where the document breaks off. The file has no
    // supply voltages, so fitting them to the chip marks the view modified.
    QTest::newRow("100000 levels of nesting") << nested(100000) << true << true << kNoRows
                                              << QStringList{"<AmbientTemp>55</AmbientTemp>"};
}

void TestHostile::corpus()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, opens);
    QFETCH(bool, modified);
    QFETCH(QString, rows);
    QFETCH(QStringList, kept);
    const QString path = tmpPath(QStringLiteral("board.vep"));
    QVERIFY(writeBytes(path, bytes));

    if (!opens) {
        checkRefused(path, bytes, kInvalidFile);
        return;
    }
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
    for (const QString &fragment : kept)
        QVERIFY2(saved.contains(fragment.toUtf8()), qPrintable(fragment));
    checkSaveIsStable(path);
}

// The corpus's base file is what the program itself writes: it opens unmodified and
// saves to the very same bytes.
void TestHostile::completeFileIsCanonical()
{
    const QString path = tmpPath(QStringLiteral("complete.vep"));
    const QByteArray original = readBytes(hostileFile(QStringLiteral("complete.vep")));
    QVERIFY(writeBytes(path, original));
    const Outcome outcome = open(path);
    QVERIFY(outcome.view);
    QVERIFY(!outcome.view->isModified());
    QCOMPARE(saveView(outcome.view), original);
}

void TestHostile::truncated_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<bool>("atLineEnd");
    const QByteArray whole = readBytes(hostileFile(QStringLiteral("complete.vep")));
    int lineStart = 0;
    for (int line = 1; lineStart < whole.size(); ++line) {
        int lineEnd = whole.indexOf('\n', lineStart);
        if (lineEnd < 0)
            lineEnd = whole.size() - 1;
        QTest::addRow("line %d, middle", line) << (lineStart + lineEnd) / 2 << false;
        QTest::addRow("line %d, end", line) << lineEnd + 1 << true;
        lineStart = lineEnd + 1;
    }
}

// Whatever precedes the break is read: a file cut at a line end opens exactly like the
// same lines with their open elements closed. Before the document type is complete the
// file is refused; before the root element it opens with defaults, modified.
void TestHostile::truncated()
{
    QFETCH(int, cut);
    QFETCH(bool, atLineEnd);
    const QByteArray whole = readBytes(hostileFile(QStringLiteral("complete.vep")));
    const QByteArray prefix = whole.left(cut);
    const int doctypeEnd = whole.indexOf('>', whole.indexOf("<!DOCTYPE")) + 1;
    const int rootEnd = whole.indexOf("<Config>") + int(qstrlen("<Config>"));
    const QString path = tmpPath(QStringLiteral("cut.vep"));
    QVERIFY(writeBytes(path, prefix));

    if (cut < doctypeEnd) {
        checkRefused(path, prefix, kInvalidFile);
        return;
    }
    const Outcome outcome = open(path);
    QVERIFY(outcome.view);
    QVERIFY(!outcome.box.shown);
    if (cut < rootEnd) {
        QVERIFY(outcome.view->isModified());
        QCOMPARE(rowSummary(outcome.view), kNoRows);
        // Without a root element the rails are not fitted to the chip, so the defaults
        // are saved with rails at 0; the next open fits them and is modified again.
        QVERIFY(saveView(outcome.view).contains("<VCC>0</VCC>"));
        closeView(outcome.view);
        const Outcome reopened = open(path);
        QVERIFY(reopened.view);
        QVERIFY(reopened.view->isModified());
        checkSaveIsStable(path);
        return;
    }
    if (atLineEnd) {
        const QString closedPath = tmpPath(QStringLiteral("closed.vep"));
        QVERIFY(writeBytes(closedPath, closedVersion(prefix)));
        const Outcome closed = open(closedPath);
        QVERIFY(closed.view);
        QCOMPARE(outcome.view->isModified(), closed.view->isModified());
        QCOMPARE(rowSummary(outcome.view), rowSummary(closed.view));
        QCOMPARE(saveView(outcome.view), saveView(closed.view));
        closeView(closed.view);
    }
    checkSaveIsStable(path);
}

void TestHostile::numericTexts_data()
{
    QTest::addColumn<QByteArray>("section"); // %1: the text under test
    QTest::addColumn<QString>("where");      // see probe()
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("saved"); // a fragment of the saved file

    // The decided reading of each text: anything that is not a finite decimal number
    // reads as 0, like any other non-number ("0x10" is not decimal); blanks around a
    // number are ignored; "-0" is 0.
    const QList<QPair<QByteArray, double>> texts = {
        {"nan", 0}, {"inf", 0}, {"-inf", 0}, {"1e999", 0}, {"-0", 0}, {"  12 ", 12}, {"0x10", 0}};

    struct Field {
        const char *name;
        QByteArray section;
        QString where;
        double minimum;
        double maximum;
        QByteArray saved;  // %1: the number as written
        int savedDecimals; // -1: six significant digits
        QString shownSuffix;
    };
    // clang-format off
    const QList<Field> fields = {
        {"AmbientTemp", "<AmbientTemp>%1</AmbientTemp>", "spin:spinAmbTemp", -60, 160, "<AmbientTemp>%1</AmbientTemp>", -1, {}},
        {"JunctionTemp", "<JunctionTemp>%1</JunctionTemp>", "spin:spinJunctionTemp", -40, 150, "<JunctionTemp>%1</JunctionTemp>", -1, {}},
        {"BoardTemp", "<HeatSink>Low Profile</HeatSink><BoardThermalModel>Typical</BoardThermalModel>"
         "<BoardTemp>%1</BoardTemp>", "spin:spinBoardTemp", -60, 160, "<BoardTemp>%1</BoardTemp>", -1, {}},
        {"CustomThetaJA", "<CustomThetaJA>%1</CustomThetaJA>", "spin:lineEditJA", 0.001, 100, "<CustomThetaJA>%1</CustomThetaJA>", -1, {}},
        {"CustomThetaSA", "<HeatSink>Custom</HeatSink><CustomThetaSA>%1</CustomThetaSA>", "spin:lineEditSA", 0.001, 100, "<CustomThetaSA>%1</CustomThetaSA>", -1, {}},
        {"CustomThetaJB", "<HeatSink>Low Profile</HeatSink><BoardThermalModel>Custom</BoardThermalModel>"
         "<CustomThetaJB>%1</CustomThetaJB>", "spin:lineEditJB", 0.001, 100, "<CustomThetaJB>%1</CustomThetaJB>", -1, {}},
        {"DefaultIoToggleRate", "<DefaultConfig><DefaultIoToggleRate>%1</DefaultIoToggleRate></DefaultConfig>", "spin:editIOValue", 0, 200, "<DefaultIoToggleRate>%1</DefaultIoToggleRate>", 2, {}},
        {"DefaultRmSignalRate", "<DefaultConfig><DefaultRmSignalRate>%1</DefaultRmSignalRate></DefaultConfig>", "spin:editRemainValue", 0, 1e9, "<DefaultRmSignalRate>%1</DefaultRmSignalRate>", 2, {}},
        {"GlobalEnable value", "<GlobalEnable value=\"%1\"/>", "spin:doubleSpinBox", 0, 100, "<GlobalEnable value=\"%1\"", -1, {}},
        {"GlobalBsram read_probability", "<GlobalBsram read_probability=\"%1\"/>", "spin:spinBoxRead", 0, 100, "read_probability=\"%1\"", -1, {}},
        {"Clock value", "<GlobalEnable><Clock name=\"clk\" value=\"%1\"/></GlobalEnable>", "cell:GlobalEnable:1", 0, 1e30, "<Clock name=\"clk\" value=\"%1\"/>", -1, {}},
        {"BSRam port_a_read", "<GlobalBsram><BSRam name=\"mem\" port_a_read=\"%1\" type=\"1\"/></GlobalBsram>", "cell:GlobalBsram:2", 0, 1e30, "<BSRam name=\"mem\" port_a_read=\"%1\" type=\"1\"/>", -1, {}},
        {"Port capacity", "<PortOutEnable><Port name=\"q\" capacity=\"%1\" type=\"1\"/></PortOutEnable>", "cell:PortOutEnable:2", 0, 1e30, "<Port name=\"q\" capacity=\"%1\" type=\"1\"/>", -1, QStringLiteral("pF")},
        {"Instance value", "<LocalEnable><Instance name=\"q_reg\" value=\"%1\"/></LocalEnable>", "cell:LocalEnable:1", 0, 1e30, "<Instance name=\"q_reg\" value=\"%1\"/>", -1, {}},
    };
    // clang-format on
    for (const Field &field : fields) {
        for (const auto &text : texts) {
            const double value = qBound(field.minimum, text.second, field.maximum);
            const QString written = field.savedDecimals < 0
                                        ? QString::number(value, 'g', 6)
                                        : QString::number(value, 'f', field.savedDecimals);
            QTest::addRow("%s \"%s\"", field.name, text.first.constData())
                << QByteArray(field.section).replace("%1", text.first) << field.where
                << QString::number(value) + field.shownSuffix
                << QByteArray(field.saved).replace("%1", written.toLatin1());
        }
    }

    // Supply voltages are fitted to the chip afterwards: whatever the text, a value the
    // chip cannot take (0 or 12) is replaced by its default.
    for (const auto &text : texts) {
        QTest::addRow("VCC \"%s\"", text.first.constData())
            << "<VCC>" + text.first + "</VCC>" << QStringLiteral("spin:doubleSpinVCC")
            << QStringLiteral("1") << QByteArray("<VCC>1</VCC>");
    }
    // Kinds are decimal integers; anything else is kind 0. A port of kind 0 has no
    // editable output enable.
    const QList<QPair<QByteArray, int>> kinds = {{"nan", 0},        {"inf", 0},    {"1e999", 0},
                                                 {"-0", 0},         {"  12 ", 12}, {"0x10", 0},
                                                 {"99999999999", 0}};
    for (const auto &kind : kinds) {
        QTest::addRow("BSRam type \"%s\"", kind.first.constData())
            << "<GlobalBsram><BSRam name=\"mem\" type=\"" + kind.first + "\"/></GlobalBsram>"
            << QStringLiteral("editable:GlobalBsram:0") << QStringLiteral("no")
            << "<BSRam name=\"mem\" type=\"" + QByteArray::number(kind.second) + "\"/>";
        QTest::addRow("Port type \"%s\"", kind.first.constData())
            << "<PortOutEnable><Port name=\"q\" type=\"" + kind.first + "\"/></PortOutEnable>"
            << QStringLiteral("editable:PortOutEnable:1")
            << (kind.second ? QStringLiteral("yes") : QStringLiteral("no"))
            << "<Port name=\"q\" type=\"" + QByteArray::number(kind.second) + "\"/>";
    }
    // Net rates are texts, shown (with the unit of the table) and saved as read.
    for (const auto &text : texts) {
        QTest::addRow("Net value \"%s\"", text.first.constData())
            << "<NetRate type=\"toggle\"><Net name=\"q\" value=\"" + text.first + "\"/></NetRate>"
            << QStringLiteral("cell:NetRate:1") << QString::fromLatin1(text.first) + '%'
            << "<Net name=\"q\" value=\"" + text.first + "\"/>";
    }
}

void TestHostile::numericTexts()
{
    QFETCH(QByteArray, section);
    QFETCH(QString, where);
    QFETCH(QString, shown);
    QFETCH(QByteArray, saved);
    const QString path = tmpPath(QStringLiteral("numbers.vep"));
    QVERIFY(writeBytes(path, kHead + "<Config>\n" + section + "\n</Config>"));

    const Outcome outcome = open(path);
    QVERIFY(outcome.view);
    QCOMPARE(probe(outcome.view, where), shown);

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

// A 50 MB attribute value opens, is kept whole and saves whole.
void TestHostile::hugeAttribute()
{
    const int size = 50 * 1024 * 1024;
    const QString path = tmpPath(QStringLiteral("huge.vep"));
    {
        QByteArray bytes = kHead + "<Config>\n<NetRate type=\"toggle\"><Net name=\"";
        bytes.reserve(bytes.size() + size + 128);
        bytes += QByteArray(size, 'n');
        bytes += "\" value=\"1\"/></NetRate>\n</Config>";
        QVERIFY(writeBytes(path, bytes));
    }
    const Outcome outcome = open(path);
    QVERIFY(outcome.view);
    QVERIFY(!outcome.box.shown);
    const QList<ZEL::NetRateItem *> &items =
        outcome.view->ratePage()->rateWidget()->netTable()->items();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first()->name.size(), size);
    QCOMPARE(items.first()->name.count(QLatin1Char('n')), size);
    checkSaveIsStable(path);
    QVERIFY(readBytes(path).contains("<Net name=\"nnnnnnnn"));
}

// A net without a rate vetoes the save with its name in the warning; a name of
// megabytes is shortened there, or laying out the box would freeze the IDE.
void TestHostile::hugeNameInWarning()
{
    const int size = 5 * 1024 * 1024;
    const QString path = tmpPath(QStringLiteral("huge-name.vep"));
    const QByteArray bytes = kHead + "<Config>\n<NetRate type=\"toggle\"><Net name=\"" +
                             QByteArray(size, 'n') + "\"/></NetRate>\n</Config>";
    QVERIFY(writeBytes(path, bytes));
    const Outcome outcome = open(path);
    QVERIFY(outcome.view);
    outcome.view->setModified(true);

    TestSupport::ModalSeen warning;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &warning);
    outcome.view->save();
    QVERIFY(warning.shown);
    QVERIFY(warning.text.startsWith(QStringLiteral("Rate value of Net 'nnnn")));
    QVERIFY(warning.text.endsWith(QStringLiteral("nnnn' is empty.")));
    QVERIFY2(warning.text.size() < 1100, qPrintable(QString::number(warning.text.size())));
    QVERIFY(outcome.view->isModified());
    QCOMPARE(readBytes(path), bytes);
}

void TestHostile::hugeRowCount_data()
{
    QTest::addColumn<QByteArray>("section"); // %1: the rows
    QTest::addColumn<QByteArray>("row");     // %1: the row number
    QTest::addColumn<QString>("table");
    QTest::newRow("flip-flops") << QByteArray("<LocalEnable>%1</LocalEnable>")
                                << QByteArray("<Instance name=\"u/r[%1]\" value=\"40\"/>")
                                << QStringLiteral("LocalEnable");
    QTest::newRow("net rates") << QByteArray("<NetRate type=\"signal\">%1</NetRate>")
                               << QByteArray("<Net name=\"n%1\" value=\"1.5\"/>")
                               << QStringLiteral("NetRate");
}

// 200,000 rows in one section open, save and open again with every row.
void TestHostile::hugeRowCount()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, row);
    QFETCH(QString, table);
    const int rows = 200000;
    QByteArray body;
    body.reserve(rows * (row.size() + 8));
    for (int i = 0; i < rows; ++i)
        body += QByteArray(row).replace("%1", QByteArray::number(i)) + '\n';
    const QString path = tmpPath(QStringLiteral("rows.vep"));
    QVERIFY(writeBytes(path, kHead + "<Config>\n" + QByteArray(section).replace("%1", body) +
                                 "\n</Config>"));
    const Outcome outcome = open(path);
    QVERIFY(outcome.view);
    QAbstractItemModel *model = tableModel(outcome.view, table);
    QCOMPARE(model->rowCount(), rows);
    QCOMPARE(model->index(rows - 1, 0).data().toString(),
             QString::fromLatin1(QByteArray(row).replace("%1", QByteArray::number(rows - 1)))
                 .section(QLatin1Char('"'), 1, 1));
    checkSaveIsStable(path);
}

void TestHostile::hostileNetlist_data()
{
    QTest::addColumn<QString>("netlist"); // a file name, or empty: `content` is written
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("opens");

    const QString ours = QStringLiteral(VEP_SOURCE_DIR "/tests/data/netlist/");
    const QByteArray deep = QByteArray(10000, '[') + QByteArray(10000, ']');
    QTest::newRow("cycle in the module hierarchy") << ours + "cycle.json" << QByteArray() << false;
    QTest::newRow("module instantiating itself")
        << ours + "self_instance.json" << QByteArray() << false;
    QTest::newRow("no top module") << ours + "loop_without_top.json" << QByteArray() << false;
    QTest::newRow("two candidate tops") << ours + "two_roots.json" << QByteArray() << false;
    QTest::newRow("top not marked, one root") << ours + "unmarked_top.json" << QByteArray() << true;
    QTest::newRow("unknown cell types")
        << hostileFile(QStringLiteral("netlist_unknown_cells.json")) << QByteArray() << true;
    QTest::newRow("bits pointing nowhere")
        << hostileFile(QStringLiteral("netlist_dangling_bits.json")) << QByteArray() << true;
    QTest::newRow("10000 levels of JSON nesting where modules are")
        << QString() << "{\"modules\": " + deep + "}" << false;
    QTest::newRow("10000 levels of JSON nesting in an attribute")
        << QString()
        << "{\"modules\": {\"t\": {\"attributes\": {\"top\": 1, \"junk\": " + deep +
               "}, \"ports\": {}, \"cells\": {}, \"netnames\": {}}}}"
        << true;
    QTest::newRow("10000 levels of module hierarchy") << QString() << moduleChain(10000) << false;
    QTest::newRow("empty netlist file") << QString() << QByteArray("") << false;
}

// Through the IDE's open: a netlist the reader rejects is one box and no view; the
// configuration file is not touched either way.
void TestHostile::hostileNetlist()
{
    QFETCH(QString, netlist);
    QFETCH(QByteArray, content);
    QFETCH(bool, opens);
    if (netlist.isEmpty()) {
        netlist = tmpPath(QStringLiteral("hostile.json"));
        QVERIFY(writeBytes(netlist, content));
    }
    TE::TaskEngine::instance()->flowManager()->setResultFile(QStringLiteral("RES.netlist"),
                                                             netlist);
    const QString path = tmpPath(QStringLiteral("board.vep"));
    const QByteArray original = readBytes(hostileFile(QStringLiteral("complete.vep")));
    QVERIFY(writeBytes(path, original));

    if (!opens) {
        checkRefused(path, original, kNetlistError);
        return;
    }
    const Outcome outcome = open(path);
    QVERIFY(outcome.view);
    QVERIFY(!outcome.box.shown);
    QVERIFY(outcome.view->getNetlist());
    QCOMPARE(rowSummary(outcome.view), kAllRows);
    QCOMPARE(readBytes(path), original);
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
        ZEL::ZELViewManager::openView(device(), good);
        ZEL::ZELView *view = viewOf(good);
        QVERIFY(view);
        QVERIFY(!view->isModified());
        QVERIFY(host()->closeView(view));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().isEmpty());
    QCOMPARE(host()->viewArea()->count(), 0);
    QCOMPARE(QApplication::allWidgets().size(), widgets);
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
