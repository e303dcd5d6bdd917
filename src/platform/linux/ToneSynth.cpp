#include "platform/linux/ToneSynth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelkor {

namespace {
constexpr double kAmplitude = 0.45 * 32767; // loud enough to be noticed, with headroom
constexpr int kFadeMs = 5;
} // namespace

qsizetype stepFrames(const ToneStep& step, int sampleRate)
{
    return std::max<qsizetype>(0, std::llround(double(sampleRate) * step.durationMs / 1000.0));
}

std::vector<qint16> renderTones(const QList<ToneStep>& steps, int sampleRate)
{
    qsizetype total = 0;
    for (const ToneStep& step : steps)
        total += stepFrames(step, sampleRate);
    std::vector<qint16> samples(size_t(total), 0);

    size_t at = 0;
    for (const ToneStep& step : steps) {
        const qsizetype frames = stepFrames(step, sampleRate);
        if (!step.isPause() && frames > 0) {
            const double phaseStep = 2.0 * std::numbers::pi * step.frequencyHz / sampleRate;
            // A quarter of the tone at most, so very short tones still reach full level.
            const qsizetype fade =
                std::max<qsizetype>(1, std::min<qsizetype>(sampleRate * kFadeMs / 1000, frames / 4));
            for (qsizetype i = 0; i < frames; ++i) {
                const qsizetype edge = std::min(i, frames - 1 - i);
                const double gain =
                    edge >= fade ? 1.0 : 0.5 - 0.5 * std::cos(std::numbers::pi * double(edge) / fade);
                samples[at + size_t(i)] =
                    qint16(std::lround(kAmplitude * gain * std::sin(phaseStep * double(i))));
            }
        }
        at += size_t(frames);
    }
    return samples;
}

} // namespace zelkor
