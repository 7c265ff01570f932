#pragma once

// The Problems panel of the shell: what the configuration checker finds in the
// current configuration file, live. It shows the file as saved on disk while the view
// is unmodified and the view's unsaved state once it is edited, and says which. It is
// refreshed when a file is opened or saved, when the netlist is read again after
// synthesis, when the device changes and when the user switches views; the checks run
// on a worker thread. A double click goes to the row or control concerned, and the
// fixes for names a re-synthesis made stale edit the view like any edit.

#include "studio/ProblemFixer.h"

#include "check/Diagnostic.h"
#include "host/qutil.h"

#include <QDockWidget>
#include <QPointer>
#include <QVector>

#include <functional>
#include <memory>

class QModelIndex;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace ZEL {
class ZELView;
}

namespace Studio {

namespace Ui {
class ProblemsPanel;
}

class DesignCache;
class ProblemCheckRunner;
class ProblemsModel;
class StudioWindow;

class ProblemsPanel : public QDockWidget, public QUtil::IEventHandler {
    Q_OBJECT
public:
    enum Source { NoFile, SavedFile, UnsavedState };
    enum Filter { AllSeverities, ErrorsOnly, ErrorsAndWarnings, WarningsOnly, NotesOnly };

    explicit ProblemsPanel(StudioWindow *window);
    ~ProblemsPanel() override;

    // Checks the current view again (superseding a check still running).
    void refresh();
    // Processes events until the newest check has been shown.
    void waitUntilIdle();

    int count() const;
    Source source() const { return m_source; }
    ZEL::ZELView *currentView() const;
    QTableView *problemsView() const;
    void setFilter(Filter filter);

    // Rows are those of the view (after sorting and filtering).
    const VepCheck::Diagnostic *diagnosticAt(int row) const;
    bool goToProblem(int row);
    ProblemFixer::Outcome replaceWithSuggestion(int row);
    ProblemFixer::Outcome applyAllSuggestions();
    ProblemFixer::Outcome removeStaleRows();

    void handleIEvent(const QUtil::IEvent *event) override;

signals:
    // New diagnostics are shown.
    void updated();

private:
    void bindView(ZEL::ZELView *view);
    void onCheckFinished(quint64 generation, const QVector<VepCheck::Diagnostic> &diagnostics);
    ProblemFixer::Outcome runFix(const std::function<ProblemFixer::Outcome()> &fix);
    void updateTitle();
    void updateActions();

    Ui::ProblemsPanel *ui;
    StudioWindow *m_window = nullptr;
    ProblemsModel *m_model = nullptr;
    QSortFilterProxyModel *m_proxy = nullptr;
    ProblemCheckRunner *m_runner = nullptr;
    QTimer *m_editPause = nullptr;
    QPointer<ZEL::ZELView> m_view;
    // Parent of the connections to the current view's signals; replaced on a switch.
    QObject *m_viewLinks = nullptr;
    std::shared_ptr<DesignCache> m_design;
    // Findings about the file's own form for the newest request, and the last check of a
    // file on disk with what identifies it (path, size, time, device).
    QVector<VepCheck::Diagnostic> m_fileFindings;
    QVector<VepCheck::Diagnostic> m_fileFormFindings;
    QString m_fileFormKey;
    Source m_source = NoFile;
    Source m_pendingSource = NoFile;
};

} // namespace Studio
