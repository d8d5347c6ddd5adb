#include "platform/http/http.h"

#include <curl/curl.h>

#include <QList>
#include <QLoggingCategory>
#include <QPair>
#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstring>

Q_LOGGING_CATEGORY(lcHttp, "velotune.http")

namespace velotune::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Body bytes held for the caller: above the high mark the transfer pauses until the caller has
// read down to the low mark.
constexpr qsizetype kHighWater = qsizetype(256) * 1024;
constexpr qsizetype kLowWater = qsizetype(64) * 1024;
constexpr qsizetype kMaxLine = qsizetype(1024) * 1024;
constexpr int kMaxRedirects = 10;

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

// libcurl's global set-up is not safe to race with the first transfers of other threads.
void EnsureCurlInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpError FromCurl(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return HttpError::None;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return HttpError::BadUrl;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return HttpError::ResolveFailed;
        case CURLE_COULDNT_CONNECT:
            return HttpError::ConnectFailed;
        case CURLE_OPERATION_TIMEDOUT:
            return HttpError::Timeout;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
            return HttpError::ConnectionLost;
        case CURLE_TOO_MANY_REDIRECTS:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING:
            return HttpError::ProtocolError;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_PEER_FAILED_VERIFICATION:
            return HttpError::TlsError;
        default:
            return HttpError::Failed;
    }
}

// The proxy that HttpAccess::Proxy must use for a URL, from the environment.
QByteArray EnvironmentProxy(bool https) {
    const char* names[] = {https ? "https_proxy" : "http_proxy",
                           https ? "HTTPS_PROXY" : "HTTP_PROXY", "all_proxy", "ALL_PROXY"};
    for (const char* name : names) {
        QByteArray value = qgetenv(name).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return {};
}

bool IsFollowedRedirect(int status) {
    return status >= 300 && status < 400 && status != 304;
}

}  // namespace

const char* HttpErrorName(HttpError error) {
    switch (error) {
        case HttpError::None:
            return "no error";
        case HttpError::BadUrl:
            return "bad URL";
        case HttpError::NoProxy:
            return "no proxy named";
        case HttpError::ResolveFailed:
            return "host name unknown";
        case HttpError::ConnectFailed:
            return "connect failed";
        case HttpError::Timeout:
            return "timed out";
        case HttpError::ConnectionLost:
            return "connection lost";
        case HttpError::Cancelled:
            return "cancelled";
        case HttpError::ProtocolError:
            return "protocol error";
        case HttpError::TlsError:
            return "TLS error";
        case HttpError::Failed:
            return "failed";
    }
    return "failed";
}

// ---- HttpCancel -----------------------------------------------------------------------------

void HttpCancel::Cancel() {
    cancelled_.store(true);
    std::lock_guard lock(mutex_);
    if (wake_)
        wake_();
}

void HttpCancel::Attach(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

void HttpCancel::Detach() {
    std::lock_guard lock(mutex_);
    wake_ = nullptr;
}

// ---- HttpRequest ----------------------------------------------------------------------------

struct HttpRequest::Impl {
    MultiHandle multi;
    EasyHandle easy;  // attached to multi while set
    Slist headerList;
    HttpOptions options;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    // The response, as the callbacks fill it in.
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers;  // of the latest response
    bool headersDone = false;                      // the final response's head is complete
    QByteArray buffer;                             // body bytes; the unread ones from readPos
    qsizetype readPos = 0;
    qsizetype scannedTo = 0;           // ReadLine has looked for "\n" up to here
    bool paused = false;               // the write callback paused the transfer: buffer full
    qsizetype holdLimit = kHighWater;  // pause the transfer when this much is unread
    bool finished = false;             // libcurl is done with the transfer
    bool sent = false;                 // the request has gone out; the stall clock runs
    Clock::time_point lastActivity;

    HttpError error = HttpError::None;
    QString errorText;

    qsizetype Buffered() const { return buffer.size() - readPos; }

    void Fail(HttpError e, const QString& text) {
        if (error != HttpError::None)
            return;
        error = e;
        errorText = text;
        qCInfo(lcHttp).noquote() << HttpErrorName(e) << "-" << text;
    }

    void FailFromCurl(CURLcode code) {
        const QString text = errorBuffer[0] ? QString::fromUtf8(errorBuffer)
                                            : QString::fromUtf8(curl_easy_strerror(code));
        Fail(FromCurl(code), text);
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
        const size_t bytes = size * count;
        static_cast<Impl*>(self)->HeaderLine(QByteArray(data, qsizetype(bytes)));
        return bytes;
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* self) {
        Impl* d = static_cast<Impl*>(self);
        if (d->Buffered() >= d->holdLimit) {
            d->paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        const size_t bytes = size * count;
        d->buffer.append(data, qsizetype(bytes));
        d->lastActivity = Clock::now();
        d->sent = true;
        return bytes;
    }

    void HeaderLine(const QByteArray& raw) {
        lastActivity = Clock::now();
        sent = true;
        const QByteArray line = raw.trimmed();
        if (raw.startsWith("HTTP/")) {
            // A new response (after a 1xx or a redirect): its head replaces the last one's.
            const QList<QByteArray> parts = line.split(' ');
            status = parts.size() > 1 ? parts[1].toInt() : 0;
            headers.clear();
            return;
        }
        if (line.isEmpty()) {
            const bool interim = status / 100 == 1;
            const bool redirected = options.followRedirects && IsFollowedRedirect(status) &&
                                    !Find("location").isEmpty();
            if (!interim && !redirected)
                headersDone = true;
            return;
        }
        if ((raw.startsWith(' ') || raw.startsWith('\t')) && !headers.isEmpty()) {
            headers.last().second += ' ' + line;  // a folded continuation line
            return;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }

    QByteArray Find(const QByteArray& name) const {
        for (const auto& header : headers)
            if (header.first.compare(name, Qt::CaseInsensitive) == 0)
                return header.second;
        return {};
    }

    // Lets a paused transfer go on once the caller has read the buffer down, or at once (force)
    // when the caller needs more than the buffer holds.
    void Resume(bool force) {
        if (!paused || (!force && Buffered() >= kLowWater))
            return;
        paused = false;
        // May deliver the held-back block into OnBody before it returns.
        const CURLcode code = curl_easy_pause(easy.get(), CURLPAUSE_CONT);
        if (code != CURLE_OK)
            FailFromCurl(code);
    }

    void Compact() {
        if (readPos == buffer.size()) {
            buffer.clear();
            readPos = scannedTo = 0;
        } else if (readPos > kLowWater && readPos > buffer.size() / 2) {
            buffer.remove(0, readPos);
            scannedTo = std::max<qsizetype>(0, scannedTo - readPos);
            readPos = 0;
        }
    }

    void CollectDone() {
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            finished = true;
            if (msg->data.result != CURLE_OK)
                FailFromCurl(msg->data.result);
        }
    }

    // Drives the transfer on this thread until ready() holds, the transfer has ended, or an
    // error (cancellation and the stall timeout included). Returns ready(). ready() must hold
    // once hold bytes are buffered: the transfer pauses there.
    bool Pump(const std::function<bool()>& ready, qsizetype hold = kHighWater) {
        holdLimit = hold;
        for (;;) {
            // Checked before anything else, so that a cancelled request stops at its next read
            // even when bytes are still buffered.
            if (options.cancel && options.cancel->IsCancelled()) {
                Fail(HttpError::Cancelled, QStringLiteral("cancelled by the caller"));
                return false;
            }
            Resume(false);
            if (ready())
                return true;
            Resume(true);  // the caller needs more than the buffer holds
            if (ready())
                return true;
            if (finished || error != HttpError::None)
                return false;
            int running = 0;
            const CURLMcode mc = curl_multi_perform(multi.get(), &running);
            if (mc != CURLM_OK) {
                Fail(HttpError::Failed, QString::fromUtf8(curl_multi_strerror(mc)));
                return false;
            }
            CollectDone();
            if (ready())
                return true;
            if (finished || error != HttpError::None)
                return false;

            // Until the request is out, libcurl's connect timeout governs; afterwards silence
            // longer than the stall timeout ends the request.
            const Clock::time_point now = Clock::now();
            if (!sent) {
                curl_off_t pretransfer = 0;
                curl_easy_getinfo(easy.get(), CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
                sent = pretransfer > 0;
                lastActivity = now;
            }
            const auto stall = std::chrono::milliseconds(options.stallTimeoutMs);
            const auto silent =
                std::chrono::duration_cast<std::chrono::milliseconds>(now - lastActivity);
            if (sent && silent >= stall) {
                Fail(HttpError::Timeout,
                     QStringLiteral("no data from the server for %1 ms").arg(silent.count()));
                return false;
            }
            const auto wait = std::clamp<qint64>((stall - silent).count(), 1, sent ? 1000 : 100);
            // Returns early on network activity, on libcurl's own timers and on Cancel().
            curl_multi_poll(multi.get(), nullptr, 0, int(wait), nullptr);
        }
    }

    HttpError Start(const QString& url);
    void Stop();
};

HttpError HttpRequest::Impl::Start(const QString& url) {
    EnsureCurlInitialised();
    if (!multi)
        multi.reset(curl_multi_init());
    easy.reset(curl_easy_init());
    if (!multi || !easy) {
        Fail(HttpError::Failed, QStringLiteral("out of memory"));
        return error;
    }
    CURL* h = easy.get();
    QByteArray encoded = url.trimmed().toUtf8();
    encoded.replace(" ", "%20");
    const bool https = encoded.left(6).toLower() == "https:";

    curl_easy_setopt(h, CURLOPT_URL, encoded.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, options.followRedirects ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, long(kMaxRedirects));
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(1, options.connectTimeoutMs)));
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // Verified against the system's trust store, or the bundle SSL_CERT_FILE names, which
    // libcurl does not read by itself (the curl program does).
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle && *bundle)
        curl_easy_setopt(h, CURLOPT_CAINFO, bundle);
    if (options.totalTimeoutMs > 0)
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(options.totalTimeoutMs));
    if (options.lowSpeedBytesPerSecond > 0 && options.lowSpeedSeconds > 0) {
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, long(options.lowSpeedBytesPerSecond));
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(options.lowSpeedSeconds));
    }
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    if (!options.userAgent.isEmpty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, options.userAgent.constData());
    switch (options.version) {
        case HttpVersion::Default:
            break;
        case HttpVersion::Http10:
            curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
            break;
        case HttpVersion::Http11:
            curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
            break;
    }
    if (options.noCache) {
        curl_slist* list = curl_slist_append(nullptr, "Pragma: no-cache");
        list = list ? curl_slist_append(list, "Cache-Control: no-cache") : nullptr;
        headerList.reset(list);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());
    }
    switch (options.access) {
        case HttpAccess::Preconfig:
            break;  // libcurl reads the environment itself
        case HttpAccess::Direct:
            curl_easy_setopt(h, CURLOPT_PROXY, "");
            break;
        case HttpAccess::Proxy: {
            const QByteArray proxy = EnvironmentProxy(https);
            if (proxy.isEmpty()) {
                Fail(HttpError::NoProxy,
                     QStringLiteral("the environment names no proxy (%1_proxy or all_proxy)")
                         .arg(https ? QStringLiteral("https") : QStringLiteral("http")));
                return error;
            }
            curl_easy_setopt(h, CURLOPT_PROXY, proxy.constData());
            curl_easy_setopt(h, CURLOPT_NOPROXY, "");
            break;
        }
    }

    if (options.cancel) {
        CURLM* m = multi.get();
        options.cancel->Attach([m] { curl_multi_wakeup(m); });
    }
    const CURLMcode mc = curl_multi_add_handle(multi.get(), h);
    if (mc != CURLM_OK) {
        easy.reset();
        Fail(HttpError::Failed, QString::fromUtf8(curl_multi_strerror(mc)));
        return error;
    }
    lastActivity = Clock::now();
    // Once the head is here the request has been answered; a failure that arrived together
    // with it belongs to reading the body, after the bytes that did arrive.
    if (Pump([this] { return headersDone; }))
        return HttpError::None;
    if (error == HttpError::None)
        Fail(HttpError::ProtocolError, QStringLiteral("the server sent no response head"));
    return error;
}

void HttpRequest::Impl::Stop() {
    if (options.cancel)
        options.cancel->Detach();
    if (easy) {
        curl_multi_remove_handle(multi.get(), easy.get());
        easy.reset();
    }
    headerList.reset();
    options = HttpOptions();
    errorBuffer[0] = 0;
    status = 0;
    headers.clear();
    headersDone = paused = finished = sent = false;
    buffer.clear();
    readPos = scannedTo = 0;
    error = HttpError::None;
    errorText.clear();
}

HttpRequest::HttpRequest() : d_(std::make_unique<Impl>()) {}

HttpRequest::~HttpRequest() {
    Close();
}

HttpError HttpRequest::Open(const QString& url, const HttpOptions& options) {
    d_->Stop();
    d_->options = options;
    return d_->Start(url);
}

void HttpRequest::Close() {
    d_->Stop();
}

int HttpRequest::StatusCode() const {
    return d_->headersDone ? d_->status : 0;
}

QByteArray HttpRequest::ContentType() const {
    return Header("Content-Type");
}

QByteArray HttpRequest::Header(const QByteArray& name) const {
    return d_->headersDone ? d_->Find(name) : QByteArray();
}

HttpError HttpRequest::Error() const {
    return d_->error;
}

QString HttpRequest::ErrorText() const {
    return d_->errorText;
}

qint64 HttpRequest::Read(char* buffer, qint64 maxBytes) {
    Impl& d = *d_;
    if (maxBytes <= 0)
        return 0;
    if (!d.easy || d.error == HttpError::Cancelled)
        return d.error == HttpError::None ? 0 : -1;
    if (!d.Pump([&d] { return d.Buffered() > 0; }))
        return d.error == HttpError::None ? 0 : -1;
    const qsizetype n = std::min<qint64>(maxBytes, d.Buffered());
    std::memcpy(buffer, d.buffer.constData() + d.readPos, size_t(n));
    d.readPos += n;
    d.Compact();
    return n;
}

bool HttpRequest::ReadLine(QByteArray* line) {
    Impl& d = *d_;
    if (!d.easy || d.error == HttpError::Cancelled)
        return false;
    qsizetype newline = -1;
    d.Pump(
        [&d, &newline] {
            newline = d.buffer.indexOf('\n', std::max(d.readPos, d.scannedTo));
            if (newline < 0)
                d.scannedTo = d.buffer.size();
            return newline >= 0 || d.Buffered() >= kMaxLine;
        },
        kMaxLine);
    if (d.error == HttpError::Cancelled || d.Buffered() == 0)
        return false;
    qsizetype end = newline >= 0 ? newline : d.readPos + std::min(d.Buffered(), kMaxLine);
    *line = d.buffer.mid(d.readPos, end - d.readPos);
    d.readPos = newline >= 0 ? newline + 1 : end;
    if (line->endsWith('\r'))
        line->chop(1);
    d.Compact();
    return true;
}

HttpError HttpSend(const QString& url, const HttpOptions& options, int* statusCode,
                   QString* errorText) {
    HttpRequest request;
    const HttpError error = request.Open(url, options);
    if (error == HttpError::None && statusCode)
        *statusCode = request.StatusCode();
    if (errorText)
        *errorText = request.ErrorText();
    return error;
}

}  // namespace velotune::platform
