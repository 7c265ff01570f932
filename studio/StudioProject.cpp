#include "studio/StudioProject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace Studio {

namespace {

const QString KeyName = QStringLiteral("name");
const QString KeyDevice = QStringLiteral("device");
const QString KeyNetlist = QStringLiteral("netlist");
const QString KeyCellLibrary = QStringLiteral("cellLibrary");
const QString KeySynthesis = QStringLiteral("synthesis");
const QString KeyFiles = QStringLiteral("files");

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

StudioProject::StudioProject(QObject *parent) : Core::IProject(parent)
{}

StudioProject *StudioProject::open(const QString &path, QString *error, QObject *parent)
{
    QString file = path;
    const QFileInfo info(path);
    if (info.isDir()) {
        const QStringList found = QDir(path).entryList(
            {QStringLiteral("*.%1").arg(QLatin1String(FileSuffix))}, QDir::Files, QDir::Name);
        if (found.size() != 1) {
            fail(error, found.isEmpty()
                            ? tr("There is no project file (*.%1) in %2.")
                                  .arg(QLatin1String(FileSuffix), QDir::toNativeSeparators(path))
                            : tr("There are several project files in %1.")
                                  .arg(QDir::toNativeSeparators(path)));
            return nullptr;
        }
        file = QDir(path).filePath(found.first());
    }

    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        fail(error, tr("Cannot read the project file %1: %2")
                        .arg(QDir::toNativeSeparators(file), in.errorString()));
        return nullptr;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(error, tr("%1 is not a valid project file: %2 at offset %3.")
                        .arg(QDir::toNativeSeparators(file), parseError.errorString())
                        .arg(parseError.offset));
        return nullptr;
    }
    if (!document.isObject()) {
        fail(error, tr("%1 is not a valid project file: it holds no JSON object.")
                        .arg(QDir::toNativeSeparators(file)));
        return nullptr;
    }

    auto *project = new StudioProject(parent);
    project->m_file = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    project->m_json = document.object();
    return project;
}

QString StudioProject::projectFile() const
{
    return m_file;
}

QString StudioProject::directory() const
{
    return QFileInfo(m_file).absolutePath();
}

QString StudioProject::name() const
{
    const QString name = m_json.value(KeyName).toString();
    return name.isEmpty() ? QFileInfo(m_file).completeBaseName() : name;
}

QString StudioProject::device() const
{
    return m_json.value(KeyDevice).toString();
}

QString StudioProject::netlistPath() const
{
    return absolute(m_json.value(KeyNetlist).toString());
}

QString StudioProject::cellLibraryPath() const
{
    return absolute(m_json.value(KeyCellLibrary).toString());
}

QString StudioProject::synthesisCommand() const
{
    return m_json.value(KeySynthesis).toString().trimmed();
}

QStringList StudioProject::files() const
{
    QStringList result;
    const QJsonArray list = m_json.value(KeyFiles).toArray();
    for (const QJsonValue &entry : list) {
        const QString path = absolute(entry.toString());
        if (!path.isEmpty())
            result.append(path);
    }
    return result;
}

bool StudioProject::setDevice(const QString &device, QString *error)
{
    if (device == this->device())
        return true;
    const QJsonValue previous = m_json.value(KeyDevice);
    m_json.insert(KeyDevice, device);
    if (!save(error)) {
        m_json.insert(KeyDevice, previous);
        return false;
    }
    return true;
}

bool StudioProject::addFile(const QString &filePath)
{
    if (filePath.isEmpty())
        return false;
    const QString path = QDir::cleanPath(QFileInfo(filePath).absoluteFilePath());
    if (files().contains(path))
        return true;

    const QJsonArray previous = m_json.value(KeyFiles).toArray();
    QJsonArray list = previous;
    list.append(QDir(directory()).relativeFilePath(path));
    m_json.insert(KeyFiles, list);
    if (!save()) {
        m_json.insert(KeyFiles, previous);
        return false;
    }
    emit filesChanged();
    return true;
}

bool StudioProject::save(QString *error) const
{
    QSaveFile out(m_file);
    if (!out.open(QIODevice::WriteOnly))
        return fail(error, tr("Cannot write the project file %1: %2")
                               .arg(QDir::toNativeSeparators(m_file), out.errorString()));
    out.write(QJsonDocument(m_json).toJson(QJsonDocument::Indented));
    if (!out.commit())
        return fail(error, tr("Cannot write the project file %1: %2")
                               .arg(QDir::toNativeSeparators(m_file), out.errorString()));
    return true;
}

QString StudioProject::absolute(const QString &relativePath) const
{
    if (relativePath.trimmed().isEmpty())
        return QString();
    return QDir::cleanPath(QDir(directory()).absoluteFilePath(relativePath));
}

} // namespace Studio
