// The controller's services on real database and settings files: list edits keep the stored
// lists, the rows and the windows consistent; leaving the program stores what the next start
// reads; the docking check; starting the updater; the tray icon and always-on-top settings.
// (The web pages and the database failures are shown through the real menus and program.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTextStream>

#include "playback/docking.h"
#include "tests/playback/controller_fixture.h"
#include "tests/support/file_dialog_recorder.h"
#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

QList<CRadioSet> FiveStations() {
    QList<CRadioSet> stations;
    for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta", "Echo"})
        stations.append(MakeStation(QString::fromLatin1(name),
                                    QStringLiteral("http://127.0.0.1:9/") + QLatin1String(name)));
    return stations;
}

class ServicesTest : public ControllerTest {
protected:
    void SetUp() override { Start(FiveStations(), {1, 2, 3, 4}); }

    // Makes a file and adds it through the Open dialog.
    QString AddFile(const QString& name) {
        const QString path = MakeTempDir(QStringLiteral("files")) + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        FileDialogRecorder dialog(path);
        EXPECT_EQ(controller_->AddFile(), kCcOk);
        return path;
    }
};

TEST_F(ServicesTest, RemoveStationUnflagsRenumbersAndMovesThePlayingRowUp) {
    controller_->ShowPlaylist(&main_, 1);
    ASSERT_NE(factory_.playlist, nullptr);
    controller_->SetPlayingIndex(3);   // Charlie
    controller_->SetSelectedIndex(1);  // Alpha, above it

    ASSERT_EQ(controller_->RemoveStation(), kCcOk);

    const PlaylistList stored = StoredPlaylist();
    ASSERT_EQ(stored.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(stored[i].m_RadioID, i + 2);
        EXPECT_EQ(stored[i].m_PlaylistID, i + 1);
    }
    CRadioSet alpha;
    ASSERT_EQ(controller_->GetStation(1, alpha), kDbOk);
    EXPECT_EQ(alpha.m_Playlist, 0);
    CRadioSet bravo;
    ASSERT_EQ(controller_->GetStation(2, bravo), kDbOk);
    EXPECT_EQ(bravo.m_Playlist, 1);

    EXPECT_EQ(controller_->GetPlayingIndex(), 2);
    EXPECT_EQ(controller_->StationNameAt(2), QStringLiteral("Charlie"));
    EXPECT_EQ(factory_.playlist->itemData, (QList<int>{2, 3, 4}));
    // Not playing: the selection is cleared and the main window hears of it.
    EXPECT_EQ(controller_->GetSelectedIndex(), 0);
    EXPECT_EQ(factory_.playlist->selectedRow, 0);
    Drain();
    EXPECT_EQ(main_.log.Params(WM_PLAYER_SELECTION), QList<int>{0});
    EXPECT_GT(main_.presetRefreshes, 0);
}

TEST_F(ServicesTest, RemovingTheRowBelowOrThePlayingRowItself) {
    controller_->ShowPlaylist(&main_, 1);
    controller_->SetPlayingIndex(2);
    controller_->SetSelectedIndex(4);
    ASSERT_EQ(controller_->RemoveStation(), kCcOk);
    EXPECT_EQ(controller_->GetPlayingIndex(), 2);

    // The playing entry itself gone: no other row may claim to be playing.
    controller_->SetSelectedIndex(2);
    ASSERT_EQ(controller_->RemoveStation(), kCcOk);
    EXPECT_EQ(controller_->GetPlayingIndex(), 0);
    const PlaylistList stored = StoredPlaylist();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].m_RadioID, 1);
    EXPECT_EQ(stored[1].m_RadioID, 3);
    EXPECT_EQ(stored[1].m_PlaylistID, 2);

    controller_->SetSelectedIndex(0);
    EXPECT_EQ(controller_->RemoveStation(), kCcNothingToActOn);
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(ServicesTest, AddFileStoresNameAndPathFromTheOpenDialog) {
    controller_->ShowFileList(&main_, 1);
    const QString path = MakeTempDir(QStringLiteral("files")) + QStringLiteral("/Morning Show.wma");
    QFile(path).open(QIODevice::WriteOnly);
    FileDialogRecorder dialog(path);
    ASSERT_EQ(controller_->AddFile(), kCcOk);

    ASSERT_EQ(dialog.Requests().size(), 1);
    const platform::FileDialogRequest& request = dialog.Requests().first();
    EXPECT_EQ(request.kind, platform::FileDialogKind::Open);
    EXPECT_EQ(
        request.filter,
        QStringLiteral("Audio Files (*.wma, *.ra, *.mp3, *.ogg, *.oga, *.opus, *.flac, *.m4a, "
                       "*.aac, *.wav)|*.wma; *.ra; *.mp3; *.ogg; *.oga; *.opus; *.flac; "
                       "*.m4a; *.aac; *.wav|Recorded Formats (*.wma and *.ra)|*.wma; *.ra|"
                       "Windows Media Audio (*.wma)|*.wma|Real Audio (*.ra*)|*.ra*||"));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("*.wma"));
    EXPECT_EQ(request.options, platform::kOfnHideReadOnly | platform::kOfnOverwritePrompt |
                                   platform::kOfnEnableSizing);

    EXPECT_EQ(StoredFiles(), QStringList{QStringLiteral("Morning Show.wma::") + path});
    EXPECT_EQ(factory_.fileList->itemData, QList<int>{1});
    EXPECT_FALSE(main_.presetsEnabled);
    Drain();
    EXPECT_EQ(main_.log.Params(WM_PLAYER_SELECTION), QList<int>{0});

    // Cancelled: nothing stored.
    dialog.SetAnswer(QString());
    EXPECT_EQ(controller_->AddFile(), kCcOk);
    EXPECT_EQ(StoredFiles().size(), 1);
}

TEST_F(ServicesTest, RemoveFileKeepsTheStoredListAndThePlayingRowInStep) {
    controller_->ShowFileList(&main_, 1);
    const QString a = AddFile(QStringLiteral("a.wma"));
    AddFile(QStringLiteral("b.ra"));
    const QString c = AddFile(QStringLiteral("c.wma"));
    ASSERT_EQ(StoredFiles().size(), 3);

    controller_->SetPlayingIndex(3);   // c.wma plays
    controller_->SetSelectedIndex(2);  // remove b.ra
    ASSERT_EQ(controller_->RemoveFile(), kCcOk);
    EXPECT_EQ(StoredFiles(),
              (QStringList{QStringLiteral("a.wma::") + a, QStringLiteral("c.wma::") + c}));
    EXPECT_EQ(controller_->GetPlayingIndex(), 2);
    EXPECT_EQ(factory_.fileList->itemData, (QList<int>{1, 2}));

    controller_->SetSelectedIndex(1);
    ASSERT_EQ(controller_->RemoveFile(), kCcOk);
    EXPECT_EQ(StoredFiles(), QStringList{QStringLiteral("c.wma::") + c});
    EXPECT_EQ(controller_->GetPlayingIndex(), 1);

    controller_->SetSelectedIndex(5);
    EXPECT_EQ(controller_->RemoveFile(), kCcNothingToActOn);
    EXPECT_EQ(StoredFiles().size(), 1);
}

TEST_F(ServicesTest, ExitStoresEverySettingTheNextStartReads) {
    controller_->ShowPlaylist(&main_, 1);
    main_.move(120, 80);
    main_.show();
    main_.mini = 1;
    main_.volumePosition = 35;
    controller_->SetSelectedStationIndex(3);
    controller_->SetSelectedFileIndex(2);
    controller_->SetListMode(CTorvikCommandCentre::kPlaylistMode);
    const QRect rect = main_.frameGeometry();

    controller_->Exit(0);  // no tray icon: ends

    EXPECT_TRUE(main_.destroyed);
    EXPECT_EQ(controller_->MainWindow(), nullptr);
    EXPECT_EQ(Stored(&CSettingsStore::ReadPLVisible), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadActivePlaylistType), 0);
    WindowRect stored;
    EXPECT_TRUE(controller_->Settings().ReadPlayerRect(&stored));
    EXPECT_EQ(stored, WindowRect::FromQRect(rect));
    EXPECT_EQ(Stored(&CSettingsStore::ReadShowWindow), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadIsMini), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadCurrentPlaylistID), 3);
    EXPECT_EQ(Stored(&CSettingsStore::ReadCurrentLocalPlaylistID), 2);
    EXPECT_EQ(Stored(&CSettingsStore::ReadVolume), 35);
}

TEST_F(ServicesTest, ExitWithTheTrayIconOnlyHidesUntilForced) {
    controller_->ShowTrayIconAtStart();
    ASSERT_TRUE(controller_->IsTrayIconShown());
    controller_->ShowPlaylist(&main_, 1);
    main_.show();

    controller_->Exit(0);
    EXPECT_FALSE(main_.destroyed);
    EXPECT_FALSE(main_.isVisible());
    EXPECT_FALSE(factory_.playlist->isVisible());
    EXPECT_EQ(Stored(&CSettingsStore::ReadPLVisible), std::nullopt);

    // Exit from the tray menu: ends; the list that was visible before hiding is remembered.
    controller_->Exit(1);
    EXPECT_TRUE(main_.destroyed);
    EXPECT_EQ(Stored(&CSettingsStore::ReadPLVisible), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadShowWindow), 0);
}

TEST_F(ServicesTest, HideToTrayBringsBackTheListThatWasVisible) {
    controller_->ShowFileList(&main_, 1);
    main_.show();
    controller_->HideToTray(0);
    EXPECT_FALSE(main_.isVisible());
    EXPECT_FALSE(factory_.fileList->isVisible());
    controller_->HideToTray(1);
    EXPECT_TRUE(main_.isVisible());
    EXPECT_TRUE(factory_.fileList->isVisible());
}

TEST_F(ServicesTest, ShowingAListHidesTheOtherAndSetsTheListMode) {
    controller_->ShowPlaylist(&main_, 1);
    EXPECT_EQ(controller_->GetListMode(), CTorvikCommandCentre::kPlaylistMode);
    EXPECT_EQ(main_.openTip, QStringLiteral("Open Playlist"));
    EXPECT_TRUE(controller_->IsListVisible());

    controller_->ShowFileList(&main_, 1);
    EXPECT_EQ(controller_->GetListMode(), CTorvikCommandCentre::kFileListMode);
    EXPECT_EQ(main_.openTip, QStringLiteral("Open Filelist"));
    EXPECT_FALSE(factory_.playlist->isVisible());
    EXPECT_TRUE(factory_.fileList->isVisible());

    controller_->ShowList(&main_, 0);
    EXPECT_FALSE(factory_.fileList->isVisible());
    EXPECT_FALSE(controller_->IsListVisible());
    controller_->ShowList(&main_, 1);
    EXPECT_TRUE(factory_.fileList->isVisible());
    EXPECT_EQ(factory_.listWindowsMade, 2);
}

TEST_F(ServicesTest, AGoneListWindowIsMadeAgainOnTheNextShow) {
    controller_->ShowPlaylist(&main_, 1);
    delete factory_.playlist;
    EXPECT_FALSE(controller_->IsListVisible());
    controller_->ShowPlaylist(&main_, 1);
    EXPECT_EQ(factory_.listWindowsMade, 2);
    EXPECT_TRUE(factory_.playlist->isVisible());
}

TEST_F(ServicesTest, AListWindowOpensWhereItWasClosed) {
    controller_->Settings().WriteLocalPlaylistRect({40, 500, 340, 750});
    factory_.fileList = nullptr;
    controller_->ShowFileList(&main_, 0);  // hiding makes nothing
    EXPECT_EQ(factory_.fileList, nullptr);
    controller_->ShowFileList(&main_, 1);
    ASSERT_NE(factory_.fileList, nullptr);
    EXPECT_EQ(factory_.fileList->pos(), QPoint(40, 500));
}

TEST_F(ServicesTest, DockingLeavesExactly252PixelsBelowTheMainWindow) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect available = screen->availableGeometry();
    const int bottom = available.y() + available.height();

    // Too close to the bottom: the main window moves up, the list docks under it.
    main_.move(100, bottom - main_.height() - 100);
    main_.show();
    controller_->ShowPlaylist(&main_, 1);
    FakeListWindow* list = factory_.playlist;
    ASSERT_NE(list, nullptr);
    const QRect mainRect = main_.frameGeometry();
    EXPECT_EQ(bottom - (mainRect.y() + mainRect.height()), kListWindowSpace);
    EXPECT_EQ(list->pos().y(), mainRect.y() + mainRect.height());
    EXPECT_EQ(mainRect.x(), 100);

    // Enough room: nothing moves.
    controller_->ShowPlaylist(&main_, 0);
    main_.move(100, available.y() + 10);
    list->move(100, available.y() + 300);
    controller_->ShowPlaylist(&main_, 1);
    EXPECT_EQ(main_.pos(), QPoint(100, available.y() + 10));
    EXPECT_EQ(list->pos(), QPoint(100, available.y() + 300));
}

TEST(DockingTest, ATaskbarAtTheBottomShortensTheScreen) {
    const QRect screen(0, 0, 1280, 1024);
    const QRect available(0, 0, 1280, 984);  // a 40-pixel panel at the bottom
    const ScreenMargins margins = MarginsOf(screen, available);
    EXPECT_EQ(margins.bottom, 40);
    EXPECT_EQ(margins.top, 0);
    // 984 - 252 = 732 is where the main window's bottom must end.
    EXPECT_EQ(DockingPlace(QRect(300, 700, 300, 104), screen, available),
              QRect(300, 628, 300, 104));
    EXPECT_EQ(DockingPlace(QRect(300, 628, 300, 104), screen, available),
              QRect(300, 628, 300, 104));
    EXPECT_EQ(DockingPlace(QRect(300, 100, 300, 104), screen, available),
              QRect(300, 100, 300, 104));
    // A panel on the left or at the top does not change the room below.
    EXPECT_EQ(DockingPlace(QRect(300, 700, 300, 104), screen, QRect(48, 30, 1232, 994)),
              QRect(300, 668, 300, 104));
}

// A stored window place is kept while the window would show on some screen, also left of the
// primary one; a place on no screen, or one no screen could have, comes onto the primary screen.
TEST(DockingTest, AStoredPlaceOnNoScreenComesOntoThePrimaryScreen) {
    const QRect primary(0, 0, 1280, 1024);
    const QRect left(-1920, 0, 1920, 1080);  // a second screen left of it
    const QRect usable(0, 0, 1280, 984);
    const QSize size(300, 104);
    EXPECT_EQ(PlaceOnScreens({-200, 50}, size, {primary, left}, usable), QPoint(-200, 50));
    EXPECT_EQ(PlaceOnScreens({-200, 50}, size, {primary}, usable), QPoint(-200, 50));  // partly
    // The second screen has gone: the nearest place on the primary screen.
    EXPECT_EQ(PlaceOnScreens({-1000, 50}, size, {primary}, usable), QPoint(0, 50));
    EXPECT_EQ(PlaceOnScreens({400, 5000}, size, {primary}, usable), QPoint(400, 880));
    // What the old unsigned writing left behind, when it is not read back as the negative place
    // it meant, and values no screen could have: no overflow lets them pass.
    for (const QPoint& absurd :
         {QPoint(2147483000, 50), QPoint(50, -2147483600), QPoint(2147483647, 2147483647)})
        EXPECT_EQ(PlaceOnScreens(absurd, size, {primary, left}, usable), QPoint(0, 0))
            << absurd.x() << "," << absurd.y();
}

TEST_F(ServicesTest, MoveListWindowsFollowsOnlyDockedWindows) {
    controller_->ShowPlaylist(&main_, 1);
    controller_->ShowFileList(&main_, 1);
    FakeListWindow* playlist = factory_.playlist;
    FakeListWindow* files = factory_.fileList;
    playlist->move(10, 10);
    files->move(20, 20);
    files->bottomBound = false;

    controller_->MoveListWindows(QPoint(100, 100), QPoint(130, 90), 0);
    EXPECT_EQ(playlist->pos(), QPoint(40, 0));  // moved although hidden
    EXPECT_EQ(files->pos(), QPoint(50, 10));

    controller_->MoveListWindows(QPoint(0, 0), QPoint(0, -86), 1);  // a layout switch
    EXPECT_EQ(playlist->pos(), QPoint(40, -86));
    EXPECT_EQ(files->pos(), QPoint(50, 10));

    playlist->bound = false;
    controller_->MoveListWindows(QPoint(0, 0), QPoint(5, 5), 0);
    EXPECT_EQ(playlist->pos(), QPoint(40, -86));
}

// A stand-in for the updater that writes its arguments into a file beside it.
QString WriteStandInUpdater(const QString& folder) {
    const QString path = folder + QStringLiteral("/velosync");
    QFile script(path);
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    QTextStream(&script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.part\"\n"
                            "mv \"$(dirname \"$0\")/args.part\" \"$(dirname \"$0\")/args.txt\"\n";
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST_F(ServicesTest, StartUpdaterPassesTheDatabaseEdition) {
    EXPECT_EQ(controller_->StartUpdater(), kCcUpdaterNotStarted);  // no program there yet

    WriteStandInUpdater(programDir_);
    ASSERT_EQ(controller_->StartUpdater(), kCcOk);
    QFile args(programDir_ + QStringLiteral("/args.txt"));
    ASSERT_TRUE(WaitFor([&] { return args.exists(); }));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(args.readAll(), QByteArray("-v:42\n"));
}

TEST_F(ServicesTest, AlwaysOnTopIsStoredAndApplied) {
    EXPECT_EQ(controller_->IsAlwaysOnTop(), 1);  // nothing stored yet
    EXPECT_EQ(controller_->ApplyAlwaysOnTop(0), kCcOk);
    EXPECT_EQ(controller_->IsAlwaysOnTop(), 0);
    EXPECT_FALSE(main_.topmost);
    EXPECT_EQ(controller_->ApplyAlwaysOnTop(1), kCcOk);
    EXPECT_TRUE(main_.topmost);

    main_.topmostWorks = false;
    EXPECT_EQ(controller_->ApplyAlwaysOnTop(0), kCcStackingFailed);
    EXPECT_EQ(controller_->IsAlwaysOnTop(), 0);
}

TEST_F(ServicesTest, TrayIconAtStartWritesTheDefaultAndReportsAFailure) {
    controller_->ShowTrayIconAtStart();
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 0);
    EXPECT_TRUE(controller_->IsTrayIconShown());
    ASSERT_NE(factory_.tray, nullptr);
    EXPECT_TRUE(factory_.tray->shown);
    EXPECT_TRUE(messages_.Texts().isEmpty());

    // Another run where no notification area exists.
    CommandCentreSetup setup;
    setup.dataDirectory = dataDir_;
    FakeWindowFactory noTray;
    noTray.trayWorks = false;
    setup.windows = &noTray;
    CTorvikCommandCentre other(setup);
    other.ShowTrayIconAtStart();
    EXPECT_FALSE(other.IsTrayIconShown());
    EXPECT_EQ(messages_.Texts(), QStringList{QStringLiteral("Failed to load Velotune tray icon")});

    // Disabled: no icon, no message.
    messages_.Clear();
    controller_->Settings().WriteTrayIcon(1);
    CTorvikCommandCentre third(setup);
    third.ShowTrayIconAtStart();
    EXPECT_FALSE(third.IsTrayIconShown());
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(ServicesTest, DisablingTheTrayIconWhileHiddenEndsTheProgram) {
    controller_->ShowTrayIconAtStart();
    main_.hide();
    factory_.options = OptionsChoices{true, true, false, true};
    controller_->ApplyOptions();
    EXPECT_FALSE(controller_->IsTrayIconShown());
    EXPECT_FALSE(factory_.tray->shown);
    EXPECT_TRUE(main_.destroyed);
    EXPECT_EQ(Stored(&CSettingsStore::ReadShowWindow), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadAlwaysOnTop), 1);
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(ServicesTest, OptionsThatCannotBeStoredAreReported) {
    factory_.options = OptionsChoices{true, false, false, false};
    controller_->ApplyOptions();
    EXPECT_EQ(messages_.Texts(), QStringList{QStringLiteral("Failed to save Velotune options")});
    EXPECT_FALSE(main_.destroyed);
}

TEST_F(ServicesTest, StationInfoAndAddStationReachTheDialogsAndRefill) {
    controller_->ShowPlaylist(&main_, 1);
    EXPECT_EQ(controller_->StationInfo(), kCcNothingToActOn);
    controller_->SetSelectedIndex(2);
    const int fills = factory_.playlist->fills;
    EXPECT_EQ(controller_->StationInfo(), kCcOk);
    EXPECT_EQ(factory_.editorRuns, QList<int>{2});
    EXPECT_EQ(factory_.playlist->fills, fills + 1);
    EXPECT_EQ(factory_.playlist->selectedRow, 2);

    EXPECT_EQ(controller_->AddStation(), kCcOk);
    EXPECT_EQ(factory_.finderRuns, QList<int>{0});  // nothing plays
    EXPECT_EQ(factory_.playlist->fills, fills + 2);
}

TEST_F(ServicesTest, ServicesWithoutTheirWindowsDoNothing) {
    CommandCentreSetup setup;
    setup.dataDirectory = dataDir_;
    controller_.reset();  // the database is opened exclusively
    CTorvikCommandCentre bare(setup);
    ASSERT_EQ(bare.OpenDatabase(), kDbOk);
    bare.ShowPlaylist(nullptr, 1);
    EXPECT_FALSE(bare.IsListVisible());
    bare.SetSelectedIndex(2);
    EXPECT_EQ(bare.RowToId(2), 2);  // from the stored playlist
    EXPECT_EQ(bare.AddStation(), kCcOk);
    EXPECT_EQ(bare.StationInfo(), kCcOk);
    bare.ShowSystemMenu(0, QRect());
    bare.ShowOpenMenu(QRect());
    bare.ApplyOptions();
    bare.HideToTray(0);
    bare.Minimize();
    bare.ShowTrayIconAtStart();
    EXPECT_FALSE(bare.IsTrayIconShown());
    EXPECT_EQ(bare.ApplyAlwaysOnTop(1), kCcStackingFailed);
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(ServicesTest, NextAndPreviousStopAtTheEndsOfEitherList) {
    controller_->ShowPlaylist(&main_, 1);
    EXPECT_EQ(controller_->NextEntry(), kCcNothingToActOn);  // nothing selected
    controller_->SetSelectedIndex(4);
    EXPECT_EQ(controller_->NextEntry(), kCcNothingToActOn);
    EXPECT_EQ(controller_->GetSelectedIndex(), 4);
    controller_->SetPlayingIndex(3);
    EXPECT_EQ(controller_->PreviousEntry(), kCcOk);
    EXPECT_EQ(controller_->GetSelectedIndex(), 3);
    EXPECT_EQ(factory_.playlist->selectedRow, 3);
    EXPECT_FALSE(factory_.playlist->enabled.value(kIdRemove, true));  // the playing row
    controller_->SetSelectedIndex(1);
    EXPECT_EQ(controller_->PreviousEntry(), kCcNothingToActOn);
    EXPECT_EQ(controller_->NextEntry(), kCcOk);
    EXPECT_EQ(controller_->GetSelectedIndex(), 2);
    EXPECT_TRUE(factory_.playlist->enabled.value(kIdRemove, false));
    Drain();
    EXPECT_EQ(main_.log.Params(WM_PLAYER_SELECTION), (QList<int>{3, 2}));

    controller_->ShowFileList(&main_, 1);
    AddFile(QStringLiteral("a.wma"));
    AddFile(QStringLiteral("b.wma"));
    controller_->SetSelectedIndex(2);
    EXPECT_EQ(controller_->NextEntry(), kCcNothingToActOn);
    EXPECT_EQ(controller_->PreviousEntry(), kCcOk);
    EXPECT_EQ(controller_->GetSelectedIndex(), 1);
    EXPECT_EQ(controller_->PreviousEntry(), kCcNothingToActOn);
    EXPECT_EQ(controller_->GetSelectedStationIndex(), 2);  // the other list keeps its row
}

TEST_F(ServicesTest, StrayReportsAndNothingToPlayChangeNothing) {
    // An engine report before any playback reaches no window.
    for (int status : {kStatusBuffering, kStatusLive, kStatusClosed, kStatusStopped})
        controller_->SetPlaybackStatus(status);
    Drain();
    EXPECT_TRUE(main_.log.messages.isEmpty());
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);

    main_.display = QStringLiteral("idle");
    EXPECT_EQ(controller_->Play(0, &main_), kCcNothingToActOn);   // nothing selected
    EXPECT_EQ(controller_->Play(99, &main_), kCcNothingToActOn);  // no such station
    EXPECT_EQ(controller_->Record(0), kCcNothingToActOn);
    EXPECT_EQ(controller_->PlayFile(-1), kCcNothingToActOn);
    EXPECT_EQ(controller_->PlayFile(1), kCcNothingToActOn);  // the file list is empty
    EXPECT_EQ(main_.display, QStringLiteral("idle"));
    EXPECT_TRUE(main_.enabled.isEmpty());
    EXPECT_TRUE(messages_.Texts().isEmpty());
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);
    EXPECT_EQ(controller_->Stop(), kCcPlaybackFailed);  // nothing plays
}

TEST_F(ServicesTest, AStationOfAnotherFormatFailsOnTheDisplayLine) {
    controller_->Database().CloseDatabase();
    controller_.reset();
    Start({MakeStation(QStringLiteral("Odd FM"), QStringLiteral("http://127.0.0.1:9/odd"),
                       QStringLiteral("mp3"))},
          {1});
    controller_->ShowPlaylist(&main_, 1);
    controller_->SetSelectedIndex(1);
    EXPECT_EQ(controller_->Play(0, &main_), kCcPlaybackFailed);
    EXPECT_EQ(main_.display, QStringLiteral("Failed to Connect to Station Odd FM") +
                                 QString(20, QLatin1Char(' ')));
    for (int id : {kIdPlay, kIdMiniPlay, kIdRecord, kIdOpenEx})
        EXPECT_TRUE(main_.enabled.value(id)) << id;
    for (int id : {kIdStop, kIdMiniStop})
        EXPECT_FALSE(main_.enabled.value(id, true)) << id;
    EXPECT_TRUE(main_.presetsEnabled);
    for (int id : {kIdRemove, kIdUp, kIdDown})
        EXPECT_TRUE(factory_.playlist->enabled.value(id)) << id;
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);
    EXPECT_EQ(controller_->GetCurrentEngine(), CTorvikCommandCentre::kEngineNone);
    EXPECT_FALSE(controller_->IsPlaying());
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(ServicesTest, FilesOfOtherKindsAreRefusedWithTheExtensionMessage) {
    controller_->ShowFileList(&main_, 1);
    const QString upperRa = AddFile(QStringLiteral("SONG.RA"));
    AddFile(QStringLiteral("Show.WMA"));
    AddFile(QStringLiteral(".hidden"));
    AddFile(QStringLiteral("Song.MP3"));
    AddFile(QStringLiteral("notes.mp3.txt"));
    const QString accepted = QStringLiteral(
        "Please use \".wma\", \".ra\", \".mp3\", \".ogg\", \".oga\", \".opus\", \".flac\", "
        "\".m4a\", \".aac\" and \".wav\" extensions only.");
    const QString expectedRa =
        QStringLiteral("Unable to playback files with extension: \".RA\"\n") + accepted;

    EXPECT_EQ(controller_->PlayFile(1), kCcPlaybackFailed);
    EXPECT_EQ(messages_.Texts(), QStringList{expectedRa});
    EXPECT_EQ(main_.display,
              QStringLiteral("Failed to Playback SONG.RA") + QString(20, QLatin1Char(' ')));
    EXPECT_EQ(controller_->GetPlayingIndex(), 0);
    EXPECT_FALSE(controller_->IsPlaying());

    messages_.Clear();
    EXPECT_EQ(controller_->PlayFile(2), kCcPlaybackFailed);
    EXPECT_EQ(messages_.Last(),
              QStringLiteral("Unable to playback files with extension: \".WMA\"\n") + accepted);
    messages_.Clear();
    EXPECT_EQ(controller_->PlayFile(3), kCcNothingToActOn);  // a name that starts with "."
    EXPECT_TRUE(messages_.Texts().isEmpty());
    // The decoded kinds go by the name's last extension, in lower case like the others.
    for (int row : {4, 5}) {
        messages_.Clear();
        EXPECT_EQ(controller_->PlayFile(row), kCcPlaybackFailed);
        EXPECT_EQ(messages_.Texts().size(), 1) << row;
        EXPECT_TRUE(messages_.Last().endsWith(accepted)) << row;
    }
}

// A FIFO (or any other non-file) is refused at once, when added and when an entry that has become
// one is played: its open would wait for a writer for good.
TEST_F(ServicesTest, OnlyRegularFilesAreAddedAndPlayed) {
    controller_->ShowFileList(&main_, 1);
    const QString fifo = MakeTempDir(QStringLiteral("files")) + QStringLiteral("/pipe.wma");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    {
        FileDialogRecorder dialog(fifo);
        EXPECT_EQ(controller_->AddFile(), kCcOk);
    }
    EXPECT_TRUE(StoredFiles().isEmpty());
    EXPECT_EQ(messages_.Texts(),
              QStringList{fifo + QStringLiteral("\nis not a regular file (a pipe, device or "
                                                "folder) and cannot be played.")});

    // A file that was replaced by a FIFO after it was added.
    const QString path = AddFile(QStringLiteral("show.wma"));
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    messages_.Clear();
    EXPECT_EQ(controller_->PlayFile(1), kCcPlaybackFailed);
    EXPECT_EQ(messages_.Texts().size(), 1);
    EXPECT_TRUE(messages_.Last().contains(QStringLiteral("is not a regular file")));
    EXPECT_FALSE(controller_->IsPlaying());
}

}  // namespace
}  // namespace velotune::test
