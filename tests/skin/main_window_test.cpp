// The main window on a real controller and station database, without a stream playing: start-up
// from the settings, the display line and button states, presets, list walking, snapping,
// docking, the layout switch and the tray icon's click. A database that will not open is tested
// on the real program.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QScreen>
#include <QTest>

#include "platform/winmsg/winmsg.h"
#include "playback/docking.h"
#include "playback/player_messages.h"
#include "res/texts.h"
#include "skin/controls/scrollingtext.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skinslider.h"
#include "skin/tray_icon.h"
#include "skin/window_placement.h"
#include "tests/skin/main_window_fixture.h"

namespace velotune::test {
namespace {

const QString kIdle = Pad(QStringLiteral("Velotune - 100% Internet Radio"));

QList<CRadioSet> ThreeStations() {
    return {MakeStation(QStringLiteral("Alpha FM"), DeadUrl()),
            MakeStation(QStringLiteral("Bravo Radio"), DeadUrl()),
            MakeStation(QStringLiteral("Charlie 101"), DeadUrl())};
}

int UsableBottom(const QRect& usable) {
    return usable.y() + usable.height();
}

TEST_F(MainWindowTest, AFreshStartShowsTheIdleMainViewAtItsDefaultPlace) {
    MakeController(ThreeStations(), {1, 2, 3});
    OpenWindow();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Velotune"));
    EXPECT_EQ(window_->IsMini(), 0);
    EXPECT_EQ(window_->size(), QSize(300, 104));
    EXPECT_EQ(window_->pos(), QPoint(300, 50));
    EXPECT_EQ(window_->VolumePosition(), 50);
    EXPECT_TRUE(window_->DisplayLine()->IsScrolling());
    EXPECT_EQ(Display(), kIdle);
    // Always on top unless the user chose otherwise, and stored so.
    int onTop = 0;
    EXPECT_TRUE(controller_->Settings().ReadAlwaysOnTop(&onTop));
    EXPECT_EQ(onTop, 1);
    EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // The main view's buttons, not the minibar's.
    EXPECT_TRUE(Visible(kIdPlay));
    EXPECT_FALSE(Visible(kIdPause));
    EXPECT_FALSE(Visible(kIdMiniPlay));
    EXPECT_FALSE(Visible(kIdMainView));

    // Nothing selected: nothing to play, stop or describe.
    for (int id :
         {kIdPlay, kIdMiniPlay, kIdPause, kIdRecord, kIdInfo, kIdStop, kIdMiniStop, kIdCenter})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(kIdOpen));
    EXPECT_TRUE(Enabled(kIdOpenEx));
    EXPECT_FALSE(controller_->IsListVisible());
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(MainWindowTest, ItComesBackAsItWasLeft) {
    MakeController(ThreeStations(), {1, 2, 3});
    CSettingsStore& settings = controller_->Settings();
    ASSERT_TRUE(settings.WriteIsMini(1));
    ASSERT_TRUE(settings.WritePlayerRect({120, 100, 420, 118}));
    ASSERT_TRUE(settings.WriteVolume(30));
    ASSERT_TRUE(settings.WriteAlwaysOnTop(0));
    ASSERT_TRUE(settings.WriteCurrentPlaylistID(2));
    ASSERT_TRUE(settings.WriteCurrentLocalPlaylistID(4));  // the file list has no row 4
    ASSERT_TRUE(settings.WritePLVisible(1));
    OpenWindow();

    EXPECT_EQ(window_->IsMini(), 1);
    EXPECT_EQ(window_->size(), QSize(300, 18));
    EXPECT_EQ(window_->pos(), QPoint(120, 100));
    EXPECT_EQ(window_->VolumePosition(), 30);
    EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(Visible(kIdMiniPlay));
    EXPECT_FALSE(Visible(kIdPlay));

    EXPECT_EQ(controller_->GetSelectedStationIndex(), 2);
    EXPECT_EQ(controller_->GetSelectedFileIndex(), 0);
    EXPECT_EQ(Display(), Pad(QStringLiteral("Bravo Radio selected, press Play to tune-in.")));
    EXPECT_TRUE(Enabled(kIdMiniPlay));
    EXPECT_FALSE(Enabled(kIdMiniStop));

    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(controller_->IsListVisible());
}

TEST_F(MainWindowTest, AWindowLeftInTheTrayShowsWhenThereIsNoTray) {
    MakeController(ThreeStations(), {1, 2, 3});
    ASSERT_TRUE(controller_->Settings().WriteShowWindow(0));
    ASSERT_TRUE(controller_->Settings().WritePLVisible(1));
    OpenWindow();
    EXPECT_TRUE(window_->isVisible());
    int shown = 0;
    EXPECT_TRUE(controller_->Settings().ReadShowWindow(&shown));
    EXPECT_EQ(shown, 1);  // so that the next start shows it too
    EXPECT_FALSE(controller_->IsListVisible());
}

TEST_F(MainWindowTest, TheDisplayLineNamesTheSelectionWhileNothingPlays) {
    MakeController(ThreeStations(), {1, 2, 3});
    OpenWindow();
    window_->UpdateDisplayLine(3);
    EXPECT_EQ(Display(), Pad(QStringLiteral("Charlie 101 selected, press Play to tune-in.")));
    window_->UpdateDisplayLine(0);
    EXPECT_EQ(Display(), kIdle);

    // A file is named by its file name up to the first dot.
    AddFileEntry(QStringLiteral("Morning Show.part1.wma"), QStringLiteral("/music/a.wma"));
    ASSERT_TRUE(controller_->Settings().AddFileEntry(QStringLiteral("an entry without a path")));
    UseFileList(1);
    window_->UpdateDisplayLine(1);
    EXPECT_EQ(Display(),
              Pad(QStringLiteral("Morning Show selected, press Play to start playback.")));
    window_->UpdateDisplayLine(2);
    EXPECT_EQ(Display(),
              Pad(QStringLiteral("Morning Show selected, press Play to start playback.")));

    // While the controller tunes or buffers, its own texts stay.
    MakeWindowTheOwner();
    controller_->SetPlaybackStatus(kStatusBuffering);
    Drain();
    window_->SetDisplayText(QStringLiteral("busy"));
    window_->UpdateDisplayLine(1);
    EXPECT_EQ(Display(), QStringLiteral("busy"));
}

TEST_F(MainWindowTest, ButtonsFollowTheListTheStatusAndThePlayingRow) {
    MakeController(ThreeStations(), {1, 2, 3});
    OpenWindow();
    MakeWindowTheOwner();
    using Mode = CTorvikCommandCentre::ListMode;
    const Mode files = CTorvikCommandCentre::kFileListMode;
    const Mode stations = CTorvikCommandCentre::kPlaylistMode;
    struct Row {
        Mode mode;
        int status, selection, playing;
        bool play, pause, stop, record, info, openEx, center;
    };
    const Row rows[] = {
        {files, kStatusLive, 1, 1, false, false, true, false, false, true, true},
        {files, kStatusLive, 2, 1, true, false, true, false, false, true, true},
        {files, kStatusFile, 1, 1, false, true, true, false, false, true, true},
        {files, kStatusFile, 2, 1, true, true, true, false, false, true, true},
        {files, kStatusStopped, 1, 0, true, false, false, false, false, true, false},
        {files, kStatusBuffering, 1, 1, false, false, true, false, false, false, false},
        {stations, kStatusLive, 1, 1, false, false, true, false, true, true, true},
        {stations, kStatusFile, 2, 1, true, false, true, false, true, true, true},
        {stations, kStatusLive, 2, 1, true, false, true, false, true, true, true},
        {stations, kStatusStopped, 1, 0, true, false, false, true, true, true, false},
        {stations, kStatusBuffering, 1, 1, false, false, true, false, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << row.mode << " status " << row.status
                                        << " selection " << row.selection);
        controller_->SetListMode(row.mode);
        controller_->SetPlaybackStatus(row.status);
        Drain();
        window_->UpdateButtons(row.selection, row.playing);
        EXPECT_EQ(Enabled(kIdPlay), row.play);
        EXPECT_EQ(Enabled(kIdMiniPlay), row.play);
        EXPECT_EQ(Enabled(kIdPause), row.pause);
        EXPECT_EQ(Enabled(kIdStop), row.stop);
        EXPECT_EQ(Enabled(kIdMiniStop), row.stop);
        EXPECT_EQ(Enabled(kIdRecord), row.record);
        EXPECT_EQ(Enabled(kIdInfo), row.info);
        EXPECT_EQ(Enabled(kIdOpenEx), row.openEx);
        EXPECT_EQ(Enabled(kIdCenter), row.center);
        EXPECT_TRUE(Enabled(kIdOpen));
    }

    // A status outside the table (closed) leaves the buttons as they are.
    controller_->SetPlaybackStatus(kStatusClosed);
    Drain();
    window_->UpdateButtons(1, 0);
    EXPECT_FALSE(Enabled(kIdPlay));
    EXPECT_TRUE(Enabled(kIdStop));

    // No selection: only the list and the open menu are offered; Go to Playing goes too in the
    // file list.
    window_->EnableControl(kIdCenter, true);
    controller_->SetListMode(stations);
    window_->UpdateButtons(0, 1);
    for (int id : {kIdPlay, kIdMiniPlay, kIdPause, kIdRecord, kIdInfo, kIdStop, kIdMiniStop})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(kIdOpen));
    EXPECT_TRUE(Enabled(kIdOpenEx));
    EXPECT_TRUE(Enabled(kIdCenter));
    controller_->SetListMode(files);
    window_->UpdateButtons(0, 1);
    EXPECT_FALSE(Enabled(kIdCenter));
}

TEST_F(MainWindowTest, PresetsStandForThePlaylistAndRestWithTheFileList) {
    // Two rows: Charlie 101 first, then Alpha FM.
    MakeController(ThreeStations(), {3, 1});
    OpenWindow();
    window_->UpdatePresets(1);
    EXPECT_TRUE(Enabled(kIdPreset1));
    EXPECT_TRUE(Enabled(kIdPreset1 + 1));
    for (int id = kIdPreset1 + 2; id <= kIdPreset6; ++id)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(window_->Button(kIdPreset1)->TooltipText(), QStringLiteral("Charlie 101"));
    EXPECT_EQ(window_->Button(kIdPreset1 + 1)->TooltipText(), QStringLiteral("Alpha FM"));
    EXPECT_EQ(window_->Button(kIdPreset1 + 2)->TooltipText(), QStringLiteral("Preset Three"));

    window_->DisablePresets();
    window_->UpdatePresets(0);
    EXPECT_FALSE(Enabled(kIdPreset1));

    // A preset selects its row and tunes to its station (which does not answer here).
    window_->UpdatePresets(1);
    window_->Button(kIdPreset1 + 1)->click();
    EXPECT_EQ(controller_->GetSelectedStationIndex(), 2);
    EXPECT_EQ(Display(), Pad(QStringLiteral("Failed to Connect to Station Alpha FM")));

    // A preset without a playlist row does nothing.
    window_->EnableControl(kIdPreset1 + 4, true);
    window_->SetDisplayText(QStringLiteral("unchanged"));
    window_->Button(kIdPreset1 + 4)->click();
    EXPECT_EQ(controller_->GetSelectedStationIndex(), 2);
    EXPECT_EQ(Display(), QStringLiteral("unchanged"));

    // With the file list current the presets do nothing and are not refreshed.
    AddFileEntry(QStringLiteral("tone.wma"), QStringLiteral("/music/tone.wma"));
    UseFileList(1);
    EXPECT_EQ(window_->Button(kIdOpen)->TooltipText(), QStringLiteral("Open Filelist"));
    window_->SetDisplayText(QStringLiteral("unchanged"));
    window_->Button(kIdPreset1)->click();
    EXPECT_EQ(controller_->GetSelectedStationIndex(), 2);
    EXPECT_EQ(controller_->GetSelectedFileIndex(), 1);
    EXPECT_EQ(Display(), QStringLiteral("unchanged"));
    window_->DisablePresets();
    window_->UpdatePresets(1);
    EXPECT_FALSE(Enabled(kIdPreset1));
}

// Whichever way the current list changes (a restart, the Open menu, the system menu), the main
// window shows that list at once: its selection on the display line, the buttons for it, the
// presets, the Open button's tip; Info and the menu's "Station Info" act on it.
TEST_F(MainWindowTest, TheWindowShowsTheCurrentListFromTheStartAndAfterEverySwitch) {
    MakeController(ThreeStations(), {3, 1});  // Charlie 101, then Alpha FM
    AddFileEntry(QStringLiteral("tone.wma"), QStringLiteral("/music/tone.wma"));
    CSettingsStore& settings = controller_->Settings();
    ASSERT_TRUE(settings.WriteActivePlaylistType(CTorvikCommandCentre::kFileListMode));
    ASSERT_TRUE(settings.WriteCurrentLocalPlaylistID(1));
    ASSERT_TRUE(settings.WriteCurrentPlaylistID(2));
    OpenWindow();

    const QString fileText = Pad(QStringLiteral("tone selected, press Play to start playback."));
    const QString stationText = Pad(QStringLiteral("Alpha FM selected, press Play to tune-in."));
    const auto expectPresets = [this](int enabled) {
        for (int id = kIdPreset1; id <= kIdPreset6; ++id)
            EXPECT_EQ(Enabled(id), id - kIdPreset1 < enabled) << id;
    };
    // Restarted with the file list current.
    EXPECT_EQ(window_->Button(kIdOpen)->TooltipText(), QStringLiteral("Open Filelist"));
    EXPECT_EQ(Display(), fileText);
    EXPECT_TRUE(Enabled(kIdPlay));
    EXPECT_FALSE(Enabled(kIdRecord));
    expectPresets(0);

    controller_->ShowPlaylist(window_, 1);
    EXPECT_EQ(Display(), stationText);
    EXPECT_TRUE(Enabled(kIdRecord));
    EXPECT_TRUE(Enabled(kIdInfo));
    expectPresets(2);
    EXPECT_EQ(window_->Button(kIdOpen)->TooltipText(), QStringLiteral("Open Playlist"));
    controller_->StationInfo();  // the station list's selection: its editor
    EXPECT_EQ(factory_.editorRuns, QList<int>{1});

    controller_->ShowFileList(window_, 1);
    EXPECT_EQ(Display(), fileText);
    EXPECT_FALSE(Enabled(kIdRecord));
    expectPresets(0);
    // "Station Info" as the Info button: a file has none, and no station's editor opens.
    controller_->StationInfo();
    EXPECT_EQ(factory_.editorRuns, QList<int>{1});
    EXPECT_EQ(messages_.Texts(), QStringList{QString::fromUtf8(text::kNoFileInformation)});
}

// A fresh start in playlist mode: the presets stand for the playlist at once.
TEST_F(MainWindowTest, PresetsAreSetUpAtStartUp) {
    MakeController(ThreeStations(), {3, 1});
    OpenWindow();
    EXPECT_TRUE(Enabled(kIdPreset1));
    EXPECT_TRUE(Enabled(kIdPreset1 + 1));
    for (int id = kIdPreset1 + 2; id <= kIdPreset6; ++id)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(window_->Button(kIdPreset1)->TooltipText(), QStringLiteral("Charlie 101"));
}

// The minibar's display text is drawn whole: its lines are no taller than the display.
TEST_F(MainWindowTest, TheMinibarTextFitsItsDisplay) {
    MakeController(ThreeStations(), {1});
    OpenWindow();
    window_->SwitchToMinibar();
    const CScrollingText* line = window_->DisplayLine();
    EXPECT_LE(QFontMetrics(line->Font()).height(), line->height());
    window_->SwitchToMainView();
    EXPECT_LE(QFontMetrics(line->Font()).height(), line->height());
}

TEST_F(MainWindowTest, NextPreviousAndInfoAnswerOnTheDisplayLine) {
    MakeController(ThreeStations(), {1, 2, 3});
    OpenWindow();
    controller_->SetSelectedIndex(1);
    window_->Button(kIdNext)->click();  // the controller posts the new selection
    Drain();
    EXPECT_EQ(controller_->GetSelectedIndex(), 2);
    EXPECT_EQ(Display(), Pad(QStringLiteral("Bravo Radio selected, press Play to tune-in.")));
    EXPECT_TRUE(Enabled(kIdPlay));
    window_->Button(kIdMiniPrev)->click();
    Drain();
    EXPECT_EQ(Display(), Pad(QStringLiteral("Alpha FM selected, press Play to tune-in.")));

    AddFileEntry(QStringLiteral("tone.wma"), QStringLiteral("/music/tone.wma"));
    UseFileList(1);
    window_->EnableControl(kIdInfo, true);
    window_->Button(kIdInfo)->click();
    EXPECT_EQ(messages_.Texts(),
              QStringList{QStringLiteral("No Infomation Available on this File!")});
}

TEST_F(MainWindowTest, ItSnapsToTheUsableScreenAndToAFreeListWindow) {
    MakeController(ThreeStations(), {1});
    OpenWindow();
    const QRect usable = window_->screen()->availableGeometry();
    const int right = usable.x() + usable.width();
    const int bottom = UsableBottom(usable);

    // The arithmetic is tested on its own; here, that a move snaps to the real screen.
    window_->MoveWindow(QPoint(right - 300 - 8, bottom - 104 + 6));
    EXPECT_EQ(window_->pos(), QPoint(right - 300, bottom - 104));
    window_->MoveWindow(usable.topLeft() + QPoint(40, 11));
    EXPECT_EQ(window_->pos(), usable.topLeft() + QPoint(40, 11));

    // A list window docked below goes where the main window goes.
    controller_->ShowList(window_, 1);
    TestListWindow* list = factory_.playlist;
    ASSERT_TRUE(list && list->isVisible());
    const QPoint listAt = list->pos();
    window_->MoveWindow(window_->pos() + QPoint(30, 20));
    EXPECT_EQ(list->pos(), listAt + QPoint(30, 20));

    // Dragged near a list window that is not bound to it, it lines up exactly below it.
    list->bound = false;
    list->move(usable.topLeft() + QPoint(100, 40));
    const QRect box = VisibleBox(list);
    window_->MoveWindow(QPoint(box.x() + 6, box.y() + box.height() - 7));
    EXPECT_EQ(window_->pos(), QPoint(box.x(), box.y() + box.height()));
    EXPECT_EQ(list->pos(), usable.topLeft() + QPoint(100, 40));
}

TEST_F(MainWindowTest, TheMinibarKeepsToTheBottomEdgeAboveAVisibleListWindow) {
    MakeController(ThreeStations(), {1});
    OpenWindow();
    const QRect usable = window_->screen()->availableGeometry();
    const int bottom = UsableBottom(usable);

    // On the bottom edge without a list window.
    window_->move(usable.x() + 50, bottom - 104);
    window_->Button(kIdMinibar)->click();
    EXPECT_EQ(window_->IsMini(), 1);
    EXPECT_EQ(VisibleBox(window_).top(), bottom - 18);
    window_->Button(kIdMainView)->click();
    EXPECT_EQ(window_->IsMini(), 0);
    EXPECT_EQ(VisibleBox(window_).top(), bottom - 104);

    // With the list window docked below it, the pair keeps to the bottom edge.
    controller_->ShowList(window_, 1);
    TestListWindow* list = factory_.playlist;
    ASSERT_TRUE(list && list->isVisible());
    EXPECT_EQ(VisibleBox(window_).bottom() + 1, bottom - kListWindowSpace);
    EXPECT_EQ(VisibleBox(list).top(), bottom - kListWindowSpace);

    window_->SwitchToMinibar();
    EXPECT_EQ(VisibleBox(window_).top(), bottom - kListWindowSpace - 18);
    EXPECT_EQ(VisibleBox(list).top(), bottom - kListWindowSpace);
    window_->SwitchToMainView();
    EXPECT_EQ(VisibleBox(window_).top(), bottom - kListWindowSpace - 104);
    EXPECT_EQ(VisibleBox(list).top(), bottom - kListWindowSpace);

    // A double-click on the body switches too; the list window follows the bottom edge.
    QTest::mouseDClick(window_, Qt::LeftButton, {}, QPoint(150, 30));
    EXPECT_EQ(window_->IsMini(), 1);
    EXPECT_EQ(VisibleBox(list).top(), VisibleBox(window_).bottom() + 1);
}

TEST_F(MainWindowTest, ClosingTheWindowLeavesThroughTheController) {
    MakeController(ThreeStations(), {1});
    OpenWindow();
    window_->SwitchToMinibar();
    window_->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window_.isNull());
    EXPECT_EQ(controller_->MainWindow(), nullptr);
    int mini = 0;
    EXPECT_TRUE(controller_->Settings().ReadIsMini(&mini));
    EXPECT_EQ(mini, 1);
    WindowRect rect;
    EXPECT_TRUE(controller_->Settings().ReadPlayerRect(&rect));
    EXPECT_EQ(rect, (WindowRect{300, 50, 600, 68}));
}

// Offscreen there is no notification area, so the clicks are made by calling the icon's handler,
// as the icon would.
TEST_F(MainWindowTest, ALeftClickOnTheTrayIconBringsBackAHiddenOrMinimisedPlayer) {
    MakeController({MakeStation(QStringLiteral("One"), DeadUrl())}, {1});
    OpenWindow();
    CTrayIconDlg tray(*controller_);
    EXPECT_FALSE(tray.AddIcon());  // nowhere to show it
    EXPECT_FALSE(tray.IsShown());

    // Hidden in the tray with its playlist open: both come back.
    controller_->ShowPlaylist(window_, 1);
    controller_->HideToTray(0);
    ASSERT_FALSE(window_->isVisible());
    ASSERT_FALSE(factory_.playlist->isVisible());
    tray.OnLeftButtonDown();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(factory_.playlist->isVisible());

    // Hidden without a list window: the player alone comes back.
    controller_->ShowList(window_, 0);
    controller_->HideToTray(0);
    tray.OnLeftButtonDown();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(factory_.playlist->isVisible());

    // Minimised: restored.
    controller_->Minimize();
    ASSERT_TRUE(WaitFor([&] { return window_->isMinimized(); }));
    tray.OnLeftButtonDown();
    EXPECT_TRUE(WaitFor([&] { return !window_->isMinimized() && window_->isVisible(); }));
}

}  // namespace
}  // namespace velotune::test
