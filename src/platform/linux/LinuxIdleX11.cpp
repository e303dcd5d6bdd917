#include "platform/linux/IdleSource.h"

// Xlib defines macros (None, Bool, Status) that clash with Qt: it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace zelkor {

namespace {
class X11IdleSource final : public IdleSource {
public:
    explicit X11IdleSource(const QByteArray& displayName)
    {
        m_display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
        if (!m_display) {
            m_reason = QStringLiteral("The X display %1 cannot be reached.")
                           .arg(QString::fromLocal8Bit(displayName));
            return;
        }
        int eventBase = 0;
        int errorBase = 0;
        if (!XScreenSaverQueryExtension(m_display, &eventBase, &errorBase))
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
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        if (!info)
            return std::nullopt;
        std::optional<quint64> idle;
        if (XScreenSaverQueryInfo(m_display, DefaultRootWindow(m_display), info))
            idle = info->idle;
        XFree(info);
        return idle;
    }

    QString unavailableReason() const override { return m_reason; }

private:
    Display* m_display = nullptr;
    QString m_reason;
};
} // namespace

std::unique_ptr<IdleSource> createX11IdleSource(const QByteArray& displayName)
{
    return std::make_unique<X11IdleSource>(displayName);
}

} // namespace zelkor
