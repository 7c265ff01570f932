#include "activity/ScopeMatcher.h"

#include "activity/ActivityHeader.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <algorithm>

namespace Activity {

namespace {

// Names are compared as '/'-joined components: every separator ('/', '.', the SAIF
// divider) outside a bit index counts as one. Two spellings: exact, and "loose" (lower
// case, without a "_reg" suffix that synthesis gives registers).
QString canonical(const QString &name, QChar divider)
{
    QString out;
    out.reserve(name.size());
    int brackets = 0;
    for (const QChar c : name) {
        if (c == QLatin1Char('['))
            ++brackets;
        else if (c == QLatin1Char(']') && brackets > 0)
            --brackets;
        const bool separator =
            brackets == 0 && (c == QLatin1Char('/') || c == QLatin1Char('.') || c == divider);
        if (!separator)
            out += c;
        else if (!out.isEmpty() && !out.endsWith(QLatin1Char('/')))
            out += QLatin1Char('/');
    }
    if (out.endsWith(QLatin1Char('/')))
        out.chop(1);
    return out;
}

QString loose(const QString &canonicalName)
{
    QString out = canonicalName.toLower();
    static const QString suffix = QStringLiteral("_reg");
    for (int end = out.size(); end > 0;) {
        const int start = out.lastIndexOf(QLatin1Char('/'), end - 1) + 1;
        int base = out.indexOf(QLatin1Char('['), start);
        if (base < 0 || base > end)
            base = end;
        if (base - start > suffix.size() &&
            out.midRef(base - suffix.size(), suffix.size()) == suffix)
            out.remove(base - suffix.size(), suffix.size());
        end = start - 1;
    }
    return out;
}

quint64 key(QStringView text)
{
    return (quint64(qHash(text, 0x9e3779b9U)) << 32) | qHash(text, 0x85ebca6bU);
}

QStringView leafOf(const QString &name)
{
    return QStringView(name).mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

struct Name {
    QString exact;
    QString loose;
};

QVector<Name> uniqueNames(const QStringList &names)
{
    QVector<Name> out;
    QSet<QString> seen;
    for (const QString &name : names) {
        const QString exact = canonical(name, QLatin1Char('/'));
        if (exact.isEmpty() || seen.contains(exact))
            continue;
        seen.insert(exact);
        out.append({exact, loose(exact)});
    }
    return out;
}

int depth(const ActivityHeader &header, int scope)
{
    int levels = 0;
    for (int i = scope; i >= 0; i = header.scopes.at(i).parent)
        ++levels;
    return levels;
}

} // namespace

struct ScopeMatcher::Index {
    QVector<QString> path;      // canonical path of each scope
    QVector<QString> loosePath; // its loose spelling
    QHash<quint64, int> pathScope;
    QHash<quint64, int> loosePathScope;
    QSet<quint64> bits;                  // key(path + '/' + bit)
    QSet<quint64> looseBits;             // key(loosePath + '/' + loose bit)
    QHash<quint64, QVector<int>> byLeaf; // key(loose bit) -> the scopes that declare it
};

ScopeMatcher::ScopeMatcher(const ActivityHeader &header) : m_header(header), m_index(new Index)
{
    Index &index = *m_index;
    const QChar divider = header.divider;
    const int count = header.scopes.size();
    index.path.resize(count);
    index.loosePath.resize(count);
    QString exactBit;
    QString looseBit;
    for (int s = 0; s < count; ++s) {
        const Scope &scope = header.scopes.at(s);
        const QString own = canonical(scope.name, divider);
        // Parents come first, so their paths are known.
        const QString &above =
            scope.parent >= 0 && scope.parent < s ? index.path.at(scope.parent) : QString();
        index.path[s] = above.isEmpty() ? own
                        : own.isEmpty() ? above
                                        : above + QLatin1Char('/') + own;
        index.loosePath[s] = loose(index.path.at(s));
        index.pathScope.insert(key(index.path.at(s)), s);
        index.loosePathScope.insert(key(index.loosePath.at(s)), s);
        const QString exactPrefix = index.path.at(s) + QLatin1Char('/');
        const QString loosePrefix = index.loosePath.at(s) + QLatin1Char('/');
        for (const Signal &signal : scope.nets) {
            // The bits of a vector share their base name; only the index differs.
            const QString base = canonical(signal.name, divider);
            const QString looseBase = loose(base);
            const bool leafOnly = !base.contains(QLatin1Char('/'));
            for (int b = 0, width = signal.width(); b < width; ++b) {
                exactBit = exactPrefix + base;
                looseBit = looseBase;
                if (signal.vector) {
                    const QString bracket =
                        QLatin1Char('[') +
                        QString::number(signal.msb >= signal.lsb ? signal.msb - b
                                                                 : signal.msb + b) +
                        QLatin1Char(']');
                    exactBit += bracket;
                    looseBit += bracket;
                }
                index.bits.insert(key(exactBit));
                index.looseBits.insert(key(loosePrefix + looseBit));
                if (leafOnly) {
                    QVector<int> &scopes = index.byLeaf[key(looseBit)];
                    if (scopes.isEmpty() || scopes.last() != s)
                        scopes.append(s);
                }
            }
        }
    }
}

ScopeMatcher::~ScopeMatcher() = default;

ScopeMatch ScopeMatcher::match(int scope, const QStringList &relativeNetNames) const
{
    ScopeMatch result;
    const QVector<Name> names = uniqueNames(relativeNetNames);
    result.total = names.size();
    if (scope < 0 || scope >= m_header.scopes.size())
        return result;
    result.scope = scope;
    result.path = m_header.scopePath(scope);
    const QString exactPrefix = m_index->path.at(scope) + QLatin1Char('/');
    const QString loosePrefix = m_index->loosePath.at(scope) + QLatin1Char('/');
    for (const Name &name : names) {
        if (m_index->bits.contains(key(exactPrefix + name.exact)) ||
            m_index->looseBits.contains(key(loosePrefix + name.loose)))
            ++result.matched;
    }
    return result;
}

ScopeMatch ScopeMatcher::best(const QStringList &relativeNetNames) const
{
    const QVector<Name> names = uniqueNames(relativeNetNames);
    // Votes come from a spread sample of the names; a leaf declared in very many scopes
    // ("clk") says little and would make the vote quadratic, so it votes only when
    // nothing else does.
    constexpr int SampleSize = 4096;
    constexpr int CommonLeaf = 256;
    const int stride = qMax(1, names.size() / SampleSize);
    QHash<int, int> votes;
    QVector<int> roots;
    for (int pass = 0; pass < 2 && votes.isEmpty(); ++pass) {
        const int step = pass == 0 ? stride : qMax(stride, names.size() / 64);
        for (int i = 0; i < names.size(); i += step) {
            const QString &name = names.at(i).loose;
            const QStringView leaf = leafOf(name);
            // The name's scopes below the root, which the declaring scope's path must end with.
            const QStringView below =
                QStringView(name).left(qMax(qsizetype(0), name.size() - leaf.size() - 1));
            const auto found = m_index->byLeaf.constFind(key(leaf));
            if (found == m_index->byLeaf.constEnd() || (pass == 0 && found->size() > CommonLeaf))
                continue;
            roots.clear();
            for (const int scope : *found) {
                if (below.isEmpty()) {
                    roots.append(scope);
                    continue;
                }
                const QStringView path(m_index->loosePath.at(scope));
                const int rootSize = path.size() - below.size() - 1;
                if (rootSize <= 0 || !path.endsWith(below) || path.at(rootSize) != QLatin1Char('/'))
                    continue;
                const int root = m_index->loosePathScope.value(key(path.left(rootSize)), -1);
                if (root >= 0)
                    roots.append(root);
            }
            std::sort(roots.begin(), roots.end());
            roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
            for (const int root : qAsConst(roots))
                ++votes[root];
        }
    }
    // The few best-voted scopes are then counted exactly against all names.
    QVector<QPair<int, int>> ranked;
    for (auto it = votes.constBegin(); it != votes.constEnd(); ++it)
        ranked.append({-it.value(), it.key()});
    std::sort(ranked.begin(), ranked.end());
    ScopeMatch best;
    best.total = names.size();
    for (int i = 0; i < ranked.size() && i < 8; ++i) {
        const ScopeMatch candidate = match(ranked.at(i).second, relativeNetNames);
        const bool better = candidate.matched > best.matched ||
                            (candidate.matched == best.matched && best.scope >= 0 &&
                             depth(m_header, candidate.scope) < depth(m_header, best.scope));
        if (best.scope < 0 || better)
            best = candidate;
    }
    return best;
}

int ScopeMatcher::find(const QString &instancePath) const
{
    const QString exact = canonical(instancePath, m_header.divider);
    if (exact.isEmpty())
        return -1;
    const QString looseName = loose(exact);
    for (const bool ignoreCase : {false, true}) {
        const QVector<QString> &paths = ignoreCase ? m_index->loosePath : m_index->path;
        const QString &wanted = ignoreCase ? looseName : exact;
        const QHash<quint64, int> &whole =
            ignoreCase ? m_index->loosePathScope : m_index->pathScope;
        const int same = whole.value(key(wanted), -1);
        if (same >= 0 && paths.at(same) == wanted)
            return same;
        int found = -1;
        for (int s = 0; s < paths.size(); ++s) {
            const QString &path = paths.at(s);
            if (path.size() > wanted.size() && path.endsWith(wanted) &&
                path.at(path.size() - wanted.size() - 1) == QLatin1Char('/')) {
                if (found >= 0)
                    return -1;
                found = s;
            }
        }
        if (found >= 0)
            return found;
    }
    return -1;
}

ScopeMatch bestScope(const ActivityHeader &header, const QStringList &relativeNetNames)
{
    return ScopeMatcher(header).best(relativeNetNames);
}

ScopeMatch matchScope(const ActivityHeader &header, int scope, const QStringList &relativeNetNames)
{
    return ScopeMatcher(header).match(scope, relativeNetNames);
}

int findScope(const ActivityHeader &header, const QString &instancePath)
{
    return ScopeMatcher(header).find(instancePath);
}

} // namespace Activity
