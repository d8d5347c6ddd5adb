#include "platform/rmaengine/player.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <future>
#include <utility>

#include "platform/rmaengine/error_texts.h"

Q_LOGGING_CATEGORY(lcRmaEngine, "velotune.rmaengine")

namespace velotune::rma {

using namespace velotune::platform;

namespace {

// "File:" marks a local address (a path, or a network address given as a file would be).
constexpr char kFilePrefix[] = "file:";

bool HasScheme(const std::string& address) {
    const size_t colon = address.find("://");
    if (colon == std::string::npos || colon == 0)
        return false;
    return std::all_of(address.begin(), address.begin() + std::ptrdiff_t(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t n = std::char_traits<char>::length(prefix);
    if (text.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// What the reader is to open for an address given to OpenURL: "File:" + path gives the path,
// "File:" + a network address gives that address, and "file://..." stays a file URL.
std::string ReaderAddress(const std::string& address) {
    if (StartsWithNoCase(address, kFilePrefix) && address.compare(5, 2, "//") != 0)
        return address.substr(5);
    return address;
}

uint32_t Milliseconds(uint64_t hns) {
    return uint32_t(std::min<uint64_t>(hns / 10'000, UINT32_MAX));
}

uint32_t ToGeneration(void* context) {
    return uint32_t(reinterpret_cast<uintptr_t>(context));
}

void* FromGeneration(uint32_t generation) {
    return reinterpret_cast<void*>(uintptr_t(generation));
}

}  // namespace

// ---- Life ---------------------------------------------------------------------------------------

Player* Player::Create() {
    return new Player();
}

Player::Player()
    : output_([this](uint32_t generation) {
          Post([this, generation] { HandleDrained(generation); });
      }) {
    std::lock_guard lock(queueMutex_);
    thread_ = std::thread(&Player::Run, this);
    threadId_ = thread_.get_id();
}

Player::~Player() {
    if (OnPlayerThread()) {
        // Only reachable when a sink drops the last reference of a player nobody closed: the
        // thread is ending its last task and cannot wait for itself.
        thread_.detach();
        return;
    }
    Shutdown();
}

uint32_t Player::Release() {
    const uint32_t left = refs_.Drop();
    if (left == 0)
        delete this;
    return left;
}

HResult Player::QueryInterface(const Guid& iid, void** object) {
    if (!object)
        return kEPointer;
    if (iid == kIidIUnknown || iid == kIidIRMAPlayer)
        *object = static_cast<IRMAPlayer*>(this);
    else if (iid == kIidIRMAErrorSinkControl)
        *object = static_cast<IRMAErrorSinkControl*>(this);
    else if (iid == kIidIRMAErrorMessages)
        *object = static_cast<IRMAErrorMessages*>(this);
    else if (iid == kIidIRMAVolume)
        *object = static_cast<IRMAVolume*>(this);
    else {
        *object = nullptr;
        return kENoInterface;
    }
    AddRef();
    return kOk;
}

HResult Player::SetVolume(uint16_t volume) {
    output_.SetVolume(std::min<uint16_t>(volume, 100));
    return kOk;
}

uint16_t Player::GetVolume() {
    return output_.Volume();
}

HResult Player::Shutdown() {
    if (OnPlayerThread())
        return kEUnexpected;
    {
        std::lock_guard lock(queueMutex_);
        if (quit_)
            return kOk;
    }
    Call([this] {
        EndPresentation();
        adviseSinks_.clear();
        errorSinks_.clear();
        context_.Reset();
        shutDown_ = true;
        return kOk;
    });
    {
        std::lock_guard lock(queueMutex_);
        quit_ = true;
        queueWake_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
    return kOk;
}

// ---- Queue --------------------------------------------------------------------------------------

void Player::Post(std::function<void()> task) {
    std::lock_guard lock(queueMutex_);
    if (quit_)
        return;
    queue_.push_back(std::move(task));
    queueWake_.notify_one();
}

HResult Player::Call(const std::function<HResult()>& task) {
    if (OnPlayerThread())
        return task();
    std::promise<HResult> done;
    std::future<HResult> result = done.get_future();
    {
        std::lock_guard lock(queueMutex_);
        if (quit_)
            return kEUnexpected;
        queue_.push_back([&] { done.set_value(task()); });
        queueWake_.notify_one();
    }
    return result.get();
}

void Player::Run() {
    {
        // The constructor holds the lock until threadId_ is set.
        std::lock_guard lock(queueMutex_);
    }
    WmCreateReader(&reader_);
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(queueMutex_);
            queueWake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
            if (queue_.empty())
                break;  // quit, with nothing left to do
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
    }
    // Shutdown ended the presentation; the reader's thread is gone once the reader is.
    reader_.reset();
    output_.Close();
}

// ---- IRMAPlayer ---------------------------------------------------------------------------------

HResult Player::SetClientContext(IUnknown* context) {
    if (!context)
        return kEInvalidArg;
    return Call([this, context] {
        context_ = RmaPtr<IUnknown>::Share(context);
        return kOk;
    });
}

HResult Player::OpenURL(const char* url) {
    if (!url || !*url)
        return kEInvalidArg;
    const std::string address(url);
    return Call([this, &address] { return DoOpen(address); });
}

HResult Player::DoOpen(const std::string& address) {
    if (shutDown_)
        return kEUnexpected;
    const std::string target = ReaderAddress(address);
    if (target.empty())
        return kEInvalidArg;
    // Whatever happens to the new address, the old presentation is over.
    EndPresentation();
    if (!HasScheme(target)) {
        // A local file that is not there or cannot be read is refused at once.
        struct stat info {};
        if (::stat(target.c_str(), &info) != 0)
            return HResultFromErrno(errno);
        if (S_ISDIR(info.st_mode))
            return HResultFromErrno(EISDIR);
        if (::access(target.c_str(), R_OK) != 0)
            return HResultFromErrno(errno);
    }

    Presentation next;
    next.generation = nextGeneration_++;
    next.address = address;
    const HResult hr = reader_->Open(QString::fromStdString(target).toStdU16String(), this,
                                     FromGeneration(next.generation));
    if (Failed(hr))
        return hr;
    presentation_ = next;
    qCInfo(lcRmaEngine) << "opening" << target.c_str();
    if (HasScheme(target)) {
        const QUrl parsed(QString::fromStdString(target));
        if (!parsed.host().isEmpty() && !parsed.isLocalFile()) {
            const std::string host = parsed.host().toStdString();
            Advise([&](IRMAClientAdviseSink* sink) { sink->OnContacting(host.c_str()); });
        }
    }
    return kOk;
}

HResult Player::Begin() {
    return Call([this] {
        if (!presentation_)
            return kEUnexpected;
        presentation_->beginRequested = true;
        if (Failed(presentation_->pendingFailure)) {
            HandleFailure(presentation_->generation,
                          std::exchange(presentation_->pendingFailure, kOk));
            return kOk;
        }
        switch (presentation_->phase) {
            case Phase::kOpening:
                return kOk;
            case Phase::kReady:
                StartPlayback();
                return kOk;
            case Phase::kPlaying:
                return kOk;
            case Phase::kPaused: {
                output_.Restart();
                reader_->Resume();
                presentation_->phase = Phase::kPlaying;
                const uint32_t position = output_.PositionMs();
                Advise([&](IRMAClientAdviseSink* sink) { sink->OnBegin(position); });
                // Playing again, from a buffer that was kept full while paused.
                if (presentation_ && presentation_->started)
                    Advise([](IRMAClientAdviseSink* sink) {
                        sink->OnBuffering(kBufferingStartUp, 100);
                    });
                return kOk;
            }
        }
        return kEUnexpected;
    });
}

HResult Player::Stop() {
    return Call([this] {
        EndPresentation();
        return kOk;
    });
}

HResult Player::Pause() {
    return Call([this] {
        if (!presentation_ || presentation_->phase != Phase::kPlaying)
            return kEUnexpected;
        reader_->Pause();
        output_.Pause();
        presentation_->phase = Phase::kPaused;
        const uint32_t position = output_.PositionMs();
        Advise([&](IRMAClientAdviseSink* sink) { sink->OnPause(position); });
        return kOk;
    });
}

HResult Player::AddAdviseSink(IRMAClientAdviseSink* sink) {
    if (!sink)
        return kEInvalidArg;
    return Call([this, sink] {
        if (shutDown_)
            return kEUnexpected;
        adviseSinks_.push_back(RmaPtr<IRMAClientAdviseSink>::Share(sink));
        return kOk;
    });
}

HResult Player::RemoveAdviseSink(IRMAClientAdviseSink* sink) {
    return Call([this, sink] {
        const auto it = std::find_if(adviseSinks_.begin(), adviseSinks_.end(),
                                     [&](const auto& s) { return s.Get() == sink; });
        if (it == adviseSinks_.end())
            return kEInvalidArg;
        adviseSinks_.erase(it);
        return kOk;
    });
}

HResult Player::AddErrorSink(IRMAErrorSink* sink, uint8_t lowSeverity, uint8_t highSeverity) {
    if (!sink || lowSeverity > highSeverity)
        return kEInvalidArg;
    return Call([&] {
        if (shutDown_)
            return kEUnexpected;
        errorSinks_.push_back({RmaPtr<IRMAErrorSink>::Share(sink), lowSeverity, highSeverity});
        return kOk;
    });
}

HResult Player::RemoveErrorSink(IRMAErrorSink* sink) {
    return Call([this, sink] {
        const auto it = std::find_if(errorSinks_.begin(), errorSinks_.end(),
                                     [&](const auto& e) { return e.sink.Get() == sink; });
        if (it == errorSinks_.end())
            return kEInvalidArg;
        errorSinks_.erase(it);
        return kOk;
    });
}

IRMABuffer* Player::GetErrorText(uint32_t code) {
    const char* text = ErrorText(code);
    return text ? TextBuffer::Create(text) : nullptr;
}

// ---- Reader's thread ----------------------------------------------------------------------------

HResult Player::OnStatus(WmtStatus status, HResult result, WmtAttrDataType, const uint8_t*,
                         void* context) {
    const uint32_t generation = ToGeneration(context);
    Post([this, generation, status, result] { HandleStatus(generation, status, result); });
    return kOk;
}

HResult Player::OnSample(uint32_t, uint64_t, uint64_t, uint32_t, const WmSampleBuffer& sample,
                         void* context) {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    if (Failed(sample.GetBufferAndLength(&data, &length)) || length == 0)
        return kOk;
    const MmResult result = output_.Write(data, length);
    if (result != kMmSysErrNoError && result != kMmSysErrInvalHandle) {
        qCWarning(lcRmaEngine) << "sound device failed:" << WaveOutErrorName(result);
        const uint32_t generation = ToGeneration(context);
        Post([this, generation] { HandleFailure(generation, kESoundDevice); });
    }
    return kOk;
}

// ---- Player's thread ----------------------------------------------------------------------------

template <typename Fn>
void Player::Advise(Fn call) {
    // A sink may remove itself or another one from inside its call: walk a copy, and skip a sink
    // that is no longer registered by the time its turn comes.
    const auto sinks = adviseSinks_;
    for (const auto& sink : sinks) {
        const bool registered = std::any_of(adviseSinks_.begin(), adviseSinks_.end(),
                                            [&](const auto& s) { return s.Get() == sink.Get(); });
        if (registered)
            call(sink.Get());
    }
}

void Player::ReportError(HResult code) {
    const std::string address = presentation_ ? presentation_->address : std::string();
    qCInfo(lcRmaEngine) << "error" << Qt::hex << uint32_t(code) << "playing" << address.c_str();
    const auto sinks = errorSinks_;
    for (const auto& entry : sinks)
        if (kSeverityError >= entry.low && kSeverityError <= entry.high)
            entry.sink->ErrorOccurred(kSeverityError, uint32_t(code), 0,
                                      address.empty() ? nullptr : address.c_str(), nullptr);
}

void Player::HandleStatus(uint32_t generation, WmtStatus status, HResult result) {
    if (!Current(generation))
        return;  // from a presentation that has since ended
    switch (status) {
        case WmtStatus::kOpened:
            HandleOpened(result);
            break;
        case WmtStatus::kBufferingStart:
            Advise([&](IRMAClientAdviseSink* sink) {
                sink->OnBuffering(presentation_->started ? kBufferingCongested : kBufferingStartUp,
                                  0);
            });
            break;
        case WmtStatus::kBufferingStop:
            // Before the first STARTED the 100 % comes with it; later this ends a refill.
            if (presentation_->started)
                Advise([](IRMAClientAdviseSink* sink) {
                    sink->OnBuffering(kBufferingCongested, 100);
                });
            break;
        case WmtStatus::kStarted:
            presentation_->started = true;
            // Paused while the buffer filled: the resume tells of the full buffer instead.
            if (presentation_->phase != Phase::kPaused)
                Advise(
                    [](IRMAClientAdviseSink* sink) { sink->OnBuffering(kBufferingStartUp, 100); });
            break;
        case WmtStatus::kEof:
            presentation_->eof = true;
            // The end is heard once the device has played what it holds.
            if (output_.Drained())
                EndPresentation();
            break;
        case WmtStatus::kError:
        case WmtStatus::kMissingCodec:
            HandleFailure(generation, Failed(result) ? result : kNsEInvalidData);
            break;
        case WmtStatus::kLocating:
        case WmtStatus::kReconnectStart:
        case WmtStatus::kReconnectEnd:
        case WmtStatus::kNewMetadata:  // the RealSystem client shows no song titles
        case WmtStatus::kStopped:
        case WmtStatus::kClosed:
            break;
    }
}

void Player::HandleOpened(HResult result) {
    if (Failed(result)) {
        HandleFailure(presentation_->generation, result);
        return;
    }
    uint32_t outputs = 0;
    WmOutputMediaProps props;
    WmMediaType type;
    if (Failed(reader_->GetOutputCount(&outputs)) || outputs == 0 ||
        Failed(reader_->GetOutputProps(0, &props)) || Failed(props.GetMediaType(&type))) {
        HandleFailure(presentation_->generation, kENoAudio);
        return;
    }
    const MmResult opened = output_.Open(type.waveFormat, presentation_->generation);
    if (opened != kMmSysErrNoError) {
        qCWarning(lcRmaEngine) << "cannot open the sound device:" << WaveOutErrorName(opened);
        HandleFailure(presentation_->generation, kESoundDevice);
        return;
    }

    WmHeaderInfo* header = reader_->HeaderInfo();
    uint16_t stream = 0;
    WmtAttrDataType attrType{};
    uint32_t broadcast = 0;
    uint16_t length = sizeof broadcast;
    live_.store(
        Succeeded(header->GetAttributeByName(&stream, u"Broadcast", &attrType,
                                             reinterpret_cast<uint8_t*>(&broadcast), &length)) &&
            broadcast != 0,
        std::memory_order_release);
    uint64_t duration = 0;
    length = sizeof duration;
    if (Failed(header->GetAttributeByName(&stream, u"Duration", &attrType,
                                          reinterpret_cast<uint8_t*>(&duration), &length)))
        duration = 0;

    presentation_->phase = Phase::kReady;
    const uint32_t generation = presentation_->generation;
    Advise([](IRMAClientAdviseSink* sink) { sink->OnPresentationOpened(); });
    Advise([&](IRMAClientAdviseSink* sink) { sink->OnPosLength(0, Milliseconds(duration)); });
    // A sink may have stopped or replaced the presentation meanwhile.
    if (Current(generation) && presentation_->beginRequested)
        StartPlayback();
}

void Player::StartPlayback() {
    const HResult hr = reader_->Start(0, 0, 1.0f, FromGeneration(presentation_->generation));
    if (Failed(hr)) {
        HandleFailure(presentation_->generation, hr);
        return;
    }
    presentation_->phase = Phase::kPlaying;
    presentation_->begun = true;
    Advise([](IRMAClientAdviseSink* sink) { sink->OnBegin(0); });
}

void Player::HandleDrained(uint32_t generation) {
    if (Current(generation) && presentation_->eof && output_.Drained())
        EndPresentation();
}

void Player::HandleFailure(uint32_t generation, HResult result) {
    if (!Current(generation))
        return;
    if (!presentation_->beginRequested) {
        presentation_->pendingFailure = result;
        return;
    }
    ReportError(result);
    if (Current(generation))
        EndPresentation();
}

// Lets go of the presentation (reader, then sound device) before telling the sinks, so that they
// hear of the end only once nothing is playing any more.
void Player::EndPresentation() {
    if (!presentation_)
        return;
    if (Failed(presentation_->pendingFailure))
        ReportError(presentation_->pendingFailure);
    const bool begun = presentation_->begun;
    presentation_.reset();
    live_.store(false, std::memory_order_release);
    reader_->Close();
    output_.Close();
    if (begun)
        Advise([](IRMAClientAdviseSink* sink) { sink->OnStop(); });
    Advise([](IRMAClientAdviseSink* sink) { sink->OnPresentationClosed(); });
}

}  // namespace velotune::rma
