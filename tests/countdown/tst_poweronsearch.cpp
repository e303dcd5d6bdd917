#include "common/DayNumber.h"
#include "countdown/PowerOnSearch.h"

#include <QTest>

Q_DECLARE_METATYPE(zelkor::TaskRow)

using namespace zelkor;

namespace {
// Weekday mask bits: 1 << (w - 1), w = 1 Sunday .. 7 Saturday.
constexpr int kSun = 1 << 0, kMon = 1 << 1, kTue = 1 << 2;

TaskRow task(int type, QVariant start, QVariant day = {}, int weekdays = 0, QVariant targetMode = 0,
             QVariant description = QStringLiteral("target"))
{
    TaskRow row;
    row.type = type;
    row.action = 7;
    row.starttime = start;
    row.day = day;
    row.targetMode = targetMode;
    row.description = description;
    for (int w = 0; w < 7; ++w)
        row.weekday[size_t(w)] = (weekdays >> w) & 1 ? -1 : 0;
    return row;
}

double timeOfDay(int h, int m) { return daynum::fromTime(QTime(h, m)); }
QDateTime at(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}
} // namespace

class TestPowerOnSearch : public QObject {
    Q_OBJECT
private slots:
    void nearest_data()
    {
        QTest::addColumn<TaskRow>("row");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<bool>("armed");

        const QDateTime monday8 = at(2026, 12, 7, 8, 0);
        const QVariant seven = timeOfDay(7, 0);
        QTest::newRow("daily, time passed") << task(2, seven) << monday8 << 82800ll << true;
        QTest::newRow("daily, a minute ahead")
            << task(2, seven) << at(2026, 12, 7, 6, 59) << 60ll << true;
        QTest::newRow("daily, this very second")
            << task(2, seven) << at(2026, 12, 7, 7, 0) << 86400ll << true;
        QTest::newRow("weekly monday, monday after")
            << task(4, seven, {}, kMon) << monday8 << 601200ll << true;
        QTest::newRow("weekly monday, monday before")
            << task(4, seven, {}, kMon) << at(2026, 12, 7, 6, 0) << 3600ll << true;
        QTest::newRow("weekly mon+tue from sunday")
            << task(4, seven, {}, kMon | kTue) << at(2026, 12, 6, 6, 0) << 90000ll << true;
        QTest::newRow("weekly mon+tue, monday after")
            << task(4, seven, {}, kMon | kTue) << monday8 << 82800ll << true;
        QTest::newRow("weekly sunday from monday")
            << task(4, seven, {}, kSun) << monday8 << 6 * 86400ll - 3600 << true;
        QTest::newRow("weekly, no day")
            << task(4, seven) << monday8 << poweron::kStartSeconds << false;
        const QVariant day15 = daynum::fromDate(QDate(2026, 1, 15));
        QTest::newRow("monthly 15th, on the 15th after") // in real seconds: the clocks go forward
            << task(3, seven, day15) << at(2026, 3, 15, 8, 0) << 2671200ll << true;
        QTest::newRow("monthly 15th, on the 15th before")
            << task(3, seven, day15) << at(2026, 3, 15, 6, 0) << 3600ll << true;
        const QVariant day31 = daynum::fromDate(QDate(2026, 1, 31));
        QTest::newRow("monthly 31st from 1 April")
            << task(3, seven, day31) << at(2026, 4, 1, 8, 0) << 60 * 86400ll - 3600 << false;
        QTest::newRow("monthly 31st from 1 May")
            << task(3, seven, day31) << at(2026, 5, 1, 8, 0) << 30 * 86400ll - 3600 << true;
        QTest::newRow("monthly, no day")
            << task(3, seven) << monday8 << poweron::kStartSeconds << false;
        const auto once = [&](qint64 ahead) {
            return daynum::fromDateTime(monday8.addSecs(ahead));
        };
        QTest::newRow("once an hour ahead") << task(1, once(3600)) << monday8 << 3600ll << true;
        QTest::newRow("once in the past")
            << task(1, once(-60)) << monday8 << poweron::kStartSeconds << false;
        QTest::newRow("once now") << task(1, once(0)) << monday8 << poweron::kStartSeconds << false;
        QTest::newRow("once exactly 32 days ahead")
            << task(1, once(2764800)) << monday8 << 2764800ll << false;
        QTest::newRow("once a second less")
            << task(1, once(2764799)) << monday8 << 2764799ll << true;
        QTest::newRow("forbidden period kind")
            << task(0, seven) << monday8 << poweron::kStartSeconds << false;
        QTest::newRow("unknown kind")
            << task(9, seven) << monday8 << poweron::kStartSeconds << false;
        QTest::newRow("no start time")
            << task(2, QVariant()) << monday8 << poweron::kStartSeconds << false;
        QTest::newRow("start time as text")
            << task(2, QStringLiteral("07:00")) << monday8 << poweron::kStartSeconds << false;
    }
    void nearest()
    {
        QFETCH(TaskRow, row);
        QFETCH(QDateTime, now);
        QFETCH(qint64, seconds);
        QFETCH(bool, armed);
        const poweron::Choice choice = poweron::search({row}, now);
        QCOMPARE(choice.seconds, seconds);
        QCOMPARE(poweron::shouldArm(choice.seconds), armed);
    }

    void nearestRowSuppliesTheFollowUp()
    {
        const QDateTime now = at(2026, 12, 7, 8, 0);
        const QList<TaskRow> rows{
            task(2, timeOfDay(9, 0), {}, 0, 0, QStringLiteral("later")),
            task(2, timeOfDay(8, 30), {}, 0, 1, QStringLiteral("sooner")),
            task(4, timeOfDay(8, 45), {}, kMon, 0, QStringLiteral("between")),
        };
        const poweron::Choice choice = poweron::search(rows, now);
        QCOMPARE(choice.seconds, 1800);
        QCOMPARE(choice.followUps.size(), 1);
        QCOMPARE(choice.followUps.first().text, QStringLiteral("sooner"));
        QVERIFY(choice.followUps.first().showMessage);
    }

    // Every task due in the nearest second is followed up, in the rows' order;
    // one that comes later is not.
    void tiesAreAllFollowedUpInTheRowsOrder()
    {
        const QDateTime now = at(2026, 12, 7, 8, 0);
        const QList<TaskRow> rows{
            task(1, daynum::fromDateTime(now.addSecs(600)), {}, 0, 0, QStringLiteral("first")),
            task(2, timeOfDay(8, 11), {}, 0, 0, QStringLiteral("later")),
            task(2, timeOfDay(8, 10), {}, 0, 1, QStringLiteral("second")),
        };
        const poweron::Choice choice = poweron::search(rows, now);
        QCOMPARE(choice.seconds, 600);
        QCOMPARE(choice.followUps.size(), 2);
        QCOMPARE(choice.followUps.at(0).text, QStringLiteral("first"));
        QVERIFY(!choice.followUps.at(0).showMessage);
        QCOMPARE(choice.followUps.at(1).text, QStringLiteral("second"));
        QVERIFY(choice.followUps.at(1).showMessage);
    }

    void unreadableFujiaKeepsTheKindSoFar()
    {
        const QDateTime now = at(2026, 12, 7, 8, 0);
        const QList<TaskRow> rows{
            task(2, timeOfDay(9, 0), {}, 0, 1, QStringLiteral("message")),
            task(2, timeOfDay(8, 30), {}, 0, QVariant(), QVariant()),
        };
        const poweron::Choice choice = poweron::search(rows, now);
        QCOMPARE(choice.seconds, 1800);
        QCOMPARE(choice.followUps.first().text, QString()); // Null reads as ""
        QVERIFY(choice.followUps.first().showMessage);
    }

    // The wake timer counts real seconds; a clock change between now and the
    // occurrence moves the count by its hour (tests run in Europe/Berlin). In
    // the hour shown twice, a time whose first showing has passed is still
    // ahead at its second showing.
    void realSecondsAcrossClockChanges_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("moment"); // a wall-clock date and time
        QTest::addColumn<qint64>("real");
        const QDate autumn(2026, 10, 25);
        const auto standard = [&](QTime t) {
            return QDateTime(autumn, t, Qt::OffsetFromUTC, 3600);
        };
        const auto summer = [&](QTime t) { return QDateTime(autumn, t, Qt::OffsetFromUTC, 7200); };
        QTest::newRow("no change")
            << at(2026, 12, 7, 8, 0) << at(2026, 12, 8, 7, 0) << qint64(82800);
        QTest::newRow("spring: 20:00 to 07:00")
            << at(2026, 3, 28, 20, 0) << at(2026, 3, 29, 7, 0) << qint64(36000);
        QTest::newRow("autumn: 20:00 to 07:00")
            << at(2026, 10, 24, 20, 0) << at(2026, 10, 25, 7, 0) << qint64(43200);
        QTest::newRow("15 March to 15 April 07:00")
            << at(2026, 3, 15, 8, 0) << at(2026, 4, 15, 7, 0) << qint64(2671200);
        QTest::newRow("into the skipped hour")
            << at(2026, 3, 29, 1, 0) << at(2026, 3, 29, 2, 30) << qint64(5400);
        QTest::newRow("repeated hour, first showing ahead")
            << summer(QTime(2, 10)) << at(2026, 10, 25, 2, 30) << qint64(1200);
        QTest::newRow("repeated hour, first showing past")
            << standard(QTime(2, 10)) << at(2026, 10, 25, 2, 30) << qint64(1200);
        QTest::newRow("repeated hour, second showing ahead of the first pass")
            << summer(QTime(2, 40)) << at(2026, 10, 25, 2, 30) << qint64(3000);
        QTest::newRow("repeated hour, both showings past")
            << standard(QTime(2, 40)) << at(2026, 10, 25, 2, 30) << qint64(-4200);
    }
    void realSecondsAcrossClockChanges()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, moment);
        QFETCH(qint64, real);
        QCOMPARE(daynum::realSecondsUntil(now, moment.date(), moment.time()), real);
    }
};

QTEST_GUILESS_MAIN(TestPowerOnSearch)
#include "tst_poweronsearch.moc"
