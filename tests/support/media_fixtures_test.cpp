// The media fixtures are what the playback tests listen to: each format must decode back to the
// tone it was made with, at 44.1 kHz stereo and the length asked for.
#include "tests/support/media_fixtures.h"

#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::test {
namespace {

TEST(MediaFixturesTest, ToneFilesDecodeBackToTheTone) {
    const QString folder = MakeTempDir();
    for (const ToneFormat format : {ToneFormat::Wma, ToneFormat::Mp3, ToneFormat::Ra}) {
        const QString path = MakeToneFile(folder, format, 1.5, {QStringLiteral("T"), {}, {}});
        ASSERT_FALSE(path.isEmpty());
        SCOPED_TRACE(path.toStdString());
        const QString wav = path + QStringLiteral(".wav");
        ASSERT_EQ(
            RunProgram(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"),
                                                  QStringLiteral("-i"), path, wav}),
            0);
        PcmAudio audio;
        ASSERT_TRUE(ReadWav(wav, &audio));
        EXPECT_EQ(audio.sampleRate, 44100);
        EXPECT_EQ(audio.channels, 2);
        EXPECT_NEAR(audio.Seconds(), 1.5, 0.1);
        EXPECT_GT(ToneShare(audio, 440), 0.9);
    }
}

}  // namespace
}  // namespace velotune::test
