// vep: checks, dumps and edits power-analysis configuration files from scripts and CI,
// with the editor's own reading, rules and saving.

#include "check/Checker.h"
#include "check/ConfigSetter.h"
#include "check/ConfigSnapshot.h"
#include "check/HeadlessEditor.h"
#include "check/NetlistIndex.h"
#include "cli/DesignLoader.h"
#include "cli/ReportWriter.h"
#include "document/ZELView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>

namespace {

// Exit statuses, as documented in --help.
enum Status { Clean = 0, Warnings = 1, Errors = 2, Unusable = 3 };

const char kDescription[] =
    "Checks, dumps and edits power-analysis configuration files (.vep) as the editor reads "
    "them.\n\n"
    "Commands:\n"
    "  check FILE.vep...     report what does not fit the design (with --project and no\n"
    "                        file: the project's own files)\n"
    "  dump FILE.vep         print the configuration as the editor reads it, as JSON\n"
    "  set FILE.vep KEY=VALUE...\n"
    "                        change general settings and default rates through the editor's\n"
    "                        own rules; the file is saved only when every value is taken\n\n"
    "Exit status: 0 clean (notes only), 1 warnings with --werror, 2 errors (or a value `set`\n"
    "cannot take), 3 an input could not be used (the reason on standard error).";

void printTo(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int fail(const QString &reason)
{
    printTo(stderr, QStringLiteral("vep: %1\n").arg(reason).toUtf8());
    return Unusable;
}

int runCheck(const QCommandLineParser &parser, const QStringList &files)
{
    const QString format = parser.value(QStringLiteral("format"));
    if (format != QLatin1String("text") && format != QLatin1String("json") &&
        format != QLatin1String("sarif"))
        return fail(QStringLiteral("unknown format '%1' (text, json or sarif)").arg(format));
    VepCli::DesignLoader design;
    QString error;
    if (!design.load(parser, &error))
        return fail(error);
    // With a project and no file named, the project's own files are checked.
    QStringList checked = files;
    if (checked.isEmpty()) {
        for (const QString &file : design.projectFiles())
            checked.append(QDir::current().relativeFilePath(file));
    }
    if (checked.isEmpty())
        return fail(QStringLiteral("check: no .vep file given"));
    // A file that is not there is an unusable input, like a missing project; a file that
    // is there but refused by the editor is a finding (not-a-config).
    for (const QString &file : checked) {
        if (!QFileInfo(file).isFile())
            return fail(QStringLiteral("check: no such file '%1'").arg(file));
    }
    if (!design.loadNetlist(&error))
        return fail(error);
    // One netlist read and one name index for every file of the call.
    std::unique_ptr<VepCheck::NetlistIndex> index(
        design.netlist() ? new VepCheck::NetlistIndex(*design.netlist()) : nullptr);

    QList<VepCli::FileReport> reports;
    VepCheck::DiagnosticCounts counts;
    for (const QString &file : checked) {
        VepCli::FileReport report{file, VepCheck::Checker::checkFile(
                                            file, design.context(), design.netlist(), index.get())};
        counts.add(report.diagnostics);
        reports.append(report);
    }
    if (format == QLatin1String("json"))
        printTo(stdout, VepCli::ReportWriter::json(reports));
    else if (format == QLatin1String("sarif"))
        printTo(stdout,
                VepCli::ReportWriter::sarif(reports, QCoreApplication::applicationVersion()));
    else
        printTo(stdout, VepCli::ReportWriter::text(reports));

    if (counts.errors > 0)
        return Errors;
    if (counts.warnings > 0 && parser.isSet(QStringLiteral("werror")))
        return Warnings;
    return Clean;
}

int runDump(const QCommandLineParser &parser, const QStringList &files)
{
    if (files.size() != 1)
        return fail(QStringLiteral("dump: give exactly one .vep file"));
    const QString format = parser.value(QStringLiteral("format"));
    if (parser.isSet(QStringLiteral("format")) && format != QLatin1String("json"))
        return fail(QStringLiteral("dump: the only format is json"));
    VepCli::DesignLoader design;
    QString error;
    if (!design.load(parser, &error) || !design.loadNetlist(&error))
        return fail(error);
    VepCheck::HeadlessEditor editor(design.context().device, design.topModule());
    if (!editor.open(files.constFirst(), &error))
        return fail(error);
    const VepCheck::ConfigSnapshot snapshot = VepCheck::ConfigSnapshot::fromView(editor.view());
    printTo(stdout, QJsonDocument(snapshot.toJson()).toJson(QJsonDocument::Indented));
    return Clean;
}

int runSet(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (arguments.size() < 2)
        return fail(QStringLiteral("set: give a .vep file and at least one KEY=VALUE"));
    VepCheck::ConfigSetter::Assignments assignments;
    for (int i = 1; i < arguments.size(); ++i) {
        const int equals = arguments.at(i).indexOf(QLatin1Char('='));
        if (equals <= 0)
            return fail(QStringLiteral("set: '%1' is not KEY=VALUE").arg(arguments.at(i)));
        assignments.append({arguments.at(i).left(equals), arguments.at(i).mid(equals + 1)});
    }
    VepCli::DesignLoader design;
    QString error;
    if (!design.load(parser, &error) || !design.loadNetlist(&error))
        return fail(error);
    const QString shown = arguments.constFirst();
    const QString file = QFileInfo(shown).absoluteFilePath();
    VepCheck::HeadlessEditor editor(design.context().device, design.topModule());
    if (!editor.open(file, &error))
        return fail(error);
    editor.takeMessages();
    if (!VepCheck::ConfigSetter::apply(editor.view(), assignments, &error)) {
        printTo(stderr, QStringLiteral("%1: error: %2; the file is left as it was\n")
                            .arg(shown, error)
                            .toUtf8());
        return Errors;
    }
    // The view's own save: its pre-save checks, then an atomic replacement of the file.
    // Activity files listed with relative paths are looked for from the project's folder
    // (else the file's), as the check does, not from wherever the script runs.
    const QString base = design.context().projectDir.isEmpty() ? QFileInfo(file).absolutePath()
                                                               : design.context().projectDir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(base);
    editor.view().save();
    QDir::setCurrent(previous);
    const QStringList messages = editor.takeMessages();
    if (!messages.isEmpty() || editor.view().isModified()) {
        printTo(stderr, QStringLiteral("%1: error: the editor did not save: %2\n")
                            .arg(shown, messages.join(QLatin1Char(' ')))
                            .toUtf8());
        return Errors;
    }
    return Clean;
}

// Qt's own chatter (the offscreen platform, missing runtime folders) would mix with the
// reasons this tool gives on standard error; VEP_DEBUG keeps it.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg || qEnvironmentVariableIsSet("VEP_DEBUG"))
        printTo(stderr, qFormatLogMessage(type, context, message).toUtf8() + '\n');
}

} // namespace

int main(int argc, char *argv[])
{
    // The editor's pages are widgets; without a display they live on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vep"));
    QApplication::setApplicationVersion(QStringLiteral(VEP_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QLatin1String(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("check, dump or set"));
    parser.addPositionalArgument(QStringLiteral("arguments"),
                                 QStringLiteral("files, or for set a file and KEY=VALUE pairs"),
                                 QStringLiteral("[arguments...]"));
    parser.addOptions({
        {QStringLiteral("project"),
         QStringLiteral("Project file (*.vepproj): device, netlist and cell library."),
         QStringLiteral("P.vepproj")},
        {QStringLiteral("netlist"), QStringLiteral("Synthesized netlist (JSON)."),
         QStringLiteral("N.json")},
        {QStringLiteral("cells"), QStringLiteral("Cell library of the netlist (JSON)."),
         QStringLiteral("C.json")},
        {QStringLiteral("device"), QStringLiteral("Target device."), QStringLiteral("D")},
        {QStringLiteral("format"),
         QStringLiteral("Output form of check: text, json or sarif; of dump: json."),
         QStringLiteral("F"), QStringLiteral("text")},
        {QStringLiteral("werror"), QStringLiteral("Exit with status 1 when check finds warnings.")},
    });
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text += QStringLiteral("\nKeys of set:\n");
        for (const auto &key : VepCheck::ConfigSetter::keys())
            text += QStringLiteral("  %1  %2\n").arg(key.first, -12).arg(key.second);
        printTo(stdout, text.toUtf8());
        return Clean;
    }
    if (parser.isSet(version)) {
        printTo(stdout,
                QStringLiteral("vep %1\n").arg(QCoreApplication::applicationVersion()).toUtf8());
        return Clean;
    }

    QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty())
        return fail(QStringLiteral("no command given (check, dump or set); see vep --help"));
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("check"))
        return runCheck(parser, arguments);
    if (command == QLatin1String("dump"))
        return runDump(parser, arguments);
    if (command == QLatin1String("set"))
        return runSet(parser, arguments);
    return fail(QStringLiteral("unknown command '%1' (check, dump or set)").arg(command));
}
