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
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QThread>

#include <functional>
#include <map>

using TestSupport::ModalHelper;

namespace {

class TestView : public Core::IView {
    Q_OBJECT
public:
    explicit TestView(const QString &title)
    {
        setShortTitle(title);
        setObjectName(title);
    }
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
        if (refuseClose)
            event->ignore();
        else
            event->accept();
    }
};

class Recorder : public QUtil::IEventHandler {
public:
    Recorder(const QString &name, QStringList *log) : name(name), log(log) {}
    void handleIEvent(const QUtil::IEvent *event) override
    {
        log->append(name + QLatin1Char(':') + event->type());
        if (onEvent)
            onEvent(event);
    }
    QString name;
    QStringList *log;
    std::function<void(const QUtil::IEvent *)> onEvent;
};

class LoggingObject : public QObject {
    Q_OBJECT
public:
    LoggingObject(const QString &name, QStringList *log) : name(name), log(log) {}
    ~LoggingObject() override { log->append(name + QStringLiteral(" deleted")); }
    QString name;
    QStringList *log;
};

class TestPlugin : public ExtSys::IPlugin {
    Q_OBJECT
public:
    TestPlugin(const QString &name, QStringList *log, bool failInit = false)
        : name(name), log(log), failInit(failInit)
    {}
    ~TestPlugin() override { log->append(name + QStringLiteral(" deleted")); }
    bool initialize(const QStringList &, QString *errorString) override
    {
        log->append(name + QStringLiteral(".initialize"));
        if (failInit) {
            *errorString = QStringLiteral("no licence for ") + name;
            return false;
        }
        addAutoReleasedObject(new LoggingObject(name + QStringLiteral("-object"), log));
        return true;
    }
    void extensionsInitialized() override
    {
        log->append(name + QStringLiteral(".extensionsInitialized"));
    }
    void aboutToShutdown() override { log->append(name + QStringLiteral(".aboutToShutdown")); }
    QString name;
    QStringList *log;
    bool failInit;
};

class TestWizard : public Core::IWizardFactory {
    Q_OBJECT
public:
    QString id() const override { return QStringLiteral("Test.Wizard"); }
    QString displayName() const override { return QStringLiteral("Test"); }
    QString description() const override { return QString(); }
    void run(QWidget *, const QString &) override {}
};

class TestProject : public Core::IProject {
    Q_OBJECT
public:
    bool addFile(const QString &) override { return true; }
};

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void closeAllViews()
{
    Core::ViewManager *manager = Core::ViewManager::instance();
    const QList<Core::IView *> views = manager->views();
    for (Core::IView *view : views) {
        if (auto *testView = qobject_cast<TestView *>(view))
            testView->refuseClose = false;
        manager->closeView(view);
    }
    processDeferredDeletes();
}

enum BusScenario {
    Plain,
    UnsubscribeSelf,
    UnsubscribeLater,
    DeleteLater,
    SubscribeNew,
    ResubscribeLater,
    UnsubscribeEarlier,
    DeleteSelf,
    UnsubscribeAll,
};

} // namespace

Q_DECLARE_METATYPE(BusScenario)

class tst_Host : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void eventBusReentrancy_data();
    void eventBusReentrancy();
    void eventBusNestedPublish();
    void eventBusDeliversOnGuiThread();

    void viewTabsFollowShowAndTitle();
    void viewActivationSignals();
    void closeView_data();
    void closeView();
    void closeLastViewActivatesNull();
    void closeFromOwnCloseEventReportsOnce();
    void tabCloseButtonGoesThroughCloseView();

    void commandRouting_data();
    void commandRouting();
    void commandFollowsActionChanges();

    void pluginPoolAndShutdownOrder();
    void pluginFailingInitialize();
    void loadPluginFailures_data();
    void loadPluginFailures();
    void loadPluginLibrary();

    void lockedModelsPresent();
    void deviceVoltageTables_data();
    void deviceVoltageTables();
    void voltageRegistry();

    void smallServices();
    void openFileDialog();
};

void tst_Host::cleanup()
{
    ModalHelper::closeStrayModals();
    closeAllViews();
    Core::ViewManager *manager = Core::ViewManager::instance();
    QCOMPARE(manager->viewArea()->count(), 0);
    QVERIFY(!manager->currentView());
}

// ------------------------------------------------------------------ event bus

void tst_Host::eventBusReentrancy_data()
{
    QTest::addColumn<BusScenario>("scenario");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");

    const QString t = QStringLiteral(":T");
    auto log = [&t](std::initializer_list<const char *> names) {
        QStringList result;
        for (const char *name : names)
            result.append(QLatin1String(name) + t);
        return result;
    };
    QTest::newRow("plain") << Plain << log({"A", "B", "C"}) << log({"A", "B", "C"});
    QTest::newRow("handler unsubscribes itself")
        << UnsubscribeSelf << log({"A", "B", "C"}) << log({"B", "C"});
    QTest::newRow("handler unsubscribes a later one")
        << UnsubscribeLater << log({"A", "C"}) << log({"A", "C"});
    QTest::newRow("handler deletes a later one")
        << DeleteLater << log({"A", "C"}) << log({"A", "C"});
    QTest::newRow("handler subscribes a new one")
        << SubscribeNew << log({"A", "B", "C"}) << log({"A", "B", "C", "D"});
    QTest::newRow("later one leaves and comes back")
        << ResubscribeLater << log({"A", "C"}) << log({"A", "C", "B"});
    QTest::newRow("handler unsubscribes an earlier one")
        << UnsubscribeEarlier << log({"A", "B", "C"}) << log({"B", "C"});
    QTest::newRow("handler deletes itself")
        << DeleteSelf << log({"A", "B", "C"}) << log({"A", "B"});
    QTest::newRow("handler unsubscribes everyone") << UnsubscribeAll << log({"A"}) << QStringList();
}

void tst_Host::eventBusReentrancy()
{
    QFETCH(BusScenario, scenario);
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);

    QUtil::EventManager *bus = QUtil::EventManager::instance();
    const QString type = QStringLiteral("T");
    QStringList log;
    std::map<QString, Recorder *> handlers;
    for (const char *name : {"A", "B", "C", "D"})
        handlers[QLatin1String(name)] = new Recorder(QLatin1String(name), &log);
    for (const char *name : {"A", "B", "C"})
        bus->subscribe(handlers[QLatin1String(name)], type);
    bus->subscribe(handlers[QStringLiteral("A")], type); // a second subscription is ignored
    QCOMPARE(bus->subscriberCount(type), 3);

    bool done = false;
    auto once = [&done](Recorder *handler, std::function<void()> action) {
        handler->onEvent = [&done, action](const QUtil::IEvent *) {
            if (done)
                return;
            done = true;
            action();
        };
    };
    Recorder *a = handlers[QStringLiteral("A")];
    Recorder *b = handlers[QStringLiteral("B")];
    Recorder *c = handlers[QStringLiteral("C")];
    Recorder *d = handlers[QStringLiteral("D")];
    switch (scenario) {
    case Plain:
        break;
    case UnsubscribeSelf:
        once(a, [bus, a, type]() { bus->unsubscribe(a, type); });
        break;
    case UnsubscribeLater:
        once(a, [bus, b, type]() { bus->unsubscribe(b, type); });
        break;
    case DeleteLater:
        once(a, [&handlers, b]() {
            delete b;
            handlers[QStringLiteral("B")] = nullptr;
        });
        break;
    case SubscribeNew:
        once(a, [bus, d, type]() { bus->subscribe(d, type); });
        break;
    case ResubscribeLater:
        once(a, [bus, b, type]() {
            bus->unsubscribe(b, type);
            bus->subscribe(b, type);
        });
        break;
    case UnsubscribeEarlier:
        once(b, [bus, a, type]() { bus->unsubscribe(a, type); });
        break;
    case DeleteSelf:
        once(c, [&handlers, c]() {
            handlers[QStringLiteral("C")] = nullptr;
            delete c;
        });
        break;
    case UnsubscribeAll:
        once(a, [bus, a, b, c, type]() {
            for (Recorder *handler : {a, b, c})
                bus->unsubscribe(handler, type);
        });
        break;
    }

    bus->publish(QUtil::Event(type));
    QCOMPARE(log, first);
    log.clear();
    bus->publish(QUtil::Event(type));
    QCOMPARE(log, second);

    for (auto &entry : handlers)
        delete entry.second;
    // Destroyed handlers must have left the bus on their own.
    QCOMPARE(bus->subscriberCount(type), 0);
}

void tst_Host::eventBusNestedPublish()
{
    QUtil::EventManager *bus = QUtil::EventManager::instance();
    const QString outer = QStringLiteral("Outer");
    const QString inner = QStringLiteral("Inner");
    QStringList log;
    Recorder a(QStringLiteral("A"), &log);
    Recorder b(QStringLiteral("B"), &log);
    Recorder c(QStringLiteral("C"), &log);

    QUtil::Event innerEvent(inner);
    innerEvent.set(QStringLiteral("status"), 2);
    a.onEvent = [bus, &innerEvent, &outer](const QUtil::IEvent *event) {
        if (event->type() == outer)
            bus->publish(innerEvent);
    };
    // While the outer event is still being delivered, B leaves it and C joins it.
    b.onEvent = [bus, &b, &c, &outer](const QUtil::IEvent *event) {
        QCOMPARE(event->get(QStringLiteral("status")).toInt(), 2);
        bus->unsubscribe(&b, outer);
        bus->subscribe(&c, outer);
    };
    bus->subscribe(&a, outer);
    bus->subscribe(&b, outer);
    bus->subscribe(&b, inner);

    bus->publish(QUtil::Event(outer));
    QCOMPARE(log, QStringList({"A:Outer", "B:Inner"}));

    log.clear();
    a.onEvent = nullptr;
    bus->publish(QUtil::Event(outer));
    QCOMPARE(log, QStringList({"A:Outer", "C:Outer"}));
}

void tst_Host::eventBusDeliversOnGuiThread()
{
    QUtil::EventManager *bus = QUtil::EventManager::instance();
    QStringList log;
    Recorder handler(QStringLiteral("H"), &log);
    QThread *deliveredOn = nullptr;
    handler.onEvent = [&deliveredOn](const QUtil::IEvent *) {
        deliveredOn = QThread::currentThread();
    };
    bus->subscribe(&handler, QStringLiteral("TE.Device.Change"));

    QThread *worker = QThread::create(
        [bus]() { bus->publish(QUtil::Event(QStringLiteral("TE.Device.Change"))); });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;

    QCOMPARE(log, QStringList({"H:TE.Device.Change"}));
    QCOMPARE(deliveredOn, QThread::currentThread());
}

// --------------------------------------------------------------- view manager

void tst_Host::viewTabsFollowShowAndTitle()
{
    Core::ViewManager *manager = Core::ViewManager::instance();
    QTabWidget *area = manager->viewArea();
    auto *a = new TestView(QStringLiteral("a.vep"));
    auto *b = new TestView(QStringLiteral("b.vep"));
    manager->showView(a);
    manager->showView(b);
    manager->showView(a);
    QCOMPARE(area->count(), 2);
    QCOMPARE(manager->views(), QList<Core::IView *>({a, b}));
    QCOMPARE(manager->currentView(), a);
    QCOMPARE(area->tabText(area->indexOf(b)), QStringLiteral("b.vep"));

    b->setShortTitle(QStringLiteral("b.vep*"));
    QCOMPARE(area->tabText(area->indexOf(b)), QStringLiteral("b.vep*"));
    QCOMPARE(area->tabText(area->indexOf(a)), QStringLiteral("a.vep"));
}

void tst_Host::viewActivationSignals()
{
    Core::ViewManager *manager = Core::ViewManager::instance();
    QSignalSpy activated(manager, &Core::ViewManager::viewActiveted);
    auto *a = new TestView(QStringLiteral("a.vep"));
    auto *b = new TestView(QStringLiteral("b.vep"));

    manager->showView(a);
    manager->showView(b);
    manager->showView(b); // already current: no signal
    manager->showView(a);
    QCOMPARE(activated.count(), 3);
    QCOMPARE(activated.at(0).at(0).value<Core::IView *>(), a);
    QCOMPARE(activated.at(1).at(0).value<Core::IView *>(), b);
    QCOMPARE(activated.at(2).at(0).value<Core::IView *>(), a);
    QCOMPARE(a->activated, 2);
    QCOMPARE(a->deactivated, 1);
    QCOMPARE(b->activated, 1);
    QCOMPARE(b->deactivated, 1);

    // The user clicking a tab is a change of the current view as well.
    manager->viewArea()->setCurrentIndex(manager->viewArea()->indexOf(b));
    QCOMPARE(activated.count(), 4);
    QCOMPARE(activated.last().at(0).value<Core::IView *>(), b);
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

    Core::ViewManager *manager = Core::ViewManager::instance();
    auto *a = new TestView(QStringLiteral("a.vep"));
    auto *b = new TestView(QStringLiteral("b.vep"));
    manager->showView(a);
    manager->showView(b);
    TestView *target = closeCurrent ? b : a;
    TestView *other = closeCurrent ? a : b;
    target->refuseClose = refuse;
    QPointer<TestView> guard(target);

    QSignalSpy closed(manager, &Core::ViewManager::viewClosed);
    QSignalSpy activated(manager, &Core::ViewManager::viewActiveted);
    const bool result = manager->closeView(target);

    QCOMPARE(result, !refuse);
    QVERIFY(guard); // never deleted at once: the caller may still be using it
    if (refuse) {
        QCOMPARE(manager->views(), QList<Core::IView *>({a, b}));
        QCOMPARE(manager->currentView(), b);
        QCOMPARE(closed.count(), 0);
        QCOMPARE(activated.count(), 0);
        processDeferredDeletes();
        QVERIFY(guard);
        return;
    }
    QCOMPARE(manager->views(), QList<Core::IView *>({other}));
    QCOMPARE(manager->currentView(), other);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).value<Core::IView *>(), target);
    // Closing the view behind the current one shifts tab indices but not the current view.
    QCOMPARE(activated.count(), closeCurrent ? 1 : 0);
    processDeferredDeletes();
    QVERIFY(!guard);
}

void tst_Host::closeLastViewActivatesNull()
{
    Core::ViewManager *manager = Core::ViewManager::instance();
    auto *a = new TestView(QStringLiteral("a.vep"));
    manager->showView(a);
    QSignalSpy activated(manager, &Core::ViewManager::viewActiveted);
    QVERIFY(manager->closeView(a));
    QCOMPARE(activated.count(), 1);
    QVERIFY(!activated.at(0).at(0).value<Core::IView *>());
    QCOMPARE(a->deactivated, 1);
    QVERIFY(!manager->closeView(nullptr));
}

void tst_Host::closeFromOwnCloseEventReportsOnce()
{
    Core::ViewManager *manager = Core::ViewManager::instance();
    auto *a = new TestView(QStringLiteral("a.vep"));
    a->closeAgainOnClose = true;
    manager->showView(a);
    QSignalSpy closed(manager, &Core::ViewManager::viewClosed);
    QVERIFY(manager->closeView(a));
    QVERIFY(!a->nestedCloseResult);
    QCOMPARE(closed.count(), 1);
    QVERIFY(manager->views().isEmpty());
}

void tst_Host::tabCloseButtonGoesThroughCloseView()
{
    Core::ViewManager *manager = Core::ViewManager::instance();
    QTabWidget *area = manager->viewArea();
    QVERIFY(area->tabsClosable());
    auto *a = new TestView(QStringLiteral("a.vep"));
    auto *b = new TestView(QStringLiteral("b.vep"));
    a->refuseClose = true;
    manager->showView(a);
    manager->showView(b);
    QSignalSpy closed(manager, &Core::ViewManager::viewClosed);

    emit area->tabCloseRequested(area->indexOf(a));
    QCOMPARE(area->count(), 2);
    emit area->tabCloseRequested(area->indexOf(b));
    QCOMPARE(area->count(), 1);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).value<Core::IView *>(), b);
}

// ------------------------------------------------------------- command routing

void tst_Host::commandRouting_data()
{
    QTest::addColumn<QString>("current"); // "" closes every view
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<int>("triggersA");

    QTest::newRow("view in context A") << "a" << true << "&Save A"
                                       << "Save file A" << 1;
    QTest::newRow("view in context B") << "b" << false << "&Save B"
                                       << "Save file B" << 0;
    QTest::newRow("view without context") << "c" << false << "&Save"
                                          << "Save" << 0;
    QTest::newRow("no view") << "" << false << "&Save"
                             << "Save" << 0;
}

void tst_Host::commandRouting()
{
    QFETCH(QString, current);
    QFETCH(bool, enabled);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(int, triggersA);

    const QString id = QStringLiteral("Test.Routing.Save");
    QAction *proxy = Core::ActionManager::command(id);
    QCOMPARE(Core::ActionManager::command(id), proxy);
    proxy->setText(QStringLiteral("&Save"));
    proxy->setToolTip(QStringLiteral("Save"));

    QAction saveA(QStringLiteral("&Save A"), nullptr);
    saveA.setToolTip(QStringLiteral("Save file A"));
    QAction saveB(QStringLiteral("&Save B"), nullptr);
    saveB.setToolTip(QStringLiteral("Save file B"));
    saveB.setEnabled(false);
    Core::Command *command =
        Core::ActionManager::registerAction(&saveA, id, QStringLiteral("Ctx.A"));
    QVERIFY(command);
    QCOMPARE(command->id(), id);
    Core::ActionManager::registerAction(&saveB, id, QStringLiteral("Ctx.B"));
    QSignalSpy triggeredA(&saveA, &QAction::triggered);
    QSignalSpy triggeredB(&saveB, &QAction::triggered);

    Core::ViewManager *manager = Core::ViewManager::instance();
    std::map<QString, TestView *> views;
    for (const char *name : {"a", "b", "c"}) {
        auto *view = new TestView(QLatin1String(name));
        views[QLatin1String(name)] = view;
        manager->showView(view);
    }
    manager->registerContext(views["a"], QStringLiteral("Ctx.A"), true);
    manager->registerContext(views["b"], QStringLiteral("Ctx.B"), true);

    // Pass through A first so that every row also checks what is left of it.
    manager->showView(views["a"]);
    if (current.isEmpty())
        closeAllViews();
    else
        manager->showView(views[current]);

    QCOMPARE(proxy->isEnabled(), enabled);
    QCOMPARE(proxy->text(), text);
    QCOMPARE(proxy->toolTip(), toolTip);
    proxy->trigger();
    QCOMPARE(triggeredA.count(), triggersA);
    QCOMPARE(triggeredB.count(), 0);
}

void tst_Host::commandFollowsActionChanges()
{
    const QString id = QStringLiteral("Test.Changes.Save");
    QAction *proxy = Core::ActionManager::command(id);
    Core::ViewManager *manager = Core::ViewManager::instance();
    auto *a = new TestView(QStringLiteral("a"));
    auto *b = new TestView(QStringLiteral("b"));
    manager->showView(a);
    manager->showView(b);
    // Contexts tied after the view became current take effect at once.
    manager->registerContext(a, QStringLiteral("Ctx.A"), true);
    manager->registerContext(b, QStringLiteral("Ctx.B"), true);

    QAction saveA(QStringLiteral("Save A"), nullptr);
    auto *saveB = new QAction(QStringLiteral("Save B"), nullptr);
    saveB->setEnabled(false);
    Core::ActionManager::registerAction(&saveA, id, QStringLiteral("Ctx.A"));
    Core::ActionManager::registerAction(saveB, id, QStringLiteral("Ctx.B"));
    QCOMPARE(proxy->text(), QStringLiteral("Save B"));
    QVERIFY(!proxy->isEnabled());

    saveB->setEnabled(true);
    QVERIFY(proxy->isEnabled());
    saveB->setText(QStringLiteral("Save B*"));
    saveB->setToolTip(QStringLiteral("Save \"B*\""));
    QCOMPARE(proxy->text(), QStringLiteral("Save B*"));
    QCOMPARE(proxy->toolTip(), QStringLiteral("Save \"B*\""));

    // Changes of an action in another context leave the command alone.
    saveA.setText(QStringLiteral("Save A*"));
    saveA.setEnabled(false);
    QCOMPARE(proxy->text(), QStringLiteral("Save B*"));
    QVERIFY(proxy->isEnabled());

    QSignalSpy triggeredB(saveB, &QAction::triggered);
    proxy->trigger();
    QCOMPARE(triggeredB.count(), 1);

    // A later action in the same context takes over; when it goes, the earlier one is back.
    auto *saveB2 = new QAction(QStringLiteral("Save B2"), nullptr);
    Core::ActionManager::registerAction(saveB2, id, QStringLiteral("Ctx.B"));
    QCOMPARE(proxy->text(), QStringLiteral("Save B2"));
    delete saveB2;
    QCOMPARE(proxy->text(), QStringLiteral("Save B*"));
    delete saveB;
    QVERIFY(!proxy->isEnabled());

    manager->showView(a);
    QCOMPARE(proxy->text(), QStringLiteral("Save A*"));
    QVERIFY(!proxy->isEnabled());
    saveA.setEnabled(true);
    QVERIFY(proxy->isEnabled());
}

// ------------------------------------------------------------- plug-in manager

void tst_Host::pluginPoolAndShutdownOrder()
{
    ExtSys::PluginManager *manager = ExtSys::PluginManager::instance();
    QStringList log;
    QString error;
    auto *first = new TestPlugin(QStringLiteral("first"), &log);
    auto *second = new TestPlugin(QStringLiteral("second"), &log);
    auto *third = new TestPlugin(QStringLiteral("third"), &log);
    QVERIFY(manager->addStaticPlugin(first, &error));
    QVERIFY(manager->addStaticPlugin(second, &error));
    QVERIFY(manager->addStaticPlugin(third, &error));
    QVERIFY(!manager->addStaticPlugin(second, &error)); // never started twice
    QVERIFY(!error.isEmpty());
    QCOMPARE(manager->plugins(), QList<ExtSys::IPlugin *>({first, second, third}));
    QCOMPARE(log, QStringList({"first.initialize", "first.extensionsInitialized",
                               "second.initialize", "second.extensionsInitialized",
                               "third.initialize", "third.extensionsInitialized"}));

    QObject hostOwned;
    manager->addObject(&hostOwned);
    QCOMPARE(manager->getObjects<LoggingObject>().size(), 3);
    QVERIFY(manager->allObjects().contains(&hostOwned));

    // An object deleted by its owner leaves the pool and is not deleted a second time.
    LoggingObject *secondObject = manager->getObjects<LoggingObject>().at(1);
    QCOMPARE(secondObject->name, QStringLiteral("second-object"));
    delete secondObject;
    QCOMPARE(manager->getObjects<LoggingObject>().size(), 2);

    log.clear();
    manager->shutdown();
    QCOMPARE(log,
             QStringList({"third.aboutToShutdown", "second.aboutToShutdown",
                          "first.aboutToShutdown", "third-object deleted", "first-object deleted",
                          "third deleted", "second deleted", "first deleted"}));
    QVERIFY(manager->plugins().isEmpty());
    QCOMPARE(manager->allObjects(), QList<QObject *>({&hostOwned}));
    manager->removeObject(&hostOwned);
    QVERIFY(manager->allObjects().isEmpty());
}

void tst_Host::pluginFailingInitialize()
{
    ExtSys::PluginManager *manager = ExtSys::PluginManager::instance();
    QStringList log;
    QString error;
    TestPlugin plugin(QStringLiteral("broken"), &log, true);
    QVERIFY(!manager->addStaticPlugin(&plugin, &error));
    QVERIFY2(error.contains(QStringLiteral("no licence for broken")), qPrintable(error));
    QCOMPARE(log, QStringList({"broken.initialize"}));
    QVERIFY(manager->plugins().isEmpty());
    manager->shutdown();
    QCOMPARE(log, QStringList({"broken.initialize"}));
}

void tst_Host::loadPluginFailures_data()
{
    QTest::addColumn<QString>("path");

    const QString source = QStringLiteral(VEP_SOURCE_DIR);
    QTest::newRow("missing file") << source + QStringLiteral("/no/such/libplugin.so");
    QTest::newRow("not a library") << source + QStringLiteral("/host/devices.json");
    QTest::newRow("library without plug-in")
        << QStringLiteral(VEP_PLUGIN_DIR) + QStringLiteral("/../lib/libvephost.so");
}

void tst_Host::loadPluginFailures()
{
    QFETCH(QString, path);
    ExtSys::PluginManager *manager = ExtSys::PluginManager::instance();
    QString error;
    QVERIFY(!manager->loadPlugin(path, &error));
    QVERIFY(error.contains(path));
    QVERIFY(manager->plugins().isEmpty());
}

void tst_Host::loadPluginLibrary()
{
    const QString path = QStringLiteral(VEP_PLUGIN_DIR) + QStringLiteral("/libZELSettingPlugin.so");
    if (!QFileInfo::exists(path))
        QSKIP("the plug-in library is not built");
    ExtSys::PluginManager *manager = ExtSys::PluginManager::instance();
    QString error = QStringLiteral("stale");
    ExtSys::IPlugin *plugin = manager->loadPlugin(path, &error);
    QVERIFY2(plugin, qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(manager->plugins(), QList<ExtSys::IPlugin *>({plugin}));
    const QList<Core::IWizardFactory *> wizards = manager->getObjects<Core::IWizardFactory>();
    QCOMPARE(wizards.size(), 1);

    // The same library again hands back the running plug-in without starting it twice.
    QCOMPARE(manager->loadPlugin(path, &error), plugin);
    QCOMPARE(manager->plugins().size(), 1);
    QCOMPARE(manager->getObjects<Core::IWizardFactory>().size(), 1);

    QPointer<QObject> wizard(wizards.first());
    QPointer<QObject> root(plugin);
    manager->shutdown();
    QVERIFY(!wizard);
    QVERIFY(!root);
    QVERIFY(manager->plugins().isEmpty());
    QVERIFY(manager->allObjects().isEmpty());
}

// --------------------------------------------------------- devices and voltages

void tst_Host::lockedModelsPresent()
{
    const DEV::DeviceDatabase *database = DEV::DeviceDatabase::instance();
    const QStringList devices = database->devices();
    for (const char *model : {"PX-A", "PX-B", "PX-C", "PX-D", "PX-E", "PX-F"}) {
        QVERIFY2(devices.contains(QLatin1String(model)), model);
        const DEV::ChipInfo chip = database->chipInfo(QLatin1String(model));
        QCOMPARE(chip.device, QLatin1String(model));
        for (const QString &field :
             {chip.partNumber, chip.family, chip.voltage, chip.package, chip.speed, chip.grade,
              chip.ioCount, chip.lutCount, chip.version})
            QVERIFY2(!field.isEmpty(), model);
    }
    QCOMPARE(QSet<QString>(devices.cbegin(), devices.cend()).size(), devices.size());
    QVERIFY(!database->contains(QStringLiteral("px-a")));
    QVERIFY(database->chipInfo(QStringLiteral("nothing")).device.isEmpty());
}

void tst_Host::deviceVoltageTables_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("hasVcc");
    QTest::addColumn<bool>("hasVccldo");
    QTest::addColumn<bool>("vccVccx");
    QTest::addColumn<bool>("vccVccldo");
    QTest::addColumn<bool>("vccxVccldo");

    QTest::newRow("locked, no ties") << "PX-A" << true << true << false << false << false;
    QTest::newRow("locked, VCCX-VCCLDO") << "PX-E" << true << true << false << false << true;
    QTest::newRow("VCC-VCCX") << "QL-1" << true << true << true << false << false;
    QTest::newRow("VCC-VCCLDO") << "QL-2" << true << true << false << true << false;
    QTest::newRow("VCC-VCCX and VCCX-VCCLDO") << "RM-3" << true << true << true << false << true;
    QTest::newRow("no VCCLDO rail") << "SN-4" << true << false << false << false << false;
    QTest::newRow("plain") << "TV-5" << true << true << false << false << false;
    QTest::newRow("no voltage information") << "UX-6" << false << false << false << false << false;
}

void tst_Host::deviceVoltageTables()
{
    QFETCH(QString, device);
    QFETCH(bool, hasVcc);
    QFETCH(bool, hasVccldo);
    QFETCH(bool, vccVccx);
    QFETCH(bool, vccVccldo);
    QFETCH(bool, vccxVccldo);

    // The way a page finds its table: through the project's chip information.
    TE::ProInfoManager::instance()->setChipInfo(DEV::DeviceDatabase::instance()->chipInfo(device));
    const DEV::ChipInfo chip = TE::ProInfoManager::instance()->chipInfo();
    QCOMPARE(chip.device, device);
    const ZOR::Voltage voltage(chip.voltage, chip.family);

    QCOMPARE(!voltage.getVCCDefaultValue().isEmpty(), hasVcc);
    QCOMPARE(!voltage.getVCCLDODefaultValue().isEmpty(), hasVccldo);
    QCOMPARE(voltage.isVCCVCCXShortCircuit(), vccVccx);
    QCOMPARE(voltage.isVCCVCCLDOShortCircuit(), vccVccldo);
    QCOMPARE(voltage.isVCCXVCCLDOShortCircuit(), vccxVccldo);

    auto checkRail = [](const QString &def, const QString &min, const QString &max) {
        bool okDef = false, okMin = false, okMax = false;
        const double d = def.toDouble(&okDef);
        const double lo = min.toDouble(&okMin);
        const double hi = max.toDouble(&okMax);
        QVERIFY(okDef && okMin && okMax);
        QVERIFY(lo <= d && d <= hi);
    };
    if (hasVcc) {
        checkRail(voltage.getVCCDefaultValue(), voltage.getVCCMin(), voltage.getVCCMax());
        checkRail(voltage.getVCCXDefaultValue(), voltage.getVCCXMin(), voltage.getVCCXMax());
    }
    if (hasVccldo)
        checkRail(voltage.getVCCLDODefaultValue(), voltage.getVCCLDOMin(), voltage.getVCCLDOMax());
    // Tied rails carry one voltage, so their tables must agree.
    if (vccVccx)
        QCOMPARE(voltage.getVCCXDefaultValue(), voltage.getVCCDefaultValue());
    if (vccVccldo)
        QCOMPARE(voltage.getVCCLDODefaultValue(), voltage.getVCCDefaultValue());
    if (vccxVccldo)
        QCOMPARE(voltage.getVCCLDODefaultValue(), voltage.getVCCXDefaultValue());
    TE::ProInfoManager::instance()->setChipInfo(DEV::ChipInfo());
}

void tst_Host::voltageRegistry()
{
    const QString voltage = QStringLiteral("5V");
    const QString family = QStringLiteral("Nowhere");
    const ZOR::Voltage unknown(voltage, family);
    QVERIFY(unknown.getVCCDefaultValue().isEmpty());
    QVERIFY(unknown.getVCCXMax().isEmpty());
    QVERIFY(!unknown.isVCCVCCXShortCircuit());

    ZOR::VoltageTable table;
    table.vccDefault = QStringLiteral("0.8");
    table.vccMin = QStringLiteral("0.75");
    table.vccxMax = QStringLiteral("1.9");
    table.vccldoMin = QStringLiteral("1.7");
    table.vccVccldoTied = true;
    ZOR::Voltage::registerTable(voltage, family, table);
    const ZOR::Voltage known(voltage, family);
    QCOMPARE(known.getVCCDefaultValue(), QStringLiteral("0.8"));
    QCOMPARE(known.getVCCMin(), QStringLiteral("0.75"));
    QCOMPARE(known.getVCCXMax(), QStringLiteral("1.9"));
    QCOMPARE(known.getVCCLDOMin(), QStringLiteral("1.7"));
    QVERIFY(known.getVCCMax().isEmpty());
    QVERIFY(known.isVCCVCCLDOShortCircuit());
    QVERIFY(!known.isVCCXVCCLDOShortCircuit());
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

void tst_Host::smallServices()
{
    TE::FlowManager *flow = TE::TaskEngine::instance()->flowManager();
    QVERIFY(flow->resultFile(QStringLiteral("RES.netlist")).isEmpty());
    flow->setResultFile(QStringLiteral("RES.netlist"), QStringLiteral("/p/top.json"));
    QCOMPARE(TE::TaskEngine::instance()->flowManager()->resultFile(QStringLiteral("RES.netlist")),
             QStringLiteral("/p/top.json"));
    flow->setResultFile(QStringLiteral("RES.netlist"), QString());
    QVERIFY(flow->resultFile(QStringLiteral("RES.netlist")).isEmpty());

    auto *project = new TestProject;
    Core::ProjectManager::setCurrentProject(project);
    QCOMPARE(Core::ProjectManager::currentProject(), project);
    delete project;
    QVERIFY(!Core::ProjectManager::currentProject());

    TestWizard wizard;
    QVERIFY(!wizard.icon().isNull());

    const QPixmap warning(QStringLiteral(":/fpgaprj/image/warning.png"));
    QCOMPARE(warning.size(), QSize(16, 16));
}

void tst_Host::openFileDialog()
{
    const QString dir = QStringLiteral(VEP_SOURCE_DIR) + QStringLiteral("/host");
    const QString expected = QDir(dir).absoluteFilePath(QStringLiteral("devices.json"));

    TestSupport::ModalSeen seen;
    ModalHelper::acceptNextDialog(
        [](QDialog *dialog) {
            auto *fileDialog = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(fileDialog);
            QVERIFY(fileDialog->testOption(QFileDialog::DontUseNativeDialog));
            fileDialog->selectFile(QStringLiteral("devices.json"));
        },
        &seen);
    QString filter;
    const QString chosen = Utils::FileUtils::getOpenFileName(
        nullptr, QStringLiteral("Open"), dir, QStringLiteral("JSON (*.json);;All (*)"), &filter);
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, QStringLiteral("Open"));
    QCOMPARE(chosen, expected);
    QCOMPARE(filter, QStringLiteral("JSON (*.json)"));

    ModalHelper::rejectNextDialog();
    QVERIFY(Utils::FileUtils::getOpenFileName(nullptr, QStringLiteral("Open"), dir, QString())
                .isEmpty());
}

QTEST_MAIN(tst_Host)
#include "tst_host.moc"
