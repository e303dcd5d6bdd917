#include "actions/ActionExecutor.h"

#include "common/ActionKind.h"

#include <QPointer>

namespace zelkor {

namespace {
const QString kHibernateKey = QStringLiteral("hibernate");
} // namespace

ActionExecutor::ActionExecutor(Platform& platform, AppState& state, QObject* parent)
    : QObject(parent), m_platform(platform), m_state(state)
{
}

void ActionExecutor::enableShutdownPrivilege()
{
    // Nothing to enable here: logind asks polkit at every request. The call
    // stays so that every action keeps its order of steps.
}

QString ActionExecutor::openKey(const QString& target) { return QStringLiteral("open ") + target; }

Outcome ActionExecutor::shellOpen(const QString& target)
{
    const QString key = openKey(target);
    const Outcome handedOver = m_platform.shellOpen(target, reportLater(key));
    if (!handedOver.ok)
        report(key, handedOver);
    return handedOver;
}

QString ActionExecutor::helperName(int kind, bool forced)
{
    switch (static_cast<ActionKind>(kind)) {
    case ActionKind::ShutDown:
        return forced ? QStringLiteral("guan_f.dll") : QStringLiteral("guan.dll");
    case ActionKind::Restart:
        return forced ? QStringLiteral("res_f.dll") : QStringLiteral("res.dll");
    case ActionKind::LogOff:
        return QStringLiteral("log.dll");
    case ActionKind::StandBy:
        return forced ? QStringLiteral("gua_f.dll") : QStringLiteral("gua.dll");
    case ActionKind::Lock:
        return QStringLiteral("suo.dll");
    default:
        return {};
    }
}

QString ActionExecutor::helperPath(const QString& name) const
{
    return m_state.paths.programDir + QStringLiteral("/dll/") + name;
}

Outcome ActionExecutor::runHelper(const QString& name)
{
    const Outcome started = m_platform.startHelper(helperPath(name), reportLater(name));
    // Started is not done: only the helper's own end says whether it worked.
    if (!started.ok)
        report(name, started);
    return started;
}

Outcome ActionExecutor::performAction(int kind, bool forced, const QString& text)
{
    // The user chose Exit, and a last box may still wait for an answer:
    // nothing the program had in hand acts any more.
    if (m_state.exitRequested)
        return Outcome::failure(QStringLiteral("Zelkor is exiting."));
    enableShutdownPrivilege();
    switch (kind) {
    case int(ActionKind::ShutDown):
    case int(ActionKind::Restart):
    case int(ActionKind::LogOff):
    case int(ActionKind::StandBy):
    case int(ActionKind::Lock):
        return runHelper(helperName(kind, forced));
    case int(ActionKind::Hibernate): {
        // Set for the request, so our own suspend is let through; cleared
        // once the computer is back or the request failed, so that foreign
        // suspends are refused again.
        m_state.selfSuspend = true;
        emit ownHibernation();
        const Outcome requested = m_platform.hibernate();
        m_state.selfSuspend = false;
        emit ownHibernation();
        report(kHibernateKey, requested);
        return requested;
    }
    case int(ActionKind::EventsRemind):
        m_state.remindText = text;
        if (m_showReminder)
            m_showReminder();
        break;
    case int(ActionKind::OpenTarget):
        if (const QString target = text.trimmed(); !target.isEmpty())
            return shellOpen(target);
        break;
    default: // Power On is armed elsewhere; unknown codes do nothing
        break;
    }
    return Outcome::success();
}

QString ActionExecutor::laterEndKey(int kind, bool forced, const QString& text)
{
    return kind == int(ActionKind::OpenTarget) ? openKey(text.trimmed()) : helperName(kind, forced);
}

Outcome ActionExecutor::performRequested(int kind, bool forced, const QString& text)
{
    m_told.forget(kind == int(ActionKind::Hibernate) ? kHibernateKey : laterEndKey(kind, forced, text));
    return performAction(kind, forced, text);
}

void ActionExecutor::report(const QString& key, const Outcome& outcome)
{
    if (m_told.shouldTell(key, outcome))
        emit problem(outcome.error);
}

Platform::ProgramEnded ActionExecutor::reportLater(const QString& key)
{
    return [self = QPointer<ActionExecutor>(this), key](const Outcome& outcome) {
        if (self) {
            self->report(key, outcome);
            emit self->ended(key, outcome);
        }
    };
}

} // namespace zelkor
