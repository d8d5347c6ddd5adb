// platform/mmtypes/mmtypes.h
//
// The small multimedia vocabulary that the audio layers share: result codes in the HRESULT style
// (negative is failure), the PCM format description that a decoder hands to the sound device, and
// the block header that travels between the playback engine and the device.
#pragma once

#include <cstdint>
#include <vector>

namespace velotune::platform {

// ---- Result codes -----------------------------------------------------------------------------
using HResult = int32_t;

inline constexpr HResult kSOk = 0;
inline constexpr HResult kSFalse = 1;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kEUnexpected = static_cast<HResult>(0x8000FFFF);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057);
inline constexpr HResult kEOutOfMemory = static_cast<HResult>(0x8007000E);
inline constexpr HResult kENotImpl = static_cast<HResult>(0x80004001);
inline constexpr HResult kAsfENotFound = static_cast<HResult>(0xC00D07F0);

inline constexpr bool Succeeded(HResult hr) { return hr >= 0; }
inline constexpr bool Failed(HResult hr) { return hr < 0; }

// The HRESULT made from a system error number (errno), 0x8007xxxx.
inline constexpr HResult HResultFromErrno(int error) {
    return error <= 0 ? kSOk : static_cast<HResult>(0x80070000u | (uint32_t(error) & 0xFFFFu));
}

// ---- PCM format ---------------------------------------------------------------------------------
inline constexpr uint16_t kWaveFormatPcm = 1;

// The wave format description (the 18-byte WAVEFORMATEX followed by cbSize extra bytes).
struct WaveFormatEx {
    uint16_t formatTag = kWaveFormatPcm;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra;  // cbSize == extra.size()

    uint16_t CbSize() const { return static_cast<uint16_t>(extra.size()); }

    static WaveFormatEx Pcm16(uint32_t rate, uint16_t channels) {
        WaveFormatEx f;
        f.channels = channels;
        f.samplesPerSec = rate;
        f.bitsPerSample = 16;
        f.blockAlign = static_cast<uint16_t>(channels * 2);
        f.avgBytesPerSec = rate * f.blockAlign;
        return f;
    }
};

// ---- Sound device blocks ----------------------------------------------------------------------
// One block of samples handed to the sound device (the WAVEHDR). The caller owns the header and
// the bytes it points to until the device reports the block done.
struct WaveHeader {
    uint8_t* data = nullptr;       // lpData
    uint32_t bufferLength = 0;     // dwBufferLength
    uint32_t bytesRecorded = 0;    // dwBytesRecorded
    uintptr_t user = 0;            // dwUser
    uint32_t flags = 0;            // dwFlags: kWhdrDone, kWhdrPrepared, kWhdrInQueue
    uint32_t loops = 0;            // dwLoops
};

inline constexpr uint32_t kWhdrDone = 0x00000001;
inline constexpr uint32_t kWhdrPrepared = 0x00000002;
inline constexpr uint32_t kWhdrInQueue = 0x00000010;

}  // namespace velotune::platform
