#include "platform/waveout/wav_capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <QtEndian>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/waveout/waveout_log.h"

namespace velotune::platform::waveout {
namespace {

constexpr uint32_t kHeaderBytes = 44;
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);

void Put16(uint8_t* at, uint16_t v) { qToLittleEndian<quint16>(v, at); }
void Put32(uint8_t* at, uint32_t v) { qToLittleEndian<quint32>(v, at); }

// Writes all of `size` bytes at `offset`, or at the end when offset is negative.
bool WriteAll(int fd, const void* data, size_t size, off_t offset) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, p, size) : ::pwrite(fd, p, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
        if (offset >= 0)
            offset += n;
    }
    return true;
}

}  // namespace

std::unique_ptr<WavCapture> WavCapture::Create(const std::string& path, uint32_t rate,
                                               uint16_t channels) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        qCWarning(lcWaveOut, "cannot write the capture file \"%s\": %s", path.c_str(),
                  strerror(errno));
        return nullptr;
    }
    // Sizes start at 0: a reader takes the data up to the end of the file.
    uint8_t header[kHeaderBytes] = {};
    std::memcpy(header, "RIFF", 4);
    Put32(header + 4, kHeaderBytes - 8);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    Put32(header + 16, 16);
    Put16(header + 20, 1);
    Put16(header + 22, channels);
    Put32(header + 24, rate);
    Put32(header + 28, rate * channels * 2u);
    Put16(header + 32, uint16_t(channels * 2u));
    Put16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, 0);
    std::unique_ptr<WavCapture> capture(new WavCapture(fd, path));
    if (!WriteAll(fd, header, sizeof header, 0)) {
        qCWarning(lcWaveOut, "cannot write the capture file \"%s\": %s", path.c_str(),
                  strerror(errno));
        return nullptr;
    }
    return capture;
}

WavCapture::WavCapture(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

WavCapture::~WavCapture() {
    if (!failed_)
        WriteSizes();
    ::close(fd_);
}

void WavCapture::Append(const int16_t* samples, size_t count) {
    if (failed_ || count == 0)
        return;
    const uint64_t bytes = uint64_t(count) * 2;
    if (dataBytes_ + bytes > kMaxDataBytes) {
        qCWarning(lcWaveOut, "capture file \"%s\" is full; capture stopped", path_.c_str());
        failed_ = true;
        return;
    }
    // WAV data is little-endian, as are the samples on every machine we build for.
    static_assert(std::endian::native == std::endian::little);
    if (!WriteAll(fd_, samples, size_t(bytes), off_t(kHeaderBytes + dataBytes_))) {
        qCWarning(lcWaveOut, "cannot write the capture file \"%s\": %s; capture stopped",
                  path_.c_str(), strerror(errno));
        failed_ = true;
        return;
    }
    dataBytes_ += bytes;
    WriteSizes();
}

bool WavCapture::WriteSizes() {
    uint8_t riff[4];
    uint8_t data[4];
    Put32(riff, uint32_t(kHeaderBytes - 8 + dataBytes_));
    Put32(data, uint32_t(dataBytes_));
    return WriteAll(fd_, riff, 4, 4) && WriteAll(fd_, data, 4, 40);
}

}  // namespace velotune::platform::waveout
