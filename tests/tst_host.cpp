#include "host/core.h"
#include "host/dev.h"
#include "host/extsys.h"
#include "host/qutil.h"
#include "host/te.h"
#include "host/utils.h"
#include "host/zor.h"
#include "tests/support/ModalHelper.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QThread>

#include <array>
#include <functional>
#include <memory>
#include <utility>

using TestSupport::ModalHelper;

namespace {

class TestView : public Core::IView {
    Q_OBJECT
public:
    explicit TestView(const QString &title) { setShortTitle(title); }
    bool refuseClose = false;
    bool closeAgainOnClose = false;
    bool nestedCloseResult = true;
    int activated = 0;
    int deactivated = 0;
    void onActivated() override { ++activated; }
    void onDeactivated() override { ++deactivated; }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (closeAgainOnClose)
            nestedCloseResult = Core::ViewManager::instance()->closeView(this);
        event->setAccepted(!refuseClose);
    }
};

class Recorder : public QUtil::IEventHandler {
public:
    Recorder(QChar name, QString *log) : name(name), log(log) {}
    void handleIEvent(const QUtil::IEvent *event) override
    {
        log->append(name);
        const auto callback = onEvent; // a copy: the callback may delete this handler
        if (callback)
            callback(event);
    }
    QChar name;
    QString *log;
    std::function<void(const QUtil::IEvent *)> onEvent;
};

// Plug-ins and their pool objects log their life so that the shutdown order shows.
class TestPlugin : public ExtSys::IPlugin {
    Q_OBJECT
public:
    TestPlugin(const QString &name, QStringList *log, bool fail = false)
        : name(name), log(log), fail(fail)
    {}
    ~TestPlugin() override { note(" deleted"); }
    bool initialize(const QStringList &, QString *errorString) override
    {
        note(".initialize");
        if (fail) {
            *errorString = QStringLiteral("no licence for ") + name;
            return false;
        }
        auto *object = new QObject;
        connect(object, &QObject::destroyed, this, [this]() { note("-object deleted"); });
        addAutoReleasedObject(object);
        return true;
    }
    void extensionsInitialized() override { note(".extensionsInitialized"); }
    void aboutToShutdown() override { note(".aboutToShutdown"); }
    void note(const char *what) { log->append(name + QLatin1String(what)); }
    QString name;
    QStringList *log;
    bool fail;
};

class TestProject : public Core::IProject {
    Q_OBJECT
public:
    bool addFile(const QString &) override { return true; }
};

Core::ViewManager *views()
{
    return Core::ViewManager::instance();
}

QList<TestView *> showViews(const QStringList &titles)
{
    QList<TestView *> result;
    for (const QString &title : titles) {
        result << new TestView(title);
        views()->showView(result.last());
    }
    return result;
}

void closeAllViews()
{
    for (Core::IView *view : views()->views()) {
        if (auto *testView = qobject_cast<TestView *>(view))
            testView->refuseClose = false;
        views()->closeView(view);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

Core::IView *viewArg(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).value<Core::IView *>();
}

} // namespace

class tst_Host : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void eventBusReentrancy_data();
    void eventBusReentrancy();
    void eventBusDeliversOnGuiThread();

    void viewLifecycle();
    void closeView_data();
    void closeView();
    void commandRouting();

    void pluginPoolAndShutdownOrder();
    void loadPluginFailures_data();
    void loadPluginFailures();
    void loadPluginLibrary();

    void deviceVoltageTables_data();
    void deviceVoltageTables();
    void voltageRegistry();

    void projectAndResources();
    void openFileDialog();
};

void tst_Host::cleanup()
{
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    closeAllViews();
    QCOMPARE(views()->viewArea()->count(), 0);
    QVERIFY(!views()->currentView());
}

// ------------------------------------------------------------------ event bus

void tst_Host::eventBusReentrancy_data()
{
    // Each handler runs its commands on its first delivery: "A-B" A unsubscribes B, "A+D" A
    // subscribes D, "A~B" A unsubscribes and resubscribes B, "AxB" A deletes B, "A!" A
    // publishes the event again.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected"); // who got the first event / who got the second

    // clang-format off
    QTest::newRow("plain")                           << ""            << "ABC/ABC";
    QTest::newRow("unsubscribes itself")             << "A-A"         << "ABC/BC";
    QTest::newRow("unsubscribes a later one")        << "A-B"         << "AC/AC";
    QTest::newRow("deletes a later one")             << "AxB"         << "AC/AC";
    QTest::newRow("subscribes a new one")            << "A+D"         << "ABC/ABCD";
    QTest::newRow("later one leaves and comes back") << "A~B"         << "AC/ACB";
    QTest::newRow("unsubscribes an earlier one")     << "B-A"         << "ABC/BC";
    QTest::newRow("deletes itself")                  << "CxC"         << "ABC/AB";
    QTest::newRow("unsubscribes everyone")           << "A-A A-B A-C" << "A/";
    // The nested delivery is complete before the outer one goes on, and what changed
    // during it applies to the rest of the outer one.
    QTest::newRow("nested publish")                  << "A! B-B B+D"  << "AABCC/ACD";
    // clang-format on
}

void tst_Host::eventBusReentrancy()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);

    QUtil::EventManager *bus = QUtil::EventManager::instance();
    // A type of its own per row: a failed row leaves nothing behind for the next one.
    const QString type = QString::fromLatin1(QTest::currentDataTag());
    QString log;
    Recorder *handlers[4];
    QHash<QChar, bool> acted;
    for (Recorder *&handler : handlers) {
        const QChar name('A' + int(&handler - handlers));
        handler = new Recorder(name, &log);
        handler->onEvent = [&acted, &script, &handlers, &type, bus, name](const QUtil::IEvent *) {
            if (std::exchange(acted[name], true))
                return;
            for (const QString &command : script.split(' ', Qt::SkipEmptyParts)) {
                Recorder **target =
                    command.size() > 2 ? &handlers[command[2].unicode() - 'A'] : nullptr;
                if (command[0] != name)
                    continue;
                const char op = command[1].toLatin1();
                if (op == '-' || op == '~')
                    bus->unsubscribe(*target, type);
                if (op == '+' || op == '~')
                    bus->subscribe(*target, type);
                if (op == 'x')
                    delete std::exchange(*target, nullptr);
                if (op == '!')
                    bus->publish(QUtil::Event(type));
            }
        };
    }
    for (int i = 0; i < 3; ++i)
        bus->subscribe(handlers[i], type);
    bus->subscribe(handlers[0], type); // a second subscription is ignored
    QCOMPARE(bus->subscriberCount(type), 3);

    bus->publish(QUtil::Event(type));
    log += QLatin1Char('/');
    bus->publish(QUtil::Event(type));
    QCOMPARE(log, expected);

    for (Recorder *handler : handlers)
        delete handler;
    // Destroyed handlers must have left the bus on their own.
    QCOMPARE(bus->subscriberCount(type), 0);
}

void tst_Host::eventBusDeliversOnGuiThread()
{
    QUtil::EventManager *bus = QUtil::EventManager::instance();
    const QString type = QStringLiteral("TE.Device.Change");
    QString log;
    Recorder handler(QLatin1Char('H'), &log);
    QThread *deliveredOn = nullptr;
    handler.onEvent = [&deliveredOn](const QUtil::IEvent *) {
        deliveredOn = QThread::currentThread();
    };
    bus->subscribe(&handler, type);

    std::unique_ptr<QThread> worker(
        QThread::create([bus, type]() { bus->publish(QUtil::Event(type)); }));
    QSignalSpy finished(worker.get(), &QThread::finished);
    worker->start();
    QVERIFY(finished.wait());
    worker->wait();
    QCOMPARE(log, QStringLiteral("H"));
    QCOMPARE(deliveredOn, QThread::currentThread());
}

// --------------------------------------------------------------- view manager

void tst_Host::viewLifecycle()
{
    QTabWidget *area = views()->viewArea();
    QSignalSpy activated(views(), &Core::ViewManager::viewActiveted);
    QSignalSpy closed(views(), &Core::ViewManager::viewClosed);
    const QList<TestView *> v = showViews({"a.vep", "b.vep"});
    views()->showView(v[1]); // already current: no signal
    views()->showView(v[0]);
    QCOMPARE(views()->views(), (QList<Core::IView *>{v[0], v[1]}));
    QCOMPARE(activated.count(), 3);
    QCOMPARE(viewArg(activated, 2), v[0]);
    QCOMPARE(qMakePair(v[1]->activated, v[1]->deactivated), qMakePair(1, 1));
    v[1]->setShortTitle(QStringLiteral("b.vep*"));
    QCOMPARE(area->tabText(1), QStringLiteral("b.vep*"));
    // The user clicking a tab is a change of the current view as well.
    area->setCurrentIndex(1);
    QCOMPARE(views()->currentView(), v[1]);
    QCOMPARE(viewArg(activated, 3), v[1]);

    // The tab's close button asks the view, like closeView.
    v[0]->refuseClose = true;
    emit area->tabCloseRequested(0);
    QCOMPARE(area->count(), 2);
    emit area->tabCloseRequested(1);
    QCOMPARE(area->count(), 1);
    QCOMPARE(viewArg(closed, 0), v[1]);

    // A view closing itself again from its close event is closed and reported once; the
    // last view gone leaves no current view.
    v[0]->refuseClose = false;
    v[0]->closeAgainOnClose = true;
    QVERIFY(views()->closeView(v[0]));
    QVERIFY(!v[0]->nestedCloseResult);
    QCOMPARE(closed.count(), 2);
    QVERIFY(!viewArg(activated, activated.count() - 1));
    QCOMPARE(qMakePair(v[0]->activated, v[0]->deactivated), qMakePair(3, 3));
    QVERIFY(!views()->closeView(nullptr));
}

void tst_Host::closeView_data()
{
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<bool>("closeCurrent");

    QTest::newRow("current view accepts") << false << true;
    QTest::newRow("background view accepts") << false << false;
    QTest::newRow("current view refuses") << true << true;
    QTest::newRow("background view refuses") << true << false;
}

void tst_Host::closeView()
{
    QFETCH(bool, refuse);
    QFETCH(bool, closeCurrent);

    const QList<TestView *> v = showViews({"a.vep", "b.vep"});
    TestView *target = v[closeCurrent ? 1 : 0];
    TestView *other = v[closeCurrent ? 0 : 1];
    target->refuseClose = refuse;
    QPointer<TestView> guard(target);
    QSignalSpy closed(views(), &Core::ViewManager::viewClosed);
    QSignalSpy activated(views(), &Core::ViewManager::viewActiveted);

    QCOMPARE(views()->closeView(target), !refuse);
    QVERIFY(guard); // never deleted at once: the caller may still be using it
    QCOMPARE(views()->views(),
             (refuse ? QList<Core::IView *>{v[0], v[1]} : QList<Core::IView *>{other}));
    QCOMPARE(views()->currentView(), refuse ? v[1] : other);
    QCOMPARE(closed.count(), refuse ? 0 : 1);
    if (!refuse)
        QCOMPARE(viewArg(closed, 0), target);
    // Closing the view behind the current one shifts tab indices but not the current view.
    QCOMPARE(activated.count(), !refuse && closeCurrent ? 1 : 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(guard.isNull(), !refuse);
}

// ------------------------------------------------------------- command routing

void tst_Host::commandRouting()
{
    const QString id = QStringLiteral("Test.Save");
    QAction *proxy = Core::ActionManager::command(id);
    QCOMPARE(Core::ActionManager::command(id), proxy);
    proxy->setText(QStringLiteral("&Save"));
    proxy->setToolTip(QStringLiteral("tip"));
    const QList<TestView *> v = showViews({"a", "b", "c"});
    views()->showView(v[1]);
    // Contexts tied after the view became current take effect at once.
    views()->registerContext(v[0], QStringLiteral("Ctx.A"), true);
    views()->registerContext(v[1], QStringLiteral("Ctx.B"), true);
    QAction saveA(QStringLiteral("Save A"));
    auto *saveB = new QAction(QStringLiteral("Save B"));
    saveB->setEnabled(false);
    QCOMPARE(Core::ActionManager::registerAction(&saveA, id, QStringLiteral("Ctx.A"))->id(), id);
    Core::ActionManager::registerAction(saveB, id, QStringLiteral("Ctx.B"));
    QSignalSpy triggeredA(&saveA, &QAction::triggered);
    QSignalSpy triggeredB(saveB, &QAction::triggered);
    auto state = [proxy]() {
        return QStringList{proxy->text(), proxy->toolTip(), proxy->isEnabled() ? "on" : "off"}.join(
            '|');
    };
    QCOMPARE(state(), QStringLiteral("Save B|Save B|off"));
    proxy->trigger();
    QCOMPARE(triggeredB.count(), 0);

    saveB->setEnabled(true);
    saveB->setText(QStringLiteral("Save B*"));
    saveB->setToolTip(QStringLiteral("tip B"));
    QCOMPARE(state(), QStringLiteral("Save B*|tip B|on"));
    // Changes of an action in another context leave the command alone.
    saveA.setText(QStringLiteral("Save A*"));
    saveA.setEnabled(false);
    QCOMPARE(state(), QStringLiteral("Save B*|tip B|on"));
    proxy->trigger();
    QCOMPARE(triggeredB.count(), 1);

    // A later action in the same context takes over; when it goes, the earlier one is back.
    auto *saveB2 = new QAction(QStringLiteral("Save B2"));
    Core::ActionManager::registerAction(saveB2, id, QStringLiteral("Ctx.B"));
    QCOMPARE(state(), QStringLiteral("Save B2|Save B2|on"));
    delete saveB2;
    QCOMPARE(state(), QStringLiteral("Save B*|tip B|on"));
    delete saveB;
    QVERIFY(!proxy->isEnabled());

    views()->showView(v[0]);
    QCOMPARE(state(), QStringLiteral("Save A*|Save A*|off"));
    saveA.setEnabled(true);
    proxy->trigger();
    QCOMPARE(triggeredA.count(), 1);
    // Without a context, or without any view, the command is its own, disabled.
    views()->showView(v[2]);
    QCOMPARE(state(), QStringLiteral("&Save|tip|off"));
    views()->showView(v[0]);
    closeAllViews();
    QCOMPARE(state(), QStringLiteral("&Save|tip|off"));
    proxy->trigger();
    QCOMPARE(triggeredA.count(), 1);
}

// ------------------------------------------------------------- plug-in manager

void tst_Host::pluginPoolAndShutdownOrder()
{
    ExtSys::PluginManager *manager = ExtSys::PluginManager::instance();
    QStringList log;
    QString error;
    TestPlugin broken(QStringLiteral("broken"), &log, true); // not owned after a failure
    QVERIFY(!manager->addStaticPlugin(&broken, &error));
    QVERIFY2(error.contains(QStringLiteral("no licence for broken")), qPrintable(error));
    QList<ExtSys::IPlugin *> plugins;
    for (const char *name : {"first", "second", "third"}) {
        plugins << new TestPlugin(QLatin1String(name), &log);
        QVERIFY(manager->addStaticPlugin(plugins.last(), &error));
    }
    error.clear();
    QVERIFY(!manager->addStaticPlugin(plugins[1], &error)); // never started twice
    QVERIFY(!error.isEmpty());
    QCOMPARE(manager->plugins(), plugins);
    QCOMPARE(std::exchange(log, {}).join(' '),
             QStringLiteral("broken.initialize first.initialize "
                            "first.extensionsInitialized second.initialize "
                            "second.extensionsInitialized third.initialize "
                            "third.extensionsInitialized"));

    // An object deleted by its owner leaves the pool and is not deleted a second time.
    const QList<QObject *> objects = manager->allObjects();
    QCOMPARE(objects.size(), 3);
    delete objects.at(1);
    QObject hostOwned;
    manager->addObject(&hostOwned);
    QCOMPARE(manager->allObjects().size(), 3);

    manager->shutdown();
    QCOMPARE(log.join(' '), QStringLiteral("second-object deleted third.aboutToShutdown "
                                           "second.aboutToShutdown first.aboutToShutdown "
                                           "third-object deleted first-object deleted "
                                           "third deleted second deleted first deleted"));
    QVERIFY(manager->plugins().isEmpty());
    QCOMPARE(manager->allObjects(), QList<QObject *>({&hostOwned}));
    manager->removeObject(&hostOwned);
}

void tst_Host::loadPluginFailures_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("missing file") << QStringLiteral(VEP_SOURCE_DIR "/no/such/libplugin.so");
    QTest::newRow("not a library") << QStringLiteral(VEP_SOURCE_DIR "/host/devices.json");
    QTest::newRow("library without plug-in")
        << QStringLiteral(VEP_PLUGIN_DIR "/../lib/libvephost.so");
}

void tst_Host::loadPluginFailures()
{
    QFETCH(QString, path);
    QString error;
    QVERIFY(!ExtSys::PluginManager::instance()->loadPlugin(path, &error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY(ExtSys::PluginManager::instance()->plugins().isEmpty());
}

void tst_Host::loadPluginLibrary()
{
    const QString path = QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so");
    if (!QFileInfo::exists(path))
        QSKIP("the plug-in library is not built");
    ExtSys::PluginManager *manager = ExtSys::PluginManager::instance();
    QString error = QStringLiteral("stale");
    ExtSys::IPlugin *plugin = manager->loadPlugin(path, &error);
    QVERIFY2(plugin, qPrintable(error));
    QVERIFY(error.isEmpty());
    // The same library again hands back the running plug-in without starting it twice.
    QCOMPARE(manager->loadPlugin(path, &error), plugin);
    QCOMPARE(manager->plugins(), QList<ExtSys::IPlugin *>({plugin}));
    const QList<Core::IWizardFactory *> wizards = manager->getObjects<Core::IWizardFactory>();
    QCOMPARE(wizards.size(), 1);

    QPointer<QObject> wizard(wizards.first()), root(plugin);
    manager->shutdown();
    QVERIFY(!wizard && !root);
    QVERIFY(manager->allObjects().isEmpty());
}

// --------------------------------------------------------- devices and voltages

void tst_Host::deviceVoltageTables_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("hasVccldo");
    QTest::addColumn<QStringList>("ties");

    // The six VCCX-locked models come first.
    for (const char *model : {"PX-A", "PX-B", "PX-C", "PX-D", "PX-E", "PX-F"})
        QTest::newRow(model) << model << true
                             << (model[3] < 'E' ? QStringList() : QStringList{"VCCX-VCCLDO"});
    QTest::newRow("VCC-VCCX") << "QL-1" << true << QStringList{"VCC-VCCX"};
    QTest::newRow("VCC-VCCLDO") << "QL-2" << true << QStringList{"VCC-VCCLDO"};
    QTest::newRow("two ties") << "RM-3" << true << QStringList{"VCC-VCCX", "VCCX-VCCLDO"};
    QTest::newRow("no VCCLDO rail") << "SN-4" << false << QStringList();
    QTest::newRow("plain") << "TV-5" << true << QStringList();
    QTest::newRow("no voltage information") << "UX-6" << false << QStringList();
}

void tst_Host::deviceVoltageTables()
{
    QFETCH(QString, device);
    QFETCH(bool, hasVccldo);
    QFETCH(QStringList, ties);

    const DEV::DeviceDatabase *database = DEV::DeviceDatabase::instance();
    QVERIFY(database->devices().contains(device));
    QVERIFY(!database->contains(device.toLower()));
    // The way a page finds its table: through the project's chip information.
    TE::ProInfoManager::instance()->setChipInfo(database->chipInfo(device));
    const DEV::ChipInfo chip = TE::ProInfoManager::instance()->chipInfo();
    TE::ProInfoManager::instance()->setChipInfo(DEV::ChipInfo());
    QCOMPARE(chip.device, device);
    for (const QString &field : {chip.partNumber, chip.family, chip.package, chip.speed, chip.grade,
                                 chip.ioCount, chip.lutCount, chip.version})
        QVERIFY(!field.isEmpty());
    const ZOR::Voltage voltage(chip.voltage, chip.family);

    // Every rail the chip has comes with numbers, the default within the limits.
    using Get = QString (ZOR::Voltage::*)() const;
    using V = ZOR::Voltage;
    const QMap<QString, std::array<Get, 3>> rails{
        {"VCC", {&V::getVCCDefaultValue, &V::getVCCMin, &V::getVCCMax}},
        {"VCCX", {&V::getVCCXDefaultValue, &V::getVCCXMin, &V::getVCCXMax}},
        {"VCCLDO", {&V::getVCCLDODefaultValue, &V::getVCCLDOMin, &V::getVCCLDOMax}}};
    for (auto rail = rails.cbegin(); rail != rails.cend(); ++rail) {
        bool ok[3];
        double value[3];
        for (int i = 0; i < 3; ++i)
            value[i] = (voltage.*rail.value()[i])().toDouble(&ok[i]);
        const bool present = rail.key() == "VCCLDO" ? hasVccldo : !chip.voltage.isEmpty();
        QVERIFY2((ok[0] && ok[1] && ok[2]) == present, qPrintable(rail.key()));
        QVERIFY(!present || (value[1] <= value[0] && value[0] <= value[2]));
    }
    QCOMPARE(voltage.isVCCVCCXShortCircuit(), ties.contains("VCC-VCCX"));
    QCOMPARE(voltage.isVCCVCCLDOShortCircuit(), ties.contains("VCC-VCCLDO"));
    QCOMPARE(voltage.isVCCXVCCLDOShortCircuit(), ties.contains("VCCX-VCCLDO"));
    // Tied rails carry one voltage, so their tables must agree.
    for (const QString &tie : ties)
        QCOMPARE((voltage.*rails[tie.section('-', 0, 0)][0])(),
                 (voltage.*rails[tie.section('-', 1)][0])());
}

void tst_Host::voltageRegistry()
{
    const QString voltage = QStringLiteral("5V");
    const QString family = QStringLiteral("Nowhere");
    QVERIFY(ZOR::Voltage(voltage, family).getVCCDefaultValue().isEmpty());

    ZOR::VoltageTable table;
    table.vccDefault = QStringLiteral("0.8");
    table.vccxMax = QStringLiteral("1.9");
    table.vccldoMin = QStringLiteral("1.7");
    table.vccVccldoTied = true;
    ZOR::Voltage::registerTable(voltage, family, table);
    const ZOR::Voltage known(voltage, family);
    QCOMPARE(known.getVCCDefaultValue() + known.getVCCXMax() + known.getVCCLDOMin(),
             QStringLiteral("0.81.91.7"));
    QVERIFY(known.getVCCMax().isEmpty());
    QVERIFY(known.isVCCVCCLDOShortCircuit() && !known.isVCCXVCCLDOShortCircuit());
    // The key is the pair, in this order.
    QVERIFY(ZOR::Voltage(family, voltage).getVCCDefaultValue().isEmpty());

    // A later table replaces the earlier one; values built before keep theirs.
    table.vccDefault = QStringLiteral("0.78");
    ZOR::Voltage::registerTable(voltage, family, table);
    QCOMPARE(ZOR::Voltage(voltage, family).getVCCDefaultValue(), QStringLiteral("0.78"));
    QCOMPARE(known.getVCCDefaultValue(), QStringLiteral("0.8"));
    ZOR::Voltage::registerTable(voltage, family, ZOR::VoltageTable());
}

// --------------------------------------------------------------- small services

void tst_Host::projectAndResources()
{
    auto *project = new TestProject;
    Core::ProjectManager::setCurrentProject(project);
    QCOMPARE(Core::ProjectManager::currentProject(), project);
    delete project;
    QVERIFY(!Core::ProjectManager::currentProject());
    QCOMPARE(QPixmap(QStringLiteral(":/fpgaprj/image/warning.png")).size(), QSize(16, 16));
}

void tst_Host::openFileDialog()
{
    const QString dir = QStringLiteral(VEP_SOURCE_DIR "/host");
    ModalHelper::acceptNextDialog([](QDialog *dialog) {
        auto *fileDialog = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(fileDialog && fileDialog->testOption(QFileDialog::DontUseNativeDialog));
        fileDialog->selectFile(QStringLiteral("devices.json"));
    });
    QString filter;
    QCOMPARE(Utils::FileUtils::getOpenFileName(nullptr, QStringLiteral("Open"), dir,
                                               QStringLiteral("JSON (*.json);;All (*)"), &filter),
             QDir(dir).absoluteFilePath(QStringLiteral("devices.json")));
    QCOMPARE(filter, QStringLiteral("JSON (*.json)"));

    ModalHelper::rejectNextDialog();
    QVERIFY(Utils::FileUtils::getOpenFileName(nullptr, QStringLiteral("Open"), dir, QString())
                .isEmpty());
}

QTEST_MAIN(tst_Host)
#include "tst_host.moc"
