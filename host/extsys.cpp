#include "host/extsys.h"

#include <QPluginLoader>
#include <QPointer>

#include <algorithm>

namespace ExtSys {

class PluginManagerPrivate {
public:
    struct Entry {
        IPlugin *plugin = nullptr;
        QPluginLoader *loader = nullptr; // null for a plug-in the host linked in itself
    };

    void removeDestroyed();

    QList<Entry> plugins; // in load order
    // Guarded pointers: a pool object may be deleted by its owner before shutdown.
    QList<QPointer<QObject>> pool;
    QList<QPointer<QObject>> autoReleased;
};

void PluginManagerPrivate::removeDestroyed()
{
    auto isNull = [](const QPointer<QObject> &object) { return object.isNull(); };
    pool.erase(std::remove_if(pool.begin(), pool.end(), isNull), pool.end());
    autoReleased.erase(std::remove_if(autoReleased.begin(), autoReleased.end(), isNull),
                       autoReleased.end());
}

IPlugin::IPlugin() = default;

IPlugin::~IPlugin() = default;

void IPlugin::addAutoReleasedObject(QObject *object)
{
    PluginManager::instance()->addAutoReleasedObject(object);
}

PluginManager::PluginManager() : d(new PluginManagerPrivate)
{}

PluginManager::~PluginManager()
{
    delete d;
}

PluginManager *PluginManager::instance()
{
    // Never destroyed: plug-ins and views may still reach the manager while static
    // objects are torn down at exit.
    static PluginManager *manager = new PluginManager;
    return manager;
}

IPlugin *PluginManager::loadPlugin(const QString &libraryPath, QString *error)
{
    auto fail = [error](const QString &message) -> IPlugin * {
        if (error)
            *error = message;
        return nullptr;
    };

    auto *loader = new QPluginLoader(libraryPath);
    QObject *root = loader->instance();
    if (!root) {
        const QString reason = loader->errorString();
        delete loader;
        return fail(QStringLiteral("Cannot load plug-in %1: %2").arg(libraryPath, reason));
    }
    auto *plugin = qobject_cast<IPlugin *>(root);
    if (!plugin) {
        loader->unload();
        delete loader;
        return fail(QStringLiteral("%1 is not a plug-in of this IDE.").arg(libraryPath));
    }
    if (plugins().contains(plugin)) {
        // The same library again: QPluginLoader hands out the one root instance, which
        // must not be started twice; drop the extra reference.
        loader->unload();
        delete loader;
        if (error)
            error->clear();
        return plugin;
    }
    QString reason;
    if (!startPlugin(plugin, &reason)) {
        loader->unload();
        delete loader;
        return fail(QStringLiteral("Plug-in %1 failed to initialize: %2").arg(libraryPath, reason));
    }
    d->plugins.append({plugin, loader});
    if (error)
        error->clear();
    return plugin;
}

bool PluginManager::addStaticPlugin(IPlugin *plugin, QString *error)
{
    if (!plugin || plugins().contains(plugin)) {
        if (error)
            *error = QStringLiteral("The plug-in is missing or already loaded.");
        return false;
    }
    QString reason;
    if (!startPlugin(plugin, &reason)) {
        if (error)
            *error = QStringLiteral("Plug-in failed to initialize: %1").arg(reason);
        return false;
    }
    d->plugins.append({plugin, nullptr});
    if (error)
        error->clear();
    return true;
}

bool PluginManager::startPlugin(IPlugin *plugin, QString *reason)
{
    if (!plugin->initialize(QStringList(), reason)) {
        if (reason->isEmpty())
            *reason = QStringLiteral("initialize() returned false");
        return false;
    }
    plugin->extensionsInitialized();
    return true;
}

QList<QObject *> PluginManager::allObjects() const
{
    QList<QObject *> objects;
    objects.reserve(d->pool.size());
    for (const QPointer<QObject> &object : qAsConst(d->pool)) {
        if (object)
            objects.append(object.data());
    }
    return objects;
}

void PluginManager::shutdown()
{
    const QList<PluginManagerPrivate::Entry> entries = d->plugins;
    d->plugins.clear();

    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        it->plugin->aboutToShutdown();

    // Pool objects come from the plug-ins' code, so they must go before the libraries;
    // later objects may depend on earlier ones, hence the reverse order.
    d->removeDestroyed();
    const QList<QPointer<QObject>> released = d->autoReleased;
    d->autoReleased.clear();
    for (auto it = released.crbegin(); it != released.crend(); ++it) {
        d->pool.removeAll(*it);
        delete it->data();
    }
    d->removeDestroyed();

    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        if (it->loader) {
            it->loader->unload();
            delete it->loader;
        } else {
            delete it->plugin;
        }
    }
}

void PluginManager::addObject(QObject *object)
{
    if (!object)
        return;
    d->removeDestroyed();
    if (!d->pool.contains(object))
        d->pool.append(object);
}

void PluginManager::addAutoReleasedObject(QObject *object)
{
    if (!object)
        return;
    addObject(object);
    if (!d->autoReleased.contains(object))
        d->autoReleased.append(object);
}

void PluginManager::removeObject(QObject *object)
{
    d->pool.removeAll(object);
    d->autoReleased.removeAll(object);
}

QList<IPlugin *> PluginManager::plugins() const
{
    QList<IPlugin *> result;
    result.reserve(d->plugins.size());
    for (const PluginManagerPrivate::Entry &entry : qAsConst(d->plugins))
        result.append(entry.plugin);
    return result;
}

} // namespace ExtSys
