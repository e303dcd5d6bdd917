#pragma once

#include <QDateTime>
#include <QString>

class QObject;
class QTimer;

namespace zelkor {

// How long after the wall clock's second boundary a poll ticks: late enough
// that the clock reads the new second, early enough to act within it.
constexpr int kTickAfterSecondMs = 5;

// Milliseconds from `now` to kTickAfterSecondMs past the next whole second.
int msToNextTick(const QDateTime& now);

// A once-per-second poll whose ticks fall just after each second of the wall
// clock. Every tick is a single shot aimed anew from the clock's reading, so
// after a resume or a change of the clock the next tick still comes within a
// second and sees the true time; ticks missed meanwhile are not replayed.
class SecondPoll {
public:
    // The timer is a child of `parent`, named `name`; its timeout is the tick.
    SecondPoll(const QString& name, QObject* parent);

    QTimer* timer() const { return m_timer; }
    bool isOn() const { return m_on; }
    void switchOn(const QDateTime& now);
    void switchOff();
    // After a tick: aims at the next second if the poll is still on.
    void rearm(const QDateTime& now);

private:
    QTimer* m_timer = nullptr;
    bool m_on = false;
};

} // namespace zelkor
