#include "tasks/TaskDraft.h"

#include "common/ActionKind.h"
#include "common/DayNumber.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskStore.h"

#include <algorithm>

namespace zelkor {

namespace {
constexpr int kFirstWeekdayPosition = 8;

// The columns of one save, in the order they are written.
struct Assignment {
    QString name; // empty: by position
    int position = -1;
    QVariant value;
};

QList<Assignment> assignments(const TaskDraft& d)
{
    QList<Assignment> list;
    auto byName = [&list](const char* name, const QVariant& value) {
        list.append({QString::fromLatin1(name), -1, value});
    };
    byName("state", 1);
    byName("type", d.kind);
    switch (TaskType(d.kind)) {
    case TaskType::Forbidden:
        byName("starttime", daynum::fromTime(d.periodStart));
        byName("stoptime", daynum::fromTime(d.periodEnd));
        break;
    case TaskType::Once:
        byName("starttime", daynum::fromDateTime(onceMoment(d)));
        break;
    case TaskType::Daily:
        byName("starttime", daynum::fromTime(d.time));
        break;
    case TaskType::Monthly:
        byName("day", daynum::fromDate(d.monthDay));
        byName("starttime", daynum::fromTime(d.time));
        break;
    case TaskType::Weekly:
        for (int i = 0; i < 7; ++i)
            list.append({QString(), kFirstWeekdayPosition + i, d.days[size_t(i)] ? 1 : 0});
        byName("starttime", daynum::fromTime(d.time));
        break;
    }
    byName("action", d.action);
    if (actionUsesText(d.action)) {
        byName("fujia", d.targetMode);
        byName("description", storedDescription(d.description));
    }
    return list;
}
} // namespace

std::optional<QString> refusalOf(const TaskDraft& draft, const QDateTime& now)
{
    if (draft.kind < int(TaskType::Forbidden) || draft.kind > int(TaskType::Weekly))
        return kNoKindChosen;
    if (draft.kind == int(TaskType::Once) && (!onceMoment(draft).isValid() || hasPassed(draft, now)))
        return kInvalidDateTime;
    return std::nullopt;
}

std::optional<QString> dialogRefusalOf(const TaskDraft& draft, const QDateTime& now)
{
    if (draft.kind == int(TaskType::Weekly) && std::ranges::none_of(draft.days, [](bool day) { return day; }))
        return kNoDayChosen;
    return refusalOf(draft, now);
}

bool hasPassed(const TaskDraft& draft, const QDateTime& now)
{
    const QDateTime moment = onceMoment(draft);
    return draft.kind == int(TaskType::Once) && moment.isValid() &&
           daynum::secondsBetween(daynum::fromDateTime(now), daynum::fromDateTime(moment)) <= 0;
}

bool actionUsesText(int action)
{
    return action == int(ActionKind::PowerOn) || action == int(ActionKind::EventsRemind);
}

QDateTime onceMoment(const TaskDraft& draft) { return daynum::join(draft.onceDate, draft.time); }

QString storedDescription(const QString& typed)
{
    qsizetype first = 0;
    qsizetype last = typed.size();
    while (first < last && typed.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && typed.at(last - 1) == QLatin1Char(' '))
        --last;
    return typed.mid(first, last - first);
}

TaskDraft loadedDraft(const TaskRow& row, TaskDraft base)
{
    TaskDraft d = std::move(base);
    const auto type = row.typeValue();
    if (type && *type >= int(TaskType::Forbidden) && *type <= int(TaskType::Weekly)) {
        d.kind = int(*type);
        const auto start = row.startValue();
        switch (TaskType(d.kind)) {
        case TaskType::Forbidden:
            if (start)
                d.periodStart = daynum::timePart(*start);
            if (const auto stop = row.stopValue())
                d.periodEnd = daynum::timePart(*stop);
            break;
        case TaskType::Once:
            if (start) {
                d.onceDate = daynum::datePart(*start);
                d.time = daynum::timePart(*start);
            }
            break;
        case TaskType::Monthly:
            if (const auto day = row.dayValue())
                d.monthDay = daynum::datePart(*day);
            [[fallthrough]];
        case TaskType::Daily:
            if (start)
                d.time = daynum::timePart(*start);
            break;
        case TaskType::Weekly:
            for (int w = 1; w <= 7; ++w)
                d.days[size_t(w - 1)] = row.weekdayFlag(w);
            if (start)
                d.time = daynum::timePart(*start);
            break;
        }
    }
    if (const int action = row.actionCode(); isTaskAction(action))
        d.action = action;
    if (actionUsesText(d.action)) {
        if (const auto targetMode = row.integer(row.targetMode))
            d.targetMode = int(std::clamp<qint64>(*targetMode, -1, 1));
        if (!row.description.isNull())
            d.description = row.descriptionText();
    }
    return d;
}

std::optional<TaskDraft> describedDraft(const TaskRow& row)
{
    const TaskDraft d = loadedDraft(row, TaskDraft{});
    if (d.kind < 0 || !isTaskAction(row.actionCode()))
        return std::nullopt;
    const auto dateOf = [](std::optional<double> value) {
        return value ? daynum::datePart(*value) : QDate();
    };
    bool readable = row.startValue().has_value();
    switch (TaskType(d.kind)) {
    case TaskType::Forbidden:
        readable = readable && row.stopValue();
        break;
    case TaskType::Once:
        readable = dateOf(row.startValue()).isValid();
        break;
    case TaskType::Monthly:
        readable = readable && dateOf(row.dayValue()).isValid();
        break;
    case TaskType::Daily:
    case TaskType::Weekly:
        break;
    }
    return readable ? std::optional<TaskDraft>(d) : std::nullopt;
}

Outcome storeDraft(TaskStore& ado, const TaskDraft& draft, std::optional<qint64> editId,
                   qint64* storedId)
{
    if (draft.kind < int(TaskType::Forbidden) || draft.kind > int(TaskType::Weekly))
        return Outcome::failure(kNoKindChosen);
    // A new row needs the columns only: the rows already stored stay where they are.
    ado.setRecordSource(editId ? queries::byId(*editId) : queries::kColumnsOnly);
    if (const Outcome opened = ado.refresh(); !opened.ok)
        return opened;
    if (editId) {
        if (ado.isEmpty()) {
            ado.close();
            return Outcome::failure(kTaskGone);
        }
    } else {
        ado.addNew();
    }
    for (const Assignment& a : assignments(draft)) {
        const Outcome written = a.name.isEmpty() ? ado.setField(a.position, a.value) : ado.setField(a.name, a.value);
        // A table without the launch-or-message column still keeps the task
        // and its text; the reader then takes it as "launch".
        if (!written.ok && a.name != QLatin1String("fujia")) {
            ado.close();
            return written;
        }
    }
    const Outcome stored = ado.update();
    if (stored.ok && storedId)
        *storedId = ado.field(QStringLiteral("id")).toLongLong();
    ado.close();
    return stored;
}

} // namespace zelkor
