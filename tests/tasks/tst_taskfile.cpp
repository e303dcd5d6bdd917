// Task files: every kind survives a trip through the JSON file and the task
// table, bad files are refused with line, task and reason and change nothing,
// and the iCalendar export reads back in a real parser with the same rules.

#include "TaskFixtures.h"
#include "support/TempProgramDir.h"
#include "tasks/TaskCalendar.h"
#include "tasks/TaskFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>
#include <QTemporaryFile>

using namespace zelkor;

namespace {
// Only the future counts for a Once task, so its moment lies after the real
// clock's now as well as the fixed one.
const QString kFuture = QStringLiteral("2099-03-04T05:06:07");

QByteArray fileOf(const QByteArray& tasks) { return "{\n  \"version\": 1,\n  \"tasks\": [\n" + tasks + "\n  ]\n}\n"; }

taskfile::Parsed firstOf(const taskfile::Parsed& parsed, int count)
{
    return {parsed.drafts.mid(0, count), parsed.lines.mid(0, count), {}};
}

QList<TaskRow> allRows(const QString& database)
{
    TaskStore store(database);
    return store.rowsOf(queries::kAll);
}
} // namespace

class TestTaskFile : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void importIsAllOrNothing();
    void calendar_data();
    void calendar();
    void calendarUidsNameTheirDatabase_data();
    void calendarUidsNameTheirDatabase();
    void onceOnChangingNights_data();
    void onceOnChangingNights();
    void undescribableRowsAreLeftOut_data();
    void undescribableRowsAreLeftOut();
};

void TestTaskFile::roundTrip_data()
{
    QTest::addColumn<QByteArray>("task");
    QTest::newRow("forbidden") << QByteArray(R"({"schedule":"forbidden","from":"22:30:00","until":"06:15:00","action":"shutdown"})");
    QTest::newRow("once") << (R"({"schedule":"once","at":")" + kFuture.toUtf8() + R"(","action":"restart"})");
    QTest::newRow("daily") << QByteArray(R"({"schedule":"daily","time":"23:00:00","action":"logoff"})");
    QTest::newRow("weekly") << QByteArray(R"({"schedule":"weekly","days":["sun","wed","sat"],"time":"17:45:00","action":"lock"})");
    QTest::newRow("monthly 31") << QByteArray(R"({"schedule":"monthly","day":31,"time":"12:00:00","action":"hibernate"})");
    QTest::newRow("standby") << QByteArray(R"({"schedule":"daily","time":"01:02:03","action":"standby"})");
    QTest::newRow("power on, target") << QByteArray(R"({"schedule":"daily","time":"07:00:00","action":"poweron","target":"/usr/bin/true"})");
    QTest::newRow("remind, message") << QByteArray(R"({"schedule":"monthly","day":1,"time":"09:00:00","action":"remind","message":"Backups, now; really"})");
}

void TestTaskFile::roundTrip()
{
    QFETCH(QByteArray, task);
    const taskfile::Parsed parsed = taskfile::parse(fileOf(task));
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
    QCOMPARE(parsed.drafts.size(), 1);

    test::TempProgramDir dir;
    QVERIFY(dir.isValid());
    TaskStore store(dir.databasePath());
    const Outcome stored = taskfile::importDrafts(store, parsed, test::fixedNow());
    QVERIFY2(stored.ok, qPrintable(stored.error));

    // Out of the table again: the same object, with the id the table gave it.
    const QList<TaskRow> rows = allRows(dir.databasePath());
    QCOMPARE(rows.size(), 1);
    const QJsonObject exported =
        QJsonDocument::fromJson(taskfile::exportText(rows)).object().value(QStringLiteral("tasks")).toArray().at(0).toObject();
    QJsonObject expected = QJsonDocument::fromJson(task).object();
    expected.insert(QStringLiteral("id"), rows.first().idValue().value_or(-1));
    QCOMPARE(exported, expected);
}

void TestTaskFile::refused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");
    const QByteArray good = R"(    {"schedule": "daily", "time": "08:00", "action": "lock"},)";
    QTest::newRow("malformed") << QByteArray("{\n  \"version\": 1,\n  \"tasks\": [\n    {\"schedule\": }\n]}")
                               << QStringLiteral("line 4: ");
    QTest::newRow("empty") << QByteArray(" \n") << QStringLiteral("the file is empty");
    QTest::newRow("a calendar file") << QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n")
                                     << QStringLiteral("line 1: a task file is an object with \"version\": 1");
    QTest::newRow("no version") << QByteArray(R"({"tasks": []})")
                                << QStringLiteral("line 1: a task file is an object with \"version\": 1");
    QTest::newRow("unknown top field") << QByteArray("{\"version\": 1,\n\"tasks\": [],\n\"colour\": 3}")
                                       << QStringLiteral("line 3: unknown field \"colour\"");
    QTest::newRow("unknown field") << fileOf(good + "\n    {\"schedule\": \"daily\", \"time\": \"08:00\",\n     \"colour\": \"red\", \"action\": \"lock\"}")
                                   << QStringLiteral("line 6: task 2: unknown field \"colour\" for a daily task with action lock");
    QTest::newRow("field of another schedule") << fileOf(R"(    {"schedule": "daily", "time": "08:00", "days": ["mon"], "action": "lock"})")
                                               << QStringLiteral("line 4: task 1: unknown field \"days\"");
    QTest::newRow("monthly day 32") << fileOf(good + "\n" + good + "\n    {\"schedule\": \"monthly\", \"time\": \"08:00\",\n     \"day\": 32, \"action\": \"lock\"}")
                                    << QStringLiteral("line 7: task 3: \"day\" must be a day of the month from 1 to 31, not 32");
    QTest::newRow("monthly day 0") << fileOf(R"({"schedule": "monthly", "time": "08:00", "day": 0, "action": "lock"})")
                                   << QStringLiteral("task 1: \"day\" must be a day of the month from 1 to 31, not 0");
    QTest::newRow("unknown action") << fileOf(R"({"schedule": "daily", "time": "08:00", "action": "explode"})")
                                    << QStringLiteral("task 1: \"action\" must be one of shutdown, restart");
    QTest::newRow("open is no task action") << fileOf(R"({"schedule": "daily", "time": "08:00", "action": "open"})")
                                            << QStringLiteral("task 1: \"action\" must be one of");
    QTest::newRow("bad time") << fileOf(R"({"schedule": "daily", "time": "25:00", "action": "lock"})")
                              << QStringLiteral("task 1: \"time\" must be a time of day");
    QTest::newRow("missing time") << fileOf(R"({"schedule": "weekly", "days": ["mon"], "action": "lock"})")
                                  << QStringLiteral("task 1: the field \"time\" is missing");
    QTest::newRow("bad day name") << fileOf(R"({"schedule": "weekly", "time": "08:00", "days": ["mo"], "action": "lock"})")
                                  << QStringLiteral("task 1: \"mo\" is no day of the week");
    QTest::newRow("target and message") << fileOf(R"({"schedule": "daily", "time": "08:00", "action": "remind", "target": "a", "message": "b"})")
                                        << QStringLiteral("task 1: a task has either \"target\" or \"message\", not both");
    QTest::newRow("target on shutdown") << fileOf(R"({"schedule": "daily", "time": "08:00", "action": "shutdown", "target": "a"})")
                                        << QStringLiteral("task 1: unknown field \"target\"");
    QTest::newRow("task no object") << fileOf("3") << QStringLiteral("task 1: a task must be an object");
    QTest::newRow("a text as the first task")
        << fileOf("    \"daily at eight\",\n    {\"schedule\": \"daily\", \"time\": \"08:00\", \"action\": \"lock\"}")
        << QStringLiteral("line 4: task 1: a task must be an object");
    QTest::newRow("a list as the first task")
        << fileOf("    [1, 2],\n    {\"schedule\": \"daily\", \"time\": \"08:00\", \"action\": \"lock\"}")
        << QStringLiteral("line 4: task 1: a task must be an object");
    QTest::newRow("monthly day as a text") << fileOf(R"({"schedule": "monthly", "time": "08:00", "day": "15", "action": "lock"})")
                                           << QStringLiteral("task 1: \"day\" must be a day of the month from 1 to 31, not \"15\"");
    QTest::newRow("forbidden period that locks") << fileOf(R"({"schedule": "forbidden", "from": "22:00", "until": "23:00", "action": "lock"})")
                                                 << QStringLiteral("task 1: the \"action\" of a forbidden period is shutdown or hibernate");
    QTest::newRow("a word that starts like a day") << fileOf(R"({"schedule": "weekly", "time": "08:00", "days": ["monkey"], "action": "lock"})")
                                                   << QStringLiteral("task 1: \"monkey\" is no day of the week");
    QTest::newRow("a field twice in a task")
        << fileOf(good + "\n    {\"schedule\": \"once\", \"at\": \"2027-01-01T08:00:00\",\n     \"action\": \"lock\", \"at\": \"2027-06-01T08:00:00\"}")
        << QStringLiteral("line 6: task 2: the field \"at\" is given twice");
    QTest::newRow("a field twice in the file") << QByteArray("{\"version\": 1,\n\"tasks\": [],\n\"tasks\": []}")
                                              << QStringLiteral("line 3: the field \"tasks\" is given twice");
    QTest::newRow("the same name in two tasks and in a text")
        << fileOf(good + "\n" + R"(    {"schedule": "daily", "time": "09:00", "action": "remind", "message": "\"time\": twice"})" + "\n  ], \"tasks\": [")
        << QStringLiteral("line 6: the field \"tasks\" is given twice");
    QTest::newRow("message no text") << fileOf(R"({"schedule": "daily", "time": "08:00", "action": "remind", "message": 123})")
                                     << QStringLiteral("task 1: \"message\" must be a text in quotes");
}

void TestTaskFile::refused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    const taskfile::Parsed parsed = taskfile::parse(file);
    QVERIFY2(parsed.error.contains(error), qPrintable(parsed.error));
    QVERIFY(parsed.drafts.isEmpty());
}

void TestTaskFile::importIsAllOrNothing()
{
    test::TempProgramDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(test::addRow(dir.databasePath(), {{QStringLiteral("type"), 2}, {QStringLiteral("action"), 1},
                                              {QStringLiteral("starttime"), test::timeOfDay(8, 0)}}) > 0);
    // The third task's moment has passed: the dialog refuses it, but a file
    // gives it as an export wrote it, so it is kept (it runs no more).
    const taskfile::Parsed parsed = taskfile::parse(fileOf(
        R"({"schedule": "daily", "time": "08:00", "action": "lock"},
           {"schedule": "weekly", "time": "09:00", "days": ["mon"], "action": "restart"},
           {"schedule": "once", "at": "2026-06-10T11:59:59", "action": "restart"})"));
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
    TaskStore store(dir.databasePath());
    bool taskRefused = false;
    QVERIFY(taskfile::importDrafts(store, parsed, test::fixedNow(), &taskRefused).ok);
    QVERIFY(!taskRefused);
    QCOMPARE(test::rowCount(dir.databasePath()), 4);

    // A table that refuses a write in the middle: the rows before it go too.
    {
        test::RawConnection raw(dir.databasePath());
        QVERIFY(raw.exec(QStringLiteral("create trigger no_weekly before insert on task when new.type = 4 "
                                        "begin select raise(abort, 'no weekly tasks here'); end")));
    }
    taskRefused = false;
    const Outcome aborted = taskfile::importDrafts(store, firstOf(parsed, 2), test::fixedNow(), &taskRefused);
    QVERIFY(!aborted.ok);
    QVERIFY(!taskRefused); // the table refused, not the rules: exit status 1, not 2
    QVERIFY2(aborted.error.startsWith(QStringLiteral("task 2: ")), qPrintable(aborted.error));
    QCOMPARE(test::rowCount(dir.databasePath()), 4);
    // And the store is usable afterwards.
    QVERIFY(taskfile::importDrafts(store, firstOf(parsed, 1), test::fixedNow()).ok);
    QCOMPARE(test::rowCount(dir.databasePath()), 5);
}

void TestTaskFile::calendar_data()
{
    QTest::addColumn<QByteArray>("task");
    QTest::addColumn<QString>("event"); // as the parser reads it back
    QTest::addColumn<QDateTime>("now");
    QTest::newRow("forbidden") << QByteArray(R"({"schedule":"forbidden","from":"22:30","until":"06:15","action":"shutdown"})")
                               << QStringLiteral("Not allow to use computer|2026-06-10 22:30:00|2026-06-11 06:15:00|{'FREQ': ['DAILY']}") << test::fixedNow();
    QTest::newRow("once") << (R"({"schedule":"once","at":")" + kFuture.toUtf8() + R"(","action":"restart"})")
                          << QStringLiteral("Restart|2099-03-04 05:06:07|-|-") << test::fixedNow();
    QTest::newRow("daily") << QByteArray(R"({"schedule":"daily","time":"23:00","action":"logoff"})")
                           << QStringLiteral("Log Off|2026-06-10 23:00:00|-|{'FREQ': ['DAILY']}") << test::fixedNow();
    QTest::newRow("weekly") << QByteArray(R"({"schedule":"weekly","days":["sun","mon"],"time":"17:45","action":"lock"})")
                            << QStringLiteral("Lock|2026-06-14 17:45:00|-|{'FREQ': ['WEEKLY'], 'BYDAY': ['SU', 'MO']}") << test::fixedNow();
    QTest::newRow("monthly 31") << QByteArray(R"({"schedule":"monthly","day":31,"time":"12:00","action":"hibernate"})")
                                << QStringLiteral("Hibernate|2026-07-31 12:00:00|-|{'FREQ': ['MONTHLY'], 'BYMONTHDAY': [31]}") << test::fixedNow();
    QTest::newRow("message with commas") << QByteArray(R"({"schedule":"daily","time":"09:00","action":"remind","message":"Tea, cake; and a very long line that has to be folded somewhere \u00e4\u00f6\u00fc \u00e4\u00f6\u00fc"})")
                                         << QStringLiteral("Events Remind: Tea, cake; and a very long line that has to be folded somewhere \u00e4\u00f6\u00fc \u00e4\u00f6\u00fc|2026-06-10 09:00:00|-|{'FREQ': ['DAILY']}") << test::fixedNow();
    QTest::newRow("message with control characters")
        << QByteArray(R"({"schedule":"daily","time":"09:00","action":"remind","message":"bell\u0007,\u001b[1m\ttab\r\u007f"})")
        << QStringLiteral("Events Remind: bell,[1m\ttab|2026-06-10 09:00:00|-|{'FREQ': ['DAILY']}") << test::fixedNow();
    // The night the clock jumps from 02:00 to 03:00: times in the skipped hour
    // are still written, as the wall clock's.
    const QDateTime spring(QDate(2027, 3, 28), QTime(1, 0));
    QTest::newRow("daily, skipped tonight") << QByteArray(R"({"schedule":"daily","time":"02:30","action":"logoff"})")
                                            << QStringLiteral("Log Off|2027-03-28 02:30:00|-|{'FREQ': ['DAILY']}") << spring;
    QTest::newRow("forbidden, from the skipped hour")
        << QByteArray(R"({"schedule":"forbidden","from":"02:30","until":"06:00","action":"shutdown"})")
        << QStringLiteral("Not allow to use computer|2027-03-28 02:30:00|2027-03-28 06:00:00|{'FREQ': ['DAILY']}") << spring;
    QTest::newRow("weekly, skipped tonight") << QByteArray(R"({"schedule":"weekly","days":["sun"],"time":"02:15","action":"lock"})")
                                             << QStringLiteral("Lock|2027-03-28 02:15:00|-|{'FREQ': ['WEEKLY'], 'BYDAY': ['SU']}") << spring;
}

void TestTaskFile::calendar()
{
    QFETCH(QByteArray, task);
    QFETCH(QString, event);
    QFETCH(QDateTime, now);
    const taskfile::Parsed parsed = taskfile::parse(fileOf(task));
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
    test::TempProgramDir dir;
    TaskStore store(dir.databasePath());
    QVERIFY(taskfile::importDrafts(store, parsed, now).ok);

    const QByteArray ics = calendarText(allRows(dir.databasePath()), now, calendarSource(dir.databasePath()));
    for (const QByteArray& line : ics.split('\n')) {
        QVERIFY2(line.size() <= 76, line.constData()); // 75 octets and the CR
        for (const char c : line.chopped(line.endsWith('\r') ? 1 : 0))
            QVERIFY2((uchar(c) >= 0x20 && c != 0x7f) || c == '\t', line.constData());
    }
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(ics);
    file.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), // Debian's, the one with python3-icalendar
                  {QStringLiteral("-c"), QStringLiteral(R"(
import sys, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
assert cal['VERSION'] == '2.0' and cal['PRODID']
for e in cal.walk('VEVENT'):
    assert e['UID'] and e['DTSTAMP']
    end = e.get('DTEND')
    rule = e.get('RRULE')
    print('|'.join([str(e['SUMMARY']), str(e['DTSTART'].dt), str(end.dt) if end else '-',
                    str(dict(rule)) if rule else '-']))
)"), file.fileName()});
    QVERIFY(python.waitForFinished(15000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).trimmed(), event);
}

void TestTaskFile::calendarUidsNameTheirDatabase_data()
{
    QTest::addColumn<QString>("otherDatabase"); // empty: the same one, exported again
    QTest::addColumn<bool>("sameUids");
    QTest::newRow("the same database again") << QString() << true;
    QTest::newRow("another database, the same task numbers") << QStringLiteral("/elsewhere/zelkor.dll") << false;
}

// A calendar program takes a UID it knows as the same event: exported again,
// a database keeps its UIDs; two databases' tasks of one number never meet.
void TestTaskFile::calendarUidsNameTheirDatabase()
{
    QFETCH(QString, otherDatabase);
    QFETCH(bool, sameUids);
    test::TempProgramDir dir;
    QVERIFY(dir.isValid());
    for (int hour : {8, 9})
        QVERIFY(test::addRow(dir.databasePath(), {{QStringLiteral("type"), 2}, {QStringLiteral("action"), 5},
                                                  {QStringLiteral("starttime"), test::timeOfDay(hour, 0)}}) > 0);
    const QList<TaskRow> rows = allRows(dir.databasePath());
    const auto uids = [&rows](const QString& database) {
        QSet<QByteArray> found;
        for (const QByteArray& line : calendarText(rows, test::fixedNow(), calendarSource(database)).split('\n'))
            if (line.startsWith("UID:"))
                found.insert(line.trimmed());
        return found;
    };
    const QSet<QByteArray> first = uids(dir.databasePath());
    QCOMPARE(first.size(), 2);
    const QSet<QByteArray> second = uids(otherDatabase.isEmpty() ? dir.databasePath() : otherDatabase);
    QCOMPARE(second == first, sameUids);
    QCOMPARE(second.intersects(first), sameUids);
}

void TestTaskFile::onceOnChangingNights_data()
{
    // Berlin's clock jumps from 02:00 to 03:00 on 28 March 2027 and goes back
    // from 03:00 to 02:00 on 31 October 2027.
    QTest::addColumn<QString>("at");
    QTest::addColumn<QString>("stored"); // as exported; empty: refused
    QTest::newRow("skipped: as the dialog takes it") << "2027-03-28T02:30:00" << "2027-03-28T03:30:00";
    QTest::newRow("shown twice: the first") << "2027-10-31T02:30:00" << "2027-10-31T02:30:00";
    QTest::newRow("first showing's offset") << "2027-10-31T02:30:00+02:00" << "2027-10-31T02:30:00";
    QTest::newRow("second showing's offset") << "2027-10-31T02:30:00+01:00" << "";
    QTest::newRow("another zone's offset") << "2027-01-31T08:30:00+05:00" << "2027-01-31T04:30:00";
    QTest::newRow("UTC") << "2027-01-31T08:30:00Z" << "2027-01-31T09:30:00";
    QTest::newRow("24:00, the end of the day") << "2027-01-31T24:00:00" << "2027-02-01T00:00:00";
    QTest::newRow("24:00 with an offset") << "2027-01-31T24:00:00+01:00" << "2027-02-01T00:00:00";
}

// A date and time can only be stored as the wall clock shows it: one that
// stands for the second showing of a repeated time would run an hour early.
void TestTaskFile::onceOnChangingNights()
{
    QFETCH(QString, at);
    QFETCH(QString, stored);
    const taskfile::Parsed parsed =
        taskfile::parse(fileOf(R"({"schedule": "once", "action": "lock", "at": ")" + at.toUtf8() + R"("})"));
    if (stored.isEmpty()) {
        QVERIFY2(parsed.error.contains(QLatin1String("the second time the clock shows 02:30:00")),
                 qPrintable(parsed.error));
        return;
    }
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
    test::TempProgramDir dir;
    QVERIFY(dir.isValid());
    TaskStore store(dir.databasePath());
    const Outcome outcome = taskfile::importDrafts(store, parsed, test::fixedNow());
    QVERIFY2(outcome.ok, qPrintable(outcome.error));
    const QJsonObject task = QJsonDocument::fromJson(taskfile::exportText(allRows(dir.databasePath())))
                                 .object().value(QStringLiteral("tasks")).toArray().at(0).toObject();
    QCOMPARE(task.value(QStringLiteral("at")).toString(), stored);
}

void TestTaskFile::undescribableRowsAreLeftOut_data()
{
    QTest::addColumn<QVariant>("type");
    QTest::addColumn<QVariant>("action");
    QTest::addColumn<QVariant>("start");
    QTest::addColumn<QVariant>("day");
    QTest::addColumn<int>("described");
    const QVariant eight(test::timeOfDay(8, 0));
    const QVariant none;
    QTest::newRow("sound") << QVariant(2) << QVariant(5) << eight << none << 1;
    QTest::newRow("no action") << QVariant(2) << QVariant() << eight << none << 0;
    QTest::newRow("unknown action") << QVariant(2) << QVariant(12) << eight << none << 0;
    QTest::newRow("unknown kind") << QVariant(9) << QVariant(5) << eight << none << 0;
    QTest::newRow("daily without its time") << QVariant(2) << QVariant(5) << none << none << 0;
    QTest::newRow("monthly") << QVariant(3) << QVariant(5) << eight << QVariant(46174.0) << 1;
    QTest::newRow("monthly without its day") << QVariant(3) << QVariant(5) << eight << none << 0;
    QTest::newRow("once, a text for its moment") << QVariant(1) << QVariant(5) << QVariant("12:30") << none << 0;
    QTest::newRow("once, beyond any date") << QVariant(1) << QVariant(5) << QVariant(1e308) << none << 0;
    QTest::newRow("forbidden without its end") << QVariant(0) << QVariant(1) << eight << none << 0;
}

// Written out as they load into the dialog, such rows would come back from
// the file as shutdowns the table never held.
void TestTaskFile::undescribableRowsAreLeftOut()
{
    QFETCH(QVariant, type);
    QFETCH(QVariant, action);
    QFETCH(QVariant, start);
    QFETCH(QVariant, day);
    QFETCH(int, described);
    test::TempProgramDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(test::addRow(dir.databasePath(), {{QStringLiteral("type"), type}, {QStringLiteral("action"), action},
                                              {QStringLiteral("starttime"), start}, {QStringLiteral("day"), day}}) > 0);
    const QList<TaskRow> rows = allRows(dir.databasePath());
    const QJsonArray tasks =
        QJsonDocument::fromJson(taskfile::exportText(rows)).object().value(QStringLiteral("tasks")).toArray();
    QCOMPARE(tasks.size(), described);
    QCOMPARE(int(calendarText(rows, test::fixedNow(), calendarSource(dir.databasePath())).count("BEGIN:VEVENT")), described);
}

QTEST_GUILESS_MAIN(TestTaskFile)

#include "tst_taskfile.moc"
