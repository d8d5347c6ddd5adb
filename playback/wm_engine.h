// playback/wm_engine.h
//
// CWmEngine plays a Windows Media stream or file (and anything else the media runtime decodes) and,
// on request, records the stream it plays into a .wma file. It drives the runtime's reader, writer
// and profile manager (platform/wmruntime) and renders the decoded audio itself through the sound
// device (platform/waveout): every sample of the reader's audio output is copied once into a block
// that goes straight to the device, in arrival order. A recording re-encodes those same samples
// through the writer with the fixed recording profile (WMA v2, 64 kbit/s, 44.1 kHz stereo).
//
// Progress goes to the status sink (the playback controller) as the values of PlaybackStatus: 6
// while buffering, 3 playing a network source, 4 playing a local file, and 1 then 5 once the
// engine has let go of the stream (after a stop, the end, or an error). A pair 1, 5 may come more
// than once for one ending.
//
// Threading:
// - The controller's calls (everything public except OnStatus and OnSample) come from one thread,
//   the user-interface thread, which is the thread that creates the engine. Initialise,
//   OpenAndStart and StartRecording block it while the runtime opens a source, for about a minute
//   at most, and let its Qt events flow meanwhile (so a window stays responsive, and may call in
//   again); OpenAndStart also waits so for the download of an ASX reference file. A StopPlayback,
//   a Shutdown or another open made from those events ends such a wait at once: the open under
//   way then fails with kEAbort, and an ASX reference list is not tried any further.
// - OnStatus and OnSample run on the reader's thread.
// - The engine's audio thread takes the sound device's completions; it is started with each open
//   device and ends when the device closes.
// The sink is called on the reader's thread and on the audio thread; it must not block.
//
// Ownership: the controller owns the engine; the engine owns every runtime object, the sound
// device, its audio thread and the sample blocks.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/mmtypes/mmtypes.h"
#include "platform/waveout/waveout.h"
#include "platform/wmruntime/wmruntime.h"
#include "playback/playback_status.h"

namespace velotune {

class CStreamLocator;

class CWmEngine final : public platform::WmReaderCallback {
public:
    // OpenAndStart's result when the audio thread or the reader's start fails.
    static constexpr int32_t kStartFailed = 22;
    // The most sample blocks kept once the device has returned them.
    static constexpr size_t kMaxHeldBlocks = 50;

    // sink may be null (nothing is reported). Runs no runtime code: see Initialise.
    explicit CWmEngine(IPlaybackStatusSink* sink);
    ~CWmEngine() override;  // Shutdown, then every held block is released
    CWmEngine(const CWmEngine&) = delete;
    CWmEngine& operator=(const CWmEngine&) = delete;

    // Creates the runtime objects: reader, writer, both header infos, the profile manager and the
    // recording profile. Returns kSOk, or the failure (negative) after releasing what was made.
    // Calling it again once it has succeeded changes nothing.
    platform::HResult Initialise();

    // Opens url (a path, file:// or a network address, UTF-8) and starts playback. When the
    // runtime cannot open a URL that contains ".asx", the stream addresses listed in that file
    // are tried in order. Returns 0 on success; otherwise a negative runtime result, a positive
    // sound-device error number, or kStartFailed. Whatever played before is closed first.
    int32_t OpenAndStart(const std::string& url);

    // Prepares the writer for outputPath (UTF-8) and then plays url as OpenAndStart does, writing
    // what it plays into the file until the stream is stopped, ends or fails. Returns 1 when the
    // recording has started, 0 when it has not. Refuses (0) to record onto the file being played,
    // by whatever path. Every failure of the recording (its start, any write, its finish) goes to
    // the sink's RecordingFailed, once.
    int StartRecording(const std::string& url, const std::string& outputPath);

    // Stops the reader, finishes a recording and closes the sound device at once; the reader then
    // reports the stop, and 1 and 5 follow. An open under way gives up (see Threading). Returns 0,
    // or the first failure (the reader's when nothing is open, kEFail when the device failed to
    // close).
    platform::HResult StopPlayback();

    // Pause and resume the device and the reader. While recording both do nothing and return 0.
    platform::HResult PausePlayback();
    platform::HResult ResumePlayback();

    // Sets the device volume for level 0 (silent) to 100 (full) in 50 steps: levels 2k-1 and 2k
    // give the same volume. With no device open, the volume applies to the next one. Returns the
    // device's result (0), or, for a level outside 0..100, that level, changing nothing.
    int SetVolume(int level);

    // The result the runtime gave the last open (of the URL, or of the last reference tried): why a
    // start failed, where its own result is only that of the step that noticed. UI thread.
    platform::HResult LastOpenResult() const { return openResult_; }

    // Whether a live stream that drops after it has played is reconnected (on by default); the
    // status is kStatusReconnecting meanwhile. Takes effect at the next OpenAndStart. UI thread.
    void SetReconnect(bool enabled) { reconnect_ = enabled; }

    // Closes whatever is open and releases every runtime object (also run by the destructor).
    // Initialise may be called again afterwards.
    void Shutdown();

    // The reader's callback; reader's thread only.
    platform::HResult OnStatus(platform::WmtStatus status, platform::HResult result,
                               platform::WmtAttrDataType type, const uint8_t* value,
                               void* context) override;
    platform::HResult OnSample(uint32_t outputNum, uint64_t sampleTime, uint64_t sampleDuration,
                               uint32_t flags, const platform::WmSampleBuffer& sample,
                               void* context) override;

private:
    struct SampleBlock;
    class CompletionEvent;
    class AudioQueue;

    static void WaveOutCallback(platform::HWaveOut device, uint32_t message, uintptr_t instance,
                                uintptr_t param1, uintptr_t param2);

    int32_t OpenAndStartWith(const std::string& url, bool record);
    // Waits for the completion event while the UI thread's events flow. With a generation, the
    // wait also ends (false) once a stop or another open has made that open stale.
    bool WaitForRuntime(uint32_t generation = 0);
    // The result of the open that WaitForRuntime(generation) waited for: the runtime's answer, or
    // kEAbort when the open was given up, or a timeout failure when no answer came.
    platform::HResult OpenResult(uint32_t generation);
    // Runs fetch (the download of a reference file or playlist) on a helper thread while the UI
    // thread's events flow; giving the open up cancels the download at once. False when the open
    // of that generation was given up meanwhile (addresses is then empty).
    bool FetchAddresses(uint32_t generation,
                        const std::function<std::vector<std::string>(CStreamLocator&)>& fetch,
                        std::vector<std::string>* addresses);
    bool OpenIsStale(uint32_t generation) const { return openGeneration_.load() != generation; }
    platform::HResult Close();
    platform::HResult CloseDevice();
    platform::HResult FinishRecording();
    void FinishStream();
    platform::HResult CopyAttribute(std::u16string_view name);
    platform::HResult CopyScripts();
    platform::HResult FindAudioOutput();
    int32_t StartDevice();
    void AudioThreadMain();
    void BlockDone(platform::WaveHeader* header);
    void JoinAudioThread();
    void DrainAudioQueue();
    void Hold(SampleBlock* block);
    void ReleaseHeldBlocks();
    void Report(int status);
    // Tells the sink once per recording that it failed and why.
    void RecordingFailed(const std::string& reason);
    void ReportTitle(const QString& title);

    IPlaybackStatusSink* const sink_;
    const std::thread::id uiThread_;  // the thread that created the engine

    // atomic: the result of the last OPENED, STOPPED or CLOSED (reader's thread), read by the
    // thread that waited for it.
    std::atomic<platform::HResult> lastResult_{platform::kSOk};
    const std::unique_ptr<CompletionEvent> completion_;  // signalled by OPENED, STOPPED, CLOSED

    // Created by Initialise and released by Shutdown, on the UI thread, while no reader callback
    // and no audio thread can run; used from every thread in between.
    std::unique_ptr<platform::WmReader> reader_;

    std::u16string url_;  // UI thread only: the URL being played

    // atomic: counts the opens begun and the stops and shutdowns made; an open whose number is no
    // longer current has been given up (UI thread writes it, the waits read it).
    std::atomic<uint32_t> openGeneration_{0};
    uint32_t latestOpen_ = 0;  // UI thread only: the generation of the latest open begun

    // atomic: set from the URL by the UI thread, by LOCATING on the reader's thread; cleared where
    // a stream ends (reader's thread, audio thread).
    std::atomic<bool> network_{false};

    const std::unique_ptr<AudioQueue> audioQueue_;  // device messages for the audio thread
    std::thread audioThread_;                       // UI thread only (started and joined there)

    // atomic: blocks written to the device and not yet back (OnSample adds, the audio thread
    // takes away).
    std::atomic<int> outstanding_{0};

    std::mutex deviceMutex_;
    platform::HWaveOut device_{};  // guarded by deviceMutex_; the null handle while closed

    // atomic: the stream has ended or failed and the engine lets go of it once the device has
    // played what it holds (reader's thread sets it; whoever finishes the stream clears it).
    std::atomic<bool> stopping_{false};

    // atomic: the reader output that carries the audio (UI thread writes it before the start).
    std::atomic<uint32_t> audioOutput_{0};
    platform::WaveFormatEx deviceFormat_;  // UI thread only: the audio output's format

    std::mutex blocksMutex_;
    std::deque<SampleBlock*> heldBlocks_;  // guarded by blocksMutex_; oldest first

    std::unique_ptr<platform::WmWriter> writer_;                  // as reader_
    platform::WmHeaderInfo* readerHeader_ = nullptr;              // as reader_; owned by the reader
    platform::WmHeaderInfo* writerHeader_ = nullptr;              // as reader_; owned by the writer
    platform::WmOutputMediaProps outputProps_;                    // UI thread only
    platform::WmInputMediaProps inputProps_;                      // UI thread only
    std::unique_ptr<platform::WmProfileManager> profileManager_;  // as reader_
    platform::WmProfile profile_;  // as reader_: the recording profile

    // atomic: a recording is wanted for the stream being opened or played (UI thread sets and
    // clears it; a close that finishes the file clears it on any thread).
    std::atomic<bool> recording_{false};
    // atomic: the writer has begun the file (UI thread sets it; the first thread to finish the
    // file clears it).
    std::atomic<bool> writerBegun_{false};
    bool reconnect_ = true;  // UI thread only
    // atomic: OPENED's result (reader's thread), read by the UI thread after the wait.
    std::atomic<platform::HResult> openResult_{platform::kSOk};

    std::mutex recordMutex_;
    std::string recordPath_;         // guarded by recordMutex_: the file of the recording
    bool recordFailureTold_ = false;  // guarded by recordMutex_
};

}  // namespace velotune
