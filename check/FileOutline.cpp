#include "check/FileOutline.h"

#include <QBuffer>
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

QString FileOutline::interned(const QStringRef &name)
{
    for (const QString &known : qAsConst(m_names)) {
        if (name == known)
            return known;
    }
    m_names.append(name.toString());
    return m_names.constLast();
}

void FileOutline::takeStart(QXmlStreamReader &reader, Element *element)
{
    element->tag = interned(reader.qualifiedName());
    element->line = int(reader.lineNumber());
    const QXmlStreamAttributes attributes = reader.attributes();
    element->attributes.reserve(attributes.size());
    for (const QXmlStreamAttribute &attribute : attributes)
        element->attributes.append(
            {interned(attribute.qualifiedName()), attribute.value().toString()});
}

bool FileOutline::read(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        m_entries.clear();
        return false;
    }
    parseFile(file.readAll());
    return true;
}

void FileOutline::parseFile(const QByteArray &bytes)
{
    // As the editor's reading: a document that is UTF-8 by the XML rules is decoded
    // first, so broken sequences become U+FFFD instead of ending the document.
    const bool wide = bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE") ||
                      (bytes.size() >= 2 && (bytes.at(0) == '\0' || bytes.at(1) == '\0'));
    QXmlStreamReader declaration(bytes.left(256));
    const QString encoding = declaration.readNext() == QXmlStreamReader::StartDocument
                                 ? declaration.documentEncoding().toString().toUpper()
                                 : QString();
    if (wide || !(encoding.isEmpty() || encoding == QLatin1String("UTF-8") ||
                  encoding == QLatin1String("UTF8"))) {
        // The reader finds the encoding itself.
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        parse(&buffer);
        return;
    }
    const int bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QXmlStreamReader reader(QString::fromUtf8(bytes.constData() + bom, bytes.size() - bom));
    parse(reader);
}

void FileOutline::parse(const QByteArray &bytes)
{
    // Decoded in one go: the reader then works on a string instead of decoding chunks.
    QXmlStreamReader reader(QString::fromUtf8(bytes));
    parse(reader);
}

void FileOutline::parse(QIODevice *device)
{
    QXmlStreamReader reader(device);
    parse(reader);
}

void FileOutline::parse(QXmlStreamReader &reader)
{
    m_entries.clear();
    m_docTypeName.clear();
    m_hasRoot = false;
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD) {
            m_docTypeName = reader.dtdName().toString();
            // The editor's reading stops at entity declarations, before any element.
            if (!reader.entityDeclarations().isEmpty() ||
                reader.text().contains(QLatin1String("<!ENTITY")))
                return;
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
                entry.children.append(std::move(child));
            }
        }
        m_entries.append(std::move(entry));
    }
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
