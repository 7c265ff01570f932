// The configuration checker and the `vep` command: names that went stale after a
// re-synthesis, one file with one problem of each kind, and the command's exit statuses,
// output forms and refusal to save a value the editor would clamp.

#include "check/Checker.h"
#include "check/ConfigSnapshot.h"
#include "host/nlsdata.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using VepCheck::Checker;
using VepCheck::Diagnostic;

namespace {

const QString kExample = QStringLiteral(VEP_SOURCE_DIR "/examples/");

// The design after a re-synthesis: registers lost their `_reg`, the accumulator moved
// from u_old to u_core, the data bus has bits 0..7 only.
std::unique_ptr<NlsData::Netlist> renamedDesign()
{
    auto netlist = std::make_unique<NlsData::Netlist>(QStringLiteral("top"));
    for (int bit = 0; bit < 8; ++bit) {
        const QString index = QStringLiteral("[%1]").arg(bit);
        netlist->addPrimitive(QStringLiteral("u_core/cnt") + index, NlsData::CategoryFlipFlop, 0);
        netlist->addPrimitive(QStringLiteral("u_core/acc") + index, NlsData::CategoryFlipFlop, 0);
        netlist->addNet(QStringLiteral("u_core/data") + index);
    }
    netlist->addPrimitive(QStringLiteral("u_core/u_ram/mem"), NlsData::CategoryBlockRam, 0);
    netlist->addTopPort(QStringLiteral("din"), NlsData::DirectionInput,
                        netlist->addNet(QStringLiteral("din")));
    netlist->addTopPort(QStringLiteral("dout"), NlsData::DirectionOutput,
                        netlist->addNet(QStringLiteral("dout")));
    return netlist;
}

QString run(const QStringList &arguments, int *status)
{
    QProcess vep;
    vep.start(QStringLiteral(VEP_BIN_DIR "/vep"), arguments);
    vep.waitForFinished(120000);
    *status = vep.exitStatus() == QProcess::NormalExit ? vep.exitCode() : -1;
    return QString::fromUtf8(vep.readAllStandardOutput());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_check : public QObject {
    Q_OBJECT
private slots:
    void renamedNames_data();
    void renamedNames();
    void oneProblemOfEachKind();
    void refusedOnlyWhenTheEditorRefuses_data();
    void refusedOnlyWhenTheEditorRefuses();
    void command_data();
    void command();
    void setTakesOrRefuses_data();
    void setTakesOrRefuses();
};

void tst_check::renamedNames_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("suggestion");
    QTest::newRow("register lost _reg") << "LocalEnable"
                                        << "u_core/cnt_reg[3]"
                                        << "stale-name"
                                        << "u_core/cnt[3]";
    QTest::newRow("still there") << "LocalEnable"
                                 << "u_core/cnt[3]"
                                 << ""
                                 << "";
    QTest::newRow("moved to another instance") << "LocalEnable"
                                               << "u_old/acc[2]"
                                               << "stale-name"
                                               << "u_core/acc[2]";
    QTest::newRow("bit beyond the vector") << "NetRate"
                                           << "u_core/data[9]"
                                           << "stale-name"
                                           << "u_core/data[7]";
    QTest::newRow("nothing close") << "LocalEnable"
                                   << "u_dsp/mult"
                                   << "stale-name"
                                   << "";
    QTest::newRow("RAM row names a flip-flop") << "GlobalBsram"
                                               << "u_core/cnt[3]"
                                               << "wrong-kind"
                                               << "";
    QTest::newRow("flip-flop row names a RAM") << "LocalEnable"
                                               << "u_core/u_ram/mem"
                                               << "wrong-kind"
                                               << "";
    QTest::newRow("output row names an input") << "PortOutEnable"
                                               << "din"
                                               << "wrong-kind"
                                               << "";
    QTest::newRow("output row names an output") << "PortOutEnable"
                                                << "dout"
                                                << ""
                                                << "";
}

void tst_check::renamedNames()
{
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(QString, check);
    QFETCH(QString, suggestion);
    VepCheck::ConfigSnapshot snapshot;
    snapshot.file = QStringLiteral("design.vep");
    VepCheck::ConfigSection table;
    table.tag = section;
    VepCheck::ConfigRow row;
    row.name = name;
    row.line = 7;
    table.rows = {row};
    snapshot.sections = {table};

    const auto netlist = renamedDesign();
    const QList<Diagnostic> found = Checker::checkSnapshot(snapshot, {}, netlist.get());
    QCOMPARE(found.size(), check.isEmpty() ? 0 : 1);
    if (check.isEmpty())
        return;
    QCOMPARE(found.first().check, check);
    QCOMPARE(found.first().suggestion, suggestion);
    QCOMPARE(found.first().line, 7);
    QCOMPARE(found.first().name, name);
}

void tst_check::oneProblemOfEachKind()
{
    QString error;
    QVERIFY(NlsData::loadCellLibrary(kExample + "design/cells.json", &error));
    std::unique_ptr<NlsData::Netlist> netlist(
        NlsData::readNetlistFile(kExample + "design/netlist.json", &error, true));
    QVERIFY2(netlist, qPrintable(error));
    VepCheck::DesignContext context;
    context.projectDir = kExample + "project";
    context.device = QStringLiteral("PX-C");

    QStringList found;
    for (const char *file : {"problems/not-a-config.vep", "problems/problems.vep"}) {
        for (const Diagnostic &d : Checker::checkFile(kExample + file, context, netlist.get()))
            found << QStringLiteral("%1 %2 %3")
                         .arg(d.line)
                         .arg(VepCheck::severityName(d.severity), d.check);
    }
    const QStringList expected = {
        "1 error not-a-config",      "5 warning normalized",       "9 warning normalized",
        "12 warning normalized",     "13 error save-refused",      "18 warning normalized",
        "22 error activity-missing", "23 error activity-format",   "24 warning activity-window",
        "24 note activity-coverage", "25 warning activity-window", "25 error activity-scope",
        "29 warning wrong-kind",     "33 warning stale-name",      "35 warning duplicate-name"};
    QCOMPARE(found, expected);

    // The example itself is clean.
    QCOMPARE(Checker::checkFile(kExample + "project/board.vep", context, netlist.get()).size(), 0);
}

void tst_check::refusedOnlyWhenTheEditorRefuses_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("refused");
    QTest::newRow("broken UTF-8 opens") << "invalid_utf8.vep" << false;
    QTest::newRow("UTF-16 opens") << "utf16le_bom.vep" << false;
    QTest::newRow("entity declarations") << "billion_laughs.vep" << true;
    QTest::newRow("other document type") << "doctype_wrong.vep" << true;
}

void tst_check::refusedOnlyWhenTheEditorRefuses()
{
    QFETCH(QString, file);
    QFETCH(bool, refused);
    VepCheck::DesignContext context;
    context.device = QStringLiteral("PX-C");
    const QList<Diagnostic> found = Checker::checkFile(
        QStringLiteral(VEP_SOURCE_DIR "/tests/data/hostile/") + file, context, nullptr);
    QCOMPARE(!found.isEmpty() && found.first().check == QLatin1String("not-a-config"), refused);
}

void tst_check::command_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    const QString project = kExample + "project/example.vepproj";
    const QString problems = kExample + "problems/problems.vep";
    const QString board = kExample + "project/board.vep";
    QTest::newRow("clean") << QStringList{"check", board, "--project", project} << 0
                           << "1 file checked: 0 errors, 0 warnings, 0 notes";
    QTest::newRow("project's files") << QStringList{"check", "--project", project} << 0
                                     << "2 files checked: 0 errors, 0 warnings, 1 note";
    QTest::newRow("errors") << QStringList{"check", problems, "--project", project} << 2
                            << "problems.vep:33: warning: the netlist has no flip-flop";
    const QString stale = QStringLiteral(VEP_SOURCE_DIR "/tests/data/check/stale.vep");
    QTest::newRow("warnings only") << QStringList{"check", stale, "--project", project, "--werror"}
                                   << 1 << "did you mean 'u_core/acc[0]'? [stale-name]";
    QTest::newRow("warnings allowed")
        << QStringList{"check", stale, "--project", project} << 0 << "0 errors, 1 warning, 0 notes";
    QTest::newRow("json") << QStringList{"check", problems,   "--project",
                                         project, "--format", "json"}
                          << 2 << "json";
    QTest::newRow("sarif") << QStringList{"check", problems,   "--project",
                                          project, "--format", "sarif"}
                           << 2 << "sarif";
    QTest::newRow("no such project")
        << QStringList{"check", board, "--project", "/nonexistent.vepproj"} << 3 << "";
    QTest::newRow("unreadable netlist")
        << QStringList{"check", board, "--netlist", problems} << 3 << "";
    QTest::newRow("no such file") << QStringList{"check", board + ".missing"} << 3 << "";
}

void tst_check::command()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    int exitStatus = -1;
    const QString printed = run(arguments, &exitStatus);
    QCOMPARE(exitStatus, status);
    if (output == QLatin1String("json")) {
        const QJsonObject root = QJsonDocument::fromJson(printed.toUtf8()).object();
        QCOMPARE(root.value("summary").toObject().value("errors").toInt(), 4);
        const QJsonObject first = root.value("files")
                                      .toArray()
                                      .at(0)
                                      .toObject()
                                      .value("diagnostics")
                                      .toArray()
                                      .at(0)
                                      .toObject();
        QCOMPARE(first.value("line").toInt(), 5);
        QVERIFY(!first.contains("suggestion"));
    } else if (output == QLatin1String("sarif")) {
        const QJsonObject run = QJsonDocument::fromJson(printed.toUtf8())
                                    .object()
                                    .value("runs")
                                    .toArray()
                                    .at(0)
                                    .toObject();
        QCOMPARE(
            run.value("tool").toObject().value("driver").toObject().value("rules").toArray().size(),
            Checker::checkIds().size());
        QCOMPARE(run.value("results").toArray().size(), 14);
    } else {
        QVERIFY2(printed.contains(output), qPrintable(printed));
    }
}

void tst_check::setTakesOrRefuses_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("written");
    QTest::newRow("ambient") << QStringList{"ambient=25"} << 0 << "<AmbientTemp>25</AmbientTemp>";
    QTest::newRow("signal rate above the toggle maximum")
        << QStringList{"io-rate=5000", "io-unit=signal"} << 0
        << "<DefaultIoSignalRate>5000.00</DefaultIoSignalRate>";
    QTest::newRow("toggle rate clamped") << QStringList{"io-rate=250"} << 2 << "";
    QTest::newRow("voltage outside the chip's range") << QStringList{"vcc=1.3"} << 2 << "";
    QTest::newRow("unknown choice") << QStringList{"ambient=30", "grade=Extended"} << 2 << "";
}

void tst_check::setTakesOrRefuses()
{
    QFETCH(QStringList, assignments);
    QFETCH(int, status);
    QFETCH(QString, written);
    QTemporaryDir dir;
    const QString file = dir.filePath("board.vep");
    QVERIFY(QFile::copy(kExample + "project/board.vep", file));
    const QByteArray before = readBytes(file);
    int exitStatus = -1;
    run(QStringList{"set", file} + assignments +
            QStringList{"--project", kExample + "project/example.vepproj"},
        &exitStatus);
    QCOMPARE(exitStatus, status);
    if (written.isEmpty())
        QCOMPARE(readBytes(file), before);
    else
        QVERIFY(readBytes(file).contains(written.toUtf8()));
}

QTEST_MAIN(tst_check)
#include "tst_check.moc"
