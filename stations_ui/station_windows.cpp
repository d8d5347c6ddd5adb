#include "stations_ui/station_windows.h"

#include <QApplication>

#include "platform/msgbox/msgbox.h"
#include "playback/command_centre.h"
#include "stations_ui/file_list_window.h"
#include "stations_ui/playlist_window.h"
#include "stations_ui/station_editor.h"
#include "stations_ui/station_finder.h"

namespace velotune {
namespace {

// The window a modal dialog belongs to: the one the user works in, else the main window.
QWidget* DialogParent(CTorvikCommandCentre& controller) {
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return controller.MainWindow() ? controller.MainWindow()->Widget() : nullptr;
}

template <typename Window>
IListWindow* MakeListWindow(CTorvikCommandCentre& controller, QWidget* parent) {
    auto* window = new Window(controller, parent);
    if (!window->IsValid()) {
        delete window;
        return nullptr;
    }
    return window;
}

}  // namespace

IListWindow* CStationWindows::CreatePlaylistWindow(CTorvikCommandCentre& controller,
                                                   QWidget* parent) {
    return MakeListWindow<CPlaylistWindow>(controller, parent);
}

IListWindow* CStationWindows::CreateFileListWindow(CTorvikCommandCentre& controller,
                                                   QWidget* parent) {
    return MakeListWindow<CFileListWindow>(controller, parent);
}

bool CStationWindows::RunStationFinder(CTorvikCommandCentre& controller, int playingRadioId) {
    QWidget* owner = DialogParent(controller);
    CStationFinderDlg finder(controller, playingRadioId, owner);
    platform::OwnDialog(&finder, owner);
    finder.exec();
    return true;
}

bool CStationWindows::RunStationEditor(CTorvikCommandCentre& controller, int radioId) {
    QWidget* owner = DialogParent(controller);
    CStationEditorDlg editor(controller, radioId, owner);
    platform::OwnDialog(&editor, owner);
    return editor.exec() == QDialog::Accepted;
}

}  // namespace velotune
