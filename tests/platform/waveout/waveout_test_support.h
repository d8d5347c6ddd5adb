// tests/platform/waveout/waveout_test_support.h
//
// What the sound device tests share: a recorder for the device's messages, and a tone cut into
// blocks that can be written to a device.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <numbers>
#include <set>
#include <thread>
#include <vector>

#include "platform/waveout/waveout.h"

namespace velotune::test {

using namespace std::chrono_literals;
using platform::HWaveOut;
using platform::WaveHeader;

// Records every message a device sends, with the threads it arrived on.
class DeviceEvents {
public:
    static void Callback(HWaveOut, uint32_t message, uintptr_t instance, uintptr_t param1,
                         uintptr_t) {
        auto* self = reinterpret_cast<DeviceEvents*>(instance);
        std::lock_guard lock(self->mutex_);
        self->messages_.push_back(message);
        self->threads_.insert(std::this_thread::get_id());
        if (message == platform::kWomDone)
            self->done_.push_back(reinterpret_cast<WaveHeader*>(param1));
        self->changed_.notify_all();
    }
    uintptr_t Instance() { return reinterpret_cast<uintptr_t>(this); }

    bool WaitForDone(size_t count, std::chrono::milliseconds timeout = 30s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done_.size() >= count; });
    }
    size_t DoneCount() {
        std::lock_guard lock(mutex_);
        return done_.size();
    }
    std::vector<WaveHeader*> Done() {
        std::lock_guard lock(mutex_);
        return done_;
    }
    std::vector<uint32_t> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::set<std::thread::id> Threads() {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint32_t> messages_;
    std::vector<WaveHeader*> done_;
    std::set<std::thread::id> threads_;
};

// A sine tone, interleaved 16-bit, cut into blocks of equal length with their headers.
struct ToneBlocks {
    ToneBlocks(int rate, int channels, double seconds, int blockMs, double frequency = 440.0,
               double amplitude = 12000.0)
        : rate(rate), channels(channels) {
        const size_t frames = size_t(rate * seconds);
        samples.resize(frames * size_t(channels));
        for (size_t i = 0; i < frames; ++i) {
            const auto value = int16_t(
                std::lround(amplitude * std::sin(2.0 * std::numbers::pi * frequency * double(i) / rate)));
            for (int c = 0; c < channels; ++c)
                samples[i * size_t(channels) + size_t(c)] = value;
        }
        const size_t blockFrames = size_t(rate) * size_t(blockMs) / 1000;
        for (size_t at = 0; at < frames; at += blockFrames) {
            WaveHeader& header = headers.emplace_back();
            header.data = reinterpret_cast<uint8_t*>(samples.data() + at * size_t(channels));
            header.bufferLength = uint32_t(std::min(blockFrames, frames - at) * size_t(channels) * 2);
        }
    }

    // Prepares and writes every block; true when the device took them all.
    bool WriteAll(HWaveOut device) {
        for (WaveHeader& header : headers) {
            if (platform::WaveOutPrepareHeader(device, &header) != platform::kMmSysErrNoError ||
                platform::WaveOutWrite(device, &header) != platform::kMmSysErrNoError)
                return false;
        }
        return true;
    }

    platform::WaveFormatEx Format() const {
        return platform::WaveFormatEx::Pcm16(uint32_t(rate), uint16_t(channels));
    }

    int rate;
    int channels;
    std::vector<int16_t> samples;
    std::deque<WaveHeader> headers;  // a deque: headers must not move once written
};

}  // namespace velotune::test
