#include "platform/waveout/device.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "platform/waveout/waveout_log.h"

namespace velotune::platform::waveout {
namespace {

using namespace std::chrono_literals;

// Consecutive output errors that recovery may mend before the device gives up.
constexpr int kMaxRecoveries = 5;
// A suspended output is asked to resume this often, this many times, before the device gives up.
constexpr auto kSuspendRetry = 100ms;
constexpr int kMaxSuspendChecks = 50;
// How long a caller waits for the device thread to carry out a reset, pause or restart. The thread
// only ever waits for the callback, so this passes only when a callback hangs.
constexpr auto kRequestTimeout = 10s;
// When the output has no room although the clock says it should, look again after this long.
constexpr auto kOutputFullRetry = 5ms;

constexpr int kMaxPollFds = 16;

constexpr uint32_t kFullVolume = 0xFFFFFFFFu;

}  // namespace

WaveDevice::WaveDevice(HWaveOut handle, const WaveFormatEx& format, WaveOutProc callback,
                       uintptr_t instance, std::unique_ptr<PcmBackend> pcm,
                       std::unique_ptr<WavCapture> capture, std::string capturePath,
                       uint32_t volume)
    : handle_(handle),
      rate_(format.samplesPerSec),
      channels_(format.channels),
      blockAlign_(format.blockAlign),
      callback_(callback),
      instance_(instance),
      capturePath_(std::move(capturePath)),
      bufferFrames_(std::max(1L, pcm->BufferFrames())),
      refillBelow_(uint64_t(std::max(1L, bufferFrames_ / 2))),
      volume_(volume),
      pcm_(std::move(pcm)),
      capture_(std::move(capture)) {
    scratch_.resize(size_t(bufferFrames_) * channels_);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

WaveDevice::~WaveDevice() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        Wake();
        thread_.join();
    }
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

MmResult WaveDevice::Start() {
    if (wakeFd_ < 0)
        return kMmSysErrNoMem;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
        qCWarning(lcWaveOut, "cannot start the device thread: %s", e.what());
        return kMmSysErrNoMem;
    }
    return kMmSysErrNoError;
}

// ---- Calls from any thread ----------------------------------------------------------------------

MmResult WaveDevice::Prepare(WaveHeader* header) {
    if (!header || (header->bufferLength > 0 && !header->data))
        return kMmSysErrInvalParam;
    std::lock_guard lock(mutex_);
    if (closing_)
        return kMmSysErrInvalHandle;
    if (header->flags & kWhdrInQueue)
        return kWavErrStillPlaying;
    header->flags |= kWhdrPrepared;
    return kMmSysErrNoError;
}

MmResult WaveDevice::Unprepare(WaveHeader* header) {
    if (!header)
        return kMmSysErrInvalParam;
    std::lock_guard lock(mutex_);
    if (closing_)
        return kMmSysErrInvalHandle;
    if (header->flags & kWhdrInQueue)
        return kWavErrStillPlaying;
    header->flags &= ~kWhdrPrepared;
    return kMmSysErrNoError;
}

MmResult WaveDevice::Write(WaveHeader* header) {
    if (!header || (header->bufferLength > 0 && !header->data))
        return kMmSysErrInvalParam;
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        if (closing_)
            return kMmSysErrInvalHandle;
        if (!(header->flags & kWhdrPrepared))
            return kWavErrUnprepared;
        if (header->flags & kWhdrInQueue)
            return kWavErrStillPlaying;
        if (failed_)
            return kMmSysErrError;
        header->flags = (header->flags & ~kWhdrDone) | kWhdrInQueue;
        const uint64_t frames = header->bufferLength / blockAlign_;
        queue_.push_back(Block{header, queueEnd_, frames});
        queueEnd_ += frames;
        wake = wakeOnWrite_;
    }
    if (wake)
        Wake();
    return kMmSysErrNoError;
}

MmResult WaveDevice::Reset() {
    std::unique_lock lock(mutex_);
    if (closing_)
        return kMmSysErrInvalHandle;
    // The blocks go back now, so that a block written after this call is not swept up with them;
    // the device thread discards what the output still holds before it writes anything new.
    for (const Block& block : queue_)
        done_.push_back(block.header);
    queue_.clear();
    dropRequested_ = true;
    dropTo_ = queueEnd_;
    return WaitForDeviceThread(lock, ++request_);
}

MmResult WaveDevice::Pause() {
    std::unique_lock lock(mutex_);
    if (closing_)
        return kMmSysErrInvalHandle;
    pauseRequested_ = true;
    return WaitForDeviceThread(lock, ++request_);
}

MmResult WaveDevice::Restart() {
    std::unique_lock lock(mutex_);
    if (closing_)
        return kMmSysErrInvalHandle;
    pauseRequested_ = false;
    return WaitForDeviceThread(lock, ++request_);
}

uint64_t WaveDevice::BytesPlayed() {
    std::lock_guard lock(mutex_);
    return (played_ - positionBase_) * blockAlign_;
}

MmResult WaveDevice::BeginClose() {
    std::lock_guard lock(mutex_);
    if (closing_)
        return kMmSysErrInvalHandle;
    if (std::this_thread::get_id() == threadId_)
        return kMmSysErrHandleBusy;
    if (!queue_.empty() || !done_.empty())
        return kWavErrStillPlaying;
    closing_ = true;
    return kMmSysErrNoError;
}

void WaveDevice::FinishClose() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    Wake();
    if (thread_.joinable())
        thread_.join();
    // Everything has been played (no block is queued), so nothing is cut short here.
    pcm_.reset();
    capture_.reset();
}

MmResult WaveDevice::WaitForDeviceThread(std::unique_lock<std::mutex>& lock, uint64_t request) {
    // From the device's own callback the request is carried out when the callback returns.
    if (std::this_thread::get_id() == threadId_)
        return kMmSysErrNoError;
    Wake();
    if (!doneWithRequest_.wait_for(lock, kRequestTimeout,
                                   [&] { return handledRequest_ >= request || threadEnded_; })) {
        qCWarning(lcWaveOut, "the device thread did not answer; is a callback blocked?");
        return kMmSysErrError;
    }
    return kMmSysErrNoError;
}

void WaveDevice::Wake() {
    const uint64_t one = 1;
    // A full counter still wakes the thread, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

// ---- The device thread --------------------------------------------------------------------------

void WaveDevice::Run() {
    {
        std::lock_guard lock(mutex_);
        threadId_ = std::this_thread::get_id();
    }
    Deliver(kWomOpen, 0);

    std::unique_lock lock(mutex_);
    while (!quit_) {
        const uint64_t request = request_;
        const Clock::time_point now = Clock::now();
        ApplyRequests(now);
        if (!outputPaused_ && !failed_)
            Pump(now);
        if (!done_.empty()) {
            DeliverDone(lock);
            continue;  // a callback may have written, reset or paused
        }
        if (handledRequest_ != request) {
            handledRequest_ = request;
            doneWithRequest_.notify_all();
        }
        Wait(lock);
    }
    threadEnded_ = true;
    doneWithRequest_.notify_all();
    lock.unlock();
    Deliver(kWomClose, 0);
}

void WaveDevice::ApplyRequests(Clock::time_point now) {
    if (dropRequested_) {
        dropRequested_ = false;
        if (written_ > played_ && !failed_) {
            const int err = pcm_->Drop();
            if (err < 0)
                HandleError(err, now);
        }
        unheard_.clear();
        played_ = written_ = positionBase_ = dropTo_;
    }
    if (pauseRequested_ && !outputPaused_) {
        // Blocks heard before the pause are still reported; what the output holds beyond that is
        // discarded and written again after the restart.
        if (!failed_) {
            UpdatePlayed(now);
            CompleteFinished();
            if (written_ > played_) {
                const int err = pcm_->Drop();
                if (err < 0)
                    HandleError(err, now);
            }
        }
        unheard_.clear();
        written_ = played_;
        outputPaused_ = true;
    } else if (!pauseRequested_ && outputPaused_) {
        outputPaused_ = false;  // the next write starts the output and the clock again
    }
}

void WaveDevice::Pump(Clock::time_point now) {
    UpdatePlayed(now);
    CompleteFinished();
    if (!failed_ && now >= retryAt_)
        WriteAhead(now);
}

uint64_t WaveDevice::FramesAt(Clock::time_point now) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - anchorTime_);
    if (elapsed.count() <= 0)
        return anchorFrames_;
    // Whole seconds and the rest apart, so that a long run cannot overflow.
    const uint64_t ns = uint64_t(elapsed.count());
    return anchorFrames_ + ns / 1000000000ull * rate_ + ns % 1000000000ull * rate_ / 1000000000ull;
}

WaveDevice::Clock::duration WaveDevice::DurationOf(uint64_t frames) const {
    // Rounded up, so that a wake-up for a frame never comes before the frame is due.
    return std::chrono::nanoseconds((frames * 1000000000ull + rate_ - 1) / rate_);
}

void WaveDevice::UpdatePlayed(Clock::time_point now) {
    if (written_ == played_)
        return;
    long delay = 0;
    const int err = pcm_->Delay(&delay);
    if (err < 0) {
        // An underrun (everything written has been heard) or a suspend; the next write recovers.
        AdvancePlayed(written_);
        return;
    }
    uint64_t heard;
    if (delay > 0) {
        // A device that reports its delay is the authority; follow it, and keep the clock with it
        // so that it takes over smoothly when the device runs empty.
        heard = written_ - std::min<uint64_t>(uint64_t(delay), written_ - played_);
        anchorFrames_ = std::max(heard, played_);
        anchorTime_ = now;
    } else {
        // The device says it holds nothing: either it played everything, or it consumes
        // instantly (the null device). The clock decides what a listener would have heard.
        heard = std::min(written_, FramesAt(now));
    }
    AdvancePlayed(heard);
}

void WaveDevice::AdvancePlayed(uint64_t target) {
    target = std::min(target, written_);
    if (target <= played_)
        return;
    if (capture_) {
        const size_t samples = size_t(target - played_) * channels_;
        capture_->Append(unheard_.data(), std::min(samples, unheard_.size()));
        unheard_.erase(unheard_.begin(),
                       unheard_.begin() + ptrdiff_t(std::min(samples, unheard_.size())));
    }
    played_ = target;
}

void WaveDevice::CompleteFinished() {
    while (!queue_.empty() && queue_.front().End() <= played_) {
        done_.push_back(queue_.front().header);
        queue_.pop_front();
    }
}

void WaveDevice::WriteAhead(Clock::time_point now) {
    while (!failed_ && queueEnd_ > written_) {
        const long avail = pcm_->Avail();
        if (avail < 0) {
            if (!HandleError(int(avail), now))
                return;
            continue;
        }
        lastAvail_ = avail;
        const uint64_t level = written_ - played_;
        // Refill only once the output runs below half its buffer, then top it up: few large
        // writes instead of one per block.
        if (level >= refillBelow_)
            return;
        const uint64_t room = std::min<uint64_t>(uint64_t(avail), uint64_t(bufferFrames_) - level);
        const uint64_t chunk = std::min(room, queueEnd_ - written_);
        if (chunk == 0)
            return;
        FillScratch(written_, chunk);
        long taken = pcm_->Write(scratch_.data(), long(chunk));
        if (taken == -EAGAIN)
            taken = 0;
        if (taken < 0) {
            if (!HandleError(int(taken), now))
                return;
            continue;
        }
        if (taken == 0)
            return;
        if (level == 0) {
            // The output was empty: its clock starts again with these frames.
            anchorFrames_ = played_;
            anchorTime_ = now;
        }
        if (capture_)
            unheard_.insert(unheard_.end(), scratch_.begin(),
                            scratch_.begin() + ptrdiff_t(uint64_t(taken) * channels_));
        written_ += uint64_t(taken);
        consecutiveErrors_ = 0;
        suspendChecks_ = 0;
        pollOutput_ = false;
        if (uint64_t(taken) < chunk)
            return;
    }
}

void WaveDevice::FillScratch(uint64_t from, uint64_t frames) {
    int16_t* out = scratch_.data();
    uint64_t pos = from;
    const uint64_t end = from + frames;
    for (const Block& block : queue_) {
        if (pos >= end)
            break;
        if (block.End() <= pos)
            continue;
        const uint64_t offset = pos - block.start;
        const uint64_t count = std::min(block.End(), end) - pos;
        std::memcpy(out, block.header->data + offset * blockAlign_, size_t(count) * blockAlign_);
        out += count * channels_;
        pos += count;
    }

    const uint32_t volume = volume_.load(std::memory_order_relaxed);
    if (volume == kFullVolume)
        return;
    const int32_t left = int32_t(volume & 0xFFFF);
    const int32_t right = int32_t(volume >> 16);
    int32_t gain[2] = {left, channels_ == 1 ? left : right};
    const int32_t other = (left + right) / 2;
    int16_t* sample = scratch_.data();
    for (uint64_t f = 0; f < frames; ++f) {
        for (uint16_t c = 0; c < channels_; ++c, ++sample) {
            const int32_t g = c < 2 ? gain[c] : other;
            *sample = int16_t(int32_t(*sample) * g / 65535);
        }
    }
}

bool WaveDevice::HandleError(int error, Clock::time_point now) {
    // Whatever the output held is gone (an underrun means it was all heard), so the blocks behind
    // it still come back.
    AdvancePlayed(written_);
    if (++consecutiveErrors_ > kMaxRecoveries) {
        Escalate(error);
        return false;
    }
    const int result = pcm_->Recover(error);
    if (result == 0) {
        qCDebug(lcWaveOut, "sound output recovered from: %s", strerror(-error));
        return true;
    }
    if (result == -EAGAIN) {
        --consecutiveErrors_;  // a suspend is waited out on its own count
        if (++suspendChecks_ > kMaxSuspendChecks) {
            Escalate(error);
            return false;
        }
        retryAt_ = now + kSuspendRetry;
        return false;
    }
    Escalate(result);
    return false;
}

void WaveDevice::Escalate(int error) {
    qCWarning(lcWaveOut,
              "the sound device failed (%s) and could not be recovered; playback stopped, "
              "queued blocks are returned and further writes fail",
              strerror(-error));
    failed_ = true;
    pcm_->Drop();
    AdvancePlayed(written_);
    unheard_.clear();
    for (const Block& block : queue_)
        done_.push_back(block.header);
    queue_.clear();
    played_ = written_ = queueEnd_;
}

void WaveDevice::DeliverDone(std::unique_lock<std::mutex>& lock) {
    while (!done_.empty()) {
        WaveHeader* header = done_.front();
        done_.pop_front();
        header->flags = (header->flags & ~kWhdrInQueue) | kWhdrDone;
        lock.unlock();
        Deliver(kWomDone, reinterpret_cast<uintptr_t>(header));
        lock.lock();
    }
}

void WaveDevice::Deliver(uint32_t message, uintptr_t param1) {
    if (callback_)
        callback_(handle_, message, instance_, param1, 0);
}

void WaveDevice::Wait(std::unique_lock<std::mutex>& lock) {
    const Clock::time_point now = Clock::now();
    std::optional<Clock::time_point> deadline;
    const auto wakeAt = [&](Clock::time_point t) { deadline = deadline ? std::min(*deadline, t) : t; };
    bool pollOutput = false;

    if (!outputPaused_ && !failed_ && !queue_.empty()) {
        // The next block to finish (not sooner than a millisecond from now while it is still
        // playing, in case the device's position moves in coarse steps).
        const uint64_t end = queue_.front().End();
        wakeAt(end > played_ ? now + std::max<Clock::duration>(DurationOf(end - played_), 1ms) : now);
        const uint64_t level = written_ - played_;
        if (now < retryAt_) {
            wakeAt(retryAt_);
        } else if (level >= refillBelow_) {
            // The moment the output runs below the refill mark.
            wakeAt(now + DurationOf(level - refillBelow_ + 1));
        } else if (queueEnd_ > written_) {
            // Below the mark but the output had no room: wait for it to make some. An output
            // that wakes us without making room is not polled again until a write succeeds.
            pollOutput = !pollOutput_;
            wakeAt(now + kOutputFullRetry);
        }
    }
    // A new block needs the thread at once only when the output is running low; otherwise the
    // refill above picks it up. This saves a wake-up per block while the output is well fed.
    wakeOnWrite_ = !outputPaused_ && !failed_ && now >= retryAt_ && written_ - played_ < refillBelow_;

    pollfd fds[1 + kMaxPollFds];
    fds[0] = pollfd{wakeFd_, POLLIN, 0};
    int outputFds = 0;
    if (pollOutput)
        outputFds = pcm_->PollDescriptors(fds + 1, kMaxPollFds);

    lock.unlock();
    timespec timeout{};
    timespec* timeoutPtr = nullptr;
    if (deadline) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*deadline - now);
        const int64_t wait = std::max<int64_t>(0, ns.count());
        timeout.tv_sec = time_t(wait / 1000000000);
        timeout.tv_nsec = long(wait % 1000000000);
        timeoutPtr = &timeout;
    }
    const int ready = ppoll(fds, nfds_t(1 + outputFds), timeoutPtr, nullptr);
    bool outputWoke = false;
    if (ready > 0) {
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
        }
        if (outputFds > 0)
            outputWoke = pcm_->PollWritable(fds + 1, outputFds);
    }
    lock.lock();
    pollOutput_ = outputWoke;
}

}  // namespace velotune::platform::waveout
