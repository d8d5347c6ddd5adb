#include "platform/rmaengine/audio_output.h"

#include <cstring>
#include <vector>

namespace velotune::rma {

using namespace velotune::platform;

namespace {

// The device volume for a loudness of 0..100: both channel words (left low, right high) at that
// share of full scale.
uint32_t DeviceVolume(uint16_t volume) {
    const uint32_t word = uint32_t(volume) * 0xFFFFu / 100u;
    return word | (word << 16);
}

}  // namespace

// A block owns its bytes; the header's user field points back at it.
struct AudioOutput::Block {
    WaveHeader header;
    std::vector<uint8_t> bytes;
};

AudioOutput::AudioOutput(DrainedFn onDrained) : onDrained_(std::move(onDrained)) {}

AudioOutput::~AudioOutput() {
    Close();
}

MmResult AudioOutput::Open(const WaveFormatEx& format, uint32_t generation) {
    Close();
    std::lock_guard lock(mutex_);
    generation_.store(generation, std::memory_order_release);
    HWaveOut device{};
    const MmResult result =
        WaveOutOpen(&device, format, &AudioOutput::DeviceProc, reinterpret_cast<uintptr_t>(this));
    if (result != kMmSysErrNoError)
        return result;
    device_ = device;
    bytesPerSecond_ = format.avgBytesPerSec;
    WaveOutSetVolume(device_, DeviceVolume(volume_.load(std::memory_order_acquire)));
    return kMmSysErrNoError;
}

void AudioOutput::SetVolume(uint16_t volume) {
    std::lock_guard lock(mutex_);
    volume_.store(volume, std::memory_order_release);
    if (device_ != HWaveOut{})
        WaveOutSetVolume(device_, DeviceVolume(volume));
}

MmResult AudioOutput::Write(const uint8_t* data, uint32_t length) {
    std::lock_guard lock(mutex_);
    if (device_ == HWaveOut{})
        return kMmSysErrInvalHandle;
    auto* block = new Block;
    block->bytes.assign(data, data + length);
    block->header.data = block->bytes.data();
    block->header.bufferLength = length;
    block->header.user = reinterpret_cast<uintptr_t>(block);
    MmResult result = WaveOutPrepareHeader(device_, &block->header);
    if (result == kMmSysErrNoError) {
        queued_.fetch_add(1, std::memory_order_acq_rel);
        result = WaveOutWrite(device_, &block->header);
        if (result != kMmSysErrNoError) {
            queued_.fetch_sub(1, std::memory_order_acq_rel);
            WaveOutUnprepareHeader(device_, &block->header);
        }
    }
    if (result != kMmSysErrNoError)
        delete block;
    return result;
}

void AudioOutput::Pause() {
    std::lock_guard lock(mutex_);
    if (device_ != HWaveOut{})
        WaveOutPause(device_);
}

void AudioOutput::Restart() {
    std::lock_guard lock(mutex_);
    if (device_ != HWaveOut{})
        WaveOutRestart(device_);
}

void AudioOutput::Close() {
    std::lock_guard lock(mutex_);
    if (device_ == HWaveOut{})
        return;
    // Reset hands every queued block back (their done messages are delivered before it
    // returns), so the device can close.
    WaveOutReset(device_);
    WaveOutClose(device_);
    device_ = HWaveOut{};
}

uint32_t AudioOutput::PositionMs() {
    std::lock_guard lock(mutex_);
    uint64_t bytes = 0;
    if (device_ == HWaveOut{} || bytesPerSecond_ == 0 ||
        WaveOutGetPosition(device_, &bytes) != kMmSysErrNoError)
        return 0;
    return uint32_t(bytes * 1000 / bytesPerSecond_);
}

void AudioOutput::DeviceProc(HWaveOut device, uint32_t message, uintptr_t instance,
                             uintptr_t param1, uintptr_t) {
    if (message == kWomDone)
        reinterpret_cast<AudioOutput*>(instance)->OnDone(device,
                                                         reinterpret_cast<WaveHeader*>(param1));
}

// On the device's thread; mutex_ may be held by a Close waiting in WaveOutReset, so nothing here
// takes it.
void AudioOutput::OnDone(HWaveOut device, WaveHeader* header) {
    auto* block = reinterpret_cast<Block*>(header->user);
    WaveOutUnprepareHeader(device, &block->header);
    delete block;
    if (queued_.fetch_sub(1, std::memory_order_acq_rel) == 1 && onDrained_)
        onDrained_(generation_.load(std::memory_order_acquire));
}

}  // namespace velotune::rma
