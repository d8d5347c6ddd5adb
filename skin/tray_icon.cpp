#include "skin/tray_icon.h"

#include <QLoggingCategory>
#include <QWidget>

#include "playback/command_centre.h"
#include "res/resource_ids.h"
#include "res/texts.h"

Q_LOGGING_CATEGORY(lcTrayIcon, "velotune.trayicon")

namespace velotune {

CTrayIconDlg::CTrayIconDlg(CTorvikCommandCentre& controller) : controller_(controller) {}

CTrayIconDlg::~CTrayIconDlg() {
    RemoveIcon();
}

bool CTrayIconDlg::AddIcon() {
    // Qt would keep an icon that nobody can see and report it shown; without a notification
    // area the icon counts as not added, so that a hidden player is never out of reach.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qCInfo(lcTrayIcon) << "the desktop has no notification area";
        return false;
    }
    if (!icon_) {
        const QIcon image = res::LoadIcon(res::kIconTray);
        if (image.isNull()) {
            qCWarning(lcTrayIcon) << "the tray icon's image is missing";
            return false;
        }
        icon_ = new QSystemTrayIcon(image, this);
        icon_->setToolTip(tip_.isEmpty() ? QString::fromUtf8(text::kTrayIconTip).left(63) : tip_);
        connect(icon_, &QSystemTrayIcon::activated, this, &CTrayIconDlg::OnActivated);
    }
    icon_->show();
    return icon_->isVisible();
}

void CTrayIconDlg::RemoveIcon() {
    if (icon_)
        icon_->hide();
}

void CTrayIconDlg::SetTip(const QString& tip) {
    // The product's own tip is at most 63 characters, as the notification area of old kept it;
    // a song's title may run longer, up to what today's notification areas show.
    tip_ = tip.left(127);
    if (icon_)
        icon_->setToolTip(tip_);
}

bool CTrayIconDlg::IsShown() const {
    return icon_ && icon_->isVisible();
}

void CTrayIconDlg::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            OnLeftButtonDown();
            break;
        case QSystemTrayIcon::Context:
            controller_.ShowSystemMenu(1, QRect());
            break;
        default:
            break;
    }
}

void CTrayIconDlg::OnLeftButtonDown() {
    IMainWindow* main = controller_.MainWindow();
    if (!main)
        return;
    QWidget* window = main->Widget();
    if (!window->isVisible())
        controller_.HideToTray(1);  // shows it with the list window it had
    else if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

}  // namespace velotune
