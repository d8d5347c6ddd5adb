// skin/window_placement.h
//
// The screen arithmetic of the main window: snapping a proposed position to the edges of the
// usable screen and to the list window while the window is dragged, and keeping the window on
// screen when its layout changes height.
//
// Every rectangle is in screen coordinates. A window is measured by its visible box, the bounding
// box of its shape, not by its (possibly larger) widget rectangle. The usable area of a screen is
// its available geometry: the screen less the margins that panels and taskbars take at its four
// edges.
//
// Threading: pure functions on values, any thread; VisibleBox reads a widget and so belongs to
// the user-interface thread.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace velotune {

// How close (in pixels) an edge must come to another before it snaps to it.
inline constexpr int kSnapDistance = 10;

// A widget's visible box on screen: the bounding box of its mask when it has one, else its
// frame.
QRect VisibleBox(const QWidget* widget);

// Snaps the top-left corner `pos` of a box of `size` to the edges of `usable`: each of the box's
// four edges that lies within kSnapDistance of the matching edge of the usable area is made
// flush with it (left and top first, then right and bottom). Returns the new top-left corner.
QPoint SnapToScreen(QPoint pos, QSize size, const QRect& usable);

// Snaps the top-left corner `pos` of a box of `size` to the visible box `list` of a list window:
// flush below or above it when the boxes overlap horizontally (left edges aligned when they are
// within reach of each other), flush beside it on the left or the right when they overlap
// vertically (then with top or bottom edges aligned when within reach).
QPoint SnapToListWindow(QPoint pos, QSize size, const QRect& list);

// The top a window of `height` takes after a layout switch so that it stays on screen. When its
// current `top` lies at or below the usable bottom less `reach` (less `listSpace` too, the room a
// list window docked below it needs, 0 when none is shown), the window goes flush above that
// room, its bottom at the usable bottom less listSpace; otherwise `top` is kept.
int KeepOnScreenTop(int top, int height, int reach, const QRect& usable, int listSpace);

}  // namespace velotune
