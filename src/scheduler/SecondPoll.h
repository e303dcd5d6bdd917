#pragma once

#include <QDateTime>
#include <QString>

class QObject;
class QTimer;

namespace zelkor {

// How long after the wall clock's second boundary a poll ticks: late enough
// that the clock reads the new second, early enough to act within it.
constexpr int kTickAfterSecondMs = 5;

// The longest a poll sleeps while what it waits for is further off. Its timer
// counts no time while the computer sleeps and knows nothing of a clock that
// is set: a look at least once a minute bounds what a missed word of either
// can cost.
constexpr int kLongestSleepMs = 60 * 1000;

// Milliseconds from `now` to kTickAfterSecondMs past the next whole second.
int msToNextTick(const QDateTime& now);
// Milliseconds from `now` to the tick of `moment`'s second: the next second's
// when that moment has come or is not valid, and never much more than
// kLongestSleepMs (the tick then falls on an earlier second).
int msToTickAt(const QDateTime& now, const QDateTime& moment);

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
    void switchOn(const QDateTime& now, const QDateTime& nextLook = {});
    void switchOff();
    // After a tick: aims at the next second, or at `nextLook`'s, if the poll
    // is still on.
    void rearm(const QDateTime& now, const QDateTime& nextLook = {});

private:
    QTimer* m_timer = nullptr;
    bool m_on = false;
};

} // namespace zelkor
