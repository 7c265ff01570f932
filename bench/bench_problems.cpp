// The Problems panel of vep-studio at scale: listing 10,000 diagnostics (model reset,
// sort, the table painted), and "Apply all suggestions" for 10,000 stale flip-flop
// rows among 100,000 in a shown view, with the diagnostics found by the real checks
// against a netlist of 100,000 flip-flops after a re-synthesis renamed 10,000 of them.

#include "bench/BenchSupport.h"
#include "check/Checker.h"
#include "check/ConfigSnapshot.h"
#include "check/NetlistIndex.h"
#include "check/ViewContents.h"
#include "document/ZELView.h"
#include "enable/DFFSetWidget.h"
#include "enable/ZELEnableSetWidget.h"
#include "host/nlsdata.h"
#include "studio/ProblemFixer.h"
#include "studio/ProblemsModel.h"
#include "studio/ProblemsPanel.h"
#include "studio/StudioWindow.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QUndoStack>

#include <cstdio>

namespace {

constexpr int listed = 10000;
constexpr int tableRows = 100000;
constexpr int staleRows = 10000;

QVector<VepCheck::Diagnostic> manyDiagnostics()
{
    QVector<VepCheck::Diagnostic> list;
    list.reserve(listed);
    for (int i = 0; i < listed; ++i) {
        VepCheck::Diagnostic d;
        d.severity = VepCheck::Severity(i % 3);
        d.check = i % 3 ? QStringLiteral("stale-name") : QStringLiteral("activity-missing");
        d.section = QStringLiteral("LocalEnable");
        d.name = QStringLiteral("u_core%1/q%2").arg(i % 8).arg(i);
        d.message = QStringLiteral("flip-flop enable row names %1, which the netlist does not have")
                        .arg(d.name);
        d.suggestion = d.name + QStringLiteral("_reg");
        list.append(d);
    }
    return list;
}

void benchListing()
{
    Studio::StudioWindow window;
    window.resize(1600, 900);
    window.show();
    QApplication::processEvents();
    Studio::ProblemsPanel *panel = window.problemsPanel();
    auto *proxy = static_cast<QSortFilterProxyModel *>(panel->problemsView()->model());
    auto *model = static_cast<Studio::ProblemsModel *>(proxy->sourceModel());
    const QVector<VepCheck::Diagnostic> diagnostics = manyDiagnostics();
    BenchSupport::Time shown;
    for (int round = 0; round < 5; ++round) {
        model->setDiagnostics({});
        QApplication::processEvents();
        const BenchSupport::Stopwatch stopwatch;
        model->setDiagnostics(diagnostics);
        panel->problemsView()->viewport()->repaint();
        shown.keepBest({stopwatch.wallMs(), stopwatch.cpuMs()});
    }
    const BenchSupport::Time sorted = BenchSupport::bestOf(5, [&]() {
        panel->problemsView()->sortByColumn(Studio::ProblemsModel::MessageColumn,
                                            Qt::DescendingOrder);
        panel->problemsView()->viewport()->repaint();
        panel->problemsView()->sortByColumn(Studio::ProblemsModel::SeverityColumn,
                                            Qt::AscendingOrder);
    });
    std::printf("list %d problems (reset, sort by severity, paint): %.1f ms wall, %.1f ms CPU "
                "(goal < 200 ms)\n",
                listed, shown.wall, shown.cpu);
    std::printf("re-sort them by message and back, painted:          %.1f ms wall, %.1f ms CPU\n",
                sorted.wall, sorted.cpu);
}

// Flip-flops r<i>_reg; the file's last 10,000 rows still use the old names r<i>.
QByteArray configFile()
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n<LocalEnable>\n";
    for (int i = 0; i < tableRows; ++i) {
        text += "<Instance name=\"u_core/r" + QByteArray::number(i) +
                (i < tableRows - staleRows ? "_reg" : "") + "\" value=\"50\"/>\n";
    }
    return text + "</LocalEnable>\n</Config>\n";
}

NlsData::Netlist *renamedNetlist()
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    for (int i = 0; i < tableRows; ++i)
        netlist->addPrimitive(QStringLiteral("u_core/r%1_reg").arg(i), NlsData::CategoryFlipFlop,
                              0);
    return netlist;
}

bool benchApplyAll(const QString &path)
{
    double best = 1e12, bestRemove = 1e12, bestUndo = 1e12, checkMs = 0;
    double viewWrittenMs = 1e12, copyMs = 1e12, copyWrittenMs = 1e12;
    int renamed = 0, suggested = 0, removed = 0;
    for (int round = 0; round < 3; ++round) {
        for (const bool remove : {false, true}) {
            ZEL::ZELView view(DEV::DeviceArg(DEV::DeviceDatabase::instance()->devices().value(0)),
                              renamedNetlist());
            if (!view.readCfgFile(path))
                return false;
            view.resize(1600, 900);
            view.show();
            view.tabWidget()->setCurrentIndex(2);
            QApplication::processEvents();
            // The view's own writing, all on the GUI thread.
            const BenchSupport::Stopwatch viewWritten;
            const QByteArray fromView = VepCheck::ConfigSnapshot::writtenForm(view);
            viewWrittenMs = std::min(viewWrittenMs, viewWritten.wallMs());
            // The panel copies the records on the GUI thread, then writes and checks them on
            // a worker.
            const BenchSupport::Stopwatch copy;
            const VepCheck::ViewContents contents = VepCheck::ViewContents::take(view);
            copyMs = std::min(copyMs, copy.wallMs());
            const BenchSupport::Stopwatch check;
            const QByteArray written = contents.writtenForm();
            copyWrittenMs = std::min(copyWrittenMs, check.wallMs());
            if (written != fromView)
                return false;
            const double snapshotMs = check.wallMs();
            const VepCheck::ConfigSnapshot snapshot =
                VepCheck::ConfigSnapshot::fromWrittenForm(written, view.file());
            const VepCheck::NetlistIndex index(*view.getNetlist());
            const QVector<VepCheck::Diagnostic> found =
                VepCheck::Checker::checkSnapshot(snapshot, {}, view.getNetlist(), &index)
                    .toVector();
            checkMs = check.wallMs() - snapshotMs;
            suggested = int(
                std::count_if(found.cbegin(), found.cend(), &Studio::ProblemFixer::hasSuggestion));
            const BenchSupport::Stopwatch fix;
            if (remove) {
                BenchSupport::answerModal([](QDialog *box) {
                    static_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click();
                });
                removed = Studio::ProblemFixer::removeStaleRows(&view, found).changed;
                view.repaint();
                bestRemove = std::min(bestRemove, fix.wallMs());
            } else {
                renamed = Studio::ProblemFixer::applySuggestions(&view, found).changed;
                view.repaint();
                best = std::min(best, fix.wallMs());
                const BenchSupport::Stopwatch undo;
                view.undoStack()->undo();
                view.repaint();
                bestUndo = std::min(bestUndo, undo.wallMs());
            }
            view.setModified(false);
        }
    }
    std::printf("GUI thread part of a refresh, copy of the view's records: %.1f ms "
                "(writing the view itself there instead: %.1f ms)\n",
                copyMs, viewWrittenMs);
    std::printf("on the worker: written form of the copy %.0f ms (same bytes as the view's); "
                "snapshot and check of %d rows against %d flip-flops (index included): "
                "%d suggestions, %.0f ms\n",
                copyWrittenMs, tableRows, tableRows, suggested, checkMs);
    std::printf("apply all suggestions: %d of %d stale rows renamed in %.1f ms wall "
                "(goal < 1000 ms)\n",
                renamed, staleRows, best);
    std::printf("undo of that step: %.1f ms wall\n", bestUndo);
    std::printf("remove rows not in the netlist: %d rows in %.1f ms wall (confirmation included)\n",
                removed, bestRemove);
    return renamed == staleRows;
}

} // namespace

int main(int argc, char *argv[])
{
    BenchSupport::BenchApplication app(argc, argv,
                                       DEV::DeviceDatabase::instance()->devices().value(0));
    benchListing();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.vep"));
    if (!BenchSupport::writeBytes(path, configFile()))
        return 1;
    return benchApplyAll(path) ? 0 : 1;
}
