// playback/docking.h
//
// Screen arithmetic shared by the controller and the windows that dock to the main window: the
// screen margins that panels (the taskbar) take, and the room a docked list window needs below
// the main window.
//
// Threading: pure functions, any thread.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace velotune {

// The height a list window docked below the main window needs on screen.
inline constexpr int kListWindowSpace = 252;

// The space panels take at each edge of a screen: its geometry less its available geometry.
struct ScreenMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
ScreenMargins MarginsOf(const QRect& screen, const QRect& available);

// Where the main window's visible box (mainBox, screen coordinates) must go so that a list window
// docked below it fits: when kListWindowSpace pixels or fewer remain between its bottom and the
// usable bottom of the screen (the screen's bottom less the bottom margin), the box moved up until
// exactly kListWindowSpace pixels remain; otherwise mainBox unchanged.
QRect DockingPlace(const QRect& mainBox, const QRect& screen, const QRect& available);

// Where a window of size should go that was stored at topLeft, given the screens' geometries
// (the primary screen's first) and the primary screen's available geometry: topLeft itself when
// the window would lie at least partly on one of the screens; otherwise (a screen that has gone,
// or coordinates no screen could have) the nearest place on the primary screen's usable area.
QPoint PlaceOnScreens(const QPoint& topLeft, const QSize& size, const QList<QRect>& screens,
                      const QRect& primaryAvailable);
// The same for the screens of this session.
QPoint PlaceOnScreens(const QPoint& topLeft, const QSize& size);

}  // namespace velotune
