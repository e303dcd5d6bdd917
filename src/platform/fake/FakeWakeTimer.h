#pragma once

#include "platform/WakeTimer.h"

#include <functional>

namespace zelkor {

// Wake timer for tests: records what it was armed with and fires only when
// told to (fire() now, fireLater() from the event loop).
class FakeWakeTimer final : public WakeTimer {
    Q_OBJECT
public:
    using WakeTimer::WakeTimer;

    // --- test controls ---
    void fire() { signal(); }
    void fireLater(); // queued, no object created
    void breakDown(const QString& why) { fail(why); }
    void setArmError(const QString& why) { m_armError = why; }
    void setNoWake(const QString& why) { m_noWake = why; }
    std::function<void(qint64 seconds)> onArm; // runs after each arm

    // --- recorded ---
    QList<qint64> armed; // seconds of every arm (rounded up), in order
    int disarms = 0;
    bool isArmed() const { return m_armed; }

    // --- WakeTimer ---
    Outcome armMs(qint64 ms) override;
    void disarm() override
    {
        ++disarms;
        m_armed = false;
    }
    bool canWake() const override { return m_noWake.isEmpty(); }
    QString whyNoWake() const override { return m_noWake; }

private:
    QString m_armError;
    QString m_noWake;
    bool m_armed = false;
};

} // namespace zelkor
