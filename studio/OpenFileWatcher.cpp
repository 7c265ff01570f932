#include "studio/OpenFileWatcher.h"

#include "studio/ChangedOnDiskBar.h"

#include "document/ZELView.h"
#include "host/core.h"
#include "host/dev.h"
#include "plugin/ZELViewManager.h"

#include <QAction>
#include <QBoxLayout>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMessageBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

namespace Studio {

namespace {

const QString SaveCommand = QStringLiteral("Core.Action.Save");
// Long enough to span a script or a checkout rewriting a file in several steps, short
// enough not to be noticed.
constexpr int SettleMilliseconds = 400;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

ZEL::ZELView *openViewOf(const QString &path)
{
    ZEL::ZELViewManager *manager = ZEL::ZELViewManager::instance();
    const QList<ZEL::ZELView *> views = manager ? manager->zelViews() : QList<ZEL::ZELView *>();
    for (ZEL::ZELView *view : views) {
        if (view->file() == path)
            return view;
    }
    return nullptr;
}

} // namespace

OpenFileWatcher::OpenFileWatcher(std::function<QString()> device, QObject *parent)
    : QObject(parent), m_device(std::move(device)), m_watcher(new QFileSystemWatcher(this)),
      m_settle(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMilliseconds);
    connect(m_settle, &QTimer::timeout, this, &OpenFileWatcher::checkNow);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &OpenFileWatcher::onFileSystemEvent);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &OpenFileWatcher::onFileSystemEvent);

    Core::ViewManager *views = Core::ViewManager::instance();
    connect(views, &Core::ViewManager::viewActiveted, this, [this]() { syncViews(); });
    connect(views, &Core::ViewManager::viewClosed, this,
            [this](Core::IView *closed) { syncViews(closed); });

    QAction *save = Core::ActionManager::command(SaveCommand);
    Core::ActionManager::setCommandGuard(SaveCommand, this, [this]() { return confirmSave(); });
    // Connected after the host's own routing of the command, so this runs once the
    // plug-in's save has returned.
    connect(save, &QAction::triggered, this, &OpenFileWatcher::onSaveTriggered);
}

void OpenFileWatcher::setSettleDelay(int milliseconds)
{
    m_settle->setInterval(milliseconds);
}

bool OpenFileWatcher::isSettling() const
{
    return m_settle->isActive();
}

QStringList OpenFileWatcher::files() const
{
    return m_entries.keys();
}

ChangedOnDiskBar *OpenFileWatcher::changedBar(const QString &path) const
{
    return m_entries.value(path).bar;
}

void OpenFileWatcher::checkNow()
{
    m_settle->stop();
    // Reloading replaces entries, so each is looked up afresh.
    const QStringList paths = m_entries.keys();
    for (const QString &path : paths) {
        auto it = m_entries.find(path);
        if (it == m_entries.end() || !it->view)
            continue;
        const Stamp now = stampOf(path);
        if (now == it->known)
            continue;
        it->known = now;
        if (!now.exists)
            fileGone(path);
        else if (it->view->isModified())
            showBar(path);
        else
            reload(path, now);
    }
    rearm();
}

OpenFileWatcher::Stamp OpenFileWatcher::stampOf(const QString &path)
{
    // The contents, not size and time: a script may rewrite a file twice within the
    // clock's resolution, and a checkout that rewrites the same bytes changes nothing.
    Stamp stamp;
    QFile file(path);
    stamp.exists = file.exists();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (stamp.exists && file.open(QIODevice::ReadOnly) && hash.addData(&file))
        stamp.digest = hash.result();
    return stamp;
}

void OpenFileWatcher::syncViews(Core::IView *closed)
{
    if (m_reloading)
        return;
    ZEL::ZELViewManager *manager = ZEL::ZELViewManager::instance();
    QList<ZEL::ZELView *> open = manager ? manager->zelViews() : QList<ZEL::ZELView *>();
    open.removeAll(qobject_cast<ZEL::ZELView *>(closed));
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->view && open.contains(it->view)) {
            ++it;
            continue;
        }
        if (it->view)
            disconnect(it->view, nullptr, this, nullptr);
        it = m_entries.erase(it);
    }
    for (ZEL::ZELView *view : qAsConst(open)) {
        if (!m_entries.contains(view->file()))
            watch(view, stampOf(view->file()));
    }
    rearm();
}

void OpenFileWatcher::watch(ZEL::ZELView *view, const Stamp &known)
{
    const QString path = view->file();
    Entry entry;
    entry.view = view;
    entry.known = known;
    m_entries.insert(path, entry);
    // A view turns clean after its own save (or a read): what is on disk is then its.
    connect(view, &ZEL::ZELView::modificationStatusChanged, this, [this, path](bool modified) {
        if (!modified)
            onViewClean(path);
    });
}

void OpenFileWatcher::rearm()
{
    // A file replaced by rename drops out of the watch list; its folder's watch
    // notices the replacement and the file is added again here.
    QStringList files;
    QStringList folders;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        const QFileInfo info(it.key());
        if (info.exists())
            files << it.key();
        if (QFileInfo(info.absolutePath()).isDir() && !folders.contains(info.absolutePath()))
            folders << info.absolutePath();
    }
    QStringList stale;
    for (const QString &path : m_watcher->files() + m_watcher->directories()) {
        if (!files.contains(path) && !folders.contains(path))
            stale << path;
    }
    if (!stale.isEmpty())
        m_watcher->removePaths(stale);
    QStringList fresh;
    for (const QString &path : files + folders) {
        if (!m_watcher->files().contains(path) && !m_watcher->directories().contains(path))
            fresh << path;
    }
    if (!fresh.isEmpty())
        m_watcher->addPaths(fresh);
}

void OpenFileWatcher::onFileSystemEvent()
{
    emit changeNoticed();
    rearm();
    m_settle->start();
}

void OpenFileWatcher::onViewClean(const QString &path)
{
    auto it = m_entries.find(path);
    if (it == m_entries.end())
        return;
    it->known = stampOf(path);
    if (it->bar)
        it->bar->hide();
}

void OpenFileWatcher::fileGone(const QString &path)
{
    Entry &entry = m_entries[path];
    if (entry.bar)
        entry.bar->hide();
    // Modified, the view keeps its contents through a close prompt, and its save
    // writes the file again.
    entry.view->setModified(true);
    emit message(tr("%1 was deleted or renamed on disk; saving writes it again.").arg(shown(path)));
}

void OpenFileWatcher::showBar(const QString &path)
{
    Entry &entry = m_entries[path];
    if (!entry.bar) {
        entry.bar = new ChangedOnDiskBar(entry.view);
        if (auto *layout = qobject_cast<QBoxLayout *>(entry.view->layout()))
            layout->insertWidget(0, entry.bar);
        connect(entry.bar, &ChangedOnDiskBar::reloadRequested, this,
                [this, path]() { onReloadRequested(path); });
        connect(entry.bar, &ChangedOnDiskBar::keepMineRequested, this, [this, path]() {
            // The version on disk is known now; the next save overwrites it unasked.
            if (ChangedOnDiskBar *bar = changedBar(path))
                bar->hide();
        });
    }
    entry.bar->setFileName(QFileInfo(path).fileName());
    entry.bar->show();
}

void OpenFileWatcher::onReloadRequested(const QString &path)
{
    auto it = m_entries.find(path);
    if (it == m_entries.end() || !it->view)
        return;
    const Stamp now = stampOf(path);
    it->known = now;
    if (!now.exists) {
        fileGone(path);
        return;
    }
    it->view->setModified(false);
    reload(path, now);
}

void OpenFileWatcher::reload(const QString &path, const Stamp &known)
{
    // The pages add what they read to what they hold, so a view cannot read its file
    // a second time; it is closed and opened again in its place, on the same page.
    Core::ViewManager *views = Core::ViewManager::instance();
    QTabWidget *area = views->viewArea();
    const Entry old = m_entries.take(path);
    disconnect(old.view, nullptr, this, nullptr);
    const int tab = area->indexOf(old.view);
    const int page = old.view->tabWidget()->currentIndex();
    const QPointer<Core::IView> current = views->currentView();
    const bool wasCurrent = current == old.view;

    m_reloading = true;
    ZEL::ZELViewManager::closeView(path);
    ZEL::ZELView *fresh = nullptr;
    if (!openViewOf(path)) {
        ZEL::ZELViewManager::openView(DEV::DeviceArg(m_device()), path);
        fresh = openViewOf(path);
    }
    m_reloading = false;

    if (!fresh) {
        syncViews();
        // The plug-in has said why, in a message box of its own.
        if (!openViewOf(path))
            emit message(tr("%1 changed on disk and could not be read again.").arg(shown(path)));
        return;
    }
    watch(fresh, known);
    if (tab >= 0)
        area->tabBar()->moveTab(area->indexOf(fresh), tab);
    fresh->tabWidget()->setCurrentIndex(page);
    if (!wasCurrent && current)
        views->showView(current);
    syncViews();
    emit message(tr("%1 changed on disk and was read again.").arg(shown(path)));
}

bool OpenFileWatcher::confirmSave()
{
    m_saving = qobject_cast<ZEL::ZELView *>(Core::ViewManager::instance()->currentView());
    m_savingWasModified = m_saving && m_saving->isModified();
    if (!m_saving)
        return true;
    const QString path = m_saving->file();
    ChangedOnDiskBar *bar = changedBar(path);
    if (!bar || bar->isHidden())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        m_saving, tr("Save"),
        tr("%1 has been changed on disk by another program.\nOverwrite it with your changes?")
            .arg(shown(path)),
        QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Cancel);
    // The box ran the event loop: the view may have been read again meanwhile.
    if (answer != QMessageBox::Save || !m_saving) {
        m_saving = nullptr;
        return false;
    }
    if ((bar = changedBar(path)))
        bar->hide();
    return true;
}

void OpenFileWatcher::onSaveTriggered()
{
    const QPointer<ZEL::ZELView> view = m_saving;
    m_saving = nullptr;
    if (!view || !m_savingWasModified || view->isModified())
        return;
    if (view->savedInPlace())
        emit message(tr("%1 was saved in place, not atomically: its folder does not allow the "
                        "temporary file of a safe save.")
                         .arg(shown(view->file())));
}

} // namespace Studio
