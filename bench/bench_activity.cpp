// Generates a 2 GB VCD dump with 100,000 signals and a 200 MB SAIF file in a temporary
// folder, checks their headers as the checker does (reader, then the best scope for the
// design's names) and prints the times and the peak memory of each check, measured in a
// child process; then how soon 1 GB hostile files are refused. The files are deleted
// afterwards.
//
//   bench_activity [--dir DIR] [--vcd-mb N] [--saif-mb N] [--hostile-mb N]

#include "activity/ActivityHeader.h"
#include "activity/ScopeMatcher.h"
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int Modules = 100;
constexpr int SignalsPerModule = 1000; // 100,000 signals in all

// VCD id codes: printable characters from '!' to '~', base 94.
QByteArray idCode(int n)
{
    QByteArray id;
    do {
        id += char('!' + n % 94);
        n /= 94;
    } while (n > 0);
    return id;
}

// Every tenth signal is an 8-bit bus, the rest are single bits.
bool isBus(int signal)
{
    return signal % 10 == 0;
}

QByteArray vcdHeader()
{
    QByteArray h = "$date today $end\n$version bench_activity $end\n$timescale 1ps $end\n"
                   "$scope module tb $end\n$var reg 1 ! clk $end\n$scope module u_dut $end\n";
    for (int m = 0, n = 1; m < Modules; ++m) {
        h += "$scope module u_m" + QByteArray::number(m) + " $end\n";
        for (int s = 0; s < SignalsPerModule; ++s, ++n)
            h += isBus(s)
                     ? "$var wire 8 " + idCode(n) + " bus" + QByteArray::number(s) + " [7:0] $end\n"
                     : "$var wire 1 " + idCode(n) + " n" + QByteArray::number(s) + " $end\n";
        h += "$upscope $end\n";
    }
    return h + "$upscope $end\n$upscope $end\n$enddefinitions $end\n";
}

// A header, then time steps of value changes written in large chunks.
bool writeVcd(const QString &path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray changes; // one time step: a few thousand signals change
    for (int n = 1; n < Modules * SignalsPerModule; n += 37)
        changes += (isBus((n - 1) % SignalsPerModule) ? "b1010011 "
                    : (n & 1)                         ? "1"
                                                      : "0") +
                   idCode(n) + '\n';
    QByteArray chunk;
    qint64 written = file.write(vcdHeader());
    for (qint64 time = 0; written < bytes; time += 5000) {
        chunk += '#' + QByteArray::number(time) + '\n' + changes;
        if (chunk.size() > (32 << 20)) {
            written += file.write(chunk);
            chunk.clear();
        }
    }
    return file.write(chunk) == chunk.size() && file.flush();
}

// Bit-blasted nets with toggle counts, as power tools write them.
bool writeSaif(const QString &path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray text = "(SAIFILE\n(SAIFVERSION \"2.0\")\n(DIRECTION \"backward\")\n(DIVIDER / )\n"
                      "(TIMESCALE 1 ps)\n(DURATION 10000000)\n(INSTANCE tb\n (INSTANCE u_dut\n";
    qint64 written = 0;
    for (int m = 0; written + text.size() < bytes; ++m) {
        text += "  (INSTANCE u_m" + QByteArray::number(m) + "\n   (NET\n";
        for (int s = 0; s < SignalsPerModule; ++s) {
            const QByteArray name = (isBus(s) ? "bus" : "n") + QByteArray::number(s);
            for (int b = isBus(s) ? 7 : 0; b >= 0; --b)
                text += "    (" + name +
                        (isBus(s) ? "\\[" + QByteArray::number(b) + "\\]" : QByteArray()) +
                        " (T0 4999000) (T1 5001000) (TX 0) (TC 1234) (IG 0))\n";
        }
        text += "   )\n  )\n";
        if (text.size() > (32 << 20)) {
            written += file.write(text);
            text.clear();
        }
    }
    text += " )\n)\n)\n";
    return file.write(text) == text.size() && file.flush();
}

// The design's names as a netlist gives them, relative to the design.
QStringList designNames()
{
    QStringList names;
    for (int m = 0; m < Modules; ++m) {
        for (int s = 0; s < SignalsPerModule; s += 7)
            names << (isBus(s) ? QStringLiteral("u_m%1/bus%2[3]") : QStringLiteral("u_m%1/n%2"))
                         .arg(m)
                         .arg(s);
    }
    return names;
}

bool check(const char *what, const QString &path, bool vcd)
{
    const BenchSupport::Stopwatch read;
    const Activity::ActivityHeader h = Activity::readActivityHeader(path, vcd);
    const double readMs = read.wallMs();
    const double readCpu = read.cpuMs();
    const long long readPeakMiB = BenchSupport::peakResidentKiB() / 1024;
    if (!h.ok) {
        std::printf("%s: not read: %s (line %lld)\n", what, qPrintable(h.error), h.errorLine);
        return false;
    }
    const BenchSupport::Stopwatch match;
    const Activity::ScopeMatch best = Activity::bestScope(h, designNames());
    std::printf(
        "%s: header %.0f ms wall, %.0f ms CPU, peak RSS %lld MiB (%lld signals, %lld bits, %d "
        "scopes, span %g..%g s); "
        "best scope %s (%d of %d names) %.0f ms wall, %.0f ms CPU; peak RSS then %lld MiB\n",
        what, readMs, readCpu, readPeakMiB, h.signalCount, h.bitCount, int(h.scopes.size()),
        h.spanStart, h.spanEnd, qPrintable(best.path), best.matched, best.total, match.wallMs(),
        match.cpuMs(), BenchSupport::peakResidentKiB() / 1024);
    return true;
}

// A hostile file of `bytes` bytes: `head`, then `fill` repeated.
bool writeHostile(const QString &path, const QByteArray &head, const QByteArray &fill, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(head) != head.size())
        return false;
    const QByteArray chunk = fill.repeated(qMax(1, (16 << 20) / fill.size()));
    for (qint64 written = head.size(); written < bytes; written += chunk.size()) {
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

bool refuse(const char *what, const QString &path, bool vcd)
{
    const BenchSupport::Stopwatch read;
    const Activity::ActivityHeader h = Activity::readActivityHeader(path, vcd);
    std::printf("%s: %s after %.0f ms wall, %.0f ms CPU: %s (line %lld); peak RSS %lld MiB\n", what,
                h.ok ? "accepted" : "refused", read.wallMs(), read.cpuMs(), qPrintable(h.error),
                h.errorLine, BenchSupport::peakResidentKiB() / 1024);
    return !h.ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&args](const QString &name, const QString &fallback) {
        const int at = args.indexOf(name);
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };
    const QDir dir(option(QStringLiteral("--dir"), QDir::tempPath()));
    const qint64 vcdBytes = option(QStringLiteral("--vcd-mb"), QStringLiteral("2048")).toLongLong()
                            << 20;
    const qint64 saifBytes = option(QStringLiteral("--saif-mb"), QStringLiteral("200")).toLongLong()
                             << 20;
    const qint64 hostileBytes =
        option(QStringLiteral("--hostile-mb"), QStringLiteral("1024")).toLongLong() << 20;
    const QString vcd = dir.filePath(QStringLiteral("bench_activity.vcd"));
    const QString saif = dir.filePath(QStringLiteral("bench_activity.saif"));

    BenchSupport::Stopwatch generate;
    bool ok = writeVcd(vcd, vcdBytes) && writeSaif(saif, saifBytes);
    std::printf("generated %lld MiB VCD and %lld MiB SAIF in %.1f s\n", QFile(vcd).size() >> 20,
                QFile(saif).size() >> 20, generate.wallMs() / 1000);
    // The first run may read the files from the disk, the second from the page cache.
    for (int run = 1; ok && run <= 2; ++run) {
        std::printf("run %d\n", run);
        ok = BenchSupport::inChild([&vcd] { return check("  VCD ", vcd, true); }) &&
             BenchSupport::inChild([&saif] { return check("  SAIF", saif, false); });
    }
    QFile::remove(vcd);
    QFile::remove(saif);

    // Hostile files of 1 GB: each is refused without reading more than it must.
    const QString hostile = dir.filePath(QStringLiteral("bench_activity_hostile"));
    const struct {
        const char *what;
        bool vcd;
        QByteArray head;
        QByteArray fill;
    } cases[] = {
        {"  VCD, one word on one line  ", true, "$scope module m $end\n", "x"},
        {"  VCD, nested scopes         ", true, "", "$scope module m $end "},
        {"  VCD, white space only      ", true, "$scope module m $end\n", " "},
        {"  SAIF, one name on one line ", false, "(SAIFILE (INSTANCE ", "x"},
        {"  SAIF, nested lists         ", false, "(SAIFILE ", "(INSTANCE a "},
        {"  SAIF, a net list never shut", false, "(SAIFILE (INSTANCE a (NET ",
         "(n (T0 1) (T1 2)) "},
    };
    std::printf("hostile files of %lld MiB\n", hostileBytes >> 20);
    for (const auto &hostileCase : cases) {
        if (!ok || !writeHostile(hostile, hostileCase.head, hostileCase.fill, hostileBytes)) {
            ok = false;
            break;
        }
        ok = BenchSupport::inChild(
            [&] { return refuse(hostileCase.what, hostile, hostileCase.vcd); });
    }
    QFile::remove(hostile);
    return ok ? 0 : 1;
}
