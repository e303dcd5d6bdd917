#include "platform/fake/FakePlatform.h"

namespace zelkor {

FakePlatform::FakePlatform() : m_now(QDate(2026, 12, 7), QTime(8, 0, 0)) {}

void FakePlatform::setNow(const QDateTime& now)
{
    const qint64 passedMs = m_now.isValid() && now.isValid() ? m_now.msecsTo(now) : 0;
    if (passedMs > 0)
        m_tick += static_cast<quint32>(passedMs);
    m_now = now;
}

void FakePlatform::advance(qint64 seconds)
{
    m_now = m_now.addSecs(seconds);
    m_tick += static_cast<quint32>(seconds * 1000);
}

Outcome FakePlatform::startDetached(const QString& program)
{
    if (m_missing.contains(program))
        return Outcome::failure(program + QStringLiteral(" is missing."));
    started << program;
    return Outcome::success();
}

Outcome FakePlatform::shellOpen(const QString& target)
{
    opened << target;
    return Outcome::success();
}

Outcome FakePlatform::hibernate()
{
    ++hibernations;
    advance(hibernateSeconds); // returns at the resume, like the real one
    return Outcome::success();
}

void FakePlatform::beep(int frequencyHz, int durationMs) { beeps.append({frequencyHz, durationMs}); }

} // namespace zelkor
