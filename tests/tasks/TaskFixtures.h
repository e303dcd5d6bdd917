#pragma once

#include "common/DayNumber.h"
#include "support/TaskTable.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QVariantMap>

#include <memory>

// Databases for the task tests: rows written through the store itself
// (support/TaskTable.h), or straight through SQL where a test needs something
// the program would never write.
namespace zelkor::test {

// The fixed moment of the fake clock: Wednesday 10 June 2026, 12:00:00.
inline QDateTime fixedNow() { return QDateTime(QDate(2026, 6, 10), QTime(12, 0, 0)); }

inline double timeOfDay(int h, int m, int s = 0) { return daynum::fromTime(QTime(h, m, s)); }

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
