#pragma once

// Case-insensitive, whole-string Unix wildcard matching for the netlist finder,
// fast enough for a million paths per search. It accepts exactly what a
// QRegExp(pattern, Qt::CaseInsensitive, QRegExp::WildcardUnix) accepts, quirks
// included: `*`, `?`, `[...]` sets with ranges and `^` negation (a leading `!` is
// an ordinary character there), `\` escaping, and a pattern that QRegExp refuses
// (an unclosed `[`, a stray `]`) matches nothing.

#include <QString>
#include <QVector>

#include <memory>

class QRegExp;

namespace ZEL {

class WildcardMatcher {
public:
    explicit WildcardMatcher(const QString &pattern);
    ~WildcardMatcher();
    WildcardMatcher(const WildcardMatcher &) = delete;
    WildcardMatcher &operator=(const WildcardMatcher &) = delete;

    bool matches(const QString &text) const;

    // False for a pattern that can match nothing because QRegExp refuses it.
    bool isValid() const { return m_valid; }
    // True when the pattern uses a construct this matcher hands over to QRegExp.
    bool usesFallback() const { return m_fallback != nullptr; }

private:
    struct Token {
        enum Kind : unsigned char { Char, AnyChar, Star, Set };
        Kind kind;
        int value; // Char: the folded character; Set: index into m_sets
    };
    struct CharSet {
        bool negative = false;
        QVector<QPair<ushort, ushort>> ranges;
        bool contains(ushort c) const;
        bool matches(ushort c) const;
    };

    bool compile(const QString &rx);
    bool parseSet(const QString &rx, int &pos);
    bool tokenMatches(const Token &token, ushort c) const;

    QVector<Token> m_tokens;
    QVector<CharSet> m_sets;
    int m_fixedLength = 0; // characters every match consumes outside stars
    bool m_hasStar = false;
    bool m_valid = true;
    std::unique_ptr<QRegExp> m_fallback;
};

} // namespace ZEL
