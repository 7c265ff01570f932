#include "studio/ProblemsPanel.h"
#include "ui_ProblemsPanel.h"

#include "studio/ProblemCheckRunner.h"
#include "studio/ProblemLocator.h"
#include "studio/ProblemsModel.h"
#include "studio/StudioProject.h"
#include "studio/StudioWindow.h"

#include "check/Checker.h"
#include "check/ConfigSnapshot.h"
#include "check/NetlistIndex.h"
#include "check/ViewContents.h"
#include "document/ZELView.h"
#include "enable/BsramSetWidget.h"
#include "enable/ClockEnableSetWidget.h"
#include "enable/DFFSetWidget.h"
#include "enable/PortSetWidget.h"
#include "host/core.h"
#include "host/nlsdata.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMutex>
#include <QMutexLocker>
#include <QSortFilterProxyModel>
#include <QTimer>

namespace Studio {

namespace {

const QString StatusEvent = QStringLiteral("TE.Process.Status.Change");
const QString DeviceEvent = QStringLiteral("TE.Device.Change");
// Pause after the last edit before the unsaved state is checked again.
constexpr int EditPauseMs = 400;
// The checks of the file's own form open it in a headless editor on the GUI thread;
// larger files get the row checks only, which run on the worker thread.
constexpr qint64 FileFormCheckLimit = 1 << 20;

bool isFileFormCheck(const QString &check)
{
    return check == QLatin1String("not-a-config") || check == QLatin1String("normalized") ||
           check == QLatin1String("save-refused");
}

QString severityPattern(ProblemsPanel::Filter filter)
{
    switch (filter) {
    case ProblemsPanel::ErrorsOnly:
        return QStringLiteral("^0$");
    case ProblemsPanel::ErrorsAndWarnings:
        return QStringLiteral("^[01]$");
    case ProblemsPanel::WarningsOnly:
        return QStringLiteral("^1$");
    case ProblemsPanel::NotesOnly:
        return QStringLiteral("^2$");
    default:
        return {};
    }
}

} // namespace

// The project's netlist and its name index, read on the worker thread and kept for
// the checks that follow until the file changes on disk.
class DesignCache {
public:
    struct Design {
        std::shared_ptr<const NlsData::Netlist> netlist;
        std::shared_ptr<const VepCheck::NetlistIndex> index;
    };

    // `cells`: the project's cell library, which decides what the netlist's cells are.
    Design get(const QString &path, const QString &cells)
    {
        const QFileInfo info(path);
        const qint64 size = info.exists() ? info.size() : -1;
        const QDateTime modified = info.lastModified();
        QMutexLocker locker(&m_mutex);
        if (path != m_path || cells != m_cells || size != m_size || modified != m_modified ||
            m_stale) {
            m_path = path;
            m_cells = cells;
            m_size = size;
            m_modified = modified;
            m_stale = false;
            m_design = Design();
            if (!path.isEmpty() && size >= 0) {
                if (NlsData::Netlist *netlist = NlsData::readNetlistFile(path, nullptr, true)) {
                    m_design.netlist.reset(netlist);
                    m_design.index = std::make_shared<VepCheck::NetlistIndex>(*netlist);
                }
            }
        }
        return m_design;
    }
    // A synthesis run may rewrite the file within the same second and at the same size.
    void invalidate()
    {
        QMutexLocker locker(&m_mutex);
        m_stale = true;
    }

private:
    QMutex m_mutex;
    QString m_path;
    QString m_cells;
    qint64 m_size = -1;
    QDateTime m_modified;
    bool m_stale = true;
    Design m_design;
};

ProblemsPanel::ProblemsPanel(StudioWindow *window)
    : QDockWidget(window), ui(new Ui::ProblemsPanel), m_window(window),
      m_model(new ProblemsModel(this)), m_proxy(new QSortFilterProxyModel(this)),
      m_runner(new ProblemCheckRunner(this)), m_editPause(new QTimer(this)),
      m_design(std::make_shared<DesignCache>())
{
    ui->setupUi(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(ProblemsModel::SortRole);
    m_proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_proxy->setFilterRole(ProblemsModel::SortRole);
    m_proxy->setFilterKeyColumn(ProblemsModel::SeverityColumn);
    ui->problemsView->setModel(m_proxy);
    ui->problemsView->sortByColumn(ProblemsModel::SeverityColumn, Qt::AscendingOrder);
    QHeaderView *header = ui->problemsView->horizontalHeader();
    header->resizeSection(ProblemsModel::SeverityColumn, 90);
    header->resizeSection(ProblemsModel::MessageColumn, 800);
    header->resizeSection(ProblemsModel::SectionColumn, 120);
    header->resizeSection(ProblemsModel::NameColumn, 220);
    ui->problemsView->verticalHeader()->setDefaultSectionSize(
        ui->problemsView->fontMetrics().height() + 6);
    m_editPause->setSingleShot(true);
    m_editPause->setInterval(EditPauseMs);

    connect(m_runner, &ProblemCheckRunner::finished, this, &ProblemsPanel::onCheckFinished);
    connect(m_editPause, &QTimer::timeout, this, &ProblemsPanel::refresh);
    connect(ui->problemsView, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { goToProblem(index.row()); });
    connect(ui->problemsView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ProblemsPanel::updateActions);
    connect(ui->severityFilter, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { setFilter(Filter(index)); });
    connect(ui->replaceButton, &QAbstractButton::clicked, this,
            [this]() { replaceWithSuggestion(ui->problemsView->currentIndex().row()); });
    connect(ui->applyAllButton, &QAbstractButton::clicked, this,
            &ProblemsPanel::applyAllSuggestions);
    connect(ui->removeStaleButton, &QAbstractButton::clicked, this,
            &ProblemsPanel::removeStaleRows);

    Core::ViewManager *views = Core::ViewManager::instance();
    connect(views, &Core::ViewManager::viewActiveted, this,
            [this](Core::IView *view) { bindView(qobject_cast<ZEL::ZELView *>(view)); });
    connect(views, &Core::ViewManager::viewClosed, this,
            [this, views]() { bindView(qobject_cast<ZEL::ZELView *>(views->currentView())); });
    QUtil::EventManager::instance()->subscribe(this, StatusEvent);
    QUtil::EventManager::instance()->subscribe(this, DeviceEvent);

    bindView(qobject_cast<ZEL::ZELView *>(views->currentView()));
}

ProblemsPanel::~ProblemsPanel()
{
    delete ui;
}

void ProblemsPanel::refresh()
{
    m_editPause->stop();
    ZEL::ZELView *view = m_view;
    m_fileFindings.clear();
    if (!view) {
        m_pendingSource = NoFile;
        m_runner->request([]() { return ProblemCheckRunner::Diagnostics(); });
        return;
    }

    VepCheck::DesignContext context;
    context.device = m_window->device();
    if (const StudioProject *project = m_window->project()) {
        context.projectDir = project->directory();
        context.netlistPath = project->netlistPath();
        context.cellLibraryPath = project->cellLibraryPath();
    }

    m_pendingSource = view->isModified() ? UnsavedState : SavedFile;
    const QFileInfo disk(view->file());
    if (m_pendingSource == SavedFile && disk.size() <= FileFormCheckLimit) {
        // Switching back and forth between views must not open the same file again.
        const QString key = QStringLiteral("%1|%2|%3|%4")
                                .arg(disk.absoluteFilePath())
                                .arg(disk.size())
                                .arg(disk.lastModified().toMSecsSinceEpoch())
                                .arg(context.device);
        if (key != m_fileFormKey) {
            m_fileFormKey = key;
            m_fileFormFindings.clear();
            // The netlist is left out: the row checks that need it run on the worker.
            const QList<VepCheck::Diagnostic> found =
                VepCheck::Checker::checkFile(view->file(), context, nullptr);
            for (const VepCheck::Diagnostic &diagnostic : found) {
                if (isFileFormCheck(diagnostic.check))
                    m_fileFormFindings.append(diagnostic);
            }
        }
        m_fileFindings = m_fileFormFindings;
    }
    // Only copying the view's records needs the GUI thread; writing them out, reading that
    // back into a snapshot (and finding each row's line on disk) happens on the worker with
    // the checks.
    const VepCheck::ViewContents contents = VepCheck::ViewContents::take(*view);
    const QString file = view->file();
    const QString top = view->getNetlist() ? view->getNetlist()->topModuleName() : QString();
    const std::shared_ptr<DesignCache> design = m_design;
    m_runner->request([contents, file, top, design, context]() {
        VepCheck::ConfigSnapshot snapshot =
            VepCheck::ConfigSnapshot::fromWrittenForm(contents.writtenForm(), file);
        snapshot.topModule = top;
        const DesignCache::Design data = design->get(context.netlistPath, context.cellLibraryPath);
        return VepCheck::Checker::checkSnapshot(snapshot, context, data.netlist.get(),
                                                data.index.get())
            .toVector();
    });
}

void ProblemsPanel::waitUntilIdle()
{
    m_runner->waitUntilIdle();
}

ZEL::ZELView *ProblemsPanel::currentView() const
{
    return m_view;
}

int ProblemsPanel::count() const
{
    return m_model->rowCount();
}

QTableView *ProblemsPanel::problemsView() const
{
    return ui->problemsView;
}

void ProblemsPanel::setFilter(Filter filter)
{
    if (ui->severityFilter->currentIndex() != filter)
        ui->severityFilter->setCurrentIndex(filter);
    m_proxy->setFilterRegularExpression(severityPattern(filter));
    updateTitle();
}

bool ProblemsPanel::goToProblem(int row)
{
    const VepCheck::Diagnostic *diagnostic = diagnosticAt(row);
    return diagnostic && ProblemLocator::show(m_view, *diagnostic);
}

ProblemFixer::Outcome ProblemsPanel::replaceWithSuggestion(int row)
{
    const VepCheck::Diagnostic *diagnostic = diagnosticAt(row);
    if (!diagnostic || !ProblemFixer::hasSuggestion(*diagnostic))
        return {};
    const VepCheck::Diagnostic one = *diagnostic;
    return runFix([this, &one]() { return ProblemFixer::applySuggestions(m_view, {one}); });
}

ProblemFixer::Outcome ProblemsPanel::applyAllSuggestions()
{
    return runFix(
        [this]() { return ProblemFixer::applySuggestions(m_view, m_model->diagnostics()); });
}

ProblemFixer::Outcome ProblemsPanel::removeStaleRows()
{
    return runFix(
        [this]() { return ProblemFixer::removeStaleRows(m_view, m_model->diagnostics()); });
}

void ProblemsPanel::handleIEvent(const QUtil::IEvent *event)
{
    if (!event)
        return;
    if (event->type() == StatusEvent) {
        if (event->get(QStringLiteral("process")).toString() != QLatin1String("Process.Syn") ||
            event->get(QStringLiteral("status")).toInt() != 2)
            return;
        m_design->invalidate();
    } else if (event->type() != DeviceEvent) {
        return;
    }
    // The bus is still delivering; the views re-read the netlist from the event loop too.
    QTimer::singleShot(0, this, &ProblemsPanel::refresh);
}

void ProblemsPanel::bindView(ZEL::ZELView *view)
{
    if (view == m_view && m_viewLinks)
        return;
    delete m_viewLinks;
    m_viewLinks = new QObject(this);
    m_view = view;
    if (view) {
        connect(view, &ZEL::ZELView::modificationStatusChanged, m_viewLinks,
                [this]() { refresh(); });
        // Edits of the tables while the view is modified: checked once typing pauses.
        const QList<ZEL::RecordTableWidget *> tables{
            ProblemLocator::tableOf(view, QStringLiteral("NetRate")),
            ProblemLocator::tableOf(view, QStringLiteral("SimuFile")),
            ProblemLocator::tableOf(view, QStringLiteral("GlobalEnable")),
            ProblemLocator::tableOf(view, QStringLiteral("PortOutEnable")),
            ProblemLocator::tableOf(view, QStringLiteral("GlobalBsram")),
            ProblemLocator::tableOf(view, QStringLiteral("LocalEnable"))};
        const auto pause = [this]() { m_editPause->start(); };
        for (const ZEL::RecordTableWidget *table : tables) {
            const QAbstractItemModel *model = table->recordModel();
            connect(model, &QAbstractItemModel::dataChanged, m_viewLinks, pause);
            connect(model, &QAbstractItemModel::modelReset, m_viewLinks, pause);
            connect(model, &QAbstractItemModel::rowsRemoved, m_viewLinks, pause);
        }
    }
    refresh();
}

void ProblemsPanel::onCheckFinished(quint64, const QVector<VepCheck::Diagnostic> &diagnostics)
{
    m_source = m_pendingSource;
    m_model->setDiagnostics(m_fileFindings + diagnostics);
    const QString file = m_view ? QFileInfo(m_view->file()).fileName() : QString();
    switch (m_source) {
    case NoFile:
        ui->sourceLabel->setText(tr("No configuration file is open."));
        break;
    case SavedFile:
        ui->sourceLabel->setText(tr("%1 as saved on disk").arg(file));
        break;
    case UnsavedState:
        ui->sourceLabel->setText(tr("%1 with unsaved changes").arg(file));
        break;
    }
    updateTitle();
    updateActions();
    emit updated();
}

ProblemFixer::Outcome ProblemsPanel::runFix(const std::function<ProblemFixer::Outcome()> &fix)
{
    if (!m_view)
        return {};
    const ProblemFixer::Outcome outcome = fix();
    // The fixed rows leave the list once the view's new state has been checked.
    if (outcome.changed > 0 || outcome.skipped > 0)
        refresh();
    return outcome;
}

void ProblemsPanel::updateTitle()
{
    const int all = m_model->rowCount();
    const int shown = m_proxy->rowCount();
    setWindowTitle(shown == all ? tr("Problems (%1)").arg(all)
                                : tr("Problems (%1 of %2)").arg(shown).arg(all));
}

void ProblemsPanel::updateActions()
{
    const QVector<VepCheck::Diagnostic> &all = m_model->diagnostics();
    const bool anySuggestion = std::any_of(all.cbegin(), all.cend(), &ProblemFixer::hasSuggestion);
    const bool anyStale = std::any_of(all.cbegin(), all.cend(), &ProblemFixer::isStaleName);
    const VepCheck::Diagnostic *current = diagnosticAt(ui->problemsView->currentIndex().row());
    ui->replaceButton->setEnabled(current && ProblemFixer::hasSuggestion(*current));
    ui->applyAllButton->setEnabled(anySuggestion);
    ui->removeStaleButton->setEnabled(anyStale);
}

const VepCheck::Diagnostic *ProblemsPanel::diagnosticAt(int row) const
{
    const QModelIndex index = m_proxy->index(row, 0);
    return index.isValid() ? m_model->diagnostic(m_proxy->mapToSource(index).row()) : nullptr;
}

} // namespace Studio
