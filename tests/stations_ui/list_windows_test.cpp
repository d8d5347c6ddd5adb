// The playlist and file list windows as the controller makes and shows them: rows and columns,
// clicks, moving stations with the playing row following, docking while dragged, and what the
// windows store when they go.
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "res/texts.h"
#include "skin/controls/skinbutton.h"
#include "stations_ui/file_list_window.h"
#include "stations_ui/playlist_window.h"
#include "tests/stations_ui/stations_fixture.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

class ListWindowTest : public StationsUiTest {
protected:
    CPlaylistWindow* ShowPlaylist() {
        controller_->ShowPlaylist(main_.get(), 1);
        auto* window = dynamic_cast<CPlaylistWindow*>(factory_.playlist);
        EXPECT_NE(window, nullptr);
        if (window)
            list_ = Control<QTreeWidget>(window, kIdList);
        return window;
    }
    CFileListWindow* ShowFileList() {
        controller_->ShowFileList(main_.get(), 1);
        auto* window = dynamic_cast<CFileListWindow*>(factory_.fileList);
        EXPECT_NE(window, nullptr);
        if (window)
            list_ = Control<QTreeWidget>(window, kIdList);
        return window;
    }
    static CSkinButton* Button(QWidget* window, int id) { return Control<CSkinButton>(window, id); }
    static QList<bool> SelectionButtons(QWidget* window) {
        QList<bool> enabled;
        for (int id : {CListWindow::kIdEdit, kIdRemove, kIdUp, kIdDown})
            enabled.append(Button(window, id)->isEnabled());
        return enabled;
    }
    // Drags the window by a point of its body until its top-left corner would be at `to`.
    static void Drag(QWidget* window, QPoint to) {
        const QPoint grab(150, 12);
        const QPoint start = window->frameGeometry().topLeft() + grab;
        QMouseEvent press(QEvent::MouseButtonPress, grab, start, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(window, &press);
        QMouseEvent move(QEvent::MouseMove, grab, to + grab, Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(window, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, grab, to + grab, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window, &release);
    }

    QTreeWidget* list_ = nullptr;
};

TEST_F(ListWindowTest, ThePlaylistShowsItsStationsNumberedInStoredOrder) {
    StationDbContent content = DefaultContent();
    content.playlist = {{3, 1}, {1, 7}, {99, 3}, {2, 4}};  // RadioID 99 has no station
    Start(content);
    controller_->SetSelectedIndex(2);
    CPlaylistWindow* window = ShowPlaylist();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(Column(list_, 0), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(Column(list_, 1), (QStringList{"Charlie", "Alpha", "", "Bravo"}));
    EXPECT_EQ(Column(list_, 2).first(), QStringLiteral("98.1"));
    EXPECT_EQ(Column(list_, 3).first(), QStringLiteral("Pop"));
    EXPECT_EQ(Ids(list_), (QList<int>{3, 1, 99, 2}));
    EXPECT_TRUE(messages_.Texts().isEmpty()) << messages_.Last().toStdString();
    // The controller's selected row is shown, with the buttons that act on it.
    EXPECT_EQ(list_->currentItem(), list_->topLevelItem(1));
    EXPECT_EQ(SelectionButtons(window), (QList<bool>{true, true, true, true}));
    EXPECT_EQ(Button(window, CListWindow::kIdClose)->TooltipText(),
              QStringLiteral("Close Playlist"));

    // Enter and Escape do nothing; Close only hides the window.
    QTest::keyClick(window, Qt::Key_Escape);
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    Button(window, CListWindow::kIdClose)->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(factory_.playlist, window);
}

TEST_F(ListWindowTest, MovingAStationSwapsNamesAndStoredIdsButKeepsTheNumbers) {
    Start();
    CPlaylistWindow* window = ShowPlaylist();
    ASSERT_NE(window, nullptr);
    ClickRow(list_, 3);
    EXPECT_EQ(controller_->GetSelectedIndex(), 3);

    Button(window, kIdUp)->click();
    EXPECT_EQ(Column(list_, 0), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(Column(list_, 1), (QStringList{"Alpha", "Charlie", "Bravo", "Delta"}));
    EXPECT_EQ(Ids(list_), (QList<int>{1, 3, 2, 4}));
    EXPECT_EQ(StoredPlaylist(), (PlaylistList{{1, 1}, {3, 2}, {2, 3}, {4, 4}}));
    EXPECT_EQ(controller_->GetSelectedIndex(), 2);
    EXPECT_EQ(list_->currentItem(), list_->topLevelItem(1));
    EXPECT_GT(main_->presetRefreshes, 0);

    // Nothing moves past either end.
    ClickRow(list_, 1);
    Button(window, kIdUp)->click();
    ClickRow(list_, 4);
    Button(window, kIdDown)->click();
    EXPECT_EQ(Ids(list_), (QList<int>{1, 3, 2, 4}));
    EXPECT_EQ(StoredPlaylist(), (PlaylistList{{1, 1}, {3, 2}, {2, 3}, {4, 4}}));

    // A click below the rows selects nothing and leaves only Add.
    ClickRow(list_, 0);
    EXPECT_EQ(SelectionButtons(window), (QList<bool>{false, false, false, false}));
    EXPECT_TRUE(Button(window, CListWindow::kIdAdd)->isEnabled());
    Drain();
    EXPECT_EQ(main_->log.Params(WM_PLAYER_SELECTION), (QList<int>{3, 1, 4, 0}));
}

TEST_F(ListWindowTest, ThePlayingRowFollowsItsStation) {
    const QString tone = MakeToneFile(MakeTempDir(QStringLiteral("media")), ToneFormat::Wma, 60);
    ASSERT_FALSE(tone.isEmpty());
    StationDbContent content = DefaultContent();
    content.stations[2].m_StreamURL = tone;  // Charlie, row 3
    content.stations[2].m_StreamFormat = QStringLiteral("WMP");
    Start(content);
    CPlaylistWindow* window = ShowPlaylist();
    ASSERT_NE(window, nullptr);
    // A double-click (its first click, then the double-click) plays the row's station for the
    // main window.
    ClickRow(list_, 3);
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {},
                       list_->visualItemRect(list_->topLevelItem(2)).center());
    ASSERT_TRUE(controller_->IsPlaying()) << messages_.Last().toStdString();
    EXPECT_FALSE(main_->display.isEmpty());
    ASSERT_EQ(controller_->GetPlayingIndex(), 3);

    // The playing row cannot be removed.
    ClickRow(list_, 3);
    EXPECT_FALSE(Button(window, kIdRemove)->isEnabled());
    Button(window, kIdUp)->click();
    EXPECT_EQ(controller_->GetPlayingIndex(), 2);
    EXPECT_FALSE(Button(window, kIdRemove)->isEnabled());

    // Moving another station across it shifts it by one.
    ClickRow(list_, 1);
    EXPECT_TRUE(Button(window, kIdRemove)->isEnabled());
    Button(window, kIdDown)->click();
    EXPECT_EQ(controller_->GetPlayingIndex(), 1);
    EXPECT_EQ(controller_->GetSelectedIndex(), 2);
    EXPECT_EQ(Column(list_, 1), (QStringList{"Charlie", "Alpha", "Bravo", "Delta"}));
}

TEST_F(ListWindowTest, DraggingNearTheMainWindowDocksItAndTheFlagsAreStored) {
    Start();
    CSettingsStore settings;
    settings.WritePLBinded(0);
    settings.WritePLBottomBinded(0);
    // Frameless like the real main window, so that its frame is its visible box.
    main_->setWindowFlag(Qt::FramelessWindowHint);
    main_->move(100, 100);
    main_->show();
    CPlaylistWindow* window = ShowPlaylist();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->IsBound());

    // Beside the main window's right edge, overlapping it vertically.
    Drag(window, QPoint(404, 120));
    EXPECT_EQ(window->pos(), QPoint(400, 120));
    EXPECT_TRUE(window->IsBound());
    EXPECT_FALSE(window->IsBottomBound());

    // Below its bottom edge with the left edges close.
    Drag(window, QPoint(108, 210));
    EXPECT_EQ(window->pos(), QPoint(100, 204));
    EXPECT_TRUE(window->IsBound());
    EXPECT_TRUE(window->IsBottomBound());

    // Away from everything.
    Drag(window, QPoint(300, 320));
    EXPECT_EQ(window->pos(), QPoint(300, 320));
    EXPECT_FALSE(window->IsBound());
    Drag(window, QPoint(108, 210));
    const QRect placed = window->frameGeometry();

    delete window;
    int bound = 0;
    int bottomBound = 0;
    ASSERT_TRUE(settings.ReadPLBinded(&bound));
    ASSERT_TRUE(settings.ReadPLBottomBinded(&bottomBound));
    EXPECT_EQ(bound, 1);
    EXPECT_EQ(bottomBound, 1);
    WindowRect stored;
    ASSERT_TRUE(settings.ReadPlaylistRect(&stored));
    EXPECT_EQ(stored.ToQRect(), placed);

    // The controller has dropped the deleted window: hiding the lists leaves it alone, and the
    // next show makes a new window in the stored place.
    const int made = factory_.playlistsMade;
    controller_->ShowList(main_.get(), 0);
    CPlaylistWindow* again = ShowPlaylist();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(factory_.playlistsMade, made + 1);
    EXPECT_EQ(again->frameGeometry(), placed);
}

TEST_F(ListWindowTest, AWindowOffTheScreenDoesNotStoreItsPlace) {
    Start();
    CPlaylistWindow* window = ShowPlaylist();
    ASSERT_NE(window, nullptr);
    window->move(-2000, -2000);
    delete window;
    CSettingsStore settings;
    WindowRect stored;
    EXPECT_FALSE(settings.ReadPlaylistRect(&stored));
    int bound = 0;
    EXPECT_TRUE(settings.ReadPLBinded(&bound));

    // A new window is made on the next show.
    const int made = factory_.playlistsMade;
    CPlaylistWindow* again = ShowPlaylist();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(factory_.playlistsMade, made + 1);
    EXPECT_TRUE(again->isVisible());
}

TEST_F(ListWindowTest, TheFileListShowsNamesWithAHiddenPathColumn) {
    Start();
    CSettingsStore settings;
    settings.AddFileEntry(QStringLiteral("morning.wma::/music/morning.wma"));
    settings.AddFileEntry(QStringLiteral("evening.ra::/music/evening.ra"));
    CFileListWindow* window = ShowFileList();
    ASSERT_NE(window, nullptr);

    ASSERT_EQ(list_->columnCount(), 3);
    EXPECT_EQ(list_->columnWidth(0), 20);
    EXPECT_EQ(list_->columnWidth(1), 240);
    EXPECT_EQ(list_->columnWidth(2), 0);
    EXPECT_EQ(Column(list_, 0), (QStringList{"1", "2"}));
    EXPECT_EQ(Column(list_, 1), (QStringList{"morning.wma", "evening.ra"}));
    EXPECT_EQ(Column(list_, 2), (QStringList{"/music/morning.wma", "/music/evening.ra"}));
    EXPECT_EQ(Ids(list_), (QList<int>{1, 2}));
    EXPECT_FALSE(Button(window, kIdUp)->isVisible());
    EXPECT_FALSE(Button(window, kIdDown)->isVisible());

    ClickRow(list_, 2);
    EXPECT_EQ(controller_->GetSelectedFileIndex(), 2);
    EXPECT_TRUE(Button(window, kIdRemove)->isEnabled());
    window->EnableButtons(true);
    EXPECT_FALSE(Button(window, CListWindow::kIdEdit)->isEnabled());
    EXPECT_EQ(Button(window, CListWindow::kIdAdd)->TooltipText(), QStringLiteral("Add Station..."));
}

TEST_F(ListWindowTest, AnEmptyFileListHasNothingToSelect) {
    Start();
    controller_->SetSelectedFileIndex(1);
    CFileListWindow* window = ShowFileList();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->RowCount(), 0);
    EXPECT_EQ(window->ItemData(1), 0);
    EXPECT_EQ(SelectionButtons(window), (QList<bool>{false, false, false, false}));
}

}  // namespace
}  // namespace velotune::test
