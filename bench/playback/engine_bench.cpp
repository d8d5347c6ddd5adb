// What playing a live stream costs: the CPU time (user + system) that velotune-play spends
// playing a stretch of a 128 kbit/s MP3 stream from a loopback icecast2 server to the ALSA null
// device, next to the decoding floor, `ffmpeg -i URL -t <seconds> -f null -`, run at the same time
// on the same stream. Counters: player_cpu_s, ffmpeg_cpu_s and their ratio (goal: 1.3 at most).
//
// VELOTUNE_BENCH_AUDIO_SECONDS sets the stretch (60 when unset).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/media_fixtures.h"
#include "tests/support/test_env.h"

extern char** environ;

namespace {

double AudioSeconds() {
    const char* text = std::getenv("VELOTUNE_BENCH_AUDIO_SECONDS");
    const double seconds = text ? std::atof(text) : 0.0;
    return seconds > 0.0 ? seconds : 60.0;
}

// A child started with posix_spawn (output to /dev/null), so that wait4 can tell its CPU time.
class Child {
public:
    bool Start(const std::vector<std::string>& args) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int error = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return error == 0;
    }
    // Waits for the end; returns the CPU seconds (user + system), or -1 when it failed.
    double Wait() {
        int status = 0;
        rusage usage{};
        if (wait4(pid_, &status, 0, &usage) != pid_ || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            return -1;
        const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
        return seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }

private:
    pid_t pid_ = -1;
};

void BM_PlayLiveMp3StreamVersusDecodingFloor(benchmark::State& state) {
    velotune::test::IcecastStream stream;
    if (!stream.IsRunning()) {
        state.SkipWithError(stream.Diagnostics().toStdString().c_str());
        return;
    }
    const std::string url = stream.Url().toStdString();
    const std::string seconds = std::to_string(AudioSeconds());
    const std::string player = QFile::encodeName(QCoreApplication::applicationDirPath() +
                                                 QStringLiteral("/../bin/velotune-play"))
                                   .toStdString();
    double playerCpu = 0;
    double ffmpegCpu = 0;
    for (auto _ : state) {
        Child play;
        Child ffmpeg;
        if (!play.Start({player, "--seconds", seconds, url}) ||
            !ffmpeg.Start({"ffmpeg", "-nostdin", "-v", "error", "-i", url, "-t", seconds, "-f",
                           "null", "-"})) {
            state.SkipWithError("cannot start velotune-play or ffmpeg");
            return;
        }
        ffmpegCpu = ffmpeg.Wait();
        playerCpu = play.Wait();
        if (playerCpu < 0 || ffmpegCpu <= 0) {
            state.SkipWithError("velotune-play or ffmpeg failed");
            return;
        }
        state.SetIterationTime(playerCpu);
    }
    state.counters["player_cpu_s"] = playerCpu;
    state.counters["ffmpeg_cpu_s"] = ffmpegCpu;
    state.counters["ratio"] = playerCpu / ffmpegCpu;
    state.counters["audio_s"] = AudioSeconds();
}
BENCHMARK(BM_PlayLiveMp3StreamVersusDecodingFloor)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // A private scratch folder for the server, and the ALSA null device.
    velotune::test::PrepareEnvironment();
    setenv("VELOTUNE_ALSA_DEVICE", "null", 1);
    unsetenv("VELOTUNE_WAVE_CAPTURE");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
