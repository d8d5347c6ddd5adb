// Header information, media properties, sample buffers and the profile manager: the small value
// objects of the runtime.
#include <cstring>
#include <mutex>

#include "platform/wmruntime/ffmpeg_util.h"
#include "platform/wmruntime/wmruntime.h"

namespace velotune::platform {

// ---- WmMediaProps, WmSampleBuffer -------------------------------------------------------------

HResult WmMediaProps::GetMediaType(WmMediaType* type) const {
    if (!type)
        return kEInvalidArg;
    *type = type_;
    return kSOk;
}

HResult WmMediaProps::SetMediaType(const WmMediaType& type) {
    type_ = type;
    return kSOk;
}

HResult WmSampleBuffer::GetBufferAndLength(const uint8_t** buffer, uint32_t* length) const {
    if (!buffer || !length)
        return kEInvalidArg;
    *buffer = data_;
    *length = length_;
    return kSOk;
}

// ---- WmHeaderInfo -----------------------------------------------------------------------------

struct WmHeaderInfo::State {
    mutable std::mutex mutex;
    Access access = Access::kClosed;    // guarded by mutex
    std::vector<Attribute> attributes;  // guarded by mutex
    struct Script {
        std::u16string type;
        std::u16string command;
        uint64_t time = 0;
    };
    std::vector<Script> scripts;  // guarded by mutex

    const Attribute* Find(uint16_t stream, std::u16string_view name) const {
        for (const Attribute& a : attributes)
            if (a.stream == stream && a.name == name)
                return &a;
        return nullptr;
    }
};

WmHeaderInfo::WmHeaderInfo() : state_(std::make_unique<State>()) {}
WmHeaderInfo::~WmHeaderInfo() = default;

HResult WmHeaderInfo::GetAttributeByName(uint16_t* streamNum, std::u16string_view name,
                                         WmtAttrDataType* type, uint8_t* value,
                                         uint16_t* length) const {
    if (!streamNum || !type || !length)
        return kEInvalidArg;
    std::lock_guard lock(state_->mutex);
    if (state_->access == Access::kClosed)
        return kNsEInvalidRequest;
    const Attribute* a = state_->Find(*streamNum, name);
    if (!a) {
        *length = 0;
        return kAsfENotFound;
    }
    *type = a->type;
    const auto size = static_cast<uint16_t>(a->value.size());
    if (value) {
        if (*length < size) {
            *length = size;
            return kAsfEBufferTooSmall;
        }
        std::memcpy(value, a->value.data(), size);
    }
    *length = size;
    return kSOk;
}

HResult WmHeaderInfo::SetAttribute(uint16_t streamNum, std::u16string_view name,
                                   WmtAttrDataType type, const uint8_t* value, uint16_t length) {
    if (name.empty() || (length && !value))
        return kEInvalidArg;
    std::lock_guard lock(state_->mutex);
    if (state_->access != Access::kReadWrite)
        return kNsEInvalidRequest;
    Attribute attribute{streamNum, std::u16string(name), type,
                        std::vector<uint8_t>(value, value + length)};
    for (Attribute& a : state_->attributes) {
        if (a.stream == streamNum && a.name == name) {
            a = std::move(attribute);
            return kSOk;
        }
    }
    state_->attributes.push_back(std::move(attribute));
    return kSOk;
}

HResult WmHeaderInfo::GetScriptCount(uint16_t* count) const {
    if (!count)
        return kEInvalidArg;
    std::lock_guard lock(state_->mutex);
    if (state_->access == Access::kClosed)
        return kNsEInvalidRequest;
    *count = static_cast<uint16_t>(state_->scripts.size());
    return kSOk;
}

HResult WmHeaderInfo::GetScript(uint16_t index, char16_t* type, uint16_t* typeLength,
                                char16_t* command, uint16_t* commandLength, uint64_t* time) const {
    if (!typeLength || !commandLength || !time)
        return kEInvalidArg;
    std::lock_guard lock(state_->mutex);
    if (state_->access == Access::kClosed)
        return kNsEInvalidRequest;
    if (index >= state_->scripts.size())
        return kEInvalidArg;
    const State::Script& s = state_->scripts[index];
    const auto typeNeeded = static_cast<uint16_t>(s.type.size() + 1);
    const auto commandNeeded = static_cast<uint16_t>(s.command.size() + 1);
    if ((type && *typeLength < typeNeeded) || (command && *commandLength < commandNeeded)) {
        *typeLength = typeNeeded;
        *commandLength = commandNeeded;
        return kAsfEBufferTooSmall;
    }
    if (type)
        std::memcpy(type, s.type.c_str(), typeNeeded * sizeof(char16_t));
    if (command)
        std::memcpy(command, s.command.c_str(), commandNeeded * sizeof(char16_t));
    *typeLength = typeNeeded;
    *commandLength = commandNeeded;
    *time = s.time;
    return kSOk;
}

HResult WmHeaderInfo::AddScript(std::u16string_view type, std::u16string_view command,
                                uint64_t time) {
    std::lock_guard lock(state_->mutex);
    if (state_->access != Access::kReadWrite)
        return kNsEInvalidRequest;
    state_->scripts.push_back({std::u16string(type), std::u16string(command), time});
    return kSOk;
}

void WmHeaderInfo::Reset(Access access, std::vector<Attribute> attributes) {
    std::lock_guard lock(state_->mutex);
    state_->access = access;
    state_->attributes = std::move(attributes);
    state_->scripts.clear();
}

void WmHeaderInfo::SetAccess(Access access) {
    std::lock_guard lock(state_->mutex);
    state_->access = access;
}

std::vector<WmHeaderInfo::Attribute> WmHeaderInfo::Attributes() const {
    std::lock_guard lock(state_->mutex);
    return state_->attributes;
}

std::string WmHeaderInfo::StringAttribute(std::u16string_view name) const {
    std::lock_guard lock(state_->mutex);
    const Attribute* a = state_->Find(0, name);
    if (!a || a->type != WmtAttrDataType::kString || a->value.size() < 2)
        return {};
    std::u16string text(a->value.size() / 2, u'\0');
    std::memcpy(text.data(), a->value.data(), text.size() * 2);
    text.resize(std::u16string_view(text.c_str()).size());  // up to the terminating null
    return wmrt::ToUtf8(text);
}

std::vector<uint8_t> WmStringValue(std::u16string_view text) {
    std::vector<uint8_t> bytes((text.size() + 1) * sizeof(char16_t), 0);
    std::memcpy(bytes.data(), text.data(), text.size() * sizeof(char16_t));
    return bytes;
}

std::vector<uint8_t> WmQwordValue(uint64_t value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

std::vector<uint8_t> WmBoolValue(bool value) {
    const uint32_t word = value ? 1 : 0;
    std::vector<uint8_t> bytes(sizeof word);
    std::memcpy(bytes.data(), &word, sizeof word);
    return bytes;
}

// ---- WmProfileManager -------------------------------------------------------------------------

HResult WmProfileManager::SetSystemProfileVersion(WmtVersion version) {
    switch (version) {
        case WmtVersion::kVer40:
        case WmtVersion::kVer70:
        case WmtVersion::kVer80:
        case WmtVersion::kVer90:
            version_ = version;
            return kSOk;
    }
    return kEInvalidArg;
}

HResult WmProfileManager::LoadProfileByID(const WmGuid& id, WmProfile* profile) const {
    if (!profile)
        return kEInvalidArg;
    if (id == kWmProfileRecording) {
        *profile = WmProfile{id, u"Windows Media Audio 64 kbit/s, 44 kHz, stereo", 64000, 44100, 2};
        return kSOk;
    }
    return kEInvalidArg;
}

HResult WmCreateProfileManager(std::unique_ptr<WmProfileManager>* manager) {
    if (!manager)
        return kEInvalidArg;
    *manager = std::make_unique<WmProfileManager>();
    return kSOk;
}

}  // namespace velotune::platform
