#include "pickers/WildcardMatcher.h"

#include <QChar>
#include <QRegExp>

namespace ZEL {

namespace {

// QRegExp compares case-insensitively by lower-casing one UTF-16 unit at a time;
// ASCII, which is nearly every netlist path, takes a table instead of a lookup in
// the Unicode tables.
struct AsciiFold {
    ushort lower[128];
    AsciiFold()
    {
        for (ushort c = 0; c < 128; ++c)
            lower[c] = (c >= 'A' && c <= 'Z') ? ushort(c + ('a' - 'A')) : c;
    }
};
const AsciiFold asciiFold;

inline ushort foldCase(ushort c)
{
    return c < 128 ? asciiFold.lower[c] : ushort(QChar::toLower(uint(c)));
}

inline ushort upperCase(ushort c)
{
    return (c >= 'a' && c <= 'z') ? ushort(c - ('a' - 'A'))
                                  : (c < 128 ? c : ushort(QChar::toUpper(uint(c))));
}

// The regular expression QRegExp builds from a Unix wildcard pattern. It is
// rebuilt here character for character, because several odd results (what a
// backslash before an ordinary character means, when a `]` right after `[` is
// taken into the set) come from this translation rather than from the
// regular-expression grammar.
QString wildcardToRegExp(const QString &wc)
{
    const int length = wc.length();
    const auto at = [&wc, length](int i) { return i < length ? wc.at(i) : QChar(); };
    QString rx;
    int i = 0;
    bool escaping = false;
    while (i < length) {
        const QChar c = wc.at(i++);
        switch (c.unicode()) {
        case '\\':
            // A backslash only shows up in the expression once the next character
            // tells whether it escapes a wildcard or stands for itself.
            if (escaping)
                rx += QLatin1String("\\\\");
            if (i == length)
                rx += QLatin1String("\\\\");
            escaping = true;
            break;
        case '*':
            rx += escaping ? QLatin1String("\\*") : QLatin1String(".*");
            escaping = false;
            break;
        case '?':
            rx += escaping ? QLatin1String("\\?") : QLatin1String(".");
            escaping = false;
            break;
        case '$':
        case '(':
        case ')':
        case '+':
        case '.':
        case '^':
        case '{':
        case '|':
        case '}':
            if (escaping) {
                escaping = false;
                rx += QLatin1String("\\\\");
            }
            rx += QLatin1Char('\\');
            rx += c;
            break;
        case '[':
            if (escaping) {
                escaping = false;
                rx += QLatin1String("\\[");
                break;
            }
            rx += c;
            if (at(i) == QLatin1Char('^'))
                rx += wc.at(i++);
            if (i < length) {
                // A `]` right after `[` (or `[^`) is a member, not the end.
                if (wc.at(i) == QLatin1Char(']'))
                    rx += wc.at(i++);
                while (i < length && wc.at(i) != QLatin1Char(']')) {
                    if (wc.at(i) == QLatin1Char('\\'))
                        rx += QLatin1Char('\\');
                    rx += wc.at(i++);
                }
            }
            break;
        case ']':
            if (escaping) {
                escaping = false;
                rx += QLatin1Char('\\');
            }
            rx += c;
            break;
        default:
            if (escaping) {
                escaping = false;
                rx += QLatin1String("\\\\");
            }
            rx += c;
        }
    }
    return rx;
}

// Escapes whose meaning is more than "this character" (classes such as \d, word
// anchors, back references, octal and hex codes, control characters). The
// translation above never produces them (it doubles every backslash inside
// `[...]` and escapes only punctuation outside); should a pattern ever lead to
// one, QRegExp itself judges that pattern.
bool isSpecialEscape(QChar c)
{
    return c.isLetterOrNumber();
}

} // namespace

bool WildcardMatcher::CharSet::contains(ushort c) const
{
    for (const auto &range : ranges) {
        if (c >= range.first && c <= range.second)
            return true;
    }
    return false;
}

// A set tests both the lower- and the upper-case form of the character; a negated
// set must miss both.
bool WildcardMatcher::CharSet::matches(ushort c) const
{
    const ushort lower = foldCase(c);
    const ushort upper = upperCase(c);
    const bool inside = contains(lower) || contains(upper);
    return negative ? !inside : inside;
}

WildcardMatcher::WildcardMatcher(const QString &pattern)
{
    if (!compile(wildcardToRegExp(pattern))) {
        m_tokens.clear();
        m_sets.clear();
        m_fallback.reset(new QRegExp(pattern, Qt::CaseInsensitive, QRegExp::WildcardUnix));
        m_valid = m_fallback->isValid();
    }
}

WildcardMatcher::~WildcardMatcher() = default;

// Parses the subset of the regular-expression grammar that the translation
// produces. Returns false for anything outside it, which then goes to QRegExp; an
// expression that QRegExp would refuse leaves m_valid false.
bool WildcardMatcher::compile(const QString &rx)
{
    const int length = rx.length();
    int pos = 0;
    while (pos < length) {
        const QChar c = rx.at(pos++);
        switch (c.unicode()) {
        case '.':
            if (pos < length && rx.at(pos) == QLatin1Char('*')) {
                ++pos;
                if (m_tokens.isEmpty() || m_tokens.last().kind != Token::Star)
                    m_tokens.append({Token::Star, 0});
                m_hasStar = true;
            } else {
                m_tokens.append({Token::AnyChar, 0});
                ++m_fixedLength;
            }
            break;
        case '\\': {
            if (pos == length) {
                m_valid = false;
                return true;
            }
            const QChar escaped = rx.at(pos++);
            if (isSpecialEscape(escaped))
                return false;
            m_tokens.append({Token::Char, foldCase(escaped.unicode())});
            ++m_fixedLength;
            break;
        }
        case '[':
            if (!parseSet(rx, pos))
                return false;
            if (!m_valid)
                return true;
            break;
        case ']':
        case '}':
            m_valid = false;
            return true;
        case '*':
        case '+':
        case '?':
        case '{':
        case '(':
        case ')':
        case '|':
        case '^':
        case '$':
            return false;
        default:
            m_tokens.append({Token::Char, foldCase(c.unicode())});
            ++m_fixedLength;
        }
        // A quantifier after anything but the `.` of `.*` never comes out of the
        // translation; if it did, QRegExp would have to judge it.
        if (pos < length && m_tokens.last().kind != Token::Star) {
            const QChar next = rx.at(pos);
            if (next == QLatin1Char('*') || next == QLatin1Char('+') || next == QLatin1Char('?') ||
                next == QLatin1Char('{'))
                return false;
        }
    }
    return true;
}

// Reads one `[...]` with `pos` just after the `[`, as QRegExp reads it: the first
// character is always a member (so `[]a]` holds `]` and `a`), `-` between two
// members makes a range in either order, a `-` that ends the set is a member.
bool WildcardMatcher::parseSet(const QString &rx, int &pos)
{
    const int length = rx.length();
    CharSet set;
    if (pos < length && rx.at(pos) == QLatin1Char('^')) {
        set.negative = true;
        ++pos;
    }
    bool charPending = false;
    bool rangePending = false;
    ushort pending = 0;
    do {
        if (pos == length) {
            m_valid = false;
            return true;
        }
        const QChar c = rx.at(pos);
        if (c == QLatin1Char('-') && charPending && !rangePending) {
            rangePending = true;
            ++pos;
            continue;
        }
        if (charPending && !rangePending) {
            set.ranges.append({pending, pending});
            charPending = false;
        }
        ushort member;
        if (c == QLatin1Char('\\')) {
            ++pos;
            if (pos == length) {
                m_valid = false;
                return true;
            }
            if (isSpecialEscape(rx.at(pos)))
                return false;
            member = rx.at(pos++).unicode();
        } else {
            member = c.unicode();
            ++pos;
        }
        if (rangePending) {
            set.ranges.append({qMin(pending, member), qMax(pending, member)});
            charPending = false;
            rangePending = false;
        } else {
            pending = member;
            charPending = true;
        }
    } while (pos < length && rx.at(pos) != QLatin1Char(']'));
    if (rangePending)
        set.ranges.append({ushort('-'), ushort('-')});
    if (charPending)
        set.ranges.append({pending, pending});
    if (pos == length) {
        m_valid = false;
        return true;
    }
    ++pos;
    m_tokens.append({Token::Set, m_sets.size()});
    m_sets.append(set);
    ++m_fixedLength;
    return true;
}

inline bool WildcardMatcher::tokenMatches(const Token &token, ushort c) const
{
    switch (token.kind) {
    case Token::Char:
        return token.value == foldCase(c);
    case Token::AnyChar:
        return true;
    case Token::Set:
        return m_sets.at(token.value).matches(c);
    case Token::Star:
        break;
    }
    return false;
}

// Every token but the star takes exactly one character, so the classic
// backtrack-to-the-last-star walk decides a whole-string match without recursion.
bool WildcardMatcher::matches(const QString &text) const
{
    if (m_fallback)
        return m_fallback->exactMatch(text);
    if (!m_valid)
        return false;
    const int length = text.length();
    if (length < m_fixedLength || (!m_hasStar && length != m_fixedLength))
        return false;
    if (m_hasStar && m_fixedLength == 0)
        return true;

    const ushort *chars = text.utf16();
    const Token *tokens = m_tokens.constData();
    const int tokenCount = m_tokens.size();
    int t = 0;
    int p = 0;
    int starToken = -1;
    int starText = 0;
    while (t < length) {
        if (p < tokenCount && tokens[p].kind == Token::Star) {
            starToken = p++;
            starText = t;
        } else if (p < tokenCount && tokenMatches(tokens[p], chars[t])) {
            ++p;
            ++t;
        } else if (starToken >= 0) {
            p = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < tokenCount && tokens[p].kind == Token::Star)
        ++p;
    return p == tokenCount;
}

} // namespace ZEL
