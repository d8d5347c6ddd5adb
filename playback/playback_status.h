// playback/playback_status.h
//
// The playback status values the engines report and the sink they report them to. The playback
// controller is the sink; it turns every report into a message posted to the window that started
// the playback.
#pragma once

#include <string>
#include <QString>

namespace velotune {

enum PlaybackStatus : int {
    kStatusClosed = 1,     // the engine let go of the stream (always followed by kStatusStopped)
    kStatusLive = 3,       // playing a live stream (network source)
    kStatusFile = 4,       // playing a local file or an on-demand source
    kStatusStopped = 5,    // stopped; the initial state
    kStatusBuffering = 6,  // tuning or buffering
    // A live stream dropped and is being reconnected; it is still the stream being played (Stop
    // ends it), and kStatusLive follows when it plays again, kStatusClosed when it does not.
    kStatusReconnecting = 7,
};

class IPlaybackStatusSink {
public:
    virtual ~IPlaybackStatusSink() = default;

    // Called by an engine whenever its status changes, from whatever thread the event arrived on
    // (the reader's thread, the audio thread, an engine library's thread). Must not block and must
    // not touch widgets: the controller only records the value and posts a window message.
    virtual void SetPlaybackStatus(int status) = 0;

    // Called by an engine when a recording fails, at most once per recording, from any of the
    // threads above: path is the file being written (UTF-8), reason says why in a few words ("No
    // space left on device"). The recording is over; whatever it wrote is not a complete file.
    // Must not block.
    virtual void RecordingFailed(const std::string& path, const std::string& reason) {
        (void)path;
        (void)reason;
    }
    // Called by an engine when what it plays names a new title: the song a stream announces in
    // its metadata as it changes, or the title tag of a local file as it starts; empty when a new
    // stream begins without one. Same threads and rules as SetPlaybackStatus. A sink that shows
    // no titles may ignore it.
    virtual void SetStreamTitle(const QString& title) { (void)title; }
};

}  // namespace velotune
