#pragma once

#include "platform/Platform.h"
#include "tasks/TaskRow.h"

#include <QSet>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <array>
#include <map>

class QSqlError;


namespace zelkor
{

class TaskDatabaseState;

// The task database file of a program folder.
QString taskDatabasePath(const QString& programDir);

// The failure of a change or deletion whose row is no longer stored.
inline const QString kTaskGone = QStringLiteral("The task no longer exists.");

// A record set over the task table: set a record source (one of the query
// texts), refresh, test for empty, walk, read by name or position, add,
// change or delete the current row, close. Each window owns its own.
// The file is opened read-write and never created: a missing database reads
// as empty and refuses writes, with the reason in the returned Outcome.
// Given the program's TaskDatabaseState, a record set reads and writes only while
// its state allows, and reports every failing statement to it.
class TaskStore
{
public:
    TaskStore() = default;
    explicit TaskStore(const QString& databasePath) { setConnection(databasePath); }
    ~TaskStore();
    TaskStore(const TaskStore&) = delete;
    TaskStore& operator=(const TaskStore&) = delete;

    void setConnection(const QString& databasePath, TaskDatabaseState* database = nullptr);
    void setRecordSource(const QString& sql) { m_source = sql; }
    QString recordSource() const { return m_source; }

    // Runs the record source; positions on the first row.
    Outcome refresh();
    bool isEmpty() const { return m_rows.isEmpty(); }
    bool eof() const { return m_current >= m_rows.size(); }
    int rowCount() const { return int(m_rows.size()); }
    void moveFirst() { m_current = 0; }
    void moveNext() { ++m_current; }

    QVariant field(const QString& name) const;
    QVariant field(int position) const;
    int fieldCount() const { return int(m_columns.size()); }
    TaskRow row() const; // the current row

    // Editing: AddNew starts a new row; setField assigns columns of the new or
    // current row; Update stores them. Only assigned columns are written.
    void addNew();
    Outcome setField(const QString& name, const QVariant& value);
    Outcome setField(int position, const QVariant& value);
    Outcome update();
    Outcome remove();
    void close();

    // One transaction over several stores and deletions on this record set's
    // connection: all of them are kept, or none.
    Outcome beginTransaction();
    Outcome commitTransaction();
    void rollbackTransaction();

    // Every record of the current result as rows, for the scheduling rules.
    QList<TaskRow> rows() const;
    // Runs `sql` and gives every record of it that could be read, and in
    // `outcome` whether all could; the record set is closed again (Close)
    // before it returns.
    QList<TaskRow> rowsOf(const QString& sql, Outcome* outcome = nullptr);

private:
    Outcome open();
    // A statement failed: tells the database's state and gives the outcome.
    Outcome failed(const QSqlError& error);
    Outcome failed(int sqliteCode, const QString& words);
    TaskRow rowAt(qsizetype index) const;
    int columnIndex(QStringView name) const;
    QStringList tableColumns(); // the task table's column names, by position
    void forgetStatements();

    QString m_path;
    TaskDatabaseState* m_databaseState = nullptr; // the program's state of the file, if any
    QString m_connection;                         // Qt connection name, unique per object
    QString m_source;
    QStringList m_columns;
    // Positions of the named columns of TaskRow, found once per result.
    std::array<int, 9> m_named{-1, -1, -1, -1, -1, -1, -1, -1, -1};
    QVector<QVector<QVariant>> m_rows;
    qsizetype m_current = 0;
    bool m_adding = false;
    QVector<QVariant> m_edit;
    QSet<int> m_assigned;
    // Kept for a run of like writes (an import): the table's own column names,
    // read for the result's names they go with, and the write statements.
    QStringList m_tableColumns;
    QStringList m_tableColumnsFor;
    std::map<QString, QSqlQuery> m_writes; // by statement; a few shapes of row
};

} // namespace zelkor
