// playback/player_messages.h
//
// What the playback controller tells windows, and the results of its operations.
//
// The controller posts two window messages (platform/winmsg: a WindowMessage event whose type is
// the message number). Both are posted, never sent, and are handled by the receiving window on
// the user-interface thread:
// - WM_PLAYER_STATUS to the window that started the current playback (the owner window), with a
//   notification code in wParam and 0 in lParam;
// - WM_PLAYER_SELECTION to the main window, with the new selected 1-based row of the current list
//   in wParam (0: none) and 0 in lParam. The list windows post it too when the user clicks a row.
#pragma once

#include "platform/winmsg/winmsg.h"

namespace velotune {

inline constexpr int WM_PLAYER_SELECTION = platform::kWmApp + 15;  // 0x800F
inline constexpr int WM_PLAYER_STATUS = platform::kWmApp + 30;     // 0x801E

// Notification codes of WM_PLAYER_STATUS: which playback status the engine reported.
inline constexpr int PLAYER_TUNED = 0x8020;         // 3: playing a live stream
inline constexpr int PLAYER_BUFFERING = 0x8022;     // 6: tuning or buffering
inline constexpr int PLAYER_CLOSED = 0x8024;        // 1: the engine let go of the stream
inline constexpr int PLAYER_STOPPED = 0x8025;       // 5: stopped (not posted while a start runs)
inline constexpr int PLAYER_FILE_PLAYING = 0x8026;  // 4: playing a file or on-demand source
inline constexpr int PLAYER_RECONNECTING = 0x8027;  // 7: a dropped live stream reconnects

// Results of the controller's operations. Callers test for kCcOk; whatever the user must be told
// has been shown already.
inline constexpr int kCcOk = 0;
inline constexpr int kCcSettingsWriteFailed = 39;  // a setting could not be stored
inline constexpr int kCcPlaybackFailed = 47;       // playback failed to start or to stop
inline constexpr int kCcUpdaterNotStarted = 51;    // the updater program did not start
inline constexpr int kCcNothingToActOn = 56;       // nothing selected, or the entry is not there
inline constexpr int kCcStackingFailed = 73;       // the main window's stacking could not change

}  // namespace velotune
