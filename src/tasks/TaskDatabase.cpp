#include "tasks/TaskDatabase.h"

#include "common/AppPaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace zelkor {

namespace {
const QString kSchemaResource = QStringLiteral(":/zelkor/schema.sql");

QString runScript(const QString& databasePath, const QStringList& statements)
{
    const QString connection = QStringLiteral("TaskDatabase-create");
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            for (const QString& statement : statements) {
                if (!query.exec(statement)) {
                    error = query.lastError().text();
                    break;
                }
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}
} // namespace

QStringList sqlStatements(const QString& script)
{
    QString text = script;
    text.remove(QRegularExpression(QStringLiteral("--[^\n]*")));
    QStringList statements;
    for (const QString& part : text.split(QLatin1Char(';'))) {
        const QString statement = part.trimmed();
        if (!statement.isEmpty())
            statements.append(statement);
    }
    return statements;
}

Outcome createTaskDatabase(const QString& path)
{
    if (QFileInfo::exists(path))
        return Outcome::success();
    if (const Outcome folder = makeUserFolder(QFileInfo(path).absolutePath()); !folder.ok)
        return folder;
    QFile schema(kSchemaResource);
    if (!schema.open(QIODevice::ReadOnly))
        return Outcome::failure(QStringLiteral("The task database schema is missing from the program."));
    const QStringList statements = sqlStatements(QString::fromUtf8(schema.readAll()));

    // Built beside the target under a name of this process, then renamed: a
    // second instance starting at the same moment cannot see half a database,
    // and rename never replaces a database that appeared meanwhile.
    const QString part = path + QStringLiteral(".part-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(part);
    const QString error = runScript(part, statements);
    // The user's tasks (commands, reminder texts) are theirs alone.
    QFile::setPermissions(part, QFile::ReadOwner | QFile::WriteOwner);
    if (error.isEmpty() && QFile::rename(part, path))
        return Outcome::success();
    QFile::remove(part);
    if (error.isEmpty() && QFileInfo::exists(path))
        return Outcome::success(); // made by another instance in the meantime
    return Outcome::failure(QStringLiteral("The task database %1 could not be created: %2")
                                .arg(path, error.isEmpty() ? QStringLiteral("the file could not be renamed")
                                                           : error));
}

} // namespace zelkor
