#include "check/Diagnostic.h"

namespace VepCheck {

QString severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error:
        return QStringLiteral("error");
    case Severity::Warning:
        return QStringLiteral("warning");
    case Severity::Note:
        return QStringLiteral("note");
    }
    return QString();
}

void DiagnosticCounts::add(const QList<Diagnostic> &diagnostics)
{
    for (const Diagnostic &d : diagnostics) {
        switch (d.severity) {
        case Severity::Error:
            ++errors;
            break;
        case Severity::Warning:
            ++warnings;
            break;
        case Severity::Note:
            ++notes;
            break;
        }
    }
}

} // namespace VepCheck
