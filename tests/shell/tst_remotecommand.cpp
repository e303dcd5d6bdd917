// The command line as typed: what each form asks of the running program, and
// the reasons for refusing what makes no command (exit status 2).

#include "common/DurationText.h"
#include "shell/RemoteCommand.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;
using namespace zelkor::cli;

namespace {
const QDateTime kNow(QDate(2026, 6, 10), QTime(12, 0, 0));
}

class TestRemoteCommand : public QObject {
    Q_OBJECT
private slots:
    void durations_data();
    void durations();
    void momentsOnChangingNights_data();
    void momentsOnChangingNights();
    void momentsAsPeopleTypeThem_data();
    void momentsAsPeopleTypeThem();
    void shownMomentsReadBack_data();
    void shownMomentsReadBack();
    void commands_data();
    void commands();
    void refusals_data();
    void refusals();
    void openTargetsNamedFromTheCallersFolder_data();
    void openTargetsNamedFromTheCallersFolder();
    void onlyCommandsLeaveTheWindowOut_data();
    void onlyCommandsLeaveTheWindowOut();
};

void TestRemoteCommand::durations_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("seconds"); // -1: refused
    QTest::newRow("minutes") << "90m" << qint64(5400);
    QTest::newRow("hours and minutes") << "1h30m" << qint64(5400);
    QTest::newRow("seconds") << "45s" << qint64(45);
    QTest::newRow("all, spaced") << "2h 5m 10s" << qint64(7510);
    QTest::newRow("upper case") << "2H" << qint64(7200);
    QTest::newRow("plain seconds") << "300" << qint64(300);
    QTest::newRow("negative") << "-5m" << qint64(-1);
    QTest::newRow("negative plain") << "-5" << qint64(-1);
    QTest::newRow("order") << "5m1h" << qint64(-1);
    QTest::newRow("unit unknown") << "3d" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
    QTest::newRow("absurd") << "99999999999h" << qint64(-1);
    QTest::newRow("the longest") << "999999999" << qint64(999999999);
    QTest::newRow("beyond the longest") << "1000000000" << qint64(-1);
    QTest::newRow("beyond, in hours") << "999999999h" << qint64(-1);
    QTest::newRow("milliseconds overflow") << "9223372036854776" << qint64(-1);
}

void TestRemoteCommand::durations()
{
    QFETCH(QString, text);
    QFETCH(qint64, seconds);
    QCOMPARE(durationtext::parseDuration(text).value_or(-1), seconds);
    if (seconds > 0)
        QCOMPARE(durationtext::parseDuration(durationtext::formatDuration(seconds)).value_or(-1), seconds);
}

void TestRemoteCommand::momentsOnChangingNights_data()
{
    // Berlin's clock jumps from 02:00 to 03:00 on 28 March 2027 and goes back
    // from 03:00 to 02:00 on 31 October 2027.
    QTest::addColumn<QDateTime>("now"); // UTC
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected"); // UTC
    const QDate spring(2027, 3, 28), autumn(2027, 10, 31);
    const auto utc = [](QDate d, QTime t) { return QDateTime(d, t, Qt::UTC); };
    QTest::newRow("skipped time: read before the jump") << utc(spring, QTime(0, 0)) << "02:30"
                                                        << utc(spring, QTime(1, 30));
    QTest::newRow("skipped date and time") << utc(spring, QTime(0, 0)) << "2027-03-28T02:30"
                                           << utc(spring, QTime(1, 30));
    QTest::newRow("repeated time: first showing") << utc(autumn, QTime(0, 10)) << "02:30"
                                                  << utc(autumn, QTime(0, 30));
    QTest::newRow("repeated time: shown again") << utc(autumn, QTime(0, 40)) << "02:30"
                                                << utc(autumn, QTime(1, 30));
    QTest::newRow("repeated time: both passed") << utc(autumn, QTime(1, 40)) << "02:30"
                                                << utc(autumn.addDays(1), QTime(1, 30));
    QTest::newRow("repeated date and time: first showing") << utc(autumn, QTime(1, 40)) << "2027-10-31T02:30"
                                                           << utc(autumn, QTime(0, 30));
    QTest::newRow("repeated, the locale's form") << utc(autumn, QTime(0, 0)) << "31.10.27 02:30"
                                                 << utc(autumn, QTime(0, 30));
    QTest::newRow("repeated date and time: shown again") << utc(autumn, QTime(0, 40)) << "2027-10-31T02:30"
                                                         << utc(autumn, QTime(1, 30));
    QTest::newRow("repeated, the locale's form, shown again") << utc(autumn, QTime(0, 40)) << "31.10.27 02:30"
                                                              << utc(autumn, QTime(1, 30));
}

void TestRemoteCommand::momentsOnChangingNights()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    // Each after a conversion that leaves the C library guessing the other
    // offset, so a guess cannot pass for the rule.
    for (const QDateTime& before : {QDateTime(now.date(), QTime(1, 30)), QDateTime(now.date(), QTime(3, 30))}) {
        QVERIFY(before.isValid());
        const auto moment = durationtext::parseMoment(text, now.toLocalTime(), QLocale(QLocale::German));
        QVERIFY(moment);
        QCOMPARE(moment->toUTC(), expected);
    }
}

// A moment in the form the clock and the task list show it, and as people
// type it: a four-digit year, a one-digit hour, a locale's own digits.
void TestRemoteCommand::momentsAsPeopleTypeThem_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime at(QDate(2026, 12, 31), QTime(20, 30));
    QTest::newRow("German, as shown") << "de_DE" << "31.12.26 20:30" << at;
    QTest::newRow("German, four-digit year") << "de_DE" << "31.12.2026 20:30" << at;
    QTest::newRow("German, one-digit day, month, hour") << "de_DE" << "9.6.2026 8:30" << QDateTime(QDate(2026, 6, 9), QTime(8, 30));
    QTest::newRow("German, one-digit hour alone") << "de_DE" << "8:30" << QDateTime(QDate(2026, 6, 11), QTime(8, 30));
    QTest::newRow("US, as shown") << "en_US" << "12/31/26 8:30 PM" << at;
    QTest::newRow("US, four-digit year") << "en_US" << "12/31/2026 8:30 PM" << at;
    QTest::newRow("German, in the hour shown twice") << "de_DE" << "25.10.2026 02:30" << QDateTime(QDate(2026, 10, 25), QTime(2, 30));
    QTest::newRow("German, in the skipped hour") << "de_DE" << "28.03.2027 02:30" << QDateTime(QDate(2027, 3, 28), QTime(3, 30));
    QTest::newRow("US, date and 24-hour time") << "en_US" << "12/31/2026 20:30" << at;
    QTest::newRow("US, date and morning on the 24-hour clock") << "en_US" << "1/2/2027 8:05:30" << QDateTime(QDate(2027, 1, 2), QTime(8, 5, 30));
    QTest::newRow("US, 24-hour time alone") << "en_US" << "20:30" << QDateTime(kNow.date(), QTime(20, 30));
    QTest::newRow("Egyptian, its own digits") << "ar_EG" << QString::fromUtf8("٣١/١٢/٢٠٢٦ ٨:٣٠ م") << at;
    QTest::newRow("Egyptian, 24-hour time alone") << "ar_EG" << QString::fromUtf8("٢٠:٣٠") << QDateTime(kNow.date(), QTime(20, 30));
}

void TestRemoteCommand::momentsAsPeopleTypeThem()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const auto moment = durationtext::parseMoment(text, kNow, QLocale(locale));
    QVERIFY2(moment, qPrintable(text));
    QCOMPARE(*moment, expected);
}

// What --status shows, --at takes: in the locale's own digits and day halves.
void TestRemoteCommand::shownMomentsReadBack_data()
{
    QTest::addColumn<QString>("locale");
    for (const char* name : {"en_US", "de_DE", "fr_FR", "ar_EG", "fa_IR", "ko_KR", "ja_JP", "hi_IN", "zh_TW"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestRemoteCommand::shownMomentsReadBack()
{
    QFETCH(QString, locale);
    for (const QDateTime& moment : {QDateTime(QDate(2027, 1, 2), QTime(8, 5)), QDateTime(QDate(2026, 12, 31), QTime(20, 30))}) {
        const QString shown = durationtext::formatMoment(moment, QLocale(locale));
        const auto read = durationtext::parseMoment(shown, kNow, QLocale(locale));
        QVERIFY2(read, qPrintable(shown));
        QCOMPARE(*read, moment);
    }
}

void TestRemoteCommand::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("value");
    const QString offset = kNow.toOffsetFromUtc(kNow.offsetFromUtc()).toString(Qt::ISODate).mid(19);
    QTest::newRow("now") << QStringList{"--do", "lock"} << int(Command::Perform) << "lock" << "" << "";
    QTest::newRow("caption") << QStringList{"--do", "Shut Down"} << int(Command::Perform) << "shutdown" << "" << "";
    QTest::newRow("in") << QStringList{"--in", "90m", "--do", "lock"} << int(Command::Countdown) << "lock" << "after" << "5400";
    QTest::newRow("uptime") << QStringList{"--do", "hibernate", "--uptime", "3h"} << int(Command::Countdown) << "hibernate" << "uptime" << "10800";
    QTest::newRow("idle") << QStringList{"--do", "standby", "--idle", "15"} << int(Command::Countdown) << "standby" << "idle" << "900";
    QTest::newRow("at iso") << QStringList{"--do", "restart", "--at", "2026-06-11T08:30"} << int(Command::Countdown) << "restart" << "at"
                            << "2026-06-11T08:30:00" + offset;
    QTest::newRow("at time, later today") << QStringList{"--do", "restart", "--at", "22:15"} << int(Command::Countdown) << "restart" << "at"
                                          << "2026-06-10T22:15:00" + offset;
    QTest::newRow("at time, passed: tomorrow") << QStringList{"--do", "restart", "--at", "08:00"} << int(Command::Countdown) << "restart" << "at"
                                               << "2026-06-11T08:00:00" + offset;
    QTest::newRow("at, locale") << QStringList{"--do", "restart", "--at", "11.06.26 07:05"} << int(Command::Countdown) << "restart" << "at"
                                << "2026-06-11T07:05:00" + offset;
    QTest::newRow("cancel") << QStringList{"--cancel"} << int(Command::Cancel) << "" << "" << "";
    QTest::newRow("status") << QStringList{"--status", "--json"} << int(Command::Status) << "" << "" << "";
    QTest::newRow("toggle") << QStringList{"--toggle-hidden"} << int(Command::ToggleHidden) << "" << "" << "";
    QTest::newRow("quit") << QStringList{"--quit"} << int(Command::Quit) << "" << "" << "";
    QTest::newRow("list") << QStringList{"tasks", "list"} << int(Command::TasksList) << "" << "" << "";
    QTest::newRow("remove") << QStringList{"tasks", "remove", "7"} << int(Command::TasksRemove) << "" << "" << "";
    QTest::newRow("export") << QStringList{"tasks", "export", "--ics"} << int(Command::TasksExport) << "" << "" << "";
    QTest::newRow("import") << QStringList{"tasks", "import", "a.json"} << int(Command::TasksImport) << "" << "" << "";
    QTest::newRow("help with a command") << QStringList{"--status", "--help"} << int(Command::Help) << "" << "" << "";
    QTest::newRow("help with tasks") << QStringList{"tasks", "add", "-h"} << int(Command::Help) << "" << "" << "";
}

void TestRemoteCommand::commands()
{
    QFETCH(QStringList, args);
    QFETCH(int, kind);
    QFETCH(QString, action);
    QFETCH(QString, mode);
    QFETCH(QString, value);
    QString why;
    const auto c = parseCommand(QStringList{"zelkor"} + args, kNow, QLocale(QLocale::German), &why);
    QVERIFY2(c, qPrintable(why));
    QCOMPARE(int(c->kind), kind);
    QCOMPARE(c->action, action);
    QCOMPARE(c->mode, mode);
    QCOMPARE(c->value, value);
}

void TestRemoteCommand::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("why");
    QTest::newRow("unknown action") << QStringList{"--do", "explode"} << "Unknown action \"explode\"; one of shutdown";
    QTest::newRow("blank target") << QStringList{"--do", "open", "--target", "  "} << "--do open needs --target";
    QTest::newRow("negative duration") << QStringList{"--in", "-5m", "--do", "lock"} << "A duration cannot be negative: \"-5m\".";
    QTest::newRow("zero duration") << QStringList{"--in", "0s", "--do", "lock"} << "A duration must be more than 0 seconds: \"0s\".";
    QTest::newRow("zero uptime") << QStringList{"--uptime", "0h0m", "--do", "lock"} << "A duration must be more than 0 seconds: \"0h0m\".";
    QTest::newRow("duration too long") << QStringList{"--in", "9223372036854776", "--do", "lock"}
                                       << "\"9223372036854776\" is longer than a countdown can be (277777h at most)";
    QTest::newRow("two timings") << QStringList{"--in", "5m", "--idle", "3", "--do", "lock"} << "at most one of";
    QTest::newRow("idle not minutes") << QStringList{"--idle", "5m", "--do", "lock"} << "--idle takes a number of minutes";
    QTest::newRow("bad moment") << QStringList{"--at", "tomorrowish", "--do", "lock"} << "\"tomorrowish\" is no date and time";
    QTest::newRow("timing without action") << QStringList{"--in", "5m"} << "go with --do ACTION";
    QTest::newRow("open without target") << QStringList{"--do", "open"} << "--do open needs --target";
    QTest::newRow("an option twice") << QStringList{"--do", "lock", "--do", "shutdown"} << "--do is given twice.";
    QTest::newRow("missing value") << QStringList{"--do"} << "Missing value after '--do'.";
    QTest::newRow("two commands") << QStringList{"--show", "--cancel"} << "give one of";
    QTest::newRow("tasks, nothing") << QStringList{"tasks"} << "usage: zelkor tasks";
    QTest::newRow("remove, no id") << QStringList{"tasks", "remove", "x"} << "\"x\" is no task id";
    QTest::newRow("unknown word") << QStringList{"task", "list"} << "unknown command \"task\"";
    QTest::newRow("calendar of the list") << QStringList{"tasks", "list", "--ics"} << "--ics goes with tasks export";
    QTest::newRow("JSON of an export") << QStringList{"tasks", "export", "--json"} << "--json goes with";
    QTest::newRow("JSON of a show") << QStringList{"--show", "--json"} << "--json goes with";
    QTest::newRow("JSON of an action") << QStringList{"--do", "lock", "--json"} << "--json goes with";
    QTest::newRow("target of a lock") << QStringList{"--in", "10m", "--do", "lock", "--target", "/etc/passwd"}
                                      << "--target goes with --do open, remind or poweron";
    QTest::newRow("unknown next to help") << QStringList{"--status", "--help", "--bogus"} << "Unknown option 'bogus'.";
}

void TestRemoteCommand::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, why);
    QString reason;
    QVERIFY(!parseCommand(QStringList{"zelkor"} + args, kNow, QLocale(QLocale::German), &reason));
    QVERIFY2(reason.contains(why), qPrintable(reason));
}

void TestRemoteCommand::openTargetsNamedFromTheCallersFolder_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("target"); // HERE: the caller's folder
    QTest::addColumn<QString>("sent");
    QTest::newRow("file here") << "open" << "report.txt" << "HERE/report.txt";
    QTest::newRow("file in a folder here") << "open" << "sub/../report.txt" << "HERE/report.txt";
    QTest::newRow("no such file here") << "open" << "missing.txt" << "HERE/missing.txt";
    QTest::newRow("no such file in a folder here") << "open" << "sub/missing.txt" << "HERE/sub/missing.txt";
    QTest::newRow("web address") << "open" << "https://zelkor.example.org/" << "https://zelkor.example.org/";
    QTest::newRow("web address without a scheme") << "open" << "www.example.org" << "www.example.org";
    QTest::newRow("absolute") << "open" << "HERE/report.txt" << "HERE/report.txt";
    QTest::newRow("a message, not a file") << "remind" << "report.txt" << "report.txt";
    // "task": a stored task's "target", given to tasks add.
    QTest::newRow("task: file here") << "task" << "report.txt" << "HERE/report.txt";
    QTest::newRow("task: web address") << "task" << "https://zelkor.example.org/" << "https://zelkor.example.org/";
    QTest::newRow("task: field given twice, refused there")
        << "task" << "x\", \"target\": \"report.txt" << "report.txt";
}

// The running program works in a folder of its own: a relative name would
// open whatever it names there.
void TestRemoteCommand::openTargetsNamedFromTheCallersFolder()
{
    QFETCH(QString, action);
    QFETCH(QString, target);
    QFETCH(QString, sent);
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkdir(QStringLiteral("sub")));
    QFile file(here.filePath(QStringLiteral("report.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(here.path()));
    QString why;
    target.replace("HERE", here.path());
    const QString task = QStringLiteral(R"({"schedule": "once", "at": "2027-01-31T08:30:00", "action": "remind", )"
                                        R"("target": "%1"})").arg(target);
    const auto c = parseCommand(action == "task" ? QStringList{"zelkor", "tasks", "add", task}
                                                 : QStringList{"zelkor", "--do", action, "--target", target},
                                kNow, QLocale(QLocale::German), &why);
    QDir::setCurrent(before);
    QVERIFY2(c, qPrintable(why));
    const QString given = action == "task"
        ? QJsonDocument::fromJson(c->task.toUtf8()).object().value("target").toString()
        : c->target;
    QCOMPARE(given, sent.replace("HERE", here.path()));
}

void TestRemoteCommand::onlyCommandsLeaveTheWindowOut_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("command");
    QTest::newRow("none") << QStringList{} << false;
    QTest::newRow("qt's own") << QStringList{"-platform", "offscreen"} << false;
    QTest::newRow("do") << QStringList{"--do=lock"} << true;
    QTest::newRow("status") << QStringList{"--status"} << true;
    QTest::newRow("tasks") << QStringList{"tasks", "list"} << true;
}

void TestRemoteCommand::onlyCommandsLeaveTheWindowOut()
{
    QFETCH(QStringList, args);
    QFETCH(bool, command);
    QCOMPARE(isCommand(QStringList{"zelkor"} + args), command);
}

QTEST_GUILESS_MAIN(TestRemoteCommand)

#include "tst_remotecommand.moc"
