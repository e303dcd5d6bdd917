#include "TaskRows.h"
#include "scheduler/ForbiddenPeriod.h"

#include <QTest>

using namespace zelkor;
using namespace zelkor::test;

class TestForbiddenPeriod : public QObject {
    Q_OBJECT
private slots:
    void inside_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("stop");
        QTest::addColumn<QTime>("t");
        QTest::addColumn<bool>("inside");

        const QTime nine(9, 0), five(17, 0);
        QTest::newRow("day: a second before") << nine << five << QTime(8, 59, 59) << false;
        QTest::newRow("day: the start") << nine << five << nine << true;
        QTest::newRow("day: noon") << nine << five << QTime(12, 0) << true;
        QTest::newRow("day: the stop") << nine << five << five << true;
        QTest::newRow("day: late in the stop's second") << nine << five << QTime(17, 0, 0, 999) << true;
        QTest::newRow("day: a second after") << nine << five << QTime(17, 0, 1) << false;
        QTest::newRow("day: midnight") << nine << five << QTime(0, 0) << false;

        const QTime ten(22, 0), six(6, 0);
        QTest::newRow("night: a second before") << ten << six << QTime(21, 59, 59) << false;
        QTest::newRow("night: the start") << ten << six << ten << true;
        QTest::newRow("night: last second of the day") << ten << six << QTime(23, 59, 59) << true;
        QTest::newRow("night: midnight") << ten << six << QTime(0, 0) << true;
        QTest::newRow("night: the stop") << ten << six << six << true;
        QTest::newRow("night: a second after") << ten << six << QTime(6, 0, 1) << false;
        QTest::newRow("night: noon") << ten << six << QTime(12, 0) << false;

        const QTime noon(12, 0);
        QTest::newRow("all day: noon") << noon << noon << noon << true;
        QTest::newRow("all day: a second before") << noon << noon << QTime(11, 59, 59) << true;
        QTest::newRow("all day: midnight") << noon << noon << QTime(0, 0) << true;
        QTest::newRow("all day: last second") << noon << noon << QTime(23, 59, 59) << true;

        QTest::newRow("one second long") << nine << nine.addSecs(1) << QTime(9, 0, 1) << true;
        QTest::newRow("one second long, after") << nine << nine.addSecs(1) << QTime(9, 0, 2) << false;
    }
    void inside()
    {
        QFETCH(QTime, start);
        QFETCH(QTime, stop);
        QFETCH(QTime, t);
        QFETCH(bool, inside);
        const auto period = periodInForce({periodRow(1, start, stop)});
        QVERIFY(period);
        QCOMPARE(isInside(*period, t), inside);
    }

    void newestRowIsInForce()
    {
        const auto period = periodInForce(
            {periodRow(7, QTime(1, 0), QTime(2, 0), 5), periodRow(3, QTime(9, 0), QTime(17, 0), 1)});
        QVERIFY(period);
        QCOMPARE(period->notStart, QTime(1, 0));
        QCOMPARE(period->notStop, QTime(2, 0));
        QCOMPARE(periodActionKind(*period), 5);
        QVERIFY(!periodInForce({}));
    }

    void readingTheRow_data()
    {
        QTest::addColumn<TaskRow>("row");
        QTest::addColumn<bool>("inForce");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("insideAtTen");

        QTest::newRow("shut down") << periodRow(1, QTime(9, 0), QTime(11, 0), 1) << true << 1 << true;
        QTest::newRow("hibernate") << periodRow(1, QTime(9, 0), QTime(11, 0), 5) << true << 5 << true;
        QTest::newRow("another code hibernates") << periodRow(1, QTime(9, 0), QTime(11, 0), 3) << true << 5
                                                 << true;
        TaskRow noAction = periodRow(1, QTime(9, 0), QTime(11, 0));
        noAction.action = QVariant();
        QTest::newRow("no action hibernates") << noAction << true << 5 << true;
        TaskRow noStart = periodRow(1, QTime(9, 0), QTime(11, 0));
        noStart.starttime = QVariant();
        QTest::newRow("no start: nothing enforced") << noStart << false << 0 << false;
        TaskRow textStop = periodRow(1, QTime(9, 0), QTime(11, 0));
        textStop.stoptime = QStringLiteral("11:00");
        QTest::newRow("text stop: nothing enforced") << textStop << false << 0 << false;
        TaskRow withDate = periodRow(1, QTime(9, 0), QTime(11, 0));
        withDate.starttime = dayNumber(QDateTime(QDate(2030, 1, 1), QTime(9, 0)));
        QTest::newRow("a date part is ignored") << withDate << true << 1 << true;
    }
    void readingTheRow()
    {
        QFETCH(TaskRow, row);
        QFETCH(bool, inForce);
        QFETCH(int, kind);
        QFETCH(bool, insideAtTen);
        const auto period = periodInForce({row});
        QCOMPARE(bool(period), inForce);
        if (!period)
            return;
        QCOMPARE(periodActionKind(*period), kind);
        QCOMPARE(isInside(*period, QTime(10, 0)), insideAtTen);
        QVERIFY(period->notSameDay);
    }
};

QTEST_GUILESS_MAIN(TestForbiddenPeriod)
#include "tst_forbiddenperiod.moc"
