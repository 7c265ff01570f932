// Adding 100,000 flip-flops picked in the netlist finder (design of 1,000,000
// primitive instances) to the flip-flop table of a shown configuration view, and
// picking them again (every pick a duplicate), against the same duplicate check
// done by a linear scan over the rows. The scan is quadratic: at 100,000 picks it
// runs for minutes, so it is measured on 5,000 to 20,000 picks and extrapolated.

#include "bench/BenchSupport.h"
#include "document/ZELView.h"
#include "enable/DFFSetWidget.h"
#include "enable/DffRecord.h"
#include "enable/ZELEnableSetWidget.h"
#include "host/dev.h"
#include "host/nlsdata.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTextStream>
#include <QToolButton>

namespace {

constexpr int instanceCount = 1000000;
constexpr int flipFlopEvery = 10; // 100,000 of them are flip-flops

NlsData::Netlist *makeNetlist()
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    for (int i = 0; i < instanceCount; ++i) {
        const bool flipFlop = i % flipFlopEvery == 0;
        netlist->addPrimitive(QStringLiteral("u_core%1/%2_%3")
                                  .arg(i % 8)
                                  .arg(flipFlop ? QStringLiteral("q_reg") : QStringLiteral("lut"))
                                  .arg(i),
                              flipFlop ? NlsData::CategoryFlipFlop : 0, 0);
    }
    return netlist;
}

// Answers the finder the way a user picking everything would: search "*", select
// all, OK.
void answerFinder(qint64 *searchMs)
{
    BenchSupport::answerModal([searchMs](QDialog *dialog) {
        const BenchSupport::Stopwatch timer;
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditFilter"))->setText("*");
        dialog->findChild<QPushButton *>(QStringLiteral("btnSearch"))->click();
        dialog->findChild<QListWidget *>(QStringLiteral("listWidget"))->selectAll();
        *searchMs = timer.ms();
        dialog->accept();
    });
}

struct Run {
    qint64 totalMs = 0;
    qint64 finderMs = 0;
    int rows = 0;
};

Run addThroughFinder(ZEL::DFFSetWidget *table)
{
    Run run;
    answerFinder(&run.finderMs);
    const BenchSupport::Stopwatch timer;
    table->findChild<QToolButton *>(QStringLiteral("btnAdd"))->click();
    QApplication::processEvents();
    run.totalMs = timer.ms();
    run.rows = table->findChild<QTableView *>(QStringLiteral("tableView"))->model()->rowCount();
    return run;
}

// The duplicate check as a scan over the rows for every pick: what the table
// would cost without its name index.
qint64 linearScanBaseline(const QStringList &picks)
{
    QList<ZEL::DffRecord *> rows;
    const BenchSupport::Stopwatch timer;
    for (const QString &name : picks) {
        bool present = false;
        for (const ZEL::DffRecord *row : qAsConst(rows)) {
            if (row->name == name) {
                present = true;
                break;
            }
        }
        if (present)
            continue;
        auto *record = new ZEL::DffRecord;
        record->name = name;
        rows.append(record);
    }
    const qint64 elapsed = timer.ms();
    qDeleteAll(rows);
    return elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::BenchApplication app(argc, argv);
    QTextStream out(stdout);

    const BenchSupport::Stopwatch timer;
    NlsData::Netlist *netlist = makeNetlist();
    QStringList flipFlops;
    for (const NlsData::Instance *instance : netlist->allPrimInstances()) {
        if (instance->category == NlsData::CategoryFlipFlop)
            flipFlops.append(instance->path());
    }
    out << "netlist: " << instanceCount << " instances, " << flipFlops.size()
        << " flip-flops, built in " << timer.ms() << " ms\n";

    ZEL::ZELView view(DEV::DeviceArg(), netlist);
    view.resize(1200, 800);
    view.show();
    QApplication::processEvents();
    ZEL::DFFSetWidget *table = view.enableSetPage()->dffTable();

    const Run first = addThroughFinder(table);
    out << "first pick of " << flipFlops.size() << " flip-flops: " << first.totalMs
        << " ms in all (finder search + select " << first.finderMs << " ms, adding rows "
        << first.totalMs - first.finderMs << " ms), " << first.rows << " rows\n";
    const Run again = addThroughFinder(table);
    out << "same picks again (all duplicates): " << again.totalMs << " ms in all (finder "
        << again.finderMs << " ms, duplicate checks " << again.totalMs - again.finderMs << " ms), "
        << again.rows << " rows\n";
    out.flush();

    qint64 largest = 0;
    int largestCount = 0;
    for (int count : {5000, 10000, 20000}) {
        largest = linearScanBaseline(flipFlops.mid(0, count));
        largestCount = count;
        out << "linear-scan duplicate check, " << count << " picks into plain rows: " << largest
            << " ms\n";
        out.flush();
    }
    const double scale = double(flipFlops.size()) / largestCount;
    out << "linear scan extrapolated to " << flipFlops.size()
        << " picks (quadratic): " << qRound64(largest * scale * scale) << " ms\n";
    return first.rows == flipFlops.size() && again.rows == flipFlops.size() ? 0 : 1;
}
