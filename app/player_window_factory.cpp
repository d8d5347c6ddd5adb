#include "app/player_window_factory.h"

#include "skin/tray_icon.h"

namespace velotune {

IListWindow* CPlayerWindowFactory::CreatePlaylistWindow(CTorvikCommandCentre& controller,
                                                        QWidget* parent) {
    return stations_.CreatePlaylistWindow(controller, parent);
}

IListWindow* CPlayerWindowFactory::CreateFileListWindow(CTorvikCommandCentre& controller,
                                                        QWidget* parent) {
    return stations_.CreateFileListWindow(controller, parent);
}

std::unique_ptr<ISystemMenu> CPlayerWindowFactory::CreateSystemMenu(CTorvikCommandCentre&) {
    return nullptr;
}

std::unique_ptr<IOpenMenu> CPlayerWindowFactory::CreateOpenMenu(CTorvikCommandCentre&) {
    return nullptr;
}

std::unique_ptr<ITrayIcon> CPlayerWindowFactory::CreateTrayIcon(CTorvikCommandCentre& controller) {
    return std::make_unique<CTrayIconDlg>(controller);
}

bool CPlayerWindowFactory::RunStationFinder(CTorvikCommandCentre& controller, int playingRadioId) {
    return stations_.RunStationFinder(controller, playingRadioId);
}

bool CPlayerWindowFactory::RunStationEditor(CTorvikCommandCentre& controller, int radioId) {
    return stations_.RunStationEditor(controller, radioId);
}

bool CPlayerWindowFactory::RunOptionsDialog(CTorvikCommandCentre&, OptionsChoices*) {
    return false;
}

}  // namespace velotune
