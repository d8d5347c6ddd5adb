#include "playback/docking.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

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

namespace velotune {

namespace {

// Beyond this no screen arrangement reaches; a coordinate out there is a damaged setting, and
// rectangle arithmetic on it could overflow.
constexpr int kFarthestCoordinate = 1 << 20;

}  // namespace

QPoint PlaceOnScreens(const QPoint& topLeft, const QSize& size, const QList<QRect>& screens,
                      const QRect& primaryAvailable) {
    const bool sane = std::abs(topLeft.x()) <= kFarthestCoordinate &&
                      std::abs(topLeft.y()) <= kFarthestCoordinate;
    if (sane) {
        const QRect window(topLeft, size.expandedTo(QSize(1, 1)));
        for (const QRect& screen : screens)
            if (screen.intersects(window))
                return topLeft;
    }
    if (!primaryAvailable.isValid())
        return sane ? topLeft : QPoint(0, 0);
    const QRect area = primaryAvailable;
    if (!sane)
        return area.topLeft();
    // The nearest place whose whole window lies on the usable area (its top-left corner when the
    // window is larger than the area).
    const int x = std::max(area.left(), std::min(topLeft.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(topLeft.y(), area.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

QPoint PlaceOnScreens(const QPoint& topLeft, const QSize& size) {
    QList<QRect> geometries;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens())
        geometries.append(screen->geometry());
    return PlaceOnScreens(topLeft, size, geometries,
                          primary ? primary->availableGeometry() : QRect());
}

}  // namespace velotune
