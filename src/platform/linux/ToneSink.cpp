#include "platform/linux/ToneSink.h"

#include "platform/LaterLibrary.h"

#include <alsa/asoundlib.h>
#include <pulse/simple.h>

namespace zelkor {

namespace {

// A short buffer: a stopped reminder falls silent at once, and writing
// blocks soon enough to check for a stop between small chunks.
constexpr unsigned kLatencyUs = 80'000;

// The sound libraries are opened at the first tone, not at start: most runs
// never beep, and the sound server's client brings a dozen libraries (its
// codecs among them) that every start would pay for.
struct PulseApi {
    decltype(&pa_simple_new) open = nullptr;
    decltype(&pa_simple_write) write = nullptr;
    decltype(&pa_simple_drain) drain = nullptr;
    decltype(&pa_simple_flush) flush = nullptr;
    decltype(&pa_simple_free) free = nullptr;
    bool complete = false;

    // Nothing where the library or one of its functions is missing.
    static const PulseApi* get()
    {
        static const PulseApi api = [] {
            LaterLibrary library("pulse-simple", 0);
            PulseApi a;
            a.complete = library.resolve(a.open, "pa_simple_new") && library.resolve(a.write, "pa_simple_write") &&
                         library.resolve(a.drain, "pa_simple_drain") &&
                         library.resolve(a.flush, "pa_simple_flush") && library.resolve(a.free, "pa_simple_free");
            return a;
        }();
        return api.complete ? &api : nullptr;
    }
};

struct AlsaApi {
    decltype(&snd_lib_error_set_handler) setErrorHandler = nullptr;
    decltype(&snd_pcm_open) open = nullptr;
    decltype(&snd_pcm_set_params) setParams = nullptr;
    decltype(&snd_pcm_writei) write = nullptr;
    decltype(&snd_pcm_recover) recover = nullptr;
    decltype(&snd_pcm_drain) drain = nullptr;
    decltype(&snd_pcm_prepare) prepare = nullptr;
    decltype(&snd_pcm_drop) drop = nullptr;
    decltype(&snd_pcm_close) close = nullptr;
    bool complete = false;

    static const AlsaApi* get()
    {
        static const AlsaApi api = [] {
            LaterLibrary library("asound", 2);
            AlsaApi a;
            a.complete = library.resolve(a.setErrorHandler, "snd_lib_error_set_handler") &&
                         library.resolve(a.open, "snd_pcm_open") && library.resolve(a.setParams, "snd_pcm_set_params") &&
                         library.resolve(a.write, "snd_pcm_writei") && library.resolve(a.recover, "snd_pcm_recover") &&
                         library.resolve(a.drain, "snd_pcm_drain") && library.resolve(a.prepare, "snd_pcm_prepare") &&
                         library.resolve(a.drop, "snd_pcm_drop") && library.resolve(a.close, "snd_pcm_close");
            return a;
        }();
        return api.complete ? &api : nullptr;
    }
};

class PulseSink final : public ToneSink {
public:
    PulseSink(const PulseApi& api, pa_simple* stream) : m_api(&api), m_stream(stream) {}
    ~PulseSink() override { m_api->free(m_stream); }

    static std::unique_ptr<ToneSink> open()
    {
        const PulseApi* api = PulseApi::get();
        if (!api)
            return nullptr;
        const pa_sample_spec format{PA_SAMPLE_S16NE, uint32_t(kToneRate), 1};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(quint64(kLatencyUs) * kToneRate / 1000000u * sizeof(qint16)); // whole frames
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        int error = 0;
        pa_simple* stream = api->open(nullptr, "Zelkor", PA_STREAM_PLAYBACK, nullptr, "Reminder", &format, nullptr,
                                      &attr, &error);
        if (!stream)
            return nullptr;
        return std::make_unique<PulseSink>(*api, stream);
    }

    bool write(const qint16* samples, qsizetype count) override
    {
        int error = 0;
        return m_api->write(m_stream, samples, size_t(count) * sizeof(qint16), &error) == 0;
    }
    void drain() override
    {
        int error = 0;
        m_api->drain(m_stream, &error);
    }
    void flush() override
    {
        int error = 0;
        m_api->flush(m_stream, &error);
    }

private:
    const PulseApi* m_api = nullptr;
    pa_simple* m_stream = nullptr;
};

class AlsaSink final : public ToneSink {
public:
    AlsaSink(const AlsaApi& api, snd_pcm_t* pcm) : m_api(&api), m_pcm(pcm) {}
    ~AlsaSink() override { m_api->close(m_pcm); }

    static std::unique_ptr<ToneSink> open()
    {
        const AlsaApi* api = AlsaApi::get();
        if (!api)
            return nullptr;
        // Without a sound card ALSA prints its complaints on every attempt;
        // having no sound is an expected state here, not an error.
        api->setErrorHandler(&quiet);
        snd_pcm_t* pcm = nullptr;
        if (api->open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
            return nullptr;
        if (api->setParams(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, unsigned(kToneRate), 1,
                           kLatencyUs) < 0) {
            api->close(pcm);
            return nullptr;
        }
        return std::make_unique<AlsaSink>(*api, pcm);
    }

    bool write(const qint16* samples, qsizetype count) override
    {
        while (count > 0) {
            snd_pcm_sframes_t written = m_api->write(m_pcm, samples, snd_pcm_uframes_t(count));
            if (written < 0) {
                // An underrun between two tones is normal; anything else ends the stream.
                if (m_api->recover(m_pcm, int(written), 1) < 0)
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
        m_api->drain(m_pcm);
        m_api->prepare(m_pcm);
    }
    void flush() override
    {
        m_api->drop(m_pcm);
        m_api->prepare(m_pcm);
    }

private:
    static void quiet(const char*, int, const char*, int, const char*, ...) {}

    const AlsaApi* m_api = nullptr;
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
