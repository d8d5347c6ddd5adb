// platform/rmaengine/player.h (internal)
//
// One player of the client engine. It plays one presentation at a time: the media runtime's reader
// opens and decodes the address, the audio output plays the samples, and the player turns what
// happens into calls on the advise sinks and error sinks it has been given.
//
// Threading: each player runs one thread of its own, "the player's thread". Every public call may
// be made from any thread; it is carried out on the player's thread while the caller waits (or at
// once when the caller is on that thread, as a sink calling back is). The reader's and the sound
// device's threads only queue events for it. All sinks are called on the player's thread, one call
// at a time, with no lock held.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/rmaengine/audio_output.h"
#include "platform/rmaengine/rma_object.h"
#include "platform/rmaengine/rmaengine.h"
#include "platform/wmruntime/wmruntime.h"

namespace velotune::rma {

class Player final : public IRMAPlayer,
                     public IRMAErrorSinkControl,
                     public IRMAErrorMessages,
                     public IRMAVolume,
                     private platform::WmReaderCallback {
public:
    // A new player with one reference, its thread running.
    static Player* Create();

    // IUnknown: IRMAPlayer, IRMAErrorSinkControl, IRMAErrorMessages, IRMAVolume.
    HResult QueryInterface(const Guid& iid, void** object) override;
    uint32_t AddRef() override { return refs_.Add(); }
    uint32_t Release() override;

    // IRMAPlayer (see rmaengine.h).
    HResult SetClientContext(IUnknown* context) override;
    HResult OpenURL(const char* url) override;
    HResult Begin() override;
    HResult Stop() override;
    HResult Pause() override;
    bool IsLive() override { return live_.load(std::memory_order_acquire); }
    HResult AddAdviseSink(IRMAClientAdviseSink* sink) override;
    HResult RemoveAdviseSink(IRMAClientAdviseSink* sink) override;

    // IRMAErrorSinkControl.
    HResult AddErrorSink(IRMAErrorSink* sink, uint8_t lowSeverity, uint8_t highSeverity) override;
    HResult RemoveErrorSink(IRMAErrorSink* sink) override;

    // IRMAErrorMessages.
    IRMABuffer* GetErrorText(uint32_t code) override;
    // IRMAVolume: goes straight to the audio output (any thread).
    HResult SetVolume(uint16_t volume) override;
    uint16_t GetVolume() override;

    // Closes the player for good: ends the presentation, releases the context and every sink, and
    // ends the player's thread. Not from the player's own thread (kEUnexpected).
    HResult Shutdown();

private:
    Player();
    ~Player() override;

    enum class Phase {
        kOpening,  // the reader is opening the address
        kReady,    // opened, not begun
        kPlaying,
        kPaused,
    };
    struct Presentation {
        uint32_t generation = 0;
        std::string address;  // as given to OpenURL
        Phase phase = Phase::kOpening;
        bool beginRequested = false;  // Begin came while opening
        bool begun = false;           // OnBegin was delivered (OnStop is owed at the end)
        bool started = false;         // the reader has said STARTED (sound is flowing)
        bool eof = false;             // the reader delivered its last sample
        // A failure before anyone asked to begin: held until Begin (or the end) reports it, so
        // that OpenURL and Begin called one after the other agree however fast the open fails.
        HResult pendingFailure = kOk;
    };

    // The reader's callbacks, on its thread: they only queue events (and write samples).
    HResult OnStatus(platform::WmtStatus status, HResult result, platform::WmtAttrDataType type,
                     const uint8_t* value, void* context) override;
    HResult OnSample(uint32_t outputNum, uint64_t sampleTime, uint64_t sampleDuration,
                     uint32_t flags, const platform::WmSampleBuffer& sample,
                     void* context) override;

    // Queue and thread.
    void Post(std::function<void()> task);
    HResult Call(const std::function<HResult()>& task);
    bool OnPlayerThread() const { return std::this_thread::get_id() == threadId_; }
    void Run();

    // Player's thread only.
    HResult DoOpen(const std::string& address);
    void HandleStatus(uint32_t generation, platform::WmtStatus status, HResult result);
    void HandleOpened(HResult result);
    void HandleDrained(uint32_t generation);
    void HandleFailure(uint32_t generation, HResult result);
    void StartPlayback();
    void EndPresentation();
    void ReportError(HResult code);
    bool Current(uint32_t generation) const {
        return presentation_ && presentation_->generation == generation;
    }
    template <typename Fn>
    void Advise(Fn call);

    RefCount refs_;

    std::mutex queueMutex_;
    std::condition_variable queueWake_;
    std::deque<std::function<void()>> queue_;  // guarded by queueMutex_
    bool quit_ = false;                        // guarded by queueMutex_
    std::thread thread_;                       // started by the constructor, joined by Shutdown
    std::thread::id threadId_;                 // set before the thread runs, then read-only

    // atomic: written on the player's thread, read by IsLive on any thread.
    std::atomic<bool> live_{false};

    // Player's thread only.
    RmaPtr<IUnknown> context_;
    std::vector<RmaPtr<IRMAClientAdviseSink>> adviseSinks_;
    struct ErrorSinkEntry {
        RmaPtr<IRMAErrorSink> sink;
        uint8_t low = 0;
        uint8_t high = 0;
    };
    std::vector<ErrorSinkEntry> errorSinks_;
    std::optional<Presentation> presentation_;
    uint32_t nextGeneration_ = 1;
    std::unique_ptr<platform::WmReader> reader_;
    bool shutDown_ = false;

    // Its own lock; Write comes from the reader's thread.
    AudioOutput output_;
};

}  // namespace velotune::rma
