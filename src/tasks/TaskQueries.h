#pragma once

#include <QString>

// Every SQL text the program runs. An id is appended as decimal digits right
// after the equals sign.
namespace zelkor::queries {

inline const QString kListNewestFirst = QStringLiteral("select * from task order by id desc");
inline const QString kAll = QStringLiteral("select * from task");
// The table's columns without a row: all a new row needs to be appended.
inline const QString kColumnsOnly = QStringLiteral("select * from task where 0");
inline const QString kForbiddenNewestFirst =
    QStringLiteral("select * from task where type = 0 order by id desc");
inline const QString kSchedulableNewestFirst =
    QStringLiteral("select * from task where action <> 7 order by id desc");
inline const QString kPowerOn = QStringLiteral("select * from task where action = 7");

inline QString byId(qint64 id) { return QStringLiteral("select * from task where id=") + QString::number(id); }

} // namespace zelkor::queries
