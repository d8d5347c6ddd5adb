// The docking rules of a dragged list window (300 x 252) against a main window at
// (500, 300, 300 x 104) on a 1280 x 1024 screen whose panel takes 40 pixels at the bottom.
#include "stations_ui/list_docking.h"

#include <gtest/gtest.h>

namespace velotune {
namespace {

const QRect kScreen(0, 0, 1280, 1024);
const ScreenMargins kPanelBelow{0, 0, 0, 40};
const QRect kMain(500, 300, 300, 104);  // L 500, T 300, R 800, B 404
const QSize kList(300, 252);

struct Case {
    const char* what;
    QPoint proposed;
    QPoint expected;
    bool bound;
    bool bottomBound;
};

class DockingTest : public ::testing::TestWithParam<Case> {};

TEST_P(DockingTest, LandsWhereTheRulesSay) {
    const Case& c = GetParam();
    const ListDocking docking = DockListWindow(c.proposed, kList, kScreen, kPanelBelow, kMain);
    EXPECT_EQ(docking.pos, c.expected) << c.what;
    EXPECT_EQ(docking.bound, c.bound) << c.what;
    EXPECT_EQ(docking.bottomBound, c.bottomBound) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DockingTest,
    ::testing::Values(
        Case{"free", {100, 100}, {100, 100}, false, false},
        Case{"screen's left and top edges", {-7, 9}, {0, 0}, false, false},
        Case{"above the panel, inclusive at 10",
             {100, 1024 - 40 - 252 + 10},
             {100, 1024 - 40 - 252},
             false,
             false},
        Case{"11 pixels is not near",
             {100, 1024 - 40 - 252 + 11},
             {100, 1024 - 40 - 252 + 11},
             false,
             false},
        Case{"below, left edges aligned", {492, 410}, {500, 404}, true, true},
        Case{"below, overlapping only", {650, 398}, {650, 404}, true, true},
        Case{"above it", {640, 300 - 252 - 6}, {640, 300 - 252}, true, false},
        Case{"left of it, tops aligned", {200 + 8, 293}, {200, 300}, true, false},
        Case{"right of it, bottoms aligned", {805, 404 - 252 + 4}, {800, 404 - 252}, true, false},
        Case{"right of it but too far below", {805, 404 + 11}, {805, 404 + 11}, false, false}));

TEST(Docking, WithoutAMainWindowOnlyTheScreenCounts) {
    const ListDocking docking =
        DockListWindow(QPoint(1280 - 300 + 5, 400), kList, kScreen, kPanelBelow, std::nullopt);
    EXPECT_EQ(docking.pos, QPoint(1280 - 300, 400));
    EXPECT_FALSE(docking.bound);
}

}  // namespace
}  // namespace velotune
