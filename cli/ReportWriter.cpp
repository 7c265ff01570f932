#include "cli/ReportWriter.h"

#include "check/Checker.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace VepCli {

namespace {

VepCheck::DiagnosticCounts countsOf(const QList<FileReport> &reports)
{
    VepCheck::DiagnosticCounts counts;
    for (const FileReport &report : reports)
        counts.add(report.diagnostics);
    return counts;
}

QString plural(int count, const char *word)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(word)).arg(count == 1 ? "" : "s");
}

} // namespace

QByteArray ReportWriter::text(const QList<FileReport> &reports)
{
    QString out;
    for (const FileReport &report : reports) {
        for (const VepCheck::Diagnostic &d : report.diagnostics) {
            QString message = d.message;
            message.replace(QLatin1Char('\n'), QLatin1Char(' '));
            out += QStringLiteral("%1:%2: %3: %4 [%5]\n")
                       .arg(d.file)
                       .arg(d.line)
                       .arg(VepCheck::severityName(d.severity), message, d.check);
        }
    }
    const VepCheck::DiagnosticCounts counts = countsOf(reports);
    out += QStringLiteral("%1 checked: %2, %3, %4\n")
               .arg(plural(reports.size(), "file"), plural(counts.errors, "error"),
                    plural(counts.warnings, "warning"), plural(counts.notes, "note"));
    return out.toUtf8();
}

QByteArray ReportWriter::json(const QList<FileReport> &reports)
{
    QJsonArray files;
    for (const FileReport &report : reports) {
        QJsonArray diagnostics;
        for (const VepCheck::Diagnostic &d : report.diagnostics) {
            QJsonObject object;
            object.insert(QStringLiteral("severity"), VepCheck::severityName(d.severity));
            object.insert(QStringLiteral("check"), d.check);
            object.insert(QStringLiteral("message"), d.message);
            if (d.line > 0)
                object.insert(QStringLiteral("line"), d.line);
            if (!d.section.isEmpty())
                object.insert(QStringLiteral("section"), d.section);
            if (!d.name.isEmpty())
                object.insert(QStringLiteral("name"), d.name);
            if (!d.suggestion.isEmpty())
                object.insert(QStringLiteral("suggestion"), d.suggestion);
            diagnostics.append(object);
        }
        files.append(QJsonObject{{QStringLiteral("file"), report.file},
                                 {QStringLiteral("diagnostics"), diagnostics}});
    }
    const VepCheck::DiagnosticCounts counts = countsOf(reports);
    const QJsonObject summary{{QStringLiteral("errors"), counts.errors},
                              {QStringLiteral("warnings"), counts.warnings},
                              {QStringLiteral("notes"), counts.notes}};
    const QJsonObject root{{QStringLiteral("files"), files}, {QStringLiteral("summary"), summary}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray ReportWriter::sarif(const QList<FileReport> &reports, const QString &toolVersion)
{
    const QList<QPair<QString, QString>> ids = VepCheck::Checker::checkIds();
    QJsonArray rules;
    for (const auto &id : ids)
        rules.append(QJsonObject{{QStringLiteral("id"), id.first},
                                 {QStringLiteral("shortDescription"),
                                  QJsonObject{{QStringLiteral("text"), id.second}}}});
    const QJsonObject driver{{QStringLiteral("name"), QStringLiteral("vep")},
                             {QStringLiteral("version"), toolVersion},
                             {QStringLiteral("rules"), rules}};

    QJsonArray results;
    for (const FileReport &report : reports) {
        for (const VepCheck::Diagnostic &d : report.diagnostics) {
            int ruleIndex = 0;
            while (ruleIndex < ids.size() && ids.at(ruleIndex).first != d.check)
                ++ruleIndex;
            // Files under the working folder are given relative to it (the checkout root
            // in CI), so code-scanning pages can link them; others as absolute URIs.
            const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(d.file));
            const QString relative = QDir::current().relativeFilePath(absolute);
            QJsonObject artifact;
            if (relative.startsWith(QLatin1String(".."))) {
                artifact.insert(QStringLiteral("uri"), QUrl::fromLocalFile(absolute).toString());
            } else {
                artifact.insert(QStringLiteral("uri"), relative);
                artifact.insert(QStringLiteral("uriBaseId"), QStringLiteral("SRCROOT"));
            }
            QJsonObject physical{{QStringLiteral("artifactLocation"), artifact}};
            if (d.line > 0)
                physical.insert(QStringLiteral("region"),
                                QJsonObject{{QStringLiteral("startLine"), d.line}});
            QJsonObject result{
                {QStringLiteral("ruleId"), d.check},
                {QStringLiteral("level"), VepCheck::severityName(d.severity)},
                {QStringLiteral("message"), QJsonObject{{QStringLiteral("text"), d.message}}},
                {QStringLiteral("locations"),
                 QJsonArray{QJsonObject{{QStringLiteral("physicalLocation"), physical}}}}};
            if (ruleIndex < ids.size())
                result.insert(QStringLiteral("ruleIndex"), ruleIndex);
            if (!d.suggestion.isEmpty() || !d.section.isEmpty()) {
                QJsonObject properties;
                if (!d.section.isEmpty())
                    properties.insert(QStringLiteral("section"), d.section);
                if (!d.name.isEmpty())
                    properties.insert(QStringLiteral("name"), d.name);
                if (!d.suggestion.isEmpty())
                    properties.insert(QStringLiteral("suggestion"), d.suggestion);
                result.insert(QStringLiteral("properties"), properties);
            }
            results.append(result);
        }
    }
    const QJsonObject srcRoot{
        {QStringLiteral("uri"),
         QUrl::fromLocalFile(QDir::currentPath() + QLatin1Char('/')).toString()}};
    const QJsonObject run{
        {QStringLiteral("tool"), QJsonObject{{QStringLiteral("driver"), driver}}},
        {QStringLiteral("originalUriBaseIds"), QJsonObject{{QStringLiteral("SRCROOT"), srcRoot}}},
        {QStringLiteral("results"), results}};
    const QJsonObject log{{QStringLiteral("$schema"),
                           QStringLiteral("https://json.schemastore.org/sarif-2.1.0.json")},
                          {QStringLiteral("version"), QStringLiteral("2.1.0")},
                          {QStringLiteral("runs"), QJsonArray{run}}};
    return QJsonDocument(log).toJson(QJsonDocument::Indented);
}

} // namespace VepCli
