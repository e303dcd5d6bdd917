#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace zelkor {

// How long the keyboard and mouse of this session have been left alone.
class IdleSource {
public:
    virtual ~IdleSource() = default;
    // Milliseconds since the last input, or nothing when it cannot be read now.
    virtual std::optional<quint64> idleMs() = 0;
    // Why idleMs() has no answer on this desktop; empty when it has.
    virtual QString unavailableReason() const = 0;
};

// X11: the XScreenSaver extension of the display `displayName`.
std::unique_ptr<IdleSource> createX11IdleSource(const QByteArray& displayName);
// GNOME (Wayland or X11): Mutter's idle monitor on the session bus.
std::unique_ptr<IdleSource> createMutterIdleSource();

// The source for this session: on Wayland only the compositor knows (the X11
// server of XWayland sees no input given to Wayland windows); on X11 the X
// server, then Mutter; otherwise one that says it is not available.
std::unique_ptr<IdleSource> createIdleSource(const QByteArray& sessionType,
                                             const QByteArray& waylandDisplay,
                                             const QByteArray& x11Display);

// The tick of the last input from `nowTick` and the idle time, held steady: a
// new estimate within `toleranceMs` of the previous answer is the same input
// seen again through the jitter of reading two clocks, so the previous answer
// stays. Tick arithmetic is modulo 2^32.
quint32 steadyLastInput(std::optional<quint32> previous, quint32 nowTick, quint64 idleMs,
                        quint32 toleranceMs = 500);

} // namespace zelkor
