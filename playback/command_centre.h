// playback/command_centre.h
//
// CTorvikCommandCentre is the player's command centre: the one object through which every window
// starts and stops playback, records, pauses, walks the station playlist or the file list, sets
// the volume, edits the two lists, and reaches the station database, the settings, the tray icon
// and the outside programs. The application object creates exactly one and keeps it for the
// whole run.
//
// Threading: every operation runs on the user-interface thread, except SetPlaybackStatus, which
// the engines call from their own threads. A status report only updates the playback state (the
// fields marked atomic below) and queues a notice; the notice is handled on the user-interface
// thread, which posts WM_PLAYER_STATUS to the owner window and runs the usage hand-over there.
// Windows therefore only ever see the controller's messages on their own thread.
//
// Results: the kCc... codes of playback/player_messages.h, or a database result code where an
// operation only forwards to CRadioDatabase. Whatever the user must be told has been shown.
//
// Ownership: the controller owns both playback engines, the data access layer, the settings
// store, the usage reporter, the menus and the tray icon; list windows as player_windows.h says.
// It does not own the main window or the window factory.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "playback/playback_status.h"
#include "playback/player_messages.h"
#include "playback/player_windows.h"
#include "playback/usage_reporter.h"
#include "settings/settings_store.h"
#include "stationdb/radiodatabase.h"

class QObject;
class QWidget;

namespace velotune {

class WindowsMediaEnginePort;
class RealSystemEnginePort;

// What the application object hands the controller.
struct CommandCentreSetup {
    // The folder of the player's programs (the updater is started from it). Empty: the folder of
    // the running program.
    QString programDirectory;
    // The folder that holds the station database file. Empty: platform::DataDirectory().
    QString dataDirectory;
    // Makes the windows the controller drives; not owned, must outlive the controller. Null: no
    // such windows yet (the services that need them do nothing and log that).
    IPlayerWindowFactory* windows = nullptr;
    // Makes the usage reporter at construction. Empty: no usage reports.
    std::function<std::unique_ptr<IUsageReporter>(IUsageReportOwner&)> makeUsageReporter;
};

class CTorvikCommandCentre : public IPlaybackStatusSink, public IUsageReportOwner {
public:
    // Which engine plays (GetCurrentEngine).
    enum Engine : int { kEngineNone = 0, kEngineWindowsMedia = 1, kEngineRealSystem = 2 };
    // Which list is current (GetListMode).
    enum ListMode : int { kPlaylistMode = 0, kFileListMode = 1 };

    // Creates both engines, the data access layer (closed), the settings store and the usage
    // reporter. Status 5, no list rows, no engine current.
    explicit CTorvikCommandCentre(CommandCentreSetup setup = {});
    // Releases the engines first (no report arrives afterwards), then the list windows still
    // alive, the menus and the tray icon (removed when shown), the reporter and the database.
    ~CTorvikCommandCentre() override;
    CTorvikCommandCentre(const CTorvikCommandCentre&) = delete;
    CTorvikCommandCentre& operator=(const CTorvikCommandCentre&) = delete;

    // The main window registers itself during its initialisation and withdraws (nullptr) when
    // it goes.
    void SetMainWindow(IMainWindow* window);
    IMainWindow* MainWindow() const { return mainWindow_; }

    // ---- Playback ------------------------------------------------------------------------------

    // Plays a station. stationId 0 means the station of the selected playlist row. owner receives
    // the status notifications of this playback; when it is the main window's widget the main
    // window shows the progress. Blocks while the engine opens the stream.
    // 0 started; 56 nothing selected or no such station (nothing changes); 47 the start failed
    // (the display line says so).
    int Play(int stationId, QObject* owner);

    // Plays the local file at a 1-based row of the file list (-1: 56). 0 started; 56 no such
    // entry; 47 the file's kind is refused or the engine could not start it.
    int PlayFile(int row);

    // Stops whichever engine plays. 0, or 47 when there is none or it refused. The engine reports
    // 1 and 5 when it has let go; the owner window resets itself on PLAYER_STOPPED.
    int Stop();
    // Whether the user-interface thread is inside an engine's start. A start dispatches the
    // thread's events while it waits for the stream, so a caller here may be running from those
    // events with the start's callers (the window whose button began it) further up the stack.
    bool IsStarting() const { return starting_.load() != 0; }

    // Records a station (0: the selected one) into a .wma file the user chooses in a Save dialog.
    // 0 started, or nothing to do (cancelled; a RealSystem station, which is refused with a
    // message); 56 nothing selected or no such station; 47 the start failed.
    int Record(int stationId);

    // mode 0 pauses, 1 resumes the current engine.
    void Pause(int mode);

    // Move the selection of the current list one row down / up without playing. 0 moved; 56 when
    // nothing is selected or there is no row to move to.
    int NextEntry();
    int PreviousEntry();

    // While playing: selects the playing row of the current list again and repeats the playing
    // notification to the owner window.
    void GoToPlaying();

    // Volume level 0..100 for the Windows Media engine.
    void SetVolume(int level);

    // A status report (1, 3, 4, 5 or 6; playback/playback_status.h). Any thread; never blocks.
    // Ignored until a playback has been started.
    void SetPlaybackStatus(int status) override;
    // A title report of the current engine (the song a stream announces, a file's title tag).
    // Any thread; never blocks. The tray icon's tip, the main window (when it shows titles) and
    // the change listener learn of it on the user-interface thread.
    void SetStreamTitle(const QString& title) override;

    // The title of what plays now ("Artist - Title" as the stream or file names it); empty when
    // nothing plays or it named none.
    QString NowPlayingTitle() const;

    // Called on the user-interface thread after anything a desktop media control shows may have
    // changed: the playback status, the playing or selected row, the current list, the volume or
    // the title. It reads what it needs from the controller. One listener; empty: none.
    void SetChangeListener(std::function<void()> listener) {
        changeListener_ = std::move(listener);
    }
    // Calls the change listener (for the windows: a change the controller does not see itself).
    void NotifyChanged();

    // ---- State ---------------------------------------------------------------------------------
    int GetPlaybackStatus() const { return status_.load(); }
    bool IsPlaying() const { return playing_.load() != 0; }
    bool IsRecording() const { return recording_.load() != 0; }
    int GetCurrentEngine() const { return currentEngine_.load(); }
    int GetListMode() const { return listMode_; }
    // Makes mode's list the current one. A change shows at once in the main window: the Open
    // button's tip, and the display line, buttons and presets for the new list's selection.
    void SetListMode(int mode);
    // Selected / playing 1-based row of the current list (0: none).
    int GetSelectedIndex() const;
    int GetPlayingIndex() const;
    void SetSelectedIndex(int row);
    // Also clears the other list's playing row.
    void SetPlayingIndex(int row);
    // Both lists' rows, whatever list is current.
    int GetSelectedStationIndex() const { return selectedStationIndex_; }
    int GetSelectedFileIndex() const { return selectedFileIndex_; }
    int GetPlayingStationIndex() const { return playingStationIndex_.load(); }
    int GetPlayingFileIndex() const { return playingFileIndex_; }
    void SetSelectedStationIndex(int row) { selectedStationIndex_ = row; }
    void SetSelectedFileIndex(int row) { selectedFileIndex_ = row; }

    // The playlist as the main window shows it: number of rows, and the RadioID and station name
    // of a 1-based row (0 / empty when there is no such row).
    int PlaylistRowCount();
    int StationIdAt(int row);
    QString StationNameAt(int row);

    // The usage reporter has finished its install hit / usage report request.
    void ClearHitPending() override { hitPending_ = 0; }
    void ClearReportPending() override { reportPending_ = 0; }

    // ---- List windows --------------------------------------------------------------------------

    // which 0 hides both list windows; 1 shows the current list's window.
    void ShowList(QWidget* owner, int which);
    // show 1 shows the window (made on first use, then placed), hides the other list window and
    // makes its list the current one; show 0 hides it.
    void ShowFileList(QWidget* owner, int show);
    void ShowPlaylist(QWidget* owner, int show);
    // Whether the current list's window is visible.
    bool IsListVisible() const;
    // The current list's window, or nullptr while it has not been made (visible or not).
    IListWindow* ActiveListWindow() const { return CurrentListWindow(); }
    // The main window moved from oldPos to newPos: moves each list window bound to it by the
    // same offset, visible or not; with onlyDockedBelow 1 only those bound below it.
    void MoveListWindows(const QPoint& oldPos, const QPoint& newPos, int onlyDockedBelow);
    // Selects and focuses a row of the current list window (0 clears the selection).
    void SelectRow(int row);
    // The item data of a row of the current list (0 for row 0 or no such row).
    int RowToId(int row);
    // A list window tells the controller that it is going away.
    void ListWindowDestroyed(IListWindow* window);

    // ---- List edits ----------------------------------------------------------------------------

    // Asks for a .wma or .ra file and appends it to the stored file list. 0 (also when the user
    // cancelled); 39 when it could not be stored.
    int AddFile();
    // Removes the selected file from the stored file list. 0; 56 nothing selected or no entry.
    int RemoveFile();
    // Runs the station finder, then refills the playlist window. 0.
    int AddStation();
    // Takes the selected station off the playlist and renumbers the rest. 0; 56 nothing
    // selected; or the database's code.
    int RemoveStation();
    // Runs the station editor for the selected station and refills the playlist when it wrote
    // it. 0; 56 nothing selected.
    int StationInfo();
    // Gives the entries the PlaylistIDs 1, 2, 3 ... in list order.
    static void RenumberPlaylist(PlaylistList& list);

    // ---- Outside programs ----------------------------------------------------------------------

    // Starts the updater from the program folder with "-v:" and the database edition. 0; the
    // database's code when the edition cannot be read; 51 when the program did not start.
    int StartUpdater();
    // The folder the updater is started from, which also holds the help pages.
    const QString& ProgramDirectory() const { return setup_.programDirectory; }
    // Opens a web address in the desktop's browser; says so when that is not possible.
    void OpenWebPage(const QString& url);
    // The Help command (the menu's help entry, F1): opens the quick-start page of the program
    // folder in the browser.
    void ShowHelp();

    // ---- Database ------------------------------------------------------------------------------

    // Opens the station database file of the data folder. The database's result code.
    int OpenDatabase();
    CRadioDatabase& Database() { return database_; }

    // Forwarded unchanged to CRadioDatabase (see stationdb/radiodatabase.h).
    int GetStation(std::int32_t radioId, CRadioSet& record) {
        return database_.GetStation(radioId, record);
    }
    int InsertStation(const CRadioSet& record) { return database_.InsertStation(record); }
    int UpdateStation(const CRadioSet& record) { return database_.UpdateStation(record); }
    int DeleteStation(std::int32_t radioId) { return database_.DeleteStation(radioId); }
    int StationExists(std::int32_t radioId, bool& exists) {
        return database_.StationExists(radioId, exists);
    }
    int GetStationCount(std::int32_t& count) { return database_.GetStationCount(count); }
    int GetGenres(NameList& names) { return database_.GetGenres(names); }
    int GetCountries(NameList& names) { return database_.GetCountries(names); }
    int GetStates(const QString& country, NameList& names) {
        return database_.GetStates(country, names);
    }
    int GetCities(const QString& state, NameList& names) {
        return database_.GetCities(state, names);
    }
    int FindStationsByGenre(const QString& genre, IdList& ids) {
        return database_.FindStationsByGenre(genre, ids);
    }
    int FindStationsByCountry(const QString& country, IdList& ids) {
        return database_.FindStationsByCountry(country, ids);
    }
    int FindStationsByName(const QString& text, IdList& ids) {
        return database_.FindStationsByName(text, ids);
    }
    int FilterStationsByState(const IdList& ids, const QString& state, IdList& result) {
        return database_.FilterStationsByState(ids, state, result);
    }
    int FilterStationsByCity(const IdList& ids, const QString& city, IdList& result) {
        return database_.FilterStationsByCity(ids, city, result);
    }
    int AddPlaylistEntry(const CPlaylistSet& entry) { return database_.AddPlaylistEntry(entry); }
    int RemovePlaylistEntry(std::int32_t radioId) { return database_.RemovePlaylistEntry(radioId); }
    int LoadPlaylist(PlaylistList& list) { return database_.LoadPlaylist(list); }
    int SavePlaylist(const PlaylistList& list) { return database_.SavePlaylist(list); }
    int SetPlaylistFlags(const IdList& ids, std::int32_t onPlaylist) {
        return database_.SetPlaylistFlags(ids, onPlaylist);
    }
    int GetDBVersion(std::int32_t& version) { return database_.GetDBVersion(version); }

    // ---- Application ---------------------------------------------------------------------------

    // At start-up: makes sure the tray-icon setting exists and adds the tray icon unless it is
    // disabled. Failures are shown.
    void ShowTrayIconAtStart();
    bool IsTrayIconShown() const { return trayIconShown_ != 0; }
    // Runs the Options dialog and applies what the user chose.
    void ApplyOptions();
    // Leaves the program: with the tray icon shown and force 0 only hides the windows; otherwise
    // stops both engines, stores the window and list settings, asks the event loop to quit and
    // destroys the main window.
    void Exit(int force);
    // show 0 hides the main window and the list window (remembering which was visible); show 1
    // shows them again and gives the main window the focus.
    void HideToTray(int show);
    // Remembers the main window's rectangle and the list window's visibility, then minimises it.
    void Minimize();
    // The popup menus, made on first use.
    void ShowSystemMenu(int fromTray, const QRect& anchor);
    void ShowOpenMenu(const QRect& anchor);
    // The stored always-on-top choice (1 when none is stored).
    int IsAlwaysOnTop();
    // Stores the choice and applies it to the main window. 0; 39 when it could not be stored;
    // 73 when the main window's stacking could not be changed.
    int ApplyAlwaysOnTop(int state);
    // The playlist changed (order or entries): the main window refreshes its presets.
    void PlaylistChanged(int refresh);

    CSettingsStore& Settings() { return settings_; }

private:
    class EngineSink;
    class StatusRelay;
    friend class StatusRelay;

    // Playback helpers.
    void ReportFrom(int engine, int status);   // any thread
    // Whether path names a regular file; otherwise says so in a box and returns false. Anything
    // else (a FIFO above all, whose open would wait for a writer) is never opened.
    static bool AcceptRegularFile(const QString& path);
    // Shows that a recording failed, naming its file and the reason; any thread (the box is
    // shown on the user-interface thread).
    void ReportRecordingFailure(const QString& path, const QString& reason);
    void DeliverStatus(int code, int status);  // user-interface thread
    void DeliverTitle();                       // user-interface thread
    void ClearTitle();
    void RunUsageHandOver();
    void FailureSteps(bool shown, const QString& name);
    // After a failed start: the failure steps, or, when the user stopped the start, the stopped
    // state that a Stop of a playing stream ends in (PLAYER_STOPPED to owner).
    void StartFailed(bool shown, const QString& name, QObject* owner);
    // Remembers what StartFailed needs should the stream fail after the engine accepted it.
    void NoteStart(bool shown, const QString& name);
    void ShowBusyScreen(const QString& text, bool disableRecordAndOpen, bool disableListButtons);
    void ApplyVolume();
    bool LoadWindowsMedia();
    void SwitchEngine(int engine);
    void SetOwner(QObject* owner);
    bool StartEngine(const std::function<bool()>& start);
    int ResolveStation(int stationId, CRadioSet* station);
    int MoveSelection(int step);
    void PostSelection(int row);

    // List helpers.
    IListWindow* CurrentListWindow() const;
    IListWindow* EnsureListWindow(int mode, QWidget* owner);
    void ShowListWindow(int mode, QWidget* owner, int show);
    void DockBelowMainWindow(IListWindow* window);
    void RefillAndReselect(int mode);
    int ItemDataOf(int mode, int row);
    void UpdateOpenButtonTip();
    bool AddTrayIcon();
    void RemoveTrayIcon();
    void StopEngines();
    QRect MainWindowRect() const;

    CommandCentreSetup setup_;
    std::unique_ptr<StatusRelay> relay_;  // lives on the user-interface thread
    std::unique_ptr<EngineSink> wmSink_;
    std::unique_ptr<EngineSink> realSink_;
    std::unique_ptr<WindowsMediaEnginePort> wmEngine_;
    std::unique_ptr<RealSystemEnginePort> realEngine_;
    CRadioDatabase database_;
    CSettingsStore settings_;
    std::unique_ptr<IUsageReporter> reporter_;
    std::unique_ptr<ISystemMenu> systemMenu_;
    std::unique_ptr<IOpenMenu> openMenu_;
    std::unique_ptr<ITrayIcon> trayIcon_;
    IListWindow* playlistWindow_ = nullptr;  // see player_windows.h for who deletes it
    IListWindow* fileListWindow_ = nullptr;
    IMainWindow* mainWindow_ = nullptr;
    QPointer<QObject> owner_;  // user-interface thread only

    // Written by status reports on the engines' threads and by the operations above.
    std::atomic<int> status_{kStatusStopped};
    std::atomic<int> currentEngine_{kEngineNone};
    std::atomic<int> playing_{0};
    std::atomic<int> recording_{0};
    std::atomic<int> tuning_{0};
    std::atomic<int> playingStationIndex_{0};
    std::atomic<bool> ownerSet_{false};
    // How many engine starts the user-interface thread is inside: a start dispatches events while
    // it waits, and a start made from them (another station chosen) runs inside the first.
    std::atomic<int> starting_{0};
    // UI thread only: a Stop came (from the start's own events) while an engine's start was
    // under way; the start then ends in the stopped state rather than as a failure to connect.
    bool stoppedWhileStarting_ = false;
    // UI thread only: what the failure steps need when the stream of the latest start ends before
    // it ever played (an engine that accepted the address and then failed): the shown flag and
    // the name the display line gives.
    bool startShown_ = false;
    QString startName_;

    // User-interface thread only.
    int listMode_ = kPlaylistMode;
    int playingFileIndex_ = 0;
    int selectedStationIndex_ = 0;
    int selectedFileIndex_ = 0;
    int windowsMediaLoaded_ = 0;
    int trayIconShown_ = 0;
    int hitDelivered_ = 0;
    int hitPending_ = 0;
    int reportDelivered_ = 0;
    int reportPending_ = 0;
    int listWasVisible_ = -1;  // -1 until the main window is first hidden or minimised
    QRect hiddenMainRect_;     // the main window's rectangle when it was hidden or minimised
    std::function<void()> changeListener_;
    QString shownTitle_;  // the title the tray tip last showed

    mutable std::mutex titleMutex_;
    QString streamTitle_;  // guarded by titleMutex_
};

}  // namespace velotune
