// playback/engine_ports.h
//
// The controller's narrow view of its two playback engines: exactly the calls it makes, with the
// results it tests. MakeWindowsMediaEngine and MakeRealSystemEngine build the real engines behind
// these views; nothing else is ever put behind them in the program.
//
// Threading: every call is made on the user-interface thread and may block while the engine
// opens a stream. The engines report to the sink given at creation from their own threads.
// Ownership: the controller owns both engines for its whole life.
#pragma once

#include <QString>
#include <memory>

namespace velotune {

class IPlaybackStatusSink;

class WindowsMediaEnginePort {
public:
    virtual ~WindowsMediaEnginePort() = default;

    // Creates the runtime objects. Negative on failure; the engine may be initialised again.
    virtual long Initialise() = 0;
    // Opens url and starts playing it. 0 on success, anything else is a failure.
    virtual long OpenAndStart(const QString& url) = 0;
    // Plays url and records it into outputPath (a .wma file). 1 on success, 0 on failure.
    virtual int StartRecording(const QString& url, const QString& outputPath) = 0;
    // Stops playing (and recording). 0 on success; the engine reports 1 and 5 when it has let go.
    virtual long StopPlayback() = 0;
    virtual long PausePlayback() = 0;
    virtual long ResumePlayback() = 0;
    // Volume 0..100.
    virtual long SetVolume(int level) = 0;
    // Whether a live stream that drops is reconnected, from the next start on.
    virtual void SetReconnect(bool enabled) = 0;
};

class RealSystemEnginePort {
public:
    virtual ~RealSystemEnginePort() = default;

    // Opens url (a stream address or a file path) and begins playing it. 1 on success, else 0.
    virtual int Play(const QString& url) = 0;
    // Stops the player when it plays; it reports 1 and 5 when it has let go.
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Volume 0..100, as the Windows Media engine's; it holds for later plays too.
    virtual void SetVolume(int level) = 0;
    // Whether what the last successful Play began has ended already (1 and 5 reported).
    virtual bool HasEnded() const = 0;
};

std::unique_ptr<WindowsMediaEnginePort> MakeWindowsMediaEngine(IPlaybackStatusSink& sink);
std::unique_ptr<RealSystemEnginePort> MakeRealSystemEngine(IPlaybackStatusSink& sink);

}  // namespace velotune
