#include "check/NetlistIndex.h"

#include "host/nlsdata.h"

#include <algorithm>

namespace VepCheck {

namespace {

// Where the leaf of a hierarchical name starts: after the last separator outside a bit
// index.
int leafStart(const QString &name)
{
    for (int i = name.size() - 1; i >= 0; --i) {
        const QChar c = name.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('.'))
            return i + 1;
    }
    return 0;
}

// A trailing bit index "[12]" split off; `index` is -1 when there is none.
QString withoutIndex(const QString &leaf, int *index)
{
    *index = -1;
    if (!leaf.endsWith(QLatin1Char(']')))
        return leaf;
    const int open = leaf.lastIndexOf(QLatin1Char('['));
    if (open <= 0)
        return leaf;
    bool ok = false;
    const int value = leaf.midRef(open + 1, leaf.size() - open - 2).toInt(&ok);
    if (!ok)
        return leaf;
    *index = value;
    return leaf.left(open);
}

// The name of a register without what synthesis adds to it: "cnt_reg[3]" and "cnt[3]"
// both give "cnt".
QString stemOf(const QString &leaf, int *index)
{
    QString stem = withoutIndex(leaf, index);
    if (stem.endsWith(QLatin1String("_reg")))
        stem.chop(4);
    return stem;
}

} // namespace

NetlistIndex::NetlistIndex(const NlsData::Netlist &netlist) : m_top(netlist.topModuleName())
{
    const QList<NlsData::Net *> &nets = netlist.allNets();
    m_entries.reserve(size_t(nets.size() + netlist.allPrimInstances().size() +
                             netlist.allSubmodInstances().size()));
    auto add = [this](const QString &name, int kind) {
        m_entries.push_back({qHash(name), kind, name});
        m_namesByKind[kind].append(name);
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
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry &a, const Entry &b) { return a.hash < b.hash; });
}

const NetlistIndex::SuggestionTables &NetlistIndex::tablesFor(int wanted) const
{
    QMutexLocker lock(&m_mutex);
    std::shared_ptr<SuggestionTables> &tables = m_tables[wanted];
    if (tables)
        return *tables;
    tables = std::make_shared<SuggestionTables>();
    for (auto it = m_namesByKind.cbegin(); it != m_namesByKind.cend(); ++it) {
        if (!(it.key() & wanted))
            continue;
        for (const QString &name : it.value()) {
            const int leafAt = leafStart(name);
            int index = -1;
            const QString stem = stemOf(name.mid(leafAt), &index);
            tables->byStem[name.left(leafAt) + stem].append(name);
            tables
                ->byLeaf[index < 0
                             ? stem
                             : stem + QLatin1Char('[') + QString::number(index) + QLatin1Char(']')]
                .append(name);
        }
    }
    return *tables;
}

int NetlistIndex::kinds(const QString &name) const
{
    const uint hash = qHash(name);
    auto it = std::lower_bound(m_entries.cbegin(), m_entries.cend(), hash,
                               [](const Entry &entry, uint h) { return entry.hash < h; });
    int kinds = 0;
    for (; it != m_entries.cend() && it->hash == hash; ++it) {
        if (it->name == name)
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
    const int leafAt = leafStart(name);
    const QString prefix = name.left(leafAt);
    int index = -1;
    const QString stem = stemOf(name.mid(leafAt), &index);

    // Same place in the hierarchy, same register or vector: the bit of the same index
    // first, else the nearest index.
    QString best;
    int bestDistance = INT_MAX;
    for (const QString &candidate : tables.byStem.value(prefix + stem)) {
        if (candidate == name)
            continue;
        int candidateIndex = -1;
        stemOf(candidate.mid(leafStart(candidate)), &candidateIndex);
        const int distance = std::abs(candidateIndex - index);
        if (distance < bestDistance || (distance == bestDistance && candidate < best)) {
            best = candidate;
            bestDistance = distance;
        }
    }
    if (!best.isEmpty())
        return best;

    // The same leaf under another hierarchy path: the path sharing the longest tail with
    // the old one (u_top/u_core/x moved to u_core/x or u_top/u_core2/x).
    const QString leafKey =
        index < 0 ? stem : stem + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
    int bestShared = -1;
    for (const QString &candidate : tables.byLeaf.value(leafKey)) {
        if (candidate == name)
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
        m_sortedNets = m_namesByKind.value(Net);
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
