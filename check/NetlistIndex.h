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
    // One name of one kind (a name of two kinds, a net and a port, has two entries), with
    // the hashes of its three keys: the name itself, the name without `_reg` and bit index
    // (its stem key), and the leaf without `_reg` but with the index (its leaf key).
    struct Entry {
        uint nameHash;
        uint stemHash;
        uint leafHash;
        int kind;
        QString name;
    };
    // Open addressing over entry numbers: a million names without a node allocated for
    // each, and a look-up touches a few neighbouring cells.
    struct Table {
        std::vector<int> cells;
        uint mask = 0;
        void reserve(size_t entries);
        void insert(uint hash, int entry);
    };
    template <class Visit>
    void visit(const Table &table, uint hash, uint Entry::*key, Visit visit) const;

    QString m_top;
    int m_netCount = 0;
    std::vector<Entry> m_entries;
    Table m_byName;
    Table m_byStem;
    Table m_byLeaf;
    mutable QMutex m_mutex;
    mutable QVector<QString> m_sortedNets; // for netsUnder, sorted on first use
};

} // namespace VepCheck
