#include "common/DayNumber.h"
#include "guard/Occurrences.h"

#include <QTest>

#include <ctime>

using namespace zelkor;

namespace {
void useZone(const QByteArray& zone)
{
    qputenv("TZ", zone);
    tzset();
}
QDateTime utc(QDate d, QTime t) { return QDateTime(d, t, Qt::UTC); }
} // namespace

// Which moment a wall-clock time on a date stands for, on the days the clocks
// change: the first showing of a time shown twice, and a skipped time read
// with the offset from before the change.
class TestDstMoments : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { useZone("Europe/Berlin"); }

    void moments_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QDateTime>("expected");

        const QByteArray berlin("Europe/Berlin");
        const QDate spring(2026, 3, 29), autumn(2026, 10, 25);
        QTest::newRow("winter") << berlin << QDate(2026, 12, 7) << QTime(8, 0)
                                << utc(QDate(2026, 12, 7), QTime(7, 0));
        QTest::newRow("summer") << berlin << QDate(2026, 7, 7) << QTime(8, 0)
                                << utc(QDate(2026, 7, 7), QTime(6, 0));
        QTest::newRow("spring: before the skip") << berlin << spring << QTime(1, 59, 59)
                                                 << utc(spring, QTime(0, 59, 59));
        QTest::newRow("spring: skipped 02:00") << berlin << spring << QTime(2, 0) << utc(spring, QTime(1, 0));
        QTest::newRow("spring: skipped 02:30") << berlin << spring << QTime(2, 30)
                                               << utc(spring, QTime(1, 30));
        QTest::newRow("spring: skipped 02:59:59") << berlin << spring << QTime(2, 59, 59)
                                                  << utc(spring, QTime(1, 59, 59));
        QTest::newRow("spring: 03:00") << berlin << spring << QTime(3, 0) << utc(spring, QTime(1, 0));
        QTest::newRow("autumn: before") << berlin << autumn << QTime(1, 59, 59)
                                        << utc(autumn.addDays(-1), QTime(23, 59, 59));
        QTest::newRow("autumn: 02:00 first showing") << berlin << autumn << QTime(2, 0)
                                                     << utc(autumn, QTime(0, 0));
        QTest::newRow("autumn: 02:30 first showing") << berlin << autumn << QTime(2, 30)
                                                     << utc(autumn, QTime(0, 30));
        QTest::newRow("autumn: 02:59:59 first showing") << berlin << autumn << QTime(2, 59, 59)
                                                        << utc(autumn, QTime(0, 59, 59));
        QTest::newRow("autumn: 03:00") << berlin << autumn << QTime(3, 0) << utc(autumn, QTime(2, 0));

        const QByteArray newYork("America/New_York");
        QTest::newRow("New York: skipped 02:30") << newYork << QDate(2026, 3, 8) << QTime(2, 30)
                                                 << utc(QDate(2026, 3, 8), QTime(7, 30));
        QTest::newRow("New York: 01:30 first showing") << newYork << QDate(2026, 11, 1) << QTime(1, 30)
                                                       << utc(QDate(2026, 11, 1), QTime(5, 30));
        // Chile changes at midnight: the day itself begins in the skipped hour.
        const QByteArray santiago("America/Santiago");
        QTest::newRow("Santiago: skipped midnight") << santiago << QDate(2026, 9, 6) << QTime(0, 0)
                                                    << utc(QDate(2026, 9, 6), QTime(4, 0));
        QTest::newRow("Santiago: skipped 00:30") << santiago << QDate(2026, 9, 6) << QTime(0, 30)
                                                 << utc(QDate(2026, 9, 6), QTime(4, 30));
        QTest::newRow("Santiago: 23:30 first showing") << santiago << QDate(2026, 4, 4) << QTime(23, 30)
                                                       << utc(QDate(2026, 4, 5), QTime(2, 30));
    }
    void moments()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(QDateTime, expected);
        useZone(zone);
        daynum::MomentResolver resolver;
        QCOMPARE(resolver.epochSeconds(date, time), std::optional<qint64>(expected.toSecsSinceEpoch()));
        // Asked again, from what it remembers of the date.
        QCOMPARE(resolver.epochSeconds(date, time), std::optional<qint64>(expected.toSecsSinceEpoch()));
        const QDateTime joined = daynum::join(date, time);
        QCOMPARE(joined.toSecsSinceEpoch(), expected.toSecsSinceEpoch());
        QCOMPARE(daynum::toDateTime(daynum::fromDate(date) + daynum::fromTime(time)), joined);
    }

    // A forbidden period begins when the wall clock first shows its start:
    // in the hour skipped when summer time begins, at the jump past it.
    void periodStarts_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("from"); // UTC
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("stop");
        QTest::addColumn<QDateTime>("expected"); // UTC

        const QByteArray berlin("Europe/Berlin");
        const QDate spring(2027, 3, 28), autumn(2027, 10, 31);
        const QTime five(5, 0);
        QTest::newRow("an ordinary night") << berlin << utc(QDate(2026, 12, 7), QTime(20, 0)) << QTime(22, 0)
                                           << five << utc(QDate(2026, 12, 7), QTime(21, 0));
        QTest::newRow("passed today: tomorrow") << berlin << utc(QDate(2026, 12, 7), QTime(22, 0)) << QTime(22, 0)
                                                << five << utc(QDate(2026, 12, 8), QTime(21, 0));
        QTest::newRow("spring: skipped 02:30") << berlin << utc(spring, QTime(0, 0)) << QTime(2, 30) << five
                                               << utc(spring, QTime(1, 0));
        QTest::newRow("spring: skipped 02:00") << berlin << utc(spring, QTime(0, 0)) << QTime(2, 0) << five
                                               << utc(spring, QTime(1, 0));
        QTest::newRow("spring: 03:00") << berlin << utc(spring, QTime(0, 0)) << QTime(3, 0) << five
                                       << utc(spring, QTime(1, 0));
        QTest::newRow("spring: the day before") << berlin << utc(spring.addDays(-1), QTime(3, 0)) << QTime(2, 30)
                                                << five << utc(spring, QTime(1, 0));
        QTest::newRow("spring: wholly skipped, never shown") << berlin << utc(spring, QTime(0, 0)) << QTime(2, 15)
                                                             << QTime(2, 45) << utc(spring.addDays(1), QTime(0, 15));
        QTest::newRow("autumn: 02:30 first showing") << berlin << utc(autumn, QTime(0, 0)) << QTime(2, 30) << five
                                                     << utc(autumn, QTime(0, 30));
        QTest::newRow("autumn: 02:00 first showing") << berlin << utc(autumn, QTime(0, 0)) << QTime(2, 0) << five
                                                     << utc(autumn, QTime(0, 0));
        QTest::newRow("autumn: 02:30 shown again") << berlin << utc(autumn, QTime(0, 31)) << QTime(2, 30)
                                                   << QTime(2, 45) << utc(autumn, QTime(1, 30));
        QTest::newRow("autumn: put back into the period") << berlin << utc(autumn, QTime(0, 46)) << QTime(1, 0)
                                                          << QTime(2, 45) << utc(autumn, QTime(1, 0));
        QTest::newRow("autumn: put back, start not passed") << berlin << utc(autumn, QTime(0, 46)) << QTime(2, 50)
                                                            << five << utc(autumn, QTime(0, 50));
        QTest::newRow("Santiago: skipped midnight") << QByteArray("America/Santiago")
                                                    << utc(QDate(2026, 9, 5), QTime(12, 0)) << QTime(0, 30) << five
                                                    << utc(QDate(2026, 9, 6), QTime(4, 0));
    }
    void periodStarts()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, from);
        QFETCH(QTime, start);
        QFETCH(QTime, stop);
        QFETCH(QDateTime, expected);
        useZone(zone);
        ForbiddenPeriod period;
        period.notStart = start;
        period.notStop = stop;
        QCOMPARE(nextPeriodStart(period, from.toLocalTime()).toUTC(), expected);
    }

    void invalidInputs()
    {
        daynum::MomentResolver resolver;
        QVERIFY(!resolver.epochSeconds(QDate(), QTime(8, 0)));
        QVERIFY(!resolver.epochSeconds(QDate(2026, 1, 1), QTime()));
        QVERIFY(!daynum::join(QDate(), QTime(8, 0)).isValid());
    }
};

QTEST_GUILESS_MAIN(TestDstMoments)
#include "tst_dstmoments.moc"
