#pragma once

#include "common/DayNumber.h"
#include "support/TaskTable.h"
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

// A moment on Monday, 7 December 2026, far from any clock change.
inline QDateTime onMonday(int h, int m, int s = 0)
{
    return QDateTime(QDate(2026, 12, 7), QTime(h, m, s));
}

inline TaskRow taskRow(qint64 id, int type, int action, const QVariant& start)
{
    TaskRow row;
    row.id = id;
    row.type = type;
    row.action = action;
    row.starttime = start;
    row.targetMode = 0;
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

inline TaskRow withText(TaskRow row, bool targetMode, const QVariant& description)
{
    row.targetMode = targetMode ? 1 : 0;
    row.description = description;
    return row;
}

// Appends the row to the task table (its id is left to the database) and
// returns the id given, or -1.
inline qint64 storeRow(const QString& databasePath, const TaskRow& row)
{
    return addRow(databasePath, {{"type", row.type},
                                 {"action", row.action},
                                 {"starttime", row.starttime},
                                 {"stoptime", row.stoptime},
                                 {"day", row.day},
                                 {"fujia", row.targetMode},
                                 {"description", row.description},
                                 {"state", row.state},
                                 {"sun", row.weekday[0]},
                                 {"mon", row.weekday[1]},
                                 {"tue", row.weekday[2]},
                                 {"wed", row.weekday[3]},
                                 {"thu", row.weekday[4]},
                                 {"fri", row.weekday[5]},
                                 {"sat", row.weekday[6]}});
}

} // namespace zelkor::test

Q_DECLARE_METATYPE(zelkor::TaskRow)
