#include "countdown/WakeWaits.h"
#include "platform/linux/LinuxWakeTimer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <ctime>
#include <linux/capability.h>
#include <optional>
#include <sys/syscall.h>
#include <unistd.h>

using namespace zelkor;

namespace
{
// Starts a wait and returns how it ended.
WaitEnd waitFor(WakeWaits& waits, qint64 seconds)
{
    std::optional<WaitEnd> end;
    if (waits.startWait(seconds, [&end](quint64, WaitEnd how) { end = how; }) == 0)
        return WaitEnd::Failed;
    if (!QTest::qWaitFor([&end] { return end.has_value(); }, int(seconds * 1000 + 5000)))
        return WaitEnd::Failed;
    return *end;
}
} // namespace

namespace {
// Takes CAP_WAKE_ALARM out of the effective set for as long as it lives.
class WithoutWakeAlarm {
public:
    WithoutWakeAlarm()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[CAP_TO_INDEX(CAP_WAKE_ALARM)].effective &= ~CAP_TO_MASK(CAP_WAKE_ALARM);
        syscall(SYS_capset, &m_header, lowered);
    }
    ~WithoutWakeAlarm() { syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
};

// The open timerfds of this process, by descriptor.
QSet<int> timerDescriptors()
{
    QSet<int> found;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
        char target[64] = {};
        const QByteArray path = QFile::encodeName(fds.filePath(fd));
        const ssize_t n = readlink(path.constData(), target, sizeof target - 1);
        if (n > 0 && QByteArray(target, int(n)) == "anon_inode:[timerfd]")
            found.insert(fd.toInt());
    }
    return found;
}

// The clock a timerfd was created on, as the kernel tells it; -1 if unknown.
int clockIdOf(int fd)
{
    QFile info(QStringLiteral("/proc/self/fdinfo/%1").arg(fd));
    if (!info.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : info.readAll().split('\n'))
        if (line.startsWith("clockid:"))
            return line.mid(8).trimmed().toInt();
    return -1;
}
} // namespace

// The real timerfd, with waits of a second or two.
class TestLinuxWakeTimer : public QObject {
    Q_OBJECT
private slots:
    void problems_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("rtc");
        QTest::addColumn<QString>("reason");
        QTest::newRow("alarm clock with rtc") << 0 << true << QString();
        QTest::newRow("alarm clock, no rtc")
            << 0 << false << QStringLiteral("it has no real-time clock with a wake-up alarm");
        QTest::newRow("not permitted")
            << EPERM << true
            << QStringLiteral("Zelkor lacks the permission to set wake-up alarms "
                              "(cap_wake_alarm)");
        QTest::newRow("no alarm clock")
            << EINVAL << true << QStringLiteral("this system offers no wake-up alarm clock");
        QTest::newRow("no device")
            << ENODEV << false << QStringLiteral("this system offers no wake-up alarm clock");
    }
    void problems()
    {
        QFETCH(int, error);
        QFETCH(bool, rtc);
        QFETCH(QString, reason);
        QCOMPARE(wakeAlarmProblem(error, rtc), reason);
    }

    void rtcWithWakeAlarmIsFound()
    {
        QTemporaryDir sys;
        QVERIFY(!hasRtcWakeAlarm(sys.path()));
        QDir(sys.path()).mkpath(QStringLiteral("rtc0"));
        QVERIFY(!hasRtcWakeAlarm(sys.path()));
        QDir(sys.path()).mkpath(QStringLiteral("rtc1"));
        QFile alarm(sys.path() + QStringLiteral("/rtc1/wakealarm"));
        QVERIFY(alarm.open(QIODevice::WriteOnly));
        alarm.close();
        QVERIFY(hasRtcWakeAlarm(sys.path()));
        QVERIFY(!hasRtcWakeAlarm(sys.path() + QStringLiteral("/missing")));
    }

    void alarmClockCanWakeOnlyWithAnRtc()
    {
        LinuxWakeTimer timer;
        QVERIFY(timer.isValid());
        if (!timer.onAlarmClock())
            QSKIP("this process may not use the alarm clock");
        QCOMPARE(timer.canWake(), hasRtcWakeAlarm());
        QCOMPARE(timer.whyNoWake().isEmpty(), timer.canWake());
    }

    void withoutTheCapabilityItFallsBackAndSaysWhy()
    {
        WithoutWakeAlarm lowered;
        LinuxWakeTimer timer;
        QVERIFY(timer.isValid());
        QVERIFY(!timer.onAlarmClock());
        QVERIFY(!timer.canWake());
        QVERIFY(timer.whyNoWake().contains(QStringLiteral("cap_wake_alarm")));
        WakeWaits waits(timer, &QDateTime::currentDateTime);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(waitFor(waits, 1), WaitEnd::Fired); // still on time while awake
        QVERIFY(clock.elapsed() >= 990);
    }

    // Both clocks count the time the computer sleeps, so a wait ends at its
    // moment, or at once after a resume that came later; a relative wait on
    // the real-time clock would stand still while asleep and come late by
    // the whole time slept.
    void clockCountsTimeAsleep_data()
    {
        QTest::addColumn<bool>("alarmClock");
        QTest::addColumn<int>("clockId");
        QTest::newRow("without the capability") << false << int(CLOCK_BOOTTIME);
        QTest::newRow("alarm clock") << true << int(CLOCK_BOOTTIME_ALARM);
    }
    void clockCountsTimeAsleep()
    {
        QFETCH(bool, alarmClock);
        QFETCH(int, clockId);
        const QSet<int> before = timerDescriptors();
        std::optional<WithoutWakeAlarm> lowered;
        if (!alarmClock)
            lowered.emplace();
        LinuxWakeTimer timer;
        QVERIFY(timer.isValid());
        if (alarmClock && !timer.onAlarmClock())
            QSKIP("this process may not use the alarm clock");
        QCOMPARE(timer.onAlarmClock(), alarmClock);
        const QSet<int> created = timerDescriptors() - before;
        QCOMPARE(created.size(), 1);
        QCOMPARE(clockIdOf(*created.begin()), clockId);
    }

    void firesAfterItsTimeAndDisarms()
    {
        LinuxWakeTimer timer;
        WakeWaits waits(timer, &QDateTime::currentDateTime);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(waitFor(waits, 1), WaitEnd::Fired);
        QVERIFY2(clock.elapsed() >= 990 && clock.elapsed() < 2500,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(timer.remainingMs(), 0);
    }

    // On the real timer, a wait started while another waits ends at its own
    // moment, and the other at its own, earlier or later.
    void waitsEndAtTheirOwnMoments_data()
    {
        QTest::addColumn<int>("firstSeconds");
        QTest::addColumn<int>("laterSeconds"); // started 100 ms after the first
        QTest::newRow("the later one is earlier") << 2 << 1;
        QTest::newRow("the later one is later") << 1 << 2;
    }
    void waitsEndAtTheirOwnMoments()
    {
        QFETCH(int, firstSeconds);
        QFETCH(int, laterSeconds);
        LinuxWakeTimer timer;
        WakeWaits waits(timer, &QDateTime::currentDateTime);
        QElapsedTimer clock;
        clock.start();
        qint64 laterEnd = -1;
        QTimer::singleShot(100, [&] {
            waits.startWait(laterSeconds, [&](quint64, WaitEnd) { laterEnd = clock.elapsed(); });
        });
        QCOMPARE(waitFor(waits, firstSeconds), WaitEnd::Fired);
        const qint64 firstEnd = clock.elapsed();
        QTRY_VERIFY(laterEnd >= 0);
        const auto near = [](qint64 ms, qint64 expected) {
            return ms >= expected - 10 && ms < expected + 800; // a loaded machine runs late
        };
        QVERIFY2(near(laterEnd, 100 + laterSeconds * 1000), qPrintable(QString::number(laterEnd)));
        QVERIFY2(near(firstEnd, firstSeconds * 1000), qPrintable(QString::number(firstEnd)));
        QCOMPARE(timer.remainingMs(), 0);
    }

    void cancelEndsTheWaitAndDisarms()
    {
        LinuxWakeTimer timer;
        WakeWaits waits(timer, &QDateTime::currentDateTime);
        QElapsedTimer clock;
        clock.start();
        bool ended = false;
        const quint64 wait = waits.startWait(1, [&](quint64, WaitEnd) { ended = true; });
        QTest::qWait(200);
        QVERIFY(timer.remainingMs() > 0);
        waits.cancelWait(wait);
        // Nothing is left to wake the computer for: the second passes quietly.
        QSignalSpy fired(&timer, &WakeTimer::fired);
        QVERIFY(!fired.wait(1300));
        QVERIFY(!timer.signalled());
        QVERIFY(!ended);
    }
};

QTEST_GUILESS_MAIN(TestLinuxWakeTimer)
#include "tst_linuxwaketimer.moc"
