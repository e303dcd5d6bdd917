#include "tasks/TaskReader.h"

#include "tasks/DatabaseCheck.h"
#include "tasks/TaskDatabaseState.h"
#include "tasks/TaskQueries.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>

namespace zelkor {

namespace {
// The named columns of a TaskRow, found by name wherever they stand.
constexpr std::array<const char*, 9> kNames{"id",  "type",  "action",      "starttime", "stoptime",
                                            "day", "fujia", "description", "state"};
constexpr int kFirstWeekday = 8; // Sunday; Saturday at 14

QString failureText(sqlite3* db, int code)
{
    const char* text = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return QStringLiteral("The task database could not be used: %1.").arg(QString::fromUtf8(text));
}

// Takes a column's value into a field as the table holds it. A field that
// already holds a number of the same kind is written in place: a pass over a
// large table reads millions of numbers.
void take(QVariant& field, sqlite3_stmt* statement, int column)
{
    sqlite3_value* value = column < 0 ? nullptr : sqlite3_column_value(statement, column);
    switch (value ? sqlite3_value_type(value) : SQLITE_NULL) {
    case SQLITE_INTEGER:
        field.setValue(qint64(sqlite3_value_int64(value)));
        return;
    case SQLITE_FLOAT:
        field.setValue(sqlite3_value_double(value));
        return;
    case SQLITE_TEXT:
        field.setValue(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                         sqlite3_value_bytes(value)));
        return;
    case SQLITE_BLOB:
        field.setValue(QByteArray(static_cast<const char*>(sqlite3_value_blob(value)), sqlite3_value_bytes(value)));
        return;
    default:
        if (field.isValid())
            field = QVariant();
    }
}

// Where each field of a TaskRow stands among `columns`; -1 for one that is
// missing or not wanted.
struct Positions {
    std::array<int, 9> named{};
    std::array<int, 7> weekdays{};

    Positions(const QList<QByteArray>& columns, unsigned fields)
    {
        const int count = int(columns.size());
        for (size_t n = 0; n < kNames.size(); ++n) {
            named[n] = -1;
            for (int i = 0; i < count && named[n] < 0 && (fields & (1u << n)); ++i)
                if (sqlite3_stricmp(columns.at(i).constData(), kNames[n]) == 0)
                    named[n] = i;
        }
        const bool flags = fields & TaskReader::Weekdays;
        for (int w = 0; w < 7; ++w)
            weekdays[size_t(w)] = flags && kFirstWeekday + w < count ? kFirstWeekday + w : -1;
    }

    bool holds(int column) const
    {
        return std::find(named.begin(), named.end(), column) != named.end() ||
               std::find(weekdays.begin(), weekdays.end(), column) != weekdays.end();
    }
};

QList<QByteArray> columnsOf(sqlite3_stmt* statement)
{
    QList<QByteArray> columns;
    for (int i = 0; i < sqlite3_column_count(statement); ++i)
        columns.append(QByteArray(sqlite3_column_name(statement, i)));
    return columns;
}

void read(sqlite3_stmt* statement, const Positions& at, TaskRow& row)
{
    take(row.id, statement, at.named[0]);
    take(row.type, statement, at.named[1]);
    take(row.action, statement, at.named[2]);
    take(row.starttime, statement, at.named[3]);
    take(row.stoptime, statement, at.named[4]);
    take(row.day, statement, at.named[5]);
    take(row.targetMode, statement, at.named[6]);
    take(row.description, statement, at.named[7]);
    take(row.state, statement, at.named[8]);
    for (size_t w = 0; w < row.weekday.size(); ++w)
        take(row.weekday[w], statement, at.weekdays[w]);
}
} // namespace

TaskReader::~TaskReader() { close(); }

void TaskReader::setDatabase(const QString& databasePath, TaskDatabaseState* database)
{
    m_database = database;
    if (databasePath == m_path)
        return;
    close();
    m_path = databasePath;
}

Outcome TaskReader::failed(int sqliteCode, const QString& words)
{
    close(); // opened afresh next time: the file may be replaced before then
    if (m_database) {
        m_database->reportFailure(sqliteCode & 0xff);
        // In the state's plain words when the file itself is the trouble.
        if (const Outcome refused = m_database->readRefusal(); !refused.ok)
            return refused;
    }
    return Outcome::failure(words);
}

void TaskReader::close()
{
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    m_sql.clear();
    m_columns.clear();
    sqlite3_close(m_db);
    m_db = nullptr;
}

void TaskReader::allocatePagesAsRead()
{
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
}

Outcome TaskReader::prepare(const QString& sql, unsigned fields)
{
    // While the file cannot be used, readers do not touch it: a lock would
    // hold every pass for its busy wait.
    if (m_database)
        if (const Outcome refused = m_database->readRefusal(); !refused.ok)
            return refused;
    // A file that went away reads as gone, not as what it held.
    if (!QFileInfo::exists(m_path))
        return failed(0, QStringLiteral("The task database %1 is missing.").arg(m_path));
    if (!m_db) {
        // Read-only: a missing file is an error here, never a new empty
        // database. One thread only: no locking around every column read.
        const int opened = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
                                           SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (opened != SQLITE_OK)
            return failed(opened, failureText(m_db, opened));
        // Another program may hold the file a moment: wait as the record set does.
        sqlite3_busy_timeout(m_db, kTaskDatabaseBusyMs);
        // A reader that stays open keeps what it read for the next time; no
        // more than a table of some ten thousand tasks takes.
        sqlite3_exec(m_db, "PRAGMA cache_size = -512", nullptr, nullptr, nullptr);
    }
    if (m_statement && m_sql == sql && m_fields == fields)
        return Outcome::success();
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    m_sql.clear();
    const QByteArray text = narrowed(sql, fields).toUtf8();
    const int ready = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_statement, nullptr);
    if (ready != SQLITE_OK || !m_statement)
        return failed(ready, failureText(m_db, ready));
    m_sql = sql;
    m_fields = fields;
    return Outcome::success();
}

QString TaskReader::narrowed(const QString& sql, unsigned fields)
{
    static const QString kEveryColumn = QStringLiteral("select *");
    if (fields == AllFields || !sql.startsWith(kEveryColumn + QStringLiteral(" from task")))
        return sql;
    // The table's columns, read once per connection.
    if (m_columns.isEmpty()) {
        sqlite3_stmt* shape = nullptr;
        if (sqlite3_prepare_v2(m_db, queries::kColumnsOnly.toUtf8().constData(), -1, &shape, nullptr) == SQLITE_OK)
            m_columns = columnsOf(shape);
        sqlite3_finalize(shape);
        if (m_columns.isEmpty())
            return sql; // the query itself will say what is wrong
    }
    // Every column keeps its place, as the weekdays are read by place; one
    // that is not wanted reads as Null without being taken from the record.
    const Positions wanted(m_columns, fields);
    QStringList list;
    for (int i = 0; i < m_columns.size(); ++i) {
        QString quoted = QString::fromUtf8(m_columns.at(i)).replace(QLatin1Char('"'), QStringLiteral("\"\""));
        list.append(wanted.holds(i) ? QLatin1Char('"') + quoted + QLatin1Char('"') : QStringLiteral("null"));
    }
    return QStringLiteral("select ") + list.join(QStringLiteral(", ")) + sql.mid(kEveryColumn.size());
}

Outcome TaskReader::run(const QString& sql, unsigned fields, const std::function<bool(TaskRow&)>& consume)
{
    if (const Outcome ready = prepare(sql, fields); !ready.ok)
        return ready;
    const Positions positions(columnsOf(m_statement), fields);
    TaskRow row;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(m_statement)) == SQLITE_ROW) {
        read(m_statement, positions, row);
        if (!consume(row)) {
            step = SQLITE_DONE;
            break;
        }
    }
    if (step != SQLITE_DONE)
        return failed(step, failureText(m_db, step));
    // Reset at once: a statement left open would keep the file's read lock.
    sqlite3_reset(m_statement);
    return Outcome::success();
}

Outcome TaskReader::forEach(const QString& sql, const std::function<void(const TaskRow&)>& visit, unsigned fields)
{
    return run(sql, fields, [&visit](TaskRow& row) {
        visit(row);
        return true;
    });
}

QList<TaskRow> TaskReader::rows(const QString& sql, Outcome* outcome)
{
    QList<TaskRow> result;
    // Each row is taken over whole: every field is read anew for the next one.
    const Outcome read = run(sql, AllFields, [&result](TaskRow& row) {
        result.append(std::move(row));
        return true;
    });
    if (outcome)
        *outcome = read;
    return result;
}

std::optional<TaskRow> TaskReader::first(const QString& sql, Outcome* outcome)
{
    std::optional<TaskRow> result;
    const Outcome read = run(sql, AllFields, [&result](TaskRow& row) {
        result = std::move(row);
        return false;
    });
    if (outcome)
        *outcome = read;
    return read.ok ? result : std::nullopt;
}

} // namespace zelkor
