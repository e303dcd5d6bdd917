#include "actions/ActionExecutor.h"
#include "common/DayNumber.h"
#include "countdown/PowerOnCycle.h"
#include "countdown/WakeWaits.h"
#include "platform/fake/FakePlatform.h"
#include "support/TaskTable.h"
#include "support/TempProgramDir.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// Qt's own object hooks (as used by inspection tools), to count live QObjects.
namespace QHooks {
enum HookIndex { AddQObject = 3, RemoveQObject = 4 };
}
extern quintptr Q_CORE_EXPORT qtHookData[];

using namespace zelkor;

namespace {
qint64 g_liveObjects = 0;
void objectAdded(QObject*) { ++g_liveObjects; }
void objectRemoved(QObject*) { --g_liveObjects; }

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

struct Rig {
    test::TempProgramDir dir;
    FakePlatform platform;
    AppState state;
    ActionExecutor actions{platform, state};
    WakeWaits waits{platform};
    std::unique_ptr<PowerOnCycle> cycle;
    QStringList messages; // remindText at each modal message
    QList<int> armedAtMessage;
    int refills = 0;

    Rig()
    {
        state.paths = portablePaths(dir.path());
        cycle = std::make_unique<PowerOnCycle>(platform, state, actions, waits);
        cycle->setMessagePresenter([this] {
            messages << state.remindText;
            armedAtMessage << int(platform.wake.armed.size());
        });
        cycle->setListRefresher([this] { ++refills; });
    }

    qint64 addTask(int type, const QDateTime& start, bool message, const QVariant& description)
    {
        return test::addRow(dir.databasePath(),
                            {{"type", type},
                             {"action", 7},
                             {"starttime", type == 1 ? daynum::fromDateTime(start)
                                                     : daynum::fromTime(start.time())},
                             {"fujia", message ? 1 : 0},
                             {"description", description},
                             {"state", 1}});
    }
    qint64 addDaily(QTime time, bool message, const QVariant& description)
    {
        return addTask(2, QDateTime(platform.now().date(), time), message, description);
    }

    // Each arming moves the clock to the due time and fires; arming number
    // `stopAt` is met by Exit instead.
    void fireEachArming(int stopAt)
    {
        platform.wake.onArm = [this, stopAt](qint64 seconds) {
            if (platform.wake.armed.size() >= stopAt) {
                QTimer::singleShot(0, cycle.get(), &PowerOnCycle::stop);
                return;
            }
            platform.advance(seconds);
            platform.wake.fireLater();
        };
    }
    void run()
    {
        cycle->start();
        QTRY_VERIFY(cycle->cycles() > 0 && !cycle->isRunning());
    }
};
} // namespace

class TestPowerOnCycle : public QObject {
    Q_OBJECT
private slots:
    void nothingToArm()
    {
        Rig rig;
        rig.addTask(1, rig.platform.now().addSecs(-60), false, QStringLiteral("/bin/past"));
        rig.run();
        QVERIFY(rig.platform.wake.armed.isEmpty());
        QVERIFY(!rig.cycle->m_cycleTimer->isActive());
        QCOMPARE(rig.cycle->m_cycleTimer->interval(), 20);
    }

    void wakeOpensTheUntrimmedDescription()
    {
        Rig rig;
        rig.addDaily(QTime(8, 10), false, QStringLiteral(" https://example.org/a "));
        rig.addDaily(QTime(9, 0), false, QStringLiteral("later"));
        rig.fireEachArming(2);
        rig.run();
        QCOMPARE(rig.platform.wake.armed, QList<qint64>({600, 3000}));
        QCOMPARE(rig.platform.opened, QStringList{" https://example.org/a "});
        QCOMPARE(rig.refills, 1);
        QVERIFY(rig.messages.isEmpty());
    }

    void emptyDescriptionOpensNothing()
    {
        Rig rig;
        rig.addDaily(QTime(8, 10), false, QVariant());
        rig.fireEachArming(2);
        rig.run();
        QCOMPARE(rig.platform.wake.armed.size(), 2);
        QVERIFY(rig.platform.opened.isEmpty());
    }

    void messageComesBeforeTheNextArming()
    {
        Rig rig;
        rig.addDaily(QTime(8, 10), true, QStringLiteral("Stand up"));
        rig.fireEachArming(3);
        rig.run();
        QCOMPARE(rig.messages, QStringList({"Stand up", "Stand up"}));
        QCOMPARE(rig.armedAtMessage, QList<int>({1, 2})); // shown before the next arming
        QCOMPARE(rig.platform.wake.armed, QList<qint64>({600, 86400, 86400}));
        QVERIFY(rig.platform.opened.isEmpty());
    }

    void taskChangeEndsTheWaitAndArmsTheNewNearest()
    {
        Rig rig;
        rig.addDaily(QTime(9, 0), false, QStringLiteral("/bin/far"));
        rig.platform.wake.onArm = [&](qint64) {
            if (rig.platform.wake.armed.size() == 1) {
                QTimer::singleShot(5, [&] {
                    rig.addDaily(QTime(8, 5), false, QStringLiteral("/bin/near"));
                    rig.cycle->start(); // the refresh sequence
                    QVERIFY(rig.cycle->m_cycleTimer->isActive());
                });
            } else {
                QTimer::singleShot(0, rig.cycle.get(), &PowerOnCycle::stop);
            }
        };
        rig.run();
        QCOMPARE(rig.platform.wake.armed, QList<qint64>({3600, 300}));
        QVERIFY(rig.platform.opened.isEmpty()); // no follow-up for a cancelled wait
        QCOMPARE(rig.refills, 0);
    }

    void exitEndsTheWaitAndArmsNothing()
    {
        Rig rig;
        rig.addDaily(QTime(9, 0), false, QStringLiteral("/bin/far"));
        rig.platform.wake.onArm = [&](qint64) {
            QTimer::singleShot(5, rig.cycle.get(), &PowerOnCycle::stop);
        };
        rig.run();
        QCOMPARE(rig.platform.wake.armed.size(), 1);
        QVERIFY(!rig.platform.wake.isArmed());
        QVERIFY(rig.platform.opened.isEmpty());
        QCOMPARE(rig.refills, 0);
    }

    void timerThatCannotBeArmedEndsTheCycleWithAReason()
    {
        Rig rig;
        rig.addDaily(QTime(9, 0), false, QStringLiteral("/bin/far"));
        rig.platform.wake.setArmError(
            QStringLiteral("No wake-up timer could be created (Too many open files)."));
        QSignalSpy problems(rig.cycle.get(), &PowerOnCycle::problem);
        rig.run();
        QCOMPARE(rig.platform.wake.armed.size(), 1); // tried once, no spinning
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems.at(0).at(0).toString().contains(QStringLiteral("Too many open files")));
    }

    // Armed all the same (the target still opens on time while the computer
    // is on), and told once a run, not at every arming.
    void timerThatCannotWakeIsToldOnce()
    {
        Rig rig;
        rig.addDaily(QTime(8, 10), false, QStringLiteral("/bin/first"));
        rig.platform.wake.setNoWake(QStringLiteral("the program lacks the permission"));
        QSignalSpy problems(rig.cycle.get(), &PowerOnCycle::problem);
        rig.fireEachArming(3);
        rig.run();
        QCOMPARE(rig.platform.wake.armed.size(), 3);
        QCOMPARE(rig.platform.opened, QStringList({"/bin/first", "/bin/first"}));
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems.at(0).at(0).toString(),
                 QStringLiteral("Power On tasks will not wake this computer from stand-by or hibernation, "
                                "because the program lacks the permission."));
    }

    void tenThousandCyclesDoNotGrow()
    {
        Rig rig;
        rig.addDaily(QTime(7, 0), true, QStringLiteral("Good morning"));
        int deepest = 0;
        rig.platform.wake.onArm = [&](qint64 seconds) {
            deepest = qMax(deepest, rig.waits.pendingWaits());
            if (rig.platform.wake.armed.size() > 10000) {
                QTimer::singleShot(0, rig.cycle.get(), &PowerOnCycle::stop);
                return;
            }
            rig.platform.advance(seconds);
            rig.platform.wake.fireLater();
        };
        int descriptorsAt100 = 0;
        qint64 objectsAt100 = 0;
        rig.cycle->setListRefresher([&] {
            if (++rig.refills == 100) { // settled: caches and pools filled
                descriptorsAt100 = openDescriptors();
                objectsAt100 = g_liveObjects;
            }
        });
        int messages = 0;
        rig.cycle->setMessagePresenter([&] { ++messages; });
        qtHookData[QHooks::AddQObject] = reinterpret_cast<quintptr>(&objectAdded);
        qtHookData[QHooks::RemoveQObject] = reinterpret_cast<quintptr>(&objectRemoved);
        rig.cycle->start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.cycle->cycles() > 0 && !rig.cycle->isRunning(), 100000);
        const int descriptorsAfter = openDescriptors();
        const qint64 objectsAfter = g_liveObjects;
        qtHookData[QHooks::AddQObject] = 0;
        qtHookData[QHooks::RemoveQObject] = 0;
        QCOMPARE(rig.refills, 10000);
        QCOMPARE(messages, 10000);
        QCOMPARE(rig.cycle->cycles(), 10001);
        QCOMPARE(deepest, 1); // one wait at a time: a loop, not a recursion
        QCOMPARE(descriptorsAfter, descriptorsAt100);
        QCOMPARE(objectsAfter, objectsAt100);
    }
};

QTEST_GUILESS_MAIN(TestPowerOnCycle)
#include "tst_poweroncycle.moc"
