// The services half of the command centre: list windows, list edits, outside programs, the
// database, the tray icon and options, and leaving the program.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include "platform/filedialog/filedialog.h"
#include "platform/msgbox/msgbox.h"
#include "playback/command_centre.h"
#include "playback/controller_log.h"
#include "playback/docking.h"
#include "playback/engine_ports.h"
#include "res/texts.h"

namespace velotune {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

// The window's visible box on screen: the bounding box of its shape when it has one.
QRect VisibleBox(const QWidget* widget) {
    const QRect frame = widget->frameGeometry();
    const QRegion mask = widget->mask();
    if (mask.isEmpty())
        return frame;
    return mask.boundingRect().translated(widget->geometry().topLeft());
}

// Moves a window so that its visible box's top-left lands on boxTopLeft.
void MoveBoxTo(QWidget* widget, const QPoint& boxTopLeft) {
    const QPoint shift = VisibleBox(widget).topLeft() - widget->pos();
    widget->move(boxTopLeft - shift);
}

}  // namespace

// ---- List windows ------------------------------------------------------------------------------

IListWindow* CTorvikCommandCentre::CurrentListWindow() const {
    return listMode_ == kFileListMode ? fileListWindow_ : playlistWindow_;
}

IListWindow* CTorvikCommandCentre::EnsureListWindow(int mode, QWidget* owner) {
    IListWindow*& window = mode == kFileListMode ? fileListWindow_ : playlistWindow_;
    if (window)
        return window;
    if (!setup_.windows) {
        qCDebug(lcController) << "no list windows yet; the list window is not shown";
        return nullptr;
    }
    window = mode == kFileListMode ? setup_.windows->CreateFileListWindow(*this, owner)
                                   : setup_.windows->CreatePlaylistWindow(*this, owner);
    if (!window) {
        qCDebug(lcController) << "the list window could not be made";
        return nullptr;
    }
    // First placement: where it was last closed, else its top-left 3 pixels above the main
    // window's bottom, at its left edge.
    WindowRect stored;
    const int read = mode == kFileListMode ? settings_.ReadLocalPlaylistRect(&stored)
                                           : settings_.ReadPlaylistRect(&stored);
    if (read) {
        QWidget* widget = window->Widget();
        widget->move(PlaceOnScreens(QPoint(stored.left, stored.top), widget->size()));
    } else if (mainWindow_) {
        const QRect main = mainWindow_->Widget()->frameGeometry();
        window->Widget()->move(main.left(), main.y() + main.height() - 3);
    }
    return window;
}

void CTorvikCommandCentre::DockBelowMainWindow(IListWindow* window) {
    if (!mainWindow_)
        return;
    QWidget* main = mainWindow_->Widget();
    const QScreen* screen = main->screen();
    if (!screen)
        return;
    const QRect box = VisibleBox(main);
    const QRect place = DockingPlace(box, screen->geometry(), screen->availableGeometry());
    if (place == box)
        return;
    MoveBoxTo(main, place.topLeft());
    QWidget* list = window->Widget();
    MoveBoxTo(list, QPoint(VisibleBox(list).x(), place.y() + place.height()));
}

void CTorvikCommandCentre::ShowListWindow(int mode, QWidget* owner, int show) {
    if (!show) {
        IListWindow* window = mode == kFileListMode ? fileListWindow_ : playlistWindow_;
        if (window)
            window->Widget()->hide();
        UpdateOpenButtonTip();
        return;
    }
    IListWindow* window = EnsureListWindow(mode, owner);
    if (!window)
        return;
    IListWindow* other = mode == kFileListMode ? playlistWindow_ : fileListWindow_;
    if (other && other->Widget()->isVisible())
        other->Widget()->hide();
    if (window->IsBottomBound())
        DockBelowMainWindow(window);
    window->Widget()->show();
    SetListMode(mode);
}

void CTorvikCommandCentre::SetListMode(int mode) {
    mode = mode == kFileListMode ? kFileListMode : kPlaylistMode;
    const bool changed = mode != listMode_;
    listMode_ = mode;
    UpdateOpenButtonTip();
    if (changed && mainWindow_)
        mainWindow_->ShowCurrentList();
}

void CTorvikCommandCentre::ShowFileList(QWidget* owner, int show) {
    ShowListWindow(kFileListMode, owner, show);
}

void CTorvikCommandCentre::ShowPlaylist(QWidget* owner, int show) {
    ShowListWindow(kPlaylistMode, owner, show);
}

void CTorvikCommandCentre::ShowList(QWidget* owner, int which) {
    if (which == 0) {
        ShowListWindow(kPlaylistMode, owner, 0);
        ShowListWindow(kFileListMode, owner, 0);
    } else {
        ShowListWindow(listMode_, owner, 1);
    }
}

bool CTorvikCommandCentre::IsListVisible() const {
    IListWindow* window = CurrentListWindow();
    return window && window->Widget()->isVisible();
}

void CTorvikCommandCentre::MoveListWindows(const QPoint& oldPos, const QPoint& newPos,
                                           int onlyDockedBelow) {
    const QPoint offset = newPos - oldPos;
    for (IListWindow* window : {playlistWindow_, fileListWindow_}) {
        if (!window || !window->IsBound() || (onlyDockedBelow && !window->IsBottomBound()))
            continue;
        QWidget* widget = window->Widget();
        widget->move(widget->pos() + offset);
    }
}

void CTorvikCommandCentre::SelectRow(int row) {
    if (IListWindow* window = CurrentListWindow())
        window->SelectRow(row);
}

int CTorvikCommandCentre::RowToId(int row) {
    return ItemDataOf(listMode_, row);
}

// The item data of a row: asked of the list window when it exists; otherwise worked out from the
// stored list the window would show (playlist rows carry the RadioIDs of the playlist entries
// in their stored order, file list rows their own position).
int CTorvikCommandCentre::ItemDataOf(int mode, int row) {
    if (row <= 0)
        return 0;
    const IListWindow* window = mode == kFileListMode ? fileListWindow_ : playlistWindow_;
    if (window)
        return window->ItemData(row);
    if (mode == kFileListMode) {
        QStringList entries;
        return settings_.ReadFileEntries(&entries) && row <= entries.size() ? row : 0;
    }
    PlaylistList list;
    if (database_.LoadPlaylist(list) != kDbOk || row > list.size())
        return 0;
    return list.at(row - 1).m_RadioID;
}

void CTorvikCommandCentre::ListWindowDestroyed(IListWindow* window) {
    if (window == playlistWindow_)
        playlistWindow_ = nullptr;
    if (window == fileListWindow_)
        fileListWindow_ = nullptr;
}

void CTorvikCommandCentre::UpdateOpenButtonTip() {
    if (mainWindow_)
        mainWindow_->SetOpenButtonTip(
            Text(listMode_ == kFileListMode ? text::kOpenFilelistTip : text::kOpenPlaylistTip));
}

// ---- List edits --------------------------------------------------------------------------------

// After a list changed: refills its window; while playing the selection returns to the playing
// row (whose Remove button stays disabled), otherwise it is cleared; the main window hears of
// the new selection.
void CTorvikCommandCentre::RefillAndReselect(int mode) {
    IListWindow* window = mode == kFileListMode ? fileListWindow_ : playlistWindow_;
    if (window)
        window->Fill();
    int row = 0;
    if (playing_.load())
        row = mode == kFileListMode ? playingFileIndex_ : playingStationIndex_.load();
    if (mode == kFileListMode)
        selectedFileIndex_ = row;
    else
        selectedStationIndex_ = row;
    if (window) {
        window->SelectRow(row);
        window->EnableButtons(row != 0);
        if (row)
            window->EnableControl(kIdRemove, false);
    }
    PostSelection(row);
}

bool CTorvikCommandCentre::AcceptRegularFile(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return true;  // a missing file fails as such when it is played
    platform::ShowMessageBox(Text(text::kNotARegularFile).arg(path));
    return false;
}

int CTorvikCommandCentre::AddFile() {
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Open;
    request.defaultExtension = Text(text::kAddFileDefault);
    request.fileName = Text(text::kAddFileDefault);
    request.filter = Text(text::kAddFileFilter);
    request.options =
        platform::kOfnHideReadOnly | platform::kOfnOverwritePrompt | platform::kOfnEnableSizing;
    request.parent = mainWindow_ ? mainWindow_->Widget() : nullptr;
    const QString path = platform::ShowFileDialog(request);
    if (path.isEmpty())
        return kCcOk;
    if (!AcceptRegularFile(path))
        return kCcOk;
    const QFileInfo file(path);
    const QString entry =
        file.fileName() + Text(text::kFileEntrySeparator) + file.absoluteFilePath();
    if (!settings_.AddFileEntry(entry)) {
        qCWarning(lcController) << "the file list entry could not be stored:" << entry;
        return kCcSettingsWriteFailed;
    }
    RefillAndReselect(kFileListMode);
    if (mainWindow_)
        mainWindow_->DisablePresets();
    return kCcOk;
}

int CTorvikCommandCentre::RemoveFile() {
    const int row = selectedFileIndex_;
    if (row == 0)
        return kCcNothingToActOn;
    const int position = ItemDataOf(kFileListMode, row);
    if (position <= 0 || !settings_.RemoveFileEntry(position))
        return kCcNothingToActOn;
    // The rows below the removed one move up; the removed row itself plays no longer.
    if (playingFileIndex_ > row)
        --playingFileIndex_;
    else if (playingFileIndex_ == row)
        playingFileIndex_ = 0;
    RefillAndReselect(kFileListMode);
    if (mainWindow_)
        mainWindow_->DisablePresets();
    return kCcOk;
}

int CTorvikCommandCentre::AddStation() {
    if (!setup_.windows) {
        qCDebug(lcController) << "no station finder yet; no station added";
        return kCcOk;
    }
    const int playingRow = playing_.load() ? playingStationIndex_.load() : 0;
    const int playingId = playingRow ? ItemDataOf(kPlaylistMode, playingRow) : 0;
    if (!setup_.windows->RunStationFinder(*this, playingId))
        qCDebug(lcController) << "the station finder could not be shown";
    RefillAndReselect(kPlaylistMode);
    PlaylistChanged(1);
    return kCcOk;
}

void CTorvikCommandCentre::RenumberPlaylist(PlaylistList& list) {
    std::int32_t number = 0;
    for (CPlaylistSet& entry : list)
        entry.m_PlaylistID = ++number;
}

int CTorvikCommandCentre::RemoveStation() {
    const int row = selectedStationIndex_;
    if (row == 0)
        return kCcNothingToActOn;
    const int radioId = ItemDataOf(kPlaylistMode, row);
    if (radioId <= 0)
        return kCcNothingToActOn;

    CRadioSet station;
    int result = database_.GetStation(radioId, station);
    if (result != kDbOk)
        return result;
    station.m_Playlist = 0;
    if ((result = database_.UpdateStation(station)) != kDbOk)
        return result;
    if ((result = database_.RemovePlaylistEntry(radioId)) != kDbOk)
        return result;
    PlaylistList list;
    if ((result = database_.LoadPlaylist(list)) != kDbOk)
        return result;
    RenumberPlaylist(list);
    if ((result = database_.SavePlaylist(list)) != kDbOk)
        return result;

    const int playingRow = playingStationIndex_.load();
    if (playingRow > row)
        playingStationIndex_ = playingRow - 1;
    else if (playingRow == row)
        playingStationIndex_ = 0;
    RefillAndReselect(kPlaylistMode);
    PlaylistChanged(1);
    return kCcOk;
}

int CTorvikCommandCentre::StationInfo() {
    // A file has no station to show; the Info button says so.
    if (listMode_ == kFileListMode) {
        platform::ShowMessageBox(mainWindow_ ? mainWindow_->Widget() : nullptr,
                                 Text(text::kNoFileInformation));
        return kCcNothingToActOn;
    }
    const int row = selectedStationIndex_;
    if (row == 0)
        return kCcNothingToActOn;
    const int radioId = ItemDataOf(kPlaylistMode, row);
    if (radioId <= 0)
        return kCcNothingToActOn;
    if (!setup_.windows) {
        qCDebug(lcController) << "no station editor yet; station" << radioId << "not shown";
        return kCcOk;
    }
    if (setup_.windows->RunStationEditor(*this, radioId) && playlistWindow_)
        playlistWindow_->Fill();
    if (playlistWindow_)
        playlistWindow_->SelectRow(row);
    return kCcOk;
}

void CTorvikCommandCentre::PlaylistChanged(int refresh) {
    if (mainWindow_)
        mainWindow_->UpdatePresets(refresh);
}

// ---- Outside programs --------------------------------------------------------------------------

int CTorvikCommandCentre::StartUpdater() {
    std::int32_t version = 0;
    const int result = database_.GetDBVersion(version);
    if (result != kDbOk)
        return result;
    const QString program =
        setup_.programDirectory + QLatin1Char('/') + Text(text::kUpdaterProgram);
    const QStringList arguments{Text(text::kUpdaterVersionSwitch) + QString::number(version)};
    if (!QProcess::startDetached(program, arguments, setup_.programDirectory)) {
        qCWarning(lcController) << "cannot start" << program;
        return kCcUpdaterNotStarted;
    }
    return kCcOk;
}

void CTorvikCommandCentre::ShowHelp() {
    const QString page = setup_.programDirectory + QLatin1Char('/') + Text(text::kHelpFolder) +
                         QLatin1Char('/') + Text(text::kHelpFile);
    OpenWebPage(QUrl::fromLocalFile(page).toString());
}

void CTorvikCommandCentre::OpenWebPage(const QString& url) {
    if (!QDesktopServices::openUrl(QUrl(url)))
        platform::ShowMessageBox(Text(text::kNoBrowser));
}

// ---- Database ----------------------------------------------------------------------------------

int CTorvikCommandCentre::OpenDatabase() {
    return database_.OpenDatabase(setup_.dataDirectory + QLatin1Char('/') +
                                  Text(text::kDatabaseFile));
}

// ---- Tray icon, options, window state ----------------------------------------------------------

bool CTorvikCommandCentre::AddTrayIcon() {
    if (!trayIcon_) {
        if (!setup_.windows || !(trayIcon_ = setup_.windows->CreateTrayIcon(*this))) {
            qCDebug(lcController) << "no tray icon yet; none is shown";
            return false;
        }
    }
    if (!trayIcon_->AddIcon())
        return false;
    trayIconShown_ = 1;
    return true;
}

void CTorvikCommandCentre::RemoveTrayIcon() {
    if (trayIcon_)
        trayIcon_->RemoveIcon();
    trayIconShown_ = 0;
}

void CTorvikCommandCentre::ShowTrayIconAtStart() {
    int disabled = CSettingsStore::kDefaultTrayIcon;
    if (!settings_.ReadTrayIcon(&disabled)) {
        disabled = CSettingsStore::kDefaultTrayIcon;
        if (!settings_.WriteTrayIcon(disabled))
            platform::ShowMessageBox(Text(text::kRegistryWriteFailed) +
                                     QDir::toNativeSeparators(settings_.FilePath()));
    }
    if (disabled)
        return;
    if (!setup_.windows) {
        qCDebug(lcController) << "no tray icon yet; none is shown";
        return;
    }
    if (!AddTrayIcon())
        platform::ShowMessageBox(Text(text::kFailedToLoad) + Text(text::kProductName) +
                                 Text(text::kTrayIconSuffix));
}

void CTorvikCommandCentre::ApplyOptions() {
    if (!setup_.windows) {
        qCDebug(lcController) << "no options dialog yet; nothing changed";
        return;
    }
    OptionsChoices choices;
    if (!setup_.windows->RunOptionsDialog(*this, &choices))
        return;

    bool trayJustDisabled = false;
    if (choices.trayIconDisabled) {
        if (trayIconShown_) {
            RemoveTrayIcon();
            trayJustDisabled = true;
        }
    } else if (!trayIconShown_) {
        AddTrayIcon();  // a failure leaves the icon absent without a message
    }

    bool storeFailed = !choices.storedOwnChoices;
    if (!settings_.WriteAlwaysOnTop(choices.alwaysOnTop ? 1 : 0))
        storeFailed = true;
    if (!mainWindow_ || !mainWindow_->SetTopmost(choices.alwaysOnTop))
        qCDebug(lcController) << "the main window's stacking did not change";
    if (choices.startWithSession) {
        if (!settings_.WriteRunAtStartup())
            storeFailed = true;
    } else if (settings_.IsRunAtStartup() && !settings_.DeleteRunAtStartup()) {
        storeFailed = true;
    }
    if (storeFailed)
        platform::ShowMessageBox(Text(text::kFailedToSave) + Text(text::kProductName) +
                                 Text(text::kOptionsSuffix));
    // The song-title choice shows at once on the line that names what plays.
    if (mainWindow_)
        mainWindow_->TitleChanged();

    if (trayJustDisabled && mainWindow_ && !mainWindow_->Widget()->isVisible()) {
        // Without a tray icon a hidden player could never be reached again, so the next start
        // shows it. Exit stores the window as hidden; this overrides that.
        Exit(1);
        settings_.WriteShowWindow(1);
    }
}

QRect CTorvikCommandCentre::MainWindowRect() const {
    return mainWindow_ ? mainWindow_->Widget()->frameGeometry() : QRect();
}

void CTorvikCommandCentre::HideToTray(int show) {
    if (!mainWindow_) {
        qCDebug(lcController) << "no main window to hide or show";
        return;
    }
    QWidget* main = mainWindow_->Widget();
    if (show) {
        if (listWasVisible_ == 1)
            ShowList(main, 1);
        main->show();
        main->raise();
        main->activateWindow();
        main->setFocus();
        return;
    }
    listWasVisible_ = IsListVisible() ? 1 : 0;
    hiddenMainRect_ = MainWindowRect();
    ShowList(main, 0);
    main->hide();
}

void CTorvikCommandCentre::Minimize() {
    if (!mainWindow_) {
        qCDebug(lcController) << "no main window to minimise";
        return;
    }
    hiddenMainRect_ = MainWindowRect();
    listWasVisible_ = IsListVisible() ? 1 : 0;
    mainWindow_->Widget()->showMinimized();
}

void CTorvikCommandCentre::ShowSystemMenu(int fromTray, const QRect& anchor) {
    if (!systemMenu_ && setup_.windows)
        systemMenu_ = setup_.windows->CreateSystemMenu(*this);
    if (!systemMenu_) {
        qCDebug(lcController) << "no system menu yet";
        return;
    }
    if (systemMenu_->Show(fromTray != 0, anchor) != 0)
        qCDebug(lcController) << "CTorvikMenuDlg::DisplaySystemMenu: Failed to display system menu";
}

void CTorvikCommandCentre::ShowOpenMenu(const QRect& anchor) {
    if (!openMenu_ && setup_.windows)
        openMenu_ = setup_.windows->CreateOpenMenu(*this);
    if (!openMenu_) {
        qCDebug(lcController) << "no open menu yet";
        return;
    }
    if (openMenu_->Show(anchor) != 0)
        qCDebug(lcController) << "COpenMenuDlg::DisplayOpenMenu: Failed to display open menu";
}

int CTorvikCommandCentre::IsAlwaysOnTop() {
    int value = CSettingsStore::kDefaultAlwaysOnTop;
    if (!settings_.ReadAlwaysOnTop(&value))
        value = CSettingsStore::kDefaultAlwaysOnTop;
    return value;
}

int CTorvikCommandCentre::ApplyAlwaysOnTop(int state) {
    const bool stored = settings_.WriteAlwaysOnTop(state ? 1 : 0);
    if (!mainWindow_ || !mainWindow_->SetTopmost(state != 0))
        return kCcStackingFailed;
    return stored ? kCcOk : kCcSettingsWriteFailed;
}

// ---- Leaving -----------------------------------------------------------------------------------

void CTorvikCommandCentre::StopEngines() {
    if (windowsMediaLoaded_)
        wmEngine_->StopPlayback();
    realEngine_->Stop();
}

void CTorvikCommandCentre::Exit(int force) {
    if (trayIconShown_ && !force) {
        HideToTray(0);
        return;
    }
    StopEngines();

    // The settings the next start restores, in the order the start-up reads them back.
    int listVisible = IsListVisible() ? 1 : 0;
    if (!listVisible && (listWasVisible_ == 0 || listWasVisible_ == 1))
        listVisible = listWasVisible_;
    settings_.WritePLVisible(listVisible);
    settings_.WriteActivePlaylistType(listMode_);
    if (mainWindow_) {
        QWidget* main = mainWindow_->Widget();
        const QRect rect =
            main->isMinimized() && hiddenMainRect_.isValid() ? hiddenMainRect_ : MainWindowRect();
        settings_.WritePlayerRect(WindowRect::FromQRect(rect));
        settings_.WriteShowWindow(main->isVisible() ? 1 : 0);
        settings_.WriteIsMini(mainWindow_->IsMini());
    }
    settings_.WriteCurrentPlaylistID(selectedStationIndex_);
    settings_.WriteCurrentLocalPlaylistID(selectedFileIndex_);
    if (mainWindow_)
        settings_.WriteVolume(mainWindow_->VolumePosition());

    // Quit once control is back in the event loop, as a posted quit message would.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    if (IMainWindow* main = std::exchange(mainWindow_, nullptr))
        main->DestroyWindow();
}

}  // namespace velotune
