#include "check/NetlistIndex.h"

#include "host/nlsdata.h"

#include <QVarLengthArray>

#include <algorithm>

namespace VepCheck {

namespace {

// Where a name's parts lie: the leaf starts after the last separator, the stem (the leaf
// without a trailing bit index "[12]" and then without `_reg`) ends at stemEnd; index is
// -1 when there is no bit index. "u/cnt_reg[3]" and "u/cnt[3]" both have the stem "cnt".
struct NameParts {
    int leafAt = 0;
    int stemEnd = 0;
    int index = -1;
};

// A bit index as QString::toInt reads it; plain digits, the usual case, without going
// through the locale's number parsing.
int bitIndex(const QStringRef &text, bool *ok)
{
    if (text.isEmpty() || text.size() > 9)
        return text.toInt(ok);
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return text.toInt(ok);
        value = value * 10 + (c.unicode() - '0');
    }
    *ok = true;
    return value;
}

// The decimal digits of a value that is not negative, into `digits`; their count.
int decimal(int value, char (&digits)[12])
{
    char reversed[12];
    int count = 0;
    do {
        reversed[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int i = 0; i < count; ++i)
        digits[i] = reversed[count - 1 - i];
    return count;
}

NameParts partsOf(const QString &name)
{
    NameParts parts;
    for (int i = name.size() - 1; i >= 0; --i) {
        const QChar c = name.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('.')) {
            parts.leafAt = i + 1;
            break;
        }
    }
    parts.stemEnd = name.size();
    if (name.endsWith(QLatin1Char(']'))) {
        const int open = name.lastIndexOf(QLatin1Char('['));
        if (open > parts.leafAt) {
            bool ok = false;
            const int value = bitIndex(name.midRef(open + 1, name.size() - open - 2), &ok);
            if (ok) {
                parts.index = value;
                parts.stemEnd = open;
            }
        }
    }
    if (QStringView(name)
            .mid(parts.leafAt, parts.stemEnd - parts.leafAt)
            .endsWith(QLatin1String("_reg")))
        parts.stemEnd -= 4;
    return parts;
}

// The hierarchy path and the stem: a prefix of the name itself.
QStringView stemKey(const QString &name, const NameParts &parts)
{
    return QStringView(name).left(parts.stemEnd);
}

// The stem and the bit index written plainly ("cnt[3]" for "cnt_reg[03]"), into `buffer`
// when it is not a part of the name as it stands.
using KeyBuffer = QVarLengthArray<QChar, 256>;
QStringView leafKey(const QString &name, const NameParts &parts, KeyBuffer *buffer)
{
    const QStringView stem = QStringView(name).mid(parts.leafAt, parts.stemEnd - parts.leafAt);
    if (parts.index < 0)
        return stem;
    char digits[12];
    const int count = decimal(parts.index, digits);
    const QStringView rest = QStringView(name).mid(parts.stemEnd);
    if (rest.size() == count + 2 && rest.at(0) == QLatin1Char('[') &&
        rest.mid(1, count) == QLatin1String(digits, count))
        return QStringView(name).mid(parts.leafAt);
    buffer->clear();
    buffer->append(stem.data(), stem.size());
    buffer->append(QLatin1Char('['));
    for (int i = 0; i < count; ++i)
        buffer->append(QLatin1Char(digits[i]));
    buffer->append(QLatin1Char(']'));
    return QStringView(buffer->constData(), buffer->size());
}

} // namespace

template <class Item> void NetlistIndex::HashTable<Item>::build(std::vector<Item> &&from)
{
    // About four items a bucket: the bucket starts then stay small enough to be cached
    // while they are counted, and a bucket is still read in one or two cache lines.
    int bits = 1;
    while (bits < 22 && (size_t(4) << bits) < from.size())
        ++bits;
    shift = 32 - bits;
    starts.assign((size_t(1) << bits) + 1, 0);
    for (const Item &item : from)
        ++starts[(item.hash >> shift) + 1];
    for (size_t b = 1; b < starts.size(); ++b)
        starts[b] += starts[b - 1];
    std::vector<uint> next(starts.begin(), starts.end() - 1);
    items.resize(from.size());
    for (Item &item : from)
        items[next[item.hash >> shift]++] = std::move(item);
    from.clear();
}

NetlistIndex::NetlistIndex(const NlsData::Netlist &netlist) : m_top(netlist.topModuleName())
{
    const QList<NlsData::Net *> &nets = netlist.allNets();
    std::vector<Entry> entries;
    entries.reserve(size_t(nets.size() + netlist.allPrimInstances().size() +
                           netlist.allSubmodInstances().size()));
    auto add = [&entries](QString &&name, int kind) {
        const uint hash = qHash(QStringView(name));
        entries.push_back({hash, kind, std::move(name)});
    };
    for (const NlsData::Net *net : nets)
        add(net->path(), Net);
    m_netCount = nets.size();
    for (const NlsData::Instance *instance : netlist.allPrimInstances()) {
        const int kind = instance->category == NlsData::CategoryFlipFlop   ? FlipFlop
                         : instance->category == NlsData::CategoryBlockRam ? BlockRam
                                                                           : OtherPrimitive;
        add(instance->path(), kind);
    }
    for (const NlsData::Instance *instance : netlist.allSubmodInstances())
        add(instance->path(), Submodule);
    if (netlist.topInstance) {
        for (const NlsData::Port *port : netlist.topInstance->ports()) {
            const int kind = port->direction == NlsData::DirectionInput    ? InputPort
                             : port->direction == NlsData::DirectionOutput ? OutputPort
                                                                           : InoutPort;
            add(port->path(), kind);
        }
    }
    m_entries.build(std::move(entries));
}

const NetlistIndex::SuggestionTables &NetlistIndex::tablesFor(int wanted) const
{
    QMutexLocker lock(&m_mutex);
    std::shared_ptr<SuggestionTables> &tables = m_tables[wanted];
    if (tables)
        return *tables;
    tables = std::make_shared<SuggestionTables>();
    std::vector<KeyRef> stems;
    std::vector<KeyRef> leaves;
    KeyBuffer buffer;
    for (size_t i = 0; i < m_entries.items.size(); ++i) {
        const Entry &entry = m_entries.items[i];
        if (!(entry.kind & wanted))
            continue;
        const NameParts parts = partsOf(entry.name);
        stems.push_back({qHash(stemKey(entry.name, parts)), uint(i)});
        leaves.push_back({qHash(leafKey(entry.name, parts, &buffer)), uint(i)});
    }
    tables->byStem.build(std::move(stems));
    tables->byLeaf.build(std::move(leaves));
    return *tables;
}

int NetlistIndex::kinds(const QString &name) const
{
    const uint hash = qHash(QStringView(name));
    int kinds = 0;
    for (const Entry *it = m_entries.begin(hash), *end = m_entries.end(hash); it != end; ++it) {
        if (it->hash == hash && it->name == name)
            kinds |= it->kind;
    }
    return kinds;
}

bool NetlistIndex::hasInstance(const QString &path) const
{
    return path == m_top || (kinds(path) & Submodule);
}

QString NetlistIndex::suggest(const QString &name, int wanted) const
{
    const SuggestionTables &tables = tablesFor(wanted);
    const NameParts parts = partsOf(name);

    // Same place in the hierarchy, same register or vector: the bit of the same index
    // first, else the nearest index.
    QString best;
    int bestDistance = INT_MAX;
    const QStringView stem = stemKey(name, parts);
    const uint stemHash = qHash(stem);
    for (const KeyRef *it = tables.byStem.begin(stemHash), *end = tables.byStem.end(stemHash);
         it != end; ++it) {
        const QString &candidate = m_entries.items[it->entry].name;
        if (it->hash != stemHash || candidate == name)
            continue;
        const NameParts candidateParts = partsOf(candidate);
        if (stemKey(candidate, candidateParts) != stem)
            continue;
        const int distance = std::abs(candidateParts.index - parts.index);
        if (distance < bestDistance || (distance == bestDistance && candidate < best)) {
            best = candidate;
            bestDistance = distance;
        }
    }
    if (!best.isEmpty())
        return best;

    // The same leaf under another hierarchy path: the path sharing the longest tail with
    // the old one (u_top/u_core/x moved to u_core/x or u_top/u_core2/x).
    KeyBuffer buffer;
    KeyBuffer candidateBuffer;
    const QStringView leaf = leafKey(name, parts, &buffer);
    const uint leafHash = qHash(leaf);
    int bestShared = -1;
    for (const KeyRef *it = tables.byLeaf.begin(leafHash), *end = tables.byLeaf.end(leafHash);
         it != end; ++it) {
        const QString &candidate = m_entries.items[it->entry].name;
        if (it->hash != leafHash || candidate == name ||
            leafKey(candidate, partsOf(candidate), &candidateBuffer) != leaf)
            continue;
        int shared = 0;
        while (shared < candidate.size() && shared < name.size() &&
               candidate.at(candidate.size() - 1 - shared) == name.at(name.size() - 1 - shared))
            ++shared;
        if (shared > bestShared || (shared == bestShared && candidate < best)) {
            best = candidate;
            bestShared = shared;
        }
    }
    return best;
}

QVector<QString> NetlistIndex::netsUnder(const QString &instancePath) const
{
    QMutexLocker lock(&m_mutex);
    if (m_sortedNets.isEmpty()) {
        m_sortedNets.reserve(m_netCount);
        for (const Entry &entry : m_entries.items) {
            if (entry.kind == Net)
                m_sortedNets.append(entry.name);
        }
        std::sort(m_sortedNets.begin(), m_sortedNets.end());
    }
    if (instancePath.isEmpty() || instancePath == m_top)
        return m_sortedNets;
    const QString prefix = instancePath + QLatin1Char('/');
    QVector<QString> under;
    auto it = std::lower_bound(m_sortedNets.cbegin(), m_sortedNets.cend(), prefix);
    for (; it != m_sortedNets.cend() && it->startsWith(prefix); ++it)
        under.append(*it);
    return under;
}

QString NetlistIndex::kindName(int kinds)
{
    if (kinds & FlipFlop)
        return QStringLiteral("a flip-flop");
    if (kinds & BlockRam)
        return QStringLiteral("a block RAM");
    if (kinds & OtherPrimitive)
        return QStringLiteral("a primitive that is neither a flip-flop nor a block RAM");
    if (kinds & Submodule)
        return QStringLiteral("a module instance");
    if (kinds & InputPort)
        return QStringLiteral("an input port");
    if (kinds & OutputPort)
        return QStringLiteral("an output port");
    if (kinds & InoutPort)
        return QStringLiteral("an inout port");
    if (kinds & Net)
        return QStringLiteral("a net");
    return QStringLiteral("name");
}

} // namespace VepCheck
