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

// The parts of a name, as positions in it, found without building new strings:
// `prefix/stem_reg[index]`. The stem key is everything before `_reg` or the index, the
// leaf key the stem of the leaf with the index.
struct Parts {
    int leafAt = 0;
    int stemEnd = 0;
    int index = -1;
};

Parts partsOf(const QString &name)
{
    Parts parts;
    parts.leafAt = leafStart(name);
    int end = name.size();
    if (name.endsWith(QLatin1Char(']'))) {
        const int open = name.lastIndexOf(QLatin1Char('['));
        bool ok = false;
        const int value =
            open > parts.leafAt ? name.midRef(open + 1, end - open - 2).toInt(&ok) : 0;
        if (ok) {
            parts.index = value;
            end = open;
        }
    }
    if (end - parts.leafAt >= 4 && name.midRef(end - 4, 4) == QLatin1String("_reg"))
        end -= 4;
    parts.stemEnd = end;
    return parts;
}

uint stemHashOf(const QString &name, const Parts &parts)
{
    return qHash(name.midRef(0, parts.stemEnd));
}

uint leafHashOf(const QString &name, const Parts &parts)
{
    const uint stem = qHash(name.midRef(parts.leafAt, parts.stemEnd - parts.leafAt));
    return parts.index < 0 ? stem : stem ^ (uint(parts.index) * 0x9E3779B1u + 0x7F4A7C15u);
}

bool sameStem(const QString &a, const Parts &pa, const QString &b, const Parts &pb)
{
    return pa.stemEnd == pb.stemEnd && a.midRef(0, pa.stemEnd) == b.midRef(0, pb.stemEnd);
}

bool sameLeaf(const QString &a, const Parts &pa, const QString &b, const Parts &pb)
{
    return pa.index == pb.index && a.midRef(pa.leafAt, pa.stemEnd - pa.leafAt) ==
                                       b.midRef(pb.leafAt, pb.stemEnd - pb.leafAt);
}

} // namespace

void NetlistIndex::Table::reserve(size_t entries)
{
    size_t size = 16;
    while (size < entries * 2)
        size *= 2;
    cells.assign(size, -1);
    mask = uint(size - 1);
}

void NetlistIndex::Table::insert(uint hash, int entry)
{
    uint slot = hash & mask;
    while (cells[slot] >= 0)
        slot = (slot + 1) & mask;
    cells[slot] = entry;
}

// Calls visit(entry) for every entry whose key hash is `hash`, until it returns false.
template <class Visit>
void NetlistIndex::visit(const Table &table, uint hash, uint Entry::*key, Visit visit) const
{
    if (table.cells.empty())
        return;
    for (uint slot = hash & table.mask; table.cells[slot] >= 0; slot = (slot + 1) & table.mask) {
        const Entry &entry = m_entries[size_t(table.cells[slot])];
        if (entry.*key == hash && !visit(entry))
            return;
    }
}

NetlistIndex::NetlistIndex(const NlsData::Netlist &netlist) : m_top(netlist.topModuleName())
{
    const QList<NlsData::Net *> &nets = netlist.allNets();
    m_entries.reserve(size_t(nets.size() + netlist.allPrimInstances().size() +
                             netlist.allSubmodInstances().size()));
    auto add = [this](const QString &name, int kind) {
        const Parts parts = partsOf(name);
        m_entries.push_back(
            {qHash(name), stemHashOf(name, parts), leafHashOf(name, parts), kind, name});
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
    for (Table *table : {&m_byName, &m_byStem, &m_byLeaf})
        table->reserve(m_entries.size());
    for (size_t i = 0; i < m_entries.size(); ++i) {
        m_byName.insert(m_entries[i].nameHash, int(i));
        m_byStem.insert(m_entries[i].stemHash, int(i));
        m_byLeaf.insert(m_entries[i].leafHash, int(i));
    }
}

int NetlistIndex::kinds(const QString &name) const
{
    int kinds = 0;
    visit(m_byName, qHash(name), &Entry::nameHash, [&](const Entry &entry) {
        if (entry.name == name)
            kinds |= entry.kind;
        return true;
    });
    return kinds;
}

bool NetlistIndex::hasInstance(const QString &path) const
{
    return path == m_top || (kinds(path) & Submodule);
}

QString NetlistIndex::suggest(const QString &name, int wanted) const
{
    const Parts parts = partsOf(name);

    // Same place in the hierarchy, same register or vector: the bit of the same index
    // first, else the nearest index.
    QString best;
    int bestDistance = INT_MAX;
    visit(m_byStem, stemHashOf(name, parts), &Entry::stemHash, [&](const Entry &entry) {
        if (!(entry.kind & wanted) || entry.name == name)
            return true;
        const Parts candidate = partsOf(entry.name);
        if (!sameStem(entry.name, candidate, name, parts))
            return true;
        const int distance = std::abs(candidate.index - parts.index);
        if (distance < bestDistance || (distance == bestDistance && entry.name < best)) {
            best = entry.name;
            bestDistance = distance;
        }
        return true;
    });
    if (!best.isEmpty())
        return best;

    // The same leaf under another hierarchy path: the path sharing the longest tail with
    // the old one (u_top/u_core/x moved to u_core/x or u_top/u_core2/x).
    int bestShared = -1;
    visit(m_byLeaf, leafHashOf(name, parts), &Entry::leafHash, [&](const Entry &entry) {
        if (!(entry.kind & wanted) || entry.name == name)
            return true;
        if (!sameLeaf(entry.name, partsOf(entry.name), name, parts))
            return true;
        const QString &candidate = entry.name;
        int shared = 0;
        while (shared < candidate.size() && shared < name.size() &&
               candidate.at(candidate.size() - 1 - shared) == name.at(name.size() - 1 - shared))
            ++shared;
        if (shared > bestShared || (shared == bestShared && candidate < best)) {
            best = candidate;
            bestShared = shared;
        }
        return true;
    });
    return best;
}

QVector<QString> NetlistIndex::netsUnder(const QString &instancePath) const
{
    QMutexLocker lock(&m_mutex);
    if (m_sortedNets.isEmpty()) {
        for (const Entry &entry : m_entries) {
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
