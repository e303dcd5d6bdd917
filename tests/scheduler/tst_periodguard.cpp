#include "SchedulerRig.h"
#include "guard/WarningDesk.h"
#include "scheduler/PeriodGuard.h"

#include <QTest>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

namespace {
const QDate kMonday(2026, 12, 7);

struct Rig : SchedulerRig {
    Rig()
    {
        platform.setNow(QDateTime(kMonday, QTime(8, 59, 58)));
        guard.setForcedSource([this] { return forced; });
    }
    // Ticks once per second from now to `until` and returns the clock times
    // at which the period acted.
    QList<QTime> tickUntil(const QTime& until)
    {
        QList<QTime> acted;
        while (platform.now().time() < until) {
            platform.advanceSecond();
            const qsizetype before = platform.started.size() + platform.hibernations;
            guard.enforceForbiddenPeriod();
            if (platform.started.size() + platform.hibernations > before)
                acted << platform.now().time();
        }
        return acted;
    }
    PeriodGuard guard{platform, state, actions};
};
} // namespace

class TestPeriodGuard : public QObject {
    Q_OBJECT
private slots:
    // Outside the period the check sleeps to the next second worth a look
    // (a minute at the most) and still acts at the period's first second,
    // also on the night summer time begins.
    void sleepsUntilThePeriod_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("stop");
        QTest::addColumn<int>("lead");       // the warning's; -1: no desk
        QTest::addColumn<QDateTime>("warns"); // the warning's second
        QTest::addColumn<QDateTime>("acts");  // the first action's second
        QTest::addColumn<int>("ticks");       // checks before it
        const QDate spring(2027, 3, 28);     // 02:00 is 03:00 in Berlin
        const QDate autumn(2027, 10, 31);    // 03:00 is 02:00 again
        const QTime four(4, 0);
        // The second showing of a time in the repeated hour.
        const auto again = [&](QTime t) { return QDateTime(autumn, t).addSecs(3600); };
        QTest::newRow("an hour ahead") << QDateTime(kMonday, QTime(7, 59, 58, 500)) << QTime(9, 0) << four << -1
                                       << QDateTime() << QDateTime(kMonday, QTime(9, 0)) << 60;
        QTest::newRow("its warning first") << QDateTime(kMonday, QTime(8, 59, 30)) << QTime(9, 2) << four << 60
                                           << QDateTime(kMonday, QTime(9, 1)) << QDateTime(kMonday, QTime(9, 2))
                                           << 2;
        QTest::newRow("summer time begins") << QDateTime(spring, QTime(1, 59, 30)) << QTime(2, 30) << four << -1
                                            << QDateTime() << QDateTime(spring, QTime(3, 0)) << 0;
        QTest::newRow("summer time begins, warned") << QDateTime(spring, QTime(1, 58, 30)) << QTime(2, 30) << four
                                                    << 60 << QDateTime(spring, QTime(1, 59))
                                                    << QDateTime(spring, QTime(3, 0)) << 1;
        QTest::newRow("summer time ends, start shown again")
            << QDateTime(autumn, QTime(2, 50, 30)) << QTime(2, 30) << QTime(2, 45) << 60 << again(QTime(2, 29))
            << again(QTime(2, 30)) << 39;
        QTest::newRow("summer time ends, put back into the period")
            << QDateTime(autumn, QTime(2, 57, 30)) << QTime(1, 0) << QTime(2, 45) << 60
            << QDateTime(autumn, QTime(2, 59)) << again(QTime(2, 0)) << 2;
    }
    void sleepsUntilThePeriod()
    {
        QFETCH(QDateTime, now);
        QFETCH(QTime, start);
        QFETCH(QTime, stop);
        QFETCH(int, lead);
        QFETCH(QDateTime, warns);
        QFETCH(QDateTime, acts);
        QFETCH(int, ticks);
        Rig rig;
        rig.platform.setNow(now);
        WarningDesk desk;
        QDateTime warned;
        QObject::connect(&desk, &WarningDesk::warningDue, [&] { warned = rig.platform.now(); });
        if (lead >= 0)
            rig.guard.setWarningDesk(&desk);
        rig.store(periodRow(1, start, stop, 1));
        rig.guard.loadForbiddenPeriod();
        // Each check comes when its timer would have run out.
        int checks = 0;
        while (rig.platform.started.isEmpty() && checks < 5000) {
            QVERIFY(rig.guard.checkTimer()->isActive());
            rig.platform.setNow(rig.platform.now().addMSecs(rig.guard.checkTimer()->interval()));
            rig.guard.enforceForbiddenPeriod();
            ++checks;
        }
        QCOMPARE(rig.platform.now(), acts.addMSecs(kTickAfterSecondMs));
        QCOMPARE(checks - 1, ticks);
        QCOMPARE(warned, warns.isValid() ? warns.addMSecs(kTickAfterSecondMs) : QDateTime());
    }

    void noPeriodNoCheck()
    {
        Rig rig;
        rig.store(dailyRow(1, QTime(9, 0)));
        rig.guard.loadForbiddenPeriod();
        QVERIFY(!rig.guard.isChecking());
        QVERIFY(!rig.guard.checkTimer()->isActive());
        QVERIFY(rig.tickUntil(QTime(9, 0, 5)).isEmpty());
    }

    void actsAtEverySecondInside_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QString>("helper"); // empty: hibernates
        QTest::newRow("shut down, forced") << 1 << true << QStringLiteral("guan_f.dll");
        QTest::newRow("shut down") << 1 << false << QStringLiteral("guan.dll");
        QTest::newRow("hibernate") << 5 << true << QString();
    }
    void actsAtEverySecondInside()
    {
        QFETCH(int, action);
        QFETCH(bool, forced);
        QFETCH(QString, helper);
        Rig rig;
        rig.forced = forced;
        rig.store(periodRow(1, QTime(9, 0), QTime(9, 0, 3), action));
        rig.guard.loadForbiddenPeriod();
        QVERIFY(rig.guard.isChecking());
        QCOMPARE(rig.guard.checkTimer()->objectName(), QStringLiteral("TimNot"));
        QCOMPARE(rig.guard.checkTimer()->timerType(), Qt::PreciseTimer);
        QVERIFY(rig.guard.checkTimer()->isActive());
        const QList<QTime> acted = rig.tickUntil(QTime(9, 0, 6));
        QCOMPARE(acted, (QList<QTime>{QTime(9, 0), QTime(9, 0, 1), QTime(9, 0, 2), QTime(9, 0, 3)}));
        if (helper.isEmpty()) {
            QVERIFY(rig.platform.started.isEmpty());
            QCOMPARE(rig.platform.hibernations, 4);
        } else {
            QCOMPARE(rig.platform.started, QStringList(4, rig.helper(helper)));
            QCOMPARE(rig.platform.hibernations, 0);
        }
        QVERIFY(rig.guard.isChecking()); // stays on outside, for tomorrow
    }

    void forceIsReadAtEveryTick()
    {
        Rig rig;
        rig.store(periodRow(1, QTime(9, 0), QTime(10, 0), 1));
        rig.guard.loadForbiddenPeriod();
        rig.tickUntil(QTime(9, 0, 0));
        rig.forced = false;
        rig.tickUntil(QTime(9, 0, 1));
        QCOMPARE(rig.platform.started, (QStringList{rig.helper(QStringLiteral("guan_f.dll")),
                                                    rig.helper(QStringLiteral("guan.dll"))}));
    }

    void resumeInsideHibernatesAgain()
    {
        Rig rig;
        rig.platform.hibernateSeconds = 600; // each hibernation lasts ten minutes
        rig.store(periodRow(1, QTime(9, 0), QTime(9, 30), 5));
        rig.guard.loadForbiddenPeriod();
        rig.tickUntil(QTime(9, 0));
        QCOMPARE(rig.platform.hibernations, 1);
        QCOMPARE(rig.platform.now().time(), QTime(9, 10));
        rig.platform.advanceSecond();
        rig.guard.enforceForbiddenPeriod();
        QCOMPARE(rig.platform.hibernations, 2);
        rig.platform.setNow(QDateTime(kMonday, QTime(9, 30, 1)));
        rig.guard.enforceForbiddenPeriod();
        QCOMPARE(rig.platform.hibernations, 2);
    }

    void newestPeriodOnlyAndDeletion()
    {
        Rig rig;
        rig.platform.setNow(QDateTime(kMonday, QTime(12, 0)));
        const qint64 older = rig.store(periodRow(0, QTime(11, 0), QTime(13, 0), 1));
        const qint64 newer = rig.store(periodRow(0, QTime(20, 0), QTime(21, 0), 1));
        rig.guard.loadForbiddenPeriod();
        QVERIFY(rig.guard.isChecking());
        QCOMPARE(rig.guard.period().notStart, QTime(20, 0));
        rig.guard.enforceForbiddenPeriod();
        QVERIFY(rig.platform.started.isEmpty()); // the older one covers now, but is not in force

        QVERIFY(deleteRow(rig.dir.databasePath(), newer));
        rig.guard.loadForbiddenPeriod();
        rig.guard.enforceForbiddenPeriod();
        QCOMPARE(rig.platform.started.size(), 1);

        QVERIFY(deleteRow(rig.dir.databasePath(), older));
        rig.guard.loadForbiddenPeriod();
        QVERIFY(!rig.guard.isChecking()); // at once
        QVERIFY(!rig.guard.checkTimer()->isActive());
        rig.guard.enforceForbiddenPeriod();
        QCOMPARE(rig.platform.started.size(), 1);
    }

    void unreadableDatabaseEnforcesNothing()
    {
        Rig rig;
        rig.store(periodRow(1, QTime(0, 0), QTime(0, 0), 1));
        rig.guard.loadForbiddenPeriod();
        QVERIFY(rig.guard.isChecking());
        QFile::remove(rig.dir.databasePath());
        rig.guard.loadForbiddenPeriod();
        QVERIFY(!rig.guard.isChecking());
    }
};

QTEST_GUILESS_MAIN(TestPeriodGuard)
#include "tst_periodguard.moc"
