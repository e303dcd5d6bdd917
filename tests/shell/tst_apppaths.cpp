#include "common/AppPaths.h"
#include "shell/Autostart.h"
#include "support/TaskTable.h"
#include "tasks/TaskDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;

namespace {
void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// The table definitions of a database, as SQLite keeps them.
QStringList schemaOf(const QString& database)
{
    QStringList tables;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("schema"));
        db.setDatabaseName(database);
        if (db.open()) {
            QSqlQuery query(QStringLiteral("select sql from sqlite_master order by name"), db);
            while (query.next())
                tables.append(query.value(0).toString());
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("schema"));
    return tables;
}
} // namespace

class TestAppPaths : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_root;
    QString home() const { return m_root.path() + QStringLiteral("/home"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        qputenv("HOME", home().toUtf8());
        qputenv("XDG_RUNTIME_DIR", (m_root.path() + QStringLiteral("/run")).toUtf8());
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    }

    // Only a folder with the marker and without a database of its own is the
    // installed layout; a portable folder stays portable whatever else it holds.
    void layoutOfProgramFolder_data()
    {
        QTest::addColumn<bool>("marker");
        QTest::addColumn<bool>("database");
        QTest::addColumn<Layout>("layout");
        QTest::newRow("built folder") << false << true << Layout::Portable;
        QTest::newRow("package folder") << true << false << Layout::Installed;
        QTest::newRow("package folder with a database copied in") << true << true << Layout::Portable;
        QTest::newRow("empty folder") << false << false << Layout::Portable;
    }
    void layoutOfProgramFolder()
    {
        QFETCH(bool, marker);
        QFETCH(bool, database);
        QFETCH(Layout, layout);
        QTemporaryDir dir;
        if (marker)
            touch(dir.filePath(kInstalledMarker));
        if (database)
            touch(dir.filePath(QStringLiteral("dll/zelkor.dll")));
        QCOMPARE(layoutOf(dir.path()), layout);
        QCOMPARE(choosePaths(dir.path()).layout, layout);
    }

    void portableKeepsEverythingBesideTheProgram()
    {
        const AppPaths paths = portablePaths(QStringLiteral("/opt/z"));
        QCOMPARE(paths.databasePath, QStringLiteral("/opt/z/dll/zelkor.dll"));
        QCOMPARE(paths.settingsPath, QStringLiteral("/opt/z/last.inc"));
        QCOMPARE(paths.lockPath, m_root.path() + QStringLiteral("/run/zelkor.lock"));
        QCOMPARE(paths.startCommand, QCoreApplication::applicationFilePath());
    }

    // The package's page beside the program is a relative link, which a copy
    // of its folder breaks; the system's page is then found in the data folders.
    void helpPageIsFoundWhereItIs_data()
    {
        QTest::addColumn<QString>("beside"); // "page", "broken link" or "nothing"
        QTest::addColumn<bool>("shared");    // a page in the system's data folders
        QTest::addColumn<QString>("expected"); // "beside" or "shared"
        QTest::newRow("page beside the program") << "page" << true << "beside";
        QTest::newRow("copy of the package's folder") << "broken link" << true << "shared";
        QTest::newRow("no page anywhere") << "broken link" << false << "beside";
        QTest::newRow("folder without a page") << "nothing" << false << "beside";
    }
    void helpPageIsFoundWhereItIs()
    {
        QFETCH(QString, beside);
        QFETCH(bool, shared);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("copy"));
        const QString system = dir.filePath(QStringLiteral("share"));
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(system));
        if (beside == QLatin1String("page"))
            touch(program + QStringLiteral("/zelkor.html"));
        else if (beside == QLatin1String("broken link"))
            QVERIFY(QFile::link(QStringLiteral("../../share/zelkor/zelkor.html"), program + QStringLiteral("/zelkor.html")));
        if (shared)
            touch(system + QStringLiteral("/zelkor/zelkor.html"));
        const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", system.toUtf8());
        const QString found = helpPagePath(program);
        qputenv("XDG_DATA_DIRS", dataDirs);
        QCOMPARE(found, expected == QLatin1String("shared") ? system + QStringLiteral("/zelkor/zelkor.html")
                                                              : program + QStringLiteral("/zelkor.html"));
    }

    void installedFollowsTheXdgFolders_data()
    {
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QString>("runtime"); // empty: the test's own
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("lock");
        const QString h = home();
        const QString run = m_root.path() + QStringLiteral("/run/zelkor.lock");
        QTest::newRow("defaults") << QString() << QString() << QString() << h + "/.local/share/zelkor/zelkor.dll"
                                  << h + "/.config/zelkor/last.inc" << run;
        QTest::newRow("set") << "/srv/d" << "/srv/c" << QString() << "/srv/d/zelkor/zelkor.dll"
                             << "/srv/c/zelkor/last.inc" << run;
        // Relative values are ignored: the files would move with the working folder.
        QTest::newRow("relative") << "d" << "c" << "r" << h + "/.local/share/zelkor/zelkor.dll"
                                  << h + "/.config/zelkor/last.inc" << QDir::tempPath() + "/zelkor.lock";
    }
    void installedFollowsTheXdgFolders()
    {
        QFETCH(QString, dataHome);
        QFETCH(QString, configHome);
        QFETCH(QString, runtime);
        QFETCH(QString, database);
        QFETCH(QString, settings);
        QFETCH(QString, lock);
        const QByteArray testRuntime = qgetenv("XDG_RUNTIME_DIR");
        if (!dataHome.isEmpty())
            qputenv("XDG_DATA_HOME", dataHome.toUtf8());
        if (!configHome.isEmpty())
            qputenv("XDG_CONFIG_HOME", configHome.toUtf8());
        if (!runtime.isEmpty())
            qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        const AppPaths paths = installedPaths(QStringLiteral("/usr/lib/zelkor"));
        const QString entry = autostart::entryPath();
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CONFIG_HOME");
        qputenv("XDG_RUNTIME_DIR", testRuntime);
        QCOMPARE(paths.databasePath, database);
        QCOMPARE(paths.settingsPath, settings);
        // The autostart folder lies beside the program's own, zelkor/, in the same base folder.
        QCOMPARE(entry, QFileInfo(settings).path().chopped(QStringLiteral("/zelkor").size()) + "/autostart/zelkor.desktop");
        QCOMPARE(paths.lockPath, lock);
        QCOMPARE(paths.programDir, QStringLiteral("/usr/lib/zelkor"));
        QCOMPARE(paths.startCommand, QStringLiteral("zelkor")); // found on the search path
    }

    // The user's database is made from the schema inside the program, the same
    // table the build makes for the portable folder.
    void preparingMakesTheUsersFilesOnce()
    {
        const AppPaths paths = installedPaths(QStringLiteral("/usr/lib/zelkor"));
        QVERIFY(!QFile::exists(paths.databasePath));
        const Outcome first = prepareUserFiles(paths);
        QVERIFY2(first.ok, qPrintable(first.error));
        QVERIFY(QFileInfo(QFileInfo(paths.settingsPath).absolutePath()).isDir());
        const QStringList built = schemaOf(qEnvironmentVariable("ZELKOR_APP_DIR") + QStringLiteral("/dll/zelkor.dll"));
        QVERIFY(!built.isEmpty());
        QCOMPARE(schemaOf(paths.databasePath), built);

        // A second start finds the user's tasks and leaves them alone.
        const qint64 id = test::addRow(paths.databasePath, {{QStringLiteral("type"), 1}, {QStringLiteral("action"), 6}});
        QVERIFY(id > 0);
        QVERIFY(prepareUserFiles(paths).ok);
        QCOMPARE(test::rowCount(paths.databasePath), 1);
        QCOMPARE(QDir(QFileInfo(paths.databasePath).absolutePath()).entryList(QDir::Files),
                 QStringList{QStringLiteral("zelkor.dll")}); // no half-made file left behind
    }

    // What is made for the user is theirs alone; what was there keeps its mode.
    void userFilesAreTheirsAlone_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QFile::Permissions>("others");
        const QFile::Permissions none;
        const QFile::Permissions readable = QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QTest::newRow("task database") << "home/.local/share/zelkor/zelkor.dll" << none;
        QTest::newRow("its folder") << "home/.local/share/zelkor" << none;
        QTest::newRow("a base folder made on the way") << "home/.local" << none;
        QTest::newRow("settings folder") << "home/.config/zelkor" << none;
        QTest::newRow("the home folder that was there") << "home" << readable;
    }
    void userFilesAreTheirsAlone()
    {
        QFETCH(QString, path);
        QFETCH(QFile::Permissions, others);
        QTemporaryDir dir;
        QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("home")), QFile::ReadOwner | QFile::WriteOwner |
                                 QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        AppPaths paths = installedPaths(QStringLiteral("/usr/lib/zelkor"));
        paths.databasePath = dir.filePath(QStringLiteral("home/.local/share/zelkor/zelkor.dll"));
        paths.settingsPath = dir.filePath(QStringLiteral("home/.config/zelkor/last.inc"));
        QVERIFY(prepareUserFiles(paths).ok);
        const QFile::Permissions groupAndOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                                  QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(dir.filePath(path)).permissions() & groupAndOthers, others);
    }

    // A folder that cannot be made (here: under a file) leaves the other file made.
    void eachUserFileIsPreparedOnItsOwn_data()
    {
        QTest::addColumn<bool>("settingsBlocked");
        QTest::newRow("settings folder blocked") << true;
        QTest::newRow("database folder blocked") << false;
    }
    void eachUserFileIsPreparedOnItsOwn()
    {
        QFETCH(bool, settingsBlocked);
        QTemporaryDir dir;
        touch(dir.filePath(QStringLiteral("file")));
        const QString blocked = dir.filePath(QStringLiteral("file/zelkor"));
        const QString open = dir.filePath(QStringLiteral("home/zelkor"));
        AppPaths paths = installedPaths(QStringLiteral("/usr/lib/zelkor"));
        paths.settingsPath = (settingsBlocked ? blocked : open) + QStringLiteral("/last.inc");
        paths.databasePath = (settingsBlocked ? open : blocked) + QStringLiteral("/zelkor.dll");
        const Outcome outcome = prepareUserFiles(paths);
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(blocked), qPrintable(outcome.error));
        if (settingsBlocked)
            QVERIFY(!schemaOf(paths.databasePath).isEmpty());
        else
            QVERIFY(QFileInfo(QFileInfo(paths.settingsPath).absolutePath()).isDir());
    }

    void portableMakesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(prepareUserFiles(portablePaths(dir.path())).ok);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void databaseThatCannotBeMadeIsReported()
    {
        QTemporaryDir dir;
        touch(dir.filePath(QStringLiteral("blocked")));
        const QString path = dir.filePath(QStringLiteral("blocked/zelkor/zelkor.dll")); // under a file
        const Outcome outcome = createTaskDatabase(path);
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(dir.filePath(QStringLiteral("blocked/zelkor"))), qPrintable(outcome.error));
    }

    void sqlStatements_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("comments and two statements")
            << "-- a; comment\ncreate table a (x); -- trailing; too\n\ncreate table b (y);\n"
            << QStringList{"create table a (x)", "create table b (y)"};
        QTest::newRow("no final semicolon") << "create table a (x)" << QStringList{"create table a (x)"};
        QTest::newRow("only comments") << "-- nothing\n--\n" << QStringList{};
    }
    void sqlStatements()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, statements);
        QCOMPARE(zelkor::sqlStatements(script), statements);
    }
};

QTEST_GUILESS_MAIN(TestAppPaths)
#include "tst_apppaths.moc"
