// report/usage_report.h
//
// The player tells the maker's web server, once per installation each, that it has been installed
// and used (the install hit, "/vexahits.shtml") and that it has been started at least ten times
// (the usage report, "/vexause.shtml"). Delivery is remembered in the settings ("Covert" and
// "Report"), so a request that failed is tried again later and one that was delivered is never
// sent again. CountStart() keeps the start counter ("UseTime") that the usage report waits for.
//
// CUsageReportDlg is the controller's usage reporter (IUsageReporter): an object on the
// user-interface thread paired with one worker thread that has its own event loop. A request
// posts a start message (WM_REPORT_HIT_START, WM_REPORT_USE_START) carrying its CReportClient to
// the worker; the worker sends it and posts the result back (WM_REPORT_HIT_DONE,
// WM_REPORT_USE_DONE, lParam 1 when delivered); the completion, on the user-interface thread,
// stores the delivered flag and clears the controller's pending flag for that kind.
//
// Threading: every call is made on the user-interface thread and returns at once; the network
// work runs on the worker. The settings are read and written on the user-interface thread only.
// Ownership: the controller owns its reporter (CommandCentreSetup::makeUsageReporter). Its
// destructor interrupts a request in progress and waits for the worker to end; a request it
// interrupted counts as not delivered and nothing is stored.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <memory>

#include "platform/winmsg/winmsg.h"
#include "playback/usage_reporter.h"
#include "settings/settings_store.h"

namespace velotune {

namespace platform {
class HttpCancel;
}

inline constexpr int WM_REPORT_HIT_DONE = platform::kWmApp + 11;   // worker -> reporter
inline constexpr int WM_REPORT_HIT_START = platform::kWmApp + 12;  // reporter -> worker
inline constexpr int WM_REPORT_USE_DONE = platform::kWmApp + 13;   // worker -> reporter
inline constexpr int WM_REPORT_USE_START = platform::kWmApp + 14;  // reporter -> worker

// The player's distribution channel: its tag names the maker's own site.
inline constexpr int kReportChannelIndex = 6;

// What the requests say about the program. The player's: "Velotune", channel 6, "2.1", and the
// installation identifier as the user id.
struct ReportIdentity {
    QString productName;
    int channelIndex = kReportChannelIndex;
    QString version;
    QString userId;

    static ReportIdentity ForPlayer(const QString& userId);
};

class CUsageReportDlg : public QObject, public IUsageReporter {
    Q_OBJECT

public:
    CUsageReportDlg(IUsageReportOwner& controller, ReportIdentity identity);
    ~CUsageReportDlg() override;
    CUsageReportDlg(const CUsageReportDlg&) = delete;
    CUsageReportDlg& operator=(const CUsageReportDlg&) = delete;

    // The stored "Covert" / "Report" flags; a flag that cannot be read is not delivered.
    bool IsHitDelivered() override;
    bool IsReportDelivered() override;
    // The stored "UseTime" (0 when it cannot be read).
    int StartCount() override;

    // Start the install hit / the usage report on the worker, to the server ReportServerHost()
    // names now. True: the request is on its way and its completion will clear the controller's
    // pending flag.
    bool SendHit() override;
    bool SendUsage() override;

Q_SIGNALS:
    // A request has finished and its completion has been handled: doneMessage is
    // WM_REPORT_HIT_DONE or WM_REPORT_USE_DONE; delivered tells whether the server was reached.
    void RequestFinished(int doneMessage, bool delivered);

protected:
    // The worker's results.
    void customEvent(QEvent* event) override;

private:
    class Worker;

    bool Start(int startMessage, const QString& objectPath);

    IUsageReportOwner& controller_;
    const ReportIdentity identity_;
    CSettingsStore settings_;
    QThread thread_;
    std::unique_ptr<Worker> worker_;  // lives on thread_; deleted here once thread_ has ended
    std::shared_ptr<platform::HttpCancel> shutdown_;  // interrupts a request when we go
};

// The player's reporter for the controller: CommandCentreSetup::makeUsageReporter is
//   [uid](IUsageReportOwner& c) { return MakeUsageReporter(c, uid); }
std::unique_ptr<IUsageReporter> MakeUsageReporter(IUsageReportOwner& controller,
                                                  const QString& userId);

// Counts one start of the player: reads "UseTime" (0 when absent or unreadable) and, when it is
// 10 or less, stores it raised by one, so the counter stops at 11. A failed write is ignored.
// Called once at start-up, after the controller has been made and before the main window.
// User-interface thread; blocks briefly on the settings file.
void CountStart(const CSettingsStore& settings = CSettingsStore());

}  // namespace velotune
