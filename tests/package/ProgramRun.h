#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTest>

#include <csignal>

// The real program from a folder of its own, as one user: a HOME, the XDG
// folders (set, or left to their defaults under HOME) and a runtime folder of
// that user, the offscreen platform, and the buses the caller gives.
namespace zelkor::test {

struct User {
    QString home;
    bool explicitXdg = false; // XDG_DATA_HOME and XDG_CONFIG_HOME set, else the defaults

    QString dataHome() const { return home + (explicitXdg ? "/xdg-data" : "/.local/share"); }
    QString configHome() const { return home + (explicitXdg ? "/xdg-config" : "/.config"); }
    QString runtimeDir() const { return home + QStringLiteral("/run"); }

    QProcessEnvironment environment(QProcessEnvironment env) const
    {
        for (const QString& key : env.keys())
            if (key.startsWith(QLatin1String("XDG_")))
                env.remove(key);
        QDir().mkpath(runtimeDir());
        QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        if (explicitXdg) {
            env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        }
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return env;
    }
};

struct RunResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the program to its end (the command-line answers).
inline RunResult runToEnd(const QString& program, const QStringList& args, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    RunResult result;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(2000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// Whether the process has a handler of its own for SIGTERM (SigCgt in its status).
inline bool catchesTerm(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

// One running instance; its start-up is over once it holds its lock (its
// first step) and handles SIGTERM, which then ends it the way a session end
// does, saving its settings.
class RunningProgram {
public:
    ~RunningProgram() { stop(); }

    void start(const QString& program, const User& user, const QProcessEnvironment& base)
    {
        m_lock = user.runtimeDir() + QStringLiteral("/zelkor.lock");
        m_process.setProcessEnvironment(user.environment(base));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, {});
        QVERIFY2(m_process.waitForStarted(), qPrintable(m_process.errorString()));
        QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(m_lock) && catchesTerm(m_process.processId()), qPrintable(output()),
                                  10000);
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString output() { return m_output += QString::fromLocal8Bit(m_process.readAll()); }

private:
    QProcess m_process;
    QString m_lock;
    QString m_output;
};

// Every file and link under `dir`, relative, sorted: what a run left there.
inline QStringList filesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(dir).relativeFilePath(it.next()));
    files.sort();
    return files;
}

} // namespace zelkor::test
