// The sound device over a simulated sound card: one that reports its own delay as real hardware
// does, and that can be made to fail, to reach the recovery paths the null device never takes.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>

#include "platform/waveout/pcm_backend.h"
#include "tests/platform/waveout/waveout_test_support.h"

namespace velotune::test {
namespace {

using namespace platform;

// Faults to inject, set by the test while the device thread uses the card.
struct CardFaults {
    std::atomic<int> failingWrites{0};     // this many writes fail with writeError
    std::atomic<int> writeError{-EPIPE};
    std::atomic<int> recoveries{0};
    std::atomic<int> framesTaken{0};
};

// A card with half a second of buffer that plays its contents at `rate` frames per second.
class SimulatedCard final : public platform::waveout::PcmBackend {
public:
    SimulatedCard(uint32_t rate, CardFaults* faults)
        : rate_(rate), faults_(faults), last_(std::chrono::steady_clock::now()) {}

    long BufferFrames() const override { return long(rate_ / 2); }
    long Avail() override {
        Play();
        return BufferFrames() - long(std::ceil(fill_));
    }
    long Write(const int16_t*, long frames) override {
        if (faults_->failingWrites.load() > 0) {
            --faults_->failingWrites;
            fill_ = 0;
            return faults_->writeError.load();
        }
        Play();
        const long taken = std::min(frames, Avail());
        fill_ += double(taken);
        faults_->framesTaken += int(taken);
        return taken;
    }
    int Delay(long* frames) override {
        Play();
        *frames = long(std::ceil(fill_));
        return 0;
    }
    int Drop() override {
        fill_ = 0;
        return 0;
    }
    int Recover(int) override {
        ++faults_->recoveries;
        return 0;
    }
    int PollDescriptors(pollfd*, int) override { return 0; }
    bool PollWritable(pollfd*, int) override { return false; }

private:
    void Play() {
        const auto now = std::chrono::steady_clock::now();
        fill_ = std::max(0.0, fill_ - std::chrono::duration<double>(now - last_).count() * rate_);
        last_ = now;
    }

    const uint32_t rate_;
    CardFaults* faults_;
    double fill_ = 0.0;
    std::chrono::steady_clock::time_point last_;
};

HWaveOut OpenSimulated(const ToneBlocks& tone, DeviceEvents* events, CardFaults* faults) {
    HWaveOut device{};
    EXPECT_EQ(platform::waveout::OpenWithBackend(
                  &device, tone.Format(), &DeviceEvents::Callback, events->Instance(),
                  std::make_unique<SimulatedCard>(uint32_t(tone.rate), faults)),
              kMmSysErrNoError);
    return device;
}

TEST(WaveOutSimulatedCard, CompletionsFollowTheCardsDelay) {
    DeviceEvents events;
    CardFaults faults;
    ToneBlocks tone(48000, 2, 1.0, 40);
    const HWaveOut device = OpenSimulated(tone, &events, &faults);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(tone.WriteAll(device));
    ASSERT_TRUE(events.WaitForDone(tone.headers.size()));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 900ms);
    EXPECT_EQ(faults.framesTaken.load(), 48000);
    EXPECT_EQ(faults.recoveries.load(), 0);
    const std::vector<WaveHeader*> done = events.Done();
    for (size_t i = 0; i < done.size(); ++i)
        EXPECT_EQ(done[i], &tone.headers[i]);
    EXPECT_EQ(WaveOutClose(device), kMmSysErrNoError);
}

TEST(WaveOutSimulatedCard, UnderrunsAndSuspendsAreRecovered) {
    DeviceEvents events;
    CardFaults faults;
    faults.failingWrites = 3;
    ToneBlocks tone(48000, 2, 0.5, 50);
    const HWaveOut device = OpenSimulated(tone, &events, &faults);
    ASSERT_TRUE(tone.WriteAll(device));
    ASSERT_TRUE(events.WaitForDone(tone.headers.size()));
    EXPECT_EQ(faults.recoveries.load(), 3);

    // A suspend in the middle of a stream: recovered, and the device goes on taking blocks.
    faults.writeError = -ESTRPIPE;
    faults.failingWrites = 1;
    ToneBlocks more(48000, 2, 0.3, 50);
    ASSERT_TRUE(more.WriteAll(device));
    ASSERT_TRUE(events.WaitForDone(tone.headers.size() + more.headers.size()));
    EXPECT_EQ(faults.recoveries.load(), 4);
    EXPECT_EQ(WaveOutClose(device), kMmSysErrNoError);
}

TEST(WaveOutSimulatedCard, AnOutputThatKeepsFailingStopsTheDeviceOnce) {
    DeviceEvents events;
    CardFaults faults;
    faults.writeError = -EIO;
    faults.failingWrites = 1000;
    ToneBlocks tone(48000, 2, 1.0, 100);
    const HWaveOut device = OpenSimulated(tone, &events, &faults);
    // The device may fail while the blocks are still being written; from then on it refuses them.
    size_t accepted = 0;
    for (WaveHeader& header : tone.headers) {
        ASSERT_EQ(WaveOutPrepareHeader(device, &header), kMmSysErrNoError);
        const MmResult result = WaveOutWrite(device, &header);
        if (result != kMmSysErrNoError) {
            EXPECT_EQ(result, kMmSysErrError);
            EXPECT_EQ(header.flags & kWhdrInQueue, 0u);
            break;
        }
        ++accepted;
    }
    ASSERT_GT(accepted, 0u);

    // Every block it took comes back, after a bounded number of recoveries...
    ASSERT_TRUE(events.WaitForDone(accepted));
    EXPECT_GT(faults.recoveries.load(), 0);
    EXPECT_LE(faults.recoveries.load(), 10);
    // ...and the failure is reported to the next writer instead of blocks vanishing.
    WaveHeader& again = tone.headers[0];
    EXPECT_EQ(WaveOutWrite(device, &again), kMmSysErrError);
    EXPECT_EQ(again.flags & kWhdrInQueue, 0u);
    const int recoveries = faults.recoveries.load();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(faults.recoveries.load(), recoveries);
    EXPECT_EQ(WaveOutClose(device), kMmSysErrNoError);
}

}  // namespace
}  // namespace velotune::test
