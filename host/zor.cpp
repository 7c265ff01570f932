#include "host/zor.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPair>

namespace ZOR {

namespace {

using Key = QPair<QString, QString>; // (voltage, family)

void readRail(const QJsonObject &table, const char *rail, QString *def, QString *min, QString *max)
{
    const QJsonObject object = table.value(QLatin1String(rail)).toObject();
    *def = object.value(QLatin1String("default")).toString();
    *min = object.value(QLatin1String("min")).toString();
    *max = object.value(QLatin1String("max")).toString();
}

QHash<Key, VoltageTable> builtInTables()
{
    QHash<Key, VoltageTable> tables;
    QFile file(QStringLiteral(":/host/devices.json"));
    if (!file.open(QIODevice::ReadOnly))
        return tables;
    const QJsonArray list = QJsonDocument::fromJson(file.readAll())
                                .object()
                                .value(QLatin1String("voltageTables"))
                                .toArray();
    for (const QJsonValue &value : list) {
        const QJsonObject object = value.toObject();
        VoltageTable table;
        readRail(object, "vcc", &table.vccDefault, &table.vccMin, &table.vccMax);
        readRail(object, "vccx", &table.vccxDefault, &table.vccxMin, &table.vccxMax);
        readRail(object, "vccldo", &table.vccldoDefault, &table.vccldoMin, &table.vccldoMax);
        const QJsonArray ties = object.value(QLatin1String("ties")).toArray();
        for (const QJsonValue &tie : ties) {
            const QString pair = tie.toString();
            if (pair == QLatin1String("VCC-VCCX"))
                table.vccVccxTied = true;
            else if (pair == QLatin1String("VCC-VCCLDO"))
                table.vccVccldoTied = true;
            else if (pair == QLatin1String("VCCX-VCCLDO"))
                table.vccxVccldoTied = true;
        }
        tables.insert(Key(object.value(QLatin1String("voltage")).toString(),
                          object.value(QLatin1String("family")).toString()),
                      table);
    }
    return tables;
}

// Filled from the built-in data on first use, whichever of lookup or registerTable
// comes first, so that a registered table is never overwritten by the built-in one.
QHash<Key, VoltageTable> &registry()
{
    static QHash<Key, VoltageTable> tables = builtInTables();
    return tables;
}

} // namespace

Voltage::Voltage(const QString &voltage, const QString &family)
    : m_table(registry().value(Key(voltage, family)))
{}

QString Voltage::getVCCDefaultValue() const
{
    return m_table.vccDefault;
}

QString Voltage::getVCCXDefaultValue() const
{
    return m_table.vccxDefault;
}

QString Voltage::getVCCLDODefaultValue() const
{
    return m_table.vccldoDefault;
}

QString Voltage::getVCCMin() const
{
    return m_table.vccMin;
}

QString Voltage::getVCCMax() const
{
    return m_table.vccMax;
}

QString Voltage::getVCCXMin() const
{
    return m_table.vccxMin;
}

QString Voltage::getVCCXMax() const
{
    return m_table.vccxMax;
}

QString Voltage::getVCCLDOMin() const
{
    return m_table.vccldoMin;
}

QString Voltage::getVCCLDOMax() const
{
    return m_table.vccldoMax;
}

bool Voltage::isVCCVCCXShortCircuit() const
{
    return m_table.vccVccxTied;
}

bool Voltage::isVCCVCCLDOShortCircuit() const
{
    return m_table.vccVccldoTied;
}

bool Voltage::isVCCXVCCLDOShortCircuit() const
{
    return m_table.vccxVccldoTied;
}

void Voltage::registerTable(const QString &voltage, const QString &family,
                            const VoltageTable &table)
{
    registry().insert(Key(voltage, family), table);
}

} // namespace ZOR
