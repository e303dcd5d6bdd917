#include "tasks/TaskRow.h"

#include <cmath>
#include <limits>

namespace zelkor {

namespace {
// What kind of number a field holds, asked once per reading: a pass over a
// large table reads millions of fields.
enum class Number { None, Whole, Other };

Number numberKind(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return v.isNull() ? Number::None : Number::Whole;
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return v.isNull() ? Number::None : Number::Other;
    default:
        return Number::None;
    }
}
} // namespace

std::optional<qint64> TaskRow::integer(const QVariant& v)
{
    switch (numberKind(v)) {
    case Number::Whole:
        // Whole numbers as they are: a double would round ids beyond 2^53.
        return v.toLongLong();
    case Number::Other: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) > 9.0e15)
            return std::nullopt;
        return static_cast<qint64>(std::llround(d));
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> TaskRow::dayNumber(const QVariant& v)
{
    if (numberKind(v) == Number::None)
        return std::nullopt;
    const double d = v.toDouble();
    // Beyond the year 9999 no date can be formed from it.
    if (!std::isfinite(d) || std::fabs(d) > 2958465.0)
        return std::nullopt;
    return d;
}

int TaskRow::actionCode() const
{
    const auto value = actionValue();
    if (!value || *value < std::numeric_limits<qint16>::min() ||
        *value > std::numeric_limits<qint16>::max())
        return 0;
    return int(*value);
}

bool TaskRow::flag(const QVariant& v)
{
    const auto value = integer(v);
    return value && *value != 0;
}

} // namespace zelkor
