// tests/platform/wmruntime/reader_recorder.h
//
// A reader callback for tests: it records every status and sample the reader's thread reports
// (with the time it arrived) and lets the test thread wait for them with a timeout. A hook runs on
// the reader's thread after each status is recorded, so a test can act from inside the callback
// as the playback engine does.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/wmruntime/wmruntime.h"
#include "tests/support/tone.h"

namespace velotune::test {

class ReaderRecorder : public platform::WmReaderCallback {
public:
    using Clock = std::chrono::steady_clock;
    struct Status {
        platform::WmtStatus status;
        platform::HResult result;
        Clock::time_point at;
    };
    struct Sample {
        uint64_t time;
        uint64_t duration;
        uint32_t flags;
        uint32_t bytes;
        Clock::time_point at;
    };

    platform::HResult OnStatus(platform::WmtStatus status, platform::HResult result,
                               platform::WmtAttrDataType, const uint8_t*, void*) override {
        {
            std::lock_guard lock(mutex_);
            statuses_.push_back({status, result, Clock::now()});
        }
        if (hook_)
            hook_(status);
        return platform::kSOk;
    }

    platform::HResult OnSample(uint32_t output, uint64_t time, uint64_t duration, uint32_t flags,
                               const platform::WmSampleBuffer& sample, void*) override {
        const uint8_t* data = nullptr;
        uint32_t length = 0;
        sample.GetBufferAndLength(&data, &length);
        {
            std::lock_guard lock(mutex_);
            outputs_.push_back(output);
            samples_.push_back({time, duration, flags, length, Clock::now()});
            const auto* pcm = reinterpret_cast<const int16_t*>(data);
            pcm_.insert(pcm_.end(), pcm, pcm + length / 2);
        }
        if (sampleHook_)
            sampleHook_(time, sample);
        return platform::kSOk;
    }

    // Set before Open; run on the reader's thread.
    void SetStatusHook(std::function<void(platform::WmtStatus)> hook) { hook_ = std::move(hook); }
    void SetSampleHook(std::function<void(uint64_t, const platform::WmSampleBuffer&)> hook) {
        sampleHook_ = std::move(hook);
    }

    bool WaitFor(platform::WmtStatus status, int timeoutMs = 20000) {
        return WaitForAny({status}, timeoutMs);
    }

    bool WaitForAny(std::initializer_list<platform::WmtStatus> any, int timeoutMs = 20000) {
        return Poll(timeoutMs, [&] {
            for (const Status& s : statuses_)
                for (platform::WmtStatus wanted : any)
                    if (s.status == wanted)
                        return true;
            return false;
        });
    }

    bool WaitForSamples(size_t count, int timeoutMs = 20000) {
        return Poll(timeoutMs, [&] { return samples_.size() >= count; });
    }

    std::vector<Status> Statuses() const {
        std::lock_guard lock(mutex_);
        return statuses_;
    }
    std::vector<platform::WmtStatus> StatusList() const {
        std::vector<platform::WmtStatus> list;
        for (const Status& s : Statuses())
            list.push_back(s.status);
        return list;
    }
    platform::HResult ResultOf(platform::WmtStatus status) const {
        for (const Status& s : Statuses())
            if (s.status == status)
                return s.result;
        return platform::kEUnexpected;
    }
    std::vector<Sample> Samples() const {
        std::lock_guard lock(mutex_);
        return samples_;
    }
    size_t SampleCount() const {
        std::lock_guard lock(mutex_);
        return samples_.size();
    }
    std::vector<uint32_t> Outputs() const {
        std::lock_guard lock(mutex_);
        return outputs_;
    }
    PcmAudio Audio(int rate, int channels) const {
        std::lock_guard lock(mutex_);
        return PcmAudio{rate, channels, pcm_};
    }

private:
    // Checks `done` under the lock every few milliseconds until it holds or time runs out.
    template <typename Done>
    bool Poll(int timeoutMs, Done done) const {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (done())
                    return true;
            }
            if (Clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    mutable std::mutex mutex_;
    std::vector<Status> statuses_;                   // guarded by mutex_
    std::vector<Sample> samples_;                    // guarded by mutex_
    std::vector<uint32_t> outputs_;                  // guarded by mutex_
    std::vector<int16_t> pcm_;                       // guarded by mutex_
    std::function<void(platform::WmtStatus)> hook_;  // set before Open, then read-only
    std::function<void(uint64_t, const platform::WmSampleBuffer&)> sampleHook_;  // likewise
};

// A BOOL attribute of a header: 0 or 1, or -1 when it is missing or not a BOOL.
inline int BoolAttribute(platform::WmHeaderInfo* header, std::u16string_view name) {
    uint16_t stream = 0;
    platform::WmtAttrDataType type{};
    uint32_t value = 0;
    uint16_t length = sizeof value;
    if (platform::Failed(header->GetAttributeByName(&stream, name, &type,
                                                    reinterpret_cast<uint8_t*>(&value), &length)) ||
        type != platform::WmtAttrDataType::kBool || length != sizeof value)
        return -1;
    return value ? 1 : 0;
}

// Closes a reader when the test's scope ends, also when an assertion returns early. Declare it
// after the recorder, so that the reader stops calling the recorder before the recorder goes.
class CloseOnExit {
public:
    explicit CloseOnExit(platform::WmReader* reader) : reader_(reader) {}
    ~CloseOnExit() { reader_->Close(); }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    platform::WmReader* reader_;
};

}  // namespace velotune::test
