// Snapping and keeping on screen as plain arithmetic, on screens with panels at each edge.
#include "skin/window_placement.h"

#include <gtest/gtest.h>

namespace velotune {
namespace {

const QRect kScreen(0, 0, 1280, 1024);
const QSize kMain(300, 104);

TEST(SnapToScreen, EdgesWithinTenPixelsOfTheUsableAreaSnapFlush) {
    // A 40-pixel panel at the bottom, one of 24 at the top, 48 on the left, 32 on the right.
    const QRect usable(48, 24, 1280 - 48 - 32, 1024 - 24 - 40);
    const int right = usable.x() + usable.width();
    const int bottom = usable.y() + usable.height();
    EXPECT_EQ(SnapToScreen({58, 34}, kMain, usable), QPoint(48, 24));
    EXPECT_EQ(SnapToScreen({38, 14}, kMain, usable), QPoint(48, 24));
    EXPECT_EQ(SnapToScreen({59, 35}, kMain, usable), QPoint(59, 35));
    // Flush against the panels at the right and at the bottom.
    EXPECT_EQ(SnapToScreen({right - 300 - 10, bottom - 104 + 10}, kMain, usable),
              QPoint(right - 300, bottom - 104));
    EXPECT_EQ(SnapToScreen({right - 300 + 11, bottom - 104 - 11}, kMain, usable),
              QPoint(right - 300 + 11, bottom - 104 - 11));
    // A screen to the right of another: its own edges count.
    const QRect second(1280, 0, 1024, 768);
    EXPECT_EQ(SnapToScreen({1285, 670}, kMain, second), QPoint(1280, 768 - 104));
}

TEST(SnapToListWindow, SnapsBelowAboveAndBesideTheListWindow) {
    const QRect list(200, 300, 300, 252);  // bottom edge at 552, right edge at 500
    // Below, left edges within reach: exactly below, left edges aligned.
    EXPECT_EQ(SnapToListWindow({207, 558}, kMain, list), QPoint(200, 552));
    // Below but shifted sideways: only the top edge snaps.
    EXPECT_EQ(SnapToListWindow({330, 545}, kMain, list), QPoint(330, 552));
    // Above.
    EXPECT_EQ(SnapToListWindow({195, 300 - 104 + 6}, kMain, list), QPoint(200, 196));
    // Beside it on the left and on the right, tops aligned when within reach.
    EXPECT_EQ(SnapToListWindow({-95, 305}, kMain, list), QPoint(-100, 300));
    EXPECT_EQ(SnapToListWindow({505, 400}, kMain, list), QPoint(500, 400));
    EXPECT_EQ(SnapToListWindow({492, 552 - 104 - 4}, kMain, list), QPoint(500, 448));
    // Far away: unchanged.
    EXPECT_EQ(SnapToListWindow({700, 700}, kMain, list), QPoint(700, 700));
    // Beside but not level with it: no snap.
    EXPECT_EQ(SnapToListWindow({505, 700}, kMain, list), QPoint(505, 700));
}

TEST(KeepOnScreenTop, NearTheBottomTheWindowGoesFlushAboveTheListRoom) {
    const QRect usable(0, 0, 1280, 1024 - 40);  // a 40-pixel taskbar at the bottom
    // A minibar that was a main view on the bottom edge stays on it.
    EXPECT_EQ(KeepOnScreenTop(984 - 104, 18, 107, usable, 0), 984 - 18);
    EXPECT_EQ(KeepOnScreenTop(984 - 107, 18, 107, usable, 0), 984 - 18);
    EXPECT_EQ(KeepOnScreenTop(984 - 108, 18, 107, usable, 0), 984 - 108);
    // With a list window below, above the 252 pixels it needs.
    EXPECT_EQ(KeepOnScreenTop(984 - 252 - 104, 18, 107, usable, 252), 984 - 252 - 18);
    // A main view that would reach below the usable bottom moves up.
    EXPECT_EQ(KeepOnScreenTop(984 - 18, 104, 104, usable, 0), 984 - 104);
    EXPECT_EQ(KeepOnScreenTop(984 - 252 - 18, 104, 104, usable, 252), 984 - 252 - 104);
    EXPECT_EQ(KeepOnScreenTop(100, 104, 104, usable, 252), 100);
}

}  // namespace
}  // namespace velotune
