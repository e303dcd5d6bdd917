#include "platform/linux/LinuxPlatform.h"

namespace zelkor {

std::optional<quint32> LinuxPlatform::lastInputTick() { return std::nullopt; }

QString LinuxPlatform::idleUnavailableReason() const
{
    return QStringLiteral("This desktop does not tell how long it has been idle.");
}

} // namespace zelkor
