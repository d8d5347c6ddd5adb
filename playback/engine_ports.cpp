// Placeholder engines until the real engines are in the tree: every start fails.
#include "playback/engine_ports.h"

#include "playback/controller_log.h"

namespace velotune {
namespace {

class MissingWindowsMedia final : public WindowsMediaEnginePort {
public:
    long Initialise() override {
        qCDebug(lcController) << "no Windows Media engine yet";
        return -1;
    }
    long OpenAndStart(const QString&) override { return -1; }
    int StartRecording(const QString&, const QString&) override { return 0; }
    long StopPlayback() override { return -1; }
    long PausePlayback() override { return -1; }
    long ResumePlayback() override { return -1; }
    long SetVolume(int) override { return 0; }
};

class MissingRealSystem final : public RealSystemEnginePort {
public:
    int Play(const QString&) override {
        qCDebug(lcController) << "no RealSystem engine yet";
        return 0;
    }
    void Stop() override {}
    void Pause() override {}
    void Resume() override {}
};

}  // namespace

std::unique_ptr<WindowsMediaEnginePort> MakeWindowsMediaEngine(IPlaybackStatusSink&) {
    return std::make_unique<MissingWindowsMedia>();
}

std::unique_ptr<RealSystemEnginePort> MakeRealSystemEngine(IPlaybackStatusSink&) {
    return std::make_unique<MissingRealSystem>();
}

}  // namespace velotune
