// ZEQArena: chunks carved from one reserved address range, bump allocation, counted blocks.
#include "platform/ZEQArena.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <new>

#include "platform/AllocationHook.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZEQ_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEQ_ARENA_ASAN 1
#endif
#endif
#ifdef ZEQ_ARENA_ASAN
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>
// The leak checker does not look into mapped memory of its own accord: a chunk in use is a
// root region, so that heap blocks the model's objects point to are not reported as leaked.
#define ZEQ_LSAN_REGISTER(p, n) __lsan_register_root_region((p), (n))
#define ZEQ_LSAN_UNREGISTER(p, n) __lsan_unregister_root_region((p), (n))
#define ZEQ_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define ZEQ_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define ZEQ_LSAN_REGISTER(p, n) ((void)(p), (void)(n))
#define ZEQ_LSAN_UNREGISTER(p, n) ((void)(p), (void)(n))
#define ZEQ_POISON(p, n) ((void)(p), (void)(n))
#define ZEQ_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

std::atomic<uintptr_t> ZEQArena::sRegionBase{0};

namespace {

constexpr std::size_t kChunkSize = std::size_t(2) << 20;  // one huge page
constexpr std::size_t kChunkCount = (std::size_t(16) << 30) / kChunkSize;
constexpr std::size_t kAlign = 8;
// A model's first chunk is on small pages and offers only this much: a small model faults in
// just the pages it touches, and one that outgrows it goes on in chunks of huge pages. A page
// fault costs some 10 us in a virtual machine, a huge page's one fault some 120 us for its
// 2 MiB: 512 small faults would cost forty times that. So the first chunk stops where a
// huge page already pays.
constexpr std::size_t kFirstChunkUse = 128 * 1024;
// Larger blocks go to the ordinary heap: they are rare (long code blocks) and would waste
// the rest of a chunk.
constexpr std::size_t kLargest = 64 * 1024;
#ifdef ZEQ_ARENA_ASAN
// Under AddressSanitizer each block is preceded by its size and followed by a poisoned gap,
// and a freed block is poisoned again, so that overreads and use after free are reported
// inside the arena as they are on the heap.
constexpr std::size_t kBlockHeader = 8;
constexpr std::size_t kRedzone = 16;
#else
constexpr std::size_t kBlockHeader = 0;
constexpr std::size_t kRedzone = 0;
#endif

struct ChunkHeader {
    ZEQArena* arena;
    void* previous;  // the arena's older chunk
};
constexpr std::size_t kChunkHeaderSize = 16;
static_assert(sizeof(ChunkHeader) <= kChunkHeaderSize);

// The reserved range and its chunks: those below the high-water mark have been made
// writable; released ones are kept on a stack of indices for reuse.
std::mutex gChunkLock;
char* gRegion = nullptr;
bool gReserveTried = false;
std::size_t gHighWater = 0;
// Released chunks: those that gave their pages back, and (up to kWarmLimit) those that kept
// them, which are handed out first.
uint32_t gColdChunks[kChunkCount];
std::size_t gColdCount = 0;
// Released chunks keep their pages up to this many (a model of a few thousand controls
// fits in one or two): the next model reuses them without a page fault, as a heap reuses its
// freed blocks. Beyond it, released chunks give their pages back to the system.
constexpr std::size_t kWarmLimit = 8;
uint32_t gWarmChunks[kWarmLimit];
std::size_t gWarmCount = 0;
std::atomic<long> gLiveArenas{0};
// The page-size advice each chunk was last given (0 none yet, 1 small pages, 2 huge pages), so
// that a chunk reused for the same role costs no system call.
uint8_t gAdvice[kChunkCount];

// Initial-exec: read without a call into the dynamic linker (the library is loaded with the
// program or early enough for the static TLS reserve).
__attribute__((tls_model("initial-exec"))) thread_local ZEQArena* tCurrent = nullptr;

bool Reserve() {
    if (gReserveTried)
        return gRegion != nullptr;
    gReserveTried = true;
    const std::size_t size = kChunkCount * kChunkSize + kChunkSize;
    void* p = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        return false;
    const uintptr_t aligned =
        (reinterpret_cast<uintptr_t>(p) + kChunkSize - 1) & ~uintptr_t(kChunkSize - 1);
    gRegion = reinterpret_cast<char*>(aligned);
    return true;
}

// A writable chunk, or null when the range is used up or cannot be reserved. A first chunk
// stays on small pages (a small model touches a few of them); later chunks of a growing model
// ask for huge pages, which cut the page faults of a large parse by a factor of 512.
char* AcquireChunk(bool huge) {
    char* chunk = nullptr;
    const uint8_t advice = huge ? 2 : 1;
    bool advise = false;
    {
        std::lock_guard<std::mutex> lock(gChunkLock);
        if (!Reserve())
            return nullptr;
        if (gWarmCount > 0) {
            chunk = gRegion + std::size_t(gWarmChunks[--gWarmCount]) * kChunkSize;
        } else if (gColdCount > 0) {
            chunk = gRegion + std::size_t(gColdChunks[--gColdCount]) * kChunkSize;
        } else if (gHighWater < kChunkCount) {
            chunk = gRegion + gHighWater * kChunkSize;
            if (mprotect(chunk, kChunkSize, PROT_READ | PROT_WRITE) != 0)
                return nullptr;
            ++gHighWater;
        } else {
            return nullptr;
        }
        uint8_t& given = gAdvice[static_cast<std::size_t>(chunk - gRegion) / kChunkSize];
        advise = given != advice;
        given = advice;
    }
    if (advise)
        madvise(chunk, kChunkSize, huge ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    ZEQ_LSAN_REGISTER(chunk, kChunkSize);
    return chunk;
}

void ReleaseChunk(char* chunk) {
    ZEQ_LSAN_UNREGISTER(chunk, kChunkSize);
    ZEQ_UNPOISON(chunk, kChunkSize);
    const uint32_t index = static_cast<uint32_t>((chunk - gRegion) / kChunkSize);
    {
        std::lock_guard<std::mutex> lock(gChunkLock);
        if (gWarmCount < kWarmLimit) {
            gWarmChunks[gWarmCount++] = index;
            return;
        }
    }
    madvise(chunk, kChunkSize, MADV_DONTNEED);
    std::lock_guard<std::mutex> lock(gChunkLock);
    gColdChunks[gColdCount++] = index;
}

ChunkHeader* ChunkOf(const void* p) {
    const uintptr_t base = ZEQArena::Owns(p) ? reinterpret_cast<uintptr_t>(p) : 0;
    return reinterpret_cast<ChunkHeader*>(base & ~uintptr_t(kChunkSize - 1));
}

}  // namespace

ZEQArena* ZEQArena::Create() {
    {
        std::lock_guard<std::mutex> lock(gChunkLock);
        if (!Reserve())
            return nullptr;
        sRegionBase.store(reinterpret_cast<uintptr_t>(gRegion), std::memory_order_relaxed);
    }
    ZEQArena* arena = new (std::nothrow) ZEQArena;
    if (arena != nullptr)
        gLiveArenas.fetch_add(1, std::memory_order_relaxed);
    return arena;
}

void ZEQArena::Retain() {
    mRefs.fetch_add(1, std::memory_order_relaxed);
}

void ZEQArena::Release() {
    if (mRefs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        Destroy();
}

void ZEQArena::Destroy() {
    void* chunk = mChunks;
    while (chunk != nullptr) {
        void* previous = static_cast<ChunkHeader*>(chunk)->previous;
        ReleaseChunk(static_cast<char*>(chunk));
        chunk = previous;
    }
    gLiveArenas.fetch_sub(1, std::memory_order_relaxed);
    delete this;
}

ZEQArena* ZEQArena::Current() {
    return tCurrent;
}

long ZEQArena::LiveCount() {
    return gLiveArenas.load(std::memory_order_relaxed);
}

// While a scope is open the arena's count carries a large bias, so that blocks freed during
// the scope (before their allocations are added to the count) cannot bring it to zero; the
// blocks handed out are added in one step when the scope ends.
ZEQArena::Scope::Scope(ZEQArena* arena, bool recycle)
    : mPrevious(tCurrent), mArena(arena), mBias(0), mPreviousRecycle(false) {
    if (mArena != nullptr) {
        mBias = uint64_t(1) << 40;
        mArena->mRefs.fetch_add(static_cast<int64_t>(mBias), std::memory_order_relaxed);
        mPreviousRecycle = mArena->mRecycle;
        mArena->mRecycle = recycle;
    }
    tCurrent = arena;
}

ZEQArena::Scope::~Scope() {
    tCurrent = mPrevious;
    if (mArena != nullptr) {
        // Blocks given back and not reused are dead: their references go with the lists.
        const int64_t change = mArena->mBalance - static_cast<int64_t>(mArena->mRecycledCount) -
                               static_cast<int64_t>(mBias);
        for (void*& list : mArena->mRecycled)
            list = nullptr;
        mArena->mRecycledCount = 0;
        mArena->mBalance = 0;
        mArena->mRecycle = mPreviousRecycle;
        if (mArena->mRefs.fetch_add(change, std::memory_order_acq_rel) + change == 0)
            mArena->Destroy();  // every reference was dropped inside the scope
    }
}

bool ZEQArena::Grow() noexcept {
    char* chunk = AcquireChunk(mChunks != nullptr);
    if (chunk == nullptr)
        return false;
    ChunkHeader* header = reinterpret_cast<ChunkHeader*>(chunk);
    header->arena = this;
    header->previous = mChunks;
    mChunks = chunk;
    mNext = chunk + kChunkHeaderSize;
    // The rest of a first chunk stays unused address space: no page of it is touched.
    mEnd = chunk + (header->previous != nullptr ? kChunkSize : kFirstChunkUse);
    ZEQ_POISON(mNext, kChunkSize - kChunkHeaderSize);
    return true;
}

std::size_t ZEQArena::Footprint(std::size_t size) {
    return (kBlockHeader + size + kRedzone + kAlign - 1) & ~(kAlign - 1);
}

void* ZEQArena::Allocate(std::size_t size) noexcept {
    const std::size_t need = Footprint(size);
    char* block;
    const std::size_t sizeClass = need / kAlign;
    if (sizeClass < kSizeClasses && mRecycled[sizeClass] != nullptr) {
        // A block given back during the build: it still holds its reference.
        block = static_cast<char*>(mRecycled[sizeClass]);
        ZEQ_UNPOISON(block, sizeof(void*));
        mRecycled[sizeClass] = *reinterpret_cast<void**>(block);
        --mRecycledCount;
    } else {
        if (static_cast<std::size_t>(mEnd - mNext) < need && !Grow())
            return nullptr;
        block = mNext;
        mNext += need;
        mUsed += need;
        ++mBalance;
    }
#ifdef ZEQ_ARENA_ASAN
    ZEQ_UNPOISON(block, kBlockHeader);  // the size stays readable; the gap after stays poisoned
    *reinterpret_cast<std::size_t*>(block) = size;
    block += kBlockHeader;
#endif
    ZEQ_UNPOISON(block, size);
    return block;
}

void ZEQArena::FreeArenaBlock(void* p) noexcept {
    ZEQArena* arena = ChunkOf(p)->arena;
#ifdef ZEQ_ARENA_ASAN
    const std::size_t size = *reinterpret_cast<std::size_t*>(static_cast<char*>(p) - kBlockHeader);
    ZEQ_POISON(p, size);
#endif
    // The thread with the arena in scope settles its count when the scope ends; any other
    // drops the block's reference now.
    if (arena == tCurrent)
        --arena->mBalance;
    else
        arena->Release();
}

void ZEQArena::DeleteSized(void* p, std::size_t size) noexcept {
    if (!Owns(p)) {
        ::operator delete(p);
        return;
    }
    ZEQArena* arena = ChunkOf(p)->arena;
    const std::size_t sizeClass = Footprint(size) / kAlign;
    if (arena != tCurrent || !arena->mRecycle || sizeClass >= kSizeClasses) {
        FreeArenaBlock(p);
        return;
    }
    // Freed by the thread that is building in this arena: the block is kept for the next
    // allocation of its size (the parse's temporary lists and strings come and go).
    char* block = static_cast<char*>(p) - kBlockHeader;
    ZEQ_POISON(block, Footprint(size));
    ZEQ_UNPOISON(block, sizeof(void*));
    *reinterpret_cast<void**>(block) = arena->mRecycled[sizeClass];
    ZEQ_POISON(block, sizeof(void*));
    arena->mRecycled[sizeClass] = block;
    ++arena->mRecycledCount;
}

void* ZEQArena::NewBlock(std::size_t size) noexcept {
    ZEQArena* arena = tCurrent;
    if (arena == nullptr || size > kLargest)
        return ::operator new(size, std::nothrow);
    if (!ZEQPlatformAllocationAllowed())
        return nullptr;
    void* block = arena->Allocate(size);
    return block != nullptr ? block : ::operator new(size, std::nothrow);
}

void* ZEQArena::AllocateInCurrent(std::size_t size) noexcept {
    ZEQArena* arena = tCurrent;
    return arena != nullptr && size <= kLargest ? arena->Allocate(size) : nullptr;
}

bool ZEQArena::ForgetInTeardown(const ZEQArena* arena, std::size_t count) noexcept {
    if (arena == nullptr || arena != tCurrent || tCurrent->mRecycle)
        return false;
    tCurrent->mBalance -= static_cast<int64_t>(count);
    return true;
}

void ZEQArena::DeleteBlock(void* p) noexcept {
    if (Owns(p))
        FreeArenaBlock(p);
    else
        ::operator delete(p);
}

void* ZEQArena::Malloc(std::size_t size) noexcept {
    ZEQArena* arena = tCurrent;
    if (arena == nullptr || size > kLargest)
        return std::malloc(size);
    if (!ZEQPlatformAllocationAllowed())
        return nullptr;
    void* block = arena->Allocate(size);
    return block != nullptr ? block : std::malloc(size);
}

void ZEQArena::Free(void* p) noexcept {
    if (Owns(p))
        FreeArenaBlock(p);
    else
        std::free(p);
}
