#include "check/ConfigSnapshot.h"
#include "check/ViewContents.h"
#include "document/ZELView.h"
#include "host/nlsdata.h"
#include "support/Fixture.h"

#include <QTemporaryDir>

// The Problems panel writes a copy of a view's records on a worker; that text must be the
// view's own, byte for byte, or the panel would report on something else than a save.
class TestViewContents : public QObject {
    Q_OBJECT
private slots:
    void sameAsView_data();
    void sameAsView();
};

void TestViewContents::sameAsView_data()
{
    QTest::addColumn<QString>("path");
    for (const char *file : {"examples/project/board.vep", "examples/project/activity.vep",
                             "examples/problems/problems.vep", "tests/data/document/full.vep",
                             "tests/data/document/wizard.vep", "tests/data/check/stale.vep"})
        QTest::newRow(file) << QStringLiteral(VEP_SOURCE_DIR "/") + QLatin1String(file);
    // Every table at once, with unset values, time windows and the top as an entity.
    QByteArray tables[6];
    for (int i = 0; i < 3000; ++i) {
        const QByteArray n = QByteArray::number(i), v = QByteArray::number(i % 7 * 0.37);
        tables[0] += "<Net name=\"n" + n + "\" value=\"" + v + "\"/>";
        tables[1] += "<File type=\"vcd\" name=\"f" + n + ".vcd\" entity=\"" + (i % 2 ? "top" : "") +
                     "\" start_time=\"" + n + "\" time_unit=\"ns\"/>";
        tables[2] +=
            "<Clock name=\"c" + n + "\" quad" + QByteArray::number(i % 4 + 1) + "=\"" + v + "\"/>";
        tables[3] += "<Port name=\"p" + n + "\" capacity=\"" + v + "\" type=\"1\"/>";
        tables[4] += "<BSRam name=\"b" + n + "\" port_b_read=\"" + v + "\"/>";
        tables[5] += "<Instance name=\"i" + n + "\"" + (i % 3 ? " value=\"" + v + "\"" : "") + "/>";
    }
    const QByteArray body = "<NetRate type=\"signal\">" + tables[0] + "</NetRate><SimuFile>" +
                            tables[1] + "</SimuFile><GlobalEnable>" + tables[2] +
                            "</GlobalEnable><PortOutEnable>" + tables[3] +
                            "</PortOutEnable><GlobalBsram>" + tables[4] +
                            "</GlobalBsram><LocalEnable>" + tables[5] + "</LocalEnable>";
    static QTemporaryDir dir;
    const QString generated = dir.filePath(QStringLiteral("generated.vep"));
    QVERIFY(TestSupport::writeBytes(generated,
                                    TestSupport::kVepHead + "<Config>" + body + "</Config>"));
    QTest::newRow("generated") << generated;
}

void TestViewContents::sameAsView()
{
    QFETCH(QString, path);
    ZEL::ZELView view(DEV::DeviceArg(QStringLiteral("PX-A")),
                      new NlsData::Netlist(QStringLiteral("top")));
    QVERIFY(view.readCfgFile(path));
    const QByteArray written = VepCheck::ConfigSnapshot::writtenForm(view);
    QVERIFY(written.contains("</Config>"));
    QCOMPARE(VepCheck::ViewContents::take(view).writtenForm(), written);
}

QTEST_MAIN(TestViewContents)
#include "tst_viewcontents.moc"
