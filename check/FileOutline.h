#pragma once

// A .vep file on disk as written, down to the rows of its sections, with the line of
// each element: the checker compares it with what the editor would write and places its
// findings on the lines the user sees. Read in one streaming pass, without a DOM, so a
// file of 100,000 rows costs little next to opening it in the editor.

#include "check/ConfigSnapshot.h"

#include <QString>
#include <QStringRef>
#include <QVector>

class QByteArray;
class QIODevice;
class QXmlStreamReader;

namespace VepCheck {

class FileOutline {
public:
    struct Element {
        QString tag;
        Attributes attributes;
        QString text; // the element's text, its children's included
        int line = 0;
        QVector<Element> children; // kept for the root's children only (the rows)
        // A child of the root that is byte for byte the first one of its tag in the
        // reference outline (see parseFile), and was taken from there.
        bool sameAsReference = false;

        QString attribute(const QString &key) const;
        bool hasAttribute(const QString &key) const;
    };

    // False when the file cannot be read at all; `error` says why. A file that breaks off
    // keeps what came before the break, as the editor's reading does.
    bool read(const QString &path, QString *error = nullptr);
    // The same for the bytes of a file, decoded as the editor decodes them. With a
    // reference (the editor's written form of the same file, read by parse), a child of the
    // root whose bytes are those of the reference's first child of its tag is taken from
    // the reference instead of being read again: a file saved by the editor and edited in
    // one section costs the reading of that section.
    void parseFile(const QByteArray &bytes, const FileOutline *reference = nullptr);
    // A document in memory that is UTF-8 (the editor's written form of a view).
    void parse(const QByteArray &bytes);

    QString docTypeName() const { return m_docTypeName; }
    bool hasRoot() const { return m_hasRoot; }
    // The direct children of the root element, in file order.
    const QVector<Element> &entries() const { return m_entries; }
    // The child the editor reads for `tag`: the first one with that name.
    const Element *first(const QString &tag) const;

private:
    // The plain form the editor writes (printable ASCII, the five predefined entities, one
    // tag a line, no comments): read without the XML reader, in half its time. False as
    // soon as anything else shows, and the caller reads the document with the XML reader.
    bool scanPlain(const QByteArray &bytes);
    bool scanTag(const char *&p, const char *end, int line, Element *element, bool *empty);
    bool scanContent(const char *&p, const char *end, int &line, QLatin1String tag, Element *entry);
    void parse(QIODevice *device);
    void parse(QXmlStreamReader &reader);
    // One string per distinct tag and attribute name, shared by every element that has it:
    // a file of 100,000 rows has a dozen distinct names.
    QString interned(const QStringRef &name);
    int nameIndex(QLatin1String name);
    void takeStart(QXmlStreamReader &reader, Element *element);

    // Where each child of the root lies in the bytes the scanner read: [begin, end).
    struct Span {
        int begin;
        int end;
    };
    bool takeSame(const char *&p, const char *end, int &line, const char *tagStart,
                  Element *entry) const;

    QVector<QString> m_names;
    // The scanner's last value of each attribute name (by index in m_names) and the bytes
    // it was read from: rows repeat their values ("25", "toggle"), which then share one
    // string instead of allocating one each.
    struct LastValue {
        const char *raw = nullptr;
        int size = -1;
        QString value;
    };
    QVector<LastValue> m_lastValues;
    const FileOutline *m_reference = nullptr;
    QByteArray m_bytes;    // the document the scanner read, kept for the spans
    QVector<Span> m_spans; // of m_entries, when the scanner read them
    QString m_docTypeName;
    bool m_hasRoot = false;
    QVector<Element> m_entries;
};

} // namespace VepCheck

// Moved, not copied, when a list of 100,000 rows grows.
Q_DECLARE_TYPEINFO(VepCheck::FileOutline::Element, Q_MOVABLE_TYPE);
