#include "common/DurationText.h"

#include "common/DayNumber.h"

#include <QRegularExpression>

namespace zelkor::durationtext {

namespace {
// The showing of a date and time on the clock that is still to come: the
// second of a time shown twice once the first has passed; the first when
// none is to come.
QDateTime showingAfter(const QDateTime& now, QDate date, QTime time)
{
    if (const qint64 ahead = daynum::realSecondsUntil(now, date, time); ahead > 0)
        return QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + ahead);
    return daynum::join(date, time);
}

// The invisible direction marks some locales put into their forms: nobody types them.
QString withoutMarks(QString text)
{
    for (const char16_t mark : {u'\u200e', u'\u200f', u'\u061c'})
        text.remove(QChar(mark));
    return text;
}

// A locale's form as people type it: day, month and hour in one digit or
// two, the year in four digits where the form has two.
QString asTyped(const QString& form)
{
    QString typed;
    for (qsizetype i = 0; i < form.size();) {
        qsizetype end = i;
        while (end < form.size() && form.at(end) == form.at(i))
            ++end;
        const QChar letter = form.at(i);
        if (end - i == 2 && QStringView(u"dMHh").contains(letter))
            typed += letter;
        else if (end - i == 2 && letter == u'y')
            typed += QStringLiteral("yyyy");
        else
            typed += form.mid(i, end - i);
        i = end;
    }
    return typed;
}

// The forms a moment may be written in: the locale's short and long ones,
// each also as typed; also the time on the 24-hour clock, which people use
// in 12-hour locales too.
QStringList momentForms(const QLocale& locale, bool withDate)
{
    QStringList forms;
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QString form = withoutMarks(withDate ? locale.dateTimeFormat(type) : locale.timeFormat(type));
        forms << form << asTyped(form);
    }
    const QString date = withoutMarks(locale.dateFormat(QLocale::ShortFormat));
    for (const QString& clock : {QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")}) {
        if (withDate)
            forms << date + QLatin1Char(' ') + clock << asTyped(date) + QLatin1Char(' ') + clock;
        else
            forms << clock;
    }
    forms.removeDuplicates();
    return forms;
}

// The duration `text` writes, however long; nothing when it writes none.
std::optional<qint64> writtenSeconds(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t.isEmpty())
        return std::nullopt;
    bool isNumber = false;
    if (const qint64 plain = t.toLongLong(&isNumber); isNumber)
        return plain >= 0 ? std::optional<qint64>(plain) : std::nullopt;
    static const QRegularExpression whole(
        QStringLiteral("^(?:(\\d+)\\s*h)?\\s*(?:(\\d+)\\s*m)?\\s*(?:(\\d+)\\s*s)?$"));
    const QRegularExpressionMatch m = whole.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    qint64 seconds = 0;
    const qint64 units[] = {3600, 60, 1};
    for (int i = 0; i < 3; ++i) {
        const QString part = m.captured(i + 1);
        if (part.size() > 12) // far beyond the longest; the sum stays within range
            return kLongestSeconds + 1;
        seconds += part.toLongLong() * units[i];
    }
    return seconds;
}
} // namespace

std::optional<qint64> parseDuration(const QString& text)
{
    const std::optional<qint64> seconds = writtenSeconds(text);
    return seconds && *seconds <= kLongestSeconds ? seconds : std::nullopt;
}

QString whyNoDuration(const QString& text)
{
    const std::optional<qint64> written = writtenSeconds(text);
    if (written.value_or(0) > kLongestSeconds)
        return QStringLiteral("\"%1\" is longer than a countdown can be (%2h at most).")
            .arg(text)
            .arg(kLongestSeconds / 3600);
    if (text.trimmed().startsWith(QLatin1Char('-')))
        return QStringLiteral("A duration cannot be negative: \"%1\".").arg(text);
    // Written right, but nothing to count.
    if (written == 0)
        return QStringLiteral("A duration must be more than 0 seconds: \"%1\".").arg(text);
    return QStringLiteral("\"%1\" is no duration (like 90m, 1h30m or 45s).").arg(text);
}

QString formatDuration(qint64 seconds)
{
    if (seconds <= 0)
        return QStringLiteral("0s");
    QStringList parts;
    if (seconds >= 3600)
        parts << QStringLiteral("%1h").arg(seconds / 3600);
    if (seconds % 3600 >= 60)
        parts << QStringLiteral("%1m").arg(seconds % 3600 / 60);
    if (seconds % 60)
        parts << QStringLiteral("%1s").arg(seconds % 60);
    return parts.join(QLatin1Char(' '));
}

std::optional<QDateTime> parseMoment(const QString& text, const QDateTime& now, const QLocale& locale)
{
    // A date and time without an offset stands for the moment the clock shows
    // it (of a time shown twice, the showing still to come, as stored tasks
    // take it), not for whichever of the two the C library guesses; a time in
    // a skipped hour is read with the offset from before the change, as the
    // Timer tab reads it.
    const QString t = text.trimmed();
    if (const QDateTime at = QDateTime::fromString(t, Qt::ISODate); t.contains(QLatin1Char('-'))) {
        const QDateTime moment =
            at.timeSpec() == Qt::LocalTime ? showingAfter(now, at.date(), at.time()) : at.toLocalTime();
        if (moment.isValid())
            return moment;
    }
    const QString typed = withoutMarks(t);
    for (const QString& form : momentForms(locale, true)) {
        const QDateTime at = locale.toDateTime(typed, form);
        if (!at.date().isValid() || !at.time().isValid())
            continue;
        // Two-digit years are read as 19xx; a countdown means this century.
        const bool lastCentury = !form.contains(QLatin1String("yyyy")) && at.date().year() < now.date().year() - 50;
        return showingAfter(now, lastCentury ? at.date().addYears(100) : at.date(), at.time());
    }
    QTime time = QTime::fromString(t, Qt::ISODate);
    for (const QString& form : momentForms(locale, false))
        if (!time.isValid())
            time = locale.toTime(typed, form);
    if (!time.isValid())
        return std::nullopt;
    // Its next showing after the current second: today, or tomorrow.
    for (const QDate day : {now.date(), now.date().addDays(1)})
        if (const qint64 ahead = daynum::realSecondsUntil(now, day, time); ahead > 0)
            return QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + ahead);
    return std::nullopt;
}

QString formatMoment(const QDateTime& moment, const QLocale& locale)
{
    return withoutMarks(locale.toString(moment, QLocale::ShortFormat));
}

} // namespace zelkor::durationtext
