#pragma once

#include <QString>

// Every SQL text the program runs. An id is appended as decimal digits right
// after the equals sign.
namespace zelkor::queries {

inline const QString kListNewestFirst = QStringLiteral("select * from task order by id desc");
inline const QString kAll = QStringLiteral("select * from task");
// A task file's order: read back in it, the tasks get their ids in the same
// order, and the newest forbidden period stays the one in force.
inline const QString kOldestFirst = QStringLiteral("select * from task order by id");
// The table's columns without a row: all a new row needs to be appended.
inline const QString kColumnsOnly = QStringLiteral("select * from task where 0");
inline const QString kForbiddenNewestFirst =
    QStringLiteral("select * from task where type = 0 order by id desc");
// The rows the selection pass can choose from: no Power On, and only a type
// that reads as Once to Monthly (1 to 4; a real number is rounded, as TaskRow
// rounds it; text, bytes and Null never read as a type), so forbidden periods
// and broken rows are not read at every pass.
inline const QString kSchedulableNewestFirst = QStringLiteral(
    "select * from task where action <> 7 and type >= 0.5 and type < 4.5 order by id desc");
inline const QString kPowerOn = QStringLiteral("select * from task where action = 7");

inline QString byId(qint64 id) { return QStringLiteral("select * from task where id=") + QString::number(id); }

} // namespace zelkor::queries
