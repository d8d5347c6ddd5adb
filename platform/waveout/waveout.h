// platform/waveout/waveout.h
//
// The sound device. Plays 16-bit PCM blocks through ALSA one after another and tells the caller
// when each block has been played, in the order the blocks were written.
//
// The calls follow the classic wave-output model that the playback engines are written against:
// open a device with a format and a completion callback, prepare a block header, write it, and
// keep the block (header and bytes) untouched until its "done" message arrives. Errors come back
// as numbers (kMmSysErr* / kWavErr* below); 0 is success.
//
// Device and environment:
//   VELOTUNE_ALSA_DEVICE   the ALSA device to open ("default" when unset; "null" plays nowhere).
//   VELOTUNE_WAVE_CAPTURE  a file path: every open device also writes what it plays (after the
//                          volume) into this WAV file, which each open starts afresh. The header is
//                          kept valid while the file is written and is final once the device closes.
// Both are read at each open. Completions keep real-time pace on every device, including "null",
// which itself consumes instantly: a block is done when a listener would have heard its end.
//
// Threading: every call may be made from any thread and returns promptly; Reset, Pause and
// Restart wait until the device thread has carried them out (see each call). Messages arrive on
// the device's own thread (one per open device, owned by this layer), one at a time, and never
// while the layer holds a lock, so the callback may call these functions, except WaveOutClose on
// its own device. A callback must not block on a thread that may be waiting in a call on the same
// device. Nothing here touches a QObject.
#pragma once

#include <cstdint>

#include "platform/mmtypes/mmtypes.h"

namespace velotune::platform {

// ---- Error numbers ------------------------------------------------------------------------------
using MmResult = uint32_t;

inline constexpr MmResult kMmSysErrNoError = 0;
inline constexpr MmResult kMmSysErrError = 1;         // the device failed and stopped playing
inline constexpr MmResult kMmSysErrBadDeviceId = 2;   // no such sound device
inline constexpr MmResult kMmSysErrAllocated = 4;     // the sound device is in use elsewhere
inline constexpr MmResult kMmSysErrInvalHandle = 5;   // not an open device (or one being closed)
inline constexpr MmResult kMmSysErrNoMem = 7;         // out of memory or threads
inline constexpr MmResult kMmSysErrInvalParam = 11;   // null header, header without its bytes, ...
inline constexpr MmResult kMmSysErrHandleBusy = 12;   // WaveOutClose from the device's own callback
inline constexpr MmResult kWavErrBadFormat = 32;      // not 16-bit PCM, or the device refuses it
inline constexpr MmResult kWavErrStillPlaying = 33;   // blocks still queued / header still queued
inline constexpr MmResult kWavErrUnprepared = 34;     // header written without being prepared

// A short English name of an error number, for logs ("bad format"). Never null.
const char* WaveOutErrorName(MmResult result);

// ---- Devices and messages -----------------------------------------------------------------------
// An open device. The null handle (HWaveOut{}) names no open device; WaveOutSetVolume and
// WaveOutGetVolume take it as "the default device", whose volume the next open starts with.
// Handles are never reused, so a stale handle gives kMmSysErrInvalHandle, never another device.
enum class HWaveOut : uint64_t {};

// Messages to the completion callback (the MM_WOM_* numbers).
inline constexpr uint32_t kWomOpen = 0x3BB;   // first message of every device
inline constexpr uint32_t kWomClose = 0x3BC;  // last message, sent while WaveOutClose waits
inline constexpr uint32_t kWomDone = 0x3BD;   // param1: the finished WaveHeader*

// The completion callback: device, message, the instance value given to WaveOutOpen, and the
// message's two parameters. Called on the device thread.
using WaveOutProc = void (*)(HWaveOut device, uint32_t message, uintptr_t instance,
                             uintptr_t param1, uintptr_t param2);

// Opens the sound device for `format`, which must be PCM (kWaveFormatPcm), 16 bits per sample,
// 1 or more channels, a rate above 0, blockAlign = channels * 2 and avgBytesPerSec =
// rate * blockAlign; anything else is kWavErrBadFormat, as is a rate or channel count that the
// device cannot take. `callback` may be null (then the caller watches the headers' flags). Starts
// the device thread, which sends kWomOpen. Returns 0 and the handle in *device, or an error
// number (kMmSysErrBadDeviceId for a device name ALSA does not know, kMmSysErrAllocated when it
// is busy) and the null handle. Blocks only while ALSA opens the device.
MmResult WaveOutOpen(HWaveOut* device, const WaveFormatEx& format, WaveOutProc callback,
                     uintptr_t instance);

// Marks a header prepared (kWhdrPrepared) so it can be written. A header whose bufferLength is
// not 0 must point at its bytes. Preparing a prepared header is no error; a queued one is
// kWavErrStillPlaying.
MmResult WaveOutPrepareHeader(HWaveOut device, WaveHeader* header);

// Clears kWhdrPrepared. A header still queued (not yet reported done) is kWavErrStillPlaying.
MmResult WaveOutUnprepareHeader(HWaveOut device, WaveHeader* header);

// Queues one prepared block behind the blocks already queued: clears kWhdrDone and sets
// kWhdrInQueue. bufferLength bytes are played (whole frames; a partial last frame is skipped).
// When the block has been played, the device thread clears kWhdrInQueue, sets kWhdrDone and sends
// kWomDone with the header. After the device has failed for good (an ALSA error that recovery could
// not mend) every write is kMmSysErrError and the block stays with the caller.
MmResult WaveOutWrite(HWaveOut device, WaveHeader* header);

// Stops output at once, discards what the device still had to play, and returns every queued
// block as done (kWomDone, in order); the played position starts again at 0. A pause stays in
// force. Waits until those messages have been delivered, unless called from the device's own
// callback (then they follow when the callback returns).
MmResult WaveOutReset(HWaveOut device);

// Pauses output at once; queued blocks stay queued and no block is reported done while paused.
// Waits until the device thread has stopped (messages for blocks that finished before the pause
// are delivered first). Pausing a paused device changes nothing.
MmResult WaveOutPause(HWaveOut device);

// Resumes a paused device from where it stopped. Restarting a running device changes nothing.
MmResult WaveOutRestart(HWaveOut device);

// Closes the device: sends kWomClose on the device thread, waits for that thread to end and then
// releases the device; afterwards the handle is invalid. While any block is still queued (written
// and not yet reported done) the device stays open and the result is kWavErrStillPlaying: reset
// it first. Called from the device's own callback: kMmSysErrHandleBusy.
MmResult WaveOutClose(HWaveOut device);

// Sets the volume: left channel in the low word, right in the high word, each 0 (silent) to 65535
// (as recorded). Applied to the samples as they go to the device, so a change is heard after what
// the device has already buffered (about half a second). A mono stream uses the left word;
// channels past the first two use the mean of both. On an open device it sets that device's
// volume and the default for later opens; on the null handle only the default.
MmResult WaveOutSetVolume(HWaveOut device, uint32_t volume);
MmResult WaveOutGetVolume(HWaveOut device, uint32_t* volume);

// Bytes played since the open or the last reset.
MmResult WaveOutGetPosition(HWaveOut device, uint64_t* bytesPlayed);

}  // namespace velotune::platform
