#include "host/nlsdata.h"

#include "host/CellLibrary.h"
#include "host/NetlistCache.h"
#include "host/NetlistReader.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <deque>

namespace NlsData {

namespace {
// Copies of file data alive now (hand-built netlists are not counted).
std::atomic<int> liveFileCopies{0};
} // namespace

// The netlist keeps its objects in deques: appending never moves an element, so the
// raw pointers handed out stay valid for the netlist's lifetime, and a million cells
// cost one allocation per block instead of one per object.
class NetlistPrivate {
public:
    NetlistPrivate() = default;
    NetlistPrivate(const NetlistPrivate &) = delete;
    NetlistPrivate &operator=(const NetlistPrivate &) = delete;
    ~NetlistPrivate()
    {
        if (fileBytes > 0)
            --liveFileCopies;
    }

    QString topModuleName;
    std::deque<Instance> instances;
    std::deque<Port> ports;
    std::deque<Net> nets;
    std::deque<Pin> pins;
    QList<Net *> allNets;
    QList<Instance *> allPrims;
    QList<Instance *> allSubmods;
    Instance *top = nullptr;
    // The size of the file it was read from (at least 1); 0: built by hand.
    qint64 fileBytes = 0;
};

QString Instance::path() const
{
    return m_path;
}

QList<Port *> Instance::ports() const
{
    return m_ports;
}

QString Port::path() const
{
    return m_path;
}

QString Net::path() const
{
    return m_path;
}

namespace {

void releaseData(NetlistPrivate *data)
{
    const qint64 fileBytes = data->fileBytes;
    delete data;
    NetlistCache::returnFreedMemory(fileBytes);
}

} // namespace

Netlist::Netlist(const QString &topModuleName)
{
    m_private = new NetlistPrivate;
    d = std::shared_ptr<const NetlistPrivate>(m_private, releaseData);
    m_private->topModuleName = topModuleName;
    m_private->instances.emplace_back();
    m_private->top = &m_private->instances.back();
    topInstance = m_private->top;
}

// The records of shared data are immutable by convention: the API hands out the same
// non-const pointers for shared and private data alike.
Netlist::Netlist(std::shared_ptr<const NetlistPrivate> shared)
    : topInstance(shared->top), d(std::move(shared))
{}

Netlist::~Netlist() = default;

// Shared data is never changed: other handles, perhaps on other threads, read it.
NetlistPrivate *Netlist::building()
{
    if (!m_private)
        qWarning("NlsData: a netlist read from a file cannot be added to");
    return m_private;
}

std::shared_ptr<const NetlistPrivate> Netlist::shareAsFileData(qint64 fileBytes)
{
    if (m_private && m_private->fileBytes == 0) {
        m_private->fileBytes = std::max<qint64>(1, fileBytes);
        ++liveFileCopies;
    }
    m_private = nullptr;
    return d;
}

QString Netlist::topModuleName() const
{
    return d->topModuleName;
}

const QList<Net *> &Netlist::allNets() const
{
    return d->allNets;
}

const QList<Instance *> &Netlist::allPrimInstances() const
{
    return d->allPrims;
}

const QList<Instance *> &Netlist::allSubmodInstances() const
{
    return d->allSubmods;
}

Instance *Netlist::addSubmodule(const QString &path)
{
    NetlistPrivate *p = building();
    if (!p)
        return nullptr;
    p->instances.emplace_back();
    Instance *instance = &p->instances.back();
    instance->m_path = path;
    p->allSubmods.append(instance);
    return instance;
}

Instance *Netlist::addPrimitive(const QString &path, int category, int primitive)
{
    NetlistPrivate *p = building();
    if (!p)
        return nullptr;
    p->instances.emplace_back();
    Instance *instance = &p->instances.back();
    instance->m_path = path;
    instance->category = category;
    instance->primitive = primitive;
    p->allPrims.append(instance);
    return instance;
}

Net *Netlist::addNet(const QString &path)
{
    NetlistPrivate *p = building();
    if (!p)
        return nullptr;
    p->nets.emplace_back();
    Net *net = &p->nets.back();
    net->m_path = path;
    p->allNets.append(net);
    return net;
}

Port *Netlist::addTopPort(const QString &name, int direction, Net *net)
{
    NetlistPrivate *p = building();
    if (!p)
        return nullptr;
    p->ports.emplace_back();
    Port *port = &p->ports.back();
    port->m_path = name;
    port->direction = direction;
    port->net = net;
    p->top->m_ports.append(port);
    return port;
}

Pin *Netlist::addDriver(Net *net, Instance *instance)
{
    NetlistPrivate *p = building();
    if (!p)
        return nullptr;
    p->pins.emplace_back();
    Pin *pin = &p->pins.back();
    pin->instance = instance;
    if (net)
        net->driver = pin;
    return pin;
}

namespace {

std::atomic<qint64> progressThreshold{4 << 20};

} // namespace

// The flag tells a first read (false) from a re-read after synthesis (true). Both get
// the file as it is now: the cache hands out a copy only while the file's identity is
// unchanged and no new synthesis result was announced since it was read, so a re-read
// never sees the netlist from before, and all the views re-reading after one
// announcement share the one copy the first of them reads.
Netlist *readNetlistFile(const QString &path, QString *error, bool reload)
{
    Q_UNUSED(reload)
    return NetlistCache::instance().open(path, error);
}

// A large file is read on a worker thread while the progress dialog keeps the GUI
// painting; the netlist holds no QObjects, so handing the finished one back to the
// GUI thread needs nothing more than the pointer.
Netlist *readNetlistFileWithDialog(QWidget *parent, const QString &path, QString *error,
                                   bool reload)
{
    // A netlist another view holds is there at once: no dialog.
    if (Netlist *shared = NetlistCache::instance().openCached(path))
        return shared;
    const QFileInfo info(path);
    if (!info.isFile() || info.size() < progressThreshold)
        return readNetlistFile(path, error, reload);

    ReadProgress progress;
    Netlist *netlist = nullptr;
    QString message;
    QThread *worker = QThread::create([&progress, &netlist, &message, path]() {
        netlist = NetlistCache::instance().open(path, &message, &progress);
    });

    QProgressDialog dialog(QObject::tr("Reading the netlist %1...").arg(info.fileName()),
                           QObject::tr("Cancel"), 0, 100, parent);
    dialog.setWindowTitle(QObject::tr("Netlist"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setValue(0);

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dialog,
                     [&dialog, &progress]() { dialog.setValue(progress.percent); });
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog,
                     [&progress]() { progress.cancelled = true; });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    poll.start(50);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    poll.stop();
    dialog.close();

    if (error && !netlist)
        *error = message;
    return netlist;
}

void invalidateNetlistCache()
{
    NetlistCache::instance().invalidate();
}

NetlistCacheStats netlistCacheStats()
{
    NetlistCacheStats stats;
    stats.liveNetlists = liveFileCopies;
    stats.fileReads = NetlistCache::instance().fileReads();
    return stats;
}

void registerCellType(const QString &cellType, int category, int primitive)
{
    CellLibrary::registerType(cellType, category, primitive);
}

bool loadCellLibrary(const QString &path, QString *error)
{
    return CellLibrary::loadFile(path, error);
}

void resetCellLibrary()
{
    CellLibrary::reset();
}

void setProgressDialogThreshold(qint64 bytes)
{
    progressThreshold = bytes;
}

} // namespace NlsData
