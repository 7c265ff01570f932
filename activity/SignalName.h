#pragma once

// The parts of signal and scope names that the VCD and SAIF readers share: escapes,
// bit ranges and time scales.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

namespace Activity {

struct Signal;

// "1ps", "10 ns", "100us", "1.5 ms": seconds per unit; false for anything else.
bool parseTimescale(const QByteArray &text, double *seconds);

// A VCD identifier without the backslash of an escaped one ("\a.b" is the name "a.b").
QString unescapedVcdName(const QByteArray &word);

// The reference words of a $var ("cnt [3:0]", "cnt[3:0]", "cnt [3]", "\a.b [1:0]", "clk")
// declared `size` bits wide.
bool parseVcdReference(const QList<QByteArray> &words, int size, Signal *signal, QString *error);

// A name that may end in a bit index or range ("cnt[3]", "cnt[3:0]", "clk").
bool parseBitName(const QString &name, Signal *signal, QString *error);

// A SAIF identifier with its backslash escapes removed ("cnt\[3\]" is "cnt[3]").
QString unescapedSaifName(const QByteArray &word);
void unescapeSaif(const QByteArray &word, QByteArray *plain);
// Whether `name` ends in one bit index ("cnt[3]"), where its '[' is and the index.
bool singleBit(const QByteArray &name, int *open, int *index);
// The components of a SAIF hierarchical name split at unescaped dividers.
QList<QByteArray> splitSaifPath(const QByteArray &word, char divider);

// Appends `net` to a scope's nets; a bit that continues the vector before it ("cnt[2]"
// after "cnt[3]", as bit-blasted files list them) widens that vector instead, which keeps
// large files small in memory.
void appendNet(QVector<Signal> &nets, const Signal &net);
// True when bit `index` of `name` continues the vector last in `nets`, which it widens.
bool extendLast(QVector<Signal> &nets, QLatin1String name, int index);
bool extendLast(QVector<Signal> &nets, const QString &name, int index);

} // namespace Activity
