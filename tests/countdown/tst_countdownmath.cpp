#include "common/DateText.h"
#include "countdown/CountdownMath.h"

#include <QTest>

using namespace zelkor;
using namespace zelkor::countdown;

class TestCountdownMath : public QObject {
    Q_OBJECT
private slots:
    void count_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<qint64>("atOffset"); // mode 1: seconds from now
        QTest::addColumn<quint32>("tick");
        QTest::addColumn<qint64>("expected");

        QTest::newRow("after 1 h 30 min") << 0 << 1 << 30 << 0ll << 0u << 5400ll;
        QTest::newRow("after 23 h 59 min") << 0 << 23 << 59 << 0ll << 0u << 86340ll;
        QTest::newRow("after nothing") << 0 << 0 << 0 << 0ll << 0u << 0ll;
        QTest::newRow("at one hour ahead") << 1 << 0 << 0 << 3600ll << 0u << 3600ll;
        QTest::newRow("at one second past") << 1 << 0 << 0 << -1ll << 0u << -1ll;
        QTest::newRow("at now") << 1 << 0 << 0 << 0ll << 0u << 0ll;
        QTest::newRow("run 3 h, up 1 h") << 2 << 3 << 0 << 0ll << 3600000u << 7200ll;
        QTest::newRow("run 3 h, up 1 h 0.999 s") << 2 << 3 << 0 << 0ll << 3600999u << 7200ll;
        QTest::newRow("run 3 h, up 3 h 1 s") << 2 << 3 << 0 << 0ll << 10801000u << -1ll;
        // Past 2^31 ms the tick must stay a large uptime, not turn negative
        // and give a count of weeks.
        QTest::newRow("run 3 h, up 24.9 days")
            << 2 << 3 << 0 << 0ll << 0x80000000u + 1000u << 10800ll - 2147484ll;
        QTest::newRow("quiet 15 min") << 3 << 0 << 15 << 0ll << 0u << 900ll;
        QTest::newRow("quiet 0 min") << 3 << 0 << 0 << 0ll << 0u << 0ll;
        QTest::newRow("no such mode") << 7 << 1 << 1 << 0ll << 0u << 0ll;
    }
    void count()
    {
        QFETCH(int, mode);
        QFETCH(int, hours);
        QFETCH(int, minutes);
        QFETCH(qint64, atOffset);
        QFETCH(quint32, tick);
        QFETCH(qint64, expected);
        const QDateTime now(QDate(2026, 12, 7), QTime(1, 30, 0, 700)); // part of a second past
        PickerValues v;
        v.afterHours = v.runHours = hours;
        v.afterMinutes = v.runMinutes = v.quietMinutes = minutes;
        const QDateTime at = QDateTime(now.date(), QTime(1, 30, 0)).addSecs(atOffset);
        v.atDate = at.date();
        v.atTime = at.time();
        QCOMPARE(countSeconds(mode, v, now, tick), expected);
    }

    void countAtIsRealSecondsAcrossTheSpringChange()
    {
        // 01:30 to 03:30 on the day the clocks skip 02:00..03:00 reads as two
        // hours on the wall clock, but the countdown is done after one.
        PickerValues v;
        v.atDate = QDate(2026, 3, 29);
        v.atTime = QTime(3, 30);
        QCOMPARE(countSeconds(At, v, QDateTime(QDate(2026, 3, 29), QTime(1, 30)), 0), 3600);
    }

    void elapsed_data()
    {
        QTest::addColumn<quint32>("start");
        QTest::addColumn<quint32>("now");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("plain") << 1000u << 3999u << 2ll;
        QTest::newRow("across 2^31") << 0x7FFFFFFFu << 0x7FFFFFFFu + 3000u << 3ll;
        QTest::newRow("across the wrap") << 0xFFFFFC18u << 500u << 1ll;
        QTest::newRow("same tick") << 42u << 42u << 0ll;
    }
    void elapsed()
    {
        QFETCH(quint32, start);
        QFETCH(quint32, now);
        QFETCH(qint64, seconds);
        QCOMPARE(elapsedSeconds(now, start), seconds);
    }

    void barFillsOverTheWholeCount()
    {
        float width = 0;
        for (int i = 0; i < 5400; ++i)
            width = barAfterTick(width, 5400);
        QVERIFY(qAbs(width - kBarWidth) < kBarWidth / 100);
        QCOMPARE(barAfterTick(10.0f, 0), 10.0f);
        QCOMPARE(quietBar(900, 450), kBarWidth / 2);
        QCOMPARE(quietBar(0, 5), 0.0);
    }

    void texts()
    {
        QCOMPARE(remainingText(5399), QStringLiteral("5399 seconds remaining"));
        const QDateTime at(QDate(2026, 12, 7), QTime(8, 10, 0));
        const QString plain = powerOnAnnouncement(at, true, QString());
        QCOMPARE(plain, datetext::general(at) +
                            QStringLiteral(" will resume from stand-by or hibernation."));
        const QString warned = powerOnAnnouncement(at, false, QStringLiteral("it has no alarm"));
        QVERIFY(warned.startsWith(plain));
        QVERIFY(warned.endsWith(
            QStringLiteral("This computer will not be woken, because it has no alarm.")));
    }
};

QTEST_GUILESS_MAIN(TestCountdownMath)
#include "tst_countdownmath.moc"
