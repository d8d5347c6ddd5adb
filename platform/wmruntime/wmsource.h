// platform/wmruntime/wmsource.h (internal)
//
// One opened, decoding source of the reader: the demuxer, the audio decoder and the conversion
// to 16-bit interleaved PCM, cut into blocks of about 100 ms that carry their playback time.
//
// Threading: a Source is made, used and destroyed on the reader's thread only. Its blocking calls
// (Open, Pump) return early with kEAbort when the interrupt callback given at construction says so.
#pragma once

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

// The StreamTitle of an ICY metadata packet ("StreamTitle='Artist - Title';StreamUrl='';"), as
// UTF-8 (a packet that is not valid UTF-8 is read as Latin-1). Empty when the packet has none.
std::string IcyStreamTitle(const std::string& packet);

class Source {
public:
    explicit Source(const AVIOInterruptCB& interrupt);
    ~Source();
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // Opens url (UTF-8; a local path, file://, http(s)://, mms://, or any FFmpeg protocol), finds
    // its audio, and decodes the first block so that the output format is known. kSOk also for a
    // source without audio (HasAudio() false) or without a decoder (MissingCodec() true).
    HResult Open(const std::string& url);
    // Opens the same url again from the beginning (for a new Start).
    HResult Reopen();

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

private:
    void Reset();
    HResult OpenAny(const std::string& url);
    HResult OpenInput(const std::string& url, const AVInputFormat* format, bool customIo);
    HResult OpenByContentType(const std::string& url);
    HResult SetUpAudio();
    HResult Convert(const AVFrame* frame);
    void FlushConverter();
    void CutBlocks(bool final);
    void NetworkOptions(Dict* options) const;
    void ReadIcyTitle();

    AVIOInterruptCB interrupt_;
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
