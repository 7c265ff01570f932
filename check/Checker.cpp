#include "check/Checker.h"

#include "activity/ActivityHeader.h"
#include "activity/ScopeMatcher.h"
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
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
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
        for (const FileOutline::Element &entry : disk.entries()) {
            const QString tag = entry.tag;
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
                if (entry.text != QLatin1String("1.0"))
                    normalized(QStringLiteral("Version: %1 → '1.0'").arg(quoted(entry.text)),
                               entry.line);
            } else if (settingTags().contains(tag)) {
                compareSetting(entry, snapshot);
            } else if (!sameRows(entry)) {
                compareSection(entry, snapshot.section(tag), snapshot.topModule);
            }
        }
    }

private:
    // A section the editor's written form has byte for byte, as its first of the tag,
    // holding rows only: the comparison would find nothing. An activity file of the top
    // module is not written as it is read, so that section is always compared.
    static bool sameRows(const FileOutline::Element &entry)
    {
        if (!entry.sameAsReference || entry.tag == QLatin1String("SimuFile"))
            return false;
        const QString rowTag = rowTagOf(entry.tag);
        return std::all_of(entry.children.cbegin(), entry.children.cend(),
                           [&](const FileOutline::Element &child) { return child.tag == rowTag; });
    }

    void compareSetting(const FileOutline::Element &entry, const ConfigSnapshot &snapshot)
    {
        const QString tag = entry.tag;
        const QString original = entry.text;
        bool written = false;
        for (const auto &pair : snapshot.settings) {
            if (pair.first == tag) {
                written = true;
                if (!sameValue(original, pair.second))
                    normalized(QStringLiteral("%1: %2 → %3")
                                   .arg(tag, quoted(original), quoted(pair.second)),
                               entry.line, QString(), tag);
            }
        }
        if (!written)
            normalized(QStringLiteral("%1: %2 → not written: it does not apply to the other "
                                      "settings")
                           .arg(tag, quoted(original)),
                       entry.line, QString(), tag);
    }

    void compareSection(const FileOutline::Element &entry, const ConfigSection *section,
                        const QString &top)
    {
        const QString &tag = entry.tag;
        for (const auto &attribute : entry.attributes)
            compareValue(QStringLiteral("%1 %2").arg(tag, attribute.first), attribute.second,
                         section ? section->attribute(attribute.first) : QString(),
                         section && hasAttribute(section->attributes, attribute.first), entry.line,
                         tag);

        const QString rowTag = rowTagOf(tag);
        int rowIndex = 0;
        int writtenRow = 0;
        QSet<QString> valueTags;
        for (const FileOutline::Element &child : entry.children) {
            if (!rowTag.isEmpty() && child.tag == rowTag) {
                compareRow(child, tag, section, &writtenRow, rowIndex++, top);
                continue;
            }
            const bool firstOfTag = !valueTags.contains(child.tag);
            valueTags.insert(child.tag);
            if (section && firstOfTag && hasAttribute(section->values, child.tag)) {
                compareValue(QStringLiteral("%1 %2").arg(tag, child.tag), child.text,
                             section->value(child.tag), true, child.line, tag);
            } else {
                normalized(QStringLiteral("%1: <%2> %3 → ignored: the editor does not keep it")
                               .arg(tag, child.tag, quoted(child.text.trimmed())),
                           child.line, tag);
            }
        }
    }

    // Rows keep their file order in the editor and are only ever dropped, so the written
    // rows are walked alongside the file's.
    void compareRow(const FileOutline::Element &row, const QString &tag,
                    const ConfigSection *section, int *writtenRow, int rowIndex, const QString &top)
    {
        const int line = row.line;
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
        for (const auto &attribute : row.attributes) {
            QString original = attribute.second;
            // An activity file of the top module is stored with an empty instance.
            if (tag == QLatin1String("SimuFile") && attribute.first == QLatin1String("entity") &&
                original == top)
                original.clear();
            if (hasAttribute(written->attributes, attribute.first) &&
                sameValue(original, written->attribute(attribute.first)))
                continue;
            const QString where =
                QStringLiteral("%1 row %2 %3").arg(tag, quoted(name), attribute.first);
            const QString message = hasAttribute(written->attributes, attribute.first)
                                        ? QStringLiteral("%1: %2 → %3")
                                              .arg(where, quoted(attribute.second),
                                                   quoted(written->attribute(attribute.first)))
                                        : QStringLiteral("%1: %2 → not written (unset)")
                                              .arg(where, quoted(attribute.second));
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

// Seconds per unit of a row's time window; 0 for a unit the power run does not know.
double secondsPer(const QString &unit)
{
    static const QHash<QString, double> units = {
        {QStringLiteral("s"), 1},     {QStringLiteral("ms"), 1e-3},  {QStringLiteral("us"), 1e-6},
        {QStringLiteral("ns"), 1e-9}, {QStringLiteral("ps"), 1e-12}, {QStringLiteral("fs"), 1e-15}};
    return units.value(unit.trimmed().toLower());
}

QString inUnit(double seconds, const QString &unit, double perUnit)
{
    return QStringLiteral("%1 %2").arg(QString::number(seconds / perUnit, 'g', 6), unit);
}

// The nets of an instance relative to it, as the activity file names them under the
// instance's scope; synthesis-internal names ($...) are never in a simulation dump.
QStringList relativeNets(const NetlistIndex &index, const QString &instance)
{
    const bool top = instance.isEmpty() || instance == index.topModule();
    const int cut = top ? 0 : instance.size() + 1;
    QStringList names;
    for (const QString &net : index.netsUnder(top ? QString() : instance)) {
        if (!net.contains(QLatin1Char('$')))
            names.append(net.mid(cut));
    }
    return names;
}

// For each of `count` keys, the index of the first earlier key equal to it, or -1; a null
// key takes no part. Keys are sorted by their hash and compared only within a run of equal
// hashes, against the first key of each distinct name in the run: no node per key, and a
// name listed ten thousand times costs no more than ten thousand names.
template <class KeyOf> QVector<int> firstOfSameKey(int count, KeyOf keyOf)
{
    std::vector<std::pair<uint, int>> order;
    order.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        if (const QString *key = keyOf(i))
            order.push_back({qHash(*key), i});
    }
    std::sort(order.begin(), order.end());
    QVector<int> first(count, -1);
    QVarLengthArray<int, 4> distinct;
    for (size_t run = 0; run < order.size();) {
        size_t runEnd = run + 1;
        while (runEnd < order.size() && order[runEnd].first == order[run].first)
            ++runEnd;
        distinct.clear();
        for (size_t j = run; j < runEnd; ++j) {
            const int row = order[j].second;
            const QString &key = *keyOf(row);
            bool found = false;
            for (int earlier : distinct) {
                if (*keyOf(earlier) == key) {
                    first[row] = earlier;
                    found = true;
                    break;
                }
            }
            if (!found)
                distinct.append(row);
        }
        run = runEnd;
    }
    return first;
}

template <class Report>
void checkActivity(const ConfigRow &row, const ConfigSection &section, const QString &path,
                   const NetlistIndex *index, const QString &top, Report report)
{
    const bool isVcd = row.attribute(QStringLiteral("type")) == QLatin1String("vcd");
    const Activity::ActivityHeader header = Activity::readActivityHeader(path, isVcd);
    if (!header.ok) {
        report(Severity::Error, "activity-format",
               QStringLiteral("%1 cannot be read as a %2 file: %3%4")
                   .arg(quoted(row.name), isVcd ? QStringLiteral("VCD") : QStringLiteral("SAIF"),
                        header.error,
                        header.errorLine > 0 ? QStringLiteral(" (line %1)").arg(header.errorLine)
                                             : QString()),
               section, row);
        return;
    }

    // The time window, only a VCD row has one.
    const QString start = row.attribute(QStringLiteral("start_time"));
    const QString end = row.attribute(QStringLiteral("end_time"));
    const QString unit = row.attribute(QStringLiteral("time_unit"));
    const double perUnit = secondsPer(unit);
    if (isVcd && (!start.isEmpty() || !end.isEmpty()) && perUnit > 0) {
        bool okStart = true;
        bool okEnd = true;
        const double from = start.isEmpty() ? header.spanStart : start.toDouble(&okStart) * perUnit;
        const double to = end.isEmpty() ? header.spanEnd : end.toDouble(&okEnd) * perUnit;
        const double slack = 1e-6 * std::max(std::abs(header.spanEnd), perUnit);
        if (!okStart || !okEnd) {
            report(
                Severity::Warning, "activity-window",
                QStringLiteral("the time window %1 to %2 is not a pair of numbers").arg(start, end),
                section, row);
        } else if (from >= to) {
            report(Severity::Warning, "activity-window",
                   QStringLiteral("the time window starts at %1, not before its end %2")
                       .arg(inUnit(from, unit, perUnit), inUnit(to, unit, perUnit)),
                   section, row);
        } else if (header.hasSpan &&
                   (from < header.spanStart - slack || to > header.spanEnd + slack)) {
            report(Severity::Warning, "activity-window",
                   QStringLiteral("the time window %1 to %2 is not inside the span %3 to %4 "
                                  "that %5 covers")
                       .arg(inUnit(from, unit, perUnit), inUnit(to, unit, perUnit),
                            inUnit(header.spanStart, unit, perUnit),
                            inUnit(header.spanEnd, unit, perUnit), quoted(row.name)),
                   section, row);
        }
    }

    if (!index)
        return;
    QString instance = row.attribute(QStringLiteral("entity"));
    if (instance.isEmpty())
        instance = top.isEmpty() ? index->topModule() : top;
    const bool isTop = instance == index->topModule();
    if (!isTop && !index->hasInstance(instance))
        return; // reported as a stale name
    const QStringList nets = relativeNets(*index, isTop ? QString() : instance);
    const Activity::ScopeMatcher matcher(header);
    int scope = matcher.find(instance);
    Activity::ScopeMatch found;
    if (scope >= 0) {
        found = matcher.match(scope, nets);
    } else {
        const Activity::ScopeMatch best = matcher.best(nets);
        // The top module has no name in a dump written from a testbench: it is the scope
        // that holds its nets.
        if (isTop && best.scope >= 0 && best.matched > 0) {
            found = best;
        } else {
            Diagnostic &d = report(
                Severity::Error, "activity-scope",
                QStringLiteral("no scope of %1 corresponds to instance %2%3")
                    .arg(quoted(row.name), quoted(instance),
                         best.scope >= 0 && best.matched > 0
                             ? QStringLiteral("; the instance's nets are under %1 (%2 of %3)")
                                   .arg(quoted(best.path))
                                   .arg(best.matched)
                                   .arg(best.total)
                             : QString()),
                section, row);
            if (best.scope >= 0 && best.matched > 0)
                d.suggestion = best.path;
            return;
        }
    }
    if (found.total == 0)
        return;
    const double share = 100.0 * found.matched / found.total;
    report(share < 50 ? Severity::Warning : Severity::Note, "activity-coverage",
           QStringLiteral("%1 gives activity for %2 of the %3 nets of %4 (%5 %), under scope %6")
               .arg(quoted(row.name))
               .arg(found.matched)
               .arg(found.total)
               .arg(quoted(instance))
               .arg(QString::number(share, 'f', 0), quoted(found.path)),
           section, row);
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
    QString error;
    QFile file(vepPath);
    if (!QFileInfo(vepPath).isFile() || !file.open(QIODevice::ReadOnly)) {
        check.add(Severity::Error, QStringLiteral("not-a-config"),
                  QStringLiteral("the file cannot be read: %1")
                      .arg(QFileInfo(vepPath).isFile() ? file.errorString()
                                                       : QStringLiteral("no such file")),
                  0);
        return out;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    const QString top = netlist ? netlist->topModuleName() : QString();
    HeadlessEditor editor(ctx.device, top);
    if (!editor.open(vepPath, &error)) {
        // The editor says only "Invalid VEP file"; the document type is the reason.
        FileOutline disk;
        disk.parseFile(bytes);
        if (disk.docTypeName() != QLatin1String(kDocType))
            error += QStringLiteral(" (the document type is %1, not %2)")
                         .arg(disk.docTypeName().isEmpty() ? QStringLiteral("missing")
                                                           : quoted(disk.docTypeName()),
                              QLatin1String(kDocType));
        check.add(Severity::Error, QStringLiteral("not-a-config"), error, 1);
        return out;
    }
    const ZEL::ZELView &view = editor.view();
    for (const QString &text : editor.takeMessages())
        check.add(Severity::Warning, QStringLiteral("normalized"),
                  QStringLiteral("the editor says on opening: %1").arg(text), 0);

    // A file as the editor writes it (the usual case: files are saved by the editor) has
    // nothing to normalise, and its lines are those of the written form.
    const QByteArray written = ConfigSnapshot::writtenForm(view);
    FileOutline form;
    form.parse(written);
    ConfigSnapshot snapshot;
    if (written == bytes) {
        snapshot = ConfigSnapshot::fromOutlines(form, vepPath, form);
    } else {
        FileOutline disk;
        disk.parseFile(bytes, &form);
        snapshot = ConfigSnapshot::fromOutlines(form, vepPath, disk);
        snapshot.topModule = top;
        if (disk.hasRoot())
            check.compare(disk, snapshot);
    }
    snapshot.topModule = top;

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
    std::stable_sort(out.begin(), out.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
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
        const bool files = section.tag == QLatin1String("SimuFile");
        QVector<QString> fileKeys;
        if (files) {
            fileKeys.reserve(section.rows.size());
            for (const ConfigRow &row : section.rows)
                fileKeys.append(row.name + QLatin1Char('\n') +
                                row.attribute(QStringLiteral("entity")));
        }
        const QVector<int> first =
            firstOfSameKey(section.rows.size(), [&](int i) -> const QString * {
                if (files)
                    return &fileKeys.at(i);
                const QString &name = section.rows.at(i).name;
                return name.isEmpty() ? nullptr : &name;
            });
        for (int i = 0; i < section.rows.size(); ++i) {
            if (first.at(i) < 0)
                continue;
            const ConfigRow &row = section.rows.at(i);
            rowDiagnostic(Severity::Warning, "duplicate-name",
                          QStringLiteral("%1 is listed twice in the %2 table (first on line %3)")
                              .arg(quoted(row.name), tableName(section.tag))
                              .arg(section.rows.at(first.at(i)).line),
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
                            QStringLiteral("%1 names %2 in the netlist, not the %3 the %4 "
                                           "table needs%5")
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
                                  .arg(quoted(QDir::current().relativeFilePath(path)), row.name),
                              section, row);
                continue;
            }
            checkActivity(row, section, path, index, snapshot.topModule, rowDiagnostic);
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
