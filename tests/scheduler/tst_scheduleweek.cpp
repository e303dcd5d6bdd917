#include "TaskRows.h"
#include "countdown/TimerTab.h"
#include "guard/WarningDesk.h"
#include "platform/fake/FakePlatform.h"
#include "scheduler/PeriodGuard.h"
#include "scheduler/TaskScheduler.h"
#include "shell/MainWindow.h"
#include "support/TempProgramDir.h"

#include <QCheckBox>
#include <QTest>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

namespace {
const QDate kMonday(2026, 12, 7);

// The main window over a private program folder, started as the program
// starts it, with the fake platform's clock.
struct Program {
    Program()
    {
        state.paths = portablePaths(dir.path());
        platform.setNow(QDateTime(kMonday, QTime(7, 0)));
    }
    qint64 store(const TaskRow& row) { return storeRow(dir.databasePath(), row); }
    QString effects() const
    {
        QStringList all;
        for (const QString& path : platform.started)
            all << path.section(QLatin1Char('/'), -1);
        return (all + platform.opened).join(QLatin1Char(','));
    }

    TempProgramDir dir;
    FakePlatform platform;
    AppState state;
    std::unique_ptr<MainWindow> window;
};
} // namespace

class TestScheduleWeek : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Berlin")); }

    void tasksFireInOrderOverAWeek()
    {
        Program p;
        QVERIFY(p.dir.isValid());
        p.store(dailyRow(0, QTime(8, 0), 6));                                   // lock every morning
        p.store(weeklyRow(0, QTime(23, 0), {2, 4, 6}, 1));                      // Mon Wed Fri
        p.store(monthlyRow(0, QTime(12, 0), QDate(2026, 1, 10), 2));            // the 10th
        p.store(onceRow(0, QDateTime(QDate(2026, 12, 12), QTime(15, 30)), 4));  // Saturday
        p.store(withText(dailyRow(0, QTime(18, 30), 8), false, QStringLiteral("/opt/tool/run")));
        p.store(dailyRow(0, QTime(9, 0), 7));                                   // power on: elsewhere
        p.store(onceRow(0, QDateTime(QDate(2026, 12, 8), QTime(8, 0)), 3));     // ties the lock
        p.store(weeklyRow(0, QTime(10, 0), {}, 1));                             // no weekday
        p.store(onceRow(0, QDateTime(QDate(2026, 12, 6), QTime(10, 0)), 1));    // already passed

        p.window = std::make_unique<MainWindow>(p.platform, p.state);
        QVERIFY(p.window->startUp());
        QVERIFY(p.window->m_taskPollTimer->isActive());
        QCOMPARE(p.window->findChild<QTimer*>(QStringLiteral("TimEvery")),
                 p.window->m_taskPollTimer);

        // The clock moves a second at a time near every due moment and jumps
        // between them, stopping two seconds short to see nothing fire early.
        const QDateTime end(kMonday.addDays(7), QTime(7, 0));
        QStringList fired;
        while (p.platform.now() < end) {
            const TaskScheduler& s = p.window->scheduler();
            if (!s.isPolling())
                break;
            const QDateTime due = s.selection().nextTime;
            if (p.platform.now().secsTo(due) > 2) {
                p.platform.setNow(due.addSecs(-2));
                p.window->fireDueTask();
            }
            const qsizetype started = p.platform.started.size();
            const qsizetype opened = p.platform.opened.size();
            p.platform.advanceSecond();
            p.window->fireDueTask();
            QStringList effects = p.platform.started.mid(started) + p.platform.opened.mid(opened);
            if (!effects.isEmpty()) {
                QVERIFY2(p.platform.now() == due, qPrintable(p.platform.now().toString()));
                for (QString& effect : effects)
                    effect = effect.section(QLatin1Char('/'), -1);
                fired << p.platform.now().toString(QStringLiteral("ddd HH:mm:ss ")) +
                             effects.join(QLatin1Char(','));
            }
        }
        const QStringList expected{
            "Mon 08:00:00 suo.dll", "Mon 18:30:00 run", "Mon 23:00:00 guan_f.dll",
            "Tue 08:00:00 log.dll,suo.dll", "Tue 18:30:00 run", // the newer task first
            "Wed 08:00:00 suo.dll", "Wed 18:30:00 run", "Wed 23:00:00 guan_f.dll",
            "Thu 08:00:00 suo.dll", "Thu 12:00:00 res_f.dll", "Thu 18:30:00 run",
            "Fri 08:00:00 suo.dll", "Fri 18:30:00 run", "Fri 23:00:00 guan_f.dll",
            "Sat 08:00:00 suo.dll", "Sat 15:30:00 gua_f.dll", "Sat 18:30:00 run",
            "Sun 08:00:00 suo.dll", "Sun 18:30:00 run",
        };
        QCOMPARE(fired, expected);
        QCOMPARE(p.window->scheduler().selection().nextTime, QDateTime(end.date(), QTime(8, 0)));
    }

    void startupInsideForbiddenPeriod()
    {
        Program p;
        p.platform.setNow(QDateTime(kMonday, QTime(23, 30)));
        p.store(periodRow(0, QTime(22, 0), QTime(6, 0), 1));
        p.window = std::make_unique<MainWindow>(p.platform, p.state);
        QVERIFY(p.window->startUp());
        QVERIFY(p.window->m_periodTimer->isActive());
        QVERIFY(!p.window->m_taskPollTimer->isActive()); // no task to run
        p.platform.advanceSecond();
        p.window->enforceForbiddenPeriod();
        QCOMPARE(p.effects(), QString()); // warned first: started inside, nobody saw it coming
        p.platform.advance(kDefaultWarningSeconds);
        p.window->enforceForbiddenPeriod();
        p.window->timerTab()->m_forceCheck->setChecked(false);
        p.platform.advanceSecond();
        p.window->enforceForbiddenPeriod();
        QCOMPARE(p.effects(), QStringLiteral("guan_f.dll,guan.dll"));
    }

    void refreshAfterDeletingThePeriod()
    {
        Program p;
        p.platform.setNow(QDateTime(kMonday, QTime(23, 30)));
        const qint64 id = p.store(periodRow(0, QTime(22, 0), QTime(6, 0), 5));
        p.store(onceRow(0, QDateTime(kMonday, QTime(23, 45)), 6));
        p.window = std::make_unique<MainWindow>(p.platform, p.state);
        QVERIFY(p.window->startUp());
        QVERIFY(p.window->m_periodTimer->isActive());
        QVERIFY(p.window->m_taskPollTimer->isActive());
        QVERIFY(deleteRow(p.dir.databasePath(), id));
        p.window->refreshAfterTaskChange();
        QVERIFY(!p.window->m_periodTimer->isActive());
        QVERIFY(p.window->m_taskPollTimer->isActive());
        p.platform.advanceSecond();
        p.window->enforceForbiddenPeriod();
        QCOMPARE(p.platform.hibernations, 0);
    }
};

QTEST_MAIN(TestScheduleWeek)
#include "tst_scheduleweek.moc"
