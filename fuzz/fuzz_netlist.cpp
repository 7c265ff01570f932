// libFuzzer harness: read arbitrary bytes as a netlist file. The reader must give a
// netlist or an error text, never crash, hang or leak.

#include "host/nlsdata.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
QCoreApplication *app = nullptr;
QTemporaryDir *workDir = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    app = new QCoreApplication(*argc, *argv);
    workDir = new QTemporaryDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = workDir->filePath(QStringLiteral("netlist.json"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QString error;
    NlsData::Netlist *netlist = NlsData::readNetlistFile(path, &error, false);
    if (!netlist && error.isEmpty())
        std::abort(); // a refusal must say why
    if (netlist) {
        // Walk what was built, as the pickers do.
        qsizetype total = 0;
        for (NlsData::Net *net : netlist->allNets())
            total += net->path().size();
        for (NlsData::Instance *instance : netlist->allPrimInstances())
            total += instance->path().size();
        for (NlsData::Port *port : netlist->topInstance->ports()) {
            if (port->net && port->net->driver && port->net->driver->instance)
                total += port->net->driver->instance->primitive;
        }
        (void)total;
    }
    delete netlist;
    return 0;
}
