#include "host/nlsdata.h"
#include "pickers/NlsDataFinderDialog.h"
#include "pickers/WildcardMatcher.h"
#include "tests/support/ModalHelper.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegExp>
#include <QtTest>

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
};

void tst_Finder::cleanup()
{
    TestSupport::ModalHelper::cancelPending();
    QCOMPARE(TestSupport::ModalHelper::visibleTopLevels(), QStringList());
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
        {"question", "dout?0?", "dout[0]", true},
        {"set", "ram[012]", "RAM1", true},
        {"range", "ram[0-2]", "ram2", true},
        {"reversed range", "ram[2-0]", "ram1", true},
        {"range ignores case", "[A-C]x", "bx", true},
        {"caret negates", "ram[^0]", "ram1", true},
        {"negation ignores case", "[^A]", "a", false},
        {"bang does not negate", "[!a]", "b", false},
        {"escaped bracket", R"(dout\[0\])", "dout[0]", true},
        {"escaped plain keeps backslash", R"(\a)", R"(\a)", true},
        {"trailing backslash", R"(ab\)", R"(ab\)", true},
        {"regexp characters literal", "a.b+(c)|{d}$^", "a.b+(c)|{d}$^", true},
        {"unclosed set matches nothing", "ram[0", "ram[0", false},
        {"backtracking", "*ab*ab", "abxabab", true},
        {"backtracking miss", "*ab*ab", "abxaba", false},
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
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("objects"); // whether picks come back as objects too
    const auto row = [](const char *tag, int mode, const char *title, const char *pattern,
                        const QStringList &expected, bool objects) {
        QTest::newRow(tag) << mode << QString(title) << QString(pattern) << expected << objects;
    };
    using F = NlsDataFinderDialog;
    const QStringList allPorts = {"clk", "dout[0]", "DOUT[1]", "sda", "odd"};
    const QStringList allRams = {"u_core/ram0", "U_CORE/ram1", "u_mem/ram2"};
    const QStringList allDffs = {"u_core/cnt[0]", "top/u_core_reg", "U_Core/state"};
    row("all ports", F::PortFinder, "Port Finder", "*", allPorts, false);
    row("empty pattern is star", F::PortFinder, "Port Finder", "", allPorts, false);
    row("output and inout only", F::OutPortFinder, "Port Finder", "*", allPorts.mid(1, 3), true);
    row("output ports by case", F::OutPortFinder, "Port Finder", "dout*", allPorts.mid(1, 2), true);
    row("output port further down", F::OutPortFinder, "Port Finder", "s*", {"sda"}, true);
    row("block RAMs only", F::BsramFinder, "BSRAM Finder", "*", allRams, true);
    row("block RAMs by prefix", F::BsramFinder, "BSRAM Finder", "u_core*", allRams.mid(0, 2), true);
    row("block RAM further down", F::BsramFinder, "BSRAM Finder", "*2", {"u_mem/ram2"}, true);
    row("flip-flops only", F::DffFinder, "DFF Finder", "*", allDffs, false);
    row("prefix, not inside", F::DffFinder, "DFF Finder", "u_core*",
        {"u_core/cnt[0]", "U_Core/state"}, false);
    row("word anywhere", F::DffFinder, "DFF Finder", "*u_core*", allDffs, false);
    row("no match", F::DffFinder, "DFF Finder", "nothing*", {}, false);
    row("refused pattern", F::DffFinder, "DFF Finder", "u_core]", {}, false);
    row("unknown mode", 2, "Dialog", "*", {}, false);
}

// A first search by button lists everything and a row is selected. The pattern's
// search, run by Return, must then replace the list, drop the selection and hand
// back its own objects: the rows "further down" show a stale row-to-object table.
void tst_Finder::searchByMode()
{
    QFETCH(int, mode);
    QFETCH(QString, title);
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QFETCH(bool, objects);
    // Paths that differ only in letter case or in where a word stands.
    NlsData::Netlist netlist(QStringLiteral("top"));
    netlist.addTopPort(QStringLiteral("clk"), NlsData::DirectionInput);
    netlist.addTopPort(QStringLiteral("dout[0]"), NlsData::DirectionOutput);
    netlist.addTopPort(QStringLiteral("DOUT[1]"), NlsData::DirectionOutput);
    netlist.addTopPort(QStringLiteral("sda"), NlsData::DirectionInout);
    netlist.addTopPort(QStringLiteral("odd"), 7);
    netlist.addPrimitive(QStringLiteral("u_core/ram0"), NlsData::CategoryBlockRam, 88);
    netlist.addPrimitive(QStringLiteral("u_core/cnt[0]"), NlsData::CategoryFlipFlop, 0);
    netlist.addPrimitive(QStringLiteral("U_CORE/ram1"), NlsData::CategoryBlockRam, 86);
    netlist.addPrimitive(QStringLiteral("top/u_core_reg"), NlsData::CategoryFlipFlop, 0);
    netlist.addPrimitive(QStringLiteral("u_core/lut"), 0, 0);
    netlist.addPrimitive(QStringLiteral("u_mem/ram2"), NlsData::CategoryBlockRam, 84);
    netlist.addPrimitive(QStringLiteral("U_Core/state"), NlsData::CategoryFlipFlop, 0);

    NlsDataFinderDialog dialog(nullptr, &netlist, mode);
    auto *filter = dialog.findChild<QLineEdit *>(QStringLiteral("lineEditFilter"));
    auto *button = dialog.findChild<QPushButton *>(QStringLiteral("btnSearch"));
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("listWidget"));
    const auto listed = [list]() {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
        return texts;
    };
    // In the given order, as Ctrl+clicks would.
    const auto select = [list](const QList<int> &rows) {
        for (int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select);
    };
    const auto pickedObjects = [&dialog]() {
        QStringList paths;
        for (const NlsData::Instance *instance : dialog.selectedInstances())
            paths << instance->path();
        for (const NlsData::Port *port : dialog.selectedPorts())
            paths << port->path();
        return paths;
    };
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(filter->text(), QStringLiteral("*"));
    QVERIFY(listed().isEmpty());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(button, Qt::LeftButton);
    select({0});

    filter->setText(pattern);
    QTest::keyClick(filter, Qt::Key_Return);
    QVERIFY(dialog.isVisible()); // Return searches; it does not accept the dialog

    QVERIFY(button->isEnabled());
    QCOMPARE(listed(), expected);
    QVERIFY(dialog.selectedNames().isEmpty());
    QVERIFY(pickedObjects().isEmpty());

    // Picks come back in the order they were selected, not in list order.
    const QList<int> rows = QList<int>{expected.size() - 1, 0}.mid(0, qMin(expected.size(), 2));
    QStringList names;
    for (int row : rows)
        names << expected.at(row);
    select(rows);
    QCOMPARE(dialog.selectedNames(), names);
    QCOMPARE(pickedObjects(), objects ? names : QStringList());
}

QTEST_MAIN(tst_Finder)
#include "tst_finder.moc"
