#include "document/ZELView.h"
#include "enable/BSRamModel.h"
#include "enable/BsramSetWidget.h"
#include "enable/ClkEnableModel.h"
#include "enable/ClockEnableSetWidget.h"
#include "enable/DFFSetWidget.h"
#include "enable/DffModel.h"
#include "enable/PortModel.h"
#include "enable/PortSetWidget.h"
#include "enable/ZELEnableSetWidget.h"
#include "host/dev.h"
#include "host/nlsdata.h"
#include "tests/support/ModalHelper.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDialog>
#include <QDomDocument>
#include <QDoubleSpinBox>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QXmlStreamWriter>
#include <QtTest>

#include <functional>
#include <memory>

using TestSupport::ModalHelper;
using TestSupport::ModalSeen;

namespace {

const QList<int> blockRamCodes = {84,  85,  86,  87,  242, 88,  89,  90,  91,  192,
                                  193, 194, 195, 199, 200, 201, 202, 204, 205, 999};

// Block RAMs named after their primitive codes (999 is not a block-RAM code),
// flip-flops, and output ports driven through each kind of chain.
NlsData::Netlist *makeNetlist()
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    for (int code : blockRamCodes)
        netlist->addPrimitive(QStringLiteral("ram_%1").arg(code), NlsData::CategoryBlockRam, code);
    netlist->addPrimitive(QStringLiteral("u_core/cnt[0]"), NlsData::CategoryFlipFlop, 0);
    netlist->addPrimitive(QStringLiteral("u_core/cnt[1]"), NlsData::CategoryFlipFlop, 0);
    netlist->addPrimitive(QStringLiteral("u_core/state"), NlsData::CategoryFlipFlop, 0);
    const auto drivenPort = [netlist](const QString &name, int direction, int primitive) {
        NlsData::Net *net = netlist->addNet(name + QStringLiteral("_net"));
        netlist->addDriver(net, netlist->addPrimitive(name + QStringLiteral("_buf"), 0, primitive));
        netlist->addTopPort(name, direction, net);
    };
    drivenPort(QStringLiteral("led0"), NlsData::DirectionOutput, 116);
    drivenPort(QStringLiteral("dout"), NlsData::DirectionOutput, 50);
    drivenPort(QStringLiteral("sda"), NlsData::DirectionInout, 116);
    netlist->addTopPort(QStringLiteral("clk"), NlsData::DirectionInput);
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

QString cell(QWidget *table, int row, int column, int role = Qt::DisplayRole)
{
    const QVariant value = modelOf(table)->index(row, column).data(role);
    return value.isValid() ? value.toString() : QStringLiteral("<none>");
}

QStringList column0(QWidget *table)
{
    QStringList names;
    for (int row = 0; row < modelOf(table)->rowCount(); ++row)
        names << cell(table, row, 0);
    return names;
}

void readInto(ZEL::ZELEnableSetWidget *page, const QString &xml)
{
    QDomDocument document;
    QVERIFY(document.setContent(xml));
    page->readConfig(document.documentElement());
}

QString written(ZEL::ZELEnableSetWidget *page)
{
    QString text;
    QXmlStreamWriter writer(&text);
    writer.setAutoFormatting(true);
    writer.writeStartElement(QStringLiteral("Config"));
    page->writeConfig(writer);
    writer.writeEndElement();
    // The writer puts a line end before the first element of a document without
    // a declaration.
    return text.mid(1);
}

// The text a page writes inside Config, from lines given with their own
// indentation below Config.
QString config(const QStringList &lines)
{
    QString text = QStringLiteral("<Config>\n");
    for (const QString &line : lines)
        text += QStringLiteral("    ") + line + QLatin1Char('\n');
    return text + QStringLiteral("</Config>");
}

const QString defaultGlobals = QStringLiteral("<GlobalEnable value=\"100\"/>");
const QString defaultBsramGlobals = QStringLiteral(
    "<GlobalBsram clock_enable=\"100\" read_probability=\"100\" write_probability=\"100\"/>");

void clickButton(QWidget *table, const char *name)
{
    QTest::mouseClick(table->findChild<QToolButton *>(QLatin1String(name)), Qt::LeftButton);
}

// Runs the table's add button with the finder answered: search for `pattern`,
// select every listed row (or cancel when `accept` is false).
void pick(QWidget *table, const QString &pattern, bool accept = true, ModalSeen *seen = nullptr)
{
    if (!accept) {
        ModalHelper::rejectNextDialog(seen);
    } else {
        ModalHelper::acceptNextDialog(
            [pattern](QDialog *dialog) {
                dialog->findChild<QLineEdit *>(QStringLiteral("lineEditFilter"))->setText(pattern);
                dialog->findChild<QPushButton *>(QStringLiteral("btnSearch"))->click();
                dialog->findChild<QListWidget *>(QStringLiteral("listWidget"))->selectAll();
            },
            seen);
    }
    clickButton(table, "btnAdd");
}

void selectRows(QWidget *table, const QList<int> &rows)
{
    QTableView *view = tableOf(table);
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void removeRows(QWidget *table, const QList<int> &rows, QMessageBox::StandardButton answer,
                ModalSeen *seen = nullptr)
{
    selectRows(table, rows);
    ModalHelper::answerMessageBox(answer, seen);
    clickButton(table, "btnRemove");
}

// One row of each table with every value unset, as read from a file.
const QString unsetRows =
    QStringLiteral("<Config><GlobalEnable value=\"100\"><Clock name=\"clk\"/></GlobalEnable>"
                   "<GlobalBsram><BSRam name=\"ram\" type=\"3\"/></GlobalBsram>"
                   "<PortOutEnable><Port name=\"p\" type=\"1\"/></PortOutEnable>"
                   "<LocalEnable><Instance name=\"ff\"/></LocalEnable></Config>");

// Six rows r0..r5 in every table (kind 3 block RAMs, kind 1 ports).
QString sixRows()
{
    QString clocks, rams, ports, dffs;
    for (int i = 0; i < 6; ++i) {
        clocks += QStringLiteral("<Clock name=\"r%1\"/>").arg(i);
        rams += QStringLiteral("<BSRam name=\"r%1\" type=\"3\"/>").arg(i);
        ports += QStringLiteral("<Port name=\"r%1\" type=\"1\"/>").arg(i);
        dffs += QStringLiteral("<Instance name=\"r%1\"/>").arg(i);
    }
    return QStringLiteral("<Config><GlobalEnable value=\"100\">%1</GlobalEnable>"
                          "<GlobalBsram>%2</GlobalBsram><PortOutEnable>%3</PortOutEnable>"
                          "<LocalEnable>%4</LocalEnable></Config>")
        .arg(clocks, rams, ports, dffs);
}

} // namespace

class tst_Enable : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modelsPassTester();
    void pageLayout();
    void tableHeaders_data();
    void tableHeaders();

    void bsramPickByPrimitive_data();
    void bsramPickByPrimitive();
    void portPickByDriverChain();
    void portKind_data();
    void portKind();
    void duplicatePicksSkipped();

    void editingDefaults_data();
    void editingDefaults();
    void clearingEditorUnsets_data();
    void clearingEditorUnsets();
    void clockNamePattern_data();
    void clockNamePattern();
    void setDataRefusals_data();
    void setDataRefusals();
    void portCells();

    void removeNonAdjacentRows_data();
    void removeNonAdjacentRows();
    void modifiedMarking_data();
    void modifiedMarking();
    void sortingStableUnsetFirst_data();
    void sortingStableUnsetFirst();
    void contextMenuEntries();

    void writtenSections_data();
    void writtenSections();
    void viewRoundTrip();

private:
    QWidget *table(const QString &name) const;

    ZEL::ZELView *m_view = nullptr;
    ZEL::ZELEnableSetWidget *m_page = nullptr;
};

void tst_Enable::init()
{
    m_view = new ZEL::ZELView(DEV::DeviceArg(), makeNetlist());
    m_page = m_view->enableSetPage();
    QVERIFY(m_page);
    m_view->setModified(false);
}

void tst_Enable::cleanup()
{
    ModalHelper::closeStrayModals();
    QVERIFY(!QApplication::activeModalWidget());
    delete m_view;
    m_view = nullptr;
    m_page = nullptr;
}

QWidget *tst_Enable::table(const QString &name) const
{
    if (name == QLatin1String("clock"))
        return m_page->clockEnableTable();
    if (name == QLatin1String("bsram"))
        return m_page->bsramTable();
    if (name == QLatin1String("port"))
        return m_page->portTable();
    return m_page->dffTable();
}

void tst_Enable::modelsPassTester()
{
    readInto(m_page, sixRows());
    for (const char *name : {"clock", "bsram", "port", "dff"}) {
        QWidget *t = table(QLatin1String(name));
        QAbstractItemModelTester tester(modelOf(t),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        modelOf(t)->sort(0, Qt::DescendingOrder);
        modelOf(t)->sort(1, Qt::AscendingOrder);
        removeRows(t, {1, 4}, QMessageBox::Yes);
        QCOMPARE(modelOf(t)->rowCount(), 4);
    }
    QAbstractItemModelTester tester(modelOf(m_page->bsramTable()),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    pick(m_page->bsramTable(), QStringLiteral("ram_8*"));
    QCOMPARE(modelOf(m_page->bsramTable())->rowCount(), 4 + 6);
}

void tst_Enable::pageLayout()
{
    QSplitter *splitter = m_page->splitter();
    QVERIFY(!splitter->childrenCollapsible());
    QCOMPARE(splitter->count(), 2);
    QCOMPARE(m_page->clockEnableTable()->parentWidget(), splitter->widget(0));
    QCOMPARE(m_page->bsramTable()->parentWidget(), splitter->widget(0));
    QCOMPARE(m_page->portTable()->parentWidget(), splitter->widget(1));
    QCOMPARE(m_page->dffTable()->parentWidget(), splitter->widget(1));
    QCOMPARE(splitter->widget(0)->layout()->indexOf(m_page->clockEnableTable()), 0);
    QCOMPARE(splitter->widget(0)->layout()->indexOf(m_page->bsramTable()), 1);
    QCOMPARE(splitter->widget(1)->layout()->indexOf(m_page->portTable()), 0);
    QCOMPARE(splitter->widget(1)->layout()->indexOf(m_page->dffTable()), 1);

    // The sizes asked for at construction from the page's width then; the splitter
    // raises a size below a pane's minimum (the block-RAM tool row makes the left
    // pane wider than 370 pixels).
    ZEL::ZELEnableSetWidget page(nullptr);
    QDataStream stream(page.splitter()->saveState());
    qint32 marker = 0, version = 0;
    QList<int> sizes;
    stream >> marker >> version >> sizes;
    const int w = page.width();
    QCOMPARE(w, QWidget().width());
    const int leftMinimum = page.splitter()->widget(0)->minimumSizeHint().width();
    const int rightMinimum = page.splitter()->widget(1)->minimumSizeHint().width();
    QVERIFY(rightMinimum < w / 2 - 50);
    QCOMPARE(sizes, (QList<int>{qMax(w / 2 + 50, leftMinimum), w / 2 - 50}));
}

void tst_Enable::tableHeaders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("headers");
    QTest::newRow("clock") << "clock" << QStringList{"Clock Name", "Clock Enable", "Quad1",
                                                     "Quad2",      "Quad3",        "Quad4"};
    QTest::newRow("bsram") << "bsram" << QStringList{"Name",
                                                     "ClockA Enable",
                                                     "ReadA Probability",
                                                     "WriteA Probability",
                                                     "ClockB Enable",
                                                     "ReadB Probability",
                                                     "WriteB Probability"};
    QTest::newRow("port") << "port" << QStringList{"Name", "Out Enable", "Load Capacity"};
    QTest::newRow("dff") << "dff" << QStringList{"Name", "Value"};
}

void tst_Enable::tableHeaders()
{
    QFETCH(QString, name);
    QFETCH(QStringList, headers);
    QAbstractItemModel *model = modelOf(table(name));
    QStringList shown;
    for (int column = 0; column < model->columnCount(); ++column)
        shown << model->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(shown, headers);
    QCOMPARE(model->headerData(3, Qt::Vertical), QVariant(3));
}

void tst_Enable::bsramPickByPrimitive_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("values"); // ClockA, ReadA, WriteA, ClockB, ReadB, WriteB
    QTest::addColumn<QString>("editable");   // per column 1..6

    const QStringList aRead = {"100", "", "", "", "", ""};
    const QStringList aReadWrite = {"100", "100", "50", "", "", ""};
    const QStringList aWriteBRead = {"100", "", "100", "100", "100", ""};
    const QStringList both = {"100", "100", "50", "100", "100", "50"};
    QStringList aReadOnly = aRead;
    aReadOnly[1] = QStringLiteral("100");
    const struct {
        int code, kind;
        QStringList values;
        const char *editable;
    } rows[] = {
        {84, 3, both, "111111"},
        {85, 3, both, "111111"},
        {86, 2, aWriteBRead, "101110"},
        {87, 2, aWriteBRead, "101110"},
        {242, 2, aWriteBRead, "101110"},
        {88, 1, aReadWrite, "111000"},
        {89, 1, aReadWrite, "111000"},
        {90, 0, aReadOnly, "110000"},
        {91, 0, aReadOnly, "110000"},
        {192, 4, aWriteBRead, "101110"},
        {193, 4, aWriteBRead, "101110"},
        {194, 5, aReadOnly, "110000"},
        {195, 5, aReadOnly, "110000"},
        {199, 6, aWriteBRead, "101110"},
        {200, 6, aWriteBRead, "101110"},
        {201, 7, both, "111111"},
        {202, 7, both, "111111"},
        {204, 8, aReadOnly, "110000"},
        {205, 8, aReadOnly, "110000"},
        // Not a block-RAM code: recorded as kind 0 with nothing filled in.
        {999, 0, {"", "", "", "", "", ""}, "110000"},
    };
    for (const auto &row : rows)
        QTest::addRow("code %d", row.code)
            << row.code << row.kind << row.values << QString::fromLatin1(row.editable);
}

void tst_Enable::bsramPickByPrimitive()
{
    QFETCH(int, code);
    QFETCH(int, kind);
    QFETCH(QStringList, values);
    QFETCH(QString, editable);
    QWidget *t = m_page->bsramTable();
    ModalSeen seen;
    pick(t, QStringLiteral("RAM_%1").arg(code), true, &seen);
    QCOMPARE(seen.title, QStringLiteral("BSRAM Finder"));
    QCOMPARE(modelOf(t)->rowCount(), 1);
    QCOMPARE(cell(t, 0, 0), QStringLiteral("ram_%1").arg(code));
    QVERIFY(m_view->isModified());
    for (int column = 1; column <= 6; ++column) {
        const QModelIndex index = modelOf(t)->index(0, column);
        const QString expected = values.at(column - 1);
        QCOMPARE(index.data().isValid() ? index.data().toString() : QString(), expected);
        QCOMPARE(bool(index.flags() & Qt::ItemIsEditable), editable.at(column - 1) == '1');
        // Port cells without a value are grey, the port-A clock enable never is.
        const bool grey = column > 1 && expected.isEmpty();
        QCOMPARE(index.data(Qt::BackgroundRole).value<QBrush>() == QBrush(Qt::gray), grey);
        QCOMPARE(index.data(Qt::BackgroundRole).isValid(), grey);
    }
    QVERIFY(!(modelOf(t)->index(0, 0).flags() & Qt::ItemIsEditable));
    QVERIFY(written(m_page).contains(QStringLiteral("type=\"%1\"/>").arg(kind)));
}

void tst_Enable::portPickByDriverChain()
{
    QWidget *t = m_page->portTable();
    ModalSeen seen;
    pick(t, QStringLiteral("*"), true, &seen);
    QCOMPARE(seen.title, QStringLiteral("Port Finder"));
    // The input clk is never offered; led0 goes out through a plain buffer.
    QCOMPARE(column0(t), (QStringList{"led0", "dout", "sda"}));
    QCOMPARE(written(m_page),
             config({defaultGlobals, "<PortOutEnable>", "    <Port name=\"led0\" type=\"0\"/>",
                     "    <Port name=\"dout\" type=\"1\"/>", "    <Port name=\"sda\" type=\"2\"/>",
                     "</PortOutEnable>", defaultBsramGlobals}));
}

void tst_Enable::portKind_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("chain"); // "none", "net", "pin", or the driver's primitive
    QTest::addColumn<int>("kind");

    QTest::newRow("inout") << 2 << "116" << 2;
    QTest::newRow("output via 116") << 1 << "116" << 0;
    QTest::newRow("output via 122") << 1 << "122" << 0;
    QTest::newRow("output via 127") << 1 << "127" << 0;
    QTest::newRow("output via other") << 1 << "117" << 1;
    QTest::newRow("output without net") << 1 << "none" << 1;
    QTest::newRow("output net without driver") << 1 << "net" << 1;
    QTest::newRow("output driver without instance") << 1 << "pin" << 1;
    QTest::newRow("input") << 0 << "116" << 3;
    QTest::newRow("other direction") << 5 << "none" << 3;
}

void tst_Enable::portKind()
{
    QFETCH(int, direction);
    QFETCH(QString, chain);
    QFETCH(int, kind);
    NlsData::Netlist netlist(QStringLiteral("top"));
    NlsData::Net *net = chain == QLatin1String("none") ? nullptr : netlist.addNet("n");
    if (chain == QLatin1String("pin"))
        netlist.addDriver(net, nullptr);
    else if (chain != QLatin1String("none") && chain != QLatin1String("net"))
        netlist.addDriver(net, netlist.addPrimitive(QStringLiteral("buf"), 0, chain.toInt()));
    const NlsData::Port *port = netlist.addTopPort(QStringLiteral("p"), direction, net);
    QCOMPARE(ZEL::PortModel::kindOfPort(port), kind);
}

void tst_Enable::duplicatePicksSkipped()
{
    QWidget *t = m_page->bsramTable();
    pick(t, QStringLiteral("ram_88"));
    pick(t, QStringLiteral("ram_8[68]"));
    QCOMPARE(column0(t), (QStringList{"ram_88", "ram_86"}));

    m_view->setModified(false);
    QSignalSpy resets(modelOf(t), &QAbstractItemModel::modelReset);
    pick(t, QStringLiteral("ram_8[68]"));
    QCOMPARE(resets.count(), 1);
    QVERIFY(!m_view->isModified());
    QCOMPARE(column0(t), (QStringList{"ram_88", "ram_86"}));

    // The check is exact: a row named in other letter case does not hide a pick.
    readInto(m_page, QStringLiteral("<Config><LocalEnable><Instance name=\"U_CORE/STATE\"/>"
                                    "</LocalEnable></Config>"));
    pick(m_page->dffTable(), QStringLiteral("*state"));
    QCOMPARE(column0(m_page->dffTable()), (QStringList{"U_CORE/STATE", "u_core/state"}));
}

void tst_Enable::editingDefaults_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("column");
    QTest::addColumn<double>("start");
    QTest::addColumn<QString>("stored");

    for (int column = 1; column <= 5; ++column)
        QTest::addRow("clock column %d", column) << "clock" << column << 100.0 << "100";
    QTest::newRow("dff value") << "dff" << 1 << 100.0 << "100";
    QTest::newRow("port out enable") << "port" << 1 << 50.0 << "50";
    QTest::newRow("port capacity") << "port" << 2 << 5.0 << "5pF";
    // No editing default: the editor opens at 0.
    QTest::newRow("bsram clock A") << "bsram" << 1 << 0.0 << "0";
    QTest::newRow("bsram write B") << "bsram" << 6 << 0.0 << "0";
}

void tst_Enable::editingDefaults()
{
    QFETCH(QString, name);
    QFETCH(int, column);
    QFETCH(double, start);
    QFETCH(QString, stored);
    readInto(m_page, unsetRows);
    m_view->setModified(false);
    QTableView *view = tableOf(table(name));
    const QModelIndex index = view->model()->index(0, column);
    QVERIFY(!index.data().isValid());
    QAbstractItemDelegate *delegate = view->itemDelegate();
    std::unique_ptr<QWidget> editor(
        delegate->createEditor(view->viewport(), QStyleOptionViewItem(), index));
    auto *spin = qobject_cast<QDoubleSpinBox *>(editor.get());
    QVERIFY(spin);
    QCOMPARE(spin->decimals(), 2);
    QCOMPARE(spin->minimum(), 0.0);
    QCOMPARE(spin->maximum(), 100.0);
    delegate->setEditorData(spin, index);
    QCOMPARE(spin->value(), start);

    delegate->setModelData(spin, view->model(), index);
    QCOMPARE(index.data().toString(), stored);
    QVERIFY(m_view->isModified());
}

void tst_Enable::clearingEditorUnsets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("row");

    QTest::newRow("clock quad2") << "clock" << 3 << "quad2"
                                 << "<Clock name=\"clk\"/>";
    QTest::newRow("bsram read B") << "bsram" << 5 << "port_b_read"
                                  << "<BSRam name=\"ram\" type=\"3\"/>";
    QTest::newRow("port capacity") << "port" << 2 << "capacity"
                                   << "<Port name=\"p\" type=\"1\"/>";
    QTest::newRow("dff value") << "dff" << 1 << "value"
                               << "<Instance name=\"ff\"/>";
}

void tst_Enable::clearingEditorUnsets()
{
    QFETCH(QString, name);
    QFETCH(int, column);
    QFETCH(QString, attribute);
    QFETCH(QString, row);
    readInto(m_page, unsetRows);
    QTableView *view = tableOf(table(name));
    const QModelIndex index = view->model()->index(0, column);
    QVERIFY(view->model()->setData(index, QStringLiteral("12.50")));
    QVERIFY(written(m_page).contains(attribute + QStringLiteral("=\"12.5\"")));
    QVERIFY(!written(m_page).contains(row));

    m_view->setModified(false);
    QAbstractItemDelegate *delegate = view->itemDelegate();
    std::unique_ptr<QWidget> editor(
        delegate->createEditor(view->viewport(), QStyleOptionViewItem(), index));
    auto *spin = static_cast<QDoubleSpinBox *>(editor.get());
    delegate->setEditorData(spin, index);
    spin->findChild<QLineEdit *>()->clear();
    delegate->setModelData(spin, view->model(), index);
    QVERIFY(!index.data().isValid());
    QVERIFY(m_view->isModified());
    QVERIFY(written(m_page).contains(row));
    if (name == QLatin1String("bsram"))
        QCOMPARE(index.data(Qt::BackgroundRole).value<QBrush>(), QBrush(Qt::gray));
}

void tst_Enable::clockNamePattern_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("underscore first") << "_clk0" << true;
    QTest::newRow("mixed case") << "Clk_1" << true;
    QTest::newRow("letters only") << "clock" << true;
    QTest::newRow("many underscores") << "__a_" << true;
    QTest::newRow("digit first") << "0clk" << false;
    QTest::newRow("minus") << "clk-1" << false;
    QTest::newRow("blank") << "clk 1" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("underscores only") << "__" << false;
    QTest::newRow("underscore digit") << "_0clk" << false;
    QTest::newRow("trailing line end") << "clk\n" << false;
    QTest::newRow("non-ascii letter") << QString::fromUtf8("clké") << false;
}

void tst_Enable::clockNamePattern()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    readInto(m_page, unsetRows);
    m_view->setModified(false);
    QAbstractItemModel *model = modelOf(m_page->clockEnableTable());
    const QModelIndex index = model->index(0, 0);
    QCOMPARE(model->setData(index, name), accepted);
    QCOMPARE(index.data().toString(), accepted ? name : QStringLiteral("clk"));
    QCOMPARE(index.data(Qt::EditRole).toString(), accepted ? name : QStringLiteral("clk"));
    QCOMPARE(m_view->isModified(), accepted);
}

void tst_Enable::setDataRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editable");

    QTest::newRow("clock value") << "clock" << 0 << 1 << true;
    QTest::newRow("clock name") << "clock" << 0 << 0 << true;
    QTest::newRow("bsram kind 3 write B") << "bsram" << 0 << 6 << true;
    QTest::newRow("bsram kind 0 write B") << "bsram" << 1 << 6 << false;
    QTest::newRow("bsram kind 0 read A") << "bsram" << 1 << 2 << true;
    QTest::newRow("bsram name") << "bsram" << 0 << 0 << false;
    QTest::newRow("port kind 1 out enable") << "port" << 0 << 1 << true;
    QTest::newRow("port kind 0 out enable") << "port" << 1 << 1 << false;
    QTest::newRow("port kind 0 capacity") << "port" << 1 << 2 << true;
    QTest::newRow("port name") << "port" << 0 << 0 << false;
    QTest::newRow("dff value") << "dff" << 0 << 1 << true;
    QTest::newRow("dff name") << "dff" << 0 << 0 << false;
}

void tst_Enable::setDataRefusals()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, editable);
    readInto(m_page, QStringLiteral("<Config><GlobalEnable><Clock name=\"clk\"/></GlobalEnable>"
                                    "<GlobalBsram><BSRam name=\"a\" type=\"3\"/><BSRam name=\"b\"/>"
                                    "</GlobalBsram><PortOutEnable><Port name=\"p\" type=\"1\"/>"
                                    "<Port name=\"q\"/></PortOutEnable>"
                                    "<LocalEnable><Instance name=\"ff\"/></LocalEnable></Config>"));
    m_view->setModified(false);
    QAbstractItemModel *model = modelOf(table(name));
    const QModelIndex index = model->index(row, column);
    QCOMPARE(bool(index.flags() & Qt::ItemIsEditable), editable);
    const QString value = column == 0 ? QStringLiteral("renamed") : QStringLiteral("42.00");
    QVERIFY(!model->setData(index, value, Qt::DisplayRole));
    QVERIFY(!m_view->isModified());
    QCOMPARE(model->setData(index, value), editable);
    QCOMPARE(m_view->isModified(), editable);
    if (!editable)
        return;
    // The same value again, in another form for numbers, changes nothing.
    m_view->setModified(false);
    QVERIFY(!model->setData(index, column == 0 ? QVariant(value) : QVariant(42)));
    QVERIFY(!m_view->isModified());
    QVERIFY(!model->setData(model->index(row, column + 20), value));
}

void tst_Enable::portCells()
{
    readInto(m_page,
             QStringLiteral("<Config><PortOutEnable>"
                            "<Port name=\"a\" out_enable=\"20\" capacity=\"3.3\" type=\"1\"/>"
                            "<Port name=\"b\" capacity=\"5\"/>"
                            "<Port name=\"c\" capacity=\"33.3333333\" type=\"3\"/>"
                            "</PortOutEnable></Config>"));
    QWidget *t = m_page->portTable();
    QCOMPARE(cell(t, 0, 2), QStringLiteral("3.3pF"));
    QCOMPARE(cell(t, 0, 2, Qt::ToolTipRole), QStringLiteral("3.3pF"));
    QCOMPARE(cell(t, 1, 2), QStringLiteral("5pF"));
    QCOMPARE(cell(t, 2, 2), QStringLiteral("33.3333pF"));
    QCOMPARE(modelOf(t)->index(0, 2).data(Qt::EditRole).toDouble(), double(3.3f));
    QCOMPARE(cell(t, 0, 1, Qt::BackgroundRole), QStringLiteral("<none>"));
    QCOMPARE(modelOf(t)->index(1, 1).data(Qt::BackgroundRole).value<QBrush>(), QBrush(Qt::gray));
    QCOMPARE(cell(t, 1, 2, Qt::BackgroundRole), QStringLiteral("<none>"));
    QCOMPARE(cell(t, 2, 1, Qt::BackgroundRole), QStringLiteral("<none>"));
    QVERIFY(written(m_page).contains(
        QStringLiteral("<Port name=\"a\" out_enable=\"20\" capacity=\"3.3\" type=\"1\"/>")));
}

void tst_Enable::removeNonAdjacentRows_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"clock", "bsram", "port", "dff"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_Enable::removeNonAdjacentRows()
{
    QFETCH(QString, name);
    readInto(m_page, sixRows());
    QWidget *t = table(name);
    const QStringList before = column0(t);

    m_view->setModified(false);
    removeRows(t, {0, 2, 5}, QMessageBox::No);
    QCOMPARE(column0(t), before);
    QVERIFY(!m_view->isModified());

    tableOf(t)->clearSelection();
    ModalSeen seen;
    removeRows(t, {5, 0, 2}, QMessageBox::Yes, &seen);
    QCOMPARE(seen.title, QStringLiteral("Confirm"));
    QCOMPARE(seen.text, QStringLiteral("Sure to remove?"));
    QCOMPARE(column0(t), (QStringList{"r1", "r3", "r4"}));
    QVERIFY(m_view->isModified());
    QVERIFY(!tableOf(t)->selectionModel()->hasSelection());
}

void tst_Enable::modifiedMarking_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("modified");

    QTest::newRow("clock global") << "clock"
                                  << "global" << true;
    QTest::newRow("bsram global") << "bsram"
                                  << "global" << true;
    QTest::newRow("clock add") << "clock"
                               << "add" << false;
    QTest::newRow("bsram add") << "bsram"
                               << "add" << true;
    QTest::newRow("port add") << "port"
                              << "add" << true;
    QTest::newRow("dff add") << "dff"
                             << "add" << true;
    QTest::newRow("clock remove empty") << "clock"
                                        << "remove empty" << false;
    QTest::newRow("clock remove valued") << "clock"
                                         << "remove valued" << true;
    QTest::newRow("clock remove named") << "clock"
                                        << "remove named" << true;
    QTest::newRow("bsram remove") << "bsram"
                                  << "remove named" << true;
    QTest::newRow("port remove") << "port"
                                 << "remove named" << true;
    QTest::newRow("dff remove") << "dff"
                                << "remove named" << true;
    QTest::newRow("remove nothing selected") << "dff"
                                             << "remove none" << false;
    QTest::newRow("finder cancelled") << "bsram"
                                      << "cancel" << false;
    QTest::newRow("nothing picked") << "dff"
                                    << "pick nothing" << false;
    QTest::newRow("clock sort") << "clock"
                                << "sort" << false;
    QTest::newRow("bsram sort") << "bsram"
                                << "sort" << false;
    QTest::newRow("port sort") << "port"
                               << "sort" << false;
    QTest::newRow("dff sort") << "dff"
                              << "sort" << false;
}

void tst_Enable::modifiedMarking()
{
    QFETCH(QString, name);
    QFETCH(QString, action);
    QFETCH(bool, modified);
    readInto(m_page,
             QStringLiteral("<Config><GlobalEnable value=\"100\"><Clock name=\"clk\"/>"
                            "<Clock value=\"0\"/><Clock/></GlobalEnable>"
                            "<GlobalBsram><BSRam name=\"clk\"/></GlobalBsram>"
                            "<PortOutEnable><Port name=\"clk\"/></PortOutEnable>"
                            "<LocalEnable><Instance name=\"clk\"/></LocalEnable></Config>"));
    QWidget *t = table(name);
    const int rowsBefore = modelOf(t)->rowCount();
    m_view->setModified(false);
    if (action == QLatin1String("global")) {
        t->findChild<QDoubleSpinBox *>()->setValue(20);
    } else if (action == QLatin1String("add")) {
        // The clock table adds an empty row without asking the finder.
        if (name == QLatin1String("clock"))
            clickButton(t, "btnAdd");
        else
            pick(t, name == QLatin1String("bsram")  ? QStringLiteral("ram_84")
                    : name == QLatin1String("port") ? QStringLiteral("dout")
                                                    : QStringLiteral("*cnt?0?"));
        QCOMPARE(modelOf(t)->rowCount(), rowsBefore + 1);
    } else if (action.startsWith(QLatin1String("remove"))) {
        const int row = action.endsWith(QLatin1String("empty"))    ? 2
                        : action.endsWith(QLatin1String("valued")) ? 1
                                                                   : 0;
        if (!action.endsWith(QLatin1String("none")))
            removeRows(t, {row}, QMessageBox::Yes);
        else
            clickButton(t, "btnRemove");
    } else if (action == QLatin1String("cancel")) {
        pick(t, QStringLiteral("*"), false);
    } else if (action == QLatin1String("pick nothing")) {
        pick(t, QStringLiteral("no such flip-flop"));
    } else if (action == QLatin1String("sort")) {
        tableOf(t)->sortByColumn(1, Qt::AscendingOrder);
        tableOf(t)->sortByColumn(0, Qt::DescendingOrder);
    }
    QCOMPARE(m_view->isModified(), modified);
}

void tst_Enable::sortingStableUnsetFirst_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"clock", "bsram", "port", "dff"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_Enable::sortingStableUnsetFirst()
{
    QFETCH(QString, name);
    // Column 1 of every table: clock enable, clock A enable, out enable, value.
    const QStringList rowNames = {"b", "clk", "CLK", "a", "d"};
    const QStringList values = {"5", "", "7", "", "5"};
    const QString tags[][3] = {{"GlobalEnable", "Clock", "value"},
                               {"GlobalBsram", "BSRam", "clock_a_enable"},
                               {"PortOutEnable", "Port", "out_enable"},
                               {"LocalEnable", "Instance", "value"}};
    const int which = QStringList{"clock", "bsram", "port", "dff"}.indexOf(name);
    QString rows;
    for (int i = 0; i < rowNames.size(); ++i) {
        rows += QStringLiteral("<%1 name=\"%2\" type=\"1\"").arg(tags[which][1], rowNames.at(i));
        if (!values.at(i).isEmpty())
            rows += QStringLiteral(" %1=\"%2\"").arg(tags[which][2], values.at(i));
        rows += QStringLiteral("/>");
    }
    readInto(m_page, QStringLiteral("<Config><%1>%2</%1></Config>").arg(tags[which][0], rows));
    QWidget *t = table(name);
    QAbstractItemModel *model = modelOf(t);

    model->sort(0, Qt::AscendingOrder);
    QCOMPARE(column0(t), (QStringList{"a", "b", "clk", "CLK", "d"}));
    model->sort(0, Qt::DescendingOrder);
    QCOMPARE(column0(t), (QStringList{"d", "clk", "CLK", "b", "a"}));
    model->sort(1, Qt::AscendingOrder);
    QCOMPARE(column0(t), (QStringList{"clk", "a", "d", "b", "CLK"}));
    QCOMPARE(cell(t, 0, 1), QStringLiteral("<none>"));
    model->sort(1, Qt::DescendingOrder);
    QCOMPARE(column0(t), (QStringList{"CLK", "d", "b", "clk", "a"}));
    // A column the table does not have leaves the order alone.
    model->sort(9, Qt::AscendingOrder);
    QCOMPARE(column0(t), (QStringList{"CLK", "d", "b", "clk", "a"}));
    // Rows are written in their sorted order.
    const QString text = written(m_page);
    QVERIFY(text.indexOf(QLatin1String("\"CLK\"")) < text.indexOf(QLatin1String("\"d\"")));
    QVERIFY(text.indexOf(QLatin1String("\"clk\"")) < text.indexOf(QLatin1String("\"a\"")));
}

void tst_Enable::contextMenuEntries()
{
    readInto(m_page, sixRows());
    for (const char *name : {"clock", "bsram", "port", "dff"}) {
        QWidget *t = table(QLatin1String(name));
        for (bool withSelection : {false, true}) {
            tableOf(t)->clearSelection();
            if (withSelection)
                selectRows(t, {1, 3});
            QStringList entries;
            // A popup menu is not a modal widget: look for it on the next pass of
            // the event loop, note its entries and close it.
            QTimer::singleShot(0, [&entries]() {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                for (const QAction *action : menu->actions())
                    entries << (action->isSeparator() ? QStringLiteral("|") : action->text());
                menu->close();
            });
            emit tableOf(t)->customContextMenuRequested(QPoint(5, 5));
            const QStringList expected =
                withSelection ? QStringList{"Remove", "|", "Add    "} : QStringList{"Add    "};
            QCOMPARE(entries, expected);
            QCOMPARE(modelOf(t)->rowCount(), 6);
        }
    }
}

void tst_Enable::writtenSections_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty tables") << "<Config/>" << config({defaultGlobals, defaultBsramGlobals});
    QTest::newRow("global enable without value")
        << "<Config><GlobalEnable/></Config>"
        << config({"<GlobalEnable value=\"0\"/>", defaultBsramGlobals});
    QTest::newRow("block-RAM globals without attributes")
        << "<Config><GlobalBsram/><GlobalEnable value=\"250\"/></Config>"
        << config({defaultGlobals, defaultBsramGlobals});
    QTest::newRow("block-RAM globals")
        << "<Config><GlobalBsram clock_enable=\"12.5\" read_probability=\"x\""
           " write_probability=\"33.3333333\"/></Config>"
        << config({defaultGlobals, "<GlobalBsram clock_enable=\"12.5\" read_probability=\"0\""
                                   " write_probability=\"33.33\"/>"});
    QTest::newRow("clock values and order")
        << "<Config><GlobalEnable value=\"50.5\"><Clock quad4=\"1\" quad1=\"2\" name=\"clk\""
           " value=\"33.3333333\" quad3=\"abc\" quad2=\"100\"/><Clock name=\"only\"/>"
           "<Clock value=\"5\"/><Clock name=\"clk\" quad2=\"1e2\"/></GlobalEnable></Config>"
        << config({"<GlobalEnable value=\"50.5\">",
                   "    <Clock name=\"clk\" value=\"33.3333\" quad1=\"2\" quad2=\"100\""
                   " quad3=\"0\" quad4=\"1\"/>",
                   "    <Clock name=\"only\"/>", "    <Clock name=\"clk\" quad2=\"100\"/>",
                   "</GlobalEnable>", defaultBsramGlobals});
    QTest::newRow("block-RAM rows")
        << "<Config><GlobalBsram><BSRam type=\"3\" name=\"a\" port_b_write=\"50\""
           " port_b_read=\"1\" port_a_write=\"2\" port_a_read=\"3\" clock_b_enable=\"4\""
           " clock_a_enable=\"5\"/><BSRam name=\"b\" clock_a_enable=\"100\" port_a_read=\"100\""
           " type=\"0\"/><BSRam name=\"c\"/><BSRam clock_a_enable=\"1\"/></GlobalBsram></Config>"
        << config({defaultGlobals, defaultBsramGlobals.chopped(2) + QStringLiteral(">"),
                   "    <BSRam name=\"a\" clock_a_enable=\"5\" clock_b_enable=\"4\""
                   " port_a_read=\"3\" port_a_write=\"2\" port_b_read=\"1\" port_b_write=\"50\""
                   " type=\"3\"/>",
                   "    <BSRam name=\"b\" clock_a_enable=\"100\" port_a_read=\"100\" type=\"0\"/>",
                   "    <BSRam name=\"c\" type=\"0\"/>", "</GlobalBsram>"});
    QTest::newRow("port rows")
        << "<Config><PortOutEnable><Port type=\"2\" capacity=\"3.3\" name=\"a\""
           " out_enable=\"12.5\"/><Port name=\"b\"/><Port capacity=\"-3\" type=\"x\"/>"
           "</PortOutEnable></Config>"
        << config({defaultGlobals, "<PortOutEnable>",
                   "    <Port name=\"a\" out_enable=\"12.5\" capacity=\"3.3\" type=\"2\"/>",
                   "    <Port name=\"b\" type=\"0\"/>", "    <Port name=\"\" type=\"0\"/>",
                   "</PortOutEnable>", defaultBsramGlobals});
    QTest::newRow("flip-flop rows")
        << "<Config><LocalEnable><Instance value=\"0\" name=\"a\"/><Instance/>"
           "<Instance name=\"c\" value=\"100.000001\"/></LocalEnable></Config>"
        << config({defaultGlobals, defaultBsramGlobals, "<LocalEnable>",
                   "    <Instance name=\"a\" value=\"0\"/>", "    <Instance name=\"\"/>",
                   "    <Instance name=\"c\" value=\"100\"/>", "</LocalEnable>"});
    QTest::newRow("sections in any order among others")
        << "<Config><Other/><LocalEnable><Instance name=\"f\"/></LocalEnable><NetRate/>"
           "<PortOutEnable><Port name=\"p\" type=\"1\"/></PortOutEnable>"
           "<GlobalBsram><BSRam name=\"r\" type=\"1\"/></GlobalBsram>"
           "<GlobalEnable value=\"1\"><Clock name=\"c\"/></GlobalEnable>"
           "<LocalEnable><Instance name=\"second section ignored\"/></LocalEnable></Config>"
        << config({"<GlobalEnable value=\"1\">", "    <Clock name=\"c\"/>", "</GlobalEnable>",
                   "<PortOutEnable>", "    <Port name=\"p\" type=\"1\"/>", "</PortOutEnable>",
                   defaultBsramGlobals.chopped(2) + QStringLiteral(">"),
                   "    <BSRam name=\"r\" type=\"1\"/>", "</GlobalBsram>", "<LocalEnable>",
                   "    <Instance name=\"f\"/>", "</LocalEnable>"});
}

void tst_Enable::writtenSections()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QDomDocument document;
    document.setContent(input);
    m_page->readConfig(document.documentElement());
    QCOMPARE(written(m_page), expected);
}

void tst_Enable::viewRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("board.vep"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n"
               "<Config><LocalEnable><Instance name=\"u_core/cnt[0]\" value=\"75\"/></LocalEnable>"
               "<GlobalBsram clock_enable=\"90\"><BSRam name=\"ram_88\" type=\"1\""
               " clock_a_enable=\"100\"/></GlobalBsram>"
               "<GlobalEnable value=\"80\"><Clock name=\"sys_clk\" quad1=\"20\"/></GlobalEnable>"
               "</Config>");
    file.close();

    auto *view = new ZEL::ZELView(DEV::DeviceArg(), makeNetlist());
    std::unique_ptr<ZEL::ZELView> owner(view);
    QVERIFY(view->readCfgFile(path));
    ZEL::ZELEnableSetWidget *page = view->enableSetPage();
    QCOMPARE(column0(page->dffTable()), QStringList{"u_core/cnt[0]"});
    QCOMPARE(page->clockEnableTable()->findChild<QDoubleSpinBox *>()->value(), 80.0);

    pick(page->portTable(), QStringLiteral("sda"));
    modelOf(page->portTable())->setData(modelOf(page->portTable())->index(0, 2), 3.3);
    view->save();
    QVERIFY(!view->isModified());

    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(file.readAll());
    file.close();
    const int from = saved.indexOf(QLatin1String("    <GlobalEnable"));
    QVERIFY(from > 0);
    QCOMPARE(saved.mid(from),
             QStringLiteral("    <GlobalEnable value=\"80\">\n"
                            "        <Clock name=\"sys_clk\" quad1=\"20\"/>\n"
                            "    </GlobalEnable>\n"
                            "    <PortOutEnable>\n"
                            "        <Port name=\"sda\" capacity=\"3.3\" type=\"2\"/>\n"
                            "    </PortOutEnable>\n"
                            "    <GlobalBsram clock_enable=\"90\" read_probability=\"100\""
                            " write_probability=\"100\">\n"
                            "        <BSRam name=\"ram_88\" clock_a_enable=\"100\" type=\"1\"/>\n"
                            "    </GlobalBsram>\n"
                            "    <LocalEnable>\n"
                            "        <Instance name=\"u_core/cnt[0]\" value=\"75\"/>\n"
                            "    </LocalEnable>\n"
                            "</Config>"));
}

QTEST_MAIN(tst_Enable)
#include "tst_enable.moc"
