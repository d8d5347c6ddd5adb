// tests/playback/status_recorder.h
//
// A status sink for engine tests: records every status an engine reports, from whatever thread,
// and lets the test wait for one with a timeout.
#pragma once

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "playback/playback_status.h"

namespace velotune::test {

class StatusRecorder : public IPlaybackStatusSink {
public:
    void SetPlaybackStatus(int status) override {
        std::lock_guard lock(mutex_);
        statuses_.push_back(status);
    }

    std::vector<int> Statuses() const {
        std::lock_guard lock(mutex_);
        return statuses_;
    }

    // Waits until `status` has been reported `count` times in all.
    bool WaitFor(int status, int count = 1, int timeoutMs = 20000) const {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                int seen = 0;
                for (int s : statuses_)
                    seen += s == status ? 1 : 0;
                if (seen >= count)
                    return true;
            }
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

private:
    mutable std::mutex mutex_;
    std::vector<int> statuses_;  // guarded by mutex_
};

}  // namespace velotune::test
