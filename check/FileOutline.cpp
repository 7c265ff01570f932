#include "check/FileOutline.h"

#include <QBuffer>
#include <QFile>
#include <QVarLengthArray>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstring>

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

const char kPlainProlog[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

const char *nameEnd(const char *p, const char *end)
{
    if (p == end || !isNameStart(*p))
        return p;
    while (p < end && isNameChar(*p))
        ++p;
    return p;
}

// The end tag at p, `</Name>` or `</Name  >`, that must close `open`.
bool scanEndTag(const char *&p, const char *end, QLatin1String open)
{
    const char *name = p + 2;
    p = nameEnd(name, end);
    const QLatin1String closed(name, int(p - name));
    while (p < end && *p == ' ')
        ++p;
    if (p == end || *p != '>' || closed != open)
        return false;
    ++p;
    return true;
}

// Character data of the plain form appended to `out`, the predefined entities resolved;
// false for what the plain form does not have: characters the XML reader would change
// (white space in an attribute is normalised to spaces), refuse or read otherwise.
bool appendPlain(const char *from, const char *to, bool attribute, int *line, QString *out)
{
    const char *run = from;
    for (const char *p = from; p < to; ++p) {
        const char c = *p;
        if (c == '&') {
            const char *semi = static_cast<const char *>(std::memchr(p, ';', size_t(to - p)));
            if (!semi)
                return false;
            const QLatin1String entity(p + 1, int(semi - p - 1));
            char resolved = 0;
            if (entity == QLatin1String("lt"))
                resolved = '<';
            else if (entity == QLatin1String("gt"))
                resolved = '>';
            else if (entity == QLatin1String("amp"))
                resolved = '&';
            else if (entity == QLatin1String("quot"))
                resolved = '"';
            else if (entity == QLatin1String("apos"))
                resolved = '\'';
            else
                return false;
            out->append(QLatin1String(run, int(p - run)));
            out->append(QLatin1Char(resolved));
            p = semi;
            run = semi + 1;
        } else if (c == '\n' && !attribute) {
            ++*line;
        } else if (uchar(c) < 0x20 || uchar(c) > 0x7e || c == '<' || (!attribute && c == '>')) {
            if (attribute || c != '\t')
                return false;
        }
    }
    if (run == from && out->isEmpty())
        *out = QString::fromLatin1(from, int(to - from));
    else
        out->append(QLatin1String(run, int(to - run)));
    return true;
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

int FileOutline::nameIndex(QLatin1String name)
{
    for (int i = 0; i < m_names.size(); ++i) {
        if (name == m_names.at(i))
            return i;
    }
    m_names.append(QString(name));
    return m_names.size() - 1;
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

void FileOutline::parseFile(const QByteArray &bytes, const FileOutline *reference)
{
    m_reference = reference;
    const bool plain = scanPlain(bytes);
    m_reference = nullptr;
    if (plain)
        return;
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
    if (scanPlain(bytes))
        return;
    // Decoded in one go: the reader then works on a string instead of decoding chunks.
    QXmlStreamReader reader(QString::fromUtf8(bytes));
    parse(reader);
}

// The start tag at p, on one line: `<Name a="v" ...>` or `.../>`.
bool FileOutline::scanTag(const char *&p, const char *end, int line, Element *element, bool *empty)
{
    const char *name = ++p;
    p = nameEnd(p, end);
    if (p == name)
        return false;
    element->tag = m_names.at(nameIndex(QLatin1String(name, int(p - name))));
    element->line = line;
    for (;;) {
        const char *spaces = p;
        while (p < end && *p == ' ')
            ++p;
        if (p == end)
            return false;
        if (*p == '>' || (*p == '/' && p + 1 < end && p[1] == '>')) {
            *empty = *p == '/';
            p += *empty ? 2 : 1;
            return true;
        }
        const char *key = p;
        p = nameEnd(p, end);
        if (spaces == key || p == key || end - p < 2 || p[0] != '=' || p[1] != '"')
            return false;
        const QLatin1String keyName(key, int(p - key));
        for (const auto &pair : qAsConst(element->attributes)) {
            if (keyName == pair.first)
                return false; // the XML reader refuses the document
        }
        const char *value = p + 2;
        const char *quote = static_cast<const char *>(std::memchr(value, '"', size_t(end - value)));
        if (!quote)
            return false;
        const int size = int(quote - value);
        const int keyIndex = nameIndex(keyName);
        if (m_lastValues.size() < m_names.size())
            m_lastValues.resize(m_names.size());
        LastValue &last = m_lastValues[keyIndex];
        if (last.size != size || std::memcmp(last.raw, value, size_t(size))) {
            QString text;
            int unused = 0;
            if (!appendPlain(value, quote, true, &unused, &text))
                return false;
            last = {value, size, text};
        }
        element->attributes.append({m_names.at(keyIndex), last.value});
        p = quote + 1;
    }
}

// The content of a child of the root up to its end tag: its text, children's included,
// and its own children (the rows), as the XML path takes them.
bool FileOutline::scanContent(const char *&p, const char *end, int &line, QLatin1String tag,
                              Element *entry)
{
    QVarLengthArray<QLatin1String, 8> open;
    open.append(tag);
    for (;;) {
        const char *lt = static_cast<const char *>(std::memchr(p, '<', size_t(end - p)));
        if (!lt)
            return false;
        if (lt > p) {
            int childLine = line;
            if (open.size() > 1 &&
                !appendPlain(p, lt, false, &childLine, &entry->children.last().text))
                return false;
            if (!appendPlain(p, lt, false, &line, &entry->text))
                return false;
        }
        p = lt;
        if (p + 1 < end && p[1] == '/') {
            if (!scanEndTag(p, end, open.last()))
                return false;
            open.removeLast();
            if (open.isEmpty())
                return true;
            continue;
        }
        const char *tagStart = p;
        Element element;
        bool empty = false;
        if (!scanTag(p, end, line, &element, &empty))
            return false;
        if (!empty)
            open.append(QLatin1String(tagStart + 1, element.tag.size()));
        if (open.size() == (empty ? 1 : 2))
            entry->children.append(std::move(element));
    }
}

bool FileOutline::scanPlain(const QByteArray &bytes)
{
    m_lastValues.clear(); // their bytes were those of another document
    m_bytes.clear();
    m_spans.clear();
    m_entries.clear();
    m_docTypeName.clear();
    m_hasRoot = false;
    if (!bytes.startsWith(kPlainProlog))
        return false;
    const char *p = bytes.constData() + sizeof kPlainProlog - 1;
    const char *end = bytes.constData() + bytes.size();
    int line = 1;
    auto skipSpace = [&] {
        for (; p < end && (*p == ' ' || *p == '\n'); ++p)
            line += *p == '\n' ? 1 : 0;
    };
    skipSpace();
    const char kDocType[] = "<!DOCTYPE ";
    if (end - p < int(sizeof kDocType) || std::memcmp(p, kDocType, sizeof kDocType - 1))
        return false;
    const char *docType = p + sizeof kDocType - 1;
    p = nameEnd(docType, end);
    if (p == docType || p == end || *p != '>')
        return false;
    const QString docTypeName = QString::fromLatin1(docType, int(p - docType));
    ++p;
    skipSpace();
    Element root;
    bool empty = false;
    if (p == end || *p != '<' || !scanTag(p, end, line, &root, &empty))
        return false;
    QString ignored;
    while (!empty) {
        const char *lt = static_cast<const char *>(std::memchr(p, '<', size_t(end - p)));
        if (!lt || !appendPlain(p, lt, false, &line, &ignored))
            return false;
        ignored.clear();
        p = lt;
        if (p + 1 < end && p[1] == '/') {
            const QByteArray rootTag = root.tag.toLatin1();
            if (!scanEndTag(p, end, QLatin1String(rootTag)))
                return false;
            break;
        }
        const char *tagStart = p;
        Element entry;
        bool entryEmpty = false;
        if (!scanTag(p, end, line, &entry, &entryEmpty))
            return false;
        if (!entryEmpty && !takeSame(p, end, line, tagStart, &entry) &&
            !scanContent(p, end, line, QLatin1String(tagStart + 1, entry.tag.size()), &entry))
            return false;
        m_spans.append({int(tagStart - bytes.constData()), int(p - bytes.constData())});
        m_entries.append(std::move(entry));
    }
    skipSpace();
    if (p != end) {
        m_entries.clear();
        return false;
    }
    m_docTypeName = docTypeName;
    m_hasRoot = true;
    m_bytes = bytes;
    return true;
}

// After the start tag of an entry that begins at tagStart: when the reference's first entry
// of this tag has the very same bytes, its content is taken, moved to this entry's lines.
bool FileOutline::takeSame(const char *&p, const char *end, int &line, const char *tagStart,
                           Element *entry) const
{
    if (!m_reference || m_reference->m_spans.size() != m_reference->m_entries.size())
        return false;
    const Element *same = m_reference->first(entry->tag);
    if (!same)
        return false;
    const Span span = m_reference->m_spans.at(int(same - m_reference->m_entries.constData()));
    const int size = span.end - span.begin;
    if (end - tagStart < size ||
        std::memcmp(tagStart, m_reference->m_bytes.constData() + span.begin, size_t(size)))
        return false;
    const int shift = entry->line - same->line;
    entry->text = same->text;
    entry->children = same->children;
    if (shift) {
        for (Element &child : entry->children)
            child.line += shift;
    }
    entry->sameAsReference = true;
    line += int(std::count(p, tagStart + size, '\n'));
    p = tagStart + size;
    return true;
}

void FileOutline::parse(QIODevice *device)
{
    QXmlStreamReader reader(device);
    parse(reader);
}

void FileOutline::parse(QXmlStreamReader &reader)
{
    m_bytes.clear();
    m_spans.clear();
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
