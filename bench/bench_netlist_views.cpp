// Opens N configuration views (4 unless told) on the generated 1,000,000-cell netlist
// through the view manager, as the IDE does, then announces one synthesis result,
// which every view answers by re-reading the netlist. Prints each step and, as its
// last line,
//   views=N first_ms=F rest_ms_max=R resynth_ms=S rss_one_mib=A rss_all_mib=B
// in wall milliseconds (the first open, the slowest of the others, all re-reads after
// the announcement) and resident MiB after the first view and after all of them.
// Goals: R at most 5 % of F, S at most 1.2 x F, B at most 1.1 x A.
//
//   bench_netlist_views [--views N] [--dir DIR] [--cells N] [--regenerate]

#include "bench/BenchSupport.h"
#include "bench/netlist_generator.h"
#include "document/ZELView.h"
#include "host/core.h"
#include "host/nlsdata.h"
#include "host/qutil.h"
#include "host/te.h"
#include "plugin/ZELViewManager.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const QString kDevice = QStringLiteral("PX-A");

// Fits the chip, so that each view opens without a question.
const QByteArray kConfig = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n"
                           "<Config><VCC>1</VCC><VCCX>3.3</VCCX><VCC_LDO>1.8</VCC_LDO></Config>";

double residentMiB()
{
    return double(BenchSupport::statusKiB("VmRSS:")) / 1024.0;
}

QList<ZEL::ZELView *> views()
{
    return ZEL::ZELViewManager::instance()->zelViews();
}

// How many different copies of the netlist the views hold.
int copiesHeld()
{
    QList<const void *> copies;
    for (ZEL::ZELView *view : views()) {
        const void *data = &view->getNetlist()->allNets();
        if (!copies.contains(data))
            copies.append(data);
    }
    return copies.size();
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::BenchApplication app(argc, argv, kDevice);
    int count = 4;
    QString dir = QStringLiteral("/tmp");
    int cells = 1000000;
    bool regenerate = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--views") && i + 1 < argc)
            count = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--cells") && i + 1 < argc)
            cells = std::max(1000, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--regenerate"))
            regenerate = true;
    }
    const QString netlist = QString::fromStdString(
        BenchSupport::benchmarkNetlist(dir.toStdString(), cells, regenerate));
    if (netlist.isEmpty())
        return 1;
    TE::TaskEngine::instance()->flowManager()->setResultFile(QStringLiteral("RES.netlist"),
                                                             netlist);

    QTemporaryDir tmp;
    double firstMs = 0;
    double restMsMax = 0;
    double rssOne = 0;
    for (int i = 0; i < count; ++i) {
        const QString path = tmp.filePath(QStringLiteral("view%1.vep").arg(i));
        if (!BenchSupport::writeBytes(path, kConfig))
            return 1;
        const BenchSupport::Stopwatch open;
        ZEL::ZELViewManager::openView(DEV::DeviceArg(kDevice), path);
        const double ms = open.wallMs();
        if (views().size() != i + 1) {
            std::printf("view %d did not open\n", i + 1);
            return 1;
        }
        if (i == 0) {
            firstMs = ms;
            rssOne = residentMiB();
        } else {
            restMsMax = std::max(restMsMax, ms);
        }
        std::printf("view %d opened: %.1f ms wall, resident %.0f MiB\n", i + 1, ms, residentMiB());
    }
    const double rssAll = residentMiB();
    const NlsData::Netlist *before = views().first()->getNetlist();
    std::printf("copies of the netlist held by %d views: %d; file reads so far: %lld\n", count,
                copiesHeld(), NlsData::netlistCacheStats().fileReads);

    const qint64 readsBefore = NlsData::netlistCacheStats().fileReads;
    QUtil::Event event(QStringLiteral("TE.Process.Status.Change"));
    event.set(QStringLiteral("process"), QStringLiteral("Process.Syn"));
    event.set(QStringLiteral("status"), 2);
    const BenchSupport::Stopwatch resynth;
    QUtil::EventManager::instance()->publish(event);
    // The views re-read from the event loop once the announcement has been delivered.
    QCoreApplication::sendPostedEvents();
    const double resynthMs = resynth.wallMs();
    for (ZEL::ZELView *view : views()) {
        if (view->getNetlist() == before) {
            std::printf("a view did not re-read the netlist\n");
            return 1;
        }
    }
    std::printf("after the synthesis event: %lld file read(s) for %d views, %d copies held, "
                "%d alive, resident %.0f MiB, peak %.0f MiB\n",
                NlsData::netlistCacheStats().fileReads - readsBefore, count, copiesHeld(),
                NlsData::netlistCacheStats().liveNetlists, residentMiB(),
                double(BenchSupport::peakResidentKiB()) / 1024.0);

    for (ZEL::ZELView *view : views())
        Core::ViewManager::instance()->closeView(view);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::printf("all views closed: %d copies alive, resident %.0f MiB\n",
                NlsData::netlistCacheStats().liveNetlists, residentMiB());

    std::printf("views=%d first_ms=%.0f rest_ms_max=%.0f resynth_ms=%.0f rss_one_mib=%.0f "
                "rss_all_mib=%.0f\n",
                count, firstMs, restMsMax, resynthMs, rssOne, rssAll);
    return 0;
}
