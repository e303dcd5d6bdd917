#pragma once

#include "tasks/TaskRow.h"

#include <QList>
#include <QVariant>

#include <array>
#include <optional>
#include <vector>

namespace zelkor::tasklist {

// The rows of the task list in query order, each with its mark, kept small:
// a hundred thousand tasks take a few megabytes instead of the hundreds a
// TaskRow or a line of texts each would. Every field the list's texts are
// made from is kept as the table held it (the weekday flags as set or not),
// so a row given back reads, through TaskRow's readers, exactly as the one
// stored; the texts themselves are made only for the rows on screen.
class ListRows {
public:
    // The fields kept; the others come back Null.
    static constexpr unsigned kFields = 0x23F; // TaskReader: id, type, action, start, stop, day, weekdays

    void clear();
    void append(const TaskRow& row, bool active);
    void squeeze() { m_rows.shrink_to_fit(); }

    qsizetype size() const { return qsizetype(m_rows.size()); }
    bool isActive(qsizetype index) const { return m_rows[size_t(index)].active; }
    std::optional<qint64> id(qsizetype index) const;
    TaskRow row(qsizetype index) const;
    // The index of the first row with this id, or -1.
    qsizetype indexOf(qint64 id) const;

private:
    enum Kind : quint8 { Null = 0, Whole = 1, Real = 2, Other = 3 }; // Other: kept in m_others
    static constexpr int kValues = 6; // id, type, action, starttime, stoptime, day

    struct Packed {
        std::array<quint64, kValues> bits{}; // a whole number, a real number, or an index into m_others
        quint16 kinds = 0;                   // two bits per value
        quint8 weekdays = 0;                 // bit w-1: the flag of weekday w is set
        bool active = false;
    };

    void pack(Packed& packed, int slot, const QVariant& value);
    QVariant unpack(const Packed& packed, int slot) const;

    std::vector<Packed> m_rows;
    QList<QVariant> m_others; // values that are neither Null nor a plain number
};

} // namespace zelkor::tasklist
