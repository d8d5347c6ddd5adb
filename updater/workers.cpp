#include "updater/workers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>

#include "res/texts.h"
#include "settings/settings_store.h"
#include "updater/messages.h"

Q_LOGGING_CATEGORY(lcWorkers, "velotune.updater.workers")

namespace velotune {
namespace {

using platform::HttpAccess;
using platform::HttpError;
using platform::HttpOptions;
using platform::HttpRequest;

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

// The access of the first, second and third attempt of the check and the download.
constexpr HttpAccess kAttemptAccess[] = {HttpAccess::Preconfig, HttpAccess::Direct,
                                         HttpAccess::Proxy};

// Sends no agent text of its own: servers see the program's name, as for any other client that
// does not name itself.
HttpOptions ProgramOptions(HttpAccess access, const WorkerThread& worker) {
    HttpOptions options;
    options.userAgent = QByteArray(text::kUpdaterName);
    options.access = access;
    options.cancel = worker.Shutdown();
    return options;
}

void PostProgress(QObject* mainWindow, int amount, int mode = 0) {
    PostUpdaterMessage(mainWindow, WM_PROGRESS, {}, {}, amount, mode);
}

void PostStatus(QObject* mainWindow, const char* text) {
    PostUpdaterMessage(mainWindow, WM_STATUS_TEXT, Text(text));
}

// A failed job tells the dialog why, unless the user stopped it (then there is nobody to tell).
void PostFailureReason(QObject* mainWindow, const WorkerThread& worker, const QString& reason) {
    if (!reason.isEmpty() && !worker.Shutdown()->IsCancelled())
        PostUpdaterMessage(mainWindow, WM_FAILURE_REASON, reason);
}

// Why a request to address failed, in plain words; empty when it was cancelled.
QString RequestFailure(HttpError error, const QString& address, const QString& detail) {
    const QString host = QUrl(address).host();
    auto about = [&host](const char* text) { return Text(text).arg(host); };
    switch (error) {
        case HttpError::None:
        case HttpError::Cancelled:
            return {};
        case HttpError::BadUrl:
            return Text(text::kNetBadAddress).arg(address);
        case HttpError::NoProxy:
            return about(text::kNetNoProxy);
        case HttpError::ResolveFailed:
            return about(text::kNetHostNotFound);
        case HttpError::ConnectFailed:
            return about(text::kNetRefused);
        case HttpError::Timeout:
            return about(text::kNetTimedOut);
        case HttpError::ConnectionLost:
            return about(text::kNetBroken);
        case HttpError::ProtocolError:
            return about(text::kNetBadAnswer);
        case HttpError::TlsError:
            return about(text::kNetTls);
        case HttpError::Failed:
            break;
    }
    return Text(text::kNetOther).arg(host, detail);
}

// The reason of an attempt that failed replaces an earlier attempt's, except that the last kind
// of access failing only for want of a proxy says less than what went before it.
void NoteRequestFailure(QString& reason, const HttpRequest& request, const QString& address) {
    if (request.Error() != HttpError::NoProxy || reason.isEmpty())
        reason = RequestFailure(request.Error(), address, request.ErrorText());
}

QString StatusFailure(int status, const QString& address) {
    return Text(text::kNetHttpStatus).arg(QUrl(address).host(), QString::number(status));
}

// ---- Update check -----------------------------------------------------------------------------

// One attempt. False on an error of any kind: no connection, a failed read, or a status above
// 400 (400 itself is an answer: its page is read like any other).
bool CheckAttempt(const QString& address, HttpAccess access, const WorkerThread& worker,
                  const UpdaterLimits& limits, const QDeadlineTimer& deadline, QObject* mainWindow,
                  CheckPageValues& values, QString& reason) {
    PostProgress(mainWindow, 7);
    HttpRequest request;
    bool ok = false;
    PostProgress(mainWindow, 11);
    HttpOptions options = ProgramOptions(access, worker);
    const int left = int(std::max<qint64>(1, deadline.remainingTime()));
    options.totalTimeoutMs = left;
    options.connectTimeoutMs = std::min(limits.connectTimeoutMs, left);
    if (deadline.hasExpired()) {
        reason = RequestFailure(HttpError::Timeout, address, {});
    } else if (const HttpError error = request.Open(address, options); error != HttpError::None) {
        qCInfo(lcWorkers).noquote()
            << "check:" << platform::HttpErrorName(error) << "-" << request.ErrorText();
        NoteRequestFailure(reason, request, address);
    } else {
        PostProgress(mainWindow, 15);
        const int status = request.StatusCode();
        if (status > 400) {
            qCInfo(lcWorkers) << "check: the server answered" << status;
            reason = StatusFailure(status, address);
        } else {
            QByteArray line;
            while (request.ReadLine(&line))
                ParseCheckLine(QString::fromUtf8(line), values);
            ok = request.Error() == HttpError::None;
            if (!ok) {
                qCInfo(lcWorkers).noquote() << "check: reading failed -" << request.ErrorText();
                NoteRequestFailure(reason, request, address);
            }
        }
    }
    PostProgress(mainWindow, 18);
    return ok;
}

void RunCheck(const WorkerStart& start, const WorkerThread& worker, const UpdaterLimits& limits) {
    static const char* const kRetryTexts[] = {nullptr, text::kStatusCheckConnectionRetry,
                                              text::kStatusCheckProxyRetry};
    CheckPageValues values;
    QString reason;
    bool answered = false;
    const QDeadlineTimer deadline(limits.checkBudgetMs);
    for (int attempt = 0; attempt < 3 && !answered; ++attempt) {
        // Once the time is up (or the user quit), further attempts would only be refused.
        if (attempt > 0 && (deadline.hasExpired() || worker.Shutdown()->IsCancelled()))
            break;
        if (kRetryTexts[attempt])
            PostStatus(start.mainWindow, kRetryTexts[attempt]);
        answered = CheckAttempt(start.address, kAttemptAccess[attempt], worker, limits, deadline,
                                start.mainWindow, values, reason);
    }
    QString address;
    if (!values.path.isEmpty())
        address = QUrl(start.address).resolved(QUrl(QStringLiteral("/"))).toString() + values.path;
    const QString version = values.version.left(kMaxResultText);
    address = address.left(kMaxResultText);
    const bool ok = answered && !version.isEmpty() && !address.isEmpty();
    qCInfo(lcWorkers).noquote() << "check:" << (ok ? "version" : "failed, version") << version
                                << "package" << address;
    if (!ok && answered)
        reason = Text(text::kCheckPageIncomplete).arg(QUrl(start.address).host());
    if (!ok)
        PostFailureReason(start.mainWindow, worker, reason);
    PostUpdaterMessage(start.window, ok ? WM_CHECK_DONE : WM_CHECK_FAILED, version, address);
}

// ---- Usage hit --------------------------------------------------------------------------------

void RunUsageHit(const WorkerStart& start, const WorkerThread& worker) {
    QString userId;
    CSettingsStore().ReadUID(&userId);  // stays empty when there is none
    const QString agent =
        UsageAgentText(userId, start.userVersion, start.serverVersion, OperatingSystemName());
    bool sent = false;
    for (HttpAccess access : {HttpAccess::Direct, HttpAccess::Preconfig}) {
        HttpOptions options;
        options.userAgent = agent.toUtf8();
        options.access = access;
        options.noCache = true;
        options.cancel = worker.Shutdown();
        if (platform::HttpSend(start.address, options) == HttpError::None) {
            sent = true;
            break;
        }
    }
    qCInfo(lcWorkers).noquote() << "usage hit" << (sent ? "sent:" : "not sent:") << agent;
    PostUpdaterMessage(start.window, WM_LOG_DONE, {}, {}, 0, sent ? 1 : 0);
}

// The name a download is kept under in the cache: the address's file name.
QString CacheName(const QString& address) {
    const QString name = QUrl(address).fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("download");
    return name;
}

// Copies source to target through a temporary file beside target, so target is either the old
// file or the whole new one. Returns why it failed; empty on success.
QString CopyReplacing(const QString& source, const QString& target) {
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    QByteArray block;
    while (!(block = in.read(1 << 20)).isEmpty())
        if (out.write(block) != block.size())
            return out.errorString();
    if (in.error() != QFile::NoError)
        return in.errorString();
    return out.commit() ? QString() : out.errorString();
}

}  // namespace

// ---- CCheckUpdatesDlg ---------------------------------------------------------------------------

CCheckUpdatesDlg::CCheckUpdatesDlg(const UpdaterLimits& limits)
    : m_limits(limits),
      m_worker(QStringLiteral("velosync check"),
               [this](int, const WorkerStart& start) { RunCheck(start, m_worker, m_limits); }) {}

CCheckUpdatesDlg::~CCheckUpdatesDlg() {
    m_worker.Stop();
}

bool CCheckUpdatesDlg::Start(QObject* mainWindow, const QString& checkAddress) {
    m_pMainWnd = mainWindow;
    m_strCheckAddress = checkAddress;
    WorkerStart start;
    start.window = this;
    start.mainWindow = mainWindow;
    start.address = m_strCheckAddress;
    m_worker.PostStart(WM_START_CHECK, start);
    SendUpdaterMessage(mainWindow, WM_PROGRESS, {}, {}, 5, 0);
    return true;
}

void CCheckUpdatesDlg::customEvent(QEvent* event) {
    const UpdaterMessage* m = AsUpdaterMessage(event);
    if (!m)
        return;
    if (m->Message() == WM_CHECK_DONE)
        SendUpdaterMessage(m_pMainWnd, WM_UPDATE_CHECKED, m->First(), m->Second());
    else if (m->Message() == WM_CHECK_FAILED)
        SendUpdaterMessage(m_pMainWnd, WM_UPDATE_CHECK_FAILED, m->First(), m->Second());
}

// ---- CLoggingDlg --------------------------------------------------------------------------------

CLoggingDlg::CLoggingDlg(const QString& usageHitAddress)
    : m_strAddress(usageHitAddress),
      m_worker(QStringLiteral("velosync usage hit"),
               [this](int, const WorkerStart& start) { RunUsageHit(start, m_worker); }) {}

CLoggingDlg::~CLoggingDlg() {
    m_worker.Stop();
}

void CLoggingDlg::Start(QObject* mainWindow, std::int32_t userVersion, std::int32_t serverVersion) {
    m_pMainWnd = mainWindow;
    WorkerStart start;
    start.window = this;
    start.mainWindow = mainWindow;
    start.address = m_strAddress;
    start.userVersion = userVersion;
    start.serverVersion = serverVersion;
    m_worker.PostStart(WM_START_LOG, start);
}

void CLoggingDlg::customEvent(QEvent* event) {
    // WM_LOG_DONE: whether the hit arrived changes nothing; the event is only taken over from the
    // worker that posted it.
    platform::AcquireEvent(event);
}

// ---- CDownloadDatabaseDlg -----------------------------------------------------------------------

CDownloadDatabaseDlg::CDownloadDatabaseDlg(const QString& cacheDir, const QString& dataDir,
                                           qint64 maxBytes, const UpdaterLimits& limits)
    : m_strCacheDir(cacheDir),
      m_strDataDir(dataDir),
      m_maxBytes(maxBytes),
      m_limits(limits),
      m_worker(QStringLiteral("velosync download"),
               [this](int, const WorkerStart& start) { Download(start); }) {}

CDownloadDatabaseDlg::~CDownloadDatabaseDlg() {
    m_worker.Stop();
}

void CDownloadDatabaseDlg::Start(QObject* mainWindow, const QString& packageAddress) {
    m_pMainWnd = mainWindow;
    WorkerStart start;
    start.window = this;
    start.mainWindow = mainWindow;
    start.address = packageAddress;
    m_worker.PostStart(WM_START_DOWNLOAD, start);
}

void CDownloadDatabaseDlg::customEvent(QEvent* event) {
    const UpdaterMessage* m = AsUpdaterMessage(event);
    if (!m || m->Message() != WM_DOWNLOAD_DONE)
        return;
    SendUpdaterMessage(m_pMainWnd, m->LParam() == 1 ? WM_DOWNLOAD_SUCCEEDED : WM_DOWNLOAD_FAILED,
                       m->First(), {}, 0, m->LParam());
}

void CDownloadDatabaseDlg::Download(const WorkerStart& start) {
    static const char* const kAttemptTexts[] = {text::kStatusDownloading,
                                                text::kStatusDownloadConnectionRetry,
                                                text::kStatusDownloadProxyRetry};
    const QString localPath =
        (m_strDataDir + QLatin1Char('/') + Text(text::kPackageFile)).left(kMaxResultText);

    RemoveCachedPackages();
    PostProgress(start.mainWindow, 24);

    bool fetched = false;
    QString reason;
    const QString folder = m_strCacheDir.isEmpty()
                               ? QString()
                               : m_strCacheDir + QLatin1Char('/') + Text(kCacheSubFolder);
    const QString cachedFile = folder + QLatin1Char('/') + CacheName(start.address);
    if (!folder.isEmpty() && QDir().mkpath(folder)) {
        const QDeadlineTimer openBudget(m_limits.downloadOpenBudgetMs);
        for (int kind = 0; kind < 3; ++kind) {
            if (kind > 0 && openBudget.hasExpired()) {
                qCInfo(lcWorkers) << "download: no answer in time; no further attempt";
                break;
            }
            HttpRequest request;
            HttpOptions options = ProgramOptions(kAttemptAccess[kind], m_worker);
            const qint64 left = std::max<qint64>(1000, openBudget.remainingTime());
            options.connectTimeoutMs = int(std::min<qint64>(m_limits.connectTimeoutMs, left));
            options.lowSpeedBytesPerSecond = m_limits.lowSpeedBytesPerSecond;
            options.lowSpeedSeconds =
                int(std::clamp<qint64>(left / 1000, 1, m_limits.lowSpeedSeconds));
            const HttpError error = request.Open(start.address, options);
            if (error != HttpError::None) {
                qCInfo(lcWorkers).noquote()
                    << "download:" << platform::HttpErrorName(error) << "-" << request.ErrorText();
                NoteRequestFailure(reason, request, start.address);
                if (error == HttpError::Cancelled)
                    break;
                continue;  // not reached: try the next kind of access
            }
            // An error page is not a package: there is nothing to download.
            const int status = request.StatusCode();
            if (status < 200 || status > 299) {
                qCInfo(lcWorkers) << "download: the server answered" << status;
                reason = StatusFailure(status, start.address);
                break;
            }
            PostStatus(start.mainWindow, kAttemptTexts[kind]);
            fetched = Fetch(request, kind, start.address, cachedFile, start.mainWindow, reason);
            break;
        }
    } else {
        qCWarning(lcWorkers) << "download: no cache folder" << folder;
        reason = Text(text::kPackageNotWritten).arg(folder, Text(text::kFolderNotMade));
    }

    const bool ok = fetched && TakePackageFromCache(localPath, reason);
    if (fetched && !ok)
        QFile::remove(cachedFile);  // a download under another name would never be taken
    qCInfo(lcWorkers) << "download" << (ok ? "succeeded:" : "failed:") << localPath;
    if (!ok)
        PostFailureReason(start.mainWindow, m_worker, reason);
    PostUpdaterMessage(start.window, WM_DOWNLOAD_DONE, localPath, {}, 0, ok ? 1 : 0);
}

void CDownloadDatabaseDlg::RemoveCachedPackages() const {
    if (m_strCacheDir.isEmpty())
        return;
    const QDir cache(m_strCacheDir);
    for (const QString& sub : cache.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QDir folder(cache.filePath(sub));
        for (const QString& name :
             folder.entryList({Text(text::kPackagePattern)}, QDir::Files | QDir::Hidden)) {
            if (!folder.remove(name))
                qCWarning(lcWorkers) << "cannot remove" << folder.filePath(name);
        }
    }
}

bool CDownloadDatabaseDlg::Fetch(HttpRequest& request, int kind, const QString& address,
                                 const QString& cachedFile, QObject* mainWindow, QString& reason) {
    QFile out(cachedFile);
    const auto notWritten = [&] {
        return Text(text::kPackageNotWritten).arg(cachedFile, out.errorString());
    };
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCWarning(lcWorkers) << "download: cannot write" << cachedFile << out.errorString();
        reason = notWritten();
        return false;
    }
    // A download that does not finish leaves nothing in the cache that could pass for a package.
    auto fail = [&out, &reason](const QString& why) {
        qCInfo(lcWorkers).noquote() << "download:" << (why.isEmpty() ? "cancelled" : why);
        reason = why;
        out.close();
        out.remove();
        return false;
    };
    char block[1023];
    qint64 total = 0;
    for (;;) {
        if (m_nCancel.exchange(0) != 0)
            return fail({});
        const qint64 n = request.Read(block, sizeof block);
        if (n < 0)
            return fail(RequestFailure(request.Error(), address, request.ErrorText()));
        if (m_progress.Block(kind))
            PostProgress(mainWindow, 1, 1);
        if (n == 0)
            break;
        total += n;
        if (total > m_maxBytes)
            return fail(Text(text::kPackageTooLarge).arg(m_maxBytes / (1024 * 1024)));
        if (out.write(block, n) != n)
            return fail(notWritten());
    }
    if (!out.flush())
        return fail(notWritten());
    out.close();
    return true;
}

bool CDownloadDatabaseDlg::TakePackageFromCache(const QString& localPath, QString& reason) const {
    if (m_strCacheDir.isEmpty())
        return false;
    const QDir cache(m_strCacheDir);
    for (const QString& sub : cache.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QDir folder(cache.filePath(sub));
        const QStringList names =
            folder.entryList({Text(text::kPackagePattern)}, QDir::Files | QDir::Hidden, QDir::Name);
        if (names.isEmpty())
            continue;
        const QString cached = folder.filePath(names.first());
        if (const QString error = CopyReplacing(cached, localPath); !error.isEmpty()) {
            qCWarning(lcWorkers) << "cannot copy" << cached << "to" << localPath << error;
            reason = Text(text::kPackageNotWritten).arg(localPath, error);
            return false;
        }
        QFile::remove(cached);
        return true;
    }
    qCInfo(lcWorkers) << "no package in the cache" << m_strCacheDir;
    reason = Text(text::kPackageNotNamed).arg(Text(text::kPackagePattern));
    return false;
}

}  // namespace velotune
