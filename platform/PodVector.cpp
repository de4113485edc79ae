// Large blocks: mapped, remapped and unmapped directly, with huge pages from 2 MiB on.
#include "platform/PodVector.h"

#include <sys/mman.h>

namespace {

constexpr size_t kPage = 4096;
constexpr size_t kHugePage = size_t(2) << 20;

size_t Mapped(size_t bytes) {
    return (bytes + kPage - 1) & ~(kPage - 1);
}

void Advise(void* block, size_t bytes) {
    if (bytes >= kHugePage)
        madvise(block, bytes, MADV_HUGEPAGE);
}

void* Map(size_t bytes) {
    void* block =
        mmap(nullptr, Mapped(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    Advise(block, Mapped(bytes));
    return block;
}

}  // namespace

namespace largeblock {

void* Allocate(size_t bytes, bool zeroed) {
    if (bytes >= kLargeBlock)
        return Map(bytes);
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
        void* moved = mremap(block, Mapped(oldBytes), Mapped(newBytes), MREMAP_MAYMOVE);
        if (moved == MAP_FAILED)
            return nullptr;
        Advise(moved, Mapped(newBytes));
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
    if (bytes >= kLargeBlock)
        munmap(block, Mapped(bytes));
    else
        std::free(block);
}

}  // namespace largeblock
