#include "document/ZELView.h"
#include "enable/BsramSetWidget.h"
#include "enable/ClockEnableSetWidget.h"
#include "enable/DFFSetWidget.h"
#include "enable/PortModel.h"
#include "enable/PortSetWidget.h"
#include "enable/ZELEnableSetWidget.h"
#include "host/dev.h"
#include "host/nlsdata.h"
#include "tests/support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>
#include <QtXml>

#include <memory>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

const QList<int> blockRamCodes = {84,  85,  86,  87,  242, 88,  89,  90,  91,  192,
                                  193, 194, 195, 199, 200, 201, 202, 204, 205, 999};

// Block RAMs named after their primitive codes (999 is not a block-RAM code),
// flip-flops, and ports driven through each kind of chain: a driver's primitive
// code, "none" (no net), "net" (a net without driver) or "pin" (a driver pin
// without instance).
NlsData::Netlist *makeNetlist()
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    for (int code : blockRamCodes)
        netlist->addPrimitive(QStringLiteral("ram_%1").arg(code), NlsData::CategoryBlockRam, code);
    for (const char *path : {"u_core/cnt[0]", "u_core/cnt[1]", "u_core/state"})
        netlist->addPrimitive(QLatin1String(path), NlsData::CategoryFlipFlop, 0);
    const auto port = [netlist](const char *name, int direction, const QString &chain) {
        NlsData::Net *net = chain == QLatin1String("none") ? nullptr : netlist->addNet(name);
        if (chain == QLatin1String("pin"))
            netlist->addDriver(net, nullptr);
        else if (chain != QLatin1String("none") && chain != QLatin1String("net"))
            netlist->addDriver(
                net, netlist->addPrimitive(name + QStringLiteral("_buf"), 0, chain.toInt()));
        netlist->addTopPort(QLatin1String(name), direction, net);
    };
    for (const char *code : {"116", "122", "127", "117"})
        port(qPrintable(QStringLiteral("out_%1").arg(code)), NlsData::DirectionOutput, code);
    for (const char *chain : {"none", "net", "pin"})
        port(chain, NlsData::DirectionOutput, chain);
    port("sda", NlsData::DirectionInout, "116");
    port("clk", NlsData::DirectionInput, "116");
    port("odd", 5, "none");
    return netlist;
}

QTableView *tableOf(QWidget *table)
{
    return table->findChild<QTableView *>(QStringLiteral("tableView"));
}

QAbstractItemModel *modelOf(QWidget *table)
{
    return tableOf(table)->model();
}

QStringList column0(QWidget *table)
{
    QStringList names;
    for (int row = 0; row < modelOf(table)->rowCount(); ++row)
        names << modelOf(table)->index(row, 0).data().toString();
    return names;
}

void readInto(ZEL::ZELEnableSetWidget *page, const QString &xml)
{
    QDomDocument document;
    QVERIFY(document.setContent(xml));
    page->readConfig(document.documentElement());
}

// The page's sections without indentation, which is the document's business.
QString written(ZEL::ZELEnableSetWidget *page)
{
    QString text;
    QXmlStreamWriter writer(&text);
    page->writeConfig(writer);
    return text;
}

// What an empty page writes for the clock and block-RAM sections.
const QString globals = QStringLiteral(R"(<GlobalEnable value="100"/>)");
const QString bsramGlobals = QStringLiteral(
    R"(<GlobalBsram clock_enable="100" read_probability="100" write_probability="100"/>)");

void clickButton(QWidget *table, const char *name)
{
    QTest::mouseClick(table->findChild<QToolButton *>(QLatin1String(name)), Qt::LeftButton);
}

// Runs the table's add button with the finder answered: search for `pattern` and
// select every listed row.
void pick(QWidget *table, const QString &pattern, ModalSeen *seen = nullptr)
{
    ModalHelper::acceptNextDialog(
        [pattern](QDialog *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("lineEditFilter"))->setText(pattern);
            dialog->findChild<QPushButton *>(QStringLiteral("btnSearch"))->click();
            dialog->findChild<QListWidget *>(QStringLiteral("listWidget"))->selectAll();
        },
        seen);
    clickButton(table, "btnAdd");
}

// Selects the rows in this order and presses Remove, answering the confirmation.
void removeRows(QWidget *table, const QList<int> &rows, QMessageBox::StandardButton answer,
                ModalSeen *seen = nullptr)
{
    QTableView *view = tableOf(table);
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ModalHelper::answerMessageBox(answer, seen);
    clickButton(table, "btnRemove");
}

// The same row names in every table (kind 3 block RAMs, kind 1 ports), no values,
// and a global enable of 0, so that a row's value="100" can be told from it.
QString rowsOfEveryTable(const QStringList &names)
{
    QString clocks, rams, ports, dffs;
    for (const QString &name : names) {
        clocks += QStringLiteral(R"(<Clock name="%1"/>)").arg(name);
        rams += QStringLiteral(R"(<BSRam name="%1" type="3"/>)").arg(name);
        ports += QStringLiteral(R"(<Port name="%1" type="1"/>)").arg(name);
        dffs += QStringLiteral(R"(<Instance name="%1"/>)").arg(name);
    }
    return QStringLiteral("<Config><GlobalEnable>%1</GlobalEnable><GlobalBsram>%2</GlobalBsram>"
                          "<PortOutEnable>%3</PortOutEnable><LocalEnable>%4</LocalEnable></Config>")
        .arg(clocks, rams, ports, dffs);
}

const QStringList tableNames = {"clock", "bsram", "port", "dff"};

void addTableRows()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : tableNames)
        QTest::newRow(qPrintable(name)) << name;
}

} // namespace

class tst_Enable : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void bsramPickByPrimitive_data();
    void bsramPickByPrimitive();
    void portPicksAndDuplicates();
    void setData_data();
    void setData();
    void sortMenuAndRemoval_data() { addTableRows(); }
    void sortMenuAndRemoval();
    void writtenSections_data();
    void writtenSections();

private:
    QWidget *table(const QString &name) const;

    ZEL::ZELView *m_view = nullptr;
    ZEL::ZELEnableSetWidget *m_page = nullptr;
};

void tst_Enable::init()
{
    m_view = new ZEL::ZELView(DEV::DeviceArg(), makeNetlist());
    m_page = m_view->enableSetPage();
    m_view->setModified(false);
}

void tst_Enable::cleanup()
{
    ModalHelper::cancelPending();
    delete m_view;
    m_view = nullptr;
    m_page = nullptr;
    QVERIFY(!QApplication::activeModalWidget());
}

QWidget *tst_Enable::table(const QString &name) const
{
    const QList<QWidget *> tables = {m_page->clockEnableTable(), m_page->bsramTable(),
                                     m_page->portTable(), m_page->dffTable()};
    return tables.value(tableNames.indexOf(name));
}

void tst_Enable::bsramPickByPrimitive_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("values");   // ClockA,ReadA,WriteA,ClockB,ReadB,WriteB; "" unset
    QTest::addColumn<QString>("editable"); // the same columns
    const struct {
        QList<int> codes;
        int kind;
        const char *values, *editable;
    } kinds[] = {
        {{84, 85}, 3, "100,100,50,100,100,50", "111111"},
        {{86, 87, 242}, 2, "100,,100,100,100,", "101110"},
        {{88, 89}, 1, "100,100,50,,,", "111000"},
        {{90, 91}, 0, "100,100,,,,", "110000"},
        {{192, 193}, 4, "100,,100,100,100,", "101110"},
        {{194, 195}, 5, "100,100,,,,", "110000"},
        {{199, 200}, 6, "100,,100,100,100,", "101110"},
        {{201, 202}, 7, "100,100,50,100,100,50", "111111"},
        {{204, 205}, 8, "100,100,,,,", "110000"},
        // Not a block-RAM code: recorded as kind 0 with nothing filled in.
        {{999}, 0, ",,,,,", "110000"},
    };
    for (const auto &kind : kinds) {
        for (int code : kind.codes)
            QTest::addRow("code %d", code)
                << code << kind.kind << QString(kind.values) << QString(kind.editable);
    }
}

void tst_Enable::bsramPickByPrimitive()
{
    QFETCH(int, code);
    QFETCH(int, kind);
    QFETCH(QString, values);
    QFETCH(QString, editable);
    QWidget *t = m_page->bsramTable();
    ModalSeen seen;
    pick(t, QStringLiteral("RAM_%1").arg(code), &seen);
    QCOMPARE(seen.title, QStringLiteral("BSRAM Finder"));
    QCOMPARE(column0(t), QStringList{QStringLiteral("ram_%1").arg(code)});
    QVERIFY(m_view->isModified());
    for (int column = 1; column <= 6; ++column) {
        const QModelIndex index = modelOf(t)->index(0, column);
        const QString expected = values.section(QLatin1Char(','), column - 1, column - 1);
        QCOMPARE(index.data().isValid() ? index.data().toString() : QString(), expected);
        QCOMPARE(bool(index.flags() & Qt::ItemIsEditable), editable.at(column - 1) == '1');
        // Port cells without a value are grey, the port-A clock enable never is.
        QCOMPARE(index.data(Qt::BackgroundRole).isValid(), column > 1 && expected.isEmpty());
    }
    QVERIFY(written(m_page).contains(QStringLiteral(R"(type="%1"/>)").arg(kind)));
}

// Port kinds by driver chain, and the duplicate check of every pick: exact and
// case-sensitive, in pick order.
void tst_Enable::portPicksAndDuplicates()
{
    QWidget *t = m_page->portTable();
    pick(t, QStringLiteral("out_12*"));
    ModalSeen seen;
    pick(t, QStringLiteral("*"), &seen);
    QCOMPARE(seen.title, QStringLiteral("Port Finder"));
    // Drivers 116, 122 and 127 make kind 0; any other driver or a broken chain kind 1.
    QCOMPARE(written(m_page),
             globals +
                 R"(<PortOutEnable><Port name="out_122" type="0"/><Port name="out_127" type="0"/>)"
                 R"(<Port name="out_116" type="0"/><Port name="out_117" type="1"/>)"
                 R"(<Port name="none" type="1"/><Port name="net" type="1"/>)"
                 R"(<Port name="pin" type="1"/><Port name="sda" type="2"/></PortOutEnable>)" +
                 bsramGlobals);
    // The ports the finder never offers.
    const QList<NlsData::Port *> ports = m_view->getNetlist()->topInstance->ports();
    QCOMPARE(ZEL::PortModel::kindOfPort(ports.at(ports.size() - 2)), 3);
    QCOMPARE(ZEL::PortModel::kindOfPort(ports.last()), 3);

    // Nothing new: no marking, but the model is still reset.
    m_view->setModified(false);
    QSignalSpy resets(modelOf(t), &QAbstractItemModel::modelReset);
    pick(t, QStringLiteral("*"));
    QCOMPARE(resets.count(), 1);
    QVERIFY(!m_view->isModified());
    QCOMPARE(modelOf(t)->rowCount(), 8);

    readInto(m_page, QStringLiteral(R"(<Config><LocalEnable><Instance name="U_CORE/STATE"/>)"
                                    R"(</LocalEnable></Config>)"));
    pick(m_page->dffTable(), QStringLiteral("*state"));
    QCOMPARE(column0(m_page->dffTable()), (QStringList{"U_CORE/STATE", "u_core/state"}));
}

void tst_Enable::setData_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVariant>("start"); // what an editor opens with
    const auto row = [](const char *tag, const char *name, int row, int column, const char *value,
                        bool editable, bool accepted, QVariant start = QVariant()) {
        QTest::newRow(tag) << QString(name) << row << column << QString::fromUtf8(value) << editable
                           << accepted << start;
    };
    // Clock names: any underscores, an ASCII letter, then letters, digits and underscores.
    row("clock name underscore first", "clock", 0, 0, "_Clk_0", true, true);
    row("clock name digit first", "clock", 0, 0, "0clk", true, false);
    row("clock name underscores only", "clock", 0, 0, "__", true, false);
    row("clock value", "clock", 0, 1, "42.00", true, true, 100);
    row("clock quad4", "clock", 0, 5, "42.00", true, true, 100);
    row("bsram kind 3 write B", "bsram", 0, 6, "42.00", true, true);
    row("bsram kind 0 write B", "bsram", 1, 6, "42.00", false, false);
    row("port kind 1 out enable", "port", 0, 1, "42.00", true, true, 50);
    row("port kind 0 out enable", "port", 1, 1, "42.00", false, false);
    row("port kind 0 capacity", "port", 1, 2, "42.00", true, true, 5);
    row("dff value", "dff", 0, 1, "42.00", true, true, 100);
}

void tst_Enable::setData()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, value);
    QFETCH(bool, editable);
    QFETCH(bool, accepted);
    QFETCH(QVariant, start);
    readInto(m_page,
             QStringLiteral(R"(<Config><GlobalEnable><Clock name="clk"/></GlobalEnable>)"
                            R"(<GlobalBsram><BSRam name="a" type="3"/><BSRam name="b"/>)"
                            R"(</GlobalBsram><PortOutEnable><Port name="p" type="1"/>)"
                            R"(<Port name="q"/></PortOutEnable>)"
                            R"(<LocalEnable><Instance name="ff"/></LocalEnable></Config>)"));
    m_view->setModified(false);
    QAbstractItemModel *model = modelOf(table(name));
    const QModelIndex index = model->index(row, column);
    const QVariant before = index.data(Qt::EditRole);
    if (start.isValid())
        QCOMPARE(before.toDouble(), start.toDouble());
    QCOMPARE(bool(index.flags() & Qt::ItemIsEditable), editable);
    QVERIFY(!model->setData(index, value, Qt::DisplayRole));
    QCOMPARE(model->setData(index, value), accepted);
    QCOMPARE(m_view->isModified(), accepted);
    QCOMPARE(index.data(Qt::EditRole) != before, accepted);
    if (!accepted)
        return;
    // The same value again, in another form for numbers, changes nothing.
    m_view->setModified(false);
    QVERIFY(!model->setData(index, column == 0 ? QVariant(value) : QVariant(42)));
    QVERIFY(!m_view->isModified());
    QVERIFY(!model->setData(model->index(row, column + 20), value));
}

// What every table shares: sorting, the context menu and confirmed removal.
void tst_Enable::sortMenuAndRemoval()
{
    QFETCH(QString, name);
    readInto(m_page, rowsOfEveryTable({"b", "clk", "CLK", "a", "d", "e"}));
    QWidget *t = table(name);
    QTableView *view = tableOf(t);
    QAbstractItemModel *model = view->model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    // Column 1 of every table: clock enable, clock A enable, out enable, value.
    for (int row : {0, 2, 4, 5})
        QVERIFY(model->setData(model->index(row, 1), row == 2 ? 7 : row == 5 ? 100 : 5));
    m_view->setModified(false);

    model->sort(0, Qt::AscendingOrder);
    QCOMPARE(column0(t), (QStringList{"a", "b", "clk", "CLK", "d", "e"}));
    model->sort(1, Qt::AscendingOrder);
    QCOMPARE(column0(t), (QStringList{"a", "clk", "b", "d", "CLK", "e"}));
    QVERIFY(!model->index(0, 1).data().isValid());
    model->sort(1, Qt::DescendingOrder);
    QCOMPARE(column0(t), (QStringList{"e", "CLK", "b", "d", "a", "clk"}));
    // Rows are written in their sorted order.
    const QStringList tags = {"<GlobalEnable", "<GlobalBsram", "<PortOutEnable", "<LocalEnable"};
    const QString text = written(m_page).section(tags.at(tableNames.indexOf(name)), 1);
    QVERIFY(text.indexOf(QLatin1String("\"CLK\"")) < text.indexOf(QLatin1String("\"d\"")));
    QVERIFY(text.indexOf(QLatin1String("\"a\"")) < text.indexOf(QLatin1String("\"clk\"")));
    QVERIFY(!m_view->isModified());

    removeRows(t, {0, 2, 5}, QMessageBox::No);
    QCOMPARE(model->rowCount(), 6);
    QVERIFY(!m_view->isModified());

    view->clearSelection();
    ModalSeen seen;
    removeRows(t, {5, 0, 2}, QMessageBox::Yes, &seen);
    QCOMPARE(seen.title, QStringLiteral("Confirm"));
    QCOMPARE(seen.text, QStringLiteral("Sure to remove?"));
    QCOMPARE(column0(t), (QStringList{"CLK", "d", "a"}));
    QVERIFY(m_view->isModified());
    QVERIFY(!view->selectionModel()->hasSelection());
}

void tst_Enable::writtenSections_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty tables") << "<Config/>" << globals + bsramGlobals;
    QTest::newRow("globals out of range or missing")
        << R"(<Config><GlobalBsram/><GlobalEnable value="250"/></Config>)"
        << globals + bsramGlobals;
    QTest::newRow("globals without or with bad values")
        << R"(<Config><GlobalEnable/><GlobalBsram clock_enable="12.5" read_probability="x")"
           R"( write_probability="33.3333333"/></Config>)"
        << R"(<GlobalEnable value="0"/><GlobalBsram clock_enable="12.5" read_probability="0")"
           R"( write_probability="33.33"/>)";
    // Attributes in any order, missing or unreadable; sections in any order among
    // others, a second section of a kind ignored.
    QTest::newRow("rows of every table")
        << R"(<Config><Other/><LocalEnable><Instance value="0" name="a"/><Instance/>)"
           R"(<Instance name="c" value="100.000001"/></LocalEnable><NetRate/><PortOutEnable>)"
           R"(<Port type="2" capacity="3.3" name="a" out_enable="12.5"/><Port name="b"/>)"
           R"(<Port capacity="-3" type="x"/></PortOutEnable><GlobalBsram><BSRam type="3" name="a")"
           R"( port_b_write="50" port_b_read="1" port_a_write="2" port_a_read="3")"
           R"( clock_b_enable="4" clock_a_enable="5"/><BSRam name="b" clock_a_enable="100")"
           R"( port_a_read="100" type="0"/><BSRam name="c"/><BSRam clock_a_enable="1"/>)"
           R"(</GlobalBsram><GlobalEnable value="50.5"><Clock quad4="1" quad1="2" name="clk")"
           R"( value="33.3333333" quad3="abc" quad2="100"/><Clock name="only"/>)"
           R"(<Clock value="5"/><Clock name="clk" quad2="1e2"/></GlobalEnable>)"
           R"(<LocalEnable><Instance name="second"/></LocalEnable></Config>)"
        << R"(<GlobalEnable value="50.5"><Clock name="clk" value="33.3333" quad1="2" quad2="100")"
           R"( quad3="0" quad4="1"/><Clock name="only"/><Clock name="clk" quad2="100"/>)"
           R"(</GlobalEnable><PortOutEnable><Port name="a" out_enable="12.5" capacity="3.3")"
           R"( type="2"/><Port name="b" type="0"/><Port name="" type="0"/></PortOutEnable>)"
           R"(<GlobalBsram clock_enable="100" read_probability="100" write_probability="100">)"
           R"(<BSRam name="a" clock_a_enable="5" clock_b_enable="4" port_a_read="3")"
           R"( port_a_write="2" port_b_read="1" port_b_write="50" type="3"/>)"
           R"(<BSRam name="b" clock_a_enable="100" port_a_read="100" type="0"/>)"
           R"(<BSRam name="c" type="0"/></GlobalBsram><LocalEnable><Instance name="a" value="0"/>)"
           R"(<Instance name=""/><Instance name="c" value="100"/></LocalEnable>)";
}

void tst_Enable::writtenSections()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    readInto(m_page, input);
    QCOMPARE(written(m_page), expected);
}

QTEST_MAIN(tst_Enable)
#include "tst_enable.moc"
