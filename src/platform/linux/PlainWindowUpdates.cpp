#include "platform/linux/PlainWindowUpdates.h"

#include <QByteArray>

#include <utility>

namespace zelkor {

namespace {
// Read by the toolkit's X connection: set, with any value, means no shared memory.
constexpr char kNoSharedMemory[] = "QT_XCB_NO_MITSHM";
} // namespace

PlainWindowUpdates::PlainWindowUpdates()
{
    if (!qEnvironmentVariableIsSet(kNoSharedMemory))
        m_chosenHere = qputenv(kNoSharedMemory, QByteArrayLiteral("1"));
}

void PlainWindowUpdates::connected()
{
    if (std::exchange(m_chosenHere, false))
        qunsetenv(kNoSharedMemory);
}

} // namespace zelkor
