// platform/http/http.h
//
// Blocking HTTP GET requests for worker threads: open a URL, learn the status code and the
// Content-Type, then pull the body line by line or in blocks as the caller asks for it. Only as
// much of the body as the caller has not read yet is held in memory (a few hundred KiB at most);
// the rest waits in the network, so a large download streams to disk without piling up.
//
// Threading: an HttpRequest belongs to the thread that calls Open. Every call on it blocks that
// thread until it has what it asked for, an error, or a timeout; every libcurl callback runs
// inside those calls on that same thread, and nothing here touches a QObject. The one call meant
// for another thread is HttpCancel::Cancel(): it makes the request's current or next call return
// HttpError::Cancelled promptly, even while it waits for a silent server.
//
// Proxies: HttpAccess::Preconfig uses the environment as libcurl reads it (http_proxy,
// https_proxy, all_proxy, no_proxy); Direct never uses a proxy; Proxy always goes through the
// proxy the environment names for the URL's scheme (http_proxy / HTTP_PROXY, https_proxy /
// HTTPS_PROXY, then all_proxy / ALL_PROXY), ignoring no_proxy, and fails with NoProxy when none is
// named.
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace velotune::platform {

enum class HttpAccess { Preconfig, Direct, Proxy };

enum class HttpVersion { Default, Http10, Http11 };

enum class HttpError {
    None = 0,
    BadUrl,          // not an http:// or https:// URL, or malformed
    NoProxy,         // HttpAccess::Proxy, but the environment names no proxy
    ResolveFailed,   // the server's or the proxy's host name is unknown
    ConnectFailed,   // the server or the proxy refused the connection or cannot be reached
    Timeout,         // no connection within the connect timeout, or the server went silent
    ConnectionLost,  // the connection broke before the response was complete
    Cancelled,       // HttpCancel::Cancel()
    ProtocolError,   // the answer is not usable HTTP, or redirects went round in circles
    TlsError,        // https only: handshake or certificate failure
    Failed,          // anything else; the error text says what
};

// A short English name for logs ("connect failed", ...).
const char* HttpErrorName(HttpError error);

// A cancellation switch shared between the thread that runs requests and one that may stop them.
// One request at a time uses a given switch. Once cancelled it stays so until Reset().
class HttpCancel {
public:
    // Any thread. Wakes the request that is waiting, if there is one.
    void Cancel();
    // The requests' thread, between requests.
    void Reset() { cancelled_.store(false); }
    bool IsCancelled() const { return cancelled_.load(); }

private:
    friend class HttpRequest;
    void Attach(std::function<void()> wake);
    void Detach();

    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::function<void()> wake_;  // guarded by mutex_: wakes the attached request's wait
};

struct HttpOptions {
    QByteArray userAgent;  // sent exactly as given; empty: no User-Agent header at all
    HttpAccess access = HttpAccess::Preconfig;
    HttpVersion version = HttpVersion::Default;
    // The answer must come from the origin server, not from a cache on the way (a reload):
    // sends "Pragma: no-cache" and "Cache-Control: no-cache". Nothing is cached locally anyway.
    bool noCache = false;
    bool followRedirects = true;  // to http and https URLs only, at most 10
    int connectTimeoutMs = 20000;
    int stallTimeoutMs = 30000;  // longest wait for the next byte once the request is sent
    // The whole request, connection, head and body, must be over within this time (0: no limit);
    // after it the current call fails with Timeout.
    int totalTimeoutMs = 0;
    // A transfer slower than lowSpeedBytesPerSecond over lowSpeedSeconds in a row (waiting for
    // the head included) fails with Timeout. 0 in either: no limit.
    int lowSpeedBytesPerSecond = 0;
    int lowSpeedSeconds = 0;
    std::shared_ptr<HttpCancel> cancel;  // optional
};

class HttpRequest {
public:
    HttpRequest();
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // Sends a GET for url and waits for the response head. HTTP error statuses (400, 404, 500...)
    // are answers, not errors: check StatusCode(). Closes a previous request first.
    HttpError Open(const QString& url, const HttpOptions& options);

    // The final response's status code and headers (after redirects); 0 / empty before Open.
    int StatusCode() const;
    QByteArray ContentType() const;  // the whole header value, e.g. "text/html; charset=utf-8"
    QByteArray Header(const QByteArray& name) const;  // case-insensitive; empty when absent

    // Blocks until some body bytes are there and copies up to maxBytes of them. Returns the
    // number copied, 0 at the end of the body, -1 on an error (see Error()).
    qint64 Read(char* buffer, qint64 maxBytes);

    // Reads the next line of the body without its "\n" or "\r\n". The last line needs no line
    // break; a line longer than 1 MiB comes back in 1 MiB pieces. Returns false at the end of the
    // body or on an error (see Error()).
    bool ReadLine(QByteArray* line);

    // The first error since Open, and its description (libcurl's message where it has one). A
    // failure that follows the response head is reported by the reads, once the body bytes
    // received before it have been read.
    HttpError Error() const;
    QString ErrorText() const;

    // Ends the request and frees its connection (also done by the destructor and by Open).
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Sends a GET and waits only for the response head; the body is not read. Returns None when the
// server answered (*statusCode receives its status), else the error (*errorText says more).
HttpError HttpSend(const QString& url, const HttpOptions& options, int* statusCode = nullptr,
                   QString* errorText = nullptr);

}  // namespace velotune::platform
