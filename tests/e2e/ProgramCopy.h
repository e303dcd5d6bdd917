#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

// The real program on a private copy of its folder, with stand-in helpers in
// dll/ that note when they were started. The session and system buses point
// nowhere, so nothing real can happen.
namespace zelkor::test
{

inline double timeOfDay(const QDateTime& t)
{
    return QTime(0, 0).secsTo(t.time()) / 86400.0;
}

class ProgramCopy
{
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
            helper.write("#!/bin/sh\necho \"$(basename \"$0\") $(env -u LD_PRELOAD date +%s.%N)\" >> "
                         "\"$(dirname \"$0\")/started.log\"\n"
                         "env > \"$0.env\"\n");
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
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("e2e"));
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

    // `buses` replaces the default environment's message buses and folders,
    // or adds to it (a preloaded library).
    void start(const QProcessEnvironment& buses = {})
    {
        QProcessEnvironment env;
        const QString root = m_dir.path();
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/home/.local/share"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                   QStringLiteral("unix:path=/nonexistent"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=/nonexistent"));
        env.insert(QStringLiteral("TZ"), qEnvironmentVariable("TZ"));
        for (const QString& key : buses.keys())
            env.insert(key, buses.value(key));
        // Under AddressSanitizer a preloaded library (a fake clock) comes
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
    // guard.inc: the warning's lead time and no password.
    bool setWarnSeconds(int seconds)
    {
        QFile file(app() + QStringLiteral("/guard.inc"));
        return file.open(QIODevice::WriteOnly) &&
               file.write("warn=" + QByteArray::number(seconds) + "\n") > 0;
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

    // The environment the helper `name` was last started with, a line per variable.
    QByteArray helperEnvironment(const char* name) const
    {
        QFile file(app() + QStringLiteral("/dll/") + QLatin1String(name) + QStringLiteral(".env"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    bool m_ok = false;
};

} // namespace zelkor::test
