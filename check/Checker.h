#pragma once

// The configuration checker: tells, before a power run, whether a .vep file still fits the
// design it is meant for. File checks open the file exactly as the editor does (headless,
// its message boxes captured); snapshot checks compare the rows with the netlist and the
// activity files and need no widgets.

#include "check/Diagnostic.h"

#include <QList>
#include <QPair>
#include <QString>

namespace NlsData {
class Netlist;
}

namespace VepCheck {

class ConfigSnapshot;
class NetlistIndex;

struct DesignContext {
    QString projectDir;
    QString netlistPath;
    QString cellLibraryPath;
    QString device;
};

class Checker {
public:
    // GUI thread: opens the file headless in the editor (message boxes captured, never
    // shown), reports not-a-config / normalized / save-refused, then runs checkSnapshot.
    // netlist may be null (name checks skipped).
    static QList<Diagnostic> checkFile(const QString &vepPath, const DesignContext &ctx,
                                       const NlsData::Netlist *netlist);
    // Any thread, no widgets: stale-name, wrong-kind, duplicate-name, activity-* on a snapshot.
    static QList<Diagnostic> checkSnapshot(const ConfigSnapshot &snapshot, const DesignContext &ctx,
                                           const NlsData::Netlist *netlist);

    // The same with a name index built once and shared by many files of one call.
    static QList<Diagnostic> checkFile(const QString &vepPath, const DesignContext &ctx,
                                       const NlsData::Netlist *netlist, const NetlistIndex *index);
    static QList<Diagnostic> checkSnapshot(const ConfigSnapshot &snapshot, const DesignContext &ctx,
                                           const NlsData::Netlist *netlist,
                                           const NetlistIndex *index);

    // Every check id, in a stable order, with a one-line description (for SARIF rules).
    static QList<QPair<QString, QString>> checkIds();
};

} // namespace VepCheck
