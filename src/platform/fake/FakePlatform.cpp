#include "platform/fake/FakePlatform.h"

#include <utility>

namespace zelkor {

FakePlatform::FakePlatform() : m_now(QDate(2026, 12, 7), QTime(8, 0, 0)) {}

void FakePlatform::setNow(const QDateTime& now)
{
    const qint64 passedMs = m_now.isValid() && now.isValid() ? m_now.msecsTo(now) : 0;
    if (passedMs > 0)
        m_uptime += quint64(passedMs);
    m_now = now;
}

void FakePlatform::advance(qint64 seconds)
{
    m_now = m_now.addSecs(seconds);
    m_uptime += quint64(seconds * 1000);
}

Outcome FakePlatform::startHelper(const QString& program, ProgramEnded ended)
{
    if (m_missing.contains(program))
        return Outcome::failure(program + QStringLiteral(" is missing."));
    started << program;
    running << std::move(ended);
    return Outcome::success();
}

Outcome FakePlatform::shellOpen(const QString& target, ProgramEnded ended)
{
    if (m_missing.contains(target))
        return Outcome::failure(target +
                                QStringLiteral(" cannot be opened: there is no such file."));
    opened << target;
    running << std::move(ended);
    return Outcome::success();
}

void FakePlatform::endRunning(const Outcome& outcome)
{
    const QList<ProgramEnded> ending = std::exchange(running, {});
    for (const ProgramEnded& ended : ending) {
        if (ended)
            ended(outcome);
    }
}

Outcome FakePlatform::hibernate()
{
    ++hibernations;
    advance(hibernateSeconds); // returns at the resume, like the real one
    return Outcome::success();
}

void FakePlatform::beep(int frequencyHz, int durationMs) { beeps.append({frequencyHz, durationMs}); }

} // namespace zelkor
