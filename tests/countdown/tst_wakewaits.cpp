#include "countdown/WakeWaits.h"
#include "platform/fake/FakePlatform.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

using namespace zelkor;

namespace
{
// The fake clock and its wake timer: the test moves the clock to the armed
// moment and fires, as the time passing would.
struct Rig {
    FakePlatform platform;
    AppState state;
    WakeWaits waits{platform, state};
    QDateTime armedFor; // the moment of the last arming
    QStringList ends;   // "seconds from the start: what ended how"
    QDateTime start = platform.now();

    Rig()
    {
        platform.wake.onArm = [this](qint64 seconds) { armedFor = platform.now().addSecs(seconds); };
    }
    // The armed moment comes.
    void passToTheArming()
    {
        platform.setNow(armedFor);
        platform.wake.fire();
    }
    void note(const QString& what, WaitEnd end)
    {
        ends << QStringLiteral("%1: %2 %3")
                    .arg(start.secsTo(platform.now()))
                    .arg(what)
                    .arg(int(end));
    }
    WakeWaits::Done noting(const QString& what)
    {
        return [this, what](quint64, WaitEnd end) { note(what, end); };
    }
};

template <typename F> void soon(int ms, F f) { QTimer::singleShot(ms, f); }
} // namespace

// The rules of the wake waits, with a timer that fires when the test says.
class TestWakeWaits : public QObject
{
    Q_OBJECT
private slots:
    void firedWaitDisarmsTheTimer()
    {
        Rig rig;
        QTimer nudge;
        nudge.setInterval(2);
        int nudges = 0;
        connect(&nudge, &QTimer::timeout, [&] {
            ++nudges;
            nudge.stop();
        });
        rig.waits.setNudge(&nudge);
        int ticksInside = 0;
        QTimer other; // the rest of the program keeps running meanwhile
        connect(&other, &QTimer::timeout, [&] { ++ticksInside; });
        other.start(1);
        soon(30, [&] {
            QVERIFY(rig.platform.wake.isArmed());
            QCOMPARE(rig.waits.pendingWaits(), 1);
            rig.passToTheArming();
        });
        QCOMPARE(rig.waits.waitForWakeOrCancel(600), WaitEnd::Fired);
        QCOMPARE(rig.platform.wake.armed, QList<qint64>{600});
        QVERIFY(ticksInside > 0);
        QCOMPARE(nudges, 1);
        QCOMPARE(rig.waits.pendingWaits(), 0);
        QVERIFY(!rig.platform.wake.isArmed());
        QCOMPARE(rig.platform.wake.disarms, 1);
    }

    // A wait started while another waits keeps its own moment: the timer is
    // armed for the earliest, and each ends at its own time, whichever
    // started first and whichever kind it is.
    void waitsEndAtTheirOwnMoments_data()
    {
        QTest::addColumn<qint64>("loopSeconds");  // the wait with a nested loop
        QTest::addColumn<qint64>("laterSeconds"); // started inside it, with a callback
        QTest::addColumn<QStringList>("ends");
        QTest::addColumn<QList<qint64>>("armed");
        QTest::newRow("the later one is earlier")
            << qint64(600) << qint64(300) << QStringList{"300: later 1", "600: loop 1"}
            << QList<qint64>{600, 300, 300};
        QTest::newRow("the later one is later")
            << qint64(300) << qint64(600) << QStringList{"300: loop 1", "600: later 1"}
            << QList<qint64>{300, 300};
        QTest::newRow("both at once") << qint64(300) << qint64(300)
                                      << QStringList{"300: later 1", "300: loop 1"}
                                      << QList<qint64>{300};
    }
    void waitsEndAtTheirOwnMoments()
    {
        QFETCH(qint64, loopSeconds);
        QFETCH(qint64, laterSeconds);
        QFETCH(QStringList, ends);
        QFETCH(QList<qint64>, armed);
        Rig rig;
        QTimer time; // passes to each arming in turn
        connect(&time, &QTimer::timeout, [&] {
            if (rig.platform.wake.isArmed() && !rig.platform.wake.signalled())
                rig.passToTheArming();
        });
        soon(5, [&] {
            QVERIFY(rig.waits.startWait(laterSeconds, rig.noting(QStringLiteral("later"))) > 0);
            time.start(5);
        });
        rig.note(QStringLiteral("loop"), rig.waits.waitForWakeOrCancel(loopSeconds));
        QTRY_COMPARE(rig.ends.size(), 2);
        rig.ends.sort(); // the two of one moment end in either order
        QCOMPARE(rig.ends, ends);
        QCOMPARE(rig.platform.wake.armed, armed);
        QVERIFY(!rig.platform.wake.isArmed());
    }

    // A cancelled wait never ends on its own; the others keep their moments.
    void cancelledWaitLeavesTheOthers_data()
    {
        QTest::addColumn<bool>("cancelEarlier");
        QTest::addColumn<QStringList>("ends");
        QTest::addColumn<QList<qint64>>("armed");
        QTest::newRow("the earlier one") << true << QStringList{"600: later 1"}
                                         << QList<qint64>{300, 600};
        QTest::newRow("the later one") << false << QStringList{"300: earlier 1"}
                                       << QList<qint64>{300};
    }
    void cancelledWaitLeavesTheOthers()
    {
        QFETCH(bool, cancelEarlier);
        QFETCH(QStringList, ends);
        QFETCH(QList<qint64>, armed);
        Rig rig;
        const quint64 earlier = rig.waits.startWait(300, rig.noting(QStringLiteral("earlier")));
        const quint64 later = rig.waits.startWait(600, rig.noting(QStringLiteral("later")));
        rig.waits.cancelWait(cancelEarlier ? earlier : later);
        rig.passToTheArming();
        QTRY_COMPARE(rig.ends, ends);
        QCOMPARE(rig.platform.wake.armed, armed);
        QCOMPARE(rig.waits.pendingWaits(), 0);
        QVERIFY(!rig.platform.wake.isArmed());
    }

    // The flag ends the nested wait only; a wait with a callback goes on.
    void cancelFlagEndsTheNestedWait()
    {
        Rig rig;
        QVERIFY(rig.waits.startWait(900, rig.noting(QStringLiteral("later"))) > 0);
        soon(10, [&] { rig.state.cancelWakeWait = true; });
        QCOMPARE(rig.waits.waitForWakeOrCancel(600), WaitEnd::Cancelled);
        QCOMPARE(rig.waits.pendingWaits(), 1);
        rig.passToTheArming();
        QTRY_COMPARE(rig.ends, QStringList{"900: later 1"});
    }

    void enteredCancelledArmsAndReturnsAtOnce()
    {
        Rig rig;
        rig.state.cancelWakeWait = true;
        bool ranInside = false;
        soon(0, [&] { ranInside = true; });
        QCOMPARE(rig.waits.waitForWakeOrCancel(60), WaitEnd::Cancelled);
        QVERIFY(!ranInside); // no loop ran
        QCOMPARE(rig.platform.wake.armed, QList<qint64>{60});
        QCOMPARE(rig.platform.wake.disarms, 1);
        QCoreApplication::processEvents();
    }

    // A timer fired while the wall clock was set back since the arming has
    // not reached the moment: the wait waits on, never ending early.
    void clockSetBackWaitsOn()
    {
        Rig rig;
        QVERIFY(rig.waits.startWait(600, rig.noting(QStringLiteral("wait"))) > 0);
        rig.platform.setNow(rig.start.addSecs(600));
        rig.platform.stepClock(rig.start.addSecs(540));
        rig.platform.wake.fire();
        QCOMPARE(rig.platform.wake.armed, QList<qint64>({600, 60}));
        QCoreApplication::processEvents();
        QVERIFY(rig.ends.isEmpty());
        rig.passToTheArming();
        QTRY_COMPARE(rig.ends, QStringList{"600: wait 1"});
    }

    void timerThatCannotBeArmedFails()
    {
        Rig rig;
        const QString why =
            QStringLiteral("No wake-up timer could be created (Too many open files).");
        rig.platform.wake.setArmError(why);
        QCOMPARE(rig.waits.waitForWakeOrCancel(600), WaitEnd::Failed);
        QCOMPARE(rig.waits.startWait(600, rig.noting(QStringLiteral("wait"))), quint64(0));
        QCOMPARE(rig.waits.lastError(), why);
        QCOMPARE(rig.waits.pendingWaits(), 0);
        QCoreApplication::processEvents();
        QVERIFY(rig.ends.isEmpty()); // told by the return value only
    }

    void timerBreakingEndsEveryWait()
    {
        Rig rig;
        QVERIFY(rig.waits.startWait(900, rig.noting(QStringLiteral("later"))) > 0);
        soon(10, [&] {
            rig.platform.wake.breakDown(QStringLiteral("The wake-up timer stopped working."));
        });
        QCOMPARE(rig.waits.waitForWakeOrCancel(600), WaitEnd::Failed);
        QCOMPARE(rig.waits.lastError(), QStringLiteral("The wake-up timer stopped working."));
        QTRY_COMPARE(rig.ends, QStringList{"0: later 3"});
        QCOMPARE(rig.waits.pendingWaits(), 0);
    }

    // Last: after the application quits no event loop runs again here.
    void quittingEndsTheNestedWait()
    {
        Rig rig;
        soon(10, [] { QCoreApplication::exit(0); });
        QCOMPARE(rig.waits.waitForWakeOrCancel(600), WaitEnd::Interrupted);
        QVERIFY(!rig.platform.wake.isArmed());
    }
};

QTEST_GUILESS_MAIN(TestWakeWaits)
#include "tst_wakewaits.moc"
