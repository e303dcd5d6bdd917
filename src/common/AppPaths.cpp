#include "common/AppPaths.h"

#include "shell/SettingsFile.h"
#include "tasks/TaskStore.h"
#include "tasks/TaskDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zelkor {

namespace {
// The per-user folder of this program under an XDG base folder.
QString userFolder(const char* variable, const QString& underHome)
{
    return xdgBaseFolder(variable, QDir::homePath() + underHome) + QStringLiteral("/zelkor");
}
} // namespace

QString lockPath()
{
    // Qt's folder (made in /tmp where the variable is unset), unless the
    // variable is relative, which is ignored: the lock would move with the
    // working folder, and instances started from two folders would both run.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString dir;
    if (runtime.isEmpty() || QDir::isAbsolutePath(runtime))
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/zelkor.lock");
}

QString xdgBaseFolder(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : fallback;
}

Layout layoutOf(const QString& programDir)
{
    const QDir dir(programDir);
    if (dir.exists(kInstalledMarker) && !QFileInfo::exists(taskDatabasePath(programDir)))
        return Layout::Installed;
    return Layout::Portable;
}

QString layoutName(Layout layout)
{
    return layout == Layout::Installed ? QStringLiteral("installed") : QStringLiteral("portable");
}

AppPaths choosePaths(const QString& programDir)
{
    return layoutOf(programDir) == Layout::Installed ? installedPaths(programDir) : portablePaths(programDir);
}

AppPaths portablePaths(const QString& programDir)
{
    AppPaths paths;
    paths.layout = Layout::Portable;
    paths.programDir = programDir;
    paths.databasePath = taskDatabasePath(programDir);
    paths.settingsPath = settings::filePath(programDir);
    paths.lockPath = lockPath();
    paths.startCommand = QCoreApplication::applicationFilePath();
    return paths;
}

QString helpPagePath(const QString& programDir)
{
    const QString beside = programDir + QStringLiteral("/zelkor.html");
    if (QFileInfo::exists(beside)) // a broken link does not
        return beside;
    const QString shared = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("zelkor/zelkor.html"));
    return shared.isEmpty() ? beside : shared;
}

AppPaths installedPaths(const QString& programDir)
{
    AppPaths paths;
    paths.layout = Layout::Installed;
    paths.programDir = programDir;
    paths.databasePath = userFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")) +
                         QStringLiteral("/zelkor.dll");
    paths.settingsPath =
        userFolder("XDG_CONFIG_HOME", QStringLiteral("/.config")) + QStringLiteral("/last.inc");
    paths.lockPath = lockPath();
    // The package puts the program on the search path; the autostart entry
    // then keeps working across upgrades.
    paths.startCommand = QStringLiteral("zelkor");
    return paths;
}

QList<QPair<QString, QString>> describePaths(const AppPaths& paths)
{
    return {
        {QStringLiteral("Layout"), layoutName(paths.layout)},
        {QStringLiteral("Program folder"), paths.programDir},
        {QStringLiteral("Tasks"), paths.databasePath},
        {QStringLiteral("Settings"), paths.settingsPath},
        {QStringLiteral("Instance lock"), paths.lockPath},
    };
}

Outcome makeUserFolder(const QString& folder)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    const QString parent = QFileInfo(path).path();
    const bool made = QFileInfo(path).isDir() ||
                      (parent != path && makeUserFolder(parent).ok &&
                       (QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
                        QFileInfo(path).isDir())); // made by someone else meanwhile
    return made ? Outcome::success() : Outcome::failure(QStringLiteral("The folder %1 could not be created.").arg(folder));
}

Outcome prepareUserFiles(const AppPaths& paths)
{
    if (paths.layout == Layout::Portable)
        return Outcome::success();
    // Each stands alone: settings that cannot be kept leave the tasks usable.
    QStringList problems;
    if (const Outcome folder = makeUserFolder(QFileInfo(paths.settingsPath).absolutePath()); !folder.ok)
        problems << folder.error;
    if (const Outcome database = createTaskDatabase(paths.databasePath); !database.ok)
        problems << database.error;
    return problems.isEmpty() ? Outcome::success() : Outcome::failure(problems.join(QLatin1Char(' ')));
}

} // namespace zelkor
