#include "shell/CommandLine.h"

#include "common/BuildInfo.h"

#include <QCommandLineParser>

namespace zelkor::cli {

namespace {
// Options of QGuiApplication, QApplication and the X11 backend, which take
// them out of the arguments later; they must not be refused here.
struct QtOption {
    const char* name = nullptr;
    bool takesValue = false;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},   {"platformpluginpath", true}, {"platformtheme", true},
    {"plugin", true},     {"qwindowgeometry", true},    {"qwindowicon", true},
    {"qwindowtitle", true}, {"session", true},          {"display", true},
    {"geometry", true},   {"title", true},              {"name", true},
    {"style", true},      {"stylesheet", true},         {"reverse", false},
    {"widgetcount", false}, {"nograb", false},          {"dograb", false},
    {"sync", false},
};

void describe(QCommandLineParser& parser)
{
    // -platform, not -p -l -a ...: the Qt options are single-dash words.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Shuts down, restarts, logs off, suspends or locks the computer, wakes it,\n"
                       "reminds and opens programs on time or on a schedule.\n"
                       "Started without options it opens its window (or the tray icon) as usual.\n\n"
                       "Commands for the running program (started first where none runs):\n"
                       "  zelkor --do ACTION [--force] [--in DURATION | --at TIME | --uptime DURATION\n"
                       "         | --idle MINUTES] [--target PATH|URL]\n"
                       "  zelkor --cancel | --status [--json] | --show | --hide | --toggle-hidden | --quit\n"
                       "  zelkor tasks list [--json] | add TASK-JSON | remove ID | export [--ics] [FILE]\n"
                       "         | import FILE\n"
                       "Actions: shutdown, restart, logoff, standby, hibernate, lock, poweron, remind, open.\n"
                       "Durations: 90m, 1h30m, 45s. Exit status: 0 done, 1 refused, 2 bad usage."));
    // Not addHelpOption(): its --help-all would promise Qt's options, which
    // are no business of this program's users.
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows these options and exits.")});
    parser.addOption({{QStringLiteral("v"), QStringLiteral("version")},
                      QStringLiteral("Shows the version, the layout and the files in use, and exits.")});
    for (const QtOption& option : kQtOptions) {
        QCommandLineOption qt(QLatin1String(option.name));
        if (option.takesValue)
            qt.setValueName(QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
}
} // namespace

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

Request parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments))
        return {Action::Refuse, parser.errorText()};
    if (parser.isSet(QStringLiteral("help")))
        return {Action::Help, {}};
    if (parser.isSet(QStringLiteral("version")))
        return {Action::Version, {}};
    if (!parser.positionalArguments().isEmpty())
        return {Action::Refuse,
                QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst())};
    return {};
}

QString helpText()
{
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

QString versionText(const AppPaths& paths)
{
    QString text = QStringLiteral("zelkor %1\n").arg(QLatin1String(build::kVersion));
    text += QStringLiteral("Application id: %1\n").arg(QLatin1String(build::kAppId));
    for (const auto& [label, value] : describePaths(paths))
        text += label + QStringLiteral(": ") + value + QLatin1Char('\n');
    return text;
}

QString refusalText(const Request& request)
{
    return QStringLiteral("zelkor: %1\nTry 'zelkor --help' for more information.\n").arg(request.error);
}

} // namespace zelkor::cli
