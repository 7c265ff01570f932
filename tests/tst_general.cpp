#include "document/ZELView.h"
#include "general/ZELSettingWidget.h"
#include "host/core.h"
#include "host/dev.h"
#include "host/nlsdata.h"
#include "host/qutil.h"
#include "host/te.h"
#include "host/zor.h"
#include "plugin/ZELSettingPlugin.h"
#include "plugin/ZELViewManager.h"
#include "tests/support/ModalHelper.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDomDocument>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using TestSupport::ModalHelper;

namespace {

// Every rail of the stand-in chip lies well inside the form's 0..50 and away from 0, so a
// rail that is not fitted shows up as a wrong value.
ZOR::VoltageTable plainTable()
{
    ZOR::VoltageTable t;
    t.vccDefault = "1.0";
    t.vccMin = "0.95";
    t.vccMax = "1.05";
    t.vccxDefault = "2.5";
    t.vccxMin = "2.375";
    t.vccxMax = "2.625";
    t.vccldoDefault = "1.8";
    t.vccldoMin = "1.71";
    t.vccldoMax = "1.89";
    return t;
}

// Three equal rails with room to move; `ties` names the tied pairs, e.g. "VCC-VCCX".
ZOR::VoltageTable tiedTable(const QString &ties)
{
    ZOR::VoltageTable t;
    t.vccDefault = t.vccxDefault = t.vccldoDefault = "1.0";
    t.vccMin = t.vccxMin = t.vccldoMin = "0.9";
    t.vccMax = t.vccxMax = t.vccldoMax = "2.0";
    const QStringList pairs = ties.split(' ', Qt::SkipEmptyParts);
    t.vccVccxTied = pairs.contains("VCC-VCCX");
    t.vccxVccldoTied = pairs.contains("VCCX-VCCLDO");
    t.vccVccldoTied = pairs.contains("VCC-VCCLDO");
    return t;
}

void useChip(const QString &voltageKey, const ZOR::VoltageTable *table)
{
    if (table)
        ZOR::Voltage::registerTable(voltageKey, QStringLiteral("GEN"), *table);
    DEV::ChipInfo chip;
    chip.device = QStringLiteral("GEN-") + voltageKey;
    chip.family = QStringLiteral("GEN");
    chip.voltage = voltageKey;
    TE::ProInfoManager::instance()->setChipInfo(chip);
}

const char kGoodRails[] = "<VCC>1</VCC><VCCX>2.5</VCCX><VCC_LDO>1.8</VCC_LDO>";
const QString kHead = QStringLiteral("TempGrade=COMMERCIAL, Process=TYPICAL, ");
const QString kRails = QStringLiteral("VCC=1, VCCX=2.5, VCC_LDO=1.8");

const QStringList kGeneralElements{
    "TempGrade",     "Process",           "JunctionTemp",  "AmbientTemp", "VCC",
    "VCCX",          "VCC_LDO",           "CustomThetaJA", "HeatSink",    "AirFlow",
    "CustomThetaSA", "BoardThermalModel", "CustomThetaJB", "BoardTemp"};

} // namespace

class tst_General : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pageWiring();
    void enablingRules_data();
    void enablingRules();
    void heatSinkChoiceResetsOtherControls();
    void userEditsMarkModified_data();
    void userEditsMarkModified();

    void writtenSection_data();
    void writtenSection();
    void junctionTemperatureRange_data();
    void junctionTemperatureRange();
    void rereadWithoutElements();

    void voltageFitting_data();
    void voltageFitting();
    void railWithoutDefaultIsHidden();
    void ties_data();
    void ties();
    void vccxLock_data();
    void vccxLock();
    void voltageVisibilityOverridesEarlierLock();
    void deviceChangeRefits();
    void deviceChangeClosesModifiedView();

private:
    bool open(const QString &body, const QString &device = QStringLiteral("GEN-1"));
    QString savedSection();
    template <class T> T *child(const QString &name) const
    {
        return m_view->generalPage()->findChild<T *>(name);
    }
    QDoubleSpinBox *spin(const QString &name) const { return child<QDoubleSpinBox>(name); }
    void click(const QString &step);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ZEL::ZELView> m_view;
    QString m_path;
};

void tst_General::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("board.vep"));
    const ZOR::VoltageTable table = plainTable();
    useChip(QStringLiteral("plain"), &table);
}

void tst_General::cleanup()
{
    m_view.reset();
    ModalHelper::closeStrayModals();
    QVERIFY(!QApplication::activeModalWidget());
    m_dir.reset();
}

bool tst_General::open(const QString &body, const QString &device)
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n    <Version>1.0</Version>\n");
    file.write(body.toUtf8() + "\n</Config>");
    file.close();

    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    NlsData::Net *clk = netlist->addNet(QStringLiteral("clk"));
    netlist->addTopPort(QStringLiteral("clk"), NlsData::DirectionInput, clk);
    NlsData::Instance *ff =
        netlist->addPrimitive(QStringLiteral("u_core/q_reg"), NlsData::CategoryFlipFlop, 1);
    netlist->addDriver(netlist->addNet(QStringLiteral("u_core/q")), ff);

    m_view = std::make_unique<ZEL::ZELView>(DEV::DeviceArg(device), netlist);
    return m_view->getVoltageInfo() && m_view->readCfgFile(m_path);
}

// Saves the view and returns the general section as "Name=text, ..." in file order.
QString tst_General::savedSection()
{
    m_view->save();
    QFile file(m_path);
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return QStringLiteral("<unreadable>");
    QStringList section;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull();
         e = e.nextSiblingElement()) {
        if (kGeneralElements.contains(e.tagName()))
            section << e.tagName() + '=' + e.text();
    }
    return section.join(QStringLiteral(", "));
}

// Steps as a user takes them: "JT" and "JA" click the check boxes, "heat:Text" and
// "board:Text" the radio button with that text.
void tst_General::click(const QString &step)
{
    if (step == QLatin1String("JT") || step == QLatin1String("JA")) {
        child<QCheckBox>(step == QLatin1String("JT") ? "checkBoxJunctionTemp" : "checkJA")->click();
        return;
    }
    const QString group = step.startsWith(QLatin1String("heat:")) ? "groupHeat" : "groupBoard";
    const QList<QRadioButton *> radios = child<QGroupBox>(group)->findChildren<QRadioButton *>();
    for (QRadioButton *radio : radios) {
        if (radio->text() == step.section(':', 1)) {
            radio->click();
            return;
        }
    }
    QFAIL(qPrintable("no step " + step));
}

void tst_General::pageWiring()
{
    QUtil::EventManager *bus = QUtil::EventManager::instance();
    const int subscribers = bus->subscriberCount(QStringLiteral("TE.Device.Change"));
    {
        ZEL::ZELSettingWidget page(nullptr);
        QCOMPARE(page.objectName(), QStringLiteral("ZEL__ZELSettingWidget"));
        QCOMPARE(bus->subscriberCount(QStringLiteral("TE.Device.Change")), subscribers + 1);
        // Group order decides which checked button is written.
        QStringList order;
        for (const char *name : {"buttonGroupHeat", "buttonGroupBoard"}) {
            auto *group = page.findChild<QButtonGroup *>(QLatin1String(name));
            QVERIFY(group && group->exclusive());
            const QList<QAbstractButton *> buttons = group->buttons();
            for (const QAbstractButton *button : buttons)
                order << button->text();
        }
        QCOMPARE(order.join(','), QStringLiteral("None,Low Profile,Medium Profile,High Profile,"
                                                 "Custom,None,Custom,Typical"));
    }
    QCOMPARE(bus->subscriberCount(QStringLiteral("TE.Device.Change")), subscribers);
}

void tst_General::enablingRules_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("enabled");

    const QString defaults = "spinAmbTemp checkJA radioHeatNone comboAirFlow";
    const QString profile = defaults + " radioBoardNone";
    const QString customBoard = profile + " lineEditJB spinBoardTemp";
    QTest::newRow("file defaults") << "" << defaults;
    QTest::newRow("R2 junction given") << "JT"
                                       << "spinJunctionTemp";
    QTest::newRow("R1 theta JA") << "JA"
                                 << "spinAmbTemp checkJA lineEditJA";
    QTest::newRow("R1 theta JA off again") << "JA,JA" << defaults;
    QTest::newRow("R3 profile") << "heat:Low Profile" << profile;
    QTest::newRow("R3 custom sink")
        << "heat:Custom"
        << "spinAmbTemp checkJA radioHeatNone lineEditSA radioBoardNone";
    QTest::newRow("R4 board custom") << "heat:Medium Profile,board:Custom" << customBoard;
    QTest::newRow("R4 board typical")
        << "heat:High Profile,board:Typical" << profile + " spinBoardTemp";
    QTest::newRow("R3 none closes board") << "heat:Low Profile,board:Custom,heat:None" << defaults;
    QTest::newRow("R2 over everything") << "heat:Low Profile,board:Custom,JA,JT"
                                        << "spinJunctionTemp";
    QTest::newRow("R2 off restores") << "heat:Low Profile,board:Custom,JT,JT" << customBoard;
    QTest::newRow("R1 off restores") << "heat:Low Profile,board:Custom,JA,JA" << customBoard;
}

void tst_General::enablingRules()
{
    QFETCH(QString, steps);
    QFETCH(QString, enabled);

    QVERIFY(open(kGoodRails));
    const QStringList stepList = steps.split(',', Qt::SkipEmptyParts);
    for (const QString &step : stepList)
        click(step);

    QStringList actual;
    for (const char *name :
         {"spinJunctionTemp", "spinAmbTemp", "checkJA", "lineEditJA", "radioHeatNone",
          "comboAirFlow", "lineEditSA", "radioBoardNone", "lineEditJB", "spinBoardTemp"}) {
        if (child<QWidget>(name)->isEnabled())
            actual << name;
    }
    QCOMPARE(actual.join(' '), enabled);
    QCOMPARE(m_view->isModified(), !stepList.isEmpty());
}

void tst_General::heatSinkChoiceResetsOtherControls()
{
    QVERIFY(open(kGoodRails));
    click("heat:Low Profile");
    click("board:Custom");
    click("heat:None");
    QVERIFY(child<QRadioButton>("radioBoardNone")->isChecked());
    QVERIFY(savedSection().endsWith(kRails + ", HeatSink=None, AirFlow=0"));

    auto *airFlow = child<QComboBox>("comboAirFlow");
    click("heat:High Profile");
    airFlow->setCurrentIndex(3);
    click("heat:Custom");
    QCOMPARE(airFlow->currentText(), QStringLiteral("0"));
    QVERIFY(!airFlow->isEnabled());
}

void tst_General::userEditsMarkModified_data()
{
    QTest::addColumn<QString>("control");
    for (const char *name :
         {"comboGrade", "comboProcess", "spinAmbTemp", "spinBoardTemp", "comboAirFlow",
          "lineEditJA", "lineEditSA", "lineEditJB", "spinJunctionTemp", "checkJA",
          "checkBoxJunctionTemp", "radioHeatMedium", "radioBoardTypical", "doubleSpinVCC",
          "doubleSpinVCCX", "doubleSpinVCCLDO"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_General::userEditsMarkModified()
{
    QFETCH(QString, control);

    QVERIFY(open(kGoodRails));
    click("heat:Low Profile"); // opens the board model for its radio buttons
    m_view->setModified(false);

    QWidget *widget = child<QWidget>(control);
    if (auto *box = qobject_cast<QDoubleSpinBox *>(widget))
        box->setValue(box->value() + 0.01);
    else if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setCurrentIndex(1);
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        button->click();
    QVERIFY(m_view->isModified());
}

void tst_General::writtenSection_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("written");

    const QString thermal = "<AmbientTemp>30</AmbientTemp><CustomThetaJA>12.5</CustomThetaJA>"
                            "<HeatSink>Low Profile</HeatSink><AirFlow>200</AirFlow>"
                            "<BoardThermalModel>Custom</BoardThermalModel>"
                            "<CustomThetaJB>7</CustomThetaJB><BoardTemp>40</BoardTemp>";
    const QString ambient25 = kHead + "AmbientTemp=25, " + kRails;
    QTest::newRow("junction temperature given")
        << "<TempGrade>INDUSTRIAL</TempGrade><Process>WORST</Process>"
           "<JunctionTemp>25.408</JunctionTemp>" +
               thermal
        << "TempGrade=INDUSTRIAL, Process=WORST, JunctionTemp=25.408, " + kRails;
    QTest::newRow("junction temperature over a heat sink")
        << "<JunctionTemp>40</JunctionTemp><HeatSink>Low Profile</HeatSink>"
           "<BoardThermalModel>Typical</BoardThermalModel>"
        << kHead + "JunctionTemp=40, " + kRails;
    QTest::newRow("theta JA on") << thermal
                                 << kHead + "AmbientTemp=30, " + kRails + ", CustomThetaJA=12.5";
    QTest::newRow("heat sink None")
        << "<AmbientTemp>30</AmbientTemp><HeatSink>None</HeatSink><AirFlow>200</AirFlow>"
           "<BoardThermalModel>Custom</BoardThermalModel>"
        << kHead + "AmbientTemp=30, " + kRails + ", HeatSink=None, AirFlow=200";
    QTest::newRow("Low Profile, Typical board")
        << "<CustomThetaJA>NA</CustomThetaJA><HeatSink>Low Profile</HeatSink>"
           "<AirFlow>100</AirFlow><BoardThermalModel>Typical</BoardThermalModel>"
           "<BoardTemp>40</BoardTemp>"
        << ambient25 + ", HeatSink=Low Profile, AirFlow=100, BoardThermalModel=Typical, "
                       "BoardTemp=40";
    QTest::newRow("custom sink, custom board")
        << "<HeatSink>Custom</HeatSink><AirFlow>400</AirFlow><CustomThetaSA>3.25</CustomThetaSA>"
           "<BoardThermalModel>Custom</BoardThermalModel><CustomThetaJB>7.5</CustomThetaJB>"
           "<BoardTemp>-12.125</BoardTemp>"
        << ambient25 + ", HeatSink=Custom, CustomThetaSA=3.25, BoardThermalModel=Custom, "
                       "CustomThetaJB=7.5, BoardTemp=-12.125";
    QTest::newRow("profile, board None")
        << "<HeatSink>High Profile</HeatSink><AirFlow>400</AirFlow>"
           "<BoardThermalModel>None</BoardThermalModel><BoardTemp>40</BoardTemp>"
        << ambient25 + ", HeatSink=High Profile, AirFlow=400, BoardThermalModel=None";
    QTest::newRow("grade and process ignore case")
        << "<TempGrade>automotive</TempGrade><Process>Worst</Process>"
        << "TempGrade=AUTOMOTIVE, Process=WORST, AmbientTemp=25, " + kRails +
               ", HeatSink=None, AirFlow=0";
    QTest::newRow("unknown grade falls back") << "<TempGrade>MILITARY</TempGrade><Process>best"
                                                 "</Process>"
                                              << ambient25 + ", HeatSink=None, AirFlow=0";
    QTest::newRow("air flow is matched exactly")
        << "<HeatSink>Medium Profile</HeatSink><AirFlow>100.0</AirFlow>"
        << ambient25 + ", HeatSink=Medium Profile, AirFlow=0, BoardThermalModel=None";
    QTest::newRow("air flow is not matched by prefix")
        << "<HeatSink>Medium Profile</HeatSink><AirFlow>40</AirFlow>"
        << ambient25 + ", HeatSink=Medium Profile, AirFlow=0, BoardThermalModel=None";
    QTest::newRow("heat sink is matched with case")
        << "<HeatSink>low profile</HeatSink><AirFlow>200</AirFlow>"
        << ambient25 + ", HeatSink=None, AirFlow=200";
    QTest::newRow("out-of-range numbers clamp")
        << "<AmbientTemp>500</AmbientTemp><HeatSink>Custom</HeatSink>"
           "<CustomThetaSA>0</CustomThetaSA>"
        << kHead + "AmbientTemp=160, " + kRails +
               ", HeatSink=Custom, CustomThetaSA=0.001, BoardThermalModel=None";
    QTest::newRow("empty file") << "" << ambient25 + ", HeatSink=None, AirFlow=0";
}

void tst_General::writtenSection()
{
    QFETCH(QString, body);
    QFETCH(QString, written);

    QVERIFY(open(body + kGoodRails));
    QCOMPARE(savedSection(), written);
    QVERIFY(!m_view->isModified());
}

void tst_General::junctionTemperatureRange_data()
{
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QString>("junction");
    QTest::addColumn<QList<int>>("userGrades");
    QTest::addColumn<QList<double>>("valueMinMax");

    QTest::newRow("industrial clamps 120") << "INDUSTRIAL"
                                           << "120" << QList<int>() << QList<double>{100, -40, 100};
    QTest::newRow("automotive clamps 140") << "AUTOMOTIVE"
                                           << "140" << QList<int>() << QList<double>{125, -40, 125};
    QTest::newRow("automotive clamps -55") << "Automotive"
                                           << "-55" << QList<int>() << QList<double>{-40, -40, 125};
    // The grade stays at index 0, so no rule runs and the form's range holds.
    QTest::newRow("commercial keeps form range")
        << "COMMERCIAL"
        << "150" << QList<int>() << QList<double>{150, -40, 150};
    QTest::newRow("not a number") << "INDUSTRIAL"
                                  << "hot" << QList<int>() << QList<double>{0, -40, 100};
    QTest::newRow("user back to commercial")
        << "COMMERCIAL"
        << "150" << QList<int>{2, 0} << QList<double>{85, 0, 85};
    QTest::newRow("user to industrial") << "COMMERCIAL"
                                        << "150" << QList<int>{1} << QList<double>{100, -40, 100};
}

void tst_General::junctionTemperatureRange()
{
    QFETCH(QString, grade);
    QFETCH(QString, junction);
    QFETCH(QList<int>, userGrades);
    QFETCH(QList<double>, valueMinMax);

    QVERIFY(open("<TempGrade>" + grade + "</TempGrade><JunctionTemp>" + junction +
                 "</JunctionTemp>" + kGoodRails));
    for (int index : userGrades)
        child<QComboBox>("comboGrade")->setCurrentIndex(index);
    QDoubleSpinBox *box = spin("spinJunctionTemp");
    QCOMPARE(QList<double>({box->value(), box->minimum(), box->maximum()}), valueMinMax);
    QVERIFY(savedSection().contains("JunctionTemp=" + QString::number(valueMinMax.first()) + ','));
}

void tst_General::rereadWithoutElements()
{
    QVERIFY(open("<JunctionTemp>30</JunctionTemp><CustomThetaJA>12</CustomThetaJA>"
                 "<CustomThetaSA>3.5</CustomThetaSA><CustomThetaJB>4.5</CustomThetaJB>" +
                 QString(kGoodRails)));
    QVERIFY(child<QCheckBox>("checkBoxJunctionTemp")->isChecked());
    QVERIFY(child<QCheckBox>("checkJA")->isChecked());

    // A second section: no junction temperature, and "NA" wherever a theta may be.
    QDomDocument doc;
    QVERIFY(doc.setContent(QStringLiteral("<Config><CustomThetaJA>NA</CustomThetaJA>"
                                          "<CustomThetaSA>NA</CustomThetaSA>"
                                          "<CustomThetaJB>NA</CustomThetaJB></Config>")));
    m_view->generalPage()->readConfig(doc.documentElement());

    QVERIFY(!child<QCheckBox>("checkBoxJunctionTemp")->isChecked());
    QVERIFY(!child<QCheckBox>("checkJA")->isChecked());
    QVERIFY(!spin("lineEditJA")->isEnabled());
    QCOMPARE(spin("lineEditJA")->value(), 12.0);
    QCOMPARE(spin("lineEditSA")->value(), 3.5);
    QCOMPARE(spin("lineEditJB")->value(), 4.5);
    QVERIFY(child<QGroupBox>("groupHeat")->isEnabled());
    QVERIFY(m_view->isModified());
}

void tst_General::voltageFitting_data()
{
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("maximum");
    QTest::addColumn<QString>("stored"); // empty: no VCC element
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("modified");

    // The default is 1.0 throughout.
    QTest::newRow("inside") << "0.95"
                            << "1.05"
                            << "1.02" << 1.02 << false;
    QTest::newRow("on minimum") << "0.95"
                                << "1.05"
                                << "0.95" << 0.95 << false;
    QTest::newRow("on maximum") << "0.95"
                                << "1.05"
                                << "1.05" << 1.05 << false;
    QTest::newRow("just above maximum") << "0.95"
                                        << "1.05"
                                        << "1.051" << 1.0 << true;
    QTest::newRow("just below minimum") << "0.95"
                                        << "1.05"
                                        << "0.949" << 1.0 << true;
    QTest::newRow("far above") << "0.95"
                               << "1.05"
                               << "12" << 1.0 << true;
    // 0.30000000000000004 is the next double after 0.3, 5.6e-17 away.
    QTest::newRow("below by less than tolerance") << "0.30000000000000004"
                                                  << "1.05"
                                                  << "0.3" << 0.3 << false;
    // Near zero the single-precision tolerance (1.00000001686e-16) decides.
    QTest::newRow("inside single-precision tolerance") << "1.00000001e-16"
                                                       << "1.05"
                                                       << "" << 0.0 << false;
    QTest::newRow("beyond single-precision tolerance") << "1.0000001e-16"
                                                       << "1.05"
                                                       << "" << 1.0 << true;
    // Rounded to three decimals the range still holds 0.3, but the chip's minimum does not.
    QTest::newRow("below an unshown decimal") << "0.3001"
                                              << "1.05"
                                              << "0.3" << 1.0 << true;
    QTest::newRow("missing, range above zero") << "0.95"
                                               << "1.05"
                                               << "" << 1.0 << true;
    QTest::newRow("missing, range holds zero") << "0"
                                               << "1.05"
                                               << "" << 0.0 << false;
    QTest::newRow("malformed limits pin to zero") << "low"
                                                  << ""
                                                  << "1" << 0.0 << true;
}

void tst_General::voltageFitting()
{
    QFETCH(QString, minimum);
    QFETCH(QString, maximum);
    QFETCH(QString, stored);
    QFETCH(double, value);
    QFETCH(bool, modified);

    ZOR::VoltageTable table = plainTable();
    table.vccMin = minimum;
    table.vccMax = maximum;
    useChip(QStringLiteral("fit"), &table);

    const QString vcc = stored.isEmpty() ? QString() : "<VCC>" + stored + "</VCC>";
    QVERIFY(open(vcc + "<VCCX>2.5</VCCX><VCC_LDO>1.8</VCC_LDO>"));
    QCOMPARE(spin("doubleSpinVCC")->value(), value);
    QCOMPARE(m_view->isModified(), modified);
    QCOMPARE(spin("doubleSpinVCCX")->value(), 2.5);
    QCOMPARE(spin("doubleSpinVCCLDO")->value(), 1.8);
}

void tst_General::railWithoutDefaultIsHidden()
{
    ZOR::VoltageTable table = plainTable();
    table.vccldoDefault.clear();
    table.vccldoMin = "1.0";
    table.vccldoMax = "2.0";
    useChip(QStringLiteral("no-ldo"), &table);

    QVERIFY(open("<VCC>1</VCC><VCCX>2.5</VCCX><VCC_LDO>7</VCC_LDO>"));
    QVERIFY(child<QLabel>("labelVCCLDO")->isHidden());
    QVERIFY(spin("doubleSpinVCCLDO")->isHidden());
    QVERIFY(!spin("doubleSpinVCCX")->isHidden());
    // Clamped into its range, but a hidden rail is never set to a default.
    QCOMPARE(spin("doubleSpinVCCLDO")->value(), 2.0);
    QCOMPARE(savedSection(), kHead + "AmbientTemp=25, VCC=1, VCCX=2.5, HeatSink=None, AirFlow=0");
}

void tst_General::ties_data()
{
    // Tied pairs | stored VCC VCCX VCCLDO | after opening | disabled rows | edited rail
    // (set to 1.7) | after the edit.
    QTest::addColumn<QString>("row");

    QTest::newRow("none") << "|1.1 1.25 1.3|1.1 1.25 1.3||VCC|1.7 1.25 1.3";
    QTest::newRow("VCC-VCCX") << "VCC-VCCX|1.1 1.25 1.3|1.1 1.1 1.3|VCCX|VCC|1.7 1.7 1.3";
    QTest::newRow("VCCX-VCCLDO")
        << "VCCX-VCCLDO|1.1 1.25 1.3|1.1 1.25 1.25|VCCLDO|VCCX|1.1 1.7 1.7";
    QTest::newRow("VCC-VCCLDO") << "VCC-VCCLDO|1.1 1.25 1.3|1.1 1.25 1.1|VCCLDO|VCC|1.7 1.25 1.7";
    QTest::newRow("only the first tie copies")
        << "VCC-VCCX VCCX-VCCLDO|1.1 1.25 1.3|1.1 1.1 1.3|VCCX VCCLDO|VCC|1.7 1.7 1.3";
    QTest::newRow("VCCX-VCCLDO before VCC-VCCLDO")
        << "VCC-VCCLDO VCCX-VCCLDO|1.1 1.25 1.3|1.1 1.25 1.25|VCCLDO|VCC|1.7 1.25 1.25";
    QTest::newRow("equal texts copy nothing")
        << "VCC-VCCX|1.1 1.1 1.3|1.1 1.1 1.3|VCCX|VCC|1.7 1.7 1.3";
    QTest::newRow("follower pulled back")
        << "VCC-VCCX|1.1 1.25 1.3|1.1 1.1 1.3|VCCX|VCCX|1.1 1.1 1.3";
}

void tst_General::ties()
{
    QFETCH(QString, row);
    const QStringList f = row.split('|');
    const QStringList stored = f[1].split(' ');

    const ZOR::VoltageTable table = tiedTable(f[0]);
    useChip(QStringLiteral("tie"), &table);
    auto rails = [this]() {
        QStringList values;
        for (const char *name : {"doubleSpinVCC", "doubleSpinVCCX", "doubleSpinVCCLDO"})
            values << QString::number(spin(name)->value());
        return values.join(' ');
    };

    QVERIFY(open(QString("<VCC>%1</VCC><VCCX>%2</VCCX><VCC_LDO>%3</VCC_LDO>")
                     .arg(stored[0], stored[1], stored[2])));
    QCOMPARE(rails(), f[2]);
    QStringList disabled;
    for (const char *name : {"VCC", "VCCX", "VCCLDO"}) {
        const QString rail = QString::fromLatin1(name);
        const bool spinOff = !spin("doubleSpin" + rail)->isEnabled();
        QCOMPARE(!child<QLabel>("label" + rail)->isEnabled(), spinOff);
        if (spinOff)
            disabled << rail;
    }
    QCOMPARE(disabled.join(' '), f[3]);
    // A copy across a tie is an edit of the freshly read file.
    QCOMPARE(m_view->isModified(), f[1] != f[2]);

    m_view->setModified(false);
    spin("doubleSpin" + f[4])->setValue(1.7);
    QCOMPARE(rails(), f[5]);
    QVERIFY(m_view->isModified());
    const QStringList values = f[5].split(' ');
    QVERIFY(savedSection().contains(
        QString("VCC=%1, VCCX=%2, VCC_LDO=%3").arg(values[0], values[1], values[2])));
}

void tst_General::vccxLock_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("enabled");

    for (const char *model : {"PX-A", "PX-B", "PX-C", "PX-D", "PX-E", "PX-F"})
        QTest::newRow(model) << QString::fromLatin1(model) << false;
    QTest::newRow("other letter case") << "px-c" << true;
    QTest::newRow("not in the list") << "PX-G" << true;
    QTest::newRow("leading blank") << " PX-C" << true;
    QTest::newRow("empty") << "" << true;
}

void tst_General::vccxLock()
{
    QFETCH(QString, device);
    QFETCH(bool, enabled);

    QVERIFY(open(kGoodRails));
    m_view->setDevice(DEV::DeviceArg(QStringLiteral("PX-A")));
    m_view->setDevice(DEV::DeviceArg(device));
    QCOMPARE(spin("doubleSpinVCCX")->isEnabled(), enabled);
    QVERIFY(child<QLabel>("labelVCCX")->isEnabled());
    // A locked rail still carries its voltage into the file.
    QVERIFY(savedSection().contains(kRails));
}

void tst_General::voltageVisibilityOverridesEarlierLock()
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    m_view = std::make_unique<ZEL::ZELView>(DEV::DeviceArg(QStringLiteral("PX-C")), netlist);
    QVERIFY(!spin("doubleSpinVCCX")->isEnabled());
    QVERIFY(m_view->getVoltageInfo());
    QVERIFY(spin("doubleSpinVCCX")->isEnabled());
}

void tst_General::deviceChangeRefits()
{
    QVERIFY(open("<VCC>1.02</VCC><VCCX>2.5</VCCX><VCC_LDO>1.8</VCC_LDO>"));
    m_view->setDevice(DEV::DeviceArg(QStringLiteral("PX-C")));
    QVERIFY(!m_view->isModified());

    ZOR::VoltageTable next = plainTable();
    next.vccDefault = "1.2";
    next.vccMin = "1.14";
    next.vccMax = "1.26";
    next.vccxMin = "2.0";
    next.vccxMax = "3.0";
    next.vccldoDefault.clear();
    next.vccldoMin = next.vccldoMax = "1.5";
    useChip(QStringLiteral("next"), &next);

    // Only the exact event type is a device change.
    const QUtil::Event otherCase(QStringLiteral("te.device.change"));
    m_view->generalPage()->handleIEvent(&otherCase);
    QCOMPARE(spin("doubleSpinVCC")->value(), 1.02);
    QVERIFY(!m_view->isModified());

    QUtil::EventManager::instance()->publish(QUtil::Event(QStringLiteral("TE.Device.Change")));
    QCOMPARE(spin("doubleSpinVCC")->minimum(), 1.14);
    QCOMPARE(spin("doubleSpinVCCX")->maximum(), 3.0);
    QVERIFY(spin("doubleSpinVCCLDO")->isHidden());
    // The visibility step decides VCCX anew; the model lock is not applied again.
    QVERIFY(spin("doubleSpinVCCX")->isEnabled());
    QVERIFY(m_view->isModified());
    QCOMPARE(savedSection(), kHead + "AmbientTemp=25, VCC=1.2, VCCX=2.5, HeatSink=None, AirFlow=0");
}

void tst_General::deviceChangeClosesModifiedView()
{
    const QString netlistPath = m_dir->filePath(QStringLiteral("top.json"));
    QFile netlistFile(netlistPath);
    QVERIFY(netlistFile.open(QIODevice::WriteOnly));
    netlistFile.write(R"({"creator": "test", "modules": {"top": {
        "attributes": {"top": "00000000000000000000000000000001"},
        "ports": {"clk": {"direction": "input", "bits": [2]}}, "cells": {},
        "netnames": {"clk": {"hide_name": 0, "bits": [2], "attributes": {}}}}}})");
    netlistFile.close();
    TE::TaskEngine::instance()->flowManager()->setResultFile(QStringLiteral("RES.netlist"),
                                                             netlistPath);
    const QByteArray stored = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n"
                              "    <Version>1.0</Version>\n    <VCC>1</VCC>\n</Config>";
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(stored);
    file.close();

    // The manager follows the host's closing only once the plug-in has started it.
    ZEL::ZELSettingPlugin plugin;
    QString error;
    QVERIFY(plugin.initialize({}, &error));

    // Any box here is a failure; it is answered so that the test reports it, not hangs.
    TestSupport::ModalSeen box;
    ModalHelper::answerMessageBox(QMessageBox::Discard, &box);
    ZEL::ZELViewManager::openView(DEV::DeviceArg(QStringLiteral("GEN-1")), m_path);
    QPointer<ZEL::ZELView> view =
        qobject_cast<ZEL::ZELView *>(Core::ViewManager::instance()->currentView());
    QVERIFY2(!box.shown, qPrintable(box.text));
    QVERIFY(view && view->file() == m_path);
    QVERIFY(ZEL::ZELViewManager::instance()->zelViews().contains(view.data()));
    view->generalPage()->findChild<QDoubleSpinBox *>("spinAmbTemp")->setValue(45);
    QVERIFY(view->isModified());

    QSignalSpy closed(Core::ViewManager::instance(), &Core::ViewManager::viewClosed);
    useChip(QStringLiteral("no-such-table"), nullptr);
    QUtil::EventManager::instance()->publish(QUtil::Event(QStringLiteral("TE.Device.Change")));

    QVERIFY2(!box.shown, qPrintable(box.text));
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().first().value<Core::IView *>(), static_cast<Core::IView *>(view));
    QVERIFY(!ZEL::ZELViewManager::instance()->zelViews().contains(view.data()));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(view.isNull());
    // Run out the armed answer so that it cannot meet a box of a later test.
    for (int i = 0; i <= 1000; ++i)
        QCoreApplication::processEvents();
    QVERIFY(!box.shown);

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), stored);
}

QTEST_MAIN(tst_General)
#include "tst_general.moc"
