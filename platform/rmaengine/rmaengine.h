// platform/rmaengine/rmaengine.h
//
// The contract between the RealSystem client engine library (librmaengine.so, built from this
// folder and loaded at run time) and the program that drives it. The library plays RealMedia
// files and streams; the program creates one player through the library's client engine, hands it
// a client context of its own (advise sink, error sink, authentication manager, site supplier) and
// starts, pauses and stops it.
//
// Objects on both sides are reference-counted C++ interfaces looked up by interface id (each
// interface names its own as kIid), in the
// manner of component object models: QueryInterface hands out another interface of the same
// object (with a reference the caller releases), AddRef and Release change the count, and an
// object frees itself when its count reaches 0. Both sides are built by the same compiler from
// this header, so the classes' layouts agree. Only the operations below exist; they are the ones
// the playback engine calls or implements.
//
// Entry points of the library (C linkage, looked up by name after loading):
//   HResult CreateEngine(IRMAClientEngine** engine)  a new client engine, with one reference
//   HResult CloseEngine(IRMAClientEngine* engine)    closes every player still open and releases
//                                                    the reference CreateEngine gave
//
// Threading: every call into the library may be made from any thread. The library calls the
// client context's objects on threads of its own (one per player), one call at a time per
// player, and never while it holds a lock that a call into the library could need, so a sink may
// call back into the player. After ClosePlayer (or CloseEngine) returns, the library makes no
// further call into the context's objects and has released them, and no thread of the player
// runs any more, so the library can be unloaded once the program has released its last reference.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/mmtypes/mmtypes.h"

namespace velotune::rma {

using platform::Failed;
using platform::HResult;
using platform::Succeeded;

// ---- Result codes -------------------------------------------------------------------------------
inline constexpr HResult kOk = platform::kSOk;
inline constexpr HResult kEFail = platform::kEFail;
inline constexpr HResult kEInvalidArg = platform::kEInvalidArg;
inline constexpr HResult kEOutOfMemory = platform::kEOutOfMemory;
inline constexpr HResult kENotImpl = platform::kENotImpl;
inline constexpr HResult kENoInterface = static_cast<HResult>(0x80004002);
inline constexpr HResult kEPointer = static_cast<HResult>(0x80004003);
// The program could not build what a call needs (its client context, for one).
inline constexpr HResult kENotInitialized = static_cast<HResult>(0x80040009);
// A request for credentials that got none.
inline constexpr HResult kENotAuthorized = static_cast<HResult>(0x800400CE);
// The call does not fit the player's state (Begin with nothing opened, ...).
inline constexpr HResult kEUnexpected = platform::kEUnexpected;
// Failures the player reports to the error sinks besides system errors (0x8007xxxx) and the media
// runtime's (0xC00D00xx, see platform/wmruntime/wmruntime.h):
inline constexpr HResult kESoundDevice = static_cast<HResult>(0x80040100);  // no sound device
inline constexpr HResult kENoAudio = static_cast<HResult>(0x80040101);      // nothing to hear

// ---- Identifiers --------------------------------------------------------------------------------
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
    friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

namespace detail {
// Ids of this family share their last three groups.
constexpr Guid RmaId(uint32_t data1) {
    return Guid{data1, 0x0901, 0x11D1, {0x8B, 0x06, 0x00, 0xA0, 0x24, 0x40, 0x6D, 0x59}};
}
}  // namespace detail

inline constexpr Guid kIidIUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid kIidIRMAErrorSinkControl = detail::RmaId(0x00000802);
inline constexpr Guid kIidIRMAClientEngine = detail::RmaId(0x00000E01);
inline constexpr Guid kIidIRMAPlayer = detail::RmaId(0x00000E02);
inline constexpr Guid kIidIRMAClientAdviseSink = detail::RmaId(0x00000E03);
inline constexpr Guid kIidIRMAErrorSink = detail::RmaId(0x00000E04);
inline constexpr Guid kIidIRMAErrorMessages = detail::RmaId(0x00000E05);
inline constexpr Guid kIidIRMAAuthenticationManager = detail::RmaId(0x00000E06);
inline constexpr Guid kIidIRMAAuthenticationManagerResponse = detail::RmaId(0x00000E07);
inline constexpr Guid kIidIRMASiteSupplier = detail::RmaId(0x00000E08);
inline constexpr Guid kIidIRMASiteManager = detail::RmaId(0x00000E09);
inline constexpr Guid kIidIRMACommonClassFactory = detail::RmaId(0x00000E0A);
inline constexpr Guid kIidIRMASite = detail::RmaId(0x00000E0B);
inline constexpr Guid kIidIRMASiteWindowed = detail::RmaId(0x00000E0C);
inline constexpr Guid kIidIRMASiteWatcher = detail::RmaId(0x00000E0D);
inline constexpr Guid kIidIRMAValues = detail::RmaId(0x00000E0E);
inline constexpr Guid kIidIRMABuffer = detail::RmaId(0x00000E0F);
inline constexpr Guid kIidIRMAVolume = detail::RmaId(0x00000700);

// The class of a site that owns a window, made through IRMACommonClassFactory.
inline constexpr Guid kClsidIRMASiteWindowed = detail::RmaId(0x00000D01);

// ---- Values -------------------------------------------------------------------------------------
// Error severities, most severe first. An error sink registers for a range of them.
enum RmaSeverity : uint8_t {
    kSeverityEmergency = 0,
    kSeverityAlert = 1,
    kSeverityCritical = 2,
    kSeverityError = 3,
    kSeverityWarning = 4,
    kSeverityNotice = 5,
    kSeverityInfo = 6,
};

// OnBuffering's reasons.
enum RmaBufferingReason : uint32_t {
    kBufferingStartUp = 0,    // the presentation is filling its buffer before it plays
    kBufferingCongested = 1,  // the network fell behind and the buffer is filling again
};

// Window style bits a site's window is created with.
inline constexpr uint32_t kWsVisible = 0x10000000;
inline constexpr uint32_t kWsClipChildren = 0x02000000;

struct PNxPoint {
    int32_t x = 0;
    int32_t y = 0;
};
struct PNxSize {
    int32_t cx = 0;
    int32_t cy = 0;
};

// ---- Interfaces ---------------------------------------------------------------------------------
class IUnknown {
public:
    static constexpr const Guid& kIid = kIidIUnknown;

    // Another interface of this object, AddRef'd, in *object; kENoInterface (and null) when the
    // object has none of that id.
    virtual HResult QueryInterface(const Guid& iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

// A block of bytes: a text with its terminating null, in this contract.
class IRMABuffer : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMABuffer;

    virtual const uint8_t* GetBuffer() = 0;
    virtual uint32_t GetSize() = 0;
};

// Named properties, each a text held in a buffer.
class IRMAValues : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAValues;

    // The property's buffer, AddRef'd, in *value; kEFail (and null) when there is none.
    virtual HResult GetPropertyCString(const char* name, IRMABuffer** value) = 0;
    // Sets or replaces a property; the values keep a reference to the buffer.
    virtual HResult SetPropertyCString(const char* name, IRMABuffer* value) = 0;
};

class IRMAClientAdviseSink;
class IRMAErrorSink;

// One player: plays one presentation (a URL) at a time.
class IRMAPlayer : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAPlayer;

    // The program's objects; the player queries the context for the sinks it calls and keeps a
    // reference to it until it is closed.
    virtual HResult SetClientContext(IUnknown* context) = 0;
    // Opens a presentation, closing the one that was open (its OnStop and OnPresentationClosed
    // are delivered before this returns). url is UTF-8: "http://...", "rtsp://..." or another
    // network address, or "File:" followed by a local path or a network address. The opening goes
    // on in the background; a failure then reaches the error sinks and ends the presentation.
    // kEInvalidArg for an empty address; a local file that cannot be read fails here.
    virtual HResult OpenURL(const char* url) = 0;
    // Starts playing the opened presentation (as soon as it has opened), or resumes it after
    // Pause. kEUnexpected when no presentation is open.
    virtual HResult Begin() = 0;
    // Stops and closes the presentation; its OnStop (when it had begun) and OnPresentationClosed
    // are delivered before this returns.
    virtual HResult Stop() = 0;
    // Holds playback where it is (OnPause follows). kEUnexpected unless playing.
    virtual HResult Pause() = 0;
    // True while the open presentation is a live broadcast (known once it has opened).
    virtual bool IsLive() = 0;
    virtual HResult AddAdviseSink(IRMAClientAdviseSink* sink) = 0;
    // After this returns the sink is not called again (unless added anew); called from inside a
    // callback it takes effect when that callback returns.
    virtual HResult RemoveAdviseSink(IRMAClientAdviseSink* sink) = 0;
};

// The loudness of a player's sound, which the player answers for itself (QueryInterface on the
// player). It holds across presentations, and a volume set before the first one applies to it.
class IRMAVolume : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAVolume;

    // 0 (silent) to 100 (full); a larger value is taken as 100.
    virtual HResult SetVolume(uint16_t volume) = 0;
    virtual uint16_t GetVolume() = 0;
};

class IRMAClientEngine : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAClientEngine;

    // A new player, with one reference for the caller.
    virtual HResult CreatePlayer(IRMAPlayer** player) = 0;
    // Stops the player's presentation, ends its threads and releases everything it holds (its
    // context and sinks). The caller still releases its own reference afterwards.
    virtual HResult ClosePlayer(IUnknown* player) = 0;
};

// What a player reports as a presentation goes by. Times are in milliseconds. All return kOk.
class IRMAClientAdviseSink : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAClientAdviseSink;

    virtual HResult OnPosLength(uint32_t position, uint32_t length) = 0;
    virtual HResult OnPresentationOpened() = 0;
    virtual HResult OnPresentationClosed() = 0;
    virtual HResult OnStatisticsChanged() = 0;
    virtual HResult OnPreSeek(uint32_t oldTime, uint32_t newTime) = 0;
    virtual HResult OnPostSeek(uint32_t oldTime, uint32_t newTime) = 0;
    virtual HResult OnStop() = 0;
    virtual HResult OnPause(uint32_t time) = 0;
    virtual HResult OnBegin(uint32_t time) = 0;
    // flags: an RmaBufferingReason. percentComplete 100 means the buffer is full and sound follows.
    virtual HResult OnBuffering(uint32_t flags, uint16_t percentComplete) = 0;
    virtual HResult OnContacting(const char* hostName) = 0;
};

class IRMAErrorSink : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAErrorSink;

    // severity: an RmaSeverity; code: the failure (an HResult); userCode, userString and
    // moreInfoUrl: details from the source, 0 or null when there are none.
    virtual HResult ErrorOccurred(uint8_t severity, uint32_t code, uint32_t userCode,
                                  const char* userString, const char* moreInfoUrl) = 0;
};

class IRMAErrorSinkControl : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAErrorSinkControl;

    // The sink is told of errors whose severity lies in [lowSeverity, highSeverity].
    virtual HResult AddErrorSink(IRMAErrorSink* sink, uint8_t lowSeverity,
                                 uint8_t highSeverity) = 0;
    virtual HResult RemoveErrorSink(IRMAErrorSink* sink) = 0;
};

class IRMAErrorMessages : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAErrorMessages;

    // The text of an error code, AddRef'd; null for a code the library has no text for.
    virtual IRMABuffer* GetErrorText(uint32_t code) = 0;
};

class IRMAAuthenticationManagerResponse : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAAuthenticationManagerResponse;

    // result kOk with both texts, or a failure with null texts.
    virtual HResult AuthenticationRequestDone(HResult result, const char* user,
                                              const char* password) = 0;
};

class IRMAAuthenticationManager : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMAAuthenticationManager;

    // Asks for credentials and answers through response (at once or later, on any thread).
    virtual HResult HandleAuthenticationRequest(IRMAAuthenticationManagerResponse* response) = 0;
};

class IRMASiteWatcher;

// A place a renderer draws into.
class IRMASite : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMASite;

    virtual HResult AttachWatcher(IRMASiteWatcher* watcher) = 0;
    virtual HResult DetachWatcher() = 0;
};

// A site with a window of its own.
class IRMASiteWindowed : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMASiteWindowed;

    // Creates the window under parent (null: a top-level window) with the style bits given.
    virtual HResult Create(void* parentWindow, uint32_t style) = 0;
    virtual HResult Destroy() = 0;
};

// Told before a site moves or changes size; may change the new value.
class IRMASiteWatcher : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMASiteWatcher;

    virtual HResult AttachSite(IRMASite* site) = 0;
    virtual HResult DetachSite() = 0;
    virtual HResult ChangingPosition(PNxPoint oldPosition, PNxPoint* newPosition) = 0;
    virtual HResult ChangingSize(PNxSize oldSize, PNxSize* newSize) = 0;
};

// The player's sites, offered by the player.
class IRMASiteManager : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMASiteManager;

    virtual HResult AddSite(IRMASite* site) = 0;
    virtual HResult RemoveSite(IRMASite* site) = 0;
};

// Makes the library's objects by class id, offered by the player.
class IRMACommonClassFactory : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMACommonClassFactory;

    // A new object's IUnknown in *object; kENoInterface (null) for a class the library lacks.
    virtual HResult CreateInstance(const Guid& clsid, void** object) = 0;
};

// The program's supplier of sites: the player asks for sites when a presentation has something to
// show (an audio-only presentation never does).
class IRMASiteSupplier : public IUnknown {
public:
    static constexpr const Guid& kIid = kIidIRMASiteSupplier;

    // props describes the request ("playto", "name").
    virtual HResult SitesNeeded(uint32_t requestId, IRMAValues* props) = 0;
    virtual HResult SitesNotNeeded(uint32_t requestId) = 0;
    virtual HResult BeginChangeLayout() = 0;
    virtual HResult DoneChangeLayout() = 0;
};

// ---- Reference owner ----------------------------------------------------------------------------
// Holds one reference to an interface and releases it when it goes.
template <typename T>
class RmaPtr {
public:
    RmaPtr() = default;
    RmaPtr(std::nullptr_t) {}
    // Takes over a reference the caller already holds.
    static RmaPtr Adopt(T* object) {
        RmaPtr p;
        p.object_ = object;
        return p;
    }
    // Adds a reference of its own.
    static RmaPtr Share(T* object) {
        if (object)
            object->AddRef();
        return Adopt(object);
    }
    RmaPtr(const RmaPtr& other) : object_(other.object_) {
        if (object_)
            object_->AddRef();
    }
    RmaPtr(RmaPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    RmaPtr& operator=(RmaPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~RmaPtr() { Reset(); }

    void Reset() {
        if (T* old = std::exchange(object_, nullptr))
            old->Release();
    }
    // Gives the reference away.
    T* Detach() { return std::exchange(object_, nullptr); }
    // For out-parameters: releases what is held and hands out the slot.
    T** Receive() {
        Reset();
        return &object_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Another interface of the same object; empty when it has none.
    template <typename U>
    RmaPtr<U> As() const {
        RmaPtr<U> other;
        if (object_)
            object_->QueryInterface(U::kIid, other.ReceiveVoid());
        return other;
    }

private:
    T* object_ = nullptr;
};

// Asks any object for an interface.
template <typename U>
RmaPtr<U> QueryAs(IUnknown* object) {
    RmaPtr<U> other;
    if (object)
        object->QueryInterface(U::kIid, other.ReceiveVoid());
    return other;
}

}  // namespace velotune::rma

// Entry points, as the program looks them up.
extern "C" {
using RmaCreateEngineFn = velotune::rma::HResult (*)(velotune::rma::IRMAClientEngine** engine);
using RmaCloseEngineFn = velotune::rma::HResult (*)(velotune::rma::IRMAClientEngine* engine);
}
