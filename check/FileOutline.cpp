#include "check/FileOutline.h"

#include <QFile>
#include <QXmlStreamReader>

namespace VepCheck {

namespace {

// Everything inside the current element as text, its children's included (as a DOM
// element's text()), leaving the reader at its end tag.
QString textOf(QXmlStreamReader &reader)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            text += reader.text();
            break;
        default:
            break;
        }
    }
    return text;
}

void takeStart(QXmlStreamReader &reader, FileOutline::Element *element)
{
    element->tag = reader.qualifiedName().toString();
    element->line = int(reader.lineNumber());
    const QXmlStreamAttributes attributes = reader.attributes();
    element->attributes.reserve(attributes.size());
    for (const QXmlStreamAttribute &attribute : attributes)
        element->attributes.append(
            {attribute.qualifiedName().toString(), attribute.value().toString()});
}

} // namespace

QString FileOutline::Element::attribute(const QString &key) const
{
    for (const auto &pair : attributes) {
        if (pair.first == key)
            return pair.second;
    }
    return QString();
}

bool FileOutline::Element::hasAttribute(const QString &key) const
{
    for (const auto &pair : attributes) {
        if (pair.first == key)
            return true;
    }
    return false;
}

bool FileOutline::read(const QString &path, QString *error)
{
    m_entries.clear();
    m_docTypeName.clear();
    m_hasRoot = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QXmlStreamReader reader(&file);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD) {
            m_docTypeName = reader.dtdName().toString();
            // The editor's reading stops at entity declarations, before any element.
            if (!reader.entityDeclarations().isEmpty() ||
                reader.text().contains(QLatin1String("<!ENTITY")))
                return true;
        } else if (token == QXmlStreamReader::StartElement) {
            m_hasRoot = true;
            break;
        }
    }
    // The root's children, and the children of those: settings, sections and rows.
    while (m_hasRoot && reader.readNextStartElement()) {
        Element entry;
        takeStart(reader, &entry);
        while (!reader.atEnd()) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if (token == QXmlStreamReader::EndElement)
                break;
            if (token == QXmlStreamReader::Characters) {
                entry.text += reader.text();
            } else if (token == QXmlStreamReader::StartElement) {
                Element child;
                takeStart(reader, &child);
                child.text = textOf(reader);
                entry.text += child.text;
                entry.children.append(child);
            }
        }
        m_entries.append(entry);
    }
    return true;
}

const FileOutline::Element *FileOutline::first(const QString &tag) const
{
    for (const Element &entry : m_entries) {
        if (entry.tag == tag)
            return &entry;
    }
    return nullptr;
}

} // namespace VepCheck
