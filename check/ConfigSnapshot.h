#pragma once

// Everything the editor holds for one configuration file, as plain copyable data that
// any thread may read: the general settings, the default rates and the glitch option,
// the activity files and the rows of every table. It is taken from the editor's own
// writing of a view, so it means exactly what the editor means; the line of each element
// comes from the file on disk.

#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

class QJsonObject;
class QXmlStreamWriter;

namespace ZEL {
class ZELView;
}

namespace VepCheck {

class FileOutline;

using Attributes = QVector<QPair<QString, QString>>;

// One row of a table: an element such as <Net name=... value=.../>.
struct ConfigRow {
    QString tag;           // "Net", "Port", "Clock", "BSRam", "Instance", "File"
    QString name;          // the `name` attribute (for "File": the activity file's path)
    Attributes attributes; // every attribute as the editor writes it, in its order
    int line = 0;          // line in the file on disk, 0 when the row is not there
    int row = 0;           // index among the rows of its tag in the section (the table row)

    QString attribute(const QString &key) const;
};

// One section element of the file (`NetRate`, `DefaultConfig`, `SimuFile`,
// `GlobalEnable`, `PortOutEnable`, `GlobalBsram`, `LocalEnable`).
struct ConfigSection {
    QString tag;
    Attributes attributes;
    Attributes values; // text children that are not rows, e.g. DefaultIoToggleRate, FilterGlitch
    QVector<ConfigRow> rows;
    int line = 0;

    QString attribute(const QString &key) const;
    QString value(const QString &tag) const;
};

class ConfigSnapshot {
public:
    QString file;        // the .vep path
    QString topModule;   // top module the view's activity rows were read against
    Attributes settings; // general page elements (TempGrade, VCC, ...), in written order
    QHash<QString, int> settingLines; // element tag -> line on disk
    QVector<ConfigSection> sections;

    const ConfigSection *section(const QString &tag) const;
    QString setting(const QString &tag) const;

    // GUI thread: what `view` would write, with lines from the file at view.file().
    static ConfigSnapshot fromView(const ZEL::ZELView &view);
    // The editor's written form (a complete .vep document) with lines from `diskFile`.
    static ConfigSnapshot fromWrittenForm(const QByteArray &written, const QString &diskFile);
    static ConfigSnapshot fromWrittenForm(const QByteArray &written, const QString &diskFile,
                                          const FileOutline &disk);
    // The same from the written form already read into an outline.
    static ConfigSnapshot fromOutlines(const FileOutline &written, const QString &diskFile,
                                       const FileOutline &disk);
    // What the editor would save for `view`: a complete .vep document.
    static QByteArray writtenForm(const ZEL::ZELView &view);
    // The document frame of a save around the sections `writeBody` writes.
    static QByteArray writtenForm(const std::function<void(QXmlStreamWriter &)> &writeBody);

    // The sections the editor reads, in its writing order, and the row tag of each
    // (empty for sections without rows).
    static const QVector<QPair<QString, QString>> &sectionTags();

    // Every section as the editor reads it, for `vep dump`.
    QJsonObject toJson() const;
};

} // namespace VepCheck

// Moved, not copied, when a list of 100,000 rows grows.
Q_DECLARE_TYPEINFO(VepCheck::ConfigRow, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(VepCheck::ConfigSection, Q_MOVABLE_TYPE);
