// playback/player_windows.h
//
// The windows the playback controller drives, as small interfaces that those windows implement:
// the main player window, the two list windows (station playlist and file list), the two popup
// menus, the tray icon, and the modal dialogs (station finder, station editor, options). The
// controller never includes a window's own header; the application object hands it a
// IPlayerWindowFactory that makes them.
//
// Threading: everything here is called on the user-interface thread only.
// Ownership:
// - The main window belongs to the application object; it registers itself with the controller
//   (CTorvikCommandCentre::SetMainWindow) during its initialisation and withdraws (nullptr)
//   before it goes. The controller destroys it only through DestroyWindow().
// - A list window is created by the factory on first show with the main window as its Qt parent
//   and deletes itself with its widget. Its destructor tells the controller
//   (CTorvikCommandCentre::ListWindowDestroyed), which then makes a new one on the next show. A
//   list window still alive when the controller is destroyed is deleted by the controller.
// - Menus and the tray icon are owned by the controller from their first use to its end.
#pragma once

#include <QRect>
#include <QString>
#include <memory>

class QWidget;

namespace velotune {

class CTorvikCommandCentre;

// Control ids of the main window that the controller changes (each is also the control's
// objectName, so tests find them).
inline constexpr int kIdPlay = 1551;
inline constexpr int kIdStop = 1552;
inline constexpr int kIdRecord = 1553;
inline constexpr int kIdOpenEx = 1556;
inline constexpr int kIdMiniPlay = 1571;
inline constexpr int kIdMiniStop = 1572;
inline constexpr int kIdDisplayLine = 1023;
inline constexpr int kIdVolume = 1024;

// Control ids of a list window.
inline constexpr int kIdList = 1016;
inline constexpr int kIdRemove = 1614;
inline constexpr int kIdUp = 1615;
inline constexpr int kIdDown = 1616;

// The main player window.
class IMainWindow {
public:
    virtual ~IMainWindow() = default;

    // The window itself: the receiver of WM_PLAYER_STATUS (when it started the playback) and
    // WM_PLAYER_SELECTION, the parent of the list windows, and what the controller shows, hides,
    // moves and minimises.
    virtual QWidget* Widget() = 0;

    // Enables or disables a button by control id (kIdPlay, kIdStop, kIdRecord, kIdOpenEx,
    // kIdMiniPlay, kIdMiniStop). Other ids are ignored.
    virtual void EnableControl(int id, bool enable) = 0;

    // Sets the scrolling display line (kIdDisplayLine) and restarts its scrolling.
    virtual void SetDisplayText(const QString& text) = 0;

    // The volume slider's position (kIdVolume), 0..100, 0 at the top; the volume is 100 minus it.
    virtual int VolumePosition() const = 0;

    // Disables the six preset buttons.
    virtual void DisablePresets() = 0;
    // The playlist changed or playback ended: with refresh 1 and the station playlist active,
    // enables one preset per playlist entry (up to six) and names them; the rest are disabled.
    // With the file list active, or refresh 0, nothing changes.
    virtual void UpdatePresets(int refresh) = 0;

    // The "Open" button's tool tip ("Open Playlist" or "Open Filelist").
    virtual void SetOpenButtonTip(const QString& tip) = 0;

    // The current list changed: the display line and the buttons show the new list's selection,
    // and the presets stand for the playlist (or rest, with the file list), unless a start is
    // under way, whose end sets them.
    virtual void ShowCurrentList() = 0;

    // 1 while the window shows the minibar layout.
    virtual int IsMini() const = 0;

    // The title of what plays changed (CTorvikCommandCentre::NowPlayingTitle); a window that
    // shows titles refreshes its display line.
    virtual void TitleChanged() {}

    // Keeps the window above other windows (on) or not. False when the window system refused.
    virtual bool SetTopmost(bool on) = 0;

    // Closes and deletes the window (the end of the program). The window withdraws from the
    // controller before it goes.
    virtual void DestroyWindow() = 0;
};

// A list window: the station playlist or the file list. Rows are numbered from 1; row n is list
// item n - 1 of the list control (kIdList).
class IListWindow {
public:
    virtual ~IListWindow() = default;

    // The window: what the controller shows, hides and moves.
    virtual QWidget* Widget() = 0;

    // Rebuilds the rows from the stored playlist or file list.
    virtual void Fill() = 0;
    // Selects and focuses row (1-based); 0 clears the selection.
    virtual void SelectRow(int row) = 0;
    // The item data of row: the station's RadioID (playlist) or the file's 1-based position in
    // the stored file list (file list). 0 when there is no such row.
    virtual int ItemData(int row) const = 0;
    virtual int RowCount() const = 0;

    // Enables or disables the buttons that act on the selected row (Edit, Remove, Up, Down).
    virtual void EnableButtons(bool enable) = 0;
    // Enables or disables one of them by id (kIdRemove, kIdUp, kIdDown).
    virtual void EnableControl(int id, bool enable) = 0;

    // The docking flags: bound to the main window, and bound below it.
    virtual bool IsBound() const = 0;
    virtual bool IsBottomBound() const = 0;
};

// The popup menu owners.
class ISystemMenu {
public:
    virtual ~ISystemMenu() = default;
    // Shows the system menu at the cursor (fromTray) or under anchor (screen coordinates).
    // 0, or a non-zero code when the menu could not be made.
    virtual int Show(bool fromTray, const QRect& anchor) = 0;
};

class IOpenMenu {
public:
    virtual ~IOpenMenu() = default;
    // Shows the open menu two pixels under anchor (screen coordinates). 0 or a non-zero code.
    virtual int Show(const QRect& anchor) = 0;
};

// The notification-area icon.
class ITrayIcon {
public:
    virtual ~ITrayIcon() = default;
    // Adds the icon. False when there is no notification area or the icon could not be made.
    virtual bool AddIcon() = 0;
    virtual void RemoveIcon() = 0;
    // The icon's tool tip: the product's name, then what plays when a title is known.
    virtual void SetTip(const QString& tip) = 0;
};

// The choices the user confirmed in the Options dialog.
struct OptionsChoices {
    bool trayIconDisabled = false;
    bool alwaysOnTop = false;
    bool startWithSession = false;
    // False when the dialog could not store its own choices.
    bool storedOwnChoices = true;
};

// Makes the windows above on first use and runs the modal dialogs. Each call may return nullptr
// (or, for a dialog, "not run") when that window cannot be made; the controller then leaves the
// service undone and says so in its log.
class IPlayerWindowFactory {
public:
    virtual ~IPlayerWindowFactory() = default;

    // List windows, created hidden with parent as their Qt parent.
    virtual IListWindow* CreatePlaylistWindow(CTorvikCommandCentre& controller,
                                              QWidget* parent) = 0;
    virtual IListWindow* CreateFileListWindow(CTorvikCommandCentre& controller,
                                              QWidget* parent) = 0;

    virtual std::unique_ptr<ISystemMenu> CreateSystemMenu(CTorvikCommandCentre& controller) = 0;
    virtual std::unique_ptr<IOpenMenu> CreateOpenMenu(CTorvikCommandCentre& controller) = 0;
    virtual std::unique_ptr<ITrayIcon> CreateTrayIcon(CTorvikCommandCentre& controller) = 0;

    // The station finder, opened with the RadioID of the playing station (0 when none).
    // Returns when it is closed; false when it could not be shown.
    virtual bool RunStationFinder(CTorvikCommandCentre& controller, int playingRadioId) = 0;
    // The station editor for a RadioID (-1: a new station). True when the user confirmed and
    // the station was written.
    virtual bool RunStationEditor(CTorvikCommandCentre& controller, int radioId) = 0;
    // The Options dialog. True when the user confirmed; *choices then holds the choices.
    virtual bool RunOptionsDialog(CTorvikCommandCentre& controller, OptionsChoices* choices) = 0;
};

}  // namespace velotune
