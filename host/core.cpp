#include "host/core.h"

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QStyle>
#include <QTabWidget>

namespace Core {

// ---------------------------------------------------------------------------- IView

IView::IView(QWidget *parent) : QWidget(parent)
{}

IView::~IView() = default;

void IView::setShortTitle(const QString &title)
{
    if (title == m_shortTitle)
        return;
    m_shortTitle = title;
    emit shortTitleChanged(title);
}

QString IView::shortTitle() const
{
    return m_shortTitle;
}

void IView::onActivated()
{}

void IView::onDeactivated()
{}

// ---------------------------------------------------------------------- ActionManager

namespace {

class CommandEntry final : public Command {
public:
    QString id() const override { return m_id; }
    QAction *action() const override { return proxy; }

    QString m_id;
    QAction *proxy = nullptr;
    // Per context, every action registered there; the latest one still alive wins.
    QHash<QString, QList<QPointer<QAction>>> actions;
    bool attached = false;
    QString baseText;
    QString baseToolTip;
    QPointer<QObject> guardOwner;
    std::function<bool()> guard;
};

// Lives as long as the process: the proxies are the IDE's global commands.
class ActionRegistry : public QObject {
public:
    static ActionRegistry *instance()
    {
        static ActionRegistry *registry = new ActionRegistry;
        return registry;
    }

    CommandEntry *entry(const QString &id)
    {
        CommandEntry *&slot = m_commands[id];
        if (!slot) {
            slot = new CommandEntry;
            slot->m_id = id;
            slot->proxy = new QAction(id, this);
            slot->proxy->setEnabled(false);
            connect(slot->proxy, &QAction::triggered, this, [this, id]() {
                const CommandEntry *command = m_commands.value(id);
                QAction *action = target(command);
                if (!action || !action->isEnabled())
                    return;
                if (command->guardOwner && command->guard && !command->guard())
                    return;
                action->trigger();
            });
        }
        return slot;
    }

    void registerAction(QAction *action, const QString &id, const QString &context)
    {
        CommandEntry *command = entry(id);
        QList<QPointer<QAction>> &list = command->actions[context];
        if (!list.contains(action))
            list.append(action);
        connect(action, &QAction::changed, this, [this, id]() { update(id); });
        connect(action, &QObject::destroyed, this, [this, id]() { update(id); });
        update(id);
    }

    void updateAll()
    {
        for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it)
            update(it.key());
    }

private:
    ActionRegistry()
    {
        connect(ViewManager::instance(), &ViewManager::viewActiveted, this,
                [this]() { updateAll(); });
    }

    static QAction *target(const CommandEntry *command)
    {
        if (!command)
            return nullptr;
        ViewManager *views = ViewManager::instance();
        IView *view = views->currentView();
        if (!view)
            return nullptr;
        const QList<QPointer<QAction>> list = command->actions.value(views->contextOf(view));
        for (auto it = list.crbegin(); it != list.crend(); ++it) {
            if (*it)
                return it->data();
        }
        return nullptr;
    }

    void update(const QString &id)
    {
        CommandEntry *command = m_commands.value(id);
        if (!command)
            return;
        QAction *proxy = command->proxy;
        QAction *action = target(command);
        if (!action) {
            // Give back what the shell set on its command while nothing drove it.
            if (command->attached) {
                command->attached = false;
                proxy->setText(command->baseText);
                proxy->setToolTip(command->baseToolTip);
            }
            proxy->setEnabled(false);
            return;
        }
        if (!command->attached) {
            command->attached = true;
            command->baseText = proxy->text();
            command->baseToolTip = proxy->toolTip();
        }
        proxy->setText(action->text());
        proxy->setToolTip(action->toolTip());
        proxy->setEnabled(action->isEnabled());
    }

    QHash<QString, CommandEntry *> m_commands;
};

} // namespace

Command::~Command() = default;

Command *ActionManager::registerAction(QAction *action, const QString &id, const QString &context)
{
    ActionRegistry *registry = ActionRegistry::instance();
    if (action)
        registry->registerAction(action, id, context);
    return registry->entry(id);
}

QAction *ActionManager::command(const QString &id)
{
    return ActionRegistry::instance()->entry(id)->proxy;
}

void ActionManager::setCommandGuard(const QString &id, QObject *owner, std::function<bool()> guard)
{
    CommandEntry *command = ActionRegistry::instance()->entry(id);
    command->guardOwner = owner;
    command->guard = std::move(guard);
}

// ------------------------------------------------------------------------ ViewManager

class ViewManagerPrivate {
public:
    QPointer<QTabWidget> area;
    QPointer<IView> current;
    QPointer<QWidget> dialogParent;
    QHash<const QObject *, QString> contexts;
    QSet<const IView *> closing;
};

namespace {

QPointer<QTabWidget> g_parentlessArea;

// The view area is a widget and must go before QApplication does; the shell usually
// reparents it into its main window, which then owns it.
void deleteParentlessArea()
{
    if (g_parentlessArea && !g_parentlessArea->parent())
        delete g_parentlessArea.data();
}

} // namespace

ViewManager::ViewManager(QObject *parent) : QObject(parent), d(new ViewManagerPrivate)
{}

ViewManager::~ViewManager()
{
    delete d;
}

ViewManager *ViewManager::instance()
{
    // Never destroyed: views and plug-in objects may still reach it during exit.
    static ViewManager *manager = new ViewManager;
    return manager;
}

QTabWidget *ViewManager::viewArea() const
{
    if (!d->area) {
        auto *area = new QTabWidget;
        area->setObjectName(QStringLiteral("viewArea"));
        area->setTabsClosable(true);
        area->setMovable(true);
        area->setDocumentMode(true);
        d->area = area;
        g_parentlessArea = area;
        qAddPostRoutine(deleteParentlessArea);

        ViewManager *self = const_cast<ViewManager *>(this);
        connect(area, &QTabWidget::currentChanged, self, [self]() { self->updateCurrent(); });
        connect(area, &QTabWidget::tabCloseRequested, self, [self, area](int index) {
            if (auto *view = qobject_cast<IView *>(area->widget(index)))
                self->closeView(view);
        });
    }
    return d->area;
}

void ViewManager::updateCurrent()
{
    IView *now = d->area ? qobject_cast<IView *>(d->area->currentWidget()) : nullptr;
    // Removing a tab left of the current one changes the index, not the view.
    if (now == d->current.data())
        return;
    QPointer<IView> previous = d->current;
    d->current = now;
    if (previous)
        previous->onDeactivated();
    if (now)
        now->onActivated();
    emit viewActiveted(now);
}

void ViewManager::showView(IView *view)
{
    if (!view)
        return;
    QTabWidget *area = viewArea();
    if (area->indexOf(view) < 0) {
        area->addTab(view, view->shortTitle());
        connect(view, &IView::shortTitleChanged, this, [this, view](const QString &title) {
            if (d->area) {
                const int index = d->area->indexOf(view);
                if (index >= 0)
                    d->area->setTabText(index, title);
            }
        });
    }
    area->setCurrentWidget(view);
}

bool ViewManager::closeView(IView *view)
{
    // A view asking to be closed again from its own close handling is already on its
    // way out; reporting it twice would make listeners forget it twice.
    if (!view || d->closing.contains(view))
        return false;
    QPointer<IView> guard(view);
    d->closing.insert(view);
    const bool accepted = view->close();
    d->closing.remove(view);
    // A view that deleted itself on close has already left the view area.
    if (!accepted || !guard)
        return accepted;
    if (d->area) {
        const int index = d->area->indexOf(view);
        if (index >= 0)
            d->area->removeTab(index);
    }
    disconnect(view, &IView::shortTitleChanged, this, nullptr);
    emit viewClosed(view);
    view->deleteLater();
    return true;
}

void ViewManager::registerContext(QWidget *widget, const QString &context, bool)
{
    if (!widget)
        return;
    if (!d->contexts.contains(widget)) {
        connect(widget, &QObject::destroyed, this,
                [this](QObject *object) { d->contexts.remove(object); });
    }
    d->contexts.insert(widget, context);
    // The widget may be the current view already; its commands follow the new context.
    ActionRegistry::instance()->updateAll();
}

QString ViewManager::contextOf(const QWidget *widget) const
{
    return d->contexts.value(widget);
}

QWidget *ViewManager::dialogParent() const
{
    return d->dialogParent;
}

void ViewManager::setDialogParent(QWidget *w)
{
    d->dialogParent = w;
}

IView *ViewManager::currentView() const
{
    return d->current;
}

QList<IView *> ViewManager::views() const
{
    QList<IView *> result;
    if (!d->area)
        return result;
    for (int i = 0; i < d->area->count(); ++i) {
        if (auto *view = qobject_cast<IView *>(d->area->widget(i)))
            result.append(view);
    }
    return result;
}

// ------------------------------------------------------------------------- wizards

IWizardFactory::IWizardFactory() = default;

IWizardFactory::~IWizardFactory() = default;

QIcon IWizardFactory::icon() const
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QIcon();
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

IFileWizardFactory::IFileWizardFactory() = default;

IFileWizardFactory::~IFileWizardFactory() = default;

// ------------------------------------------------------------------------- projects

IProject::IProject(QObject *parent) : QObject(parent)
{}

IProject::~IProject() = default;

namespace {
QPointer<IProject> g_currentProject;
}

IProject *ProjectManager::currentProject()
{
    return g_currentProject;
}

void ProjectManager::setCurrentProject(IProject *project)
{
    g_currentProject = project;
}

} // namespace Core
