// PointerList, its nodes and iterators.
#include "foundation/PointerList.h"

#include <cstddef>
#include <mutex>
#include <new>

#include "platform/ZEQArena.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZEQ_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEQ_POOL_ASAN 1
#endif
#endif
#ifdef ZEQ_POOL_ASAN
#include <sanitizer/asan_interface.h>
#define ZEQ_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define ZEQ_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define ZEQ_POISON(p, n) ((void)(p), (void)(n))
#define ZEQ_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// The nodes of every list come from slabs: blocks of kSlabSize bytes, aligned to their size so
// that a node finds its slab by masking its address. A model has one node per entry of every
// list (hundreds of thousands for a large file); one heap block for each of them cost a malloc
// and a free per entry and 16 bytes of overhead per node.
//
// One pool serves every thread, under a mutex: lists are built on one thread and may be
// destroyed on another, and a node must go back to the slab it came from. Slabs with room are
// kept on a list and the most recently freed-into slab is filled first; a slab is returned to
// the heap as soon as none of its nodes is in use, so the pool holds no memory of its own
// when no list has entries (and nothing is left behind at exit).
constexpr std::size_t kSlabSize = 8192;

union FreeNode {
    FreeNode* next;
    alignas(PNode) unsigned char storage[sizeof(PNode)];
};

struct Slab {
    Slab* prev;  // on the list of slabs with room
    Slab* next;
    FreeNode* free;   // nodes given back
    uint32_t used;    // nodes handed out and not yet given back
    uint32_t carved;  // nodes ever handed out from fresh storage
    bool hasRoom;     // on the list of slabs with room
};

constexpr std::size_t kFirstNode =
    (sizeof(Slab) + alignof(FreeNode) - 1) / alignof(FreeNode) * alignof(FreeNode);
constexpr uint32_t kNodesPerSlab =
    static_cast<uint32_t>((kSlabSize - kFirstNode) / sizeof(FreeNode));

std::mutex gPoolMutex;
Slab* gRoom = nullptr;  // slabs with at least one node free

Slab* SlabOf(void* node) {
    return reinterpret_cast<Slab*>(reinterpret_cast<uintptr_t>(node) & ~(kSlabSize - 1));
}

void LinkRoom(Slab* s) {
    s->prev = nullptr;
    s->next = gRoom;
    if (gRoom)
        gRoom->prev = s;
    gRoom = s;
    s->hasRoom = true;
}

void UnlinkRoom(Slab* s) {
    if (s->prev)
        s->prev->next = s->next;
    else
        gRoom = s->next;
    if (s->next)
        s->next->prev = s->prev;
    s->prev = s->next = nullptr;
    s->hasRoom = false;
}

// A list whose nodes did not all come from one arena.
const void* const kNodesFromHeap = &kNodesFromHeap;

// Storage for one node; null when no slab can be allocated. `source` is the arena it came
// from, or kNodesFromHeap.
void* AllocateNode(const void*& source) {
    // While a model is being built its lists' nodes come from the model's arena.
    if (void* node = ZEQArena::AllocateInCurrent(sizeof(FreeNode))) {
        source = ZEQArena::Current();
        return node;
    }
    source = kNodesFromHeap;
    std::lock_guard<std::mutex> lock(gPoolMutex);
    Slab* s = gRoom;
    if (!s) {
        void* block = ::operator new(kSlabSize, std::align_val_t(kSlabSize), std::nothrow);
        if (!block)
            return nullptr;
        s = static_cast<Slab*>(block);
        s->free = nullptr;
        s->used = 0;
        s->carved = 0;
        ZEQ_POISON(reinterpret_cast<unsigned char*>(s) + kFirstNode, kSlabSize - kFirstNode);
        LinkRoom(s);
    }
    void* node;
    if (s->free) {
        FreeNode* f = s->free;
        ZEQ_UNPOISON(f, sizeof(FreeNode));
        s->free = f->next;
        node = f;
    } else {
        node = reinterpret_cast<unsigned char*>(s) + kFirstNode + s->carved * sizeof(FreeNode);
        ZEQ_UNPOISON(node, sizeof(FreeNode));
        ++s->carved;
    }
    ++s->used;
    if (s->free == nullptr && s->carved == kNodesPerSlab)
        UnlinkRoom(s);
    return node;
}

void FreeNodeStorage(void* node) {
    if (ZEQArena::Owns(node)) {
        ZEQArena::DeleteSized(node, sizeof(FreeNode));
        return;
    }
    std::lock_guard<std::mutex> lock(gPoolMutex);
    Slab* s = SlabOf(node);
    if (--s->used == 0) {
        // Wholly free: back to the heap.
        if (s->hasRoom)
            UnlinkRoom(s);
        ZEQ_UNPOISON(reinterpret_cast<unsigned char*>(s) + kFirstNode, kSlabSize - kFirstNode);
        ::operator delete(s, std::align_val_t(kSlabSize));
        return;
    }
    FreeNode* f = static_cast<FreeNode*>(node);
    f->next = s->free;
    s->free = f;
    ZEQ_POISON(f, sizeof(FreeNode));
    if (!s->hasRoom)
        LinkRoom(s);
}

}  // namespace

PNode::PNode() : mData(nullptr), mPrev(nullptr), mNext(nullptr) {}

PNode::PNode(const void* data, PNode* prev, PNode* next) : mData(data), mPrev(prev), mNext(next) {}

PNode::~PNode() {
    mPrev = nullptr;
    mNext = nullptr;
}

PointerList::PointerList() {
    Initialize();
}

PointerList::PointerList(const PointerList& other) {
    Initialize();
    *this = other;
}

PointerList& PointerList::operator=(const PointerList& other) {
    if (this == &other) {
        return *this;
    }
    MakeEmpty();
    for (ConstPointerListItr it = other.Begin(); it != other.End(); ++it) {
        PushBack(*it);
    }
    return *this;
}

PointerList::~PointerList() {
    MakeEmpty();
}

// The sentinels are members of the list rather than two allocations of their own: an empty
// list, of which a model has many (the flags of every control, the kind lists of every
// container), then costs no heap block at all.
void PointerList::Initialize() {
    mCount = 0;
    mNodeSource = kNodesFromHeap;
    mHead = &mHeadNode;
    mTail = &mTailNode;
    mHead->mPrev = nullptr;
    mHead->mNext = mTail;
    mTail->mPrev = mHead;
    mTail->mNext = nullptr;
}

void* PointerList::Front() const {
    return mCount == 0 ? nullptr : *Begin();
}

void* PointerList::Back() const {
    return mCount == 0 ? nullptr : *(--End());
}

PointerListItr PointerList::InsertBefore(PointerListItr pos, const void* data) {
    PNode* next = pos.mNode;
    if (next == nullptr) {
        return PointerListItr();
    }
    const void* source = nullptr;
    void* storage = AllocateNode(source);
    if (storage == nullptr) {
        return PointerListItr();
    }
    if (mCount == 0)
        mNodeSource = source;
    else if (mNodeSource != source)
        mNodeSource = kNodesFromHeap;
    PNode* node = new (storage) PNode(data, next->mPrev, next);
    next->mPrev->mNext = node;
    next->mPrev = node;
    ++mCount;
    return PointerListItr(node);
}

PointerListItr PointerList::PushBack(const void* data) {
    return InsertBefore(End(), data);
}

PointerListItr PointerList::PushFront(const void* data) {
    return InsertBefore(Begin(), data);
}

PointerListItr PointerList::Erase(PointerListItr pos) {
    PNode* node = pos.mNode;
    if (node == nullptr) {
        return Begin();
    }
    if (node->mPrev == nullptr || node->mNext == nullptr) {
        // A sentinel (head has no prev, tail no next) is never erased.
        return End();
    }
    PNode* next = node->mNext;
    node->mPrev->mNext = next;
    next->mPrev = node->mPrev;
    node->~PNode();
    FreeNodeStorage(node);
    --mCount;
    return PointerListItr(next);
}

PointerListItr PointerList::Erase(PointerListItr first, PointerListItr last) {
    // Stops at a sentinel too, so that a range that never meets last cannot run away.
    while (first != last && first.mNode != nullptr && first.mNode->mNext != nullptr) {
        first = Erase(first);
    }
    return last;
}

void PointerList::PopFront() {
    if (mCount != 0) {
        Erase(Begin());
    }
}

void PointerList::PopBack() {
    if (mCount != 0) {
        Erase(--End());
    }
}

void PointerList::MakeEmpty() {
    // A model being torn down drops the nodes its arena gave this list without visiting them
    // (only the arena's count of them changes).
    if (mCount != 0 && mNodeSource != kNodesFromHeap &&
        ZEQArena::ForgetInTeardown(static_cast<const ZEQArena*>(mNodeSource), mCount)) {
        mCount = 0;
        mHead->mNext = mTail;
        mTail->mPrev = mHead;
        return;
    }
    // Every node goes: one walk frees them without relinking their neighbours one by one.
    PNode* node = mHead->mNext;
    while (node != mTail && node != nullptr) {
        PNode* next = node->mNext;
        node->~PNode();
        FreeNodeStorage(node);
        node = next;
    }
    mCount = 0;
    mHead->mNext = mTail;
    mTail->mPrev = mHead;
}
