#include "countdown/WakeWaits.h"
#include "platform/fake/FakeWakeTimer.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

using namespace zelkor;

// The rules of the wake waits, with a timer that fires when the test says.
class TestWakeWaits : public QObject
{
    Q_OBJECT
private:
    template <typename F> static void soon(int ms, F f) { QTimer::singleShot(ms, f); }

private slots:
    void firedWaitDisarmsTheTimer()
    {
        FakeWakeTimer timer;
        AppState state;
        WakeWaits waits(timer, state);
        QTimer nudge;
        nudge.setInterval(2);
        int nudges = 0;
        connect(&nudge, &QTimer::timeout, [&] {
            ++nudges;
            nudge.stop();
        });
        waits.setNudge(&nudge);
        int ticksInside = 0;
        QTimer other; // the rest of the program keeps running meanwhile
        connect(&other, &QTimer::timeout, [&] { ++ticksInside; });
        other.start(1);
        soon(30, [&] {
            QVERIFY(timer.isArmed());
            QCOMPARE(waits.pendingWaits(), 1);
            timer.fire();
        });
        QCOMPARE(waits.waitForWake(600), WaitEnd::Fired);
        QCOMPARE(timer.armed, QList<qint64>{600});
        QVERIFY(ticksInside > 0);
        QCOMPARE(nudges, 1);
        QCOMPARE(waits.pendingWaits(), 0);
        QVERIFY(!timer.isArmed());
        QCOMPARE(timer.disarms, 1);
    }

    void nestedWaitsEndInnerFirstOnTheNewTime()
    {
        FakeWakeTimer timer;
        AppState state;
        WakeWaits waits(timer, state);
        QStringList order;
        soon(10, [&] {
            soon(10, [&] {
                QCOMPARE(waits.pendingWaits(), 2);
                timer.fire();
            });
            order << QStringLiteral("inner starts");
            QCOMPARE(waits.waitForWake(5), WaitEnd::Fired);
            order << QStringLiteral("inner ends");
            QCOMPARE(timer.disarms, 0); // the outer wait still needs it
        });
        QCOMPARE(waits.waitForWakeOrCancel(600), WaitEnd::Fired);
        order << QStringLiteral("outer ends");
        QCOMPARE(order, QStringList({"inner starts", "inner ends", "outer ends"}));
        QCOMPARE(timer.armed, QList<qint64>({600, 5}));
        QCOMPARE(timer.disarms, 1);
    }

    void outerWaitsForAnInnerWaitThatRearms()
    {
        // The inner wait re-arms after the firing, as a power-on cycle that
        // starts over does: the outer wait then waits for the new time.
        FakeWakeTimer timer;
        AppState state;
        WakeWaits waits(timer, state);
        int innerEnds = 0;
        soon(5, [&] {
            soon(5, [&] { timer.fire(); });
            for (int i = 0; i < 2; ++i) {
                if (i == 1)
                    soon(5, [&] { timer.fire(); });
                QCOMPARE(waits.waitForWakeOrCancel(60 + i), WaitEnd::Fired);
                ++innerEnds;
            }
        });
        QCOMPARE(waits.waitForWake(600), WaitEnd::Fired);
        QCOMPARE(innerEnds, 2);
        QCOMPARE(timer.armed, QList<qint64>({600, 60, 61}));
    }

    void cancelEndsOnlyTheCancellableWait()
    {
        FakeWakeTimer timer;
        AppState state;
        WakeWaits waits(timer, state);
        soon(10, [&] { state.cancelWakeWait = true; });
        QCOMPARE(waits.waitForWakeOrCancel(600), WaitEnd::Cancelled);
        QVERIFY(!timer.isArmed());

        soon(10, [&] { soon(20, [&] { timer.fire(); }); });
        QCOMPARE(waits.waitForWake(600), WaitEnd::Fired); // the flag is still set
    }

    void cancelSeenWithTheFiringWins()
    {
        FakeWakeTimer timer;
        AppState state;
        WakeWaits waits(timer, state);
        soon(10, [&] {
            timer.fire();
            state.cancelWakeWait = true;
        });
        QCOMPARE(waits.waitForWakeOrCancel(600), WaitEnd::Cancelled);
    }

    void enteredCancelledArmsAndReturnsAtOnce()
    {
        FakeWakeTimer timer;
        AppState state;
        state.cancelWakeWait = true;
        WakeWaits waits(timer, state);
        bool ranInside = false;
        soon(0, [&] { ranInside = true; });
        QCOMPARE(waits.waitForWakeOrCancel(60), WaitEnd::Cancelled);
        QVERIFY(!ranInside); // no loop ran
        QCOMPARE(timer.armed, QList<qint64>{60});
        QCOMPARE(timer.disarms, 1);
        QCoreApplication::processEvents();
    }

    void timerThatCannotBeArmedReturns()
    {
        FakeWakeTimer timer;
        AppState state;
        WakeWaits waits(timer, state);
        timer.setArmError(
            QStringLiteral("No wake-up timer could be created (Too many open files)."));
        QCOMPARE(waits.waitForWake(600), WaitEnd::Failed);
        QCOMPARE(waits.lastError(),
                 QStringLiteral("No wake-up timer could be created (Too many open files)."));
        QCOMPARE(waits.pendingWaits(), 0);
    }

    void timerBreakingDuringTheWaitReturns()
    {
        FakeWakeTimer timer;
        AppState state;
        WakeWaits waits(timer, state);
        soon(10, [&] { timer.breakDown(QStringLiteral("The wake-up timer stopped working.")); });
        QCOMPARE(waits.waitForWakeOrCancel(600), WaitEnd::Failed);
        QCOMPARE(waits.lastError(), QStringLiteral("The wake-up timer stopped working."));
    }

    // Last: after the application quits no event loop runs again here.
    void quittingEndsEveryWait()
    {
        FakeWakeTimer timer;
        AppState state;
        WakeWaits waits(timer, state);
        WaitEnd inner = WaitEnd::Fired;
        soon(10, [&] {
            soon(10, [] { QCoreApplication::exit(0); });
            inner = waits.waitForWake(5);
        });
        QCOMPARE(waits.waitForWakeOrCancel(600), WaitEnd::Interrupted);
        QCOMPARE(inner, WaitEnd::Interrupted);
        QVERIFY(!timer.isArmed());
    }
};

QTEST_GUILESS_MAIN(TestWakeWaits)
#include "tst_wakewaits.moc"
