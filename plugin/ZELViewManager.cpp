#include "plugin/ZELViewManager.h"

#include "document/ZELView.h"
#include "host/core.h"
#include "host/nlsdata.h"
#include "host/te.h"

#include <QAction>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUndoStack>

namespace ZEL {

namespace {

const char kContext[] = "ZEL.ZELViewManager.Context";
const char kSaveCommand[] = "Core.Action.Save";
const char kUndoCommand[] = "Core.Action.Undo";
const char kRedoCommand[] = "Core.Action.Redo";

QString absoluteForm(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

ZELView *findView(const QList<ZELView *> &views, const QString &absolutePath)
{
    for (ZELView *view : views) {
        if (absoluteForm(view->file()) == absolutePath)
            return view;
    }
    return nullptr;
}

} // namespace

struct ZELViewManagerPrivate {
    QAction *saveAction = nullptr;
    QAction *undoAction = nullptr;
    QAction *redoAction = nullptr;
    ZELView *currentView = nullptr;
    QList<ZELView *> views;
    bool hasCurrentView = false;
};

static ZELViewManagerPrivate *d = nullptr;
static ZELViewManager *m_instance = nullptr;

// Runs when the library is loaded, so that the host may call the static operations
// before the plug-in object has been initialised.
struct ZELViewManagerStatic {
    ZELViewManagerStatic()
    {
        d = new ZELViewManagerPrivate;
        m_instance = new ZELViewManager;
    }
};
static ZELViewManagerStatic s_viewManagerStatic;

ZELViewManager *ZELViewManager::instance()
{
    return m_instance;
}

void ZELViewManager::openView(DEV::DeviceArg device, const QString &path)
{
    if (path.isEmpty())
        return;
    Core::ViewManager *host = Core::ViewManager::instance();
    if (!QFileInfo::exists(path)) {
        QMessageBox::warning(
            host->dialogParent(), tr("Warning"),
            tr("Can not open %1, file does not exist.").arg(QDir::toNativeSeparators(path)),
            QMessageBox::Ok);
        return;
    }

    const QString abs = absoluteForm(path);
    const QList<ZELView *> views = d->views;
    if (ZELView *existing = findView(views, abs)) {
        host->showView(existing);
        return;
    }

    const QString netlistPath =
        TE::TaskEngine::instance()->flowManager()->resultFile(QStringLiteral("RES.netlist"));
    NlsData::Netlist *netlist =
        NlsData::readNetlistFileWithDialog(host->dialogParent(), netlistPath, nullptr, false);
    if (!netlist) {
        QMessageBox::critical(
            host->dialogParent(), tr("Error"),
            tr("Netlist file does not exist or some errors are in the netlist file."),
            QMessageBox::Ok);
        return;
    }

    ZELView *view = createView(device, abs, netlist);
    if (!view)
        return;
    qDebug().nospace() << "Create ZELView: " << view;
    d->views.append(view);
    connect(view, &ZELView::modificationStatusChanged, m_instance,
            &ZELViewManager::onZELViewModified);
    // Every push, merge, undo, redo and clear moves or resets the index.
    connect(view->undoStack(), &QUndoStack::indexChanged, m_instance, [view]() {
        if (d && view == d->currentView)
            m_instance->updateHistoryActions();
    });
    host->registerContext(view, QLatin1String(kContext), true);
    host->showView(view);
}

void ZELViewManager::closeView(const QString &path)
{
    if (path.isEmpty())
        return;
    // A copy: the host may report the view closed while we are still here.
    const QList<ZELView *> views = d->views;
    if (ZELView *view = findView(views, absoluteForm(path)))
        Core::ViewManager::instance()->closeView(view);
}

QList<ZELView *> ZELViewManager::zelViews()
{
    return d->views;
}

void ZELViewManager::onCurrentViewChanged(Core::IView *view)
{
    auto *zelView = qobject_cast<ZELView *>(view);
    if (!zelView) {
        d->hasCurrentView = false;
        if (d->saveAction)
            d->saveAction->setEnabled(false);
        updateHistoryActions();
        return;
    }
    d->currentView = zelView;
    d->hasCurrentView = true;
    updateSaveAction();
    updateHistoryActions();
}

void ZELViewManager::onZELViewClosed(Core::IView *view)
{
    auto *zelView = qobject_cast<ZELView *>(view);
    if (!zelView)
        return;
    d->views.removeAll(zelView);
    if (zelView == d->currentView) {
        d->hasCurrentView = false;
        d->currentView = nullptr;
    }
    updateSaveAction();
    updateHistoryActions();
}

void ZELViewManager::onZELViewModified(bool)
{
    // Only the active view drives the action; the state is read back from it.
    auto *view = qobject_cast<ZELView *>(sender());
    if (view && view == d->currentView)
        updateSaveAction();
}

void ZELViewManager::onActSave()
{
    if (d->currentView && d->currentView->isModified())
        d->currentView->save();
}

void ZELViewManager::onActUndo()
{
    if (d->hasCurrentView && d->currentView)
        d->currentView->undoStack()->undo();
}

void ZELViewManager::onActRedo()
{
    if (d->hasCurrentView && d->currentView)
        d->currentView->undoStack()->redo();
}

ZELViewManager::ZELViewManager() = default;

ZELViewManager::~ZELViewManager() = default;

void ZELViewManager::initialize()
{
    d->saveAction = new QAction(this);
    Core::ActionManager::registerAction(d->saveAction, QLatin1String(kSaveCommand),
                                        QLatin1String(kContext));
    d->saveAction->setEnabled(false);
    connect(d->saveAction, &QAction::triggered, this, &ZELViewManager::onActSave);

    // Kept outside the manager's children, where the save action is its only action;
    // deinit() deletes them.
    d->undoAction = new QAction(tr("Undo"));
    d->redoAction = new QAction(tr("Redo"));
    Core::ActionManager::registerAction(d->undoAction, QLatin1String(kUndoCommand),
                                        QLatin1String(kContext));
    Core::ActionManager::registerAction(d->redoAction, QLatin1String(kRedoCommand),
                                        QLatin1String(kContext));
    d->undoAction->setEnabled(false);
    d->redoAction->setEnabled(false);
    connect(d->undoAction, &QAction::triggered, this, &ZELViewManager::onActUndo);
    connect(d->redoAction, &QAction::triggered, this, &ZELViewManager::onActRedo);

    Core::ViewManager *host = Core::ViewManager::instance();
    connect(host, &Core::ViewManager::viewActiveted, this, &ZELViewManager::onCurrentViewChanged);
    connect(host, &Core::ViewManager::viewClosed, this, &ZELViewManager::onZELViewClosed);
}

void ZELViewManager::deinit()
{
    delete d->undoAction;
    delete d->redoAction;
    delete d;
    d = nullptr;
    m_instance = nullptr;
    delete this;
}

ZELView *ZELViewManager::createView(DEV::DeviceArg device, const QString &path,
                                    NlsData::Netlist *netlist)
{
    QWidget *dialogParent = Core::ViewManager::instance()->dialogParent();
    auto *view = new ZELView(device, netlist);
    if (!view->getVoltageInfo()) {
        QMessageBox::critical(dialogParent, tr("Error"), tr("get Voltage Info Fail."),
                              QMessageBox::Ok);
        delete view;
        return nullptr;
    }
    if (!view->readCfgFile(path)) {
        QMessageBox::critical(
            dialogParent, tr("Error"),
            tr("Can not open %1:\nInvalid VEP file.").arg(QDir::toNativeSeparators(path)),
            QMessageBox::Ok);
        delete view;
        return nullptr;
    }
    return view;
}

void ZELViewManager::updateSaveAction()
{
    if (!d->saveAction)
        return;
    if (!d->hasCurrentView || !d->currentView) {
        d->saveAction->setEnabled(false);
        return;
    }
    const QString title = d->currentView->windowTitle();
    d->saveAction->setText(QStringLiteral("&Save \"%1\"").arg(title));
    d->saveAction->setToolTip(QStringLiteral("Save \"%1\"").arg(title));
    d->saveAction->setEnabled(d->currentView->isModified());
}

void ZELViewManager::updateHistoryActions()
{
    if (!d->undoAction || !d->redoAction)
        return;
    const QUndoStack *stack =
        d->hasCurrentView && d->currentView ? d->currentView->undoStack() : nullptr;
    const bool canUndo = stack && stack->canUndo();
    const bool canRedo = stack && stack->canRedo();
    // The texts name the step: "Undo Ambient Temperature", "Redo Remove 3 Rows".
    d->undoAction->setText(canUndo && !stack->undoText().isEmpty()
                               ? tr("Undo %1").arg(stack->undoText())
                               : tr("Undo"));
    d->redoAction->setText(canRedo && !stack->redoText().isEmpty()
                               ? tr("Redo %1").arg(stack->redoText())
                               : tr("Redo"));
    d->undoAction->setEnabled(canUndo);
    d->redoAction->setEnabled(canRedo);
}

} // namespace ZEL
