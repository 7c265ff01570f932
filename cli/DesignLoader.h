#pragma once

// The design a `vep` command checks against, from a project file or from --netlist,
// --cells and --device: the context for the checker and the netlist, read once per call
// and shared by all its files.

#include "check/Checker.h"

#include <QString>
#include <QStringList>

#include <memory>

class QCommandLineParser;

namespace NlsData {
class Netlist;
}

namespace VepCli {

class DesignLoader {
public:
    DesignLoader();
    ~DesignLoader();

    // False with the reason when an input named on the command line cannot be used.
    bool load(const QCommandLineParser &parser, QString *error);
    // Reads the netlist named by the context; false with the reason on failure.
    bool loadNetlist(QString *error);

    const VepCheck::DesignContext &context() const { return m_context; }
    const NlsData::Netlist *netlist() const { return m_netlist.get(); }
    QString topModule() const;
    // The project's own configuration files, for a check that names none.
    const QStringList &projectFiles() const { return m_projectFiles; }

private:
    VepCheck::DesignContext m_context;
    QStringList m_projectFiles;
    std::unique_ptr<NlsData::Netlist> m_netlist;
};

} // namespace VepCli
