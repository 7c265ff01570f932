// The SAIF header and instance tree, read with a streaming tokenizer: parentheses, names
// with backslash escapes, strings. Only the header fields and the names of instances,
// nets and ports are kept; the toggle counts inside each net are skipped.

#include "activity/ActivityHeader.h"
#include "activity/Limits.h"
#include "activity/SignalName.h"
#include "activity/StreamReader.h"

namespace Activity {

namespace {

class SaifParser {
public:
    ActivityHeader read(const QString &path);

private:
    enum class Token { Open, Close, Word, String, End, Error };
    enum class Frame { Root, File, Header, Instance, Nets, Skip };
    struct Level {
        Frame frame = Frame::Root;
        int scope = -1;   // Instance and Nets: the scope; -1 while an instance has no name
        QByteArray field; // Header: its keyword
        QList<QByteArray> words;
    };

    Token next(QByteArray &word, bool keep);
    Token binary(int c);
    bool fail(const QString &message);
    bool open(const QByteArray &head, bool isString, int pending = 0);
    bool skip(int depth);
    bool close();
    bool word(const QByteArray &text, bool isString);
    bool nameInstance(Level &level, const QByteArray &name);
    bool addNet(int scope, const QByteArray &name);
    bool field(const Level &level);

    StreamReader m_in;
    ActivityHeader m_h;
    QVector<Level> m_levels;
    bool m_done = false;
    QByteArray m_plain; // a net name without its escapes
    bool m_hasDuration = false;
    double m_duration = 0;
};

bool SaifParser::fail(const QString &message)
{
    if (m_h.error.isEmpty()) {
        m_h.error = message;
        m_h.errorLine = m_in.line();
    }
    return false;
}

// `keep`: whether the caller needs a word's text; most words are toggle counts it skips.
SaifParser::Token SaifParser::next(QByteArray &word, bool keep)
{
    const int first = m_in.skipSpace();
    if (first < 0)
        return Token::End;
    if (first == '(' || first == ')') {
        m_in.get();
        return first == '(' ? Token::Open : Token::Close;
    }
    if (first != '"') {
        int bad = 0;
        const qint64 length =
            m_in.word(&word, keep ? Limits::MaxToken + 1 : 0, Limits::MaxToken, true, &bad);
        if (length < 0)
            return binary(bad);
        if (length > Limits::MaxToken) {
            fail(QStringLiteral("a name longer than %1 bytes").arg(Limits::MaxToken));
            return Token::Error;
        }
        return Token::Word;
    }
    word.clear();
    m_in.get();
    for (int c = m_in.get();; c = m_in.get()) {
        if (c < 0) {
            fail(QStringLiteral("the file ends inside a string"));
            return Token::Error;
        }
        if (StreamReader::isBinary(c))
            return binary(c);
        if (c == '"')
            return Token::String;
        if (c == '\\') {
            word.append(char(c));
            c = m_in.get();
            if (c < 0 || StreamReader::isBinary(c))
                continue;
        }
        word.append(char(c));
        if (word.size() > Limits::MaxToken) {
            fail(QStringLiteral("a string longer than %1 bytes").arg(Limits::MaxToken));
            return Token::Error;
        }
    }
}

SaifParser::Token SaifParser::binary(int c)
{
    fail(
        QStringLiteral("binary data (byte 0x%1); not a SAIF file").arg(c, 2, 16, QLatin1Char('0')));
    return Token::Error;
}

// Bit-blasted files list every bit of a vector as a net of its own ("cnt\\[3\\]"); a bit
// that continues the vector before it only widens that vector, without a new name.
bool SaifParser::addNet(int scope, const QByteArray &name)
{
    unescapeSaif(name, &m_plain);
    int open = -1;
    int index = 0;
    const bool bit = singleBit(m_plain, &open, &index);
    QVector<Signal> &nets = m_h.scopes[scope].nets;
    if (m_h.signalCount >= Limits::MaxSignals)
        return fail(QStringLiteral("more than %1 nets").arg(Limits::MaxSignals));
    Signal signal;
    if (!bit || !extendLast(nets, QLatin1String(m_plain.constData(), open), index)) {
        QString error;
        if (!parseBitName(QString::fromUtf8(m_plain), &signal, &error))
            return fail(error);
        nets.append(signal);
    }
    ++m_h.signalCount;
    m_h.bitCount += signal.width();
    if (m_h.bitCount > Limits::MaxBits)
        return fail(QStringLiteral("more than %1 net bits").arg(Limits::MaxBits));
    return true;
}

// An INSTANCE's name may be a path ("tb/u_dut"): one scope per component.
bool SaifParser::nameInstance(Level &level, const QByteArray &name)
{
    const char divider = char(m_h.divider.unicode());
    const QList<QByteArray> parts = splitSaifPath(name, divider);
    if (parts.isEmpty())
        return fail(QStringLiteral("an INSTANCE without a name"));
    int parent = m_levels.at(m_levels.size() - 2).scope;
    for (const QByteArray &part : parts) {
        if (m_h.scopes.size() >= Limits::MaxScopes)
            return fail(QStringLiteral("more than %1 instances").arg(Limits::MaxScopes));
        Scope scope;
        scope.name = unescapedSaifName(part);
        scope.parent = parent;
        parent = m_h.scopes.size();
        if (scope.parent >= 0)
            m_h.scopes[scope.parent].children.append(parent);
        m_h.scopes.append(scope);
    }
    level.scope = parent;
    return true;
}

// A list this reader has no use for (toggle counts, conditions) is skipped in one scan.
bool SaifParser::skip(int depth)
{
    int bad = 0;
    switch (m_in.skipGroup(depth, Limits::MaxDepth - m_levels.size(), &bad)) {
    case 1:
        return true;
    case 0:
        return fail(QStringLiteral("the file ends before its last \")\""));
    case -1:
        binary(bad);
        return false;
    default:
        return fail(QStringLiteral("nested deeper than %1").arg(Limits::MaxDepth));
    }
}

// `pending`: parentheses opened after this list's own, before its head word.
bool SaifParser::open(const QByteArray &head, bool isString, int pending)
{
    if (m_levels.size() >= Limits::MaxDepth)
        return fail(QStringLiteral("nested deeper than %1").arg(Limits::MaxDepth));
    const Level &parent = m_levels.last();
    Level level;
    level.frame = Frame::Skip;
    switch (parent.frame) {
    case Frame::Root:
        if (head != "SAIFILE")
            return fail(QStringLiteral("not a SAIF file: it starts with (%1")
                            .arg(QString::fromUtf8(head.left(40))));
        level.frame = Frame::File;
        break;
    case Frame::File:
        if (head == "DIVIDER" || head == "TIMESCALE" || head == "DURATION") {
            level.frame = Frame::Header;
            level.field = head;
        } else if (head == "INSTANCE") {
            level.frame = Frame::Instance;
        }
        break;
    case Frame::Instance:
        if (parent.scope < 0)
            return fail(QStringLiteral("an INSTANCE without a name"));
        if (head == "INSTANCE") {
            level.frame = Frame::Instance;
        } else if (head == "NET" || head == "PORT") {
            level.frame = Frame::Nets;
            level.scope = parent.scope;
        }
        break;
    case Frame::Nets:
        if (!isString && !addNet(parent.scope, head))
            return false;
        break;
    case Frame::Header:
    case Frame::Skip:
        break;
    }
    if (level.frame == Frame::Skip)
        return skip(1 + pending);
    m_levels.append(level);
    return true;
}

bool SaifParser::field(const Level &level)
{
    const QByteArray text = level.words.join(' ');
    if (level.field == "DIVIDER") {
        const QString divider = unescapedSaifName(text.trimmed());
        if (divider.size() != 1)
            return fail(QStringLiteral("bad DIVIDER \"%1\"").arg(divider));
        m_h.divider = divider.at(0);
    } else if (level.field == "TIMESCALE") {
        if (!parseTimescale(text, &m_h.secondsPerUnit))
            return fail(QStringLiteral("unknown TIMESCALE \"%1\"").arg(QString::fromUtf8(text)));
        m_h.hasTimescale = true;
    } else {
        bool ok = false;
        m_duration = text.toDouble(&ok);
        if (!ok || m_duration < 0)
            return fail(QStringLiteral("bad DURATION \"%1\"").arg(QString::fromUtf8(text)));
        m_hasDuration = true;
    }
    return true;
}

bool SaifParser::close()
{
    const Level level = m_levels.takeLast();
    switch (level.frame) {
    case Frame::Root:
        return fail(QStringLiteral("a \")\" without its \"(\""));
    case Frame::File:
        m_done = true;
        return true;
    case Frame::Header:
        return field(level);
    case Frame::Instance:
        if (level.scope < 0)
            return fail(QStringLiteral("an INSTANCE without a name"));
        return true;
    default:
        return true;
    }
}

bool SaifParser::word(const QByteArray &text, bool isString)
{
    Level &level = m_levels.last();
    switch (level.frame) {
    case Frame::Root:
        return fail(QStringLiteral("not a SAIF file: it starts with \"%1\"")
                        .arg(QString::fromUtf8(text.left(40))));
    case Frame::Header:
        if (level.words.size() >= 4)
            return fail(
                QStringLiteral("(%1 has too many words").arg(QString::fromLatin1(level.field)));
        level.words.append(text);
        return true;
    case Frame::Instance:
        // (INSTANCE "module" name ...): the string names the module, not the instance.
        if (level.scope < 0 && !isString)
            return nameInstance(level, text);
        return true;
    default:
        return true;
    }
}

ActivityHeader SaifParser::read(const QString &path)
{
    m_h.divider = QLatin1Char('/');
    QString error;
    if (!m_in.open(path, &error)) {
        m_h.error = error;
        return m_h;
    }
    m_levels.append(Level());
    QByteArray text;
    bool afterOpen = false;
    while (!m_done) {
        const Level &top = m_levels.last();
        const bool keep = afterOpen || top.frame == Frame::Root || top.frame == Frame::Header ||
                          (top.frame == Frame::Instance && top.scope < 0);
        const Token kind = next(text, keep);
        bool ok = true;
        switch (kind) {
        case Token::Error:
            return m_h;
        case Token::End:
            fail(m_levels.size() > 1 ? QStringLiteral("the file ends before its last \")\"")
                                     : QStringLiteral("not a SAIF file: no (SAIFILE"));
            return m_h;
        case Token::Open:
            // "((": the outer list has no head word; unless it is skipped with the inner
            // one, the inner list still waits for its head.
            if (afterOpen) {
                const int levels = m_levels.size();
                ok = open(QByteArray(), true, 1);
                afterOpen = m_levels.size() > levels;
            } else {
                afterOpen = true;
            }
            break;
        case Token::Close:
            ok = afterOpen || close();
            afterOpen = false;
            break;
        case Token::Word:
        case Token::String:
            ok = afterOpen ? open(text, kind == Token::String) : word(text, kind == Token::String);
            afterOpen = false;
            break;
        }
        if (!ok)
            return m_h;
    }
    if (m_h.scopes.isEmpty()) {
        fail(QStringLiteral("no INSTANCE in the file"));
        return m_h;
    }
    if (m_hasDuration) {
        m_h.hasSpan = true;
        m_h.spanEnd = m_duration * m_h.secondsPerUnit;
    }
    m_h.ok = true;
    return m_h;
}

} // namespace

ActivityHeader readSaifHeader(const QString &path)
{
    return SaifParser().read(path);
}

} // namespace Activity
