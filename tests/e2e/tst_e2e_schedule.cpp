#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// The real program on a private copy of its folder, with stand-in helpers in
// dll/ that note when they were started. The session and system buses point
// nowhere, so nothing real can happen.
namespace {

double timeOfDay(const QDateTime& t) { return QTime(0, 0).secsTo(t.time()) / 86400.0; }
double dayNumber(const QDateTime& t)
{
    return QDate(1899, 12, 30).daysTo(t.date()) + timeOfDay(t);
}

// libfaketime (Debian package faketime), which fakes a program's wall clock.
QString fakeTimeLibrary()
{
    QDirIterator it(QStringLiteral("/usr/lib"), {QStringLiteral("libfaketime.so.1")}, QDir::Files,
                    QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

class ProgramCopy {
public:
    ProgramCopy()
    {
        const QString source = qEnvironmentVariable("ZELKOR_APP_DIR");
        QDir().mkpath(app() + QStringLiteral("/dll"));
        QDir().mkpath(m_dir.path() + QStringLiteral("/home"));
        QDir().mkpath(m_dir.path() + QStringLiteral("/run"));
        QFile::setPermissions(m_dir.path() + QStringLiteral("/run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_ok = QFile::copy(source + QStringLiteral("/zelkor"), app() + QStringLiteral("/zelkor")) &&
               QFile::copy(source + QStringLiteral("/dll/zelkor.dll"), database());
        QFile::setPermissions(database(), QFile::ReadOwner | QFile::WriteOwner);
        for (const char* name : {"guan.dll", "guan_f.dll", "res.dll", "res_f.dll"}) {
            QFile helper(app() + QStringLiteral("/dll/") + QLatin1String(name));
            m_ok = m_ok && helper.open(QIODevice::WriteOnly);
            // The true time, also when the program runs on a faked clock.
            helper.write(
                "#!/bin/sh\necho \"$(basename \"$0\") $(env -u LD_PRELOAD date +%s.%N)\" >> "
                "\"$(dirname \"$0\")/started.log\"\n");
            helper.close();
            helper.setPermissions(helper.permissions() | QFile::ExeOwner);
        }
    }
    ~ProgramCopy() { stop(); }

    bool isValid() const { return m_ok && m_dir.isValid(); }
    QString app() const { return m_dir.path() + QStringLiteral("/app"); }
    QString database() const { return app() + QStringLiteral("/dll/zelkor.dll"); }

    bool insert(const QString& sql, const QVariantList& values)
    {
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("e2e"));
            db.setDatabaseName(database());
            QSqlQuery query(db);
            ok = db.open() && query.prepare(sql);
            for (const QVariant& v : values)
                query.addBindValue(v);
            ok = ok && query.exec();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("e2e"));
        return ok;
    }

    void start(const QProcessEnvironment& extra = {})
    {
        QProcessEnvironment env = extra;
        const QString root = m_dir.path();
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/home/.local/share"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        env.insert(QStringLiteral("TZ"), qEnvironmentVariable("TZ"));
        // Under AddressSanitizer a preloaded library (the fake clock) comes
        // before the sanitizer's runtime; that order is fine for it.
        QString sanitizer = qEnvironmentVariable("ASAN_OPTIONS");
        if (env.contains(QStringLiteral("LD_PRELOAD")))
            sanitizer += QStringLiteral(":verify_asan_link_order=0");
        env.insert(QStringLiteral("ASAN_OPTIONS"), sanitizer);
        env.insert(QStringLiteral("UBSAN_OPTIONS"), qEnvironmentVariable("UBSAN_OPTIONS"));
        m_process.setProcessEnvironment(env);
        m_process.setProgram(app() + QStringLiteral("/zelkor"));
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start();
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    // Taken by the program once it has started up.
    QString lockFile() const { return m_dir.path() + QStringLiteral("/run/zelkor.lock"); }

    // (helper name, seconds since 1970) of every start so far.
    QList<QPair<QString, double>> starts() const
    {
        QList<QPair<QString, double>> list;
        QFile log(app() + QStringLiteral("/dll/started.log"));
        if (!log.open(QIODevice::ReadOnly))
            return list;
        for (const QByteArray& line : log.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 2)
                list.append({QString::fromLatin1(parts[0]), parts[1].toDouble()});
        }
        return list;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    bool m_ok = false;
};

} // namespace

class TestE2eSchedule : public QObject {
    Q_OBJECT
private slots:
    void dailyTaskStartsItsHelperAtItsSecond()
    {
        ProgramCopy program;
        QVERIFY(program.isValid());
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime due = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 3);
        QVERIFY(program.insert(QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                                              " sun, mon, tue, wed, thu, fri, sat, state)"
                                              " values (2, 1, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
                               {timeOfDay(due)}));
        program.start();
        QTRY_VERIFY_WITH_TIMEOUT(!program.starts().isEmpty(), 7000);
        QTest::qWait(1500); // and not again
        QVERIFY(program.running());
        program.stop();
        const auto starts = program.starts();
        QCOMPARE(starts.size(), 1);
        QCOMPARE(starts.first().first, QStringLiteral("guan_f.dll")); // "Force" is checked at first start
        const double lateness = starts.first().second - double(due.toSecsSinceEpoch());
        qInfo("helper started %.1f ms after its second", lateness * 1000);
        QVERIFY2(lateness >= 0 && lateness < 1.0, qPrintable(QString::number(lateness)));
    }

    // The wall clock set three hours forward for a moment and back again (a
    // time server's step, a user's slip): a Once and a Daily task due after
    // it each run once, at their own second.
    void tasksAfterAClockStepRunOnceAtTheirSecond()
    {
        const QString library = fakeTimeLibrary();
        QVERIFY2(!library.isEmpty(), "libfaketime is missing (Debian package faketime)");
        ProgramCopy program;
        QVERIFY(program.isValid());
        const QString offset = program.app() + QStringLiteral("/faketime.rc");
        QVERIFY(writeFile(offset, "+0\n"));
        const QDateTime start = QDateTime::currentDateTime();
        const QDateTime once = QDateTime::fromSecsSinceEpoch(start.toSecsSinceEpoch() + 6);
        const QDateTime daily = once.addSecs(1);
        QVERIFY(program.insert(
            QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                           " sun, mon, tue, wed, thu, fri, sat, state)"
                           " values (?, ?, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
            {1, 1, dayNumber(once)}));
        QVERIFY(program.insert(
            QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                           " sun, mon, tue, wed, thu, fri, sat, state)"
                           " values (?, ?, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
            {2, 2, timeOfDay(daily)}));
        QProcessEnvironment env;
        env.insert(QStringLiteral("LD_PRELOAD"), library);
        env.insert(QStringLiteral("FAKETIME_TIMESTAMP_FILE"), offset);
        env.insert(QStringLiteral("FAKETIME_NO_CACHE"), QStringLiteral("1"));
        // The tick count and the event loop's timers keep the true time.
        env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        program.start(env);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program.lockFile()), 3000);
        QTest::qWait(1000); // a tick or two on the true time
        QVERIFY(writeFile(offset, "+3h\n"));
        QTest::qWait(1200);
        QVERIFY(writeFile(offset, "+0\n"));
        const qint64 stepEnded = QDateTime::currentMSecsSinceEpoch();
        QVERIFY2(stepEnded < once.toMSecsSinceEpoch() - 500, "the program took too long to start");
        QTest::qWait(int(daily.toMSecsSinceEpoch() - stepEnded) + 1500);
        QVERIFY(program.running());
        program.stop();
        const auto starts = program.starts();
        QStringList names;
        for (const auto& s : starts)
            names << s.first;
        QCOMPARE(names, QStringList({"guan_f.dll", "res_f.dll"}));
        const double onceLate = starts[0].second - double(once.toSecsSinceEpoch());
        const double dailyLate = starts[1].second - double(daily.toSecsSinceEpoch());
        QVERIFY2(onceLate >= 0 && onceLate < 1.0, qPrintable(QString::number(onceLate)));
        QVERIFY2(dailyLate >= 0 && dailyLate < 1.0, qPrintable(QString::number(dailyLate)));
    }

    void forbiddenPeriodStartsTheShutDownHelperEverySecond()
    {
        ProgramCopy program;
        QVERIFY(program.isValid());
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(program.insert(QStringLiteral("insert into task (type, action, starttime, stoptime, state)"
                                              " values (0, 1, ?, ?, 1)"),
                               {timeOfDay(now.addSecs(-3600)), timeOfDay(now.addSecs(3600))}));
        program.start();
        QTRY_VERIFY_WITH_TIMEOUT(program.starts().size() >= 3, 8000);
        program.stop();
        const auto starts = program.starts();
        for (qsizetype i = 1; i < starts.size(); ++i) {
            const qint64 second = qint64(starts[i].second);
            QCOMPARE(second, qint64(starts[i - 1].second) + 1); // one start in each second
        }
        for (const auto& start : starts)
            QCOMPARE(start.first, QStringLiteral("guan_f.dll"));
    }
};

QTEST_GUILESS_MAIN(TestE2eSchedule)
#include "tst_e2e_schedule.moc"
