#pragma once

// What the tests of the helper programs share: a copy of the dll folder, run
// as the program runs it, against a mock logind and mock session managers on
// private buses.

#include "MockServices.h"

#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QTest>

#include <algorithm>

namespace zelkor::test {

struct HelperRun {
    int exitCode = -1;
    QString stderrText;
    qint64 ms = 0;
};

class HelperProgramTest : public QObject {
    Q_OBJECT
protected:
    HelperRun run(const QString& name) { return run(name, m_buses.environment()); }

    void setUp()
    {
        QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
        m_buses.exportToThisProcess();
        const QString appDir = qEnvironmentVariable("ZELKOR_APP_DIR");
        QVERIFY(!appDir.isEmpty());
        m_dll = m_buses.folder() + QStringLiteral("/app/dll");
        QVERIFY(QDir().mkpath(m_buses.folder() + QStringLiteral("/app")));
        QCOMPARE(QProcess::execute(QStringLiteral("cp"),
                                   {QStringLiteral("-a"), appDir + QStringLiteral("/dll"), m_dll}),
                 0);
    }

    void tearDown()
    {
        for (auto it = m_times.cbegin(); it != m_times.cend(); ++it) {
            QList<qint64> times = it.value();
            std::sort(times.begin(), times.end());
            qInfo("%s: %lld runs, fastest %lld ms, median %lld ms, slowest %lld ms",
                  qPrintable(it.key()), qint64(times.size()), times.first(), times.at(times.size() / 2),
                  times.last());
        }
        m_buses.stopAllMocks();
    }

    void clearCalls()
    {
        if (m_buses.isRunning(login1::service)) {
            m_buses.clearCalls(login1::service, login1::path);
            m_buses.clearCalls(login1::service, login1::sessionPath);
        }
        if (!m_desktop.isEmpty())
            m_buses.clearCalls(desktopMock(m_desktop).name, desktopMock(m_desktop).path);
    }

    HelperRun run(const QString& name, const QProcessEnvironment& env,
                      const QStringList& arguments = {})
    {
        QProcess helper;
        helper.setProcessEnvironment(env);
        helper.setProgram(m_dll + QLatin1Char('/') + name);
        helper.setArguments(arguments);
        QElapsedTimer clock;
        clock.start();
        helper.start();
        HelperRun result;
        if (!helper.waitForFinished(15000)) {
            helper.kill();
            helper.waitForFinished();
            return result;
        }
        result.ms = clock.elapsed();
        result.exitCode = helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
        result.stderrText = QString::fromLocal8Bit(helper.readAllStandardError());
        m_times[name].append(result.ms);
        return result;
    }

    void useDesktop(const QString& kind)
    {
        const QString wanted = kind == QLatin1String("none") ? QString() : kind;
        if (wanted == m_desktop)
            return;
        if (!m_desktop.isEmpty())
            m_buses.stopMock(desktopMock(m_desktop).name);
        m_desktop.clear();
        if (wanted.isEmpty())
            return;
        QVERIFY2(m_buses.startMock(desktopMock(kind)), qPrintable(m_buses.error()));
        m_desktop = kind;
    }

    void useLogind(bool present, const LogindSetup& setup = {})
    {
        const QString key = present ? QStringLiteral("%1%2%3")
                                          .arg(setup.withFlags)
                                          .arg(setup.session)
                                          .arg(setup.sessionLock)
                                    : QStringLiteral("none");
        if (key == m_logindKey)
            return;
        m_buses.stopMock(login1::service);
        m_logindKey = QStringLiteral("none");
        if (!present)
            return;
        QVERIFY2(startLogind(m_buses, setup), qPrintable(m_buses.error()));
        m_logindKey = key;
    }

    QStringList recordedCalls()
    {
        QStringList all;
        if (m_buses.isRunning(login1::service)) {
            for (const QString& path : {login1::path, login1::sessionPath}) {
                for (const MockCall& call : m_buses.calls(login1::service, path))
                    all.append(login1::service + QLatin1Char(' ') + path + QLatin1Char(' ') +
                               describeCall(call));
            }
        }
        if (!m_desktop.isEmpty()) {
            const MockSpec mock = desktopMock(m_desktop);
            for (const MockCall& call : m_buses.calls(mock.name, mock.path))
                all.append(mock.name + QLatin1Char(' ') + mock.path + QLatin1Char(' ') +
                           describeCall(call));
        }
        return all;
    }

    MockBuses m_buses;
    QString m_dll;     // our copy of the dll folder
    QString m_desktop; // kind of the desktop mock running now, if any
    QString m_logindKey = QStringLiteral("none");
    QMap<QString, QList<qint64>> m_times; // helper name -> run times in ms

private slots:
    void initTestCase() { setUp(); }
    void cleanupTestCase() { tearDown(); }
    void init() { clearCalls(); }
};

} // namespace zelkor::test
