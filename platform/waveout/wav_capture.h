// platform/waveout/wav_capture.h
//
// Writes what a device plays into a 16-bit PCM WAV file (VELOTUNE_WAVE_CAPTURE). The header's
// sizes are brought up to date after every append, so the file is a valid WAV file at every
// moment, and a reader never sees a size larger than the data on disk.
//
// Threading: used by one thread at a time (the device thread while the device is open).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velotune::platform::waveout {

class WavCapture {
public:
    // Creates (or truncates) `path` and writes the header. Null when the file cannot be written
    // (logged; playing goes on without a capture).
    static std::unique_ptr<WavCapture> Create(const std::string& path, uint32_t rate,
                                              uint16_t channels);
    ~WavCapture();
    WavCapture(const WavCapture&) = delete;
    WavCapture& operator=(const WavCapture&) = delete;

    // Appends interleaved samples. After a write error, or once the file would pass the 4 GiB
    // that a WAV header can describe, the capture stops (logged once) and later appends do nothing.
    void Append(const int16_t* samples, size_t count);

    uint64_t DataBytes() const { return dataBytes_; }

private:
    WavCapture(int fd, std::string path);
    bool WriteSizes();

    int fd_;
    std::string path_;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

}  // namespace velotune::platform::waveout
