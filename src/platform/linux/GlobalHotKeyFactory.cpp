#include "platform/GlobalHotKey.h"
#include "platform/linux/PortalHotKey.h"
#include "platform/linux/X11HotKey.h"

#include <QGuiApplication>

namespace zelkor {

namespace {
// A desktop that offers no global keys: the program runs without one.
class NoHotKey final : public GlobalHotKey {
public:
    bool registerKey() override { return false; }
    void unregisterKey() override {}
    bool isRegistered() const override { return false; }
};
} // namespace

std::unique_ptr<GlobalHotKey> createGlobalHotKey()
{
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return std::make_unique<X11HotKey>(x11->connection());
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        return std::make_unique<PortalHotKey>();
    return std::make_unique<NoHotKey>();
}

} // namespace zelkor
