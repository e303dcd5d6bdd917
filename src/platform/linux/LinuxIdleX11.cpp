#include "platform/linux/IdleSource.h"

#include "platform/LaterLibrary.h"

// Xlib defines macros (None, Bool, Status) that clash with Qt: it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace zelkor {

namespace {
// The screen saver extension's library is opened when idle time is first
// asked for, which only a countdown without input does: not at every start.
struct ScreenSaverApi {
    decltype(&XScreenSaverQueryExtension) queryExtension = nullptr;
    decltype(&XScreenSaverAllocInfo) allocInfo = nullptr;
    decltype(&XScreenSaverQueryInfo) queryInfo = nullptr;
    bool complete = false;

    static const ScreenSaverApi* get()
    {
        static const ScreenSaverApi api = [] {
            LaterLibrary library("Xss", 1);
            ScreenSaverApi a;
            a.complete = library.resolve(a.queryExtension, "XScreenSaverQueryExtension") &&
                         library.resolve(a.allocInfo, "XScreenSaverAllocInfo") &&
                         library.resolve(a.queryInfo, "XScreenSaverQueryInfo");
            return a;
        }();
        return api.complete ? &api : nullptr;
    }
};

class X11IdleSource final : public IdleSource {
public:
    explicit X11IdleSource(const QByteArray& displayName)
    {
        m_api = ScreenSaverApi::get();
        if (!m_api) {
            m_reason = QStringLiteral("The X screen saver library (libXss) is missing.");
            return;
        }
        m_display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
        if (!m_display) {
            m_reason = QStringLiteral("The X display %1 cannot be reached.")
                           .arg(QString::fromLocal8Bit(displayName));
            return;
        }
        int eventBase = 0;
        int errorBase = 0;
        if (!m_api->queryExtension(m_display, &eventBase, &errorBase))
            m_reason = QStringLiteral("The X server does not tell how long it has been idle "
                                      "(no MIT-SCREEN-SAVER extension).");
    }
    ~X11IdleSource() override
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    X11IdleSource(const X11IdleSource&) = delete;
    X11IdleSource& operator=(const X11IdleSource&) = delete;

    std::optional<quint64> idleMs() override
    {
        if (!m_reason.isEmpty())
            return std::nullopt;
        XScreenSaverInfo* info = m_api->allocInfo();
        if (!info)
            return std::nullopt;
        std::optional<quint64> idle;
        if (m_api->queryInfo(m_display, DefaultRootWindow(m_display), info))
            idle = info->idle;
        XFree(info);
        return idle;
    }

    QString unavailableReason() const override { return m_reason; }

private:
    const ScreenSaverApi* m_api = nullptr;
    Display* m_display = nullptr;
    QString m_reason;
};
} // namespace

std::unique_ptr<IdleSource> createX11IdleSource(const QByteArray& displayName)
{
    return std::make_unique<X11IdleSource>(displayName);
}

} // namespace zelkor
