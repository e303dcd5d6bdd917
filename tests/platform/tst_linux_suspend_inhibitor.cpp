// The locks that refuse foreign suspend requests, against a mock logind (whose
// Inhibit hands out a pipe and forgets the lock once its end is closed) and
// mock desktop inhibitors on private buses.

#include "MockServices.h"
#include "platform/linux/LinuxInhibitor.h"

#include <QDBusArgument>
#include <QProcess>
#include <QTest>

using namespace zelkor;
using namespace zelkor::test;

class TestLinuxSuspendInhibitor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void holdsAndReleases_data();
    void holdsAndReleases();
    void lockDoesNotOutliveReleaseInChildren();
    void releaseWithoutHoldDoesNothing();
    void platformReleasesWhatItHeld();

private:
    void setUp(bool logind, const QString& desktop);
    int logindLocks();
    QStringList desktopCalls(const QString& desktop);

    MockBuses m_buses;
};

void TestLinuxSuspendInhibitor::initTestCase()
{
    QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
    m_buses.exportToThisProcess();
}

void TestLinuxSuspendInhibitor::cleanup() { m_buses.stopAllMocks(); }

void TestLinuxSuspendInhibitor::setUp(bool logind, const QString& desktop)
{
    LogindSetup setup;
    setup.session = false;
    if (logind)
        QVERIFY2(startLogind(m_buses, setup), qPrintable(m_buses.error()));
    if (desktop == QLatin1String("gnome"))
        QVERIFY2(m_buses.startMock(gnomeSessionManager()), qPrintable(m_buses.error()));
    if (desktop == QLatin1String("portal"))
        QVERIFY2(startInhibitPortal(m_buses), qPrintable(m_buses.error()));
}

// Our sleep locks as logind lists them.
int TestLinuxSuspendInhibitor::logindLocks()
{
    const QDBusMessage reply =
        m_buses.connection(Bus::System)
            .call(QDBusMessage::createMethodCall(login1::service, login1::path, login1::manager,
                                                 QStringLiteral("ListInhibitors")));
    if (reply.type() != QDBusMessage::ReplyMessage)
        return -1;
    int count = 0;
    const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        QString what, who, why, mode;
        quint32 uid = 0, pid = 0;
        arg.beginStructure();
        arg >> what >> who >> why >> mode >> uid >> pid;
        arg.endStructure();
        if (what == QLatin1String("sleep") && who == QLatin1String("Zelkor") &&
            mode == QLatin1String("block") && !why.isEmpty())
            ++count;
    }
    arg.endArray();
    return count;
}

QStringList TestLinuxSuspendInhibitor::desktopCalls(const QString& desktop)
{
    QStringList calls;
    if (desktop == QLatin1String("gnome")) {
        for (const MockCall& call : m_buses.calls(gnome::service, gnome::path)) {
            QStringList args;
            for (const QVariant& v : call.args)
                args.append(v.toString());
            // The reason is plain text of our own; only that there is one matters.
            if (call.method == QLatin1String("Inhibit") && args.size() == 4 &&
                !args.at(2).isEmpty())
                args[2] = QStringLiteral("<reason>");
            calls.append(call.method + QLatin1Char('(') + args.join(QLatin1Char(',')) +
                         QLatin1Char(')'));
        }
    }
    if (desktop == QLatin1String("portal")) {
        for (const MockCall& call : m_buses.calls(portal::service, portal::path)) {
            QString text = call.method;
            if (call.args.size() == 3) {
                const auto options =
                    qdbus_cast<QVariantMap>(call.args.at(2).value<QDBusArgument>());
                text += QStringLiteral("(%1,%2,reason:%3)")
                            .arg(call.args.at(0).toString(), call.args.at(1).toString(),
                                 options.value(QStringLiteral("reason")).toString().isEmpty()
                                     ? QStringLiteral("none")
                                     : QStringLiteral("yes"));
            }
            calls.append(text);
        }
        for (const MockCall& call : m_buses.calls(portal::service, portal::requestPath))
            calls.append(QStringLiteral("request.") + call.method + QStringLiteral("()"));
    }
    return calls;
}

void TestLinuxSuspendInhibitor::holdsAndReleases_data()
{
    QTest::addColumn<bool>("logind");
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("whileHeld");    // desktop calls after holding twice
    QTest::addColumn<QStringList>("afterRelease"); // desktop calls after the release

    const QString gnomeInhibit = QStringLiteral("Inhibit(zelkor,0,<reason>,4)");
    const QString portalInhibit = QStringLiteral("Inhibit(,4,reason:yes)");
    QTest::newRow("logind and GNOME")
        << true << QStringLiteral("gnome") << true << QStringList{gnomeInhibit}
        << QStringList{gnomeInhibit, QStringLiteral("Uninhibit(42)")};
    QTest::newRow("logind and the portal")
        << true << QStringLiteral("portal") << true << QStringList{portalInhibit}
        << QStringList{portalInhibit, QStringLiteral("request.Close()")};
    QTest::newRow("logind alone") << true << QStringLiteral("none") << true << QStringList{}
                                  << QStringList{};
    QTest::newRow("GNOME alone") << false << QStringLiteral("gnome") << true
                                 << QStringList{gnomeInhibit}
                                 << QStringList{gnomeInhibit, QStringLiteral("Uninhibit(42)")};
    QTest::newRow("nobody answers")
        << false << QStringLiteral("none") << false << QStringList{} << QStringList{};
}

void TestLinuxSuspendInhibitor::holdsAndReleases()
{
    QFETCH(bool, logind);
    QFETCH(QString, desktop);
    QFETCH(bool, ok);
    QFETCH(QStringList, whileHeld);
    QFETCH(QStringList, afterRelease);
    setUp(logind, desktop);

    SuspendInhibitor inhibitor(m_buses.connection(Bus::System), m_buses.connection(Bus::Session),
                               2000);
    const Outcome first = inhibitor.hold(true);
    QCOMPARE(first.ok, ok);
    const Outcome second = inhibitor.hold(true); // holding twice takes no second lock
    QCOMPARE(second.ok, ok);
    if (!ok) {
        QVERIFY2(first.error.startsWith(QLatin1String("Suspend requests cannot be refused: ")),
                 qPrintable(first.error));
        QVERIFY2(first.error.contains(QLatin1String("logind")), qPrintable(first.error));
    }
    QCOMPARE(inhibitor.logindHeld(), logind);
    QCOMPARE(inhibitor.desktopHeld(), desktop != QLatin1String("none"));
    if (logind)
        QCOMPARE(logindLocks(), 1);
    QCOMPARE(desktopCalls(desktop), whileHeld);

    QVERIFY(inhibitor.hold(false).ok);
    QVERIFY(!inhibitor.logindHeld());
    QVERIFY(!inhibitor.desktopHeld());
    if (logind) // the mock drops the lock once every copy of its pipe end is closed
        QTRY_COMPARE_WITH_TIMEOUT(logindLocks(), 0, 3000);
    QCOMPARE(desktopCalls(desktop), afterRelease);
}

void TestLinuxSuspendInhibitor::lockDoesNotOutliveReleaseInChildren()
{
    setUp(true, QStringLiteral("none"));
    SuspendInhibitor inhibitor(m_buses.connection(Bus::System), m_buses.connection(Bus::Session),
                               2000);
    QVERIFY(inhibitor.hold(true).ok);
    QCOMPARE(logindLocks(), 1);
    // A program started while the lock is held, as the helpers are.
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("10")});
    QVERIFY(child.waitForStarted());
    QVERIFY(inhibitor.hold(false).ok);
    QTRY_COMPARE_WITH_TIMEOUT(logindLocks(), 0, 3000);
    child.kill();
    child.waitForFinished();
}

void TestLinuxSuspendInhibitor::releaseWithoutHoldDoesNothing()
{
    setUp(true, QStringLiteral("gnome"));
    SuspendInhibitor inhibitor(m_buses.connection(Bus::System), m_buses.connection(Bus::Session),
                               2000);
    QVERIFY(inhibitor.hold(false).ok);
    QCOMPARE(m_buses.calls(login1::service, login1::path).size(), 0);
    QCOMPARE(desktopCalls(QStringLiteral("gnome")), QStringList{});
}

void TestLinuxSuspendInhibitor::platformReleasesWhatItHeld()
{
    // The program's own platform object, on the default buses (ours).
    setUp(true, QStringLiteral("gnome"));
    const auto platform = createLinuxPlatform();
    QVERIFY(platform->holdSuspendInhibitor(true).ok);
    QCOMPARE(logindLocks(), 1);
    QVERIFY(platform->holdSuspendInhibitor(false).ok);
    QTRY_COMPARE_WITH_TIMEOUT(logindLocks(), 0, 3000);
    QCOMPARE(desktopCalls(QStringLiteral("gnome")),
             (QStringList{QStringLiteral("Inhibit(zelkor,0,<reason>,4)"),
                          QStringLiteral("Uninhibit(42)")}));
}

QTEST_GUILESS_MAIN(TestLinuxSuspendInhibitor)
#include "tst_linux_suspend_inhibitor.moc"
