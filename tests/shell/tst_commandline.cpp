#include "shell/CommandLine.h"

#include <QTest>

using namespace zelkor;

Q_DECLARE_METATYPE(zelkor::cli::Action)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<cli::Action>("action");
        QTest::addColumn<QString>("error");
        using A = cli::Action;
        QTest::newRow("plain start") << QStringList{} << A::Run << QString();
        QTest::newRow("--help") << QStringList{"--help"} << A::Help << QString();
        QTest::newRow("-h") << QStringList{"-h"} << A::Help << QString();
        QTest::newRow("--help-all") << QStringList{"--help-all"} << A::Refuse << "Unknown option 'help-all'.";
        QTest::newRow("--version") << QStringList{"--version"} << A::Version << QString();
        QTest::newRow("-v") << QStringList{"-v"} << A::Version << QString();
        QTest::newRow("help wins over version") << QStringList{"--version", "--help"} << A::Help << QString();
        QTest::newRow("unknown long option") << QStringList{"--bogus"} << A::Refuse
                                             << "Unknown option 'bogus'.";
        QTest::newRow("unknown short option") << QStringList{"-x"} << A::Refuse << "Unknown option 'x'.";
        QTest::newRow("unknown next to help") << QStringList{"--help", "--bogus"} << A::Refuse
                                              << "Unknown option 'bogus'.";
        QTest::newRow("argument") << QStringList{"tasks.db"} << A::Refuse << "Unexpected argument 'tasks.db'.";
        QTest::newRow("value for a flag") << QStringList{"--version=2"} << A::Refuse
                                          << "Unexpected value after '--version'.";
        // Qt's own options, left for QApplication: the session manager restores
        // programs with -session, tests pick the platform.
        QTest::newRow("-session") << QStringList{"-session", "10abc"} << A::Run << QString();
        QTest::newRow("-platform") << QStringList{"-platform", "offscreen"} << A::Run << QString();
        QTest::newRow("--style=") << QStringList{"--style=Fusion", "-reverse"} << A::Run << QString();
        QTest::newRow("-platform without its value") << QStringList{"-platform"} << A::Refuse
                                                     << "Missing value after '-platform'.";
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(cli::Action, action);
        QFETCH(QString, error);
        arguments.prepend(QStringLiteral("/usr/bin/zelkor"));
        const cli::Request request = cli::parse(arguments);
        QCOMPARE(request.action, action);
        QCOMPARE(request.error, error);
    }

    void refusalPointsToHelp()
    {
        const QString text = cli::refusalText({cli::Action::Refuse, QStringLiteral("Unknown option 'x'.")});
        QCOMPARE(text, QStringLiteral("zelkor: Unknown option 'x'.\nTry 'zelkor --help' for more information.\n"));
    }

    void helpNamesTheOptionsButNotQts()
    {
        const QString help = cli::helpText();
        QVERIFY2(help.contains(QStringLiteral("--help")) && help.contains(QStringLiteral("--version")),
                 qPrintable(help));
        QVERIFY2(!help.contains(QStringLiteral("platform")) && !help.contains(QStringLiteral("session")),
                 qPrintable(help));
    }

    void versionNamesEveryPath()
    {
        AppPaths paths;
        paths.layout = Layout::Installed;
        paths.programDir = QStringLiteral("/usr/lib/zelkor");
        paths.databasePath = QStringLiteral("/h/.local/share/zelkor/zelkor.dll");
        paths.settingsPath = QStringLiteral("/h/.config/zelkor/last.inc");
        paths.lockPath = QStringLiteral("/run/user/7/zelkor.lock");
        const QStringList lines = cli::versionText(paths).split(QLatin1Char('\n'));
        QVERIFY2(QRegularExpression(QStringLiteral("^zelkor \\d+\\.\\d+")).match(lines.value(0)).hasMatch(),
                 qPrintable(lines.value(0)));
        for (const QString& line :
             {QStringLiteral("Layout: installed"), QStringLiteral("Program folder: /usr/lib/zelkor"),
              QStringLiteral("Tasks: /h/.local/share/zelkor/zelkor.dll"),
              QStringLiteral("Settings: /h/.config/zelkor/last.inc"),
              QStringLiteral("Instance lock: /run/user/7/zelkor.lock")})
            QVERIFY2(lines.contains(line), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
