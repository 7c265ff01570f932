#include "check/FileOutline.h"

#include "document/ConfigDocumentParser.h"

#include <QFile>
#include <QXmlStreamReader>

namespace VepCheck {

bool FileOutline::read(const QString &path, QString *error)
{
    m_entries.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    m_document = ZEL::ConfigDocumentParser::parse(bytes);

    // The parser builds its nodes itself and keeps no positions, so the lines come from a
    // second pass that counts start tags at the same depths; where it stops early (a
    // broken file), the remaining elements have no line.
    QVector<int> topLines;
    QVector<QVector<int>> childLines;
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 2) {
                topLines.append(int(reader.lineNumber()));
                childLines.append(QVector<int>());
            } else if (depth == 3 && !childLines.isEmpty()) {
                childLines.last().append(int(reader.lineNumber()));
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }

    int index = 0;
    for (QDomElement child = root().firstChildElement(); !child.isNull();
         child = child.nextSiblingElement(), ++index) {
        Entry entry;
        entry.element = child;
        if (index < topLines.size()) {
            entry.line = topLines.at(index);
            entry.childLines = childLines.at(index);
        }
        m_entries.append(entry);
    }
    return true;
}

const FileOutline::Entry *FileOutline::first(const QString &tag) const
{
    for (const Entry &entry : m_entries) {
        if (entry.element.tagName() == tag)
            return &entry;
    }
    return nullptr;
}

} // namespace VepCheck
