// skin/tray_icon.h
//
// CTrayIconDlg is the player's notification-area icon: icon 230 with the tip "Velotune". A left
// button press on it brings the player back: a player hidden in the tray is shown again together
// with the list window that was visible when it was hidden, a minimised one is restored, and the
// main window then comes to the front. A right button press asks the controller for the system
// menu (from the tray).
//
// The icon needs a notification area on the desktop (a StatusNotifier host on the session bus or
// an X11 system tray); where there is none, AddIcon fails.
//
// Threading: user-interface thread only.
// Ownership: the playback controller owns it from its first use (made by the application's window
// factory) to the controller's own end; the icon goes with it.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include "playback/player_windows.h"

namespace velotune {

class CTorvikCommandCentre;

class CTrayIconDlg : public QObject, public ITrayIcon {
    Q_OBJECT

public:
    explicit CTrayIconDlg(CTorvikCommandCentre& controller);
    // Removes the icon when it is shown.
    ~CTrayIconDlg() override;
    CTrayIconDlg(const CTrayIconDlg&) = delete;
    CTrayIconDlg& operator=(const CTrayIconDlg&) = delete;

    // Makes the icon when needed and shows it. False when the desktop has no notification area
    // or the icon image is missing; nothing is shown then.
    bool AddIcon() override;
    // Takes the icon away (it can be added again).
    void RemoveIcon() override;
    // Sets the tip; kept for an icon made later.
    void SetTip(const QString& tip) override;
    bool IsShown() const;

    // What a left button press on the icon does; the icon calls it, and so may tests.
    void OnLeftButtonDown();

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    CTorvikCommandCentre& controller_;
    QSystemTrayIcon* icon_ = nullptr;  // child of this object; made by the first AddIcon
    QString tip_;
};

}  // namespace velotune
