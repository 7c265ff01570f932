#include "document/ZELView.h"
#include "enable/DoubleEditorDelegate.h"
#include "host/dev.h"
#include "host/nlsdata.h"
#include "host/te.h"
#include "host/utils.h"
#include "host/zor.h"
#include "rate/RateModel.h"
#include "rate/RateTableView.h"
#include "rate/RateWidget.h"
#include "rate/VcdFileModel.h"
#include "rate/VcdFileSetDialog.h"
#include "rate/VcdFileWidget.h"
#include "rate/ZELRateWidget.h"
#include "tests/support/Fixture.h"
#include "tests/support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>
#include <QtXml>

#include <memory>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;
using TestSupport::row;

namespace {

const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n";

// Both tables filled so that every sort key has ties, case variants and an empty value.
const char kListed[] =
    R"(<NetRate type="toggle"><Net name="b" value="20.00"/><Net name="A" value="100.00"/>)"
    R"(<Net name="a" value="3.50"/><Net name="c" value=""/></NetRate><SimuFile>)"
    R"(<File type="vcd" name="/b/x.vcd" entity="U2"/><File type="saif" name="/a/x.vcd" entity="u1"/>)"
    R"(<File type="saif" name="/c/a.saif"/></SimuFile>)";

template <class T = QLineEdit> T *child(const QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

} // namespace

class tst_Rate : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sorting_data();
    void sorting();
    void netUnitChange_data();
    void netUnitChange();
    void preSaveWarningOrder_data();
    void preSaveWarningOrder();
    void sectionsReadAndWritten_data();
    void sectionsReadAndWritten();

    void activityDialogChecks_data();
    void activityDialogChecks();
    void defaultRateUnitSwitch();
    void editActivityFile_data();
    void editActivityFile();

private:
    bool open(const QString &body);
    QString pageXml();
    QByteArray saved() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    QString existing(const QString &name) const
    {
        QFile file(m_dir->filePath(name));
        file.open(QIODevice::WriteOnly);
        return file.fileName();
    }
    ZEL::RateWidget *rates() const { return m_view->ratePage()->rateWidget(); }
    ZEL::VcdFileWidget *files() const { return m_view->ratePage()->vcdFileWidget(); }
    ZEL::RateTableView *nets() const { return rates()->netTable(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ZEL::ZELView> m_view;
    QString m_path;
};

void tst_Rate::initTestCase()
{
    // Rails: VCC, VCCX, VCC_LDO, each as default, minimum, maximum.
    ZOR::Voltage::registerTable(
        "1.0V", "RATE", {"1.0", "0.95", "1.05", "3.3", "3.135", "3.465", "1.8", "1.71", "1.89"});
    DEV::ChipInfo chip;
    chip.device = "RATE-1", chip.family = "RATE", chip.voltage = "1.0V";
    TE::ProInfoManager::instance()->setChipInfo(chip);
}

void tst_Rate::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("rates.vep"));
    QVERIFY(open(QString()));
}

void tst_Rate::cleanup()
{
    // An answer armed for a box that never came must not press a later test's button.
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    QVERIFY(!QApplication::activeModalWidget());
    m_view.reset();
    m_dir.reset();
}

// A fresh view over a stand-in design, reading a file that holds `body` in Config.
bool tst_Rate::open(const QString &body)
{
    QFile file(m_path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    // Rails inside the chip's ranges, so that a freshly read view is not modified.
    const QByteArray rails = body.contains(QLatin1String("<VCC>"))
                                 ? QByteArray()
                                 : "<VCC>1</VCC><VCCX>3.3</VCCX><VCC_LDO>1.8</VCC_LDO>";
    file.write(kHead + rails + body.toUtf8() + "\n</Config>");
    file.close();

    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    netlist->addSubmodule(QStringLiteral("u_core"));
    netlist->addSubmodule(QStringLiteral("u_core/u_alu"));
    for (const char *name : {"clk", "din", "dout"})
        netlist->addTopPort(QLatin1String(name), NlsData::DirectionInput,
                            netlist->addNet(QLatin1String(name)));
    m_view.reset();
    m_view = std::make_unique<ZEL::ZELView>(DEV::DeviceArg(QStringLiteral("RATE-1")), netlist);
    return m_view->getVoltageInfo() && m_view->readCfgFile(m_path) && !m_view->isModified();
}

// The rate page's sections as the page writes them, without indentation.
QString tst_Rate::pageXml()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.writeStartElement(QStringLiteral("Config"));
    m_view->ratePage()->writeConfig(writer);
    writer.writeEndElement();
    return QString::fromUtf8(buffer.data());
}

void tst_Rate::sorting_data()
{
    QTest::addColumn<bool>("fileList");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("expected"); // the rows' cells as shown, in the resulting order

    // Values compare as text: "100.00" before "20.00"; equal keys keep the file order.
    row("value up", false, 1, int(Qt::AscendingOrder), "c: A:100.00% b:20.00% a:3.50%");
    row("name up", false, 0, int(Qt::AscendingOrder), "A:100.00% a:3.50% b:20.00% c:");
    row("instance", true, 0, int(Qt::AscendingOrder), "top:a.saif:Saif u1:x.vcd:Saif U2:x.vcd:Vcd");
    row("full path", true, 1, int(Qt::AscendingOrder),
        "u1:x.vcd:Saif U2:x.vcd:Vcd top:a.saif:Saif");
    row("type up", true, 2, int(Qt::AscendingOrder), "U2:x.vcd:Vcd u1:x.vcd:Saif top:a.saif:Saif");
    row("type down", true, 2, int(Qt::DescendingOrder),
        "u1:x.vcd:Saif top:a.saif:Saif U2:x.vcd:Vcd");
}

void tst_Rate::sorting()
{
    QFETCH(bool, fileList);
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QString, expected);
    QVERIFY(open(kListed));
    QTableView *table = fileList ? child<QTableView>(files(), "tableView") : nets()->tableView();
    QAbstractItemModel *model = table->model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    table->sortByColumn(column, Qt::SortOrder(order));

    QStringList rows, keys;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(':');
        // Files are told apart by the full path in the tool-tip, nets by their name.
        keys << model->index(r, fileList ? 1 : 0).data(Qt::ToolTipRole).toString();
    }
    QCOMPARE(rows.join(' '), expected);
    QVERIFY(!m_view->isModified());
    const QString xml = pageXml();
    QVERIFY(xml.indexOf('"' + keys.first() + '"') < xml.indexOf('"' + keys.last() + '"'));
}

void tst_Rate::netUnitChange_data()
{
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("toggleAfter");
    QTest::addColumn<bool>("cleared");

    row("empty table", false, QString("radioSignal"), 0, false, false);
    row("filled, Yes", true, QString("radioSignal"), int(QMessageBox::Yes), false, true);
    row("filled, No", true, QString("radioSignal"), int(QMessageBox::No), true, false);
}

void tst_Rate::netUnitChange()
{
    QFETCH(bool, filled);
    QFETCH(QString, button);
    QFETCH(int, answer);
    QFETCH(bool, toggleAfter);
    QFETCH(bool, cleared);
    if (filled)
        QVERIFY(open(R"(<NetRate type="toggle"><Net name="a" value="5.00"/></NetRate>)"));
    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::StandardButton(answer), &seen);
    child<QRadioButton>(rates(), qPrintable(button))->click();
    QCOMPARE(seen.shown, filled);
    QCOMPARE(nets()->toggleUnit(), toggleAfter);
    QCOMPARE(child<QRadioButton>(rates(), "radioToggle")->isChecked(), toggleAfter);
    QCOMPARE(nets()->delegate()->maximum(), toggleAfter ? 200.0 : 99999999.0);
    QCOMPARE(m_view->isModified(), cleared);
    if (filled)
        QCOMPARE(nets()->model()->index(0, 1).data().toString(),
                 cleared ? QString() : QStringLiteral("5.00%"));
}

void tst_Rate::preSaveWarningOrder_data()
{
    QTest::addColumn<QString>("netValue");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("ioEnabled");
    QTest::addColumn<QString>("warning"); // empty: saved

    const QString net = "Rate value of Net 'n' is empty.";
    const QString port = "Rate value of Port 'clk' is empty.";
    QTest::newRow("net before port and file") << "" << false << true << net;
    QTest::newRow("port before file") << "1.00" << false << true << port;
    QTest::newRow("missing file") << "1.00" << false << false << "The vcd file '%1' doesn't exist.";
    QTest::newRow("ports unchecked while IO off") << "1.00" << true << false << "";
}

void tst_Rate::preSaveWarningOrder()
{
    QFETCH(QString, netValue);
    QFETCH(bool, fileExists);
    QFETCH(bool, ioEnabled);
    QFETCH(QString, warning);
    const QString vcd = fileExists ? existing("sim.vcd") : m_dir->filePath("sim.vcd");
    QVERIFY(open(QStringLiteral(R"(<NetRate><Net name="n" value="%1"/></NetRate>)"
                                R"(<SimuFile><File type="vcd" name="%2"/></SimuFile>)")
                     .arg(netValue, vcd)));
    rates()->portTable()->addNames({"clk"});
    emit files()->vectorlessChanged(ioEnabled);
    const QByteArray before = saved();

    QList<ModalSeen> seen;
    ModalHelper::answerMessageBoxes({QMessageBox::Ok, QMessageBox::Ok}, &seen);
    m_view->save();

    QCOMPARE(seen.first().text, QString(warning).replace(QLatin1String("%1"), vcd));
    QVERIFY2(seen.size() < 2 || !seen.at(1).shown, "a second warning was shown");
    QCOMPARE(saved() == before, !warning.isEmpty());
    QVERIFY(!saved().contains("clk")); // port rates are never stored
}

void tst_Rate::sectionsReadAndWritten_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("written"); // "<Config>" and "</Config>" anchor the ends

    row("nothing", "",
        "<Config><DefaultConfig><DefaultIoToggleRate>12.50</DefaultIoToggleRate>"
        "<DefaultRmToggleRate>12.50</DefaultRmToggleRate></DefaultConfig></Config>");
    row("net rate without type", R"(<NetRate><Net name="n" value="5"/></NetRate>)",
        R"(<Config><NetRate type="signal"><Net name="n" value="5"/></NetRate><DefaultConfig>)");
    row("upper-case TOGGLE", R"(<NetRate type="TOGGLE"><Net name="n"/></NetRate>)",
        R"(<NetRate type="signal"><Net name="n" value=""/></NetRate>)");
    row("toggle bounded, not a number",
        "<DefaultConfig><DefaultIoToggleRate>250</DefaultIoToggleRate>"
        "<DefaultRmSignalRate>abc</DefaultRmSignalRate></DefaultConfig>",
        "<DefaultIoToggleRate>200.00</DefaultIoToggleRate>"
        "<DefaultRmSignalRate>0.00</DefaultRmSignalRate>");
    row("signal 250, toggle wins",
        "<DefaultConfig><DefaultIoSignalRate>250</DefaultIoSignalRate><DefaultRmSignalRate>40"
        "</DefaultRmSignalRate><DefaultRmToggleRate>30.125</DefaultRmToggleRate></DefaultConfig>",
        "<DefaultIoSignalRate>250.00</DefaultIoSignalRate>"
        "<DefaultRmToggleRate>30.13</DefaultRmToggleRate>");
    row("activity files",
        R"(<SimuFile><File type="VCD" name="/f"/><File type="vcd" name="/g" entity="u_core" )"
        R"(start_time="1" end_time="7.5" time_unit="us"/><File type="vcd" name="/h" )"
        R"(entity="top" time_unit="ms"/><FilterGlitch>TRUE</FilterGlitch></SimuFile>)",
        R"(<SimuFile><File type="saif" name="/f" entity=""/><File type="vcd" name="/g" )"
        R"(entity="u_core" start_time="1" end_time="7.5" time_unit="us"/><File type="vcd" )"
        R"(name="/h" entity=""/><FilterGlitch>TRUE</FilterGlitch></SimuFile></Config>)");
}

void tst_Rate::sectionsReadAndWritten()
{
    QFETCH(QString, body);
    QFETCH(QString, written);
    QVERIFY(open(body));
    const QString xml = pageXml();
    QVERIFY2(xml.contains(written), qPrintable(xml));
}

void tst_Rate::activityDialogChecks_data()
{
    QTest::addColumn<QString>("file"); // "*" stands for an existing file's path
    QTest::addColumn<QString>("instance");
    QTest::addColumn<bool>("vcd");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("warning"); // empty: accepted

    row("no file", "  ", "top", true, "", "", "No vcd file. Please select vcd file.");
    row("missing file first", "nowhere.vcd", "", true, "", "",
        "Vcd file 'nowhere.vcd' doesn't exist.");
    row("no instance", "*", "", true, "", "",
        "Module instance name is empty. Please select instance.");
    row("end 0", "*", "top", true, "", "0", "End time value cannot be 0.");
    row("end equals start", "*", "top", true, "10", "10",
        "End time value must be greater than start time value.");
    row("only end", "*", "top", true, "", "5", "");
    row("saif drops times", "*", "top", false, "10", "10", "");
}

void tst_Rate::activityDialogChecks()
{
    QFETCH(QString, file);
    QFETCH(QString, instance);
    QFETCH(bool, vcd);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, warning);
    const QString path = existing(QStringLiteral("sim.vcd"));

    ZEL::VcdFileSetDialog dialog(m_view.get(), files(), nullptr);
    child(&dialog, "lineEditFile")->setText(file.replace('*', path));
    child(&dialog, "lineEditInstance")->setText(instance);
    child<QRadioButton>(&dialog, vcd ? "radioVcd" : "radioSaif")->setChecked(true);
    QCOMPARE(child<QGroupBox>(&dialog, "groupTime")->isEnabled(), vcd);
    child(&dialog, "lineEditStartTime")->setText(start);
    child(&dialog, "lineEditEndTime")->setText(end);

    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    dialog.accept();
    std::unique_ptr<ZEL::VcdFileItem> item(dialog.vcdFileItem());
    QCOMPARE(seen.text, warning);
    QCOMPARE(dialog.result(), int(warning.isEmpty() ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(bool(item), warning.isEmpty());
    if (!item)
        return;
    QCOMPARE(
        QStringList({item->file, item->instance, item->startTime, item->endTime, item->timeUnit}),
        QStringList({path, instance, vcd ? start : "", vcd ? end : "", "ns"}));
    QCOMPARE(item->isVcd, vcd);
}

// A default rate above 200 falls back to the default toggle rate when its unit turns to %.
void tst_Rate::defaultRateUnitSwitch()
{
    auto *unit = child<QComboBox>(files(), "comboIOUnit");
    auto *value = child<QDoubleSpinBox>(files(), "editIOValue");
    unit->setCurrentIndex(1);
    QVERIFY(m_view->isModified());
    value->setValue(5000);
    unit->setCurrentIndex(0);
    QCOMPARE(value->value(), 12.5);
    QCOMPARE(value->maximum(), 200.0);
}

void tst_Rate::editActivityFile_data()
{
    QTest::addColumn<bool>("vcd");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("shown"); // unit, start time and time group as the dialog opens

    row("vcd ms", true, QString("ms"), true, QString("ms 1 on"));
    row("unit with blank", true, QString("ms "), true, QString("ns 1 on"));
    row("saif keeps form times", false, QString("ps"), true, QString("ns  off"));
    row("cancelled", true, QString("us"), false, QString("us 1 on"));
}

void tst_Rate::editActivityFile()
{
    QFETCH(bool, vcd);
    QFETCH(QString, unit);
    QFETCH(bool, accept);
    QFETCH(QString, shown);
    const QString path = existing(QStringLiteral("a.vcd"));
    QVERIFY(open(QStringLiteral(R"(<SimuFile><File type="%1" name="%2" entity="u_core" )"
                                R"(start_time="1" end_time="2" time_unit="%3"/></SimuFile>)")
                     .arg(vcd ? "vcd" : "saif", path, unit)));
    QStringList seen;
    ModalHelper::onNextModal([&seen, accept](QWidget *modal) {
        auto *dialog = static_cast<QDialog *>(modal);
        seen << child(dialog, "lineEditFile")->text() << child(dialog, "lineEditInstance")->text()
             << child<QComboBox>(dialog, "comboBoxUnit")->currentText()
             << child(dialog, "lineEditStartTime")->text()
             << (child<QGroupBox>(dialog, "groupTime")->isEnabled() ? "on" : "off");
        child(dialog, "lineEditEndTime")->setText("3");
        accept ? dialog->accept() : dialog->reject();
    });
    emit child<QTableView>(files(), "tableView")->doubleClicked(files()->model()->index(0, 2));
    QCOMPARE(seen.join(' '), path + " u_core " + shown);
    const ZEL::VcdFileItem *item = files()->items().first();
    QCOMPARE(item->endTime, accept ? (vcd ? "3" : "") : QStringLiteral("2"));
    QCOMPARE(item->timeUnit, accept ? shown.section(' ', 0, 0) : unit);
    QCOMPARE(m_view->isModified(), accept);
}

QTEST_MAIN(tst_Rate)
#include "tst_rate.moc"
