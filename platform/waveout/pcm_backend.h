// platform/waveout/pcm_backend.h
//
// Inside the sound device layer: what the device thread needs from a PCM output, and the two
// ways to open a device over one. The real output is ALSA (alsa_pcm.cpp); tests put a simulated
// sound card behind the same interface to reach the paths a null device never takes (a device
// that reports its own delay, underruns, a device that fails for good).
#pragma once

#include <poll.h>

#include <memory>
#include <string>

#include "platform/waveout/waveout.h"

namespace velotune::platform::waveout {

// A PCM output for interleaved signed 16-bit native-endian samples. Created on the opening
// thread, then used only on the device thread. No call blocks. Errors are negative errno values
// as ALSA gives them (-EPIPE underrun, -ESTRPIPE suspended, -EAGAIN nothing possible now).
class PcmBackend {
public:
    virtual ~PcmBackend() = default;

    // The size of the output's buffer, in frames (fixed once opened).
    virtual long BufferFrames() const = 0;

    // Frames that can be written now, or an error.
    virtual long Avail() = 0;

    // Writes up to `frames` frames; returns the frames taken (0 or -EAGAIN when full), or an
    // error. The output starts playing with the first frame written.
    virtual long Write(const int16_t* samples, long frames) = 0;

    // Frames written but not yet heard (0 for an output that consumes at once), or an error.
    virtual int Delay(long* frames) = 0;

    // Discards everything not yet played, at once, and gets ready for new writes.
    virtual int Drop() = 0;

    // Makes the output usable after `error` from one of the calls above. Returns 0 when it is
    // ready again (what it held is lost), -EAGAIN when it should be asked again a little later
    // (a suspended device that is not awake yet), or another error when it cannot recover.
    virtual int Recover(int error) = 0;

    // Descriptors to poll while waiting for room, at most `space` of them; returns the count.
    // An output without descriptors returns 0 and is polled by time.
    virtual int PollDescriptors(pollfd* fds, int space) = 0;

    // Hands the polled descriptors back after poll(); true when there is room to write.
    virtual bool PollWritable(pollfd* fds, int count) = 0;
};

// Opens the ALSA device `name` for `format` (already checked to be 16-bit PCM) with a buffer of
// about half a second. Returns 0, or the error number for the caller of WaveOutOpen.
MmResult OpenAlsaPcm(const std::string& name, const WaveFormatEx& format,
                     std::unique_ptr<PcmBackend>* pcm);

// WaveOutOpen over a given output instead of the ALSA device from the environment; everything
// else (format checks, capture, volume, the device thread) is the same.
MmResult OpenWithBackend(HWaveOut* device, const WaveFormatEx& format, WaveOutProc callback,
                         uintptr_t instance, std::unique_ptr<PcmBackend> pcm);

}  // namespace velotune::platform::waveout
