#include "actions/ActionExecutor.h"
#include "platform/fake/FakePlatform.h"
#include "shell/SuspendFilter.h"

#include <QTest>

using namespace zelkor;

namespace {
// The fake platform, also noting whether the inhibitor was still held at the
// moment hibernation was requested.
class RecordingPlatform final : public Platform {
public:
    FakePlatform fake;
    QList<bool> heldAtHibernation;
    int inhibitorCalls = 0;

    QDateTime now() const override { return fake.now(); }
    quint32 tickCount() const override { return fake.tickCount(); }
    QRect screenGeometry() const override { return fake.screenGeometry(); }
    Outcome startDetached(const QString& p) override { return fake.startDetached(p); }
    Outcome shellOpen(const QString& t) override { return fake.shellOpen(t); }
    Outcome hibernate() override
    {
        heldAtHibernation << fake.inhibitorHeld;
        return fake.hibernate();
    }
    void beep(int hz, int ms) override { fake.beep(hz, ms); }
    Outcome holdSuspendInhibitor(bool hold) override
    {
        ++inhibitorCalls;
        return fake.holdSuspendInhibitor(hold);
    }
    std::optional<quint32> lastInputTick() override { return fake.lastInputTick(); }
    QString idleUnavailableReason() const override { return fake.idleUnavailableReason(); }
    bool claimSingleInstance() override { return fake.claimSingleInstance(); }
};
} // namespace

class TestSuspendFilter : public QObject {
    Q_OBJECT
private slots:
    void rule_data()
    {
        QTest::addColumn<bool>("selfSuspend");
        QTest::addColumn<bool>("wakeOn");
        QTest::addColumn<bool>("hold");
        QTest::newRow("running, switch on") << false << true << true;
        QTest::newRow("running, switch off") << false << false << false;
        QTest::newRow("after own hibernation") << true << true << false;
        QTest::newRow("after own hibernation, switch off") << true << false << false;
    }
    void rule()
    {
        QFETCH(bool, selfSuspend);
        QFETCH(bool, wakeOn);
        QFETCH(bool, hold);
        QCOMPARE(SuspendFilter::shouldHold(selfSuspend, wakeOn), hold);

        RecordingPlatform platform;
        AppState state;
        state.SelfSuspend = selfSuspend;
        SuspendFilter filter(platform, state);
        QVERIFY(!platform.fake.inhibitorHeld); // nothing before start-up
        filter.install(wakeOn);
        QCOMPARE(platform.fake.inhibitorHeld, hold);
        QCOMPARE(filter.holding(), hold);
    }

    void heldWhileRunningReleasedBeforeOwnHibernationNeverRetaken()
    {
        RecordingPlatform platform;
        AppState state;
        ActionExecutor actions(platform, state);
        SuspendFilter filter(platform, state);
        QObject::connect(&actions, &ActionExecutor::aboutToHibernate, [&filter] { filter.beforeOwnHibernation(); });
        filter.install(true);
        QVERIFY(platform.fake.inhibitorHeld);

        // A stand-by through its helper is not the program's own hibernation.
        actions.PerformAction(4, false);
        QVERIFY(platform.fake.inhibitorHeld);

        actions.PerformAction(5, false);
        QCOMPARE(platform.fake.hibernations, 1);
        QCOMPARE(platform.heldAtHibernation, QList<bool>{false});
        QVERIFY(state.SelfSuspend);
        QVERIFY(!platform.fake.inhibitorHeld);

        filter.setWakeOn(false);
        filter.setWakeOn(true);
        actions.PerformAction(5, false);
        QCOMPARE(platform.heldAtHibernation, (QList<bool>{false, false}));
        QVERIFY(!platform.fake.inhibitorHeld);
        QCOMPARE(platform.inhibitorCalls, 2); // one hold, one release
    }

    void switchAndExit()
    {
        RecordingPlatform platform;
        AppState state;
        SuspendFilter filter(platform, state);
        filter.install(true);
        filter.setWakeOn(false);
        QVERIFY(!platform.fake.inhibitorHeld);
        filter.setWakeOn(true);
        QVERIFY(platform.fake.inhibitorHeld);
        filter.remove();
        QVERIFY(!platform.fake.inhibitorHeld);
        filter.setWakeOn(true);
        QVERIFY(!platform.fake.inhibitorHeld); // after Exit nothing is taken again
    }
};

QTEST_GUILESS_MAIN(TestSuspendFilter)
#include "tst_suspendfilter.moc"
