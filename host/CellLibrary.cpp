#include "host/CellLibrary.h"

#include "host/NetlistCache.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>

namespace NlsData {

namespace {

QMutex &libraryMutex()
{
    static QMutex mutex;
    return mutex;
}

CellTable builtInTable()
{
    CellTable table;
    QFile file(QStringLiteral(":/nlsdata/celllibrary.json"));
    QString error;
    if (!file.open(QIODevice::ReadOnly) || !table.loadJson(file.readAll(), &error))
        qWarning("NlsData: the built-in cell library cannot be read: %s", qPrintable(error));
    return table;
}

// Guarded by libraryMutex().
CellTable &currentTable()
{
    static CellTable table = builtInTable();
    return table;
}

bool readCellType(const QString &name, const QJsonValue &value, CellType *type, QString *error)
{
    if (!value.isObject()) {
        *error = QStringLiteral("cell type \"%1\" is not an object").arg(name);
        return false;
    }
    const QJsonObject object = value.toObject();
    const QJsonValue category = object.value(QLatin1String("category"));
    const QJsonValue primitive = object.value(QLatin1String("primitive"));
    if ((!category.isUndefined() && !category.isDouble()) ||
        (!primitive.isUndefined() && !primitive.isDouble())) {
        *error =
            QStringLiteral("cell type \"%1\": category and primitive must be numbers").arg(name);
        return false;
    }
    type->category = category.toInt();
    type->primitive = primitive.toInt();
    const QJsonValue ports = object.value(QLatin1String("memoryPorts"));
    if (ports.isObject()) {
        const QJsonObject codes = ports.toObject();
        type->byMemoryPorts = true;
        type->rom = codes.value(QLatin1String("rom")).toInt(type->primitive);
        type->singlePort = codes.value(QLatin1String("singlePort")).toInt(type->primitive);
        type->simpleDualPort = codes.value(QLatin1String("simpleDualPort")).toInt(type->primitive);
        type->multiPort = codes.value(QLatin1String("multiPort")).toInt(type->primitive);
    }
    return true;
}

} // namespace

int CellType::primitiveFor(qint64 readPorts, qint64 writePorts, bool sharedAddress) const
{
    if (!byMemoryPorts || readPorts < 0 || writePorts < 0)
        return primitive;
    if (readPorts > 1 || writePorts > 1)
        return multiPort;
    if (writePorts == 0)
        return rom;
    if (readPorts == 1 && sharedAddress)
        return singlePort;
    return simpleDualPort;
}

CellType CellTable::lookup(const QString &cellType) const
{
    const auto exact = m_exact.constFind(cellType);
    if (exact != m_exact.constEnd())
        return exact.value();
    for (const auto &prefix : m_prefixes) {
        if (cellType.startsWith(prefix.first))
            return prefix.second;
    }
    return {};
}

void CellTable::insert(const QString &cellType, const CellType &type)
{
    m_exact.insert(cellType, type);
}

void CellTable::insertPrefix(const QString &prefix, const CellType &type)
{
    const auto same = std::find_if(m_prefixes.begin(), m_prefixes.end(),
                                   [&prefix](const auto &entry) { return entry.first == prefix; });
    if (same != m_prefixes.end()) {
        same->second = type;
        return;
    }
    // Longest first, so that "$_DFFSR" could refine "$_DFF" if a library wants it.
    const auto at = std::find_if(m_prefixes.begin(), m_prefixes.end(), [&prefix](const auto &e) {
        return e.first.size() < prefix.size();
    });
    m_prefixes.insert(at, qMakePair(prefix, type));
}

bool CellTable::loadJson(const QByteArray &data, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (document.isNull()) {
        *error = parseError.errorString();
        return false;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("the cell library is not a JSON object");
        return false;
    }
    const QJsonObject root = document.object();
    const QJsonValue cells = root.value(QLatin1String("cells"));
    const QJsonValue prefixes = root.value(QLatin1String("prefixes"));
    if (!cells.isObject() && !prefixes.isObject()) {
        *error = QStringLiteral("the cell library has no \"cells\" object");
        return false;
    }
    // Validate everything before changing the table, so a bad file changes nothing.
    QVector<QPair<QString, CellType>> exact;
    QVector<QPair<QString, CellType>> families;
    const QJsonObject cellObject = cells.toObject();
    for (auto it = cellObject.begin(); it != cellObject.end(); ++it) {
        CellType type;
        if (!readCellType(it.key(), it.value(), &type, error))
            return false;
        exact.append(qMakePair(it.key(), type));
    }
    const QJsonObject prefixObject = prefixes.toObject();
    for (auto it = prefixObject.begin(); it != prefixObject.end(); ++it) {
        CellType type;
        if (!readCellType(it.key(), it.value(), &type, error))
            return false;
        families.append(qMakePair(it.key(), type));
    }
    for (const auto &entry : exact)
        insert(entry.first, entry.second);
    for (const auto &entry : families)
        insertPrefix(entry.first, entry.second);
    return true;
}

CellTable CellLibrary::snapshot()
{
    QMutexLocker locker(&libraryMutex());
    return currentTable();
}

void CellLibrary::registerType(const QString &cellType, int category, int primitive)
{
    CellType type;
    type.category = category;
    type.primitive = primitive;
    {
        QMutexLocker locker(&libraryMutex());
        currentTable().insert(cellType, type);
    }
    // The same file reads differently now; the cache takes its own lock.
    NetlistCache::instance().invalidate();
}

bool CellLibrary::loadFile(const QString &path, QString *error)
{
    QString message;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error =
                QStringLiteral("Cannot open the cell library %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    {
        QMutexLocker locker(&libraryMutex());
        CellTable updated = currentTable();
        if (!updated.loadJson(data, &message)) {
            if (error)
                *error = QStringLiteral("Cannot read the cell library %1: %2").arg(path, message);
            return false;
        }
        currentTable() = updated;
    }
    NetlistCache::instance().invalidate();
    return true;
}

void CellLibrary::reset()
{
    CellTable fresh = builtInTable();
    {
        QMutexLocker locker(&libraryMutex());
        currentTable() = fresh;
    }
    NetlistCache::instance().invalidate();
}

} // namespace NlsData
