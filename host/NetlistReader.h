#pragma once

// Reads the JSON netlist that synthesis writes (modules with ports, cells and
// netnames) and flattens its bits into the netlist model, keeping the hierarchy in
// the paths of instances and nets.

#include "host/CellLibrary.h"

#include <QString>

#include <atomic>

namespace NlsData {

class Netlist;

// Shared between a read running on a worker thread and the GUI thread showing it.
struct ReadProgress {
    std::atomic<int> percent{0};
    std::atomic<bool> cancelled{false};
};

class NetlistReader {
public:
    explicit NetlistReader(const CellTable &cells);

    // A new netlist owned by the caller, or null with a message in *error.
    Netlist *read(const QString &path, QString *error, ReadProgress *progress = nullptr);

private:
    CellTable m_cells;
};

} // namespace NlsData
