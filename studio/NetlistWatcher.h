#pragma once

// Watches the project's synthesized netlist on disk and reports when it has been
// replaced, so the shell can announce a new synthesis result as the real IDE does.
// Synthesis tools write large netlists in many chunks and may replace the file
// instead of rewriting it; a report comes only once the file has settled and when it
// really differs from the last version the shell knows.

#include <QDateTime>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

namespace Studio {

class NetlistWatcher : public QObject {
    Q_OBJECT
public:
    explicit NetlistWatcher(QObject *parent = nullptr);

    // Starts watching `path` (empty: stop), taking the file as it is now as known.
    void setPath(const QString &path);
    QString path() const;

    // While paused (a synthesis run of the shell itself is writing the file) changes
    // are ignored; acceptCurrent() afterwards makes the result the known version.
    void setPaused(bool paused);
    void acceptCurrent();

    // Compares the file with the known version now and reports a difference.
    bool checkNow();

signals:
    void netlistChanged();

private:
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Stamp &other) const
        {
            return exists == other.exists && size == other.size && modified == other.modified;
        }
    };

    Stamp currentStamp() const;
    void onFileSystemEvent();
    void rearm();

    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_settle = nullptr;
    QString m_path;
    Stamp m_known;
    bool m_paused = false;
};

} // namespace Studio
