// The engines behind the controller's view of them. The RealSystem engine is not in the tree yet:
// until it is, every RealSystem start fails.
#include "playback/engine_ports.h"

#include "playback/controller_log.h"
#include "playback/wm_engine.h"

namespace velotune {
namespace {

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

class WindowsMediaEngine final : public WindowsMediaEnginePort {
public:
    explicit WindowsMediaEngine(IPlaybackStatusSink& sink) : engine_(&sink) {}

    long Initialise() override { return engine_.Initialise(); }
    long OpenAndStart(const QString& url) override { return engine_.OpenAndStart(Utf8(url)); }
    int StartRecording(const QString& url, const QString& outputPath) override {
        return engine_.StartRecording(Utf8(url), Utf8(outputPath));
    }
    long StopPlayback() override { return engine_.StopPlayback(); }
    long PausePlayback() override { return engine_.PausePlayback(); }
    long ResumePlayback() override { return engine_.ResumePlayback(); }
    long SetVolume(int level) override { return engine_.SetVolume(level); }

private:
    CWmEngine engine_;
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

std::unique_ptr<WindowsMediaEnginePort> MakeWindowsMediaEngine(IPlaybackStatusSink& sink) {
    return std::make_unique<WindowsMediaEngine>(sink);
}

std::unique_ptr<RealSystemEnginePort> MakeRealSystemEngine(IPlaybackStatusSink&) {
    return std::make_unique<MissingRealSystem>();
}

}  // namespace velotune
