#pragma once

// What the power run will find in a simulation activity file (VCD or SAIF), read from
// its header alone: the time scale, the span of simulated time it covers and the tree
// of scopes with the nets declared in each. The value changes themselves are never
// read, so a dump of any size is checked in milliseconds.

#include <QChar>
#include <QString>
#include <QStringList>
#include <QVector>

namespace Activity {

// One declared signal: a scalar, or a vector whose bits run from `msb` to `lsb` (either
// order). A single bit of a vector, declared as `name[3]`, is a vector of one bit.
struct Signal {
    QString name; // unescaped, without the bit range ("cnt")
    int msb = 0;
    int lsb = 0;
    bool vector = false;

    int width() const { return vector ? (msb > lsb ? msb - lsb : lsb - msb) + 1 : 1; }
    // Bit-level name of the i-th bit from the msb: "cnt[3]", or the name of a scalar.
    QString bitName(int i) const;
};

// One node of the file's hierarchy (a VCD $scope, a SAIF INSTANCE).
struct Scope {
    QString name;    // unescaped local name ("u_dut", "tb")
    int parent = -1; // index into ActivityHeader::scopes, -1 for a top-level scope
    QVector<int> children;
    // Declared directly in this scope, in file order; bits declared one by one in a row
    // ("cnt[3]", "cnt[2]", as bit-blasted files do) are joined into one vector.
    QVector<Signal> nets;

    // Every bit of `nets`, expanded: "cnt[3]", "cnt[2]", ..., "clk".
    QStringList signalBits() const;
};

struct ActivityHeader {
    bool ok = false;
    QString error;             // why the file cannot be read as this format
    qint64 errorLine = 0;      // 1-based line of the error, 0 when unknown
    bool hasTimescale = false; // false: secondsPerUnit stays 1
    double secondsPerUnit = 1; // from $timescale / (TIMESCALE ...)
    bool hasSpan = false;      // spanStart/spanEnd are known (VCD: a #time in the last 64 MiB)
    double spanStart = 0;      // seconds; VCD: first #time after the definitions, SAIF: 0
    double spanEnd = 0;        // seconds; VCD: last #time (from the file's tail), SAIF: DURATION
    QChar divider;             // '.' for VCD, the DIVIDER of a SAIF file
    QVector<Scope> scopes;     // parents come before their children
    qint64 signalCount = 0;    // declarations ($var, SAIF net and port entries) in all scopes
    qint64 bitCount = 0;       // their bits

    // "tb.u_dut": the names from the top-level scope down, joined with `divider`.
    QString scopePath(int index) const;
};

// Read the header of a VCD file (IEEE 1364 value change dump) or of a SAIF 2.0 file.
// Both stream the file in blocks with bounded memory; a file that is not of the format
// (compressed, binary, truncated, nested too deep, a token or command too long, too many
// scopes or nets) gives ok = false with the reason in `error`.
ActivityHeader readVcdHeader(const QString &path);
ActivityHeader readSaifHeader(const QString &path);
// isVcd as the activity-file row says.
ActivityHeader readActivityHeader(const QString &path, bool isVcd);

} // namespace Activity
