#include "playback/real_context.h"

#include <cstring>
#include <new>

#include "res/texts.h"

namespace velotune {

using namespace velotune::rma;

// ---- Advise sink --------------------------------------------------------------------------------

HResult CRealAdviseSink::OnPresentationOpened() {
    stopReported_.store(false, std::memory_order_release);
    return kOk;
}

HResult CRealAdviseSink::OnPresentationClosed() {
    // The player closes a presentation right after stopping it; that is one end, reported once,
    // so that a new start under way does not see a second "stopped" and reset the display.
    if (!stopReported_.exchange(false, std::memory_order_acq_rel))
        ReportEnd();
    return kOk;
}

HResult CRealAdviseSink::OnStop() {
    ReportEnd();
    stopReported_.store(true, std::memory_order_release);
    return kOk;
}

HResult CRealAdviseSink::OnBegin(uint32_t) {
    stopReported_.store(false, std::memory_order_release);
    if (player_->IsLive())
        statusSink_->SetPlaybackStatus(kStatusBuffering);
    return kOk;
}

HResult CRealAdviseSink::OnBuffering(uint32_t, uint16_t percentComplete) {
    if (percentComplete == 100)
        statusSink_->SetPlaybackStatus(player_->IsLive() ? kStatusLive : kStatusFile);
    return kOk;
}

HResult CRealAdviseSink::OnContacting(const char*) {
    stopReported_.store(false, std::memory_order_release);
    return kOk;
}

void CRealAdviseSink::ReportEnd() {
    // Counted first: whoever sees the reports (or misses them) can count on the end.
    ends_.fetch_add(1, std::memory_order_acq_rel);
    statusSink_->SetPlaybackStatus(kStatusClosed);
    statusSink_->SetPlaybackStatus(kStatusStopped);
}

// ---- Error sink ---------------------------------------------------------------------------------

HResult CRealErrorSink::ErrorOccurred(uint8_t severity, uint32_t code, uint32_t userCode,
                                      const char* userString, const char* moreInfoUrl) {
    RmaPtr<IRMABuffer> text;
    if (RmaPtr<IRMAErrorMessages> messages = QueryAs<IRMAErrorMessages>(player_))
        text = RmaPtr<IRMABuffer>::Adopt(messages->GetErrorText(code));
    const char* errorText = nullptr;
    if (text && text->GetSize() > 0)
        errorText = reinterpret_cast<const char*>(text->GetBuffer());
    const auto orNull = [](const char* s) { return s && *s ? s : text::kRealErrorNull; };
    std::fprintf(err_, text::kRealErrorReport, int(severity & 0xFF), unsigned(code),
                 orNull(userString), long(userCode), orNull(moreInfoUrl),
                 errorText ? errorText : text::kRealErrorUnknown);
    std::fflush(err_);
    return kOk;
}

// ---- Authentication manager ---------------------------------------------------------------------

namespace {

// One console line of at most 1024 characters, without trailing white space; false at the end of
// the input or on a read error.
bool ReadLine(FILE* in, std::string* line) {
    char buffer[1025];
    if (!in || !std::fgets(buffer, sizeof buffer, in))
        return false;
    size_t length = std::strlen(buffer);
    if (length > 0 && buffer[length - 1] != '\n') {
        // A longer line is cut; the rest of it must not become the next answer.
        int c;
        while ((c = std::fgetc(in)) != EOF && c != '\n') {
        }
    }
    while (length > 0 &&
           (buffer[length - 1] == '\n' || buffer[length - 1] == '\r' || buffer[length - 1] == ' ' ||
            buffer[length - 1] == '\t' || buffer[length - 1] == '\v' || buffer[length - 1] == '\f'))
        --length;
    line->assign(buffer, length);
    return true;
}

void Prompt(FILE* out, const char* text) {
    if (!out)
        return;
    std::fputs(text, out);
    std::fflush(out);
}

}  // namespace

HResult CRealAuthenticationManager::HandleAuthenticationRequest(
    IRMAAuthenticationManagerResponse* response) {
    if (!response)
        return kEPointer;
    Prompt(console_.out, text::kRealAuthNeeded);
    Prompt(console_.out, text::kRealAuthUser);
    std::string user;
    if (!ReadLine(console_.in, &user)) {
        response->AuthenticationRequestDone(kENotAuthorized, nullptr, nullptr);
        return kOk;
    }
    Prompt(console_.out, text::kRealAuthPassword);
    std::string password;
    const bool gotPassword = ReadLine(console_.in, &password);
    if (user.empty() || !gotPassword || password.empty()) {
        response->AuthenticationRequestDone(kEFail, nullptr, nullptr);
        return kOk;
    }
    response->AuthenticationRequestDone(kOk, user.c_str(), password.c_str());
    return kOk;
}

// ---- Site supplier ------------------------------------------------------------------------------

CRealSiteSupplier::~CRealSiteSupplier() {
    RemoveAllSites();
}

HResult CRealSiteSupplier::SitesNeeded(uint32_t requestId, IRMAValues* props) {
    if (!props)
        return kEInvalidArg;
    const RmaPtr<IRMACommonClassFactory> factory = QueryAs<IRMACommonClassFactory>(player_);
    const RmaPtr<IRMASiteManager> siteManager = QueryAs<IRMASiteManager>(player_);
    if (!factory || !siteManager)
        return kEFail;
    RmaPtr<IUnknown> created;
    HResult hr = factory->CreateInstance(kClsidIRMASiteWindowed, created.ReceiveVoid());
    if (Failed(hr) || !created)
        return Failed(hr) ? hr : kEFail;
    const RmaPtr<IRMASiteWindowed> windowed = created.As<IRMASiteWindowed>();
    const RmaPtr<IRMAValues> values = created.As<IRMAValues>();
    const RmaPtr<IRMASite> site = created.As<IRMASite>();
    if (!windowed || !values || !site)
        return kENoInterface;

    // The request names the channel the site plays to, or else the layout group it belongs to.
    RmaPtr<IRMABuffer> value;
    if (Succeeded(props->GetPropertyCString("playto", value.Receive())) && value)
        values->SetPropertyCString("channel", value.Get());
    else if (Succeeded(props->GetPropertyCString("name", value.Receive())) && value)
        values->SetPropertyCString("LayoutGroup", value.Get());

    hr = windowed->Create(nullptr, kWsVisible | kWsClipChildren);
    if (Failed(hr))
        return hr;
    site->AttachWatcher(this);
    hr = siteManager->AddSite(site.Get());
    if (Failed(hr)) {
        site->DetachWatcher();
        windowed->Destroy();
        return hr;
    }
    std::lock_guard lock(mutex_);
    sites_[requestId].push_back(site);
    return kOk;
}

HResult CRealSiteSupplier::SitesNotNeeded(uint32_t requestId) {
    std::vector<RmaPtr<IRMASite>> sites;
    {
        std::lock_guard lock(mutex_);
        const auto it = sites_.find(requestId);
        if (it == sites_.end())
            return kEInvalidArg;
        sites = std::move(it->second);
        sites_.erase(it);
    }
    RemoveSites(std::move(sites));
    return kOk;
}

void CRealSiteSupplier::RemoveAllSites() {
    std::map<uint32_t, std::vector<RmaPtr<IRMASite>>> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(sites_);
    }
    for (auto& [id, sites] : all)
        RemoveSites(std::move(sites));
}

// A site that is let go no longer calls its watcher, which may be gone before it.
void CRealSiteSupplier::RemoveSites(std::vector<RmaPtr<IRMASite>> sites) {
    const RmaPtr<IRMASiteManager> siteManager = QueryAs<IRMASiteManager>(player_);
    for (const RmaPtr<IRMASite>& site : sites) {
        if (siteManager)
            siteManager->RemoveSite(site.Get());
        site->DetachWatcher();
    }
}

HResult CRealSiteSupplier::ChangingSize(PNxSize, PNxSize* newSize) {
    if (!newSize)
        return kEPointer;
    newSize->cx += 2 * kDialogFrameWidth;
    newSize->cy += kCaptionHeight + 2 * kDialogFrameHeight;
    return kOk;
}

// ---- Context ------------------------------------------------------------------------------------

CRealClientContext* CRealClientContext::Create(IPlaybackStatusSink* statusSink,
                                               const RealConsole& console) {
    return new (std::nothrow) CRealClientContext(statusSink, console);
}

uint32_t CRealClientContext::Release() {
    const uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
        delete this;
    return left;
}

HResult CRealClientContext::QueryInterface(const Guid& iid, void** object) {
    if (!object)
        return kEPointer;
    *object = nullptr;
    if (iid == kIidIUnknown) {
        AddRef();
        *object = static_cast<IUnknown*>(this);
        return kOk;
    }
    IUnknown* const parts[] = {adviseSink_.Get(), errorSink_.Get(), authManager_.Get(),
                               static_cast<IRMASiteSupplier*>(siteSupplier_.Get())};
    for (IUnknown* part : parts)
        if (part && Succeeded(part->QueryInterface(iid, object)))
            return kOk;
    *object = nullptr;
    return kENoInterface;
}

bool CRealClientContext::Init(IRMAPlayer* player) {
    player_ = player;
    adviseSink_ =
        RmaPtr<CRealAdviseSink>::Adopt(new (std::nothrow) CRealAdviseSink(player, statusSink_));
    errorSink_ =
        RmaPtr<CRealErrorSink>::Adopt(new (std::nothrow) CRealErrorSink(player, console_.err));
    authManager_ = RmaPtr<CRealAuthenticationManager>::Adopt(
        new (std::nothrow) CRealAuthenticationManager(console_));
    siteSupplier_ = RmaPtr<CRealSiteSupplier>::Adopt(new (std::nothrow) CRealSiteSupplier(player));
    if (!adviseSink_ || !errorSink_ || !authManager_ || !siteSupplier_)
        return false;
    return Succeeded(player->AddAdviseSink(adviseSink_.Get()));
}

void CRealClientContext::Close() {
    if (player_ && adviseSink_)
        player_->RemoveAdviseSink(adviseSink_.Get());
    if (siteSupplier_)
        siteSupplier_->RemoveAllSites();
    player_ = nullptr;
}

}  // namespace velotune
