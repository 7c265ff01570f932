// Undo and redo in the configuration view: each user edit is one step that undo
// reverts completely (values, ranges, enabled states, rows at their positions) and
// redo makes again, without a dialog; the modified mark follows the clean state; and
// reading the file or refitting after a device change starts a new history.

#include "document/ZELView.h"
#include "enable/ClockEnableSetWidget.h"
#include "enable/DFFSetWidget.h"
#include "enable/DffModel.h"
#include "enable/RecordTableWidget.h"
#include "host/core.h"
#include "host/dev.h"
#include "host/extsys.h"
#include "host/qutil.h"
#include "host/te.h"
#include "plugin/ZELViewManager.h"
#include "rate/RateTableView.h"
#include "rate/RateWidget.h"
#include "rate/VcdFileWidget.h"
#include "rate/ZELRateWidget.h"
#include "support/ModalHelper.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

// Heat sink Low with board model Custom, net rates in "%", a signal-rate IO default,
// one activity file (the configuration file itself, so a save passes its check), a
// clock and four flip-flops.
const char kFile[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>
<Config><TempGrade>COMMERCIAL</TempGrade><Process>TYPICAL</Process><AmbientTemp>25</AmbientTemp>
<VCC>1</VCC><VCCX>3.3</VCCX><VCC_LDO>1.8</VCC_LDO><HeatSink>Low Profile</HeatSink>
<AirFlow>200</AirFlow><BoardThermalModel>Custom</BoardThermalModel><CustomThetaJB>5</CustomThetaJB>
<BoardTemp>30</BoardTemp><NetRate type="toggle"><Net name="n1" value="10.00"/>
<Net name="n2" value="20.00"/><Net name="n3" value="30.00"/></NetRate><DefaultConfig>
<DefaultIoSignalRate>5000</DefaultIoSignalRate><DefaultRmToggleRate>12.5</DefaultRmToggleRate>
</DefaultConfig><SimuFile><File type="vcd" name="%1" entity=""/></SimuFile>
<GlobalEnable value="100"><Clock name="clkA" value="50"/></GlobalEnable><LocalEnable>
<Instance name="d/q0" value="10"/><Instance name="d/q1"/><Instance name="d/q2" value="30"/>
<Instance name="d/q3" value="40"/></LocalEnable></Config>)";

QAction *command(const char *id)
{
    return Core::ActionManager::command(QString::fromLatin1("Core.Action.") + id);
}

void setChip(const QString &device)
{
    TE::ProInfoManager::instance()->setChipInfo(DEV::DeviceDatabase::instance()->chipInfo(device));
}

} // namespace

using ZEL::RecordTableWidget;

class tst_Undo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void stepRestores_data();
    void stepRestores();
    void modifiedMark_data();
    void modifiedMark();

private:
    bool open(const QString &chip);
    void run(const QString &ops);
    RecordTableWidget *table(const QString &key) const;
    QString dump(bool anyRowOrder) const;

    QTemporaryDir m_dir;
    ZEL::ZELView *m_view = nullptr;
};

void tst_Undo::initTestCase()
{
    QString error;
    QVERIFY2(ExtSys::PluginManager::instance()->loadPlugin(
                 QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so"), &error),
             qPrintable(error));
    TE::TaskEngine::instance()->flowManager()->setResultFile(
        QStringLiteral("RES.netlist"),
        QStringLiteral(VEP_SOURCE_DIR "/tests/data/document/netlist.json"));
}

void tst_Undo::cleanup()
{
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    if (m_view) {
        m_view->setModified(false);
        Core::ViewManager::instance()->closeView(std::exchange(m_view, nullptr));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QVERIFY(!command("Undo")->isEnabled());
}

bool tst_Undo::open(const QString &chip)
{
    setChip(chip);
    const QString path = m_dir.filePath(QStringLiteral("board.vep"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QString(kFile).arg(path).toUtf8()) < 0)
        return false;
    file.close();
    ZEL::ZELViewManager::openView(DEV::DeviceArg(chip), path);
    m_view = qobject_cast<ZEL::ZELView *>(Core::ViewManager::instance()->currentView());
    return m_view != nullptr;
}

RecordTableWidget *tst_Undo::table(const QString &key) const
{
    if (key == "net")
        return m_view->ratePage()->rateWidget()->netTable();
    if (key == "files")
        return m_view->ratePage()->vcdFileWidget();
    if (key == "clock")
        return m_view->findChild<ZEL::ClockEnableSetWidget *>();
    return m_view->findChild<ZEL::DFFSetWidget *>();
}

// ';'-separated actions, each as a user or the IDE would do it; message boxes are
// answered Yes.
void tst_Undo::run(const QString &ops)
{
    const QStringList list = ops.split(';', Qt::SkipEmptyParts);
    for (const QString &op : list) {
        const QStringList w = op.split(' ', Qt::SkipEmptyParts);
        ModalHelper::answerMessageBox(QMessageBox::Yes);
        if (w[0] == "set") {
            if (auto *combo = m_view->findChild<QComboBox *>(w[1]))
                combo->setCurrentIndex(combo->findText(w[2]));
            else
                m_view->findChild<QDoubleSpinBox *>(w[1])->setValue(w[2].toDouble());
        } else if (w[0] == "click") {
            m_view->findChild<QAbstractButton *>(w[1])->click();
        } else if (w[0] == "cell") {
            QAbstractItemModel *model = table(w[1])->findChild<QTableView *>()->model();
            model->setData(model->index(w[2].toInt(), w[3].toInt()), w[4]);
        } else if (w[0] == "remove" || w[0] == "drop") {
            QTableView *view = table(w[1])->findChild<QTableView *>();
            QList<ZEL::DffRecord *> records;
            for (const QString &row : w[2].split(',')) {
                view->selectionModel()->select(view->model()->index(row.toInt(), 0),
                                               QItemSelectionModel::Select |
                                                   QItemSelectionModel::Rows);
                records << static_cast<ZEL::DffRecord *>(
                    view->model()->index(row.toInt(), 0).internalPointer());
            }
            if (w[0] == "remove")
                table(w[1])->removeAction()->trigger();
            else
                m_view->findChild<ZEL::DffModel *>()->removeRecords(records, "Fix Names");
        } else if (w[0] == "add" && w.size() > 2) {
            m_view->ratePage()->rateWidget()->netTable()->addNames(w[2].split(','));
        } else if (w[0] == "add") {
            table(w[1])->addAction()->trigger();
        } else if (w[0] == "sort") {
            table(w[1])->findChild<QTableView *>()->sortByColumn(w[2].toInt(), Qt::DescendingOrder);
        } else if (w[0] == "undo" || w[0] == "redo" || w[0] == "save") {
            command(qPrintable(w[0].left(1).toUpper() + w[0].mid(1)))->trigger();
        } else if (w[0] == "reread") {
            m_view->readCfgFile(m_view->file());
        } else if (w[0] == "device") {
            setChip(w[1]);
            QUtil::EventManager::instance()->publish(QUtil::Event("TE.Device.Change"));
        }
        ModalHelper::cancelPending();
    }
}

// Every control's value, range and effective enabled state, and every table's rows.
QString tst_Undo::dump(bool anyRowOrder) const
{
    QStringList lines;
    const QList<QWidget *> widgets = m_view->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        const QString head = w->objectName() + (w->isEnabled() ? "=" : "(off)=");
        if (auto *spin = qobject_cast<QDoubleSpinBox *>(w))
            lines << head + QString("%1 [%2,%3]")
                                .arg(spin->value())
                                .arg(spin->minimum())
                                .arg(spin->maximum());
        else if (auto *combo = qobject_cast<QComboBox *>(w))
            lines << head + combo->currentText();
        else if (auto *button = qobject_cast<QAbstractButton *>(w); button && button->isCheckable())
            lines << head + QString::number(button->isChecked());
        else if (qobject_cast<QGroupBox *>(w))
            lines << head;
        else if (auto *view = qobject_cast<QTableView *>(w)) {
            QStringList rows;
            for (int r = 0; r < view->model()->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < view->model()->columnCount(); ++c)
                    cells << view->model()->index(r, c).data().toString();
                rows << cells.join('|');
            }
            if (anyRowOrder)
                rows.sort();
            lines << rows;
        }
    }
    return lines.join('\n');
}

void tst_Undo::stepRestores_data()
{
    QTest::addColumn<QString>("chip");
    QTest::addColumn<QString>("steps"); // what the user does: one step of the history
    QTest::addColumn<QString>("later"); // no edit (sorting), between the step and its undo
    QTest::addColumn<QString>("text");  // the step's name

    const auto row = [](const char *name, const char *steps, const char *text,
                        const char *later = "", const char *chip = "PX-A") {
        QTest::newRow(name) << chip << steps << later << text;
    };
    row("spin box", "set spinAmbTemp 30", "Ambient Temperature");
    row("spin box edits merge", "set spinAmbTemp 30;set spinAmbTemp 31;set spinAmbTemp 32",
        "Ambient Temperature");
    row("combo box", "set comboProcess Worst", "Process");
    row("grade with junction range", "set comboGrade Industrial", "Grade");
    row("heat sink None resets board model", "click radioHeatNone", "Heat Sink");
    row("custom heat sink resets air flow", "click radioHeatCumstom", "Heat Sink");
    row("junction temperature switches off", "click checkBoxJunctionTemp", "Junction Temperature");
    row("theta JA switches off", "click checkJA", "Custom Theta JA");
    row("tied rail follows", "set doubleSpinVCC 1.02", "VCC", "", "QL-1");
    row("default rate unit fits value", "set comboIOUnit %", "IO Input Rate Unit");
    row("glitch option", "click checkGlitch", "Filter Glitch");
    row("table global value", "set doubleSpinBox 40", "Global Enable");
    row("net rate cell", "cell net 1 1 55", "Value");
    row("clock name cell", "cell clock 0 0 clkB", "Clock Name");
    row("net unit clears rates", "click radioSignal", "Net Rate Unit");
    row("rows added", "add net a,n1,b", "Add 2 Rows");
    row("rows removed", "remove dff 0,2,3", "Remove 3 Rows");
    row("activity file removed", "remove files 0", "Remove 1 Row");
    row("removal by code", "drop dff 1,2", "Fix Names");
    row("cell edit, then sort", "cell dff 1 1 55", "Value", "sort dff 1");
    row("removal, then sort", "remove dff 1,3", "Remove 2 Rows", "sort dff 0");
}

void tst_Undo::stepRestores()
{
    QFETCH(QString, chip);
    QFETCH(QString, steps);
    QFETCH(QString, later);
    QFETCH(QString, text);
    QVERIFY(open(chip));
    const bool sorted = !later.isEmpty();
    const QString before = dump(sorted);
    run(steps);
    const QString after = dump(sorted);
    QVERIFY(after != before);
    QCOMPARE(command("Undo")->text(), "Undo " + text);
    run(later);

    ModalSeen seen;
    ModalHelper::onNextModal([](QWidget *modal) { modal->close(); }, &seen);
    run("undo");
    QCOMPARE(dump(sorted), before);
    QVERIFY(!command("Undo")->isEnabled()); // the whole edit was one step
    QCOMPARE(command("Redo")->text(), "Redo " + text);
    run("redo");
    QCOMPARE(dump(sorted), after);
    QVERIFY(!command("Redo")->isEnabled());
    QCoreApplication::processEvents();
    QVERIFY(!seen.shown);
}

void tst_Undo::modifiedMark_data()
{
    QTest::addColumn<QString>("ops");
    QTest::addColumn<QString>("states"); // after each op: Modified, Undo and Redo enabled

    const QString edit = "set spinAmbTemp 30;";
    QTest::newRow("edit, undo, redo") << edit + "undo;redo"
                                      << "MUr muR MUr";
    QTest::newRow("undo after save") << edit + "save;undo;redo"
                                     << "MUr mUr MuR mUr";
    QTest::newRow("two steps back") << edit + "click radioHeatNone;undo;undo;redo"
                                    << "MUr MUr MUR muR MUR";
    QTest::newRow("new edit drops redo") << edit + "undo;set comboProcess Worst"
                                         << "MUr muR MUr";
    QTest::newRow("re-read clears") << edit + "reread"
                                    << "MUr mur";
    QTest::newRow("refit clears, stays modified")
        << edit + "device PX-E;set comboProcess Worst;undo"
        << "MUr Mur MUr MuR";
    QTest::newRow("refit without change") << "device PX-B;" + edit + "undo"
                                          << "mur MUr muR";
    QTest::newRow("sorting is no step") << "sort dff 0"
                                        << "mur";
    QTest::newRow("unit of an emptied table") << "remove net 0,1,2;click radioSignal;undo;undo"
                                              << "MUr MUr MUR muR";
    QTest::newRow("empty clock row is no step") << "add clock;remove clock 1"
                                                << "mur mur";
}

void tst_Undo::modifiedMark()
{
    QFETCH(QString, ops);
    QFETCH(QString, states);
    QVERIFY(open(QStringLiteral("PX-A")));
    QStringList seen;
    for (const QString &op : ops.split(';')) {
        run(op);
        seen << QString("%1%2%3")
                    .arg(m_view->isModified() ? 'M' : 'm')
                    .arg(command("Undo")->isEnabled() ? 'U' : 'u')
                    .arg(command("Redo")->isEnabled() ? 'R' : 'r');
    }
    QCOMPARE(seen.join(' '), states);
}

QTEST_MAIN(tst_Undo)
#include "tst_undo.moc"
