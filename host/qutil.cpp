#include "host/qutil.h"

#include "host/nlsdata.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QThread>

namespace QUtil {

IEvent::~IEvent() = default;

Event::Event(const QString &type) : m_type(type)
{}

QString Event::type() const
{
    return m_type;
}

QVariant Event::get(const QString &key) const
{
    return m_values.value(key);
}

void Event::set(const QString &key, const QVariant &value)
{
    m_values.insert(key, value);
}

IEventHandler::~IEventHandler()
{
    // A handler destroyed while an event is being delivered must not be called afterwards.
    EventManager::instance()->unsubscribeAll(this);
}

class EventManagerPrivate {
public:
    struct Subscription {
        IEventHandler *handler = nullptr;
        quint64 serial = 0;
    };

    // Each subscription gets its own serial, so a delivery in progress can tell a
    // handler that is still subscribed from one that left (and perhaps came back, or
    // whose address was reused) since the delivery began.
    QHash<QString, QList<Subscription>> byType;
    QSet<quint64> live;
    quint64 nextSerial = 1;
};

EventManager::EventManager() : d(new EventManagerPrivate)
{}

EventManager::~EventManager()
{
    delete d;
}

EventManager *EventManager::instance()
{
    // Never destroyed: handlers unsubscribe in their destructors, some of which run at exit.
    static EventManager *manager = new EventManager;
    return manager;
}

void EventManager::subscribe(IEventHandler *handler, const QString &type)
{
    if (!handler)
        return;
    QList<EventManagerPrivate::Subscription> &list = d->byType[type];
    for (const EventManagerPrivate::Subscription &sub : qAsConst(list)) {
        if (sub.handler == handler)
            return;
    }
    const quint64 serial = d->nextSerial++;
    list.append({handler, serial});
    d->live.insert(serial);
}

void EventManager::unsubscribe(IEventHandler *handler, const QString &type)
{
    auto it = d->byType.find(type);
    if (it == d->byType.end())
        return;
    QList<EventManagerPrivate::Subscription> &list = it.value();
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).handler == handler) {
            d->live.remove(list.at(i).serial);
            list.removeAt(i);
            break;
        }
    }
    if (list.isEmpty())
        d->byType.erase(it);
}

void EventManager::unsubscribeAll(IEventHandler *handler)
{
    const QStringList types = d->byType.keys();
    for (const QString &type : types)
        unsubscribe(handler, type);
}

void EventManager::publish(const IEvent &event)
{
    // Handlers touch widgets: an event published from a worker is delivered on the GUI
    // thread, and the publisher waits for the delivery as if it were on that thread.
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [this, &event]() { publish(event); }, Qt::BlockingQueuedConnection);
        return;
    }

    // A finished synthesis run has replaced the netlist, perhaps within the resolution
    // of the file's time stamps: no handler may be served the copy read before it.
    if (event.type() == QLatin1String("TE.Process.Status.Change") &&
        event.get(QStringLiteral("process")).toString() == QLatin1String("Process.Syn") &&
        event.get(QStringLiteral("status")).toInt() == 2)
        NlsData::invalidateNetlistCache();

    // A snapshot: handlers subscribed during this delivery wait for the next event.
    const QList<EventManagerPrivate::Subscription> snapshot = d->byType.value(event.type());
    for (const EventManagerPrivate::Subscription &sub : snapshot) {
        if (d->live.contains(sub.serial))
            sub.handler->handleIEvent(&event);
    }
}

int EventManager::subscriberCount(const QString &type) const
{
    return d->byType.value(type).size();
}

} // namespace QUtil
