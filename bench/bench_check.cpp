// `vep check` at scale: a 100,000-row configuration against a 1,000,000-cell netlist,
// compared with what opening the same file in a view and reading the netlist costs; the
// suggestions for 10,000 stale rows; and 1,000 files of a project in one call sharing one
// netlist read, with the memory the process holds along the way.

#include "BenchSupport.h"
#include "netlist_generator.h"

#include "check/Checker.h"
#include "check/HeadlessEditor.h"
#include "check/NetlistIndex.h"
#include "document/ZELView.h"
#include "host/nlsdata.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <memory>

namespace {

long long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QString staleForm(const QString &name)
{
    // What the row said before a re-synthesis renamed the register: "x/q[3]" was "x/q_reg[3]".
    const int bracket = name.lastIndexOf(QLatin1Char('['));
    return bracket > 0 ? name.left(bracket) + QStringLiteral("_reg") + name.mid(bracket)
                       : name + QStringLiteral("_reg");
}

QByteArray configFile(const QStringList &flipFlops, const QStringList &nets,
                      const QStringList &stale)
{
    QByteArray out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n    <Version>1.0</Version>\n";
    out += "    <NetRate type=\"toggle\">\n";
    for (const QString &net : nets)
        out += "        <Net name=\"" + net.toUtf8() + "\" value=\"25\"/>\n";
    out += "    </NetRate>\n    <LocalEnable>\n";
    for (const QString &ff : flipFlops)
        out += "        <Instance name=\"" + ff.toUtf8() + "\" value=\"30\"/>\n";
    for (const QString &ff : stale)
        out += "        <Instance name=\"" + ff.toUtf8() + "\" value=\"30\"/>\n";
    out += "    </LocalEnable>\n</Config>";
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    const QString device = QStringLiteral("PX-C");
    BenchSupport::BenchApplication app(argc, argv, device);
    QString dir = QStringLiteral("/tmp");
    int files = 1000;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--files") && i + 1 < argc)
            files = std::max(1, std::atoi(argv[++i]));
    }

    const int clusters = 10, blocks = 25, perBlock = 4000;
    const QString netlistPath =
        QStringLiteral("%1/bench_netlist_%2.json").arg(dir).arg(clusters * blocks * perBlock);
    if (!QFileInfo::exists(netlistPath)) {
        BenchSupport::GeneratedCounts counts;
        BenchSupport::NetlistGenerator generator(clusters, blocks, perBlock);
        if (!generator.write(netlistPath.toStdString(), &counts))
            return 1;
    }

    // Process CPU (the netlist reader has helper threads), in ms since the last restart.
    struct Timer {
        BenchSupport::Stopwatch wall;
        double cpuStart = BenchSupport::processCpuSeconds();
        void restart()
        {
            wall.restart();
            cpuStart = BenchSupport::processCpuSeconds();
        }
        double wallMs() const { return wall.wallMs(); }
        double cpuMs() const { return (BenchSupport::processCpuSeconds() - cpuStart) * 1e3; }
    } timer;
    QString error;
    std::unique_ptr<NlsData::Netlist> netlist(NlsData::readNetlistFile(netlistPath, &error, true));
    if (!netlist) {
        std::printf("cannot read %s: %s\n", qPrintable(netlistPath), qPrintable(error));
        return 1;
    }
    const double readMs = timer.wallMs();
    const double readCpu = timer.cpuMs();
    std::printf("netlist: %d primitives, %d nets, read in %.0f ms\n",
                int(netlist->allPrimInstances().size()), int(netlist->allNets().size()), readMs);

    QStringList flipFlops, nets, stale;
    for (const NlsData::Instance *instance : netlist->allPrimInstances()) {
        if (instance->category != NlsData::CategoryFlipFlop)
            continue;
        if (flipFlops.size() < 45000)
            flipFlops << instance->path();
        else if (stale.size() < 10000)
            stale << staleForm(instance->path());
    }
    for (const NlsData::Net *net : netlist->allNets()) {
        if (nets.size() == 45000)
            break;
        if (!net->path().contains(QLatin1Char('$')))
            nets << net->path();
    }
    const QString vep = dir + QStringLiteral("/bench_check_100k.vep");
    BenchSupport::writeBytes(vep, configFile(flipFlops, nets, stale));
    std::printf("configuration: %d rows (%d flip-flops, %d nets, %d stale)\n",
                int(flipFlops.size() + nets.size() + stale.size()), int(flipFlops.size()),
                int(nets.size()), int(stale.size()));

    VepCheck::DesignContext context;
    context.device = device;
    context.netlistPath = netlistPath;

    timer.restart();
    const VepCheck::NetlistIndex index(*netlist);
    const double indexMs = timer.wallMs();
    const double indexCpu = timer.cpuMs();
    std::printf("name index: %.0f ms (cpu %.0f)\n", indexMs, indexCpu);

    // Both forms of the file: as generated (every row compared with what the editor would
    // write) and as the editor itself saves it, which is how such files come about.
    const QString saved = dir + QStringLiteral("/bench_check_100k_saved.vep");
    QFile::remove(saved);
    QFile::copy(vep, saved);
    {
        VepCheck::HeadlessEditor editor(device, netlist->topModuleName());
        if (!editor.open(saved, &error))
            return 1;
        editor.view().save();
    }
    for (const QString &path : {vep, saved}) {
        timer.restart();
        {
            VepCheck::HeadlessEditor editor(device, netlist->topModuleName());
            if (!editor.open(path, &error))
                return 1;
        }
        const double openMs = timer.wallMs();
        const double openCpu = timer.cpuMs();
        timer.restart();
        const QList<VepCheck::Diagnostic> found =
            VepCheck::Checker::checkFile(path, context, netlist.get(), &index);
        const double checkMs = timer.wallMs();
        const double checkCpu = timer.cpuMs();
        int suggested = 0;
        for (const VepCheck::Diagnostic &d : found)
            suggested += d.suggestion.isEmpty() ? 0 : 1;

        // Wall time on a machine shared with builds says more about the neighbours than
        // the code, so the CPU time of the process is given beside it.
        const double base = readMs + openMs, baseCpu = readCpu + openCpu;
        const double total = readMs + indexMs + checkMs;
        const double totalCpu = readCpu + indexCpu + checkCpu;
        std::printf("%s:\n", path == vep ? "as generated" : "as saved by the editor");
        std::printf("  open in a view %.0f ms (cpu %.0f) + read netlist %.0f ms (cpu %.0f) = "
                    "%.0f ms (cpu %.0f)\n",
                    openMs, openCpu, readMs, readCpu, base, baseCpu);
        std::printf("  check: read netlist + name index + checkFile %.0f ms (cpu %.0f) = %.0f "
                    "ms (cpu %.0f): %.2fx, cpu %.2fx (goal <= 1.5x)\n",
                    checkMs, checkCpu, total, totalCpu, total / base, totalCpu / baseCpu);
        std::printf("  checks on top of opening and reading: %.0f ms, %.0f %%; cpu %.0f ms, "
                    "%.0f %% (goal <= 20 %%)\n",
                    total - base, 100.0 * (total - base) / base, totalCpu - baseCpu,
                    100.0 * (totalCpu - baseCpu) / baseCpu);
        std::printf("  diagnostics: %d, with a suggestion: %d\n", int(found.size()), suggested);
    }

    timer.restart();
    int hits = 0;
    for (const QString &name : stale)
        hits += index.suggest(name, VepCheck::NetlistIndex::FlipFlop).isEmpty() ? 0 : 1;
    std::printf("suggestions for %d stale rows: %.0f ms, %d found (goal < 1000 ms)\n",
                int(stale.size()), timer.wallMs(), hits);

    // A project's many files in one call: one netlist read, one index, file after file.
    QDir(dir).mkpath(QStringLiteral("bench_check_project"));
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        const QString path = QStringLiteral("%1/bench_check_project/f%2.vep").arg(dir).arg(i);
        BenchSupport::writeBytes(
            path, configFile(flipFlops.mid(i * 20, 20), nets.mid(i * 20, 20), stale.mid(i * 5, 5)));
        paths << path;
    }
    const long long before = residentKiB();
    timer.restart();
    long long diagnostics = 0;
    long long at100 = 0;
    for (int i = 0; i < paths.size(); ++i) {
        diagnostics +=
            VepCheck::Checker::checkFile(paths.at(i), context, netlist.get(), &index).size();
        if (i == 99)
            at100 = residentKiB();
    }
    std::printf("%d files in one call: %.0f ms (%.1f ms a file), %lld diagnostics; resident "
                "memory %lld MiB before, %lld MiB after 100 files, %lld MiB after %d\n",
                int(paths.size()), timer.wallMs(), timer.wallMs() / paths.size(), diagnostics,
                before / 1024, at100 / 1024, residentKiB() / 1024, int(paths.size()));
    return 0;
}
