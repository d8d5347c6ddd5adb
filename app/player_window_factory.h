// app/player_window_factory.h
//
// CPlayerWindowFactory makes the windows the playback controller drives (IPlayerWindowFactory,
// playback/player_windows.h): the list windows, the station finder and the station editor come
// from stations_ui/ (CStationWindows); the tray icon (CTrayIconDlg), the system and open menus and
// the Options dialog from skin/ (CSkinWindows).
//
// Threading: user-interface thread only.
// Ownership: the application object owns the factory and keeps it alive longer than the
// controller. What it makes is owned as player_windows.h says.
#pragma once

#include "playback/player_windows.h"
#include "skin/skin_windows.h"
#include "stations_ui/station_windows.h"

namespace velotune {

class CPlayerWindowFactory : public IPlayerWindowFactory {
public:
    IListWindow* CreatePlaylistWindow(CTorvikCommandCentre& controller, QWidget* parent) override;
    IListWindow* CreateFileListWindow(CTorvikCommandCentre& controller, QWidget* parent) override;

    std::unique_ptr<ISystemMenu> CreateSystemMenu(CTorvikCommandCentre& controller) override;
    std::unique_ptr<IOpenMenu> CreateOpenMenu(CTorvikCommandCentre& controller) override;
    std::unique_ptr<ITrayIcon> CreateTrayIcon(CTorvikCommandCentre& controller) override;

    bool RunStationFinder(CTorvikCommandCentre& controller, int playingRadioId) override;
    bool RunStationEditor(CTorvikCommandCentre& controller, int radioId) override;
    bool RunOptionsDialog(CTorvikCommandCentre& controller, OptionsChoices* choices) override;

private:
    CStationWindows stations_;
    CSkinWindows skin_;
};

}  // namespace velotune
