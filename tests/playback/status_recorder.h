// tests/playback/status_recorder.h
//
// A status sink for engine tests: records every status (and title) an engine reports, from whatever
// thread, and lets the test wait for one with a timeout.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "playback/playback_status.h"

namespace velotune::test {

class StatusRecorder : public IPlaybackStatusSink {
public:
    void SetPlaybackStatus(int status) override {
        std::lock_guard lock(mutex_);
        statuses_.push_back(status);
        changed_.notify_all();
    }

    void SetStreamTitle(const QString& title) override {
        std::lock_guard lock(mutex_);
        titles_.push_back(title);
    }
    std::vector<QString> Titles() const {
        std::lock_guard lock(mutex_);
        return titles_;
    }

    std::vector<int> Statuses() const {
        std::lock_guard lock(mutex_);
        return statuses_;
    }
    size_t Count() const {
        std::lock_guard lock(mutex_);
        return statuses_.size();
    }

    // Waits until `status` has been reported at position `from` or later.
    bool WaitFor(int status, int timeoutMs = 20000, size_t from = 0) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
            for (size_t i = from; i < statuses_.size(); ++i)
                if (statuses_[i] == status)
                    return true;
            return false;
        });
    }

    // Waits until the engine has let go of the stream (a 5 at `from` or later) and the reports
    // have settled (nothing new for a moment), then returns what came from `from` on.
    std::vector<int> WaitForEnd(size_t from, int timeoutMs = 20000) {
        WaitFor(kStatusStopped, timeoutMs, from);
        size_t count = Count();
        for (;;) {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_for(lock, std::chrono::milliseconds(400),
                                   [&] { return statuses_.size() != count; }))
                break;
            count = statuses_.size();
        }
        const std::vector<int> all = Statuses();
        return std::vector<int>(all.begin() + std::ptrdiff_t(std::min(from, all.size())),
                                all.end());
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> statuses_;  // guarded by mutex_
    std::vector<QString> titles_;  // guarded by mutex_
};

}  // namespace velotune::test
