#include "enable/SectionIO.h"

#include "enable/RecordTableModel.h"

#include <QXmlStreamWriter>

namespace ZEL {
namespace SectionIO {

namespace {

// Qt's text-to-number conversion accepts "nan" and "inf" and turns an overflow such as
// "1e999" into infinity. Such texts read as 0, like any other text that is not a number.
template <class Number> Number finiteOrZero(Number value)
{
    return qIsFinite(value) ? value : Number(0);
}

} // namespace

QDomElement section(const QDomElement &root, const QString &tag)
{
    return root.firstChildElement(tag);
}

float readValue(const QDomElement &row, const QString &attribute)
{
    return finiteOrZero(row.attribute(attribute, QStringLiteral("-1")).toFloat());
}

int readKind(const QDomElement &row)
{
    return row.attribute(QStringLiteral("type")).toInt(nullptr, 10);
}

double readNumber(const QDomElement &element, const QString &attribute, const QString &defaultText)
{
    return finiteOrZero(element.attribute(attribute, defaultText).toDouble());
}

QString formatNumber(double value)
{
    return QString::number(value, 'g', 6);
}

void writeValue(QXmlStreamWriter &writer, const QString &attribute, float value)
{
    if (isSet(value))
        writer.writeAttribute(attribute, formatNumber(double(value)));
}

void writeNumber(QXmlStreamWriter &writer, const QString &attribute, double value)
{
    writer.writeAttribute(attribute, formatNumber(value));
}

void writeKind(QXmlStreamWriter &writer, int kind)
{
    writer.writeAttribute(QStringLiteral("type"), QString::number(kind));
}

} // namespace SectionIO
} // namespace ZEL
