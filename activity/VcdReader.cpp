// The VCD header: the definitions up to $enddefinitions, read token by token; then the
// first timestamp after them and the last one, found by reading the file's tail backwards.

#include "activity/ActivityHeader.h"
#include "activity/Limits.h"
#include "activity/SignalName.h"
#include "activity/StreamReader.h"

#include <climits>

namespace Activity {

namespace {

// A timestamp token: '#' and decimal digits.
bool timeValue(const QByteArray &token, double *value)
{
    if (token.size() < 2 || token.at(0) != '#')
        return false;
    double result = 0;
    for (int i = 1; i < token.size(); ++i) {
        const char c = token.at(i);
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
    }
    *value = result;
    return true;
}

class VcdParser {
public:
    ActivityHeader read(const QString &path);

private:
    enum class Token { Word, End, Error };
    Token next(QByteArray &token, bool keepLong = false);
    bool fail(const QString &message, qint64 line = -1);
    bool command(const QByteArray &keyword);
    bool words(const QByteArray &keyword, QList<QByteArray> *out, int max = 0);
    bool timescale();
    bool scope();
    bool upscope();
    bool var();
    void span();
    double lastTime(qint64 from, bool *found);

    StreamReader m_in;
    ActivityHeader m_h;
    QVector<int> m_open; // scopes not yet closed by $upscope
    bool m_done = false;
    qint64 m_tokenLine = 1; // where the last word started
};

bool VcdParser::fail(const QString &message, qint64 line)
{
    if (m_h.error.isEmpty()) {
        m_h.error = message;
        m_h.errorLine = line < 0 ? m_tokenLine : line;
    }
    return false;
}

// One white-space separated word. Words longer than the limit are an error, unless
// `keepLong` says the caller only needs their start (value changes of wide vectors).
VcdParser::Token VcdParser::next(QByteArray &token, bool keepLong)
{
    if (m_in.skipSpace() < 0) {
        token.clear();
        return Token::End;
    }
    m_tokenLine = m_in.line();
    int bad = 0;
    const qint64 length = m_in.word(&token, keepLong ? 32 : Limits::MaxToken + 1,
                                    keepLong ? LLONG_MAX : Limits::MaxToken, false, &bad);
    if (length < 0) {
        fail(QStringLiteral("binary data (byte 0x%1); not a VCD file")
                 .arg(bad, 2, 16, QLatin1Char('0')));
        return Token::Error;
    }
    if (length > Limits::MaxToken && !keepLong) {
        fail(QStringLiteral("a word longer than %1 bytes").arg(Limits::MaxToken));
        return Token::Error;
    }
    return Token::Word;
}

// The words of a command up to its $end, at most `max` of them; with no `out`, the
// command ($comment, $date, $version, one this reader has no use for) is skipped.
bool VcdParser::words(const QByteArray &keyword, QList<QByteArray> *out, int max)
{
    const qint64 line = m_tokenLine;
    const qint64 start = m_in.offset();
    QByteArray token;
    for (;;) {
        const Token kind = next(token, !out);
        if (kind == Token::Error)
            return false;
        if (kind == Token::End)
            return fail(QStringLiteral("the file ends inside %1 (no $end)")
                            .arg(QString::fromLatin1(keyword)),
                        line);
        if (token == "$end")
            return true;
        if (!out) {
            if (m_in.offset() - start > Limits::MaxCommand)
                return fail(QStringLiteral("%1 is not closed by $end within %2 MiB")
                                .arg(QString::fromLatin1(keyword))
                                .arg(Limits::MaxCommand >> 20),
                            line);
        } else if (out->size() == max) {
            return fail(QStringLiteral("%1 has too many words").arg(QString::fromLatin1(keyword)));
        } else {
            out->append(token);
        }
    }
}

bool VcdParser::timescale()
{
    QList<QByteArray> parts;
    if (!words("$timescale", &parts, 2))
        return false;
    const QByteArray text = parts.join();
    double seconds = 0;
    if (!parseTimescale(text, &seconds))
        return fail(QStringLiteral("unknown time scale \"%1\"").arg(QString::fromLatin1(text)));
    m_h.secondsPerUnit = seconds;
    m_h.hasTimescale = true;
    return true;
}

bool VcdParser::scope()
{
    QList<QByteArray> parts;
    if (!words("$scope", &parts, 2))
        return false;
    if (parts.size() != 2)
        return fail(QStringLiteral("$scope needs a type and a name"));
    if (m_open.size() >= Limits::MaxDepth)
        return fail(QStringLiteral("scopes nested deeper than %1").arg(Limits::MaxDepth));
    if (m_h.scopes.size() >= Limits::MaxScopes)
        return fail(QStringLiteral("more than %1 scopes").arg(Limits::MaxScopes));
    Scope scope;
    scope.name = unescapedVcdName(parts.at(1));
    scope.parent = m_open.isEmpty() ? -1 : m_open.last();
    const int index = m_h.scopes.size();
    if (scope.parent >= 0)
        m_h.scopes[scope.parent].children.append(index);
    m_h.scopes.append(scope);
    m_open.append(index);
    return true;
}

bool VcdParser::upscope()
{
    QList<QByteArray> parts;
    if (!words("$upscope", &parts, 0))
        return false;
    if (m_open.isEmpty())
        return fail(QStringLiteral("$upscope without an open $scope"));
    m_open.removeLast();
    return true;
}

// $var type size id reference [range] $end
bool VcdParser::var()
{
    QList<QByteArray> parts;
    if (!words("$var", &parts, 6))
        return false;
    if (parts.size() < 4)
        return fail(QStringLiteral("$var needs a type, a size, an id and a name"));
    if (m_open.isEmpty())
        return fail(QStringLiteral("$var outside any $scope"));
    bool sized = false;
    const int size = parts.at(1).toInt(&sized);
    if (!sized || size < 1)
        return fail(
            QStringLiteral("$var has a bad size \"%1\"").arg(QString::fromLatin1(parts.at(1))));
    const QByteArray &type = parts.at(0);
    const bool oneValue =
        type == "real" || type == "realtime" || type == "event" || type == "string";
    Signal signal;
    QString error;
    if (!parseVcdReference(parts.mid(3), oneValue ? 1 : size, &signal, &error))
        return fail(error);
    if (m_h.signalCount >= Limits::MaxSignals)
        return fail(QStringLiteral("more than %1 nets").arg(Limits::MaxSignals));
    m_h.bitCount += signal.width();
    if (m_h.bitCount > Limits::MaxBits)
        return fail(QStringLiteral("more than %1 signal bits").arg(Limits::MaxBits));
    ++m_h.signalCount;
    appendNet(m_h.scopes[m_open.last()].nets, signal);
    return true;
}

bool VcdParser::command(const QByteArray &keyword)
{
    if (keyword == "$scope")
        return scope();
    if (keyword == "$upscope")
        return upscope();
    if (keyword == "$var")
        return var();
    if (keyword == "$timescale")
        return timescale();
    if (keyword == "$enddefinitions") {
        QList<QByteArray> parts;
        if (!words(keyword, &parts, 0))
            return false;
        if (!m_open.isEmpty())
            return fail(QStringLiteral("%1 scope(s) not closed by $upscope").arg(m_open.size()));
        m_done = true;
        return true;
    }
    if (keyword.startsWith("$dump") || keyword == "$end")
        return fail(QStringLiteral("%1 before $enddefinitions").arg(QString::fromLatin1(keyword)));
    return words(keyword, nullptr);
}

// The last "#time" that starts a line, searching backwards from the end of the file in
// blocks down to `from`.
double VcdParser::lastTime(qint64 from, bool *found)
{
    constexpr qint64 Block = 64 * 1024;
    constexpr int Overlap = 32; // a timestamp cut by the block's end
    const qint64 size = m_in.size();
    const qint64 floor = qMax(from, size - Limits::TimeSearch);
    for (qint64 end = size; end > floor;) {
        const qint64 start = qMax(floor, end - Block);
        const QByteArray bytes = m_in.readAt(start, end - start + Overlap);
        for (qint64 i = end - start - 1; i >= 0; --i) {
            if (bytes.at(int(i)) != '#')
                continue;
            const char before = i > 0       ? bytes.at(int(i) - 1)
                                : start > 0 ? m_in.readAt(start - 1, 1).append('\n').at(0)
                                            : '\n';
            if (before != '\n' && before != '\r')
                continue;
            int stop = int(i) + 1;
            while (stop < bytes.size() && bytes.at(stop) >= '0' && bytes.at(stop) <= '9')
                ++stop;
            if (stop == int(i) + 1 ||
                (stop < bytes.size() && !StreamReader::isSpace(bytes.at(stop))))
                continue;
            double value = 0;
            if (timeValue(bytes.mid(int(i), stop - int(i)), &value)) {
                *found = true;
                return value;
            }
        }
        end = start;
    }
    *found = false;
    return 0;
}

// The first timestamp after the definitions; value changes before it ($dumpvars at time
// zero without a "#0") are skipped.
void VcdParser::span()
{
    const qint64 start = m_in.offset();
    QByteArray token;
    bool idFollows = false; // after a vector or real value comes the id, which may start with '#'
    while (m_in.offset() - start < Limits::TimeSearch) {
        const Token kind = next(token, true);
        if (kind != Token::Word)
            return;
        double first = 0;
        if (!idFollows && timeValue(token, &first)) {
            bool found = false;
            const double last = lastTime(m_in.offset() - token.size() - 1, &found);
            // No timestamp in the last TimeSearch bytes: the end is not known.
            m_h.hasSpan = found;
            m_h.spanStart = first * m_h.secondsPerUnit;
            m_h.spanEnd = qMax(first, last) * m_h.secondsPerUnit;
            return;
        }
        const char lead = token.at(0);
        idFollows = !idFollows && token.size() > 1 &&
                    (lead == 'b' || lead == 'B' || lead == 'r' || lead == 'R' || lead == 's' ||
                     lead == 'S');
    }
}

ActivityHeader VcdParser::read(const QString &path)
{
    m_h.divider = QLatin1Char('.');
    QString error;
    if (!m_in.open(path, &error)) {
        m_h.error = error;
        return m_h;
    }
    QByteArray token;
    while (!m_done) {
        const Token kind = next(token);
        if (kind == Token::Error)
            return m_h;
        if (kind == Token::End) {
            fail(QStringLiteral("the file ends before $enddefinitions"), m_in.line());
            return m_h;
        }
        if (!token.startsWith('$')) {
            fail(QStringLiteral("\"%1\" where a $ command was expected; not a VCD header")
                     .arg(QString::fromLatin1(token.left(40))));
            return m_h;
        }
        if (!command(token))
            return m_h;
    }
    if (m_h.scopes.isEmpty()) {
        fail(QStringLiteral("no $scope in the definitions"));
        return m_h;
    }
    span();
    if (m_h.error.isEmpty())
        m_h.ok = true;
    return m_h;
}

} // namespace

ActivityHeader readVcdHeader(const QString &path)
{
    return VcdParser().read(path);
}

ActivityHeader readActivityHeader(const QString &path, bool isVcd)
{
    return isVcd ? readVcdHeader(path) : readSaifHeader(path);
}

} // namespace Activity
