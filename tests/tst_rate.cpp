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
#include "rate/VcdFileItem.h"
#include "rate/VcdFileModel.h"
#include "rate/VcdFileSetDialog.h"
#include "rate/VcdFileWidget.h"
#include "rate/ZELRateWidget.h"
#include "tests/support/ModalHelper.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegExpValidator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QXmlStreamWriter>
#include <QtTest>

#include <memory>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;
using ZEL::NetRateItem;
using ZEL::VcdFileItem;

namespace {

const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n";

// Drops a ModalHelper answer that found no modal widget, so that it cannot press a
// button of a later test's box.
void settle()
{
    TestSupport::ModalHelper::cancelPending();
}

QStringList names(const QList<NetRateItem *> &items)
{
    QStringList result;
    for (const NetRateItem *item : items)
        result << item->name;
    return result;
}

} // namespace

class tst_Rate : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modelsPassTester();
    void netUnitChange_data();
    void netUnitChange();
    void valueTypedInEditor_data();
    void valueTypedInEditor();
    void valuesSortAsText_data();
    void valuesSortAsText();
    void netRateRead_data();
    void netRateRead();
    void netPicksFromSearch();
    void portPicksFromFinder();
    void preSaveWarningOrder_data();
    void preSaveWarningOrder();
    void portRatesCheckedOnlyWhenEnabled_data();
    void portRatesCheckedOnlyWhenEnabled();

    void activityDialogChecks_data();
    void activityDialogChecks();
    void timeValidator_data();
    void timeValidator();
    void activityDialogPickers();
    void activityDialogLoadsRecord_data();
    void activityDialogLoadsRecord();
    void editActivityFile_data();
    void editActivityFile();
    void defaultRateUnitSwitch_data();
    void defaultRateUnitSwitch();
    void defaultRatesRead_data();
    void defaultRatesRead();
    void workedExample();
    void simuFileRead_data();
    void simuFileRead();
    void simuFileAttributes_data();
    void simuFileAttributes();
    void glitchOption();
    void activityFilesSort_data();
    void activityFilesSort();

    void roundTripEverySection();

private:
    bool open(const QString &body);
    QByteArray saved();
    QString pageXml();
    QString existing(const QString &name);
    void addActivityFile(const QString &file, const QString &instance, bool vcd,
                         const QString &start, const QString &end);
    template <class T> T *child(QWidget *parent, const char *name) const
    {
        return parent->findChild<T *>(QLatin1String(name));
    }
    ZEL::RateWidget *rates() const { return m_view->ratePage()->rateWidget(); }
    ZEL::VcdFileWidget *files() const { return m_view->ratePage()->vcdFileWidget(); }
    ZEL::RateTableView *nets() const { return rates()->netTable(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ZEL::ZELView> m_view;
    QString m_path;
};

void tst_Rate::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("rates.vep"));
    ZOR::VoltageTable table;
    table.vccDefault = "1.0", table.vccMin = "0.95", table.vccMax = "1.05";
    table.vccxDefault = "3.3", table.vccxMin = "3.135", table.vccxMax = "3.465";
    table.vccldoDefault = "1.8", table.vccldoMin = "1.71", table.vccldoMax = "1.89";
    ZOR::Voltage::registerTable(QStringLiteral("1.0V"), QStringLiteral("RATE"), table);
    DEV::ChipInfo chip;
    chip.device = QStringLiteral("RATE-1");
    chip.family = QStringLiteral("RATE");
    chip.voltage = QStringLiteral("1.0V");
    TE::ProInfoManager::instance()->setChipInfo(chip);
    QVERIFY(open(QString()));
}

void tst_Rate::cleanup()
{
    ModalHelper::closeStrayModals();
    QVERIFY(!QApplication::activeModalWidget());
    m_view.reset();
    settle();
    m_dir.reset();
}

// A fresh view over a stand-in design, reading a file that holds `body` in Config.
bool tst_Rate::open(const QString &body)
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
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

QByteArray tst_Rate::saved()
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The rate page's sections as the page writes them.
QString tst_Rate::pageXml()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.setAutoFormatting(true);
    writer.writeStartElement(QStringLiteral("Config"));
    m_view->ratePage()->writeConfig(writer);
    writer.writeEndElement();
    // The writer starts a line before the first element when no document was started.
    return QString::fromUtf8(buffer.data()).trimmed();
}

QString tst_Rate::existing(const QString &name)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return path;
}

// Adds an activity file the way a user does: the add button, then the dialog.
void tst_Rate::addActivityFile(const QString &file, const QString &instance, bool vcd,
                               const QString &start, const QString &end)
{
    ModalHelper::acceptNextDialog([&](QDialog *dialog) {
        child<QLineEdit>(dialog, "lineEditFile")->setText(file);
        child<QLineEdit>(dialog, "lineEditInstance")->setText(instance);
        child<QRadioButton>(dialog, vcd ? "radioVcd" : "radioSaif")->setChecked(true);
        child<QLineEdit>(dialog, "lineEditStartTime")->setText(start);
        child<QLineEdit>(dialog, "lineEditEndTime")->setText(end);
    });
    child<QToolButton>(files(), "btnAdd")->click();
}

void tst_Rate::modelsPassTester()
{
    QVERIFY(open("<NetRate type=\"toggle\"><Net name=\"a\" value=\"1.00\"/><Net name=\"b\"/>"
                 "</NetRate><SimuFile><File type=\"vcd\" name=\"/x/a.vcd\"/>"
                 "<File type=\"saif\" name=\"/x/b.saif\" entity=\"u_core\"/></SimuFile>"));
    QAbstractItemModelTester netTester(nets()->model(),
                                       QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester fileTester(files()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
    nets()->model()->sort(1, Qt::DescendingOrder);
    files()->model()->sort(2, Qt::DescendingOrder);
    QCOMPARE(nets()->model()->rowCount(), 2);
    QCOMPARE(files()->model()->rowCount(), 2);
    QVERIFY(!(nets()->model()->flags(nets()->model()->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(nets()->model()->flags(nets()->model()->index(0, 1)) & Qt::ItemIsEditable);
    QVERIFY(!(files()->model()->flags(files()->model()->index(0, 1)) & Qt::ItemIsEditable));
}

void tst_Rate::netUnitChange_data()
{
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("toggleAfter");
    QTest::addColumn<bool>("cleared");

    QTest::newRow("empty table") << false << "radioSignal" << 0 << false << false;
    QTest::newRow("filled, Yes") << true << "radioSignal" << int(QMessageBox::Yes) << false << true;
    QTest::newRow("filled, No") << true << "radioSignal" << int(QMessageBox::No) << true << false;
    QTest::newRow("same unit, Yes")
        << true << "radioToggle" << int(QMessageBox::Yes) << true << true;
    QTest::newRow("same unit, No")
        << true << "radioToggle" << int(QMessageBox::No) << true << false;
}

void tst_Rate::netUnitChange()
{
    QFETCH(bool, filled);
    QFETCH(QString, button);
    QFETCH(int, answer);
    QFETCH(bool, toggleAfter);
    QFETCH(bool, cleared);
    if (filled)
        QVERIFY(open("<NetRate type=\"toggle\"><Net name=\"a\" value=\"5.00\"/>"
                     "<Net name=\"b\" value=\"7.50\"/></NetRate>"));

    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::StandardButton(answer), &seen);
    rates()->findChild<QRadioButton *>(button)->click();
    settle();

    QCOMPARE(seen.shown, filled);
    if (filled) {
        QCOMPARE(seen.title, QStringLiteral("Confirm"));
        QCOMPARE(seen.text, QStringLiteral("Are you sure to change unit?\n"
                                           "The edited values will be clear after changed."));
    }
    QCOMPARE(nets()->toggleUnit(), toggleAfter);
    QCOMPARE(child<QRadioButton>(rates(), "radioToggle")->isChecked(), toggleAfter);
    QCOMPARE(nets()->delegate()->maximum(), toggleAfter ? 200.0 : 99999999.0);
    QCOMPARE(m_view->isModified(), cleared);
    if (filled) {
        const QString shown = nets()->model()->index(0, 1).data().toString();
        QCOMPARE(shown, cleared ? QString() : QStringLiteral("5.00%"));
        QCOMPARE(names(nets()->items()), QStringList({"a", "b"}));
    }
}

void tst_Rate::valueTypedInEditor_data()
{
    QTest::addColumn<bool>("toggle");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");

    QTest::newRow("toggle 12.5") << true << "12.5"
                                 << "12.50"
                                 << "12.50%";
    QTest::newRow("signal 1000") << false << "1000"
                                 << "1000.00"
                                 << "1000.00";
    QTest::newRow("emptied") << true << ""
                             << ""
                             << "";
}

void tst_Rate::valueTypedInEditor()
{
    QFETCH(bool, toggle);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QVERIFY(open(QStringLiteral("<NetRate type=\"%1\"><Net name=\"n\" value=\"3.00\"/></NetRate>")
                     .arg(toggle ? "toggle" : "signal")));

    // The editor the table opens on a double click, typed into and confirmed.
    QTableView *table = nets()->tableView();
    const QModelIndex cell = nets()->model()->index(0, 1);
    auto *editor = static_cast<QDoubleSpinBox *>(
        nets()->delegate()->createEditor(table->viewport(), {}, cell));
    nets()->delegate()->setEditorData(editor, cell);
    editor->findChild<QLineEdit *>()->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, typed);
    nets()->delegate()->setModelData(editor, nets()->model(), cell);
    delete editor;

    QCOMPARE(nets()->items().first()->value, stored);
    QCOMPARE(cell.data().toString(), shown);
    QVERIFY(m_view->isModified());
    QVERIFY(pageXml().contains(QStringLiteral("<Net name=\"n\" value=\"%1\"/>").arg(stored)));
}

void tst_Rate::valuesSortAsText_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("value up") << 1 << int(Qt::AscendingOrder) << QStringList{"c", "A", "b", "a"};
    QTest::newRow("value down") << 1 << int(Qt::DescendingOrder) << QStringList{"a", "b", "A", "c"};
    QTest::newRow("name up") << 0 << int(Qt::AscendingOrder) << QStringList{"A", "a", "b", "c"};
    QTest::newRow("name down") << 0 << int(Qt::DescendingOrder) << QStringList{"c", "b", "A", "a"};
}

void tst_Rate::valuesSortAsText()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QStringList, expected);
    QVERIFY(open("<NetRate type=\"toggle\"><Net name=\"b\" value=\"20.00\"/>"
                 "<Net name=\"A\" value=\"100.00\"/><Net name=\"a\" value=\"3.50\"/>"
                 "<Net name=\"c\" value=\"\"/></NetRate>"));
    nets()->tableView()->sortByColumn(column, Qt::SortOrder(order));
    QCOMPARE(names(nets()->items()), expected);
    QVERIFY(!m_view->isModified());
    QVERIFY(pageXml().indexOf("\"" + expected.at(0) + "\"") <
            pageXml().indexOf("\"" + expected.at(3) + "\""));
}

void tst_Rate::netRateRead_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("toggle");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("written");

    QTest::newRow("no type") << "<NetRate><Net name=\"n\" value=\"5.00\"/></NetRate>" << false
                             << "5.00"
                             << "<NetRate type=\"signal\">";
    QTest::newRow("toggle") << "<NetRate type=\"toggle\"><Net name=\"n\" value=\"5\"/></NetRate>"
                            << true << "5%"
                            << "<NetRate type=\"toggle\">";
    QTest::newRow("upper case") << "<NetRate type=\"TOGGLE\"><Net name=\"n\"/></NetRate>" << false
                                << ""
                                << "<Net name=\"n\" value=\"\"/>";
    QTest::newRow("no section") << "<Other/>" << true << "-"
                                << "";
}

void tst_Rate::netRateRead()
{
    QFETCH(QString, body);
    QFETCH(bool, toggle);
    QFETCH(QString, shown);
    QFETCH(QString, written);
    QVERIFY(open(body));
    QCOMPARE(child<QRadioButton>(rates(), "radioToggle")->isChecked(), toggle);
    QCOMPARE(child<QRadioButton>(rates(), "radioSignal")->isChecked(), !toggle);
    QCOMPARE(nets()->toggleUnit(), toggle);
    const QString xml = pageXml();
    if (written.isEmpty()) {
        QVERIFY(nets()->items().isEmpty());
        QVERIFY(!xml.contains(QLatin1String("NetRate")));
        return;
    }
    QCOMPARE(nets()->model()->index(0, 1).data().toString(), shown);
    QVERIFY2(xml.contains(written), qPrintable(xml));
}

void tst_Rate::netPicksFromSearch()
{
    const QList<NlsData::Net *> all = m_view->getNetlist()->allNets();
    QCOMPARE(nets()->addNets({all.at(1), all.at(1)}), 1);
    QVERIFY(nets()->containsName("din"));
    QVERIFY(!nets()->containsName("DIN"));
    m_view->setModified(false);
    QSignalSpy resets(nets()->model(), &QAbstractItemModel::modelReset);
    const auto pickAll = [](QDialog *d) {
        d->findChild<QAbstractItemView *>("listWidget")->selectAll();
    };

    ModalHelper::acceptNextDialog(pickAll);
    child<QToolButton>(rates(), "btnAdd")->click();
    QCOMPARE(names(nets()->items()), QStringList({"din", "clk", "dout"}));
    QVERIFY(m_view->isModified());
    QCOMPARE(resets.count(), 1);

    // Only duplicates: nothing added, not modified, but the model is reset.
    m_view->setModified(false);
    ModalHelper::acceptNextDialog(pickAll);
    child<QToolButton>(rates(), "btnAdd")->click();
    QCOMPARE(nets()->items().size(), 3);
    QVERIFY(!m_view->isModified());
    QCOMPARE(resets.count(), 2);

    ModalHelper::rejectNextDialog();
    child<QToolButton>(rates(), "btnAdd")->click();
    QCOMPARE(resets.count(), 2);
}

void tst_Rate::portPicksFromFinder()
{
    ZEL::RateTableView *ports = rates()->portTable();
    ports->addNames({"din"});
    emit files()->vectorlessChanged(true);
    m_view->setModified(false);
    ModalSeen seen;
    ModalHelper::acceptNextDialog(
        [](QDialog *dialog) {
            dialog->findChild<QPushButton *>("btnSearch")->click();
            dialog->findChild<QListWidget *>("listWidget")->selectAll();
        },
        &seen);
    child<QPushButton>(rates(), "btnAddIO")->click();
    QCOMPARE(seen.title, QStringLiteral("Port Finder"));
    QCOMPARE(names(ports->items()), QStringList({"din", "clk", "dout"}));
    QVERIFY(m_view->isModified());
    QVERIFY(nets()->items().isEmpty());
}

void tst_Rate::preSaveWarningOrder_data()
{
    QTest::addColumn<QString>("netValue");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("warning");

    QTest::newRow("empty rate and missing file")
        << "" << false << "Rate value of Net 'n' is empty.";
    QTest::newRow("empty rate") << "" << true << "Rate value of Net 'n' is empty.";
    QTest::newRow("missing file") << "1.00" << false << "The vcd file '%1' doesn't exist.";
    QTest::newRow("all fine") << "1.00" << true << "";
}

void tst_Rate::preSaveWarningOrder()
{
    QFETCH(QString, netValue);
    QFETCH(bool, fileExists);
    QFETCH(QString, warning);
    const QString vcd = m_dir->filePath(QStringLiteral("sim.vcd"));
    if (fileExists)
        existing(QStringLiteral("sim.vcd"));
    QVERIFY(open(QStringLiteral("<NetRate><Net name=\"n\" value=\"%1\"/></NetRate><SimuFile>"
                                "<File type=\"vcd\" name=\"%2\"/></SimuFile>")
                     .arg(netValue, vcd)));
    const QByteArray before = saved();

    QList<ModalSeen> seen;
    ModalHelper::answerMessageBoxes({QMessageBox::Ok, QMessageBox::Ok}, &seen);
    m_view->save();
    settle();

    QCOMPARE(seen.first().shown, !warning.isEmpty());
    QVERIFY2(seen.size() < 2 || !seen.at(1).shown, "a second warning was shown");
    if (warning.isEmpty()) {
        QVERIFY(saved() != before);
        return;
    }
    QCOMPARE(seen.first().title, QStringLiteral("Warning"));
    QCOMPARE(seen.first().text, QString(warning).replace(QLatin1String("%1"), vcd));
    QCOMPARE(saved(), before);
}

void tst_Rate::portRatesCheckedOnlyWhenEnabled_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::newRow("IO group disabled") << false;
    QTest::newRow("IO group enabled") << true;
}

void tst_Rate::portRatesCheckedOnlyWhenEnabled()
{
    QFETCH(bool, enabled);
    rates()->portTable()->addNames({"clk"});
    QVERIFY(!child<QGroupBox>(rates(), "groupIORate")->isEnabled());
    emit files()->vectorlessChanged(enabled);
    QCOMPARE(child<QGroupBox>(rates(), "groupIORate")->isEnabled(), enabled);

    ModalSeen seen;
    ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    QCOMPARE(m_view->ratePage()->checkConfig(), !enabled);
    settle();
    QCOMPARE(seen.shown, enabled);
    if (enabled)
        QCOMPARE(seen.text, QStringLiteral("Rate value of Port 'clk' is empty."));
    QVERIFY(!pageXml().contains(QLatin1String("clk")));
}

void tst_Rate::activityDialogChecks_data()
{
    QTest::addColumn<QString>("file"); // "*" stands for an existing file's path
    QTest::addColumn<QString>("instance");
    QTest::addColumn<bool>("vcd");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("warning"); // empty: accepted

    const QString noInstance = "Module instance name is empty. Please select instance.";
    const QString notGreater = "End time value must be greater than start time value.";
    QTest::newRow("no file") << "  "
                             << "top" << true << ""
                             << ""
                             << "No vcd file. Please select vcd file.";
    QTest::newRow("missing file first") << "nowhere.vcd"
                                        << "" << true << ""
                                        << ""
                                        << "Vcd file 'nowhere.vcd' doesn't exist.";
    QTest::newRow("no instance") << "*"
                                 << "" << true << ""
                                 << "" << noInstance;
    QTest::newRow("end 0") << "*"
                           << "top" << true << ""
                           << "0"
                           << "End time value cannot be 0.";
    QTest::newRow("end 0.000") << "*"
                               << "top" << true << "5"
                               << "0.000"
                               << "End time value cannot be 0.";
    QTest::newRow("end equals start") << "*"
                                      << "top" << true << "10"
                                      << "10" << notGreater;
    QTest::newRow("end before start") << "*"
                                      << "top" << true << "20"
                                      << "10.5" << notGreater;
    QTest::newRow("only end") << "*"
                              << "top" << true << ""
                              << "5"
                              << "";
    QTest::newRow("only start") << "*"
                                << "top" << true << "5"
                                << ""
                                << "";
    QTest::newRow("saif drops times") << "*"
                                      << "top" << false << "10"
                                      << "10"
                                      << "";
    QTest::newRow("trimmed path") << " * "
                                  << "u_core" << true << "1"
                                  << "2"
                                  << "";
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
    file.replace('*', path);

    ZEL::VcdFileSetDialog dialog(m_view.get(), files(), nullptr);
    child<QLineEdit>(&dialog, "lineEditFile")->setText(file);
    child<QLineEdit>(&dialog, "lineEditInstance")->setText(instance);
    child<QRadioButton>(&dialog, vcd ? "radioVcd" : "radioSaif")->setChecked(true);
    QCOMPARE(child<QGroupBox>(&dialog, "groupTime")->isEnabled(), vcd);
    child<QLineEdit>(&dialog, "lineEditStartTime")->setText(start);
    child<QLineEdit>(&dialog, "lineEditEndTime")->setText(end);

    ModalSeen seen;
    if (!warning.isEmpty())
        ModalHelper::answerMessageBox(QMessageBox::Ok, &seen);
    dialog.accept();
    std::unique_ptr<VcdFileItem> item(dialog.vcdFileItem());
    if (!warning.isEmpty()) {
        QCOMPARE(seen.text, warning);
        QCOMPARE(seen.title, QStringLiteral("Warning"));
        QVERIFY(!item);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        return;
    }
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(item);
    QCOMPARE(item->file, path);
    QCOMPARE(item->instance, instance);
    QCOMPARE(item->isVcd, vcd);
    QCOMPARE(item->startTime, vcd ? start : QString());
    QCOMPARE(item->endTime, vcd ? end : QString());
    QCOMPARE(item->timeUnit, QStringLiteral("ns"));
}

void tst_Rate::timeValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("afterTyping");

    QTest::newRow("0.5") << "0.5" << int(QValidator::Acceptable) << "0.5";
    QTest::newRow("largest") << "999999999.999" << int(QValidator::Acceptable) << "999999999.999";
    QTest::newRow("0") << "0" << int(QValidator::Acceptable) << "0";
    QTest::newRow("open fraction") << "1." << int(QValidator::Intermediate) << "1.";
    QTest::newRow("leading zero") << "01" << int(QValidator::Invalid) << "0";
    QTest::newRow("four decimals") << "1.2345" << int(QValidator::Invalid) << "1.234";
    QTest::newRow("negative") << "-1" << int(QValidator::Invalid) << "1";
    QTest::newRow("ten digits") << "1234567890" << int(QValidator::Invalid) << "123456789";
}

void tst_Rate::timeValidator()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    QFETCH(QString, afterTyping);
    ZEL::VcdFileSetDialog dialog(m_view.get(), files(), nullptr);
    auto *startEdit = child<QLineEdit>(&dialog, "lineEditStartTime");
    auto *endEdit = child<QLineEdit>(&dialog, "lineEditEndTime");
    QCOMPARE(startEdit->validator(), endEdit->validator());
    QVERIFY(qobject_cast<const QRegExpValidator *>(startEdit->validator()));

    int position = 0;
    QString probe = text;
    QCOMPARE(int(startEdit->validator()->validate(probe, position)), state);
    for (QLineEdit *edit : {startEdit, endEdit}) {
        QTest::keyClicks(edit, text);
        QCOMPARE(edit->text(), afterTyping);
    }
}

void tst_Rate::activityDialogPickers()
{
    const QString path = existing(QStringLiteral("picked.vcd"));
    ZEL::VcdFileSetDialog dialog(m_view.get(), files(), nullptr);
    ModalSeen fileDialog;
    ModalHelper::acceptNextDialog(
        [&path](QDialog *d) { static_cast<QFileDialog *>(d)->selectFile(path); }, &fileDialog);
    child<QToolButton>(&dialog, "btnSelectFile")->click();
    QCOMPARE(fileDialog.title, QStringLiteral("Select VCD File"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditFile")->text(), path);

    ModalSeen selector;
    ModalHelper::acceptNextDialog(
        [](QDialog *d) { d->findChild<QListWidget *>()->setCurrentRow(2); }, &selector);
    child<QToolButton>(&dialog, "btnInstance")->click();
    QCOMPARE(selector.title, QStringLiteral("Select Instance"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditInstance")->text(), QStringLiteral("u_core/u_alu"));

    // Cancelled pickers leave the fields as they are.
    ModalHelper::rejectNextDialog();
    child<QToolButton>(&dialog, "btnSelectFile")->click();
    ModalHelper::rejectNextDialog();
    child<QToolButton>(&dialog, "btnInstance")->click();
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditFile")->text(), path);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditInstance")->text(), QStringLiteral("u_core/u_alu"));
}

void tst_Rate::activityDialogLoadsRecord_data()
{
    QTest::addColumn<bool>("vcd");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("shownUnit");
    QTest::addColumn<QString>("shownStart");

    QTest::newRow("vcd ms") << true << "ms"
                            << "ms"
                            << "1";
    QTest::newRow("unit with blank") << true << "ms "
                                     << "ns"
                                     << "1";
    QTest::newRow("unit case differs") << true << "MS"
                                       << "ns"
                                       << "1";
    QTest::newRow("saif keeps form times") << false << "ps"
                                           << "ns"
                                           << "";
}

void tst_Rate::activityDialogLoadsRecord()
{
    QFETCH(bool, vcd);
    QFETCH(QString, unit);
    QFETCH(QString, shownUnit);
    QFETCH(QString, shownStart);
    const QString path = existing(QStringLiteral("a.vcd"));
    VcdFileItem item{path, QStringLiteral("u_core"), vcd, "1", "2", unit};
    ZEL::VcdFileSetDialog dialog(m_view.get(), files(), &item);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditFile")->text(), path);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditInstance")->text(), QStringLiteral("u_core"));
    QCOMPARE(child<QRadioButton>(&dialog, "radioSaif")->isChecked(), !vcd);
    QCOMPARE(child<QGroupBox>(&dialog, "groupTime")->isEnabled(), vcd);
    QCOMPARE(child<QComboBox>(&dialog, "comboBoxUnit")->currentText(), shownUnit);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEditStartTime")->text(), shownStart);

    dialog.accept();
    QCOMPARE(dialog.vcdFileItem(), &item);
    QCOMPARE(item.timeUnit, shownUnit);
}

void tst_Rate::editActivityFile_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void tst_Rate::editActivityFile()
{
    QFETCH(bool, accept);
    const QString path = existing(QStringLiteral("a.vcd"));
    QVERIFY(open(QStringLiteral("<SimuFile><File type=\"vcd\" name=\"%1\" start_time=\"1\" "
                                "end_time=\"2\" time_unit=\"us\"/></SimuFile>")
                     .arg(path)));
    QSignalSpy changed(files()->model(), &QAbstractItemModel::dataChanged);
    ModalSeen seen;
    if (accept) {
        ModalHelper::acceptNextDialog(
            [](QDialog *d) { d->findChild<QLineEdit *>("lineEditEndTime")->setText("3"); }, &seen);
    } else {
        ModalHelper::rejectNextDialog(&seen);
    }
    emit files()
        ->findChild<QTableView *>("tableView")
        ->doubleClicked(files()->model()->index(0, 2));
    QCOMPARE(seen.title, QStringLiteral("Add Vcd File"));
    QCOMPARE(files()->items().first()->endTime, accept ? QStringLiteral("3") : QStringLiteral("2"));
    QCOMPARE(files()->items().first()->timeUnit, QStringLiteral("us"));
    QCOMPARE(changed.count(), accept ? 1 : 0);
    QCOMPARE(m_view->isModified(), accept);
}

void tst_Rate::defaultRateUnitSwitch_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QString>("spin");
    QTest::newRow("IO") << "comboIOUnit"
                        << "editIOValue";
    QTest::newRow("remaining") << "comboRemainUnit"
                               << "editRemainValue";
}

void tst_Rate::defaultRateUnitSwitch()
{
    QFETCH(QString, combo);
    QFETCH(QString, spin);
    auto *unit = files()->findChild<QComboBox *>(combo);
    auto *value = files()->findChild<QDoubleSpinBox *>(spin);
    QCOMPARE(value->maximum(), 200.0);
    unit->setCurrentIndex(1);
    QVERIFY(m_view->isModified());
    value->setValue(5000);
    QCOMPARE(value->value(), 5000.0);
    unit->setCurrentIndex(0);
    QCOMPARE(value->value(), 12.5);
    QCOMPARE(value->maximum(), 200.0);
    unit->setCurrentIndex(1);
    QCOMPARE(value->value(), 12.5);
    QCOMPARE(value->maximum(), 99999999.0);
}

void tst_Rate::defaultRatesRead_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("written");

    QTest::newRow("toggle above 200")
        << "<DefaultConfig><DefaultIoToggleRate>250</DefaultIoToggleRate></DefaultConfig>"
        << "<DefaultIoToggleRate>200.00</DefaultIoToggleRate>\n"
           "        <DefaultRmToggleRate>12.50</DefaultRmToggleRate>";
    QTest::newRow("signal 250") << "<DefaultConfig><DefaultIoSignalRate>250</DefaultIoSignalRate>"
                                   "<DefaultRmSignalRate>abc</DefaultRmSignalRate></DefaultConfig>"
                                << "<DefaultIoSignalRate>250.00</DefaultIoSignalRate>\n"
                                   "        <DefaultRmSignalRate>0.00</DefaultRmSignalRate>";
    QTest::newRow("toggle wins")
        << "<DefaultConfig><DefaultRmSignalRate>40</DefaultRmSignalRate>"
           "<DefaultRmToggleRate>30.125</DefaultRmToggleRate></DefaultConfig>"
        << "<DefaultIoToggleRate>12.50</DefaultIoToggleRate>\n"
           "        <DefaultRmToggleRate>30.13</DefaultRmToggleRate>";
}

void tst_Rate::defaultRatesRead()
{
    QFETCH(QString, body);
    QFETCH(QString, written);
    QVERIFY(open(body));
    const QString xml = pageXml();
    QVERIFY2(xml.contains(written), qPrintable(xml));
    QVERIFY(!xml.contains(QLatin1String("SimuFile")));
}

void tst_Rate::workedExample()
{
    const QString path = existing(QStringLiteral("run.vcd"));
    files()->findChild<QComboBox *>("comboRemainUnit")->setCurrentIndex(1);
    files()->findChild<QDoubleSpinBox *>("editRemainValue")->setValue(1000);
    addActivityFile(path, QStringLiteral("top"), true, "0", "100");
    QCOMPARE(files()->items().size(), 1);
    QCOMPARE(pageXml(),
             QStringLiteral("<Config>\n"
                            "    <DefaultConfig>\n"
                            "        <DefaultIoToggleRate>12.50</DefaultIoToggleRate>\n"
                            "        <DefaultRmSignalRate>1000.00</DefaultRmSignalRate>\n"
                            "    </DefaultConfig>\n"
                            "    <SimuFile>\n"
                            "        <File type=\"vcd\" name=\"%1\" entity=\"\" "
                            "start_time=\"0\" end_time=\"100\" time_unit=\"ns\"/>\n"
                            "        <FilterGlitch>FALSE</FilterGlitch>\n"
                            "    </SimuFile>\n"
                            "</Config>")
                 .arg(path));
}

void tst_Rate::simuFileRead_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("instance");

    QTest::newRow("vcd") << "type=\"vcd\""
                         << "Vcd"
                         << "top";
    QTest::newRow("VCD reads as SAIF") << "type=\"VCD\" entity=\"\""
                                       << "Saif"
                                       << "top";
    QTest::newRow("no type") << "entity=\"u_core\""
                             << "Saif"
                             << "u_core";
}

void tst_Rate::simuFileRead()
{
    QFETCH(QString, attributes);
    QFETCH(QString, type);
    QFETCH(QString, instance);
    QVERIFY(open(QStringLiteral("<SimuFile><File name=\"/d/f.x\" %1/>"
                                "<FilterGlitch>TRUE</FilterGlitch></SimuFile>")
                     .arg(attributes)));
    const QAbstractItemModel *model = files()->model();
    QCOMPARE(model->index(0, 0).data().toString(), instance);
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("f.x"));
    QCOMPARE(model->index(0, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("/d/f.x"));
    QCOMPARE(model->index(0, 2).data().toString(), type);
    QCOMPARE(model->index(0, 2).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    QVERIFY(!model->index(0, 0).data(Qt::TextAlignmentRole).isValid());
    QVERIFY(files()->findChild<QCheckBox *>("checkGlitch")->isChecked());
}

void tst_Rate::simuFileAttributes_data()
{
    QTest::addColumn<bool>("vcd");
    QTest::addColumn<QString>("instance");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("tail"); // the attributes after name

    QTest::newRow("saif") << false << "top"
                          << "1"
                          << "2"
                          << "entity=\"\"";
    QTest::newRow("end only") << true << "u_core"
                              << ""
                              << "7.5"
                              << "entity=\"u_core\" end_time=\"7.5\" time_unit=\"ns\"";
    QTest::newRow("no window") << true << "u_core/u_alu"
                               << ""
                               << ""
                               << "entity=\"u_core/u_alu\"";
}

void tst_Rate::simuFileAttributes()
{
    QFETCH(bool, vcd);
    QFETCH(QString, instance);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, tail);
    const QString path = existing(QStringLiteral("f.vcd"));
    addActivityFile(path, instance, vcd, start, end);
    QVERIFY(m_view->isModified());
    const QString element =
        QStringLiteral("<File type=\"%1\" name=\"%2\" %3/>").arg(vcd ? "vcd" : "saif", path, tail);
    QVERIFY2(pageXml().contains(element), qPrintable(pageXml()));
}

void tst_Rate::glitchOption()
{
    auto *glitch = files()->findChild<QCheckBox *>("checkGlitch");
    glitch->click();
    QVERIFY(!m_view->isModified());
    QVERIFY(!pageXml().contains(QLatin1String("FilterGlitch")));

    addActivityFile(existing(QStringLiteral("g.vcd")), QStringLiteral("top"), true, "", "");
    m_view->setModified(false);
    glitch->click();
    QVERIFY(!glitch->isChecked());
    QVERIFY(m_view->isModified());
    QVERIFY(pageXml().contains(QLatin1String("<FilterGlitch>FALSE</FilterGlitch>")));
}

void tst_Rate::activityFilesSort_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("expected"); // file names in the resulting order

    QTest::newRow("instance") << 0 << int(Qt::AscendingOrder) << "/c/a.saif /a/x.vcd /b/x.vcd";
    QTest::newRow("path up") << 1 << int(Qt::AscendingOrder) << "/a/x.vcd /b/x.vcd /c/a.saif";
    QTest::newRow("path down") << 1 << int(Qt::DescendingOrder) << "/c/a.saif /b/x.vcd /a/x.vcd";
    QTest::newRow("type up") << 2 << int(Qt::AscendingOrder) << "/b/x.vcd /a/x.vcd /c/a.saif";
    QTest::newRow("type down") << 2 << int(Qt::DescendingOrder) << "/a/x.vcd /c/a.saif /b/x.vcd";
}

void tst_Rate::activityFilesSort()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QString, expected);
    QVERIFY(open("<SimuFile><File type=\"vcd\" name=\"/b/x.vcd\" entity=\"U2\"/>"
                 "<File type=\"saif\" name=\"/a/x.vcd\" entity=\"u1\"/>"
                 "<File type=\"saif\" name=\"/c/a.saif\"/></SimuFile>"));
    files()->findChild<QTableView *>("tableView")->sortByColumn(column, Qt::SortOrder(order));
    QStringList sorted;
    for (const VcdFileItem *item : files()->items())
        sorted << item->file;
    QCOMPARE(sorted.join(' '), expected);
    QVERIFY(!m_view->isModified());
    const QString xml = pageXml();
    QVERIFY(xml.indexOf(sorted.at(0) + '"') < xml.indexOf(sorted.at(2) + '"'));
}

// Every section, shuffled, with an element no page reads: saving without edits must
// give the same sections in the canonical order, and saving that again the same bytes.
void tst_Rate::roundTripEverySection()
{
    const QString vcd = existing(QStringLiteral("sim.vcd"));
    const QStringList canonical{
        "<TempGrade>INDUSTRIAL</TempGrade>",
        "<Process>TYPICAL</Process>",
        "<AmbientTemp>25</AmbientTemp>",
        "<VCC>1</VCC>",
        "<VCCX>3.3</VCCX>",
        "<VCC_LDO>1.8</VCC_LDO>",
        "<HeatSink>Low Profile</HeatSink>",
        "<AirFlow>100</AirFlow>",
        "<BoardThermalModel>Custom</BoardThermalModel>",
        "<CustomThetaJB>5.5</CustomThetaJB>",
        "<BoardTemp>30</BoardTemp>",
        "<NetRate type=\"signal\"><Net name=\"u_core/n1\" value=\"12.50\"/>"
        "<Net name=\"n0\" value=\"3\"/></NetRate>",
        "<DefaultConfig><DefaultIoSignalRate>1000.00</DefaultIoSignalRate>"
        "<DefaultRmToggleRate>20.00</DefaultRmToggleRate></DefaultConfig>",
        "<SimuFile><File type=\"vcd\" name=\"" + vcd +
            "\" entity=\"u_core\" start_time=\"1\" end_time=\"2.5\" time_unit=\"us\"/>"
            "<File type=\"saif\" name=\"" +
            vcd +
            "\" entity=\"\"/>"
            "<FilterGlitch>TRUE</FilterGlitch></SimuFile>",
        "<GlobalEnable value=\"50\"><Clock name=\"clk\" value=\"25\" quad1=\"12.5\"/>"
        "</GlobalEnable>",
        "<PortOutEnable><Port name=\"dout\" out_enable=\"40\" capacity=\"5\" type=\"1\"/>"
        "</PortOutEnable>",
        "<GlobalBsram clock_enable=\"90\" read_probability=\"40\" write_probability=\"60\">"
        "<BSRam name=\"u_core/mem\" clock_a_enable=\"80\" port_a_read=\"33.3333\" type=\"2\"/>"
        "</GlobalBsram>",
        "<LocalEnable><Instance name=\"u_core/q_reg\" value=\"75\"/></LocalEnable>"};
    QStringList shuffled = canonical;
    std::reverse(shuffled.begin(), shuffled.end());
    shuffled.insert(3, QStringLiteral("<Unknown a=\"1\"/>"));
    QVERIFY(open(shuffled.join(QString())));
    m_view->save();
    const QByteArray first = saved();

    // The writer's indentation aside, the file is exactly the canonical sections.
    QString flat = QString::fromUtf8(first);
    flat.remove(QRegularExpression(QStringLiteral("\n *")));
    QCOMPARE(flat, QString::fromUtf8(kHead).remove('\n') + "<Version>1.0</Version>" +
                       canonical.join(QString()) + "</Config>");
    QVERIFY(first.endsWith("\n</Config>"));

    QVERIFY(open(QString::fromUtf8(first.mid(first.indexOf("<Version>")).chopped(9))));
    m_view->save();
    QCOMPARE(saved(), first);
}

QTEST_MAIN(tst_Rate)
#include "tst_rate.moc"
