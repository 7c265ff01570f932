#include "host/nlsdata.h"

#include "host/CellLibrary.h"
#include "host/NetlistReader.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <deque>
#include <new>

namespace NlsData {

// The netlist keeps its objects in deques: appending never moves an element, so the
// raw pointers handed out stay valid for the netlist's lifetime, and a million cells
// cost one allocation per block instead of one per object.
class NetlistPrivate {
public:
    QString topModuleName;
    std::deque<Instance> instances;
    std::deque<Port> ports;
    std::deque<Net> nets;
    std::deque<Pin> pins;
    QList<Net *> allNets;
    QList<Instance *> allPrims;
    QList<Instance *> allSubmods;
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

Netlist::Netlist(const QString &topModuleName) : d(new NetlistPrivate)
{
    d->topModuleName = topModuleName;
    d->instances.emplace_back();
    topInstance = &d->instances.back();
}

Netlist::~Netlist() = default;

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
    d->instances.emplace_back();
    Instance *instance = &d->instances.back();
    instance->m_path = path;
    d->allSubmods.append(instance);
    return instance;
}

Instance *Netlist::addPrimitive(const QString &path, int category, int primitive)
{
    d->instances.emplace_back();
    Instance *instance = &d->instances.back();
    instance->m_path = path;
    instance->category = category;
    instance->primitive = primitive;
    d->allPrims.append(instance);
    return instance;
}

Net *Netlist::addNet(const QString &path)
{
    d->nets.emplace_back();
    Net *net = &d->nets.back();
    net->m_path = path;
    d->allNets.append(net);
    return net;
}

Port *Netlist::addTopPort(const QString &name, int direction, Net *net)
{
    d->ports.emplace_back();
    Port *port = &d->ports.back();
    port->m_path = name;
    port->direction = direction;
    port->net = net;
    topInstance->m_ports.append(port);
    return port;
}

Pin *Netlist::addDriver(Net *net, Instance *instance)
{
    d->pins.emplace_back();
    Pin *pin = &d->pins.back();
    pin->instance = instance;
    if (net)
        net->driver = pin;
    return pin;
}

namespace {

std::atomic<qint64> progressThreshold{4 << 20};

Netlist *readGuarded(const QString &path, QString *error, ReadProgress *progress)
{
    // Out of memory on a huge or hostile file is a failed read, not a crash.
    try {
        return NetlistReader(CellLibrary::snapshot()).read(path, error, progress);
    } catch (const std::bad_alloc &) {
        if (error)
            *error = QStringLiteral("Cannot read the netlist %1: not enough memory").arg(path);
        return nullptr;
    }
}

} // namespace

// The flag only tells a first read from a re-read after synthesis; both read the
// file afresh, so it is accepted and otherwise unused.
Netlist *readNetlistFile(const QString &path, QString *error, bool reload)
{
    Q_UNUSED(reload)
    return readGuarded(path, error, nullptr);
}

// A large file is read on a worker thread while the progress dialog keeps the GUI
// painting; the netlist holds no QObjects, so handing the finished one back to the
// GUI thread needs nothing more than the pointer.
Netlist *readNetlistFileWithDialog(QWidget *parent, const QString &path, QString *error,
                                   bool reload)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() < progressThreshold)
        return readNetlistFile(path, error, reload);

    ReadProgress progress;
    Netlist *netlist = nullptr;
    QString message;
    QThread *worker = QThread::create([&progress, &netlist, &message, path]() {
        netlist = readGuarded(path, &message, &progress);
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
