#include "platform/rmaengine/error_texts.h"

#include <cerrno>
#include <cstring>

#include "platform/wmruntime/wmruntime.h"
#include "res/texts.h"

namespace velotune::rma {

const char* ErrorText(uint32_t code) {
    using platform::HResultFromErrno;
    const auto hr = static_cast<HResult>(code);
    static const struct {
        HResult code;
        const char* text;
    } kTexts[] = {
        {HResultFromErrno(ENOENT), text::kRmaErrorNotFound},
        {HResultFromErrno(EACCES), text::kRmaErrorAccessDenied},
        {HResultFromErrno(EPERM), text::kRmaErrorAccessDenied},
        {HResultFromErrno(ECONNREFUSED), text::kRmaErrorConnectionRefused},
        {HResultFromErrno(ECONNRESET), text::kRmaErrorServer},
        {HResultFromErrno(ETIMEDOUT), text::kRmaErrorTimedOut},
        {HResultFromErrno(EHOSTUNREACH), text::kRmaErrorUnreachable},
        {HResultFromErrno(ENETUNREACH), text::kRmaErrorUnreachable},
        {platform::kNsENetwork, text::kRmaErrorServer},
        {platform::kNsEInvalidData, text::kRmaErrorInvalidData},
        {platform::kNsEInvalidInputFormat, text::kRmaErrorInvalidData},
        {platform::kNsENoCodec, text::kRmaErrorNoCodec},
        {platform::kEOutOfMemory, text::kRmaErrorOutOfMemory},
        {kESoundDevice, text::kRmaErrorSoundDevice},
        {kENoAudio, text::kRmaErrorNoAudio},
        {platform::kNsENoAudio, text::kRmaErrorNotAudio},
        {platform::kNsETlsRejected, text::kRmaErrorTls},
        {platform::kNsENotAFile, text::kRmaErrorNotAFile},
        {platform::kNsETimeout, text::kRmaErrorStalled},
    };
    for (const auto& entry : kTexts)
        if (entry.code == hr)
            return entry.text;
    return nullptr;
}

IRMABuffer* TextBuffer::Create(std::string text) {
    return new TextBuffer(std::move(text));
}

HResult TextBuffer::QueryInterface(const Guid& iid, void** object) {
    if (!object)
        return kEPointer;
    if (iid == kIidIUnknown || iid == kIidIRMABuffer) {
        AddRef();
        *object = static_cast<IRMABuffer*>(this);
        return kOk;
    }
    *object = nullptr;
    return kENoInterface;
}

uint32_t TextBuffer::Release() {
    const uint32_t left = refs_.Drop();
    if (left == 0)
        delete this;
    return left;
}

const uint8_t* TextBuffer::GetBuffer() {
    return reinterpret_cast<const uint8_t*>(text_.c_str());
}

uint32_t TextBuffer::GetSize() {
    return uint32_t(text_.size() + 1);
}

}  // namespace velotune::rma
