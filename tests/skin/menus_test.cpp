// The system menu and the open menu on a real main window, controller and station database: how
// the system menu is prepared for the state of playback and of the windows, and what each
// command does.
#include "skin/menus.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include "app/settings/settings_store.h"
#include "playback/player_messages.h"
#include "report/maker_site.h"
#include "skin/about_dialog.h"
#include "skin/controls/skinbutton.h"
#include "tests/skin/main_window_fixture.h"
#include "tests/skin/popup_driver.h"

namespace velotune::test {
namespace {

// Receives the addresses the desktop is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    explicit UrlCatcher(const QStringList& schemes) : schemes_(schemes) {
        for (const QString& scheme : schemes_)
            QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~UrlCatcher() override {
        for (const QString& scheme : schemes_)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> urls;

public Q_SLOTS:
    void Open(const QUrl& url) { urls.append(url); }

private:
    QStringList schemes_;
};

struct ItemState {
    bool enabled = false;
    bool checked = false;
};

class MenusTest : public MainWindowTest {
protected:
    void SetUp() override {
        MakeController({MakeStation(QStringLiteral("Alpha FM"), DeadUrl()),
                        MakeStation(QStringLiteral("Bravo Radio"), DeadUrl()),
                        MakeStation(QStringLiteral("Charlie 101"), DeadUrl())},
                       {1, 2, 3});
        OpenWindow();
    }

    // Opens the system menu as the Menu button (fromTray false) or the tray icon does and hands
    // it to use while it is up; then lets the chosen command run.
    void UseSystemMenu(bool fromTray, std::function<void(QMenu*)> use) {
        WhenMenuUp(std::move(use));
        controller_->ShowSystemMenu(fromTray ? 1 : 0, MenuButtonRect());
        Drain();
    }
    // Chooses an item of the system menu, which must be enabled.
    void Choose(int id, bool fromTray = false) {
        UseSystemMenu(fromTray, [id](QMenu* menu) {
            EXPECT_TRUE(menu->findChild<QAction*>(QString::number(id))->isEnabled()) << id;
            EXPECT_TRUE(ClickItem(menu, id));
        });
    }
    // The state of some items as the menu showed them.
    QMap<int, ItemState> Items(const QList<int>& ids, bool fromTray = false) {
        QMap<int, ItemState> states;
        UseSystemMenu(fromTray, [&](QMenu* menu) {
            for (int id : ids) {
                const QAction* action = menu->findChild<QAction*>(QString::number(id));
                states[id] = {action->isEnabled(), action->isChecked()};
            }
        });
        return states;
    }
    void ChooseInOpenMenu(int id) {
        WhenMenuUp([id](QMenu* menu) { EXPECT_TRUE(ClickItem(menu, id)); });
        controller_->ShowOpenMenu(
            window_->Button(kIdOpenEx)->geometry().translated(window_->mapToGlobal(QPoint(0, 0))));
        Drain();
    }

    QRect MenuButtonRect() const {
        return window_->Button(kIdMenu)->geometry().translated(window_->mapToGlobal(QPoint(0, 0)));
    }
    bool PlaylistVisible() const { return factory_.playlist && factory_.playlist->isVisible(); }
    bool FileListVisible() const { return factory_.fileList && factory_.fileList->isVisible(); }
};

TEST_F(MenusTest, TheSystemMenuOpensUnderTheMenuButtonWithItsItemsInOrder) {
    QPoint shownAt;
    QStringList items;
    UseSystemMenu(false, [&](QMenu* menu) {
        shownAt = menu->pos();
        items = MenuItems(menu);
        EXPECT_EQ(menu->objectName(), QStringLiteral("102"));
    });
    const QRect button = MenuButtonRect();
    EXPECT_EQ(shownAt, QPoint(button.x(), button.y() + button.height() + 1));
    EXPECT_EQ(
        items,
        (QStringList{"40015 Play", "40017 Stop", "40023 Station Info", "40018 Next Station/File",
                     "40019 Prev Station/File", "-", "32777 Show Filelist", "40010 Show Playlist",
                     "40027 Switch to Minibar", "40025 Always on top", "40024 Velotune Options",
                     "32773 Update Station Database", "-", "32771 Visit Velotune Website",
                     "32772 Online Help", "40011 About", "-", "40012 Exit"}));
}

TEST_F(MenusTest, PlayStopAndStationInfoFollowTheSelectionAndTheStatus) {
    MakeWindowTheOwner();  // status reports now count
    struct Row {
        int selection;
        int status;
        bool play, stop, info;
    };
    const Row rows[] = {
        {0, kStatusStopped, false, false, false}, {0, kStatusLive, false, false, false},
        {2, kStatusStopped, true, false, true},   {2, kStatusLive, false, true, true},
        {2, kStatusFile, false, true, true},      {2, kStatusBuffering, false, false, true},
        {2, kStatusClosed, true, false, true},
    };
    for (const Row& row : rows) {
        controller_->SetSelectedIndex(row.selection);
        controller_->SetPlaybackStatus(row.status);
        Drain();
        const auto items = Items({kCmdPlay, kCmdStop, kCmdStationInfo});
        EXPECT_EQ(items[kCmdPlay].enabled, row.play) << row.selection << "/" << row.status;
        EXPECT_EQ(items[kCmdStop].enabled, row.stop) << row.selection << "/" << row.status;
        EXPECT_EQ(items[kCmdStationInfo].enabled, row.info) << row.selection << "/" << row.status;
    }
}

TEST_F(MenusTest, CheckMarksShowTheLayoutTheStackingAndTheVisibleList) {
    auto items = Items({kCmdSwitchToMinibar, kCmdAlwaysOnTop, kCmdShowFilelist, kCmdShowPlaylist});
    EXPECT_FALSE(items[kCmdSwitchToMinibar].checked);
    EXPECT_TRUE(items[kCmdAlwaysOnTop].checked);  // the start-up stored 1
    EXPECT_FALSE(items[kCmdShowFilelist].checked);
    EXPECT_FALSE(items[kCmdShowPlaylist].checked);

    window_->SwitchToMinibar();
    ASSERT_TRUE(controller_->Settings().WriteAlwaysOnTop(0));
    controller_->ShowPlaylist(window_, 1);
    items = Items({kCmdSwitchToMinibar, kCmdAlwaysOnTop, kCmdShowFilelist, kCmdShowPlaylist});
    EXPECT_TRUE(items[kCmdSwitchToMinibar].checked);
    EXPECT_FALSE(items[kCmdAlwaysOnTop].checked);
    EXPECT_FALSE(items[kCmdShowFilelist].checked);
    EXPECT_TRUE(items[kCmdShowPlaylist].checked);

    controller_->ShowFileList(window_, 1);
    items = Items({kCmdShowFilelist, kCmdShowPlaylist});
    EXPECT_TRUE(items[kCmdShowFilelist].checked);
    EXPECT_FALSE(items[kCmdShowPlaylist].checked);
}

TEST_F(MenusTest, AMinimisedOrHiddenPlayerGreysTheLayoutAndPlaylistItems) {
    const QList<int> ids{kCmdSwitchToMinibar, kCmdShowPlaylist, kCmdShowFilelist};
    auto items = Items(ids);
    EXPECT_TRUE(items[kCmdSwitchToMinibar].enabled);
    EXPECT_TRUE(items[kCmdShowPlaylist].enabled);

    controller_->Minimize();
    ASSERT_TRUE(window_->isMinimized());
    items = Items(ids);
    EXPECT_FALSE(items[kCmdSwitchToMinibar].enabled);
    EXPECT_FALSE(items[kCmdShowPlaylist].enabled);
    EXPECT_TRUE(items[kCmdShowFilelist].enabled);

    window_->showNormal();
    controller_->HideToTray(0);
    ASSERT_FALSE(window_->isVisible());
    items = Items(ids, true);
    EXPECT_FALSE(items[kCmdSwitchToMinibar].enabled);
    EXPECT_FALSE(items[kCmdShowPlaylist].enabled);
    EXPECT_TRUE(items[kCmdShowFilelist].enabled);
}

TEST_F(MenusTest, ShowPlaylistAndShowFilelistToggleTheirWindows) {
    Choose(kCmdShowPlaylist);
    EXPECT_TRUE(PlaylistVisible());
    EXPECT_EQ(controller_->GetListMode(), CTorvikCommandCentre::kPlaylistMode);

    // The other list replaces it.
    Choose(kCmdShowFilelist);
    EXPECT_TRUE(FileListVisible());
    EXPECT_FALSE(PlaylistVisible());
    EXPECT_EQ(controller_->GetListMode(), CTorvikCommandCentre::kFileListMode);

    Choose(kCmdShowFilelist);
    EXPECT_FALSE(FileListVisible());
    EXPECT_FALSE(PlaylistVisible());
    EXPECT_EQ(controller_->GetListMode(), CTorvikCommandCentre::kFileListMode);
}

TEST_F(MenusTest, TheOpenMenuShowsAndHidesTheListsUnderTheOpenButton) {
    QPoint shownAt;
    QStringList items;
    WhenMenuUp([&](QMenu* menu) {
        shownAt = menu->pos();
        items = MenuItems(menu);
    });
    const QRect button =
        window_->Button(kIdOpenEx)->geometry().translated(window_->mapToGlobal(QPoint(0, 0)));
    controller_->ShowOpenMenu(button);
    EXPECT_EQ(shownAt, QPoint(button.x(), button.y() + button.height() + 2));
    EXPECT_EQ(items,
              (QStringList{"32775 Open Playlist", "32774 Open Filelist", "-", "32776 Cancel"}));

    ChooseInOpenMenu(kCmdOpenFilelist);
    EXPECT_TRUE(FileListVisible());
    ChooseInOpenMenu(kCmdOpenPlaylist);
    EXPECT_TRUE(PlaylistVisible());
    EXPECT_FALSE(FileListVisible());
    ChooseInOpenMenu(kCmdCancel);
    EXPECT_TRUE(PlaylistVisible());
    ChooseInOpenMenu(kCmdOpenPlaylist);
    EXPECT_FALSE(PlaylistVisible());
}

TEST_F(MenusTest, PlayAndTheListCommandsReachTheController) {
    controller_->SetSelectedIndex(1);
    Choose(kCmdNextEntry);
    EXPECT_EQ(controller_->GetSelectedStationIndex(), 2);
    Choose(kCmdPreviousEntry);
    EXPECT_EQ(controller_->GetSelectedStationIndex(), 1);

    Choose(kCmdStationInfo);
    ASSERT_FALSE(factory_.editorRuns.isEmpty());
    EXPECT_EQ(factory_.editorRuns.last(), controller_->StationIdAt(1));

    // Played with the main window as the owner, which shows the outcome.
    Choose(kCmdPlay);
    EXPECT_EQ(Display(), Pad(QStringLiteral("Failed to Connect to Station Alpha FM")));

    // With the file list current, Play plays its selected file rather than a station.
    AddFileEntry(QStringLiteral("gone.wma"), QDir::tempPath() + QStringLiteral("/gone.wma"));
    UseFileList(1);
    Choose(kCmdPlay);
    EXPECT_EQ(Display(), Pad(QStringLiteral("Failed to Playback gone.wma")));
    EXPECT_EQ(controller_->GetPlayingStationIndex(), 0);
}

TEST_F(MenusTest, SwitchToMinibarAndAlwaysOnTopToggle) {
    Choose(kCmdSwitchToMinibar);
    EXPECT_EQ(window_->IsMini(), 1);
    Choose(kCmdSwitchToMinibar);
    EXPECT_EQ(window_->IsMini(), 0);

    int onTop = -1;
    Choose(kCmdAlwaysOnTop);
    ASSERT_TRUE(controller_->Settings().ReadAlwaysOnTop(&onTop));
    EXPECT_EQ(onTop, 0);
    EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    Choose(kCmdAlwaysOnTop);
    ASSERT_TRUE(controller_->Settings().ReadAlwaysOnTop(&onTop));
    EXPECT_EQ(onTop, 1);
    EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(MenusTest, AnUpdaterThatDoesNotStartIsExplained) {
    // The program folder of the test holds no updater.
    Choose(kCmdUpdateDatabase);
    EXPECT_EQ(messages_.Texts(),
              QStringList{QStringLiteral("Unable to start Updates Program.\n"
                                         "Make sure the path to file Velosync.exe is correct.")});
}

TEST_F(MenusTest, TheWebsiteAndTheHelpPageOpenOnTheDesktop) {
    UrlCatcher catcher({QStringLiteral("http"), QStringLiteral("file")});
    Choose(kCmdVisitWebsite);
    Choose(kCmdOnlineHelp);
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].toString(), ProductPageUrl());
    EXPECT_EQ(catcher.urls[0].path(), QStringLiteral("/products/velostn/"));
    EXPECT_EQ(catcher.urls[1],
              QUrl::fromLocalFile(controller_->ProgramDirectory() + "/Help/qstart.html"));
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(MenusTest, AboutOpensTheAboutDialog) {
    QString title;
    WhenModalUp<CAboutDlg>([&](CAboutDlg* about) {
        title = about->windowTitle();
        about->accept();
    });
    Choose(kCmdAbout);
    EXPECT_EQ(title, QStringLiteral("About"));
}

TEST_F(MenusTest, ExitFromTheTrayEndsTheProgramButFromTheMenuButtonOnlyHides) {
    factory_.trayAvailable = true;
    controller_->ShowTrayIconAtStart();
    ASSERT_TRUE(controller_->IsTrayIconShown());

    Choose(kCmdExit);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window_);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(controller_->MainWindow(), window_.data());

    Choose(kCmdExit, true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window_);
    EXPECT_EQ(controller_->MainWindow(), nullptr);
    int shown = -1;
    ASSERT_TRUE(controller_->Settings().ReadShowWindow(&shown));
    EXPECT_EQ(shown, 0);  // it was in the tray when it ended
}

TEST_F(MenusTest, WithoutATrayIconExitFromTheMenuButtonEndsTheProgram) {
    ASSERT_FALSE(controller_->IsTrayIconShown());
    Choose(kCmdExit);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window_);
    int shown = -1;
    ASSERT_TRUE(controller_->Settings().ReadShowWindow(&shown));
    EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace velotune::test

#include "menus_test.moc"
