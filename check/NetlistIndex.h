#pragma once

// The names of a netlist by kind, built once and shared by every file of a check run:
// nets, flip-flop and block-RAM instances, other primitives, submodule instances and top
// ports with their direction. Besides exact look-ups it finds a close name of the same
// kind for a name that is gone (a register renamed from `cnt_reg[3]` to `cnt[3]`, a
// changed bit index, the same leaf under another hierarchy path) through keys of
// normalised names, never by comparing against every name.

#include <QHash>
#include <QMutex>
#include <QString>
#include <QVector>

#include <memory>
#include <vector>

namespace NlsData {
class Netlist;
}

namespace VepCheck {

class NetlistIndex {
public:
    enum Kind {
        Net = 1 << 0,
        FlipFlop = 1 << 1,
        BlockRam = 1 << 2,
        OtherPrimitive = 1 << 3,
        Submodule = 1 << 4,
        InputPort = 1 << 5,
        OutputPort = 1 << 6,
        InoutPort = 1 << 7,
    };

    explicit NetlistIndex(const NlsData::Netlist &netlist);
    NetlistIndex(const NetlistIndex &) = delete;
    NetlistIndex &operator=(const NetlistIndex &) = delete;

    QString topModule() const { return m_top; }
    // The kinds (a mask of Kind) the netlist has under this exact name; 0 when none.
    int kinds(const QString &name) const;
    // A close name that has one of the kinds in `wanted`, or empty.
    QString suggest(const QString &name, int wanted) const;
    // Submodule instances and the top, as instance paths ("top", "u_core").
    bool hasInstance(const QString &path) const;
    // Nets under an instance path (all nets for the top module). Safe from any thread.
    QVector<QString> netsUnder(const QString &instancePath) const;
    int netCount() const { return m_netCount; }

    // "flip-flop", "net", "input port", ... for messages; the first kind of the mask.
    static QString kindName(int kinds);

private:
    // Items grouped by the top bits of their hash, placed by counting instead of sorting:
    // a look-up reads one bucket of a few items that lie side by side, and a million
    // names cost no node and no string of their own.
    template <class Item> struct HashTable {
        std::vector<Item> items;
        std::vector<uint> starts; // bucket b is items [starts[b], starts[b + 1])
        int shift = 31;

        void build(std::vector<Item> &&from);
        const Item *begin(uint hash) const { return items.data() + starts[hash >> shift]; }
        const Item *end(uint hash) const { return items.data() + starts[(hash >> shift) + 1]; }
    };
    // (hash, kind, name); a name of two kinds (a net and a port) has two entries.
    struct Entry {
        uint hash;
        int kind;
        QString name;
    };
    // A normalised key of m_entries[entry].name, by the hash of the key.
    struct KeyRef {
        uint hash;
        uint entry;
    };
    // For the names of the kinds in one mask: built on the first suggestion asked for
    // that mask, as most checks need none.
    struct SuggestionTables {
        HashTable<KeyRef> byStem; // the path with `_reg` and the bit index stripped
        HashTable<KeyRef> byLeaf; // the leaf alone, its bit index written plainly
    };
    const SuggestionTables &tablesFor(int wanted) const;

    QString m_top;
    int m_netCount = 0;
    HashTable<Entry> m_entries;
    mutable QMutex m_mutex;
    mutable QHash<int, std::shared_ptr<SuggestionTables>> m_tables;
    mutable QVector<QString> m_sortedNets; // for netsUnder, sorted on first use
};

} // namespace VepCheck
