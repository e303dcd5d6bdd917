#pragma once

#include "common/DayNumber.h"
#include "tasks/AdoTask.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskRow.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>

#include <initializer_list>

// Task rows as the editor stores them, for the scheduler's tests: built in
// memory for the plain rules, or written to a private task database.
namespace zelkor::test {

inline double dayNumber(const QDateTime& at) { return daynum::fromDateTime(at); }
inline double timeOfDay(QTime t) { return daynum::fromTime(t); }

inline TaskRow taskRow(qint64 id, int type, int action, const QVariant& start)
{
    TaskRow row;
    row.id = id;
    row.type = type;
    row.action = action;
    row.starttime = start;
    row.fujia = 0;
    row.state = 1;
    for (QVariant& flag : row.weekday)
        flag = 0;
    return row;
}

inline TaskRow onceRow(qint64 id, const QDateTime& at, int action = 1)
{
    return taskRow(id, 1, action, dayNumber(at));
}

inline TaskRow dailyRow(qint64 id, QTime t, int action = 1)
{
    return taskRow(id, 2, action, timeOfDay(t));
}

// Weekdays numbered 1 = Sunday .. 7 = Saturday.
inline TaskRow weeklyRow(qint64 id, QTime t, std::initializer_list<int> weekdays, int action = 1)
{
    TaskRow row = taskRow(id, 4, action, timeOfDay(t));
    for (int w : weekdays)
        row.weekday[size_t(w - 1)] = 1;
    return row;
}

inline TaskRow monthlyRow(qint64 id, QTime t, QDate day, int action = 1)
{
    TaskRow row = taskRow(id, 3, action, timeOfDay(t));
    row.day = daynum::fromDate(day);
    return row;
}

inline TaskRow periodRow(qint64 id, QTime start, QTime stop, int action = 1)
{
    TaskRow row = taskRow(id, 0, action, timeOfDay(start));
    row.stoptime = timeOfDay(stop);
    return row;
}

inline TaskRow withText(TaskRow row, bool fujia, const QVariant& description)
{
    row.fujia = fujia ? 1 : 0;
    row.description = description;
    return row;
}

// Appends the row to the task table (its id is left to the database) and
// returns the id given, or -1.
inline qint64 storeRow(const QString& databasePath, const TaskRow& row)
{
    AdoTask ado(databasePath);
    ado.setRecordSource(queries::kAll);
    if (!ado.Refresh().ok)
        return -1;
    ado.AddNew();
    ado.setField(QStringLiteral("type"), row.type);
    ado.setField(QStringLiteral("action"), row.action);
    ado.setField(QStringLiteral("starttime"), row.starttime);
    ado.setField(QStringLiteral("stoptime"), row.stoptime);
    ado.setField(QStringLiteral("day"), row.day);
    ado.setField(QStringLiteral("fujia"), row.fujia);
    ado.setField(QStringLiteral("description"), row.description);
    ado.setField(QStringLiteral("state"), row.state);
    for (int w = 1; w <= 7; ++w)
        ado.setField(w + 7, row.weekday[size_t(w - 1)]);
    if (!ado.Update().ok)
        return -1;
    return ado.field(QStringLiteral("id")).toLongLong();
}

inline bool deleteRow(const QString& databasePath, qint64 id)
{
    AdoTask ado(databasePath);
    ado.setRecordSource(queries::byId(id));
    return ado.Refresh().ok && !ado.isEmpty() && ado.Delete().ok;
}

} // namespace zelkor::test

Q_DECLARE_METATYPE(zelkor::TaskRow)
