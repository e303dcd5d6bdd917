#include "common/DayNumber.h"
#include "TaskFixtures.h"
#include "tasks/TaskListRows.h"
#include "tasks/TaskListText.h"

#include <QTest>

using namespace zelkor;

Q_DECLARE_METATYPE(zelkor::TaskRow)
using tasklist::kMarkActive;
using tasklist::kMarkInactive;

namespace {
TaskRow task(QVariant type, QVariant action, QVariant start = {})
{
    TaskRow row;
    row.id = 1;
    row.type = std::move(type);
    row.action = std::move(action);
    row.starttime = std::move(start);
    return row;
}

TaskRow weekly(int action, std::initializer_list<int> flagIndexes, QVariant flagValue = 1)
{
    TaskRow row = task(4, action, test::timeOfDay(23, 0));
    for (auto& f : row.weekday)
        f = 0;
    for (int i : flagIndexes)
        row.weekday[size_t(i)] = flagValue;
    return row;
}

double at(const QDateTime& moment) { return daynum::fromDateTime(moment); }
} // namespace

class TestTaskListText : public QObject {
    Q_OBJECT
private slots:
    void descriptions_data()
    {
        QTest::addColumn<TaskRow>("row");
        QTest::addColumn<QString>("expected");

        QTest::newRow("weekly Mon Wed Fri") << weekly(8, {1, 3, 5}) << "Events Remind -- Weekly -- Mon Wed Fri";
        QTest::newRow("weekly no day") << weekly(8, {}) << "Events Remind -- Weekly --";
        QTest::newRow("weekly every day, Sunday first")
            << weekly(1, {6, 0, 1, 2, 3, 4, 5}) << "Shut Down -- Weekly -- Sun Mon Tue Wed Thu Fri Sat";
        QTest::newRow("weekly flags stored as -1") << weekly(2, {0, 6}, -1) << "Restart -- Weekly -- Sun Sat";
        QTest::newRow("weekly flag Null counts as off") << weekly(2, {0}, QVariant()) << "Restart -- Weekly --";

        TaskRow monthly = task(3, 1, test::timeOfDay(8, 0));
        monthly.day = daynum::fromDate(QDate(2026, 1, 15));
        QTest::newRow("monthly day 15") << monthly << "Shut Down -- Monthly -- 15";
        monthly.day = daynum::fromDate(QDate(2026, 3, 1));
        QTest::newRow("monthly day 1, no leading zero") << monthly << "Shut Down -- Monthly -- 1";
        monthly.day = QVariant();
        QTest::newRow("monthly without day") << monthly << "Shut Down -- Monthly --";
        monthly.day = QStringLiteral("mid-month");
        QTest::newRow("monthly with text for day") << monthly << "Shut Down -- Monthly --";

        QTest::newRow("forbidden period") << task(0, 5) << "Hibernate -- Not allow to use computer";
        QTest::newRow("power on once") << task(1, 7) << "Power On -- Once";
        QTest::newRow("power on daily") << task(2, 7) << "Power On -- Daily";
        TaskRow message = task(2, 8);
        message.targetMode = 1;
        message.description = QStringLiteral("Tea time");
        QTest::newRow("message text is not shown") << message << "Events Remind -- Daily";
        QTest::newRow("lock") << task(2, 6) << "Lock -- Daily";

        QTest::newRow("action 0 has the empty name") << task(2, 0) << " -- Daily";
        QTest::newRow("action 9 is outside the list") << task(2, 9) << "";
        QTest::newRow("negative action") << task(2, -3) << "";
        QTest::newRow("kind -1 (no kind chosen)") << task(-1, 1) << "";
        QTest::newRow("kind 5") << task(5, 1) << "";
        QTest::newRow("kind Null") << task(QVariant(), 1) << "";
        QTest::newRow("action as text") << task(2, QStringLiteral("shut")) << "";
        QTest::newRow("huge action") << task(2, 1e300) << "";
    }
    void descriptions()
    {
        QFETCH(TaskRow, row);
        QFETCH(QString, expected);
        QCOMPARE(tasklist::descriptionText(row), expected);
    }

    void marks_data()
    {
        const QDateTime now = test::fixedNow();
        QTest::addColumn<QList<TaskRow>>("rows");
        QTest::addColumn<QStringList>("marks");

        QTest::newRow("once tomorrow") << QList<TaskRow>{task(1, 1, at(now.addDays(1)))} << QStringList{kMarkActive};
        QTest::newRow("once an hour ago") << QList<TaskRow>{task(1, 1, at(now.addSecs(-3600)))}
                                          << QStringList{kMarkInactive};
        QTest::newRow("once this very second") << QList<TaskRow>{task(1, 1, at(now))} << QStringList{kMarkInactive};
        QTest::newRow("once next second") << QList<TaskRow>{task(1, 1, at(now.addSecs(1)))}
                                          << QStringList{kMarkActive};
        QTest::newRow("once without start") << QList<TaskRow>{task(1, 1)} << QStringList{kMarkActive};
        QTest::newRow("once with text for start")
            << QList<TaskRow>{task(1, 1, QStringLiteral("soon"))} << QStringList{kMarkInactive};
        QTest::newRow("daily, weekly, monthly always active")
            << QList<TaskRow>{task(2, 1, test::timeOfDay(1, 0)), weekly(1, {}), task(3, 1, test::timeOfDay(1, 0))}
            << QStringList{kMarkActive, kMarkActive, kMarkActive};
        QTest::newRow("two forbidden periods: newer one in force")
            << QList<TaskRow>{task(0, 5), task(0, 1)} << QStringList{kMarkActive, kMarkInactive};
        QTest::newRow("forbidden periods between other tasks")
            << QList<TaskRow>{task(2, 1), task(0, 1), task(1, 1, at(now.addSecs(-5))), task(0, 5), task(0, 5)}
            << QStringList{kMarkActive, kMarkActive, kMarkInactive, kMarkInactive, kMarkInactive};
        QTest::newRow("unreadable kind") << QList<TaskRow>{task(QStringLiteral("x"), 1)} << QStringList{kMarkActive};
    }
    void marks()
    {
        QFETCH(QList<TaskRow>, rows);
        QFETCH(QStringList, marks);
        const QList<tasklist::Line> lines = tasklist::buildLines(rows, test::fixedNow());
        QStringList got;
        for (const auto& line : lines)
            got << line.state;
        QCOMPARE(got, marks);
    }

    void startAndEndTexts_data()
    {
        QTest::addColumn<TaskRow>("row");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");

        TaskRow period = task(0, 5, test::timeOfDay(21, 30));
        period.stoptime = test::timeOfDay(23, 59);
        QTest::newRow("forbidden period") << period << "21:30:00" << "23:59:00";
        period.stoptime = QVariant();
        QTest::newRow("forbidden period without end") << period << "21:30:00" << "";
        TaskRow daily = task(2, 1, test::timeOfDay(7, 5, 9));
        daily.stoptime = test::timeOfDay(8, 0);
        QTest::newRow("end shown for forbidden periods only") << daily << "07:05:09" << "";
        QTest::newRow("once shows date and time")
            << task(1, 1, at(QDateTime(QDate(2026, 12, 6), QTime(14, 30)))) << "6 Dec 2026 14:30:00" << "";
        QTest::newRow("once at midnight shows the date alone")
            << task(1, 1, at(QDateTime(QDate(2026, 12, 6), QTime(0, 0)))) << "6 Dec 2026" << "";
        QTest::newRow("no start") << task(2, 1) << "" << "";
        QTest::newRow("text in the date column is shown as stored")
            << task(2, 1, QStringLiteral("noon")) << "noon" << "";
        QTest::newRow("day number beyond any date") << task(2, 1, 1e12) << "1e+12" << "";
    }
    void startAndEndTexts()
    {
        QFETCH(TaskRow, row);
        QFETCH(QString, start);
        QFETCH(QString, end);
        const tasklist::Line line = tasklist::buildLines({row}, test::fixedNow()).constFirst();
        QCOMPARE(line.start, start);
        QCOMPARE(line.end, end);
    }

    void ids_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usable");
        QTest::newRow("small") << QVariant(qint64(7)) << "7" << true;
        QTest::newRow("beyond 16 bits") << QVariant(qint64(40000)) << "40000" << true;
        QTest::newRow("beyond 2^53, exact") << QVariant(qint64(9007199254740993)) << "9007199254740993" << true;
        QTest::newRow("Null") << QVariant() << "" << false;
        QTest::newRow("text") << QVariant(QStringLiteral("x1")) << "x1" << false;
    }
    void ids()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, text);
        QFETCH(bool, usable);
        TaskRow row = task(2, 1);
        row.id = stored;
        const tasklist::Line line = tasklist::buildLines({row}, test::fixedNow()).constFirst();
        QCOMPARE(line.idText, text);
        QCOMPARE(line.id.has_value(), usable);
        if (usable)
            QCOMPARE(QString::number(*line.id), text);
    }

    // The list keeps its rows packed and makes the texts when they are shown:
    // every cell reads as the line made from the stored row.
    void packedRowsShowTheirLines_data()
    {
        QTest::addColumn<QList<TaskRow>>("rows");
        const QDateTime now = test::fixedNow();
        TaskRow period = task(0, 5, test::timeOfDay(21, 30));
        period.stoptime = test::timeOfDay(23, 59);
        TaskRow monthly = task(3, 1, test::timeOfDay(8, 0));
        monthly.day = daynum::fromDate(QDate(2026, 1, 15));
        TaskRow odd = task(QStringLiteral("weekly"), QByteArray("\x01\x02"), QStringLiteral("noon"));
        odd.id = QStringLiteral("x1");
        odd.stoptime = 1e200;
        odd.day = QVariant(QMetaType::fromType<double>()); // a typed Null, as QtSql gives
        TaskRow huge = task(qint64(2), qint64(7), qint64(9000000000000000000));
        huge.id = qint64(9007199254740993);
        TaskRow smallNumbers = task(int(4), int(8), test::timeOfDay(7, 0));
        smallNumbers.weekday[1] = 2.5;
        smallNumbers.weekday[3] = QStringLiteral("1");
        QList<TaskRow> kinds{period, task(1, 1, at(now.addDays(1))), task(1, 1, at(now.addSecs(-5))), monthly,
                             weekly(8, {1, 3, 5}), task(0, 1, test::timeOfDay(1, 0)), task(2, 7)};
        for (qsizetype i = 0; i < kinds.size(); ++i)
            kinds[i].id = qint64(100 - i);
        QTest::newRow("every kind, newest period first") << kinds;
        QTest::newRow("damaged and odd values") << QList<TaskRow>{odd, huge, smallNumbers, TaskRow()};
        QTest::newRow("none") << QList<TaskRow>{};
    }
    void packedRowsShowTheirLines()
    {
        QFETCH(QList<TaskRow>, rows);
        const QList<tasklist::Line> lines = tasklist::buildLines(rows, test::fixedNow());
        tasklist::ListRows packed;
        tasklist::StateMarks marks(test::fixedNow());
        for (const TaskRow& row : rows)
            packed.append(row, marks.next(row));
        QCOMPARE(packed.size(), lines.size());
        for (qsizetype i = 0; i < packed.size(); ++i) {
            const TaskRow back = packed.row(i);
            const bool active = packed.isActive(i);
            const tasklist::Line& line = lines[i];
            QCOMPARE(tasklist::cellText(back, active, tasklist::ColState), line.state);
            QCOMPARE(tasklist::cellText(back, active, tasklist::ColStart), line.start);
            QCOMPARE(tasklist::cellText(back, active, tasklist::ColEnd), line.end);
            QCOMPARE(tasklist::cellText(back, active, tasklist::ColDescription), line.description);
            QCOMPARE(tasklist::cellText(back, active, tasklist::ColId), line.idText);
            QCOMPARE(packed.id(i), line.id);
            if (line.id) { // the first row with that id
                const qsizetype found = packed.indexOf(*line.id);
                QVERIFY(found >= 0 && found <= i);
                QCOMPARE(packed.id(found), line.id);
            }
        }
        QCOMPARE(packed.indexOf(424242), qsizetype(-1));
    }
};

QTEST_GUILESS_MAIN(TestTaskListText)
#include "tst_tasklisttext.moc"
