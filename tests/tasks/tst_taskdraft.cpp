#include "TaskFixtures.h"
#include "support/TempProgramDir.h"
#include "tasks/TaskDraft.h"

#include <QTest>

using namespace zelkor;

Q_DECLARE_METATYPE(zelkor::TaskDraft)

namespace {
TaskDraft draftOf(int kind, int action = 1)
{
    TaskDraft d;
    d.kind = kind;
    d.action = action;
    d.time = QTime(23, 0, 0);
    d.onceDate = QDate(2026, 12, 6);
    return d;
}

QList<int> flagsOf(const TaskRow& row)
{
    QList<int> flags;
    for (const QVariant& f : row.weekday)
        flags << (f.isNull() ? -9 : f.toInt());
    return flags;
}
} // namespace

class TestTaskDraft : public QObject {
    Q_OBJECT
private slots:
    void refusals_data()
    {
        const QDateTime now = test::fixedNow();
        QTest::addColumn<TaskDraft>("draft");
        QTest::addColumn<QString>("refusal"); // empty: may be saved

        TaskDraft none = draftOf(-1);
        QTest::newRow("no kind chosen") << none << kNoKindChosen;
        TaskDraft once = draftOf(1);
        once.onceDate = now.date();
        once.time = now.time();
        QTest::newRow("once this very second") << once << kInvalidDateTime;
        once.time = now.time().addSecs(1);
        QTest::newRow("once next second") << once << QString();
        once.time = now.time().addSecs(-1);
        QTest::newRow("once a second ago") << once << kInvalidDateTime;
        once.onceDate = now.date().addYears(-1);
        once.time = QTime(23, 0);
        QTest::newRow("once last year, later in the day") << once << kInvalidDateTime;
        once.onceDate = QDate();
        QTest::newRow("once without date") << once << kInvalidDateTime;
        TaskDraft daily = draftOf(2);
        daily.time = now.time().addSecs(-3600);
        QTest::newRow("daily before now is fine") << daily << QString();
        QTest::newRow("forbidden period") << draftOf(0, 5) << QString();
        QTest::newRow("kind 7") << draftOf(7) << kNoKindChosen;
    }
    void refusals()
    {
        QFETCH(TaskDraft, draft);
        QFETCH(QString, refusal);
        QCOMPARE(refusalOf(draft, test::fixedNow()).value_or(QString()), refusal);
    }

    void onceReadsBackAsOneDateTime()
    {
        test::TempProgramDir dir;
        TaskStore ado(dir.databasePath());
        TaskDraft d = draftOf(1);
        d.onceDate = QDate(2026, 12, 6);
        d.time = QTime(14, 30, 0);
        QVERIFY(storeDraft(ado, d, std::nullopt).ok);
        const TaskRow row = test::readRow(dir.databasePath(), 1);
        QVERIFY(row.startValue());
        QCOMPARE(daynum::toDateTime(*row.startValue()), QDateTime(QDate(2026, 12, 6), QTime(14, 30, 0)));
    }

    void columnsWrittenPerKind_data()
    {
        QTest::addColumn<TaskDraft>("draft");
        QTest::addColumn<QStringList>("written"); // named columns that are not Null afterwards
        QTest::addColumn<bool>("flagsWritten");

        const QStringList base{QStringLiteral("type"), QStringLiteral("action"), QStringLiteral("state"),
                               QStringLiteral("starttime")};
        QTest::newRow("forbidden period") << draftOf(0, 5) << base + QStringList{QStringLiteral("stoptime")} << false;
        QTest::newRow("once") << draftOf(1) << base << false;
        QTest::newRow("daily") << draftOf(2) << base << false;
        QTest::newRow("monthly") << draftOf(3) << base + QStringList{QStringLiteral("day")} << false;
        QTest::newRow("weekly") << draftOf(4) << base << true;
        TaskDraft text = draftOf(2, 1);
        text.description = QStringLiteral("not for shut down");
        QTest::newRow("daily shut down ignores the text") << text << base << false;
        text.action = 8;
        QTest::newRow("daily message") << text
                                       << base + QStringList{QStringLiteral("fujia"), QStringLiteral("description")}
                                       << false;
        text.action = 7;
        QTest::newRow("daily power on") << text
                                        << base + QStringList{QStringLiteral("fujia"), QStringLiteral("description")}
                                        << false;
    }
    void columnsWrittenPerKind()
    {
        QFETCH(TaskDraft, draft);
        QFETCH(QStringList, written);
        QFETCH(bool, flagsWritten);
        test::TempProgramDir dir;
        TaskStore ado(dir.databasePath());
        QVERIFY(storeDraft(ado, draft, std::nullopt).ok);
        ado.setRecordSource(queries::kAll);
        QVERIFY(ado.refresh().ok);
        QCOMPARE(ado.rowCount(), 1);
        for (const char* name : {"type", "action", "state", "starttime", "stoptime", "day", "fujia", "description"}) {
            const QString column = QString::fromLatin1(name);
            QVERIFY2(ado.field(column).isNull() != written.contains(column), name);
        }
        QCOMPARE(ado.field(QStringLiteral("state")).toInt(), 1);
        QCOMPARE(ado.field(QStringLiteral("type")).toInt(), draft.kind);
        QCOMPARE(ado.field(QStringLiteral("action")).toInt(), draft.action);
        QCOMPARE(flagsOf(ado.row()), (flagsWritten ? QList<int>{0, 1, 1, 1, 1, 1, 0} : QList<int>(7, -9)));
    }

    void textIsTrimmedOfSpacesOnly()
    {
        test::TempProgramDir dir;
        TaskStore ado(dir.databasePath());
        TaskDraft d = draftOf(2, 8);
        d.targetMode = 1;
        d.description = QStringLiteral("   Stretch\tnow   ");
        QVERIFY(storeDraft(ado, d, std::nullopt).ok);
        const TaskRow row = test::readRow(dir.databasePath(), 1);
        QCOMPARE(row.descriptionText(), QStringLiteral("Stretch\tnow"));
        QCOMPARE(row.targetMode.toInt(), 1);
    }

    void editKeepsWhatItDoesNotWrite()
    {
        test::TempProgramDir dir;
        const qint64 id = test::addRow(dir.databasePath(),
                                       {{"type", 4}, {"action", 8}, {"fujia", 1}, {"description", "Stand up"},
                                        {"starttime", test::timeOfDay(9, 0)}, {"state", 1}},
                                       {8, 14});
        TaskStore ado(dir.databasePath());
        TaskDraft daily = draftOf(2, 1);
        daily.time = QTime(6, 45, 0);
        QVERIFY(storeDraft(ado, daily, id).ok);
        const TaskRow row = test::readRow(dir.databasePath(), id);
        QCOMPARE(row.typeValue(), std::optional<qint64>(2));
        QCOMPARE(row.actionValue(), std::optional<qint64>(1));
        QCOMPARE(row.startValue(), std::optional<double>(test::timeOfDay(6, 45)));
        QCOMPARE(flagsOf(row), (QList<int>{1, -9, -9, -9, -9, -9, 1}));
        QCOMPARE(row.descriptionText(), QStringLiteral("Stand up"));
        QCOMPARE(row.targetMode.toInt(), 1);
        QCOMPARE(test::rowCount(dir.databasePath()), 1);
    }

    void editOfVanishedRowStoresNothing()
    {
        test::TempProgramDir dir;
        TaskStore ado(dir.databasePath());
        const Outcome stored = storeDraft(ado, draftOf(2), 42);
        QVERIFY(!stored.ok);
        QCOMPARE(stored.error, kTaskGone);
        QCOMPARE(test::rowCount(dir.databasePath()), 0);
    }

    void tablesLackingAColumn_data()
    {
        QTest::addColumn<QString>("columns");
        QTest::addColumn<TaskDraft>("draft");
        QTest::addColumn<bool>("stored");
        const QString noStop = QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER, action INTEGER, "
                                              "starttime REAL, day REAL, fujia INTEGER, description TEXT, "
                                              "state INTEGER, ") + test::kFlagColumns;
        const QString noFujia = QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER, action INTEGER, "
                                               "starttime REAL, stoptime REAL, day REAL, description TEXT, "
                                               "state INTEGER, ") + test::kFlagColumns;
        const QString shortTable = QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER, "
                                                  "action INTEGER, starttime REAL, stoptime REAL, day REAL, "
                                                  "fujia INTEGER, description TEXT, state INTEGER");
        QTest::newRow("no stoptime, forbidden period") << noStop << draftOf(0, 5) << false;
        QTest::newRow("no stoptime, daily") << noStop << draftOf(2) << true;
        TaskDraft message = draftOf(2, 8);
        message.targetMode = 1;
        message.description = QStringLiteral("kept");
        QTest::newRow("no fujia: text still stored") << noFujia << message << true;
        QTest::newRow("no weekday flags, weekly") << shortTable << draftOf(4) << false;
        QTest::newRow("no weekday flags, daily") << shortTable << draftOf(2) << true;
    }
    void tablesLackingAColumn()
    {
        QFETCH(QString, columns);
        QFETCH(TaskDraft, draft);
        QFETCH(bool, stored);
        test::TempProgramDir dir;
        QVERIFY(test::replaceTable(dir.databasePath(), columns));
        TaskStore ado(dir.databasePath());
        const Outcome outcome = storeDraft(ado, draft, std::nullopt);
        QCOMPARE(outcome.ok, stored);
        QCOMPARE(test::rowCount(dir.databasePath()), stored ? 1 : 0); // never half a task
        if (!stored)
            QVERIFY(!outcome.error.isEmpty());
        else if (actionUsesText(draft.action))
            QCOMPARE(test::readRow(dir.databasePath(), 1).descriptionText(), draft.description);
    }

    // The weekday columns are reached by position, so their names are free:
    // keywords, spaces, hyphens and quotes must all survive a save and an edit.
    void weekdayColumnsOfAnyName_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("keywords") << QStringList{"order", "group", "select", "where",
                                                 "from",  "table", "values"};
        QTest::newRow("spaces") << QStringList{"sun day", "mon day", "tue day", "wed day",
                                               "thu day", "fri day", " sat "};
        QTest::newRow("hyphens") << QStringList{"sun-day", "mon-day", "tue-day", "wed-day",
                                                "thu-day", "fri-day", "sat-day"};
        QTest::newRow("quotes and marks")
            << QStringList{"su\"n", "mo'n", "tu?e", "we,d", "th)u", "f=ri", "sa;t"};
    }
    void weekdayColumnsOfAnyName()
    {
        QFETCH(QStringList, names);
        test::TempProgramDir dir;
        QStringList flags;
        for (QString name : names)
            flags << QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                         QStringLiteral("\" INTEGER");
        QVERIFY(test::replaceTable(
            dir.databasePath(),
            QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER, "
                           "action INTEGER, starttime REAL, stoptime REAL, day REAL, "
                           "fujia INTEGER, description TEXT, %1, state INTEGER")
                .arg(flags.join(QStringLiteral(", ")))));
        TaskDraft weekly = draftOf(4);
        weekly.days = {false, true, false, false, false, true, false}; // Monday, Friday
        TaskStore store(dir.databasePath());
        const Outcome added = storeDraft(store, weekly, std::nullopt);
        QVERIFY2(added.ok, qPrintable(added.error));
        QCOMPARE(flagsOf(test::readRow(dir.databasePath(), 1)), (QList<int>{0, 1, 0, 0, 0, 1, 0}));

        weekly.days = {true, false, false, false, false, false, true}; // Sunday, Saturday
        const Outcome edited = storeDraft(store, weekly, 1);
        QVERIFY2(edited.ok, qPrintable(edited.error));
        QCOMPARE(flagsOf(test::readRow(dir.databasePath(), 1)), (QList<int>{1, 0, 0, 0, 0, 0, 1}));
        QCOMPARE(test::rowCount(dir.databasePath()), 1);
    }

    void unusableDatabases_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("editing");
        for (const char* how : {"missing", "locked", "read-only"}) {
            QTest::addRow("%s, new", how) << QString::fromLatin1(how) << false;
            QTest::addRow("%s, edit", how) << QString::fromLatin1(how) << true;
        }
    }
    void unusableDatabases()
    {
        QFETCH(QString, how);
        QFETCH(bool, editing);
        test::TempProgramDir dir;
        const qint64 id = test::addRow(dir.databasePath(), {{"type", 2}, {"action", 6}});
        std::unique_ptr<test::RawConnection> locker;
        if (how == QLatin1String("missing")) {
            QVERIFY(QFile::remove(dir.databasePath()));
        } else if (how == QLatin1String("locked")) {
            locker = std::make_unique<test::RawConnection>(dir.databasePath());
            QVERIFY(locker->exec(QStringLiteral("BEGIN EXCLUSIVE")));
        } else {
            QFile::setPermissions(dir.databasePath(), QFile::ReadOwner);
            if (QFile(dir.databasePath()).open(QIODevice::ReadWrite))
                QSKIP("running with rights that ignore file permissions; the locked case covers this");
        }
        TaskStore ado(dir.databasePath());
        const Outcome outcome = storeDraft(ado, draftOf(2, 1), editing ? std::optional<qint64>(id) : std::nullopt);
        QVERIFY(!outcome.ok);
        QVERIFY(!outcome.error.isEmpty());
        QVERIFY(outcome.error != kTaskGone);
        locker.reset();
        if (how != QLatin1String("missing")) {
            QCOMPARE(test::rowCount(dir.databasePath()), 1);
            QCOMPARE(test::readRow(dir.databasePath(), id).actionValue(), std::optional<qint64>(6));
        } else {
            QVERIFY(!QFile::exists(dir.databasePath()));
        }
    }

    void loading_data()
    {
        QTest::addColumn<QVariantMap>("columns");
        QTest::addColumn<QList<int>>("flags");
        QTest::addColumn<TaskDraft>("expected");

        const TaskDraft base;
        TaskDraft sunday = base;
        sunday.kind = 4;
        sunday.days = {true, false, false, false, false, false, false};
        sunday.time = QTime(7, 15, 0);
        QTest::newRow("weekly on Sunday only")
            << QVariantMap{{"type", 4}, {"action", 1}, {"starttime", test::timeOfDay(7, 15)}} << QList<int>{8}
            << sunday;
        TaskDraft once = base;
        once.kind = 1;
        once.onceDate = QDate(2026, 12, 6);
        once.time = QTime(14, 30, 0);
        once.action = 8;
        once.targetMode = 1;
        once.description = QStringLiteral("Call home");
        QTest::newRow("once message")
            << QVariantMap{{"type", 1}, {"action", 8}, {"fujia", 1}, {"description", "Call home"},
                           {"starttime", daynum::fromDateTime(QDateTime(QDate(2026, 12, 6), QTime(14, 30)))}}
            << QList<int>{} << once;
        TaskDraft period = base;
        period.kind = 0;
        period.action = 5;
        period.periodStart = QTime(22, 0);
        period.periodEnd = QTime(6, 0);
        QTest::newRow("forbidden period")
            << QVariantMap{{"type", 0}, {"action", 5}, {"starttime", test::timeOfDay(22, 0)},
                           {"stoptime", test::timeOfDay(6, 0)}}
            << QList<int>{} << period;
        TaskDraft monthly = base;
        monthly.kind = 3;
        monthly.monthDay = QDate(2026, 1, 15);
        monthly.time = QTime(8, 0);
        QTest::newRow("monthly")
            << QVariantMap{{"type", 3}, {"action", 1}, {"day", daynum::fromDate(QDate(2026, 1, 15))},
                           {"starttime", test::timeOfDay(8, 0)}}
            << QList<int>{} << monthly;
        TaskDraft launch = base;
        launch.kind = 2;
        launch.action = 7;
        launch.targetMode = 1; // out of the list: read as "Show message", as the reminder does
        QTest::newRow("fujia beyond the list")
            << QVariantMap{{"type", 2}, {"action", 7}, {"fujia", 5}, {"starttime", 0.0}} << QList<int>{} << launch;
        QTest::newRow("kind as text, action outside, start as text: defaults stay")
            << QVariantMap{{"type", "weekly"}, {"action", 12}, {"starttime", "noon"}} << QList<int>{} << base;
        TaskDraft daily = base;
        daily.kind = 2;
        QTest::newRow("daily with text for start keeps the default time")
            << QVariantMap{{"type", 2}, {"action", 1}, {"starttime", "noon"}} << QList<int>{} << daily;
        QTest::newRow("kind outside the table") << QVariantMap{{"type", 9}, {"action", 2}} << QList<int>{} << [&] {
            TaskDraft d = base;
            d.action = 2;
            return d;
        }();
    }
    void loading()
    {
        QFETCH(QVariantMap, columns);
        QFETCH(QList<int>, flags);
        QFETCH(TaskDraft, expected);
        test::TempProgramDir dir;
        const qint64 id = test::addRow(dir.databasePath(), columns, flags);
        QVERIFY(id > 0);
        const TaskDraft got = loadedDraft(test::readRow(dir.databasePath(), id), TaskDraft());
        QCOMPARE(got.kind, expected.kind);
        QCOMPARE(got.action, expected.action);
        QCOMPARE(got.time, expected.time);
        QCOMPARE(got.onceDate, expected.onceDate);
        QCOMPARE(got.monthDay, expected.monthDay);
        QCOMPARE(got.periodStart, expected.periodStart);
        QCOMPARE(got.periodEnd, expected.periodEnd);
        QCOMPARE(got.days, expected.days);
        QCOMPARE(got.targetMode, expected.targetMode);
        QCOMPARE(got.description, expected.description);
    }
};

QTEST_GUILESS_MAIN(TestTaskDraft)
#include "tst_taskdraft.moc"
