// Large blocks: mapped in power-of-two sizes, remapped to grow, and kept for reuse (warm) up to
// a limit when freed; huge pages from 2 MiB on.
#include "platform/PodVector.h"

#include <sys/mman.h>

#include <mutex>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

// Freed mappings are kept, pages and all, up to this many bytes: a cache saved or read again
// (a print server with many queues, a dialog opened twice) then touches no fresh page. The
// rest go back to the system.
constexpr size_t kWarmBytes = size_t(32) << 20;
constexpr size_t kWarmSlots = 16;

struct WarmMapping {
    void* block;
    size_t mapped;
};
std::mutex gWarmLock;
WarmMapping gWarm[kWarmSlots];
size_t gWarmCount = 0;
size_t gWarmTotal = 0;

// The size a block of `bytes` is mapped with: the next power of two, so that a freed mapping
// fits every later block of its class and its size follows from the block's.
size_t Mapped(size_t bytes) {
    size_t mapped = largeblock::kLargeBlock;
    while (mapped < bytes)
        mapped *= 2;
    return mapped;
}

void Advise(void* block, size_t mapped) {
    if (mapped >= kHugePage)
        madvise(block, mapped, MADV_HUGEPAGE);
}

// A kept mapping of exactly that size, or null.
void* TakeWarm(size_t mapped) {
    std::lock_guard<std::mutex> lock(gWarmLock);
    for (size_t i = gWarmCount; i-- > 0;) {
        if (gWarm[i].mapped == mapped) {
            void* block = gWarm[i].block;
            gWarm[i] = gWarm[--gWarmCount];
            gWarmTotal -= mapped;
            return block;
        }
    }
    return nullptr;
}

bool KeepWarm(void* block, size_t mapped) {
    std::lock_guard<std::mutex> lock(gWarmLock);
    if (gWarmCount == kWarmSlots || gWarmTotal + mapped > kWarmBytes)
        return false;
    gWarm[gWarmCount++] = WarmMapping{block, mapped};
    gWarmTotal += mapped;
    return true;
}

void* Map(size_t bytes, bool zeroed) {
    const size_t mapped = Mapped(bytes);
    if (void* warm = TakeWarm(mapped)) {
        if (zeroed)
            std::memset(warm, 0, bytes);
        return warm;
    }
    void* block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    Advise(block, mapped);
    return block;  // fresh pages are zero
}

}  // namespace

namespace largeblock {

void* Allocate(size_t bytes, bool zeroed) {
    if (bytes >= kLargeBlock)
        return Map(bytes, zeroed);
    return zeroed ? std::calloc(bytes == 0 ? 1 : bytes, 1) : std::malloc(bytes == 0 ? 1 : bytes);
}

void* Resize(void* block, size_t oldBytes, size_t newBytes) {
    if (block == nullptr)
        return Allocate(newBytes, false);
    const bool wasLarge = oldBytes >= kLargeBlock;
    const bool isLarge = newBytes >= kLargeBlock;
    if (!wasLarge && !isLarge)
        return std::realloc(block, newBytes == 0 ? 1 : newBytes);
    if (wasLarge && isLarge) {
        const size_t oldMapped = Mapped(oldBytes);
        const size_t newMapped = Mapped(newBytes);
        if (oldMapped == newMapped)
            return block;
        void* moved = mremap(block, oldMapped, newMapped, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED)
            return nullptr;
        Advise(moved, newMapped);
        return moved;
    }
    void* fresh = Allocate(newBytes, false);
    if (fresh == nullptr)
        return nullptr;
    std::memcpy(fresh, block, oldBytes < newBytes ? oldBytes : newBytes);
    Free(block, oldBytes);
    return fresh;
}

void Free(void* block, size_t bytes) {
    if (block == nullptr)
        return;
    if (bytes < kLargeBlock) {
        std::free(block);
        return;
    }
    const size_t mapped = Mapped(bytes);
    if (!KeepWarm(block, mapped))
        munmap(block, mapped);
}

}  // namespace largeblock
