#include "actions/ActionExecutor.h"
#include "platform/fake/FakePlatform.h"

#include <QSignalSpy>
#include <QTest>

using namespace zelkor;

class TestActionExecutor : public QObject {
    Q_OBJECT
private slots:
    void helperActions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QString>("helper");
        QTest::newRow("shut down") << 1 << false << "guan.dll";
        QTest::newRow("shut down forced") << 1 << true << "guan_f.dll";
        QTest::newRow("restart") << 2 << false << "res.dll";
        QTest::newRow("restart forced") << 2 << true << "res_f.dll";
        QTest::newRow("log off") << 3 << false << "log.dll";
        QTest::newRow("log off forced has one helper") << 3 << true << "log.dll";
        QTest::newRow("stand by") << 4 << false << "gua.dll";
        QTest::newRow("stand by forced") << 4 << true << "gua_f.dll";
        QTest::newRow("lock") << 6 << false << "suo.dll";
        QTest::newRow("lock forced has one helper") << 6 << true << "suo.dll";
    }
    void helperActions()
    {
        QFETCH(int, kind);
        QFETCH(bool, forced);
        QFETCH(QString, helper);
        FakePlatform platform;
        AppState state;
        state.paths = portablePaths(QStringLiteral("/opt/z"));
        ActionExecutor executor(platform, state);
        executor.performAction(kind, forced);
        QCOMPARE(platform.started, QStringList{QStringLiteral("/opt/z/dll/") + helper});
        QCOMPARE(platform.hibernations, 0);
        QVERIFY(!state.selfSuspend);
    }

    void hibernateIgnoresForceAndMarksItsOwnRequest_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::newRow("plain") << false;
        QTest::newRow("force checked") << true;
    }
    void hibernateIgnoresForceAndMarksItsOwnRequest()
    {
        QFETCH(bool, forced);
        FakePlatform platform;
        AppState state;
        ActionExecutor executor(platform, state);
        QList<bool> marked;
        QObject::connect(&executor, &ActionExecutor::ownHibernation, [&] { marked << state.selfSuspend; });
        executor.performAction(5, forced);
        QCOMPARE(platform.hibernations, 1);
        QVERIFY(platform.started.isEmpty());
        // Marked while requested, no longer once the call has come back.
        QCOMPARE(marked, (QList<bool>{true, false}));
        QVERIFY(!state.selfSuspend);
    }

    void actionsWithoutSideEffects_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("exiting"); // the user chose Exit; a last box may still wait
        QTest::newRow("power on") << 7 << false;
        QTest::newRow("zero") << 0 << false;
        QTest::newRow("ten") << 10 << false;
        QTest::newRow("negative") << -1 << false;
        QTest::newRow("shut down while exiting") << 1 << true;
        QTest::newRow("lock while exiting") << 6 << true;
        QTest::newRow("hibernate while exiting") << 5 << true;
        QTest::newRow("remind while exiting") << 8 << true;
        QTest::newRow("open while exiting") << 9 << true;
    }
    void actionsWithoutSideEffects()
    {
        QFETCH(int, kind);
        QFETCH(bool, exiting);
        FakePlatform platform;
        AppState state;
        state.exitRequested = exiting;
        ActionExecutor executor(platform, state);
        bool reminderShown = false;
        executor.setReminderPresenter([&] { reminderShown = true; });
        const Outcome done = executor.performAction(kind, true, QStringLiteral("x"));
        QCOMPARE(done.ok, !exiting); // a command given meanwhile learns it was not done
        QVERIFY(platform.started.isEmpty());
        QVERIFY(platform.opened.isEmpty());
        QCOMPARE(platform.hibernations, 0);
        QVERIFY(!reminderShown);
    }

    void reminderStoresTextThenShows()
    {
        FakePlatform platform;
        AppState state;
        ActionExecutor executor(platform, state);
        QString textWhenShown;
        executor.setReminderPresenter([&] { textWhenShown = state.remindText; });
        executor.performAction(8, false, QStringLiteral("Hurry, time is up!"));
        QCOMPARE(textWhenShown, QStringLiteral("Hurry, time is up!"));
    }

    void openTargetTrimsAndIgnoresBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("url") << "  https://example.org/ " << QStringList{"https://example.org/"};
        QTest::newRow("program") << "/usr/bin/true" << QStringList{"/usr/bin/true"};
        QTest::newRow("blanks") << "   " << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void openTargetTrimsAndIgnoresBlanks()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, opened);
        FakePlatform platform;
        AppState state;
        ActionExecutor executor(platform, state);
        executor.performAction(9, false, text);
        QCOMPARE(platform.opened, opened);
    }

    void missingHelperToldOncePerCauseUntilItWorks()
    {
        FakePlatform platform;
        AppState state;
        state.paths = portablePaths(QStringLiteral("/opt/z"));
        platform.setMissingPrograms({QStringLiteral("/opt/z/dll/guan.dll")});
        ActionExecutor executor(platform, state);
        QSignalSpy problems(&executor, &ActionExecutor::problem);
        for (int tick = 0; tick < 5; ++tick) // the forbidden period retries every second
            executor.performAction(1, false);
        QCOMPARE(problems.count(), 1);
        QVERIFY(problems.at(0).at(0).toString().contains(QStringLiteral("guan.dll")));
        executor.performAction(4, false); // another helper's missing state is its own
        QCOMPARE(problems.count(), 1);

        platform.setMissingPrograms({});
        executor.performAction(1, false);
        platform.endRunning(Outcome::success()); // it worked: started, and ended well
        platform.setMissingPrograms({QStringLiteral("/opt/z/dll/guan.dll")});
        executor.performAction(1, false);
        QCOMPARE(problems.count(), 2); // told again once it had worked in between
    }

    // How often a failure that comes back after the start is told: once per
    // cause for the automatic repeats, every time for the user's own clicks.
    void laterFailuresAreTold_data()
    {
        QTest::addColumn<bool>("requested");
        QTest::addColumn<QString>("target"); // empty: the shut-down helper
        QTest::addColumn<int>("toldForThree");
        QTest::newRow("helper, repeated by a timer") << false << QString() << 1;
        QTest::newRow("helper, clicked by the user") << true << QString() << 3;
        QTest::newRow("opening a target") << false << QStringLiteral("www.example.com") << 1;
        QTest::newRow("opening a target, asked by the user") << true << QStringLiteral("www.example.com") << 3;
    }
    void laterFailuresAreTold()
    {
        QFETCH(bool, requested);
        QFETCH(QString, target);
        QFETCH(int, toldForThree);
        FakePlatform platform;
        AppState state;
        ActionExecutor executor(platform, state);
        QSignalSpy problems(&executor, &ActionExecutor::problem);
        const auto act = [&] {
            if (!target.isEmpty() && requested)
                executor.performRequested(9, false, target);
            else if (!target.isEmpty())
                executor.performAction(9, false, target);
            else if (requested)
                executor.performRequested(1, false);
            else
                executor.performAction(1, false);
        };
        const Outcome refused = Outcome::failure(QStringLiteral("Could not shut the computer down."));
        for (int i = 0; i < 3; ++i) {
            const qsizetype before = problems.count();
            act();
            QCOMPARE(problems.count(), before); // started is not failed: only the end tells
            platform.endRunning(refused);
        }
        QCOMPARE(problems.count(), toldForThree);
        QCOMPARE(problems.at(0).at(0).toString(), refused.error);

        act(); // works once: the next failure is news again
        platform.endRunning(Outcome::success());
        act();
        platform.endRunning(refused);
        QCOMPARE(problems.count(), toldForThree + 1);
    }

    void endAfterTheExecutorIsGoneIsIgnored()
    {
        FakePlatform platform;
        AppState state;
        {
            ActionExecutor executor(platform, state);
            executor.performAction(1, false);
        }
        platform.endRunning(Outcome::failure(QStringLiteral("late"))); // must not crash
        QCOMPARE(platform.started.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestActionExecutor)
#include "tst_actionexecutor.moc"
