// The playback half of the command centre: starting, stopping, pausing and recording through the
// two engines, the engines' status reports, and walking the current list.
#include "playback/command_centre.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <QWidget>
#include <utility>

#include "platform/appdirs/appdirs.h"
#include "platform/filedialog/filedialog.h"
#include "platform/msgbox/msgbox.h"
#include "platform/winmsg/winmsg.h"
#include "playback/controller_log.h"
#include "playback/engine_ports.h"
#include "res/texts.h"

Q_LOGGING_CATEGORY(lcController, "velotune.controller")

namespace velotune {
namespace {

// The notice a status report leaves for the user-interface thread: wParam the notification
// code, lParam the status.
constexpr int kStatusNotice = platform::kWmApp + 0x7F0;
// The notice's code when the stream of a start ended before it ever played.
constexpr int kStartFailedCode = 0;
// The notice a title report leaves for the user-interface thread.
constexpr int kTitleNotice = platform::kWmApp + 0x7F1;
// The notice of a failed recording: the message to show, in the event itself.
constexpr int kRecordingFailedNotice = platform::kWmApp + 0x7F2;

class TextMessage final : public platform::WindowMessage {
public:
    TextMessage(int message, QString text) : WindowMessage(message, 0, 0), text_(std::move(text)) {}
    const QString& Body() const { return text_; }

private:
    QString text_;
};

QString Text(const char* text) {
    return QString::fromUtf8(text);
}
QString Padded(const QString& text) {
    return text + Text(text::kDisplayPad);
}

// Which engine a station's stream format selects.
int EngineForFormat(const QString& format) {
    if (format.compare(QStringLiteral("Real"), Qt::CaseInsensitive) == 0)
        return CTorvikCommandCentre::kEngineRealSystem;
    if (format.compare(QStringLiteral("WMP"), Qt::CaseInsensitive) == 0)
        return CTorvikCommandCentre::kEngineWindowsMedia;
    return CTorvikCommandCentre::kEngineNone;
}

// Which engine a file's extension (the text after the first "." of its name) selects. Only the
// first character decides for RealSystem (ra, ram, rm), the first three for Windows Media; both
// comparisons are case-sensitive, as the engines are only known to play those lower-case kinds.
// The common audio kinds, which the Windows Media engine decodes with FFmpeg, go by the text
// after the name's last "." ("my.song.mp3"), in lower case as well.
int EngineForExtension(const QString& extension) {
    if (extension.startsWith(QLatin1Char('r')))
        return CTorvikCommandCentre::kEngineRealSystem;
    if (extension.startsWith(QStringLiteral("wma")))
        return CTorvikCommandCentre::kEngineWindowsMedia;
    static const QStringList kDecodedKinds = {QStringLiteral("mp3"),  QStringLiteral("ogg"),
                                              QStringLiteral("oga"),  QStringLiteral("opus"),
                                              QStringLiteral("flac"), QStringLiteral("m4a"),
                                              QStringLiteral("aac"),  QStringLiteral("wav")};
    if (kDecodedKinds.contains(extension.section(QLatin1Char('.'), -1)))
        return CTorvikCommandCentre::kEngineWindowsMedia;
    return CTorvikCommandCentre::kEngineNone;
}

}  // namespace

// Each engine reports through its own sink, so the controller knows which engine a report comes
// from.
class CTorvikCommandCentre::EngineSink final : public IPlaybackStatusSink {
public:
    EngineSink(CTorvikCommandCentre& controller, int engine)
        : controller_(controller), engine_(engine) {}
    void SetPlaybackStatus(int status) override { controller_.ReportFrom(engine_, status); }
    void RecordingFailed(const std::string& path, const std::string& reason) override {
        controller_.ReportRecordingFailure(QString::fromStdString(path),
                                           QString::fromStdString(reason));
    }
    void SetStreamTitle(const QString& title) override {
        // Only the current engine's stream is what the windows show.
        if (engine_ == controller_.currentEngine_.load())
            controller_.SetStreamTitle(title);
    }

private:
    CTorvikCommandCentre& controller_;
    const int engine_;
};

// Receives the notices of status reports on the user-interface thread.
class CTorvikCommandCentre::StatusRelay final : public QObject {
public:
    explicit StatusRelay(CTorvikCommandCentre& controller) : controller_(controller) {}

protected:
    void customEvent(QEvent* event) override {
        const platform::WindowMessage* message = platform::AsWindowMessage(event);
        if (message && message->Message() == kStatusNotice)
            controller_.DeliverStatus(static_cast<int>(message->WParam()),
                                      static_cast<int>(message->LParam()));
        else if (message && message->Message() == kTitleNotice)
            controller_.DeliverTitle();
        else if (const auto* notice = dynamic_cast<const TextMessage*>(message))
            platform::ShowMessageBox(notice->Body());
    }

private:
    CTorvikCommandCentre& controller_;
};

CTorvikCommandCentre::CTorvikCommandCentre(CommandCentreSetup setup)
    : setup_(std::move(setup)),
      relay_(std::make_unique<StatusRelay>(*this)),
      wmSink_(std::make_unique<EngineSink>(*this, kEngineWindowsMedia)),
      realSink_(std::make_unique<EngineSink>(*this, kEngineRealSystem)) {
    if (setup_.programDirectory.isEmpty())
        setup_.programDirectory = platform::ProgramDirectory();
    if (setup_.dataDirectory.isEmpty())
        setup_.dataDirectory = platform::DataDirectory();
    wmEngine_ = MakeWindowsMediaEngine(*wmSink_);
    realEngine_ = MakeRealSystemEngine(*realSink_);
    if (setup_.makeUsageReporter)
        reporter_ = setup_.makeUsageReporter(*this);
}

CTorvikCommandCentre::~CTorvikCommandCentre() {
    // The engines go first: after this no report can arrive.
    wmEngine_.reset();
    realEngine_.reset();
    database_.CloseDatabase();
    if (IListWindow* window = std::exchange(playlistWindow_, nullptr))
        delete window;
    if (IListWindow* window = std::exchange(fileListWindow_, nullptr))
        delete window;
    systemMenu_.reset();
    openMenu_.reset();
    if (trayIcon_ && trayIconShown_)
        trayIcon_->RemoveIcon();
    trayIcon_.reset();
    reporter_.reset();
}

void CTorvikCommandCentre::SetMainWindow(IMainWindow* window) {
    mainWindow_ = window;
}

// ---- Engine reports ----------------------------------------------------------------------------

void CTorvikCommandCentre::ReportFrom(int engine, int status) {
    // An engine that is no longer the current one is letting go of a stream that has been
    // replaced; what it says is not about the playback the windows show.
    if (engine != currentEngine_.load()) {
        qCDebug(lcController) << "status" << status << "of a replaced engine" << engine;
        return;
    }
    // While the user-interface thread is inside the engine's start call, the engine is closing
    // the stream it played before (or a failed attempt at the new one): its closing reports end
    // that stream's flags but say nothing the windows should show, and the start is still under
    // way. The start's own result decides what the screen shows.
    if (starting_.load() && (status == kStatusClosed || status == kStatusStopped)) {
        if (ownerSet_.load()) {
            playing_ = 0;
            recording_ = 0;
            status_ = status;
        }
        return;
    }
    SetPlaybackStatus(status);
}

void CTorvikCommandCentre::ReportRecordingFailure(const QString& path, const QString& reason) {
    auto* notice =
        new TextMessage(kRecordingFailedNotice, Text(text::kRecordingFailed).arg(path, reason));
    platform::ReleaseEvent(notice);
    QCoreApplication::postEvent(relay_.get(), notice);
}

void CTorvikCommandCentre::SetPlaybackStatus(int status) {
    if (!ownerSet_.load())
        return;
    int code = 0;
    switch (status) {
        case kStatusClosed:
            playing_ = 0;
            recording_ = 0;
            code = PLAYER_CLOSED;
            break;
        case kStatusLive:
            tuning_ = 0;
            code = PLAYER_TUNED;
            break;
        case kStatusFile:
            tuning_ = 0;
            code = PLAYER_FILE_PLAYING;
            break;
        case kStatusStopped:
            playing_ = 0;
            recording_ = 0;
            // While a new start is under way the old stream's closing reports only end the
            // tuning; the windows must not fall back to the stopped state in between.
            if (tuning_.exchange(0) == 0) {
                playingStationIndex_ = 0;
                code = PLAYER_STOPPED;
            } else if (!starting_.load()) {
                // The engine accepted the address, and the stream ended before it ever played:
                // that start failed after all.
                playingStationIndex_ = 0;
                status_ = status;
                platform::PostWindowMessage(relay_.get(), kStatusNotice, kStartFailedCode, status);
                return;
            }
            break;
        case kStatusBuffering:
            tuning_ = 0;
            code = PLAYER_BUFFERING;
            break;
        case kStatusReconnecting:
            // Still playing as far as every control is concerned (Stop ends the attempts); only
            // the display line tells.
            platform::PostWindowMessage(relay_.get(), kStatusNotice, PLAYER_RECONNECTING, status);
            return;
        default:
            qCWarning(lcController) << "unknown playback status" << status;
            return;
    }
    status_ = status;
    if (code)
        platform::PostWindowMessage(relay_.get(), kStatusNotice, code, status);
}

void CTorvikCommandCentre::DeliverStatus(int code, int status) {
    if (code == kStartFailedCode) {
        qCWarning(lcController).noquote()
            << "the stream of" << startName_ << "ended before it played";
        if (listMode_ == kFileListMode)
            playingFileIndex_ = 0;
        StartFailed(startShown_, startName_, nullptr);
        // The owner leaves its waiting state as it does after a stop.
        if (owner_)
            platform::PostWindowMessage(owner_, WM_PLAYER_STATUS, PLAYER_STOPPED, 0);
        return;
    }
    if (owner_)
        platform::PostWindowMessage(owner_, WM_PLAYER_STATUS, code, 0);
    if (status == kStatusStopped)
        ClearTitle();
    if (status == kStatusLive || status == kStatusFile)
        RunUsageHandOver();
    NotifyChanged();
}

void CTorvikCommandCentre::SetStreamTitle(const QString& title) {
    {
        std::lock_guard lock(titleMutex_);
        if (streamTitle_ == title)
            return;
        streamTitle_ = title;
    }
    platform::PostWindowMessage(relay_.get(), kTitleNotice, 0, 0);
}

QString CTorvikCommandCentre::NowPlayingTitle() const {
    if (!playing_.load())
        return {};
    std::lock_guard lock(titleMutex_);
    return streamTitle_;
}

void CTorvikCommandCentre::ClearTitle() {
    {
        std::lock_guard lock(titleMutex_);
        streamTitle_.clear();
    }
    DeliverTitle();
}

void CTorvikCommandCentre::DeliverTitle() {
    const QString title = NowPlayingTitle();
    if (title == shownTitle_)
        return;
    shownTitle_ = title;
    if (trayIcon_) {
        const QString product = Text(text::kTrayIconTip);
        trayIcon_->SetTip(title.isEmpty() ? product : product + QStringLiteral(" - ") + title);
    }
    if (mainWindow_)
        mainWindow_->TitleChanged();
    NotifyChanged();
}

void CTorvikCommandCentre::NotifyChanged() {
    if (changeListener_)
        changeListener_();
}

void CTorvikCommandCentre::RunUsageHandOver() {
    if (hitDelivered_ || hitPending_ || reportDelivered_ || reportPending_)
        return;
    if (!reporter_) {
        qCDebug(lcController) << "no usage reporter; nothing reported";
        return;
    }
    hitDelivered_ = reporter_->IsHitDelivered() ? 1 : 0;
    if (!hitDelivered_) {
        hitPending_ = 1;
        if (!reporter_->SendHit())
            hitPending_ = 0;  // nothing runs that would clear it
        return;
    }
    reportDelivered_ = reporter_->IsReportDelivered() ? 1 : 0;
    if (!reportDelivered_ && reporter_->StartCount() >= 10) {
        reportPending_ = 1;
        if (!reporter_->SendUsage())
            reportPending_ = 0;
    }
}

// ---- Starting ----------------------------------------------------------------------------------

int CTorvikCommandCentre::ResolveStation(int stationId, CRadioSet* station) {
    int radioId = stationId;
    if (radioId == 0) {
        if (selectedStationIndex_ == 0)
            return kCcNothingToActOn;
        radioId = ItemDataOf(kPlaylistMode, selectedStationIndex_);
    }
    bool exists = false;
    if (radioId <= 0 || database_.StationExists(radioId, exists) != kDbOk || !exists)
        return kCcNothingToActOn;
    if (database_.GetStation(radioId, *station) != kDbOk)
        return kCcNothingToActOn;
    return kCcOk;
}

void CTorvikCommandCentre::ShowBusyScreen(const QString& text, bool disableRecordAndOpen,
                                          bool disableListButtons) {
    if (!mainWindow_)
        return;
    mainWindow_->EnableControl(kIdPlay, false);
    mainWindow_->EnableControl(kIdMiniPlay, false);
    if (disableRecordAndOpen) {
        mainWindow_->EnableControl(kIdRecord, false);
        mainWindow_->EnableControl(kIdOpenEx, false);
    }
    mainWindow_->EnableControl(kIdStop, true);
    mainWindow_->EnableControl(kIdMiniStop, true);
    mainWindow_->SetDisplayText(Padded(text));
    mainWindow_->DisablePresets();
    if (disableListButtons) {
        if (IListWindow* list = CurrentListWindow()) {
            list->EnableControl(kIdRemove, false);
            list->EnableControl(kIdUp, false);
            list->EnableControl(kIdDown, false);
        }
    }
}

void CTorvikCommandCentre::FailureSteps(bool shown, const QString& name) {
    status_ = kStatusStopped;
    if (!shown || name.isEmpty() || !mainWindow_)
        return;
    mainWindow_->EnableControl(kIdPlay, true);
    mainWindow_->EnableControl(kIdMiniPlay, true);
    mainWindow_->EnableControl(kIdRecord, true);
    mainWindow_->EnableControl(kIdOpenEx, true);
    mainWindow_->EnableControl(kIdStop, false);
    mainWindow_->EnableControl(kIdMiniStop, false);
    const char* failure =
        listMode_ == kFileListMode ? text::kFailedToPlayback : text::kFailedToConnectToStation;
    mainWindow_->SetDisplayText(Padded(Text(failure) + name));
    mainWindow_->UpdatePresets(1);
    if (IListWindow* list = CurrentListWindow()) {
        list->EnableControl(kIdRemove, true);
        list->EnableControl(kIdUp, true);
        list->EnableControl(kIdDown, true);
    }
}

void CTorvikCommandCentre::ApplyVolume() {
    if (mainWindow_)
        SetVolume(100 - mainWindow_->VolumePosition());
}

bool CTorvikCommandCentre::LoadWindowsMedia() {
    if (windowsMediaLoaded_)
        return true;
    windowsMediaLoaded_ = 1;
    const long result = wmEngine_->Initialise();
    if (result >= 0)
        return true;
    windowsMediaLoaded_ = 0;
    qCWarning(lcController) << "the media runtime did not initialise:" << Qt::hex << result;
    return false;
}

// Shows why the Windows Media engine cannot be used, as a box of the window that asked to play.
static void ShowMediaRuntimeMissing(QObject* owner) {
    platform::ShowMessageBox(qobject_cast<QWidget*>(owner),
                             Text(text::kMediaRuntimeMissing) + QStringLiteral("\n\n") +
                                 Text(text::kMediaRuntimeDownloadPrefix) +
                                 Text(text::kMediaRuntimeDownloadPage) +
                                 Text(text::kMediaRuntimeDownloadSuffix));
}

// Makes engine the current one and lets the other engine's stream go.
void CTorvikCommandCentre::SwitchEngine(int engine) {
    const int previous = currentEngine_.exchange(engine);
    if (previous != engine) {
        // The other engine's title is not about what plays next.
        std::lock_guard lock(titleMutex_);
        streamTitle_.clear();
    }
    if (previous != engine && previous != kEngineNone) {
        // The replaced engine's closing reports are ignored from now on, so its stream's flags
        // end here.
        playing_ = 0;
        recording_ = 0;
    }
    if (engine != kEngineRealSystem)
        realEngine_->Stop();
    if (engine != kEngineWindowsMedia && windowsMediaLoaded_)
        wmEngine_->StopPlayback();
    if (engine == kEngineWindowsMedia) {
        // Read at every start, so that a change in the Options dialog counts from the next one.
        int reconnect = CSettingsStore::kDefaultReconnect;
        settings_.ReadReconnect(&reconnect);
        wmEngine_->SetReconnect(reconnect != 0);
    }
}

// The owner is set before the engine is asked to start, so that the first reports of the new
// stream, which may arrive before the start call returns, reach it.
void CTorvikCommandCentre::SetOwner(QObject* owner) {
    owner_ = owner;
    ownerSet_ = true;
}

bool CTorvikCommandCentre::StartEngine(const std::function<bool()>& start) {
    ++starting_;
    stoppedWhileStarting_ = false;
    const bool started = start();
    --starting_;
    return started;
}

void CTorvikCommandCentre::NoteStart(bool shown, const QString& name) {
    startShown_ = shown;
    startName_ = name;
}

void CTorvikCommandCentre::StartFailed(bool shown, const QString& name, QObject* owner) {
    const bool stopped = std::exchange(stoppedWhileStarting_, false);
    FailureSteps(shown, name);
    if (!stopped || !owner)
        return;
    tuning_ = 0;
    status_ = kStatusStopped;
    platform::PostWindowMessage(owner, WM_PLAYER_STATUS, PLAYER_STOPPED, 0);
}

int CTorvikCommandCentre::Play(int stationId, QObject* owner) {
    const int statusAtEntry = status_.exchange(kStatusBuffering);
    const int tuningAtEntry = tuning_.exchange(1);
    const int selectedAtEntry = selectedStationIndex_;

    CRadioSet station;
    if (ResolveStation(stationId, &station) != kCcOk) {
        // Nothing was started: the playback that may be running goes on as it was.
        status_ = statusAtEntry;
        tuning_ = tuningAtEntry;
        return kCcNothingToActOn;
    }
    const QString name = station.m_StationName;

    bool shown = false;
    if (mainWindow_ && owner == mainWindow_->Widget()) {
        ShowBusyScreen(Text(text::kTuningTo) + name + Text(text::kPleaseWait), true, true);
        shown = true;
    }
    ApplyVolume();

    const QString url = station.m_StreamURL;
    const int engine = EngineForFormat(station.m_StreamFormat);
    bool started = false;
    if (engine == kEngineWindowsMedia) {
        if (!LoadWindowsMedia()) {
            FailureSteps(shown, name);
            ShowMediaRuntimeMissing(owner);
            return kCcPlaybackFailed;
        }
        SwitchEngine(engine);
        SetOwner(owner);
        NoteStart(shown, name);
        started = StartEngine([&] { return wmEngine_->OpenAndStart(url) == 0; });
    } else if (engine == kEngineRealSystem) {
        SwitchEngine(engine);
        SetOwner(owner);
        NoteStart(shown, name);
        started = StartEngine([&] { return realEngine_->Play(url) != 0; });
        // A stream that failed while the start was under way ended unseen: a failed start.
        started = started && !realEngine_->HasEnded();
    } else {
        // No engine plays this station; the one that played before stops as well, since the
        // screen is about to show the idle state.
        SwitchEngine(kEngineNone);
        qCWarning(lcController).noquote()
            << "CTorvikCommandCentre::Play: no engine for the format" << station.m_StreamFormat;
    }

    if (started) {
        playingStationIndex_ = selectedAtEntry;
        owner_ = owner;
        playing_ = 1;
        playingFileIndex_ = 0;
        return kCcOk;
    }
    qCWarning(lcController).noquote() << "CTorvikCommandCentre::Play: Failed to playback" << url;
    playingStationIndex_ = 0;
    StartFailed(shown, name, owner);
    return kCcPlaybackFailed;
}

int CTorvikCommandCentre::PlayFile(int row) {
    if (row == -1)
        return kCcNothingToActOn;
    QStringList entries;
    if (!settings_.ReadFileEntries(&entries))
        return kCcNothingToActOn;
    const int position = ItemDataOf(kFileListMode, row);
    if (position < 1 || position > entries.size())
        return kCcNothingToActOn;
    const QString entry = entries.at(position - 1);
    const qsizetype split = entry.indexOf(Text(text::kFileEntrySeparator));
    if (split <= 0)
        return kCcNothingToActOn;
    const QString name = entry.left(split);
    const QString path = entry.mid(split + 2);

    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot == 0)
        return kCcNothingToActOn;
    const QString extension = dot < 0 ? name : name.mid(dot + 1);
    const int engine = EngineForExtension(extension);
    if (engine == kEngineNone) {
        FailureSteps(true, name);
        platform::ShowMessageBox(mainWindow_ ? mainWindow_->Widget() : nullptr,
                                 Text(text::kUnsupportedExtension) + QStringLiteral("\".") +
                                     extension + QStringLiteral("\"\n") +
                                     Text(text::kUseSupportedExtensions));
        playingFileIndex_ = 0;
        return kCcPlaybackFailed;
    }

    if (!AcceptRegularFile(path)) {
        FailureSteps(true, name);
        playingFileIndex_ = 0;
        return kCcPlaybackFailed;
    }

    if (mainWindow_) {
        mainWindow_->EnableControl(kIdPlay, false);
        mainWindow_->EnableControl(kIdMiniPlay, false);
        mainWindow_->EnableControl(kIdStop, true);
        mainWindow_->EnableControl(kIdMiniStop, true);
        mainWindow_->SetDisplayText(Padded(Text(text::kOpening) + name + Text(text::kPleaseWait)));
        mainWindow_->DisablePresets();
    }
    ApplyVolume();

    QObject* owner = mainWindow_ ? mainWindow_->Widget() : nullptr;
    bool started = false;
    if (engine == kEngineRealSystem) {
        SwitchEngine(engine);
        SetOwner(owner);
        NoteStart(true, name);
        started = StartEngine([&] { return realEngine_->Play(path) == 1; });
        started = started && !realEngine_->HasEnded();
    } else {
        if (!LoadWindowsMedia()) {
            FailureSteps(true, name);
            ShowMediaRuntimeMissing(mainWindow_ ? mainWindow_->Widget() : nullptr);
            playingFileIndex_ = 0;
            return kCcPlaybackFailed;
        }
        SwitchEngine(engine);
        SetOwner(owner);
        NoteStart(true, name);
        started = StartEngine([&] { return wmEngine_->OpenAndStart(path) == 0; });
    }

    if (started) {
        owner_ = owner;
        playing_ = 1;
        playingStationIndex_ = 0;
        playingFileIndex_ = row;
        return kCcOk;
    }
    qCWarning(lcController).noquote()
        << "CTorvikCommandCentre::PlayFile: Failed to playback" << path;
    StartFailed(true, name, owner);
    playingFileIndex_ = 0;
    return kCcPlaybackFailed;
}

int CTorvikCommandCentre::Stop() {
    // No start is under way any more: the closing reports of this stop must reach the windows,
    // also when it comes before the stream has begun to play.
    tuning_ = 0;
    if (starting_.load())
        stoppedWhileStarting_ = true;
    switch (currentEngine_.load()) {
        case kEngineWindowsMedia:
            return wmEngine_->StopPlayback() == 0 ? kCcOk : kCcPlaybackFailed;
        case kEngineRealSystem:
            realEngine_->Stop();
            return kCcOk;
        default:
            return kCcPlaybackFailed;
    }
}

int CTorvikCommandCentre::Record(int stationId) {
    const int statusAtEntry = status_.exchange(kStatusBuffering);
    const int tuningAtEntry = tuning_.exchange(1);
    const int selectedAtEntry = selectedStationIndex_;
    auto nothingStarted = [&] {
        status_ = statusAtEntry;
        tuning_ = tuningAtEntry;
    };

    CRadioSet station;
    if (ResolveStation(stationId, &station) != kCcOk) {
        nothingStarted();
        return kCcNothingToActOn;
    }
    const QString name = station.m_StationName;

    const int engine = EngineForFormat(station.m_StreamFormat);
    QString outputPath;
    if (engine == kEngineRealSystem) {
        platform::ShowMessageBox(mainWindow_ ? mainWindow_->Widget() : nullptr,
                                 Text(text::kRealCannotRecord));
        nothingStarted();
        return kCcOk;
    }
    if (engine == kEngineWindowsMedia) {
        platform::FileDialogRequest request;
        request.kind = platform::FileDialogKind::Save;
        request.defaultExtension = Text(text::kRecordExtension);
        request.filter = Text(text::kRecordFilter);
        request.options =
            platform::kOfnHideReadOnly | platform::kOfnOverwritePrompt | platform::kOfnEnableSizing;
        request.parent = mainWindow_ ? mainWindow_->Widget() : nullptr;
        outputPath = platform::ShowFileDialog(request);
        if (outputPath.isEmpty()) {
            nothingStarted();
            return kCcOk;
        }
    }

    ShowBusyScreen(Text(text::kTuningTo) + name + Text(text::kForRecordingPleaseWait), true, true);
    ApplyVolume();

    QObject* owner = mainWindow_ ? mainWindow_->Widget() : nullptr;
    bool started = false;
    if (engine == kEngineWindowsMedia) {
        if (!LoadWindowsMedia()) {
            FailureSteps(true, name);
            ShowMediaRuntimeMissing(mainWindow_ ? mainWindow_->Widget() : nullptr);
            return kCcPlaybackFailed;
        }
        SwitchEngine(engine);
        SetOwner(owner);
        NoteStart(true, name);
        started = StartEngine(
            [&] { return wmEngine_->StartRecording(station.m_StreamURL, outputPath) == 1; });
    } else {
        SwitchEngine(kEngineNone);
        qCWarning(lcController).noquote()
            << "CTorvikCommandCentre::Record: no engine for the format" << station.m_StreamFormat;
    }

    if (started) {
        playingStationIndex_ = selectedAtEntry;
        owner_ = owner;
        playingFileIndex_ = 0;
        playing_ = 1;
        recording_ = 1;
        return kCcOk;
    }
    playingStationIndex_ = 0;
    StartFailed(true, name, owner);
    return kCcPlaybackFailed;
}

void CTorvikCommandCentre::Pause(int mode) {
    switch (currentEngine_.load()) {
        case kEngineWindowsMedia:
            if (mode == 0)
                wmEngine_->PausePlayback();
            else
                wmEngine_->ResumePlayback();
            break;
        case kEngineRealSystem:
            if (mode == 0)
                realEngine_->Pause();
            else
                realEngine_->Resume();
            break;
        default:
            break;
    }
}

void CTorvikCommandCentre::SetVolume(int level) {
    // One volume for whatever plays.
    wmEngine_->SetVolume(level);
    realEngine_->SetVolume(level);
    NotifyChanged();
}

// ---- Rows --------------------------------------------------------------------------------------

int CTorvikCommandCentre::GetSelectedIndex() const {
    return listMode_ == kFileListMode ? selectedFileIndex_ : selectedStationIndex_;
}

int CTorvikCommandCentre::GetPlayingIndex() const {
    return listMode_ == kFileListMode ? playingFileIndex_ : playingStationIndex_.load();
}

void CTorvikCommandCentre::SetSelectedIndex(int row) {
    if (listMode_ == kFileListMode)
        selectedFileIndex_ = row;
    else
        selectedStationIndex_ = row;
}

void CTorvikCommandCentre::SetPlayingIndex(int row) {
    if (listMode_ == kFileListMode) {
        playingFileIndex_ = row;
        playingStationIndex_ = 0;
    } else {
        playingStationIndex_ = row;
        playingFileIndex_ = 0;
    }
}

void CTorvikCommandCentre::PostSelection(int row) {
    if (mainWindow_)
        platform::PostWindowMessage(mainWindow_->Widget(), WM_PLAYER_SELECTION, row, 0);
    NotifyChanged();
}

int CTorvikCommandCentre::MoveSelection(int step) {
    const int current = GetSelectedIndex();
    if (current == 0)
        return kCcNothingToActOn;
    int row = 0;
    if (listMode_ == kFileListMode) {
        QStringList entries;
        if (!settings_.ReadFileEntries(&entries))
            return kCcNothingToActOn;
        const int next = current + step;
        if (next >= 1 && next <= entries.size())
            row = next;
    } else {
        PlaylistList list;
        if (database_.LoadPlaylist(list) != kDbOk)
            return kCcNothingToActOn;
        const int index = current - 1 + step;  // the entry after / before the current one
        if (index >= 0 && index < list.size())
            row = list.at(index).m_PlaylistID;
    }
    if (row == 0)
        return kCcNothingToActOn;

    SetSelectedIndex(row);
    if (IListWindow* list = CurrentListWindow()) {
        list->EnableControl(kIdRemove, row != GetPlayingIndex());
        list->SelectRow(row);
    }
    PostSelection(row);
    return kCcOk;
}

int CTorvikCommandCentre::NextEntry() {
    return MoveSelection(1);
}
int CTorvikCommandCentre::PreviousEntry() {
    return MoveSelection(-1);
}

void CTorvikCommandCentre::GoToPlaying() {
    if (!playing_.load())
        return;
    const int row = GetPlayingIndex();
    SetSelectedIndex(row);
    SelectRow(row);
    if (playingFileIndex_)
        platform::PostWindowMessage(owner_, WM_PLAYER_STATUS, PLAYER_FILE_PLAYING, 0);
    else if (playingStationIndex_.load())
        platform::PostWindowMessage(owner_, WM_PLAYER_STATUS, PLAYER_TUNED, 0);
}

int CTorvikCommandCentre::PlaylistRowCount() {
    PlaylistList list;
    return database_.LoadPlaylist(list) == kDbOk ? static_cast<int>(list.size()) : 0;
}

int CTorvikCommandCentre::StationIdAt(int row) {
    return ItemDataOf(kPlaylistMode, row);
}

QString CTorvikCommandCentre::StationNameAt(int row) {
    const int radioId = StationIdAt(row);
    bool exists = false;
    CRadioSet station;
    if (radioId <= 0 || database_.StationExists(radioId, exists) != kDbOk || !exists ||
        database_.GetStation(radioId, station) != kDbOk)
        return {};
    return station.m_StationName;
}

}  // namespace velotune
