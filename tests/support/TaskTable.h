#pragma once

#include "tasks/AdoTask.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskRow.h"

#include <QList>
#include <QString>
#include <QVariantMap>

// Rows of a test's private task table, written and read through the program's
// own record set.
namespace zelkor::test {

// Appends a row with the given columns by name, and weekday flags set to 1 by
// position (8 = Sunday .. 14 = Saturday). The id is the database's unless the
// columns give one. Returns the id, or -1 when anything could not be written.
inline qint64 addRow(const QString& database, const QVariantMap& columns,
                     const QList<int>& flagPositions = {})
{
    AdoTask ado(database);
    ado.setRecordSource(queries::kAll);
    if (!ado.Refresh().ok)
        return -1;
    ado.AddNew();
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        if (!ado.setField(it.key(), it.value()).ok)
            return -1;
    for (int position : flagPositions)
        if (!ado.setField(position, 1).ok)
            return -1;
    if (!ado.Update().ok)
        return -1;
    return ado.field(QStringLiteral("id")).toLongLong();
}

inline TaskRow readRow(const QString& database, qint64 id)
{
    AdoTask ado(database);
    ado.setRecordSource(queries::byId(id));
    if (!ado.Refresh().ok || ado.isEmpty())
        return {};
    return ado.row();
}

inline int rowCount(const QString& database)
{
    AdoTask ado(database);
    ado.setRecordSource(queries::kAll);
    return ado.Refresh().ok ? ado.rowCount() : -1;
}

inline bool deleteRow(const QString& database, qint64 id)
{
    AdoTask ado(database);
    ado.setRecordSource(queries::byId(id));
    return ado.Refresh().ok && !ado.isEmpty() && ado.Delete().ok;
}

} // namespace zelkor::test
