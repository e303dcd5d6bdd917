#include "tasks/TaskStore.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace zelkor
{

namespace
{
QAtomicInt g_connectionCounter;

// The named columns of a TaskRow, in the order rowAt() fills them.
constexpr std::array<const char*, 9> kRowNames{
    "id", "type", "action", "starttime", "stoptime", "day", "fujia", "description", "state"};

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
    if (!m_connection.isEmpty()) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void TaskStore::setConnection(const QString& databasePath)
{
    m_path = databasePath;
}

Outcome TaskStore::open()
{
    if (m_path.isEmpty())
        return Outcome::failure(QStringLiteral("No task database is set."));
    if (!QFileInfo::exists(m_path))
        return Outcome::failure(QStringLiteral("The task database %1 is missing.").arg(m_path));
    if (m_connection.isEmpty()) {
        m_connection = QStringLiteral("AdoTask-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        // mode=rw: open an existing file only; SQLite would otherwise create an
        // empty database in place of a missing one.
        QUrl url = QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath());
        url.setQuery(QStringLiteral("mode=rw"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=2000"));
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen() && !db.open())
        return Outcome::failure(plain(db.lastError()));
    return Outcome::success();
}

Outcome TaskStore::refresh()
{
    close();
    if (const Outcome opened = open(); !opened.ok)
        return opened;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.exec(m_source))
        return Outcome::failure(plain(query.lastError()));
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

QList<TaskRow> TaskStore::rowsOf(const QString& sql)
{
    setRecordSource(sql);
    const QList<TaskRow> result = refresh().ok ? rows() : QList<TaskRow>();
    close();
    return result;
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
    if (const Outcome opened = open(); !opened.ok)
        return opened;
    QList<int> positions = m_assigned.values();
    std::sort(positions.begin(), positions.end());
    QStringList names;
    for (int p : positions)
        names << m_columns.at(p);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (m_adding) {
        const QString marks =
            QStringList(QList<QString>(names.size(), QStringLiteral("?"))).join(QLatin1Char(','));
        query.prepare(names.isEmpty() ? QStringLiteral("insert into task default values")
                                      : QStringLiteral("insert into task (%1) values (%2)")
                                            .arg(names.join(QLatin1Char(',')), marks));
    } else {
        QStringList sets;
        for (const QString& n : names)
            sets << n + QStringLiteral("=?");
        query.prepare(
            QStringLiteral("update task set %1 where id=?").arg(sets.join(QLatin1Char(','))));
    }
    for (int p : positions)
        query.addBindValue(m_edit.at(p));
    if (!m_adding)
        query.addBindValue(field(QStringLiteral("id")));
    if (!query.exec())
        return Outcome::failure(plain(query.lastError()));
    if (!m_adding && query.numRowsAffected() == 0)
        return Outcome::failure(kTaskGone);
    if (m_adding) {
        const int idPos = columnIndex(u"id");
        if (idPos >= 0)
            m_edit[idPos] = query.lastInsertId();
        m_rows.append(m_edit);
        m_current = m_rows.size() - 1;
    } else {
        m_rows[m_current] = m_edit;
    }
    m_adding = false;
    m_assigned.clear();
    return Outcome::success();
}

Outcome TaskStore::remove()
{
    if (eof())
        return Outcome::failure(kTaskGone);
    if (const Outcome opened = open(); !opened.ok)
        return opened;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("delete from task where id=?"));
    query.addBindValue(field(QStringLiteral("id")));
    if (!query.exec())
        return Outcome::failure(plain(query.lastError()));
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
