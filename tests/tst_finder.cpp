#include "host/nlsdata.h"
#include "pickers/ModuleInstSelectDialog.h"
#include "pickers/NlsDataFinderDialog.h"
#include "pickers/WildcardMatcher.h"
#include "tests/support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>

using ZEL::NlsDataFinderDialog;

class tst_Finder : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void matcherAgreesWithQRegExp_data();
    void matcherAgreesWithQRegExp();
    void matcherAgreesOnEveryShortPattern();
    void searchByMode_data();
    void searchByMode();
    void moduleFilter_data();
    void moduleFilter();
};

void tst_Finder::cleanup()
{
    TestSupport::ModalHelper::cancelPending();
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Finder::matcherAgreesWithQRegExp_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("expected");
    const struct {
        const char *tag, *pattern, *path;
        bool expected;
    } rows[] = {
        {"whole path only", "ram", "u_core/ram0", false},
        {"set", "ram[012]", "RAM1", true},
        {"reversed range", "ram[2-0]", "ram1", true},
        {"caret negates", "ram[^0]", "ram1", true},
        {"negation ignores case", "[^A]", "a", false},
        {"bang does not negate", "[!a]", "b", false},
        {"regexp characters literal", "a.b+(c)|{d}$^", "a.b+(c)|{d}$^", true},
        {"unclosed set matches nothing", "ram[0", "ram[0", false},
        {"backtracking", "*ab*ab", "abxabab", true},
        {"non-ascii case", "ÄB*", "äbc", true},
    };
    for (const auto &row : rows)
        QTest::newRow(row.tag) << QString::fromUtf8(row.pattern) << QString::fromUtf8(row.path)
                               << row.expected;
}

void tst_Finder::matcherAgreesWithQRegExp()
{
    QFETCH(QString, pattern);
    QFETCH(QString, path);
    QFETCH(bool, expected);
    QCOMPARE(QRegExp(pattern, Qt::CaseInsensitive, QRegExp::WildcardUnix).exactMatch(path),
             expected);
    const ZEL::WildcardMatcher matcher(pattern);
    QCOMPARE(matcher.matches(path), expected);
    QVERIFY(!matcher.usesFallback());
}

// Every pattern of up to four characters over wildcard, bracket and escape
// characters against short texts: the corners of the translation (a `]` right
// after `[`, escapes before ordinary characters) are hard to list by hand.
void tst_Finder::matcherAgreesOnEveryShortPattern()
{
    const QString alphabet = QStringLiteral("aB*?[]^-\\!");
    const QStringList texts = {"",    "a",   "A",    "b",   "B",   "ab",  "aB",  "Ba",
                               "*",   "?",   "[",    "]",   "^",   "-",   "\\",  "!",
                               "a]",  "[a",  "\\a",  "a\\", "\\*", "a-",  "-a",  "]]",
                               "!a",  "^a",  "aab",  "abb", "bab", "a*b", "a?B", "[a]",
                               "[]]", "a-B", "\\\\", "!!!", "x",   "aBa", "]a",  "B]"};
    QStringList patterns = {QString()};
    for (int from = 0; patterns.at(from).size() < 4; ++from) {
        for (const QChar c : alphabet)
            patterns << patterns.at(from) + c;
    }
    int matched = 0;
    for (const QString &pattern : qAsConst(patterns)) {
        const QRegExp reference(pattern, Qt::CaseInsensitive, QRegExp::WildcardUnix);
        const ZEL::WildcardMatcher matcher(pattern);
        for (const QString &text : texts) {
            const bool expected = reference.exactMatch(text);
            QVERIFY2(matcher.matches(text) == expected,
                     qPrintable(QStringLiteral("'%1' on '%2'").arg(pattern, text)));
            matched += expected ? 1 : 0;
        }
    }
    // Guards against a sweep that only ever compares two refusals.
    QVERIFY(matched > 1000);
}

void tst_Finder::searchByMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected"); // the listed paths; then the first title
    QTest::addColumn<bool>("objects");         // whether picks come back as objects too
    using F = NlsDataFinderDialog;
    const QStringList ports = {"Port Finder", "clk", "dout[0]", "DOUT[1]", "sda", "odd"};
    const QStringList rams = {"BSRAM Finder", "u_core/ram0", "U_CORE/ram1", "u_mem/ram2"};
    const QStringList dffs = {"DFF Finder", "u_core/cnt[0]", "top/u_core_reg", "U_Core/state"};
    QTest::newRow("all ports") << int(F::PortFinder) << "" << ports << false;
    QTest::newRow("output and inout only")
        << int(F::OutPortFinder) << "*" << QStringList{ports[0], ports[2], ports[3], ports[4]}
        << true;
    QTest::newRow("output port further down")
        << int(F::OutPortFinder) << "s*" << QStringList{ports[0], "sda"} << true;
    QTest::newRow("block RAMs by prefix")
        << int(F::BsramFinder) << "u_core*" << QStringList(rams.mid(0, 3)) << true;
    QTest::newRow("block RAM further down")
        << int(F::BsramFinder) << "*2" << QStringList{rams[0], "u_mem/ram2"} << true;
    QTest::newRow("prefix, not inside")
        << int(F::DffFinder) << "u_core*" << QStringList{dffs[0], dffs[1], dffs[3]} << false;
    QTest::newRow("refused pattern")
        << int(F::DffFinder) << "u_core]" << QStringList(dffs.mid(0, 1)) << false;
    QTest::newRow("unknown mode") << 2 << "*" << QStringList{"Dialog"} << false;
}

// A first search by button lists everything and a row is selected. The pattern's
// search, run by Return, must then replace the list, drop the selection and hand
// back its own objects: the rows "further down" show a stale row-to-object table.
void tst_Finder::searchByMode()
{
    QFETCH(int, mode);
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QFETCH(bool, objects);
    // Paths that differ only in letter case or in where a word stands.
    NlsData::Netlist netlist(QStringLiteral("top"));
    const QList<int> directions = {NlsData::DirectionInput, NlsData::DirectionOutput,
                                   NlsData::DirectionOutput, NlsData::DirectionInout, 7};
    const QStringList ports = {"clk", "dout[0]", "DOUT[1]", "sda", "odd"};
    for (int i = 0; i < ports.size(); ++i)
        netlist.addTopPort(ports[i], directions[i]);
    const QStringList cells = {"u_core/ram0", "u_core/cnt[0]", "U_CORE/ram1", "top/u_core_reg",
                               "u_core/lut",  "u_mem/ram2",    "U_Core/state"};
    const int ram = NlsData::CategoryBlockRam, dff = NlsData::CategoryFlipFlop;
    const QList<int> categories = {ram, dff, ram, dff, 0, ram, dff};
    for (int i = 0; i < cells.size(); ++i)
        netlist.addPrimitive(cells[i], categories[i], 0);

    NlsDataFinderDialog dialog(nullptr, &netlist, mode);
    auto *filter = dialog.findChild<QLineEdit *>(QStringLiteral("lineEditFilter"));
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("listWidget"));
    const auto select = [list](const QList<int> &rows) { // in this order, as Ctrl+clicks
        for (int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select);
    };
    QStringList listed{dialog.windowTitle()}, picked;
    QCOMPARE(filter->text(), QStringLiteral("*"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btnSearch")), Qt::LeftButton);
    select({0});
    filter->setText(pattern);
    QTest::keyClick(filter, Qt::Key_Return);
    QVERIFY(dialog.isVisible()); // Return searches; it does not accept the dialog
    for (int row = 0; row < list->count(); ++row)
        listed << list->item(row)->text();
    QCOMPARE(listed, expected);
    QVERIFY(dialog.selectedNames().isEmpty());

    // Picks come back in the order they were selected, not in list order.
    const QList<int> rows = QList<int>{list->count() - 1, 0}.mid(0, qMin(list->count(), 2));
    select(rows);
    for (int row : rows)
        picked << list->item(row)->text();
    QCOMPARE(dialog.selectedNames(), picked);
    QStringList objectPaths;
    for (const NlsData::Instance *instance : dialog.selectedInstances())
        objectPaths << instance->path();
    for (const NlsData::Port *port : dialog.selectedPorts())
        objectPaths << port->path();
    QCOMPARE(objectPaths, objects ? picked : QStringList());
}

void tst_Finder::moduleFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    // The top module always comes first; primitive instances are never candidates.
    const QStringList all{"chip_top", "u_cpu", "u_cpu/u_alu", "u_io"};
    QTest::newRow("blanks only") << "   " << all;
    QTest::newRow("upper case") << "CPU" << QStringList(all.mid(1, 2));
    QTest::newRow("trimmed substring") << "  _to " << QStringList{"chip_top"};
}

// The instance list is rebuilt on every change of the filter, so a selection is gone.
void tst_Finder::moduleFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    NlsData::Netlist netlist(QStringLiteral("chip_top"));
    for (const char *path : {"u_cpu", "u_cpu/u_alu", "u_io"})
        netlist.addSubmodule(QLatin1String(path));
    netlist.addPrimitive(QStringLiteral("u_cpu/q_reg"), NlsData::CategoryFlipFlop, 1);
    ZEL::ModuleInstSelectDialog dialog(nullptr, &netlist, false);
    auto *list = dialog.findChild<QListWidget *>();
    list->setCurrentRow(1);
    dialog.findChild<QLineEdit *>(QStringLiteral("lineEditFilter"))->setText(filter);
    QStringList shown;
    for (int row = 0; row < list->count(); ++row)
        shown << list->item(row)->text();
    QCOMPARE(shown, expected);
    QVERIFY(dialog.selectedNames().isEmpty());
}

QTEST_MAIN(tst_Finder)
#include "tst_finder.moc"
