// The shared netlist: handles on one unchanged file share one copy, a change or an
// announcement makes the next read a fresh one that later handles share again, failed
// reads leave nothing behind and the copy in use intact, and the copy goes with its
// last handle.

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
    QTest::addColumn<int>("fileReads"); // 1: shared, 2: read again, 3: both reads failed
    QTest::newRow("unchanged") << 1;
    QTest::newRow("reload") << 1;
    QTest::newRow("dialog") << 1;
    QTest::newRow("other event") << 1;
    QTest::newRow("synthesis") << 2;
    QTest::newRow("grown") << 2;
    QTest::newRow("touched 1 ms later") << 2;
    QTest::newRow("cell type") << 2;
    QTest::newRow("truncated") << 3;
    QTest::newRow("not JSON") << 3;
    QTest::newRow("removed") << 3;
}

void TestNetlistCache::secondHandle()
{
    const QByteArray change = QTest::currentDataTag();
    QFETCH(int, fileReads);
    const qint64 before = reads();
    NlsData::setProgressDialogThreshold(1);
    const Handle first = read(false, change == "dialog");
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QUtil::Event event(QStringLiteral("TE.Process.Status.Change"));
    event.set(QStringLiteral("process"), change == "synthesis" ? "Process.Syn" : "Process.Par");
    event.set(QStringLiteral("status"), 2);
    if (change == "synthesis" || change == "other event")
        QUtil::EventManager::instance()->publish(event);
    else if (change == "grown")
        QVERIFY(file.seek(file.size()) && file.write(" ") == 1);
    else if (change == "touched 1 ms later")
        QVERIFY(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addMSecs(1),
                                 QFileDevice::FileModificationTime));
    else if (change == "cell type")
        NlsData::registerCellType(QStringLiteral("$_DFF_P_"), 50, 7);
    else if (change == "truncated" || change == "not JSON")
        QVERIFY(file.resize(0) &&
                file.write(change == "not JSON" ? "netlist" : "{\"modules\": {\"t"));
    else if (change == "removed")
        QVERIFY(file.remove());
    file.close();
    // Views re-reading after the change: the first one reads, the others share its copy;
    // a failed read is never served as a success.
    const Handle second = read(change == "reload", change == "dialog");
    const Handle third = read(change == "reload", change == "dialog");
    NlsData::setProgressDialogThreshold(4 << 20);
    NlsData::resetCellLibrary();
    QCOMPARE(reads() - before, fileReads);
    QCOMPARE(bool(second), fileReads < 3);
    QVERIFY(!second || (second->allPrimInstances().size() == 1 && shared(second, third)));
    QCOMPARE(shared(first, second), fileReads == 1);
    QCOMPARE(NlsData::netlistCacheStats().liveNetlists, fileReads == 2 ? 2 : 1);
    QCOMPARE(first->allPrimInstances().at(0)->path(), QStringLiteral("q_reg"));
    QTest::ignoreMessage(QtWarningMsg, "NlsData: a netlist read from a file cannot be added to");
    QVERIFY(!first->addNet(QStringLiteral("extra")));
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
