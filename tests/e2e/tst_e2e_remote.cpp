// The real program on private buses, driven as a script would: through its
// command line and straight through D-Bus. Countdowns reach the mock logind,
// signals arrive, tasks travel as files, bad input is refused with exit
// status 2 and leaves the task database as it was (compared with sqlite3).

#include "MockServices.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QDeadlineTimer>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace zelkor::test;

namespace {
const QString kName = QStringLiteral("org.example.zelkor.Zelkor");
const QString kPath = QStringLiteral("/org/example/zelkor/Zelkor");
const QString kInterface = QStringLiteral("org.example.zelkor.Zelkor1");
constexpr int kWaitMs = 15000;

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// Each member of an interface description with the types of its arguments,
// e.g. "method AddTask(s x)".
QStringList membersOf(const QString& xml)
{
    QStringList members;
    const qsizetype start = xml.indexOf(QStringLiteral("<interface name=\"%1\"").arg(kInterface));
    const QString body = xml.mid(start, xml.indexOf(QStringLiteral("</interface>"), start) - start);
    static const QRegularExpression member(
        QStringLiteral("<(method|signal) name=\"(\\w+)\"\\s*(/>|>(.*?)</\\1>)"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression arg(QStringLiteral("<arg[^>]*type=\"([^\"]+)\"[^>]*>"));
    for (auto m = member.globalMatch(body); m.hasNext();) {
        const auto found = m.next();
        QStringList in;
        QStringList out;
        for (auto a = arg.globalMatch(found.captured(4)); a.hasNext();) {
            const auto one = a.next();
            const bool isOut = found.captured(1) == QLatin1String("method") &&
                               one.captured(0).contains(QLatin1String("direction=\"out\""));
            (isOut ? out : in) << one.captured(1);
        }
        members << QStringLiteral("%1 %2(%3)%4").arg(found.captured(1), found.captured(2), in.join(QLatin1Char(' ')),
                                                     out.isEmpty() ? QString() : QStringLiteral(" -> ") + out.join(QLatin1Char(' ')));
    }
    members.sort();
    return members;
}
} // namespace

class TestRemote : public QObject {
    Q_OBJECT
public slots:
    void onSignal(const QDBusMessage& message)
    {
        QStringList args;
        for (const QVariant& a : message.arguments())
            args << a.toString();
        m_signals << message.member() + QLatin1Char('(') + args.join(QLatin1Char(' ')) + QLatin1Char(')');
        m_signalTimes << QDateTime::currentMSecsSinceEpoch();
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init()
    {
        m_signals.clear();
        m_signalTimes.clear();
    }
    void aCommandStartsTheProgram();
    void interfaceAsDocumented();
    void countdownLocksAtZero();
    void countdownAtADateAndTimeEndsOnItsSecond();
    void cancelStopsTheCountdown();
    void refused_data();
    void refused();
    void lockedTasksAreToldNotListedEmpty_data();
    void lockedTasksAreToldNotListedEmpty();
    void badImportChangesNothing();
    void tasksTravelAsFiles();
    void storedTaskFires();
    void powerOnsKeepTheirMoments();
    void lockIsTakenBeforeTheWindowSystem();
    void commandsMeetAStartingProgram_data();
    void commandsMeetAStartingProgram();
    void quitEndsTheProgram(); // last: the program is gone after it

private:
    Run zelkor(const QStringList& args, const QString& output = QString()); // output: a file for stdout
    QString dump();
    QDBusMessage call(const QString& method, const QVariantList& args = {});
    int programCount() const; // running copies of the program, whatever their arguments

    MockBuses m_buses;
    QString m_app;
    QStringList m_signals;
    QList<qint64> m_signalTimes; // when each signal arrived, ms since the epoch
};

void TestRemote::initTestCase()
{
    QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
    QVERIFY2(startLogind(m_buses), qPrintable(m_buses.error()));
    // A forced stand-by is refused, as polkit refuses it to a user without the right.
    QVERIFY2(m_buses.addMethods(login1::service, login1::path, login1::manager,
                                {{QStringLiteral("Suspend"), QStringLiteral("b"), QString(),
                                  QStringLiteral("raise dbus.exceptions.DBusException('Access denied by policy', "
                                                 "name='org.freedesktop.DBus.Error.AccessDenied')")}}),
             qPrintable(m_buses.error()));
    m_app = m_buses.folder() + QStringLiteral("/app");
    QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), qEnvironmentVariable("ZELKOR_APP_DIR"), m_app}), 0);
    for (const char* name : {"runtime", "home", "config"})
        QDir().mkpath(m_buses.folder() + QLatin1Char('/') + QLatin1String(name));
    QFile::setPermissions(m_buses.folder() + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDBusConnection bus = m_buses.connection(Bus::Session);
    for (const char* signal : {"CountdownStarted", "CountdownStopped", "CountdownFired", "TaskFired"})
        QVERIFY(bus.connect(QString(), kPath, kInterface, QLatin1String(signal), this, SLOT(onSignal(QDBusMessage))));
}

void TestRemote::cleanupTestCase()
{
    // The program was started by the command line, not by us: end it by the
    // process id its bus name belongs to.
    QDBusConnectionInterface* names = m_buses.connection(Bus::Session).interface();
    if (names && names->isServiceRegistered(kName)) {
        const uint pid = names->servicePid(kName);
        if (pid > 0)
            QProcess::execute(QStringLiteral("kill"), {QString::number(pid)});
        QTRY_VERIFY_WITH_TIMEOUT(!names->isServiceRegistered(kName), 5000);
    }
    m_buses.stopAllMocks();
}

Run TestRemote::zelkor(const QStringList& args, const QString& output)
{
    QProcess program;
    if (!output.isEmpty())
        program.setStandardOutputFile(output);
    QProcessEnvironment env = m_buses.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(m_app);
    program.start(m_app + QStringLiteral("/zelkor"), args);
    Run run;
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = QString::fromUtf8(program.readAllStandardOutput());
    run.err = QString::fromUtf8(program.readAllStandardError());
    return run;
}

QString TestRemote::dump()
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {m_app + QStringLiteral("/dll/zelkor.dll"), QStringLiteral(".dump")});
    return sqlite.waitForFinished(10000) ? QString::fromUtf8(sqlite.readAllStandardOutput()) : QString();
}

QDBusMessage TestRemote::call(const QString& method, const QVariantList& args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kName, kPath, kInterface, method);
    message.setArguments(args);
    return m_buses.connection(Bus::Session).call(message, QDBus::Block, kWaitMs);
}

// Two commands at once (scripts at login): one program serves both, and
// none is left behind at the single-instance box.
void TestRemote::aCommandStartsTheProgram()
{
    QVERIFY(!m_buses.connection(Bus::Session).interface()->isServiceRegistered(kName));
    std::vector<std::unique_ptr<QProcess>> commands;
    for (int i = 0; i < 3; ++i) {
        auto& command = commands.emplace_back(std::make_unique<QProcess>());
        QProcessEnvironment env = m_buses.environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        command->setProcessEnvironment(env);
        command->start(m_app + QStringLiteral("/zelkor"), {QStringLiteral("--status"), QStringLiteral("--json")});
    }
    for (auto& command : commands) {
        QVERIFY(command->waitForFinished(30000));
        QVERIFY2(command->exitCode() == 0, command->readAllStandardError().constData());
        const QJsonObject state = QJsonDocument::fromJson(command->readAllStandardOutput()).object();
        QCOMPARE(state.value(QStringLiteral("counting")), QJsonValue(false));
    }
    QVERIFY(m_buses.connection(Bus::Session).interface()->isServiceRegistered(kName));
    // A program that lost the race would still be running, at its box.
    QTest::qWait(1000);
    QCOMPARE(programCount(), 1);
}

int TestRemote::programCount() const
{
    int n = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
        n += QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() == m_app + QStringLiteral("/zelkor");
    return n;
}

void TestRemote::interfaceAsDocumented()
{
    QDBusMessage introspect = QDBusMessage::createMethodCall(kName, kPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                                             QStringLiteral("Introspect"));
    const QDBusMessage answer = m_buses.connection(Bus::Session).call(introspect, QDBus::Block, kWaitMs);
    QCOMPARE(answer.type(), QDBusMessage::ReplyMessage);
    QFile documented(QStringLiteral(ZELKOR_SOURCE_DIR "/data/org.example.zelkor.Zelkor1.xml"));
    QVERIFY(documented.open(QIODevice::ReadOnly));
    const QStringList expected = membersOf(QString::fromUtf8(documented.readAll()));
    QCOMPARE(expected.size(), 19);
    QCOMPARE(membersOf(answer.arguments().value(0).toString()), expected);
}

void TestRemote::countdownLocksAtZero()
{
    QVERIFY(m_buses.clearCalls(login1::service, login1::sessionPath));
    const Run run = zelkor({QStringLiteral("--in"), QStringLiteral("2s"), QStringLiteral("--do"), QStringLiteral("lock")});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    const Run status = zelkor({QStringLiteral("--status"), QStringLiteral("--json")});
    const QJsonObject state = QJsonDocument::fromJson(status.out.toUtf8()).object();
    QCOMPARE(state.value(QStringLiteral("action")).toString(), QStringLiteral("lock"));
    QCOMPARE(state.value(QStringLiteral("mode")).toString(), QStringLiteral("after"));
    QCOMPARE(state.value(QStringLiteral("totalSeconds")).toInt(), 2);
    const QDateTime moment = QDateTime::fromString(state.value(QStringLiteral("moment")).toString(), Qt::ISODate);
    QVERIFY2(qAbs(QDateTime::currentDateTime().secsTo(moment)) <= 3, qPrintable(status.out));

    QTRY_VERIFY_WITH_TIMEOUT(!m_buses.calls(login1::service, login1::sessionPath).isEmpty(), kWaitMs);
    QCOMPARE(m_buses.calls(login1::service, login1::sessionPath).constFirst().method, QStringLiteral("Lock"));
    QTRY_COMPARE_WITH_TIMEOUT(m_signals, (QStringList{QStringLiteral("CountdownStarted(after lock 2)"),
                                                      QStringLiteral("CountdownStopped()"),
                                                      QStringLiteral("CountdownFired(lock)")}),
                              kWaitMs);
}

void TestRemote::countdownAtADateAndTimeEndsOnItsSecond()
{
    // Asked late in a second, for the second after the next: the count ends
    // on that second of the wall clock, never before it.
    while (QTime::currentTime().msec() < 600)
        QTest::qWait(20);
    const QDateTime now = QDateTime::currentDateTime(); // one reading: its second is the count's
    const QDateTime due = now.addSecs(2).addMSecs(-now.time().msec());
    const Run run = zelkor({QStringLiteral("--at"), due.toString(Qt::ISODate), QStringLiteral("--do"), QStringLiteral("lock")});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QTRY_VERIFY_WITH_TIMEOUT(m_signals.contains(QStringLiteral("CountdownFired(lock)")), kWaitMs);
    const qint64 late = m_signalTimes.at(m_signals.indexOf(QStringLiteral("CountdownFired(lock)"))) - due.toMSecsSinceEpoch();
    qInfo("the countdown ended %lld ms after its second", late);
    QVERIFY2(late >= 0, qPrintable(QStringLiteral("%1 ms, asked at %2 for %3: %4")
                                       .arg(late)
                                       .arg(now.toString(QStringLiteral("HH:mm:ss.zzz")),
                                            due.toString(QStringLiteral("HH:mm:ss.zzz")),
                                            m_signals.join(QLatin1Char(' ')))));
}

void TestRemote::cancelStopsTheCountdown()
{
    QCOMPARE(call(QStringLiteral("StartCountdown"), {QStringLiteral("idle"), QStringLiteral("15m"), QStringLiteral("shutdown"), true, QString()}).type(),
             QDBusMessage::ErrorMessage); // offscreen: no input times to count quiet time by
    // Forced, but a lock has no forced form: the status does not say so.
    QCOMPARE(zelkor({QStringLiteral("--at"), QStringLiteral("23:59"), QStringLiteral("--do"), QStringLiteral("lock"),
                     QStringLiteral("--force")})
                 .status,
             0);
    const QString status = zelkor({QStringLiteral("--status")}).out;
    QVERIFY2(status.startsWith(QStringLiteral("lock in ")) && status.endsWith(QStringLiteral("(at countdown)\n")),
             qPrintable(status));
    QCOMPARE(zelkor({QStringLiteral("--cancel")}).status, 0);
    QCOMPARE(zelkor({QStringLiteral("--status")}).out, QStringLiteral("No countdown.\n"));
    QTRY_COMPARE_WITH_TIMEOUT(m_signals.size(), 2, kWaitMs);
    QVERIFY2(m_signals.first().startsWith(QStringLiteral("CountdownStarted(at lock ")), qPrintable(m_signals.first()));
    QCOMPARE(m_signals.last(), QStringLiteral("CountdownStopped()"));
}

void TestRemote::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("output"); // where standard output goes; empty: read here
    QTest::newRow("unknown action") << QStringList{"--do", "explode"} << 2 << "zelkor: Unknown action \"explode\"" << QString();
    QTest::newRow("negative duration") << QStringList{"--in", "-5m", "--do", "lock"} << 2 << "zelkor: A duration cannot be negative" << QString();
    QTest::newRow("monthly day 32") << QStringList{"tasks", "add", R"({"schedule":"monthly","day":32,"time":"08:00","action":"lock"})"}
                                    << 2 << "zelkor: The task cannot be stored: \"day\" must be a day of the month from 1 to 31, not 32." << QString();
    QTest::newRow("task in the past") << QStringList{"tasks", "add", R"({"schedule":"once","at":"2001-01-01T08:00","action":"lock"})"}
                                      << 2 << "zelkor: Invalid date/time: 2001-01-01T08:00:00 has passed; a Once task must lie ahead." << QString();
    QTest::newRow("field given twice") << QStringList{"tasks", "add", R"({"schedule":"daily","time":"12:00","time":"13:00","action":"lock"})"}
                                       << 2 << "zelkor: The task cannot be stored: the field \"time\" is given twice." << QString();
    QTest::newRow("week without a day") << QStringList{"tasks", "add", R"({"schedule":"weekly","days":[],"time":"12:00","action":"lock"})"}
                                        << 2 << "zelkor: Choose at least one day for a Weekly task" << QString();
    QTest::newRow("countdown to open what is not there")
        << QStringList{"--in", "2h", "--do", "open", "--target", "/nonexistent/report.pdf"} << 2
        << "zelkor: /nonexistent/report.pdf cannot be opened: there is no such file or web address." << QString();
    QTest::newRow("gone task") << QStringList{"tasks", "remove", "9999"} << 1 << "zelkor: Task 9999: The task no longer exists." << QString();
    QTest::newRow("unknown option") << QStringList{"--do", "lock", "--frob"} << 2 << "zelkor: Unknown option 'frob'." << QString();
    const QString latin1 = m_buses.folder() + QStringLiteral("/latin1.json");
    QFile file(latin1);
    if (file.open(QIODevice::WriteOnly))
        file.write("{\"version\": 1, \"tasks\": [{\"schedule\": \"daily\", \"time\": \"08:00\", "
                   "\"action\": \"remind\", \"message\": \"caf\xe9\"}]}");
    QTest::newRow("import of another encoding") << QStringList{"tasks", "import", latin1} << 2
                                                << "zelkor: " + latin1 + " is not UTF-8 text" << QString();
    QTest::newRow("import of a missing file") << QStringList{"tasks", "import", "/nonexistent/tasks.json"} << 2
                                              << "zelkor: cannot read /nonexistent/tasks.json: No such file or directory"
                                              << QString();
    QTest::newRow("import of a folder") << QStringList{"tasks", "import", "/"} << 2 << "zelkor: cannot read /: "
                                        << QString();
    // Larger than one bus message may be: it would jam the program's connection.
    const QString big = m_buses.folder() + QStringLiteral("/big.json");
    QFile bigFile(big);
    if (bigFile.open(QIODevice::WriteOnly))
        bigFile.resize(qint64(33) << 20);
    QTest::newRow("import of a huge file") << QStringList{"tasks", "import", big} << 2
                                           << "zelkor: cannot read " + big + ": it is larger than 32 MiB" << QString();
    QTest::newRow("countdown too long") << QStringList{"--in", "9223372036854776", "--do", "lock"} << 2
                                        << "zelkor: \"9223372036854776\" is longer than a countdown can be" << QString();
    QTest::newRow("nothing to open") << QStringList{"--do", "open", "--target", "/nonexistent/report.txt"} << 1
                                     << "zelkor: /nonexistent/report.txt cannot be opened" << QString();
    QTest::newRow("power action the system refused") << QStringList{"--do", "standby", "--force"} << 1
                                                     << "zelkor: Could not put the computer into stand-by." << QString();
    QTest::newRow("export to a full disk") << QStringList{"tasks", "export", "/dev/full"} << 1
                                           << "zelkor: cannot write /dev/full" << QString();
    QTest::newRow("export onto a folder") << QStringList{"tasks", "export", m_buses.folder()} << 1
                                          << "zelkor: The export file " + m_buses.folder() + " is a folder"
                                          << QString();
    QTest::newRow("status to a full disk") << QStringList{"--status"} << 1
                                         << "zelkor: cannot write the answer" << QStringLiteral("/dev/full");
}

void TestRemote::refused()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QString, output);
    const QString before = dump();
    const Run run = zelkor(args, output);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.startsWith(message), qPrintable(run.err));
    // The message is one line; under heavy load Qt may add warnings of its own after it.
    QVERIFY2(run.err.section(QLatin1Char('\n'), 0, 0).startsWith(message), qPrintable(run.err));
    QCOMPARE(dump(), before);
}

// Another program holds the task file locked: the tasks cannot be read, and
// an empty list would pass for an empty table and replace a backup with it.
void TestRemote::lockedTasksAreToldNotListedEmpty_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("toFile");
    QTest::newRow("list") << QStringList{"tasks", "list"} << false;
    QTest::newRow("export") << QStringList{"tasks", "export"} << true;
    QTest::newRow("export as a calendar") << QStringList{"tasks", "export", "--ics"} << true;
}
void TestRemote::lockedTasksAreToldNotListedEmpty()
{
    QFETCH(QStringList, args);
    QFETCH(bool, toFile);
    const QString backup = m_buses.folder() + QStringLiteral("/backup");
    const QByteArray old = "the last good backup\n";
    QFile file(backup);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    file.close();
    if (toFile)
        args << backup;

    QProcess holder; // keeps an exclusive transaction open on the task file
    holder.start(QStringLiteral("sqlite3"), {m_app + QStringLiteral("/dll/zelkor.dll")});
    QVERIFY(holder.waitForStarted());
    // Waits its turn: the program may be writing the file at this moment.
    holder.write(".timeout 10000\nbegin exclusive;\n");
    const auto locked = [this] {
        QProcess probe;
        probe.start(QStringLiteral("sqlite3"), {m_app + QStringLiteral("/dll/zelkor.dll"), QStringLiteral("select count(*) from task;")});
        return probe.waitForFinished() && probe.readAllStandardError().contains("locked");
    };
    QTRY_VERIFY(locked());
    const Run run = zelkor(args);
    holder.write("rollback;\n.quit\n");
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished());

    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith(QStringLiteral("zelkor: The tasks could not be read: ")), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("locked")), qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    // Once free, the same command reads the tasks.
    const Run again = zelkor(args);
    QCOMPARE(again.status, 0);
}

void TestRemote::badImportChangesNothing()
{
    QCOMPARE(zelkor({QStringLiteral("tasks"), QStringLiteral("add"), QStringLiteral(R"({"schedule":"daily","time":"08:00","action":"hibernate"})")}).status, 0);
    const QString before = dump();
    QVERIFY(before.contains(QStringLiteral("INSERT INTO")));
    const QString file = m_buses.folder() + QStringLiteral("/bad.json");
    for (const QByteArray& text : {QByteArray("{\"version\": 1, \"tasks\": [\n{\"schedule\": \"daily\", \"time\": \"09:00\", \"action\": \"lock\"},\n"
                                              "{\"schedule\": \"weekly\", \"time\": \"09:00\", \"days\": [\"mon\"],\n \"action\": \"lock\", \"colour\": 1}]}"),
                                   QByteArray("{\"version\": 1, \"tasks\": [\n{\"schedule\": \"daily\", \"time\": \"09:00\" \"action\": \"lock\"}]}")}) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text);
        out.close();
        const Run run = zelkor({QStringLiteral("tasks"), QStringLiteral("import"), file});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith(QStringLiteral("zelkor: Nothing was imported: line ")), qPrintable(run.err));
        QCOMPARE(dump(), before);
    }
    const Run run = zelkor({QStringLiteral("tasks"), QStringLiteral("import"), file});
    QVERIFY2(run.err.contains(QStringLiteral("line 2:")), qPrintable(run.err));
}

void TestRemote::tasksTravelAsFiles()
{
    const QString file = m_buses.folder() + QStringLiteral("/tasks.json");
    const QStringList tasks{
        R"({"schedule":"forbidden","from":"22:30","until":"06:00","action":"shutdown"})",
        R"({"schedule":"once","at":"2099-01-31T08:30:00","action":"restart"})",
        R"({"schedule":"weekly","days":["mon","fri"],"time":"17:45","action":"lock"})",
        R"({"schedule":"monthly","day":31,"time":"12:00","action":"remind","message":"Backups\n\tfirst \\ \u001b[31m \u009b31m"})",
        R"({"schedule":"daily","time":"07:00","action":"poweron","target":"/bin/true"})",
    };
    for (const QString& task : tasks) {
        const Run run = zelkor({QStringLiteral("tasks"), QStringLiteral("add"), task});
        QVERIFY2(run.status == 0 && run.out.toLongLong() > 0, qPrintable(run.err));
    }
    // Written at the end of a link, which stays where the user put it.
    const QString link = m_buses.folder() + QStringLiteral("/backup.json");
    QVERIFY(QFile::link(QStringLiteral("tasks.json"), link));
    QCOMPARE(zelkor({QStringLiteral("tasks"), QStringLiteral("export"), link}).status, 0);
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(file).isFile());
    const auto withoutIds = [](const QString& text) {
        QJsonArray tasks = QJsonDocument::fromJson(text.toUtf8()).object().value(QStringLiteral("tasks")).toArray();
        QStringList list;
        for (const QJsonValue& t : tasks) {
            QJsonObject o = t.toObject();
            o.remove(QStringLiteral("id"));
            list << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
        }
        list.sort();
        return list;
    };
    const QStringList exported = withoutIds(zelkor({QStringLiteral("tasks"), QStringLiteral("list"), QStringLiteral("--json")}).out);
    QCOMPARE(exported.size(), tasks.size() + 1); // and the one of badImportChangesNothing

    // An empty profile gets the same list from the file.
    const QJsonArray stored = QJsonDocument::fromJson(zelkor({QStringLiteral("tasks"), QStringLiteral("list"), QStringLiteral("--json")}).out.toUtf8())
                                  .object().value(QStringLiteral("tasks")).toArray();
    for (const QJsonValue& t : stored)
        QCOMPARE(call(QStringLiteral("DeleteTask"), {t.toObject().value(QStringLiteral("id")).toInteger()}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(zelkor({QStringLiteral("tasks"), QStringLiteral("list")}).out, QString());
    const Run imported = zelkor({QStringLiteral("tasks"), QStringLiteral("import"), file});
    QVERIFY2(imported.status == 0, qPrintable(imported.err));
    QCOMPARE(imported.out, QStringLiteral("6 tasks imported.\n"));
    QCOMPARE(withoutIds(zelkor({QStringLiteral("tasks"), QStringLiteral("export")}).out), exported);
    // Standard output named as a file: here a pipe, as in `zelkor tasks export /dev/stdout | gzip`.
    QCOMPARE(withoutIds(zelkor({QStringLiteral("tasks"), QStringLiteral("export"), QStringLiteral("/dev/stdout")}).out), exported);
    const QString list = zelkor({QStringLiteral("tasks"), QStringLiteral("list")}).out;
    QVERIFY2(list.contains(QStringLiteral("\tweekly\tmon,fri 17:45:00\tlock\n")), qPrintable(list));
    QVERIFY2(list.contains(QStringLiteral("\tmonthly\tday 31 12:00:00\tremind\tmessage: Backups\\n\\tfirst \\\\ \\x1b[31m \\x9b31m\n")), qPrintable(list));

    const Run ics = zelkor({QStringLiteral("tasks"), QStringLiteral("export"), QStringLiteral("--ics")});
    QVERIFY(ics.out.startsWith(QStringLiteral("BEGIN:VCALENDAR\r\n")));
    QCOMPARE(ics.out.count(QStringLiteral("BEGIN:VEVENT")), 6);
    QVERIFY(ics.out.contains(QStringLiteral("RRULE:FREQ=MONTHLY;BYMONTHDAY=31\r\n")));

    // An export holds the Once tasks that have run: they come back, said to be past.
    QFile past(m_buses.folder() + QStringLiteral("/past.json"));
    QVERIFY(past.open(QIODevice::WriteOnly));
    past.write(R"({"version":1,"tasks":[{"schedule":"once","at":"2001-01-01T08:00:00","action":"lock"},)"
               R"({"schedule":"daily","time":"07:00","action":"lock"}]})");
    past.close();
    const Run restored = zelkor({QStringLiteral("tasks"), QStringLiteral("import"), past.fileName()});
    QVERIFY2(restored.status == 0, qPrintable(restored.err));
    QCOMPARE(restored.out,
             QStringLiteral("2 tasks imported. 1 of them is a Once task that has passed: it will not run.\n"));
}

void TestRemote::storedTaskFires()
{
    QVERIFY(m_buses.clearCalls(login1::service, login1::sessionPath));
    const QString at = QDateTime::currentDateTime().addSecs(3).toString(Qt::ISODate);
    const Run run = zelkor({QStringLiteral("tasks"), QStringLiteral("add"),
                            QStringLiteral(R"({"schedule":"once","at":"%1","action":"lock"})").arg(at)});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QTRY_VERIFY2_WITH_TIMEOUT(m_signals.contains(QStringLiteral("TaskFired(%1 lock)").arg(run.out.trimmed())),
                              qPrintable(m_signals.join(QLatin1Char(' '))), kWaitMs);
    QCOMPARE(m_signals.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!m_buses.calls(login1::service, login1::sessionPath).isEmpty(), kWaitMs);
}

// A Power On from a script and a stored Power On task added while it waits,
// due earlier: each target opens at its own moment, the later one not
// pulled forward to the earlier one's.
void TestRemote::powerOnsKeepTheirMoments()
{
    const QString log = m_buses.folder() + QStringLiteral("/opened.log");
    const auto script = [&](const QString& name) {
        const QString path = m_buses.folder() + QLatin1Char('/') + name + QStringLiteral(".sh");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(QStringLiteral("#!/bin/sh\necho \"%1 $(date +%s%3N)\" >> '%2'\n").arg(name, log).toUtf8());
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    };
    const QString tab = script(QStringLiteral("tab"));
    const QString stored = script(QStringLiteral("stored"));
    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    Run run = zelkor({QStringLiteral("--in"), QStringLiteral("5s"), QStringLiteral("--do"), QStringLiteral("poweron"),
                      QStringLiteral("--target"), tab});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    const QString at = QDateTime::currentDateTime().addSecs(2).toString(Qt::ISODate);
    run = zelkor({QStringLiteral("tasks"), QStringLiteral("add"),
                  QStringLiteral(R"({"schedule":"once","at":"%1","action":"poweron","target":"%2"})").arg(at, stored)});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QStringList lines;
    const bool bothOpened = QTest::qWaitFor(
        [&] {
            QFile file(log);
            lines = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                                   : QStringList();
            return lines.size() >= 2;
        },
        kWaitMs);
    QVERIFY2(bothOpened && lines.size() == 2, qPrintable(lines.join(QLatin1Char(' '))));
    QVERIFY2(lines.at(0).startsWith(QStringLiteral("stored ")) && lines.at(1).startsWith(QStringLiteral("tab ")),
             qPrintable(lines.join(QLatin1Char(' '))));
    const qint64 tabOpened = lines.at(1).section(QLatin1Char(' '), 1).toLongLong();
    QVERIFY2(tabOpened - started >= 5000, qPrintable(QString::number(tabOpened - started)));
    QTRY_VERIFY_WITH_TIMEOUT(!qdbus_cast<QVariantMap>(call(QStringLiteral("GetCountdown")).arguments().value(0))
                                  .value(QStringLiteral("counting"))
                                  .toBool(),
                             kWaitMs);
}

// The lock is a start's first step, so that a command in the same moment finds
// the program starting rather than none. Here the window system never
// answers: the program waits before its first window for good, lock held.
void TestRemote::lockIsTakenBeforeTheWindowSystem()
{
    QDir().mkpath(QStringLiteral("/tmp/.X11-unix"));
    int display = 0;
    for (int n = 190; n < 250 && !display; ++n)
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) && !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            display = n;
    QVERIFY(display);
    const QByteArray socketPath = QStringLiteral("/tmp/.X11-unix/X%1").arg(display).toLocal8Bit();
    const int mute = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0); // takes connections, never answers
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    QVERIFY(::bind(mute, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(mute, 4) == 0);
    const auto closeMute = qScopeGuard([&] {
        ::close(mute);
        QFile::remove(QString::fromLocal8Bit(socketPath));
    });

    QProcessEnvironment env = m_buses.environment();
    const QString runtime = m_buses.folder() + QStringLiteral("/runtime-mute"); // beside the running program's
    QVERIFY(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(m_app + QStringLiteral("/zelkor"));
    QVERIFY(program.waitForStarted());
    const auto holder = [&] {
        QFile file(runtime + QStringLiteral("/zelkor.lock"));
        return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
    };
    QTRY_COMPARE_WITH_TIMEOUT(holder(), program.processId(), kWaitMs);
    QCOMPARE(program.state(), QProcess::Running); // still at the window system's door
    program.kill();
    program.waitForFinished();
}

// A command while the program starts (autostart and a login script): the
// program holds its lock but offers no name yet. The command waits for it,
// and neither starts a second program (stopped at the single-instance box)
// nor takes the starting one for none.
void TestRemote::commandsMeetAStartingProgram_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("show") << "--show";
    QTest::newRow("quit") << "--quit";
}
void TestRemote::commandsMeetAStartingProgram()
{
    QFETCH(QString, command);
    QDBusConnectionInterface* names = m_buses.connection(Bus::Session).interface();
    QCOMPARE(zelkor({QStringLiteral("--quit")}).status, 0);
    QTRY_VERIFY_WITH_TIMEOUT(programCount() == 0, kWaitMs);

    QProcess program; // started as the menu or autostart starts it
    QProcessEnvironment env = m_buses.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(m_app + QStringLiteral("/zelkor"));
    QVERIFY(program.waitForStarted());
    // Its lock taken: the file names its process first.
    const QString lock = env.value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/zelkor.lock");
    const auto locked = [&] {
        QFile file(lock);
        return file.open(QIODevice::ReadOnly) && file.readLine().trimmed().toLongLong() == program.processId();
    };
    // Looked for closely and held there for a second, before it offers its
    // name, whatever the speed of this machine.
    QDeadlineTimer deadline(kWaitMs);
    while (!locked() && !deadline.hasExpired())
        QThread::usleep(200);
    ::kill(pid_t(program.processId()), SIGSTOP);
    QVERIFY(locked());
    QProcess client;
    client.setProcessEnvironment(env);
    client.start(m_app + QStringLiteral("/zelkor"), {command});
    QTest::qWait(1000);
    ::kill(pid_t(program.processId()), SIGCONT);
    QVERIFY(client.waitForFinished(kWaitMs));
    QVERIFY2(client.exitCode() == 0, client.readAllStandardError().constData());
    if (command == QLatin1String("--quit")) {
        QVERIFY(program.waitForFinished(kWaitMs));
        QCOMPARE(programCount(), 0);
    } else {
        QVERIFY(names->isServiceRegistered(kName));
        QTest::qWait(1000);
        QCOMPARE(programCount(), 1);
        QCOMPARE(zelkor({QStringLiteral("--quit")}).status, 0);
        QVERIFY(program.waitForFinished(kWaitMs));
    }
    // The tests after this one meet a program started by a command, as before.
    QCOMPARE(zelkor({QStringLiteral("--status")}).status, 0);
}

// Where no tray shows, the way out; where nothing runs, nothing is started.
void TestRemote::quitEndsTheProgram()
{
    QDBusConnectionInterface* names = m_buses.connection(Bus::Session).interface();
    QVERIFY(names->isServiceRegistered(kName));
    const Run quit = zelkor({QStringLiteral("--quit")});
    QVERIFY2(quit.status == 0, qPrintable(quit.err));
    QTRY_VERIFY_WITH_TIMEOUT(!names->isServiceRegistered(kName), kWaitMs);
    QCOMPARE(zelkor({QStringLiteral("--quit")}).status, 0);
    QTest::qWait(500);
    QVERIFY(!names->isServiceRegistered(kName));
}

QTEST_GUILESS_MAIN(TestRemote)

#include "tst_e2e_remote.moc"
