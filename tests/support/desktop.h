// tests/support/desktop.h
//
// Driving real programs on the private X display that a test runs on (velotune_add_test DISPLAY):
// a window manager (openbox) and a notification area (trayer) for the display, and xdotool to
// find windows, read where they are, click and type as a user would. None of this needs the test
// program's own event loop; waits poll with a timeout.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "tests/support/child_process.h"

namespace velotune::test {

// How long a desktop wait lasts by default: generous, for a loaded machine.
inline constexpr int kDesktopWaitMs = 60000;

// Polls until done() holds or timeoutMs pass; false on timeout.
bool Eventually(const std::function<bool()>& done, int timeoutMs = kDesktopWaitMs);

// Runs xdotool; its standard output, trimmed, or nothing when it failed.
std::optional<QString> Xdotool(const QStringList& args);

// The ids of the top-level windows of that exact title (letters, digits and blanks only); with
// visibleOnly, only mapped (shown, not minimised) ones.
QStringList FindWindows(const QString& title, bool visibleOnly = false);
// The first of them, or empty.
QString FindWindow(const QString& title, bool visibleOnly = false);
// Waits until a visible window of that title is there; its id, or empty on timeout.
QString WaitForWindow(const QString& title, int timeoutMs = kDesktopWaitMs);

// Gives the window the focus and types the keys into it (xdotool key names: "Return",
// "alt+F4").
bool Keys(const QString& window, const QStringList& keys);

// Where a window is on screen.
std::optional<QRect> WindowGeometry(const QString& window);

// Moves the pointer to a screen position and clicks there with a mouse button (1 left, 3 right).
bool ClickAt(const QPoint& position, int button = 1);

// A window manager and, when asked for, a notification area on $DISPLAY, for as long as the
// object lives.
class Desktop {
public:
    Desktop() = default;
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Starts openbox and waits until it manages the display. False, with the reason in
    // *diagnostics, when it did not come up.
    bool StartWindowManager(QString* diagnostics);
    // Starts trayer (a notification area at the screen's top right edge) and waits until it is
    // on screen and owns the display's tray.
    bool StartTray(QString* diagnostics);
    // Where the notification area is; empty before StartTray.
    QRect TrayGeometry() const;

private:
    ChildProcess windowManager_;
    ChildProcess tray_;
    QString trayWindow_;
};

}  // namespace velotune::test
