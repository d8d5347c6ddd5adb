// playback/real_context.h (internal to the RealSystem engine)
//
// The client context the RealSystem engine hands to its player, and the four objects it is made
// of: the advise sink (turns the player's events into status reports), the error sink (writes one
// diagnostic line per error to the standard error stream), the authentication manager (asks for
// credentials on the console) and the site supplier (makes windowed sites when a presentation has
// something to show).
//
// Threading: the objects are created and closed on the engine's (user-interface) thread; the
// library calls them on its own threads. Reference counts are interlocked. The objects keep a
// plain pointer to the player: the engine holds the player until the library has closed it, after
// which the library calls none of them.
#pragma once

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "platform/rmaengine/rmaengine.h"
#include "playback/playback_status.h"

namespace velotune {

// The console the error sink and the authentication manager use (tests give files instead).
struct RealConsole {
    FILE* in = stdin;
    FILE* out = stdout;
    FILE* err = stderr;
};

// The IUnknown of an object that answers IUnknown and its one interface I, with an interlocked
// reference count; the object deletes itself when the count reaches 0.
template <typename I>
class CRealObject : public I {
public:
    rma::HResult QueryInterface(const rma::Guid& iid, void** object) override {
        if (!object)
            return rma::kEPointer;
        if (iid == rma::kIidIUnknown || iid == I::kIid) {
            AddRef();
            *object = static_cast<I*>(this);
            return rma::kOk;
        }
        *object = nullptr;
        return rma::kENoInterface;
    }
    uint32_t AddRef() override { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t Release() override {
        const uint32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<uint32_t> count_{1};  // the creator's reference
};

// Reports the player's progress: 6 when a live presentation begins, 3 (live) or 4 (on demand)
// when its buffer is full, 1 then 5 when it stops or closes. A close that follows the stop of the
// same presentation is the same end and is not reported twice.
class CRealAdviseSink final : public CRealObject<rma::IRMAClientAdviseSink> {
public:
    CRealAdviseSink(rma::IRMAPlayer* player, IPlaybackStatusSink* statusSink)
        : player_(player), statusSink_(statusSink) {}

    rma::HResult OnPosLength(uint32_t, uint32_t) override { return rma::kOk; }
    rma::HResult OnPresentationOpened() override;
    rma::HResult OnPresentationClosed() override;
    rma::HResult OnStatisticsChanged() override { return rma::kOk; }
    rma::HResult OnPreSeek(uint32_t, uint32_t) override { return rma::kOk; }
    rma::HResult OnPostSeek(uint32_t, uint32_t) override { return rma::kOk; }
    rma::HResult OnStop() override;
    rma::HResult OnPause(uint32_t) override { return rma::kOk; }
    rma::HResult OnBegin(uint32_t time) override;
    rma::HResult OnBuffering(uint32_t flags, uint16_t percentComplete) override;
    rma::HResult OnContacting(const char* hostName) override;

    // How many ends (1 then 5) have been reported so far; each is counted before it is reported.
    uint32_t Ends() const { return ends_.load(std::memory_order_acquire); }

private:
    ~CRealAdviseSink() override = default;
    void ReportEnd();

    std::atomic<uint32_t> ends_{0};  // atomic: counted by ReportEnd on the library's threads

    rma::IRMAPlayer* const player_;
    IPlaybackStatusSink* const statusSink_;
    // atomic: set by OnStop, taken by the OnPresentationClosed that follows it.
    std::atomic<bool> stopReported_{false};
};

// Writes "Report(severity, code, user text, user code, more-info address, error text)" to the
// error stream. Nothing is shown to the user.
class CRealErrorSink final : public CRealObject<rma::IRMAErrorSink> {
public:
    CRealErrorSink(rma::IRMAPlayer* player, FILE* err) : player_(player), err_(err) {}

    rma::HResult ErrorOccurred(uint8_t severity, uint32_t code, uint32_t userCode,
                               const char* userString, const char* moreInfoUrl) override;

private:
    ~CRealErrorSink() override = default;

    rma::IRMAPlayer* const player_;
    FILE* const err_;
};

// Asks for a user name and a password on the console and answers at once.
class CRealAuthenticationManager final : public CRealObject<rma::IRMAAuthenticationManager> {
public:
    explicit CRealAuthenticationManager(const RealConsole& console) : console_(console) {}

    rma::HResult HandleAuthenticationRequest(
        rma::IRMAAuthenticationManagerResponse* response) override;

private:
    ~CRealAuthenticationManager() override = default;

    const RealConsole console_;
};

// Makes a windowed site for each request of the player and keeps it under the request's id; as
// the sites' watcher it accepts every move and makes room for a dialog frame and caption.
class CRealSiteSupplier final : public CRealObject<rma::IRMASiteSupplier>,
                                public rma::IRMASiteWatcher {
public:
    // The decoration a framed dialog window adds around its client area, in pixels.
    static constexpr int kDialogFrameWidth = 3;
    static constexpr int kDialogFrameHeight = 3;
    static constexpr int kCaptionHeight = 19;

    explicit CRealSiteSupplier(rma::IRMAPlayer* player) : player_(player) {}

    // The watcher's IUnknown is the supplier's: it answers IUnknown and IRMASiteSupplier (the
    // watcher itself is handed to the sites directly).
    rma::HResult QueryInterface(const rma::Guid& iid, void** object) override {
        return CRealObject::QueryInterface(iid, object);
    }
    uint32_t AddRef() override { return CRealObject::AddRef(); }
    uint32_t Release() override { return CRealObject::Release(); }

    rma::HResult SitesNeeded(uint32_t requestId, rma::IRMAValues* props) override;
    rma::HResult SitesNotNeeded(uint32_t requestId) override;
    rma::HResult BeginChangeLayout() override { return rma::kOk; }
    rma::HResult DoneChangeLayout() override { return rma::kOk; }

    rma::HResult AttachSite(rma::IRMASite*) override { return rma::kOk; }
    rma::HResult DetachSite() override { return rma::kOk; }
    rma::HResult ChangingPosition(rma::PNxPoint, rma::PNxPoint*) override { return rma::kOk; }
    rma::HResult ChangingSize(rma::PNxSize oldSize, rma::PNxSize* newSize) override;

    // Removes every site still kept (the context's close).
    void RemoveAllSites();

private:
    ~CRealSiteSupplier() override;
    void RemoveSites(std::vector<rma::RmaPtr<rma::IRMASite>> sites);

    rma::IRMAPlayer* const player_;
    std::mutex mutex_;
    std::map<uint32_t, std::vector<rma::RmaPtr<rma::IRMASite>>> sites_;  // guarded by mutex_
};

// The context: answers IUnknown itself and passes every other query to the advise sink, the error
// sink, the authentication manager and the site supplier, in that order.
class CRealClientContext final : public rma::IUnknown {
public:
    // A context with one reference; null when memory ran out.
    static CRealClientContext* Create(IPlaybackStatusSink* statusSink,
                                      const RealConsole& console = {});

    rma::HResult QueryInterface(const rma::Guid& iid, void** object) override;
    uint32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t Release() override;

    // Makes the four objects for player and registers the advise sink with it. False when memory
    // ran out or the player refused the sink.
    bool Init(rma::IRMAPlayer* player);
    // Unregisters the advise sink (no status is reported afterwards) and lets go of the sites.
    void Close();
    // The advise sink's count of reported ends (0 before Init).
    uint32_t PresentationEnds() const { return adviseSink_ ? adviseSink_->Ends() : 0; }

private:
    CRealClientContext(IPlaybackStatusSink* statusSink, const RealConsole& console)
        : statusSink_(statusSink), console_(console) {}
    ~CRealClientContext() override = default;

    std::atomic<uint32_t> refs_{1};
    IPlaybackStatusSink* const statusSink_;
    const RealConsole console_;
    rma::IRMAPlayer* player_ = nullptr;
    rma::RmaPtr<CRealAdviseSink> adviseSink_;
    rma::RmaPtr<CRealErrorSink> errorSink_;
    rma::RmaPtr<CRealAuthenticationManager> authManager_;
    rma::RmaPtr<CRealSiteSupplier> siteSupplier_;
};

}  // namespace velotune
