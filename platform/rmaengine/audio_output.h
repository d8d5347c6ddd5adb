// platform/rmaengine/audio_output.h (internal)
//
// The sound device of a player: decoded PCM blocks go to platform/waveout one after another, and
// the output tells its owner whenever the device has played everything it was given (which is how
// the player knows that the end of a presentation has been heard).
//
// Threading: Open, Pause, Restart, Close and Position are called on the player's thread; Write on
// the media reader's thread. The drained callback runs on the sound device's thread and must only
// hand the news on (it may not call back into the output).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/mmtypes/mmtypes.h"
#include "platform/waveout/waveout.h"

namespace velotune::rma {

class AudioOutput {
public:
    // Called with the generation given to Open each time the last queued block has been played.
    using DrainedFn = std::function<void(uint32_t generation)>;

    explicit AudioOutput(DrainedFn onDrained);
    ~AudioOutput();  // closes the device
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the device for format (16-bit PCM). A device still open is closed first.
    platform::MmResult Open(const platform::WaveFormatEx& format, uint32_t generation);
    // Copies one block and queues it. kMmSysErrInvalHandle when the device is not open.
    platform::MmResult Write(const uint8_t* data, uint32_t length);
    void Pause();
    void Restart();
    // Discards what is queued and closes the device. Nothing when it is not open.
    void Close();
    // The loudness, 0 (silent) to 100 (full): applied to the open device and to every one opened
    // later (any thread).
    void SetVolume(uint16_t volume);
    uint16_t Volume() const { return volume_.load(std::memory_order_acquire); }
    // Milliseconds played since Open.
    uint32_t PositionMs();
    // True when every block written has been played (or discarded).
    bool Drained() const { return queued_.load(std::memory_order_acquire) == 0; }

private:
    struct Block;
    static void DeviceProc(platform::HWaveOut device, uint32_t message, uintptr_t instance,
                           uintptr_t param1, uintptr_t param2);
    void OnDone(platform::HWaveOut device, platform::WaveHeader* header);

    const DrainedFn onDrained_;
    std::mutex mutex_;
    platform::HWaveOut device_{};          // guarded by mutex_
    uint32_t bytesPerSecond_ = 0;          // guarded by mutex_
    std::atomic<uint32_t> generation_{0};  // written under mutex_ before the device opens
    std::atomic<uint32_t> queued_{0};      // blocks written and not yet reported done
    std::atomic<uint16_t> volume_{100};    // written under mutex_, read anywhere
};

}  // namespace velotune::rma
