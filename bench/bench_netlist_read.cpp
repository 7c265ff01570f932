// Reads a generated 1,000,000-cell netlist and prints the time and the peak memory
// of the read. Each measurement runs in a child process so that its peak resident
// size is its own.
//
//   bench_netlist_read [--dir DIR] [--cells N] [--qjson] [--regenerate]

#include "bench/BenchSupport.h"
#include "bench/netlist_generator.h"
#include "host/nlsdata.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

using BenchSupport::peakResidentKiB;

// CPU seconds (user + system) of this process; the wall clock is printed too, but
// on a shared machine it mostly measures the neighbours.
struct ReadTimer {
    BenchSupport::Stopwatch wall;
    const double cpuBefore = BenchSupport::processCpuSeconds();
    double cpuSeconds() const { return BenchSupport::processCpuSeconds() - cpuBefore; }
    double wallSeconds() const { return double(wall.ms()) / 1000.0; }
};

bool readWithReader(const QString &path)
{
    const ReadTimer timer;
    QString error;
    std::unique_ptr<NlsData::Netlist> netlist(NlsData::readNetlistFile(path, &error, false));
    const double wall = timer.wallSeconds();
    const double cpu = timer.cpuSeconds();
    if (!netlist) {
        std::printf("reader failed: %s\n", qPrintable(error));
        return false;
    }
    int flipFlops = 0;
    int blockRams = 0;
    for (const NlsData::Instance *instance : netlist->allPrimInstances()) {
        flipFlops += instance->category == NlsData::CategoryFlipFlop;
        blockRams += instance->category == NlsData::CategoryBlockRam;
    }
    int driven = 0;
    for (const NlsData::Net *net : netlist->allNets())
        driven += net->driver != nullptr;
    std::printf("readNetlistFile: %.2f s CPU (%.2f s wall), peak RSS %.0f MiB\n", cpu, wall,
                double(peakResidentKiB()) / 1024.0);
    std::printf("  primitives %d (flip-flops %d, block RAMs %d), sub-modules %d, nets %d "
                "(%d driven), top ports %d\n",
                netlist->allPrimInstances().size(), flipFlops, blockRams,
                netlist->allSubmodInstances().size(), netlist->allNets().size(), driven,
                netlist->topInstance->ports().size());
    std::printf("  e.g. %s, %s\n", qPrintable(netlist->allPrimInstances().at(0)->path()),
                qPrintable(netlist->allNets().at(netlist->allNets().size() / 2)->path()));
    const BenchSupport::Stopwatch deletion;
    netlist.reset();
    std::printf("  delete: %lld ms\n", (long long)deletion.ms());
    return true;
}

bool readWithQJson(const QString &path)
{
    const ReadTimer timer;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    const double wall = timer.wallSeconds();
    const double cpu = timer.cpuSeconds();
    if (document.isNull()) {
        std::printf("QJsonDocument failed: %s\n", qPrintable(error.errorString()));
        return false;
    }
    const int modules = document.object().value(QLatin1String("modules")).toObject().size();
    std::printf("QJsonDocument load+parse only: %.2f s CPU (%.2f s wall), peak RSS %.0f MiB "
                "(%d modules)\n",
                cpu, wall, double(peakResidentKiB()) / 1024.0, modules);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString dir = QStringLiteral("/tmp");
    int cells = 1000000;
    bool qjson = false;
    bool regenerate = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--cells") && i + 1 < argc)
            cells = std::max(1000, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--qjson"))
            qjson = true;
        else if (!std::strcmp(argv[i], "--regenerate"))
            regenerate = true;
    }

    const QString path = QString::fromStdString(
        BenchSupport::benchmarkNetlist(dir.toStdString(), cells, regenerate));
    if (path.isEmpty())
        return 1;

    bool ok = BenchSupport::inChild([&path]() { return readWithReader(path); });
    if (qjson)
        ok = BenchSupport::inChild([&path]() { return readWithQJson(path); }) && ok;
    return ok ? 0 : 1;
}
