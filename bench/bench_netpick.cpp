// Picking 100,000 nets at once from a 1,000,000-net design into the net rate table:
// the host's net search dialog, then the table's add procedure with its duplicate
// check against the rows already listed. Prints wall-clock figures, and for
// comparison what a duplicate check by linear scan (one containsName() per pick)
// costs on the same table.

#include "bench/BenchSupport.h"
#include "document/ZELView.h"
#include "host/dev.h"
#include "host/nlsdata.h"
#include "rate/RateTableView.h"
#include "rate/RateWidget.h"
#include "rate/ZELRateWidget.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QItemSelectionModel>

#include <cstdio>

namespace {

constexpr int NetCount = 1000000;
constexpr int PickCount = 100000;
// Every fifth of the picked nets is listed before the pick, so the check skips some.
constexpr int ListedStep = 5;
constexpr int BaselineSample = 2000;

// Answers the net search dialog as a user picking the first `count` rows would.
void pickFirstRows(int count)
{
    BenchSupport::answerModal([count](QDialog *dialog) {
        auto *list = dialog->findChild<QAbstractItemView *>(QStringLiteral("listWidget"));
        QAbstractItemModel *model = list->model();
        list->selectionModel()->select(
            QItemSelection(model->index(0, 0), model->index(count - 1, 0)),
            QItemSelectionModel::Select);
        dialog->accept();
    });
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::BenchApplication app(argc, argv);

    BenchSupport::Stopwatch timer;
    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    for (int i = 0; i < NetCount; ++i)
        netlist->addNet(QStringLiteral("u_blk%1/data_%2").arg(i / 1000).arg(i % 1000));
    std::printf("netlist: %d nets built in %.0f ms\n", NetCount, timer.wallMs());

    ZEL::ZELView view(DEV::DeviceArg(), netlist);
    ZEL::RateTableView *table = view.ratePage()->rateWidget()->netTable();
    const QList<NlsData::Net *> &nets = netlist->allNets();
    QList<NlsData::Net *> listed;
    for (int i = 0; i < PickCount; i += ListedStep)
        listed.append(nets.at(i));
    table->addNets(listed);
    const int rowsBefore = table->items().size();

    // The baseline runs first, on the table as the pick finds it: a linear scan
    // compares each pick with every row up to a match.
    timer.restart();
    int found = 0;
    for (int i = 1; i < BaselineSample * ListedStep; i += ListedStep)
        found += table->containsName(nets.at(i)->path()) ? 1 : 0;
    const double sampleMs = timer.wallMs();
    const double perRowNs = sampleMs * 1e6 / (double(BaselineSample) * rowsBefore);
    // A full run by linear scan: each new pick scans the whole, growing table, each
    // listed pick half of it on average.
    double scannedRows = 0;
    int rows = rowsBefore;
    for (int i = 0; i < PickCount; ++i) {
        if (i % ListedStep == 0) {
            scannedRows += rows / 2.0;
        } else {
            scannedRows += rows;
            ++rows;
        }
    }

    timer.restart();
    pickFirstRows(PickCount);
    const QList<NlsData::Net *> picks = NlsData::FindNetDialog::getList(nets, table);
    const double dialogMs = timer.wallMs();

    timer.restart();
    const int added = table->addNets(picks);
    const double addMs = timer.wallMs();

    std::printf("net search dialog over %d nets, %d rows picked: %.0f ms\n", NetCount,
                int(picks.size()), dialogMs);
    std::printf("add with hashed duplicate check: %d picks against %d rows, %d added "
                "(%d rows now) in %.0f ms\n",
                int(picks.size()), rowsBefore, added, int(table->items().size()), addMs);
    std::printf("linear-scan baseline: %d containsName() calls on %d rows took %.0f ms "
                "(%.2f ns per row compared, %d found)\n",
                BaselineSample, rowsBefore, sampleMs, perRowNs, found);
    std::printf("linear-scan baseline, estimated for the same %d picks: %.0f s\n",
                int(picks.size()), scannedRows * perRowNs / 1e9);
    return added == PickCount - PickCount / ListedStep ? 0 : 1;
}
