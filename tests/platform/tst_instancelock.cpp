// The single-instance lock: whatever an earlier instance left in the lock
// file, only a running instance holds the lock, and the lock goes with the
// process that holds it, even when a program it started runs on.

#include "platform/linux/ChildProcesses.h"
#include "platform/linux/InstanceLock.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <unistd.h>
#include <cstdio>

using namespace zelkor;

namespace {
// Set in the environment of a copy of this test that only holds the lock.
const char* const kHolderVariable = "ZELKOR_TEST_LOCK_HOLDER";

// The holder: takes the lock, starts a long-running program as the real one
// starts its helpers, says so, and waits to be killed.
int holdLock(const QString& path)
{
    InstanceLock lock;
    if (lock.claim(path) != InstanceLock::Result::Claimed)
        return 3;
    ChildProcesses children;
    const Outcome started = children.start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("echo $$ > \"$0.child\"; exec sleep 30"), path},
        QString(), false, {});
    if (!started.ok)
        return 4;
    std::printf("held\n");
    std::fflush(stdout);
    QThread::sleep(60);
    return 0;
}

bool isAlive(qint64 pid) { return ::kill(pid_t(pid), 0) == 0; }
} // namespace

class TestInstanceLock : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString lockPath(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // What a killed or crashed instance, or something else, may have left.
    void leftoversAreTakenOver_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QProcess gone;
        gone.start(QStringLiteral("true"));
        gone.waitForFinished();
        const QByteArray deadPid = QByteArray::number(gone.processId());
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        QTest::newRow("empty, from a kill during start-up") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\x01\xff garbage\n\n\n", 14);
        QTest::newRow("another host") << QByteArray("4242\nzelkor\nsome-other-host\n");
        QTest::newRow("a dead pid") << deadPid + "\nzelkor\n" + host + '\n';
        QTest::newRow("a live pid of another program")
            << QByteArray::number(qint64(::getppid())) + "\nzelkor\n" + host + '\n';
    }
    void leftoversAreTakenOver()
    {
        QFETCH(QByteArray, contents);
        const QString path = lockPath(QString::fromLatin1(QTest::currentDataTag()).left(8));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();

        QCOMPARE(InstanceLock::holder(path), 0); // what the file says is no lock
        InstanceLock first;
        QCOMPARE(first.claim(path), InstanceLock::Result::Claimed);
        QCOMPARE(InstanceLock::holder(path), qint64(::getpid()));
        InstanceLock second; // a second instance while the first runs
        QCOMPARE(second.claim(path), InstanceLock::Result::Held);
    }

    void lockGoesWithItsProcess()
    {
        const QString path = lockPath(QStringLiteral("held.lock"));
        QProcess holder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kHolderVariable), path);
        holder.setProcessEnvironment(env);
        holder.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(holder.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += holder.readAllStandardOutput()).contains("held") ||
                                     holder.state() != QProcess::Running,
                                 5000);
        QCOMPARE(holder.state(), QProcess::Running);

        InstanceLock mine;
        QCOMPARE(mine.claim(path), InstanceLock::Result::Held);
        QCOMPARE(InstanceLock::holder(path), holder.processId());

        // Killed without a chance to clean up, while the program it started runs on.
        holder.kill();
        QVERIFY(holder.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path + QStringLiteral(".child")), 3000);
        QFile childPid(path + QStringLiteral(".child"));
        QVERIFY(childPid.open(QIODevice::ReadOnly));
        const qint64 child = childPid.readAll().trimmed().toLongLong();
        QVERIFY(child > 0);
        QVERIFY(isAlive(child));
        const auto reap = qScopeGuard([child] { ::kill(pid_t(child), SIGKILL); });

        QCOMPARE(InstanceLock::holder(path), 0);
        QCOMPARE(mine.claim(path), InstanceLock::Result::Claimed);
    }

    void unusableLockIsSaidSo()
    {
        const QString path = lockPath(QStringLiteral("a-folder"));
        QVERIFY(QDir().mkdir(path));
        InstanceLock lock;
        QCOMPARE(lock.claim(path), InstanceLock::Result::Unusable);
        QVERIFY2(lock.error().contains(path), qPrintable(lock.error()));
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kHolderVariable))
        return holdLock(qEnvironmentVariable(kHolderVariable));
    TestInstanceLock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instancelock.moc"
