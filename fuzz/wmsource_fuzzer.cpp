// libFuzzer harness: arbitrary bytes through the media runtime's open-and-decode path, from
// memory through a custom I/O context, held to the source bounds (byte limits apply here as for a
// network source, and the wait is short so that a slow input is a failure, not a timeout).
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/wmruntime/ffmpeg_util.h"
#include "platform/wmruntime/wmsource.h"

namespace {

using velotune::platform::Failed;
using velotune::platform::kSFalse;
namespace wmrt = velotune::platform::wmrt;

struct Memory {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

int Read(void* opaque, uint8_t* buffer, int size) {
    auto* m = static_cast<Memory*>(opaque);
    const size_t n = std::min(size_t(size), m->size - m->at);
    if (n == 0)
        return AVERROR_EOF;
    std::memcpy(buffer, m->data + m->at, n);
    m->at += n;
    return int(n);
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto* m = static_cast<Memory*>(opaque);
    if (whence & AVSEEK_SIZE)
        return int64_t(m->size);
    int64_t target = offset;
    if ((whence & ~AVSEEK_FORCE) == SEEK_CUR)
        target += int64_t(m->at);
    else if ((whence & ~AVSEEK_FORCE) == SEEK_END)
        target += int64_t(m->size);
    if (target < 0 || target > int64_t(m->size))
        return -1;
    m->at = size_t(target);
    return target;
}

struct IoDeleter {
    void operator()(AVIOContext* io) const {
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    wmrt::InitFfmpeg();
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int kBuffer = 4096;
    constexpr int kMostBlocks = 300;  // 30 s of audio at most per input
    Memory memory{data, size};
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBuffer));
    if (!buffer)
        return 0;
    std::unique_ptr<AVIOContext, IoDeleter> io(
        avio_alloc_context(buffer, kBuffer, 0, &memory, &Read, nullptr, &Seek));
    if (!io) {
        av_free(buffer);
        return 0;
    }
    wmrt::SourceLimits limits;
    limits.maxWait = std::chrono::seconds(2);
    limits.maxBytes = 4 * 1024 * 1024;
    limits.limitLocalBytes = true;
    {
        wmrt::Source source(AVIOInterruptCB{nullptr, nullptr}, limits);
        if (Failed(source.OpenIo(io.get())))
            return 0;
        (void)source.Attributes();
        if (!source.HasAudio() || source.MissingCodec())
            return 0;
        for (int blocks = 0; blocks < kMostBlocks; ++blocks) {
            const auto hr = source.Pump();
            if (hr == kSFalse || Failed(hr))
                break;
            while (source.HasBlock())
                source.TakeFront();
        }
    }
    return 0;
}
