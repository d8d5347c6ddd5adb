#include "stations_ui/list_docking.h"

#include <cstdlib>

namespace velotune {
namespace {

bool Near(int a, int b) {
    return std::abs(a - b) <= kDockDistance;
}

}  // namespace

ListDocking DockListWindow(QPoint proposed, QSize size, const QRect& screen,
                           const ScreenMargins& margins, const std::optional<QRect>& mainBox) {
    int x = proposed.x();
    int y = proposed.y();
    const int w = size.width();
    const int h = size.height();
    ListDocking result;

    // The usable area's edges; right and bottom lie just outside it.
    const int left = screen.x() + margins.left;
    const int top = screen.y() + margins.top;
    const int right = screen.x() + screen.width() - margins.right;
    const int bottom = screen.y() + screen.height() - margins.bottom;
    if (Near(x, left))
        x = left;
    if (Near(y, top))
        y = top;
    if (Near(x + w, right))
        x = right - w;
    if (Near(y + h, bottom))
        y = bottom - h;

    if (mainBox) {
        const int L = mainBox->x();
        const int T = mainBox->y();
        const int R = mainBox->x() + mainBox->width();
        const int B = mainBox->y() + mainBox->height();
        const auto overlapsHorizontally = [&] {
            return x + w >= L - kDockDistance && x <= R + kDockDistance;
        };
        const auto overlapsVertically = [&] {
            return y + h >= T - kDockDistance && y <= B + kDockDistance;
        };
        // Beside the main window the list window lines up with its top or bottom edge.
        const auto alignVertically = [&] {
            if (Near(y, T))
                y = T;
            if (Near(y, B))
                y = B;
            if (Near(y + h, T))
                y = T - h;
            if (Near(y + h, B))
                y = B - h;
        };

        if (Near(x, L)) {
            if (Near(y, B)) {
                result.bound = true;
                x = L;
                y = B;
            }
            if (Near(y + h, T)) {
                result.bound = true;
                x = L;
                y = T - h;
            }
        }
        if (Near(y, B) && overlapsHorizontally()) {
            result.bound = true;
            result.bottomBound = true;
            y = B;
        }
        if (Near(y + h, T) && overlapsHorizontally()) {
            result.bound = true;
            y = T - h;
        }
        if (Near(x + w, L) && overlapsVertically()) {
            result.bound = true;
            x = L - w;
            alignVertically();
        }
        if (Near(x, R) && overlapsVertically()) {
            result.bound = true;
            x = R;
            alignVertically();
        }
    }
    result.pos = QPoint(x, y);
    return result;
}

}  // namespace velotune
