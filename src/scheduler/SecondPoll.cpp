#include "scheduler/SecondPoll.h"

#include <QTimer>

namespace zelkor {

int msToNextTick(const QDateTime& now)
{
    const int msec = now.isValid() ? now.time().msec() : 0;
    return 1000 - msec + kTickAfterSecondMs;
}

SecondPoll::SecondPoll(const QString& name, QObject* parent) : m_timer(new QTimer(parent))
{
    m_timer->setObjectName(name);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(1000);
}

void SecondPoll::switchOn(const QDateTime& now)
{
    m_on = true;
    m_timer->start(msToNextTick(now));
}

void SecondPoll::switchOff()
{
    m_on = false;
    m_timer->stop();
}

void SecondPoll::rearm(const QDateTime& now)
{
    if (m_on)
        m_timer->start(msToNextTick(now));
}

} // namespace zelkor
