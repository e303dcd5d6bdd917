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
        QTest::addColumn<quint64>("uptimeMs");
        QTest::addColumn<qint64>("expected");

        QTest::newRow("after 1 h 30 min") << 0 << 1 << 30 << 0ll << quint64(0) << 5400ll;
        QTest::newRow("after 23 h 59 min") << 0 << 23 << 59 << 0ll << quint64(0) << 86340ll;
        QTest::newRow("after nothing") << 0 << 0 << 0 << 0ll << quint64(0) << 0ll;
        QTest::newRow("at one hour ahead") << 1 << 0 << 0 << 3600ll << quint64(0) << 3600ll;
        QTest::newRow("at one second past") << 1 << 0 << 0 << -1ll << quint64(0) << -1ll;
        QTest::newRow("at now") << 1 << 0 << 0 << 0ll << quint64(0) << 0ll;
        QTest::newRow("run 3 h, up 1 h") << 2 << 3 << 0 << 0ll << quint64(3600000) << 7200ll;
        QTest::newRow("run 3 h, up 1 h 0.999 s") << 2 << 3 << 0 << 0ll << quint64(3600999) << 7200ll;
        QTest::newRow("run 3 h, up 3 h 1 s") << 2 << 3 << 0 << 0ll << quint64(10801000) << -1ll;
        // Past 2^31 ms the uptime must not turn negative and give a count of
        // weeks, nor start again from nothing after 2^32 ms.
        QTest::newRow("run 3 h, up 24.9 days")
            << 2 << 3 << 0 << 0ll << quint64(0x80000000u) + 1000u << 10800ll - 2147484ll;
        QTest::newRow("run 3 h, up 49.7 days and an hour")
            << 2 << 3 << 0 << 0ll << 0x100000000ull + 3600000u << 10800ll - 4298567ll;
        QTest::newRow("quiet 15 min") << 3 << 0 << 15 << 0ll << quint64(0) << 900ll;
        QTest::newRow("quiet 0 min") << 3 << 0 << 0 << 0ll << quint64(0) << 0ll;
        QTest::newRow("no such mode") << 7 << 1 << 1 << 0ll << quint64(0) << 0ll;
    }
    void count()
    {
        QFETCH(int, mode);
        QFETCH(int, hours);
        QFETCH(int, minutes);
        QFETCH(qint64, atOffset);
        QFETCH(quint64, uptimeMs);
        QFETCH(qint64, expected);
        const QDateTime now(QDate(2026, 12, 7), QTime(1, 30, 0, 700)); // part of a second past
        PickerValues v;
        v.afterHours = v.runHours = hours;
        v.afterMinutes = v.runMinutes = v.quietMinutes = minutes;
        const QDateTime at = QDateTime(now.date(), QTime(1, 30, 0)).addSecs(atOffset);
        v.atDate = at.date();
        v.atTime = at.time();
        QCOMPARE(countSeconds(mode, v, now, uptimeMs), expected);
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
        QTest::addColumn<qint64>("ms");
        QTest::newRow("plain") << 1000u << 3999u << 2999ll;
        QTest::newRow("across 2^31") << 0x7FFFFFFFu << 0x7FFFFFFFu + 3000u << 3000ll;
        QTest::newRow("across the wrap") << 0xFFFFFC18u << 500u << 1500ll;
        QTest::newRow("same tick") << 42u << 42u << 0ll;
    }
    void elapsed()
    {
        QFETCH(quint32, start);
        QFETCH(quint32, now);
        QFETCH(qint64, ms);
        QCOMPARE(elapsedMs(now, start), ms);
    }

    // A count of 60 s at points of its run: what the label shows, the wait
    // for the next tick, and whether it has ended; on an exact clock (slack 0)
    // or on one whose readings may fall 1 ms short.
    void runningCount_data()
    {
        QTest::addColumn<qint64>("slack");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<qint64>("left"); // -1: ended, the label is not asked
        QTest::addColumn<qint64>("wait");
        QTest::newRow("at Start") << 0ll << 0ll << 60ll << 1000ll;
        QTest::newRow("a tick on its second") << 0ll << 1000ll << 59ll << 1000ll;
        QTest::newRow("a tick a little late") << 0ll << 1004ll << 59ll << 996ll;
        QTest::newRow("a tick a little early") << 0ll << 1996ll << 58ll << 4ll;
        QTest::newRow("the last second") << 0ll << 59000ll << 1ll << 1000ll;
        QTest::newRow("1 ms before the end") << 0ll << 59999ll << 1ll << 1ll;
        QTest::newRow("the end") << 0ll << 60000ll << -1ll << 0ll;
        QTest::newRow("after the end") << 0ll << 61500ll << -1ll << 0ll;
        QTest::newRow("clock set back before the origin") << 0ll << -1500ll << 61ll << 500ll;
        QTest::newRow("slack: seconds as on an exact clock") << 1ll << 1000ll << 59ll << 1000ll;
        QTest::newRow("slack: the last second waits for the end") << 1ll << 59000ll << 1ll << 1001ll;
        QTest::newRow("slack: the full count may be short") << 1ll << 60000ll << 1ll << 1ll;
        QTest::newRow("slack: the end") << 1ll << 60001ll << -1ll << 0ll;
    }
    void runningCount()
    {
        QFETCH(qint64, slack);
        QFETCH(qint64, elapsedMs);
        QFETCH(qint64, left);
        QFETCH(qint64, wait);
        const qint64 end = countEndMs(60, slack);
        QCOMPARE(countEnded(end, elapsedMs), left < 0);
        if (left >= 0)
            QCOMPARE(secondsLeft(60, elapsedMs), left);
        QCOMPARE(msToNextSecond(end, elapsedMs), wait);
    }

    void barFillsOverTheWholeCount()
    {
        QCOMPARE(barAfter(5400, 5400), kBarWidth);
        QCOMPARE(barAfter(5400, 1), kBarWidth / 5400);
        QCOMPARE(barAfter(900, 450), kBarWidth / 2);
        QCOMPARE(barAfter(0, 5), 0.0);
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
            QStringLiteral("Not by itself, though: Zelkor cannot wake this computer, because it has no alarm.")));
    }
};

QTEST_GUILESS_MAIN(TestCountdownMath)
#include "tst_countdownmath.moc"
