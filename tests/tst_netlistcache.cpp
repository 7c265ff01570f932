// The shared netlist: handles on one unchanged file share one copy, any change or
// announcement makes the next read a fresh one, failed reads leave nothing behind, and
// the copy goes with its last handle.

#include "document/ZELView.h"
#include "host/core.h"
#include "host/nlsdata.h"
#include "host/qutil.h"
#include "host/te.h"
#include "plugin/ZELViewManager.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>
#include <vector>

namespace {

using Handle = std::unique_ptr<NlsData::Netlist>;
enum Change { None, Reload, Dialog, OtherEvent, Synthesis, Grown, Touched, Replaced, CellType };

bool shared(const Handle &a, const Handle &b)
{
    return a && b && &a->allNets() == &b->allNets();
}

void publish(const QString &process)
{
    QUtil::Event event(QStringLiteral("TE.Process.Status.Change"));
    event.set(QStringLiteral("process"), process);
    event.set(QStringLiteral("status"), 2);
    QUtil::EventManager::instance()->publish(event);
}

qint64 reads()
{
    return NlsData::netlistCacheStats().fileReads;
}

QByteArray sourceNetlist()
{
    QFile source(QStringLiteral(VEP_SOURCE_DIR "/tests/data/document/netlist.json"));
    return source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
}

} // namespace

class TestNetlistCache : public QObject {
    Q_OBJECT

private slots:
    void init();
    void secondHandle_data();
    void secondHandle();
    void failedRead_data();
    void failedRead();
    void viewsShareOneCopy();
    void concurrentReadsReadOnce();

private:
    Handle read(bool reload = false)
    {
        return Handle(NlsData::readNetlistFile(m_path, nullptr, reload));
    }
    void write(const QByteArray &bytes, const QString &path = {})
    {
        QFile file(path.isEmpty() ? m_path : path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QByteArray m_bytes;
};

void TestNetlistCache::init()
{
    QCOMPARE(NlsData::netlistCacheStats().liveNetlists, 0);
    m_dir.reset(new QTemporaryDir);
    m_path = m_dir->filePath(QStringLiteral("netlist.json"));
    m_bytes = sourceNetlist();
    write(m_bytes);
    TE::TaskEngine::instance()->flowManager()->setResultFile(QStringLiteral("RES.netlist"), m_path);
}

void TestNetlistCache::secondHandle_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<bool>("sharesCopy");
    QTest::newRow("unchanged") << int(None) << true;
    QTest::newRow("re-read after synthesis") << int(Reload) << true;
    QTest::newRow("dialog variant") << int(Dialog) << true;
    QTest::newRow("another process's event") << int(OtherEvent) << true;
    QTest::newRow("synthesis event") << int(Synthesis) << false;
    QTest::newRow("file grew") << int(Grown) << false;
    QTest::newRow("modified 1 ms later") << int(Touched) << false;
    QTest::newRow("replaced, same size and time") << int(Replaced) << false;
    QTest::newRow("cell type registered") << int(CellType) << false;
}

void TestNetlistCache::secondHandle()
{
    QFETCH(int, change);
    QFETCH(bool, sharesCopy);
    const qint64 before = reads();
    const Handle first = read();
    const QDateTime modified = QFileInfo(m_path).lastModified();
    const QString other = m_dir->filePath(QStringLiteral("other.json"));
    QFile file(change == Replaced ? other : m_path);
    switch (change) {
    case OtherEvent:
        publish(QStringLiteral("Process.Par"));
        break;
    case Synthesis:
        publish(QStringLiteral("Process.Syn"));
        break;
    case Grown:
        write(m_bytes + ' ');
        break;
    case Touched:
    case Replaced: // a new file: same size and time, another inode
        if (change == Replaced)
            write(m_bytes, other);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(modified.addMSecs(change == Touched),
                                 QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(change == Touched || (QFile::remove(m_path) && QFile::rename(other, m_path)));
        break;
    case CellType:
        NlsData::registerCellType(QStringLiteral("$_DFF_P_"), 50, 7);
        break;
    }
    NlsData::setProgressDialogThreshold(1); // a read would show the dialog
    const Handle second(change == Dialog
                            ? NlsData::readNetlistFileWithDialog(nullptr, m_path, nullptr, false)
                            : NlsData::readNetlistFile(m_path, nullptr, change == Reload));
    NlsData::setProgressDialogThreshold(4 << 20);
    NlsData::resetCellLibrary();
    QVERIFY(second && second->allPrimInstances().size() == 1);
    QCOMPARE(shared(first, second), sharesCopy);
    QCOMPARE(reads() - before, sharesCopy ? 1 : 2);
    QCOMPARE(NlsData::netlistCacheStats().liveNetlists, sharesCopy ? 1 : 2);
}

void TestNetlistCache::failedRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("truncated") << sourceNetlist().left(300);
    QTest::newRow("not JSON") << QByteArray("netlist");
    QTest::newRow("no modules") << QByteArray("{\"creator\": \"x\"}");
    QTest::newRow("missing") << QByteArray();
}

// Nothing of a failed read stays alive or cached, and the copy the views hold is intact.
void TestNetlistCache::failedRead()
{
    QFETCH(QByteArray, bytes);
    const Handle good = read();
    const QString name = good->allPrimInstances().at(0)->path();
    QVERIFY(bytes.isEmpty() ? QFile::remove(m_path) : (write(bytes), true));
    const qint64 before = reads();
    QString error;
    for (int attempt = 0; attempt < 2; ++attempt)
        QVERIFY(!NlsData::readNetlistFile(m_path, &error, false) && !error.isEmpty());
    QCOMPARE(reads() - before, 2);
    QCOMPARE(NlsData::netlistCacheStats().liveNetlists, 1);
    QCOMPARE(good->allPrimInstances().at(0)->path(), name);
    QTest::ignoreMessage(QtWarningMsg, "NlsData: a netlist read from a file cannot be added to");
    QVERIFY(!good->addNet(QStringLiteral("extra")));
}

// Views open on one copy, re-read it once after synthesis and free it when closed.
void TestNetlistCache::viewsShareOneCopy()
{
    TE::ProInfoManager::instance()->setChipInfo(
        DEV::DeviceDatabase::instance()->chipInfo(QStringLiteral("PX-A")));
    const qint64 before = reads();
    for (const char *name : {"a.vep", "b.vep"}) {
        write("<?xml version=\"1.0\"?>\n<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config><VCC>1</"
              "VCC><VCCX>3.3</VCCX><VCC_LDO>1.8</VCC_LDO></Config>",
              m_dir->filePath(name));
        ZEL::ZELViewManager::openView(DEV::DeviceArg(QStringLiteral("PX-A")),
                                      m_dir->filePath(name));
    }
    const QList<ZEL::ZELView *> views = ZEL::ZELViewManager::instance()->zelViews();
    QCOMPARE(views.size(), 2);
    const NlsData::Netlist *old = views.at(0)->getNetlist();
    QCOMPARE(&views.at(1)->getNetlist()->allNets(), &old->allNets());
    publish(QStringLiteral("Process.Syn"));
    QCoreApplication::sendPostedEvents();
    QVERIFY(views.at(0)->getNetlist() != old && views.at(1)->getNetlist() != old);
    QCOMPARE(&views.at(1)->getNetlist()->allNets(), &views.at(0)->getNetlist()->allNets());
    QCOMPARE(reads() - before, 2);
    QCOMPARE(NlsData::netlistCacheStats().liveNetlists, 1);
    for (ZEL::ZELView *view : views)
        Core::ViewManager::instance()->closeView(view);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(NlsData::netlistCacheStats().liveNetlists, 0);
}

void TestNetlistCache::concurrentReadsReadOnce()
{
    const qint64 before = reads();
    std::vector<Handle> handles(4);
    std::vector<std::thread> threads;
    for (Handle &handle : handles)
        threads.emplace_back([this, &handle]() { handle = read(); });
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(reads() - before, 1);
    for (const Handle &handle : handles)
        QVERIFY(shared(handle, handles.front()));
}

QTEST_MAIN(TestNetlistCache)
#include "tst_netlistcache.moc"
