#include "ProgramCopy.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace zelkor::test;

class TestE2eSchedule : public QObject {
    Q_OBJECT
private slots:
    void dailyTaskStartsItsHelperAtItsSecond()
    {
        ProgramCopy program;
        QVERIFY(program.isValid());
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime due = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 3);
        QVERIFY(program.insert(QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                                              " sun, mon, tue, wed, thu, fri, sat, state)"
                                              " values (2, 1, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
                               {timeOfDay(due)}));
        program.start();
        QTRY_VERIFY_WITH_TIMEOUT(!program.starts().isEmpty(), 7000);
        QTest::qWait(1500); // and not again
        QVERIFY(program.running());
        program.stop();
        const auto starts = program.starts();
        QCOMPARE(starts.size(), 1);
        QCOMPARE(starts.first().first, QStringLiteral("guan_f.dll")); // "Force" is checked at first start
        const double lateness = starts.first().second - double(due.toSecsSinceEpoch());
        qInfo("helper started %.1f ms after its second", lateness * 1000);
        QVERIFY2(lateness >= 0 && lateness < 1.0, qPrintable(QString::number(lateness)));
    }

    void forbiddenPeriodStartsTheShutDownHelperEverySecond()
    {
        ProgramCopy program;
        QVERIFY(program.isValid());
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(program.insert(QStringLiteral("insert into task (type, action, starttime, stoptime, state)"
                                              " values (0, 1, ?, ?, 1)"),
                               {timeOfDay(now.addSecs(-3600)), timeOfDay(now.addSecs(3600))}));
        program.start();
        QTRY_VERIFY_WITH_TIMEOUT(program.starts().size() >= 3, 8000);
        program.stop();
        const auto starts = program.starts();
        for (qsizetype i = 1; i < starts.size(); ++i) {
            const qint64 second = qint64(starts[i].second);
            QCOMPARE(second, qint64(starts[i - 1].second) + 1); // one start in each second
        }
        for (const auto& start : starts)
            QCOMPARE(start.first, QStringLiteral("guan_f.dll"));
    }
};

QTEST_GUILESS_MAIN(TestE2eSchedule)
#include "tst_e2e_schedule.moc"
