// The helper programs of the dll folder, run as the program runs them (a copy
// of the folder, each name started without arguments), against a mock logind
// and mock session managers on private buses.

#include "MockServices.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <algorithm>

using namespace zelkor::test;

namespace {
struct HelperRun {
    int exitCode = -1;
    QString stderrText;
    qint64 ms = 0;
};

} // namespace

class TestHelperPrograms : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void copiedFolderKeepsItsLinks();
    void eachNameCallsItsMethod_data();
    void eachNameCallsItsMethod();
    void lockFallsBackToTheScreenSaver_data();
    void lockFallsBackToTheScreenSaver();
    void silentSessionManagerIsNoSuccess_data();
    void silentSessionManagerIsNoSuccess();
    void argumentsAreRefused_data();
    void argumentsAreRefused();
    void refusedRequestIsToldInPlainWords();
    void failsWithoutLogind_data();
    void failsWithoutLogind();
    void failsWithoutSystemBus();
    void unknownNameIsRefused();

private:
    HelperRun run(const QString& name, const QProcessEnvironment& env,
                  const QStringList& arguments = {});
    HelperRun run(const QString& name) { return run(name, m_buses.environment()); }
    void useDesktop(const QString& kind);
    void useLogind(bool present, const LogindSetup& setup = {});
    QStringList recordedCalls();

    MockBuses m_buses;
    QString m_dll;     // our copy of the dll folder
    QString m_desktop; // kind of the desktop mock running now, if any
    QString m_logindKey = QStringLiteral("none");
    QMap<QString, QList<qint64>> m_times; // helper name -> run times in ms
};

void TestHelperPrograms::initTestCase()
{
    QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
    m_buses.exportToThisProcess();
    const QString appDir = qEnvironmentVariable("ZELKOR_APP_DIR");
    QVERIFY(!appDir.isEmpty());
    m_dll = m_buses.folder() + QStringLiteral("/app/dll");
    QVERIFY(QDir().mkpath(m_buses.folder() + QStringLiteral("/app")));
    QCOMPARE(QProcess::execute(QStringLiteral("cp"),
                               {QStringLiteral("-a"), appDir + QStringLiteral("/dll"), m_dll}),
             0);
}

void TestHelperPrograms::cleanupTestCase()
{
    for (auto it = m_times.cbegin(); it != m_times.cend(); ++it) {
        QList<qint64> times = it.value();
        std::sort(times.begin(), times.end());
        qInfo("%s: %lld runs, fastest %lld ms, median %lld ms, slowest %lld ms",
              qPrintable(it.key()), qint64(times.size()), times.first(), times.at(times.size() / 2),
              times.last());
    }
    m_buses.stopAllMocks();
}

void TestHelperPrograms::init()
{
    if (m_buses.isRunning(login1::service)) {
        m_buses.clearCalls(login1::service, login1::path);
        m_buses.clearCalls(login1::service, login1::sessionPath);
    }
    if (!m_desktop.isEmpty())
        m_buses.clearCalls(desktopMock(m_desktop).name, desktopMock(m_desktop).path);
}

HelperRun TestHelperPrograms::run(const QString& name, const QProcessEnvironment& env,
                                  const QStringList& arguments)
{
    QProcess helper;
    helper.setProcessEnvironment(env);
    helper.setProgram(m_dll + QLatin1Char('/') + name);
    helper.setArguments(arguments);
    QElapsedTimer clock;
    clock.start();
    helper.start();
    HelperRun result;
    if (!helper.waitForFinished(15000)) {
        helper.kill();
        helper.waitForFinished();
        return result;
    }
    result.ms = clock.elapsed();
    result.exitCode = helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
    result.stderrText = QString::fromLocal8Bit(helper.readAllStandardError());
    m_times[name].append(result.ms);
    return result;
}

void TestHelperPrograms::useDesktop(const QString& kind)
{
    const QString wanted = kind == QLatin1String("none") ? QString() : kind;
    if (wanted == m_desktop)
        return;
    if (!m_desktop.isEmpty())
        m_buses.stopMock(desktopMock(m_desktop).name);
    m_desktop.clear();
    if (wanted.isEmpty())
        return;
    QVERIFY2(m_buses.startMock(desktopMock(kind)), qPrintable(m_buses.error()));
    m_desktop = kind;
}

void TestHelperPrograms::useLogind(bool present, const LogindSetup& setup)
{
    const QString key = present ? QStringLiteral("%1%2%3")
                                      .arg(setup.withFlags)
                                      .arg(setup.session)
                                      .arg(setup.sessionLock)
                                : QStringLiteral("none");
    if (key == m_logindKey)
        return;
    m_buses.stopMock(login1::service);
    m_logindKey = QStringLiteral("none");
    if (!present)
        return;
    QVERIFY2(startLogind(m_buses, setup), qPrintable(m_buses.error()));
    m_logindKey = key;
}

QStringList TestHelperPrograms::recordedCalls()
{
    QStringList all;
    if (m_buses.isRunning(login1::service)) {
        for (const QString& path : {login1::path, login1::sessionPath}) {
            for (const MockCall& call : m_buses.calls(login1::service, path))
                all.append(login1::service + QLatin1Char(' ') + path + QLatin1Char(' ') +
                           describeCall(call));
        }
    }
    if (!m_desktop.isEmpty()) {
        const MockSpec mock = desktopMock(m_desktop);
        for (const MockCall& call : m_buses.calls(mock.name, mock.path))
            all.append(mock.name + QLatin1Char(' ') + mock.path + QLatin1Char(' ') +
                       describeCall(call));
    }
    return all;
}

void TestHelperPrograms::copiedFolderKeepsItsLinks()
{
    // The helpers are links to one program; a copy of the folder must still
    // run its own, not the build's.
    for (const QString& name :
         {QStringLiteral("guan.dll"), QStringLiteral("guan_f.dll"), QStringLiteral("res.dll"),
          QStringLiteral("res_f.dll"), QStringLiteral("log.dll"), QStringLiteral("gua.dll"),
          QStringLiteral("gua_f.dll"), QStringLiteral("suo.dll")}) {
        const QFileInfo info(m_dll + QLatin1Char('/') + name);
        QVERIFY2(info.exists() && info.isExecutable(), qPrintable(name));
        QVERIFY2(info.canonicalFilePath().startsWith(QDir(m_dll).canonicalPath()),
                 qPrintable(info.canonicalFilePath()));
    }
}

void TestHelperPrograms::eachNameCallsItsMethod_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    const QString gnomeSm = QStringLiteral("org.gnome.SessionManager /org/gnome/SessionManager ");
    const QString manager = QStringLiteral("org.freedesktop.login1 /org/freedesktop/login1 ");
    const QString session =
        QStringLiteral("org.freedesktop.login1 /org/freedesktop/login1/session/auto ");
    struct Row {
        const char* tag = nullptr;
        const char* desktop = nullptr;
        const char* name = nullptr;
        QString expected;
    };
    const Row rows[] = {
        // GNOME answers: plain shut down, restart and log off go through it.
        {"gnome: shut down", "gnome", "guan.dll", gnomeSm + QStringLiteral("Shutdown()")},
        {"gnome: restart", "gnome", "res.dll", gnomeSm + QStringLiteral("Reboot()")},
        {"gnome: log off", "gnome", "log.dll", gnomeSm + QStringLiteral("Logout(u 1)")},
        {"gnome: stand by", "gnome", "gua.dll", manager + QStringLiteral("SuspendWithFlags(t 1)")},
        {"gnome: lock", "gnome", "suo.dll", session + QStringLiteral("Lock()")},
        {"gnome: forced shut down", "gnome", "guan_f.dll",
         manager + QStringLiteral("PowerOff(b false)")},
        {"gnome: forced restart", "gnome", "res_f.dll",
         manager + QStringLiteral("Reboot(b false)")},
        {"gnome: forced stand by", "gnome", "gua_f.dll",
         manager + QStringLiteral("Suspend(b false)")},
        // No session manager: logind, with inhibitors checked.
        {"logind: shut down", "none", "guan.dll",
         manager + QStringLiteral("PowerOffWithFlags(t 1)")},
        {"logind: restart", "none", "res.dll", manager + QStringLiteral("RebootWithFlags(t 1)")},
        {"logind: log off", "none", "log.dll", session + QStringLiteral("Terminate()")},
        {"logind: stand by", "none", "gua.dll", manager + QStringLiteral("SuspendWithFlags(t 1)")},
        {"logind: lock", "none", "suo.dll", session + QStringLiteral("Lock()")},
        {"logind: forced shut down", "none", "guan_f.dll",
         manager + QStringLiteral("PowerOff(b false)")},
        {"logind: forced restart", "none", "res_f.dll",
         manager + QStringLiteral("Reboot(b false)")},
        {"logind: forced stand by", "none", "gua_f.dll",
         manager + QStringLiteral("Suspend(b false)")},
        // The other desktops.
        {"kde: shut down", "kde", "guan.dll",
         QStringLiteral("org.kde.Shutdown /Shutdown logoutAndShutdown()")},
        {"kde: log off", "kde", "log.dll", QStringLiteral("org.kde.Shutdown /Shutdown logout()")},
        {"ksmserver: restart", "ksmserver", "res.dll",
         QStringLiteral("org.kde.ksmserver /KSMServer logout(i 0, i 1, i -1)")},
        {"xfce: shut down", "xfce", "guan.dll",
         QStringLiteral("org.xfce.SessionManager /org/xfce/SessionManager Shutdown(b true)")},
        {"xfce: log off", "xfce", "log.dll",
         QStringLiteral(
             "org.xfce.SessionManager /org/xfce/SessionManager Logout(b false, b true)")},
    };
    for (const Row& row : rows)
        QTest::newRow(row.tag) << QString::fromLatin1(row.desktop) << QString::fromLatin1(row.name)
                               << row.expected;
}

void TestHelperPrograms::eachNameCallsItsMethod()
{
    QFETCH(QString, desktop);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    useLogind(true);
    useDesktop(desktop);
    init(); // the mocks may have been started just now

    const HelperRun result = run(name);
    QVERIFY2(result.exitCode == 0, qPrintable(result.stderrText));
    // Exactly one request, so nothing happens twice.
    QCOMPARE(recordedCalls(), QStringList{expected});
}

void TestHelperPrograms::lockFallsBackToTheScreenSaver_data()
{
    QTest::addColumn<bool>("session");
    QTest::newRow("session without Lock") << true;
    QTest::newRow("caller in no session") << false;
}

void TestHelperPrograms::lockFallsBackToTheScreenSaver()
{
    QFETCH(bool, session);
    LogindSetup setup;
    setup.session = session;
    setup.sessionLock = false;
    useLogind(true, setup);
    useDesktop(QStringLiteral("screensaver"));
    init();

    const HelperRun result = run(QStringLiteral("suo.dll"));
    QVERIFY2(result.exitCode == 0, qPrintable(result.stderrText));
    QCOMPARE(recordedCalls(),
             QStringList{QStringLiteral(
                 "org.freedesktop.ScreenSaver /org/freedesktop/ScreenSaver Lock()")});
}

void TestHelperPrograms::silentSessionManagerIsNoSuccess_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("shut down") << QStringLiteral("guan.dll") << QStringLiteral("Shutdown()")
                               << QStringLiteral("Could not shut the computer down.");
    QTest::newRow("restart") << QStringLiteral("res.dll") << QStringLiteral("Reboot()")
                             << QStringLiteral("Could not restart the computer.");
    QTest::newRow("log off") << QStringLiteral("log.dll") << QStringLiteral("Logout(u 1)")
                             << QStringLiteral("Could not log off.");
}

void TestHelperPrograms::silentSessionManagerIsNoSuccess()
{
    // A session manager still asking the user must not be overtaken by
    // logind, nor its silence be taken for success.
    QFETCH(QString, name);
    QFETCH(QString, method);
    QFETCH(QString, firstLine);
    useLogind(true);
    useDesktop(QStringLiteral("none"));
    MockSpec slow = gnomeSessionManager();
    for (MockMethod& m : slow.methods)
        m.code = QStringLiteral("import time; time.sleep(3.5)");
    QVERIFY2(m_buses.startMock(slow), qPrintable(m_buses.error()));
    m_desktop = QStringLiteral("gnome");
    init();

    const HelperRun result = run(name);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.ms < 6000, qPrintable(QString::number(result.ms)));
    QVERIFY2(result.stderrText.startsWith(firstLine), qPrintable(result.stderrText));
    QVERIFY2(result.stderrText.contains(QLatin1String("The session manager did not answer")),
             qPrintable(result.stderrText));
    QCOMPARE(recordedCalls(),
             QStringList{QStringLiteral("org.gnome.SessionManager /org/gnome/SessionManager ") +
                         method});
    useDesktop(QStringLiteral("none")); // not the slow one the other tests expect
}

void TestHelperPrograms::argumentsAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("forced shut down --help") << QStringLiteral("guan_f.dll")
                                             << QStringList{QStringLiteral("--help")};
    QTest::newRow("lock --version") << QStringLiteral("suo.dll")
                                    << QStringList{QStringLiteral("--version")};
    QTest::newRow("shut down, an empty argument") << QStringLiteral("guan.dll")
                                                  << QStringList{QString()};
    QTest::newRow("stand by, two arguments")
        << QStringLiteral("gua_f.dll") << QStringList{QStringLiteral("-f"), QStringLiteral("now")};
    QTest::newRow("log off now") << QStringLiteral("log.dll") << QStringList{QStringLiteral("now")};
    QTest::newRow("restart, a Qt option") << QStringLiteral("res_f.dll")
                                          << QStringList{QStringLiteral("-platform")};
}

void TestHelperPrograms::argumentsAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QStringList, arguments);
    useLogind(true);
    useDesktop(QStringLiteral("gnome")); // anything it could call is there and would accept
    init();

    const HelperRun result = run(name, m_buses.environment(), arguments);
    QCOMPARE(result.exitCode, 2);
    const QStringList lines = result.stderrText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.constFirst(), QStringLiteral("usage: ") + name);
    QCOMPARE(recordedCalls(), QStringList{});
}

void TestHelperPrograms::refusedRequestIsToldInPlainWords()
{
    useLogind(true);
    useDesktop(QStringLiteral("none"));
    QVERIFY(m_buses.addMethods(
        login1::service, login1::path, login1::manager,
        {{QStringLiteral("PowerOffWithFlags"),
          QStringLiteral("t"),
          {},
          QStringLiteral("raise dbus.exceptions.DBusException('Access denied to power off', "
                         "name='org.freedesktop.DBus.Error.AccessDenied')")}}));
    m_logindKey = QStringLiteral("changed"); // the next test gets a fresh one

    const HelperRun result = run(QStringLiteral("guan.dll"));
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.stderrText.startsWith(QLatin1String("Could not shut the computer down.")),
             qPrintable(result.stderrText));
    QVERIFY2(result.stderrText.contains(
                 QLatin1String("The login manager (logind) refused: Access denied to power off")),
             qPrintable(result.stderrText));
}

void TestHelperPrograms::failsWithoutLogind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("shut down") << QStringLiteral("guan.dll")
                               << QStringLiteral("Could not shut the computer down.");
    QTest::newRow("forced shut down")
        << QStringLiteral("guan_f.dll") << QStringLiteral("Could not shut the computer down.");
    QTest::newRow("restart") << QStringLiteral("res.dll")
                             << QStringLiteral("Could not restart the computer.");
    QTest::newRow("forced restart")
        << QStringLiteral("res_f.dll") << QStringLiteral("Could not restart the computer.");
    QTest::newRow("log off") << QStringLiteral("log.dll") << QStringLiteral("Could not log off.");
    QTest::newRow("stand by") << QStringLiteral("gua.dll")
                              << QStringLiteral("Could not put the computer into stand-by.");
    QTest::newRow("forced stand by") << QStringLiteral("gua_f.dll")
                                     << QStringLiteral("Could not put the computer into stand-by.");
    QTest::newRow("lock") << QStringLiteral("suo.dll")
                          << QStringLiteral("Could not lock the screen.");
}

void TestHelperPrograms::failsWithoutLogind()
{
    QFETCH(QString, name);
    QFETCH(QString, firstLine);
    useLogind(false);
    useDesktop(QStringLiteral("none"));

    const HelperRun result = run(name);
    QCOMPARE(result.exitCode, 1);
    const QStringList lines = result.stderrText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.constFirst(), firstLine);
    QVERIFY2(
        result.stderrText.contains(QLatin1String("The login manager (logind) is not running.")),
        qPrintable(result.stderrText));
}

void TestHelperPrograms::failsWithoutSystemBus()
{
    QProcessEnvironment env = m_buses.environment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + m_buses.folder() + QStringLiteral("/no-such-socket"));
    const HelperRun result = run(QStringLiteral("guan_f.dll"), env);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.stderrText.contains(QLatin1String("The system message bus cannot be reached.")),
             qPrintable(result.stderrText));
}

void TestHelperPrograms::unknownNameIsRefused()
{
    const QString other = m_dll + QStringLiteral("/other.dll");
    QVERIFY(QFile::link(QStringLiteral("zelkor-helper"), other));
    useLogind(true);
    init();
    const HelperRun result = run(QStringLiteral("other.dll"));
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.stderrText.contains(QLatin1String("guan.dll")), qPrintable(result.stderrText));
    QCOMPARE(recordedCalls(), QStringList{});
}

QTEST_GUILESS_MAIN(TestHelperPrograms)
#include "tst_helper_programs.moc"
