#include "tasks/TaskRow.h"

#include <cmath>
#include <limits>

namespace zelkor {

namespace {
// A field as a number, asked once per reading: a pass over a large table reads
// millions of fields. The two kinds the database gives are read in place;
// every other kind of number goes through the variant's own conversion.
struct Number {
    enum Kind { None, Whole, Real } kind = None;
    qint64 whole = 0;
    double real = 0.0;
};

Number numberOf(const QVariant& v)
{
    // The database's two kinds first, looked at without a call into QtCore.
    const QVariant::Private& d = v.data_ptr();
    if (d.is_null)
        return {};
    if (d.typeInterface() == QMetaType::fromType<qint64>().iface())
        return {Number::Whole, d.get<qint64>(), 0.0};
    if (d.typeInterface() == QMetaType::fromType<double>().iface())
        return {Number::Real, 0, d.get<double>()};
    // Every other kind of number through the variant's own conversion.
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
        return {Number::Whole, v.toLongLong(), 0.0};
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Bool:
        return {Number::Real, 0, v.toDouble()};
    default:
        return {};
    }
}
} // namespace

std::optional<qint64> TaskRow::integer(const QVariant& v)
{
    const Number n = numberOf(v);
    switch (n.kind) {
    case Number::Whole:
        // Whole numbers as they are: a double would round ids beyond 2^53.
        return n.whole;
    case Number::Real:
        if (!std::isfinite(n.real) || std::fabs(n.real) > 9.0e15)
            return std::nullopt;
        return static_cast<qint64>(std::llround(n.real));
    default:
        return std::nullopt;
    }
}

std::optional<double> TaskRow::dayNumber(const QVariant& v)
{
    const Number n = numberOf(v);
    if (n.kind == Number::None)
        return std::nullopt;
    const double d = n.kind == Number::Whole ? double(n.whole) : n.real;
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
