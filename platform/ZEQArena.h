// ZEQArena: the bump-pointer heap a parsed model keeps its many small blocks in (objects,
// strings, list nodes), so that a parse makes no malloc per option and a model frees at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>

// A parse of a large PPD makes over a million small blocks that all live exactly as long as
// the model. The arena hands them out from 2 MiB chunks by moving a pointer; freeing one does
// nothing but drop a reference, and the chunks go back when the model and every block made in
// it are gone. Blocks are counted, not owned: a string the model made and a client retained
// keeps its chunks alive after the model is deleted, so nothing ever dangles.
//
// The chunks are carved from one address range reserved at first use, so whether a pointer is
// an arena block is two comparisons; the chunk's header names its arena. When the range cannot
// be reserved or is used up, the arena is not made (or gives no more chunks) and every caller
// falls back to the ordinary heap.
//
// Allocation is bound to one thread at a time: the thread that makes a model installs the
// arena as its current one (ZEQArena::Scope) for the duration of the parse or rebuild, and
// the allocation functions below consult it. Freeing may happen on any thread.
class ZEQArena {
public:
    // A new arena with one reference (the creator's); null when no address range is left.
    static ZEQArena* Create();
    void Retain();
    // Drops a reference; the last one returns the chunks.
    void Release();

    // The calling thread's current arena, or null.
    static ZEQArena* Current();

    // Makes `arena` (which may be null) the thread's current arena until the scope ends; the
    // previous one is put back then. Blocks freed inside the scope are reused for later blocks
    // of their size unless `recycle` is false (a model being torn down allocates nothing).
    class Scope {
    public:
        explicit Scope(ZEQArena* arena, bool recycle = true);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ZEQArena* mPrevious;
        ZEQArena* mArena;
        uint64_t mBias;
        bool mPreviousRecycle;
    };

    // Whether `p` lies in a chunk of some arena.
    static bool Owns(const void* p) {
        const uintptr_t base = sRegionBase.load(std::memory_order_relaxed);
        return reinterpret_cast<uintptr_t>(p) - base < sRegionSize && base != 0;
    }

    // Storage from the current arena when there is one (null when it is full or the
    // allocation hook refuses), else from operator new (nothrow). Freed with DeleteBlock.
    static void* NewBlock(std::size_t size) noexcept;
    static void DeleteBlock(void* p) noexcept;
    // DeleteBlock for a block whose size is known: a block freed while its arena is being
    // built in is reused for the next block of that size.
    static void DeleteSized(void* p, std::size_t size) noexcept;
    // The same over malloc and free, for blocks the model frees with free().
    static void* Malloc(std::size_t size) noexcept;
    static void Free(void* p) noexcept;

    // Storage from the current arena only: null when there is none or it is full.
    static void* AllocateInCurrent(std::size_t size) noexcept;

    // When `arena` is the thread's current arena in a tear-down scope: forgets `count` of its
    // blocks (the caller will never touch or free them) and returns true. Otherwise false.
    static bool ForgetInTeardown(const ZEQArena* arena, std::size_t count) noexcept;

    // Number of arenas alive in the process (tests check that a run leaves none behind).
    static long LiveCount();
    // Bytes handed out by this arena so far.
    std::size_t BytesUsed() const { return mUsed; }

    ZEQArena(const ZEQArena&) = delete;
    ZEQArena& operator=(const ZEQArena&) = delete;

private:
    ZEQArena() = default;
    ~ZEQArena() = default;
    // A block of `size` bytes from this arena; null when no chunk can be had.
    void* Allocate(std::size_t size) noexcept;
    bool Grow() noexcept;
    void Destroy();
    // Releases the reference a block holds on the arena of its chunk.
    static void FreeArenaBlock(void* p) noexcept;

    // Bytes a block of `size` takes in a chunk.
    static std::size_t Footprint(std::size_t size);

    static std::atomic<uintptr_t> sRegionBase;
    static constexpr std::size_t kSizeClasses = 40;  // recycled sizes: up to 312 bytes
    static constexpr uintptr_t sRegionSize = uintptr_t(16) << 30;

    std::atomic<int64_t> mRefs{1};
    char* mNext = nullptr;  // free space of the newest chunk
    char* mEnd = nullptr;
    void* mChunks = nullptr;  // newest chunk; each chunk's header links the previous one
    // While a scope is open: blocks handed out minus blocks freed on the scope's thread,
    // added to mRefs when it closes.
    int64_t mBalance = 0;
    std::size_t mRecycledCount = 0;  // blocks on the recycled lists
    bool mRecycle = true;
    std::size_t mUsed = 0;
    void* mRecycled[kSizeClasses] = {};  // blocks given back during a build, by size / 8
    friend class Scope;
};

// A class derived from ZEQArenaObject is made in the current arena when there is one (see
// above) and on the heap otherwise; delete sends each object back where it came from.
struct ZEQArenaObject {
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
        return ZEQArena::NewBlock(size);
    }
    static void* operator new(std::size_t size) {
        void* block = ZEQArena::NewBlock(size);
        if (block == nullptr)
            throw std::bad_alloc();
        return block;
    }
    static void* operator new(std::size_t, void* place) noexcept { return place; }
    static void operator delete(void* p, std::size_t size) noexcept {
        ZEQArena::DeleteSized(p, size);
    }
    static void operator delete(void*, void*) noexcept {}
};
