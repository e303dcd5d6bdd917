#pragma once

#include "tasks/TaskQueries.h"
#include "tasks/TaskRow.h"
#include "tasks/TaskStore.h"

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
    TaskStore ado(database);
    ado.setRecordSource(queries::kAll);
    if (!ado.refresh().ok)
        return -1;
    ado.addNew();
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        if (!ado.setField(it.key(), it.value()).ok)
            return -1;
    for (int position : flagPositions)
        if (!ado.setField(position, 1).ok)
            return -1;
    if (!ado.update().ok)
        return -1;
    return ado.field(QStringLiteral("id")).toLongLong();
}

inline TaskRow readRow(const QString& database, qint64 id)
{
    TaskStore ado(database);
    ado.setRecordSource(queries::byId(id));
    if (!ado.refresh().ok || ado.isEmpty())
        return {};
    return ado.row();
}

inline int rowCount(const QString& database)
{
    TaskStore ado(database);
    ado.setRecordSource(queries::kAll);
    return ado.refresh().ok ? ado.rowCount() : -1;
}

inline bool changeField(const QString& database, qint64 id, const QString& field, const QVariant& value)
{
    TaskStore row(database);
    row.setRecordSource(queries::byId(id));
    return row.refresh().ok && row.setField(field, value).ok && row.update().ok;
}

inline bool deleteRow(const QString& database, qint64 id)
{
    TaskStore ado(database);
    ado.setRecordSource(queries::byId(id));
    return ado.refresh().ok && !ado.isEmpty() && ado.remove().ok;
}

} // namespace zelkor::test
