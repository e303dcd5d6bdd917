#pragma once

#include "common/DayNumber.h"
#include "tasks/AdoTask.h"
#include "tasks/TaskQueries.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QVariantMap>

#include <memory>

// Rows and databases for the task tests, written through the store itself or
// straight through SQL where a test needs something the program would never write.
namespace zelkor::test {

// The fixed moment of the fake clock: Wednesday 10 June 2026, 12:00:00.
inline QDateTime fixedNow() { return QDateTime(QDate(2026, 6, 10), QTime(12, 0, 0)); }

inline double timeOfDay(int h, int m, int s = 0) { return daynum::fromTime(QTime(h, m, s)); }

// Appends a row with the given columns by name, and weekday flags by
// position (8 = Sunday .. 14 = Saturday); returns its id, or -1.
inline qint64 addRow(const QString& database, const QVariantMap& columns, const QList<int>& flagPositions = {})
{
    AdoTask ado(database);
    ado.setRecordSource(queries::kAll);
    if (!ado.Refresh().ok)
        return -1;
    ado.AddNew();
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        if (!ado.setField(it.key(), it.value()).ok)
            return -1;
    for (int position : flagPositions)
        if (!ado.setField(position, 1).ok)
            return -1;
    if (!ado.Update().ok)
        return -1;
    return ado.field(QStringLiteral("id")).toLongLong();
}

inline TaskRow readRow(const QString& database, qint64 id)
{
    AdoTask ado(database);
    ado.setRecordSource(queries::byId(id));
    if (!ado.Refresh().ok || ado.isEmpty())
        return {};
    return ado.row();
}

inline int rowCount(const QString& database)
{
    AdoTask ado(database);
    ado.setRecordSource(queries::kAll);
    return ado.Refresh().ok ? ado.rowCount() : -1;
}

// A second connection to the file, for locks and for SQL the program never runs.
class RawConnection {
public:
    explicit RawConnection(const QString& database)
        : m_name(QStringLiteral("raw-%1").arg(quintptr(this)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(database);
        db.open();
    }
    ~RawConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool exec(const QString& sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        const bool ok = query.exec(sql);
        if (!ok)
            qWarning() << sql << query.lastError().text();
        return ok;
    }

private:
    QString m_name;
};

// Replaces the task table by one with the given column list (exactly eight
// columns must still precede the seven flags for the positions to hold).
inline bool replaceTable(const QString& database, const QString& columns)
{
    RawConnection raw(database);
    return raw.exec(QStringLiteral("drop table task")) &&
           raw.exec(QStringLiteral("create table task (%1)").arg(columns));
}

inline const QString kFlagColumns = QStringLiteral("sun INTEGER, mon INTEGER, tue INTEGER, wed INTEGER, "
                                                   "thu INTEGER, fri INTEGER, sat INTEGER");

} // namespace zelkor::test
