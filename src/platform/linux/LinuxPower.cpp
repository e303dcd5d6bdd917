#include "platform/linux/LinuxPlatform.h"

namespace zelkor {

Outcome LinuxPlatform::hibernate()
{
    return Outcome::failure(QStringLiteral("Hibernation is not available."));
}

} // namespace zelkor
