#include "activity/ScopeMatcher.h"

#include "activity/ActivityHeader.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <algorithm>
#include <climits>
#include <vector>

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

quint64 mix(quint64 a, quint64 b)
{
    return (a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2))) * 0xff51afd7ed558ccdULL;
}

QString joined(const QString &above, QStringView below)
{
    if (below.isEmpty())
        return above;
    QString out = above;
    if (!out.isEmpty())
        out += QLatin1Char('/');
    out.append(below.data(), int(below.size()));
    return out;
}

// A canonical name split into the scopes below the root ("u_core"), its last component
// ("cnt[3]"), that component's base name ("cnt") and bit index (-1 for none).
struct Parts {
    QStringView below;
    QStringView leaf;
    QStringView base;
    int index = -1;

    explicit Parts(const QString &name)
    {
        const int slash = name.lastIndexOf(QLatin1Char('/'));
        below = QStringView(name).left(qMax(0, slash));
        leaf = QStringView(name).mid(slash + 1);
        base = leaf;
        const int open = leaf.endsWith(QLatin1Char(']')) ? leaf.lastIndexOf(QLatin1Char('[')) : -1;
        bool ok = false;
        const int value = open > 0 ? leaf.mid(open + 1, leaf.size() - open - 2).toInt(&ok) : -1;
        if (ok) {
            base = leaf.left(open);
            index = value;
        }
    }
};

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

// Sorted (key, value) pairs: a compact multi-map for millions of names.
struct Entry {
    quint64 key;
    int value;
    bool operator<(const Entry &other) const
    {
        return key < other.key || (key == other.key && value < other.value);
    }
};

std::pair<const Entry *, const Entry *> entries(const std::vector<Entry> &table, quint64 key)
{
    const auto range =
        std::equal_range(table.data(), table.data() + table.size(), Entry{key, INT_MIN},
                         [](const Entry &a, const Entry &b) { return a.key < b.key; });
    return range;
}

bool fits(const Signal &signal, int index)
{
    if (index < 0)
        return !signal.vector || signal.width() == 1;
    return signal.vector && index >= qMin(signal.msb, signal.lsb) &&
           index <= qMax(signal.msb, signal.lsb);
}

} // namespace

// Every declared name is entered once, not every bit: a vector is one entry with its range.
struct ScopeMatcher::Index {
    QVector<QString> path;      // canonical path of each scope
    QVector<QString> loosePath; // its loose spelling
    QHash<quint64, int> pathScope;
    QHash<quint64, int> loosePathScope;
    QVector<const Signal *> declared;
    std::vector<Entry> exact;  // mix(key(scope path), key(base)) -> index into declared
    std::vector<Entry> looser; // the same in the loose spelling
    std::vector<Entry> leaves; // key(loose base) -> scope, for the vote

    bool contains(const std::vector<Entry> &table, const QString &scopePath,
                  const QString &name) const
    {
        const Parts parts(name);
        const quint64 where = key(joined(scopePath, parts.below));
        for (const bool whole : {false, true}) {
            // "cnt[3]" as bit 3 of "cnt", else as a scalar named so (an escaped VCD name).
            if (whole && parts.index < 0)
                break;
            const auto range = entries(table, mix(where, key(whole ? parts.leaf : parts.base)));
            for (const Entry *e = range.first; e != range.second; ++e) {
                if (fits(*declared.at(e->value), whole ? -1 : parts.index))
                    return true;
            }
        }
        return false;
    }
};

ScopeMatcher::ScopeMatcher(const ActivityHeader &header) : m_header(header), m_index(new Index)
{
    Index &index = *m_index;
    const QChar divider = header.divider;
    const int count = header.scopes.size();
    index.path.resize(count);
    index.loosePath.resize(count);
    for (int s = 0; s < count; ++s) {
        const Scope &scope = header.scopes.at(s);
        // Parents come first, so their paths are known.
        const QString above =
            scope.parent >= 0 && scope.parent < s ? index.path.at(scope.parent) : QString();
        index.path[s] = joined(above, canonical(scope.name, divider));
        index.loosePath[s] = loose(index.path.at(s));
        index.pathScope.insert(key(index.path.at(s)), s);
        index.loosePathScope.insert(key(index.loosePath.at(s)), s);
        for (const Signal &signal : scope.nets) {
            const int id = index.declared.size();
            index.declared.append(&signal);
            const QString name = canonical(signal.name, divider);
            const Parts exact(name);
            index.exact.push_back(
                {mix(key(joined(index.path.at(s), exact.below)), key(exact.leaf)), id});
            const QString looseName = loose(name);
            const Parts looser(looseName);
            index.looser.push_back(
                {mix(key(joined(index.loosePath.at(s), looser.below)), key(looser.leaf)), id});
            if (looser.below.isEmpty())
                index.leaves.push_back({key(looser.leaf), s});
        }
    }
    for (std::vector<Entry> *table : {&index.exact, &index.looser, &index.leaves})
        std::sort(table->begin(), table->end());
    index.leaves.erase(std::unique(index.leaves.begin(), index.leaves.end(),
                                   [](const Entry &a, const Entry &b) {
                                       return a.key == b.key && a.value == b.value;
                                   }),
                       index.leaves.end());
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
    for (const Name &name : names) {
        if (m_index->contains(m_index->exact, m_index->path.at(scope), name.exact) ||
            m_index->contains(m_index->looser, m_index->loosePath.at(scope), name.loose))
            ++result.matched;
    }
    return result;
}

ScopeMatch ScopeMatcher::best(const QStringList &relativeNetNames) const
{
    const QVector<Name> names = uniqueNames(relativeNetNames);
    // Votes come from a spread sample of the names; a name declared in very many scopes
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
            const Parts parts(names.at(i).loose);
            const auto range = entries(m_index->leaves, key(parts.base));
            if (range.first == range.second ||
                (pass == 0 && range.second - range.first > CommonLeaf))
                continue;
            roots.clear();
            for (const Entry *e = range.first; e != range.second; ++e) {
                if (parts.below.isEmpty()) {
                    roots.append(e->value);
                    continue;
                }
                // The declaring scope's path ends with the scopes the name has below the root.
                const QStringView path(m_index->loosePath.at(e->value));
                const int rootSize = int(path.size() - parts.below.size()) - 1;
                if (rootSize <= 0 || !path.endsWith(parts.below) ||
                    path.at(rootSize) != QLatin1Char('/'))
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
