// Undo and redo on a configuration file with 100,000 flip-flop rows, the view shown
// on its "Clock Setting" tab: removing every row and undoing and redoing that; 1,000
// single-cell edits undone one by one; and the heap that 1,000 steps take next to the
// heap of the view itself. Prints milliseconds and bytes.

#include "bench/BenchSupport.h"
#include "document/ZELView.h"
#include "enable/DFFSetWidget.h"
#include "enable/DffModel.h"
#include "host/dev.h"
#include "host/nlsdata.h"

#include <QDoubleSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <malloc.h>

namespace {

constexpr int kRows = 100000;
constexpr int kEdits = 1000;
constexpr int kRounds = 5;

QByteArray makeFile()
{
    QByteArray bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n"
                       "    <Version>1.0</Version>\n    <VCC>1</VCC>\n    <VCCX>3.3</VCCX>\n"
                       "    <VCC_LDO>1.8</VCC_LDO>\n    <LocalEnable>\n";
    for (int i = 0; i < kRows; ++i) {
        bytes += "        <Instance name=\"u_core/u_pipe" + QByteArray::number(i % 97) +
                 "/data_reg[" + QByteArray::number(i) + "]\" value=\"" +
                 QByteArray::number(10 + i % 80) + "\"/>\n";
    }
    return bytes + "    </LocalEnable>\n</Config>";
}

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

ZEL::ZELView *openView(const QString &path)
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("bench_top"));
    auto *view = new ZEL::ZELView(DEV::DeviceArg(QStringLiteral("PX-A")), netlist);
    if (!view->getVoltageInfo() || !view->readCfgFile(path)) {
        delete view;
        return nullptr;
    }
    view->resize(1600, 900);
    view->tabWidget()->setCurrentIndex(2);
    view->show();
    QCoreApplication::processEvents();
    return view;
}

ZEL::DffModel *dffModel(ZEL::ZELView *view)
{
    return view->findChild<ZEL::DFFSetWidget *>()->findChild<ZEL::DffModel *>();
}

// Rows 0, 100, 200, ... each get a new value: 1,000 steps that cannot merge.
void editCells(ZEL::DffModel *model, int edits)
{
    for (int i = 0; i < edits; ++i)
        model->setData(model->index((i * 100) % kRows, ZEL::DffModel::ValueColumn),
                       QString::number(50 + i % 40));
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::BenchApplication app(argc, argv, QStringLiteral("PX-A"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dff.vep"));
    if (!BenchSupport::writeBytes(path, makeFile()))
        return 1;
    std::printf("%d flip-flop rows, view shown; best of %d rounds where repeated\n", kRows,
                kRounds);

    // Removing every row as one step, then undoing and redoing it.
    {
        ZEL::ZELView *view = openView(path);
        if (!view)
            return 1;
        ZEL::DffModel *model = dffModel(view);
        const QList<ZEL::DffRecord *> all = *model->rows();
        BenchSupport::Stopwatch stopwatch;
        const int removed = model->removeRecords(all);
        const double remove = stopwatch.wallMs();
        double undo = 1e12;
        double redo = 1e12;
        int restored = 0;
        for (int round = 0; round < kRounds; ++round) {
            stopwatch.restart();
            view->undoStack()->undo();
            QCoreApplication::processEvents();
            undo = std::min(undo, stopwatch.wallMs());
            restored = model->rowCount();
            stopwatch.restart();
            view->undoStack()->redo();
            QCoreApplication::processEvents();
            redo = std::min(redo, stopwatch.wallMs());
        }
        std::printf("remove %d rows (one step): %.1f ms; undo: %.1f ms (%d rows back); "
                    "redo: %.1f ms (%d rows left)\n",
                    removed, remove, undo, restored, redo, model->rowCount());
        delete view;
    }

    // 1,000 single-cell edits, each undone on its own.
    {
        ZEL::ZELView *view = openView(path);
        if (!view)
            return 1;
        ZEL::DffModel *model = dffModel(view);
        editCells(model, kEdits);
        double worst = 0;
        double worstCpu = 0;
        double total = 0;
        int slow = 0;
        BenchSupport::Stopwatch stopwatch;
        while (view->undoStack()->canUndo()) {
            stopwatch.restart();
            view->undoStack()->undo();
            const double ms = stopwatch.wallMs();
            worst = std::max(worst, ms);
            worstCpu = std::max(worstCpu, stopwatch.cpuMs());
            slow += ms > 1 ? 1 : 0;
            total += ms;
        }
        QCoreApplication::processEvents();
        // Wall time on a shared machine includes time slices lost to other processes; the
        // thread's CPU time is what the undo itself costs.
        std::printf("undo of %d single-cell edits one by one: mean %.3f ms, worst %.3f ms wall "
                    "(%d over 1 ms), worst %.3f ms CPU; modified afterwards: %s\n",
                    kEdits, total / kEdits, worst, slow, worstCpu,
                    view->isModified() ? "yes" : "no");
        delete view;
    }

    // Heap: the view with its 100,000 rows, then 1,000 steps on top of it (cell edits,
    // and as many edits of the general page's spin boxes, alternating so none merge).
    {
        const size_t base = heapInUse();
        ZEL::ZELView *view = openView(path);
        if (!view)
            return 1;
        const size_t withView = heapInUse();
        editCells(dffModel(view), kEdits);
        const size_t withCellSteps = heapInUse();
        auto *ambient = view->findChild<QDoubleSpinBox *>(QStringLiteral("spinAmbTemp"));
        auto *board = view->findChild<QDoubleSpinBox *>(QStringLiteral("spinBoardTemp"));
        for (int i = 0; i < kEdits; ++i)
            (i % 2 ? board : ambient)->setValue(20 + i % 50);
        const size_t withAllSteps = heapInUse();
        const double viewBytes = double(withView - base);
        std::printf("heap: view %.1f MB; %d cell steps %.1f kB (%.2f %% of the view); "
                    "%d page steps %.1f kB (%.2f %%); steps held: %d\n",
                    viewBytes / 1e6, kEdits, (withCellSteps - withView) / 1e3,
                    100.0 * double(withCellSteps - withView) / viewBytes, kEdits,
                    (withAllSteps - withCellSteps) / 1e3,
                    100.0 * double(withAllSteps - withCellSteps) / viewBytes,
                    view->undoStack()->count());
        delete view;
    }
    return 0;
}
