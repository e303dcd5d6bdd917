#include "shell/RemoteCommand.h"

#include "common/ActionKind.h"
#include "common/DurationText.h"
#include "countdown/CountdownMath.h"
#include "platform/linux/ShellTarget.h"
#include "tasks/TaskFile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

namespace zelkor::cli {

namespace {
const QStringList kCommandOptions{
    QStringLiteral("--do"),     QStringLiteral("--cancel"), QStringLiteral("--status"),
    QStringLiteral("--show"),   QStringLiteral("--hide"),   QStringLiteral("--toggle-hidden"),
    QStringLiteral("--in"),     QStringLiteral("--at"),     QStringLiteral("--uptime"),
    QStringLiteral("--idle"),   QStringLiteral("--target"), QStringLiteral("--force"),
    QStringLiteral("--quit"),
};

// Dropped without a word, an option would leave the caller believing it was heeded.
std::optional<QString> misplacedOption(const Command& c)
{
    if (c.json && c.kind != Command::TasksList && c.kind != Command::Status)
        return QStringLiteral("--json goes with --status and tasks list");
    if (c.calendar && c.kind != Command::TasksExport)
        return QStringLiteral("--ics goes with tasks export");
    return std::nullopt;
}

// A file is named from the caller's folder, which the running program does
// not share, also one that is not there (else the program would look for it
// in its own); an address goes as written.
QString fromCallersFolder(const QString& target)
{
    const ShellTarget how = classifyShellTarget(target, QDir::currentPath());
    return how.kind == ShellTarget::Kind::Address ? target : how.path;
}

// The same for a task's "target". Text the program refuses anyway (not JSON,
// a field given twice) goes as written, so that it can say why.
QString withTargetFromCallersFolder(const QString& task)
{
    QJsonObject object = QJsonDocument::fromJson(task.toUtf8()).object();
    const QString target = object.value(QStringLiteral("target")).toString().trimmed();
    if (target.isEmpty() || !taskfile::repeatedField(task.toUtf8()).isEmpty())
        return task;
    object.insert(QStringLiteral("target"), fromCallersFolder(target));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<Command> fail(QString* why, const QString& reason)
{
    *why = reason;
    return std::nullopt;
}
} // namespace

bool isCommand(const QStringList& arguments)
{
    for (const QString& a : arguments.mid(1)) {
        const QString name = a.section(QLatin1Char('='), 0, 0);
        if (kCommandOptions.contains(name))
            return true;
    }
    return arguments.size() > 1 && arguments.at(1) == QLatin1String("tasks");
}

bool isCommand(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return isCommand(arguments);
}

std::optional<Command> parseCommand(const QStringList& arguments, const QDateTime& now,
                                    const QLocale& locale, QString* why)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption doOption(QStringLiteral("do"), QString(), QStringLiteral("action"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption in(QStringLiteral("in"), QString(), QStringLiteral("duration"));
    const QCommandLineOption at(QStringLiteral("at"), QString(), QStringLiteral("time"));
    const QCommandLineOption uptime(QStringLiteral("uptime"), QString(), QStringLiteral("duration"));
    const QCommandLineOption idle(QStringLiteral("idle"), QString(), QStringLiteral("minutes"));
    const QCommandLineOption target(QStringLiteral("target"), QString(), QStringLiteral("target"));
    const QCommandLineOption cancel(QStringLiteral("cancel"));
    const QCommandLineOption status(QStringLiteral("status"));
    const QCommandLineOption show(QStringLiteral("show"));
    const QCommandLineOption hide(QStringLiteral("hide"));
    const QCommandLineOption toggle(QStringLiteral("toggle-hidden"));
    const QCommandLineOption quit(QStringLiteral("quit"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption ics(QStringLiteral("ics"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    p.addOptions({doOption, force, in, at, uptime, idle, target, cancel, status, show, hide, toggle,
                  quit, json, ics, help});
    if (!p.parse(arguments))
        return fail(why, p.errorText());
    // Of an option given twice one would be dropped without a word.
    const QStringList given = p.optionNames();
    for (const QString& name : given)
        if (given.count(name) > 1)
            return fail(why, QStringLiteral("--%1 is given twice.").arg(name));

    Command c;
    if (p.isSet(help)) { // among known options, as a lone --help
        c.kind = Command::Help;
        return c;
    }
    c.json = p.isSet(json);
    c.calendar = p.isSet(ics);
    const QStringList words = p.positionalArguments();
    if (!words.isEmpty()) {
        if (words.first() != QLatin1String("tasks"))
            return fail(why, QStringLiteral("unknown command \"%1\"").arg(words.first()));
        const QString sub = words.value(1);
        const QStringList rest = words.mid(2);
        if (sub == QLatin1String("list") && rest.isEmpty()) {
            c.kind = Command::TasksList;
        } else if (sub == QLatin1String("add") && rest.size() == 1) {
            c.kind = Command::TasksAdd;
            c.task = withTargetFromCallersFolder(rest.first());
        } else if (sub == QLatin1String("remove") && rest.size() == 1) {
            bool ok = false;
            c.id = rest.first().toLongLong(&ok);
            if (!ok || c.id <= 0)
                return fail(why, QStringLiteral("\"%1\" is no task id").arg(rest.first()));
            c.kind = Command::TasksRemove;
        } else if (sub == QLatin1String("export") && rest.size() <= 1) {
            c.kind = Command::TasksExport;
            c.file = rest.value(0);
        } else if (sub == QLatin1String("import") && rest.size() == 1) {
            c.kind = Command::TasksImport;
            c.file = rest.first();
        } else {
            return fail(why, QStringLiteral("usage: zelkor tasks list [--json] | add TASK-JSON | remove ID | "
                                            "export [--ics] [FILE] | import FILE"));
        }
        if (const auto misplaced = misplacedOption(c))
            return fail(why, *misplaced);
        return c;
    }

    const QList<const QCommandLineOption*> timings{&in, &at, &uptime, &idle};
    int timingCount = 0;
    for (const QCommandLineOption* t : timings)
        timingCount += p.isSet(*t) ? 1 : 0;
    if (timingCount > 1)
        return fail(why, QStringLiteral("give at most one of --in, --at, --uptime and --idle"));
    if (p.isSet(doOption)) {
        c.action = p.value(doOption);
        const int code = actionCode(c.action);
        if (!code)
            return fail(why, whyNoAction(c.action));
        c.action = actionKey(code);
        c.forced = p.isSet(force);
        c.target = p.value(target).trimmed();
        c.kind = timingCount ? Command::Countdown : Command::Perform;
        if (const auto misplaced = misplacedOption(c))
            return fail(why, *misplaced);
        if (p.isSet(target) && code != int(ActionKind::OpenTarget) && code != int(ActionKind::EventsRemind) &&
            code != int(ActionKind::PowerOn))
            return fail(why, QStringLiteral("--target goes with --do open, remind or poweron"));
        if (code == int(ActionKind::OpenTarget) && c.target.isEmpty())
            return fail(why, QStringLiteral("--do open needs --target"));
        if (code == int(ActionKind::OpenTarget))
            c.target = fromCallersFolder(c.target);
        if (p.isSet(at)) {
            const auto moment = durationtext::parseMoment(p.value(at), now, locale);
            if (!moment)
                return fail(why, QStringLiteral("\"%1\" is no date and time (like 2027-01-31T08:30 or 22:15)")
                                     .arg(p.value(at)));
            c.mode = countdown::modeKeys().at(countdown::At);
            c.value = moment->toOffsetFromUtc(moment->offsetFromUtc()).toString(Qt::ISODate);
        } else if (p.isSet(idle)) {
            bool ok = false;
            const int minutes = p.value(idle).toInt(&ok);
            if (!ok || minutes <= 0)
                return fail(why, QStringLiteral("--idle takes a number of minutes above 0, not \"%1\"").arg(p.value(idle)));
            c.mode = countdown::modeKeys().at(countdown::Quiet);
            c.value = QString::number(qint64(minutes) * 60);
        } else if (timingCount) {
            const QCommandLineOption& given = p.isSet(in) ? in : uptime;
            const QString text = p.value(given);
            const auto seconds = durationtext::parseDuration(text);
            if (!seconds || *seconds == 0)
                return fail(why, durationtext::whyNoDuration(text));
            c.mode = countdown::modeKeys().at(p.isSet(in) ? countdown::After : countdown::Uptime);
            c.value = QString::number(*seconds);
        }
        return c;
    }
    if (timingCount || p.isSet(force) || p.isSet(target))
        return fail(why, QStringLiteral("--in, --at, --uptime, --idle, --force and --target go with --do ACTION"));
    const QList<std::pair<const QCommandLineOption*, Command::Kind>> plain{
        {&cancel, Command::Cancel}, {&status, Command::Status}, {&show, Command::Show},
        {&hide, Command::Hide}, {&toggle, Command::ToggleHidden}, {&quit, Command::Quit}};
    int chosen = 0;
    for (const auto& [option, kind] : plain)
        if (p.isSet(*option)) {
            c.kind = kind;
            ++chosen;
        }
    if (chosen != 1)
        return fail(why, QStringLiteral("give one of --do, --cancel, --status, --show, --hide, --toggle-hidden, --quit or tasks"));
    if (const auto misplaced = misplacedOption(c))
        return fail(why, *misplaced);
    return c;
}

} // namespace zelkor::cli
