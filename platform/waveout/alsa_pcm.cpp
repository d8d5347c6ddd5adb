// The ALSA output behind the sound device: a non-blocking snd_pcm_t set up for interleaved S16
// with a large buffer, so that the device thread writes big chunks and wakes rarely.
#include <alsa/asoundlib.h>

#include <QLoggingCategory>
#include <cerrno>
#include <mutex>

#include "platform/waveout/pcm_backend.h"
#include "platform/waveout/waveout_log.h"

namespace velotune::platform::waveout {
namespace {

// About half a second of buffer in two halves: the device thread refills half a buffer at a time
// (few, large writes are what keep the PulseAudio plugin cheap) while the other half plays.
constexpr unsigned kBufferMicroseconds = 500000;
constexpr unsigned kPeriodMicroseconds = kBufferMicroseconds / 2;

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

struct HwParamsFree {
    void operator()(snd_pcm_hw_params_t* p) const { snd_pcm_hw_params_free(p); }
};
struct SwParamsFree {
    void operator()(snd_pcm_sw_params_t* p) const { snd_pcm_sw_params_free(p); }
};

// ALSA prints its own complaints on stderr; route them into our log category instead.
void AlsaErrorHandler(const char* file, int line, const char* function, int err, const char* fmt,
                      ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    qCDebug(lcWaveOut, "alsa %s:%d (%s): %s%s%s", file, line, function, text, err ? ": " : "",
            err ? snd_strerror(err) : "");
}

MmResult OpenErrorToResult(int err) {
    switch (-err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EINVAL:  // a malformed device name
        return kMmSysErrBadDeviceId;
    case EBUSY:
    case EAGAIN:
        return kMmSysErrAllocated;
    case ENOMEM:
        return kMmSysErrNoMem;
    default:
        return kMmSysErrError;
    }
}

class AlsaPcm final : public PcmBackend {
public:
    AlsaPcm(PcmHandle pcm, long bufferFrames) : pcm_(std::move(pcm)), bufferFrames_(bufferFrames) {}

    long BufferFrames() const override { return bufferFrames_; }

    long Avail() override { return snd_pcm_avail_update(pcm_.get()); }

    long Write(const int16_t* samples, long frames) override {
        return snd_pcm_writei(pcm_.get(), samples, snd_pcm_uframes_t(frames));
    }

    int Delay(long* frames) override {
        snd_pcm_sframes_t delay = 0;
        const int err = snd_pcm_delay(pcm_.get(), &delay);
        *frames = delay;
        return err;
    }

    int Drop() override {
        const int err = snd_pcm_drop(pcm_.get());
        return err < 0 ? err : snd_pcm_prepare(pcm_.get());
    }

    int Recover(int error) override {
        if (error == -ESTRPIPE) {
            // snd_pcm_recover would wait for the resume without bound; ask once and let the device
            // thread come back later instead.
            const int err = snd_pcm_resume(pcm_.get());
            if (err == -EAGAIN)
                return -EAGAIN;
            if (err == 0)
                return 0;
            return snd_pcm_prepare(pcm_.get());
        }
        return snd_pcm_recover(pcm_.get(), error, 1);
    }

    int PollDescriptors(pollfd* fds, int space) override {
        const int count = snd_pcm_poll_descriptors(pcm_.get(), fds, unsigned(space));
        return count < 0 ? 0 : count;
    }

    bool PollWritable(pollfd* fds, int count) override {
        unsigned short revents = 0;
        if (snd_pcm_poll_descriptors_revents(pcm_.get(), fds, unsigned(count), &revents) < 0)
            return true;  // let the next write find out what is wrong
        return (revents & (POLLOUT | POLLERR)) != 0;
    }

private:
    PcmHandle pcm_;
    const long bufferFrames_;
};

// Applies the hardware and software parameters. Returns 0 or an error number for the caller.
MmResult Configure(snd_pcm_t* pcm, const WaveFormatEx& format, long* bufferFrames) {
    snd_pcm_hw_params_t* rawHw = nullptr;
    if (snd_pcm_hw_params_malloc(&rawHw) < 0)
        return kMmSysErrNoMem;
    std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree> hw(rawHw);

    int err = snd_pcm_hw_params_any(pcm, hw.get());
    if (err < 0)
        return kMmSysErrError;
    // A rate or channel count the device cannot take is the format's fault; the plug layer of the
    // "default" device converts, a raw hardware device may not.
    if (snd_pcm_hw_params_set_access(pcm, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw.get(), SND_PCM_FORMAT_S16) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw.get(), format.channels) < 0 ||
        snd_pcm_hw_params_set_rate_resample(pcm, hw.get(), 1) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, hw.get(), format.samplesPerSec, 0) < 0)
        return kWavErrBadFormat;

    unsigned bufferTime = kBufferMicroseconds;
    unsigned periodTime = kPeriodMicroseconds;
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw.get(), &bufferTime, nullptr);
    snd_pcm_hw_params_set_period_time_near(pcm, hw.get(), &periodTime, nullptr);
    err = snd_pcm_hw_params(pcm, hw.get());
    if (err < 0) {
        qCWarning(lcWaveOut, "sound device refused its parameters: %s", snd_strerror(err));
        return kWavErrBadFormat;
    }
    snd_pcm_uframes_t buffer = 0;
    snd_pcm_uframes_t period = 0;
    snd_pcm_hw_params_get_buffer_size(hw.get(), &buffer);
    snd_pcm_hw_params_get_period_size(hw.get(), &period, nullptr);
    if (buffer == 0)
        return kMmSysErrError;

    snd_pcm_sw_params_t* rawSw = nullptr;
    if (snd_pcm_sw_params_malloc(&rawSw) < 0)
        return kMmSysErrNoMem;
    std::unique_ptr<snd_pcm_sw_params_t, SwParamsFree> sw(rawSw);
    snd_pcm_sw_params_current(pcm, sw.get());
    // Start with the first frame (a short last block must still play) and wake the poller only
    // when half the buffer is free, so each write is large.
    snd_pcm_sw_params_set_start_threshold(pcm, sw.get(), 1);
    snd_pcm_sw_params_set_avail_min(pcm, sw.get(), std::max<snd_pcm_uframes_t>(1, buffer / 2));
    err = snd_pcm_sw_params(pcm, sw.get());
    if (err < 0) {
        qCWarning(lcWaveOut, "sound device refused its software parameters: %s", snd_strerror(err));
        return kMmSysErrError;
    }
    qCDebug(lcWaveOut, "buffer %lu frames, period %lu frames at %u Hz", buffer, period,
            format.samplesPerSec);
    *bufferFrames = long(buffer);
    return kMmSysErrNoError;
}

}  // namespace

MmResult OpenAlsaPcm(const std::string& name, const WaveFormatEx& format,
                     std::unique_ptr<PcmBackend>* pcm) {
    static std::once_flag handlerOnce;
    std::call_once(handlerOnce, [] { snd_lib_error_set_handler(AlsaErrorHandler); });

    snd_pcm_t* raw = nullptr;
    const int err = snd_pcm_open(&raw, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0) {
        qCWarning(lcWaveOut, "cannot open sound device \"%s\": %s", name.c_str(), snd_strerror(err));
        return OpenErrorToResult(err);
    }
    PcmHandle handle(raw);
    long bufferFrames = 0;
    const MmResult result = Configure(handle.get(), format, &bufferFrames);
    if (result != kMmSysErrNoError)
        return result;
    *pcm = std::make_unique<AlsaPcm>(std::move(handle), bufferFrames);
    return kMmSysErrNoError;
}

}  // namespace velotune::platform::waveout
