#pragma once

#include "tasks/TaskRow.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

namespace zelkor {

// The stored tasks as an iCalendar file (RFC 5545) for calendar programs: one
// VEVENT per task in floating local time; Daily, Weekly (BYDAY) and Monthly
// (BYMONTHDAY) repeat by RRULE, and the forbidden period is a daily event from
// its start to its end. Repeating events begin on the first occurrence on or
// after `now`'s date; `now` also stamps the file.
QByteArray calendarText(const QList<TaskRow>& rows, const QDateTime& now);

} // namespace zelkor
