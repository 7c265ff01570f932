#pragma once

// Reading and writing of the record tables' file sections, shared so that every
// table writes numbers, unset values and attribute order the same way: values are
// 32-bit floats where a negative value is unset (left out of the file), numbers
// are written with six significant digits, the name comes first and the kind
// (`type`) last.

#include <QDomElement>
#include <QList>
#include <QString>
#include <QVector>

class QXmlStreamWriter;

namespace ZEL {
namespace SectionIO {

// The first child element of `root` named `tag`; a null element when there is none.
QDomElement section(const QDomElement &root, const QString &tag);

// Calls readRow(element) for every child element of `section` named `rowTag`, in
// document order.
template <class ReadRow>
void forEachRow(const QDomElement &section, const QString &rowTag, ReadRow readRow)
{
    for (QDomElement row = section.firstChildElement(rowTag); !row.isNull();
         row = row.nextSiblingElement(rowTag))
        readRow(row);
}

// A row value: "-1" (unset) when the attribute is missing, 0 when it is not a number.
float readValue(const QDomElement &row, const QString &attribute);
// The row kind from `type`: 0 when missing or not a decimal integer.
int readKind(const QDomElement &row);
// A global spin box value: `defaultText` when missing, 0 when it is not a number.
double readNumber(const QDomElement &element, const QString &attribute, const QString &defaultText);

QString formatNumber(double value);
// Writes the attribute only when the value is set.
void writeValue(QXmlStreamWriter &writer, const QString &attribute, float value);
void writeNumber(QXmlStreamWriter &writer, const QString &attribute, double value);
void writeKind(QXmlStreamWriter &writer, int kind);

// A page writes its rows from the records it holds, and a copy taken for another thread
// (see the pages' contents()) writes them from the copied records, by the same code.
template <class Record> const Record &record(const Record &row)
{
    return row;
}
template <class Record> const Record &record(Record *row)
{
    return *row;
}
// Copies of the records: plain values whose strings are shared, cheap to take.
template <class Record> QVector<Record> copyRecords(const QList<Record *> &rows)
{
    QVector<Record> copies;
    copies.reserve(rows.size());
    for (const Record *row : rows)
        copies.append(*row);
    return copies;
}

} // namespace SectionIO
} // namespace ZEL
