// The installed layout, run from the built Debian package unpacked into a
// folder of the test's own: each user's tasks and settings go to that user's
// XDG folders, none into the program folder; a task stored there is read and
// carried out by the packaged helpers (against a mock logind); a second user
// runs at the same time with tasks of their own.

#include "MockServices.h"
#include "ProgramRun.h"
#include "support/TaskTable.h"

#include <QDateTime>
#include <QTemporaryDir>

using namespace zelkor;
using namespace zelkor::test;

namespace {
double timeOfDay(const QDateTime& t) { return QTime(0, 0).secsTo(t.time()) / 86400.0; }
} // namespace

class TestInstalledLayout : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_root;
    MockBuses m_buses;
    QStringList m_packaged; // every file the package unpacked
    QString root() const { return m_root.path() + QStringLiteral("/root"); }
    QString program() const { return root() + QStringLiteral("/usr/bin/zelkor"); }
    QString programDir() const { return root() + QStringLiteral("/usr/lib/zelkor"); }
    QStringList powerOffs()
    {
        QStringList calls;
        for (const MockCall& call : m_buses.calls(login1::service, login1::path))
            if (call.method.startsWith(QLatin1String("PowerOff")))
                calls.append(call.method);
        return calls;
    }

private slots:
    void initTestCase()
    {
        const QString deb = qEnvironmentVariable("ZELKOR_DEB");
        QVERIFY2(QFile::exists(deb), qPrintable(deb + QStringLiteral(" is missing")));
        QVERIFY(m_root.isValid());
        QCOMPARE(QProcess::execute(QStringLiteral("dpkg"), {QStringLiteral("-x"), deb, root()}), 0);
        m_packaged = filesUnder(root());
        QVERIFY(m_packaged.contains(QStringLiteral("usr/lib/zelkor/dll/installed")));
        QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
        QVERIFY2(startLogind(m_buses), qPrintable(m_buses.error()));
    }

    void versionNamesTheUsersFiles()
    {
        const User user{m_root.path() + QStringLiteral("/version-home")};
        const RunResult result = runToEnd(program(), {QStringLiteral("--version")},
                                          user.environment(m_buses.environment()));
        QCOMPARE(result.exitCode, 0);
        const QStringList lines = result.out.split(QLatin1Char('\n'));
        for (const QString& line : {QStringLiteral("Layout: installed"),
                                    QStringLiteral("Program folder: ") + programDir(),
                                    QStringLiteral("Tasks: ") + user.home + "/.local/share/zelkor/zelkor.dll",
                                    QStringLiteral("Settings: ") + user.home + "/.config/zelkor/last.inc",
                                    QStringLiteral("Instance lock: ") + user.runtimeDir() + "/zelkor.lock"})
            QVERIFY2(lines.contains(line), qPrintable(line + QStringLiteral(" not in:\n") + result.out));
        QCOMPARE(filesUnder(user.home), QStringList()); // asking makes nothing
    }

    void eachUserKeepsTheirOwnTasks()
    {
        const User alice{m_root.path() + QStringLiteral("/alice"), false}; // XDG defaults under HOME
        const User bob{m_root.path() + QStringLiteral("/bob"), true};     // XDG folders set
        const QString aliceTasks = alice.dataHome() + QStringLiteral("/zelkor/zelkor.dll");
        const QString bobTasks = bob.dataHome() + QStringLiteral("/zelkor/zelkor.dll");

        // First start: Alice's database is made, her settings saved at the end.
        {
            RunningProgram first;
            first.start(program(), alice, m_buses.environment());
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(QFile::exists(aliceTasks), qPrintable(first.output()));
        }
        QVERIFY(QFile::exists(alice.configHome() + QStringLiteral("/zelkor/last.inc")));
        QCOMPARE(rowCount(aliceTasks), 0);

        // A forbidden period around now, stored in Alice's database: the next
        // start must read it and shut down through the packaged helper.
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(addRow(aliceTasks, {{QStringLiteral("type"), 0},
                                    {QStringLiteral("action"), 1},
                                    {QStringLiteral("starttime"), timeOfDay(now.addSecs(-3600))},
                                    {QStringLiteral("stoptime"), timeOfDay(now.addSecs(3600))},
                                    {QStringLiteral("state"), 1}}) > 0);
        QVERIFY(m_buses.clearCalls(login1::service, login1::path));
        QFile guard(alice.configHome() + QStringLiteral("/zelkor/guard.inc")); // no warning first: at once
        QVERIFY(guard.open(QIODevice::WriteOnly) && guard.write("warn=0\n") > 0);
        guard.close();

        // Both users at once: each has a lock of their own.
        RunningProgram aliceAgain;
        RunningProgram bobFirst;
        aliceAgain.start(program(), alice, m_buses.environment());
        bobFirst.start(program(), bob, m_buses.environment());
        if (QTest::currentTestFailed())
            return;
        QTRY_VERIFY2_WITH_TIMEOUT(!powerOffs().isEmpty(), qPrintable(aliceAgain.output()), 8000);
        QVERIFY2(aliceAgain.running(), qPrintable(aliceAgain.output()));
        QVERIFY2(bobFirst.running(), qPrintable(bobFirst.output()));
        QCOMPARE(rowCount(bobTasks), 0);
        QCOMPARE(rowCount(aliceTasks), 1);
        aliceAgain.stop();
        bobFirst.stop();
        QVERIFY(QFile::exists(bob.configHome() + QStringLiteral("/zelkor/last.inc")));
        QVERIFY(!QFile::exists(bob.home + QStringLiteral("/.local/share/zelkor")));

        // Nothing was written into the unpacked package.
        QCOMPARE(filesUnder(root()), m_packaged);
    }
};

QTEST_GUILESS_MAIN(TestInstalledLayout)
#include "tst_installed_layout.moc"
