// skin/menus.h
//
// The player's two popup menus. The system menu (CTorvikMenuDlg) opens from the main window's
// Menu button or a right click on the tray icon and reaches nearly every service of the player;
// the open menu (COpenMenuDlg) opens from the "Open..." button and shows or hides the two list
// windows. Each is a QObject on the user-interface thread that owns its QMenu and receives its
// commands.
//
// A menu is made on its first display; each display prepares it for the present state (greyed
// and checked items), shows it and returns once the user has chosen or dismissed it. The chosen
// command runs after that, once control is back in the event loop, and ends by giving the
// keyboard focus to the main window.
//
// The QMenu's objectName is the menu's number ("102", "243"); each item's QAction has its
// command id as objectName and data, so tests and the tray find them.
//
// Threading: user-interface thread only.
// Ownership: the controller owns both from their first use to its end (ISystemMenu, IOpenMenu).
#pragma once

#include <QObject>
#include <QRect>
#include <memory>

#include "playback/player_windows.h"

class QAction;
class QMenu;

namespace velotune {

class CTorvikCommandCentre;

// The menus' numbers.
inline constexpr int kIdSystemMenu = 102;
inline constexpr int kIdOpenMenu = 243;

// System menu commands, in menu order.
inline constexpr int kCmdPlay = 40015;
inline constexpr int kCmdStop = 40017;
inline constexpr int kCmdStationInfo = 40023;
inline constexpr int kCmdNextEntry = 40018;
inline constexpr int kCmdPreviousEntry = 40019;
inline constexpr int kCmdShowFilelist = 32777;
inline constexpr int kCmdShowPlaylist = 40010;
inline constexpr int kCmdSwitchToMinibar = 40027;
inline constexpr int kCmdAlwaysOnTop = 40025;
inline constexpr int kCmdOptions = 40024;
inline constexpr int kCmdUpdateDatabase = 32773;
inline constexpr int kCmdVisitWebsite = 32771;
inline constexpr int kCmdOnlineHelp = 32772;
inline constexpr int kCmdAbout = 40011;
inline constexpr int kCmdExit = 40012;

// Open menu commands.
inline constexpr int kCmdOpenPlaylist = 32775;
inline constexpr int kCmdOpenFilelist = 32774;
inline constexpr int kCmdCancel = 32776;

class CTorvikMenuDlg : public QObject, public ISystemMenu {
    Q_OBJECT

public:
    explicit CTorvikMenuDlg(CTorvikCommandCentre& controller);
    ~CTorvikMenuDlg() override;

    // Prepares the menu and shows it at the cursor (fromTray) or one pixel under the anchor's
    // left bottom corner (screen coordinates). Blocks until the menu closes. 0.
    int Show(bool fromTray, const QRect& anchor) override;

    // Greys and checks the items for the present state:
    // - Play, Stop, Station Info by the controller's selection and status (nothing selected:
    //   all three greyed; playing: Play greyed; buffering: Play and Stop greyed; otherwise Stop
    //   greyed);
    // - "Switch to Minibar" checked in the minibar layout, "Always on top" checked while that is
    //   the stored choice (also when none is stored), "Show Filelist" and "Show Playlist"
    //   checked while that list's window is visible;
    // - "Switch to Minibar" and "Show Playlist" greyed while the main window is minimised or
    //   hidden.
    void Prepare();

    // Runs a command of the menu (the ids above); the from-tray flag of the latest display
    // decides what Exit does. Unknown ids only give the focus to the main window.
    void OnCommand(int id);

    // The menu (made on first use).
    QMenu* Menu();

private:
    CTorvikCommandCentre& controller_;
    std::unique_ptr<QMenu> menu_;
    bool fromTray_ = false;
};

class COpenMenuDlg : public QObject, public IOpenMenu {
    Q_OBJECT

public:
    explicit COpenMenuDlg(CTorvikCommandCentre& controller);
    ~COpenMenuDlg() override;

    // Shows the menu two pixels under the anchor's left bottom corner (screen coordinates).
    // Blocks until the menu closes. 0.
    int Show(const QRect& anchor) override;

    // Runs a command of the menu (kCmdOpenPlaylist, kCmdOpenFilelist, kCmdCancel).
    void OnCommand(int id);

    QMenu* Menu();

private:
    CTorvikCommandCentre& controller_;
    std::unique_ptr<QMenu> menu_;
};

}  // namespace velotune
