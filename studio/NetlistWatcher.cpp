#include "studio/NetlistWatcher.h"

#include "host/nlsdata.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace Studio {

namespace {
// Long enough to span the pauses of a tool writing a large file, short enough not
// to be noticed.
constexpr int SettleMilliseconds = 400;
} // namespace

NetlistWatcher::NetlistWatcher(QObject *parent)
    : QObject(parent), m_watcher(new QFileSystemWatcher(this)), m_settle(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMilliseconds);
    connect(m_settle, &QTimer::timeout, this, &NetlistWatcher::checkNow);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &NetlistWatcher::onFileSystemEvent);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &NetlistWatcher::onFileSystemEvent);
}

void NetlistWatcher::setPath(const QString &path)
{
    m_settle->stop();
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    m_path = path;
    m_known = currentStamp();
    rearm();
}

QString NetlistWatcher::path() const
{
    return m_path;
}

void NetlistWatcher::setPaused(bool paused)
{
    m_paused = paused;
    if (paused)
        m_settle->stop();
}

void NetlistWatcher::acceptCurrent()
{
    m_known = currentStamp();
    rearm();
}

bool NetlistWatcher::checkNow()
{
    m_settle->stop();
    rearm();
    if (m_path.isEmpty() || m_paused)
        return false;
    const Stamp now = currentStamp();
    if (now == m_known)
        return false;
    m_known = now;
    // Whatever the change, a copy read before it is stale, even one read in the same
    // second as the new file was written.
    NlsData::invalidateNetlistCache();
    // A deleted netlist is no new synthesis result; its return will be.
    if (!now.exists)
        return false;
    emit netlistChanged();
    return true;
}

NetlistWatcher::Stamp NetlistWatcher::currentStamp() const
{
    Stamp stamp;
    if (m_path.isEmpty())
        return stamp;
    const QFileInfo info(m_path);
    stamp.exists = info.exists();
    if (stamp.exists) {
        stamp.size = info.size();
        stamp.modified = info.lastModified();
    }
    return stamp;
}

void NetlistWatcher::onFileSystemEvent()
{
    rearm();
    if (!m_paused && !m_path.isEmpty())
        m_settle->start();
}

void NetlistWatcher::rearm()
{
    if (m_path.isEmpty())
        return;
    // A file replaced by rename drops out of the watch list; the folder watch notices
    // when it comes back.
    const QFileInfo info(m_path);
    const QString folder = info.absolutePath();
    if (QFileInfo(folder).isDir() && !m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
    if (info.exists() && !m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);
}

} // namespace Studio
