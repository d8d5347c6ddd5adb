// The Windows Media engine on a live MP3 stream from a real icecast2 server on loopback: it plays
// as a network source, stops at once, and records what it plays into a WMA file.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "tests/playback/engine_test_support.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class LiveEngineTest : public test::EngineFixture {
protected:
    static void SetUpTestSuite() { stream_ = std::make_unique<test::IcecastStream>(); }
    static void TearDownTestSuite() { stream_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(stream_->IsRunning()) << stream_->Diagnostics().toStdString();
        EngineFixture::SetUp();
    }

    static inline std::unique_ptr<test::IcecastStream> stream_;
};

TEST_F(LiveEngineTest, LiveStreamPlaysAsNetworkSourceAndStopsAtOnce) {
    ASSERT_EQ(engine_->OpenAndStart(stream_->Url().toStdString()), 0);
    ASSERT_TRUE(statuses_.WaitFor(kStatusLive));
    EXPECT_EQ(statuses_.Statuses().front(), kStatusBuffering);
    std::this_thread::sleep_for(1500ms);

    const size_t before = statuses_.Count();
    const Clock::time_point stopped = Clock::now();
    EXPECT_EQ(engine_->StopPlayback(), platform::kSOk);
    const std::vector<int> tail = statuses_.WaitForEnd(before, 5000);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - stopped).count(), 2.5);
    EXPECT_TRUE(test::OnlyClosedThenStopped(tail)) << ::testing::PrintToString(tail);

    const test::PcmAudio heard = Heard();
    EXPECT_GT(heard.Seconds(), 1.0);
    // The stream's first frames may start mid-way; the tone is what follows.
    EXPECT_GT(test::ToneShare(test::From(heard, 0.2), 440), 0.9);
}

// Records a few seconds: the file is ASF with WMA v2, as long as what was delivered, carries the
// station's title, and decodes to the tone. Pausing meanwhile does nothing.
TEST_F(LiveEngineTest, RecordingGivesAWmaFileOfTheStream) {
    const QString path = folder_ + QStringLiteral("/recording.wma");
    ASSERT_EQ(engine_->StartRecording(stream_->Url().toStdString(), path.toStdString()), 1);
    ASSERT_TRUE(statuses_.WaitFor(kStatusLive));
    const Clock::time_point started = Clock::now();

    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(engine_->PausePlayback(), platform::kSOk);
    const double beforePause = Heard().Seconds();
    std::this_thread::sleep_for(1500ms);
    EXPECT_GT(Heard().Seconds(), beforePause + 1.0);  // still playing
    EXPECT_EQ(engine_->ResumePlayback(), platform::kSOk);

    const size_t before = statuses_.Count();
    EXPECT_EQ(engine_->StopPlayback(), platform::kSOk);
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    const std::vector<int> tail = statuses_.WaitForEnd(before, 5000);
    EXPECT_TRUE(test::OnlyClosedThenStopped(tail)) << ::testing::PrintToString(tail);

    const QMap<QString, QString> info = test::Probe(path);
    EXPECT_EQ(info.value(QStringLiteral("format_name")), QStringLiteral("asf"));
    EXPECT_EQ(info.value(QStringLiteral("codec_name")), QStringLiteral("wmav2"));
    EXPECT_EQ(info.value(QStringLiteral("sample_rate")), QStringLiteral("44100"));
    EXPECT_EQ(info.value(QStringLiteral("channels")), QStringLiteral("2"));
    EXPECT_EQ(info.value(QStringLiteral("title")), QStringLiteral("Tone Station"));
    // The reader runs about a second ahead of what is heard: that much more is in the file.
    const double duration = info.value(QStringLiteral("duration")).toDouble();
    EXPECT_GT(duration, elapsed - 0.3);
    EXPECT_LT(duration, elapsed + 1.8);

    const test::PcmAudio decoded = test::DecodeToPcm(path);
    EXPECT_NEAR(decoded.Seconds(), duration, 0.25);
    EXPECT_GT(test::ToneShare(test::From(decoded, 0.2), 440), 0.9);
}

}  // namespace
}  // namespace velotune
