// stations_ui/list_docking.h
//
// Where a list window lands while the user drags it: it snaps to the edges of the screen's usable
// area and docks against the main player window when it comes within kDockDistance pixels of one
// of its edges. The list windows call this for every position a drag proposes.
//
// Threading: a pure function, any thread.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

#include "playback/docking.h"

namespace velotune {

// How close (inclusive, either way) an edge must come to snap.
inline constexpr int kDockDistance = 10;

struct ListDocking {
    QPoint pos;                // the corrected top-left corner of the visible box
    bool bound = false;        // docked against the main window
    bool bottomBound = false;  // docked below it
};

// proposed: the top-left corner the drag asks for and size the list window's visible box (the
// bounding box of its shape). screen: the screen's geometry, margins: the room its panels take.
// mainBox: the main window's visible box, when there is a main window. All in screen
// coordinates. The screen edges are applied first, then the main window's, each rule seeing the
// position the previous one left.
ListDocking DockListWindow(QPoint proposed, QSize size, const QRect& screen,
                           const ScreenMargins& margins, const std::optional<QRect>& mainBox);

}  // namespace velotune
