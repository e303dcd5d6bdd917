#include "actions/ActionExecutor.h"

#include "common/ActionKind.h"

namespace zelkor {

ActionExecutor::ActionExecutor(Platform& platform, AppState& state, QObject* parent)
    : QObject(parent), m_platform(platform), m_state(state)
{
}

void ActionExecutor::enableShutdownPrivilege()
{
    // Nothing to enable here: logind asks polkit at every request. The call
    // stays so that every action keeps its order of steps.
}

void ActionExecutor::shellOpen(const QString& target)
{
    // A target the desktop cannot open is not reported, as before.
    m_platform.shellOpen(target);
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

void ActionExecutor::runHelper(const QString& name)
{
    report(name, m_platform.startDetached(helperPath(name)));
}

void ActionExecutor::performAction(int kind, bool forced, const QString& text)
{
    enableShutdownPrivilege();
    switch (kind) {
    case int(ActionKind::ShutDown):
    case int(ActionKind::Restart):
    case int(ActionKind::LogOff):
    case int(ActionKind::StandBy):
    case int(ActionKind::Lock):
        runHelper(helperName(kind, forced));
        break;
    case int(ActionKind::Hibernate):
        // Set before the request, so our own suspend is let through.
        m_state.selfSuspend = true;
        emit aboutToHibernate();
        report(QStringLiteral("hibernate"), m_platform.hibernate());
        break;
    case int(ActionKind::EventsRemind):
        m_state.remindText = text;
        if (m_showReminder)
            m_showReminder();
        break;
    case int(ActionKind::OpenTarget): {
        const QString target = text.trimmed();
        if (!target.isEmpty())
            shellOpen(target);
        break;
    }
    default: // Power On is armed elsewhere; unknown codes do nothing
        break;
    }
}

void ActionExecutor::report(const QString& key, const Outcome& outcome)
{
    if (outcome.ok) {
        m_reported.remove(key);
        return;
    }
    if (m_reported.value(key) == outcome.error)
        return;
    m_reported.insert(key, outcome.error);
    emit problem(outcome.error);
}

} // namespace zelkor
