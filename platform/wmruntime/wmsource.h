// platform/wmruntime/wmsource.h (internal)
//
// One opened, decoding source of the reader: the demuxer, the audio decoder and the conversion
// to 16-bit interleaved PCM, cut into blocks of about 100 ms that carry their playback time.
//
// Threading: a Source is made, used and destroyed on the reader's thread only. Its blocking calls
// (Open, Pump) return early with kEAbort when the interrupt callback given at construction says so.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/wmruntime/ffmpeg_util.h"
#include "platform/wmruntime/wmruntime.h"

namespace velotune::platform::wmrt {

std::string Lower(std::string text);
// The lower-case scheme of a URL ("http", "mms", ...), empty for a plain path.
std::string UrlScheme(const std::string& url);

struct PcmBlock {
    uint64_t time = 0;      // 100-ns units from the start of playback
    uint64_t duration = 0;  // 100-ns units
    std::vector<uint8_t> bytes;
    // The stream's in-band title (ICY StreamTitle, UTF-8) changed to `title` at this block.
    bool titleChanged = false;
    std::string title;
};

// The bounds every source is held to, whatever its bytes: while the source has not given about a
// second of decoded audio (audioToProve), it may keep the reader waiting at most maxWait in all
// and, over the network, have read at most maxBytes; past either it fails with kNsENoAudio. Each
// second of audio starts a new window. This keeps the memory that demuxers and parsers gather from
// a stream that never turns into audio (an endless body of zeros or noise) within maxBytes, and
// the time to the failure within maxWait. Only time spent inside Open, Reopen and Pump counts, so
// a pause costs nothing.
struct SourceLimits {
    std::chrono::steady_clock::duration maxWait = std::chrono::seconds(15);
    int64_t maxBytes = 8 * 1024 * 1024;
    uint64_t audioToProve = 10'000'000;  // 100-ns units
    // A network source that delivers no byte for this long within one call has stalled: it fails
    // with kNsETimeout.
    std::chrono::steady_clock::duration stallTimeout = std::chrono::seconds(10);
    // Whether maxBytes applies to local files too (not for playing: a file's cover picture can be
    // large; for data that arrives from memory, as in the fuzzing harness, it does).
    bool limitLocalBytes = false;
};
// The StreamTitle of an ICY metadata packet ("StreamTitle='Artist - Title';StreamUrl='';"), as
// UTF-8 (a packet that is not valid UTF-8 is read as Latin-1). Empty when the packet has none.
std::string IcyStreamTitle(const std::string& packet);

class Source {
public:
    explicit Source(const AVIOInterruptCB& interrupt, const SourceLimits& limits = {});
    ~Source();
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // Opens url (UTF-8; a local path, file://, http(s)://, mms://, or any FFmpeg protocol), finds
    // its audio, and decodes the first block so that the output format is known. kSOk also for a
    // source without audio (HasAudio() false) or without a decoder (MissingCodec() true).
    HResult Open(const std::string& url);
    // Opens the same url again from the beginning (for a new Start).
    HResult Reopen();
    // From now on a Reopen keeps the output format of before, converting the new audio to it (so
    // that a reconnected stream goes on into the same sound device and recording).
    void KeepFormat(bool keep) { keepFormat_ = keep; }

    bool IsNetwork() const { return network_; }
    bool HasAudio() const { return streamIndex_ >= 0; }
    bool MissingCodec() const { return HasAudio() && !codec_; }
    const WaveFormatEx& Format() const { return format_; }
    std::vector<WmHeaderInfo::Attribute> Attributes() const;
    // A network source without an end: no known duration, or no known size (a live relay).
    bool IsBroadcast() const;

    // Decodes until at least one more block is queued. kSOk, kSFalse at the end of the source, or a
    // failure (kEAbort when interrupted).
    HResult Pump();
    bool HasBlock() const { return !ready_.empty(); }
    const PcmBlock& Front() const { return ready_.front(); }
    PcmBlock TakeFront();
    // Playback time queued in ready blocks, 100-ns units.
    uint64_t Queued() const;

    // The URL after "mms://" was resolved to the protocol that answered (for logs and tests).
    const std::string& OpenedUrl() const { return openedUrl_; }

    // Opens data that a custom I/O context delivers (the caller keeps it alive and closes it after
    // this source), with the same limits as any source; for the fuzzing harness.
    HResult OpenIo(AVIOContext* io);

private:
    // Counts the time spent in one call of Open, Reopen or Pump toward the window.
    class CallTimer;
    static int Guard(void* opaque);
    bool Starved();
    void StartWindow();
    void CountAudio(uint64_t hns);
    // kNsENoAudio for a failure that the bounds caused, hr otherwise.
    HResult Bounded(HResult hr) const;

    void Reset();
    bool AllocateBuffers();
    HResult OpenAny(const std::string& url);
    HResult OpenInput(const std::string& url, const AVInputFormat* format, AVIOContext* customIo);
    HResult PumpOnce();
    HResult OpenByContentType(const std::string& url);
    HResult SetUpAudio();
    HResult Convert(const AVFrame* frame);
    void FlushConverter();
    void CutBlocks(bool final);
    void NetworkOptions(Dict* options) const;
    void ReadIcyTitle();

    AVIOInterruptCB interrupt_;  // the owner's: Stop and Close
    AVIOInterruptCB guard_;      // ours: the owner's, then the bounds
    SourceLimits limits_;
    AVIOContext* externalIo_ = nullptr;  // OpenIo's, not owned

    // The bounds' window; reader's thread only (FFmpeg calls Guard on the thread it works on).
    AVFormatContext* opening_ = nullptr;  // the input being opened, before input_ takes it
    std::chrono::steady_clock::duration windowSpent_{};
    std::chrono::steady_clock::time_point callStart_{};
    bool inCall_ = false;
    const AVIOContext* windowIo_ = nullptr;  // the byte stream the window counts on
    int64_t windowBytes_ = 0;                // its bytes_read when the window began
    uint64_t windowAudio_ = 0;               // audio decoded in the window, 100-ns units
    bool starved_ = false;                   // Guard stopped a call for the bounds
    bool stalled_ = false;                   // ... because no byte came for stallTimeout
    int64_t lastBytes_ = -1;                 // bytes_read when last seen changing
    std::chrono::steady_clock::time_point lastBytesAt_{};
    std::string url_;        // as given
    std::string openedUrl_;  // as opened
    bool network_ = false;

    // Declared before input_: a custom-I/O input must be closed before its I/O context.
    IoPtr io_;
    InputPtr input_;
    CodecPtr codec_;
    SwrPtr swr_;
    PacketPtr packet_;
    FramePtr frame_;
    int streamIndex_ = -1;

    // The converter's input as last configured.
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};

    WaveFormatEx format_;  // output; known once formatKnown_
    bool formatKnown_ = false;
    bool keepFormat_ = false;
    size_t blockBytes_ = 0;         // bytes of one ~100 ms block
    std::vector<uint8_t> pending_;  // converted PCM not yet cut into a block
    uint64_t framesCut_ = 0;        // sample frames cut into blocks so far
    std::deque<PcmBlock> ready_;
    bool demuxEnded_ = false;
    bool finished_ = false;

    // In-band metadata of an ICY stream: the last packet seen, and a title change that the next
    // block cut carries.
    std::string icyPacket_;
    std::string titlePending_;
    bool titleChangePending_ = false;
};

}  // namespace velotune::platform::wmrt
