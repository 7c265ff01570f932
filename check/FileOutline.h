#pragma once

// A .vep file on disk as the editor's parser sees it, with the line of each section and
// of each row: the checker compares it with what the editor would write, and places its
// findings on the lines the user sees.

#include <QDomDocument>
#include <QDomElement>
#include <QString>
#include <QVector>

namespace VepCheck {

class FileOutline {
public:
    struct Entry {
        QDomElement element;
        int line = 0;
        QVector<int> childLines; // lines of the element's child elements, in order
    };

    // False when the file cannot be read at all; `error` says why.
    bool read(const QString &path, QString *error = nullptr);

    QString docTypeName() const { return m_document.doctype().name(); }
    QDomElement root() const { return m_document.documentElement(); }
    // The direct children of the root element, in file order.
    const QVector<Entry> &entries() const { return m_entries; }
    // The child the editor reads for `tag`: the first one with that name.
    const Entry *first(const QString &tag) const;

private:
    QDomDocument m_document;
    QVector<Entry> m_entries;
};

} // namespace VepCheck
