// The shared netlist: handles on one unchanged file share one copy, a change or an
// announcement makes the next read a fresh one that later handles share again, failed
// reads leave nothing behind, and the copy goes with its last handle.

#include "host/nlsdata.h"
#include "host/qutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>
#include <vector>

namespace {

using Handle = std::unique_ptr<NlsData::Netlist>;
enum Change { None, Reload, Dialog, OtherEvent, Synthesis, Grown, Touched, CellType };

bool shared(const Handle &a, const Handle &b)
{
    return a && b && &a->allNets() == &b->allNets();
}

qint64 reads()
{
    return NlsData::netlistCacheStats().fileReads;
}

} // namespace

class TestNetlistCache : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(QFile::copy(VEP_SOURCE_DIR "/tests/data/document/netlist.json", m_path));
    }
    // Every test has released its handles by now: the copy must be gone with them.
    void cleanup()
    {
        QFile::remove(m_path);
        QCOMPARE(NlsData::netlistCacheStats().liveNetlists, 0);
    }
    void secondHandle_data();
    void secondHandle();
    void failedRead_data();
    void failedRead();
    void concurrentReadsReadOnce();

private:
    // The dialog variant reads above its threshold (1 byte here) on a worker thread.
    Handle read(bool reload = false, bool dialog = false)
    {
        return Handle(dialog ? NlsData::readNetlistFileWithDialog(nullptr, m_path, nullptr, reload)
                             : NlsData::readNetlistFile(m_path, nullptr, reload));
    }

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(QStringLiteral("netlist.json"));
};

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
    QTest::newRow("cell type registered") << int(CellType) << false;
}

void TestNetlistCache::secondHandle()
{
    QFETCH(int, change);
    QFETCH(bool, sharesCopy);
    const qint64 before = reads();
    NlsData::setProgressDialogThreshold(1);
    const Handle first = read(false, change == Dialog);
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QUtil::Event event(QStringLiteral("TE.Process.Status.Change"));
    event.set(QStringLiteral("process"), change == Synthesis ? "Process.Syn" : "Process.Par");
    event.set(QStringLiteral("status"), 2);
    if (change == Synthesis || change == OtherEvent)
        QUtil::EventManager::instance()->publish(event);
    else if (change == Grown)
        QVERIFY(file.seek(file.size()) && file.write(" ") == 1);
    else if (change == Touched)
        QVERIFY(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addMSecs(1),
                                 QFileDevice::FileModificationTime));
    else if (change == CellType)
        NlsData::registerCellType(QStringLiteral("$_DFF_P_"), 50, 7);
    file.close();
    // Views re-reading after the change: the first one reads, the others share its copy.
    const Handle second = read(change == Reload, change == Dialog);
    const Handle third = read(change == Reload, change == Dialog);
    NlsData::setProgressDialogThreshold(4 << 20);
    NlsData::resetCellLibrary();
    QVERIFY(second && second->allPrimInstances().size() == 1 && shared(second, third));
    QCOMPARE(shared(first, second), sharesCopy);
    QCOMPARE(reads() - before, sharesCopy ? 1 : 2);
    QCOMPARE(NlsData::netlistCacheStats().liveNetlists, sharesCopy ? 1 : 2);
}

void TestNetlistCache::failedRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("truncated") << QByteArray("{\"modules\": {\"top\": {\"cells\": {");
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
    QFile file(m_path);
    QVERIFY(bytes.isEmpty() ? file.remove() : file.open(QIODevice::WriteOnly) && file.write(bytes));
    file.close();
    const qint64 before = reads();
    for (int attempt = 0; attempt < 2; ++attempt)
        QVERIFY(!read());
    QCOMPARE(reads() - before, 2);
    QCOMPARE(NlsData::netlistCacheStats().liveNetlists, 1);
    QCOMPARE(good->allPrimInstances().at(0)->path(), name);
    QTest::ignoreMessage(QtWarningMsg, "NlsData: a netlist read from a file cannot be added to");
    QVERIFY(!good->addNet(QStringLiteral("extra")));
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
    QVERIFY(shared(handles.front(), handles.back()) && shared(handles.at(1), handles.at(2)));
}

QTEST_MAIN(TestNetlistCache)
#include "tst_netlistcache.moc"
