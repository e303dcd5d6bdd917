// Who else is logged in, as a mock logind on a private system bus lists it.

#include "MockServices.h"
#include "platform/linux/LogindSessions.h"

#include <QTest>

using namespace zelkor;
using namespace zelkor::test;

namespace {
constexpr uint kOwnUid = 1000;
} // namespace

class TestLogindSessions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(m_buses.start(), qPrintable(m_buses.error())); }
    void cleanup() { m_buses.stopAllMocks(); }

    void othersByName_data()
    {
        // Sessions as "id uid name class state"; no rows at all: no logind.
        QTest::addColumn<QStringList>("sessions");
        QTest::addColumn<QStringList>("others");
        QTest::newRow("no logind") << QStringList() << QStringList();
        QTest::newRow("alone") << QStringList{"1 1000 me user active"} << QStringList();
        QTest::newRow("one more at a seat")
            << QStringList{"1 1000 me user active", "2 1001 anna user online"} << QStringList{"anna"};
        QTest::newRow("two, one of them twice")
            << QStringList{"1 1000 me user active", "2 1002 bert user active", "3 1002 bert user online",
                           "4 1001 anna user active"}
            << QStringList{"anna", "bert"};
        QTest::newRow("a login screen and a session closing")
            << QStringList{"1 1000 me user active", "5 115 gdm greeter online", "6 1001 anna user closing"}
            << QStringList();
    }
    void othersByName()
    {
        QFETCH(QStringList, sessions);
        QFETCH(QStringList, others);
        if (!sessions.isEmpty()) {
            LogindSetup setup;
            setup.session = false;
            QVERIFY2(startLogind(m_buses, setup), qPrintable(m_buses.error()));
        }
        for (const QString& line : std::as_const(sessions)) {
            const QStringList f = line.split(QLatin1Char(' '));
            const QDBusMessage added =
                m_buses.control(login1::service, login1::path, QStringLiteral("AddSession"),
                                {f[0], QStringLiteral("seat0"), QVariant::fromValue(f[1].toUInt()), f[2], true});
            QVERIFY2(added.type() == QDBusMessage::ReplyMessage, qPrintable(added.errorMessage()));
            const QDBusMessage set = m_buses.control(
                login1::service, QStringLiteral("/org/freedesktop/login1/session/") + f[0],
                QStringLiteral("UpdateProperties"),
                {login1::session, QVariantMap{{QStringLiteral("Class"), f[3]}, {QStringLiteral("State"), f[4]}}});
            QVERIFY2(set.type() == QDBusMessage::ReplyMessage, qPrintable(set.errorMessage()));
        }
        QCOMPARE(otherUsersLoggedIn(m_buses.connection(Bus::System), kOwnUid, 2000), others);
    }

private:
    MockBuses m_buses;
};

QTEST_GUILESS_MAIN(TestLogindSessions)
#include "tst_logind_sessions.moc"
