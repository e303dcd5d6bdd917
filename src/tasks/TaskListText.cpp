#include "tasks/TaskListText.h"

#include "common/ActionKind.h"
#include "common/DateText.h"
#include "common/DayNumber.h"

#include <array>

namespace zelkor::tasklist {

namespace {
constexpr std::array<int, kColumnCount> kWidths{500, 1800, 800, 4200, 0};

const std::array<QString, kColumnCount>& headers()
{
    static const std::array<QString, kColumnCount> texts{
        QStringLiteral("State"), QStringLiteral("Start Time"), QStringLiteral("End Time"),
        QStringLiteral("Description"), QStringLiteral("id")};
    return texts;
}

const std::array<QString, 5>& kindNames()
{
    static const std::array<QString, 5> names{
        QStringLiteral("Not allow to use computer"), QStringLiteral("Once"), QStringLiteral("Daily"),
        QStringLiteral("Monthly"), QStringLiteral("Weekly")};
    return names;
}

constexpr int kLastListedAction = int(ActionKind::EventsRemind);

bool isForbidden(const TaskRow& row) { return row.typeValue() == qint64(TaskType::Forbidden); }
bool isOnce(const TaskRow& row) { return row.typeValue() == qint64(TaskType::Once); }

// A Once task is over when its moment is not at least one second ahead.
// A moment that cannot be read never comes, so it counts as over too; a
// missing one is shown as still pending, as the list always did.
bool onceIsOver(const TaskRow& row, double now)
{
    if (row.starttime.isNull())
        return false;
    const auto start = row.startValue();
    if (!start)
        return true;
    return daynum::secondsBetween(now, *start) <= 0;
}
} // namespace

QString headerText(int column)
{
    return column >= 0 && column < kColumnCount ? headers()[size_t(column)] : QString();
}

int columnWidthTwips(int column) { return column >= 0 && column < kColumnCount ? kWidths[size_t(column)] : 0; }

bool centredColumn(int column) { return column >= ColState && column <= ColEnd; }

std::optional<quint32> cellColourBgr(int column)
{
    switch (column) {
    case ColState:
    case ColEnd:
        return 0xFFF0F0u; // pale blue
    case ColStart:
    case ColDescription:
        return 0xF0FFF0u; // pale green
    default:
        return std::nullopt;
    }
}

std::optional<QString> kindName(const QVariant& type)
{
    const auto code = TaskRow::integer(type);
    if (!code || *code < 0 || *code >= qint64(kindNames().size()))
        return std::nullopt;
    return kindNames()[size_t(*code)];
}

std::optional<QString> listActionName(const QVariant& action)
{
    const auto code = TaskRow::integer(action);
    if (!code || *code < 0 || *code > kLastListedAction)
        return std::nullopt;
    return actionName(int(*code)); // code 0 has the empty name
}

QString descriptionText(const TaskRow& row)
{
    const auto action = listActionName(row.action);
    const auto kind = kindName(row.type);
    if (!action || !kind)
        return {};
    const QString head = *action + QStringLiteral(" -- ") + *kind;
    switch (TaskType(*row.typeValue())) {
    case TaskType::Monthly: {
        const auto day = row.dayValue();
        const QString dayText = day ? QString::number(daynum::datePart(*day).day()) : QString();
        return (head + QStringLiteral(" -- ") + dayText).trimmed();
    }
    case TaskType::Weekly: {
        QString days = QStringLiteral(" -- ");
        for (int w = 1; w <= 7; ++w)
            if (row.weekdayFlag(w))
                days += datetext::weekdayShort(w) + QLatin1Char(' ');
        return head + QLatin1Char(' ') + days.trimmed();
    }
    default:
        return head;
    }
}

QString dateTimeText(const QVariant& value)
{
    if (value.isNull())
        return {};
    if (const auto day = TaskRow::dayNumber(value))
        return datetext::general(*day);
    return value.toString();
}

QString startText(const TaskRow& row) { return dateTimeText(row.starttime); }

QString endText(const TaskRow& row) { return isForbidden(row) ? dateTimeText(row.stoptime) : QString(); }

StateMarks::StateMarks(const QDateTime& now) : m_now(daynum::fromDateTime(now)) {}

bool StateMarks::next(const TaskRow& row)
{
    if (isForbidden(row)) {
        const bool inForce = !m_periodSeen;
        m_periodSeen = true;
        return inForce;
    }
    return !(isOnce(row) && onceIsOver(row, m_now));
}

QString cellText(const TaskRow& row, bool active, int column)
{
    switch (column) {
    case ColState:
        return active ? kMarkActive : kMarkInactive;
    case ColStart:
        return startText(row);
    case ColEnd:
        return endText(row);
    case ColDescription:
        return descriptionText(row);
    case ColId: {
        const auto id = row.idValue();
        return id ? QString::number(*id) : row.id.toString();
    }
    default:
        return {};
    }
}

QList<Line> buildLines(const QList<TaskRow>& rows, const QDateTime& now)
{
    QList<Line> lines;
    lines.reserve(rows.size());
    StateMarks marks(now);
    for (const TaskRow& row : rows) {
        const bool active = marks.next(row);
        Line line;
        line.state = cellText(row, active, ColState);
        line.start = cellText(row, active, ColStart);
        line.end = cellText(row, active, ColEnd);
        line.description = cellText(row, active, ColDescription);
        line.idText = cellText(row, active, ColId);
        line.id = row.idValue();
        lines.append(std::move(line));
    }
    return lines;
}

} // namespace zelkor::tasklist
