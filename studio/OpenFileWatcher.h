#pragma once

// Watches every configuration file open in a view of the shell and brings changes
// made by other programs (scripts, version control) to the user, as IDEs do: a view
// without unsaved edits reads its file again quietly; one with edits gets a bar that
// offers to reload or to keep the edits, and a save while the bar is up asks before
// overwriting; a deleted file leaves its view open and modified, so that saving
// writes it again. A burst of rewrites is looked at once, after it has settled, and
// the shell's own saves are never taken for outside changes. The plug-in is reached
// only through its exported view and view manager operations.

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QFileSystemWatcher;
class QTimer;

namespace Core {
class IView;
}
namespace ZEL {
class ZELView;
}

namespace Studio {

class ChangedOnDiskBar;

class OpenFileWatcher : public QObject {
    Q_OBJECT
public:
    // `device` names the chip a view is opened again with.
    explicit OpenFileWatcher(std::function<QString()> device, QObject *parent = nullptr);

    // How long the files must stay untouched before they are looked at.
    void setSettleDelay(int milliseconds);
    bool isSettling() const;
    QStringList files() const;
    // The bar of the view of `path`; null when it never needed one.
    ChangedOnDiskBar *changedBar(const QString &path) const;

    // Compares every watched file with what its view last read or wrote and acts on
    // each difference; this is what runs once the files have settled.
    void checkNow();

signals:
    void message(const QString &text);
    // Something changed on disk; it is looked at once the files have settled.
    void changeNoticed();

private:
    struct Stamp {
        bool exists = false;
        QByteArray digest;
        bool operator==(const Stamp &other) const
        {
            return exists == other.exists && digest == other.digest;
        }
    };
    struct Entry {
        QPointer<ZEL::ZELView> view;
        Stamp known; // the version the view holds, as last read or written
        QPointer<ChangedOnDiskBar> bar;
    };

    static Stamp stampOf(const QString &path);
    void syncViews(Core::IView *closed = nullptr);
    void watch(ZEL::ZELView *view, const Stamp &known);
    void rearm();
    void onFileSystemEvent();
    void onViewClean(const QString &path);
    void fileGone(const QString &path);
    void showBar(const QString &path);
    void onReloadRequested(const QString &path);
    void reload(const QString &path, const Stamp &known);
    bool confirmSave();
    void onSaveTriggered();

    std::function<QString()> m_device;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_settle = nullptr;
    QHash<QString, Entry> m_entries;
    QPointer<ZEL::ZELView> m_saving;
    bool m_savingWasModified = false;
    bool m_reloading = false;
};

} // namespace Studio
