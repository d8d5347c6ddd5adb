// updater/workers.h
//
// The updater's three background jobs, each a worker object made of a hidden window (the object
// itself, on the dialog's thread) and a worker thread:
//
//   CCheckUpdatesDlg      asks the update server for the newest edition and its package address
//   CLoggingDlg           tells the server who updates from which edition to which (usage hit)
//   CDownloadDatabaseDlg  fetches the package into the download cache and copies it beside the
//                         station database
//
// Start() posts the start message to the worker's thread and returns. While a job runs, the worker
// posts progress (WM_PROGRESS) and status texts (WM_STATUS_TEXT) to the main dialog; its result
// comes to the hidden window, which hands it on to the main dialog as one of the messages of
// updater/messages.h, delivered on the dialog's thread. The worker never touches a widget.
//
// Threading: construct, Start, Cancel and destroy on the dialog's thread. The main dialog must
// outlive the worker objects it starts (it owns them). Destroying a worker object interrupts its
// request in progress and waits for its thread to end.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>

#include "updater/update_config.h"
#include "updater/update_protocol.h"
#include "updater/worker_thread.h"

namespace velotune {

// The update check: up to three attempts (the environment's proxy settings, then no proxy, then
// the environment's proxy), each reading the check page line by line.
class CCheckUpdatesDlg : public QObject {
public:
    explicit CCheckUpdatesDlg(const UpdaterLimits& limits = {});
    ~CCheckUpdatesDlg() override;

    // Starts the check of checkAddress. Sets mainWindow's progress position to 5 before it
    // returns. The result reaches mainWindow as WM_UPDATE_CHECKED or WM_UPDATE_CHECK_FAILED, with
    // the version text and the package address. Returns true.
    bool Start(QObject* mainWindow, const QString& checkAddress);
    // Interrupts the check at once and ends its thread; no start works afterwards.
    void Stop() { m_worker.Stop(); }

protected:
    void customEvent(QEvent* event) override;

private:
    QPointer<QObject> m_pMainWnd;
    QString m_strCheckAddress;
    const UpdaterLimits m_limits;
    WorkerThread m_worker;  // last: stopped before the members above go
};

// The usage hit: one GET of the hit page with an agent text naming the installation and the two
// editions, without a proxy and then with the environment's. Its outcome is not reported on.
class CLoggingDlg : public QObject {
public:
    // usageHitAddress: the hit page's full address.
    explicit CLoggingDlg(const QString& usageHitAddress);
    ~CLoggingDlg() override;

    void Start(QObject* mainWindow, std::int32_t userVersion, std::int32_t serverVersion);
    void Stop() { m_worker.Stop(); }

protected:
    void customEvent(QEvent* event) override;

private:
    QPointer<QObject> m_pMainWnd;
    QString m_strAddress;
    WorkerThread m_worker;
};

// The download: clears old packages from the cache, fetches the package address into a sub-folder
// of the cache (up to three attempts while the address cannot be opened), then copies the cached
// package to "vexadb.exe" in the data folder and removes the cached copy. The result reaches
// mainWindow as WM_DOWNLOAD_SUCCEEDED or WM_DOWNLOAD_FAILED with the local package path.
class CDownloadDatabaseDlg : public QObject {
public:
    // cacheDir: the download cache (its sub-folders hold downloads); dataDir: where vexadb.exe
    // goes. maxBytes: the largest package accepted.
    CDownloadDatabaseDlg(const QString& cacheDir, const QString& dataDir,
                         qint64 maxBytes = kMaxPackageBytes, const UpdaterLimits& limits = {});
    ~CDownloadDatabaseDlg() override;

    void Start(QObject* mainWindow, const QString& packageAddress);

    // Makes the download stop at its next block, and fail. The flag stays set until a download
    // honours it.
    void Cancel() { m_nCancel.store(1); }
    // Interrupts the download at once, even while it waits for the server, and ends its thread;
    // no start works afterwards.
    void Stop() { m_worker.Stop(); }

    // The sub-folder of the cache that downloads are written into.
    static constexpr char kCacheSubFolder[] = "download";
    // A package larger than this is refused while it downloads.
    static constexpr qint64 kMaxPackageBytes = qint64(256) * 1024 * 1024;

protected:
    void customEvent(QEvent* event) override;

private:
    // Worker thread.
    void Download(const WorkerStart& start);
    void RemoveCachedPackages() const;
    // One attempt whose address has been opened: reads the body into cachedFile in blocks. On
    // failure, reason says why (empty when cancelled).
    bool Fetch(platform::HttpRequest& request, int kind, const QString& address,
               const QString& cachedFile, QObject* mainWindow, QString& reason);
    bool TakePackageFromCache(const QString& localPath, QString& reason) const;

    QPointer<QObject> m_pMainWnd;
    const QString m_strCacheDir;
    const QString m_strDataDir;
    const qint64 m_maxBytes;
    const UpdaterLimits m_limits;
    std::atomic<int> m_nCancel{0};  // written by the dialog's thread, read by the worker
    DownloadProgress m_progress;    // worker thread only; kept for the whole run
    WorkerThread m_worker;          // last: stopped before the members above go
};

}  // namespace velotune
