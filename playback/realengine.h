// playback/realengine.h
//
// CRealEngine plays RealMedia stations and files through the RealSystem client engine library
// (librmaengine.so), which it loads on the first Play from the folder the settings store names
// (by default the program directory). It creates one player through the library, gives it a
// client context of its own (playback/real_context.h) and reports the player's progress to the
// status sink: 6 when a live stream begins buffering, 3 (live) or 4 (file, on demand) when it
// plays, and 1 then 5 when it ends, stops or fails. Decoding and sound output are the library's.
//
// Threading: every call is made on the user-interface thread. Status reports arrive on the
// library's threads (the sink must not block). Play and Close may block briefly while the library
// stops a presentation or ends its threads.
#pragma once

#include <QString>
#include <memory>

#include "platform/rmaengine/rmaengine.h"
#include "playback/playback_status.h"

class QLibrary;

namespace velotune {

class CRealClientContext;

class CRealEngine {
public:
    // statusSink receives the reports; it must outlive the engine (or its Close).
    explicit CRealEngine(IPlaybackStatusSink* statusSink);
    ~CRealEngine();  // Close
    CRealEngine(const CRealEngine&) = delete;
    CRealEngine& operator=(const CRealEngine&) = delete;

    // Opens url and begins playing it: an address beginning "http" is opened as it is, anything
    // else (a local path, an rtsp:// address, ...) as "File:" + url. The library is loaded and the
    // player made on first use; when the library is missing the user is told (message box) and
    // the result is 0. Result 1 when the player has opened the address and begun, else 0.
    int Play(const QString& url);
    // Stops the player when playing.
    void Stop();
    // Whether the presentation the last successful Play began has ended already: the player
    // accepted the address and then found it unusable (any thread).
    bool HasEnded() const;
    // Pause and resume, only when playing.
    void Pause();
    void Resume();
    // Releases the player and its context and unloads the library. The next Play starts afresh.
    void Close();
    // Sets the loudness for level 0 (silent) to 100 (full), the one volume the Windows Media
    // engine has as well; it applies now and to every later Play (also one that loads the
    // library). A level outside 0..100 changes nothing.
    void SetVolume(int level);

    // The last failure: kEFail, or kENotInitialized when the client context could not be made.
    rma::HResult LastError() const { return lastError_; }
    bool IsInitialised() const { return initialised_; }
    bool IsPlaying() const { return playing_; }
    // Whether the last address began with "http".
    bool IsHttp() const { return http_; }
    // The full path of the library as last loaded or tried; empty before the first Play.
    QString LibraryPath() const { return libraryPath_; }

private:
    int Initialise();
    void CleanUp();
    void ApplyVolume();

    IPlaybackStatusSink* const statusSink_;
    RmaCreateEngineFn createEngine_ = nullptr;
    RmaCloseEngineFn closeEngine_ = nullptr;
    rma::HResult lastError_ = rma::kOk;
    rma::RmaPtr<rma::IRMAErrorSink> errorSink_;
    rma::RmaPtr<rma::IRMAErrorSinkControl> errorSinkControl_;
    rma::RmaPtr<rma::IRMAPlayer> player_;
    rma::IRMAClientEngine* clientEngine_ = nullptr;  // released by closeEngine_
    rma::RmaPtr<CRealClientContext> context_;
    std::unique_ptr<QLibrary> library_;
    bool initialised_ = false;
    bool playing_ = false;
    bool http_ = false;
    int volume_ = 100;  // the level last set
    uint32_t endsAtOpen_ = 0;  // the context's count of ends once the last OpenURL returned
    QString libraryPath_;
};

}  // namespace velotune
