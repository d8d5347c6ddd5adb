// skin/skin_windows.h
//
// CSkinWindows makes the player's menus and runs the Options dialog for the playback controller.
// The application's window factory (IPlayerWindowFactory, playback/player_windows.h) hands these
// three calls on to it:
//
//   std::unique_ptr<ISystemMenu> CreateSystemMenu(c) -> skin.CreateSystemMenu(c)
//   std::unique_ptr<IOpenMenu> CreateOpenMenu(c)     -> skin.CreateOpenMenu(c)
//   bool RunOptionsDialog(c, choices)                -> skin.RunOptionsDialog(c, choices)
//
// Threading: user-interface thread only. The object holds no state; it may be a member of the
// application's factory.
#pragma once

#include <memory>

#include "playback/player_windows.h"

namespace velotune {

class CTorvikCommandCentre;

class CSkinWindows {
public:
    // The system menu (CTorvikMenuDlg) and the open menu (COpenMenuDlg), made on the
    // controller's first use; the controller keeps them.
    std::unique_ptr<ISystemMenu> CreateSystemMenu(CTorvikCommandCentre& controller);
    std::unique_ptr<IOpenMenu> CreateOpenMenu(CTorvikCommandCentre& controller);

    // Runs the Options dialog modally over the main window (standing alone while the main window
    // is hidden). True when the user pressed OK; *choices then holds the choices and whether the
    // dialog could store its own.
    bool RunOptionsDialog(CTorvikCommandCentre& controller, OptionsChoices* choices);
};

}  // namespace velotune
