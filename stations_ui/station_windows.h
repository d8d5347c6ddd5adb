// stations_ui/station_windows.h
//
// CStationWindows makes the station management windows for the playback controller: the two
// list windows and the modal station finder and station editor. The application's window
// factory (IPlayerWindowFactory, playback/player_windows.h) hands these four calls on to it:
//
//   IListWindow* CreatePlaylistWindow(c, parent) -> stations.CreatePlaylistWindow(c, parent)
//   IListWindow* CreateFileListWindow(c, parent) -> stations.CreateFileListWindow(c, parent)
//   bool RunStationFinder(c, playingId)          -> stations.RunStationFinder(c, playingId)
//   bool RunStationEditor(c, radioId)            -> stations.RunStationEditor(c, radioId)
//
// Threading: user-interface thread only. The object holds no state; it may be a member of the
// application's factory.
#pragma once

#include <QWidget>

#include "playback/player_windows.h"

namespace velotune {

class CTorvikCommandCentre;

class CStationWindows {
public:
    // The playlist / file list window, hidden, with parent (the main window) as its Qt parent.
    // The window deletes itself with its parent and tells the controller when it goes. nullptr
    // when its skin could not be made.
    IListWindow* CreatePlaylistWindow(CTorvikCommandCentre& controller, QWidget* parent);
    IListWindow* CreateFileListWindow(CTorvikCommandCentre& controller, QWidget* parent);

    // Runs the station finder modally over the main window; playingRadioId is the station that
    // plays (0 when none). Returns when the finder is closed: true.
    bool RunStationFinder(CTorvikCommandCentre& controller, int playingRadioId);

    // Runs the station editor modally for a RadioID (-1: a new station). True when the user
    // confirmed and the station was written.
    bool RunStationEditor(CTorvikCommandCentre& controller, int radioId);
};

}  // namespace velotune
