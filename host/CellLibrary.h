#pragma once

// Cell library of the netlist reader: which category and primitive code a
// synthesized cell type stands for. The built-in table comes from a compiled-in
// JSON file; the host and a project's own cell-library file extend or override it.

#include <QHash>
#include <QString>
#include <QVector>

class QByteArray;

namespace NlsData {

struct CellType {
    int category = 0;
    int primitive = 0;
    // Memories pick their code from their port shape (see celllibrary.json).
    bool byMemoryPorts = false;
    int rom = 0;
    int singlePort = 0;
    int simpleDualPort = 0;
    int multiPort = 0;

    // readPorts/writePorts < 0: the cell did not say; sharedAddress: its one read
    // and one write port use the same address bits.
    int primitiveFor(qint64 readPorts, qint64 writePorts, bool sharedAddress) const;
};

// A self-contained copy of the table, so a read running on a worker thread never
// sees the host changing the library underneath it.
class CellTable {
public:
    CellType lookup(const QString &cellType) const;
    void insert(const QString &cellType, const CellType &type);
    void insertPrefix(const QString &prefix, const CellType &type);
    bool loadJson(const QByteArray &data, QString *error);

private:
    QHash<QString, CellType> m_exact;
    QVector<QPair<QString, CellType>> m_prefixes; // longest first
};

class CellLibrary {
public:
    static CellTable snapshot();
    static void registerType(const QString &cellType, int category, int primitive);
    static bool loadFile(const QString &path, QString *error);
    static void reset();
};

} // namespace NlsData
