#include "actions/BeepLoop.h"
#include "platform/fake/FakePlatform.h"

#include <QTest>
#include <QTimer>

using namespace zelkor;

class TestBeepLoop : public QObject
{
    Q_OBJECT
private slots:
    void burstSteps_data();
    void burstSteps();
    void burstLastsAboutSevenEighthsOfASecond();
    void burstsFollowEachOtherUntilStopped();
    void stopFlagIsOnlyLookedAtWhenABurstEnds();
    void stopNowCutsTheSound();
    void startWhileRunningStartsOver();
    void burstTimerDrivesTheNextBurst();
};

void TestBeepLoop::burstSteps_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("ms");
    QTest::newRow("1st beep") << 0 << 2350 << 100;
    QTest::newRow("1st gap") << 1 << 0 << 75;
    QTest::newRow("2nd beep") << 2 << 2350 << 100;
    QTest::newRow("2nd gap") << 3 << 0 << 75;
    QTest::newRow("3rd beep") << 4 << 2350 << 100;
    QTest::newRow("3rd gap") << 5 << 0 << 75;
    QTest::newRow("4th beep") << 6 << 2350 << 100;
    QTest::newRow("rest") << 7 << 0 << 250;
}

void TestBeepLoop::burstSteps()
{
    QFETCH(int, index);
    QFETCH(int, hz);
    QFETCH(int, ms);
    const QList<ToneStep> burst = remindBurst();
    QCOMPARE(burst.size(), 8);
    QCOMPARE(burst.at(index).frequencyHz, hz);
    QCOMPARE(burst.at(index).durationMs, ms);
    QCOMPARE(burst.at(index).isPause(), hz == 0);
}

void TestBeepLoop::burstLastsAboutSevenEighthsOfASecond()
{
    QCOMPARE(stepsDurationMs(remindBurst()), 4 * 100 + 3 * 75 + 250);
    QCOMPARE(stepsDurationMs({}), 0);
}

void TestBeepLoop::burstsFollowEachOtherUntilStopped()
{
    FakePlatform platform;
    bool stop = false;
    BeepLoop loop(platform, [&] { return stop; });
    QVERIFY(!loop.isRunning());
    loop.start();
    QVERIFY(loop.isRunning());
    QCOMPARE(platform.toneRuns.size(), 1);
    QCOMPARE(platform.toneRuns.first(), remindBurst());
    QCOMPARE(loop.burstTimer()->interval(), 875);
    QVERIFY(loop.burstTimer()->isSingleShot());

    loop.burstEnded();
    loop.burstEnded();
    QCOMPARE(platform.toneRuns.size(), 3);
    QVERIFY(loop.isRunning());

    stop = true;
    loop.burstEnded();
    QCOMPARE(platform.toneRuns.size(), 3);
    QVERIFY(!loop.isRunning());
    QCOMPARE(platform.toneStops, 0); // each burst was heard to its end
}

void TestBeepLoop::stopFlagIsOnlyLookedAtWhenABurstEnds()
{
    FakePlatform platform;
    bool stop = false;
    BeepLoop loop(platform, [&] { return stop; });
    loop.start();
    stop = true; // e.g. OK during the first beep
    QVERIFY(loop.isRunning());
    QCOMPARE(platform.toneStops, 0);
    loop.burstEnded();
    QVERIFY(!loop.isRunning());
    QCOMPARE(platform.toneRuns.size(), 1);
    // Stopping what has ended already touches the sound no more.
    loop.stopNow();
    QCOMPARE(platform.toneStops, 0);
}

void TestBeepLoop::stopNowCutsTheSound()
{
    FakePlatform platform;
    BeepLoop loop(platform, [] { return false; });
    loop.start();
    loop.stopNow();
    QVERIFY(!loop.isRunning());
    QCOMPARE(platform.toneStops, 1);
    loop.stopNow();
    QCOMPARE(platform.toneStops, 1);
    {
        BeepLoop dying(platform, [] { return false; });
        dying.start();
    }
    QCOMPARE(platform.toneStops, 2); // never outlives its owner
}

void TestBeepLoop::startWhileRunningStartsOver()
{
    FakePlatform platform;
    BeepLoop loop(platform, [] { return false; });
    loop.start();
    loop.start();
    QCOMPARE(platform.toneStops, 1);
    QCOMPARE(platform.toneRuns.size(), 2);
    QVERIFY(loop.isRunning());
}

void TestBeepLoop::burstTimerDrivesTheNextBurst()
{
    FakePlatform platform;
    BeepLoop loop(platform, [] { return false; });
    loop.start();
    QTRY_COMPARE_WITH_TIMEOUT(platform.toneRuns.size(), 2, 3000);
    QVERIFY(loop.isRunning());
}

QTEST_GUILESS_MAIN(TestBeepLoop)
#include "tst_beeploop.moc"
