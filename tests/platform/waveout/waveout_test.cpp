// The sound device on the ALSA null device, heard through the capture file.
#include <gtest/gtest.h>

#include <QFile>
#include <QtEndian>

#include "tests/platform/waveout/waveout_test_support.h"
#include "tests/support/test_env.h"
#include "tests/support/tone.h"

namespace velotune::test {
namespace {

using namespace platform;

constexpr uint32_t kFullVolume = 0xFFFFFFFFu;

class WaveOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        capture_ = MakeTempDir(QStringLiteral("waveout")) + QStringLiteral("/capture.wav");
        qputenv("VELOTUNE_WAVE_CAPTURE", QFile::encodeName(capture_));
    }
    void TearDown() override {
        qunsetenv("VELOTUNE_WAVE_CAPTURE");
        WaveOutSetVolume(HWaveOut{}, kFullVolume);
    }

    HWaveOut Open(const ToneBlocks& tone) {
        HWaveOut device{};
        EXPECT_EQ(WaveOutOpen(&device, tone.Format(), &DeviceEvents::Callback, events_.Instance()),
                  kMmSysErrNoError);
        return device;
    }

    PcmAudio Captured() {
        PcmAudio audio;
        EXPECT_TRUE(ReadWav(capture_, &audio));
        return audio;
    }

    QString capture_;
    DeviceEvents events_;
};

TEST_F(WaveOutTest, ToneArrivesWholeInOrderAtRealTimePace) {
    ToneBlocks tone(44100, 2, 1.0, 50);
    const HWaveOut device = Open(tone);
    ASSERT_NE(device, HWaveOut{});
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(tone.WriteAll(device));

    // Part way through, the capture is already a readable WAV file holding what was heard so far.
    ASSERT_TRUE(events_.WaitForDone(5));
    const PcmAudio partial = Captured();
    EXPECT_GT(partial.samples.size(), 0u);
    EXPECT_LE(partial.samples.size(), tone.samples.size());

    ASSERT_TRUE(events_.WaitForDone(tone.headers.size()));
    // The null device consumes at once; the blocks still come back as a listener hears them.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 900ms);

    const std::vector<WaveHeader*> done = events_.Done();
    ASSERT_EQ(done.size(), tone.headers.size());
    for (size_t i = 0; i < done.size(); ++i) {
        EXPECT_EQ(done[i], &tone.headers[i]) << "block " << i;
        EXPECT_EQ(done[i]->flags & (kWhdrDone | kWhdrInQueue), kWhdrDone);
    }
    for (WaveHeader& header : tone.headers)
        EXPECT_EQ(WaveOutUnprepareHeader(device, &header), kMmSysErrNoError);
    EXPECT_EQ(WaveOutClose(device), kMmSysErrNoError);

    const std::vector<uint32_t> messages = events_.Messages();
    EXPECT_EQ(messages.front(), kWomOpen);
    EXPECT_EQ(messages.back(), kWomClose);
    EXPECT_EQ(messages.size(), tone.headers.size() + 2);
    const std::set<std::thread::id> threads = events_.Threads();
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);

    const PcmAudio heard = Captured();
    EXPECT_EQ(heard.sampleRate, 44100);
    EXPECT_EQ(heard.channels, 2);
    EXPECT_EQ(heard.samples, tone.samples);
    EXPECT_GT(ToneShare(heard, 440.0), 0.95);

    // Once closed, the header carries the real sizes.
    QFile file(capture_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 44);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 40), quint32(tone.samples.size() * 2));
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 4), quint32(bytes.size() - 8));
}

TEST_F(WaveOutTest, ResetReturnsEveryQueuedBlockAndPlayingGoesOn) {
    ToneBlocks tone(22050, 1, 6.0, 100);
    const HWaveOut device = Open(tone);
    ASSERT_TRUE(tone.WriteAll(device));
    ASSERT_TRUE(events_.WaitForDone(1));

    ASSERT_EQ(WaveOutReset(device), kMmSysErrNoError);
    // Reset waits for the messages: every block is back when it returns.
    EXPECT_EQ(events_.DoneCount(), tone.headers.size());
    for (const WaveHeader& header : tone.headers)
        EXPECT_EQ(header.flags & (kWhdrDone | kWhdrInQueue), kWhdrDone);
    uint64_t position = 1;
    EXPECT_EQ(WaveOutGetPosition(device, &position), kMmSysErrNoError);
    EXPECT_EQ(position, 0u);

    // The engines reset between streams and write on.
    ToneBlocks next(22050, 1, 0.3, 100);
    ASSERT_TRUE(next.WriteAll(device));
    EXPECT_TRUE(events_.WaitForDone(tone.headers.size() + next.headers.size()));
    EXPECT_EQ(WaveOutClose(device), kMmSysErrNoError);

    // Only what was heard reached the capture: far less than the six seconds written.
    EXPECT_LT(Captured().Seconds(), 4.0);
}

TEST_F(WaveOutTest, PauseHoldsCompletionsAndRestartResumesWithoutLoss) {
    ToneBlocks tone(44100, 2, 1.5, 100);
    const HWaveOut device = Open(tone);
    ASSERT_TRUE(tone.WriteAll(device));
    ASSERT_TRUE(events_.WaitForDone(2));

    ASSERT_EQ(WaveOutPause(device), kMmSysErrNoError);
    EXPECT_EQ(WaveOutPause(device), kMmSysErrNoError);  // a second pause changes nothing
    const size_t atPause = events_.DoneCount();
    uint64_t positionAtPause = 0;
    WaveOutGetPosition(device, &positionAtPause);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(events_.DoneCount(), atPause);
    uint64_t position = 0;
    WaveOutGetPosition(device, &position);
    EXPECT_EQ(position, positionAtPause);

    ASSERT_EQ(WaveOutRestart(device), kMmSysErrNoError);
    ASSERT_TRUE(events_.WaitForDone(tone.headers.size()));
    EXPECT_EQ(WaveOutClose(device), kMmSysErrNoError);
    // What the output held at the pause was played again after it, neither lost nor doubled.
    EXPECT_EQ(Captured().samples, tone.samples);
}

TEST_F(WaveOutTest, VolumeScalesEachChannel) {
    const auto playAndMeasure = [&](uint32_t volume, bool setBeforeOpen) {
        DeviceEvents events;
        ToneBlocks tone(44100, 2, 0.3, 100);
        if (setBeforeOpen)
            WaveOutSetVolume(HWaveOut{}, volume);  // the null handle: the next open's volume
        HWaveOut device{};
        EXPECT_EQ(WaveOutOpen(&device, tone.Format(), &DeviceEvents::Callback, events.Instance()),
                  kMmSysErrNoError);
        if (!setBeforeOpen)
            WaveOutSetVolume(device, volume);
        EXPECT_TRUE(tone.WriteAll(device));
        EXPECT_TRUE(events.WaitForDone(tone.headers.size()));
        EXPECT_EQ(WaveOutClose(device), kMmSysErrNoError);
        return Captured();
    };

    const double full = Rms(playAndMeasure(kFullVolume, true));
    const double fifth = Rms(playAndMeasure(13107u | (13107u << 16), true));
    ASSERT_GT(full, 1000.0);
    EXPECT_NEAR(fifth / full, 0.2, 0.005);

    // Left silent, right as recorded; set on the open device, which also becomes the default.
    const PcmAudio split = playAndMeasure(0xFFFF0000u, false);
    uint32_t volume = 0;
    EXPECT_EQ(WaveOutGetVolume(HWaveOut{}, &volume), kMmSysErrNoError);
    EXPECT_EQ(volume, 0xFFFF0000u);
    double left = 0.0;
    double right = 0.0;
    for (size_t i = 0; i + 1 < split.samples.size(); i += 2) {
        left += std::abs(split.samples[i]);
        right += std::abs(split.samples[i + 1]);
    }
    EXPECT_EQ(left, 0.0);
    EXPECT_GT(right, 0.0);
}

TEST_F(WaveOutTest, HeadersAndCloseFollowTheQueueRules) {
    ToneBlocks tone(44100, 2, 1.0, 250);
    const HWaveOut device = Open(tone);
    WaveHeader& first = tone.headers[0];
    EXPECT_EQ(WaveOutWrite(device, &first), kWavErrUnprepared);
    EXPECT_EQ(WaveOutWrite(device, nullptr), kMmSysErrInvalParam);
    WaveHeader noBytes;
    noBytes.bufferLength = 4;
    EXPECT_EQ(WaveOutPrepareHeader(device, &noBytes), kMmSysErrInvalParam);

    ASSERT_TRUE(tone.WriteAll(device));
    EXPECT_EQ(WaveOutWrite(device, &first), kWavErrStillPlaying);
    EXPECT_EQ(WaveOutUnprepareHeader(device, &first), kWavErrStillPlaying);

    // The engine closes only after a reset; a close with blocks queued leaves the device open.
    EXPECT_EQ(WaveOutClose(device), kWavErrStillPlaying);
    EXPECT_EQ(WaveOutReset(device), kMmSysErrNoError);
    EXPECT_EQ(WaveOutUnprepareHeader(device, &first), kMmSysErrNoError);
    EXPECT_EQ(first.flags & kWhdrPrepared, 0u);
    EXPECT_EQ(WaveOutClose(device), kMmSysErrNoError);

    EXPECT_EQ(WaveOutClose(device), kMmSysErrInvalHandle);
    EXPECT_EQ(WaveOutPrepareHeader(device, &first), kMmSysErrInvalHandle);
    EXPECT_EQ(WaveOutReset(HWaveOut{}), kMmSysErrInvalHandle);
}

TEST_F(WaveOutTest, RefusesFormatsItCannotPlay) {
    const WaveFormatEx good = WaveFormatEx::Pcm16(44100, 2);
    std::vector<WaveFormatEx> bad(7, good);
    bad[0].formatTag = 3;  // IEEE float
    bad[1].bitsPerSample = 8;
    bad[1].blockAlign = 2;
    bad[1].avgBytesPerSec = 88200;
    bad[2] = WaveFormatEx::Pcm16(44100, 0);
    bad[3] = WaveFormatEx::Pcm16(0, 2);
    bad[4].blockAlign = 2;
    bad[5].avgBytesPerSec = 1;
    bad[6].bitsPerSample = 24;
    for (size_t i = 0; i < bad.size(); ++i) {
        HWaveOut device{99};
        EXPECT_EQ(WaveOutOpen(&device, bad[i], &DeviceEvents::Callback, events_.Instance()),
                  kWavErrBadFormat)
            << "format " << i;
        EXPECT_EQ(device, HWaveOut{});
    }
    EXPECT_EQ(WaveOutOpen(nullptr, good, nullptr, 0), kMmSysErrInvalParam);
    EXPECT_TRUE(events_.Messages().empty());
}

TEST_F(WaveOutTest, UnknownDeviceNameIsAnErrorNumber) {
    const QByteArray saved = qgetenv("VELOTUNE_ALSA_DEVICE");
    qputenv("VELOTUNE_ALSA_DEVICE", "velotune_no_such_device");
    HWaveOut device{};
    const MmResult result =
        WaveOutOpen(&device, WaveFormatEx::Pcm16(44100, 2), &DeviceEvents::Callback, events_.Instance());
    qputenv("VELOTUNE_ALSA_DEVICE", saved);
    EXPECT_EQ(result, kMmSysErrBadDeviceId) << WaveOutErrorName(result);
    EXPECT_EQ(device, HWaveOut{});
    EXPECT_TRUE(events_.Messages().empty());
}

}  // namespace
}  // namespace velotune::test
