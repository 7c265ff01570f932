// The activity-file readers and the scope matcher, on the example's simulation dump, on
// SAIF files written by hand and on broken files generated here.

#include "activity/ActivityHeader.h"
#include "activity/ScopeMatcher.h"
#include "host/nlsdata.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Activity;

class tst_activity : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_data = QStringLiteral(VEP_SOURCE_DIR "/tests/data/activity/");
    const QString m_dump = QStringLiteral(VEP_SOURCE_DIR "/examples/design/activity.vcd");

    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::number(qHash(bytes)));
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path
                                                                                    : QString();
    }
    static QStringList paths(const ActivityHeader &h)
    {
        QStringList out;
        for (int i = 0; i < h.scopes.size(); ++i)
            out << h.scopePath(i);
        return out;
    }

private slots:
    // The design's nets, as the netlist names them, are found under tb.u_dut of the dump.
    void exampleDump()
    {
        const ActivityHeader h = readVcdHeader(m_dump);
        QVERIFY2(h.ok, qPrintable(h.error));
        QCOMPARE(h.secondsPerUnit, 1e-12);
        QVERIFY(h.hasSpan && h.spanStart == 0 && qFuzzyCompare(h.spanEnd, 2e-6));
        QString error;
        std::unique_ptr<NlsData::Netlist> netlist(NlsData::readNetlistFile(
            QStringLiteral(VEP_SOURCE_DIR "/examples/design/netlist.json"), &error, true));
        QVERIFY2(netlist, qPrintable(error));
        QStringList all, core;
        for (const NlsData::Net *net : netlist->allNets()) {
            all << net->path();
            if (net->path().startsWith("u_core/"))
                core << net->path().mid(7);
        }
        const ScopeMatcher matcher(h);
        for (const auto &[names, path] : {std::pair(all, "tb.u_dut"), {core, "tb.u_dut.u_core"}}) {
            const ScopeMatch best = matcher.best(names);
            QCOMPARE(best.path, QString(path));
            QCOMPARE(best.scope, matcher.find(path));
            QVERIFY2(best.matched * 10 >= best.total * 9,
                     qPrintable(QStringLiteral("%1 of %2").arg(best.matched).arg(best.total)));
        }
    }

    void findScope_data()
    {
        QTest::addColumn<QString>("instance");
        QTest::addColumn<QString>("found");
        QTest::newRow("netlist path, under the testbench") << "u_pipe/u_fifo"
                                                           << "tb.u_dut.u_pipe.u_fifo";
        QTest::newRow("whole path in the file's form") << "tb.u_dut"
                                                       << "tb.u_dut";
        QTest::newRow("generate block and instance") << "g_bus[3].u_obuft"
                                                     << "tb.u_dut.g_bus[3].u_obuft";
        QTest::newRow("other case") << "U_CORE/U_RAM"
                                    << "tb.u_dut.u_core.u_ram";
        QTest::newRow("ambiguous suffix") << "u_obuft"
                                          << "";
        QTest::newRow("design top by module name") << "top"
                                                   << "";
        QTest::newRow("part of a name") << "core"
                                        << "";
    }
    void findScope()
    {
        QFETCH(QString, instance);
        QFETCH(QString, found);
        const ActivityHeader h = readVcdHeader(m_dump);
        QCOMPARE(h.scopePath(Activity::findScope(h, instance)), found);
    }

    void saif_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("end");
        QTest::addColumn<QStringList>("scopes");
        QTest::addColumn<QStringList>("lastBits");
        QTest::newRow("nested, escaped")
            << "counter.saif" << 2e-6 << QStringList{"tb", "tb/u_dut", "tb/u_dut/u_core"}
            << QStringList{"cnt[3]", "cnt[2]", "acc[1]", "acc[0]", "weird/name"};
        QTest::newRow("dotted path in one INSTANCE")
            << "dotted.saif" << 5e-9 << QStringList{"tb", "tb.u_dut", "tb.u_dut.u_pipe"}
            << QStringList{"wptr[6]", "state"};
    }
    void saif()
    {
        QFETCH(QString, file);
        QFETCH(double, end);
        const ActivityHeader h = readSaifHeader(m_data + file);
        QVERIFY2(h.ok, qPrintable(h.error));
        QVERIFY(h.hasSpan && qFuzzyCompare(h.spanEnd, end));
        QFETCH(QStringList, scopes);
        QFETCH(QStringList, lastBits);
        QCOMPARE(paths(h), scopes);
        QCOMPARE(h.scopes.last().signalBits(), lastBits);
        // The register suffix and the case of a netlist written elsewhere still match.
        const ScopeMatch m = bestScope(h, {"u_core/cnt_reg[3]", "u_core/CNT[2]", "u_core/acc[1]",
                                           "u_pipe/wptr_reg[6]", "SDA_R", "no"});
        QCOMPARE(h.scopePath(m.scope), QStringLiteral("tb/u_dut").replace('/', h.divider));
        QCOMPARE(m.matched, file == "counter.saif" ? 3 : 2);
    }

    void vcdVariables_data()
    {
        QTest::addColumn<QByteArray>("var");
        QTest::addColumn<QStringList>("bits");
        QTest::newRow("range apart")
            << QByteArray("wire 3 ! cnt [2:0]") << QStringList{"cnt[2]", "cnt[1]", "cnt[0]"};
        QTest::newRow("range attached, offset")
            << QByteArray("wire 2 ! cnt[7:6]") << QStringList{"cnt[7]", "cnt[6]"};
        QTest::newRow("ascending") << QByteArray("wire 2 ! v [0:1]") << QStringList{"v[0]", "v[1]"};
        QTest::newRow("one bit of a vector")
            << QByteArray("wire 1 ! cnt [3]") << QStringList{"cnt[3]"};
        QTest::newRow("width without range")
            << QByteArray("reg 2 ! q") << QStringList{"q[1]", "q[0]"};
        QTest::newRow("escaped") << QByteArray("wire 1 ! \\a.b[0] ") << QStringList{"a.b[0]"};
        QTest::newRow("real is one value") << QByteArray("real 64 ! t") << QStringList{"t"};
    }
    void vcdVariables()
    {
        QFETCH(QByteArray, var);
        QFETCH(QStringList, bits);
        const ActivityHeader h = readVcdHeader(write("$scope module m $end $var " + var +
                                                     " $end $upscope $end $enddefinitions $end\n"));
        QVERIFY2(h.ok, qPrintable(h.error));
        QVERIFY(!h.hasSpan);
        QCOMPARE(h.scopes.value(0).signalBits(), bits);
    }

    // Definitions over more than one read block; the last timestamp comes from the tail,
    // past many blocks of value changes, and an id code that starts with '#' is not one.
    void vcdSpan()
    {
        QByteArray dump = "$timescale 10 ns $end $scope module m $end\n";
        for (int i = 0; i < 60000; ++i)
            dump += "$var wire 1 ! net_" + QByteArray::number(i) + " $end\n";
        dump +=
            "$var wire 4 # v $end $upscope $end\n$enddefinitions $end\n$dumpvars b0 # $end\n#3\n";
        for (int t = 4; dump.size() < 3000000; ++t)
            dump += "#" + QByteArray::number(t) + "\nb1010 #\n";
        dump += "#999999\nb1 #12\n";
        const ActivityHeader h = readVcdHeader(write(dump));
        QVERIFY2(h.ok, qPrintable(h.error));
        QCOMPARE(h.spanStart, 3e-8);
        QCOMPARE(h.spanEnd, 9999990e-9);
        QCOMPARE(h.signalCount, 60001);
        QCOMPARE(h.scopes.at(0).nets.at(59999).name, QStringLiteral("net_59999"));
    }

    void broken_data()
    {
        QTest::addColumn<bool>("vcd");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("line");
        const QByteArray head = "$scope module m $end\n";
        const QByteArray deep = QByteArray("$scope module m $end ").repeated(1001);
        QTest::newRow("gzip") << true << QByteArray("\x1f\x8b\x08\x00rest") << "gzip-compressed"
                              << 0;
        QTest::newRow("zstd saif")
            << false << QByteArray("\x28\xb5\x2f\xfd..") << "zstd-compressed" << 0;
        QTest::newRow("binary") << true << head + "$var wire 1 \x01 x $end"
                                << "binary data" << 2;
        QTest::newRow("no enddefinitions") << true << head + "$upscope $end\n#0\n1!\n"
                                           << "\"#0\" where a $ command" << 3;
        QTest::newRow("truncated") << true << head + "$upscope $end\n"
                                   << "ends before $enddefinitions" << 3;
        QTest::newRow("unbalanced upscope")
            << true << QByteArray("$upscope $end") << "without an open $scope" << 1;
        QTest::newRow("scope left open") << true << head + "$enddefinitions $end"
                                         << "1 scope(s) not closed" << 2;
        QTest::newRow("too deep") << true << deep << "deeper than 1000" << 1;
        QTest::newRow("endless word") << true << QByteArray(70000, 'x') << "longer than 65536" << 1;
        QTest::newRow("comment never closed")
            << true << QByteArray("$comment\n\n never") << "ends inside $comment" << 1;
        QTest::newRow("var outside scope")
            << true << QByteArray("$var wire 1 ! a $end") << "outside any $scope" << 1;
        QTest::newRow("bad range") << true << head + "$var wire 2 ! a [x:0] $end"
                                   << "bad bit range" << 2;
        QTest::newRow("huge vector") << true << head + "$var wire 1 ! a [99999999:0] $end"
                                     << "wider than" << 2;
        QTest::newRow("bad timescale")
            << true << QByteArray("$timescale 1 parsec $end") << "unknown time scale" << 1;
        QTest::newRow("not saif") << false << QByteArray("$scope module m $end")
                                  << "not a SAIF file" << 1;
        QTest::newRow("saif truncated")
            << false << QByteArray("(SAIFILE\n(INSTANCE a (NET (x") << "ends before" << 2;
        QTest::newRow("saif extra )") << false << QByteArray("(SAIFILE)\n)") << "no INSTANCE" << 1;
        QTest::newRow("saif too deep")
            << false << "(SAIFILE " + QByteArray("(INSTANCE a ").repeated(1000)
            << "deeper than 1000" << 1;
        QTest::newRow("saif instance unnamed")
            << false << QByteArray("(SAIFILE (INSTANCE (NET)))") << "without a name" << 1;
        QTest::newRow("saif divider")
            << false << QByteArray("(SAIFILE (DIVIDER ab))") << "bad DIVIDER" << 1;
        QTest::newRow("saif parentheses in a skipped string")
            << false << QByteArray("(SAIFILE (DATE \")\\\")\")\n(DIVIDER ab))") << "bad DIVIDER"
            << 2;
    }
    void broken()
    {
        QFETCH(bool, vcd);
        QFETCH(QString, error);
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        const ActivityHeader h = readActivityHeader(write(bytes), vcd);
        QVERIFY(!h.ok);
        QVERIFY2(h.error.contains(error), qPrintable(h.error));
        QCOMPARE(h.errorLine, qint64(line));
    }
};

QTEST_GUILESS_MAIN(tst_activity)
#include "tst_activity.moc"
