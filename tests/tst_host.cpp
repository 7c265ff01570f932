#include "host/core.h"
#include "host/extsys.h"
#include "host/qutil.h"
#include "tests/support/ModalHelper.h"

#include <QtTest>
#include <QtWidgets>

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
    void commandRouting();
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
    QTest::newRow("unsubscribes a later one")        << "A-B"         << "AC/AC";
    QTest::newRow("deletes a later one")             << "AxB"         << "AC/AC";
    QTest::newRow("subscribes a new one")            << "A+D"         << "ABC/ABCD";
    QTest::newRow("later one leaves and comes back") << "A~B"         << "AC/ACB";
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
    worker->start(); // the publisher waits for the delivery, so the GUI thread must run
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

    // The tab's close button asks the view, like closeView; closing the view left of the
    // current one shifts the tabs but not the current view.
    v[0]->refuseClose = true;
    emit area->tabCloseRequested(0);
    QCOMPARE(area->count(), 2);
    v[0]->refuseClose = false;
    emit area->tabCloseRequested(0);
    QCOMPARE(area->count(), 1);
    QCOMPARE(viewArg(closed, 0), v[0]);
    QCOMPARE(activated.count(), 4);

    // A view closing itself again from its close event is closed and reported once; the
    // last view gone leaves no current view.
    v[1]->closeAgainOnClose = true;
    QVERIFY(views()->closeView(v[1]));
    QVERIFY(!v[1]->nestedCloseResult);
    QCOMPARE(closed.count(), 2);
    QVERIFY(!viewArg(activated, activated.count() - 1));
    QCOMPARE(qMakePair(v[1]->activated, v[1]->deactivated), qMakePair(2, 2));
    QVERIFY(!views()->closeView(nullptr));
}

void tst_Host::commandRouting()
{
    const QString id = QStringLiteral("Test.Save");
    QAction *proxy = Core::ActionManager::command(id);
    proxy->setText(QStringLiteral("&Save"));
    const QList<TestView *> v = showViews({"a", "b", "c"});
    views()->registerContext(v[0], QStringLiteral("Ctx.A"), true);
    views()->registerContext(v[1], QStringLiteral("Ctx.B"), true);
    QAction saveA(QStringLiteral("Save A"));
    auto *saveB = new QAction(QStringLiteral("Save B"));
    Core::ActionManager::registerAction(&saveA, id, QStringLiteral("Ctx.A"));
    Core::ActionManager::registerAction(saveB, id, QStringLiteral("Ctx.B"));
    QSignalSpy triggeredA(&saveA, &QAction::triggered);
    QSignalSpy triggeredB(saveB, &QAction::triggered);
    views()->showView(v[1]);
    QCOMPARE(proxy->text(), QStringLiteral("Save B"));
    // A change of the action of another context leaves the command alone.
    saveA.setEnabled(false);
    QVERIFY(proxy->isEnabled());
    proxy->trigger();
    QCOMPARE(qMakePair(triggeredA.count(), triggeredB.count()), qMakePair(0, 1));
    saveB->setEnabled(false);
    QVERIFY(!proxy->isEnabled());
    delete saveB;
    views()->showView(v[0]);
    saveA.setEnabled(true);
    proxy->trigger();
    QCOMPARE(triggeredA.count(), 1);
    // A view without a context leaves the command its own, disabled.
    views()->showView(v[2]);
    QCOMPARE(proxy->text(), QStringLiteral("&Save"));
    QVERIFY(!proxy->isEnabled());
    proxy->trigger();
    QCOMPARE(triggeredA.count(), 1);
}

QTEST_MAIN(tst_Host)
#include "tst_host.moc"
