#pragma once

#include "platform/Platform.h"
#include "tasks/TaskRow.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace zelkor {

class TaskDatabaseState;

// Reads whole queries of the task table straight through SQLite: one prepared
// statement, stepped record by record, each record taken into a TaskRow as
// the table holds it (Null, a whole number, a real number, text or bytes), so
// TaskRow's readers decide what they can use, as with the record set. The
// file is opened read-only and never created. The connection and the last
// statement stay ready while the reader lives, so a reader that runs its query
// again and again (the selection pass, the list) pays for neither again; a
// file that is gone is noticed at every read. The record set (TaskStore) stays
// for looking up and changing single rows.
class TaskReader {
public:
    // The fields of a TaskRow a reader fills; the others stay Null.
    enum Field : unsigned {
        Id = 1u << 0,
        Type = 1u << 1,
        Action = 1u << 2,
        StartTime = 1u << 3,
        StopTime = 1u << 4,
        Day = 1u << 5,
        TargetMode = 1u << 6, // the column fujia
        Description = 1u << 7,
        State = 1u << 8,
        Weekdays = 1u << 9,
        AllFields = (1u << 10) - 1,
    };

    explicit TaskReader(QString databasePath = {}, TaskDatabaseState* database = nullptr)
        : m_path(std::move(databasePath)), m_database(database)
    {
    }
    ~TaskReader();
    TaskReader(const TaskReader&) = delete;
    TaskReader& operator=(const TaskReader&) = delete;

    // Once, before the process opens any database: SQLite then takes memory
    // for each page as it reads it, not twenty pages' worth up front for every
    // connection (the program's files are a few pages, and readers stay open).
    static void allocatePagesAsRead();

    // Given the program's TaskDatabaseState, the reader reads only while the
    // state allows, and reports every failure to it, as the record set does.
    void setDatabase(const QString& databasePath, TaskDatabaseState* database = nullptr);

    // Calls `visit` with each record in the query's order; the row passed is
    // only valid during the call. Fails when the file cannot be opened or the
    // query cannot run; records read before a failure (a damaged file fails
    // part way) have been visited.
    Outcome forEach(const QString& sql, const std::function<void(const TaskRow&)>& visit,
                    unsigned fields = AllFields);
    // Every record of `sql` that could be read.
    QList<TaskRow> rows(const QString& sql, Outcome* outcome = nullptr);
    // The first record of `sql` alone, read without going through the others.
    std::optional<TaskRow> first(const QString& sql, Outcome* outcome = nullptr);

private:
    // `consume` answers whether to read on.
    Outcome run(const QString& sql, unsigned fields, const std::function<bool(TaskRow&)>& consume);
    Outcome prepare(const QString& sql, unsigned fields);
    // `sql` asking the table for only the columns of `fields`, each column
    // in its place; a query of another shape as it stands.
    QString narrowed(const QString& sql, unsigned fields);
    Outcome failed(int sqliteCode, const QString& words);
    void close();

    QString m_path;
    TaskDatabaseState* m_database = nullptr;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr; // prepared for m_sql and m_fields
    QString m_sql;
    unsigned m_fields = AllFields;
    QList<QByteArray> m_columns; // the table's, as this connection saw them
};

} // namespace zelkor
