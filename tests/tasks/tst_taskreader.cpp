// Whole queries read straight through SQLite: every field as the record set
// (QtSql) reads it, whatever the table holds, and nothing read from a file
// that cannot be used.
#include "TaskFixtures.h"
#include "support/TempProgramDir.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskListRows.h"
#include "tasks/TaskReader.h"

#include <QDir>
#include <QTest>

using namespace zelkor;

namespace {
// The record set's reading of a query, as the program read it before.
QList<TaskRow> recordSetRows(const QString& database, const QString& sql)
{
    TaskStore store(database);
    store.setRecordSource(sql);
    if (!store.refresh().ok)
        return {};
    const QList<TaskRow> rows = store.rows();
    store.close();
    return rows;
}

// The fields as TaskRow's readers see them, and as texts.
QString text(std::optional<qint64> value) { return value ? QString::number(*value) : QStringLiteral("-"); }
QString text(std::optional<double> value) { return value ? QString::number(*value, 'g', 17) : QStringLiteral("-"); }

// The row with only the fields of `mask` kept; the others Null.
TaskRow keepOnly(TaskRow row, unsigned mask)
{
    QVariant* fields[] = {&row.id,       &row.type,       &row.action,      &row.starttime, &row.stoptime,
                          &row.day,      &row.targetMode, &row.description, &row.state};
    for (unsigned n = 0; n < std::size(fields); ++n)
        if (!(mask & (1u << n)))
            *fields[n] = QVariant();
    if (!(mask & TaskReader::Weekdays))
        row.weekday.fill(QVariant());
    return row;
}

QStringList readings(const TaskRow& row)
{
    QStringList out{text(row.idValue()),      text(row.typeValue()),         QString::number(row.actionCode()),
                    text(row.startValue()),   text(row.stopValue()),         text(row.dayValue()),
                    QString::number(row.showsMessage()), row.descriptionText(), text(TaskRow::integer(row.state)),
                    row.id.toString(),        row.starttime.toString()};
    for (int w = 1; w <= 7; ++w)
        out << QString::number(row.weekdayFlag(w));
    return out;
}
} // namespace

class TestTaskReader : public QObject {
    Q_OBJECT
private slots:
    void readsWhatTheRecordSetReads_data()
    {
        QTest::addColumn<QString>("table"); // empty: the program's own
        QTest::addColumn<QStringList>("inserts");

        const QString own;
        QTest::newRow("plain rows of every kind")
            << own
            << QStringList{"insert into task (type, action, starttime, stoptime) values (0, 5, 0.875, 0.99)",
                           "insert into task (type, action, starttime) values (1, 1, 46180.5)",
                           "insert into task (type, action, starttime, day) values (3, 2, 0.25, 46036)",
                           "insert into task (type, action, starttime, sun, wed, sat) values (4, 8, 0.5, 1, 1, 1)",
                           "insert into task (type, action, fujia, description) values (2, 8, 1, 'Tea time')"};
        QTest::newRow("Nulls and text where numbers belong")
            << own
            << QStringList{"insert into task (type, action, starttime) values ('weekly', 'x', 'noon')",
                           "insert into task (action) values (3)",
                           "insert into task (type, action, fujia, description) values (2, 8, 'yes', '')"};
        QTest::newRow("numbers beyond every range")
            << own
            << QStringList{"insert into task (id, type, action, starttime) values (9007199254740993, 2, 99, 1e200)",
                           "insert into task (type, action, day, mon) values (3, 70000, -1e300, -1)"};
        QTest::newRow("bytes in a text column")
            << own << QStringList{"insert into task (type, action, description) values (2, 8, x'00ff41')"};
        // Named columns are found by name wherever they stand; the weekday
        // flags are the columns at positions 8 to 14, whatever their names.
        QTest::newRow("other column order and names")
            << QStringLiteral("state INTEGER, description TEXT, action INTEGER, id INTEGER PRIMARY KEY, "
                              "day REAL, fujia INTEGER, STARTTIME REAL, type INTEGER, "
                              "a INTEGER, b INTEGER, c INTEGER, d INTEGER, e INTEGER, f INTEGER, g INTEGER, "
                              "stoptime REAL")
            << QStringList{"insert into task (type, action, starttime, b, g) values (4, 6, 0.75, 1, 1)",
                           "insert into task (type, action, starttime, stoptime) values (0, 1, 0.1, 0.2)"};
        QTest::newRow("names that must be quoted")
            << QStringLiteral("id INTEGER PRIMARY KEY, type INTEGER, action INTEGER, starttime REAL, "
                              "stoptime REAL, day REAL, fujia INTEGER, description TEXT, "
                              "\"sun day\" INTEGER, \"mo\"\"n\" INTEGER, tue INTEGER, wed INTEGER, "
                              "thu INTEGER, fri INTEGER, \"select\" INTEGER, state INTEGER")
            << QStringList{"insert into task (type, action, starttime, \"sun day\", \"mo\"\"n\", \"select\") "
                           "values (4, 2, 0.5, 1, 1, 1)"};
        QTest::newRow("a table without a launch-or-message column and flags")
            << QStringLiteral("id INTEGER PRIMARY KEY, type INTEGER, action INTEGER, starttime REAL")
            << QStringList{"insert into task (type, action, starttime) values (2, 1, 0.5)"};
    }
    void readsWhatTheRecordSetReads()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, inserts);
        test::TempProgramDir dir;
        QVERIFY(dir.isValid());
        if (!table.isEmpty())
            QVERIFY(test::replaceTable(dir.databasePath(), table));
        {
            test::RawConnection raw(dir.databasePath());
            for (const QString& sql : inserts)
                QVERIFY(raw.exec(sql));
        }
        for (const QString& sql : {queries::kListNewestFirst, queries::kSchedulableNewestFirst, queries::kPowerOn}) {
            TaskReader reader(dir.databasePath());
            Outcome outcome;
            const QList<TaskRow> read = reader.rows(sql, &outcome);
            QVERIFY2(outcome.ok, qPrintable(outcome.error));
            const QList<TaskRow> expected = recordSetRows(dir.databasePath(), sql);
            QCOMPARE(read.size(), expected.size());
            for (qsizetype i = 0; i < read.size(); ++i)
                QCOMPARE(readings(read[i]), readings(expected[i]));
            // Asked for some fields only, as the selection pass and the list
            // ask: the query takes those columns alone, each in its place.
            for (const unsigned mask : {TaskReader::AllFields & ~(TaskReader::StopTime | TaskReader::State),
                                        unsigned(tasklist::ListRows::kFields),
                                        unsigned(TaskReader::Type | TaskReader::Weekdays)}) {
                QList<TaskRow> some;
                QVERIFY(reader.forEach(sql, [&some](const TaskRow& row) { some << row; }, mask).ok);
                QCOMPARE(some.size(), expected.size());
                for (qsizetype i = 0; i < some.size(); ++i)
                    QCOMPARE(readings(some[i]), readings(keepOnly(expected[i], mask)));
            }
        }
    }

    // The selection pass's query leaves out only rows whose type TaskRow reads
    // as no schedulable kind: what it reads is exactly what the pass can use.
    void schedulableRowsAreThoseOfASchedulableType_data()
    {
        QTest::addColumn<QString>("type"); // an SQL literal
        for (const char* type : {"NULL", "0", "0.49", "0.5", "1", "2", "3", "4", "4.49", "4.5", "5", "-1",
                                 "'2'", "'two'", "x'02'", "2.0"})
            QTest::newRow(type) << QString::fromLatin1(type);
    }
    void schedulableRowsAreThoseOfASchedulableType()
    {
        QFETCH(QString, type);
        test::TempProgramDir dir;
        QVERIFY(dir.isValid());
        {
            test::RawConnection raw(dir.databasePath());
            QVERIFY(raw.exec(QStringLiteral("insert into task (type, action, starttime) values (%1, 1, 0.5)").arg(type)));
        }
        TaskReader reader(dir.databasePath());
        const QList<TaskRow> all = reader.rows(queries::kListNewestFirst);
        QCOMPARE(all.size(), 1);
        const auto kind = all.first().typeValue();
        const bool schedulable = kind && *kind >= 1 && *kind <= 4;
        QCOMPARE(reader.rows(queries::kSchedulableNewestFirst).size(), schedulable ? 1 : 0);
    }

    void unusableFilesGiveNoRows_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("not a database") << "garbage";
        QTest::newRow("no task table") << "no table";
    }
    void unusableFilesGiveNoRows()
    {
        QFETCH(QString, kind);
        test::TempProgramDir dir;
        const QString path = dir.databasePath();
        QFile::remove(path);
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("garbage")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'x'));
        } else if (kind == QLatin1String("no table")) {
            QVERIFY(test::RawConnection(path).exec(QStringLiteral("create table other (x)")));
        }
        TaskReader reader(path);
        Outcome outcome;
        QVERIFY(reader.rows(queries::kListNewestFirst, &outcome).isEmpty());
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.startsWith(kind == QLatin1String("missing")
                                              ? QStringLiteral("The task database %1 is missing").arg(path)
                                              : QStringLiteral("The task database could not be used: ")),
                 qPrintable(outcome.error));
        QVERIFY(!reader.first(queries::kForbiddenNewestFirst));
        QCOMPARE(QFile::exists(path), kind != QLatin1String("missing")); // never made
    }

    void firstReadsTheNewestOnly()
    {
        test::TempProgramDir dir;
        for (int i = 0; i < 3; ++i)
            QVERIFY(test::addRow(dir.databasePath(), {{"type", 0}, {"action", 1 + 4 * (i % 2)}}) > 0);
        TaskReader reader(dir.databasePath());
        const std::optional<TaskRow> newest = reader.first(queries::kForbiddenNewestFirst);
        QVERIFY(newest);
        QCOMPARE(newest->idValue(), std::optional<qint64>(3));
        QVERIFY(!reader.first(queries::kPowerOn)); // none: nothing, not an old row
    }

    void unwantedFieldsStayNull()
    {
        test::TempProgramDir dir;
        QVERIFY(test::addRow(dir.databasePath(), {{"type", 2}, {"action", 8}, {"stoptime", 0.5},
                                                  {"description", "kept out"}, {"state", 1}},
                             {9}) > 0);
        TaskReader reader(dir.databasePath());
        QList<TaskRow> rows;
        QVERIFY(reader.forEach(queries::kAll, [&rows](const TaskRow& row) { rows << row; },
                               TaskReader::Type | TaskReader::Weekdays)
                    .ok);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].typeValue(), std::optional<qint64>(2));
        QVERIFY(rows[0].weekdayFlag(2));
        for (const QVariant* unwanted : {&rows[0].id, &rows[0].action, &rows[0].stoptime, &rows[0].description,
                                         &rows[0].state})
            QVERIFY(unwanted->isNull());
    }

    // A reader kept open between reads sees what others write meanwhile, and
    // a file that went away reads as gone, not as what it held.
    void keptOpenFollowsTheFile()
    {
        test::TempProgramDir dir;
        QVERIFY(test::addRow(dir.databasePath(), {{"type", 2}, {"action", 1}}) > 0);
        TaskReader reader(dir.databasePath());
        QCOMPARE(reader.rows(queries::kListNewestFirst).size(), 1);
        QVERIFY(test::addRow(dir.databasePath(), {{"type", 2}, {"action", 3}}) > 0);
        QCOMPARE(reader.rows(queries::kListNewestFirst).size(), 2);
        QVERIFY(QFile::remove(dir.databasePath()));
        Outcome outcome;
        QVERIFY(reader.rows(queries::kListNewestFirst, &outcome).isEmpty());
        QVERIFY(!outcome.ok);
    }
};

QTEST_GUILESS_MAIN(TestTaskReader)
#include "tst_taskreader.moc"
