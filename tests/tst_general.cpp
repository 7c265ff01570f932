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
#include "tests/support/Fixture.h"
#include "tests/support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>
#include <QtXml>

#include <memory>

using TestSupport::row;

namespace {

// Makes the project's chip one whose voltage table holds "default min max" for VCC, VCCX
// and VCCLDO ("-" for an empty text) and ties the pairs named in `ties`, e.g. "VCC-VCCX".
// Without rails the chip has no voltage information.
void useChip(const QString &rails, const QString &ties = QString())
{
    const QString key = rails.isEmpty() ? QStringLiteral("none") : rails + '|' + ties;
    if (!rails.isEmpty()) {
        QStringList f = rails.split(' ');
        f.replaceInStrings(QRegularExpression("^-$"), QString());
        ZOR::VoltageTable t{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]};
        const QStringList pairs = ties.split(' ');
        t.vccVccxTied = pairs.contains("VCC-VCCX");
        t.vccVccldoTied = pairs.contains("VCC-VCCLDO");
        t.vccxVccldoTied = pairs.contains("VCCX-VCCLDO");
        ZOR::Voltage::registerTable(key, QStringLiteral("GEN"), t);
    }
    DEV::ChipInfo chip;
    chip.device = QStringLiteral("GEN-1");
    chip.family = QStringLiteral("GEN");
    chip.voltage = key;
    TE::ProInfoManager::instance()->setChipInfo(chip);
}

// "Name=text, ..." is how sections are given to and returned by the tests.
QString toXml(const QString &section)
{
    QString xml;
    const QStringList items = section.split(QStringLiteral(", "), Qt::SkipEmptyParts);
    for (const QString &item : items)
        xml += QString("<%1>%2</%1>").arg(item.section('=', 0, 0), item.section('=', 1));
    return xml;
}

// The stand-in chip's rails lie well inside the form's 0..50 and away from 0, so a rail
// that is not fitted shows up as a wrong value.
const QString kRails = QStringLiteral("VCC=1, VCCX=2.5, VCC_LDO=1.8");
const QString kHead = QStringLiteral("TempGrade=COMMERCIAL, Process=TYPICAL, ");
const QString kAmbient25 = kHead + "AmbientTemp=25, " + kRails;
const QString kNone0 = QStringLiteral(", HeatSink=None, AirFlow=0");

const char kPrologue[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>
<Config>
    <Version>1.0</Version>
)";

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

    void enablingRules_data();
    void enablingRules();
    void writtenSection_data();
    void writtenSection();

    void voltageFitting_data();
    void voltageFitting();
    void ties_data();
    void ties();
    void vccxLock_data();
    void vccxLock();
    void deviceChangeRefits();
    void deviceChangeClosesModifiedView();

private:
    bool open(const QString &section, const QString &device = QStringLiteral("GEN-1"));
    QString savedSection();
    bool act(const QString &steps);
    template <class T> T *child(const QString &name) const
    {
        return m_view->generalPage()->findChild<T *>(name);
    }
    QDoubleSpinBox *spin(const QString &name) const { return child<QDoubleSpinBox>(name); }

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(QStringLiteral("board.vep"));
    std::unique_ptr<ZEL::ZELView> m_view;
};

void tst_General::init()
{
    QVERIFY(m_dir.isValid());
    useChip("1.0 0.95 1.05 2.5 2.375 2.625 1.8 1.71 1.89");
}

void tst_General::cleanup()
{
    m_view.reset();
    TestSupport::ModalHelper::cancelPending();
    TestSupport::ModalHelper::closeStrayModals();
}

bool tst_General::open(const QString &section, const QString &device)
{
    if (!TestSupport::writeBytes(m_path, kPrologue + toXml(section).toUtf8() + "\n</Config>"))
        return false;
    m_view = std::make_unique<ZEL::ZELView>(DEV::DeviceArg(device),
                                            new NlsData::Netlist(QStringLiteral("top")));
    return m_view->getVoltageInfo() && m_view->readCfgFile(m_path);
}

// Saves the view and returns the general section in file order.
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

// Takes a user's steps, "name" clicking that button and "name=text" picking that item of a
// combo box, and tells whether there were any.
bool tst_General::act(const QString &steps)
{
    const QStringList stepList = steps.split(',', Qt::SkipEmptyParts);
    for (const QString &step : stepList) {
        const QString name = step.section('=', 0, 0);
        if (auto *combo = child<QComboBox>(name))
            combo->setCurrentIndex(combo->findText(step.section('=', 1)));
        else if (auto *button = child<QAbstractButton>(name))
            button->click();
        else
            QTest::qFail(qPrintable("no control " + name), __FILE__, __LINE__);
    }
    return !stepList.isEmpty();
}

void tst_General::enablingRules_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("enabled");

    const QString defaults = "spinAmbTemp checkJA radioHeatNone comboAirFlow";
    const QString profile = defaults + " radioBoardNone";
    const QString customBoard = profile + " lineEditJB spinBoardTemp";
    const QString board = "radioHeatLow,radioBoardCustom,";
    row("file defaults", "", defaults);
    row("R2 junction given", "checkBoxJunctionTemp", "spinJunctionTemp");
    row("R1 theta JA", "checkJA", "spinAmbTemp checkJA lineEditJA");
    row("R3 profile", "radioHeatLow", profile);
    row("R4 board custom", "radioHeatMedium,radioBoardCustom", customBoard);
    row("R3 None closes board", board + "radioHeatNone", defaults);
}

void tst_General::enablingRules()
{
    QFETCH(QString, steps);
    QFETCH(QString, enabled);

    QVERIFY(open(kRails));
    const bool stepsTaken = act(steps);

    QStringList actual;
    for (const char *name :
         {"spinJunctionTemp", "spinAmbTemp", "checkJA", "lineEditJA", "radioHeatNone",
          "comboAirFlow", "lineEditSA", "radioBoardNone", "lineEditJB", "spinBoardTemp"}) {
        if (child<QWidget>(name)->isEnabled())
            actual << name;
    }
    QCOMPARE(actual.join(' '), enabled);
    QCOMPARE(m_view->isModified(), stepsTaken);
}

void tst_General::writtenSection_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("written");

    const QString thermal = "AmbientTemp=30, CustomThetaJA=12.5, HeatSink=Low Profile, "
                            "AirFlow=200, BoardThermalModel=Custom, CustomThetaJB=7, BoardTemp=40";
    const QString typical = ", HeatSink=Low Profile, AirFlow=100, BoardThermalModel=Typical, "
                            "BoardTemp=40";
    const QString customs = ", HeatSink=Custom, CustomThetaSA=3.25, BoardThermalModel=Custom, "
                            "CustomThetaJB=7.5, BoardTemp=-12.125";
    const QString jt = "TempGrade=%1, Process=TYPICAL, JunctionTemp=%2, " + kRails;
    row("junction temperature given",
        "TempGrade=INDUSTRIAL, Process=WORST, JunctionTemp=25.408, " + thermal, "",
        "TempGrade=INDUSTRIAL, Process=WORST, JunctionTemp=25.408, " + kRails);
    row("theta JA on", thermal, "", kHead + "AmbientTemp=30, " + kRails + ", CustomThetaJA=12.5");
    row("Low Profile, Typical board", "CustomThetaJA=NA" + typical, "", kAmbient25 + typical);
    row("custom sink, custom board", "AirFlow=400" + customs, "", kAmbient25 + customs);
    row("NA keeps theta SA and JB",
        "HeatSink=Custom, CustomThetaSA=NA, BoardThermalModel=Custom, CustomThetaJB=NA", "",
        kAmbient25 + ", HeatSink=Custom, CustomThetaSA=25, BoardThermalModel=Custom, "
                     "CustomThetaJB=25, BoardTemp=25");
    row("grade and process ignore case", "TempGrade=automotive, Process=Worst", "",
        "TempGrade=AUTOMOTIVE, Process=WORST, AmbientTemp=25, " + kRails + kNone0);
    row("user picks the process", "", "comboProcess=Worst",
        "TempGrade=COMMERCIAL, Process=WORST, AmbientTemp=25, " + kRails + kNone0);
    row("air flow is not matched by prefix", "AirFlow=40", "", kAmbient25 + kNone0);
    row("None forces board None", "", "radioHeatLow,radioBoardCustom,radioHeatNone,radioHeatLow",
        kAmbient25 + ", HeatSink=Low Profile, AirFlow=0, BoardThermalModel=None");
    row("custom sink resets air flow", "",
        "radioHeatHigh,comboAirFlow=400,radioHeatCumstom,radioHeatHigh",
        kAmbient25 + ", HeatSink=High Profile, AirFlow=0, BoardThermalModel=None");

    // The grade is read before the junction temperature, so its range clamps it.
    row("industrial clamps 120", "TempGrade=INDUSTRIAL, JunctionTemp=120", "",
        jt.arg("INDUSTRIAL", "100"));
    // The grade stays at index 0, so no rule runs and the form's range holds.
    row("not a number", "TempGrade=INDUSTRIAL, JunctionTemp=hot", "", jt.arg("INDUSTRIAL", "0"));
    row("user to commercial, maximum", "JunctionTemp=150",
        "comboGrade=Automotive,comboGrade=Commercial", jt.arg("COMMERCIAL", "85"));
}

void tst_General::writtenSection()
{
    QFETCH(QString, read);
    QFETCH(QString, steps);
    QFETCH(QString, written);

    QVERIFY(open(kRails + ", " + read));
    QCOMPARE(m_view->isModified(), act(steps));
    QCOMPARE(savedSection(), written);
}

void tst_General::voltageFitting_data()
{
    QTest::addColumn<QString>("limits");
    QTest::addColumn<QString>("read");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("modified");

    // The default is 1.0 throughout.
    row("just above maximum", "0.95 1.05", "VCC=1.051", 1.0, true);
    // 0.30000000000000004 is the next double after 0.3, 5.6e-17 away.
    row("below by less than tolerance", "0.30000000000000004 1.05", "VCC=0.3", 0.3, false);
    // Near zero the single-precision tolerance (1.00000001686e-16) decides.
    row("inside single-precision tolerance", "1.00000001e-16 1.05", "", 0.0, false);
    row("beyond single-precision tolerance", "1.0000001e-16 1.05", "", 1.0, true);
    // Rounded to three decimals the range still holds 0.3, but the chip's minimum does not.
    row("missing, range above zero", "0.95 1.05", "", 1.0, true);
    row("malformed limits pin to zero", "low -", "VCC=1", 0.0, true);
}

void tst_General::voltageFitting()
{
    QFETCH(QString, limits);
    QFETCH(QString, read);
    QFETCH(double, value);
    QFETCH(bool, modified);

    useChip("1.0 " + limits + " 2.5 2.375 2.625 1.8 1.71 1.89");
    QVERIFY(open(read + ", VCCX=2.5, VCC_LDO=1.8"));
    QCOMPARE(spin("doubleSpinVCC")->value(), value);
    QCOMPARE(m_view->isModified(), modified);
    QCOMPARE(spin("doubleSpinVCCX")->value(), 2.5);
    QCOMPARE(spin("doubleSpinVCCLDO")->value(), 1.8);
}

void tst_General::ties_data()
{
    // Tied pairs | read VCC VCCX VCCLDO | after opening | disabled rows | edited rail
    // (set to 1.7) | after the edit.
    QTest::addColumn<QString>("row");

    row("none", "|1.1 1.25 1.3|1.1 1.25 1.3||VCC|1.7 1.25 1.3");
    row("VCC-VCCX", "VCC-VCCX|1.1 1.25 1.3|1.1 1.1 1.3|VCCX|VCC|1.7 1.7 1.3");
    row("VCCX-VCCLDO", "VCCX-VCCLDO|1.1 1.25 1.3|1.1 1.25 1.25|VCCLDO|VCCX|1.1 1.7 1.7");
    row("VCC-VCCLDO", "VCC-VCCLDO|1.1 1.25 1.3|1.1 1.25 1.1|VCCLDO|VCC|1.7 1.25 1.7");
    row("only the first tie copies",
        "VCC-VCCX VCCX-VCCLDO|1.1 1.25 1.3|1.1 1.1 1.3|VCCX VCCLDO|VCC|1.7 1.7 1.3");
    row("equal texts copy nothing", "VCC-VCCX|1.1 1.1 1.3|1.1 1.1 1.3|VCCX|VCC|1.7 1.7 1.3");
    row("follower pulled back", "VCC-VCCX|1.1 1.25 1.3|1.1 1.1 1.3|VCCX|VCCX|1.1 1.1 1.3");
}

void tst_General::ties()
{
    QFETCH(QString, row);
    const QStringList f = row.split('|');
    const QStringList read = f[1].split(' ');
    useChip("1.0 0.9 2.0 1.0 0.9 2.0 1.0 0.9 2.0", f[0]);
    const QStringList rails{"VCC", "VCCX", "VCCLDO"};
    auto values = [this, &rails]() {
        QStringList texts;
        for (const QString &rail : rails)
            texts << QString::number(spin("doubleSpin" + rail)->value());
        return texts.join(' ');
    };

    QVERIFY(open(QString("VCC=%1, VCCX=%2, VCC_LDO=%3").arg(read[0], read[1], read[2])));
    QCOMPARE(values(), f[2]);
    // A copy across a tie is an edit of the freshly read file.
    QCOMPARE(m_view->isModified(), f[1] != f[2]);
    QStringList disabled;
    for (const QString &rail : rails) {
        if (!spin("doubleSpin" + rail)->isEnabled() && !child<QLabel>("label" + rail)->isEnabled())
            disabled << rail;
    }
    QCOMPARE(disabled.join(' '), f[3]);

    spin("doubleSpin" + f[4])->setValue(1.7);
    QCOMPARE(values(), f[5]);
}

void tst_General::vccxLock_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("enabled");

    for (const char *model : {"PX-A", "PX-B", "PX-C", "PX-D", "PX-E", "PX-F"})
        row(model, model, false);
    row("other letter case", "px-c", true);
    row("not in the list", "PX-G", true);
}

void tst_General::vccxLock()
{
    QFETCH(QString, device);
    QFETCH(bool, enabled);

    // The view locks by its device first; the visibility step then decides VCCX anew.
    QVERIFY(open(kRails, device));
    QVERIFY(spin("doubleSpinVCCX")->isEnabled());
    m_view->setDevice(DEV::DeviceArg(QStringLiteral("PX-A")));
    m_view->setDevice(DEV::DeviceArg(device));
    QCOMPARE(spin("doubleSpinVCCX")->isEnabled(), enabled);
    QVERIFY(child<QLabel>("labelVCCX")->isEnabled());
    // A locked rail still carries its voltage into the file.
    QVERIFY(savedSection().contains(kRails));
}

void tst_General::deviceChangeRefits()
{
    QVERIFY(open("VCC=1.02, VCCX=2.5, VCC_LDO=1.8"));
    // Without a default VCCLDO is hidden: clamped into its range but never reset.
    useChip("1.2 1.14 1.26 2.5 2.0 3.0 - 1.0 1.5");
    // Only the exact event type is a device change.
    const QUtil::Event otherCase(QStringLiteral("te.device.change"));
    m_view->generalPage()->handleIEvent(&otherCase);
    QCOMPARE(spin("doubleSpinVCC")->value(), 1.02);
    QVERIFY(!m_view->isModified());
    QUtil::EventManager::instance()->publish(QUtil::Event(QStringLiteral("TE.Device.Change")));
    QVERIFY(spin("doubleSpinVCCLDO")->isHidden());
    QCOMPARE(spin("doubleSpinVCCLDO")->value(), 1.5);
    QVERIFY(m_view->isModified());
    QCOMPARE(savedSection(), kHead + "AmbientTemp=25, VCC=1.2, VCCX=2.5" + kNone0);
}

// A chip without voltage information closes a modified view without asking and without
// writing its file.
void tst_General::deviceChangeClosesModifiedView()
{
    TE::TaskEngine::instance()->flowManager()->setResultFile(
        QStringLiteral("RES.netlist"),
        QStringLiteral(VEP_SOURCE_DIR "/tests/data/document/netlist.json"));
    const QByteArray stored = kPrologue + toXml("VCC=1").toUtf8();
    QVERIFY(TestSupport::writeBytes(m_path, stored));
    ZEL::ZELSettingPlugin plugin;
    QVERIFY(plugin.initialize({}, nullptr));
    TestSupport::ModalSeen box; // any box is a failure, answered so that it cannot hang
    TestSupport::ModalHelper::answerMessageBox(QMessageBox::Discard, &box);
    ZEL::ZELViewManager::openView(DEV::DeviceArg(QStringLiteral("GEN-1")), m_path);
    QPointer<ZEL::ZELView> view =
        qobject_cast<ZEL::ZELView *>(Core::ViewManager::instance()->currentView());
    QVERIFY(view && view->file() == m_path);
    view->generalPage()->findChild<QDoubleSpinBox *>("spinAmbTemp")->setValue(45);
    QVERIFY(view->isModified());
    useChip(QString());
    QUtil::EventManager::instance()->publish(QUtil::Event(QStringLiteral("TE.Device.Change")));
    QVERIFY2(!box.shown, qPrintable(box.text));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(view.isNull());
    QCOMPARE(TestSupport::readBytes(m_path), stored);
}

QTEST_MAIN(tst_General)
#include "tst_general.moc"
