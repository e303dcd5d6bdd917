#include "actions/BeepLoop.h"
#include "platform/Platform.h"
#include "platform/linux/TonePlayer.h"

#include "ToneAnalysis.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;

// The Linux backend plays into ALSA's file plugin, set up as the default
// device in a test HOME; PulseAudio is pointed at a socket that does not exist,
// so the backend falls through to ALSA as it does on a desktop without a
// sound server. Nothing reaches the real sound devices.
class TestBeepCapture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void beepIsCaptured_data();
    void beepIsCaptured();
    void burstKeepsItsRhythm();
    void startTonesPlaysInTheBackground();
    void silentWithoutDeviceButTakesItsTime();
    void unheardTonesAreTold_data();
    void unheardTonesAreTold();

private:
    void startCapture();
    std::vector<qint16> captured() const;
    QString captureDir() const { return m_home.filePath(QStringLiteral("out")); }
    QString capturePath() const { return captureDir() + QStringLiteral("/capture.raw"); }

    QTemporaryDir m_home;
};

static constexpr int kRate = 48000;

void TestBeepCapture::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("config")));
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("run")));
    QFile client(m_home.filePath(QStringLiteral("client.conf")));
    QVERIFY(client.open(QIODevice::WriteOnly));
    client.write("autospawn = no\n");
    client.close();
    // Before the first sound call: ALSA reads ~/.asoundrc on its first use.
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", m_home.filePath(QStringLiteral("run")).toLocal8Bit());
    qputenv("PULSE_SERVER",
            ("unix:" + m_home.filePath(QStringLiteral("no-such-pulse-socket"))).toLocal8Bit());
    qputenv("PULSE_CLIENTCONFIG", client.fileName().toLocal8Bit());

    // ALSA reads this once per process, so it stays the same for every case;
    // the device behind the file comes from the environment at each opening,
    // which lets a case take the sound device away.
    QFile rc(m_home.filePath(QStringLiteral(".asoundrc")));
    QVERIFY(rc.open(QIODevice::WriteOnly));
    rc.write("pcm.!default {\n"
             "    type file\n"
             "    slave.pcm { @func getenv vars [ BEEP_TEST_SLAVE ] default \"null\" }\n"
             "    format \"raw\"\n"
             "    file \"" + capturePath().toLocal8Bit() + "\"\n"
             "}\n");
}

void TestBeepCapture::startCapture()
{
    QVERIFY(QDir().mkpath(captureDir()));
    QFile::remove(capturePath());
}

std::vector<qint16> TestBeepCapture::captured() const
{
    QFile file(capturePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<qint16> samples(size_t(bytes.size()) / sizeof(qint16));
    memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(qint16));
    return samples;
}

void TestBeepCapture::beepIsCaptured_data()
{
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("ms");
    QTest::newRow("reminder beep") << 2350 << 100;
    QTest::newRow("lower, longer") << 880 << 300;
}

void TestBeepCapture::beepIsCaptured()
{
    QFETCH(int, hz);
    QFETCH(int, ms);
    startCapture();
    QElapsedTimer clock;
    {
        auto platform = createLinuxPlatform();
        clock.start();
        platform->beep(hz, ms);
        // It blocks until heard, even on a device that takes samples faster.
        QVERIFY2(clock.elapsed() >= ms - 2, qPrintable(QString::number(clock.elapsed())));
    } // closing the device writes out the file
    const std::vector<qint16> s = captured();
    const double lengthMs = s.size() * 1000.0 / kRate;
    QVERIFY2(std::abs(lengthMs - ms) <= 2, qPrintable(QString::number(lengthMs)));

    const double f = toneanalysis::frequency(s, s.size() / 10, s.size() * 9 / 10, kRate);
    QVERIFY2(std::abs(f - hz) < hz * 0.02, qPrintable(QString::number(f)));
    const int loudest = toneanalysis::peak(s, 0, s.size());
    QVERIFY(loudest > 8000);
    QVERIFY(std::abs(s.front()) < loudest / 20 && std::abs(s.back()) < loudest / 20);

    // A second opinion on the pitch from sox's own analysis.
    const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
    QVERIFY2(!sox.isEmpty(), "sox is needed to check the captured tone");
    QProcess stat;
    stat.start(sox, {QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-r"),
                     QString::number(kRate), QStringLiteral("-e"), QStringLiteral("signed"),
                     QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"),
                     QStringLiteral("1"), capturePath(), QStringLiteral("-n"),
                     QStringLiteral("stat")});
    QVERIFY(stat.waitForFinished(10000));
    const QString report = QString::fromLocal8Bit(stat.readAllStandardError());
    const QRegularExpression rough(QStringLiteral("Rough\\s+frequency:\\s+(\\d+)"));
    const QRegularExpressionMatch match = rough.match(report);
    QVERIFY2(match.hasMatch(), qPrintable(report));
    const int soxHz = match.captured(1).toInt();
    QVERIFY2(std::abs(soxHz - hz) < hz * 0.05, qPrintable(report));
}

void TestBeepCapture::burstKeepsItsRhythm()
{
    startCapture();
    {
        TonePlayer player;
        player.playAndWait(remindBurst());
    }
    const std::vector<qint16> s = captured();
    QCOMPARE(qsizetype(s.size()), qsizetype(875 * kRate / 1000));
    const QList<toneanalysis::Run> runs = toneanalysis::runs(s, kRate);
    const QList<ToneStep> burst = remindBurst();
    QCOMPARE(runs.size(), burst.size());
    for (qsizetype i = 0; i < runs.size(); ++i) {
        QCOMPARE(runs[i].sound, !burst[i].isPause());
        QVERIFY2(std::abs(runs[i].ms - burst[i].durationMs) <= 3,
                 qPrintable(QStringLiteral("step %1 lasts %2 ms").arg(i).arg(runs[i].ms)));
    }
}

void TestBeepCapture::startTonesPlaysInTheBackground()
{
    startCapture();
    {
        auto platform = createLinuxPlatform();
        platform->startTones({ToneStep{1000, 50}});
        // A new sequence replaces the first; the blocking beep waits for its own.
        platform->beep(2350, 100);
    }
    const std::vector<qint16> s = captured();
    QVERIFY(!s.empty());
    // The last 100 ms are the beep, whatever part of the first tone was heard.
    QVERIFY(s.size() >= size_t(100 * kRate / 1000));
    const size_t beepStart = s.size() - size_t(100 * kRate / 1000);
    const double f = toneanalysis::frequency(s, beepStart + 480, s.size() - 480, kRate);
    QVERIFY2(std::abs(f - 2350) < 2350 * 0.02, qPrintable(QString::number(f)));
}

void TestBeepCapture::silentWithoutDeviceButTakesItsTime()
{
    startCapture();
    qputenv("BEEP_TEST_SLAVE", "hw:97"); // no such card
    auto platform = createLinuxPlatform();
    QElapsedTimer clock;
    clock.start();
    platform->beep(2350, 100);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 95 && elapsed < 2000, qPrintable(QString::number(elapsed)));
    // Stopping silence ends the wait of nobody and returns at once.
    platform->startTones(remindBurst());
    clock.restart();
    platform->stopTones();
    platform.reset();
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!QFile::exists(capturePath()));
    qunsetenv("BEEP_TEST_SLAVE");
}

void TestBeepCapture::unheardTonesAreTold_data()
{
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<bool>("told");
    QTest::newRow("a device") << QByteArray("null") << false;
    QTest::newRow("no such card") << QByteArray("hw:97") << true;
}

void TestBeepCapture::unheardTonesAreTold()
{
    QFETCH(QByteArray, device);
    QFETCH(bool, told);
    startCapture();
    qputenv("BEEP_TEST_SLAVE", device);
    auto platform = createLinuxPlatform();
    QVERIFY(platform->toneProblem().isEmpty()); // nothing played yet
    platform->beep(2350, 50);
    QCOMPARE(!platform->toneProblem().isEmpty(), told);
    qunsetenv("BEEP_TEST_SLAVE");
}

QTEST_GUILESS_MAIN(TestBeepCapture)
#include "tst_beepcapture.moc"
