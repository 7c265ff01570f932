#pragma once

// Parses a configuration file into a DOM document the way Qt's DOM parser does
// (whatever was built before an error stays in the document), with two guards that
// keep hostile files from crashing or exhausting the IDE: nesting deeper than
// MaxDepth and entity declarations in an internal subset both count as the point
// where the document breaks off.

#include <QString>

class QByteArray;
class QDomDocument;

namespace ZEL {

class Q_DECL_EXPORT ConfigDocumentParser {
public:
    static constexpr int MaxDepth = 256;

    // Never fails: a document that breaks off early comes back with what was built up
    // to that point. `error` receives the reason it broke off, empty when it did not.
    static QDomDocument parse(const QByteArray &bytes, QString *error = nullptr);
};

} // namespace ZEL
