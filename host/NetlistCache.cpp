#include "host/NetlistCache.h"

#include "host/CellLibrary.h"
#include "host/NetlistReader.h"
#include "host/nlsdata.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <climits>
#include <new>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace NlsData {

namespace {

// How often a thread waiting for another thread's read looks at its cancel flag.
constexpr unsigned long CancelCheckMs = 100;
constexpr qint64 TrimFromBytes = 16 << 20;

NetlistCache::FileIdentity identify(const QString &canonicalPath)
{
    NetlistCache::FileIdentity identity;
#ifdef Q_OS_LINUX
    struct stat status = {};
    if (::stat(QFile::encodeName(canonicalPath).constData(), &status) != 0)
        return identity;
    identity.exists = true;
    identity.size = status.st_size;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    identity.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    identity.changedNs = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
#else
    const QFileInfo info(canonicalPath);
    if (!info.exists())
        return identity;
    identity.exists = true;
    identity.size = info.size();
    identity.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    identity.changedNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
#endif
    return identity;
}

Netlist *readGuarded(const QString &path, QString *error, ReadProgress *progress)
{
    // Out of memory on a huge or hostile file is a failed read, not a crash.
    try {
        return NetlistReader(CellLibrary::snapshot()).read(path, error, progress);
    } catch (const std::bad_alloc &) {
        if (error)
            *error = QStringLiteral("Cannot read the netlist %1: not enough memory").arg(path);
        return nullptr;
    }
}

} // namespace

bool NetlistCache::FileIdentity::operator==(const FileIdentity &other) const
{
    return exists == other.exists && size == other.size && device == other.device &&
           inode == other.inode && modifiedNs == other.modifiedNs && changedNs == other.changedNs;
}

NetlistCache &NetlistCache::instance()
{
    // Never destroyed: handles may be released by threads still running at exit.
    static NetlistCache *cache = new NetlistCache;
    return *cache;
}

std::shared_ptr<const NetlistPrivate> NetlistCache::liveCopy(const QString &key,
                                                             const FileIdentity &now) const
{
    const auto entry = m_entries.constFind(key);
    if (entry == m_entries.constEnd() || entry->epoch != m_epoch || !(entry->identity == now))
        return nullptr;
    return entry->data.lock();
}

Netlist *NetlistCache::openCached(const QString &path)
{
    const QString key = QFileInfo(path).canonicalFilePath();
    if (key.isEmpty())
        return nullptr;
    const FileIdentity now = identify(key);
    QMutexLocker locker(&m_mutex);
    std::shared_ptr<const NetlistPrivate> data = liveCopy(key, now);
    return data ? new Netlist(std::move(data)) : nullptr;
}

Netlist *NetlistCache::open(const QString &path, QString *error, ReadProgress *progress)
{
    // A file that is not there is not cached; the reader says what is wrong with it.
    const QString key = QFileInfo(path).canonicalFilePath();
    if (key.isEmpty()) {
        {
            QMutexLocker locker(&m_mutex);
            ++m_fileReads;
        }
        return readGuarded(path, error, progress);
    }

    QMutexLocker locker(&m_mutex);
    FileIdentity before;
    for (;;) {
        before = identify(key);
        if (std::shared_ptr<const NetlistPrivate> data = liveCopy(key, before))
            return new Netlist(std::move(data));
        const Entry &entry = m_entries[key];
        if (!entry.reader || entry.readerEpoch != m_epoch || !(entry.readerIdentity == before))
            break;
        if (progress && progress->cancelled) {
            if (error)
                *error = QStringLiteral("Cannot read the netlist %1: cancelled").arg(path);
            return nullptr;
        }
        m_readDone.wait(&m_mutex, progress ? CancelCheckMs : ULONG_MAX);
    }

    // The epoch is taken before the reader takes its copy of the cell library, so a
    // library change during the read leaves this copy stale.
    const quint64 epoch = m_epoch;
    const quint64 reader = ++m_lastReader;
    Entry &entry = m_entries[key];
    entry.reader = reader;
    entry.readerIdentity = before;
    entry.readerEpoch = epoch;
    ++m_fileReads;
    locker.unlock();

    Netlist *netlist = readGuarded(path, error, progress);
    returnFreedMemory(before.size);
    const FileIdentity after = identify(key);

    locker.relock();
    Entry &done = m_entries[key];
    if (done.reader == reader)
        done.reader = 0;
    m_readDone.wakeAll();
    if (!netlist)
        return nullptr;
    // A file that changed while it was read, or an announcement meanwhile, gives a
    // netlist for this caller only.
    std::shared_ptr<const NetlistPrivate> data = netlist->shareAsFileData(before.size);
    if (after == before && epoch == m_epoch) {
        done.identity = before;
        done.epoch = epoch;
        done.data = data;
    }
    return netlist;
}

void NetlistCache::invalidate()
{
    QMutexLocker locker(&m_mutex);
    ++m_epoch;
}

void NetlistCache::returnFreedMemory(qint64 fileBytes)
{
#ifdef __GLIBC__
    if (fileBytes >= TrimFromBytes)
        malloc_trim(0);
#else
    Q_UNUSED(fileBytes)
#endif
}

qint64 NetlistCache::fileReads() const
{
    QMutexLocker locker(&m_mutex);
    return m_fileReads;
}

} // namespace NlsData
