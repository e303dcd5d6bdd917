#include "support/TempProgramDir.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskStore.h"

#include <QFile>
#include <QTest>

using namespace zelkor;

class TestTaskStore : public QObject
{
    Q_OBJECT
private:
    static qint64 addTask(TaskStore& ado, int type, int action)
    {
        ado.setRecordSource(queries::kAll);
        ado.refresh();
        ado.addNew();
        ado.setField(QStringLiteral("type"), type);
        ado.setField(QStringLiteral("action"), action);
        ado.setField(QStringLiteral("state"), 1);
        const Outcome stored = ado.update();
        return stored.ok ? ado.field(QStringLiteral("id")).toLongLong() : -1;
    }

private slots:
    void addReadsBackByNameAndPosition()
    {
        test::TempProgramDir dir;
        QVERIFY(dir.isValid());
        TaskStore ado(dir.databasePath());
        ado.setRecordSource(queries::kAll);
        QVERIFY(ado.refresh().ok);
        QVERIFY(ado.isEmpty());
        ado.addNew();
        QVERIFY(ado.setField(QStringLiteral("type"), 4).ok);
        QVERIFY(ado.setField(9, 1).ok);  // Monday by position
        QVERIFY(ado.setField(13, 1).ok); // Friday
        QVERIFY(ado.setField(QStringLiteral("starttime"), 0.5).ok);
        QVERIFY(ado.update().ok);

        TaskStore reader(dir.databasePath());
        reader.setRecordSource(queries::kListNewestFirst);
        QVERIFY(reader.refresh().ok);
        QCOMPARE(reader.rowCount(), 1);
        const TaskRow row = reader.row();
        QCOMPARE(row.typeValue(), std::optional<qint64>(4));
        QCOMPARE(row.startValue(), std::optional<double>(0.5));
        QVERIFY(row.weekdayFlag(2));
        QVERIFY(row.weekdayFlag(6));
        QVERIFY(!row.weekdayFlag(1));
        QVERIFY(row.targetMode.isNull()); // never written, stays Null
    }

    void idsAscendAndAreNeverReused()
    {
        test::TempProgramDir dir;
        TaskStore ado(dir.databasePath());
        const qint64 first = addTask(ado, 2, 1);
        const qint64 second = addTask(ado, 2, 1);
        QVERIFY(second > first);
        ado.setRecordSource(queries::byId(second));
        QVERIFY(ado.refresh().ok);
        QVERIFY(ado.remove().ok);
        QVERIFY(addTask(ado, 2, 1) > second);
    }

    void editKeepsUnassignedColumns()
    {
        test::TempProgramDir dir;
        TaskStore ado(dir.databasePath());
        const qint64 id = addTask(ado, 4, 8);
        ado.setRecordSource(queries::byId(id));
        QVERIFY(ado.refresh().ok);
        QVERIFY(ado.setField(QStringLiteral("description"), QStringLiteral("kept")).ok);
        QVERIFY(ado.update().ok);
        QVERIFY(ado.refresh().ok);
        QVERIFY(ado.setField(QStringLiteral("type"), 2).ok);
        QVERIFY(ado.update().ok);
        QVERIFY(ado.refresh().ok);
        QCOMPARE(ado.field(QStringLiteral("description")).toString(), QStringLiteral("kept"));
        QCOMPARE(ado.field(QStringLiteral("action")).toInt(), 8);
    }

    void unusableDatabases_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::newRow("missing file") << true;
        QTest::newRow("read-only file") << false;
    }
    void unusableDatabases()
    {
        QFETCH(bool, missing);
        test::TempProgramDir dir;
        if (missing)
            QFile::remove(dir.databasePath());
        else
            QFile::setPermissions(dir.databasePath(), QFile::ReadOwner);
        if (!missing && QFile(dir.databasePath()).open(QIODevice::WriteOnly))
            QSKIP("running with rights that ignore file permissions");
        TaskStore ado(dir.databasePath());
        ado.setRecordSource(queries::kAll);
        const Outcome opened = ado.refresh();
        QCOMPARE(opened.ok, !missing);
        QVERIFY(ado.isEmpty());
        ado.addNew();
        ado.setField(QStringLiteral("type"), 2);
        const Outcome stored = ado.update();
        QVERIFY(!stored.ok);
        QVERIFY(!stored.error.isEmpty());
        QCOMPARE(QFile::exists(dir.databasePath()), !missing); // never created
    }

    void rowsWithTextWhereNumbersBelong()
    {
        test::TempProgramDir dir;
        TaskStore ado(dir.databasePath());
        ado.setRecordSource(queries::kAll);
        ado.refresh();
        ado.addNew();
        ado.setField(QStringLiteral("type"), QStringLiteral("weekly"));
        ado.setField(QStringLiteral("starttime"), QStringLiteral("noon"));
        QVERIFY(ado.update().ok);
        QVERIFY(ado.refresh().ok);
        const TaskRow row = ado.row();
        QVERIFY(!row.typeValue());
        QVERIFY(!row.startValue());
        QVERIFY(!row.weekdayFlag(1));
    }
};

QTEST_GUILESS_MAIN(TestTaskStore)
#include "tst_taskstore.moc"
