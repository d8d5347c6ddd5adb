// The RealSystem engine with the real library: RealMedia files and a live http stream play
// through it to the (null) sound device, and what a listener would hear is checked in the
// capture of the sound device.
#include "playback/realengine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <thread>

#include "settings/settings_store.h"
#include "tests/playback/status_recorder.h"
#include "tests/support/fixture_server.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune {
namespace {

using test::StatusRecorder;
using Statuses = std::vector<int>;

// Sends the process's standard error stream to a file while it lives.
class StderrToFile {
public:
    explicit StderrToFile(const QString& path) {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrToFile() {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StderrToFile(const StderrToFile&) = delete;
    StderrToFile& operator=(const StderrToFile&) = delete;

private:
    int saved_ = -1;
};

class RealEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = test::MakeTempDir(QStringLiteral("real"));
        shortFile_ =
            test::MakeToneFile(folder_, test::ToneFormat::Ra, 2.0, {}, QStringLiteral("short"));
        longFile_ =
            test::MakeToneFile(folder_, test::ToneFormat::Ra, 4.0, {}, QStringLiteral("long"));
    }

    void SetUp() override {
        ASSERT_FALSE(shortFile_.isEmpty() || longFile_.isEmpty());
        ASSERT_TRUE(CSettingsStore().WriteRealEngineDirectory(test::BinDir()));
        capture_ = test::MakeTempDir(QStringLiteral("capture")) + QStringLiteral("/out.wav");
        qputenv("VELOTUNE_WAVE_CAPTURE", QFile::encodeName(capture_));
    }
    void TearDown() override { qunsetenv("VELOTUNE_WAVE_CAPTURE"); }

    test::PcmAudio Captured() const {
        test::PcmAudio audio;
        test::ReadWav(capture_, &audio);
        return audio;
    }

    static inline QString folder_;
    static inline QString shortFile_;
    static inline QString longFile_;
    QString capture_;
    StatusRecorder status_;
};

TEST_F(RealEngineTest, FilePlaysItsToneAndEndsClosedThenStopped) {
    CRealEngine engine(&status_);
    ASSERT_EQ(engine.Play(shortFile_), 1);
    EXPECT_FALSE(engine.IsHttp());
    EXPECT_TRUE(engine.IsInitialised());
    EXPECT_EQ(engine.LibraryPath(), test::BinDir() + QStringLiteral("/librmaengine.so"));
    ASSERT_TRUE(status_.WaitFor(kStatusStopped));
    EXPECT_EQ(status_.Statuses(), (Statuses{kStatusFile, kStatusClosed, kStatusStopped}));

    const test::PcmAudio audio = Captured();
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_NEAR(audio.Seconds(), 2.0, 0.2);
    EXPECT_GT(test::ToneShare(audio, 440.0), 0.9);

    // The player stays for the next file; Close lets the library go and a Play loads it again.
    ASSERT_EQ(engine.Play(shortFile_), 1);
    ASSERT_TRUE(status_.WaitFor(kStatusStopped, 20000, 3));
    engine.Close();
    EXPECT_FALSE(engine.IsInitialised());
    const size_t from = status_.Count();
    ASSERT_EQ(engine.Play(shortFile_), 1);
    ASSERT_TRUE(status_.WaitFor(kStatusStopped, 20000, from));
    EXPECT_EQ(status_.Statuses().size(), 9u);
}

TEST_F(RealEngineTest, MissingLibraryTellsTheUserItsPath) {
    const QString empty = test::MakeTempDir(QStringLiteral("noreal"));
    ASSERT_TRUE(CSettingsStore().WriteRealEngineDirectory(empty));
    test::MessageRecorder messages;
    CRealEngine engine(&status_);
    EXPECT_EQ(engine.Play(shortFile_), 0);
    EXPECT_EQ(engine.LastError(), rma::kEFail);
    EXPECT_FALSE(engine.IsInitialised());
    ASSERT_EQ(messages.Texts().size(), 1);
    EXPECT_EQ(messages.Last(),
              QStringLiteral("Failed to load the ") + empty +
                  QStringLiteral("/librmaengine.so Library\nPlease re-install Real Player.\nOr "
                                 "Velotune will not be able to stream/play from stations/files "
                                 "playing Real Format."));
    EXPECT_TRUE(status_.Statuses().empty());

    // Each start tries again, so installing the library later needs no restart.
    ASSERT_TRUE(CSettingsStore().WriteRealEngineDirectory(test::BinDir()));
    EXPECT_EQ(engine.Play(shortFile_), 1);
    EXPECT_EQ(messages.Texts().size(), 1);
}

TEST_F(RealEngineTest, PauseHoldsTheSoundAndResumePlaysOnToTheEnd) {
    CRealEngine engine(&status_);
    ASSERT_EQ(engine.Play(longFile_), 1);
    ASSERT_TRUE(status_.WaitFor(kStatusFile));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    engine.Pause();
    const qint64 pausedAt = QFileInfo(capture_).size();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(QFileInfo(capture_).size(), pausedAt);
    EXPECT_EQ(status_.Statuses(), (Statuses{kStatusFile}));

    engine.Resume();
    ASSERT_TRUE(status_.WaitFor(kStatusStopped));
    // Playing again is reported again; the whole file is heard.
    EXPECT_EQ(status_.Statuses(),
              (Statuses{kStatusFile, kStatusFile, kStatusClosed, kStatusStopped}));
    const test::PcmAudio audio = Captured();
    EXPECT_NEAR(audio.Seconds(), 4.0, 0.2);
    EXPECT_GT(test::ToneShare(audio, 440.0), 0.9);
}

// Switching files while one plays: the old presentation's end arrives before the new start
// returns, and only once, so a controller that is tuning is not shown the stopped state.
TEST_F(RealEngineTest, PlayWhilePlayingEndsTheOldPresentationOnce) {
    CRealEngine engine(&status_);
    ASSERT_EQ(engine.Play(longFile_), 1);
    ASSERT_TRUE(status_.WaitFor(kStatusFile));
    ASSERT_EQ(engine.Play(shortFile_), 1);
    // The old presentation has ended by the time Play returns; the new one may already report.
    const Statuses atReturn = status_.Statuses();
    ASSERT_GE(atReturn.size(), 3U);
    EXPECT_EQ(Statuses(atReturn.begin(), atReturn.begin() + 3),
              (Statuses{kStatusFile, kStatusClosed, kStatusStopped}));
    ASSERT_TRUE(status_.WaitFor(kStatusStopped, 20000, 3));
    EXPECT_EQ(status_.Statuses(), (Statuses{kStatusFile, kStatusClosed, kStatusStopped, kStatusFile,
                                            kStatusClosed, kStatusStopped}));
}

TEST_F(RealEngineTest, LiveHttpStreamBuffersThenPlaysLive) {
    test::FixtureServer server(folder_);
    ASSERT_TRUE(server.IsRunning());
    test::FixtureRoute live = test::FixtureRoute::File(QFileInfo(longFile_).fileName());
    live.loop = true;
    live.bytesPerSecond = 24000;  // a little above the file's 128 kbit/s
    server.SetRoute(QStringLiteral("/live.ra"), live);

    CRealEngine engine(&status_);
    ASSERT_EQ(engine.Play(server.Url(QStringLiteral("/live.ra"))), 1);
    EXPECT_TRUE(engine.IsHttp());
    ASSERT_TRUE(status_.WaitFor(kStatusLive));
    EXPECT_EQ(status_.Statuses(), (Statuses{kStatusBuffering, kStatusLive}));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    engine.Stop();
    // Stop returns once the player has let go and said so.
    EXPECT_EQ(status_.Statuses(),
              (Statuses{kStatusBuffering, kStatusLive, kStatusClosed, kStatusStopped}));
    EXPECT_FALSE(engine.IsPlaying());
    EXPECT_GT(test::ToneShare(Captured(), 440.0), 0.8);
}

TEST_F(RealEngineTest, FailuresEndQuietlyWithADiagnosticLine) {
    CRealEngine engine(&status_);
    test::MessageRecorder messages;
    // A local file that is not there is refused at once.
    EXPECT_EQ(engine.Play(folder_ + QStringLiteral("/missing.ra")), 0);
    EXPECT_TRUE(status_.Statuses().empty());

    // Any scheme but http goes to the player as "File:" + address; nothing answers on port 1.
    const QString log = test::MakeTempDir(QStringLiteral("stderr")) + QStringLiteral("/err.txt");
    int played = 0;
    bool ended = false;
    {
        StderrToFile redirect(log);
        played = engine.Play(QStringLiteral("rtsp://127.0.0.1:1/station.rm"));
        ended = status_.WaitFor(kStatusStopped);
    }
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(file.readAll());
    ASSERT_EQ(played, 1) << written.toStdString();
    ASSERT_TRUE(ended) << written.toStdString();
    EXPECT_FALSE(engine.IsHttp());
    EXPECT_EQ(status_.Statuses(), (Statuses{kStatusClosed, kStatusStopped}));
    EXPECT_TRUE(messages.Texts().isEmpty());
    EXPECT_TRUE(written.contains(QStringLiteral(
        "Report(3, 0x8007006f, \"File:rtsp://127.0.0.1:1/station.rm\", 0, \"(NULL)\", "
        "\"The server refused the connection\")\n")))
        << written.toStdString();
}

}  // namespace
}  // namespace velotune
