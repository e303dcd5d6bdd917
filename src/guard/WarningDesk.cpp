#include "guard/WarningDesk.h"

#include "common/ActionKind.h"
#include "common/DateText.h"

namespace zelkor
{

bool inWarningWindow(const QDateTime& moment, const QDateTime& now, int leadSeconds)
{
    if (leadSeconds <= 0 || !moment.isValid() || !now.isValid())
        return false;
    const qint64 left = moment.toSecsSinceEpoch() - now.toSecsSinceEpoch();
    return left > 0 && left <= leadSeconds;
}

QString warningTitle(const Warning& warning)
{
    if (warning.source == WarningSource::Period)
        return QStringLiteral("Zelkor: the forbidden period begins");
    return QStringLiteral("Zelkor: %1 soon").arg(actionName(warning.action));
}

QString warningBody(const Warning& warning)
{
    const QString at = datetext::general(warning.moment);
    const QString what = warning.source == WarningSource::Period
                             ? QStringLiteral("The forbidden period starts at %1: %2 then.").arg(at, actionName(warning.action))
                             : QStringLiteral("%1 at %2.").arg(actionName(warning.action), at);
    QString body = what;
    // Forced, nothing will ask about unsaved work: this warning is the last word.
    if (warning.forced && endsEverySession(warning.action))
        body += QStringLiteral(" Programs are closed without asking: save your work now.");
    if (endsEverySession(warning.action) && !warning.otherUsers.isEmpty())
        body += QStringLiteral(" Other users are logged in (%1): their unsaved work is lost too.")
                    .arg(warning.otherUsers.join(QStringLiteral(", ")));
    return body;
}

void WarningDesk::setLeadSeconds(int seconds)
{
    seconds = qMax(0, seconds);
    if (seconds == m_leadSeconds)
        return;
    m_leadSeconds = seconds;
    emit leadChanged();
}

QDateTime WarningDesk::opensAt(const Warning& warning) const
{
    if (m_warned.contains(warning.key) || !isWarnedAction(warning.action) || m_leadSeconds <= 0 ||
        !warning.moment.isValid())
        return {};
    return warning.moment.addSecs(-m_leadSeconds);
}

bool WarningDesk::unseenAtAct(const Warning& warning)
{
    if (opensAt(warning).isValid())
        return true;
    // A second more asleep than then: the clocks are read a moment apart.
    constexpr quint64 kSleepSlackMs = 1000;
    const auto announced = m_warned.constFind(warning.key);
    if (announced == m_warned.cend() || asleepNow() <= *announced + kSleepSlackMs)
        return false;
    m_warned.erase(announced);
    retract(warning.key);
    return true;
}

void WarningDesk::consider(const Warning& warning, const QDateTime& now)
{
    if (m_warned.contains(warning.key) || !isWarnedAction(warning.action) ||
        !inWarningWindow(warning.moment, now, m_leadSeconds))
        return;
    m_warned.insert(warning.key, asleepNow());
    m_open.insert(warning.key);
    emit warningDue(warning);
}

void WarningDesk::retract(const QString& key)
{
    if (m_open.remove(key))
        emit warningRetracted(key);
}

void WarningDesk::retractStartingWith(const QString& prefix, const QString& keep)
{
    const QSet<QString> open = m_open;
    for (const QString& key : open)
        if (key.startsWith(prefix) && key != keep)
            retract(key);
}

} // namespace zelkor
