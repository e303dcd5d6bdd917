// The helper programs of the dll folder, run as the program runs them (a copy
// of the folder, each name started without arguments), against a mock logind
// and mock session managers on private buses.

#include "HelperProgramTest.h"

using namespace zelkor::test;

class TestHelperPrograms : public HelperProgramTest {
    Q_OBJECT
private slots:
    void copiedFolderKeepsItsLinks();
    void eachNameCallsItsMethod_data();
    void eachNameCallsItsMethod();
    void lockFallsBackToTheScreenSaver_data();
    void lockFallsBackToTheScreenSaver();
    void refusedRequestIsToldInPlainWords();
    void failsWithoutLogind_data();
    void failsWithoutLogind();
    void failsWithoutSystemBus();
    void unknownNameIsRefused();
};

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
    clearCalls(); // the mocks may have been started just now

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
    clearCalls();

    const HelperRun result = run(QStringLiteral("suo.dll"));
    QVERIFY2(result.exitCode == 0, qPrintable(result.stderrText));
    QCOMPARE(recordedCalls(),
             QStringList{QStringLiteral(
                 "org.freedesktop.ScreenSaver /org/freedesktop/ScreenSaver Lock()")});
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
    clearCalls();
    const HelperRun result = run(QStringLiteral("other.dll"));
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.stderrText.contains(QLatin1String("guan.dll")), qPrintable(result.stderrText));
    QCOMPARE(recordedCalls(), QStringList{});
}

QTEST_GUILESS_MAIN(TestHelperPrograms)
#include "tst_helper_programs.moc"
