#include "host/dev.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace DEV {

DeviceArg::DeviceArg() = default;

DeviceArg::DeviceArg(const QString &device) : m_device(device)
{}

QString DeviceArg::device() const
{
    return m_device;
}

QString DeviceArg::package() const
{
    return m_package;
}

void DeviceArg::setPackage(const QString &package)
{
    m_package = package;
}

DeviceDatabase::DeviceDatabase()
{
    QFile file(QStringLiteral(":/host/devices.json"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonArray devices =
        QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("devices")).toArray();
    for (const QJsonValue &value : devices) {
        const QJsonObject object = value.toObject();
        auto text = [&object](const char *key) {
            return object.value(QLatin1String(key)).toString();
        };
        ChipInfo chip;
        chip.partNumber = text("partNumber");
        chip.family = text("family");
        chip.device = text("device");
        chip.voltage = text("voltage");
        chip.package = text("package");
        chip.speed = text("speed");
        chip.grade = text("grade");
        chip.ioCount = text("ioCount");
        chip.lutCount = text("lutCount");
        chip.version = text("version");
        const QJsonArray options = object.value(QLatin1String("options")).toArray();
        for (const QJsonValue &option : options)
            chip.options.append(option.toString());
        if (chip.device.isEmpty() || m_chips.contains(chip.device))
            continue;
        m_order.append(chip.device);
        m_chips.insert(chip.device, chip);
    }
}

DeviceDatabase *DeviceDatabase::instance()
{
    static DeviceDatabase database;
    return &database;
}

QStringList DeviceDatabase::devices() const
{
    return m_order;
}

ChipInfo DeviceDatabase::chipInfo(const QString &device) const
{
    return m_chips.value(device);
}

bool DeviceDatabase::contains(const QString &device) const
{
    return m_chips.contains(device);
}

} // namespace DEV
