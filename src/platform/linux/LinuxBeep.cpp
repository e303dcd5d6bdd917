#include "platform/linux/LinuxPlatform.h"

#include <QThread>

namespace zelkor {

void LinuxPlatform::beep(int /*frequencyHz*/, int durationMs) { QThread::msleep(durationMs); }

} // namespace zelkor
