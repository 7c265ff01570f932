#pragma once

// Device records of the IDE: a device as the host passes it around, the chip
// information of the current project, and the built-in device database.

#include "host/hostglobal.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace DEV {

class VEPHOST_EXPORT DeviceArg {
public:
    DeviceArg();
    explicit DeviceArg(const QString &device);
    QString device() const;
    QString package() const;
    void setPackage(const QString &package);

private:
    QString m_device;
    QString m_package;
};

struct ChipInfo {
    QString partNumber, family, device, voltage, package, speed, grade, ioCount, lutCount, version;
    QStringList options;
};

class VEPHOST_EXPORT DeviceDatabase {
public:
    static DeviceDatabase *instance();
    QStringList devices() const;
    ChipInfo chipInfo(const QString &device) const;
    bool contains(const QString &device) const;

private:
    DeviceDatabase();
    QStringList m_order;
    QMap<QString, ChipInfo> m_chips;
};

} // namespace DEV
