#include "HelperRunner.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <optional>

namespace zelkor::helper {

namespace {
QString busName(Bus bus)
{
    return bus == Bus::System ? QStringLiteral("system message bus")
                              : QStringLiteral("session message bus");
}

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}
} // namespace

RunResult runPlan(const Plan& plan, const BusProvider& buses, int timeoutMs)
{
    RunResult result;
    std::optional<QDBusConnection> system;
    std::optional<QDBusConnection> session;
    bool sessionManagerMissing = false;
    for (const Attempt& attempt : plan.attempts) {
        std::optional<QDBusConnection>& connection = attempt.bus == Bus::System ? system : session;
        if (!connection)
            connection = buses(attempt.bus);
        QDBusConnection bus = *connection;
        if (!bus.isConnected()) {
            const QString line =
                QStringLiteral("The %1 cannot be reached.").arg(busName(attempt.bus));
            if (!result.messages.contains(line))
                result.messages.append(line);
            continue;
        }
        // Only a running session manager is asked: calling an absent one
        // could start some other desktop's through activation.
        if (attempt.sessionManager && !bus.interface()->isServiceRegistered(attempt.service)) {
            sessionManagerMissing = true;
            continue;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(attempt.service, attempt.path,
                                                           attempt.interface, attempt.method);
        call.setArguments(attempt.args);
        const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
        CallResult outcome = CallResult::Done;
        if (reply.type() == QDBusMessage::ErrorMessage) {
            outcome = classifyError(reply.errorName());
        } else if (reply.type() != QDBusMessage::ReplyMessage) {
            outcome = CallResult::NoAnswer;
        }
        switch (outcome) {
        case CallResult::Done:
            break;
        case CallResult::NotThere:
            if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
                result.messages.append(
                    QStringLiteral("%1 is not running.").arg(capitalized(attempt.who)));
            else
                result.messages.append(QStringLiteral("%1 does not offer this (%2).")
                                           .arg(capitalized(attempt.who), reply.errorMessage()));
            break;
        case CallResult::Refused:
            result.messages.append(QStringLiteral("%1 refused: %2")
                                       .arg(capitalized(attempt.who), reply.errorMessage()));
            break;
        case CallResult::NoAnswer:
            if (attempt.sessionManager)
                result.messages.append(
                    QStringLiteral("The session manager did not answer within %1 seconds (%2); it "
                                   "may still be asking the open applications, so nothing else "
                                   "was tried.")
                        .arg(timeoutMs / 1000.0)
                        .arg(attempt.who));
            else
                result.messages.append(QStringLiteral("%1 did not answer within %2 seconds.")
                                           .arg(capitalized(attempt.who))
                                           .arg(timeoutMs / 1000.0));
            break;
        }
        if (nextAfter(attempt, outcome) == Next::Stop) {
            // A session manager still at work is no success yet: whoever
            // started us must not take silence for done.
            result.ok = outcome == CallResult::Done;
            if (result.ok)
                result.doneBy = attempt.who;
            return result;
        }
    }
    if (sessionManagerMissing)
        result.messages.prepend(QStringLiteral("No desktop session manager is running."));
    return result;
}

QStringList usageText(const QString& name, const Plan& plan)
{
    return {QStringLiteral("usage: %1").arg(name),
            QStringLiteral("Takes no arguments: started alone, it asks to %1.").arg(plan.what),
            QStringLiteral("Nothing was done.")};
}

QStringList failureText(const Plan& plan, const RunResult& result)
{
    QStringList lines{QStringLiteral("Could not %1.").arg(plan.what)};
    for (const QString& message : result.messages)
        lines.append(QStringLiteral("  ") + message);
    return lines;
}

} // namespace zelkor::helper
