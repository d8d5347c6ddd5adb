// The wave-output calls: a table from handles to open devices, the checks every call makes before
// it reaches a device, and the default volume for the next open.
#include "platform/waveout/waveout.h"

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <set>
#include <unordered_map>

#include "platform/waveout/device.h"
#include "platform/waveout/waveout_log.h"

namespace velotune::platform {
namespace waveout {

Q_LOGGING_CATEGORY(lcWaveOut, "velotune.waveout", QtInfoMsg)

namespace {

constexpr uint32_t kMinRate = 1000;
constexpr uint32_t kMaxRate = 768000;
constexpr uint16_t kMaxChannels = 32;

// The open devices. Devices are shared with the calls in flight, so a close on one thread cannot
// free a device another thread is still using. The table is never destroyed: a device thread may
// still run while the program exits.
struct DeviceTable {
    std::mutex mutex;
    // guarded by mutex:
    std::unordered_map<uint64_t, std::shared_ptr<WaveDevice>> devices;
    uint64_t nextId = 1;
    std::set<std::string> capturePaths;  // capture files that an open device is writing
};

DeviceTable& Table() {
    static DeviceTable* table = new DeviceTable;
    return *table;
}

// atomic: the volume the next open starts with.
std::atomic<uint32_t> g_defaultVolume{0xFFFFFFFFu};

std::shared_ptr<WaveDevice> Find(HWaveOut handle) {
    DeviceTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto it = table.devices.find(uint64_t(handle));
    return it == table.devices.end() ? nullptr : it->second;
}

bool IsPlayable(const WaveFormatEx& f) {
    return f.formatTag == kWaveFormatPcm && f.bitsPerSample == 16 && f.channels >= 1 &&
           f.channels <= kMaxChannels && f.samplesPerSec >= kMinRate &&
           f.samplesPerSec <= kMaxRate && f.blockAlign == f.channels * 2 &&
           f.avgBytesPerSec == f.samplesPerSec * f.blockAlign;
}

// The capture for a new device, when VELOTUNE_WAVE_CAPTURE asks for one and no other open device
// is writing that file already.
std::unique_ptr<WavCapture> OpenCapture(const WaveFormatEx& format, std::string* path) {
    path->clear();
    const QByteArray wanted = qgetenv("VELOTUNE_WAVE_CAPTURE");
    if (wanted.isEmpty())
        return nullptr;
    DeviceTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (table.capturePaths.count(wanted.toStdString())) {
        qCWarning(lcWaveOut, "capture file \"%s\" is in use by another device; not captured",
                  wanted.constData());
        return nullptr;
    }
    auto capture = WavCapture::Create(wanted.toStdString(), format.samplesPerSec, format.channels);
    if (capture) {
        *path = wanted.toStdString();
        table.capturePaths.insert(*path);
    }
    return capture;
}

void ReleaseCapture(const std::string& path) {
    if (path.empty())
        return;
    DeviceTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.capturePaths.erase(path);
}

}  // namespace

MmResult OpenWithBackend(HWaveOut* device, const WaveFormatEx& format, WaveOutProc callback,
                         uintptr_t instance, std::unique_ptr<PcmBackend> pcm) {
    if (!device)
        return kMmSysErrInvalParam;
    *device = HWaveOut{};
    if (!IsPlayable(format))
        return kWavErrBadFormat;
    if (!pcm)
        return kMmSysErrInvalParam;

    std::string capturePath;
    std::unique_ptr<WavCapture> capture = OpenCapture(format, &capturePath);
    DeviceTable& table = Table();
    HWaveOut handle;
    std::shared_ptr<WaveDevice> created;
    {
        std::lock_guard lock(table.mutex);
        handle = HWaveOut{table.nextId++};
        created = std::make_shared<WaveDevice>(handle, format, callback, instance, std::move(pcm),
                                               std::move(capture), capturePath,
                                               g_defaultVolume.load());
        table.devices.emplace(uint64_t(handle), created);
    }
    const MmResult started = created->Start();
    if (started != kMmSysErrNoError) {
        {
            std::lock_guard lock(table.mutex);
            table.devices.erase(uint64_t(handle));
        }
        created->FinishClose();
        ReleaseCapture(capturePath);
        return started;
    }
    *device = handle;
    return kMmSysErrNoError;
}

}  // namespace waveout

using waveout::Find;
using waveout::lcWaveOut;

const char* WaveOutErrorName(MmResult result) {
    switch (result) {
    case kMmSysErrNoError: return "no error";
    case kMmSysErrError: return "device failed";
    case kMmSysErrBadDeviceId: return "no such device";
    case kMmSysErrAllocated: return "device busy";
    case kMmSysErrInvalHandle: return "invalid handle";
    case kMmSysErrNoMem: return "out of memory";
    case kMmSysErrInvalParam: return "invalid parameter";
    case kMmSysErrHandleBusy: return "handle busy";
    case kWavErrBadFormat: return "bad format";
    case kWavErrStillPlaying: return "still playing";
    case kWavErrUnprepared: return "header not prepared";
    default: return "unknown error";
    }
}

MmResult WaveOutOpen(HWaveOut* device, const WaveFormatEx& format, WaveOutProc callback,
                     uintptr_t instance) {
    if (!device)
        return kMmSysErrInvalParam;
    *device = HWaveOut{};
    if (!waveout::IsPlayable(format))
        return kWavErrBadFormat;
    QByteArray name = qgetenv("VELOTUNE_ALSA_DEVICE");
    if (name.isEmpty())
        name = QByteArrayLiteral("default");
    std::unique_ptr<waveout::PcmBackend> pcm;
    const MmResult opened = waveout::OpenAlsaPcm(name.toStdString(), format, &pcm);
    if (opened != kMmSysErrNoError)
        return opened;
    return waveout::OpenWithBackend(device, format, callback, instance, std::move(pcm));
}

MmResult WaveOutPrepareHeader(HWaveOut device, WaveHeader* header) {
    const auto found = Find(device);
    return found ? found->Prepare(header) : kMmSysErrInvalHandle;
}

MmResult WaveOutUnprepareHeader(HWaveOut device, WaveHeader* header) {
    const auto found = Find(device);
    return found ? found->Unprepare(header) : kMmSysErrInvalHandle;
}

MmResult WaveOutWrite(HWaveOut device, WaveHeader* header) {
    const auto found = Find(device);
    return found ? found->Write(header) : kMmSysErrInvalHandle;
}

MmResult WaveOutReset(HWaveOut device) {
    const auto found = Find(device);
    return found ? found->Reset() : kMmSysErrInvalHandle;
}

MmResult WaveOutPause(HWaveOut device) {
    const auto found = Find(device);
    return found ? found->Pause() : kMmSysErrInvalHandle;
}

MmResult WaveOutRestart(HWaveOut device) {
    const auto found = Find(device);
    return found ? found->Restart() : kMmSysErrInvalHandle;
}

MmResult WaveOutClose(HWaveOut device) {
    const auto found = Find(device);
    if (!found)
        return kMmSysErrInvalHandle;
    const MmResult result = found->BeginClose();
    if (result != kMmSysErrNoError)
        return result;
    waveout::DeviceTable& table = waveout::Table();
    {
        std::lock_guard lock(table.mutex);
        table.devices.erase(uint64_t(device));
    }
    found->FinishClose();
    waveout::ReleaseCapture(found->CapturePath());
    return kMmSysErrNoError;
}

MmResult WaveOutSetVolume(HWaveOut device, uint32_t volume) {
    if (device == HWaveOut{}) {
        waveout::g_defaultVolume.store(volume);
        return kMmSysErrNoError;
    }
    const auto found = Find(device);
    if (!found)
        return kMmSysErrInvalHandle;
    found->SetVolume(volume);
    waveout::g_defaultVolume.store(volume);
    return kMmSysErrNoError;
}

MmResult WaveOutGetVolume(HWaveOut device, uint32_t* volume) {
    if (!volume)
        return kMmSysErrInvalParam;
    if (device == HWaveOut{}) {
        *volume = waveout::g_defaultVolume.load();
        return kMmSysErrNoError;
    }
    const auto found = Find(device);
    if (!found)
        return kMmSysErrInvalHandle;
    *volume = found->Volume();
    return kMmSysErrNoError;
}

MmResult WaveOutGetPosition(HWaveOut device, uint64_t* bytesPlayed) {
    if (!bytesPlayed)
        return kMmSysErrInvalParam;
    const auto found = Find(device);
    if (!found)
        return kMmSysErrInvalHandle;
    *bytesPlayed = found->BytesPlayed();
    return kMmSysErrNoError;
}

}  // namespace velotune::platform
