// The system menu and the open menu on a real main window, controller and station database: how
// the system menu is prepared for the state of playback and of the windows, and what the
// commands do.
#include "skin/menus.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QUrl>

#include "skin/controls/skinbutton.h"
#include "tests/skin/main_window_fixture.h"
#include "tests/skin/popup_driver.h"

namespace velotune::test {
namespace {

// Stands in for the desktop's browser.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;
public Q_SLOTS:
    void Open(const QUrl& url) { urls.append(url); }
};

class MenusTest : public MainWindowTest {
protected:
    void SetUp() override {
        MakeController({MakeStation(QStringLiteral("Alpha FM"), DeadUrl()),
                        MakeStation(QStringLiteral("Bravo Radio"), DeadUrl())},
                       {1, 2});
        OpenWindow();
    }
    QRect ButtonRect(int id) const {
        return window_->Button(id)->geometry().translated(window_->mapToGlobal(QPoint(0, 0)));
    }
    // Opens the system menu as the Menu button (or the tray) does, hands it to use while it is
    // up, then lets the chosen command run.
    void UseSystemMenu(std::function<void(QMenu*)> use, bool fromTray = false) {
        WhenMenuUp(std::move(use));
        controller_->ShowSystemMenu(fromTray ? 1 : 0, ButtonRect(kIdMenu));
        Drain();
    }
    void Choose(int id, bool fromTray = false) {
        UseSystemMenu([id](QMenu* menu) { ClickItem(menu, id); }, fromTray);
    }
    // "e" enabled, "-" greyed, "c" enabled and checked, "x" greyed and checked, for each id.
    QString States(const QList<int>& ids, bool fromTray = false) {
        QString states;
        UseSystemMenu(
            [&](QMenu* menu) {
                for (int id : ids) {
                    const QAction* item = Item(menu, id);
                    states += item->isEnabled() ? (item->isChecked() ? u'c' : u'e')
                                                : (item->isChecked() ? u'x' : u'-');
                }
            },
            fromTray);
        return states;
    }
    bool Shown(const QPointer<TestListWindow>& list) const { return list && list->isVisible(); }
};

TEST_F(MenusTest, TheSystemMenuIsPreparedForPlaybackAndTheWindows) {
    QPoint at;
    UseSystemMenu([&](QMenu* menu) { at = menu->pos(); });
    EXPECT_EQ(at,
              ButtonRect(kIdMenu).bottomLeft() + QPoint(0, 2));  // one pixel clear of the button

    // Play, Stop, Station Info by selection and status.
    MakeWindowTheOwner();
    const struct {
        int selection, status;
        const char* states;
    } rows[] = {{0, kStatusStopped, "---"}, {0, kStatusLive, "---"}, {2, kStatusStopped, "e-e"},
                {2, kStatusLive, "-ee"},    {2, kStatusFile, "-ee"}, {2, kStatusBuffering, "--e"},
                {2, kStatusClosed, "e-e"}};
    for (const auto& row : rows) {
        controller_->SetSelectedIndex(row.selection);
        controller_->SetPlaybackStatus(row.status);
        Drain();
        EXPECT_EQ(States({kCmdPlay, kCmdStop, kCmdStationInfo}), QLatin1String(row.states))
            << row.selection << " " << row.status;
    }

    // Check marks, and what a minimised or hidden player greys.
    const QList<int> marks{kCmdSwitchToMinibar, kCmdAlwaysOnTop, kCmdShowFilelist,
                           kCmdShowPlaylist};
    EXPECT_EQ(States(marks), "ecee");  // always on top unless the user chose otherwise
    window_->SwitchToMinibar();
    ASSERT_TRUE(controller_->Settings().WriteAlwaysOnTop(0));
    controller_->ShowPlaylist(window_, 1);
    EXPECT_EQ(States(marks), "ceec");
    controller_->ShowFileList(window_, 1);
    EXPECT_EQ(States(marks), "cece");
    controller_->Minimize();
    EXPECT_EQ(States(marks), "xec-");
    window_->showNormal();
    controller_->HideToTray(0);
    EXPECT_EQ(States(marks, true), "xee-");
}

TEST_F(MenusTest, CommandsReachTheControllerAndTheWindow) {
    Choose(kCmdShowPlaylist);
    EXPECT_TRUE(Shown(factory_.playlist));
    Choose(kCmdShowFilelist);  // the other list takes its place
    EXPECT_TRUE(Shown(factory_.fileList));
    EXPECT_FALSE(Shown(factory_.playlist));
    Choose(kCmdShowFilelist);
    EXPECT_FALSE(Shown(factory_.fileList));

    Choose(kCmdSwitchToMinibar);
    EXPECT_EQ(window_->IsMini(), 1);
    Choose(kCmdAlwaysOnTop);  // the start-up stored 1
    EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Play is the main window's Play: with the file list current, its selected file plays.
    AddFileEntry(QStringLiteral("gone.wma"), QStringLiteral("/nonexistent/gone.wma"));
    UseFileList(1);
    Choose(kCmdPlay);
    EXPECT_EQ(Display(), Pad(QStringLiteral("Failed to Playback gone.wma")));

    // The maker's product page and the quick-start page in the program folder.
    UrlCatcher browser;
    for (const char* scheme : {"http", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &browser, "Open");
    Choose(kCmdVisitWebsite);
    Choose(kCmdOnlineHelp);
    for (const char* scheme : {"http", "file"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    EXPECT_EQ(browser.urls,
              (QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:1/products/velostn/")),
                           QUrl::fromLocalFile(controller_->ProgramDirectory() +
                                               QStringLiteral("/Help/qstart.html"))}));

    Choose(kCmdUpdateDatabase);  // the test's program folder holds no updater
    EXPECT_EQ(messages_.Texts(),
              QStringList{QStringLiteral("Unable to start Updates Program.\n"
                                         "Make sure the path to file Velosync.exe is correct.")});
}

TEST_F(MenusTest, ExitFromTheTrayEndsTheProgramButFromTheMenuButtonOnlyHides) {
    factory_.trayAvailable = true;
    controller_->ShowTrayIconAtStart();
    Choose(kCmdExit);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window_);
    EXPECT_FALSE(window_->isVisible());

    Choose(kCmdExit, true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window_);
    EXPECT_EQ(controller_->MainWindow(), nullptr);
}

TEST_F(MenusTest, TheOpenMenuTogglesTheLists) {
    auto choose = [&](int id) {
        WhenMenuUp([id](QMenu* menu) { ClickItem(menu, id); });
        controller_->ShowOpenMenu(ButtonRect(kIdOpenEx));
        Drain();
    };
    choose(kCmdOpenFilelist);
    EXPECT_TRUE(Shown(factory_.fileList));
    choose(kCmdCancel);
    EXPECT_TRUE(Shown(factory_.fileList));
    choose(kCmdOpenFilelist);
    EXPECT_FALSE(Shown(factory_.fileList));
}

}  // namespace
}  // namespace velotune::test

#include "menus_test.moc"
