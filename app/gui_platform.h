// app/gui_platform.h
//
// The player's skinned windows place themselves on screen (snapping to the screen's edges and to
// each other, docking the list window below the main window). A Wayland compositor does not let
// a window place itself, so on a Wayland session the player asks Qt for its X11 platform, which
// the session's XWayland server provides. A platform the user chose (QT_QPA_PLATFORM) is kept,
// and so is Qt's own choice where there is no X server to use.
//
// Threading: call before the QApplication exists (it changes the process environment).
#pragma once

#include <QByteArray>

namespace velotune {

// The platform the player asks Qt for, given the environment's QT_QPA_PLATFORM,
// XDG_SESSION_TYPE, WAYLAND_DISPLAY and DISPLAY; empty to leave the choice to Qt.
QByteArray PlayerPlatformFor(const QByteArray& qpaPlatform, const QByteArray& sessionType,
                             const QByteArray& waylandDisplay, const QByteArray& x11Display);

// Sets QT_QPA_PLATFORM from PlayerPlatformFor on this process's environment.
void ChoosePlayerPlatform();

}  // namespace velotune
