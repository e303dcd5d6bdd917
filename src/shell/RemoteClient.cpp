// The command line's side of the D-Bus interface: finds (or starts) the
// running program, hands the command over and prints the answer.
#include "shell/RemoteCommand.h"

#include "common/ActionKind.h"
#include "common/AppPaths.h"
#include "common/DurationText.h"
#include "common/SafeFile.h"
#include "platform/linux/InstanceLock.h"
#include "shell/RemoteControl.h"
#include "tasks/TaskFile.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <optional>

#include <cstdio>

namespace zelkor::cli {

namespace {
constexpr char kStartedForCommand[] = "ZELKOR_STARTED_FOR_COMMAND";
constexpr int kStartTimeoutMs = 20000;
constexpr int kCallTimeoutMs = 30000;
// The program gives up on a hibernation that has not begun after 30 s, and
// says why: its answer must not lose the race with ours.
constexpr int kHibernateCallTimeoutMs = 45000;
constexpr qint64 kMaxTaskFileBytes = qint64(32) << 20; // some 300,000 tasks

int say(int status, const QString& message)
{
    QTextStream(stderr) << "zelkor: " << QString(message).replace(QLatin1Char('\n'), QLatin1Char(' ')) << Qt::endl;
    return status;
}

// Where no program runs, one is started as the user would start it, so it
// comes up hidden or in the tray as its settings say. A program that is
// starting (it holds the instance lock, and offers its name once started) is
// waited for instead: another one would stop at the single-instance box.
bool ensureRunning(QDBusConnection& bus, bool mayStart)
{
    QDBusConnectionInterface* names = bus.interface();
    if (names->isServiceRegistered(kRemoteName))
        return true;
    // Commands given at once (several scripts at login) would each start a
    // program, and all but one would stop at the single-instance box: one
    // starts it, the others wait for it.
    QLockFile starting(lockPath() + QStringLiteral(".starting"));
    if (!starting.tryLock(kStartTimeoutMs))
        return false;
    if (names->isServiceRegistered(kRemoteName))
        return true;
    if (!InstanceLock::holder(lockPath())) {
        if (!mayStart)
            return false;
        // Not on our output: a script reading it would wait for the program's end.
        QProcess program;
        program.setProgram(QCoreApplication::applicationFilePath());
        program.setStandardInputFile(QProcess::nullDevice());
        program.setStandardOutputFile(QProcess::nullDevice());
        program.setStandardErrorFile(QProcess::nullDevice());
        // Should a start race it to the lock, this one ends without a word.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kStartedForCommand), QStringLiteral("1"));
        program.setProcessEnvironment(environment);
        if (!program.startDetached())
            return false;
    }
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (names->isServiceRegistered(kRemoteName))
            return true;
        QThread::msleep(100);
    }
    return false;
}

// One task a line, its fields apart by tabs: a message's own line breaks,
// tabs and terminal controls are written escaped, as a C string writes them.
QString escapedField(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            // C0, DEL and C1: a terminal takes C1 codes (CSI, NEL) as commands too.
            if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString taskLine(const QJsonObject& t)
{
    const QString schedule = t.value(QStringLiteral("schedule")).toString();
    QString when;
    if (schedule == QLatin1String("forbidden"))
        when = t.value(QStringLiteral("from")).toString() + QStringLiteral("-") + t.value(QStringLiteral("until")).toString();
    else if (schedule == QLatin1String("once"))
        when = t.value(QStringLiteral("at")).toString().replace(QLatin1Char('T'), QLatin1Char(' '));
    else if (schedule == QLatin1String("monthly"))
        when = QStringLiteral("day %1 %2").arg(t.value(QStringLiteral("day")).toInt()).arg(t.value(QStringLiteral("time")).toString());
    else if (schedule == QLatin1String("weekly")) {
        QStringList days;
        for (const QJsonValue& d : t.value(QStringLiteral("days")).toArray())
            days << d.toString();
        when = days.join(QLatin1Char(',')) + QLatin1Char(' ') + t.value(QStringLiteral("time")).toString();
    } else
        when = t.value(QStringLiteral("time")).toString();
    QString line = QStringLiteral("%1\t%2\t%3\t%4")
                       .arg(t.value(QStringLiteral("id")).toInteger())
                       .arg(schedule, when, t.value(QStringLiteral("action")).toString());
    for (const char* key : {"target", "message"})
        if (t.contains(QLatin1String(key)))
            line +=
                QStringLiteral("\t%1: %2")
                    .arg(QLatin1String(key), escapedField(t.value(QLatin1String(key)).toString()));
    return line;
}

QString statusText(const QVariantMap& s)
{
    if (!s.value(QStringLiteral("counting")).toBool())
        return QStringLiteral("No countdown.");
    const QString action = s.value(QStringLiteral("action")).toString();
    // Forced changes nothing of a lock or a log off: not said of them.
    const bool forced = s.value(QStringLiteral("forced")).toBool() && hasForcedForm(actionCode(action));
    return QStringLiteral("%1%2 in %3, at %4 (%5 countdown)")
        .arg(action, forced ? QStringLiteral(" (forced)") : QString(),
             durationtext::formatDuration(s.value(QStringLiteral("secondsLeft")).toLongLong()),
             durationtext::formatMoment(
                 QDateTime::fromString(s.value(QStringLiteral("moment")).toString(), Qt::ISODate)),
             s.value(QStringLiteral("mode")).toString());
}

// The file's bytes, or why they cannot be had.
std::optional<QString> readInput(const QString& file, QByteArray* text)
{
    QFile in;
    const bool opened = file == QLatin1String("-") ? in.open(stdin, QIODevice::ReadOnly)
                                                   : (in.setFileName(file), in.open(QIODevice::ReadOnly));
    if (opened)
        *text = in.read(kMaxTaskFileBytes + 1);
    // A folder opens, and fails at the read.
    if (!opened || in.error() != QFileDevice::NoError)
        return in.errorString();
    // One message on the bus holds it: a larger one would jam the program's
    // connection, or never be sent at all.
    if (text->size() > kMaxTaskFileBytes)
        return QStringLiteral("it is larger than %1 MiB, more than any task file")
            .arg(kMaxTaskFileBytes >> 20);
    return std::nullopt;
}

// A backup is replaced whole or not at all, never left half written; a device
// or a pipe (/dev/stdout, a FIFO) is written to as it stands.
Outcome writeExport(const QString& path, const QByteArray& bytes)
{
    // Looked at through its links as the kernel follows them: /dev/stdout
    // leads to a pipe that has no name of its own.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly) || device.write(bytes) < 0 || !device.flush())
            return Outcome::failure(QStringLiteral("cannot write %1: %2").arg(path, device.errorString()));
        return Outcome::success();
    }
    return safefile::replaceRegular(QStringLiteral("The export file"), path, bytes);
}
} // namespace

bool takeStartedForCommand()
{
    const bool marked = qEnvironmentVariableIsSet(kStartedForCommand);
    qunsetenv(kStartedForCommand);
    return marked;
}

int run(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QString why;
    const auto command = parseCommand(QCoreApplication::arguments(), QDateTime::currentDateTime(), QLocale(), &why);
    if (!command)
        return say(kBadUsage, why);
    const Command& c = *command;

    QString method;
    QVariantList args;
    QByteArray input;
    switch (c.kind) {
    case Command::Help:
        std::fputs(qPrintable(helpText()), stdout);
        return kDone;
    case Command::Perform: method = QStringLiteral("PerformAction"); args = {c.action, c.forced, c.target}; break;
    case Command::Countdown:
        method = QStringLiteral("StartCountdown");
        args = {c.mode, c.value, c.action, c.forced, c.target};
        break;
    case Command::Cancel: method = QStringLiteral("StopCountdown"); break;
    case Command::Status: method = QStringLiteral("GetCountdown"); break;
    case Command::Show: method = QStringLiteral("Show"); break;
    case Command::Hide: method = QStringLiteral("Hide"); break;
    case Command::ToggleHidden: method = QStringLiteral("ToggleHidden"); break;
    case Command::Quit: method = QStringLiteral("Quit"); break;
    case Command::TasksList: method = QStringLiteral("ListTasks"); break;
    case Command::TasksAdd: method = QStringLiteral("AddTask"); args = {c.task}; break;
    case Command::TasksRemove: method = QStringLiteral("DeleteTask"); args = {qlonglong(c.id)}; break;
    case Command::TasksExport: method = c.calendar ? QStringLiteral("ExportCalendar") : QStringLiteral("ExportTasks"); break;
    case Command::TasksImport: {
        if (const auto why = readInput(c.file, &input))
            return say(kBadUsage, QStringLiteral("cannot read %1: %2").arg(c.file, *why));
        // Another encoding would be read with its letters replaced, and stored so.
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(input);
        if (utf8.hasError())
            return say(kBadUsage,
                       QStringLiteral("%1 is not UTF-8 text: nothing was imported").arg(c.file));
        method = QStringLiteral("ImportTasks");
        args = {text};
        break;
    }
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return say(kRefused, QStringLiteral("no session bus: %1").arg(bus.lastError().message()));
    // Nothing to end where nothing runs: not started only to be ended. One
    // that is starting is waited for, and ended.
    if (c.kind == Command::Quit && !bus.interface()->isServiceRegistered(kRemoteName) &&
        !InstanceLock::holder(lockPath()))
        return kDone;
    if (!ensureRunning(bus, c.kind != Command::Quit)) {
        if (c.kind == Command::Quit && !InstanceLock::holder(lockPath()))
            return kDone; // it ended before it started up
        return say(kRefused, QStringLiteral("Zelkor is not running and could not be started"));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kRemoteName, kRemotePath, kRemoteInterface, method);
    call.setArguments(args);
    const int timeoutMs =
        c.kind == Command::Perform && c.action == actionKey(int(ActionKind::Hibernate))
            ? kHibernateCallTimeoutMs
            : kCallTimeoutMs;
    QElapsedTimer waited;
    waited.start();
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    // The call cannot be taken back: a program that is only slow still does
    // it. (The same error comes at once from a program that ended meanwhile.)
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") &&
        waited.hasExpired(timeoutMs - 1000))
        return say(kRefused,
                   QStringLiteral("Zelkor did not answer within %1 seconds (it is busy or "
                                  "hangs); it may still do this once it answers.")
                       .arg(timeoutMs / 1000));
    if (reply.type() != QDBusMessage::ReplyMessage)
        return say(reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs") ? kBadUsage : kRefused,
                   reply.errorMessage());

    QTextStream out(stdout);
    const QVariant first = reply.arguments().value(0);
    switch (c.kind) {
    case Command::Status: {
        const QVariantMap state = qdbus_cast<QVariantMap>(first);
        if (c.json)
            out << QJsonDocument(QJsonObject::fromVariantMap(state)).toJson(QJsonDocument::Compact) << '\n';
        else
            out << statusText(state) << '\n';
        break;
    }
    case Command::TasksList:
        if (c.json) {
            out << first.toString();
        } else {
            const QJsonArray tasks = QJsonDocument::fromJson(first.toString().toUtf8()).object()
                                         .value(QStringLiteral("tasks")).toArray();
            for (const QJsonValue& t : tasks)
                out << taskLine(t.toObject()) << '\n';
        }
        break;
    case Command::TasksAdd: out << first.toLongLong() << '\n'; break;
    case Command::Quit:
        if (const QString unsaved = first.toString(); !unsaved.isEmpty())
            return say(kRefused, QStringLiteral("Zelkor has ended without saving its settings. %1").arg(unsaved));
        break;
    case Command::TasksImport: {
        out << (first.toInt() == 1 ? QStringLiteral("1 task imported.")
                                   : QStringLiteral("%1 tasks imported.").arg(first.toInt()));
        // Kept as exported, but not to be taken for tasks still to come.
        const QList<TaskDraft> drafts = taskfile::parse(input).drafts;
        const QDateTime now = QDateTime::currentDateTime();
        if (const auto passed = std::count_if(drafts.begin(), drafts.end(),
                                              [&now](const TaskDraft& d) { return hasPassed(d, now); }))
            out << (passed == 1 ? QStringLiteral(" 1 of them is a Once task that has passed: it will not run.")
                                : QStringLiteral(" %1 of them are Once tasks that have passed: they will not run.")
                                      .arg(passed));
        out << '\n';
        break;
    }
    case Command::TasksExport:
        if (c.file.isEmpty() || c.file == QLatin1String("-")) {
            out << first.toString();
        } else {
            if (const Outcome written = writeExport(c.file, first.toString().toUtf8()); !written.ok)
                return say(kRefused, written.error);
        }
        break;
    default: break;
    }
    // A full disk or a closed pipe: the answer did not arrive, which a script must learn.
    out.flush();
    if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout))
        return say(kRefused, QStringLiteral("cannot write the answer to the standard output"));
    return kDone;
}

} // namespace zelkor::cli
