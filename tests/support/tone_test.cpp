// The tone check itself must tell a tone from silence and from a different tone, or every audio
// test built on it proves nothing.
#include <gtest/gtest.h>

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <numbers>

#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::test {
namespace {

PcmAudio Sine(double hz, int rate, int channels, double seconds, double amplitude) {
    PcmAudio a{rate, channels, {}};
    const int frames = int(rate * seconds);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            a.samples.push_back(int16_t(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
    return a;
}

TEST(ToneTest, TellsToneFromSilenceAndOtherTones) {
    EXPECT_GT(ToneShare(Sine(440, 44100, 2, 1.0, 8000), 440), 0.9);
    EXPECT_LT(ToneShare(Sine(1000, 44100, 2, 1.0, 8000), 440), 0.05);
    EXPECT_EQ(ToneShare(Sine(440, 44100, 2, 1.0, 0), 440), 0.0);
    EXPECT_NEAR(Rms(Sine(440, 8000, 1, 1.0, 10000)), 10000 / std::sqrt(2.0), 50);
}

TEST(ToneTest, ReadsWavIncludingUnfinishedHeader) {
    const PcmAudio tone = Sine(440, 22050, 1, 0.5, 5000);
    const QString path = MakeTempDir() + QStringLiteral("/t.wav");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    auto put32 = [&](quint32 v) { v = qToLittleEndian(v); f.write(reinterpret_cast<char*>(&v), 4); };
    auto put16 = [&](quint16 v) { v = qToLittleEndian(v); f.write(reinterpret_cast<char*>(&v), 2); };
    f.write("RIFF");
    put32(0);
    f.write("WAVEfmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(22050);
    put32(44100);
    put16(2);
    put16(16);
    f.write("data");
    put32(0);  // never filled in: read to the end of the file
    for (int16_t s : tone.samples)
        put16(quint16(s));
    f.close();

    PcmAudio read;
    ASSERT_TRUE(ReadWav(path, &read));
    EXPECT_EQ(read.sampleRate, 22050);
    EXPECT_EQ(read.channels, 1);
    EXPECT_EQ(read.samples, tone.samples);
    EXPECT_FALSE(ReadWav(path + QStringLiteral(".missing"), &read));
}

}  // namespace
}  // namespace velotune::test
