#include "check/ConfigSnapshot.h"

#include "check/FileOutline.h"
#include "document/ZELView.h"
#include "enable/ZELEnableSetWidget.h"
#include "general/ZELSettingWidget.h"
#include "host/nlsdata.h"
#include "rate/ZELRateWidget.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace VepCheck {

namespace {

QString lookUp(const Attributes &attributes, const QString &key)
{
    for (const auto &pair : attributes) {
        if (pair.first == key)
            return pair.second;
    }
    return QString();
}

QString rowTagOf(const QString &sectionTag)
{
    for (const auto &pair : ConfigSnapshot::sectionTags()) {
        if (pair.first == sectionTag)
            return pair.second;
    }
    return QString();
}

bool isSection(const QString &tag)
{
    for (const auto &pair : ConfigSnapshot::sectionTags()) {
        if (pair.first == tag)
            return true;
    }
    return false;
}

QJsonObject toObject(const Attributes &attributes)
{
    QJsonObject object;
    for (const auto &pair : attributes)
        object.insert(pair.first, pair.second);
    return object;
}

// Gives each row the line of the row with the same tag and name on disk: rows keep their
// file order in the editor, so the two lists are walked side by side; where they part (a
// row added or dropped since), the k-th row of a name gets the line of the k-th row of
// that name in the file.
void placeRows(ConfigSection &section, const FileOutline::Element &entry)
{
    const QVector<FileOutline::Element> &disk = entry.children;
    int next = 0;
    QHash<QString, QVector<int>> linesByName;
    QHash<QString, int> taken;
    for (ConfigRow &row : section.rows) {
        if (linesByName.isEmpty()) {
            while (next < disk.size() && disk.at(next).tag != row.tag)
                ++next;
            if (next < disk.size() && disk.at(next).attribute(QStringLiteral("name")) == row.name) {
                row.line = disk.at(next++).line;
                continue;
            }
            for (int i = next; i < disk.size(); ++i)
                linesByName[disk.at(i).tag + QLatin1Char('\n') +
                            disk.at(i).attribute(QStringLiteral("name"))]
                    .append(disk.at(i).line);
            if (linesByName.isEmpty())
                return;
        }
        const QString key = row.tag + QLatin1Char('\n') + row.name;
        const auto it = linesByName.constFind(key);
        if (it == linesByName.constEnd())
            continue;
        int &used = taken[key];
        if (used < it->size())
            row.line = it->at(used++);
    }
}

} // namespace

QString ConfigRow::attribute(const QString &key) const
{
    return lookUp(attributes, key);
}

QString ConfigSection::attribute(const QString &key) const
{
    return lookUp(attributes, key);
}

QString ConfigSection::value(const QString &tag) const
{
    return lookUp(values, tag);
}

const ConfigSection *ConfigSnapshot::section(const QString &tag) const
{
    for (const ConfigSection &section : sections) {
        if (section.tag == tag)
            return &section;
    }
    return nullptr;
}

QString ConfigSnapshot::setting(const QString &tag) const
{
    return lookUp(settings, tag);
}

const QVector<QPair<QString, QString>> &ConfigSnapshot::sectionTags()
{
    static const QVector<QPair<QString, QString>> tags = {
        {QStringLiteral("NetRate"), QStringLiteral("Net")},
        {QStringLiteral("DefaultConfig"), QString()},
        {QStringLiteral("SimuFile"), QStringLiteral("File")},
        {QStringLiteral("GlobalEnable"), QStringLiteral("Clock")},
        {QStringLiteral("PortOutEnable"), QStringLiteral("Port")},
        {QStringLiteral("GlobalBsram"), QStringLiteral("BSRam")},
        {QStringLiteral("LocalEnable"), QStringLiteral("Instance")},
    };
    return tags;
}

QByteArray ConfigSnapshot::writtenForm(const ZEL::ZELView &view)
{
    // The pages write their sections themselves.
    return writtenForm([&view](QXmlStreamWriter &writer) {
        view.generalPage()->writeConfig(writer);
        view.ratePage()->writeConfig(writer);
        view.enableSetPage()->writeConfig(writer);
    });
}

QByteArray ConfigSnapshot::writtenForm(const std::function<void(QXmlStreamWriter &)> &writeBody)
{
    // The frame of the view's own save.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeDTD(QStringLiteral("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>"));
    writer.writeStartElement(QStringLiteral("Config"));
    writer.writeTextElement(QStringLiteral("Version"), QStringLiteral("1.0"));
    writeBody(writer);
    writer.writeEndElement();
    return bytes;
}

ConfigSnapshot ConfigSnapshot::fromView(const ZEL::ZELView &view)
{
    ConfigSnapshot snapshot = fromWrittenForm(writtenForm(view), view.file());
    if (NlsData::Netlist *netlist = const_cast<ZEL::ZELView &>(view).getNetlist())
        snapshot.topModule = netlist->topModuleName();
    return snapshot;
}

ConfigSnapshot ConfigSnapshot::fromWrittenForm(const QByteArray &written, const QString &diskFile)
{
    FileOutline disk;
    disk.read(diskFile);
    return fromWrittenForm(written, diskFile, disk);
}

ConfigSnapshot ConfigSnapshot::fromWrittenForm(const QByteArray &written, const QString &diskFile,
                                               const FileOutline &disk)
{
    FileOutline form;
    form.parse(written);
    return fromOutlines(form, diskFile, disk);
}

ConfigSnapshot ConfigSnapshot::fromOutlines(const FileOutline &form, const QString &diskFile,
                                            const FileOutline &disk)
{
    ConfigSnapshot snapshot;
    snapshot.file = diskFile;
    for (const FileOutline::Element &element : form.entries()) {
        const FileOutline::Element *entry = disk.first(element.tag);
        if (!isSection(element.tag)) {
            if (element.tag == QLatin1String("Version"))
                continue;
            snapshot.settings.append({element.tag, element.text});
            if (entry)
                snapshot.settingLines.insert(element.tag, entry->line);
            continue;
        }
        ConfigSection section;
        section.tag = element.tag;
        section.line = entry ? entry->line : 0;
        section.attributes = element.attributes;
        const QString rowTag = rowTagOf(element.tag);
        section.rows.reserve(element.children.size());
        for (const FileOutline::Element &child : element.children) {
            if (child.tag != rowTag) {
                section.values.append({child.tag, child.text});
                continue;
            }
            ConfigRow row;
            row.tag = child.tag;
            row.row = section.rows.size();
            row.attributes = child.attributes;
            row.name = child.attribute(QStringLiteral("name"));
            section.rows.append(std::move(row));
        }
        if (entry)
            placeRows(section, *entry);
        snapshot.sections.append(std::move(section));
    }
    return snapshot;
}

QJsonObject ConfigSnapshot::toJson() const
{
    QJsonObject settingsObject = toObject(settings);
    QJsonObject sectionsObject;
    for (const auto &pair : sectionTags()) {
        QJsonObject sectionObject;
        const ConfigSection *found = section(pair.first);
        sectionObject.insert(QStringLiteral("attributes"),
                             found ? toObject(found->attributes) : QJsonObject());
        if (found && !found->values.isEmpty())
            sectionObject.insert(QStringLiteral("values"), toObject(found->values));
        if (!pair.second.isEmpty()) {
            QJsonArray rows;
            if (found) {
                for (const ConfigRow &row : found->rows)
                    rows.append(toObject(row.attributes));
            }
            sectionObject.insert(QStringLiteral("rows"), rows);
        }
        sectionsObject.insert(pair.first, sectionObject);
    }
    QJsonObject object;
    object.insert(QStringLiteral("file"), file);
    object.insert(QStringLiteral("settings"), settingsObject);
    object.insert(QStringLiteral("sections"), sectionsObject);
    return object;
}

} // namespace VepCheck
