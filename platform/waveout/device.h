// platform/waveout/device.h
//
// One open sound device: the queue of written blocks, the device thread that feeds them to the
// PCM output and reports each one done, and the clock that keeps those reports at real-time pace.
// The functions of waveout.h look a device up by its handle and call it; nothing else does.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/waveout/pcm_backend.h"
#include "platform/waveout/wav_capture.h"
#include "platform/waveout/waveout.h"

namespace velotune::platform::waveout {

class WaveDevice {
public:
    WaveDevice(HWaveOut handle, const WaveFormatEx& format, WaveOutProc callback,
               uintptr_t instance, std::unique_ptr<PcmBackend> pcm,
               std::unique_ptr<WavCapture> capture, std::string capturePath, uint32_t volume);
    ~WaveDevice();
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    // Starts the device thread (which sends kWomOpen). kMmSysErrNoMem when it cannot.
    MmResult Start();

    // The calls of waveout.h, on any thread; see there.
    MmResult Prepare(WaveHeader* header);
    MmResult Unprepare(WaveHeader* header);
    MmResult Write(WaveHeader* header);
    MmResult Reset();
    MmResult Pause();
    MmResult Restart();
    void SetVolume(uint32_t volume) { volume_.store(volume, std::memory_order_relaxed); }
    uint32_t Volume() const { return volume_.load(std::memory_order_relaxed); }
    uint64_t BytesPlayed();
    const std::string& CapturePath() const { return capturePath_; }

    // Closing in two steps, so that the handle can be withdrawn in between: BeginClose refuses
    // while blocks are queued and otherwise makes every later call fail; FinishClose sends
    // kWomClose, ends the device thread and finishes the capture file.
    MmResult BeginClose();
    void FinishClose();

private:
    using Clock = std::chrono::steady_clock;

    struct Block {
        WaveHeader* header;
        uint64_t start;   // stream position (frames) of the block's first frame
        uint64_t frames;  // whole frames in the block
        uint64_t End() const { return start + frames; }
    };

    void Run();
    void ApplyRequests(Clock::time_point now);
    void Pump(Clock::time_point now);
    void UpdatePlayed(Clock::time_point now);
    void AdvancePlayed(uint64_t target);
    void CompleteFinished();
    void WriteAhead(Clock::time_point now);
    void FillScratch(uint64_t from, uint64_t frames);
    bool HandleError(int error, Clock::time_point now);
    void Escalate(int error);
    void DeliverDone(std::unique_lock<std::mutex>& lock);
    void Wait(std::unique_lock<std::mutex>& lock);
    void Wake();
    void Deliver(uint32_t message, uintptr_t param1);
    MmResult WaitForDeviceThread(std::unique_lock<std::mutex>& lock, uint64_t request);
    uint64_t FramesAt(Clock::time_point now) const;
    Clock::duration DurationOf(uint64_t frames) const;

    // Fixed at construction.
    const HWaveOut handle_;
    const uint32_t rate_;
    const uint16_t channels_;
    const uint16_t blockAlign_;
    const WaveOutProc callback_;
    const uintptr_t instance_;
    const std::string capturePath_;  // empty without a capture
    const long bufferFrames_;
    const uint64_t refillBelow_;  // frames: refill the output once it holds less than this
    int wakeFd_ = -1;             // eventfd that wakes the device thread

    std::atomic<uint32_t> volume_;  // atomic: set by any caller, read when samples are written

    std::mutex mutex_;
    std::condition_variable doneWithRequest_;  // signalled when handledRequest_ or threadEnded_ change
    // guarded by mutex_:
    std::thread::id threadId_;
    std::deque<Block> queue_;        // written, not yet played (oldest first)
    std::deque<WaveHeader*> done_;   // played or returned by a reset, not yet reported
    uint64_t queueEnd_ = 0;          // stream position after the last written block
    uint64_t written_ = 0;           // stream position handed to the output so far
    uint64_t played_ = 0;            // stream position heard so far
    uint64_t positionBase_ = 0;      // stream position of the last open or reset
    bool pauseRequested_ = false;
    bool dropRequested_ = false;     // a reset waits to discard the output's contents
    uint64_t dropTo_ = 0;            // stream position after the blocks the reset returned
    bool quit_ = false;
    bool closing_ = false;
    bool failed_ = false;            // the output failed for good; writes are refused
    bool threadEnded_ = false;
    bool wakeOnWrite_ = true;        // the device thread wants to hear of every new block
    uint64_t request_ = 0;           // numbers reset, pause and restart requests
    uint64_t handledRequest_ = 0;    // the last request the device thread has carried out
    // device thread only (with mutex_ held, except pcm_ during poll):
    std::unique_ptr<PcmBackend> pcm_;
    std::unique_ptr<WavCapture> capture_;
    std::vector<int16_t> scratch_;         // samples on their way to the output
    std::vector<int16_t> unheard_;         // with a capture: samples in [played_, written_)
    bool outputPaused_ = false;
    Clock::time_point anchorTime_;         // the clock says frame anchorFrames_ was heard at
    uint64_t anchorFrames_ = 0;            // anchorTime_, and one frame per 1/rate s after it
    long lastAvail_ = 0;                   // the output's room at the last refill check
    bool pollOutput_ = false;              // the last wait polled the output and it woke us
    int consecutiveErrors_ = 0;
    int suspendChecks_ = 0;
    Clock::time_point retryAt_;            // a suspended output is asked again at this time

    std::thread thread_;  // started by Start, joined by FinishClose or the destructor
};

}  // namespace velotune::platform::waveout
