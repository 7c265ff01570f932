#pragma once

// Plug-in system of the IDE: the plug-in base class and the manager that loads
// plug-ins and keeps the object pool through which plug-ins hand objects to the IDE.

#include "host/hostglobal.h"

#include <QList>
#include <QObject>
#include <QStringList>

namespace ExtSys {

class VEPHOST_EXPORT IPlugin : public QObject {
    Q_OBJECT
public:
    IPlugin();
    ~IPlugin() override;

    virtual bool initialize(const QStringList &arguments, QString *errorString) = 0;
    virtual void extensionsInitialized() = 0;
    virtual void aboutToShutdown() = 0;

    // Hands the object to the plug-in manager's object pool; the manager deletes it at shutdown.
    void addAutoReleasedObject(QObject *object);
};

class PluginManagerPrivate;

class VEPHOST_EXPORT PluginManager {
public:
    static PluginManager *instance();

    IPlugin *loadPlugin(const QString &libraryPath, QString *error);
    QList<QObject *> allObjects() const;
    template <class T> QList<T *> getObjects() const
    {
        QList<T *> result;
        for (QObject *object : allObjects()) {
            if (T *typed = qobject_cast<T *>(object))
                result.append(typed);
        }
        return result;
    }
    void shutdown();

    // host side
    // Starts a plug-in the host links in itself, like loadPlugin does for a library;
    // the manager owns it from then on and deletes it at shutdown. On failure (false)
    // the caller keeps it.
    bool addStaticPlugin(IPlugin *plugin, QString *error);
    void addObject(QObject *object);             // stays owned by the caller
    void addAutoReleasedObject(QObject *object); // deleted by shutdown()
    void removeObject(QObject *object);
    QList<IPlugin *> plugins() const; // in load order

private:
    PluginManager();
    ~PluginManager();
    static bool startPlugin(IPlugin *plugin, QString *reason);
    PluginManagerPrivate *d;
};

} // namespace ExtSys

Q_DECLARE_INTERFACE(ExtSys::IPlugin, "com.tavirsys.plugins.IPlugin/1.0")
