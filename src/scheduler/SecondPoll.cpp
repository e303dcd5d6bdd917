#include "scheduler/SecondPoll.h"

#include <QTimer>

namespace zelkor {

int msToNextTick(const QDateTime& now)
{
    const int msec = now.isValid() ? now.time().msec() : 0;
    return 1000 - msec + kTickAfterSecondMs;
}

int msToTickAt(const QDateTime& now, const QDateTime& moment)
{
    const int next = msToNextTick(now);
    if (!now.isValid() || !moment.isValid())
        return next;
    const qint64 until = moment.toSecsSinceEpoch() * 1000 + kTickAfterSecondMs - now.toMSecsSinceEpoch();
    if (until <= next)
        return next;
    if (until <= kLongestSleepMs)
        return int(until);
    return next + (kLongestSleepMs / 1000 - 1) * 1000; // on a second, as every tick
}

SecondPoll::SecondPoll(const QString& name, QObject* parent) : m_timer(new QTimer(parent))
{
    m_timer->setObjectName(name);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(1000);
}

void SecondPoll::switchOn(const QDateTime& now, const QDateTime& nextLook)
{
    m_on = true;
    m_timer->start(msToTickAt(now, nextLook));
}

void SecondPoll::switchOff()
{
    m_on = false;
    m_timer->stop();
}

void SecondPoll::rearm(const QDateTime& now, const QDateTime& nextLook)
{
    if (m_on)
        m_timer->start(msToTickAt(now, nextLook));
}

} // namespace zelkor
