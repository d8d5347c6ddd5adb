#include "skin/menus.h"

#include <QCursor>
#include <QLoggingCategory>
#include <QMenu>
#include <QUrl>
#include <functional>
#include <span>

#include "platform/msgbox/msgbox.h"
#include "playback/command_centre.h"
#include "report/maker_site.h"
#include "res/texts.h"
#include "skin/about_dialog.h"
#include "skin/dialog_parent.h"
#include "skin/main_window.h"

Q_LOGGING_CATEGORY(lcMenus, "velotune.menus")

namespace velotune {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

struct MenuEntry {
    int id;  // 0: a separator
    const char* text;
    bool checkable;
};

constexpr MenuEntry kSeparator{0, nullptr, false};

constexpr MenuEntry kSystemMenuEntries[] = {
    {kCmdPlay, text::kMenuPlay, false},
    {kCmdStop, text::kMenuStop, false},
    {kCmdStationInfo, text::kMenuStationInfo, false},
    {kCmdNextEntry, text::kMenuNextEntry, false},
    {kCmdPreviousEntry, text::kMenuPreviousEntry, false},
    kSeparator,
    {kCmdShowFilelist, text::kMenuShowFilelist, true},
    {kCmdShowPlaylist, text::kMenuShowPlaylist, true},
    {kCmdSwitchToMinibar, text::kMenuSwitchToMinibar, true},
    {kCmdAlwaysOnTop, text::kMenuAlwaysOnTop, true},
    {kCmdOptions, text::kMenuOptions, false},
    {kCmdUpdateDatabase, text::kMenuUpdateDatabase, false},
    kSeparator,
    {kCmdVisitWebsite, text::kMenuVisitWebsite, false},
    {kCmdOnlineHelp, text::kMenuOnlineHelp, false},
    {kCmdAbout, text::kMenuAbout, false},
    kSeparator,
    {kCmdExit, text::kMenuExit, false},
};

constexpr MenuEntry kOpenMenuEntries[] = {
    {kCmdOpenPlaylist, text::kMenuOpenPlaylist, false},
    {kCmdOpenFilelist, text::kMenuOpenFilelist, false},
    kSeparator,
    {kCmdCancel, text::kMenuCancel, false},
};

std::unique_ptr<QMenu> MakeMenu(int number, std::span<const MenuEntry> entries) {
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QString::number(number));
    for (const MenuEntry& entry : entries) {
        if (entry.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Text(entry.text));
        action->setObjectName(QString::number(entry.id));
        action->setData(entry.id);
        action->setCheckable(entry.checkable);
    }
    return menu;
}

QAction* Item(QMenu* menu, int id) {
    return menu->findChild<QAction*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void SetItem(QMenu* menu, int id, bool enabled, bool checked = false) {
    if (QAction* action = Item(menu, id)) {
        action->setEnabled(enabled);
        action->setChecked(checked);
    }
}

QWidget* MainWidget(const CTorvikCommandCentre& controller) {
    return controller.MainWindow() ? controller.MainWindow()->Widget() : nullptr;
}

void FocusMainWindow(const CTorvikCommandCentre& controller) {
    QWidget* main = MainWidget(controller);
    if (!main || !main->isVisible())
        return;
    main->activateWindow();
    main->setFocus();
}

// Makes mode's list the current one and shows its window when it is hidden, or hides the list
// windows when it is visible.
void ToggleListWindow(CTorvikCommandCentre& controller, int mode) {
    controller.SetListMode(mode);
    controller.ShowList(MainWidget(controller), controller.IsListVisible() ? 0 : 1);
}

// Shows menu at pos until the user has chosen or dismissed it; the chosen command reaches
// onCommand once control is back in the event loop, as a posted command would.
void RunMenu(QObject* owner, QMenu* menu, const QPoint& pos, std::function<void(int)> onCommand) {
    QAction* chosen = menu->exec(pos);
    if (!chosen)
        return;
    const int id = chosen->data().toInt();
    QMetaObject::invokeMethod(
        owner, [onCommand = std::move(onCommand), id] { onCommand(id); }, Qt::QueuedConnection);
}

}  // namespace

// ---- System menu -------------------------------------------------------------------------------

CTorvikMenuDlg::CTorvikMenuDlg(CTorvikCommandCentre& controller) : controller_(controller) {}

CTorvikMenuDlg::~CTorvikMenuDlg() = default;

QMenu* CTorvikMenuDlg::Menu() {
    if (!menu_)
        menu_ = MakeMenu(kIdSystemMenu, kSystemMenuEntries);
    return menu_.get();
}

int CTorvikMenuDlg::Show(bool fromTray, const QRect& anchor) {
    fromTray_ = fromTray;
    QMenu* menu = Menu();
    Prepare();
    const QPoint pos =
        fromTray ? QCursor::pos() : QPoint(anchor.x(), anchor.y() + anchor.height() + 1);
    RunMenu(this, menu, pos, [this](int id) { OnCommand(id); });
    return 0;
}

void CTorvikMenuDlg::Prepare() {
    QMenu* menu = Menu();

    // Play, Stop and Station Info. A playing row of -1 is never reported by the controller, but
    // the rule for it is kept so that the menu stays right should one ever be.
    const int playing = controller_.GetPlayingIndex();
    const int selection = controller_.GetSelectedIndex();
    bool play = false;
    bool stop = false;
    bool info = true;
    if (playing != -1) {
        if (selection == -1 || selection == 0) {
            info = false;
        } else {
            switch (controller_.GetPlaybackStatus()) {
                case kStatusLive:
                case kStatusFile:
                    stop = true;
                    break;
                case kStatusBuffering:
                    break;
                default:
                    play = true;
                    break;
            }
        }
    }
    SetItem(menu, kCmdPlay, play);
    SetItem(menu, kCmdStop, stop);
    SetItem(menu, kCmdStationInfo, info);

    const IMainWindow* main = controller_.MainWindow();
    const QWidget* mainWidget = MainWidget(controller_);
    const bool mainAway = !mainWidget || !mainWidget->isVisible() || mainWidget->isMinimized();
    SetItem(menu, kCmdSwitchToMinibar, !mainAway, main && main->IsMini());
    SetItem(menu, kCmdAlwaysOnTop, true, controller_.IsAlwaysOnTop() == 1);

    // Only the current list's window is ever shown.
    const bool listVisible = controller_.IsListVisible();
    const bool fileList = controller_.GetListMode() == CTorvikCommandCentre::kFileListMode;
    // A list window belongs beside the main window: neither can be shown while it is away.
    SetItem(menu, kCmdShowFilelist, !mainAway, listVisible && fileList);
    SetItem(menu, kCmdShowPlaylist, !mainAway, listVisible && !fileList);
}

void CTorvikMenuDlg::OnCommand(int id) {
    QWidget* main = MainWidget(controller_);
    switch (id) {
        case kCmdPlay:
            // As the main window's Play button: the selected row of the current list.
            if (controller_.GetListMode() == CTorvikCommandCentre::kFileListMode) {
                if (const int row = controller_.GetSelectedIndex())
                    controller_.PlayFile(row);
            } else if (main) {
                controller_.Play(0, main);
            }
            break;
        case kCmdStop:
            controller_.Stop();
            break;
        case kCmdNextEntry:
            controller_.NextEntry();
            break;
        case kCmdPreviousEntry:
            controller_.PreviousEntry();
            break;
        case kCmdStationInfo:
            controller_.StationInfo();
            break;
        case kCmdShowFilelist:
            ToggleListWindow(controller_, CTorvikCommandCentre::kFileListMode);
            break;
        case kCmdShowPlaylist:
            ToggleListWindow(controller_, CTorvikCommandCentre::kPlaylistMode);
            break;
        case kCmdSwitchToMinibar:
            if (auto* window = dynamic_cast<CTorvikMainDlg*>(controller_.MainWindow())) {
                if (window->IsMini())
                    window->SwitchToMainView();
                else
                    window->SwitchToMinibar();
            }
            break;
        case kCmdAlwaysOnTop:
            if (controller_.ApplyAlwaysOnTop(controller_.IsAlwaysOnTop() ? 0 : 1) != kCcOk)
                qCDebug(lcMenus) << "the always-on-top choice was not fully applied";
            break;
        case kCmdOptions:
            controller_.ApplyOptions();
            break;
        case kCmdUpdateDatabase:
            if (controller_.StartUpdater() == kCcUpdaterNotStarted)
                platform::ShowMessageBox(MainWidget(controller_), Text(text::kUpdaterNotStarted));
            break;
        case kCmdVisitWebsite:
            controller_.OpenWebPage(ProductPageUrl());
            break;
        case kCmdOnlineHelp:
            controller_.ShowHelp();
            break;
        case kCmdAbout: {
            CAboutDlg about(DialogParent(controller_));
            platform::OwnDialog(&about, DialogParent(controller_));
            about.exec();
            break;
        }
        case kCmdExit:
            // From the tray the program ends; from the Menu button it goes to the tray when
            // there is one.
            controller_.Exit(fromTray_ ? 1 : 0);
            break;
        default:
            break;
    }
    FocusMainWindow(controller_);
}

// ---- Open menu ---------------------------------------------------------------------------------

COpenMenuDlg::COpenMenuDlg(CTorvikCommandCentre& controller) : controller_(controller) {}

COpenMenuDlg::~COpenMenuDlg() = default;

QMenu* COpenMenuDlg::Menu() {
    if (!menu_)
        menu_ = MakeMenu(kIdOpenMenu, kOpenMenuEntries);
    return menu_.get();
}

int COpenMenuDlg::Show(const QRect& anchor) {
    QMenu* menu = Menu();
    RunMenu(this, menu, QPoint(anchor.x(), anchor.y() + anchor.height() + 2),
            [this](int id) { OnCommand(id); });
    return 0;
}

void COpenMenuDlg::OnCommand(int id) {
    switch (id) {
        case kCmdOpenPlaylist:
            ToggleListWindow(controller_, CTorvikCommandCentre::kPlaylistMode);
            break;
        case kCmdOpenFilelist:
            ToggleListWindow(controller_, CTorvikCommandCentre::kFileListMode);
            break;
        default:  // Cancel
            break;
    }
    FocusMainWindow(controller_);
}

}  // namespace velotune
