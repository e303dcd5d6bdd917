#include "platform/fake/FakeWakeTimer.h"

namespace zelkor {

Outcome FakeWakeTimer::armMs(qint64 ms)
{
    clearState();
    const qint64 seconds = ms > 0 ? (ms + 999) / 1000 : 0;
    armed << seconds;
    if (!m_armError.isEmpty())
        return Outcome::failure(m_armError);
    m_armed = true;
    if (onArm)
        onArm(seconds);
    return Outcome::success();
}

void FakeWakeTimer::fireLater()
{
    QMetaObject::invokeMethod(
        this, [this] { fire(); }, Qt::QueuedConnection);
}

} // namespace zelkor
