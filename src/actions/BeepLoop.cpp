#include "actions/BeepLoop.h"

#include <QTimer>

namespace zelkor {

QList<ToneStep> remindBurst()
{
    constexpr int kHz = 2350;
    constexpr int kBeepMs = 100;
    constexpr int kGapMs = 75;
    constexpr int kRestMs = 250;
    QList<ToneStep> steps;
    for (int beep = 0; beep < 4; ++beep) {
        if (beep > 0)
            steps.append(ToneStep{0, kGapMs});
        steps.append(ToneStep{kHz, kBeepMs});
    }
    steps.append(ToneStep{0, kRestMs});
    return steps;
}

int stepsDurationMs(const QList<ToneStep>& steps)
{
    int ms = 0;
    for (const ToneStep& step : steps)
        ms += step.durationMs;
    return ms;
}

BeepLoop::BeepLoop(Platform& platform, std::function<bool()> stopRequested, QObject* parent)
    : QObject(parent), m_platform(platform), m_stopRequested(std::move(stopRequested)),
      m_burstTimer(new QTimer(this))
{
    m_burstTimer->setObjectName(QStringLiteral("burstTimer"));
    m_burstTimer->setSingleShot(true);
    m_burstTimer->setTimerType(Qt::PreciseTimer);
    m_burstTimer->setInterval(stepsDurationMs(remindBurst()));
    connect(m_burstTimer, &QTimer::timeout, this, &BeepLoop::burstEnded);
}

BeepLoop::~BeepLoop() { stopNow(); }

void BeepLoop::start()
{
    stopNow();
    tellProblem({}); // a new start is judged by its own bursts
    playBurst();
}

void BeepLoop::stopNow()
{
    if (!isRunning())
        return;
    m_burstTimer->stop();
    m_platform.stopTones();
}

bool BeepLoop::isRunning() const { return m_burstTimer->isActive(); }

void BeepLoop::burstEnded()
{
    m_burstTimer->stop(); // also when called directly
    tellProblem(m_platform.toneProblem());
    if (m_stopRequested && m_stopRequested())
        return;
    playBurst();
}

void BeepLoop::tellProblem(const QString& problem)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    emit problemChanged(problem);
}

void BeepLoop::playBurst()
{
    m_platform.startTones(remindBurst());
    m_burstTimer->start();
}

} // namespace zelkor
