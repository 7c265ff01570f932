#include "host/nlsdata.h"
#include "tests/support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

using namespace NlsData;
using TestSupport::ModalHelper;
using NetlistPtr = std::unique_ptr<Netlist>;

namespace {

const QString exampleNetlist = QStringLiteral(VEP_SOURCE_DIR "/examples/design/netlist.json");
const QString dataDir = QStringLiteral(VEP_SOURCE_DIR "/tests/data/netlist/");
const QStringList findNetNames{"clk",           "u_core/cnt[0]", "u_core/cnt[1]", "u_core/CNT_next",
                               "u_pipe/cnt[3]", "data*",         "led[10]"};

NetlistPtr read(const QString &path, QString *error = nullptr)
{
    return NetlistPtr(readNetlistFile(path, error, false));
}

template <class T> T *byPath(const QList<T *> &items, const QString &path)
{
    const auto it = std::find_if(items.begin(), items.end(),
                                 [&path](const T *item) { return item->path() == path; });
    return it == items.end() ? nullptr : *it;
}

template <class T> QStringList paths(const QList<T *> &items)
{
    QStringList result;
    for (const T *item : items)
        result << item->path();
    return result;
}

// m0 instantiates m1, which instantiates m2, and so on.
QByteArray moduleChain(int levels)
{
    QStringList modules;
    for (int i = 0; i + 1 < levels; ++i)
        modules << QStringLiteral(R"("m%1": {"cells": {"u": {"type": "m%2", "connections": {}}}})")
                       .arg(i)
                       .arg(i + 1);
    modules << QStringLiteral(R"("m%1": {})").arg(levels - 1);
    return R"({"modules": {)" + modules.join(QLatin1String(", ")).toUtf8() + "}}";
}

} // namespace

class tst_Netlist : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void exampleHierarchy();
    void bitNamesAndPassThrough();
    void oddButValidFiles();

    void badFiles_data();
    void badFiles();

    void cellLibraryOverrides();

    void findNet_data();
    void findNet();

private:
    QString writeTemp(const QString &name, const QByteArray &content);

    QTemporaryDir m_dir;
    NetlistPtr m_example;
};

void tst_Netlist::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    m_example = read(exampleNetlist, &error);
    QVERIFY2(m_example, qPrintable(error));
}

void tst_Netlist::cleanup()
{
    resetCellLibrary();
    setProgressDialogThreshold(4 << 20);
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    QVERIFY(!QApplication::activeModalWidget());
}

QString tst_Netlist::writeTemp(const QString &name, const QByteArray &content)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return file.fileName();
}

void tst_Netlist::exampleHierarchy()
{
    QCOMPARE(m_example->topModuleName(), QStringLiteral("top"));
    QCOMPARE(paths(m_example->allSubmodInstances()),
             (QStringList{"u_core", "u_core/u_ram", "u_core/u_rom", "u_pipe", "u_pipe/u_dpram",
                          "u_pipe/u_fifo"}));
    int flipFlops = 0;
    int blockRams = 0;
    for (const Instance *instance : m_example->allPrimInstances()) {
        flipFlops += instance->category == CategoryFlipFlop;
        blockRams += instance->category == CategoryBlockRam;
        // Hidden names survive only where no visible net names the cell.
        const QString path = instance->path();
        QVERIFY2(!path.contains('$') || path.section('/', -1).startsWith('$'), qPrintable(path));
    }
    // Registers, bit by bit: cnt and acc (8 + 8), wptr, rptr and state (7 + 7 + 4), sda_r.
    QCOMPARE(flipFlops, 35);
    // The ROM, the single-port, the simple dual-port and the true dual-port RAM.
    QCOMPARE(blockRams, 4);
    const QStringList instances = paths(m_example->allPrimInstances());
    QCOMPARE(QSet<QString>(instances.begin(), instances.end()).size(), instances.size());

    // Hidden nets are not offered, and every bit is offered once.
    const QStringList nets = paths(m_example->allNets());
    QVERIFY(nets.size() > 100);
    QCOMPARE(QSet<QString>(nets.begin(), nets.end()).size(), nets.size());
    QVERIFY(nets.filter(QStringLiteral("$")).isEmpty());

    // led[3:0], bus[7:0] and sda come out as one port per bit, after the inputs.
    const QStringList ports = paths(m_example->topInstance->ports());
    QCOMPARE(ports.size(), 1 + 1 + 1 + 8 + 1 + 4 + 8 + 1);
    QCOMPARE(ports.mid(0, 4), (QStringList{"clk_a", "clk_b", "rst", "din[0]"}));
    QCOMPARE(ports.last(), QStringLiteral("sda"));
}

void tst_Netlist::bitNamesAndPassThrough()
{
    QString error;
    const NetlistPtr netlist(readNetlistFile(dataDir + "bit_order.json", &error, true));
    QVERIFY2(netlist, qPrintable(error));
    const QList<Port *> ports = netlist->topInstance->ports();
    // [4:7] is written upto: the first bit listed is the highest index.
    QCOMPARE(paths(ports),
             (QStringList{"up[7]", "up[6]", "up[5]", "up[4]", "down[8]", "down[9]", "a", "b"}));
    // A 4-bit register is four flip-flops named after their bits; a whole-word
    // operator is named after the whole wire it drives.
    QCOMPARE(paths(netlist->allPrimInstances()),
             (QStringList{"up[7]", "up[6]", "up[5]", "up[4]", "next"}));
    QCOMPARE(byPath(ports, "up[4]")->net->driver->instance->path(), QStringLiteral("up[4]"));
    QCOMPARE(byPath(netlist->allNets(), "next[2]")->driver->instance->path(),
             QStringLiteral("next"));
    // u_pass connects a straight to b: one electrical net for both ports.
    QVERIFY(byPath(ports, "a")->net);
    QCOMPARE(byPath(ports, "b")->net, byPath(ports, "a")->net);
    QVERIFY(!byPath(netlist->allNets(), "u_pass/i"));
}

// Unknown cell types, bits that no net names and an unmarked top module all read.
void tst_Netlist::oddButValidFiles()
{
    for (const char *name : {"hostile/netlist_unknown_cells.json",
                             "hostile/netlist_dangling_bits.json", "netlist/unmarked_top.json"}) {
        QString error;
        QVERIFY2(read(QStringLiteral(VEP_SOURCE_DIR "/tests/data/") + name, &error),
                 qPrintable(error));
    }
}

void tst_Netlist::badFiles_data()
{
    QTest::addColumn<QString>("file"); // in tests/data/netlist; empty: `content` is written
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    auto file = [](const char *name, const char *file, const char *message) {
        QTest::newRow(name) << QString::fromLatin1(file) << QByteArray() << QString(message);
    };
    file("missing file", "absent.json", "does not exist");
    file("cycle through two modules", "cycle.json", "instantiates itself");
    file("module instantiating itself", "self_instance.json", "instantiates itself");
    file("two unmarked roots", "two_roots.json", "not marked");
    file("every module instantiated", "loop_without_top.json", "no top module");

    auto text = [](const char *name, const QByteArray &content, const char *message) {
        QTest::newRow(name) << QString() << content << QString::fromLatin1(message);
    };
    auto inModule = [](const char *body) {
        return R"({"modules": {"m": {)" + QByteArray(body) + "}}}";
    };
    const QByteArray deep = QByteArray(10000, '[') + QByteArray(10000, ']');
    text("array", "[1, 2, 3]", "not a JSON object");
    text("no modules", R"({"creator": "x"})", R"(no "modules")");
    text("module defined twice", R"({"modules": {"m": {}, "m": {}}})", "defined twice");
    text("cell without type", inModule(R"("cells": {"c": {"connections": {}}})"), "no type");
    text("bad constant bit", inModule(R"("netnames": {"n": {"bits": ["q"]}})"), "not a bit");
    text("negative bit", inModule(R"("netnames": {"n": {"bits": [-4]}})"), "out of range");
    text("deep nesting where modules are", R"({"modules": )" + deep + "}", "");
    text("hierarchy too deep", moduleChain(400), "deeper than");
}

void tst_Netlist::badFiles()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString path =
        file.isEmpty() ? writeTemp(QStringLiteral("bad.json"), content) : dataDir + file;
    QVERIFY(!path.isEmpty());
    QString error;
    QVERIFY(!read(path, &error));
    QVERIFY2(error.startsWith(QStringLiteral("Cannot read the netlist ") + path),
             qPrintable(error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void tst_Netlist::cellLibraryOverrides()
{
    auto primitiveOf = [](const char *path) {
        const NetlistPtr netlist = read(exampleNetlist);
        const Instance *instance = netlist ? byPath(netlist->allPrimInstances(), path) : nullptr;
        return instance ? qMakePair(instance->category, instance->primitive) : qMakePair(-1, -1);
    };
    registerCellType(QStringLiteral("OBUF"), 0, 122);
    QCOMPARE(primitiveOf("g_led[1].u_obuf"), qMakePair(0, 122));

    // A project library overrides only what it names, prefixes included.
    const QString library = writeTemp(QStringLiteral("cells.json"), R"({
        "cells": {"OBUFT": {"category": 1, "primitive": 127},
                  "$mem_v2": {"category": 5, "primitive": 242}},
        "prefixes": {"$xo": {"category": 51, "primitive": 9},
                     "$sd": {"category": 52, "primitive": 9}}})");
    QString error;
    QVERIFY2(loadCellLibrary(library, &error), qPrintable(error));
    QCOMPARE(primitiveOf("g_bus[0].u_obuft"), qMakePair(1, 127));
    QCOMPARE(primitiveOf("g_led[1].u_obuf"), qMakePair(0, 122));
    QCOMPARE(primitiveOf("u_pipe/u_fifo/mem"), qMakePair(5, 242));
    // An exact entry, even a built-in one ($sdff), beats any prefix.
    QCOMPARE(primitiveOf("u_core/cnt[0]"), qMakePair(50, 0));
    const NetlistPtr netlist = read(exampleNetlist);
    QVERIFY(netlist);
    int xors = 0;
    for (const Instance *instance : netlist->allPrimInstances()) {
        if (instance->path().contains(QLatin1String("$xor")))
            xors += instance->category == 51 && instance->primitive == 9 ? 1 : 100;
    }
    QCOMPARE(xors, 12);

    // A rejected file changes nothing, not even the entries before its bad one.
    for (const QByteArray &bad :
         QList<QByteArray>{"[]", R"({"cells": {"OBUF": {"primitive": "116"}}})",
                           R"({"cells": {"OBUFT": {"primitive": 1}, "OBUF": {"category": []}}})"}) {
        const QString path = writeTemp(QStringLiteral("badcells.json"), bad);
        QVERIFY2(!loadCellLibrary(path, &error), bad.constData());
        QVERIFY(error.startsWith(QStringLiteral("Cannot read the cell library ") + path));
    }
    QVERIFY(!loadCellLibrary(m_dir.filePath(QStringLiteral("none.json")), nullptr));
    QCOMPARE(primitiveOf("g_bus[0].u_obuft"), qMakePair(1, 127));
}

void tst_Netlist::findNet_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QList<int>>("select");  // rows to select; -1: all of them
    QTest::addColumn<QStringList>("picked"); // what OK returns; when nothing, Cancel is pressed

    const QStringList &all = findNetNames;
    const QStringList cnt(all.mid(1, 3));
    const QList<int> none;
    QTest::newRow("empty lists everything") << "" << all << none << QStringList();
    QTest::newRow("case-insensitive, whole path")
        << "*cnt*" << QStringList(all.mid(1, 4)) << none << QStringList();
    QTest::newRow("not a substring search") << "cnt" << QStringList() << none << QStringList();
    QTest::newRow("question mark") << "?lk" << QStringList{"clk"} << none << QStringList();
    QTest::newRow("character set")
        << "*cnt[[][1-3]]" << QStringList{all[2], all[4]} << none << QStringList();
    QTest::newRow("negated set") << "*cnt[[][!0]]" << QStringList{all[2], all[4]} << none
                                 << QStringList();
    QTest::newRow("escaped star") << "data\\*" << QStringList{"data*"} << none << QStringList();
    QTest::newRow("unclosed bracket is literal")
        << "led[1*" << QStringList{"led[10]"} << none << QStringList();
    QTest::newRow("star must backtrack")
        << "*c*t" << QStringList{"u_core/CNT_next"} << none << QStringList();
    QTest::newRow("picked bottom-up, returned in list order")
        << "u_core/*" << cnt << QList<int>{2, 0} << QStringList{cnt[0], cnt[2]};
    QTest::newRow("all picked") << "" << all << QList<int>{-1} << all;
    QTest::newRow("cancel returns nothing") << "*" << all << QList<int>{-1} << QStringList();
}

void tst_Netlist::findNet()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    QFETCH(QList<int>, select);
    QFETCH(QStringList, picked);

    Netlist netlist(QStringLiteral("top"));
    for (const QString &name : findNetNames)
        netlist.addNet(name);
    QStringList listed;
    ModalHelper::onNextModal([&](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("lineEditFilter"));
        auto *list = modal->findChild<QListView *>(QStringLiteral("listWidget"));
        auto *buttons = modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        // Typed as the user would: the list follows every key press.
        edit->clear();
        QTest::keyClicks(edit, filter);
        QItemSelectionModel *selection = list->selectionModel();
        for (int row = 0; row < list->model()->rowCount(); ++row)
            listed << list->model()->index(row, 0).data().toString();
        for (int row : select) {
            if (row < 0)
                list->selectAll();
            else
                selection->select(list->model()->index(row, 0), QItemSelectionModel::Select);
        }
        buttons->button(picked.isEmpty() ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok)
            ->click();
    });
    QCOMPARE(paths(FindNetDialog::getList(netlist.allNets(), nullptr)), picked);
    QCOMPARE(listed, shown);
}

QTEST_MAIN(tst_Netlist)
#include "tst_netlist.moc"
