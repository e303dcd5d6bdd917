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
    WakeWaits waits{platform};
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
                    .arg(what, end == WaitEnd::Fired ? QStringLiteral("fired")
                                                     : QStringLiteral("failed"));
    }
    WakeWaits::Done noting(const QString& what)
    {
        return [this, what](quint64, WaitEnd end) { note(what, end); };
    }
};

} // namespace

// The rules of the wake waits, with a timer that fires when the test says.
class TestWakeWaits : public QObject
{
    Q_OBJECT
private slots:
    void firedWaitDisarmsTheTimer()
    {
        Rig rig;
        QVERIFY(rig.waits.startWait(600, rig.noting(QStringLiteral("wait"))) > 0);
        QVERIFY(rig.platform.wake.isArmed());
        QCOMPARE(rig.waits.pendingWaits(), 1);
        rig.passToTheArming();
        QVERIFY(rig.ends.isEmpty()); // told from the event loop, not inside the signal
        QTRY_COMPARE(rig.ends, QStringList{"600: wait fired"});
        QCOMPARE(rig.platform.wake.armed, QList<qint64>{600});
        QCOMPARE(rig.waits.pendingWaits(), 0);
        QVERIFY(!rig.platform.wake.isArmed());
        QCOMPARE(rig.platform.wake.disarms, 1);
    }

    // A wait started while another waits keeps its own moment: the timer is
    // armed for the earliest, and each ends at its own time, whichever
    // started first.
    void waitsEndAtTheirOwnMoments_data()
    {
        QTest::addColumn<qint64>("firstSeconds");
        QTest::addColumn<qint64>("laterSeconds"); // started after the first
        QTest::addColumn<QStringList>("ends");
        QTest::addColumn<QList<qint64>>("armed");
        QTest::newRow("the later one is earlier")
            << qint64(600) << qint64(300) << QStringList{"300: later fired", "600: first fired"}
            << QList<qint64>{600, 300, 300};
        QTest::newRow("the later one is later")
            << qint64(300) << qint64(600) << QStringList{"300: first fired", "600: later fired"}
            << QList<qint64>{300, 300};
        QTest::newRow("both at once")
            << qint64(300) << qint64(300) << QStringList{"300: first fired", "300: later fired"}
            << QList<qint64>{300};
    }
    void waitsEndAtTheirOwnMoments()
    {
        QFETCH(qint64, firstSeconds);
        QFETCH(qint64, laterSeconds);
        QFETCH(QStringList, ends);
        QFETCH(QList<qint64>, armed);
        Rig rig;
        QVERIFY(rig.waits.startWait(firstSeconds, rig.noting(QStringLiteral("first"))) > 0);
        QVERIFY(rig.waits.startWait(laterSeconds, rig.noting(QStringLiteral("later"))) > 0);
        for (int i = 0; i < 2 && rig.platform.wake.isArmed(); ++i) {
            rig.passToTheArming();
            QCoreApplication::processEvents();
        }
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
        QTest::newRow("the earlier one") << true << QStringList{"600: later fired"}
                                         << QList<qint64>{300, 600};
        QTest::newRow("the later one") << false << QStringList{"300: earlier fired"}
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
        QTRY_COMPARE(rig.ends, QStringList{"600: wait fired"});
    }

    void timerThatCannotBeArmedFails()
    {
        Rig rig;
        const QString why =
            QStringLiteral("No wake-up timer could be created (Too many open files).");
        rig.platform.wake.setArmError(why);
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
        QVERIFY(rig.waits.startWait(600, rig.noting(QStringLiteral("first"))) > 0);
        rig.platform.wake.breakDown(QStringLiteral("The wake-up timer stopped working."));
        QCOMPARE(rig.waits.lastError(), QStringLiteral("The wake-up timer stopped working."));
        QTRY_COMPARE(rig.ends, QStringList({"0: first failed", "0: later failed"}));
        QCOMPARE(rig.waits.pendingWaits(), 0);
        QVERIFY(!rig.platform.wake.isArmed());
    }

    // Nothing is left to wake the computer for once the program goes.
    void destroyedWithWaitsDisarms()
    {
        FakePlatform platform;
        {
            WakeWaits waits(platform);
            QVERIFY(waits.startWait(600, [](quint64, WaitEnd) {}) > 0);
        }
        QVERIFY(!platform.wake.isArmed());
    }
};

QTEST_GUILESS_MAIN(TestWakeWaits)
#include "tst_wakewaits.moc"
