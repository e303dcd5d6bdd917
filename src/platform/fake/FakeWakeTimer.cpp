#include "platform/fake/FakeWakeTimer.h"

namespace zelkor {

Outcome FakeWakeTimer::arm(qint64 seconds)
{
    clearState();
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
