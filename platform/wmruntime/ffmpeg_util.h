// platform/wmruntime/ffmpeg_util.h (internal)
//
// RAII owners for the FFmpeg objects the runtime uses, the mapping of FFmpeg errors to the
// runtime's result codes, and UTF-16 text helpers.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

#include <QLoggingCategory>
#include <memory>
#include <string>
#include <string_view>

#include "platform/mmtypes/mmtypes.h"

Q_DECLARE_LOGGING_CATEGORY(lcWmRuntime)

namespace velotune::platform::wmrt {

struct InputDeleter {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;

// An output context together with the file it writes (closed with it).
struct OutputDeleter {
    void operator()(AVFormatContext* ctx) const {
        if (ctx->pb && !(ctx->oformat->flags & AVFMT_NOFILE))
            avio_closep(&ctx->pb);
        avformat_free_context(ctx);
    }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;

// An I/O context opened with avio_open2 (a custom-I/O input does not close it).
struct IoDeleter {
    void operator()(AVIOContext* io) const { avio_closep(&io); }
};
using IoPtr = std::unique_ptr<AVIOContext, IoDeleter>;

struct CodecDeleter {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;

struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct SwrDeleter {
    void operator()(SwrContext* swr) const { swr_free(&swr); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;

struct FifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoDeleter>;

// An options dictionary; whatever FFmpeg leaves in it is freed with it.
class Dict {
public:
    Dict() = default;
    ~Dict() { av_dict_free(&dict_); }
    Dict(const Dict&) = delete;
    Dict& operator=(const Dict&) = delete;
    void Set(const char* key, const std::string& value) {
        av_dict_set(&dict_, key, value.c_str(), 0);
    }
    AVDictionary** Get() { return &dict_; }

private:
    AVDictionary* dict_ = nullptr;
};

// The runtime's result for an FFmpeg error code (negative AVERROR).
HResult FromAvError(int error);
std::string AvErrorText(int error);

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Once per process: network initialisation and a quieter FFmpeg log.
void InitFfmpeg();

// Collects FFmpeg's error messages logged on the calling thread while it lives (FFmpeg reports
// some causes, such as a certificate that failed verification, only in its log). One per thread
// at a time; the log still goes to stderr as before.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    // Whether any captured message contains word (case-insensitive).
    bool Mentions(const char* word) const;
    bool Empty() const { return text_.empty(); }
    void Clear() { text_.clear(); }
    void Append(const char* line);

private:
    std::string text_;  // lower-case, bounded
    LogCapture* previous_;
};

}  // namespace velotune::platform::wmrt
