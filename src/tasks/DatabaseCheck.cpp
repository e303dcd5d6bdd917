#include "tasks/DatabaseCheck.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>

namespace zelkor
{

namespace
{
QAtomicInt g_checkCounter;

// SQLite's primary result codes that the check tells apart.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

QString sqliteWords(const QSqlError& error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

DatabaseFinding fromError(const QSqlError& error)
{
    using Kind = DatabaseFinding::Kind;
    const int code = sqliteCode(error);
    if (isLockCode(code))
        return {Kind::Locked, {}};
    if (code == kSqliteNotADatabase)
        return {Kind::NotADatabase, {}};
    if (isDamageCode(code))
        return {Kind::Damaged, sqliteWords(error)};
    return {Kind::CannotOpen, sqliteWords(error)};
}

DatabaseFinding inspect(QSqlDatabase& db)
{
    using Kind = DatabaseFinding::Kind;
    if (!db.open())
        return fromError(db.lastError());
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // The structure only, not the indexes against the rows: quick enough for
    // every opening, and it finds what makes rows vanish from the list.
    if (!query.exec(QStringLiteral("PRAGMA quick_check")))
        return fromError(query.lastError());
    QStringList damage;
    // "ok", or the findings; a report may come as one row of many lines.
    while (query.next()) {
        const QStringList lines =
            query.value(0).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& line : lines)
            if (line != QLatin1String("ok") && !line.startsWith(QLatin1String("*** ")))
                damage << line;
    }
    if (query.lastError().isValid())
        return fromError(query.lastError());
    if (!damage.isEmpty())
        return {Kind::Damaged, damage.first()}; // enough to say where; the report can be long
    if (!query.exec(QStringLiteral(
            "select 1 from sqlite_master where type = 'table' and lower(name) = 'task'")))
        return fromError(query.lastError());
    if (!query.next())
        return {Kind::NoTaskTable, {}};
    return {};
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
    const QString name =
        QStringLiteral("TaskDatabaseCheck-%1").arg(g_checkCounter.fetchAndAddRelaxed(1));
    DatabaseFinding finding;
    {
        QSqlDatabase db = addTaskConnection(name, path, busyMs);
        finding = inspect(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
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
    return code == kSqliteBusy || code == kSqliteLocked;
}

bool isDamageCode(int code)
{
    return code == kSqliteCorrupt;
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
