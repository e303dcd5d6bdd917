#include "actions/ActionExecutor.h"
#include "platform/fake/FakePlatform.h"
#include "shell/SuspendFilter.h"

#include <QTest>

using namespace zelkor;

namespace {
// The fake platform, also noting whether the inhibitor was still held at the
// moment hibernation was requested, and answering each request as told.
class RecordingPlatform final : public FakePlatform {
public:
    QList<bool> heldAtHibernation;
    int inhibitorCalls = 0;
    Outcome hibernationAnswer = Outcome::success();

    Outcome hibernate() override
    {
        heldAtHibernation << inhibitorHeld;
        FakePlatform::hibernate();
        return hibernationAnswer;
    }
    Outcome holdSuspendInhibitor(bool hold) override
    {
        ++inhibitorCalls;
        return FakePlatform::holdSuspendInhibitor(hold);
    }
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
        QTest::newRow("own hibernation under way") << true << true << false;
        QTest::newRow("own hibernation under way, switch off") << true << false << false;
    }
    void rule()
    {
        QFETCH(bool, selfSuspend);
        QFETCH(bool, wakeOn);
        QFETCH(bool, hold);
        QCOMPARE(SuspendFilter::shouldHold(selfSuspend, wakeOn), hold);

        RecordingPlatform platform;
        AppState state;
        state.selfSuspend = selfSuspend;
        SuspendFilter filter(platform, state);
        QVERIFY(!platform.inhibitorHeld); // nothing before start-up
        filter.install(wakeOn);
        QCOMPARE(platform.inhibitorHeld, hold);
        QCOMPARE(filter.holding(), hold);
    }

    // Released for each of the program's own hibernations, whether it
    // happens or fails, and taken again once the request has been answered.
    void releasedForOwnHibernationOnly_data()
    {
        QTest::addColumn<bool>("hibernated");
        QTest::newRow("back from hibernation") << true;
        QTest::newRow("hibernation refused") << false;
    }
    void releasedForOwnHibernationOnly()
    {
        QFETCH(bool, hibernated);
        RecordingPlatform platform;
        if (!hibernated)
            platform.hibernationAnswer = Outcome::failure(QStringLiteral("refused"));
        AppState state;
        ActionExecutor actions(platform, state);
        SuspendFilter filter(platform, state);
        QObject::connect(&actions, &ActionExecutor::ownHibernation, [&filter] { filter.followOwnHibernation(); });
        filter.install(true);
        QVERIFY(platform.inhibitorHeld);

        // A stand-by through its helper is not the program's own hibernation.
        actions.performAction(4, false);
        QVERIFY(platform.inhibitorHeld);

        actions.performAction(5, false);
        QCOMPARE(platform.heldAtHibernation, QList<bool>{false});
        QVERIFY(!state.selfSuspend);
        QVERIFY(platform.inhibitorHeld);

        // Unchecked, nothing is taken back after the next one.
        filter.setWakeOn(false);
        actions.performAction(5, false);
        QCOMPARE(platform.heldAtHibernation, (QList<bool>{false, false}));
        QVERIFY(!platform.inhibitorHeld);
        QCOMPARE(platform.inhibitorCalls, 4); // hold, release, hold, release
    }

    void switchAndExit()
    {
        RecordingPlatform platform;
        AppState state;
        SuspendFilter filter(platform, state);
        filter.install(true);
        filter.setWakeOn(false);
        QVERIFY(!platform.inhibitorHeld);
        filter.setWakeOn(true);
        QVERIFY(platform.inhibitorHeld);
        filter.remove();
        QVERIFY(!platform.inhibitorHeld);
        filter.setWakeOn(true);
        QVERIFY(!platform.inhibitorHeld); // after Exit nothing is taken again
    }
};

QTEST_GUILESS_MAIN(TestSuspendFilter)
#include "tst_suspendfilter.moc"
