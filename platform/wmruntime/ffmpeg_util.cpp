#include "platform/wmruntime/ffmpeg_util.h"

#include <QString>
#include <cerrno>
#include <mutex>

#include "platform/wmruntime/wmruntime.h"

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

void InitFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] {
        avformat_network_init();
        // Probing and live streams produce a stream of harmless warnings; keep real errors.
        if (av_log_get_level() > AV_LOG_ERROR)
            av_log_set_level(AV_LOG_ERROR);
    });
}

}  // namespace velotune::platform::wmrt
