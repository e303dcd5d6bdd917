#include "tasks/TaskStore.h"

#include "tasks/DatabaseCheck.h"
#include "tasks/TaskDatabaseState.h"
#include "tasks/TaskReader.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace zelkor
{

namespace
{
QAtomicInt g_connectionCounter;

// The named columns of a TaskRow, in the order rowAt() fills them.
constexpr std::array<const char*, 9> kRowNames{
    "id", "type", "action", "starttime", "stoptime", "day", "fujia", "description", "state"};

// SQL identifiers in double quotes, so that any column name works: the
// weekday columns are found by position and may be called anything.
QString quoted(QString identifier)
{
    identifier.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

QString plain(const QSqlError& error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return QStringLiteral("The task database could not be used: %1.").arg(text);
}
} // namespace

QString taskDatabasePath(const QString& programDir)
{
    return programDir + QStringLiteral("/dll/zelkor.dll");
}

TaskStore::~TaskStore()
{
    forgetStatements();
    if (!m_connection.isEmpty()) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void TaskStore::setConnection(const QString& databasePath, TaskDatabaseState* database)
{
    forgetStatements();
    m_path = databasePath;
    m_databaseState = database;
}

Outcome TaskStore::open()
{
    if (m_path.isEmpty())
        return Outcome::failure(QStringLiteral("No task database is set."));
    // While the file cannot be used, record sets do not touch it: a lock
    // would hold every pass for its busy wait.
    if (m_databaseState)
        if (const Outcome refused = m_databaseState->readRefusal(); !refused.ok)
            return refused;
    if (!QFileInfo::exists(m_path))
        return failed(0, QStringLiteral("The task database %1 is missing.").arg(m_path));
    if (m_connection.isEmpty()) {
        m_connection = QStringLiteral("AdoTask-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1));
        addTaskConnection(m_connection, m_path, kTaskDatabaseBusyMs);
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen() && !db.open())
        return failed(db.lastError());
    return Outcome::success();
}

Outcome TaskStore::failed(const QSqlError& error)
{
    return failed(sqliteCode(error), plain(error));
}

Outcome TaskStore::failed(int sqliteCode, const QString& words)
{
    // Opened afresh next time: the file may be replaced before then.
    forgetStatements();
    if (!m_connection.isEmpty())
        QSqlDatabase::database(m_connection, false).close();
    if (m_databaseState) {
        m_databaseState->reportFailure(sqliteCode);
        // In the state's plain words when the file itself is the trouble.
        if (const Outcome refused = m_databaseState->writeRefusal(); !refused.ok)
            return refused;
    }
    return Outcome::failure(words);
}

Outcome TaskStore::refresh()
{
    close();
    if (const Outcome opened = open(); !opened.ok)
        return opened;
    QSqlError error;
    {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        if (query.exec(m_source)) {
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                m_columns << record.fieldName(i);
            for (size_t n = 0; n < kRowNames.size(); ++n)
                m_named[n] = columnIndex(QString::fromLatin1(kRowNames[n]));
            while (query.next()) {
                QVector<QVariant> values(record.count());
                for (int i = 0; i < record.count(); ++i)
                    values[i] = query.value(i);
                m_rows.append(std::move(values));
            }
        }
        error = query.lastError();
    }
    // A damaged file can fail part way; the rows read until then stay, so
    // that what can be read is still listed.
    if (error.isValid())
        return failed(error);
    return Outcome::success();
}

QVariant TaskStore::field(const QString& name) const
{
    return field(columnIndex(name));
}

QVariant TaskStore::field(int position) const
{
    if (eof() || position < 0 || position >= m_columns.size())
        return {};
    return m_rows.at(m_current).at(position);
}

int TaskStore::columnIndex(QStringView name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (name.compare(m_columns.at(i), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TaskRow TaskStore::rowAt(qsizetype index) const
{
    TaskRow row;
    if (index < 0 || index >= m_rows.size())
        return row;
    const QVector<QVariant>& values = m_rows.at(index);
    auto named = [&](size_t n) { return m_named[n] >= 0 ? values.at(m_named[n]) : QVariant(); };
    row.id = named(0);
    row.type = named(1);
    row.action = named(2);
    row.starttime = named(3);
    row.stoptime = named(4);
    row.day = named(5);
    row.targetMode = named(6);
    row.description = named(7);
    row.state = named(8);
    for (int w = 0; w < 7; ++w)
        row.weekday[size_t(w)] = (8 + w) < values.size() ? values.at(8 + w) : QVariant();
    return row;
}

TaskRow TaskStore::row() const
{
    return rowAt(m_current);
}

QList<TaskRow> TaskStore::rows() const
{
    QList<TaskRow> result;
    result.reserve(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        result.append(rowAt(i));
    return result;
}

QList<TaskRow> TaskStore::rowsOf(const QString& sql, Outcome* outcome)
{
    // Whole queries go straight through SQLite, without a row of the record
    // set; what could be read, if it failed part way.
    setRecordSource(sql);
    close();
    TaskReader reader(m_path, m_databaseState);
    return reader.rows(sql, outcome);
}

void TaskStore::addNew()
{
    m_adding = true;
    m_edit = QVector<QVariant>(m_columns.size());
    m_assigned.clear();
}

Outcome TaskStore::setField(const QString& name, const QVariant& value)
{
    const int position = columnIndex(name);
    if (position < 0)
        return Outcome::failure(QStringLiteral("The task table has no column %1.").arg(name));
    return setField(position, value);
}

Outcome TaskStore::setField(int position, const QVariant& value)
{
    if (position < 0 || position >= m_columns.size())
        return Outcome::failure(
            QStringLiteral("The task table has no column at position %1.").arg(position));
    if (!m_adding && m_assigned.isEmpty()) {
        if (eof())
            return Outcome::failure(kTaskGone);
        m_edit = m_rows.at(m_current);
    }
    m_edit[position] = value;
    m_assigned.insert(position);
    return Outcome::success();
}

Outcome TaskStore::update()
{
    if (m_assigned.isEmpty() && !m_adding)
        return Outcome::success();
    if (m_databaseState)
        if (const Outcome refused = m_databaseState->writeRefusal(); !refused.ok)
            return refused;
    if (const Outcome opened = open(); !opened.ok)
        return opened;
    QList<int> positions = m_assigned.values();
    std::sort(positions.begin(), positions.end());
    const QStringList columns = tableColumns();
    QStringList names;
    for (int p : positions)
        names << quoted(columns.at(p));
    bool stored = false;
    int changed = 0;
    QVariant newId;
    QSqlError error;
    {
        QString sql;
        if (m_adding) {
            const QString marks = QStringList(QList<QString>(names.size(), QStringLiteral("?")))
                                      .join(QLatin1Char(','));
            sql = names.isEmpty() ? QStringLiteral("insert into \"task\" default values")
                                  : QStringLiteral("insert into \"task\" (%1) values (%2)")
                                        .arg(names.join(QLatin1Char(',')), marks);
        } else {
            QStringList sets;
            for (const QString& n : names)
                sets << n + QStringLiteral("=?");
            sql = QStringLiteral("update \"task\" set %1 where \"id\"=?").arg(sets.join(QLatin1Char(',')));
        }
        // Prepared once for a run of writes (an import).
        auto kept = m_writes.find(sql);
        if (kept == m_writes.end()) {
            kept = m_writes.emplace(sql, QSqlQuery(QSqlDatabase::database(m_connection, false))).first;
            kept->second.prepare(sql); // a failure shows at exec
        }
        QSqlQuery& query = kept->second;
        int bound = 0;
        for (int p : positions)
            query.bindValue(bound++, m_edit.at(p));
        if (!m_adding)
            query.bindValue(bound, field(QStringLiteral("id")));
        stored = query.exec();
        changed = query.numRowsAffected();
        newId = query.lastInsertId();
        error = query.lastError();
        query.finish(); // no statement left running between writes
    }
    if (!stored)
        return failed(error);
    if (!m_adding && changed == 0)
        return Outcome::failure(kTaskGone);
    if (m_adding) {
        const int idPos = columnIndex(u"id");
        if (idPos >= 0)
            m_edit[idPos] = newId;
        m_rows.append(m_edit);
        m_current = m_rows.size() - 1;
    } else {
        m_rows[m_current] = m_edit;
    }
    m_adding = false;
    m_assigned.clear();
    return Outcome::success();
}

QStringList TaskStore::tableColumns()
{
    // The result's names come through QtSql with double quotes taken out; the
    // table's own list has them as they are, in the same order as "select *".
    if (!m_tableColumnsFor.isEmpty() && m_tableColumnsFor == m_columns)
        return m_tableColumns;
    QStringList names;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (query.exec(QStringLiteral("PRAGMA table_info(\"task\")")))
        while (query.next())
            names << query.value(1).toString();
    m_tableColumns = names.size() == m_columns.size() ? names : m_columns;
    m_tableColumnsFor = m_columns;
    return m_tableColumns;
}

void TaskStore::forgetStatements()
{
    m_writes.clear();
    m_tableColumns.clear();
    m_tableColumnsFor.clear();
}

Outcome TaskStore::remove()
{
    if (eof())
        return Outcome::failure(kTaskGone);
    if (m_databaseState)
        if (const Outcome refused = m_databaseState->writeRefusal(); !refused.ok)
            return refused;
    if (const Outcome opened = open(); !opened.ok)
        return opened;
    QSqlError error;
    {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.prepare(QStringLiteral("delete from \"task\" where \"id\"=?"));
        query.addBindValue(field(QStringLiteral("id")));
        if (!query.exec())
            error = query.lastError();
    }
    if (error.isValid())
        return failed(error);
    m_rows.remove(m_current);
    return Outcome::success();
}

void TaskStore::close()
{
    m_columns.clear();
    m_named.fill(-1);
    m_rows.clear();
    m_current = 0;
    m_adding = false;
    m_edit.clear();
    m_assigned.clear();
}

Outcome TaskStore::beginTransaction()
{
    if (const Outcome opened = open(); !opened.ok)
        return opened;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    return db.transaction() ? Outcome::success() : Outcome::failure(plain(db.lastError()));
}

Outcome TaskStore::commitTransaction()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    return db.commit() ? Outcome::success() : Outcome::failure(plain(db.lastError()));
}

void TaskStore::rollbackTransaction()
{
    QSqlDatabase::database(m_connection, false).rollback();
}

} // namespace zelkor
