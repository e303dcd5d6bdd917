#pragma once

#include <QVariant>

#include <array>
#include <optional>

namespace zelkor {

// Schedule kinds, the stored `type`.
enum class TaskType { Forbidden = 0, Once = 1, Daily = 2, Monthly = 3, Weekly = 4 };

// One stored task as read, every field as it came (Null, a number, or text
// where someone wrote text), so that readers decide what they can use.
struct TaskRow {
    QVariant id;
    QVariant type;
    QVariant action;
    QVariant starttime;
    QVariant stoptime;
    QVariant day;
    QVariant targetMode;
    QVariant description;
    QVariant state;
    std::array<QVariant, 7> weekday; // positions 8..14: Sunday..Saturday

    // Reading helpers: nothing when the field is Null or not a number.
    static std::optional<qint64> integer(const QVariant& v);
    static std::optional<double> dayNumber(const QVariant& v);
    // A Boolean field counts as true when it holds a non-zero number.
    static bool flag(const QVariant& v);

    std::optional<qint64> idValue() const { return integer(id); }
    std::optional<qint64> typeValue() const { return integer(type); }
    std::optional<qint64> actionValue() const { return integer(action); }
    // The action as the code the rules act on: codes are 16-bit, and anything
    // else, like a field that is no number, is no action at all (0).
    int actionCode() const;
    std::optional<double> startValue() const { return dayNumber(starttime); }
    std::optional<double> stopValue() const { return dayNumber(stoptime); }
    std::optional<double> dayValue() const { return dayNumber(day); }
    bool showsMessage() const { return flag(targetMode); }
    QString descriptionText() const { return description.isNull() ? QString() : description.toString(); }
    // Weekday w numbered 1 = Sunday .. 7 = Saturday.
    bool weekdayFlag(int w) const { return w >= 1 && w <= 7 && flag(weekday[size_t(w - 1)]); }
};

} // namespace zelkor

// Its fields move as plain memory, so lists of rows grow without copying each.
Q_DECLARE_TYPEINFO(zelkor::TaskRow, Q_RELOCATABLE_TYPE);
