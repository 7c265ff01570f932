#include "check/Checker.h"

#include "check/ConfigSnapshot.h"
#include "check/FileOutline.h"
#include "check/HeadlessEditor.h"
#include "check/NetlistIndex.h"
#include "document/ZELView.h"
#include "general/ZELSettingWidget.h"
#include "host/nlsdata.h"
#include "rate/RateWidget.h"
#include "rate/ZELRateWidget.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <memory>

namespace VepCheck {

namespace {

const char kDocType[] = "TAVIR_POWER_ANALYSIS_CONFIG";

// The elements the editor reads directly under the root: `Version` is written but never
// read, the rest are the general page's settings and the sections.
const QStringList &settingTags()
{
    static const QStringList tags = {
        QStringLiteral("TempGrade"),     QStringLiteral("Process"),
        QStringLiteral("JunctionTemp"),  QStringLiteral("AmbientTemp"),
        QStringLiteral("VCC"),           QStringLiteral("VCCX"),
        QStringLiteral("VCC_LDO"),       QStringLiteral("CustomThetaJA"),
        QStringLiteral("HeatSink"),      QStringLiteral("AirFlow"),
        QStringLiteral("CustomThetaSA"), QStringLiteral("BoardThermalModel"),
        QStringLiteral("CustomThetaJB"), QStringLiteral("BoardTemp")};
    return tags;
}

QString rowTagOf(const QString &sectionTag)
{
    for (const auto &pair : ConfigSnapshot::sectionTags()) {
        if (pair.first == sectionTag)
            return pair.second;
    }
    return QString();
}

// Numbers are compared by value at the six significant digits the editor writes, so
// "12.5" read and "12.50" written, or "40" and "40.0", are the same value.
bool sameValue(const QString &original, const QString &written)
{
    if (original == written)
        return true;
    bool okA = false;
    bool okB = false;
    const double a = original.trimmed().toDouble(&okA);
    const double b = written.toDouble(&okB);
    return okA && okB && QString::number(a, 'g', 6) == QString::number(b, 'g', 6);
}

QString quoted(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("(empty)")
                          : QLatin1Char('\'') + text + QLatin1Char('\'');
}

class FileCheck {
public:
    FileCheck(const QString &file, QList<Diagnostic> *out) : m_file(file), m_out(out) {}

    Diagnostic &add(Severity severity, const QString &check, const QString &message, int line,
                    const QString &section = QString())
    {
        Diagnostic d;
        d.severity = severity;
        d.check = check;
        d.message = message;
        d.file = m_file;
        d.line = line;
        d.section = section;
        m_out->append(d);
        return m_out->last();
    }

    void normalized(const QString &message, int line, const QString &section = QString(),
                    const QString &name = QString(), int row = -1)
    {
        Diagnostic &d =
            add(Severity::Warning, QStringLiteral("normalized"), message, line, section);
        d.name = name;
        d.row = row;
    }

    // Everything the file says that the editor would not write back the same way.
    void compare(const FileOutline &disk, const ConfigSnapshot &snapshot)
    {
        QSet<QString> seen;
        for (const FileOutline::Entry &entry : disk.entries()) {
            const QString tag = entry.element.tagName();
            const bool known = tag == QLatin1String("Version") || settingTags().contains(tag) ||
                               !rowTagOf(tag).isNull() || tag == QLatin1String("DefaultConfig");
            if (!known) {
                normalized(QStringLiteral("<%1> → ignored: the editor does not read this element")
                               .arg(tag),
                           entry.line);
                continue;
            }
            if (seen.contains(tag)) {
                normalized(QStringLiteral("second <%1> → ignored: the editor reads the first one")
                               .arg(tag),
                           entry.line);
                continue;
            }
            seen.insert(tag);
            if (tag == QLatin1String("Version")) {
                if (entry.element.text() != QLatin1String("1.0"))
                    normalized(
                        QStringLiteral("Version: %1 → '1.0'").arg(quoted(entry.element.text())),
                        entry.line);
            } else if (settingTags().contains(tag)) {
                compareSetting(entry, snapshot);
            } else {
                compareSection(entry, snapshot.section(tag), snapshot.topModule);
            }
        }
    }

private:
    void compareSetting(const FileOutline::Entry &entry, const ConfigSnapshot &snapshot)
    {
        const QString tag = entry.element.tagName();
        const QString original = entry.element.text();
        bool written = false;
        for (const auto &pair : snapshot.settings) {
            if (pair.first == tag) {
                written = true;
                if (!sameValue(original, pair.second))
                    normalized(QStringLiteral("%1: %2 → %3")
                                   .arg(tag, quoted(original), quoted(pair.second)),
                               entry.line);
            }
        }
        if (!written)
            normalized(QStringLiteral("%1: %2 → not written: it does not apply to the other "
                                      "settings")
                           .arg(tag, quoted(original)),
                       entry.line);
    }

    void compareSection(const FileOutline::Entry &entry, const ConfigSection *section,
                        const QString &top)
    {
        const QDomElement element = entry.element;
        const QString tag = element.tagName();
        const QDomNamedNodeMap attributes = element.attributes();
        for (int i = 0; i < attributes.count(); ++i) {
            const QDomAttr attribute = attributes.item(i).toAttr();
            compareValue(QStringLiteral("%1 %2").arg(tag, attribute.name()), attribute.value(),
                         section ? section->attribute(attribute.name()) : QString(),
                         section && hasAttribute(section->attributes, attribute.name()), entry.line,
                         tag);
        }

        const QString rowTag = rowTagOf(tag);
        int rowIndex = 0;
        int writtenRow = 0;
        int childIndex = 0;
        QSet<QString> valueTags;
        for (QDomElement child = element.firstChildElement(); !child.isNull();
             child = child.nextSiblingElement(), ++childIndex) {
            const int line =
                childIndex < entry.childLines.size() ? entry.childLines.at(childIndex) : entry.line;
            const QString childTag = child.tagName();
            if (!rowTag.isEmpty() && childTag == rowTag) {
                compareRow(child, section, &writtenRow, rowIndex++, line, top);
                continue;
            }
            const bool firstOfTag = !valueTags.contains(childTag);
            valueTags.insert(childTag);
            if (section && firstOfTag && hasAttribute(section->values, childTag)) {
                compareValue(QStringLiteral("%1 %2").arg(tag, childTag), child.text(),
                             section->value(childTag), true, line, tag);
            } else {
                normalized(QStringLiteral("%1: <%2> %3 → ignored: the editor does not keep it")
                               .arg(tag, childTag, quoted(child.text().trimmed())),
                           line, tag);
            }
        }
    }

    // Rows keep their file order in the editor and are only ever dropped, so the written
    // rows are walked alongside the file's.
    void compareRow(const QDomElement &row, const ConfigSection *section, int *writtenRow,
                    int rowIndex, int line, const QString &top)
    {
        const QString tag = row.parentNode().toElement().tagName();
        const QString name = row.attribute(QStringLiteral("name"));
        const ConfigRow *written = nullptr;
        if (section && *writtenRow < section->rows.size() &&
            section->rows.at(*writtenRow).name == name)
            written = &section->rows.at((*writtenRow)++);
        if (!written) {
            normalized(QStringLiteral("%1 row %2 → dropped by the editor").arg(tag, quoted(name)),
                       line, tag, name, rowIndex);
            return;
        }
        const QDomNamedNodeMap attributes = row.attributes();
        for (int i = 0; i < attributes.count(); ++i) {
            const QDomAttr attribute = attributes.item(i).toAttr();
            QString original = attribute.value();
            // An activity file of the top module is stored with an empty instance.
            if (tag == QLatin1String("SimuFile") && attribute.name() == QLatin1String("entity") &&
                original == top)
                original.clear();
            if (hasAttribute(written->attributes, attribute.name()) &&
                sameValue(original, written->attribute(attribute.name())))
                continue;
            const QString where =
                QStringLiteral("%1 row %2 %3").arg(tag, quoted(name), attribute.name());
            const QString message = hasAttribute(written->attributes, attribute.name())
                                        ? QStringLiteral("%1: %2 → %3")
                                              .arg(where, quoted(attribute.value()),
                                                   quoted(written->attribute(attribute.name())))
                                        : QStringLiteral("%1: %2 → not written (unset)")
                                              .arg(where, quoted(attribute.value()));
            normalized(message, line, tag, name, rowIndex);
        }
    }

    void compareValue(const QString &what, const QString &original, const QString &written,
                      bool isWritten, int line, const QString &section)
    {
        if (!isWritten) {
            normalized(QStringLiteral("%1: %2 → not written").arg(what, quoted(original)), line,
                       section);
            return;
        }
        if (!sameValue(original, written))
            normalized(QStringLiteral("%1: %2 → %3").arg(what, quoted(original), quoted(written)),
                       line, section);
    }

    static bool hasAttribute(const Attributes &attributes, const QString &key)
    {
        for (const auto &pair : attributes) {
            if (pair.first == key)
                return true;
        }
        return false;
    }

    QString m_file;
    QList<Diagnostic> *m_out;
};

// What each table's rows name, as its picker offers them.
struct TableKind {
    const char *section;
    int wanted;
    const char *expected;
    const char *table;
};

const TableKind kTables[] = {
    {"NetRate", NetlistIndex::Net, "net", "net rate"},
    {"PortOutEnable", NetlistIndex::OutputPort | NetlistIndex::InoutPort, "output or inout port",
     "port output"},
    {"GlobalBsram", NetlistIndex::BlockRam, "block RAM", "block-RAM"},
    {"LocalEnable", NetlistIndex::FlipFlop, "flip-flop", "flip-flop enable"},
};

QString tableName(const QString &section)
{
    for (const TableKind &kind : kTables) {
        if (section == QLatin1String(kind.section))
            return QLatin1String(kind.table);
    }
    if (section == QLatin1String("GlobalEnable"))
        return QStringLiteral("clock enable");
    if (section == QLatin1String("SimuFile"))
        return QStringLiteral("activity file");
    return section;
}

QString resolved(const QString &path, const DesignContext &ctx, const QString &vepPath)
{
    if (QDir::isAbsolutePath(path))
        return path;
    const QString base =
        ctx.projectDir.isEmpty() ? QFileInfo(vepPath).absolutePath() : ctx.projectDir;
    return QDir(base).filePath(path);
}

} // namespace

QList<Diagnostic> Checker::checkFile(const QString &vepPath, const DesignContext &ctx,
                                     const NlsData::Netlist *netlist)
{
    std::unique_ptr<NetlistIndex> index(netlist ? new NetlistIndex(*netlist) : nullptr);
    return checkFile(vepPath, ctx, netlist, index.get());
}

QList<Diagnostic> Checker::checkFile(const QString &vepPath, const DesignContext &ctx,
                                     const NlsData::Netlist *netlist, const NetlistIndex *index)
{
    QList<Diagnostic> out;
    FileCheck check(vepPath, &out);
    const QString refused =
        QStringLiteral("Can not open %1: Invalid VEP file.").arg(QDir::toNativeSeparators(vepPath));

    FileOutline disk;
    QString error;
    if (!QFileInfo(vepPath).isFile() || !disk.read(vepPath, &error)) {
        check.add(Severity::Error, QStringLiteral("not-a-config"),
                  QStringLiteral("the file cannot be read%1")
                      .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error),
                  0);
        return out;
    }
    if (disk.docTypeName() != QLatin1String(kDocType)) {
        check.add(Severity::Error, QStringLiteral("not-a-config"),
                  QStringLiteral("%1 (the document type is %2, not %3)")
                      .arg(refused,
                           disk.docTypeName().isEmpty() ? QStringLiteral("missing")
                                                        : quoted(disk.docTypeName()),
                           QLatin1String(kDocType)),
                  1);
        return out;
    }

    const QString top = netlist ? netlist->topModuleName() : QString();
    HeadlessEditor editor(ctx.device, top);
    if (!editor.open(vepPath, &error)) {
        check.add(Severity::Error, QStringLiteral("not-a-config"), error, 1);
        return out;
    }
    const ZEL::ZELView &view = editor.view();
    for (const QString &text : editor.takeMessages())
        check.add(Severity::Warning, QStringLiteral("normalized"),
                  QStringLiteral("the editor says on opening: %1").arg(text), 0);

    ConfigSnapshot snapshot =
        ConfigSnapshot::fromWrittenForm(ConfigSnapshot::writtenForm(view), vepPath, disk);
    snapshot.topModule = top;
    if (!disk.root().isNull())
        check.compare(disk, snapshot);

    // The editor's own pre-save validation. The activity list's part of it (a listed file
    // missing on disk) is the activity-missing check, which names every such file.
    if (!view.generalPage()->checkConfig() || !view.ratePage()->rateWidget()->checkConfig()) {
        const QStringList texts = editor.takeMessages();
        check.add(Severity::Error, QStringLiteral("save-refused"),
                  QStringLiteral("the editor would refuse to save: %1")
                      .arg(texts.isEmpty() ? QStringLiteral("(no message)")
                                           : texts.join(QLatin1Char(' '))),
                  snapshot.section(QStringLiteral("NetRate"))
                      ? snapshot.section(QStringLiteral("NetRate"))->line
                      : 0,
                  QStringLiteral("NetRate"));
    }

    out += checkSnapshot(snapshot, ctx, netlist, index);
    return out;
}

QList<Diagnostic> Checker::checkSnapshot(const ConfigSnapshot &snapshot, const DesignContext &ctx,
                                         const NlsData::Netlist *netlist)
{
    std::unique_ptr<NetlistIndex> index(netlist ? new NetlistIndex(*netlist) : nullptr);
    return checkSnapshot(snapshot, ctx, netlist, index.get());
}

QList<Diagnostic> Checker::checkSnapshot(const ConfigSnapshot &snapshot, const DesignContext &ctx,
                                         const NlsData::Netlist *netlist, const NetlistIndex *index)
{
    Q_UNUSED(netlist)
    QList<Diagnostic> out;
    FileCheck check(snapshot.file, &out);
    auto rowDiagnostic = [&](Severity severity, const char *id, const QString &message,
                             const ConfigSection &section, const ConfigRow &row) -> Diagnostic & {
        Diagnostic &d = check.add(severity, QLatin1String(id), message, row.line, section.tag);
        d.name = row.name;
        d.row = row.row;
        return d;
    };

    for (const ConfigSection &section : snapshot.sections) {
        // duplicate-name: the same name twice in one table. Activity files count as the
        // same row only for the same file and instance.
        QHash<QString, const ConfigRow *> firstOf;
        for (const ConfigRow &row : section.rows) {
            QString key = row.name;
            if (section.tag == QLatin1String("SimuFile"))
                key += QLatin1Char('\n') + row.attribute(QStringLiteral("entity"));
            else if (row.name.isEmpty())
                continue;
            const ConfigRow *first = firstOf.value(key);
            if (!first) {
                firstOf.insert(key, &row);
                continue;
            }
            rowDiagnostic(Severity::Warning, "duplicate-name",
                          QStringLiteral("%1 is listed twice in the %2 table (first on line %3)")
                              .arg(quoted(row.name), tableName(section.tag))
                              .arg(first->line),
                          section, row);
        }

        if (index) {
            for (const TableKind &kind : kTables) {
                if (section.tag != QLatin1String(kind.section))
                    continue;
                for (const ConfigRow &row : section.rows) {
                    const int has = index->kinds(row.name);
                    if (has & kind.wanted)
                        continue;
                    const QString suggestion = index->suggest(row.name, kind.wanted);
                    const QString hint =
                        suggestion.isEmpty()
                            ? QString()
                            : QStringLiteral("; did you mean %1?").arg(quoted(suggestion));
                    if (has) {
                        Diagnostic &d = rowDiagnostic(
                            Severity::Warning, "wrong-kind",
                            QStringLiteral("%1 is a %2 in the netlist, not the %3 the %4 table "
                                           "needs%5")
                                .arg(quoted(row.name), NetlistIndex::kindName(has),
                                     QLatin1String(kind.expected), QLatin1String(kind.table), hint),
                            section, row);
                        d.suggestion = suggestion;
                        continue;
                    }
                    Diagnostic &d = rowDiagnostic(
                        Severity::Warning, "stale-name",
                        QStringLiteral("the netlist has no %1 %2%3")
                            .arg(QLatin1String(kind.expected), quoted(row.name), hint),
                        section, row);
                    d.suggestion = suggestion;
                }
            }
        }

        if (section.tag != QLatin1String("SimuFile"))
            continue;
        for (const ConfigRow &row : section.rows) {
            const QString instance = row.attribute(QStringLiteral("entity"));
            if (index && !instance.isEmpty() && !index->hasInstance(instance)) {
                const QString suggestion = index->suggest(instance, NetlistIndex::Submodule);
                Diagnostic &d = rowDiagnostic(
                    Severity::Warning, "stale-name",
                    QStringLiteral("the netlist has no module instance %1%2")
                        .arg(quoted(instance),
                             suggestion.isEmpty()
                                 ? QString()
                                 : QStringLiteral("; did you mean %1?").arg(quoted(suggestion))),
                    section, row);
                d.name = instance;
                d.suggestion = suggestion;
            }
            const QString path = resolved(row.name, ctx, snapshot.file);
            if (!QFileInfo::exists(path)) {
                rowDiagnostic(Severity::Error, "activity-missing",
                              QStringLiteral("the activity file %1 does not exist; the editor "
                                             "refuses to save: The vcd file '%2' doesn't exist.")
                                  .arg(quoted(path), row.name),
                              section, row);
            }
        }
    }
    return out;
}

QList<QPair<QString, QString>> Checker::checkIds()
{
    return {
        {QStringLiteral("not-a-config"), QStringLiteral("The editor refuses the file.")},
        {QStringLiteral("normalized"),
         QStringLiteral("The editor would change this on opening and saving the file.")},
        {QStringLiteral("save-refused"),
         QStringLiteral("The editor's own pre-save validation refuses the file.")},
        {QStringLiteral("stale-name"),
         QStringLiteral("A row names a net, instance or port the netlist does not have.")},
        {QStringLiteral("wrong-kind"),
         QStringLiteral("A row names something of another kind than its table needs.")},
        {QStringLiteral("duplicate-name"), QStringLiteral("The same name twice in one table.")},
        {QStringLiteral("activity-missing"),
         QStringLiteral("A listed activity file does not exist.")},
        {QStringLiteral("activity-format"),
         QStringLiteral("An activity file cannot be read as the type its row says.")},
        {QStringLiteral("activity-scope"),
         QStringLiteral("No scope of an activity file corresponds to the row's instance.")},
        {QStringLiteral("activity-window"),
         QStringLiteral("The row's time window is not inside the span the activity file covers.")},
        {QStringLiteral("activity-coverage"),
         QStringLiteral("How many of the instance's nets an activity file gives activity for.")},
    };
}

} // namespace VepCheck
