#include "platform/wmruntime/wmsource.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <sys/stat.h>

#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace velotune::platform::wmrt {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string UrlScheme(const std::string& url) {
    const size_t colon = url.find("://");
    if (colon == std::string::npos || colon == 0)
        return {};
    for (size_t i = 0; i < colon; ++i)
        if (!std::isalnum(static_cast<unsigned char>(url[i])) && url[i] != '+' && url[i] != '-')
            return {};
    return Lower(url.substr(0, colon));
}

namespace {

constexpr uint64_t kHnsPerSecond = 10'000'000;
constexpr int kBlocksPerSecond = 10;            // ~100 ms blocks
constexpr int kMaxDecodeErrors = 200;           // consecutive bad packets before giving up
// A network source silent this long has failed. Shorter than the bounds' wait, so that a server
// that stalls is reported as such rather than as a source without audio.
constexpr int64_t kReadTimeoutUs = 10'000'000;
// Probing a network source (format and stream analysis) reads at most this much and this long.
constexpr int64_t kNetworkProbeBytes = 2 * 1024 * 1024;
constexpr int64_t kNetworkAnalyzeUs = 5'000'000;
using Clock = std::chrono::steady_clock;
constexpr char kUserAgent[] = "Velotune/" VELOTUNE_VERSION;

// The demuxer an HTTP Content-Type names, or null when the type says nothing certain. Reference
// playlists (audio/x-mpegurl, video/x-ms-asf for .asx) are deliberately absent or fall back: a
// forced demuxer that fails is retried with probing.
const AVInputFormat* DemuxerForContentType(const char* contentType) {
    if (!contentType)
        return nullptr;
    std::string type = Lower(contentType);
    type = type.substr(0, type.find(';'));
    while (!type.empty() && type.back() == ' ')
        type.pop_back();
    static const struct {
        const char* type;
        const char* demuxer;
    } kTypes[] = {
        {"audio/mpeg", "mp3"},
        {"audio/mp3", "mp3"},
        {"audio/mpeg3", "mp3"},
        {"audio/x-mpeg", "mp3"},
        {"audio/aac", "aac"},
        {"audio/aacp", "aac"},
        {"audio/x-aac", "aac"},
        {"audio/ogg", "ogg"},
        {"application/ogg", "ogg"},
        {"audio/x-ogg", "ogg"},
        {"video/x-ms-asf", "asf"},
        {"application/vnd.ms-asf", "asf"},
        {"audio/x-ms-wma", "asf"},
        {"application/vnd.apple.mpegurl", "hls"},
        {"application/x-mpegurl", "hls"},
    };
    for (const auto& entry : kTypes)
        if (type == entry.type)
            return av_find_input_format(entry.demuxer);
    return nullptr;
}

std::string DictValue(const AVDictionary* dict, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0);
    return e && e->value ? std::string(e->value) : std::string();
}

// "icy-name: Station\nicy-genre: ...\n" as the HTTP layer keeps it.
std::string IcyHeader(AVIOContext* io, const std::string& name) {
    if (!io)
        return {};
    uint8_t* text = nullptr;
    if (av_opt_get(io, "icy_metadata_headers", AV_OPT_SEARCH_CHILDREN, &text) < 0 || !text)
        return {};
    std::string all(reinterpret_cast<char*>(text));
    av_free(text);
    std::string value;
    size_t at = 0;
    while (at < all.size()) {
        size_t end = all.find('\n', at);
        if (end == std::string::npos)
            end = all.size();
        const std::string line = all.substr(at, end - at);
        const size_t colon = line.find(':');
        if (colon != std::string::npos && Lower(line.substr(0, colon)) == name) {
            value = line.substr(colon + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
                value.erase(value.begin());
            while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
                value.pop_back();
        }
        at = end + 1;
    }
    return value;
}

}  // namespace

// Counts the time of the outermost call toward the bounds' window (Reopen calls Pump).
class Source::CallTimer {
public:
    explicit CallTimer(Source* source) : source_(source), outermost_(!source->inCall_) {
        if (outermost_) {
            source_->callStart_ = Clock::now();
            source_->lastBytesAt_ = source_->callStart_;  // waits between calls are no stall
            source_->inCall_ = true;
        }
    }
    ~CallTimer() {
        if (outermost_) {
            source_->windowSpent_ += Clock::now() - source_->callStart_;
            source_->inCall_ = false;
        }
    }
    CallTimer(const CallTimer&) = delete;
    CallTimer& operator=(const CallTimer&) = delete;

private:
    Source* source_;
    bool outermost_;
};

Source::Source(const AVIOInterruptCB& interrupt, const SourceLimits& limits)
    : interrupt_(interrupt), guard_{&Source::Guard, this}, limits_(limits) {}

int Source::Guard(void* opaque) {
    auto* self = static_cast<Source*>(opaque);
    if (self->interrupt_.callback && self->interrupt_.callback(self->interrupt_.opaque))
        return 1;
    return self->Starved() ? 1 : 0;
}

bool Source::Starved() {
    if (starved_)
        return true;
    if (!inCall_)
        return false;
    const Clock::time_point now = Clock::now();
    bool over = windowSpent_ + (now - callStart_) > limits_.maxWait;
    if (!over && (network_ || limits_.limitLocalBytes)) {
        const AVIOContext* io = externalIo_ ? externalIo_
                                : io_       ? io_.get()
                                : input_    ? input_->pb
                                : opening_  ? opening_->pb
                                            : nullptr;
        if (io) {
            if (io != windowIo_) {  // a new byte stream counts from its own start
                windowIo_ = io;
                windowBytes_ = 0;
            }
            over = io->bytes_read - windowBytes_ > limits_.maxBytes;
            if (io->bytes_read != lastBytes_) {
                lastBytes_ = io->bytes_read;
                lastBytesAt_ = now;
            } else if (network_ && now - lastBytesAt_ > limits_.stallTimeout) {
                over = true;
                stalled_ = true;
            }
        }
    }
    if (over) {
        starved_ = true;
        qCInfo(lcWmRuntime) << (stalled_ ? "the source stopped sending:"
                                         : "no audio within the source's bounds:")
                            << url_.c_str();
    }
    return over;
}

void Source::StartWindow() {
    windowSpent_ = {};
    callStart_ = Clock::now();
    windowAudio_ = 0;
    const AVIOContext* io = externalIo_ ? externalIo_
                            : io_       ? io_.get()
                            : input_    ? input_->pb
                                        : nullptr;
    windowIo_ = io;
    windowBytes_ = io ? io->bytes_read : 0;
    starved_ = false;
    stalled_ = false;
}

void Source::CountAudio(uint64_t hns) {
    windowAudio_ += hns;
    if (windowAudio_ >= limits_.audioToProve)
        StartWindow();
}

HResult Source::Bounded(HResult hr) const {
    if (!Failed(hr) || !starved_)
        return hr;
    if (interrupt_.callback && interrupt_.callback(interrupt_.opaque))
        return hr;  // the owner's Stop or Close, not the bounds
    return stalled_ ? kNsETimeout : kNsENoAudio;
}

std::string IcyStreamTitle(const std::string& packet) {
    static const std::string kKey = "StreamTitle='";
    const size_t start = packet.find(kKey);
    if (start == std::string::npos)
        return {};
    const size_t from = start + kKey.size();
    // A title may hold apostrophes itself; the field ends at the "';" that closes it, or at the
    // packet's last apostrophe when the server left out the semicolon.
    size_t end = packet.find("';", from);
    if (end == std::string::npos)
        end = packet.rfind('\'');
    if (end == std::string::npos || end < from)
        return {};
    std::string title = packet.substr(from, end - from);
    while (!title.empty() && (title.back() == ' ' || title.back() == '\0'))
        title.pop_back();
    const QByteArray bytes = QByteArray::fromStdString(title);
    QString text = QString::fromUtf8(bytes);
    // Servers send whatever their source sent; text that does not survive as UTF-8 is Latin-1.
    if (text.toUtf8() != bytes)
        text = QString::fromLatin1(bytes);
    return text.trimmed().toStdString();
}


Source::~Source() {
    Reset();
}

void Source::Reset() {
    codec_.reset();
    swr_.reset();
    input_.reset();
    io_.reset();
    av_channel_layout_uninit(&inLayout_);
    inFormat_ = -1;
    inRate_ = 0;
    streamIndex_ = -1;
    if (!keepFormat_ || !formatKnown_) {
        formatKnown_ = false;
        format_ = {};
    }
    blockBytes_ = 0;
    pending_.clear();
    framesCut_ = 0;
    ready_.clear();
    demuxEnded_ = false;
    finished_ = false;
    icyPacket_.clear();
    titlePending_.clear();
    titleChangePending_ = false;
}

// The HTTP layer keeps the last ICY metadata packet it met in the stream; a new one that names a
// different title is a title change.
void Source::ReadIcyTitle() {
    if (!network_ || !input_ || !input_->pb)
        return;
    uint8_t* text = nullptr;
    if (av_opt_get(input_->pb, "icy_metadata_packet", AV_OPT_SEARCH_CHILDREN, &text) < 0 || !text)
        return;
    std::string packet(reinterpret_cast<char*>(text));
    av_free(text);
    if (packet.empty() || packet == icyPacket_)
        return;
    icyPacket_ = std::move(packet);
    const std::string title = IcyStreamTitle(icyPacket_);
    if (title == titlePending_ && !titleChangePending_)
        return;
    titlePending_ = title;
    titleChangePending_ = true;
}

void Source::NetworkOptions(Dict* options) const {
    options->Set("user_agent", kUserAgent);
    options->Set("rw_timeout", std::to_string(kReadTimeoutUs));
    options->Set("icy", "1");
    // https is verified against the system's trust store, or against the bundle SSL_CERT_FILE
    // names, which FFmpeg's TLS layer does not read by itself.
    options->Set("tls_verify", "1");
    if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle && *bundle)
        options->Set("ca_file", bundle);
}

HResult Source::Open(const std::string& url) {
    url_ = url;
    return Reopen();
}

HResult Source::Reopen() {
    Reset();
    externalIo_ = nullptr;
    StartWindow();
    CallTimer timer(this);
    if (!AllocateBuffers())
        return kEOutOfMemory;
    LogCapture log;
    HResult hr = Bounded(OpenAny(url_));
    // FFmpeg's TLS layer names a refused certificate only in its log, and fails the open as an
    // I/O error. (Where another copy of this code owns FFmpeg's log callback, as the RealSystem
    // engine library's does once loaded, nothing is captured: then an https open that failed with
    // an I/O error is taken for the same.)
    const bool tlsLogged = log.Mentions("certificate") || log.Mentions("verif");
    const bool nothingLogged = log.Empty();
    if (Failed(hr) && network_ && hr != kEAbort && hr != kNsENoAudio && hr != kNsETimeout &&
        (tlsLogged || (nothingLogged && UrlScheme(url_) == "https" &&
                       hr == HResultFromErrno(EIO)))) {
        qCInfo(lcWmRuntime) << "the server's certificate was not accepted:" << url_.c_str();
        hr = kNsETlsRejected;
    }
    if (Failed(hr)) {
        Reset();
        return hr;
    }
    hr = Bounded(SetUpAudio());
    if (Failed(hr))
        Reset();
    return hr;
}

// The packet and frame every read reuses; false when memory ran out.
bool Source::AllocateBuffers() {
    if (!packet_)
        packet_.reset(av_packet_alloc());
    if (!frame_)
        frame_.reset(av_frame_alloc());
    return packet_ && frame_;
}

HResult Source::OpenIo(AVIOContext* io) {
    Reset();
    url_ = "memory";
    openedUrl_ = url_;
    network_ = false;
    externalIo_ = io;
    StartWindow();
    CallTimer timer(this);
    if (!AllocateBuffers())
        return kEOutOfMemory;
    HResult hr = Bounded(OpenInput(url_, nullptr, io));
    if (Succeeded(hr))
        hr = Bounded(SetUpAudio());
    if (Failed(hr))
        Reset();
    return hr;
}

HResult Source::OpenAny(const std::string& url) {
    const std::string scheme = UrlScheme(url);
    network_ = !scheme.empty() && scheme != "file";
    if (scheme.empty() || scheme == "file") {
        // A plain path; the prefix keeps a colon in a file name from reading as a protocol.
        const std::string path =
            scheme.empty() ? url : QUrl(QString::fromStdString(url)).toLocalFile().toStdString();
        // Only a regular file is opened: a FIFO would block the open until a writer comes, and a
        // device or directory is no file to play.
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            qCInfo(lcWmRuntime) << "not a regular file:" << path.c_str();
            return kNsENotAFile;
        }
        openedUrl_ = "file:" + path;
        return OpenInput(openedUrl_, nullptr, nullptr);
    }
    if (scheme == "mms") {
        // MMS over HTTP is what servers still speak; MMS over TCP is the older form.
        const std::string rest = url.substr(scheme.size());
        HResult hr = kEFail;
        for (const char* alternative : {"mmsh", "mmst"}) {
            openedUrl_ = alternative + rest;
            hr = OpenInput(openedUrl_, nullptr, nullptr);
            if (Succeeded(hr) || hr == kEAbort)
                return hr;
            qCInfo(lcWmRuntime) << "no answer as" << alternative << "for" << url.c_str();
        }
        return hr;
    }
    // Schemes are case-insensitive, FFmpeg's protocol names are not: "HTTP://" goes on as
    // "http://".
    openedUrl_ = scheme + url.substr(scheme.size());
    if (scheme == "http" || scheme == "https")
        return OpenByContentType(openedUrl_);
    return OpenInput(openedUrl_, nullptr, nullptr);
}

HResult Source::OpenByContentType(const std::string& url) {
    Dict options;
    NetworkOptions(&options);
    AVIOContext* io = nullptr;
    int r = avio_open2(&io, url.c_str(), AVIO_FLAG_READ, &guard_, options.Get());
    if (r < 0)
        return FromAvError(r);
    io_.reset(io);
    uint8_t* mime = nullptr;
    av_opt_get(io, "mime_type", AV_OPT_SEARCH_CHILDREN, &mime);
    const AVInputFormat* format = DemuxerForContentType(reinterpret_cast<char*>(mime));
    av_free(mime);
    HResult hr = OpenInput(url, format, io);
    if (Failed(hr) && format && hr != kEAbort) {
        // The server named a type its data is not; start over and let the data speak.
        qCInfo(lcWmRuntime) << "content type did not match the data; probing" << url.c_str();
        input_.reset();
        io_.reset();
        hr = OpenInput(url, nullptr, nullptr);
    }
    return hr;
}

HResult Source::OpenInput(const std::string& url, const AVInputFormat* format,
                          AVIOContext* customIo) {
    AVFormatContext* ctx = avformat_alloc_context();
    if (!ctx)
        return kEOutOfMemory;
    ctx->interrupt_callback = guard_;
    if (customIo) {
        ctx->pb = customIo;
        ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    Dict options;
    if (network_) {
        NetworkOptions(&options);
        options.Set("probesize", std::to_string(kNetworkProbeBytes));
        options.Set("analyzeduration", std::to_string(kNetworkAnalyzeUs));
    }
    opening_ = ctx;
    const int r = avformat_open_input(&ctx, url.c_str(), format, options.Get());
    opening_ = nullptr;
    if (r < 0) {  // ctx is freed; a custom I/O context is not
        qCInfo(lcWmRuntime) << "cannot open" << url.c_str() << AvErrorText(r).c_str();
        return FromAvError(r);
    }
    input_.reset(ctx);
    return kSOk;
}

HResult Source::SetUpAudio() {
    AVFormatContext* in = input_.get();
    bool known = false;
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVCodecParameters* par = in->streams[i]->codecpar;
        known =
            known || (par->codec_type == AVMEDIA_TYPE_AUDIO && par->codec_id != AV_CODEC_ID_NONE);
    }
    // Most containers name their audio in the header; reading ahead to analyse the streams
    // costs seconds on a live stream, so over the network it is done only when the header said
    // nothing. A local file is analysed in full, which also gives its exact duration.
    if (!network_ || !known || (in->ctx_flags & AVFMTCTX_NOHEADER)) {
        const int r = avformat_find_stream_info(in, nullptr);
        if (r < 0)
            return FromAvError(r);
    }
    const AVCodec* decoder = nullptr;
    int index = av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (index == AVERROR_STREAM_NOT_FOUND) {
        // The best-stream search wants rate and channels, which a raw stream (MP3, AAC) only
        // learns from its first frames when the analysis was skipped: take the first audio.
        for (unsigned i = 0; i < in->nb_streams && index < 0; ++i) {
            const AVCodecParameters* par = in->streams[i]->codecpar;
            if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->codec_id != AV_CODEC_ID_NONE) {
                index = int(i);
                decoder = avcodec_find_decoder(par->codec_id);
            }
        }
        if (index < 0)
            return kSOk;  // opened, but nothing to play: no outputs
    } else if (index == AVERROR_DECODER_NOT_FOUND) {
        for (unsigned i = 0; i < in->nb_streams && index < 0; ++i)
            if (in->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
                index = int(i);
    } else if (index < 0) {
        return FromAvError(index);
    }
    streamIndex_ = index;
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (int(i) != streamIndex_)
            in->streams[i]->discard = AVDISCARD_ALL;
    const AVCodecParameters* par = in->streams[streamIndex_]->codecpar;
    if (!decoder) {
        // Still an output: its format is what the container says, playback reports the codec.
        format_ = WaveFormatEx::Pcm16(
            par->sample_rate > 0 ? uint32_t(par->sample_rate) : 44100,
            uint16_t(par->ch_layout.nb_channels > 0 ? par->ch_layout.nb_channels : 2));
        formatKnown_ = true;
        return kSOk;
    }
    codec_.reset(avcodec_alloc_context3(decoder));
    if (!codec_)
        return kEOutOfMemory;
    int r = avcodec_parameters_to_context(codec_.get(), par);
    if (r >= 0)
        r = avcodec_open2(codec_.get(), decoder, nullptr);
    if (r < 0)
        return FromAvError(r);

    // Decode the first block: only decoded audio tells the true rate and channel count (HE-AAC
    // doubles the rate its container states).
    const HResult hr = Pump();
    if (Failed(hr))
        return hr;
    if (!formatKnown_) {  // ended before any audio
        if (par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0)
            return kNsEInvalidData;
        format_ =
            WaveFormatEx::Pcm16(uint32_t(par->sample_rate), uint16_t(par->ch_layout.nb_channels));
        formatKnown_ = true;
    }
    return kSOk;
}

std::vector<WmHeaderInfo::Attribute> Source::Attributes() const {
    std::vector<WmHeaderInfo::Attribute> out;
    if (!input_)
        return out;
    const AVDictionary* meta = input_->metadata;
    const AVDictionary* streamMeta =
        streamIndex_ >= 0 ? input_->streams[streamIndex_]->metadata : nullptr;
    const auto text = [&](std::initializer_list<const char*> keys) {
        for (const char* key : keys) {
            std::string v = DictValue(meta, key);
            if (v.empty())
                v = DictValue(streamMeta, key);
            if (!v.empty())
                return v;
        }
        return std::string();
    };
    const auto add = [&](std::u16string name, const std::string& value) {
        if (!value.empty())
            out.push_back(
                {0, std::move(name), WmtAttrDataType::kString, WmStringValue(FromUtf8(value))});
    };
    std::string title = text({"title"});
    if (title.empty())
        title = IcyHeader(input_->pb, "icy-name");
    add(u"Title", title);
    add(u"Author", text({"author", "artist", "album_artist"}));
    add(u"Copyright", text({"copyright"}));
    const bool knownDuration = input_->duration != AV_NOPTS_VALUE && input_->duration > 0;
    if (knownDuration)
        out.push_back({0, u"Duration", WmtAttrDataType::kQword,
                       WmQwordValue(uint64_t(input_->duration) * (kHnsPerSecond / AV_TIME_BASE))});
    out.push_back({0, u"Broadcast", WmtAttrDataType::kBool, WmBoolValue(IsBroadcast())});
    return out;
}

bool Source::IsBroadcast() const {
    if (!network_ || !input_)
        return false;
    const bool knownDuration = input_->duration != AV_NOPTS_VALUE && input_->duration > 0;
    // Without a byte stream of its own (RTSP), or with one that is only a playlist (HLS), the
    // stated duration is all there is to go by.
    if (!input_->pb || (input_->iformat->flags & AVFMT_NOFILE) ||
        std::strcmp(input_->iformat->name, "hls") == 0)
        return !knownDuration;
    // Over HTTP the headers are all that is read before playing, and a container can state a
    // length (RealMedia and ASF do) and still be relayed without end: a server that names no size
    // for its bytes is sending a live stream.
    return avio_size(input_->pb) <= 0;
}

HResult Source::Pump() {
    if (!codec_)
        return kNsENoCodec;
    CallTimer timer(this);
    return Bounded(PumpOnce());
}

HResult Source::PumpOnce() {
    const size_t before = ready_.size();
    int errors = 0;
    while (ready_.size() == before) {
        if (finished_)
            return kSFalse;
        int r = avcodec_receive_frame(codec_.get(), frame_.get());
        if (r >= 0) {
            const HResult hr = Convert(frame_.get());
            av_frame_unref(frame_.get());
            if (Failed(hr))
                return hr;
            errors = 0;
            continue;
        }
        if (r == AVERROR_EOF) {
            FlushConverter();
            CutBlocks(true);
            finished_ = true;
            continue;
        }
        if (r != AVERROR(EAGAIN)) {
            if (++errors > kMaxDecodeErrors)
                return FromAvError(r);
            continue;
        }
        if (demuxEnded_)
            return kNsEInvalidData;  // a decoder that neither drains nor ends
        r = av_read_frame(input_.get(), packet_.get());
        if (r == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (r == AVERROR_EOF || (r < 0 && r != AVERROR_EXIT && input_->pb &&
                                 avio_feof(input_->pb) && input_->pb->error == 0)) {
            demuxEnded_ = true;
            avcodec_send_packet(codec_.get(), nullptr);  // drain what the decoder holds
            continue;
        }
        if (r < 0)
            return FromAvError(r);
        ReadIcyTitle();
        if (packet_->stream_index == streamIndex_) {
            r = avcodec_send_packet(codec_.get(), packet_.get());
            // A damaged packet is skipped, as a player would; only a run of them is fatal.
            if (r < 0 && r != AVERROR(EAGAIN) && ++errors > kMaxDecodeErrors) {
                av_packet_unref(packet_.get());
                return FromAvError(r);
            }
        }
        av_packet_unref(packet_.get());
    }
    return kSOk;
}

HResult Source::Convert(const AVFrame* frame) {
    if (frame->nb_samples <= 0 || frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0)
        return kSOk;
    if (!formatKnown_) {
        format_ = WaveFormatEx::Pcm16(uint32_t(frame->sample_rate),
                                      uint16_t(frame->ch_layout.nb_channels));
        formatKnown_ = true;
    }
    if (!blockBytes_)
        blockBytes_ = size_t(std::max<uint32_t>(1, format_.samplesPerSec / kBlocksPerSecond)) *
                      format_.blockAlign;
    CountAudio(uint64_t(frame->nb_samples) * kHnsPerSecond / uint64_t(frame->sample_rate));
    if (!swr_ || frame->format != inFormat_ || frame->sample_rate != inRate_ ||
        av_channel_layout_compare(&frame->ch_layout, &inLayout_) != 0) {
        // First frame, or the stream changed its format midway: the output keeps the format the
        // caller was told at open, so convert (and, only then, resample) to it.
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_copy(&inLayout_, &frame->ch_layout);
        inFormat_ = frame->format;
        inRate_ = frame->sample_rate;
        AVChannelLayout in{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, frame->ch_layout.nb_channels);
        else
            av_channel_layout_copy(&in, &frame->ch_layout);
        AVChannelLayout out{};
        av_channel_layout_default(&out, format_.channels);
        SwrContext* swr = nullptr;
        int r = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, int(format_.samplesPerSec), &in,
                                    AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        swr_.reset(swr);
        if (r >= 0)
            r = swr_init(swr);
        if (r < 0) {
            swr_.reset();
            return FromAvError(r);
        }
    }
    const int capacity = swr_get_out_samples(swr_.get(), frame->nb_samples);
    if (capacity <= 0)
        return kSOk;
    const size_t old = pending_.size();
    pending_.resize(old + size_t(capacity) * format_.blockAlign);
    uint8_t* out = pending_.data() + old;
    const int n = swr_convert(swr_.get(), &out, capacity,
                              const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    pending_.resize(old + size_t(std::max(n, 0)) * format_.blockAlign);
    if (n < 0)
        return FromAvError(n);
    CutBlocks(false);
    return kSOk;
}

void Source::FlushConverter() {
    if (!swr_)
        return;
    const int capacity = swr_get_out_samples(swr_.get(), 0);
    if (capacity <= 0)
        return;
    const size_t old = pending_.size();
    pending_.resize(old + size_t(capacity) * format_.blockAlign);
    uint8_t* out = pending_.data() + old;
    const int n = swr_convert(swr_.get(), &out, capacity, nullptr, 0);
    pending_.resize(old + size_t(std::max(n, 0)) * format_.blockAlign);
}

void Source::CutBlocks(bool final) {
    if (!blockBytes_)
        return;
    size_t at = 0;
    while (pending_.size() - at >= blockBytes_ || (final && pending_.size() > at)) {
        const size_t bytes = std::min(blockBytes_, pending_.size() - at);
        const uint64_t frames = bytes / format_.blockAlign;
        PcmBlock block;
        block.time = framesCut_ * kHnsPerSecond / format_.samplesPerSec;
        framesCut_ += frames;
        block.duration = framesCut_ * kHnsPerSecond / format_.samplesPerSec - block.time;
        block.bytes.assign(pending_.begin() + std::ptrdiff_t(at),
                           pending_.begin() + std::ptrdiff_t(at + bytes));
        if (titleChangePending_) {
            block.titleChanged = true;
            block.title = titlePending_;
            titleChangePending_ = false;
        }
        ready_.push_back(std::move(block));
        at += bytes;
    }
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(at));
}

PcmBlock Source::TakeFront() {
    PcmBlock block = std::move(ready_.front());
    ready_.pop_front();
    return block;
}

uint64_t Source::Queued() const {
    uint64_t total = 0;
    for (const PcmBlock& b : ready_)
        total += b.duration;
    return total;
}

}  // namespace velotune::platform::wmrt
