#pragma once

// One finding of the configuration checker about a .vep file: how serious it is, which
// check found it (a stable id that scripts and the IDE key on), where in the file, and
// what the user can do about it.

#include <QList>
#include <QString>

namespace VepCheck {

enum class Severity { Error, Warning, Note };

// "error", "warning", "note": the words of the compiler form file:line: severity: message.
QString severityName(Severity severity);

struct Diagnostic {
    Severity severity = Severity::Warning;
    QString check; // stable id: "stale-name", "normalized", ...
    QString message;
    QString file;       // the .vep path
    int line = 0;       // 1-based line of the element concerned, 0 when none
    QString section;    // "NetRate", "SimuFile", "LocalEnable", ... or empty
    QString name;       // the row concerned or the general setting's element, or empty
    QString suggestion; // e.g. the close netlist name, or empty
    int row = -1;       // index of the row within its table as the editor shows it after reading
                        // (file order), -1 when none
};

// Counts by severity, for summaries and exit statuses.
struct DiagnosticCounts {
    int errors = 0;
    int warnings = 0;
    int notes = 0;
    void add(const QList<Diagnostic> &diagnostics);
};

} // namespace VepCheck
