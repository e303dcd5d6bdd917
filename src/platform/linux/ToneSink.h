#pragma once

#include <QtGlobal>

#include <memory>

namespace zelkor {

// Mono, signed 16-bit samples at this rate go to every sound device.
inline constexpr int kToneRate = 48000;

// An open playback stream of the sound server or device.
class ToneSink {
public:
    virtual ~ToneSink() = default;
    // Queues samples; blocks while the device's buffer is full, so writing
    // keeps pace with playback. False when the device went away.
    virtual bool write(const qint16* samples, qsizetype count) = 0;
    // Returns once everything written has been heard.
    virtual void drain() = 0;
    // Drops whatever has not been heard yet.
    virtual void flush() = 0;
};

// The PulseAudio server (PipeWire serves the same protocol) when one answers,
// else ALSA's "default" device, else nothing: then there is no sound.
std::unique_ptr<ToneSink> openToneSink();

} // namespace zelkor
