// platform/wmruntime/wmruntime.h
//
// The media runtime the Windows Media playback engine drives: an asynchronous reader that opens a
// file or stream and delivers decoded PCM audio, a writer that records PCM into an ASF file with
// WMA v2 audio, header information (attributes and script commands) of both, and a profile manager
// that hands out the fixed recording profile. The shapes follow the classic runtime's reader,
// writer, header-info and profile-manager objects, without COM: results are HRESULT-style values
// (platform/mmtypes), status and samples arrive through a callback interface.
//
// Threading:
// - WmReader: every call may be made from any thread, and may be made from inside the reader's own
//   callbacks. The reader runs one thread per opened source ("the reader's thread"); OnStatus and
//   OnSample are only ever called on it, one at a time. That thread never touches a QObject.
// - WmWriter and its header info: every call may be made from any thread; calls are serialised.
// - WmProfileManager: plain data, any thread.
//
// What the reader opens: local files (a path, or file://), http:// and https:// streams and files
// in any container and audio codec FFmpeg decodes (ASF/WMA, MP3, AAC, Ogg Vorbis/Opus, HLS, ...),
// and mms:// addresses, tried as MMS over HTTP first and then as MMS over TCP.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mmtypes/mmtypes.h"

namespace velotune::platform {

// ---- Result codes beyond mmtypes.h ------------------------------------------------------------
// Failures of this runtime, in the runtime's own facility (0xC00D). Errors of the operating system
// (file not found, connection refused, ...) arrive as HResultFromErrno(errno) values instead.
inline constexpr HResult kEAbort = static_cast<HResult>(0x80004004);             // cancelled
inline constexpr HResult kNsEInvalidRequest = static_cast<HResult>(0xC00D002B);  // wrong state
inline constexpr HResult kNsEInvalidData = static_cast<HResult>(0xC00D002F);     // unreadable
inline constexpr HResult kNsENoCodec = static_cast<HResult>(0xC00D0BBE);         // no decoder
inline constexpr HResult kNsENetwork = static_cast<HResult>(0xC00D0005);         // server/HTTP
inline constexpr HResult kNsEInvalidInputFormat = static_cast<HResult>(0xC00D0BB8);
inline constexpr HResult kAsfEBufferTooSmall = static_cast<HResult>(0xC00D07D1);
// The source gave no decodable audio within the bounds the reader sets (time spent waiting on it,
// or bytes read, without about a second of audio): not an audio stream, or a broken one.
inline constexpr HResult kNsENoAudio = static_cast<HResult>(0xC00D0BB9);
// A https server whose certificate could not be verified (unknown issuer, wrong name, expired).
inline constexpr HResult kNsETlsRejected = static_cast<HResult>(0xC00D2EE8);
// A local path that names no regular file (a FIFO, device or directory): never opened.
inline constexpr HResult kNsENotAFile = static_cast<HResult>(0xC00D0BBA);
// The source stopped answering (no byte within the read timeout).
inline constexpr HResult kNsETimeout = static_cast<HResult>(0xC00D2EE9);

// A short English text for a result of this runtime or of the operating system ("the server's
// certificate could not be verified", "not an audio stream", "HTTP 404 Not Found" ...), for the
// messages that report a failure. Never empty.
std::string WmResultText(HResult hr);

// ---- Status values, numbered as the runtime numbers them ----------------------------------------
enum class WmtStatus : int {
    kError = 0,           // result: why; playback has ended
    kOpened = 1,          // result: the outcome of Open
    kBufferingStart = 2,  // a network source starts filling its buffer
    kBufferingStop = 3,   // the buffer is full; samples follow
    kEof = 4,             // the last sample has been delivered
    kLocating = 7,        // a network address that is not http(s) is being located
    kMissingCodec = 10,   // the audio cannot be decoded; playback has ended
    kStarted = 11,        // playback has started; samples follow
    kStopped = 12,        // Stop has taken effect
    kClosed = 13,         // Close has taken effect; nothing more is reported
    kNewMetadata = 20,    // the stream's in-band title changed (see WmReaderCallback::OnStatus)
    // A live network source dropped after it had played and is being reopened (result: why it
    // dropped); RECONNECT_END follows when it plays again, ERROR when it does not come back.
    kReconnectStart = 35,
    kReconnectEnd = 36,
};

enum class WmtAttrDataType : int {
    kDword = 0,
    kString = 1,  // UTF-16 (host byte order) with a terminating null; the length is in bytes
    kBinary = 2,
    kBool = 3,  // 4 bytes
    kQword = 4,
    kWord = 5,
    kGuid = 6,
};

enum class WmtVersion : uint32_t {
    kVer40 = 0x00040000,
    kVer70 = 0x00070000,
    kVer80 = 0x00080000,
    kVer90 = 0x00090000,
};

// Sample flags.
inline constexpr uint32_t kWmSfCleanPoint = 0x1;
inline constexpr uint32_t kWmSfDiscontinuity = 0x2;

// ---- Identifiers ------------------------------------------------------------------------------
struct WmGuid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
    friend constexpr bool operator==(const WmGuid&, const WmGuid&) = default;
};

// The system profile used for recording: WMA v2, 64 kbit/s, 44.1 kHz, stereo.
inline constexpr WmGuid kWmProfileRecording{
    0x674EE767, 0x0949, 0x4FAC, {0x87, 0x5E, 0xF4, 0xC9, 0xC2, 0x92, 0x01, 0x3B}};

// ---- Media types --------------------------------------------------------------------------------
enum class WmMajorType { kUnknown, kAudio, kVideo, kScript };

struct WmMediaType {
    WmMajorType majorType = WmMajorType::kUnknown;
    bool fixedSizeSamples = true;
    bool temporalCompression = false;
    uint32_t sampleSize = 0;  // bytes per sample frame for PCM (the block alignment)
    WaveFormatEx waveFormat;  // for audio: the PCM format the samples are in
};

// The properties of one reader output or writer input (IWMOutputMediaProps, IWMInputMediaProps).
// A value: copy it out with GetOutputProps/GetInputProps, change it, hand it back with
// SetInputProps. No size query is needed, the type owns its storage.
class WmMediaProps {
public:
    HResult GetMediaType(WmMediaType* type) const;
    HResult SetMediaType(const WmMediaType& type);

private:
    WmMediaType type_;
};
using WmOutputMediaProps = WmMediaProps;
using WmInputMediaProps = WmMediaProps;

// One sample's bytes (INSSBuffer). Handed to OnSample; valid only during that call.
class WmSampleBuffer {
public:
    WmSampleBuffer(const uint8_t* data, uint32_t length) : data_(data), length_(length) {}
    HResult GetBufferAndLength(const uint8_t** buffer, uint32_t* length) const;

private:
    const uint8_t* data_;
    uint32_t length_;
};

// ---- Header information -------------------------------------------------------------------------
// Named attributes and script commands of a header (IWMHeaderInfo). The reader's header holds what
// the source's metadata says ("Title", "Author", "Copyright", and "Duration" as a QWORD in
// 100-nanosecond units when the source has a known length) and "Broadcast", a BOOL that is true
// for a live network source (an HTTP answer that names no size, as a live stream or a relay that
// repeats a file does; for RTSP and HLS, one without a known length); it is readable from OPENED
// until Close, and read-only. The writer's header takes attributes before BeginWriting; "Title",
// "Author" and "Copyright" go into the file's metadata.
class WmHeaderInfo {
public:
    WmHeaderInfo();
    ~WmHeaderInfo();
    WmHeaderInfo(const WmHeaderInfo&) = delete;
    WmHeaderInfo& operator=(const WmHeaderInfo&) = delete;

    // Looks up an attribute of stream *streamNum (0: the whole file). With value null, stores the
    // type and length in bytes and returns kSOk. With a buffer of *length bytes, copies the value
    // (kAsfEBufferTooSmall when it does not fit; *length is then the size needed). An attribute
    // that does not exist gives kAsfENotFound with *length 0. A header that is not readable (the
    // reader is not open, or its open failed) gives kNsEInvalidRequest.
    HResult GetAttributeByName(uint16_t* streamNum, std::u16string_view name, WmtAttrDataType* type,
                               uint8_t* value, uint16_t* length) const;
    // Sets (or replaces) an attribute. kNsEInvalidRequest when the header is read-only.
    HResult SetAttribute(uint16_t streamNum, std::u16string_view name, WmtAttrDataType type,
                         const uint8_t* value, uint16_t length);

    HResult GetScriptCount(uint16_t* count) const;
    // Script command by index. Lengths are in characters including the terminating null; with a
    // null buffer the length needed is stored. kEInvalidArg for an index out of range.
    HResult GetScript(uint16_t index, char16_t* type, uint16_t* typeLength, char16_t* command,
                      uint16_t* commandLength, uint64_t* time) const;
    HResult AddScript(std::u16string_view type, std::u16string_view command, uint64_t time);

    // For the owner (reader, writer).
    struct Attribute {
        uint16_t stream = 0;
        std::u16string name;
        WmtAttrDataType type = WmtAttrDataType::kBinary;
        std::vector<uint8_t> value;
    };
    enum class Access { kClosed, kReadOnly, kReadWrite };
    void Reset(Access access, std::vector<Attribute> attributes = {});
    void SetAccess(Access access);
    std::vector<Attribute> Attributes() const;
    // A string attribute's value as UTF-8; empty when missing or not a string.
    std::string StringAttribute(std::u16string_view name) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Builders for attribute values.
std::vector<uint8_t> WmStringValue(std::u16string_view text);
std::vector<uint8_t> WmQwordValue(uint64_t value);
std::vector<uint8_t> WmBoolValue(bool value);  // a BOOL: 4 bytes, 0 or 1

// ---- Reader -------------------------------------------------------------------------------------
// IWMReaderCallback. Both calls arrive on the reader's thread. The reader ignores their results.
class WmReaderCallback {
public:
    virtual ~WmReaderCallback() = default;
    // A status change with its result (see WmtStatus). type and value carry no data (kDword,
    // null), except for NEW_METADATA: a kString value, the stream's new title (ICY StreamTitle;
    // empty when the stream cleared it), reported just before the first sample it belongs to.
    // The value is valid only during the call. context is the one given to Open.
    virtual HResult OnStatus(WmtStatus status, HResult result, WmtAttrDataType type,
                             const uint8_t* value, void* context) = 0;
    // One block of decoded audio of output outputNum: 16-bit interleaved PCM in the output's
    // WaveFormatEx, about 100 ms long. sampleTime and sampleDuration are in 100-nanosecond units,
    // counted from the start of playback. context is the one given to Start.
    virtual HResult OnSample(uint32_t outputNum, uint64_t sampleTime, uint64_t sampleDuration,
                             uint32_t flags, const WmSampleBuffer& sample, void* context) = 0;
};

// IWMReader. Life cycle: Open -> OPENED -> Start -> (BUFFERING_START, BUFFERING_STOP for network
// sources) -> STARTED -> samples ... -> EOF or ERROR; Stop -> STOPPED; Close -> CLOSED.
// Samples are delivered at the pace of playback, about a second ahead of what a listener hears,
// so the sound device never holds more than that. Nothing is resampled: the output has the
// source's own rate and channel count.
class WmReader {
public:
    // Closes (reporting CLOSED) and waits for the reader's thread. Not from inside a callback.
    ~WmReader();
    WmReader(const WmReader&) = delete;
    WmReader& operator=(const WmReader&) = delete;

    // Starts opening url (UTF-16) and returns at once; OPENED reports the outcome on the reader's
    // thread (preceded by LOCATING for network addresses that do not begin with "http").
    // kNsEInvalidRequest when the reader is already open (Close it first); kEInvalidArg for an
    // empty url or a null callback.
    HResult Open(std::u16string_view url, WmReaderCallback* callback, void* context);

    // Closes whatever is open, from any state, promptly: network I/O is interrupted. Once Open has
    // returned kSOk, Close returns kSOk and CLOSED is reported exactly once, before Close returns
    // (on the reader's thread, or inside this call when it is made from a callback); nothing is
    // reported after it. With nothing open (or already closing) it returns kNsEInvalidRequest and
    // reports nothing.
    HResult Close();

    // Outputs of the opened source (valid after a successful OPENED): one audio output, number 0,
    // for a source with audio; none otherwise. kNsEInvalidRequest before OPENED or after Close.
    HResult GetOutputCount(uint32_t* count) const;
    HResult GetOutputProps(uint32_t output, WmOutputMediaProps* props) const;

    // Starts playback from the beginning (start 0, duration 0 = to the end, rate 1.0; other values
    // give kEInvalidArg). Asynchronous; context goes to OnSample. Starting again after STOPPED, EOF
    // or ERROR, or while playing, plays again from the beginning (a live stream reconnects).
    // kNsEInvalidRequest unless a successful OPENED has been reported.
    HResult Start(uint64_t start, uint64_t duration, float rate, void* context);

    // Stops playback; STOPPED follows on the reader's thread (even when the open is still under
    // way: OPENED then reports kEAbort first). kNsEInvalidRequest when nothing is open.
    HResult Stop();

    // Holds and continues sample delivery (no status is reported for either). While paused the
    // source is not read. kNsEInvalidRequest unless playing (Pause) or paused (Resume).
    HResult Pause();
    HResult Resume();

    // The header of the open source (IWMHeaderInfo of the reader). Lives as long as the reader.
    WmHeaderInfo* HeaderInfo();

    // Whether a live network source (a broadcast) that drops or fails after it has played is
    // reopened before ERROR is reported: RECONNECT_START, then attempts after waits of 1, 2, 4, 8,
    // 8 ... s, about 30 s in all, then RECONNECT_END (and samples again, in the format of before,
    // their times counted on from the last sample) or ERROR. Stop and Close end the attempts at
    // once. On by default; takes effect at the next drop. Any thread.
    void SetReconnect(bool enabled);

private:
    friend HResult WmCreateReader(std::unique_ptr<WmReader>* reader);
    WmReader();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Creates a reader (WMCreateReader with the right to play back).
HResult WmCreateReader(std::unique_ptr<WmReader>* reader);

// ---- Profiles -----------------------------------------------------------------------------------
struct WmProfile {
    WmGuid id;
    std::u16string name;
    uint32_t bitrate = 0;     // bits per second
    uint32_t sampleRate = 0;  // Hz
    uint16_t channels = 0;
};

// IWMProfileManager (and IWMProfileManager2's SetSystemProfileVersion).
class WmProfileManager {
public:
    // Accepts the known profile versions (kVer40..kVer90); kEInvalidArg otherwise.
    HResult SetSystemProfileVersion(WmtVersion version);
    // The system profile with this identifier; kEInvalidArg for an unknown identifier.
    HResult LoadProfileByID(const WmGuid& id, WmProfile* profile) const;

private:
    WmtVersion version_ = WmtVersion::kVer80;
};

HResult WmCreateProfileManager(std::unique_ptr<WmProfileManager>* manager);

// ---- Writer -------------------------------------------------------------------------------------
// IWMWriter: encodes 16-bit PCM samples into an ASF file with WMA v2 audio as the profile says,
// converting rate and channels from the input's format when they differ.
// Order: SetProfile, SetOutputFilename, [GetInputProps/SetInputProps], header attributes,
// BeginWriting, WriteSample..., [Flush], EndWriting. After EndWriting the writer can be used again;
// the header's attributes are cleared for the next file.
class WmWriter {
public:
    ~WmWriter();  // an unfinished file is finished (as EndWriting)
    WmWriter(const WmWriter&) = delete;
    WmWriter& operator=(const WmWriter&) = delete;

    // The profile decides the file's codec settings and the writer's inputs (one audio input).
    // kEInvalidArg for a profile the writer cannot encode; kNsEInvalidRequest while writing.
    HResult SetProfile(const WmProfile& profile);
    HResult SetOutputFilename(std::u16string_view path);

    HResult GetInputCount(uint32_t* count) const;
    // Input n's properties: 16-bit PCM in the profile's rate and channels until set otherwise.
    HResult GetInputProps(uint32_t input, WmInputMediaProps* props) const;
    // Any 16-bit PCM format is accepted; kNsEInvalidInputFormat otherwise, kEInvalidArg for a
    // wrong input number, kNsEInvalidRequest while writing.
    HResult SetInputProps(uint32_t input, const WmInputMediaProps& props);

    // Creates the file and writes its header. Fails with the file system's error, or
    // kNsEInvalidRequest without a profile or a file name, or while already writing.
    HResult BeginWriting();
    // Encodes one block of interleaved PCM in the input's format. Blocks are laid end to end; the
    // sample time is not used to place them. kNsEInvalidRequest when not writing.
    HResult WriteSample(uint32_t input, uint64_t sampleTime, uint32_t flags,
                        const WmSampleBuffer& sample);
    // Pushes everything encoded so far into the file. kNsEInvalidRequest when not writing.
    HResult Flush();
    // Encodes what is left, finishes the file (its header then carries the duration) and closes
    // it. kNsEInvalidRequest when not writing.
    HResult EndWriting();

    // The writer's header (IWMHeaderInfo of the writer). Lives as long as the writer.
    WmHeaderInfo* HeaderInfo();

private:
    friend HResult WmCreateWriter(std::unique_ptr<WmWriter>* writer);
    WmWriter();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Creates a writer; kNsENoCodec when this FFmpeg lacks the WMA v2 encoder or the ASF muxer.
HResult WmCreateWriter(std::unique_ptr<WmWriter>* writer);

}  // namespace velotune::platform
