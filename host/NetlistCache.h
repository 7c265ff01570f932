#pragma once

// Netlists read from files, shared by every handle on the same unchanged file: all
// open configuration views and the background checks hold handles on one copy
// instead of one copy each. A file is known by its canonical path, size, inode and
// its modification and status-change times (to the nanosecond where the system
// keeps them). An announcement (a new synthesis result, the netlist file changed,
// a changed cell library) makes every read so far stale, so that a file rewritten
// within the resolution of its time stamps is read again all the same. The cache
// holds the data weakly: it goes away with the last handle.

#include <QHash>
#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <memory>

namespace NlsData {

class Netlist;
class NetlistPrivate;
struct ReadProgress;

class NetlistCache {
public:
    static NetlistCache &instance();

    // A new handle on the netlist in `path`: on the copy read before when the file is
    // unchanged and that copy is still held, otherwise read now (once, however many
    // threads ask at the same time). Null with a message in *error when the file
    // cannot be read; a failed read changes nothing in the cache.
    Netlist *open(const QString &path, QString *error, ReadProgress *progress = nullptr);
    // A new handle on a copy that open() would share, null when open() would read.
    Netlist *openCached(const QString &path);

    void invalidate();
    qint64 fileReads() const;

    // A netlist of a million cells leaves the heap fragmented when it goes, and so do
    // the reader's temporaries: without handing the free pages back, they would stay
    // resident with no view open, and each re-read would add to them. Small files are
    // left alone, as the walk over the heap would cost more than it returns.
    static void returnFreedMemory(qint64 fileBytes);

    struct FileIdentity {
        bool exists = false;
        qint64 size = -1;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const FileIdentity &other) const;
    };

private:
    struct Entry {
        FileIdentity identity;
        quint64 epoch = 0;
        std::weak_ptr<const NetlistPrivate> data;
        // The read in progress, if any: threads asking for the same file as it reads
        // wait for it instead of reading it again.
        quint64 reader = 0;
        FileIdentity readerIdentity;
        quint64 readerEpoch = 0;
    };

    NetlistCache() = default;
    // Called with m_mutex held.
    std::shared_ptr<const NetlistPrivate> liveCopy(const QString &key,
                                                   const FileIdentity &now) const;

    mutable QMutex m_mutex;
    QWaitCondition m_readDone;
    QHash<QString, Entry> m_entries;
    quint64 m_epoch = 1;
    quint64 m_lastReader = 0;
    qint64 m_fileReads = 0;
};

} // namespace NlsData
