// platform/rmaengine/error_texts.h (internal)
//
// The library's texts for the error codes it reports, and the buffer object that carries a text
// across the interface.
#pragma once

#include <string>

#include "platform/rmaengine/rma_object.h"
#include "platform/rmaengine/rmaengine.h"

namespace velotune::rma {

// The text of an error code, or null when the library has none. Any thread.
const char* ErrorText(uint32_t code);

// An immutable text with its terminating null.
class TextBuffer final : public IRMABuffer {
public:
    // A new buffer with one reference.
    static IRMABuffer* Create(std::string text);

    HResult QueryInterface(const Guid& iid, void** object) override;
    uint32_t AddRef() override { return refs_.Add(); }
    uint32_t Release() override;
    const uint8_t* GetBuffer() override;
    uint32_t GetSize() override;

private:
    explicit TextBuffer(std::string text) : text_(std::move(text)) {}
    ~TextBuffer() override = default;

    RefCount refs_;
    const std::string text_;
};

}  // namespace velotune::rma
