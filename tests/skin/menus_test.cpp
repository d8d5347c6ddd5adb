// The system menu and the open menu on a real main window, controller and station database: how
// the system menu is prepared for the state of playback and of the windows, and what the
// commands do; the Options dialog, run by the controller as the menu runs it; the About dialog.
#include "skin/menus.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <iterator>

#include "report/maker_site.h"
#include "skin/about_dialog.h"
#include "skin/controls/hyperlink.h"
#include "skin/controls/skinbutton.h"
#include "skin/options_dialog.h"
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
    void Choose(int id) {
        UseSystemMenu([id](QMenu* menu) { ClickItem(menu, id); });
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
    // Neither list can be shown without the main window beside it.
    controller_->Minimize();
    EXPECT_EQ(States(marks), "xex-");
    window_->showNormal();
    controller_->HideToTray(0);
    EXPECT_EQ(States(marks, true), "xe--");
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
    // F1 is the same Help command.
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_));
    QTest::keyClick(window_, Qt::Key_F1);
    for (const char* scheme : {"http", "file"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    const QUrl help =
        QUrl::fromLocalFile(controller_->ProgramDirectory() + QStringLiteral("/Help/qstart.html"));
    EXPECT_EQ(
        browser.urls,
        (QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:1/products/velostn/")), help, help}));

    Choose(kCmdUpdateDatabase);  // the test's program folder holds no updater
    EXPECT_EQ(messages_.Texts(), QStringList{QStringLiteral(
                                     "Unable to start Updates Program.\n"
                                     "Make sure the file velosync is installed beside velotune.")});
}

// Exit from the tray icon's menu ending the program is tested on the real player.
TEST_F(MenusTest, ExitFromTheMenuButtonOnlyHidesWhileThereIsATrayIcon) {
    factory_.trayAvailable = true;
    controller_->ShowTrayIconAtStart();
    Choose(kCmdExit);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window_);
    EXPECT_FALSE(window_->isVisible());
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

// The check boxes in the order the tests spell their states: "1" checked, "0" clear.
constexpr int kBoxes[] = {kIdOptionAlwaysOnTop, kIdOptionStartWithSession,
                          kIdOptionDisableTrayIcon, kIdOptionReconnect, kIdOptionShowSongTitles};

QString Boxes(const COptionsDlg* dialog) {
    QString boxes;
    for (int id : kBoxes)
        boxes += dialog->CheckBox(id)->isChecked() ? u'1' : u'0';
    return boxes;
}

class OptionsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MakeController({MakeStation(QStringLiteral("Alpha FM"), DeadUrl())}, {1});
        factory_.trayAvailable = true;
        OpenWindow();
        controller_->ShowTrayIconAtStart();
    }
    // Arms the next Options dialog: records the boxes it opens with, sets them and presses the
    // button (1 OK, 2 Cancel).
    void AnswerOptions(const QString& set, QString* shown, const char* button = "1") {
        WhenModalUp([=](QWidget* widget) {
            auto* dialog = qobject_cast<COptionsDlg*>(widget);
            if (!dialog)
                return false;
            *shown = Boxes(dialog);
            for (int i = 0; i < int(std::size(kBoxes)); ++i)
                dialog->CheckBox(kBoxes[i])->setChecked(set[i] == u'1');
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
            return true;
        });
    }
    int Stored(int (CSettingsStore::*read)(int*) const) {
        int value = -1;
        return (controller_->Settings().*read)(&value) ? value : -1;
    }
};

TEST_F(OptionsTest, TheDialogOpensWithTheStoredChoicesAndOkAppliesThem) {
    QString shown;
    AnswerOptions(QStringLiteral("01101"), &shown);
    controller_->ApplyOptions();
    EXPECT_EQ(shown, QStringLiteral("10010"));  // as the start-up left them; reconnecting is on
    EXPECT_FALSE(factory_.tray->shown);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadReconnect), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadShowSongTitles), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadAlwaysOnTop), 0);
    EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(controller_->Settings().IsRunAtStartup(), 1);

    // Cancel changes nothing.
    AnswerOptions(QStringLiteral("10010"), &shown, "2");
    controller_->ApplyOptions();
    EXPECT_EQ(shown, QStringLiteral("01101"));
    EXPECT_FALSE(factory_.tray->shown);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadReconnect), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadShowSongTitles), 1);
    EXPECT_EQ(controller_->Settings().IsRunAtStartup(), 1);
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST(AboutTest, TheDialogNamesTheProductShowsTheLogoAndLinksTheSupportPage) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts.append(label->text());
    EXPECT_TRUE(texts.contains(QStringLiteral("Velotune 2.1"))) << texts.join(u'|').toStdString();
    EXPECT_EQ(about.SupportLink()->LinkUrl().toString(), SupportPageUrl());
    EXPECT_EQ(about.findChild<QWidget*>(QStringLiteral("1022"))->size(), QSize(240, 64));
}

}  // namespace
}  // namespace velotune::test

#include "menus_test.moc"
