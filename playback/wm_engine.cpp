#include "playback/wm_engine.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QUrl>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>
#include <type_traits>
#include <vector>

#include "playback/stream_locator.h"
#include "res/texts.h"

namespace velotune {

Q_LOGGING_CATEGORY(lcWmEngine, "velotune.wmengine", QtInfoMsg)

using namespace platform;

namespace {

// The bounded wait for the runtime: this many passes of one event dispatch and a 10 ms wait,
// about a minute in all.
constexpr int kWaitPasses = 5999;
constexpr std::chrono::milliseconds kWaitSlice{10};

// Longest URL or path the engine takes, in UTF-16 units with the terminating null.
constexpr qsizetype kMaxPathChars = 260;

// A message of the engine's own that ends the audio thread, for when its device could not be
// closed and so will never send its close message.
constexpr uint32_t kAudioQuit = 0x0012;

// Device volume for levels 2k-1 and 2k, k = 1..50 (about k * 65535 / 50).
constexpr uint16_t kVolumeSteps[50] = {
    1311,  2621,  3932,  5243,  6553,  7864,  9175,  10486, 11796, 13107, 14418, 15728, 17039,
    18350, 19660, 20971, 22282, 23593, 24903, 26214, 27525, 28835, 30146, 31457, 32767, 34078,
    35389, 36700, 38010, 39321, 40632, 41942, 43253, 44564, 45874, 47185, 48496, 49807, 51117,
    52428, 53739, 55049, 56360, 57671, 58982, 60292, 61603, 62914, 64224, 65535};

// UTF-8 text to UTF-16, refusing what is not UTF-8 or does not fit the runtime's path buffer.
bool ToWide(const std::string& text, std::u16string* wide) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (decoder.hasError() || decoded.size() + 1 > kMaxPathChars)
        return false;
    *wide = decoded.toStdU16String();
    return true;
}

// A network source by its address: it begins with "http" in any case.
bool StartsWithHttp(const std::string& url) {
    return url.size() >= 4 &&
           QByteArrayView(url.data(), 4).compare("http", Qt::CaseInsensitive) == 0;
}

}  // namespace

// ---- Small parts --------------------------------------------------------------------------------

// One sample on its way to the device: the block header immediately followed by the sample's
// bytes, in one allocation. The device's completion hands back &header, which is the block.
struct CWmEngine::SampleBlock {
    WaveHeader header;
    // atomic: true from just before the write until the audio thread has taken the block back
    // from the device; only a block that is not with the device may be freed.
    std::atomic<bool> withDevice{false};

    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this + 1); }

    // nullptr when memory is short (errno says why).
    static SampleBlock* Create(const uint8_t* data, uint32_t length, uint64_t time) {
        void* memory = std::malloc(sizeof(SampleBlock) + length);
        if (!memory)
            return nullptr;
        auto* block = new (memory) SampleBlock;
        block->header.data = block->Bytes();
        block->header.bufferLength = length;
        block->header.bytesRecorded = length;
        block->header.user = uintptr_t(uint32_t(time));  // the low 32 bits of the sample time
        block->header.flags = 0;
        block->header.loops = 0;
        if (length)
            std::memcpy(block->Bytes(), data, length);
        return block;
    }
    static void Destroy(SampleBlock* block) {
        block->~SampleBlock();
        std::free(block);
    }
    static SampleBlock* FromHeader(WaveHeader* header) {
        static_assert(std::is_standard_layout_v<SampleBlock> && offsetof(SampleBlock, header) == 0);
        return reinterpret_cast<SampleBlock*>(header);
    }
};

// The runtime's completion signal: an auto-reset event.
class CWmEngine::CompletionEvent {
public:
    void Signal() {
        std::lock_guard lock(mutex_);
        signalled_ = true;
        changed_.notify_all();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }
    // True (and non-signalled again) when the event was or became signalled within timeout.
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [this] { return signalled_; }))
            return false;
        signalled_ = false;
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;  // guarded by mutex_
};

// The audio thread's message queue: the device's messages as its callback forwards them.
class CWmEngine::AudioQueue {
public:
    struct Message {
        uint32_t message;
        uintptr_t param1;
    };
    void Post(Message message) {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
        changed_.notify_one();
    }
    Message Take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !messages_.empty(); });
        const Message message = messages_.front();
        messages_.pop_front();
        return message;
    }
    bool TryTake(Message* message) {
        std::lock_guard lock(mutex_);
        if (messages_.empty())
            return false;
        *message = messages_.front();
        messages_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Message> messages_;  // guarded by mutex_
};

// ---- Life cycle -------------------------------------------------------------------------------

CWmEngine::CWmEngine(IPlaybackStatusSink* sink)
    : sink_(sink),
      uiThread_(std::this_thread::get_id()),
      completion_(std::make_unique<CompletionEvent>()),
      audioQueue_(std::make_unique<AudioQueue>()) {}

CWmEngine::~CWmEngine() {
    Shutdown();
    ReleaseHeldBlocks();
    std::lock_guard lock(blocksMutex_);
    if (!heldBlocks_.empty())
        qCWarning(lcWmEngine) << heldBlocks_.size()
                              << "sample blocks never came back from the sound device; kept";
}

HResult CWmEngine::Initialise() {
    if (reader_)
        return kSOk;
    HResult hr = WmCreateReader(&reader_);
    if (Succeeded(hr))
        hr = WmCreateWriter(&writer_);
    if (Succeeded(hr)) {
        readerHeader_ = reader_->HeaderInfo();
        writerHeader_ = writer_->HeaderInfo();
        hr = readerHeader_ && writerHeader_ ? kSOk : kEFail;
    }
    if (Succeeded(hr))
        hr = WmCreateProfileManager(&profileManager_);
    if (Succeeded(hr))
        hr = profileManager_->SetSystemProfileVersion(WmtVersion::kVer70);
    if (Succeeded(hr))
        hr = profileManager_->LoadProfileByID(kWmProfileRecording, &profile_);
    if (Failed(hr)) {
        qCWarning(lcWmEngine, "the media runtime failed to initialise: 0x%08x", uint32_t(hr));
        Shutdown();
    }
    return hr;
}

void CWmEngine::Shutdown() {
    ++openGeneration_;  // an open that waits below this call gives up
    Close();
    JoinAudioThread();
    DrainAudioQueue();
    readerHeader_ = nullptr;
    writerHeader_ = nullptr;
    profileManager_.reset();
    writer_.reset();
    reader_.reset();
    recording_ = false;
    writerBegun_ = false;
    url_.clear();
}

// ---- Opening and starting -----------------------------------------------------------------------

int32_t CWmEngine::OpenAndStart(const std::string& url) {
    return OpenAndStartWith(url, false);
}

namespace {

// Whether url (a path or file:// URL) and path name one existing file, by any path: same device
// and inode, so symbolic and hard links and "./" are seen through.
bool SameLocalFile(const std::string& url, const std::string& path) {
    const QString text = QString::fromStdString(url);
    std::string local = url;
    if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        local = QUrl(text).toLocalFile().toStdString();
    else if (text.contains(QLatin1String("://")))
        return false;
    struct stat a {};
    struct stat b {};
    return ::stat(local.c_str(), &a) == 0 && ::stat(path.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

void CWmEngine::RecordingFailed(const std::string& reason) {
    std::string path;
    {
        std::lock_guard lock(recordMutex_);
        if (recordFailureTold_)
            return;
        recordFailureTold_ = true;
        path = recordPath_;
    }
    qCWarning(lcWmEngine, "the recording into %s failed: %s", path.c_str(), reason.c_str());
    if (sink_)
        sink_->RecordingFailed(path, reason);
}

int CWmEngine::StartRecording(const std::string& url, const std::string& outputPath) {
    {
        std::lock_guard lock(recordMutex_);
        recordPath_ = outputPath;
        recordFailureTold_ = false;
    }
    if (SameLocalFile(url, outputPath)) {
        RecordingFailed(text::kRecordingOntoSource);
        return 0;
    }
    if (!writer_)
        return 0;
    // The writer takes a new file only once the one it is writing is finished.
    if (writerBegun_)
        Close();
    std::u16string widePath;
    if (Failed(writer_->SetProfile(profile_)) || !ToWide(outputPath, &widePath) ||
        Failed(writer_->SetOutputFilename(widePath)))
        return 0;
    return OpenAndStartWith(url, true) == 0 ? 1 : 0;
}

int32_t CWmEngine::OpenAndStartWith(const std::string& url, bool record) {
    openResult_ = kSOk;
    std::u16string wide;
    if (!ToWide(url, &wide))
        return kEInvalidArg;
    if (!reader_ || !writer_)
        return kEUnexpected;

    // An open that still waits further up this thread's stack (this call came from its events)
    // is given up: this one replaces it.
    const uint32_t generation = ++openGeneration_;
    latestOpen_ = generation;
    Close();
    // The old stream's audio thread ends with its device, which is closed now. It has to be gone
    // before the new stream exists, because it may still be finishing the old one.
    JoinAudioThread();
    reader_->SetReconnect(reconnect_);
    // The recording request is set after the old stream's close, which would otherwise take it
    // for the end of an earlier recording; the closes of the attempts below keep it.
    recording_ = record;
    const auto fail = [this, generation](int32_t result, bool close) {
        // An open made from this one's events owns the reader now: leave it alone.
        if (latestOpen_ != generation)
            return result;
        if (close)
            Close();
        recording_ = false;
        return result;
    };

    // Whatever title the old stream named ends with it.
    ReportTitle(QString());
    // Tries the addresses a reference file or playlist lists, in order, until one opens or the
    // open is given up meanwhile; the result of the last attempt (`result` when there is none).
    const auto tryAddresses = [this, generation](const std::vector<std::string>& addresses,
                                                 HResult result) {
        for (const std::string& reference : addresses) {
            if (Succeeded(result) || result == kEAbort)
                break;
            std::u16string wideReference;
            if (!ToWide(reference, &wideReference)) {
                result = kEInvalidArg;
                continue;
            }
            Close();
            url_ = wideReference;
            network_ = StartsWithHttp(reference);
            completion_->Reset();
            result = reader_->Open(url_, this, nullptr);
            if (Succeeded(result))
                result = OpenResult(generation);
            qCInfo(lcWmEngine, "reference %s: 0x%08x", reference.c_str(), uint32_t(result));
        }
        return result;
    };

    url_ = wide;
    network_ = StartsWithHttp(url);
    completion_->Reset();  // whatever the close signalled is no answer to this open

    // A playlist file (.pls, .m3u, .xspf) is not opened as audio: its entries are. An HLS
    // playlist lists none and plays as the stream it is.
    const auto resolvePlaylist = [&url](CStreamLocator& locator) {
        return locator.ResolvePlaylist(url);
    };
    std::vector<std::string> listed;
    if (network_ && CStreamLocator::IsPlaylistFile(url) &&
        !FetchAddresses(generation, resolvePlaylist, &listed))
        return fail(kEAbort, true);
    HResult hr = kSOk;
    HResult openResult = kEFail;
    if (!listed.empty()) {
        openResult = tryAddresses(listed, kEFail);
        if (Failed(openResult))
            return fail(openResult, true);
    } else {
        hr = reader_->Open(url_, this, nullptr);
        if (Failed(hr))
            return fail(hr, true);
        openResult = OpenResult(generation);
    }

    if (Failed(openResult) && openResult != kEAbort && url.find(".asx") != std::string::npos) {
        // A reference file: try the addresses it lists until one opens, unless the open is
        // given up meanwhile.
        std::vector<std::string> references;
        const auto resolveReferences = [&url](CStreamLocator& locator) {
            return locator.ResolveReferences(url);
        };
        if (!FetchAddresses(generation, resolveReferences, &references))
            openResult = kEAbort;
        openResult = tryAddresses(references, openResult);
        if (Failed(openResult))
            return fail(openResult, true);
    } else if (Failed(openResult) && openResult != kEAbort && StartsWithHttp(url)) {
        // A playlist whose address does not say so: the server's Content-Type or the text tells.
        if (!FetchAddresses(generation, resolvePlaylist, &listed))
            openResult = kEAbort;
        if (!listed.empty()) {
            openResult = tryAddresses(listed, openResult);
            if (Failed(openResult))
                return fail(openResult, true);
        }
    }

    if (openResult == kEAbort || OpenIsStale(generation))
        return fail(kEAbort, true);

    // The header's attributes go to the recording; reading them also tells whether the open
    // worked at all.
    for (const char16_t* name : {u"Title", u"Author", u"Copyright"}) {
        hr = CopyAttribute(name);
        if (Failed(hr))
            return fail(hr, true);
    }
    if (!network_) {
        hr = CopyAttribute(u"Duration");
        if (Failed(hr))
            return fail(hr, true);
        // A file's own tags name what it plays; a stream's header title is the station's name,
        // which the player already shows.
        const QString title = QString::fromStdString(readerHeader_->StringAttribute(u"Title"));
        const QString author = QString::fromStdString(readerHeader_->StringAttribute(u"Author"));
        if (!title.isEmpty())
            ReportTitle(author.isEmpty() ? title : author + QStringLiteral(" - ") + title);
    }
    if (recording_) {
        hr = CopyScripts();
        if (Failed(hr))
            return fail(hr, true);
    }
    hr = FindAudioOutput();
    if (Failed(hr))
        return fail(hr, true);

    ReleaseHeldBlocks();
    const int32_t started = StartDevice();
    if (started != 0)
        return fail(started, started < 0);
    return 0;
}

HResult CWmEngine::CopyAttribute(std::u16string_view name) {
    uint16_t stream = 0;
    WmtAttrDataType type = WmtAttrDataType::kBinary;
    uint16_t length = 0;
    HResult hr = readerHeader_->GetAttributeByName(&stream, name, &type, nullptr, &length);
    if (hr == kAsfENotFound && length == 0)
        return kSOk;  // not in this header: nothing to copy
    if (Failed(hr) && hr != kAsfENotFound)
        return hr;
    std::vector<uint8_t> value(length);
    hr = readerHeader_->GetAttributeByName(&stream, name, &type, value.data(), &length);
    if (Failed(hr))
        return hr;
    if (recording_)
        return writerHeader_->SetAttribute(stream, name, type, value.data(), length);
    return kSOk;
}

HResult CWmEngine::CopyScripts() {
    uint16_t count = 0;
    HResult hr = readerHeader_->GetScriptCount(&count);
    if (Failed(hr))
        return hr;
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t typeLength = 0;
        uint16_t commandLength = 0;
        uint64_t time = 0;
        hr = readerHeader_->GetScript(i, nullptr, &typeLength, nullptr, &commandLength, &time);
        if (Failed(hr))
            return hr;
        std::u16string type(typeLength, u'\0');
        std::u16string command(commandLength, u'\0');
        hr = readerHeader_->GetScript(i, type.data(), &typeLength, command.data(), &commandLength,
                                      &time);
        if (Failed(hr))
            return hr;
        // The lengths count the terminating null.
        type.resize(std::char_traits<char16_t>::length(type.c_str()));
        command.resize(std::char_traits<char16_t>::length(command.c_str()));
        hr = writerHeader_->AddScript(type, command, time);
        if (Failed(hr))
            return hr;
    }
    return kSOk;
}

HResult CWmEngine::FindAudioOutput() {
    uint32_t count = 0;
    HResult hr = reader_->GetOutputCount(&count);
    if (Failed(hr))
        return hr;
    for (uint32_t output = 0; output < count; ++output) {
        hr = reader_->GetOutputProps(output, &outputProps_);
        if (Failed(hr))
            return hr;
        WmMediaType type;
        hr = outputProps_.GetMediaType(&type);
        if (Failed(hr))
            return hr;
        if (recording_) {
            // The writer's input of the same number takes exactly what the reader delivers.
            hr = writer_->GetInputProps(output, &inputProps_);
            if (Succeeded(hr))
                hr = inputProps_.SetMediaType(type);
            if (Succeeded(hr))
                hr = writer_->SetInputProps(output, inputProps_);
            if (Failed(hr))
                return hr;
        }
        if (type.majorType == WmMajorType::kAudio) {
            audioOutput_ = output;
            deviceFormat_ = type.waveFormat;
            return kSOk;
        }
    }
    return kEUnexpected;
}

// Opens the device with its audio thread (or resets an open one), begins the recording and
// starts the reader.
int32_t CWmEngine::StartDevice() {
    bool opened = false;
    {
        std::lock_guard lock(deviceMutex_);
        if (device_ != HWaveOut{}) {
            const MmResult reset = WaveOutReset(device_);
            if (reset != kMmSysErrNoError)
                return int32_t(reset);
        } else {
            DrainAudioQueue();  // whatever an earlier device left behind
            const MmResult result = WaveOutOpen(&device_, deviceFormat_, &WaveOutCallback,
                                                reinterpret_cast<uintptr_t>(this));
            if (result != kMmSysErrNoError) {
                qCWarning(lcWmEngine, "cannot open the sound device: %s", WaveOutErrorName(result));
                return int32_t(result);
            }
            opened = true;
        }
    }
    if (opened) {
        try {
            audioThread_ = std::thread(&CWmEngine::AudioThreadMain, this);
        } catch (const std::system_error& e) {
            qCWarning(lcWmEngine, "cannot start the audio thread: %s", e.what());
            // Nobody would take the device's completions: close it again.
            CloseDevice();
            DrainAudioQueue();
            return kStartFailed;
        }
    }
    if (recording_) {
        const HResult begun = writer_->BeginWriting();
        if (Failed(begun)) {
            RecordingFailed(WmResultText(begun));
            return begun;
        }
        writerBegun_ = true;
    }
    if (Failed(reader_->Start(0, 0, 1.0f, nullptr)))
        return kStartFailed;
    return 0;
}

// ---- Waiting and closing ------------------------------------------------------------------------

bool CWmEngine::WaitForRuntime(uint32_t generation) {
    // On the user-interface thread its events keep flowing while the runtime works.
    const bool dispatch =
        std::this_thread::get_id() == uiThread_ && QCoreApplication::instance() != nullptr;
    for (int pass = 0; pass < kWaitPasses; ++pass) {
        if (dispatch)
            QCoreApplication::processEvents();
        if (generation != 0 && OpenIsStale(generation))
            return false;
        if (completion_->WaitFor(kWaitSlice))
            return true;
    }
    qCWarning(lcWmEngine) << "the media runtime did not answer within a minute";
    return false;
}

HResult CWmEngine::OpenResult(uint32_t generation) {
    if (WaitForRuntime(generation))
        return lastResult_;
    if (OpenIsStale(generation))
        return kEAbort;
    // The last result belongs to an earlier answer; no answer is a failure.
    return HResultFromErrno(ETIMEDOUT);
}

bool CWmEngine::FetchAddresses(
    uint32_t generation, const std::function<std::vector<std::string>(CStreamLocator&)>& fetch,
    std::vector<std::string>* addresses) {
    auto cancel = std::make_shared<HttpCancel>();
    std::atomic<bool> done{false};
    std::thread download([&] {
        CStreamLocator locator(cancel);
        *addresses = fetch(locator);
        done = true;
    });
    const bool dispatch = QCoreApplication::instance() != nullptr;
    while (!done) {
        if (dispatch)
            QCoreApplication::processEvents();
        if (OpenIsStale(generation))
            cancel->Cancel();  // the download returns promptly
        std::this_thread::sleep_for(kWaitSlice);
    }
    download.join();
    if (OpenIsStale(generation)) {
        addresses->clear();
        return false;
    }
    return true;
}

HResult CWmEngine::Close() {
    // A reader that had nothing open reports nothing, so there is nothing to wait for then.
    if (reader_ && Succeeded(reader_->Close()))
        WaitForRuntime();
    FinishRecording();
    return CloseDevice();
}

HResult CWmEngine::CloseDevice() {
    std::lock_guard lock(deviceMutex_);
    if (device_ == HWaveOut{})
        return kSOk;
    const MmResult reset = WaveOutReset(device_);
    const MmResult closed = WaveOutClose(device_);
    device_ = HWaveOut{};
    if (reset != kMmSysErrNoError || closed != kMmSysErrNoError) {
        qCWarning(lcWmEngine, "closing the sound device failed: %s / %s", WaveOutErrorName(reset),
                  WaveOutErrorName(closed));
        return kEFail;
    }
    return kSOk;
}

// Finishes the file being written, if there is one, and with it the recording. A close made
// before the writer has begun (while a recording is still being opened) leaves the request.
HResult CWmEngine::FinishRecording() {
    if (!writerBegun_.exchange(false))
        return kSOk;
    const HResult flushed = writer_->Flush();
    const HResult ended = writer_->EndWriting();
    recording_ = false;
    const HResult hr = Failed(flushed) ? flushed : ended;
    if (Failed(hr))
        RecordingFailed(WmResultText(hr));
    return hr;
}

// The stream has ended or failed and the device has played everything it had: let go of it.
void CWmEngine::FinishStream() {
    CloseDevice();
    Close();
    network_ = false;
    Report(kStatusClosed);
    Report(kStatusStopped);
}

// ---- Controls -----------------------------------------------------------------------------------

HResult CWmEngine::StopPlayback() {
    if (!reader_)
        return kEUnexpected;
    ++openGeneration_;  // an open under way gives up
    HResult hr = reader_->Stop();
    if (Failed(hr))
        return hr;
    hr = FinishRecording();
    if (Failed(hr))
        return hr;
    return CloseDevice();
}

HResult CWmEngine::PausePlayback() {
    if (recording_)
        return kSOk;
    if (!reader_)
        return kEUnexpected;
    {
        std::lock_guard lock(deviceMutex_);
        if (WaveOutPause(device_) != kMmSysErrNoError)
            return kEFail;
    }
    return reader_->Pause();
}

HResult CWmEngine::ResumePlayback() {
    if (recording_)
        return kSOk;
    if (!reader_)
        return kEUnexpected;
    {
        std::lock_guard lock(deviceMutex_);
        if (WaveOutRestart(device_) != kMmSysErrNoError)
            return kEFail;
    }
    return reader_->Resume();
}

int CWmEngine::SetVolume(int level) {
    uint32_t volume = 0;
    if (level >= 1 && level <= 100) {
        const uint32_t step = kVolumeSteps[(level + 1) / 2 - 1];
        volume = step | (step << 16);
    } else if (level != 0) {
        return level;
    }
    std::lock_guard lock(deviceMutex_);
    return int(WaveOutSetVolume(device_, volume));
}

// ---- The reader's callbacks ---------------------------------------------------------------------

HResult CWmEngine::OnStatus(WmtStatus status, HResult result, WmtAttrDataType type,
                            const uint8_t* value, void*) {
    switch (status) {
        case WmtStatus::kError:
        case WmtStatus::kEof:
        case WmtStatus::kMissingCodec:
            qCInfo(lcWmEngine, "stream ended (status %d, 0x%08x)", int(status), uint32_t(result));
            // What the device still holds is played to the end first: the audio thread lets go of
            // the stream when the last block comes back, or this thread does when none is out.
            stopping_ = true;
            if (outstanding_ == 0 && stopping_.exchange(false))
                FinishStream();
            break;
        case WmtStatus::kOpened:
            openResult_ = result;
            lastResult_ = result;
            completion_->Signal();
            break;
        case WmtStatus::kBufferingStart:
            Report(kStatusBuffering);
            break;
        case WmtStatus::kBufferingStop:
            Report(network_ ? kStatusLive : kStatusFile);
            break;
        case WmtStatus::kLocating:
            network_ = true;
            break;
        case WmtStatus::kReconnectStart:
            Report(kStatusReconnecting);
            break;
        case WmtStatus::kReconnectEnd:
            Report(network_ ? kStatusLive : kStatusFile);
            break;
        case WmtStatus::kStarted:
            stopping_ = false;
            Report(network_ ? kStatusLive : kStatusFile);
            break;
        case WmtStatus::kStopped:
            lastResult_ = result;
            completion_->Signal();
            Close();
            network_ = false;
            Report(kStatusClosed);
            Report(kStatusStopped);
            break;
        case WmtStatus::kNewMetadata:
            if (type == WmtAttrDataType::kString && value) {
                // A null-terminated UTF-16 text.
                const auto* text = reinterpret_cast<const char16_t*>(value);
                ReportTitle(QString::fromUtf16(text));
            }
            break;
        case WmtStatus::kClosed:
            lastResult_ = result;
            completion_->Signal();
            Report(kStatusClosed);
            Report(kStatusStopped);
            network_ = false;
            break;
    }
    return kSOk;
}

HResult CWmEngine::OnSample(uint32_t outputNum, uint64_t sampleTime, uint64_t, uint32_t,
                            const WmSampleBuffer& sample, void*) {
    if (outputNum != audioOutput_)
        return kSOk;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    HResult hr = sample.GetBufferAndLength(&data, &length);
    if (Failed(hr))
        return hr;
    errno = 0;
    SampleBlock* block = SampleBlock::Create(data, length, sampleTime);
    if (!block)
        return HResultFromErrno(errno);

    if (writerBegun_) {
        hr = writer_->WriteSample(outputNum, sampleTime, 0, sample);
        // A refusal after a stop has just finished the file is no failure of the recording.
        if (Failed(hr) && writerBegun_) {
            RecordingFailed(WmResultText(hr));
            SampleBlock::Destroy(block);
            StopPlayback();
            return hr;
        }
    }

    MmResult written = kMmSysErrNoError;
    {
        std::lock_guard lock(deviceMutex_);
        if (device_ == HWaveOut{}) {
            // A stop has closed the device while the reader was still delivering.
            SampleBlock::Destroy(block);
            return kSOk;
        }
        // Counted before the write, so that its completion can never find the count at 0.
        block->withDevice = true;
        ++outstanding_;
        written = WaveOutPrepareHeader(device_, &block->header);
        if (written == kMmSysErrNoError)
            written = WaveOutWrite(device_, &block->header);
        if (written != kMmSysErrNoError) {
            block->withDevice = false;
            --outstanding_;
        }
    }
    Hold(block);
    if (written != kMmSysErrNoError) {
        qCWarning(lcWmEngine, "the sound device refused a block: %s", WaveOutErrorName(written));
        StopPlayback();
    }
    return kSOk;
}

// ---- Held blocks --------------------------------------------------------------------------------

void CWmEngine::Hold(SampleBlock* block) {
    std::lock_guard lock(blocksMutex_);
    heldBlocks_.push_back(block);
    // The oldest blocks go once more than the limit are held, but only when the device has given
    // them back: a block it still plays stays (the device returns blocks in order, so the oldest
    // is always the first to come back).
    while (heldBlocks_.size() > kMaxHeldBlocks && !heldBlocks_.front()->withDevice) {
        SampleBlock::Destroy(heldBlocks_.front());
        heldBlocks_.pop_front();
    }
}

void CWmEngine::ReleaseHeldBlocks() {
    std::lock_guard lock(blocksMutex_);
    std::deque<SampleBlock*> kept;
    for (SampleBlock* block : heldBlocks_) {
        if (block->withDevice)
            kept.push_back(block);
        else
            SampleBlock::Destroy(block);
    }
    heldBlocks_.swap(kept);
}

// ---- The sound device and the audio thread ------------------------------------------------------

void CWmEngine::WaveOutCallback(HWaveOut, uint32_t message, uintptr_t instance, uintptr_t param1,
                                uintptr_t) {
    // Device thread: hand the message on at once; the work is done on the audio thread.
    reinterpret_cast<CWmEngine*>(instance)->audioQueue_->Post({message, param1});
}

void CWmEngine::AudioThreadMain() {
    for (;;) {
        const AudioQueue::Message message = audioQueue_->Take();
        if (message.message == kWomClose || message.message == kAudioQuit)
            return;
        if (message.message == kWomDone)
            BlockDone(reinterpret_cast<WaveHeader*>(message.param1));
    }
}

void CWmEngine::BlockDone(WaveHeader* header) {
    HWaveOut device;
    {
        std::lock_guard lock(deviceMutex_);
        device = device_;
    }
    const MmResult unprepared = WaveOutUnprepareHeader(device, header);
    // An invalid handle means that a stop or close has reset and closed the device, which gave
    // the block back as it went: the block is back all the same.
    if (unprepared != kMmSysErrNoError && unprepared != kMmSysErrInvalHandle) {
        qCWarning(lcWmEngine, "the sound device kept a block: %s", WaveOutErrorName(unprepared));
        StopPlayback();
        return;
    }
    // The last touch of the block on this thread: from here on it may be freed.
    SampleBlock::FromHeader(header)->withDevice = false;
    const int left = --outstanding_;
    if (left <= 0 && stopping_ && stopping_.exchange(false))
        FinishStream();
}

void CWmEngine::JoinAudioThread() {
    if (!audioThread_.joinable())
        return;
    // The thread ends at its device's close message, which comes after the device's last
    // completion; the quit message behind it ends the thread also when the device could not be
    // closed.
    audioQueue_->Post({kAudioQuit, 0});
    audioThread_.join();
    outstanding_ = 0;
}

// Takes what is left in the audio thread's queue while no audio thread runs and the device that
// sent it is closed: its blocks are back.
void CWmEngine::DrainAudioQueue() {
    AudioQueue::Message message{};
    while (audioQueue_->TryTake(&message)) {
        if (message.message == kWomDone)
            SampleBlock::FromHeader(reinterpret_cast<WaveHeader*>(message.param1))->withDevice =
                false;
    }
    outstanding_ = 0;
}

void CWmEngine::Report(int status) {
    if (sink_)
        sink_->SetPlaybackStatus(status);
}

void CWmEngine::ReportTitle(const QString& title) {
    if (sink_)
        sink_->SetStreamTitle(title);
}

}  // namespace velotune
