// platform/rmaengine/rma_object.h (internal)
//
// The reference count every object of the library carries: interlocked, and the object deletes
// itself when the count reaches 0.
#pragma once

#include <atomic>
#include <cstdint>

namespace velotune::rma {

class RefCount {
public:
    uint32_t Add() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
    // The count after the release; 0 means the caller deletes the object.
    uint32_t Drop() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }

private:
    std::atomic<uint32_t> count_{1};  // the creator's reference
};

}  // namespace velotune::rma
