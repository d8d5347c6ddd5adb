// What it costs to play audio through the sound device: the CPU time (all threads of the process)
// of pushing a stretch of 44.1 kHz stereo audio through the layer to the ALSA null device in
// decoder-sized blocks, at full volume (a plain copy) and at a reduced volume (scaled samples).
// The device keeps real-time pace, so each run takes as long as the audio lasts; the counter
// "audio_s" is the audio length, and the baseline copies the same samples
// once, for the ratio.
//
// VELOTUNE_BENCH_AUDIO_SECONDS sets the stretch (60 when unset); VELOTUNE_ALSA_DEVICE defaults to
// "null" here.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/waveout/waveout.h"

namespace {

using namespace velotune::platform;

constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr int kBlockMs = 26;  // about one MP3 frame

double AudioSeconds() {
    const char* text = std::getenv("VELOTUNE_BENCH_AUDIO_SECONDS");
    const double seconds = text ? std::atof(text) : 0.0;
    return seconds > 0.0 ? seconds : 60.0;
}

struct Completions {
    std::mutex mutex;
    std::condition_variable changed;
    size_t done = 0;

    static void Callback(HWaveOut, uint32_t message, uintptr_t instance, uintptr_t, uintptr_t) {
        if (message != kWomDone)
            return;
        auto* self = reinterpret_cast<Completions*>(instance);
        std::lock_guard lock(self->mutex);
        ++self->done;
        self->changed.notify_all();
    }
};

std::vector<int16_t> Audio(double seconds) {
    std::vector<int16_t> samples(size_t(seconds * kRate) * kChannels);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t((i * 37) % 20000 - 10000);
    return samples;
}

// Writes the audio the way a playback engine does: keeps about a second of blocks queued and
// writes the next block whenever one comes back.
void BM_PlayThroughNullDevice(benchmark::State& state) {
    const uint32_t volume = uint32_t(state.range(0));
    const std::vector<int16_t> audio = Audio(AudioSeconds());
    const size_t blockSamples = size_t(kRate) * kBlockMs / 1000 * kChannels;
    const size_t blocks = (audio.size() + blockSamples - 1) / blockSamples;
    constexpr size_t kQueued = 1000 / kBlockMs;

    for (auto _ : state) {
        Completions completions;
        HWaveOut device{};
        if (WaveOutOpen(&device, WaveFormatEx::Pcm16(kRate, kChannels), &Completions::Callback,
                        reinterpret_cast<uintptr_t>(&completions)) != kMmSysErrNoError) {
            state.SkipWithError("cannot open the sound device");
            return;
        }
        WaveOutSetVolume(device, volume);
        std::deque<WaveHeader> headers;
        for (size_t b = 0; b < blocks; ++b) {
            {
                std::unique_lock lock(completions.mutex);
                completions.changed.wait(lock, [&] { return b < completions.done + kQueued; });
            }
            WaveHeader& header = headers.emplace_back();
            const size_t at = b * blockSamples;
            header.data = reinterpret_cast<uint8_t*>(const_cast<int16_t*>(audio.data() + at));
            header.bufferLength = uint32_t(std::min(blockSamples, audio.size() - at) * 2);
            WaveOutPrepareHeader(device, &header);
            WaveOutWrite(device, &header);
        }
        std::unique_lock lock(completions.mutex);
        completions.changed.wait(lock, [&] { return completions.done == blocks; });
        lock.unlock();
        WaveOutClose(device);
    }
    state.counters["audio_s"] = double(audio.size()) / kChannels / kRate;
}
BENCHMARK(BM_PlayThroughNullDevice)
    ->Arg(0xFFFFFFFF)
    ->Arg(0x33333333)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Baseline: one copy of the same audio, the least any player does with it.
void BM_CopyAudioOnce(benchmark::State& state) {
    const std::vector<int16_t> audio = Audio(AudioSeconds());
    std::vector<int16_t> copy(audio.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), audio.data(), audio.size() * 2);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyAudioOnce)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("VELOTUNE_ALSA_DEVICE", "null", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
