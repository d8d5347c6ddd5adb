// stations_ui/playlist_window.h
//
// CPlaylistWindow shows the user's playlist of stations in a list window: one row per playlist
// entry in stored order, numbered from 1 (not by PlaylistID), with the station's name,
// frequency and first genre; each row's item data is the station's RadioID.
//
// Add opens the station finder, Edit the station editor and Remove takes the selected station
// off the playlist (all through the controller); Up and Down move the selected station one place
// in the stored order. A double-click on a row plays that station.
//
// Threading and ownership: as CListWindow.
#pragma once

#include "stations_ui/list_window.h"

namespace velotune {

class CPlaylistWindow : public CListWindow {
    Q_OBJECT

public:
    enum Column { kColNumber, kColName, kColFrequency, kColGenre, kColumnCount };

    // Made hidden, filled, with the controller's selected station row selected.
    CPlaylistWindow(CTorvikCommandCentre& controller, QWidget* parent);
    ~CPlaylistWindow() override;

    // Rebuilds the rows from the stored playlist; when it cannot be read the rows stay as they
    // are.
    void Fill() override;

    // Move the selected station one row up / down.
    void MoveUp();
    void MoveDown();

protected:
    void OnAdd() override;
    void OnEdit() override;
    void OnRemove() override;
    void OnUp() override { MoveUp(); }
    void OnDown() override { MoveDown(); }
    void OnRowDoubleClicked(int row) override;

private:
    // Swaps the selected row (1-based) with its neighbour `to` (1-based) on screen and in the
    // stored order, and lets the selection and the playing mark follow.
    void Move(int selected, int to);
};

}  // namespace velotune
