#include "tasks/TaskListRows.h"

#include "tasks/TaskReader.h"

#include <cstring>

namespace zelkor::tasklist {

static_assert(ListRows::kFields == (TaskReader::Id | TaskReader::Type | TaskReader::Action | TaskReader::StartTime |
                                    TaskReader::StopTime | TaskReader::Day | TaskReader::Weekdays));

void ListRows::clear()
{
    m_rows.clear();
    m_others.clear();
}

void ListRows::pack(Packed& packed, int slot, const QVariant& value)
{
    Kind kind = Other;
    quint64 bits = 0;
    const int type = value.typeId();
    if (value.isNull()) {
        kind = Null;
    } else if (type == QMetaType::LongLong || type == QMetaType::Int) {
        kind = Whole;
        bits = quint64(value.toLongLong());
    } else if (type == QMetaType::Double) {
        kind = Real;
        const double d = value.toDouble();
        std::memcpy(&bits, &d, sizeof d);
    } else {
        bits = quint64(m_others.size());
        m_others.append(value);
    }
    packed.bits[size_t(slot)] = bits;
    packed.kinds = quint16(packed.kinds | (kind << (2 * slot)));
}

QVariant ListRows::unpack(const Packed& packed, int slot) const
{
    const quint64 bits = packed.bits[size_t(slot)];
    switch (Kind((packed.kinds >> (2 * slot)) & 3)) {
    case Whole:
        return QVariant(qint64(bits));
    case Real: {
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return QVariant(d);
    }
    case Other:
        return m_others.at(qsizetype(bits));
    default:
        return {};
    }
}

void ListRows::append(const TaskRow& row, bool active)
{
    Packed packed;
    const std::array<const QVariant*, kValues> values{&row.id,        &row.type,     &row.action,
                                                      &row.starttime, &row.stoptime, &row.day};
    for (int slot = 0; slot < kValues; ++slot)
        pack(packed, slot, *values[size_t(slot)]);
    // The list reads the flags only as set or not.
    for (int w = 1; w <= 7; ++w)
        if (row.weekdayFlag(w))
            packed.weekdays = quint8(packed.weekdays | (1u << (w - 1)));
    packed.active = active;
    m_rows.push_back(packed);
}

TaskRow ListRows::row(qsizetype index) const
{
    const Packed& packed = m_rows[size_t(index)];
    TaskRow row;
    row.id = unpack(packed, 0);
    row.type = unpack(packed, 1);
    row.action = unpack(packed, 2);
    row.starttime = unpack(packed, 3);
    row.stoptime = unpack(packed, 4);
    row.day = unpack(packed, 5);
    for (int w = 1; w <= 7; ++w)
        row.weekday[size_t(w - 1)] = QVariant(qint64((packed.weekdays >> (w - 1)) & 1u));
    return row;
}

std::optional<qint64> ListRows::id(qsizetype index) const
{
    return TaskRow::integer(unpack(m_rows[size_t(index)], 0));
}

qsizetype ListRows::indexOf(qint64 id) const
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Packed& packed = m_rows[i];
        // The common case without making a value: a whole number in place.
        const Kind kind = Kind(packed.kinds & 3);
        if (kind == Whole ? qint64(packed.bits[0]) == id : kind != Null && this->id(qsizetype(i)) == id)
            return qsizetype(i);
    }
    return -1;
}

} // namespace zelkor::tasklist
