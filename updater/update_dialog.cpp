#include "updater/update_dialog.h"

#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "platform/msgbox/msgbox.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "updater/messages.h"
#include "updater/update_database.h"
#include "updater/update_protocol.h"
#include "updater/workers.h"

Q_LOGGING_CATEGORY(lcUpdater, "velotune.updater")

namespace velotune {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

QString Id(int id) {
    return QString::number(id);
}

// The pause after each announced step, so that its status text can be read.
constexpr int kStepPauseMs = 500;

}  // namespace

const UpdaterErrorTexts& ErrorTexts() {
    static const UpdaterErrorTexts texts{
        Text(text::kCheckErrorFirst) + Text(text::kConnectionAdvice),
        Text(text::kDownloadErrorFirst) + Text(text::kConnectionAdvice),
        Text(text::kMergeErrorFirst) + Text(text::kPlayerOpenAdvice),
        Text(text::kCopyErrorFirst) + Text(text::kPlayerOpenAdvice),
    };
    return texts;
}

CTorvikDBUpdateDlg::CTorvikDBUpdateDlg(const UpdaterConfig& config, const QString& dbVersion,
                                       std::function<void()> closePlayer, QWidget* parent)
    : QDialog(parent),
      m_config(config),
      m_strDBVersion(dbVersion),
      m_closePlayer(std::move(closePlayer)),
      m_pCheckDlg(std::make_unique<CCheckUpdatesDlg>(config.limits)),
      m_pLoggingDlg(std::make_unique<CLoggingDlg>(config.UsageHitAddress())),
      m_pDownloadDlg(std::make_unique<CDownloadDatabaseDlg>(
          config.cacheDir, config.dataDir, CDownloadDatabaseDlg::kMaxPackageBytes, config.limits)) {
    BuildControls();
    // Initialisation: both icons (the project's own art, as the player's), the progress bar
    // disabled at 0 of 0..100, status "Ready".
    setWindowIcon(res::LoadIcon(res::kIconApp));
    m_pProgress->setEnabled(false);
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    SetStatus(Text(text::kStatusReady));
}

CTorvikDBUpdateDlg::~CTorvikDBUpdateDlg() {
    // The workers post to this dialog: they go first.
    m_pDownloadDlg.reset();
    m_pLoggingDlg.reset();
    m_pCheckDlg.reset();
}

void CTorvikDBUpdateDlg::BuildControls() {
    setWindowTitle(Text(text::kUpdaterDialogTitle));
    setObjectName(QStringLiteral("TorvikDBUpdateDlg"));

    auto* frame = new QGroupBox(this);
    auto* intro = new QLabel(Text(text::kUpdaterIntro), frame);
    intro->setWordWrap(true);
    auto* warning = new QLabel(Text(text::kUpdaterWarning), frame);
    warning->setWordWrap(true);

    m_pProgress = new QProgressBar(frame);
    m_pProgress->setObjectName(Id(IDC_PROGRESS));
    m_pProgress->setTextVisible(false);

    auto* caption = new QLabel(Text(text::kStatusCaption), frame);
    caption->setObjectName(Id(IDC_STATUS_CAPTION));
    // The template's text, replaced as soon as the dialog is initialised.
    m_pStatus = new QLabel(Text(text::kStatusIdling), frame);
    m_pStatus->setObjectName(Id(IDC_STATUS));
    m_pStatus->setWordWrap(true);
    m_pStatus->setMinimumHeight(2 * m_pStatus->fontMetrics().lineSpacing());
    m_pStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_pStart = new QPushButton(Text(text::kStartUpdate), this);
    m_pStart->setObjectName(Id(IDOK));
    m_pStart->setDefault(true);
    m_pCancel = new QPushButton(Text(text::kCancelUpdate), this);
    m_pCancel->setObjectName(Id(IDCANCEL));
    m_pCancel->setAutoDefault(false);
    connect(m_pStart, &QPushButton::clicked, this, &CTorvikDBUpdateDlg::OnStartUpdate);
    connect(m_pCancel, &QPushButton::clicked, this, &CTorvikDBUpdateDlg::reject);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(caption, 0, Qt::AlignTop);
    statusRow->addWidget(m_pStatus, 1);
    auto* inside = new QVBoxLayout(frame);
    inside->addWidget(intro);
    inside->addSpacing(6);
    inside->addWidget(warning);
    inside->addStretch(1);
    inside->addWidget(m_pProgress);
    inside->addLayout(statusRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pStart);
    buttons->addWidget(m_pCancel);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame, 1);
    outer->addLayout(buttons);

    // 233 x 170 dialog units at the classic 8-point dialog font: about 350 x 276 pixels; wider
    // fonts may need more, never less. Like any dialog of its kind it keeps its size.
    setFixedSize(QSize(350, 276).expandedTo(sizeHint()));
}

void CTorvikDBUpdateDlg::BringToFront() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void CTorvikDBUpdateDlg::SetStatus(const QString& status) {
    m_strStatus = status;
    m_pStatus->setText(m_strStatus);
    qCInfo(lcUpdater).noquote() << "status:" << status;
    Q_EMIT StatusChanged(status);
}

void CTorvikDBUpdateDlg::SetProgress(int position) {
    m_pProgress->setValue(position);
    qCDebug(lcUpdater) << "progress:" << m_pProgress->value();
}

void CTorvikDBUpdateDlg::OnProgress(int amount, int mode) {
    if (mode == 0) {
        SetProgress(amount);
    } else {
        m_nStep = amount;
        SetProgress(m_pProgress->value() + m_nStep);
    }
}

bool CTorvikDBUpdateDlg::Pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return m_bUpdating;
}

void CTorvikDBUpdateDlg::OnStartUpdate() {
    if (m_bUpdating)
        return;
    // A player that is not running, or does not answer, is no reason to stop: if it still holds
    // the database, the merge says so.
    if (m_closePlayer)
        m_closePlayer();

    // Cancel stays usable throughout: a server that stalls must not hold the user.
    m_bUpdating = true;
    m_strFailureReason.clear();
    m_pCancel->setEnabled(true);
    m_pProgress->setEnabled(true);
    m_pStart->setEnabled(false);
    SetStatus(Text(text::kStatusStarting));
    if (!Pause(kStepPauseMs))
        return;

    SetProgress(3);
    m_pCheckDlg->Start(this, m_config.CheckAddress());
    SetStatus(Text(text::kStatusChecking));
}

void CTorvikDBUpdateDlg::OnUpdateChecked(const QString& serverVersion,
                                         const QString& packageAddress) {
    if (!m_bUpdating)
        return;
    const std::int32_t server = LeadingInt(serverVersion);
    const std::int32_t user = LeadingInt(m_strDBVersion);
    qCInfo(lcUpdater) << "edition here" << user << "on the server" << server;
    if (user < server) {
        m_nServerVersion = server;
        SetStatus(Text(text::kStatusUpdatesAvailable));
        SetProgress(20);
        m_pLoggingDlg->Start(this, user, server);
        if (!Pause(kStepPauseMs))
            return;
        SetStatus(Text(text::kStatusInitializingDownload));
        if (!Pause(kStepPauseMs))
            return;
        m_pDownloadDlg->Start(this, packageAddress);
    } else {
        SetProgress(100);
        SetStatus(Text(text::kStatusAlreadyLatest));
        Finish();
    }
}

void CTorvikDBUpdateDlg::OnUpdateCheckFailed() {
    if (!m_bUpdating)
        return;
    ResetAfterError(ErrorTexts().check);
    ShowFailureReason(text::kCheckFailedBecause);
}

void CTorvikDBUpdateDlg::OnDownloadFailed() {
    if (!m_bUpdating)
        return;
    ResetAfterError(ErrorTexts().download);
    ShowFailureReason(text::kDownloadFailedBecause);
}

void CTorvikDBUpdateDlg::ShowFailureReason(const char* frame) {
    const QString reason = std::exchange(m_strFailureReason, QString());
    if (reason.isEmpty())
        return;
    const QString message = Text(frame) + reason;
    qCWarning(lcUpdater).noquote() << message;
    platform::ShowMessageBox(this, message, platform::MsgButtons::Ok, platform::MsgIcon::Error);
}

void CTorvikDBUpdateDlg::OnDownloadSucceeded(const QString& packagePath) {
    if (!m_bUpdating)
        return;
    m_pCancel->setEnabled(true);
    SetProgress(90);
    SetStatus(Text(text::kStatusDownloadCompleted));
    if (!Pause(kStepPauseMs))
        return;

    // A package that does not give a sound, newer edition, exactly the announced one, is
    // refused and goes: nothing of it stays on disk.
    if (!Extract(packagePath, m_config) ||
        !CheckNewEdition(m_config, m_nServerVersion, LeadingInt(m_strDBVersion))) {
        QFile::remove(packagePath);
        QFile::remove(m_config.NewDatabasePath());
        ResetAfterError(Text(text::kExtractError));
        return;
    }
    SetProgress(92);
    QFile::remove(packagePath);

    if (!Merge(m_config, [this](int position) { SetProgress(position); })) {
        ResetAfterError(ErrorTexts().merge);
        return;
    }
    SetProgress(96);
    if (!ReplaceDatabase(m_config)) {
        ResetAfterError(ErrorTexts().copy);
        return;
    }
    SetProgress(100);
    SetStatus(Text(text::kStatusCompleted));
    Finish();
}

void CTorvikDBUpdateDlg::Finish() {
    m_pCancel->setText(Text(text::kCloseUpdates));
    m_pCancel->setEnabled(true);
    m_bUpdating = false;
}

void CTorvikDBUpdateDlg::ResetAfterError(const QString& status) {
    SetStatus(status);
    m_bUpdating = false;
    m_pCancel->setEnabled(true);
    m_pCancel->setFocus();
    m_pCancel->setText(Text(text::kCloseUpdates));
    m_pStart->setEnabled(true);
}

void CTorvikDBUpdateDlg::reject() {
    if (!m_bUpdating) {
        QDialog::reject();
        return;
    }
    platform::MessageBoxRequest question;
    question.owner = this;
    question.text = Text(text::kQuitUpdateQuestion);
    question.buttons = platform::MsgButtons::YesNo;
    // The workers go on while the question is open; the results they deliver meanwhile wait
    // for the answer, so that a download finishing just then cannot replace the database of a
    // user who is about to say Yes.
    m_bAsking = true;
    const int answer = platform::ShowMessageBox(question);
    m_bAsking = false;
    std::vector<std::unique_ptr<QEvent>> held = std::move(m_held);
    m_held.clear();
    if (answer != platform::kIdYes) {
        for (auto& event : held) {
            platform::ReleaseEvent(event.get());
            QCoreApplication::postEvent(this, event.release());
        }
        return;
    }
    m_bUpdating = false;
    m_pDownloadDlg->Cancel();
    // The dialog closes: its requests end now rather than at their next block or timeout.
    m_pCheckDlg->Stop();
    m_pLoggingDlg->Stop();
    m_pDownloadDlg->Stop();
    QFile::remove(m_config.NewDatabasePath());
    qCInfo(lcUpdater) << "update cancelled by the user";
    QDialog::reject();
}

void CTorvikDBUpdateDlg::customEvent(QEvent* event) {
    const UpdaterMessage* m = AsUpdaterMessage(event);
    if (!m)
        return;
    const int message = m->Message();
    if (m_bAsking && (message == WM_UPDATE_CHECKED || message == WM_UPDATE_CHECK_FAILED ||
                      message == WM_DOWNLOAD_SUCCEEDED || message == WM_DOWNLOAD_FAILED)) {
        m_held.push_back(std::make_unique<UpdaterMessage>(message, m->First(), m->Second(),
                                                          m->WParam(), m->LParam()));
        return;
    }
    switch (message) {
        case WM_PROGRESS:
            OnProgress(int(m->WParam()), int(m->LParam()));
            break;
        case WM_STATUS_TEXT:
            SetStatus(m->First());
            break;
        case WM_FAILURE_REASON:
            m_strFailureReason = m->First();
            break;
        case WM_UPDATE_CHECKED:
            OnUpdateChecked(m->First(), m->Second());
            break;
        case WM_UPDATE_CHECK_FAILED:
            OnUpdateCheckFailed();
            break;
        case WM_DOWNLOAD_SUCCEEDED:
            OnDownloadSucceeded(m->First());
            break;
        case WM_DOWNLOAD_FAILED:
            OnDownloadFailed();
            break;
        default:
            break;
    }
}

}  // namespace velotune
