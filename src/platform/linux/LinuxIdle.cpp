#include "platform/linux/LinuxPlatform.h"

namespace zelkor {

namespace {
class NoIdleSource final : public IdleSource {
public:
    explicit NoIdleSource(QString reason) : m_reason(std::move(reason)) {}
    std::optional<quint64> idleMs() override { return std::nullopt; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};

bool usable(const std::unique_ptr<IdleSource>& source)
{
    return source && source->unavailableReason().isEmpty();
}
} // namespace

std::unique_ptr<IdleSource> createIdleSource(const QByteArray& sessionType,
                                             const QByteArray& waylandDisplay,
                                             const QByteArray& x11Display)
{
    const bool wayland =
        sessionType == "wayland" || (sessionType.isEmpty() && !waylandDisplay.isEmpty());
    if (wayland) {
        auto mutter = createMutterIdleSource();
        if (usable(mutter))
            return mutter;
        return std::make_unique<NoIdleSource>(QStringLiteral(
            "This Wayland desktop does not tell how long the keyboard and mouse have been "
            "idle (only GNOME's idle monitor is known)."));
    }
    if (!x11Display.isEmpty()) {
        auto x11 = createX11IdleSource(x11Display);
        if (usable(x11))
            return x11;
        auto mutter = createMutterIdleSource();
        if (usable(mutter))
            return mutter;
        return std::make_unique<NoIdleSource>(x11->unavailableReason());
    }
    return std::make_unique<NoIdleSource>(QStringLiteral(
        "This session has no desktop that tells how long the keyboard and mouse have been idle."));
}

quint32 steadyLastInput(std::optional<quint32> previous, quint32 nowTick, quint64 idleMs,
                        quint32 toleranceMs)
{
    const quint32 estimate = nowTick - static_cast<quint32>(idleMs);
    if (previous) {
        const quint32 ahead = estimate - *previous;
        const quint32 behind = *previous - estimate;
        if (ahead < toleranceMs || behind < toleranceMs)
            return *previous;
    }
    return estimate;
}

std::optional<quint32> LinuxPlatform::lastInputTick()
{
    if (!m_idle)
        idleUnavailableReason();
    // Read the tick on both sides of the question; the answer was taken
    // somewhere in between.
    const quint32 before = tickCount();
    const std::optional<quint64> idle = m_idle->idleMs();
    const quint32 after = tickCount();
    if (!idle)
        return std::nullopt;
    m_lastInput = steadyLastInput(m_lastInput, before + (after - before) / 2, *idle);
    return m_lastInput;
}

QString LinuxPlatform::idleUnavailableReason() const
{
    if (!m_idle)
        m_idle = createIdleSource(qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"),
                                  qgetenv("DISPLAY"));
    return m_idle->unavailableReason();
}

} // namespace zelkor
