#include "host/nlsdata.h"
#include "tests/support/ModalHelper.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QHash>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace NlsData;
using TestSupport::ModalHelper;

namespace {

const QString exampleNetlist = QStringLiteral(VEP_SOURCE_DIR "/examples/design/netlist.json");
const QString exampleCells = QStringLiteral(VEP_SOURCE_DIR "/examples/design/cells.json");

QString dataFile(const QString &name)
{
    return QStringLiteral(VEP_SOURCE_DIR "/tests/data/netlist/") + name;
}

template <class T> T *byPath(const QList<T *> &items, const QString &path)
{
    for (T *item : items) {
        if (item->path() == path)
            return item;
    }
    return nullptr;
}

QStringList paths(const QList<Instance *> &items)
{
    QStringList result;
    for (const Instance *item : items)
        result << item->path();
    return result;
}

} // namespace

class tst_Netlist : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void buildingApi();

    void exampleHierarchy();
    void exampleInstances_data();
    void exampleInstances();
    void exampleNets_data();
    void exampleNets();
    void exampleNetsAreUniqueAndVisible();
    void examplePortChain_data();
    void examplePortChain();

    void bitNamesAndPassThrough();
    void unmarkedTopAndOddCells();
    void brokenHierarchy_data();
    void brokenHierarchy();
    void badFiles_data();
    void badFiles();
    void truncatedFiles();
    void deepJsonNesting();
    void tooDeepHierarchy();

    void cellLibraryOverrides();
    void badCellLibrary();

    void readWithDialog();

    void findNetFilter_data();
    void findNetFilter();
    void findNetSelection();
    void findNetCancel();

private:
    QString writeTemp(const QString &name, const QByteArray &content);
    std::unique_ptr<Netlist> readExample();

    QTemporaryDir m_dir;
};

void tst_Netlist::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFile::exists(exampleNetlist), qPrintable(exampleNetlist));
}

void tst_Netlist::cleanup()
{
    resetCellLibrary();
    setProgressDialogThreshold(4 << 20);
    ModalHelper::closeStrayModals();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QString tst_Netlist::writeTemp(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(content);
    return path;
}

std::unique_ptr<Netlist> tst_Netlist::readExample()
{
    QString error;
    std::unique_ptr<Netlist> netlist(readNetlistFile(exampleNetlist, &error, false));
    if (!netlist)
        qWarning("%s", qPrintable(error));
    return netlist;
}

void tst_Netlist::buildingApi()
{
    Netlist netlist(QStringLiteral("chip"));
    QCOMPARE(netlist.topModuleName(), QStringLiteral("chip"));
    QVERIFY(netlist.topInstance);
    QVERIFY(netlist.topInstance->ports().isEmpty());

    Instance *core = netlist.addSubmodule(QStringLiteral("u_core"));
    Instance *ff = netlist.addPrimitive(QStringLiteral("u_core/q[0]"), CategoryFlipFlop, 0);
    Instance *ram = netlist.addPrimitive(QStringLiteral("u_core/mem"), CategoryBlockRam, 86);
    Net *q = netlist.addNet(QStringLiteral("q"));
    Net *floating = netlist.addNet(QStringLiteral("u_core/n"));
    Port *out = netlist.addTopPort(QStringLiteral("q"), DirectionOutput, q);
    Port *in = netlist.addTopPort(QStringLiteral("clk"), DirectionInput);
    Pin *pin = netlist.addDriver(q, ff);

    QCOMPARE(netlist.allSubmodInstances(), QList<Instance *>{core});
    QCOMPARE(netlist.allPrimInstances(), (QList<Instance *>{ff, ram}));
    QCOMPARE(netlist.allNets(), (QList<Net *>{q, floating}));
    QCOMPARE(netlist.topInstance->ports(), (QList<Port *>{out, in}));
    QCOMPARE(ram->path(), QStringLiteral("u_core/mem"));
    QCOMPARE(ram->category, int(CategoryBlockRam));
    QCOMPARE(ram->primitive, 86);
    QCOMPARE(out->path(), QStringLiteral("q"));
    QCOMPARE(out->direction, int(DirectionOutput));
    QCOMPARE(in->net, nullptr);
    QCOMPARE(q->driver, pin);
    QCOMPARE(out->net->driver->instance, ff);
    QCOMPARE(floating->driver, nullptr);
}

void tst_Netlist::exampleHierarchy()
{
    auto netlist = readExample();
    QVERIFY(netlist);
    QCOMPARE(netlist->topModuleName(), QStringLiteral("top"));
    QCOMPARE(paths(netlist->allSubmodInstances()),
             (QStringList{"u_core", "u_core/u_ram", "u_core/u_rom", "u_pipe", "u_pipe/u_dpram",
                          "u_pipe/u_fifo"}));

    int flipFlops = 0;
    int blockRams = 0;
    for (const Instance *instance : netlist->allPrimInstances()) {
        flipFlops += instance->category == CategoryFlipFlop;
        blockRams += instance->category == CategoryBlockRam;
        QVERIFY2(!instance->path().contains(QLatin1Char('$')) ||
                     instance->path().section(QLatin1Char('/'), -1).startsWith(QLatin1Char('$')),
                 qPrintable(instance->path()));
    }
    // Registers, bit by bit: cnt and acc (8 + 8), wptr, rptr and state (7 + 7 + 4), sda_r.
    QCOMPARE(flipFlops, 35);
    // The ROM, the single-port, the simple dual-port and the true dual-port RAM.
    QCOMPARE(blockRams, 4);
    const QStringList all = paths(netlist->allPrimInstances());
    QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), all.size());

    // led[3:0], bus[7:0] and sda come out as one port per bit, after the inputs.
    QStringList ports;
    for (const Port *port : netlist->topInstance->ports())
        ports << port->path();
    QCOMPARE(ports.size(), 1 + 1 + 1 + 8 + 1 + 4 + 8 + 1);
    QCOMPARE(ports.mid(0, 4), (QStringList{"clk_a", "clk_b", "rst", "din[0]"}));
    QCOMPARE(ports.last(), QStringLiteral("sda"));
}

void tst_Netlist::exampleInstances_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("primitive");

    // Yosys names register cells $procdff$..; they are found by register bit.
    QTest::newRow("counter bit") << "u_core/cnt[3]" << 50 << 0;
    QTest::newRow("accumulator bit") << "u_core/acc[7]" << 50 << 0;
    QTest::newRow("second clock domain") << "u_pipe/state[2]" << 50 << 0;
    QTest::newRow("top-level register") << "sda_r" << 50 << 0;
    QTest::newRow("rom: one read port") << "u_core/u_rom/rom" << 5 << 90;
    QTest::newRow("single port: shared address") << "u_core/u_ram/mem" << 5 << 88;
    QTest::newRow("simple dual port") << "u_pipe/u_fifo/mem" << 5 << 86;
    QTest::newRow("true dual port") << "u_pipe/u_dpram/mem" << 5 << 84;
    QTest::newRow("plain output buffer") << "g_led[2].u_obuf" << 0 << 116;
    QTest::newRow("tristate buffer") << "g_bus[5].u_obuft" << 0 << 117;
    QTest::newRow("bidirectional buffer") << "u_iobuf" << 0 << 118;
}

void tst_Netlist::exampleInstances()
{
    QFETCH(QString, path);
    QFETCH(int, category);
    QFETCH(int, primitive);
    auto netlist = readExample();
    QVERIFY(netlist);
    const Instance *instance = byPath(netlist->allPrimInstances(), path);
    QVERIFY2(instance, qPrintable(paths(netlist->allPrimInstances()).join(QLatin1Char(' '))));
    QCOMPARE(instance->category, category);
    QCOMPARE(instance->primitive, primitive);
}

void tst_Netlist::exampleNets_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("driver");

    QTest::newRow("top input") << "clk_a" << true << "";
    QTest::newRow("top wire named at the top") << "cnt[5]" << true << "u_core/cnt[5]";
    // The same bit inside u_core is the top-level cnt[5]: one bit, one net.
    QTest::newRow("same bit lower down") << "u_core/cnt[5]" << false << "";
    QTest::newRow("sub-module port of that bit") << "u_core/cnt_out[5]" << false << "";
    QTest::newRow("internal register") << "u_pipe/rptr[0]" << true << "u_pipe/rptr[0]";
    QTest::newRow("memory output inside u_pipe") << "u_pipe/q_a[1]" << true << "u_pipe/u_dpram/mem";
    QTest::newRow("same bit two levels down") << "u_pipe/u_dpram/q_a[1]" << false << "";
    QTest::newRow("memory output at its highest name")
        << "fifo_q[3]" << true << "u_pipe/u_fifo/mem";
    QTest::newRow("inout pin drives the pad net") << "sda" << true << "u_iobuf";
}

void tst_Netlist::exampleNets()
{
    QFETCH(QString, path);
    QFETCH(bool, offered);
    QFETCH(QString, driver);
    auto netlist = readExample();
    QVERIFY(netlist);
    const Net *net = byPath(netlist->allNets(), path);
    QCOMPARE(net != nullptr, offered);
    if (!net)
        return;
    QCOMPARE(net->driver ? net->driver->instance->path() : QString(), driver);
}

void tst_Netlist::exampleNetsAreUniqueAndVisible()
{
    auto netlist = readExample();
    QVERIFY(netlist);
    QSet<QString> seen;
    for (const Net *net : netlist->allNets()) {
        QVERIFY2(!net->path().contains(QLatin1Char('$')), qPrintable(net->path()));
        QVERIFY2(!seen.contains(net->path()), qPrintable(net->path()));
        seen.insert(net->path());
    }
    QVERIFY(seen.size() > 100);
}

void tst_Netlist::examplePortChain_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("instance");
    QTest::addColumn<int>("primitive");

    QTest::newRow("plain buffer") << "led[0]" << 1 << "g_led[0].u_obuf" << 116;
    QTest::newRow("tristate buffer") << "bus[7]" << 1 << "g_bus[7].u_obuft" << 117;
    QTest::newRow("inout") << "sda" << 2 << "u_iobuf" << 118;
    QTest::newRow("input") << "din[4]" << 0 << "" << 0;
}

void tst_Netlist::examplePortChain()
{
    QFETCH(QString, port);
    QFETCH(int, direction);
    QFETCH(QString, instance);
    QFETCH(int, primitive);
    auto netlist = readExample();
    QVERIFY(netlist);
    const Port *found = byPath(netlist->topInstance->ports(), port);
    QVERIFY(found);
    QCOMPARE(found->direction, direction);
    QVERIFY(found->net);
    if (instance.isEmpty()) {
        QCOMPARE(found->net->driver, nullptr);
        return;
    }
    QVERIFY(found->net->driver);
    QVERIFY(found->net->driver->instance);
    QCOMPARE(found->net->driver->instance->path(), instance);
    QCOMPARE(found->net->driver->instance->primitive, primitive);
}

void tst_Netlist::bitNamesAndPassThrough()
{
    QString error;
    std::unique_ptr<Netlist> netlist(readNetlistFile(dataFile("bit_order.json"), &error, true));
    QVERIFY2(netlist, qPrintable(error));

    QStringList ports;
    for (const Port *port : netlist->topInstance->ports())
        ports << port->path();
    // [4:7] is written upto: the first bit listed is the highest index.
    QCOMPARE(ports,
             (QStringList{"up[7]", "up[6]", "up[5]", "up[4]", "down[8]", "down[9]", "a", "b"}));

    // A 4-bit register is four flip-flops named after their bits; a whole-word
    // operator is named after the whole wire it drives.
    QCOMPARE(paths(netlist->allPrimInstances()),
             (QStringList{"up[7]", "up[6]", "up[5]", "up[4]", "next"}));
    const Port *up4 = byPath(netlist->topInstance->ports(), QStringLiteral("up[4]"));
    QCOMPARE(up4->net->driver->instance->path(), QStringLiteral("up[4]"));
    QCOMPARE(byPath(netlist->allNets(), QStringLiteral("next[2]"))->driver->instance->path(),
             QStringLiteral("next"));

    // u_pass connects a straight to b: one electrical net for both ports.
    const Port *a = byPath(netlist->topInstance->ports(), QStringLiteral("a"));
    const Port *b = byPath(netlist->topInstance->ports(), QStringLiteral("b"));
    QVERIFY(a->net);
    QCOMPARE(b->net, a->net);
    QVERIFY(!byPath(netlist->allNets(), QStringLiteral("u_pass/i")));
}

void tst_Netlist::unmarkedTopAndOddCells()
{
    QString error;
    std::unique_ptr<Netlist> netlist(readNetlistFile(dataFile("unmarked_top.json"), &error, false));
    QVERIFY2(netlist, qPrintable(error));
    QCOMPARE(netlist->topModuleName(), QStringLiteral("main"));
    QCOMPARE(paths(netlist->allPrimInstances()),
             (QStringList{"u_leaf/q", "u_leaf/VENDOR_THING_0", "u_odd"}));
    const Instance *ff = netlist->allPrimInstances().at(0);
    QCOMPARE(ff->category, int(CategoryFlipFlop));
    for (const Instance *unknown : netlist->allPrimInstances().mid(1)) {
        QCOMPARE(unknown->category, 0);
        QCOMPARE(unknown->primitive, 0);
    }

    const Port *out = byPath(netlist->topInstance->ports(), QStringLiteral("out"));
    QVERIFY(out && out->net);
    QCOMPARE(out->net->path(), QStringLiteral("out"));
    QCOMPARE(out->net->driver->instance, ff);
    // A constant is not a net; a hidden netname is not offered.
    QCOMPARE(byPath(netlist->topInstance->ports(), QStringLiteral("tie"))->net, nullptr);
    QStringList nets;
    for (const Net *net : netlist->allNets())
        nets << net->path();
    QCOMPARE(nets, (QStringList{"in", "out"}));
}

void tst_Netlist::brokenHierarchy_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");

    QTest::newRow("cycle through two modules") << "cycle.json"
                                               << "instantiates itself";
    QTest::newRow("module instantiating itself") << "self_instance.json"
                                                 << "instantiates itself";
    QTest::newRow("two unmarked roots") << "two_roots.json"
                                        << "not marked";
    QTest::newRow("every module instantiated") << "loop_without_top.json"
                                               << "no top module";
}

void tst_Netlist::brokenHierarchy()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    QString error;
    std::unique_ptr<Netlist> netlist(readNetlistFile(dataFile(file), &error, false));
    QVERIFY(!netlist);
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(error.contains(file));
}

void tst_Netlist::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty") << QByteArray() << "empty";
    QTest::newRow("whitespace") << QByteArray("  \n ") << "";
    QTest::newRow("garbage") << QByteArray("\x7f"
                                           "ELF\x02\x01\x01\0\0\0 garbage",
                                           22)
                             << "";
    QTest::newRow("plain text") << QByteArray("module top; endmodule") << "";
    QTest::newRow("array") << QByteArray("[1, 2, 3]") << "not a JSON object";
    QTest::newRow("no modules") << QByteArray("{\"creator\": \"x\"}") << "no \"modules\"";
    QTest::newRow("modules is an array") << QByteArray("{\"modules\": []}") << "not an object";
    QTest::newRow("no modules at all") << QByteArray("{\"modules\": {}}") << "no modules";
    QTest::newRow("module is a number")
        << QByteArray("{\"modules\": {\"m\": 5}}") << "module \"m\"";
    QTest::newRow("cells is a string")
        << QByteArray("{\"modules\": {\"m\": {\"cells\": \"many\"}}}") << "\"cells\"";
    QTest::newRow("cell without type")
        << QByteArray("{\"modules\": {\"m\": {\"cells\": {\"c\": {\"connections\": {}}}}}}")
        << "no type";
    QTest::newRow("type is a number")
        << QByteArray("{\"modules\": {\"m\": {\"cells\": {\"c\": {\"type\": 7}}}}}") << "type";
    QTest::newRow("bits not an array")
        << QByteArray("{\"modules\": {\"m\": {\"netnames\": {\"n\": {\"bits\": 3}}}}}")
        << "not an array";
    QTest::newRow("bad constant bit")
        << QByteArray("{\"modules\": {\"m\": {\"netnames\": {\"n\": {\"bits\": [\"q\"]}}}}}")
        << "not a bit";
    QTest::newRow("negative bit")
        << QByteArray("{\"modules\": {\"m\": {\"netnames\": {\"n\": {\"bits\": [-4]}}}}}")
        << "out of range";
    QTest::newRow("huge bit")
        << QByteArray("{\"modules\": {\"m\": {\"ports\": {\"p\": {\"direction\": \"input\", "
                      "\"bits\": [99999999999]}}}}}")
        << "out of range";
    QTest::newRow("bit is an object")
        << QByteArray("{\"modules\": {\"m\": {\"netnames\": {\"n\": {\"bits\": [{}]}}}}}")
        << "neither";
    QTest::newRow("netname without bits")
        << QByteArray("{\"modules\": {\"m\": {\"netnames\": {\"n\": {\"hide_name\": 0}}}}}")
        << "no bits";
    QTest::newRow("direction is a number")
        << QByteArray("{\"modules\": {\"m\": {\"ports\": {\"p\": {\"direction\": 1, "
                      "\"bits\": [2]}}}}}")
        << "direction";
    QTest::newRow("module defined twice")
        << QByteArray("{\"modules\": {\"m\": {}, \"m\": {}}}") << "defined twice";
    QTest::newRow("unclosed string") << QByteArray("{\"modules\": {\"m") << "";
}

void tst_Netlist::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString path = writeTemp(QStringLiteral("bad.json"), content);
    QVERIFY(!path.isEmpty());
    QString error;
    std::unique_ptr<Netlist> netlist(readNetlistFile(path, &error, false));
    QVERIFY(!netlist);
    QVERIFY2(error.startsWith(QStringLiteral("Cannot read the netlist ") + path),
             qPrintable(error));
    QVERIFY2(error.contains(message), qPrintable(error));

    QString missing;
    QVERIFY(!readNetlistFile(m_dir.filePath(QStringLiteral("absent.json")), &missing, false));
    QVERIFY2(missing.contains(QStringLiteral("does not exist")), qPrintable(missing));
    QVERIFY(!readNetlistFile(m_dir.path(), nullptr, false));
}

// Cut the example at many points: every prefix is malformed and must fail cleanly.
void tst_Netlist::truncatedFiles()
{
    QFile file(exampleNetlist);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const QByteArray closing = whole.trimmed();
    for (int step = 1; step < 200; ++step) {
        const int cut = int(qint64(closing.size()) * step / 200);
        const QString path = writeTemp(QStringLiteral("cut.json"), closing.left(cut));
        QString error;
        std::unique_ptr<Netlist> netlist(readNetlistFile(path, &error, false));
        QVERIFY2(!netlist, qPrintable(QStringLiteral("cut at %1").arg(cut)));
        QVERIFY(!error.isEmpty());
    }
    const QString lastByte = writeTemp(QStringLiteral("cut.json"), closing.chopped(1));
    QVERIFY(!std::unique_ptr<Netlist>(readNetlistFile(lastByte, nullptr, false)));
}

void tst_Netlist::deepJsonNesting()
{
    const int depth = 10000;
    const QByteArray deep = QByteArray(depth, '[') + QByteArray(depth, ']');

    // Deep where the reader looks: refused with a message.
    QString error;
    const QString inModules =
        writeTemp(QStringLiteral("deep1.json"), "{\"modules\": " + deep + "}");
    QVERIFY(!std::unique_ptr<Netlist>(readNetlistFile(inModules, &error, false)));
    QVERIFY(!error.isEmpty());

    // Deep where the reader does not look: skipped without recursion.
    const QString inAttribute = writeTemp(
        QStringLiteral("deep2.json"),
        "{\"creator\": " + deep + ", \"modules\": {\"t\": {\"attributes\": {\"junk\": " + deep +
            "}, \"ports\": {}, \"cells\": {}, \"netnames\": {}}}}");
    error.clear();
    std::unique_ptr<Netlist> netlist(readNetlistFile(inAttribute, &error, false));
    QVERIFY2(netlist, qPrintable(error));
    QCOMPARE(netlist->topModuleName(), QStringLiteral("t"));

    // Unbalanced deep nesting.
    const QString unbalanced =
        writeTemp(QStringLiteral("deep3.json"), "{\"modules\": {\"t\": " + QByteArray(depth, '{'));
    QVERIFY(!std::unique_ptr<Netlist>(readNetlistFile(unbalanced, nullptr, false)));
}

void tst_Netlist::tooDeepHierarchy()
{
    QByteArray json = "{\"modules\": {";
    const int levels = 400;
    for (int i = 0; i < levels; ++i) {
        json += QStringLiteral("\"m%1\": {%2\"ports\": {}, \"cells\": {")
                    .arg(i)
                    .arg(i == 0 ? "\"attributes\": {\"top\": 1}, " : "")
                    .toUtf8();
        if (i + 1 < levels)
            json += QStringLiteral("\"u\": {\"type\": \"m%1\", \"connections\": {}}")
                        .arg(i + 1)
                        .toUtf8();
        json += "}, \"netnames\": {}}";
        json += i + 1 < levels ? ", " : "";
    }
    json += "}}";
    QString error;
    const QString path = writeTemp(QStringLiteral("chain.json"), json);
    QVERIFY(!std::unique_ptr<Netlist>(readNetlistFile(path, &error, false)));
    QVERIFY2(error.contains(QStringLiteral("deeper than")), qPrintable(error));
}

void tst_Netlist::cellLibraryOverrides()
{
    auto primitiveOf = [](const QString &path) {
        std::unique_ptr<Netlist> netlist(readNetlistFile(exampleNetlist, nullptr, false));
        const Instance *instance = netlist ? byPath(netlist->allPrimInstances(), path) : nullptr;
        return instance ? qMakePair(instance->category, instance->primitive) : qMakePair(-1, -1);
    };
    QCOMPARE(primitiveOf("g_led[1].u_obuf"), qMakePair(0, 116));

    registerCellType(QStringLiteral("OBUF"), 0, 122);
    QCOMPARE(primitiveOf("g_led[1].u_obuf"), qMakePair(0, 122));

    // A project library overrides only what it names, prefixes included.
    const QString library =
        writeTemp(QStringLiteral("cells.json"),
                  "{\"cells\": {\"OBUFT\": {\"category\": 1, \"primitive\": 127},"
                  "             \"$mem_v2\": {\"category\": 5, \"primitive\": 242}},"
                  " \"prefixes\": {\"$xo\": {\"category\": 51, \"primitive\": 9},"
                  "                 \"$sd\": {\"category\": 52, \"primitive\": 9}}}");
    QString error;
    QVERIFY2(loadCellLibrary(library, &error), qPrintable(error));
    QCOMPARE(primitiveOf("g_bus[0].u_obuft"), qMakePair(1, 127));
    QCOMPARE(primitiveOf("g_led[1].u_obuf"), qMakePair(0, 122));
    QCOMPARE(primitiveOf("u_pipe/u_fifo/mem"), qMakePair(5, 242));
    // An exact entry, even a built-in one ($sdff), beats any prefix.
    QCOMPARE(primitiveOf("u_core/cnt[0]"), qMakePair(50, 0));
    std::unique_ptr<Netlist> netlist(readNetlistFile(exampleNetlist, nullptr, false));
    QVERIFY(netlist);
    int xors = 0;
    for (const Instance *instance : netlist->allPrimInstances()) {
        if (instance->path().contains(QLatin1String("$xor")))
            xors += instance->category == 51 && instance->primitive == 9 ? 1 : 100;
    }
    QCOMPARE(xors, 12);

    // The example project's own library agrees with the built-in codes.
    resetCellLibrary();
    QVERIFY2(loadCellLibrary(exampleCells, &error), qPrintable(error));
    QCOMPARE(primitiveOf("g_led[1].u_obuf"), qMakePair(0, 116));
    QCOMPARE(primitiveOf("u_pipe/u_fifo/mem"), qMakePair(5, 86));
}

void tst_Netlist::badCellLibrary()
{
    const QList<QByteArray> bad = {
        "",
        "[]",
        "{\"cells\": 3}",
        "{\"cells\": {\"OBUF\": 5}}",
        "{\"cells\": {\"OBUF\": {\"primitive\": \"116\"}}}",
        "{\"cells\": {\"OBUFT\": {\"primitive\": 1}, \"OBUF\": {\"category\": []}}}"};
    for (const QByteArray &content : bad) {
        const QString path = writeTemp(QStringLiteral("badcells.json"), content);
        QString error;
        QVERIFY2(!loadCellLibrary(path, &error), content.constData());
        QVERIFY(error.contains(path));
    }
    QString error;
    QVERIFY(!loadCellLibrary(m_dir.filePath(QStringLiteral("none.json")), &error));
    // A rejected file changed nothing, not even the entries before its bad one.
    std::unique_ptr<Netlist> netlist(readNetlistFile(exampleNetlist, nullptr, false));
    QVERIFY(netlist);
    QCOMPARE(byPath(netlist->allPrimInstances(), QStringLiteral("g_bus[0].u_obuft"))->primitive,
             117);
}

void tst_Netlist::readWithDialog()
{
    QWidget parent;
    QString error;
    // Small files are read directly, without any dialog.
    std::unique_ptr<Netlist> direct(
        readNetlistFileWithDialog(&parent, exampleNetlist, &error, false));
    QVERIFY2(direct, qPrintable(error));

    // Above the threshold the read runs on a worker thread behind a progress dialog;
    // the netlist must be the same.
    setProgressDialogThreshold(0);
    std::unique_ptr<Netlist> threaded(
        readNetlistFileWithDialog(&parent, exampleNetlist, &error, true));
    QVERIFY2(threaded, qPrintable(error));
    QCOMPARE(paths(threaded->allPrimInstances()), paths(direct->allPrimInstances()));
    QCOMPARE(threaded->allNets().size(), direct->allNets().size());
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    const QString garbage = writeTemp(QStringLiteral("garbage.json"), "{{{{");
    QVERIFY(!std::unique_ptr<Netlist>(readNetlistFileWithDialog(&parent, garbage, &error, false)));
    QVERIFY(error.contains(garbage));
}

void tst_Netlist::findNetFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    const QStringList all{"clk",           "u_core/cnt[0]", "u_core/cnt[1]", "u_core/CNT_next",
                          "u_pipe/cnt[3]", "data*",         "led[10]"};
    QTest::newRow("star lists everything") << "*" << all;
    QTest::newRow("empty lists everything") << "" << all;
    QTest::newRow("prefix") << "u_core/*"
                            << QStringList{"u_core/cnt[0]", "u_core/cnt[1]", "u_core/CNT_next"};
    QTest::newRow("case-insensitive, whole path")
        << "*cnt*"
        << QStringList{"u_core/cnt[0]", "u_core/cnt[1]", "u_core/CNT_next", "u_pipe/cnt[3]"};
    QTest::newRow("not a substring search") << "cnt" << QStringList{};
    QTest::newRow("question mark") << "?lk" << QStringList{"clk"};
    QTest::newRow("character set")
        << "*cnt[[][1-3]]" << QStringList{"u_core/cnt[1]", "u_pipe/cnt[3]"};
    QTest::newRow("negated set") << "*cnt[[][!0]]" << QStringList{"u_core/cnt[1]", "u_pipe/cnt[3]"};
    QTest::newRow("escaped star") << "data\\*" << QStringList{"data*"};
    QTest::newRow("unclosed bracket is literal") << "led[1*" << QStringList{"led[10]"};
    QTest::newRow("star must backtrack") << "*c*t" << QStringList{"u_core/CNT_next"};
    QTest::newRow("nothing") << "zzz*" << QStringList{};
}

void tst_Netlist::findNetFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);

    Netlist netlist(QStringLiteral("top"));
    for (const char *name : {"clk", "u_core/cnt[0]", "u_core/cnt[1]", "u_core/CNT_next",
                             "u_pipe/cnt[3]", "data*", "led[10]"})
        netlist.addNet(QString::fromLatin1(name));

    QStringList shown;
    QString className;
    ModalHelper::onNextModal([&](QWidget *modal) {
        className = QString::fromLatin1(modal->metaObject()->className());
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("lineEditFilter"));
        auto *list = modal->findChild<QListView *>(QStringLiteral("listWidget"));
        if (edit && list) {
            QAbstractItemModelTester tester(list->model(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
            edit->setText(filter);
            for (int row = 0; row < list->model()->rowCount(); ++row)
                shown << list->model()->index(row, 0).data().toString();
            QVERIFY(list->uniformItemSizes());
            QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        }
        static_cast<QDialog *>(modal)->reject();
    });
    const QList<Net *> picked = FindNetDialog::getList(netlist.allNets(), nullptr);
    QVERIFY(picked.isEmpty());
    QVERIFY(className.contains(QLatin1String("Dialog")));
    QCOMPARE(shown, expected);
}

void tst_Netlist::findNetSelection()
{
    Netlist netlist(QStringLiteral("top"));
    QList<Net *> nets;
    for (int i = 0; i < 6; ++i)
        nets << netlist.addNet(QStringLiteral("n%1").arg(i));

    ModalHelper::onNextModal([](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("lineEditFilter"));
        auto *list = modal->findChild<QListView *>(QStringLiteral("listWidget"));
        auto *buttons = modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QVERIFY(edit && list && buttons);
        // A selection made before the filter changes is dropped with the old rows.
        list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
        edit->setText(QStringLiteral("n[1-4]"));
        QVERIFY(list->selectionModel()->selectedRows().isEmpty());
        // Picked bottom-up, returned in list order.
        list->selectionModel()->select(list->model()->index(3, 0), QItemSelectionModel::Select);
        list->selectionModel()->select(list->model()->index(1, 0), QItemSelectionModel::Select);
        buttons->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(FindNetDialog::getList(nets, nullptr), (QList<Net *>{nets[2], nets[4]}));
}

void tst_Netlist::findNetCancel()
{
    Netlist netlist(QStringLiteral("top"));
    QList<Net *> nets{netlist.addNet(QStringLiteral("a")), netlist.addNet(QStringLiteral("b"))};
    ModalHelper::onNextModal([](QWidget *modal) {
        auto *list = modal->findChild<QListView *>(QStringLiteral("listWidget"));
        list->selectAll();
        modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))
            ->button(QDialogButtonBox::Cancel)
            ->click();
    });
    QVERIFY(FindNetDialog::getList(nets, nullptr).isEmpty());

    ModalHelper::onNextModal([](QWidget *modal) {
        modal->findChild<QListView *>(QStringLiteral("listWidget"))->selectAll();
        modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))
            ->button(QDialogButtonBox::Ok)
            ->click();
    });
    QCOMPARE(FindNetDialog::getList(nets, nullptr), nets);
}

QTEST_MAIN(tst_Netlist)
#include "tst_netlist.moc"
