#pragma once

#include <QByteArray>
#include <QDateTime>

#include <ctime>

// Tests that run in more than one time zone: the local time of the process is
// switched through TZ, as a user's session would set it.
namespace zelkor::test
{

inline void useZone(const QByteArray& zone)
{
    qputenv("TZ", zone);
    tzset();
}

// The zone the tests are registered with, for a test's cleanup.
inline void useDefaultZone()
{
    useZone("Europe/Berlin");
}

// A moment given as UTC, read as local time in the zone in force: data rows
// are built before a test switches zones, so they hold moments, not readings.
inline QDateTime localAt(const QDateTime& utc)
{
    return QDateTime::fromSecsSinceEpoch(utc.toSecsSinceEpoch());
}

inline QDateTime utcAt(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::UTC);
}

} // namespace zelkor::test
