#pragma once

// The forms `vep check` reports in: compiler-style text lines with a summary, one JSON
// object for scripts, and a SARIF 2.1.0 log for code-scanning pages.

#include "check/Diagnostic.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace VepCli {

struct FileReport {
    QString file;
    QList<VepCheck::Diagnostic> diagnostics;
};

class ReportWriter {
public:
    static QByteArray text(const QList<FileReport> &reports);
    static QByteArray json(const QList<FileReport> &reports);
    static QByteArray sarif(const QList<FileReport> &reports, const QString &toolVersion);
};

} // namespace VepCli
