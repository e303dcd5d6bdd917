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
// `source` goes into each event's UID beside the task's number (see
// calendarSource), so that UIDs are unique in any calendar the file meets.
QByteArray calendarText(const QList<TaskRow>& rows, const QDateTime& now, const QByteArray& source);

// What tells one task database on one computer from any other, for UIDs:
// calendar programs take a UID they know as the same event, so the same
// database exported again keeps its UIDs, while another computer's or another
// database's task of the same number never replaces it.
QByteArray calendarSource(const QString& databasePath);

} // namespace zelkor
