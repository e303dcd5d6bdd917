// Hibernation through a mock logind on a private system bus: the request, the
// wait for the resume inside a nested event loop, its bounds and refusals.

#include "MockServices.h"
#include "platform/linux/LinuxPower.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

namespace {
const QString kPlainHibernate; // the template's own: accepts and does nothing
}

class TestLinuxHibernation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void waitsForTheResume_data();
    void waitsForTheResume();
    void secondRequestWhileWaitingReturnsAtOnce();
    void platformHibernatesThroughLogind();
    void unreachableBusIsAFailure();
    void missingLogindIsAFailure();

private:
    void emitPrepareForSleep(bool starting);
    QStringList hibernateCalls();

    MockBuses m_buses;
};

void TestLinuxHibernation::initTestCase()
{
    QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
    m_buses.exportToThisProcess();
    LogindSetup setup;
    setup.session = false;
    QVERIFY2(startLogind(m_buses, setup), qPrintable(m_buses.error()));
}

void TestLinuxHibernation::init()
{
    if (!m_buses.isRunning(login1::service))
        return;
    // Back to the plain Hibernate after a row that made it refuse.
    QVERIFY(m_buses.addMethods(
        login1::service, login1::path, login1::manager,
        {{QStringLiteral("Hibernate"), QStringLiteral("b"), {}, kPlainHibernate}}));
    QVERIFY(m_buses.clearCalls(login1::service, login1::path));
}

void TestLinuxHibernation::emitPrepareForSleep(bool starting)
{
    QVERIFY(m_buses.emitSignal(login1::service, login1::path, login1::manager,
                               QStringLiteral("PrepareForSleep"), QStringLiteral("b"), {starting}));
}

QStringList TestLinuxHibernation::hibernateCalls()
{
    QStringList calls;
    for (const MockCall& call : m_buses.calls(login1::service, login1::path))
        calls.append(describeCall(call));
    return calls;
}

void TestLinuxHibernation::waitsForTheResume_data()
{
    QTest::addColumn<QString>("hibernateCode"); // what the mock's Hibernate does
    QTest::addColumn<int>("sleepAtMs");         // when PrepareForSleep(true) comes, -1 never
    QTest::addColumn<int>("resumeAtMs");        // when PrepareForSleep(false) comes, -1 never
    QTest::addColumn<int>("untilSleepMs");
    QTest::addColumn<int>("untilResumeMs");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");

    QTest::newRow("sleeps and resumes")
        << kPlainHibernate << 100 << 600 << 3000 << 3000 << true << QString() << 550 << 2500;
    QTest::newRow("resume reported alone")
        << kPlainHibernate << -1 << 300 << 3000 << 3000 << true << QString() << 250 << 2500;
    QTest::newRow("accepted but never sleeps")
        << kPlainHibernate << -1 << -1 << 500 << 3000 << false
        << QStringLiteral("The system accepted the request to hibernate but did not hibernate "
                          "within 0.5 seconds.")
        << 450 << 2500;
    // It did sleep; only the news of the resume got lost.
    QTest::newRow("resume never reported")
        << kPlainHibernate << 100 << -1 << 3000 << 600 << true << QString() << 650 << 2500;
    QTest::newRow("not authorised")
        << QStringLiteral(
               "raise dbus.exceptions.DBusException('Interactive authentication required.', "
               "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')")
        << -1 << -1 << 3000 << 3000 << false
        << QStringLiteral("The system refused to hibernate: Interactive authentication required.")
        << 0 << 1000;
    QTest::newRow("hibernation not offered")
        << QStringLiteral(
               "raise dbus.exceptions.DBusException('Sleep verb \"hibernate\" not supported', "
               "name='org.freedesktop.login1.SleepVerbNotSupported')")
        << -1 << -1 << 3000 << 3000 << false
        << QStringLiteral("The system refused to hibernate: Sleep verb \"hibernate\" not supported")
        << 0 << 1000;
}

void TestLinuxHibernation::waitsForTheResume()
{
    QFETCH(QString, hibernateCode);
    QFETCH(int, sleepAtMs);
    QFETCH(int, resumeAtMs);
    QFETCH(int, untilSleepMs);
    QFETCH(int, untilResumeMs);
    QFETCH(bool, ok);
    QFETCH(QString, error);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    QVERIFY(m_buses.addMethods(
        login1::service, login1::path, login1::manager,
        {{QStringLiteral("Hibernate"), QStringLiteral("b"), {}, hibernateCode}}));
    LogindHibernation hibernation(m_buses.connection(Bus::System), {untilSleepMs, untilResumeMs});

    // Logind's signals, sent while we wait; a ticking timer shows the program
    // keeps running meanwhile.
    if (sleepAtMs >= 0)
        QTimer::singleShot(sleepAtMs, this, [this] { emitPrepareForSleep(true); });
    if (resumeAtMs >= 0)
        QTimer::singleShot(resumeAtMs, this, [this] { emitPrepareForSleep(false); });
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start(50);

    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = hibernation.hibernate();
    const qint64 elapsed = clock.elapsed();

    QCOMPARE(outcome.ok, ok);
    QCOMPARE(outcome.error, error);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
    if (minMs >= 250)
        QVERIFY2(ticks >= minMs / 50 - 2, qPrintable(QString::number(ticks)));
    QVERIFY(!hibernation.waiting());
    // Not interactive: nobody may be there to answer a password prompt.
    QCOMPARE(hibernateCalls(), QStringList{QStringLiteral("Hibernate(b false)")});
    QTest::qWait(std::max({sleepAtMs, resumeAtMs, 0}) - int(elapsed) +
                 50); // let pending signals pass
}

void TestLinuxHibernation::secondRequestWhileWaitingReturnsAtOnce()
{
    LogindHibernation hibernation(m_buses.connection(Bus::System), {3000, 3000});
    Outcome inner = Outcome::failure(QStringLiteral("not called"));
    qint64 innerMs = -1;
    QTimer::singleShot(100, this, [&] {
        QElapsedTimer clock;
        clock.start();
        inner = hibernation.hibernate();
        innerMs = clock.elapsed();
    });
    QTimer::singleShot(400, this, [this] { emitPrepareForSleep(false); });

    const Outcome outer = hibernation.hibernate();
    QVERIFY(outer.ok);
    QVERIFY(inner.ok);
    QVERIFY2(innerMs >= 0 && innerMs < 100, qPrintable(QString::number(innerMs)));
    QCOMPARE(hibernateCalls(), QStringList{QStringLiteral("Hibernate(b false)")});
}

void TestLinuxHibernation::platformHibernatesThroughLogind()
{
    // The program's own platform object, on the default system bus (ours).
    const auto platform = createLinuxPlatform();
    QTimer::singleShot(100, this, [this] { emitPrepareForSleep(true); });
    QTimer::singleShot(200, this, [this] { emitPrepareForSleep(false); });
    const Outcome outcome = platform->hibernate();
    QVERIFY2(outcome.ok, qPrintable(outcome.error));
    QCOMPARE(hibernateCalls(), QStringList{QStringLiteral("Hibernate(b false)")});
}

void TestLinuxHibernation::unreachableBusIsAFailure()
{
    LogindHibernation hibernation(QDBusConnection(QStringLiteral("never-connected")));
    const Outcome outcome = hibernation.hibernate();
    QVERIFY(!outcome.ok);
    QCOMPARE(
        outcome.error,
        QStringLiteral("Hibernation is not available: the system message bus cannot be reached."));
}

void TestLinuxHibernation::missingLogindIsAFailure()
{
    m_buses.stopMock(login1::service);
    LogindHibernation hibernation(m_buses.connection(Bus::System), {3000, 3000});
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = hibernation.hibernate();
    QVERIFY(!outcome.ok);
    QCOMPARE(
        outcome.error,
        QStringLiteral("Hibernation is not available: the login manager (logind) is not running."));
    QVERIFY(clock.elapsed() < 1000);
}

QTEST_GUILESS_MAIN(TestLinuxHibernation)
#include "tst_linux_hibernation.moc"
