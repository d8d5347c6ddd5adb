// The engines behind the controller's view of them.
#include "playback/engine_ports.h"

#include "playback/realengine.h"
#include "playback/wm_engine.h"

namespace velotune {
namespace {

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

class WindowsMediaEngine final : public WindowsMediaEnginePort {
public:
    explicit WindowsMediaEngine(IPlaybackStatusSink& sink) : engine_(&sink) {}

    long Initialise() override { return engine_.Initialise(); }
    void SetReconnect(bool enabled) override { engine_.SetReconnect(enabled); }
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

class RealSystemEngine final : public RealSystemEnginePort {
public:
    explicit RealSystemEngine(IPlaybackStatusSink& sink) : engine_(&sink) {}

    int Play(const QString& url) override { return engine_.Play(url); }
    void Stop() override { engine_.Stop(); }
    void Pause() override { engine_.Pause(); }
    void Resume() override { engine_.Resume(); }
    void SetVolume(int level) override { engine_.SetVolume(level); }
    bool HasEnded() const override { return engine_.HasEnded(); }

private:
    CRealEngine engine_;
};

}  // namespace

std::unique_ptr<WindowsMediaEnginePort> MakeWindowsMediaEngine(IPlaybackStatusSink& sink) {
    return std::make_unique<WindowsMediaEngine>(sink);
}

std::unique_ptr<RealSystemEnginePort> MakeRealSystemEngine(IPlaybackStatusSink& sink) {
    return std::make_unique<RealSystemEngine>(sink);
}

}  // namespace velotune
