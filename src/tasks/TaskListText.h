#pragma once

#include "tasks/TaskRow.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The texts of the task list, as plain functions of the stored rows and the
// clock, so that the grid only shows what these compute.
namespace zelkor::tasklist {

inline constexpr int kColumnCount = 5;
enum Column { ColState = 0, ColStart = 1, ColEnd = 2, ColDescription = 3, ColId = 4 };

// Header texts and widths in twips (15 twips to the pixel); the id column is hidden.
QString headerText(int column);
int columnWidthTwips(int column);
inline int twipsToPixels(int twips) { return twips / 15; }
// Columns 0..2 are centred at the top of the cell, the others as the grid draws them.
bool centredColumn(int column);

// Background colours of a task row's cells as stored 0x00BBGGRR values;
// nothing for the id column.
std::optional<quint32> cellColourBgr(int column);

inline const QString kMarkActive = QStringLiteral("\u221A");   // "√"
inline const QString kMarkInactive = QStringLiteral("\u00D7"); // "×"

// Names by stored code; an empty result for a code outside the tables (the
// action table holds an empty name at code 0).
std::optional<QString> kindName(const QVariant& type);
std::optional<QString> listActionName(const QVariant& action);

// "Shut Down -- Weekly -- Mon Wed Fri", "Shut Down -- Monthly -- 15", ...;
// empty when the kind or the action has no name.
QString descriptionText(const TaskRow& row);

// A stored date-time as the list shows it: the time alone for a time of day,
// date and time otherwise. A Null field shows nothing; a field holding
// something that is not a day number shows what is stored, so the user can
// see the damaged row.
QString dateTimeText(const QVariant& value);
QString startText(const TaskRow& row);
QString endText(const TaskRow& row); // forbidden periods only

// One line of the list.
struct Line {
    QString state;
    QString start;
    QString end;
    QString description;
    QString idText;
    std::optional<qint64> id; // nothing when the row has no usable id
};

// The marks of rows met in query order (newest first). Only the first
// forbidden period met keeps "√": it is the one in force. A Once task whose
// moment has come or passed, or whose moment cannot be read, shows "×".
class StateMarks {
public:
    explicit StateMarks(const QDateTime& now);
    // Whether the next row shows "√".
    bool next(const TaskRow& row);

private:
    double m_now = 0;
    bool m_periodSeen = false;
};

// The text of one cell of a row whose mark is known.
QString cellText(const TaskRow& row, bool active, int column);

// The lines for rows in query order, marked as StateMarks says.
QList<Line> buildLines(const QList<TaskRow>& rows, const QDateTime& now);

} // namespace zelkor::tasklist
