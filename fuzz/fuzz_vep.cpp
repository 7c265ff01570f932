// libFuzzer harness: open arbitrary bytes as a configuration file in a view, save
// it again, and read the saved file back. Nothing may crash, hang or leak.

#include "document/ZELView.h"
#include "host/dev.h"
#include "host/nlsdata.h"
#include "host/te.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QApplication *app = nullptr;
QTemporaryDir *workDir = nullptr;

// A page that refuses a save says so in a modal box; nobody is there to answer it, so
// every dialog is rejected from the event loop as soon as it shows.
class DialogDismisser : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *dialog = qobject_cast<QDialog *>(watched))
                QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        }
        return false;
    }
};

NlsData::Netlist *standInNetlist()
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("top"));
    NlsData::Net *out = netlist->addNet(QStringLiteral("dout"));
    NlsData::Instance *buf = netlist->addPrimitive(QStringLiteral("u_obuf"), 0, 116);
    netlist->addDriver(out, buf);
    netlist->addTopPort(QStringLiteral("dout"), NlsData::DirectionOutput, out);
    netlist->addPrimitive(QStringLiteral("u_ram/mem"), NlsData::CategoryBlockRam, 88);
    netlist->addPrimitive(QStringLiteral("cnt[0]"), NlsData::CategoryFlipFlop, 0);
    netlist->addSubmodule(QStringLiteral("u_core"));
    return netlist;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QApplication(*argc, *argv);
    app->installEventFilter(new DialogDismisser(app));
    workDir = new QTemporaryDir();
    // A chip with voltage information, so that the view's voltage rows are fitted.
    const QStringList devices = DEV::DeviceDatabase::instance()->devices();
    for (const QString &device : devices) {
        const DEV::ChipInfo info = DEV::DeviceDatabase::instance()->chipInfo(device);
        TE::ProInfoManager::instance()->setChipInfo(info);
        break;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = workDir->filePath(QStringLiteral("input.vep"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    {
        ZEL::ZELView view(DEV::DeviceArg(QStringLiteral("PX-C")), standInNetlist());
        view.getVoltageInfo();
        if (view.readCfgFile(path)) {
            // A page may veto the save (missing activity file, empty rate); its box is
            // dismissed and the file stays as it was, which the second read then takes.
            view.setModified(true);
            view.save();
            ZEL::ZELView again(DEV::DeviceArg(QStringLiteral("PX-C")), standInNetlist());
            again.getVoltageInfo();
            again.readCfgFile(path);
        }
    }
    return 0;
}
