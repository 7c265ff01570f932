#include "host/nlsdata.h"
#include "pickers/NlsDataFinderDialog.h"
#include "pickers/WildcardMatcher.h"
#include "tests/support/ModalHelper.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegExp>
#include <QtTest>

#include <memory>

using TestSupport::ModalHelper;
using ZEL::NlsDataFinderDialog;
using ZEL::WildcardMatcher;

namespace {

// Top-level ports of every direction and primitives of three categories, with
// paths that differ only in letter case or in where a word stands.
std::unique_ptr<NlsData::Netlist> makeNetlist()
{
    auto netlist = std::make_unique<NlsData::Netlist>(QStringLiteral("top"));
    netlist->addTopPort(QStringLiteral("clk"), NlsData::DirectionInput);
    netlist->addTopPort(QStringLiteral("dout[0]"), NlsData::DirectionOutput);
    netlist->addTopPort(QStringLiteral("DOUT[1]"), NlsData::DirectionOutput);
    netlist->addTopPort(QStringLiteral("sda"), NlsData::DirectionInout);
    netlist->addTopPort(QStringLiteral("odd"), 7);
    netlist->addPrimitive(QStringLiteral("u_core/ram0"), NlsData::CategoryBlockRam, 88);
    netlist->addPrimitive(QStringLiteral("u_core/cnt[0]"), NlsData::CategoryFlipFlop, 0);
    netlist->addPrimitive(QStringLiteral("U_CORE/ram1"), NlsData::CategoryBlockRam, 86);
    netlist->addPrimitive(QStringLiteral("top/u_core_reg"), NlsData::CategoryFlipFlop, 0);
    netlist->addPrimitive(QStringLiteral("u_core/lut"), 0, 0);
    netlist->addPrimitive(QStringLiteral("u_mem/ram2"), NlsData::CategoryBlockRam, 84);
    netlist->addPrimitive(QStringLiteral("U_Core/state"), NlsData::CategoryFlipFlop, 0);
    return netlist;
}

QStringList listed(QDialog *dialog)
{
    QStringList texts;
    auto *list = dialog->findChild<QListWidget *>(QStringLiteral("listWidget"));
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

void search(QDialog *dialog, const QString &pattern)
{
    dialog->findChild<QLineEdit *>(QStringLiteral("lineEditFilter"))->setText(pattern);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnSearch")),
                      Qt::LeftButton);
}

// Selects the rows in the given order, as Ctrl+clicks would.
void selectRows(QDialog *dialog, const QList<int> &rows)
{
    auto *list = dialog->findChild<QListWidget *>(QStringLiteral("listWidget"));
    for (int row : rows)
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
}

bool regExpMatches(const QString &pattern, const QString &path)
{
    return QRegExp(pattern, Qt::CaseInsensitive, QRegExp::WildcardUnix).exactMatch(path);
}

} // namespace

class tst_Finder : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void matcherAgreesWithQRegExp_data();
    void matcherAgreesWithQRegExp();
    void matcherAgreesOnEveryShortPattern();

    void titleByMode_data();
    void titleByMode();
    void startsEmpty();
    void searchByMode_data();
    void searchByMode();
    void returnRunsSearch();
    void selectionKeepsOrderAndObjects();
    void objectsOnlyInTheirMode();
    void searchAgainClearsSelection();
};

void tst_Finder::cleanup()
{
    ModalHelper::closeStrayModals();
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Finder::matcherAgreesWithQRegExp_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("expected");

    QTest::newRow("star matches all") << "*"
                                      << "u_core/ram0" << true;
    QTest::newRow("prefix any case") << "u_core*"
                                     << "U_CORE/ram1" << true;
    QTest::newRow("prefix not inside") << "u_core*"
                                       << "top/u_core_reg" << false;
    QTest::newRow("word inside") << "*u_core*"
                                 << "top/u_core_reg" << true;
    QTest::newRow("whole path only") << "ram"
                                     << "u_core/ram0" << false;
    QTest::newRow("question in set is literal") << "cnt[?]"
                                                << "cnt?" << true;
    QTest::newRow("question") << "dout?0?"
                              << "dout[0]" << true;
    QTest::newRow("set") << "ram[012]"
                         << "RAM1" << true;
    QTest::newRow("range") << "ram[0-2]"
                           << "ram2" << true;
    QTest::newRow("reversed range") << "ram[2-0]"
                                    << "ram1" << true;
    QTest::newRow("range ignores case") << "[A-C]x"
                                        << "bx" << true;
    QTest::newRow("caret negates") << "ram[^0]"
                                   << "ram1" << true;
    QTest::newRow("negation ignores case") << "[^A]"
                                           << "a" << false;
    QTest::newRow("bang is literal") << "[!a]"
                                     << "!" << true;
    QTest::newRow("bang does not negate") << "[!a]"
                                          << "b" << false;
    QTest::newRow("dash at end") << "a[x-]"
                                 << "a-" << true;
    QTest::newRow("bracket first in set") << "[]a]"
                                          << "]" << true;
    QTest::newRow("escaped star") << "a\\*"
                                  << "a*" << true;
    QTest::newRow("escaped bracket") << "dout\\[0\\]"
                                     << "dout[0]" << true;
    QTest::newRow("escaped plain keeps backslash") << "\\a"
                                                   << "\\a" << true;
    QTest::newRow("trailing backslash") << "ab\\"
                                        << "ab\\" << true;
    QTest::newRow("double backslash then star") << "\\\\*"
                                                << "\\*" << true;
    QTest::newRow("regexp characters literal") << "a.b+(c)|{d}$^"
                                               << "a.b+(c)|{d}$^" << true;
    QTest::newRow("unclosed set matches nothing") << "ram[0"
                                                  << "ram[0" << false;
    QTest::newRow("stray bracket matches nothing") << "a]"
                                                   << "a]" << false;
    QTest::newRow("backtracking") << "*ab*ab"
                                  << "abxabab" << true;
    QTest::newRow("backtracking miss") << "*ab*ab"
                                       << "abxaba" << false;
    QTest::newRow("non-ascii case") << QString::fromUtf8("ÄB*") << QString::fromUtf8("äbc") << true;
}

void tst_Finder::matcherAgreesWithQRegExp()
{
    QFETCH(QString, pattern);
    QFETCH(QString, path);
    QFETCH(bool, expected);

    QCOMPARE(regExpMatches(pattern, path), expected);
    const WildcardMatcher matcher(pattern);
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
    QStringList current = {QString()};
    for (int length = 1; length <= 4; ++length) {
        QStringList next;
        for (const QString &prefix : qAsConst(current)) {
            for (const QChar c : alphabet)
                next << prefix + c;
        }
        patterns << next;
        current = next;
    }
    int checked = 0;
    int matched = 0;
    for (const QString &pattern : qAsConst(patterns)) {
        const QRegExp reference(pattern, Qt::CaseInsensitive, QRegExp::WildcardUnix);
        const WildcardMatcher matcher(pattern);
        for (const QString &text : texts) {
            const bool expected = reference.exactMatch(text);
            if (matcher.matches(text) != expected)
                QFAIL(qPrintable(QStringLiteral("pattern '%1' on '%2': QRegExp says %3")
                                     .arg(pattern, text)
                                     .arg(expected)));
            ++checked;
            matched += expected ? 1 : 0;
        }
    }
    QCOMPARE(checked, patterns.size() * texts.size());
    QVERIFY(matched > 1000);
}

void tst_Finder::titleByMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("title");
    QTest::newRow("ports") << int(NlsDataFinderDialog::PortFinder) << "Port Finder";
    QTest::newRow("block RAMs") << int(NlsDataFinderDialog::BsramFinder) << "BSRAM Finder";
    QTest::newRow("output ports") << int(NlsDataFinderDialog::OutPortFinder) << "Port Finder";
    QTest::newRow("flip-flops") << int(NlsDataFinderDialog::DffFinder) << "DFF Finder";
    QTest::newRow("unknown") << 2 << "Dialog";
}

void tst_Finder::titleByMode()
{
    QFETCH(int, mode);
    QFETCH(QString, title);
    const auto netlist = makeNetlist();
    NlsDataFinderDialog dialog(nullptr, netlist.get(), mode);
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.objectName(), QStringLiteral("ZEL__NlsDataFinderDialog"));
}

void tst_Finder::startsEmpty()
{
    const auto netlist = makeNetlist();
    NlsDataFinderDialog dialog(nullptr, netlist.get(), NlsDataFinderDialog::DffFinder);
    auto *filter = dialog.findChild<QLineEdit *>(QStringLiteral("lineEditFilter"));
    QCOMPARE(filter->text(), QStringLiteral("*"));
    QCOMPARE(filter->placeholderText(), QStringLiteral("*"));
    QVERIFY(listed(&dialog).isEmpty());
}

void tst_Finder::searchByMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");

    const int ports = NlsDataFinderDialog::PortFinder;
    const int outPorts = NlsDataFinderDialog::OutPortFinder;
    const int rams = NlsDataFinderDialog::BsramFinder;
    const int dffs = NlsDataFinderDialog::DffFinder;
    QTest::newRow("all ports") << ports << "*"
                               << QStringList{"clk", "dout[0]", "DOUT[1]", "sda", "odd"};
    QTest::newRow("empty pattern is star")
        << ports << "" << QStringList{"clk", "dout[0]", "DOUT[1]", "sda", "odd"};
    QTest::newRow("output and inout only")
        << outPorts << "*" << QStringList{"dout[0]", "DOUT[1]", "sda"};
    QTest::newRow("output ports by case")
        << outPorts << "dout*" << QStringList{"dout[0]", "DOUT[1]"};
    QTest::newRow("block RAMs only")
        << rams << "*" << QStringList{"u_core/ram0", "U_CORE/ram1", "u_mem/ram2"};
    QTest::newRow("block RAMs by prefix")
        << rams << "u_core*" << QStringList{"u_core/ram0", "U_CORE/ram1"};
    QTest::newRow("flip-flops only")
        << dffs << "*" << QStringList{"u_core/cnt[0]", "top/u_core_reg", "U_Core/state"};
    QTest::newRow("flip-flops by prefix")
        << dffs << "u_core*" << QStringList{"u_core/cnt[0]", "U_Core/state"};
    QTest::newRow("flip-flops by word")
        << dffs << "*u_core*" << QStringList{"u_core/cnt[0]", "top/u_core_reg", "U_Core/state"};
    QTest::newRow("no match") << dffs << "nothing*" << QStringList{};
    QTest::newRow("refused pattern") << dffs << "u_core]" << QStringList{};
    QTest::newRow("unknown mode lists nothing") << 1 << "*" << QStringList{};
}

void tst_Finder::searchByMode()
{
    QFETCH(int, mode);
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    const auto netlist = makeNetlist();
    NlsDataFinderDialog dialog(nullptr, netlist.get(), mode);
    search(&dialog, pattern);
    QCOMPARE(listed(&dialog), expected);
    QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("btnSearch"))->isEnabled());
    // A second search rebuilds the list rather than appending to it.
    search(&dialog, pattern);
    QCOMPARE(listed(&dialog), expected);
}

void tst_Finder::returnRunsSearch()
{
    const auto netlist = makeNetlist();
    NlsDataFinderDialog dialog(nullptr, netlist.get(), NlsDataFinderDialog::BsramFinder);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *filter = dialog.findChild<QLineEdit *>(QStringLiteral("lineEditFilter"));
    filter->setText(QStringLiteral("u_mem*"));
    QTest::keyClick(filter, Qt::Key_Return);
    QCOMPARE(listed(&dialog), QStringList{"u_mem/ram2"});
    QVERIFY(dialog.isVisible());
}

void tst_Finder::selectionKeepsOrderAndObjects()
{
    const auto netlist = makeNetlist();
    NlsDataFinderDialog rams(nullptr, netlist.get(), NlsDataFinderDialog::BsramFinder);
    search(&rams, QStringLiteral("*"));
    selectRows(&rams, {2, 0});
    QCOMPARE(rams.selectedNames(), (QStringList{"u_mem/ram2", "u_core/ram0"}));
    const QList<NlsData::Instance *> instances = rams.selectedInstances();
    QCOMPARE(instances.size(), 2);
    const QList<NlsData::Instance *> &all = netlist->allPrimInstances();
    QCOMPARE(instances.at(0), all.at(5));
    QCOMPARE(instances.at(1), all.at(0));
    QCOMPARE(instances.at(0)->primitive, 84);

    NlsDataFinderDialog outPorts(nullptr, netlist.get(), NlsDataFinderDialog::OutPortFinder);
    search(&outPorts, QStringLiteral("*"));
    selectRows(&outPorts, {2, 1});
    const QList<NlsData::Port *> ports = outPorts.selectedPorts();
    QCOMPARE(ports.size(), 2);
    QCOMPARE(ports.at(0)->path(), QStringLiteral("sda"));
    QCOMPARE(ports.at(1)->path(), QStringLiteral("DOUT[1]"));
    QCOMPARE(ports.at(1), netlist->topInstance->ports().at(2));
}

void tst_Finder::objectsOnlyInTheirMode()
{
    const auto netlist = makeNetlist();
    NlsDataFinderDialog dffs(nullptr, netlist.get(), NlsDataFinderDialog::DffFinder);
    search(&dffs, QStringLiteral("*"));
    selectRows(&dffs, {0, 1});
    QCOMPARE(dffs.selectedNames().size(), 2);
    QVERIFY(dffs.selectedInstances().isEmpty());
    QVERIFY(dffs.selectedPorts().isEmpty());

    NlsDataFinderDialog ports(nullptr, netlist.get(), NlsDataFinderDialog::PortFinder);
    search(&ports, QStringLiteral("*"));
    selectRows(&ports, {1});
    QCOMPARE(ports.selectedNames(), QStringList{"dout[0]"});
    QVERIFY(ports.selectedPorts().isEmpty());
    QVERIFY(ports.selectedInstances().isEmpty());
}

void tst_Finder::searchAgainClearsSelection()
{
    const auto netlist = makeNetlist();
    NlsDataFinderDialog rams(nullptr, netlist.get(), NlsDataFinderDialog::BsramFinder);
    search(&rams, QStringLiteral("*"));
    selectRows(&rams, {0, 1});
    search(&rams, QStringLiteral("u_mem*"));
    QVERIFY(rams.selectedNames().isEmpty());
    QVERIFY(rams.selectedInstances().isEmpty());
    // Row 0 now stands for the one instance the last search kept.
    selectRows(&rams, {0});
    QCOMPARE(rams.selectedInstances().value(0)->path(), QStringLiteral("u_mem/ram2"));
}

QTEST_MAIN(tst_Finder)
#include "tst_finder.moc"
