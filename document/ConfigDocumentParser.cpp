#include "document/ConfigDocumentParser.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomImplementation>
#include <QXmlStreamReader>

#include <vector>

namespace ZEL {

namespace {

// Qt's DOM parser decodes broken UTF-8 with replacement characters; the stream reader
// would stop at the first chunk instead. Decoding ourselves keeps the result the same
// as the DOM parser's. Only files that are UTF-8 by the XML rules are decoded here.
bool isUtf8Document(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE") ||
        (bytes.size() >= 2 && (bytes.at(0) == '\0' || bytes.at(1) == '\0')))
        return false;
    QXmlStreamReader declaration(bytes.left(256));
    if (declaration.readNext() != QXmlStreamReader::StartDocument)
        return true;
    const QString encoding = declaration.documentEncoding().toString();
    return encoding.isEmpty() ||
           encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0 ||
           encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) == 0;
}

class Builder {
public:
    QDomDocument build(QXmlStreamReader &reader, QString *error)
    {
        reader.setNamespaceProcessing(false);
        std::vector<QDomNode> open;
        open.reserve(64);
        open.push_back(m_doc);
        while (!reader.atEnd()) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if (token != QXmlStreamReader::Characters || reader.isCDATA())
                flushText(open.back());
            switch (token) {
            case QXmlStreamReader::DTD:
                if (hasEntityDeclarations(reader))
                    return stop(error, QStringLiteral("entity declarations are not accepted"));
                m_doc = QDomDocument(QDomImplementation().createDocumentType(
                    reader.dtdName().toString(), reader.dtdPublicId().toString(),
                    reader.dtdSystemId().toString()));
                open.front() = m_doc;
                break;
            case QXmlStreamReader::StartElement: {
                if (int(open.size()) > ConfigDocumentParser::MaxDepth)
                    return stop(error, QStringLiteral("elements nested deeper than %1 levels")
                                           .arg(ConfigDocumentParser::MaxDepth));
                QDomElement element = m_doc.createElement(reader.qualifiedName().toString());
                const QXmlStreamAttributes attributes = reader.attributes();
                for (const QXmlStreamAttribute &attribute : attributes)
                    element.setAttribute(attribute.qualifiedName().toString(),
                                         attribute.value().toString());
                open.back().appendChild(element);
                open.push_back(element);
                break;
            }
            case QXmlStreamReader::EndElement:
                open.pop_back();
                break;
            case QXmlStreamReader::Characters:
                if (reader.isCDATA())
                    open.back().appendChild(m_doc.createCDATASection(reader.text().toString()));
                else
                    m_pendingText += reader.text();
                break;
            case QXmlStreamReader::Comment:
                open.back().appendChild(m_doc.createComment(reader.text().toString()));
                break;
            case QXmlStreamReader::ProcessingInstruction:
                open.back().appendChild(m_doc.createProcessingInstruction(
                    reader.processingInstructionTarget().toString(),
                    reader.processingInstructionData().toString()));
                break;
            default:
                break;
            }
        }
        flushText(open.back());
        if (error)
            *error = reader.hasError() ? reader.errorString() : QString();
        return m_doc;
    }

private:
    // A few kilobytes of entity text referenced a million times exhaust memory; a
    // configuration file never declares entities, so any declaration is refused
    // before a single reference is expanded. Parameter entities are not listed by
    // the reader, hence the look at the text of the subset as well.
    static bool hasEntityDeclarations(const QXmlStreamReader &reader)
    {
        return !reader.entityDeclarations().isEmpty() ||
               reader.text().contains(QLatin1String("<!ENTITY"));
    }

    QDomDocument stop(QString *error, const QString &reason)
    {
        if (error)
            *error = reason;
        return m_doc;
    }

    // Qt's DOM parser drops text that is white space only and merges the pieces the
    // stream reader reports separately (around entity references, for instance).
    void flushText(QDomNode &parent)
    {
        if (m_pendingText.isEmpty())
            return;
        if (!parent.isDocument() && !m_pendingText.trimmed().isEmpty())
            parent.appendChild(m_doc.createTextNode(m_pendingText));
        m_pendingText.clear();
    }

    // A real (not null) document from the start, so that a file without a document
    // type still gets its nodes; a document type replaces it before the first element.
    QDomDocument m_doc{QDomDocumentType()};
    QString m_pendingText;
};

} // namespace

QDomDocument ConfigDocumentParser::parse(const QByteArray &bytes, QString *error)
{
    if (isUtf8Document(bytes)) {
        const int bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        QXmlStreamReader reader(QString::fromUtf8(bytes.constData() + bom, bytes.size() - bom));
        return Builder().build(reader, error);
    }
    QXmlStreamReader reader(bytes);
    return Builder().build(reader, error);
}

} // namespace ZEL
