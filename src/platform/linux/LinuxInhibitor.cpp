#include "platform/linux/LinuxPlatform.h"

namespace zelkor {

Outcome LinuxPlatform::holdSuspendInhibitor(bool /*hold*/)
{
    return Outcome::failure(QStringLiteral("Suspend requests cannot be refused on this system."));
}

} // namespace zelkor
