#include "support/TempProgramDir.h"
#include "tasks/AdoTask.h"
#include "tasks/TaskQueries.h"

#include <QFile>
#include <QTest>

using namespace zelkor;

class TestAdoTask : public QObject {
    Q_OBJECT
private:
    static qint64 addTask(AdoTask& ado, int type, int action)
    {
        ado.setRecordSource(queries::kAll);
        ado.Refresh();
        ado.AddNew();
        ado.setField(QStringLiteral("type"), type);
        ado.setField(QStringLiteral("action"), action);
        ado.setField(QStringLiteral("state"), 1);
        const Outcome stored = ado.Update();
        return stored.ok ? ado.field(QStringLiteral("id")).toLongLong() : -1;
    }

private slots:
    void addReadsBackByNameAndPosition()
    {
        test::TempProgramDir dir;
        QVERIFY(dir.isValid());
        AdoTask ado(dir.databasePath());
        ado.setRecordSource(queries::kAll);
        QVERIFY(ado.Refresh().ok);
        QVERIFY(ado.isEmpty());
        ado.AddNew();
        QVERIFY(ado.setField(QStringLiteral("type"), 4).ok);
        QVERIFY(ado.setField(9, 1).ok);  // Monday by position
        QVERIFY(ado.setField(13, 1).ok); // Friday
        QVERIFY(ado.setField(QStringLiteral("starttime"), 0.5).ok);
        QVERIFY(ado.Update().ok);

        AdoTask reader(dir.databasePath());
        reader.setRecordSource(queries::kListNewestFirst);
        QVERIFY(reader.Refresh().ok);
        QCOMPARE(reader.rowCount(), 1);
        const TaskRow row = reader.row();
        QCOMPARE(row.typeValue(), std::optional<qint64>(4));
        QCOMPARE(row.startValue(), std::optional<double>(0.5));
        QVERIFY(row.weekdayFlag(2));
        QVERIFY(row.weekdayFlag(6));
        QVERIFY(!row.weekdayFlag(1));
        QVERIFY(row.fujia.isNull()); // never written, stays Null
    }

    void idsAscendAndAreNeverReused()
    {
        test::TempProgramDir dir;
        AdoTask ado(dir.databasePath());
        const qint64 first = addTask(ado, 2, 1);
        const qint64 second = addTask(ado, 2, 1);
        QVERIFY(second > first);
        ado.setRecordSource(queries::byId(second));
        QVERIFY(ado.Refresh().ok);
        QVERIFY(ado.Delete().ok);
        QVERIFY(addTask(ado, 2, 1) > second);
    }

    void editKeepsUnassignedColumns()
    {
        test::TempProgramDir dir;
        AdoTask ado(dir.databasePath());
        const qint64 id = addTask(ado, 4, 8);
        ado.setRecordSource(queries::byId(id));
        QVERIFY(ado.Refresh().ok);
        QVERIFY(ado.setField(QStringLiteral("description"), QStringLiteral("kept")).ok);
        QVERIFY(ado.Update().ok);
        QVERIFY(ado.Refresh().ok);
        QVERIFY(ado.setField(QStringLiteral("type"), 2).ok);
        QVERIFY(ado.Update().ok);
        QVERIFY(ado.Refresh().ok);
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
        AdoTask ado(dir.databasePath());
        ado.setRecordSource(queries::kAll);
        const Outcome opened = ado.Refresh();
        QCOMPARE(opened.ok, !missing);
        QVERIFY(ado.isEmpty());
        ado.AddNew();
        ado.setField(QStringLiteral("type"), 2);
        const Outcome stored = ado.Update();
        QVERIFY(!stored.ok);
        QVERIFY(!stored.error.isEmpty());
        QCOMPARE(QFile::exists(dir.databasePath()), !missing); // never created
    }

    void rowsWithTextWhereNumbersBelong()
    {
        test::TempProgramDir dir;
        AdoTask ado(dir.databasePath());
        ado.setRecordSource(queries::kAll);
        ado.Refresh();
        ado.AddNew();
        ado.setField(QStringLiteral("type"), QStringLiteral("weekly"));
        ado.setField(QStringLiteral("starttime"), QStringLiteral("noon"));
        QVERIFY(ado.Update().ok);
        QVERIFY(ado.Refresh().ok);
        const TaskRow row = ado.row();
        QVERIFY(!row.typeValue());
        QVERIFY(!row.startValue());
        QVERIFY(!row.weekdayFlag(1));
    }
};

QTEST_GUILESS_MAIN(TestAdoTask)
#include "tst_adotask.moc"
