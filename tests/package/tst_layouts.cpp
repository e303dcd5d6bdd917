// The built (portable) program folder: its command line, answered without a
// display, and its files, which stay beside the program and out of the
// user's XDG folders.

#include "ProgramRun.h"

#include <QTemporaryDir>

using namespace zelkor::test;

class TestLayouts : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_root;
    QString app() const { return m_root.path() + QStringLiteral("/app"); }
    QString program() const { return app() + QStringLiteral("/zelkor"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QCOMPARE(QProcess::execute(QStringLiteral("cp"),
                                   {QStringLiteral("-a"), qEnvironmentVariable("ZELKOR_APP_DIR"), app()}),
                 0);
        QFile::remove(app() + QStringLiteral("/last.inc"));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: " << QString();
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "Layout: portable\n" << QString();
        QTest::newRow("-v") << QStringList{"-v"} << 0 << "Tasks: " + app() + "/dll/zelkor.dll\n" << QString();
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << QString()
                                        << "zelkor: Unknown option 'bogus'.\n";
        QTest::newRow("argument") << QStringList{"stray"} << 2 << QString()
                                  << "zelkor: Unexpected argument 'stray'.\n";
    }
    // No display and no platform chosen: the answers must not need one.
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir home;
        QProcessEnvironment env = User{home.path()}.environment(QProcessEnvironment::systemEnvironment());
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const QStringList before = filesUnder(app());
        const RunResult result = runToEnd(program(), args, env);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(out.isEmpty() ? result.out.isEmpty() : result.out.contains(out), qPrintable(result.out));
        QVERIFY2(err.isEmpty() ? !result.err.contains(QStringLiteral("zelkor:")) : result.err.contains(err),
                 qPrintable(result.err));
        QCOMPARE(filesUnder(app()), before);
        QCOMPARE(filesUnder(home.path()), QStringList());
    }

    void versionIsTheProjects()
    {
        QTemporaryDir home;
        const RunResult result = runToEnd(program(), {QStringLiteral("--version")},
                                          User{home.path()}.environment(QProcessEnvironment::systemEnvironment()));
        QCOMPARE(result.out.section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("zelkor ") + qEnvironmentVariable("ZELKOR_VERSION"));
    }

    void portableKeepsItsFilesBesideTheProgram()
    {
        QTemporaryDir home;
        const User user{home.path(), true};
        const QStringList before = filesUnder(app());
        QVERIFY(before.contains(QStringLiteral("dll/zelkor.dll")));
        {
            RunningProgram running;
            running.start(program(), user, QProcessEnvironment::systemEnvironment());
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(running.running(), qPrintable(running.output()));
        }
        QStringList expected = before;
        expected.append(QStringLiteral("last.inc")); // saved when it ended
        expected.sort();
        QCOMPARE(filesUnder(app()), expected);
        QVERIFY(!QFile::exists(user.dataHome() + QStringLiteral("/zelkor")));
        QVERIFY(!QFile::exists(user.configHome() + QStringLiteral("/zelkor")));
    }
};

QTEST_GUILESS_MAIN(TestLayouts)
#include "tst_layouts.moc"
