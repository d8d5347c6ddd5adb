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

std::unique_ptr<ISystemMenu> CPlayerWindowFactory::CreateSystemMenu(
    CTorvikCommandCentre& controller) {
    return skin_.CreateSystemMenu(controller);
}

std::unique_ptr<IOpenMenu> CPlayerWindowFactory::CreateOpenMenu(CTorvikCommandCentre& controller) {
    return skin_.CreateOpenMenu(controller);
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

bool CPlayerWindowFactory::RunOptionsDialog(CTorvikCommandCentre& controller,
                                            OptionsChoices* choices) {
    return skin_.RunOptionsDialog(controller, choices);
}

}  // namespace velotune
