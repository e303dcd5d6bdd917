#include "tasks/DatabaseCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QStringList>
#include <QUrl>

#include <sqlite3.h>

namespace zelkor
{

namespace
{
DatabaseFinding fromCode(int code, const QString& words)
{
    using Kind = DatabaseFinding::Kind;
    code &= 0xff; // the extended codes keep the primary one in the low byte
    if (isLockCode(code))
        return {Kind::Locked, {}};
    if (code == SQLITE_NOTADB)
        return {Kind::NotADatabase, {}};
    if (isDamageCode(code))
        return {Kind::Damaged, words};
    return {Kind::CannotOpen, words};
}

DatabaseFinding failure(sqlite3* db, int code)
{
    return fromCode(code, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code)));
}

// Straight through SQLite, not the record set's driver: the check runs at
// every start, and the driver is only needed once a task is written.
DatabaseFinding inspect(sqlite3* db)
{
    using Kind = DatabaseFinding::Kind;
    sqlite3_stmt* statement = nullptr;
    // The structure only, not the indexes against the rows: quick enough for
    // every opening, and it finds what makes rows vanish from the list.
    int code = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &statement, nullptr);
    if (code != SQLITE_OK)
        return failure(db, code);
    QStringList damage;
    // "ok", or the findings; a report may come as one row of many lines.
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        const QStringList lines =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& line : lines)
            if (line != QLatin1String("ok") && !line.startsWith(QLatin1String("*** ")))
                damage << line;
    }
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE)
        return failure(db, code);
    if (!damage.isEmpty())
        return {Kind::Damaged, damage.first()}; // enough to say where; the report can be long
    code = sqlite3_prepare_v2(db, "select 1 from sqlite_master where type = 'table' and lower(name) = 'task'",
                              -1, &statement, nullptr);
    if (code != SQLITE_OK)
        return failure(db, code);
    code = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (code == SQLITE_DONE)
        return {Kind::NoTaskTable, {}};
    return code == SQLITE_ROW ? DatabaseFinding{} : failure(db, code);
}
} // namespace

QSqlDatabase addTaskConnection(const QString& name, const QString& path, int busyMs)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    // mode=rw: open an existing file only; SQLite would otherwise create an
    // empty database in place of a missing one.
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
    return db;
}

DatabaseFinding checkTaskDatabase(const QString& path, int busyMs)
{
    using Kind = DatabaseFinding::Kind;
    const QFileInfo info(path);
    if (!info.exists())
        return {Kind::Missing, {}};
    if (info.isDir())
        return {Kind::Folder, {}};
    if (!info.isFile())
        return {Kind::NotAFile, {}}; // opening a pipe or a device could hang or harm
    if (info.size() == 0)
        return {Kind::Empty, {}};
    // Read-write without create, as the program uses it: an existing file only.
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    DatabaseFinding finding;
    if (opened != SQLITE_OK) {
        finding = failure(db, opened);
    } else {
        sqlite3_busy_timeout(db, busyMs);
        finding = inspect(db);
    }
    sqlite3_close(db);
    return finding;
}

int sqliteCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : 0; // the extended codes keep the primary one in the low byte
}

bool isLockCode(int code)
{
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool isDamageCode(int code)
{
    return code == SQLITE_CORRUPT;
}

QString findingText(const DatabaseFinding& finding)
{
    using Kind = DatabaseFinding::Kind;
    switch (finding.kind) {
    case Kind::Usable:
        return QStringLiteral("it can be used");
    case Kind::Missing:
        return QStringLiteral("the file is missing");
    case Kind::Folder:
        return QStringLiteral("a folder stands where the file should be");
    case Kind::NotAFile:
        return QStringLiteral("it is not a regular file");
    case Kind::Empty:
        return QStringLiteral("the file is empty");
    case Kind::NotADatabase:
        return QStringLiteral("the file is not a database");
    case Kind::NoTaskTable:
        return QStringLiteral("the database holds no task table");
    case Kind::Locked:
        return QStringLiteral("another program holds it locked");
    case Kind::CannotOpen:
        return QStringLiteral("it cannot be opened (%1)").arg(finding.detail);
    case Kind::Damaged:
        return QStringLiteral("it is damaged (%1)").arg(finding.detail);
    }
    return {};
}

} // namespace zelkor
