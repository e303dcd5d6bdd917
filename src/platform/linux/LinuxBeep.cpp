#include "platform/linux/LinuxPlatform.h"

namespace zelkor {

void LinuxPlatform::beep(int frequencyHz, int durationMs)
{
    m_tones.playAndWait({ToneStep{frequencyHz, durationMs}});
}

void LinuxPlatform::startTones(const QList<ToneStep>& steps) { m_tones.start(steps); }

void LinuxPlatform::stopTones() { m_tones.stop(); }

} // namespace zelkor
