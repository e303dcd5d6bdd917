#include "tasks/TaskCalendar.h"

#include "common/ActionKind.h"
#include "tasks/TaskDraft.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QStringList>
#include <QSysInfo>

namespace zelkor {

namespace {
const char* const kByDay[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

// Times are written floating, as the wall clock shows them. Held as UTC, so
// that a time the local clock skips that night is still a time to write.
QDateTime wallClock(QDate date, QTime time) { return QDateTime(date, time, Qt::UTC); }
QString local(const QDateTime& t) { return t.toString(QStringLiteral("yyyyMMdd'T'HHmmss")); }

QString escaped(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char(';'), QStringLiteral("\\;"));
    text.replace(QLatin1Char(','), QStringLiteral("\\,"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    // No other control character may stand in a calendar's text (a tab may).
    text.removeIf([](QChar c) {
        return (c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7f;
    });
    return text;
}

// Content lines end in CRLF and are folded after 75 octets, never inside a
// UTF-8 sequence.
void appendLine(QByteArray& out, const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    qsizetype start = 0;
    int limit = 75;
    while (bytes.size() - start > limit) {
        qsizetype cut = start + limit;
        while ((uchar(bytes.at(cut)) & 0xC0) == 0x80)
            --cut;
        out += bytes.mid(start, cut - start) + "\r\n ";
        start = cut;
        limit = 74; // the leading space counts
    }
    out += bytes.mid(start) + "\r\n";
}

// The first day on or after `from` whose day of the month is `day`.
QDate nextMonthDay(QDate from, int day)
{
    QDate month(from.year(), from.month(), 1);
    for (int i = 0; i < 48; ++i, month = month.addMonths(1)) {
        const QDate candidate(month.year(), month.month(), day);
        if (candidate.isValid() && candidate >= from)
            return candidate;
    }
    return from;
}

QString summary(const TaskDraft& d)
{
    if (d.kind == int(TaskType::Forbidden))
        return QStringLiteral("Not allow to use computer");
    QString text = actionName(d.action);
    const QString description = storedDescription(d.description);
    if (actionUsesText(d.action) && !description.isEmpty())
        text += QStringLiteral(": ") + description;
    return text;
}
} // namespace

QByteArray calendarSource(const QString& databasePath)
{
    QByteArray machine = QSysInfo::machineUniqueId();
    if (machine.isEmpty()) // no machine id: the host's name is the next best
        machine = QSysInfo::machineHostName().toUtf8();
    const QByteArray both = machine + '\n' + QFileInfo(databasePath).absoluteFilePath().toUtf8();
    return QCryptographicHash::hash(both, QCryptographicHash::Sha256).toHex().left(16);
}

QByteArray calendarText(const QList<TaskRow>& rows, const QDateTime& now, const QByteArray& source)
{
    QByteArray out;
    appendLine(out, QStringLiteral("BEGIN:VCALENDAR"));
    appendLine(out, QStringLiteral("VERSION:2.0"));
    appendLine(out, QStringLiteral("PRODID:-//zelkor.example.org//Zelkor//EN"));
    appendLine(out, QStringLiteral("CALSCALE:GREGORIAN"));
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QDate today = now.date();
    for (const TaskRow& row : rows) {
        const std::optional<TaskDraft> described = describedDraft(row);
        if (!described)
            continue;
        const TaskDraft& d = *described;
        QDateTime start;
        QDateTime end;
        QString rule;
        switch (TaskType(d.kind)) {
        case TaskType::Forbidden:
            start = wallClock(today, d.periodStart);
            end = wallClock(d.periodEnd > d.periodStart ? today : today.addDays(1), d.periodEnd);
            rule = QStringLiteral("FREQ=DAILY");
            break;
        case TaskType::Once:
            start = wallClock(d.onceDate, d.time);
            break;
        case TaskType::Daily:
            start = wallClock(today, d.time);
            rule = QStringLiteral("FREQ=DAILY");
            break;
        case TaskType::Monthly:
            start = wallClock(nextMonthDay(today, d.monthDay.day()), d.time);
            rule = QStringLiteral("FREQ=MONTHLY;BYMONTHDAY=%1").arg(d.monthDay.day());
            break;
        case TaskType::Weekly: {
            QStringList days;
            QDate first;
            for (int i = 0; i < 7; ++i) {
                if (d.days[size_t(i)])
                    days << QLatin1String(kByDay[i]);
                const QDate day = today.addDays(i);
                if (!first.isValid() && d.days[size_t(day.dayOfWeek() % 7)])
                    first = day;
            }
            if (days.isEmpty())
                continue; // a week without days never comes
            start = wallClock(first, d.time);
            rule = QStringLiteral("FREQ=WEEKLY;BYDAY=") + days.join(QLatin1Char(','));
            break;
        }
        }
        if (!start.isValid())
            continue;
        appendLine(out, QStringLiteral("BEGIN:VEVENT"));
        appendLine(out, QStringLiteral("UID:task-%1-%2@zelkor.example.org")
                                  .arg(row.idValue().value_or(0))
                                  .arg(QString::fromLatin1(source)));
        appendLine(out, QStringLiteral("DTSTAMP:") + stamp);
        appendLine(out, QStringLiteral("DTSTART:") + local(start));
        if (end.isValid())
            appendLine(out, QStringLiteral("DTEND:") + local(end));
        if (!rule.isEmpty())
            appendLine(out, QStringLiteral("RRULE:") + rule);
        appendLine(out, QStringLiteral("SUMMARY:") + escaped(summary(d)));
        appendLine(out, QStringLiteral("END:VEVENT"));
    }
    appendLine(out, QStringLiteral("END:VCALENDAR"));
    return out;
}

} // namespace zelkor
