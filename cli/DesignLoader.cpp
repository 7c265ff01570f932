#include "cli/DesignLoader.h"

#include "host/dev.h"
#include "host/nlsdata.h"
#include "studio/StudioProject.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace VepCli {

DesignLoader::DesignLoader() = default;
DesignLoader::~DesignLoader() = default;

bool DesignLoader::load(const QCommandLineParser &parser, QString *error)
{
    if (parser.isSet(QStringLiteral("project"))) {
        std::unique_ptr<Studio::StudioProject> project(
            Studio::StudioProject::open(parser.value(QStringLiteral("project")), error));
        if (!project)
            return false;
        m_context.projectDir = project->directory();
        m_context.netlistPath = project->netlistPath();
        m_context.cellLibraryPath = project->cellLibraryPath();
        m_context.device = project->device();
        m_projectFiles = project->files();
    }
    if (parser.isSet(QStringLiteral("netlist")))
        m_context.netlistPath =
            QFileInfo(parser.value(QStringLiteral("netlist"))).absoluteFilePath();
    if (parser.isSet(QStringLiteral("cells")))
        m_context.cellLibraryPath =
            QFileInfo(parser.value(QStringLiteral("cells"))).absoluteFilePath();
    if (parser.isSet(QStringLiteral("device")))
        m_context.device = parser.value(QStringLiteral("device"));

    // As the shell: without a device named, the first one of the device database.
    const DEV::DeviceDatabase *devices = DEV::DeviceDatabase::instance();
    if (m_context.device.isEmpty() && !devices->devices().isEmpty())
        m_context.device = devices->devices().constFirst();
    if (!devices->contains(m_context.device)) {
        *error = QStringLiteral("unknown device '%1' (known: %2)")
                     .arg(m_context.device, devices->devices().join(QStringLiteral(", ")));
        return false;
    }
    if (!m_context.cellLibraryPath.isEmpty() &&
        !NlsData::loadCellLibrary(m_context.cellLibraryPath, error)) {
        *error = QStringLiteral("cell library %1: %2").arg(m_context.cellLibraryPath, *error);
        return false;
    }
    return true;
}

bool DesignLoader::loadNetlist(QString *error)
{
    if (m_context.netlistPath.isEmpty())
        return true;
    m_netlist.reset(NlsData::readNetlistFile(m_context.netlistPath, error, true));
    if (!m_netlist) {
        *error = QStringLiteral("netlist %1: %2").arg(m_context.netlistPath, *error);
        return false;
    }
    return true;
}

QString DesignLoader::topModule() const
{
    return m_netlist ? m_netlist->topModuleName() : QString();
}

} // namespace VepCli
