// How long hostile configuration files take to open or be refused: each file of the
// hostile corpus (tests/data/hostile, or the folder given as the first argument) and a
// few generated ones, through a fresh view's readCfgFile; then one file of many
// megabytes (a 50 MB attribute value and 200,000 rows) read by ZELView::readCfgFile
// against Qt's own QDomDocument::setContent of the same bytes, in the same run.
// Prints best-of-N wall times in milliseconds.

#include "bench/BenchSupport.h"
#include "document/ConfigDocumentParser.h"
#include "document/ZELView.h"
#include "host/dev.h"
#include "host/nlsdata.h"

#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSmallRuns = 5;
constexpr int kBigRuns = 3;

const QByteArray kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n";

using BenchSupport::bestOf;
using BenchSupport::readBytes;
using BenchSupport::Time;
using BenchSupport::writeBytes;

ZEL::ZELView *newView()
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("board_top"));
    NlsData::Net *clk = netlist->addNet(QStringLiteral("clk"));
    netlist->addTopPort(QStringLiteral("clk"), NlsData::DirectionInput, clk);
    return new ZEL::ZELView(DEV::DeviceArg(QStringLiteral("PX-A")), netlist);
}

QByteArray nested(int depth)
{
    QByteArray bytes = kHead + "<Config>";
    for (int i = 0; i < depth; ++i)
        bytes += "<a>";
    for (int i = 0; i < depth; ++i)
        bytes += "</a>";
    return bytes + "</Config>";
}

QByteArray entityBomb()
{
    QByteArray bytes = "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG [<!ENTITY e \"" +
                       QByteArray(4096, 'x') + "\">]>\n<Config><AmbientTemp>";
    for (int i = 0; i < 1000000; ++i)
        bytes += "&e;";
    return bytes + "</AmbientTemp></Config>";
}

QByteArray bigFile(int attributeBytes, int rows)
{
    QByteArray bytes = kHead + "<Config>\n    <Version>1.0</Version>\n"
                               "    <NetRate type=\"toggle\">\n        <Net name=\"";
    bytes.reserve(attributeBytes + rows * 56 + 1024);
    bytes += QByteArray(attributeBytes, 'n');
    bytes += "\" value=\"12.5\"/>\n    </NetRate>\n    <LocalEnable>\n";
    for (int i = 0; i < rows; ++i) {
        bytes += "        <Instance name=\"u_core/u_pipe" + QByteArray::number(i % 97) +
                 "/data_reg[" + QByteArray::number(i) + "]\" value=\"" +
                 QByteArray::number(10 + i % 80) + "\"/>\n";
    }
    return bytes + "    </LocalEnable>\n</Config>";
}

// One fresh view per run, its construction not counted: the file-dependent part of an open.
Time openTime(int runs, const QString &path, bool *accepted)
{
    Time best;
    for (int i = 0; i < runs; ++i) {
        ZEL::ZELView *view = newView();
        best.keepBest(
            bestOf(1, [view, &path, accepted]() { *accepted = view->readCfgFile(path); }));
        delete view;
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::BenchApplication app(argc, argv, QStringLiteral("PX-A"));
    QTemporaryDir tmp;

    const QString corpus = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QFileInfo(QStringLiteral(__FILE__)).absolutePath() +
                                          QStringLiteral("/../tests/data/hostile");
    QList<QPair<QString, QString>> files; // label, path
    const QFileInfoList entries =
        QDir(corpus).entryInfoList({QStringLiteral("*.vep")}, QDir::Files, QDir::Name);
    for (const QFileInfo &entry : entries)
        files.append({entry.fileName(), entry.absoluteFilePath()});
    if (files.isEmpty())
        std::printf("no .vep files in %s\n", qPrintable(corpus));
    const QList<QPair<QString, QByteArray>> generated = {
        {QStringLiteral("(100000 levels)"), nested(100000)},
        {QStringLiteral("(4 KB entity x 1M)"), entityBomb()},
    };
    for (int i = 0; i < generated.size(); ++i) {
        const QString path = tmp.filePath(QStringLiteral("generated%1.vep").arg(i));
        writeBytes(path, generated.at(i).second);
        files.append({generated.at(i).first, path});
    }

    std::printf("Small files: fresh view + readCfgFile, best of %d, milliseconds\n", kSmallRuns);
    std::printf("%-30s %10s %9s %9s %9s\n", "file", "bytes", "result", "wall", "cpu");
    double worst = 0;
    for (const auto &file : files) {
        bool accepted = false;
        const Time time = openTime(kSmallRuns, file.second, &accepted);
        worst = std::max(worst, time.wall);
        std::printf("%-30s %10lld %9s %9.2f %9.2f\n", qPrintable(file.first),
                    qint64(QFileInfo(file.second).size()), accepted ? "opened" : "refused",
                    time.wall, time.cpu);
    }
    std::printf("slowest small file: %.2f ms wall (goal: under 1000 ms)\n\n", worst);

    const int attributeBytes = 50 * 1024 * 1024;
    const int rows = 200000;
    const QString bigPath = tmp.filePath(QStringLiteral("big.vep"));
    writeBytes(bigPath, bigFile(attributeBytes, rows));
    const QByteArray bytes = readBytes(bigPath);

    Time dom;
    Time domWithRead;
    Time parse;
    Time view;
    bool accepted = false;
    // Interleaved, so that all of them see the same state of the machine.
    for (int i = 0; i < kBigRuns; ++i) {
        dom.keepBest(bestOf(1, [&bytes]() {
            QDomDocument doc;
            doc.setContent(bytes);
        }));
        domWithRead.keepBest(bestOf(1, [&bigPath]() {
            QDomDocument doc;
            doc.setContent(readBytes(bigPath));
        }));
        parse.keepBest(bestOf(1, [&bytes]() { ZEL::ConfigDocumentParser::parse(bytes); }));
        view.keepBest(openTime(1, bigPath, &accepted));
    }
    std::printf("Big file: %.1f MB (a %d MB attribute value and %d rows), best of %d, ms\n",
                bytes.size() / 1e6, attributeBytes / (1024 * 1024), rows, kBigRuns);
    std::printf("%-44s %9s %9s\n", "", "wall", "cpu");
    const auto line = [](const char *what, const Time &time) {
        std::printf("%-44s %9.1f %9.1f\n", what, time.wall, time.cpu);
    };
    line("QDomDocument::setContent (bytes in memory)", dom);
    line("QDomDocument::setContent (file read)", domWithRead);
    line("the view's parser alone (bytes in memory)", parse);
    line("ZELView::readCfgFile (file read, pages)", view);
    if (!accepted)
        std::printf("the big file was REFUSED\n");
    std::printf("ratio readCfgFile / setContent: %.2f wall, %.2f cpu (goal: at most about 1.5)\n",
                view.wall / dom.wall, view.cpu / dom.cpu);
    return 0;
}
