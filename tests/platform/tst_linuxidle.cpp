#include "actions/ActionExecutor.h"
#include "countdown/TimerTab.h"
#include "countdown/WakeWaits.h"
#include "platform/linux/IdleSource.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/MessageBox.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTimeEdit>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace zelkor;

namespace {
// Starts `program` and returns the first line it prints (a display number,
// a bus address), or an empty text when it does not start.
QByteArray startAndReadLine(QProcess& process, const QString& program, const QStringList& args)
{
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return {};
    while (!process.canReadLine())
        if (!process.waitForReadyRead(5000))
            return {};
    return process.readLine().trimmed();
}

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(1000);
}
} // namespace

// Idle time read for real: an X server of the test's own with xdotool input,
// and GNOME's idle monitor played by dbusmock on a private session bus.
class TestLinuxIdle : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    QProcess m_xvfb;
    QProcess m_bus;
    QProcess m_mutter;
    QByteArray m_display;
    int m_moves = 0;

    void input()
    {
        ++m_moves; // a pointer that does not move makes no input
        QProcess xdotool;
        QStringList env = QProcess::systemEnvironment();
        env << QStringLiteral("DISPLAY=") + QString::fromLatin1(m_display);
        xdotool.setEnvironment(env);
        xdotool.start(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(10 + 7 * m_moves),
                       QString::number(20 + 3 * m_moves)});
        QVERIFY(xdotool.waitForFinished(5000));
        QCOMPARE(xdotool.exitCode(), 0);
    }

    void mockIdleTime(const QString& code)
    {
        QDBusMessage add = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.IdleMonitor"),
            QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
            QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddMethod"));
        add << QString() << QStringLiteral("GetIdletime") << QString() << QStringLiteral("t")
            << code;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(add);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", m_home.path().toLocal8Bit());
        const QByteArray number = startAndReadLine(
            m_xvfb, QStringLiteral("Xvfb"),
            {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
             QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
             QStringLiteral("0"), QStringLiteral("640x480x24")});
        QVERIFY2(!number.isEmpty(), "Xvfb did not start");
        m_display = ':' + number;
        // Every bus this process could reach is a private one.
        const QByteArray address =
            startAndReadLine(m_bus, QStringLiteral("dbus-daemon"),
                             {QStringLiteral("--session"), QStringLiteral("--nofork"),
                              QStringLiteral("--print-address=1")});
        QVERIFY2(!address.isEmpty(), "dbus-daemon did not start");
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    }

    void cleanupTestCase()
    {
        stop(m_mutter);
        stop(m_bus);
        stop(m_xvfb);
    }

    void steady_data()
    {
        QTest::addColumn<int>("previous"); // -1: none
        QTest::addColumn<quint32>("now");
        QTest::addColumn<quint64>("idle");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("first answer") << -1 << 10000u << 4000ull << 6000u;
        QTest::newRow("jitter ahead") << 6000 << 11003u << 5000ull << 6000u;
        QTest::newRow("jitter behind") << 6000 << 10996u << 5000ull << 6000u;
        QTest::newRow("new input") << 6000 << 12000u << 20ull << 11980u;
        QTest::newRow("across the wrap")
            << int(0xFFFFFF00u - 0x100000000ll) << 100u << 356ull << 0xFFFFFF00u;
    }
    void steady()
    {
        QFETCH(int, previous);
        QFETCH(quint32, now);
        QFETCH(quint64, idle);
        QFETCH(quint32, expected);
        const std::optional<quint32> before =
            previous == -1 ? std::nullopt : std::optional<quint32>(quint32(previous));
        QCOMPARE(steadyLastInput(before, now, idle), expected);
    }

    void nothingToAskSaysSo()
    {
        auto none = createIdleSource({}, {}, {});
        QVERIFY(!none->idleMs());
        QVERIFY(!none->unavailableReason().isEmpty());
        auto noServer = createIdleSource("x11", {}, ":9876");
        QVERIFY(!noServer->idleMs());
        QVERIFY(noServer->unavailableReason().contains(QStringLiteral(":9876")));
    }

    void x11IdleGrowsUntilInput()
    {
        auto source = createIdleSource("x11", {}, m_display);
        QVERIFY2(source->unavailableReason().isEmpty(), qPrintable(source->unavailableReason()));
        input();
        const auto first = source->idleMs();
        QVERIFY(first && *first < 1000);
        QTest::qWait(1200);
        const auto later = source->idleMs();
        QVERIFY(later && *later >= *first + 1100);
        input();
        const auto after = source->idleMs();
        QVERIFY(after && *after < 500);
    }

    void waylandIgnoresTheXServer()
    {
        // XWayland sees no input given to Wayland windows: never trust it.
        auto source = createIdleSource("wayland", "wayland-0", m_display);
        QVERIFY(!source->idleMs());
        QVERIFY(source->unavailableReason().contains(QStringLiteral("Wayland")));
    }

    void quietCountdownRestartsOnRealInput()
    {
        qputenv("DISPLAY", m_display);
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("XDG_SESSION_TYPE", "x11");
        LinuxPlatform platform;
        AppState state;
        ActionExecutor actions(platform, state);
        WakeWaits waits(platform);
        TimerTab tab(platform, actions, waits);
        tab.m_actionCombo->addItem(QStringLiteral("Shut Down"));
        tab.m_modeButtons[3]->setChecked(true);
        tab.onModeChosen(3);
        tab.m_idleMinutesEdit->setTime(QTime(0, 1));
        input();
        const auto seen = platform.lastInputTick();
        QVERIFY(seen);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        tab.onStartStop();
        QCOMPARE(tab.m_remainLabel->text(), QStringLiteral("60 seconds remaining"));
        tab.m_countdownTimer->stop(); // the test ticks by hand
        tab.onCountdownTick();        // the stretch begins
        QTest::qWait(1100);
        tab.onCountdownTick();
        QCOMPARE(tab.m_remainLabel->text(), QStringLiteral("59 seconds remaining"));
        QCOMPARE(platform.lastInputTick(), seen); // steady while nobody touches anything
        input();
        QTest::qWait(200);
        tab.onCountdownTick();
        QCOMPARE(tab.m_remainLabel->text(),
                 QStringLiteral("59 seconds remaining")); // kept on this tick
        QTest::qWait(1100);
        tab.onCountdownTick();
        QCOMPARE(tab.m_remainLabel->text(),
                 QStringLiteral("59 seconds remaining")); // counted from the input
        tab.onStartStop();                                // Stop
        QCOMPARE(tab.m_remainLabel->text(), QStringLiteral("Timer disabled"));
    }

    void gnomeIdleMonitorOnWayland()
    {
        m_mutter.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                        QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                        QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                        QStringLiteral("org.gnome.Mutter.IdleMonitor")});
        QVERIFY(m_mutter.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     QStringLiteral("org.gnome.Mutter.IdleMonitor")),
                                 10000);
        mockIdleTime(QStringLiteral("ret = 5000"));
        auto source = createIdleSource("wayland", "wayland-0", {});
        QVERIFY2(source->unavailableReason().isEmpty(), qPrintable(source->unavailableReason()));
        QCOMPARE(source->idleMs(), std::optional<quint64>(5000));
        mockIdleTime(QStringLiteral("ret = 120"));
        QCOMPARE(source->idleMs(), std::optional<quint64>(120));
        stop(m_mutter);
        QVERIFY(!source->idleMs()); // gone: no answer rather than a stale one
        QVERIFY(!createIdleSource("wayland", "wayland-0", {})->unavailableReason().isEmpty());
    }
};

QTEST_MAIN(TestLinuxIdle)
#include "tst_linuxidle.moc"
