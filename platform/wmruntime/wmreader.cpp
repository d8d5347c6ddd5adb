// The asynchronous reader: one thread per opened source opens, decodes and paces the audio, and
// reports through the caller's callback. Control calls only set requests under the mutex and wake
// the thread; the thread acts on them between blocks, and an interrupt flag gets it out of any
// network wait at once.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/wmruntime/ffmpeg_util.h"
#include "platform/wmruntime/wmruntime.h"
#include "platform/wmruntime/wmsource.h"

namespace velotune::platform {

using wmrt::Source;
using Clock = std::chrono::steady_clock;

namespace {

// Samples go out this far ahead of the playback clock: the sound device then holds about a second,
// enough to ride out a network hiccup, and a pause or stop never has more than that queued.
constexpr std::chrono::milliseconds kLead{1000};
// Network sources fill this much before STARTED (and again after running dry).
constexpr uint64_t kPrefillHns = 10'000'000;
// An open that takes longer than this has failed (the caller waits about a minute).
constexpr std::chrono::seconds kOpenTimeout{40};
// A dropped live source is reopened after these waits, doubling up to the longest, until about
// this long after the drop.
constexpr std::chrono::seconds kFirstReconnectWait{1};
constexpr std::chrono::seconds kLongestReconnectWait{8};
constexpr std::chrono::seconds kReconnectSpan{30};

Clock::duration FromHns(uint64_t hns) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(hns * 100));
}

}  // namespace

struct WmReader::Impl {
    enum class Phase {
        kClosed,      // nothing open (or CLOSED reported)
        kOpening,     // the thread is opening; OPENED not yet reported
        kOpenFailed,  // OPENED reported a failure; only Stop and Close make sense
        kReady,       // OPENED succeeded; not playing (before Start, after STOPPED/EOF/ERROR)
        kPlaying,
        kPaused,
        kClosing,  // Close requested; CLOSED not yet reported
    };

    WmHeaderInfo header;

    mutable std::mutex mutex;
    std::condition_variable wake;      // the reader's thread waits on it
    Phase phase = Phase::kClosed;      // guarded by mutex
    bool startRequested = false;       // guarded by mutex
    bool stopRequested = false;        // guarded by mutex
    bool closeRequested = false;       // guarded by mutex
    bool closedReported = false;       // guarded by mutex
    void* startContext = nullptr;      // guarded by mutex
    std::vector<WmMediaType> outputs;  // guarded by mutex; set before OPENED
    std::thread::id threadId;          // guarded by mutex: the current reader's thread

    // Set once by Open before the thread starts; read by the thread only.
    WmReaderCallback* callback = nullptr;
    void* openContext = nullptr;

    // atomic: set by Stop and Close on any thread, read by FFmpeg's interrupt callback.
    std::atomic<bool> abortIo{false};
    // atomic: SetReconnect's choice, read by the reader's thread at a drop.
    std::atomic<bool> reconnect{true};
    // atomic: steady-clock deadline (ns since epoch) for the open, 0 for none; reader's thread.
    std::atomic<int64_t> ioDeadline{0};

    std::mutex joinMutex;  // serialises joining `thread`
    std::thread thread;    // guarded by joinMutex (and mutex for starting it)

    static int Interrupt(void* opaque) {
        auto* self = static_cast<Impl*>(opaque);
        if (self->abortIo.load(std::memory_order_relaxed))
            return 1;
        const int64_t deadline = self->ioDeadline.load(std::memory_order_relaxed);
        return deadline != 0 && Clock::now().time_since_epoch().count() > deadline ? 1 : 0;
    }

    bool OnReaderThread() const {
        std::lock_guard lock(mutex);
        return threadId == std::this_thread::get_id();
    }

    void Join() {
        std::lock_guard join(joinMutex);
        if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
            thread.join();
    }

    // Reports a status unless the reader is closing (then only CLOSED is left to say).
    void Report(WmtStatus status, HResult result) {
        {
            std::lock_guard lock(mutex);
            if (closeRequested)
                return;
        }
        callback->OnStatus(status, result, WmtAttrDataType::kDword, nullptr, openContext);
    }

    void ReportTitle(const std::string& title) {
        {
            std::lock_guard lock(mutex);
            if (closeRequested)
                return;
        }
        const std::vector<uint8_t> value = WmStringValue(wmrt::FromUtf8(title));
        callback->OnStatus(WmtStatus::kNewMetadata, kSOk, WmtAttrDataType::kString, value.data(),
                           openContext);
    }

    void ReportClosedOnce() {
        {
            // Closed before the report: a caller woken by CLOSED may Open at once (Open waits
            // for this thread to end before it starts the next one).
            std::lock_guard lock(mutex);
            if (closedReported)
                return;
            closedReported = true;
            phase = Phase::kClosed;
            outputs.clear();
        }
        callback->OnStatus(WmtStatus::kClosed, kSOk, WmtAttrDataType::kDword, nullptr, openContext);
    }

    // Outputs exist from a successful OPENED until Close. Call with mutex held.
    bool OutputsReadable() const {
        return phase == Phase::kReady || phase == Phase::kPlaying || phase == Phase::kPaused;
    }

    // True when a request (close, stop, restart) ends what the thread is doing.
    bool Interrupted() const { return closeRequested || stopRequested || startRequested; }

    void Run(std::string url);
    void Play(Source& source);
    // Fills the queue to the prefill amount. False when interrupted or the source failed.
    bool Fill(Source& source);
    // Fills without reporting: kSOk, the source's failure, or kEAbort with *interrupted set.
    HResult FillQuietly(Source& source, bool* interrupted);
    // Reopens a dropped live source (see SetReconnect). kSOk when it plays again with blocks
    // queued; kEAbort when a request interrupted it; otherwise the failure to report.
    HResult Reconnect(Source& source, HResult why);
    // Waits up to `wait` unless a request comes first; true when one did.
    bool WaitInterrupted(Clock::duration wait);
    bool ReportPumpFailure(HResult hr);
};

void WmReader::Impl::Run(std::string url) {
    AVIOInterruptCB interrupt{&Impl::Interrupt, this};
    Source source(interrupt);

    // Network addresses other than http(s) are first located (MMS tries two transports).
    const std::string scheme = wmrt::UrlScheme(url);
    if (!scheme.empty() && scheme != "file" && scheme.rfind("http", 0) != 0)
        Report(WmtStatus::kLocating, kSOk);

    ioDeadline = (Clock::now() + kOpenTimeout).time_since_epoch().count();
    HResult hr = source.Open(url);
    ioDeadline = 0;
    qCInfo(lcWmRuntime) << "opened" << url.c_str() << "result" << Qt::hex << uint32_t(hr);

    {
        std::lock_guard lock(mutex);
        if (!closeRequested) {
            if (stopRequested && Succeeded(hr))
                hr = kEAbort;  // a Stop during the open cancels it
            if (Succeeded(hr)) {
                phase = Phase::kReady;
                outputs.clear();
                if (source.HasAudio()) {
                    WmMediaType type;
                    type.majorType = WmMajorType::kAudio;
                    type.fixedSizeSamples = true;
                    type.temporalCompression = false;
                    type.sampleSize = source.Format().blockAlign;
                    type.waveFormat = source.Format();
                    outputs.push_back(type);
                }
                header.Reset(WmHeaderInfo::Access::kReadOnly, source.Attributes());
            } else {
                phase = Phase::kOpenFailed;
            }
        }
    }
    Report(WmtStatus::kOpened, hr);

    // Whether the source has been read past its primed first block (then a Start reopens it).
    bool used = Failed(hr);
    for (;;) {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return Interrupted(); });
        if (closeRequested)
            break;
        if (stopRequested) {
            stopRequested = false;
            startRequested = false;
            abortIo = false;
            if (phase == Phase::kPlaying || phase == Phase::kPaused)
                phase = Phase::kReady;
            lock.unlock();
            used = true;
            Report(WmtStatus::kStopped, kSOk);
            continue;
        }
        // Start.
        startRequested = false;
        phase = Phase::kPlaying;
        lock.unlock();
        if (used) {
            ioDeadline = (Clock::now() + kOpenTimeout).time_since_epoch().count();
            hr = source.Reopen();
            ioDeadline = 0;
            if (Failed(hr)) {
                if (ReportPumpFailure(hr)) {
                    std::lock_guard relock(mutex);
                    if (phase == Phase::kPlaying || phase == Phase::kPaused)
                        phase = Phase::kReady;
                }
                continue;
            }
        }
        used = true;
        Play(source);
    }
    // Close was requested from another thread (a Close made inside a callback has already
    // reported CLOSED); the source is released as this function returns.
    ReportClosedOnce();
}

// Reports a failure of the source as ERROR unless it was the interrupt of a Stop or Close (then
// the request is acted upon by the caller's loop). Returns true when it reported.
bool WmReader::Impl::ReportPumpFailure(HResult hr) {
    {
        std::lock_guard lock(mutex);
        if (hr == kEAbort && (closeRequested || stopRequested))
            return false;
    }
    Report(WmtStatus::kError, hr);
    return true;
}

bool WmReader::Impl::Fill(Source& source) {
    bool interrupted = false;
    const HResult hr = FillQuietly(source, &interrupted);
    if (interrupted)
        return false;
    if (Failed(hr)) {
        ReportPumpFailure(hr);
        return false;
    }
    return true;
}

HResult WmReader::Impl::FillQuietly(Source& source, bool* interrupted) {
    while (source.Queued() < kPrefillHns) {
        {
            std::lock_guard lock(mutex);
            if (Interrupted()) {
                *interrupted = true;
                return kEAbort;
            }
        }
        const HResult hr = source.Pump();
        if (hr == kSFalse)
            return kSOk;  // a short source: play what there is
        if (Failed(hr)) {
            std::lock_guard lock(mutex);
            *interrupted = hr == kEAbort && Interrupted();
            return hr;
        }
    }
    return kSOk;
}

bool WmReader::Impl::WaitInterrupted(Clock::duration wait) {
    std::unique_lock lock(mutex);
    return wake.wait_for(lock, wait, [&] { return Interrupted(); });
}

HResult WmReader::Impl::Reconnect(Source& source, HResult why) {
    qCInfo(lcWmRuntime) << "the live source dropped; reconnecting, result" << Qt::hex
                        << uint32_t(why);
    Report(WmtStatus::kReconnectStart, why);
    const Clock::time_point giveUpAt = Clock::now() + kReconnectSpan;
    Clock::duration wait = kFirstReconnectWait;
    HResult hr = Failed(why) ? why : kNsENetwork;
    source.KeepFormat(true);
    while (Clock::now() + wait < giveUpAt) {
        if (WaitInterrupted(wait))
            return kEAbort;
        wait = std::min<Clock::duration>(wait * 2, kLongestReconnectWait);
        // An attempt ends with the span (the source's own bounds end a silent one sooner).
        const Clock::time_point attemptEnd =
            std::min(Clock::now() + kOpenTimeout, giveUpAt + kFirstReconnectWait);
        ioDeadline = attemptEnd.time_since_epoch().count();
        HResult opened = source.Reopen();
        ioDeadline = 0;
        if (Succeeded(opened) && (!source.HasAudio() || source.MissingCodec()))
            opened = kNsENoAudio;
        if (Succeeded(opened)) {
            bool interrupted = false;
            opened = FillQuietly(source, &interrupted);
            if (interrupted)
                return kEAbort;
            if (Succeeded(opened) && source.HasBlock()) {
                qCInfo(lcWmRuntime) << "reconnected";
                Report(WmtStatus::kReconnectEnd, kSOk);
                return kSOk;
            }
        }
        {
            std::lock_guard lock(mutex);
            if (Interrupted())
                return kEAbort;
        }
        // An abort here was the attempt's deadline, not a request: the server did not answer.
        if (Failed(opened))
            hr = opened == kEAbort ? kNsETimeout : opened;
        qCInfo(lcWmRuntime) << "reconnect attempt failed, result" << Qt::hex << uint32_t(opened);
    }
    return hr == kEAbort ? kNsETimeout : hr;  // kEAbort is kept for the requests
}

void WmReader::Impl::Play(Source& source) {
    const auto backToReady = [this] {
        std::lock_guard lock(mutex);
        if (phase == Phase::kPlaying || phase == Phase::kPaused)
            phase = Phase::kReady;
    };
    if (!source.HasAudio()) {
        Report(WmtStatus::kEof, kSOk);
        backToReady();
        return;
    }
    if (source.MissingCodec()) {
        Report(WmtStatus::kMissingCodec, kNsENoCodec);
        backToReady();
        return;
    }
    const bool network = source.IsNetwork();
    if (network) {
        Report(WmtStatus::kBufferingStart, kSOk);
        if (!Fill(source)) {
            backToReady();
            return;
        }
        Report(WmtStatus::kBufferingStop, kSOk);
    }
    Report(WmtStatus::kStarted, kSOk);
    // Only a broadcast reconnects: an on-demand source would start over from its beginning.
    const bool live = network && source.IsBroadcast();
    bool played = false;     // a sample has gone out since the start
    uint64_t timeShift = 0;  // added to the source's times: they go on across a reconnect
    uint64_t nextTime = 0;   // the end of the last sample delivered, in delivered time

    // The playback clock: sample time originTime is heard at `origin`.
    Clock::time_point origin = Clock::now();
    uint64_t originTime = source.HasBlock() ? source.Front().time : 0;
    uint32_t flags = kWmSfCleanPoint | kWmSfDiscontinuity;
    for (;;) {
        void* context = nullptr;
        {
            std::unique_lock lock(mutex);
            if (Interrupted())
                return;  // the run loop acts on the request
            if (phase == Phase::kPaused) {
                const Clock::time_point pausedAt = Clock::now();
                wake.wait(lock, [&] { return Interrupted() || phase != Phase::kPaused; });
                origin += Clock::now() - pausedAt;
                continue;
            }
            context = startContext;
        }
        if (!source.HasBlock()) {
            HResult hr = source.Pump();
            if (live && played && reconnect && (hr == kSFalse || (Failed(hr) && hr != kEAbort))) {
                // The end of a live stream is a drop too: the server went away.
                hr = Reconnect(source, hr);
                if (hr == kEAbort)
                    continue;  // the request is seen at the top
                if (Succeeded(hr)) {
                    timeShift = nextTime - source.Front().time;
                    origin = Clock::now();
                    originTime = source.Front().time;
                    flags |= kWmSfDiscontinuity;
                    continue;
                }
                Report(WmtStatus::kError, hr);
                backToReady();
                return;
            }
            if (hr == kSFalse) {
                Report(WmtStatus::kEof, kSOk);
                backToReady();
                return;
            }
            if (Failed(hr)) {
                if (!ReportPumpFailure(hr))
                    continue;  // an interrupt: the request is seen at the top
                backToReady();
                return;
            }
            const Clock::time_point heard = origin + FromHns(source.Front().time - originTime);
            if (network && Clock::now() > heard) {
                // The device has run dry waiting for the network: fill up again, as at the start.
                Report(WmtStatus::kBufferingStart, kSOk);
                if (!Fill(source)) {
                    backToReady();
                    return;
                }
                Report(WmtStatus::kBufferingStop, kSOk);
                origin = Clock::now();
                originTime = source.Front().time;
                flags |= kWmSfDiscontinuity;
            }
        }
        const Clock::time_point due = origin + FromHns(source.Front().time - originTime) - kLead;
        {
            std::unique_lock lock(mutex);
            if (wake.wait_until(lock, due,
                                [&] { return Interrupted() || phase == Phase::kPaused; }))
                continue;
        }
        const wmrt::PcmBlock block = source.TakeFront();
        played = true;
        nextTime = block.time + timeShift + block.duration;
        if (block.titleChanged)
            ReportTitle(block.title);
        callback->OnSample(0, block.time + timeShift, block.duration, flags,
                           WmSampleBuffer(block.bytes.data(), uint32_t(block.bytes.size())),
                           context);
        flags = kWmSfCleanPoint;
    }
}

// ---- WmReader -----------------------------------------------------------------------------------

WmReader::WmReader() : impl_(std::make_unique<Impl>()) {}

WmReader::~WmReader() {
    Close();
    impl_->Join();
}

HResult WmReader::Open(std::u16string_view url, WmReaderCallback* callback, void* context) {
    if (url.empty() || !callback)
        return kEInvalidArg;
    Impl& d = *impl_;
    if (d.OnReaderThread())
        return kNsEInvalidRequest;  // the previous source's thread cannot wait for itself
    {
        std::lock_guard lock(d.mutex);
        if (d.phase != Impl::Phase::kClosed)
            return kNsEInvalidRequest;
    }
    d.Join();  // a source closed from its own callback may still be finishing
    std::lock_guard join(d.joinMutex);
    std::lock_guard lock(d.mutex);
    if (d.phase != Impl::Phase::kClosed || d.thread.joinable())
        return kNsEInvalidRequest;  // another Open won the race
    d.phase = Impl::Phase::kOpening;
    d.startRequested = d.stopRequested = d.closeRequested = d.closedReported = false;
    d.startContext = nullptr;
    d.outputs.clear();
    d.abortIo = false;
    d.callback = callback;
    d.openContext = context;
    d.header.Reset(WmHeaderInfo::Access::kClosed);
    d.thread = std::thread(&Impl::Run, &d, wmrt::ToUtf8(url));
    d.threadId = d.thread.get_id();
    return kSOk;
}

HResult WmReader::Close() {
    Impl& d = *impl_;
    std::unique_lock lock(d.mutex);
    const bool inThread = d.threadId == std::this_thread::get_id();
    if (d.phase == Impl::Phase::kClosed || d.phase == Impl::Phase::kClosing) {
        lock.unlock();
        if (!inThread)
            d.Join();
        return kNsEInvalidRequest;
    }
    d.phase = Impl::Phase::kClosing;
    d.closeRequested = true;
    d.abortIo = true;
    d.header.SetAccess(WmHeaderInfo::Access::kClosed);
    d.wake.notify_all();
    lock.unlock();
    if (inThread) {
        // Called from a callback: report now, so a caller that waits for CLOSED is not waiting on
        // the very thread it blocks. The thread ends when the callback returns.
        d.ReportClosedOnce();
    } else {
        d.Join();  // the thread reports CLOSED before it ends
    }
    return kSOk;
}

HResult WmReader::GetOutputCount(uint32_t* count) const {
    if (!count)
        return kEInvalidArg;
    std::lock_guard lock(impl_->mutex);
    if (!impl_->OutputsReadable())
        return kNsEInvalidRequest;
    *count = uint32_t(impl_->outputs.size());
    return kSOk;
}

HResult WmReader::GetOutputProps(uint32_t output, WmOutputMediaProps* props) const {
    if (!props)
        return kEInvalidArg;
    std::lock_guard lock(impl_->mutex);
    if (!impl_->OutputsReadable())
        return kNsEInvalidRequest;
    if (output >= impl_->outputs.size())
        return kEInvalidArg;
    return props->SetMediaType(impl_->outputs[output]);
}

HResult WmReader::Start(uint64_t start, uint64_t duration, float rate, void* context) {
    if (start != 0 || duration != 0 || rate != 1.0f)
        return kEInvalidArg;
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (d.phase != Impl::Phase::kReady && d.phase != Impl::Phase::kPlaying &&
        d.phase != Impl::Phase::kPaused)
        return kNsEInvalidRequest;
    d.startRequested = true;
    d.startContext = context;
    d.wake.notify_all();
    return kSOk;
}

HResult WmReader::Stop() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (d.phase == Impl::Phase::kClosed || d.phase == Impl::Phase::kClosing)
        return kNsEInvalidRequest;
    d.stopRequested = true;
    d.abortIo = true;
    d.wake.notify_all();
    return kSOk;
}

HResult WmReader::Pause() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (d.phase != Impl::Phase::kPlaying)
        return kNsEInvalidRequest;
    d.phase = Impl::Phase::kPaused;
    d.wake.notify_all();
    return kSOk;
}

HResult WmReader::Resume() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (d.phase != Impl::Phase::kPaused)
        return kNsEInvalidRequest;
    d.phase = Impl::Phase::kPlaying;
    d.wake.notify_all();
    return kSOk;
}

WmHeaderInfo* WmReader::HeaderInfo() {
    return &impl_->header;
}

void WmReader::SetReconnect(bool enabled) {
    impl_->reconnect = enabled;
}

HResult WmCreateReader(std::unique_ptr<WmReader>* reader) {
    if (!reader)
        return kEInvalidArg;
    wmrt::InitFfmpeg();
    reader->reset(new WmReader());
    return kSOk;
}

}  // namespace velotune::platform
