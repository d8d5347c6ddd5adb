// tests/support/media_fixtures.h
//
// Media for tests, made at test time with the ffmpeg command line and a real icecast2 server, all
// on this machine:
// - MakeToneFile writes a sine tone (440 Hz unless told otherwise) as a .wma (ASF, WMA v2), .mp3
//   or .ra (RealMedia with the RealAudio AC-3 codec, "dnet") file, or as .ogg/.oga (Vorbis),
//   .opus, .flac, .m4a/.aac (AAC in MP4 / ADTS) or .wav (16-bit PCM), 44.1 kHz stereo (Opus:
//   48 kHz), with optional title, author and copyright tags.
// - IcecastStream starts icecast2 on a free loopback port with a private configuration, and an
//   ffmpeg source that feeds it a live, real-time sine tone (128 kbit/s MP3, or Ogg Vorbis) on one
//   mount. Both processes end when the object is destroyed. Their output goes to log files in the
//   stream's private folder (see Diagnostics).
#pragma once

#include <QString>
#include <memory>

#include "tests/support/child_process.h"

namespace velotune::test {

// The common kinds a file list accepts besides the two recorded ones.
enum class ToneFormat { Wma, Mp3, Ra, Ogg, Oga, Opus, Flac, M4a, Aac, Wav };

struct ToneTags {
    QString title;
    QString author;
    QString copyright;
};

// Writes <folder>/<baseName>.<extension of the format> holding `seconds` of the tone. Returns the
// file's path, or an empty string when ffmpeg failed (its output is logged). Blocks until ffmpeg is
// done.
QString MakeToneFile(const QString& folder, ToneFormat format, double seconds,
                     const ToneTags& tags = {}, const QString& baseName = QStringLiteral("tone"),
                     double frequencyHz = 440.0);

class IcecastStream {
public:
    enum class Codec { Mp3, Ogg };
    struct Options {
        QString mount = QStringLiteral("/live.mp3");
        Codec codec = Codec::Mp3;  // either way a 440 Hz tone from the station "Tone Station"
    };

    // Starts the server and the source and waits (up to about 20 s) until the mount plays.
    // Check IsRunning(); Diagnostics() tells what went wrong.
    IcecastStream();
    explicit IcecastStream(const Options& options);
    ~IcecastStream();  // kills the source and the server
    IcecastStream(const IcecastStream&) = delete;
    IcecastStream& operator=(const IcecastStream&) = delete;

    bool IsRunning() const { return running_; }
    QString Url() const;          // "http://127.0.0.1:<port><mount>"
    QString Diagnostics() const;  // the port, the folder and both logs

    // Ends the source (the mount then goes away and listeners reach the end of the stream).
    void StopSource();

    // Announces a new song on the mount through the server's admin interface; listeners that
    // asked for in-stream metadata read it as the StreamTitle (MP3 mounts). True when the server
    // took it.
    bool SetSongTitle(const QString& song) const;

private:
    bool MountAnswers() const;

    Options options_;
    QString folder_;
    quint16 port_ = 0;
    QString password_;  // the source's and the admin's
    bool running_ = false;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> source_;
};

}  // namespace velotune::test
