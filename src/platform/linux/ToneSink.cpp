#include "platform/linux/ToneSink.h"

#include <alsa/asoundlib.h>
#include <pulse/simple.h>

namespace zelkor {

namespace {

// A short buffer: a stopped reminder falls silent at once, and writing
// blocks soon enough to check for a stop between small chunks.
constexpr unsigned kLatencyUs = 80'000;

class PulseSink final : public ToneSink {
public:
    explicit PulseSink(pa_simple* stream) : m_stream(stream) {}
    ~PulseSink() override { pa_simple_free(m_stream); }

    static std::unique_ptr<ToneSink> open()
    {
        const pa_sample_spec format{PA_SAMPLE_S16NE, uint32_t(kToneRate), 1};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(pa_usec_to_bytes(kLatencyUs, &format));
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        int error = 0;
        pa_simple* stream = pa_simple_new(nullptr, "Zelkor", PA_STREAM_PLAYBACK, nullptr, "Reminder",
                                          &format, nullptr, &attr, &error);
        if (!stream)
            return nullptr;
        return std::make_unique<PulseSink>(stream);
    }

    bool write(const qint16* samples, qsizetype count) override
    {
        int error = 0;
        return pa_simple_write(m_stream, samples, size_t(count) * sizeof(qint16), &error) == 0;
    }
    void drain() override
    {
        int error = 0;
        pa_simple_drain(m_stream, &error);
    }
    void flush() override
    {
        int error = 0;
        pa_simple_flush(m_stream, &error);
    }

private:
    pa_simple* m_stream = nullptr;
};

class AlsaSink final : public ToneSink {
public:
    explicit AlsaSink(snd_pcm_t* pcm) : m_pcm(pcm) {}
    ~AlsaSink() override { snd_pcm_close(m_pcm); }

    static std::unique_ptr<ToneSink> open()
    {
        // Without a sound card ALSA prints its complaints on every attempt;
        // having no sound is an expected state here, not an error.
        snd_lib_error_set_handler(&quiet);
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
            return nullptr;
        if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                               unsigned(kToneRate), 1, kLatencyUs) < 0) {
            snd_pcm_close(pcm);
            return nullptr;
        }
        return std::make_unique<AlsaSink>(pcm);
    }

    bool write(const qint16* samples, qsizetype count) override
    {
        while (count > 0) {
            snd_pcm_sframes_t written = snd_pcm_writei(m_pcm, samples, snd_pcm_uframes_t(count));
            if (written < 0) {
                // An underrun between two tones is normal; anything else ends the stream.
                if (snd_pcm_recover(m_pcm, int(written), 1) < 0)
                    return false;
                continue;
            }
            samples += written;
            count -= written;
        }
        return true;
    }
    void drain() override
    {
        snd_pcm_drain(m_pcm);
        snd_pcm_prepare(m_pcm);
    }
    void flush() override
    {
        snd_pcm_drop(m_pcm);
        snd_pcm_prepare(m_pcm);
    }

private:
    static void quiet(const char*, int, const char*, int, const char*, ...) {}

    snd_pcm_t* m_pcm = nullptr;
};

} // namespace

std::unique_ptr<ToneSink> openToneSink()
{
    if (auto pulse = PulseSink::open())
        return pulse;
    return AlsaSink::open();
}

} // namespace zelkor
