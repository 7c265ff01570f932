#include "enable/SectionIO.h"

#include "enable/RecordTableModel.h"

#include <QXmlStreamWriter>

namespace ZEL {
namespace SectionIO {

QDomElement section(const QDomElement &root, const QString &tag)
{
    return root.firstChildElement(tag);
}

float readValue(const QDomElement &row, const QString &attribute)
{
    return row.attribute(attribute, QStringLiteral("-1")).toFloat();
}

int readKind(const QDomElement &row)
{
    return row.attribute(QStringLiteral("type")).toInt(nullptr, 10);
}

double readNumber(const QDomElement &element, const QString &attribute, const QString &defaultText)
{
    return element.attribute(attribute, defaultText).toDouble();
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
