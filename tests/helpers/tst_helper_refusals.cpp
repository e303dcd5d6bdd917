// The helper programs refuse what they cannot stand behind: a run with any
// argument does nothing but print the usage, and a session manager that does
// not answer in time is no success.

#include "HelperProgramTest.h"

using namespace zelkor::test;

class TestHelperRefusals : public HelperProgramTest {
    Q_OBJECT
private slots:
    void silentSessionManagerIsNoSuccess_data();
    void silentSessionManagerIsNoSuccess();
    void argumentsAreRefused_data();
    void argumentsAreRefused();
};

void TestHelperRefusals::silentSessionManagerIsNoSuccess_data()
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

void TestHelperRefusals::silentSessionManagerIsNoSuccess()
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
    clearCalls();

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

void TestHelperRefusals::argumentsAreRefused_data()
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

void TestHelperRefusals::argumentsAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QStringList, arguments);
    useLogind(true);
    useDesktop(QStringLiteral("gnome")); // anything it could call is there and would accept
    clearCalls();

    const HelperRun result = run(name, m_buses.environment(), arguments);
    QCOMPARE(result.exitCode, 2);
    const QStringList lines = result.stderrText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.constFirst(), QStringLiteral("usage: ") + name);
    QCOMPARE(recordedCalls(), QStringList{});
}

QTEST_GUILESS_MAIN(TestHelperRefusals)
#include "tst_helper_refusals.moc"
