// The main window driving the real controller and engines: a live station served on loopback and
// a generated tone file. What the user sees while tuning, playing, recording and stopping.
#include <gtest/gtest.h>

#include "playback/player_messages.h"
#include "skin/controls/skinbutton.h"
#include "tests/skin/main_window_fixture.h"
#include "tests/support/file_dialog_recorder.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

class MainWindowPlaybackTest : public MainWindowTest {
protected:
    static void SetUpTestSuite() {
        folder_ = new QString(MakeTempDir(QStringLiteral("media")));
        mp3_ =
            new QString(MakeToneFile(*folder_, ToneFormat::Mp3, 6.0, {}, QStringLiteral("loop")));
        wma_ = new QString(MakeToneFile(*folder_, ToneFormat::Wma, 20.0));
        tagged_ = new QString(
            MakeToneFile(*folder_, ToneFormat::Mp3, 20.0,
                         {QStringLiteral("Evening Song"), QStringLiteral("The Tones"), QString()},
                         QStringLiteral("tagged")));
        server_ = new FixtureServer(*folder_);
        // A live station: the tone repeated for ever at about its own pace.
        FixtureRoute live =
            FixtureRoute::File(QStringLiteral("loop.mp3"), QStringLiteral("audio/mpeg"));
        live.loop = true;
        live.bytesPerSecond = 32000;
        server_->SetRoute(QStringLiteral("/live"), live);
    }
    static void TearDownTestSuite() {
        delete server_;
        delete tagged_;
        delete wma_;
        delete mp3_;
        delete folder_;
    }

    void SetUp() override {
        ASSERT_FALSE(mp3_->isEmpty());
        ASSERT_FALSE(wma_->isEmpty());
        ASSERT_TRUE(server_->IsRunning());
        MakeController(
            {MakeStation(QStringLiteral("Tone FM"), server_->Url(QStringLiteral("/live"))),
             MakeStation(QStringLiteral("Second FM"), DeadUrl())},
            {1, 2});
        ASSERT_TRUE(controller_->Settings().WriteCurrentPlaylistID(1));
        OpenWindow();
    }

    bool WaitForDisplay(const QString& text) {
        return WaitFor([&] { return Display() == text; });
    }
    // The enabled state of Play, Pause, Stop, Record, Info, OpenEx and Go to Playing.
    QString Buttons() const {
        QString states;
        for (int id : {kIdPlay, kIdPause, kIdStop, kIdRecord, kIdInfo, kIdOpenEx, kIdCenter})
            states += Enabled(id) ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    }

    static inline QString* folder_ = nullptr;
    static inline QString* mp3_ = nullptr;
    static inline QString* wma_ = nullptr;
    static inline QString* tagged_ = nullptr;
    static inline FixtureServer* server_ = nullptr;
};

TEST_F(MainWindowPlaybackTest, PlayTunesInAndStopReturnsToIdle) {
    EXPECT_EQ(Display(), Pad(QStringLiteral("Tone FM selected, press Play to tune-in.")));
    EXPECT_EQ(Buttons(), QStringLiteral("1001110"));

    window_->Button(kIdPlay)->click();
    EXPECT_EQ(Display(), Pad(QStringLiteral("Tuning to Tone FM, please wait...")));
    EXPECT_FALSE(Enabled(kIdPlay));
    EXPECT_TRUE(Enabled(kIdStop));
    EXPECT_FALSE(Enabled(kIdPreset1));

    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are tuned to Tone FM"))));
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusLive);
    // The playing row: no Play, no Pause for a live stream, no Record while playing.
    EXPECT_EQ(Buttons(), QStringLiteral("0010111"));
    EXPECT_FALSE(Enabled(kIdMiniPlay));
    EXPECT_TRUE(Enabled(kIdMiniStop));
    EXPECT_TRUE(Visible(kIdPlay));
    EXPECT_FALSE(Visible(kIdPause));
    EXPECT_TRUE(Enabled(kIdPreset1 + 1));
    EXPECT_EQ(window_->Button(kIdPreset1 + 1)->TooltipText(), QStringLiteral("Second FM"));

    // The stream stalls and recovers (the engine's reports, played by the test).
    controller_->SetPlaybackStatus(kStatusBuffering);
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("Buffering Tone FM, please wait..."))));
    EXPECT_EQ(Buttons(), QStringLiteral("0010100"));
    controller_->SetPlaybackStatus(kStatusLive);
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are tuned to Tone FM"))));

    // It drops and is reconnected: said on the display line, with the controls of playing.
    controller_->SetPlaybackStatus(kStatusReconnecting);
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("Reconnecting to Tone FM, please wait..."))));
    EXPECT_EQ(Buttons(), QStringLiteral("0010111"));
    EXPECT_EQ(controller_->GetPlaybackStatus(), kStatusLive);
    controller_->SetPlaybackStatus(kStatusLive);
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are tuned to Tone FM"))));

    // Another row offers a switch; Go to Playing comes back to the playing one.
    window_->Button(kIdNext)->click();
    ASSERT_TRUE(
        WaitForDisplay(Pad(QStringLiteral("Second FM selected, press Play to switch station."))));
    EXPECT_EQ(Buttons(), QStringLiteral("1010111"));
    window_->Button(kIdCenter)->click();
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are tuned to Tone FM"))));

    window_->Button(kIdStop)->click();
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("Tone FM selected, press Play to tune-in."))));
    EXPECT_EQ(Buttons(), QStringLiteral("1001110"));
    EXPECT_TRUE(Enabled(kIdMiniPlay));
    EXPECT_FALSE(Enabled(kIdMiniStop));
    EXPECT_FALSE(controller_->IsPlaying());
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

// A recording that cannot be written (a full disk) is told in a box that names the file and the
// reason, and the recording ends.
TEST_F(MainWindowPlaybackTest, AFailedRecordingIsReportedWithItsFileAndReason) {
    {
        FileDialogRecorder dialog(QStringLiteral("/dev/full"));
        window_->Button(kIdRecord)->click();
    }
    // Well within the half minute of audio the output used to hold back before it wrote.
    ASSERT_TRUE(WaitFor([&] { return !messages_.Texts().isEmpty(); }, 12000));
    EXPECT_EQ(messages_.Last(), QStringLiteral("The recording into /dev/full failed: No space "
                                               "left on device."));
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("Tone FM selected, press Play to tune-in."))));
    EXPECT_FALSE(controller_->IsPlaying());
}

TEST_F(MainWindowPlaybackTest, RecordingAndFilesAreNamedOnTheDisplayLine) {
    const QString output = MakeTempDir(QStringLiteral("rec")) + QStringLiteral("/show.wma");
    {
        FileDialogRecorder dialog(output);
        window_->Button(kIdRecord)->click();
    }
    EXPECT_EQ(Display(), Pad(QStringLiteral("Tuning to Tone FM for Recording, please wait...")));
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are recording Tone FM"))));
    window_->Button(kIdStop)->click();
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("Tone FM selected, press Play to tune-in."))));

    AddFileEntry(QStringLiteral("tone.wma"), *wma_);
    AddFileEntry(QStringLiteral("other.take.wma"), *wma_);
    UseFileList(1);
    window_->UpdateDisplayLine(1);
    window_->Button(kIdPlay)->click();
    EXPECT_EQ(Display(), Pad(QStringLiteral("Opening tone.wma, please wait...")));
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are playing tone"))));
    // A file can pause: Pause takes Play's place.
    EXPECT_TRUE(Visible(kIdPause));
    EXPECT_FALSE(Visible(kIdPlay));
    EXPECT_TRUE(Enabled(kIdPause));

    window_->Button(kIdPause)->click();
    EXPECT_EQ(Display(), Pad(QStringLiteral("Playback has been paused, press Play to continue.")));
    window_->Button(kIdPause)->click();
    EXPECT_EQ(Display(), Pad(QStringLiteral("You are playing tone")));

    // In the minibar and back, Pause stays where it was.
    window_->SwitchToMinibar();
    window_->SwitchToMainView();
    EXPECT_TRUE(Visible(kIdPause));
    EXPECT_FALSE(Visible(kIdPlay));

    window_->Button(kIdNext)->click();
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("other selected, press Play to change files."))));
    window_->Button(kIdStop)->click();
    ASSERT_TRUE(
        WaitForDisplay(Pad(QStringLiteral("other selected, press Play to start playback."))));
    EXPECT_TRUE(Visible(kIdPlay));
    EXPECT_FALSE(Visible(kIdPause));
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(MainWindowPlaybackTest, AFilesTitleTagIsShownOnlyWhenSongTitlesAreAskedFor) {
    // A station that names no song is named as before, with song titles on as well.
    ASSERT_TRUE(controller_->Settings().WriteShowSongTitles(1));
    window_->Button(kIdPlay)->click();
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are tuned to Tone FM"))));
    EXPECT_TRUE(controller_->NowPlayingTitle().isEmpty());
    window_->Button(kIdStop)->click();
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("Tone FM selected, press Play to tune-in."))));
    ASSERT_TRUE(controller_->Settings().WriteShowSongTitles(0));

    AddFileEntry(QStringLiteral("tagged.mp3"), *tagged_);
    UseFileList(1);
    window_->UpdateDisplayLine(1);

    // Off by default: the file is named as the file list names it.
    window_->Button(kIdPlay)->click();
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are playing tagged"))));
    EXPECT_EQ(controller_->NowPlayingTitle(), QStringLiteral("The Tones - Evening Song"));

    // Turned on, the line names the song; after a stop the title is gone until the next play.
    ASSERT_TRUE(controller_->Settings().WriteShowSongTitles(1));
    window_->UpdateDisplayLine(1);
    EXPECT_EQ(Display(), Pad(QStringLiteral("You are playing The Tones - Evening Song")));
    window_->Button(kIdStop)->click();
    ASSERT_TRUE(
        WaitForDisplay(Pad(QStringLiteral("tagged selected, press Play to start playback."))));
    EXPECT_TRUE(controller_->NowPlayingTitle().isEmpty());
    window_->Button(kIdPlay)->click();
    ASSERT_TRUE(WaitForDisplay(Pad(QStringLiteral("You are playing The Tones - Evening Song"))));
    window_->Button(kIdStop)->click();
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

}  // namespace
}  // namespace velotune::test
