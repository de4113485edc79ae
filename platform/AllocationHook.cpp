// The allocation counter behind the platform layer's failure hook.
#include "platform/AllocationHook.h"

#include <atomic>
#include <cstdlib>

namespace {
// Allocations left before the failing one; 0 = no failure pending.
std::atomic<long> gAllocationsUntilFailure{0};
std::atomic<unsigned long> gAllocationCount{0};
}  // namespace

void ZEQSetAllocationFailure(long n) {
    gAllocationsUntilFailure.store(n > 0 ? n : 0);
}

void ZEQClearAllocationFailure() {
    gAllocationsUntilFailure.store(0);
}

unsigned long ZEQAllocationCount() {
    return gAllocationCount.load();
}

bool ZEQPlatformAllocationAllowed() {
    // The count is a test aid read on the thread that allocates: a plain load and store
    // (no locked instruction) keeps the model builder's allocations cheap.
    gAllocationCount.store(gAllocationCount.load(std::memory_order_relaxed) + 1,
                           std::memory_order_relaxed);
    long left = gAllocationsUntilFailure.load(std::memory_order_relaxed);
    while (left > 0) {
        if (gAllocationsUntilFailure.compare_exchange_weak(left, left - 1)) {
            return left != 1;  // the count reached zero on this allocation: it fails
        }
    }
    return true;
}

void* ZEQPlatformMalloc(size_t size) {
    if (!ZEQPlatformAllocationAllowed()) {
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* ZEQPlatformRealloc(void* block, size_t size) {
    if (!ZEQPlatformAllocationAllowed()) {
        return nullptr;
    }
    return std::realloc(block, size == 0 ? 1 : size);
}

void ZEQPlatformFree(void* block) {
    std::free(block);
}
