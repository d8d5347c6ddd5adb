#include "report/usage_report.h"

#include <QCoreApplication>

#include "platform/http/http.h"
#include "report/maker_site.h"
#include "report/report_client.h"
#include "report/report_log.h"
#include "res/texts.h"

namespace velotune {

Q_LOGGING_CATEGORY(lcReport, "velotune.report")

namespace {

// The counter stops once it has passed the ten starts the usage report waits for.
constexpr int kLastCountedStart = 10;

// A start message to the worker: which request, for whom, and where its result goes.
class StartRequest : public QEvent {
public:
    StartRequest(int message, CReportClient client, ReportIdentity identity, QObject* reporter)
        : QEvent(static_cast<QEvent::Type>(message)),
          client(std::move(client)),
          identity(std::move(identity)),
          reporter(reporter) {}

    const CReportClient client;
    const ReportIdentity identity;
    QObject* const reporter;  // lives on the user-interface thread and outlives the worker
};

}  // namespace

ReportIdentity ReportIdentity::ForPlayer(const QString& userId) {
    ReportIdentity identity;
    identity.productName = QString::fromUtf8(text::kReportProductName);
    identity.channelIndex = kReportChannelIndex;
    identity.version = QString::fromUtf8(text::kReportVersion);
    identity.userId = userId;
    return identity;
}

// Runs the requests posted to it one at a time, in the order they were posted, on the worker
// thread.
class CUsageReportDlg::Worker : public QObject {
protected:
    void customEvent(QEvent* event) override {
        platform::AcquireEvent(event);
        const auto* start = dynamic_cast<const StartRequest*>(event);
        if (!start)
            return;
        const int done =
            start->type() == WM_REPORT_HIT_START ? WM_REPORT_HIT_DONE : WM_REPORT_USE_DONE;
        const ReportIdentity& id = start->identity;
        const int sent = start->client.Send(id.productName, id.channelIndex, id.version, id.userId);
        platform::PostWindowMessage(start->reporter, done, 0, sent);
    }
};

CUsageReportDlg::CUsageReportDlg(IUsageReportOwner& controller, ReportIdentity identity)
    : controller_(controller),
      identity_(std::move(identity)),
      worker_(std::make_unique<Worker>()),
      shutdown_(std::make_shared<platform::HttpCancel>()) {
    thread_.setObjectName(QStringLiteral("velotune-report"));
    worker_->moveToThread(&thread_);
}

CUsageReportDlg::~CUsageReportDlg() {
    shutdown_->Cancel();
    thread_.quit();
    thread_.wait();
    // Nothing runs on the worker any more; the requests still queued for it go with it.
    worker_.reset();
}

// A value that cannot be read keeps its default.
bool CUsageReportDlg::IsHitDelivered() {
    int value = CSettingsStore::kDefaultHitDelivered;
    settings_.ReadHitDelivered(&value);
    return value != 0;
}

bool CUsageReportDlg::IsReportDelivered() {
    int value = CSettingsStore::kDefaultReportDelivered;
    settings_.ReadReportDelivered(&value);
    return value != 0;
}

int CUsageReportDlg::StartCount() {
    int value = CSettingsStore::kDefaultUseTime;
    settings_.ReadUseTime(&value);
    return value;
}

bool CUsageReportDlg::SendHit() {
    return Start(WM_REPORT_HIT_START, QString::fromUtf8(text::kInstallHitPath));
}

bool CUsageReportDlg::SendUsage() {
    return Start(WM_REPORT_USE_START, QString::fromUtf8(text::kUsageReportPath));
}

bool CUsageReportDlg::Start(int startMessage, const QString& objectPath) {
    // Each request gets its own client, carried by its start message, so the worker never
    // shares one with a request made later.
    auto* request = new StartRequest(
        startMessage, CReportClient(ReportServerHost(), objectPath, shutdown_), identity_, this);
    qCDebug(lcReport).noquote() << "starting" << request->client.Url();
    platform::ReleaseEvent(request);
    // Posted before the thread runs, the message waits in the worker's queue until its loop
    // starts.
    QCoreApplication::postEvent(worker_.get(), request);
    if (!thread_.isRunning())
        thread_.start();
    return true;
}

void CUsageReportDlg::customEvent(QEvent* event) {
    const platform::WindowMessage* message = platform::AsWindowMessage(event);
    if (!message)
        return;
    const bool delivered = message->LParam() == 1;
    switch (message->Message()) {
        case WM_REPORT_HIT_DONE:
            if (delivered && !settings_.WriteHitDelivered(1))
                qCWarning(lcReport) << "the install hit was delivered but could not be noted";
            controller_.ClearHitPending();
            break;
        case WM_REPORT_USE_DONE:
            if (delivered && !settings_.WriteReportDelivered(1))
                qCWarning(lcReport) << "the usage report was delivered but could not be noted";
            controller_.ClearReportPending();
            break;
        default:
            return;
    }
    qCInfo(lcReport) << (message->Message() == WM_REPORT_HIT_DONE ? "install hit" : "usage report")
                     << (delivered ? "delivered" : "not delivered");
    Q_EMIT RequestFinished(message->Message(), delivered);
}

std::unique_ptr<IUsageReporter> MakeUsageReporter(IUsageReportOwner& controller,
                                                  const QString& userId) {
    return std::make_unique<CUsageReportDlg>(controller, ReportIdentity::ForPlayer(userId));
}

void CountStart(const CSettingsStore& settings) {
    int count = CSettingsStore::kDefaultUseTime;
    settings.ReadUseTime(&count);
    if (count <= kLastCountedStart && !settings.WriteUseTime(count + 1))
        qCDebug(lcReport) << "the start counter could not be stored";
}

}  // namespace velotune
