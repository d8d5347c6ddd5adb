// The tray icon on a real main window and controller (offscreen: no notification area, so the
// clicks are made by calling the icon's handler, as the icon would).
#include "skin/tray_icon.h"

#include <gtest/gtest.h>

#include "tests/skin/main_window_fixture.h"

namespace velotune::test {
namespace {

TEST_F(MainWindowTest, ALeftClickOnTheTrayIconBringsBackAHiddenOrMinimisedPlayer) {
    MakeController({MakeStation(QStringLiteral("One"), DeadUrl())}, {1});
    OpenWindow();
    CTrayIconDlg tray(*controller_);
    EXPECT_FALSE(tray.AddIcon());  // nowhere to show it
    EXPECT_FALSE(tray.IsShown());

    // Hidden in the tray with its playlist open: both come back.
    controller_->ShowPlaylist(window_, 1);
    controller_->HideToTray(0);
    ASSERT_FALSE(window_->isVisible());
    ASSERT_FALSE(factory_.playlist->isVisible());
    tray.OnLeftButtonDown();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(factory_.playlist->isVisible());

    // Hidden without a list window: the player alone comes back.
    controller_->ShowList(window_, 0);
    controller_->HideToTray(0);
    tray.OnLeftButtonDown();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(factory_.playlist->isVisible());

    // Minimised: restored.
    controller_->Minimize();
    ASSERT_TRUE(WaitFor([&] { return window_->isMinimized(); }));
    tray.OnLeftButtonDown();
    EXPECT_TRUE(WaitFor([&] { return !window_->isMinimized() && window_->isVisible(); }));
}

}  // namespace
}  // namespace velotune::test
