// A helper that fails is told, in its own words, once per cause until it
// works again, and never holds the caller up: the real helpers of the dll
// folder, started by the real platform, against a mock logind and a mock
// session manager on private buses.

#include "MockServices.h"
#include "actions/ActionExecutor.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace zelkor;
using namespace zelkor::test;

namespace {
constexpr int kEndTimeoutMs = 8000;

const QString kRefusePowerOff =
    QStringLiteral("raise dbus.exceptions.DBusException('Access denied to power off', "
                   "name='org.freedesktop.DBus.Error.AccessDenied')");
} // namespace

class TestHelperFailures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_buses.stopAllMocks(); }
    void init();

    void refusedHelperIsToldOncePerCauseUntilItWorks();
    void helperAskedForByTheUserIsToldEachTime();
    void silentSessionManagerIsToldWithoutHoldingTheCaller();
    void helperEndsInPlainWords_data();
    void helperEndsInPlainWords();

private:
    void setPowerOff(const QString& code);
    int powerOffCalls();
    QString m_app;
    MockBuses m_buses;
    std::unique_ptr<Platform> m_platform;
    AppState m_state;
};

void TestHelperFailures::initTestCase()
{
    QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
    m_buses.exportToThisProcess();
    QVERIFY2(startLogind(m_buses), qPrintable(m_buses.error()));
    m_app = m_buses.folder() + QStringLiteral("/app");
    QVERIFY(QDir().mkpath(m_app));
    QCOMPARE(QProcess::execute(QStringLiteral("cp"),
                               {QStringLiteral("-a"),
                                qEnvironmentVariable("ZELKOR_APP_DIR") + QStringLiteral("/dll"),
                                m_app + QStringLiteral("/dll")}),
             0);
    m_state.paths.programDir = m_app;
    m_platform = createLinuxPlatform();
}

void TestHelperFailures::init()
{
    setPowerOff(kRefusePowerOff);
    QVERIFY(m_buses.clearCalls(login1::service, login1::path));
}

void TestHelperFailures::setPowerOff(const QString& code)
{
    QVERIFY(m_buses.addMethods(login1::service, login1::path, login1::manager,
                               {{QStringLiteral("PowerOff"), QStringLiteral("b"), {}, code}}));
}

int TestHelperFailures::powerOffCalls()
{
    int count = 0;
    for (const MockCall& call : m_buses.calls(login1::service, login1::path))
        count += call.method == QLatin1String("PowerOff");
    return count;
}

void TestHelperFailures::refusedHelperIsToldOncePerCauseUntilItWorks()
{
    ActionExecutor actions(*m_platform, m_state);
    QSignalSpy problems(&actions, &ActionExecutor::problem);
    // The forbidden period's ticks: the forced shut-down helper, again and again.
    for (int tick = 0; tick < 5; ++tick) {
        const int before = powerOffCalls();
        actions.performAction(1, true);
        QTRY_COMPARE_WITH_TIMEOUT(powerOffCalls(), before + 1, kEndTimeoutMs);
    }
    QTRY_COMPARE_WITH_TIMEOUT(problems.count(), 1, kEndTimeoutMs);
    QTest::qWait(300); // the last helpers' ends are in: still one
    QCOMPARE(problems.count(), 1);
    const QString told = problems.at(0).at(0).toString();
    QVERIFY2(told.startsWith(QLatin1String("Could not shut the computer down.")), qPrintable(told));
    QVERIFY2(told.contains(QLatin1String("refused: Access denied to power off")), qPrintable(told));

    // It works once; the next refusal is news again.
    setPowerOff(QString());
    actions.performAction(1, true);
    QTRY_COMPARE_WITH_TIMEOUT(powerOffCalls(), 6, kEndTimeoutMs);
    QTest::qWait(300);
    QCOMPARE(problems.count(), 1);
    setPowerOff(kRefusePowerOff);
    actions.performAction(1, true);
    QTRY_COMPARE_WITH_TIMEOUT(problems.count(), 2, kEndTimeoutMs);
}

void TestHelperFailures::helperAskedForByTheUserIsToldEachTime()
{
    ActionExecutor actions(*m_platform, m_state);
    QSignalSpy problems(&actions, &ActionExecutor::problem);
    for (int click = 1; click <= 2; ++click) {
        actions.performRequested(1, true); // the toolbar's Shut Down
        QTRY_COMPARE_WITH_TIMEOUT(problems.count(), click, kEndTimeoutMs);
    }
}

void TestHelperFailures::silentSessionManagerIsToldWithoutHoldingTheCaller()
{
    MockSpec slow = gnomeSessionManager();
    slow.methods = {
        {QStringLiteral("Shutdown"), {}, {}, QStringLiteral("import time; time.sleep(3.5)")}};
    QVERIFY2(m_buses.startMock(slow), qPrintable(m_buses.error()));
    const auto stop = qScopeGuard([this] { m_buses.stopMock(gnome::service); });

    ActionExecutor actions(*m_platform, m_state);
    QSignalSpy problems(&actions, &ActionExecutor::problem);
    QElapsedTimer clock;
    clock.start();
    actions.performAction(1, false); // the plain shut down asks the session manager
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(problems.count(), 1, kEndTimeoutMs);
    const QString told = problems.at(0).at(0).toString();
    QVERIFY2(told.contains(QLatin1String("session manager did not answer")), qPrintable(told));
    QCOMPARE(powerOffCalls(), 0); // nothing went behind its back
}

void TestHelperFailures::helperEndsInPlainWords_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("words");
    QTest::newRow("done") << QByteArray("exit 0") << true << QString();
    QTest::newRow("its own words")
        << QByteArray("echo 'Could not lock the screen.' >&2; echo '  No screen.' >&2; exit 1")
        << false << QStringLiteral("Could not lock the screen.\nNo screen.");
    QTest::newRow("silent failure")
        << QByteArray("exit 3") << false
        << QStringLiteral("The helper stand-in.dll failed (exit status 3) without saying why.");
    QTest::newRow("killed") << QByteArray("kill -KILL $$") << false
                            << QStringLiteral("The helper stand-in.dll stopped unexpectedly (signal 9).");
    QTest::newRow("words but success") << QByteArray("echo 'just saying' >&2; exit 0") << true
                                       << QString();
}

void TestHelperFailures::helperEndsInPlainWords()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, ok);
    QFETCH(QString, words);
    const QString helper = m_app + QStringLiteral("/dll/stand-in.dll");
    QFile file(helper);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + script + '\n');
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));

    std::optional<Outcome> ended;
    QVERIFY(m_platform->startHelper(helper, [&ended](const Outcome& end) { ended = end; }).ok);
    QTRY_VERIFY_WITH_TIMEOUT(ended.has_value(), kEndTimeoutMs);
    QCOMPARE(ended->ok, ok);
    QCOMPARE(ended->error, words);
}

QTEST_GUILESS_MAIN(TestHelperFailures)
#include "tst_helperfailures.moc"
