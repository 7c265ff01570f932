// Removing selected rows the way a user does, on the flip-flop table of a shown view
// ("Clock Setting" tab): select the rows in the table's selection model, trigger
// "Remove" and answer Yes to "Sure to remove?". Cases: all of 100,000 rows, all of
// 10,000 rows, 100 separate runs of 500 rows, and every other row of 100,000 (50,000
// runs). Prints the milliseconds from the action to the relaid-out table, and those
// of undoing it.

#include "bench/BenchSupport.h"
#include "document/ZELView.h"
#include "enable/DFFSetWidget.h"
#include "enable/DffModel.h"
#include "host/dev.h"
#include "host/nlsdata.h"

#include <QAbstractButton>
#include <QAction>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableView>
#include <QUndoStack>

#include <cstdio>

namespace {

struct Case {
    const char *name;
    int rows;
    int period; // the first `run` rows of every `period` rows are selected
    int run;
};

void answerYes()
{
    BenchSupport::answerModal([](QDialog *dialog) {
        if (auto *box = qobject_cast<QMessageBox *>(dialog))
            box->button(QMessageBox::Yes)->click();
        else
            dialog->reject();
    });
}

bool run(const Case &c)
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("bench_top"));
    ZEL::ZELView view(DEV::DeviceArg(QStringLiteral("PX-A")), netlist);
    if (!view.getVoltageInfo())
        return false;
    auto *widget = view.findChild<ZEL::DFFSetWidget *>();
    auto *model = widget ? widget->findChild<ZEL::DffModel *>() : nullptr;
    auto *table = widget ? widget->findChild<QTableView *>() : nullptr;
    if (!model || !table)
        return false;
    model->beginReset();
    for (int i = 0; i < c.rows; ++i) {
        model->rows()->append(new ZEL::DffRecord{
            QStringLiteral("u_core/u_pipe%1/data_reg[%2]").arg(i % 97).arg(i), float(10 + i % 80)});
    }
    model->endReset();
    view.resize(1600, 900);
    view.tabWidget()->setCurrentIndex(2);
    view.show();
    QCoreApplication::processEvents();

    BenchSupport::Stopwatch stopwatch;
    if (c.period == c.run) {
        table->selectAll();
    } else {
        QItemSelection selection;
        for (int row = 0; row < c.rows; row += c.period)
            selection.select(model->index(row, 0),
                             model->index(row + c.run - 1, model->columnCount() - 1));
        table->selectionModel()->select(selection, QItemSelectionModel::Select);
    }
    const double select = stopwatch.wallMs();
    stopwatch.restart();
    answerYes();
    widget->removeAction()->trigger();
    QCoreApplication::processEvents();
    const double remove = stopwatch.wallMs();
    const double removeCpu = stopwatch.cpuMs();
    const int left = model->rowCount();
    stopwatch.restart();
    view.undoStack()->undo();
    QCoreApplication::processEvents();
    const double undo = stopwatch.wallMs();
    std::printf("%-34s select %8.1f ms; remove %9.1f ms wall %9.1f ms CPU (%d rows left); "
                "undo %7.1f ms (%d rows back)\n",
                c.name, select, remove, removeCpu, left, undo, model->rowCount());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::BenchApplication app(argc, argv, QStringLiteral("PX-A"));
    const Case cases[] = {
        {"all of 100,000 rows", 100000, 1, 1},
        {"all of 10,000 rows", 10000, 1, 1},
        {"100 runs of 500 in 100,000 rows", 100000, 1000, 500},
        {"every other row of 100,000", 100000, 2, 1},
    };
    for (const Case &c : cases) {
        if (!run(c))
            return 1;
    }
    return 0;
}
