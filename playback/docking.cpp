#include "playback/docking.h"

namespace velotune {

ScreenMargins MarginsOf(const QRect& screen, const QRect& available) {
    if (!screen.isValid() || !available.isValid())
        return {};
    return {available.left() - screen.left(), available.top() - screen.top(),
            screen.right() - available.right(), screen.bottom() - available.bottom()};
}

QRect DockingPlace(const QRect& mainBox, const QRect& screen, const QRect& available) {
    const int usableBottom = screen.y() + screen.height() - MarginsOf(screen, available).bottom;
    const int mainBottom = mainBox.y() + mainBox.height();
    const int space = usableBottom - mainBottom;
    if (space > kListWindowSpace)
        return mainBox;
    return mainBox.translated(0, space - kListWindowSpace);
}

}  // namespace velotune
