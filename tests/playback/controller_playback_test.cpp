// The controller driven by the real engines on loopback streams and generated tone files: what
// the owner window is told and in which order, that it is told only on its own thread, the
// engine chosen for each station and file, recording, and the usage hand-over.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include "tests/playback/controller_fixture.h"
#include "tests/support/file_dialog_recorder.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/silent_server.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::test {
namespace {

const QString kPad(20, QLatin1Char(' '));

// Counts what the controller asks of the usage reporter.
class RecordingReporter : public IUsageReporter {
public:
    bool IsHitDelivered() override { return hitDelivered; }
    bool IsReportDelivered() override { return reportDelivered; }
    int StartCount() override { return startCount; }
    bool SendHit() override {
        sent.append(QStringLiteral("hit"));
        return true;
    }
    bool SendUsage() override {
        sent.append(QStringLiteral("usage"));
        return true;
    }
    bool hitDelivered = false;
    bool reportDelivered = false;
    int startCount = 10;
    QStringList sent;
};

class PlaybackTest : public ControllerTest {
protected:
    static void SetUpTestSuite() {
        folder_ = MakeTempDir(QStringLiteral("media"));
        wma_ = MakeToneFile(folder_, ToneFormat::Wma, 2.0);
        ra_ = MakeToneFile(folder_, ToneFormat::Ra, 2.0);
        mp3_ = MakeToneFile(folder_, ToneFormat::Mp3, 6.0, {}, QStringLiteral("loop"), 660.0);
        stream_ = std::make_unique<IcecastStream>();
        server_ = std::make_unique<FixtureServer>(folder_);
        // A second live station: the tone file repeated for ever at about its own pace.
        FixtureRoute live =
            FixtureRoute::File(QStringLiteral("loop.mp3"), QStringLiteral("audio/mpeg"));
        live.loop = true;
        live.bytesPerSecond = 32000;
        server_->SetRoute(QStringLiteral("/second"), live);
    }
    static void TearDownTestSuite() {
        server_.reset();
        stream_.reset();
    }

    void SetUp() override {
        ASSERT_FALSE(wma_.isEmpty() || ra_.isEmpty() || mp3_.isEmpty());
        ASSERT_TRUE(stream_->IsRunning()) << stream_->Diagnostics().toStdString();
        ASSERT_TRUE(server_->IsRunning());
        Start({MakeStation(QStringLiteral("Tone FM"), stream_->Url()),
               MakeStation(QStringLiteral("Second FM"), server_->Url(QStringLiteral("/second")),
                           QStringLiteral("wmp")),
               MakeStation(QStringLiteral("Real FM"), server_->Url(QStringLiteral("/tone.ra")),
                           QStringLiteral("real"))},
              {1, 2, 3});
        ASSERT_TRUE(controller_->Settings().WriteRealEngineDirectory(BinDir()));
        controller_->ShowPlaylist(&main_, 1);
        controller_->SetSelectedIndex(1);
    }

    QList<int> Codes() const { return main_.log.Params(WM_PLAYER_STATUS); }
    bool WaitForCode(int code) {
        return WaitFor([&] { return Codes().contains(code); });
    }
    void StopAndWait() {
        ASSERT_EQ(controller_->Stop(), kCcOk);
        ASSERT_TRUE(WaitForCode(PLAYER_STOPPED)) << Codes().size();
    }
    void PlayFileRow(const QString& path, int row) {
        FileDialogRecorder dialog(path);
        ASSERT_EQ(controller_->AddFile(), kCcOk);
        controller_->ShowFileList(&main_, 1);
        controller_->SetSelectedIndex(row);
        ASSERT_EQ(controller_->PlayFile(row), kCcOk);
    }

    static inline QString folder_;
    static inline QString wma_;
    static inline QString ra_;
    static inline QString mp3_;
    static inline std::unique_ptr<IcecastStream> stream_;
    static inline std::unique_ptr<FixtureServer> server_;
};

TEST_F(PlaybackTest, PlayPostsBufferingThenTunedAndStopPostsStopped) {
    ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
    EXPECT_EQ(main_.display, QStringLiteral("Tuning to Tone FM, please wait...") + kPad);
    EXPECT_FALSE(main_.enabled.value(kIdPlay, true));
    EXPECT_FALSE(main_.enabled.value(kIdRecord, true));
    EXPECT_TRUE(main_.enabled.value(kIdStop));
    EXPECT_FALSE(main_.presetsEnabled);
    EXPECT_FALSE(factory_.playlist->enabled.value(kIdRemove, true));
    EXPECT_EQ(controller_->GetCurrentEngine(), CTorvikCommandCentre::kEngineWindowsMedia);

    ASSERT_TRUE(WaitForCode(PLAYER_TUNED));
    const QList<int> codes = Codes();
    ASSERT_TRUE(codes.contains(PLAYER_BUFFERING));
    EXPECT_LT(codes.indexOf(PLAYER_BUFFERING), codes.indexOf(PLAYER_TUNED));
    EXPECT_FALSE(codes.contains(PLAYER_STOPPED));
    EXPECT_TRUE(controller_->IsPlaying());
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusLive);
    EXPECT_EQ(controller_->GetPlayingIndex(), 1);

    // Go to playing selects the playing row again and tells the window once more.
    controller_->SetSelectedIndex(3);
    EXPECT_TRUE(main_.log.AllOnThread(QThread::currentThread()));
    main_.log.messages.clear();
    controller_->GoToPlaying();
    EXPECT_EQ(controller_->GetSelectedIndex(), 1);
    EXPECT_EQ(factory_.playlist->selectedRow, 1);
    ASSERT_TRUE(WaitForCode(PLAYER_TUNED));

    StopAndWait();
    EXPECT_FALSE(controller_->IsPlaying());
    EXPECT_EQ(controller_->GetPlayingIndex(), 0);
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);
    // Every notice was handled by the window on its own thread.
    EXPECT_TRUE(main_.log.AllOnThread(QThread::currentThread()));
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(PlaybackTest, SwitchingStationsNeverShowsTheOldStreamStopping) {
    ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
    ASSERT_TRUE(WaitForCode(PLAYER_TUNED));

    main_.log.messages.clear();
    controller_->SetSelectedIndex(2);  // lower-case "wmp" plays through Windows Media too
    ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
    ASSERT_TRUE(WaitForCode(PLAYER_TUNED));
    EXPECT_EQ(controller_->GetPlayingIndex(), 2);

    main_.log.messages.clear();
    controller_->SetSelectedIndex(3);  // and over to the other engine
    ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
    EXPECT_EQ(controller_->GetCurrentEngine(), CTorvikCommandCentre::kEngineRealSystem);
    ASSERT_TRUE(WaitFor(
        [&] { return Codes().contains(PLAYER_TUNED) || Codes().contains(PLAYER_FILE_PLAYING); }));
    EXPECT_TRUE(controller_->IsPlaying());
    EXPECT_EQ(controller_->GetPlayingIndex(), 3);

    // Give late reports of the replaced streams time to arrive.
    QThread::msleep(500);
    Drain();
    EXPECT_FALSE(Codes().contains(PLAYER_STOPPED));
    EXPECT_TRUE(controller_->IsPlaying());

    StopAndWait();
    EXPECT_TRUE(main_.log.AllOnThread(QThread::currentThread()));
}

TEST_F(PlaybackTest, AFinderTestPlayTellsTheFinderAndLeavesTheMainWindowAlone) {
    MessageWindow finder;
    main_.display = QStringLiteral("idle");
    ASSERT_EQ(controller_->Play(2, &finder), kCcOk);
    ASSERT_TRUE(
        WaitFor([&] { return finder.log.Params(WM_PLAYER_STATUS).contains(PLAYER_TUNED); }));
    EXPECT_EQ(main_.display, QStringLiteral("idle"));
    EXPECT_TRUE(main_.enabled.isEmpty());
    ASSERT_EQ(controller_->Stop(), kCcOk);
    ASSERT_TRUE(
        WaitFor([&] { return finder.log.Params(WM_PLAYER_STATUS).contains(PLAYER_STOPPED); }));
    EXPECT_TRUE(main_.log.Params(WM_PLAYER_STATUS).isEmpty());
}

TEST_F(PlaybackTest, AStationThatCannotBeReachedFailsOnTheDisplayLine) {
    controller_->Database().CloseDatabase();
    controller_.reset();
    Start({MakeStation(QStringLiteral("Gone FM"), server_->Url(QStringLiteral("/gone")))}, {1});
    controller_->ShowPlaylist(&main_, 1);
    controller_->SetSelectedIndex(1);
    ASSERT_EQ(controller_->Play(0, &main_), kCcPlaybackFailed);
    EXPECT_EQ(main_.display, QStringLiteral("Failed to Connect to Station Gone FM") + kPad);
    Drain();
    QThread::msleep(200);
    Drain();
    // The engine's closing reports of the failed attempt do not overwrite the failure.
    EXPECT_FALSE(Codes().contains(PLAYER_STOPPED));
    EXPECT_EQ(main_.display, QStringLiteral("Failed to Connect to Station Gone FM") + kPad);
    EXPECT_FALSE(controller_->IsPlaying());
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);
}

// The song a station announces, and a file's title tag, are the tray icon's tip while they play.
TEST_F(PlaybackTest, TheTrayTipNamesTheSongThatPlays) {
    controller_->ShowTrayIconAtStart();
    ASSERT_TRUE(factory_.tray && factory_.tray->shown);
    ASSERT_TRUE(stream_->SetSongTitle(QStringLiteral("Artist A - Song A")));
    ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
    EXPECT_TRUE(WaitFor([&] {
        return factory_.tray->tip == QStringLiteral("Velotune - Artist A - Song A");
    })) << factory_.tray->tip.toStdString();
    ASSERT_TRUE(stream_->SetSongTitle(QStringLiteral("Artist B - Song B")));
    EXPECT_TRUE(WaitFor([&] {
        return factory_.tray->tip == QStringLiteral("Velotune - Artist B - Song B");
    })) << factory_.tray->tip.toStdString();
    StopAndWait();
    Drain();
    EXPECT_EQ(factory_.tray->tip, QStringLiteral("Velotune"));
    EXPECT_TRUE(controller_->NowPlayingTitle().isEmpty());

    // A file of the newer kinds plays through the Windows Media engine and names its tag.
    const QString flac = MakeToneFile(folder_, ToneFormat::Flac, 2.0,
                                      {QStringLiteral("Flac Song"), QString(), QString()});
    PlayFileRow(flac, 1);
    ASSERT_TRUE(WaitForCode(PLAYER_FILE_PLAYING));
    EXPECT_EQ(controller_->GetCurrentEngine(), CTorvikCommandCentre::kEngineWindowsMedia);
    EXPECT_TRUE(WaitFor([&] {
        return factory_.tray->tip == QStringLiteral("Velotune - Flac Song");
    })) << factory_.tray->tip.toStdString();
    StopAndWait();
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(PlaybackTest, FilesPlayThroughTheEngineOfTheirKind) {
    PlayFileRow(wma_, 1);
    EXPECT_EQ(main_.display, QStringLiteral("Opening tone.wma, please wait...") + kPad);
    ASSERT_TRUE(WaitForCode(PLAYER_FILE_PLAYING));
    EXPECT_EQ(controller_->GetCurrentEngine(), CTorvikCommandCentre::kEngineWindowsMedia);
    EXPECT_EQ(controller_->GetPlayingIndex(), 1);
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusFile);
    // A two-second file ends by itself.
    ASSERT_TRUE(WaitForCode(PLAYER_STOPPED));
    EXPECT_FALSE(controller_->IsPlaying());

    main_.log.messages.clear();
    PlayFileRow(ra_, 2);
    ASSERT_TRUE(WaitForCode(PLAYER_FILE_PLAYING));
    EXPECT_EQ(controller_->GetCurrentEngine(), CTorvikCommandCentre::kEngineRealSystem);
    StopAndWait();
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(PlaybackTest, RecordWritesAPlayableWma) {
    const QString output = MakeTempDir(QStringLiteral("rec")) + QStringLiteral("/show.wma");
    FileDialogRecorder dialog(output);
    ASSERT_EQ(controller_->Record(0), kCcOk);
    ASSERT_EQ(dialog.Requests().size(), 1);
    EXPECT_EQ(dialog.Requests().first().kind, platform::FileDialogKind::Save);
    EXPECT_EQ(dialog.Requests().first().filter,
              QStringLiteral("Windows Media Audio (*.wma)|*.wma||"));
    EXPECT_EQ(dialog.Requests().first().defaultExtension, QStringLiteral("wma"));
    EXPECT_EQ(main_.display,
              QStringLiteral("Tuning to Tone FM for Recording, please wait...") + kPad);

    ASSERT_TRUE(WaitForCode(PLAYER_TUNED));
    EXPECT_TRUE(controller_->IsRecording());
    // Let a few seconds of the station reach the file.
    WaitFor([] { return false; }, 3000);
    StopAndWait();
    EXPECT_FALSE(controller_->IsRecording());

    const PcmAudio audio = DecodeToPcm(output);
    EXPECT_GT(audio.Seconds(), 1.0);
    EXPECT_GT(ToneShare(audio, 440.0), 0.5);
}

TEST_F(PlaybackTest, RecordingARealStationIsRefused) {
    controller_->SetSelectedIndex(3);
    FileDialogRecorder dialog(QStringLiteral("/nowhere.wma"));
    EXPECT_EQ(controller_->Record(0), kCcOk);
    EXPECT_EQ(messages_.Texts(),
              QStringList{QStringLiteral("Stations playing Real format cannot be recorded yet.")});
    EXPECT_TRUE(dialog.Requests().isEmpty());
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);
    EXPECT_FALSE(controller_->IsPlaying());
    EXPECT_TRUE(main_.enabled.isEmpty());
}

TEST_F(PlaybackTest, AStopBeforeTheStreamPlaysIsShown) {
    for (int row : {1, 3}) {  // both engines
        main_.log.messages.clear();
        controller_->SetSelectedIndex(row);
        ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
        ASSERT_EQ(controller_->Stop(), kCcOk);
        EXPECT_TRUE(WaitForCode(PLAYER_STOPPED)) << "row " << row;
        EXPECT_FALSE(controller_->IsPlaying());
        // Let whatever the stream still reports arrive before the next start.
        WaitFor([] { return false; }, 300);
    }
}

// Stations that stall: a server that takes the connection and never answers, and a reference
// file whose every address is such a server. Whatever the user does while one connects must act
// at once, not when the runtime gives up (tens of seconds per address).
class StalledStationTest : public PlaybackTest {
protected:
    // Generous bounds for "within 1 s" and "within 2 s" on a loaded machine; a wait for the
    // runtime takes 40 s or more.
    static constexpr qint64 kStopBoundMs = 2500;
    static constexpr qint64 kExitBoundMs = 4000;

    void SetUp() override {
        ASSERT_TRUE(silent_.IsRunning());
        QByteArray asx = "<ASX version=\"3.0\">\r\n";
        for (int i = 0; i < 6; ++i)
            asx += "<ENTRY><ref href=\"" +
                   silent_.Url(QStringLiteral("/ref%1.asf").arg(i)).toUtf8() + "\"/></ENTRY>\r\n";
        asx += "</ASX>\r\n";
        server_->SetRoute(QStringLiteral("/stalled.asx"),
                          FixtureRoute::Body(asx, QStringLiteral("video/x-ms-asf")));
        Start({MakeStation(QStringLiteral("Silent FM"), silent_.Url(QStringLiteral("/live"))),
               MakeStation(QStringLiteral("Stalled FM"),
                           server_->Url(QStringLiteral("/stalled.asx"))),
               MakeStation(QStringLiteral("Silent List"), silent_.Url(QStringLiteral("/list.pls")))},
              {1, 2, 3});
        controller_->ShowPlaylist(&main_, 1);
    }

    // Plays row, runs act once the start has been connecting for delayMs, and returns how long
    // the start went on after act (-1 when act never ran).
    qint64 StartAndActAfter(int row, int delayMs, const std::function<void()>& act) {
        controller_->SetSelectedIndex(row);
        QElapsedTimer sinceStart;
        QElapsedTimer sinceAct;
        sinceStart.start();
        qint64 late = 0;
        QTimer::singleShot(delayMs, [&] {
            late = sinceStart.elapsed() - delayMs;
            sinceAct.start();
            act();
        });
        EXPECT_EQ(controller_->Play(0, &main_), kCcPlaybackFailed);
        // The user's events went on while the start connected: the act came when it was made.
        EXPECT_LT(late, 1000);
        return sinceAct.isValid() ? sinceAct.elapsed() : -1;
    }

    SilentServer silent_;
};

TEST_F(StalledStationTest, StopEndsAConnectingStartAndTheReferenceLoopAtOnce) {
    // A plain address, a reference file stopped while its addresses are being tried, and a
    // playlist file stopped while it downloads.
    for (const auto& [row, delayMs] :
         {std::pair{1, 500}, std::pair{2, 1500}, std::pair{3, 500}}) {
        SCOPED_TRACE(row);
        main_.log.messages.clear();
        const qint64 ms = StartAndActAfter(row, delayMs, [&] { controller_->Stop(); });
        ASSERT_GE(ms, 0);
        EXPECT_LT(ms, kStopBoundMs);
        // The stopped state, not a failure to connect: the owner is told, the buttons are back.
        EXPECT_TRUE(WaitForCode(PLAYER_STOPPED));
        EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);
        EXPECT_FALSE(controller_->IsPlaying());
        EXPECT_TRUE(main_.enabled.value(kIdPlay));
        EXPECT_FALSE(main_.enabled.value(kIdStop));
    }
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(StalledStationTest, ExitWhileConnectingLetsTheStartReturnAtOnce) {
    const qint64 ms = StartAndActAfter(1, 500, [&] { controller_->Exit(1); });
    ASSERT_GE(ms, 0);
    EXPECT_LT(ms, kExitBoundMs);
    EXPECT_TRUE(main_.destroyed);
}

// A RealMedia address the engine accepts and whose stream then fails (here: nothing listens)
// ends as a Windows Media start that fails: the failure on the display line, the stopped state,
// the buttons usable. The failure may come while the start is still under way (then the start
// itself fails) or after it (then the owner is also told PLAYER_STOPPED); both are tried often
// enough to meet either order.
TEST_F(PlaybackTest, ARealStreamThatFailsAfterItWasAcceptedFailsOnTheDisplayLine) {
    controller_->Database().CloseDatabase();
    controller_.reset();
    Start({MakeStation(QStringLiteral("Broken Real"), QStringLiteral("http://127.0.0.1:9/x.ra"),
                       QStringLiteral("Real"))},
          {1});
    ASSERT_TRUE(controller_->Settings().WriteRealEngineDirectory(BinDir()));
    controller_->ShowPlaylist(&main_, 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        SCOPED_TRACE(attempt);
        main_.log.messages.clear();
        main_.display.clear();
        controller_->SetSelectedIndex(1);
        const int result = controller_->Play(0, &main_);
        ASSERT_TRUE(result == kCcOk || result == kCcPlaybackFailed) << result;
        EXPECT_TRUE(WaitFor([&] {
            return main_.display ==
                   QStringLiteral("Failed to Connect to Station Broken Real") + kPad;
        })) << main_.display.toStdString();
        if (result == kCcOk) {
            EXPECT_TRUE(WaitForCode(PLAYER_STOPPED));
        }
        EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusStopped);
        EXPECT_FALSE(controller_->IsPlaying());
        EXPECT_TRUE(main_.enabled.value(kIdPlay));
        EXPECT_TRUE(main_.enabled.value(kIdRecord));
        EXPECT_FALSE(main_.enabled.value(kIdStop));
        EXPECT_EQ(controller_->GetPlayingIndex(), 0);
        Drain();
    }
}

class UsageHandOverTest : public PlaybackTest {
protected:
    void SetUp() override {
        reporterFactory_ = [this](IUsageReportOwner&) {
            auto reporter = std::make_unique<RecordingReporter>();
            reporter_ = reporter.get();
            return reporter;
        };
        PlaybackTest::SetUp();
    }
    void PlayOnce() {
        main_.log.messages.clear();
        ASSERT_EQ(controller_->Play(0, &main_), kCcOk);
        ASSERT_TRUE(WaitForCode(PLAYER_TUNED));
        Drain();
        StopAndWait();
    }
    RecordingReporter* reporter_ = nullptr;
};

TEST_F(UsageHandOverTest, TheInstallHitComesFirstThenTheUsageReportOnce) {
    ASSERT_NE(reporter_, nullptr);
    PlayOnce();
    EXPECT_EQ(reporter_->sent, QStringList{QStringLiteral("hit")});
    PlayOnce();  // still pending: nothing new
    EXPECT_EQ(reporter_->sent, QStringList{QStringLiteral("hit")});

    controller_->ClearHitPending();  // the request failed: tried again at the next start
    PlayOnce();
    EXPECT_EQ(reporter_->sent, (QStringList{QStringLiteral("hit"), QStringLiteral("hit")}));

    reporter_->hitDelivered = true;
    controller_->ClearHitPending();
    PlayOnce();
    EXPECT_EQ(reporter_->sent.last(), QStringLiteral("usage"));
    controller_->ClearReportPending();
    PlayOnce();  // the hit is known delivered: no more hand-overs in this run
    EXPECT_EQ(reporter_->sent.size(), 3);
}

}  // namespace
}  // namespace velotune::test
