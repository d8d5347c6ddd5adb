#include "skin/window_placement.h"

#include <QRegion>
#include <QWidget>
#include <cstdlib>

namespace velotune {
namespace {

bool Near(int a, int b) {
    return std::abs(a - b) <= kSnapDistance;
}

// Right and bottom edges as the first pixel outside the box, so that "flush" means touching.
int RightOf(const QRect& r) {
    return r.x() + r.width();
}
int BottomOf(const QRect& r) {
    return r.y() + r.height();
}

// Once the box sits beside the list window, lines its top or bottom up with the list's.
int FitVertically(int y, int height, const QRect& list) {
    const int top = list.y();
    const int bottom = BottomOf(list);
    if (Near(y, top))
        return top;
    if (Near(y, bottom))
        return bottom;
    if (Near(y + height, top))
        return top - height;
    if (Near(y + height, bottom))
        return bottom - height;
    return y;
}

}  // namespace

QRect VisibleBox(const QWidget* widget) {
    const QRegion mask = widget->mask();
    if (mask.isEmpty())
        return widget->frameGeometry();
    return mask.boundingRect().translated(widget->geometry().topLeft());
}

QPoint SnapToScreen(QPoint pos, QSize size, const QRect& usable) {
    int x = pos.x();
    int y = pos.y();
    if (Near(x, usable.x()))
        x = usable.x();
    if (Near(y, usable.y()))
        y = usable.y();
    if (Near(x + size.width(), RightOf(usable)))
        x = RightOf(usable) - size.width();
    if (Near(y + size.height(), BottomOf(usable)))
        y = BottomOf(usable) - size.height();
    return {x, y};
}

QPoint SnapToListWindow(QPoint pos, QSize size, const QRect& list) {
    const int w = size.width();
    const int h = size.height();
    const int left = list.x();
    const int top = list.y();
    const int right = RightOf(list);
    const int bottom = BottomOf(list);
    int x = pos.x();
    int y = pos.y();

    // Left edges aligned: straight below or above the list window.
    if (Near(x, left)) {
        if (Near(y, bottom)) {
            x = left;
            y = bottom;
        }
        if (Near(y + h, top)) {
            x = left;
            y = top - h;
        }
    }
    const bool overlapsHorizontally = x + w >= left - kSnapDistance && x <= right + kSnapDistance;
    if (Near(y, bottom) && overlapsHorizontally)
        y = bottom;
    if (Near(y + h, top) && overlapsHorizontally)
        y = top - h;

    const auto overlapsVertically = [&] {
        return y + h >= top - kSnapDistance && y <= bottom + kSnapDistance;
    };
    if (Near(x + w, left) && overlapsVertically()) {
        x = left - w;
        y = FitVertically(y, h, list);
    }
    if (Near(x, right) && overlapsVertically()) {
        x = right;
        y = FitVertically(y, h, list);
    }
    return {x, y};
}

int KeepOnScreenTop(int top, int height, int reach, const QRect& usable, int listSpace) {
    const int bottom = BottomOf(usable);
    if (top >= bottom - reach - listSpace)
        return bottom - height - listSpace;
    return top;
}

}  // namespace velotune
