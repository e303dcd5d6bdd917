#include "tasks/TaskFile.h"

#include "common/ActionKind.h"
#include "common/DayNumber.h"
#include "tasks/TaskStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSet>

namespace zelkor::taskfile {

namespace {
const QStringList kSchedules{QStringLiteral("forbidden"), QStringLiteral("once"), QStringLiteral("daily"),
                             QStringLiteral("monthly"), QStringLiteral("weekly")}; // by `type` code
const QStringList kDays{QStringLiteral("sun"), QStringLiteral("mon"), QStringLiteral("tue"),
                        QStringLiteral("wed"), QStringLiteral("thu"), QStringLiteral("fri"),
                        QStringLiteral("sat")};
const QString kTimeFormat = QStringLiteral("HH:mm:ss");
const QString kMomentFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// The fields each schedule may carry besides the common ones.
QStringList scheduleFields(int kind)
{
    switch (TaskType(kind)) {
    case TaskType::Forbidden:
        return {QStringLiteral("from"), QStringLiteral("until")};
    case TaskType::Once:
        return {QStringLiteral("at")};
    case TaskType::Daily:
        return {QStringLiteral("time")};
    case TaskType::Monthly:
        return {QStringLiteral("time"), QStringLiteral("day")};
    case TaskType::Weekly:
        return {QStringLiteral("time"), QStringLiteral("days")};
    }
    return {};
}

// A value as the file writes it: a text in its quotes, so that "15" is not
// mistaken for the number it reads like.
QString asWritten(const QJsonValue& value)
{
    const QByteArray list = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(list.mid(1, list.size() - 2));
}

std::optional<QTime> timeOf(const QJsonValue& value)
{
    const QString text = value.toString();
    for (const QString& format : {QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")})
        if (const QTime t = QTime::fromString(text, format); t.isValid())
            return t;
    return std::nullopt;
}

std::optional<QString> required(const QJsonObject& task, const QString& name)
{
    if (!task.contains(name))
        return QStringLiteral("the field \"%1\" is missing").arg(name);
    return std::nullopt;
}

std::optional<QString> readSchedule(const QJsonObject& task, TaskDraft& d)
{
    const QStringList names = scheduleFields(d.kind);
    for (const QString& name : names)
        if (auto missing = required(task, name))
            return missing;
    const auto badTime = [](const QString& name) {
        return QStringLiteral("\"%1\" must be a time of day like \"08:30\"").arg(name);
    };
    switch (TaskType(d.kind)) {
    case TaskType::Forbidden: {
        const auto from = timeOf(task.value(QStringLiteral("from")));
        const auto until = timeOf(task.value(QStringLiteral("until")));
        if (!from)
            return badTime(QStringLiteral("from"));
        if (!until)
            return badTime(QStringLiteral("until"));
        d.periodStart = *from;
        d.periodEnd = *until;
        return std::nullopt;
    }
    case TaskType::Once: {
        // Stored is the wall clock's date and time, as the task dialog stores it.
        const QString text = task.value(QStringLiteral("at")).toString();
        const QStringList parts = text.split(QLatin1Char('T'));
        const QDate date = QDate::fromString(parts.value(0), Qt::ISODate);
        const QTime time = QTime::fromString(parts.value(1), Qt::ISODate);
        if (parts.size() == 2 && date.isValid() && time.isValid()) {
            // No offset: the wall clock's, read as the dialog reads it (a skipped time too).
            // 24:00 ends the day: it reads as 00:00, which is the next day's.
            d.onceDate = parts.at(1).startsWith(QLatin1String("24")) ? date.addDays(1) : date;
            d.time = time;
            return std::nullopt;
        }
        const QDateTime at = QDateTime::fromString(text, Qt::ISODate);
        if (!at.isValid())
            return QStringLiteral("\"at\" must be a date and time like \"2027-01-31T08:30:00\"");
        const QDateTime local = at.toLocalTime();
        if (daynum::join(local.date(), local.time()) != at)
            return QStringLiteral("\"at\" is the second time the clock shows %1 that night: "
                                  "stored as a date and time, the task would run at the first, "
                                  "an hour early")
                .arg(local.time().toString(kTimeFormat));
        d.onceDate = local.date();
        d.time = local.time();
        return std::nullopt;
    }
    default:
        break;
    }
    const auto time = timeOf(task.value(QStringLiteral("time")));
    if (!time)
        return badTime(QStringLiteral("time"));
    d.time = *time;
    if (d.kind == int(TaskType::Monthly)) {
        const QJsonValue day = task.value(QStringLiteral("day"));
        const int n = day.toInt(0);
        if (!day.isDouble() || day.toDouble() != n || n < 1 || n > 31)
            return QStringLiteral("\"day\" must be a day of the month from 1 to 31, not %1")
                .arg(asWritten(day));
        d.monthDay = QDate(2009, 10, n); // a month of 31 days; only the day counts
    } else if (d.kind == int(TaskType::Weekly)) {
        const QJsonValue days = task.value(QStringLiteral("days"));
        if (!days.isArray())
            return QStringLiteral("\"days\" must be a list like [\"mon\", \"fri\"]");
        d.days.fill(false);
        for (const QJsonValue& day : days.toArray()) {
            const QString name = day.toString().toLower();
            const qsizetype w = kDays.indexOf(name.left(3));
            // "mon" or "monday", nothing else that starts alike
            if (w < 0 ||
                (name.size() != 3 && name != QLocale::c().dayName(w ? int(w) : 7).toLower()))
                return QStringLiteral("\"%1\" is no day of the week (sun, mon, tue, wed, thu, fri, sat)")
                    .arg(day.toString());
            d.days[size_t(w)] = true;
        }
    }
    return std::nullopt;
}

// What the JSON reader does not say: where each task object of the "tasks"
// list starts, so that messages can name its line, and a field given twice
// in one object, which the reader would take the last of without a word.
struct TextLayout {
    QList<qsizetype> taskStarts;
    QList<int> taskLines; // the line of each start
    QByteArray repeatedField; // the first, with its quotes; empty when none
    qsizetype repeatedAt = 0;
    qsizetype repeatedTask = 0; // counted from 1; 0 for the file's own fields
};

TextLayout layoutOf(const QByteArray& text)
{
    TextLayout layout;
    struct Container {
        bool object = false;
        QSet<QByteArray> fields;
        bool awaitsElement = false; // a list, after its opening or a comma
    };
    QList<Container> open;
    int line = 1; // the text was read as JSON already: no line break is inside a string
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        // Every element of the list starts a task, an object or not, so that
        // the tasks after one that is not keep their lines.
        if (open.size() == 2 && open.last().awaitsElement && !QChar::isSpace(uchar(c)) && c != ']') {
            layout.taskStarts.append(i);
            layout.taskLines.append(line);
            open.last().awaitsElement = false;
        }
        if (c == '\n') {
            ++line;
        } else if (c == '"') {
            const qsizetype start = i;
            for (++i; i < text.size() && text.at(i) != '"'; ++i)
                if (text.at(i) == '\\')
                    ++i;
            qsizetype next = i + 1;
            while (next < text.size() && QChar::isSpace(uchar(text.at(next))))
                ++next;
            const bool isField = next < text.size() && text.at(next) == ':' &&
                                 !open.isEmpty() && open.last().object;
            if (isField && layout.repeatedField.isEmpty()) {
                const QByteArray field = text.mid(start, i - start + 1);
                if (open.last().fields.contains(field)) {
                    layout.repeatedField = field;
                    layout.repeatedAt = start;
                    layout.repeatedTask = open.size() == 3 ? layout.taskStarts.size() : 0;
                }
                open.last().fields.insert(field);
            }
        } else if (c == '{' || c == '[') {
            open.append(Container{c == '{', {}, c == '['});
        } else if (c == ',' && !open.isEmpty() && !open.last().object) {
            open.last().awaitsElement = true;
        } else if ((c == '}' || c == ']') && !open.isEmpty()) {
            open.removeLast();
        }
    }
    return layout;
}

int lineAt(const QByteArray& text, qsizetype offset)
{
    return int(text.left(offset).count('\n')) + 1;
}
} // namespace

QByteArray repeatedField(const QByteArray& text) { return layoutOf(text).repeatedField; }

QJsonObject toJson(const TaskDraft& d, std::optional<qint64> id)
{
    QJsonObject task;
    if (id)
        task.insert(QStringLiteral("id"), *id);
    task.insert(QStringLiteral("schedule"), kSchedules.value(d.kind));
    switch (TaskType(d.kind)) {
    case TaskType::Forbidden:
        task.insert(QStringLiteral("from"), d.periodStart.toString(kTimeFormat));
        task.insert(QStringLiteral("until"), d.periodEnd.toString(kTimeFormat));
        break;
    case TaskType::Once:
        task.insert(QStringLiteral("at"), onceMoment(d).toString(kMomentFormat));
        break;
    case TaskType::Monthly:
        task.insert(QStringLiteral("day"), d.monthDay.day());
        [[fallthrough]];
    case TaskType::Daily:
        task.insert(QStringLiteral("time"), d.time.toString(kTimeFormat));
        break;
    case TaskType::Weekly: {
        QJsonArray days;
        for (int w = 0; w < 7; ++w)
            if (d.days[size_t(w)])
                days.append(kDays.at(w));
        task.insert(QStringLiteral("days"), days);
        task.insert(QStringLiteral("time"), d.time.toString(kTimeFormat));
        break;
    }
    }
    task.insert(QStringLiteral("action"), actionKey(d.action));
    if (actionUsesText(d.action))
        task.insert(d.targetMode == 1 ? QStringLiteral("message") : QStringLiteral("target"),
                    storedDescription(d.description));
    return task;
}

std::optional<TaskDraft> fromJson(const QJsonObject& task, QString* why)
{
    const auto refuse = [why](const QString& reason) {
        *why = reason;
        return std::optional<TaskDraft>();
    };
    TaskDraft d;
    d.kind = int(kSchedules.indexOf(task.value(QStringLiteral("schedule")).toString()));
    if (!task.contains(QStringLiteral("schedule")) || d.kind < 0)
        return refuse(QStringLiteral("\"schedule\" must be one of %1").arg(kSchedules.join(QStringLiteral(", "))));
    d.action = actionCode(task.value(QStringLiteral("action")).toString());
    if (!isTaskAction(d.action))
        return refuse(QStringLiteral("\"action\" must be one of %1")
                          .arg(actionKeys().mid(0, int(ActionKind::EventsRemind)).join(QStringLiteral(", "))));
    // A forbidden period ends the use of the computer; the window offers these two only.
    if (d.kind == int(TaskType::Forbidden) && d.action != int(ActionKind::ShutDown) &&
        d.action != int(ActionKind::Hibernate))
        return refuse(
            QStringLiteral("the \"action\" of a forbidden period is %1 or %2")
                .arg(actionKey(int(ActionKind::ShutDown)), actionKey(int(ActionKind::Hibernate))));
    QSet<QString> allowed{QStringLiteral("id"), QStringLiteral("schedule"), QStringLiteral("action")};
    for (const QString& name : scheduleFields(d.kind))
        allowed.insert(name);
    if (actionUsesText(d.action)) {
        allowed << QStringLiteral("target") << QStringLiteral("message");
        if (task.contains(QStringLiteral("target")) && task.contains(QStringLiteral("message")))
            return refuse(QStringLiteral("a task has either \"target\" or \"message\", not both"));
        d.targetMode = task.contains(QStringLiteral("message")) ? 1 : 0;
        const QString field =
            d.targetMode == 1 ? QStringLiteral("message") : QStringLiteral("target");
        const QJsonValue text = task.value(field);
        if (!text.isUndefined() && !text.isString())
            return refuse(QStringLiteral("\"%1\" must be a text in quotes").arg(field));
        d.description = text.toString();
    }
    for (auto it = task.constBegin(); it != task.constEnd(); ++it)
        if (!allowed.contains(it.key()))
            return refuse(QStringLiteral("unknown field \"%1\" for a %2 task with action %3")
                              .arg(it.key(), kSchedules.at(d.kind), actionKey(d.action)));
    if (const auto problem = readSchedule(task, d))
        return refuse(*problem);
    return d;
}

QByteArray exportText(const QList<TaskRow>& rows)
{
    QJsonArray tasks;
    for (const TaskRow& row : rows) {
        if (const std::optional<TaskDraft> d = describedDraft(row))
            tasks.append(toJson(*d, row.idValue()));
    }
    const QJsonObject file{{QStringLiteral("version"), kVersion}, {QStringLiteral("tasks"), tasks}};
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

Parsed parse(const QByteArray& text)
{
    Parsed result;
    const QString noTaskFile =
        QStringLiteral("line 1: a task file is an object with \"version\": %1 and a \"tasks\" list").arg(kVersion);
    // What a wrong file looks like at once (nothing, a calendar, a text) is
    // named as such, not by the JSON reader's first complaint.
    QByteArray body = text.trimmed();
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.mid(3).trimmed();
    if (body.isEmpty()) {
        result.error = QStringLiteral("the file is empty");
        return result;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        result.error = !body.startsWith('{') ? noTaskFile
                                             : QStringLiteral("line %1: %2").arg(lineAt(text, error.offset)).arg(error.errorString());
        return result;
    }
    const QJsonObject file = doc.object();
    if (!doc.isObject() || file.value(QStringLiteral("version")).toInt(-1) != kVersion ||
        !file.value(QStringLiteral("tasks")).isArray()) {
        result.error = noTaskFile;
        return result;
    }
    for (auto it = file.constBegin(); it != file.constEnd(); ++it)
        if (it.key() != QLatin1String("version") && it.key() != QLatin1String("tasks")) {
            result.error = QStringLiteral("line %1: unknown field \"%2\"")
                               .arg(lineAt(text, text.indexOf('"' + it.key().toUtf8() + '"')))
                               .arg(it.key());
            return result;
        }
    const QJsonArray tasks = file.value(QStringLiteral("tasks")).toArray();
    const TextLayout layout = layoutOf(text);
    const QList<qsizetype>& offsets = layout.taskStarts;
    if (!layout.repeatedField.isEmpty()) {
        const QString where = layout.repeatedTask > 0
                                  ? QStringLiteral("task %1: ").arg(layout.repeatedTask)
                                  : QString();
        result.error = QStringLiteral("line %1: %2the field %3 is given twice")
                           .arg(lineAt(text, layout.repeatedAt))
                           .arg(where, QString::fromUtf8(layout.repeatedField));
        return result;
    }
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        const qsizetype start = offsets.value(i, 0);
        QString why;
        std::optional<TaskDraft> d;
        if (!tasks.at(i).isObject())
            why = QStringLiteral("a task must be an object");
        else
            d = fromJson(tasks.at(i).toObject(), &why);
        if (!d) {
            // The line of the field the reason names, else of the task itself.
            qsizetype at = start;
            if (const qsizetype quote = why.indexOf(QLatin1Char('"')); quote >= 0) {
                const QByteArray field = why.mid(quote, why.indexOf(QLatin1Char('"'), quote + 1) - quote + 1).toUtf8();
                const qsizetype found = text.indexOf(field, start);
                if (found >= 0 && (i + 1 >= offsets.size() || found < offsets.at(i + 1)))
                    at = found;
            }
            result.error = QStringLiteral("line %1: task %2: %3").arg(lineAt(text, at)).arg(i + 1).arg(why);
            result.drafts.clear();
            return result;
        }
        result.drafts.append(*d);
        result.lines.append(layout.taskLines.value(i, 1));
    }
    return result;
}

Outcome importDrafts(TaskStore& store, const Parsed& parsed, const QDateTime& now,
                     bool* taskRefused)
{
    const QList<TaskDraft>& drafts = parsed.drafts;
    for (qsizetype i = 0; i < drafts.size(); ++i) {
        if (const auto refusal = hasPassed(drafts.at(i), now) ? std::nullopt : refusalOf(drafts.at(i), now)) {
            if (taskRefused)
                *taskRefused = true;
            const QString line = i < parsed.lines.size()
                                     ? QStringLiteral("line %1: ").arg(parsed.lines.at(i))
                                     : QString();
            return Outcome::failure(
                QStringLiteral("%1task %2: %3").arg(line).arg(i + 1).arg(*refusal));
        }
    }
    if (const Outcome begun = store.beginTransaction(); !begun.ok)
        return begun;
    for (qsizetype i = 0; i < drafts.size(); ++i) {
        if (const Outcome stored = storeDraft(store, drafts.at(i), std::nullopt); !stored.ok) {
            store.rollbackTransaction();
            return Outcome::failure(QStringLiteral("task %1: %2").arg(i + 1).arg(stored.error));
        }
    }
    if (const Outcome committed = store.commitTransaction(); !committed.ok) {
        store.rollbackTransaction();
        return committed;
    }
    return Outcome::success();
}

} // namespace zelkor::taskfile
