#include "platform/linux/PortalHotKey.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace zelkor;

namespace {
QDBusMessage control(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                       QStringLiteral("/test"), QStringLiteral("org.zelkor.Test"),
                                                       method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

QStringList controlList(const QString& method)
{
    const QDBusMessage reply = control(method);
    return reply.arguments().isEmpty() ? QStringList() : reply.arguments().constFirst().toStringList();
}
} // namespace

// Against a stand-in portal on a private session bus.
class TestPortalHotKey : public QObject {
    Q_OBJECT
private:
    QProcess m_portal;

private slots:
    void withoutPortalNothingRegisters()
    {
        PortalHotKey key;
        QVERIFY(!key.registerKey());
        QVERIFY(!key.isRegistered());
    }

    void bindsCtrlAltH()
    {
        m_portal.setProcessChannelMode(QProcess::ForwardedChannels);
        m_portal.start(QStringLiteral("/usr/bin/python3"),
                       {QFINDTESTDATA("mock_portal.py")});
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     QStringLiteral("org.freedesktop.portal.Desktop")),
                                 5000);
        PortalHotKey key;
        QSignalSpy spy(&key, &GlobalHotKey::activated);
        QVERIFY(key.registerKey());
        QTRY_VERIFY_WITH_TIMEOUT(key.isRegistered(), 5000);
        QCOMPARE(controlList(QStringLiteral("Bound")), QStringList{QStringLiteral("toggle-hidden CTRL+ALT+h")});

        control(QStringLiteral("Activate"), {QStringLiteral("toggle-hidden")});
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 3000);
        control(QStringLiteral("Activate"), {QStringLiteral("something-else")});
        QTest::qWait(200);
        QCOMPARE(spy.count(), 1);

        key.unregisterKey();
        QVERIFY(!key.isRegistered());
        QTRY_COMPARE_WITH_TIMEOUT(controlList(QStringLiteral("Closed")).size(), 1, 3000);
        control(QStringLiteral("Activate"), {QStringLiteral("toggle-hidden")});
        QTest::qWait(200);
        QCOMPARE(spy.count(), 1);
    }

    void cleanupTestCase()
    {
        m_portal.terminate();
        m_portal.waitForFinished(3000);
    }
};

int main(int argc, char** argv)
{
    // A private session bus, so that no real portal is reached.
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                               QStringLiteral("--print-address=1")});
    if (!bus.waitForReadyRead(5000)) {
        qCritical("no private session bus");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent");
    int result = 0;
    {
        QCoreApplication app(argc, argv);
        TestPortalHotKey test;
        result = QTest::qExec(&test, argc, argv);
    }
    bus.terminate();
    bus.waitForFinished(3000);
    return result;
}

#include "tst_portalhotkey.moc"
