#include "platform/wmruntime/ffmpeg_util.h"

#include <QString>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/wmruntime/wmruntime.h"
#include "res/texts.h"

Q_LOGGING_CATEGORY(lcWmRuntime, "velotune.wmruntime")

namespace velotune::platform::wmrt {

HResult FromAvError(int error) {
    if (error >= 0)
        return kSOk;
    switch (error) {
        case AVERROR_EXIT:
            return kEAbort;
        case AVERROR_HTTP_NOT_FOUND:
            return HResultFromErrno(ENOENT);
        case AVERROR_HTTP_UNAUTHORIZED:
        case AVERROR_HTTP_FORBIDDEN:
            return HResultFromErrno(EACCES);
        case AVERROR_HTTP_BAD_REQUEST:
        case AVERROR_HTTP_OTHER_4XX:
        case AVERROR_HTTP_SERVER_ERROR:
        case AVERROR_PROTOCOL_NOT_FOUND:
            return kNsENetwork;
        case AVERROR_DECODER_NOT_FOUND:
        case AVERROR_ENCODER_NOT_FOUND:
            return kNsENoCodec;
        case AVERROR_INVALIDDATA:
        case AVERROR_DEMUXER_NOT_FOUND:
        case AVERROR_STREAM_NOT_FOUND:
        case AVERROR_EOF:
            return kNsEInvalidData;
        case AVERROR(ENOMEM):
            return kEOutOfMemory;
        default:
            break;
    }
    // Plain system errors (AVERROR(errno)) keep their number; FFmpeg's own tags are large.
    const int errnum = -error;
    if (errnum > 0 && errnum < 4096)
        return HResultFromErrno(errnum);
    return kEFail;
}

std::string AvErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

std::string ToUtf8(std::u16string_view text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size())).toStdString();
}

std::u16string FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toStdU16String();
}

namespace {

thread_local LogCapture* t_capture = nullptr;

void LogCallback(void* avcl, int level, const char* format, va_list args) {
    if (t_capture && level <= AV_LOG_WARNING) {
        va_list copy;
        va_copy(copy, args);
        char line[512];
        int prefix = 1;
        av_log_format_line2(avcl, level, format, copy, line, sizeof line, &prefix);
        va_end(copy);
        t_capture->Append(line);
    }
    av_log_default_callback(avcl, level, format, args);
}

}  // namespace

LogCapture::LogCapture() : previous_(t_capture) {
    t_capture = this;
}

LogCapture::~LogCapture() {
    t_capture = previous_;
}

void LogCapture::Append(const char* line) {
    // A flood of warnings (a stream of damaged frames) must not grow without bound.
    constexpr size_t kMaxText = 16 * 1024;
    if (text_.size() >= kMaxText)
        return;
    for (const char* c = line; *c && text_.size() < kMaxText; ++c)
        text_.push_back(char(std::tolower(static_cast<unsigned char>(*c))));
}

bool LogCapture::Mentions(const char* word) const {
    std::string lower(word);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text_.find(lower) != std::string::npos;
}

namespace {

std::string ResultText(HResult hr) {
    switch (hr) {
        case kNsENoAudio:
        case kNsEInvalidData:
        case kNsEInvalidInputFormat:
            return text::kMediaErrorNotAudio;
        case kNsETlsRejected:
            return text::kMediaErrorTls;
        case kNsENotAFile:
            return text::kMediaErrorNotAFile;
        case kNsETimeout:
            return text::kMediaErrorStalled;
        case kNsENoCodec:
            return text::kMediaErrorNoCodec;
        case kNsENetwork:
            return text::kMediaErrorHttp;
        case kEAbort:
            return text::kMediaErrorCancelled;
        case kEOutOfMemory:
            return text::kMediaErrorOutOfMemory;
        default:
            break;
    }
    // HResultFromErrno: 0x80070000 | errno.
    if ((uint32_t(hr) & 0xFFFF0000u) == 0x80070000u) {
        const int errnum = int(uint32_t(hr) & 0xFFFFu);
        switch (errnum) {
            case ENOENT:
                return text::kMediaErrorNotFound;
            case EACCES:
                return text::kMediaErrorAccessDenied;
            default:
                return std::strerror(errnum);
        }
    }
    char code[32];
    std::snprintf(code, sizeof code, text::kMediaErrorCode, uint32_t(hr));
    return code;
}

}  // namespace

void InitFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] {
        avformat_network_init();
        av_log_set_callback(&LogCallback);
        // Probing and live streams produce a stream of harmless warnings; keep real errors.
        if (av_log_get_level() > AV_LOG_ERROR)
            av_log_set_level(AV_LOG_ERROR);
    });
}

}  // namespace velotune::platform::wmrt

namespace velotune::platform {

std::string WmResultText(HResult hr) {
    return wmrt::ResultText(hr);
}

}  // namespace velotune::platform
