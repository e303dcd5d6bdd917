#pragma once

#include "platform/Platform.h"

#include <vector>

namespace zelkor {

// Samples (mono, signed 16 bit) of the steps at the given rate, back to back.
// Each tone is a sine that fades in and out over a few milliseconds, so it
// starts and ends without a click; a pause is silence.
std::vector<qint16> renderTones(const QList<ToneStep>& steps, int sampleRate);

// Number of samples a step lasts at the given rate.
qsizetype stepFrames(const ToneStep& step, int sampleRate);

} // namespace zelkor
