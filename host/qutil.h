#pragma once

// Event bus of the IDE: typed events with keyed values, delivered synchronously
// on the GUI thread to the handlers subscribed to their type.

#include "host/hostglobal.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace QUtil {

class VEPHOST_EXPORT IEvent {
public:
    virtual ~IEvent();
    virtual QString type() const = 0;
    virtual QVariant get(const QString &key) const = 0;
};

class VEPHOST_EXPORT Event : public IEvent {
public:
    explicit Event(const QString &type);
    QString type() const override;
    QVariant get(const QString &key) const override;
    void set(const QString &key, const QVariant &value);

private:
    QString m_type;
    QVariantMap m_values;
};

class VEPHOST_EXPORT IEventHandler {
public:
    virtual ~IEventHandler();
    virtual void handleIEvent(const QUtil::IEvent *event) = 0;
};

class EventManagerPrivate;

class VEPHOST_EXPORT EventManager {
public:
    static EventManager *instance();
    void subscribe(IEventHandler *handler, const QString &type);
    void unsubscribe(IEventHandler *handler, const QString &type);
    void publish(const IEvent &event);

    // host side
    int subscriberCount(const QString &type) const;
    void unsubscribeAll(IEventHandler *handler); // every type; run by ~IEventHandler

private:
    EventManager();
    ~EventManager();
    EventManagerPrivate *d;
};

} // namespace QUtil
