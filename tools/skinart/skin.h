// tools/skinart/skin.h
//
// The skin images themselves: one function paints any bitmap id of res/resource_ids.h, another
// any icon size, and the previews put the pieces together the way the windows show them.
#pragma once

#include <QImage>
#include <QList>
#include <QPoint>

namespace skinart {

// The finished image for bitmap `id` (key colours in place); null for an unknown id.
QImage PaintBitmap(int id);

// Icon `id` at `size` x `size` with alpha; null for an unknown id.
QImage PaintIcon(int id, int size);

// Where the windows place the buttons: (button image id, top-left corner in window pixels).
struct Placement {
    int normalId;
    QPoint pos;
};
QList<Placement> MainViewPlacements();
QList<Placement> MinibarPlacements();
QList<Placement> ListWindowPlacements();

// Previews for looking at the look (not part of the program): the three windows with their
// buttons, sample text and a volume slider, and a sheet of every button in its four states.
QImage PreviewMainView();
QImage PreviewMinibar();
QImage PreviewListWindow();
QImage PreviewButtonStates();

}  // namespace skinart
