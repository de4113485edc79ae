// Collection Manager stand-in: items in insertion order in a slot vector
// (removed slots are left dead and compacted away in bulk), their bytes in one
// growing arena (items of up to 8 bytes inside their slot), an open-addressing
// index from (tag, id) to slot, and, once a slot is dead, a Fenwick tree over the live flags
// that turns slots into 1-based indices and back.
#include "platform/Collections.h"

#include "platform/AllocationHook.h"
#include "platform/MacMemory.h"
#include "platform/PodVector.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kFlatMagic = 0x5A51434C;  // 'ZQCL'
constexpr uint32_t kFlatVersion = 1;
constexpr size_t kFlatHeaderSize = 12;
constexpr size_t kFlatItemHeaderSize = 16;

// Items of up to this many bytes (flags, numbers, short texts: most items of a
// settings cache) live inside their slot; longer ones in the collection's
// arena.
constexpr size_t kInline = 8;
// The top bit of a slot's length word marks a removed slot (lengths stay below
// 2^31).
constexpr uint32_t kDeadBit = 0x80000000u;

struct Slot {
    CollectionTag tag;  // tag and id first: Find compares them as one word
    SInt32 id;
    SInt32 attributes;
    uint32_t lengthWord;  // length, plus kDeadBit once removed
    union {
        size_t offset;  // into the arena, when the length is above kInline
        uint8_t inlineBytes[kInline];
    };

    bool live() const { return (lengthWord & kDeadBit) == 0; }
    size_t Size() const { return lengthWord & ~kDeadBit; }
};

// Makes room for one more element, doubling the capacity when full (reserving
// one more each time would copy the whole vector on every append).
template <typename V>
void Grow(V& v) {
    if (v.size() == v.capacity()) {
        v.reserve(v.capacity() < 16 ? 16 : v.capacity() * 2);
    }
}

uint64_t Key(CollectionTag tag, SInt32 id) {
    return (static_cast<uint64_t>(tag) << 32) | static_cast<uint32_t>(id);
}

// The first eight bytes of a slot holding (tag, id), as one word.
uint64_t HeadWord(CollectionTag tag, SInt32 id) {
    if constexpr (std::endian::native == std::endian::little) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(id)) << 32) | tag;
    } else {
        return (static_cast<uint64_t>(tag) << 32) | static_cast<uint32_t>(id);
    }
}

void PutU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Open-addressing table from (tag, id) to slot number. The slots hold the keys, so an entry
// holds only the slot number (plus one; 0 is an empty entry, kRemoved an erased one) and the
// 32 hash bits of the key (its Spot): a probe passes other keys without reading their slots, and
// growing the table re-files the entries without reading any slot. No allocation per item;
// growth is the only allocation.
class SlotIndex {
public:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    static uint64_t Hash(uint64_t key) {
        key ^= key >> 31;
        key *= 0x9E3779B97F4A7C15ull;
        return key ^ (key >> 29);
    }

    // Where a key's probe starts, and the hash bits its entry keeps. Keys of one tag whose ids
    // differ only in the low three bits start in the same run of eight entries (one cache
    // line), at the place of their low bits: a cache is written and read id after id, tag by
    // tag, so most probes find their line already in the cache.
    static uint32_t Spot(uint64_t key) {
        return static_cast<uint32_t>((Hash(key >> 3) << 3) | (key & 7));
    }

    size_t Find(const PodVector<Slot>& slots, uint64_t key) const {
        if (mTable.empty()) {
            return kNone;
        }
        const uint32_t hash = Spot(key);
        const size_t mask = mTable.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Entry entry = mTable[i];
            if (entry.slot == 0) {
                return kNone;
            }
            if (entry.hash == hash && entry.slot != kRemoved &&
                Key(slots[entry.slot - 1].tag, slots[entry.slot - 1].id) == key) {
                return entry.slot - 1;
            }
        }
    }

    // Room for `count` keys in all; throws std::bad_alloc, changing nothing, without memory.
    void Reserve(size_t count) {
        if (count >= kRemoved - 1) {
            throw std::bad_alloc();
        }
        // At most 7/10 of the entries in use (erased ones included): probes stay short, and the
        // table of a million-item collection takes 16 MB rather than twice that.
        if (!mTable.empty() && (count + mRemoved) * 10 < mTable.size() * 7) {
            return;
        }
        size_t size = 16;
        while (size * 7 < count * 10 + 10) {
            size *= 2;
        }
        PodVector<Entry> table;
        table.assign_zeroed(size);  // an empty entry is all zero
        const size_t mask = size - 1;
        for (Entry entry : mTable) {
            if (entry.slot != 0 && entry.slot != kRemoved) {
                size_t i = entry.hash & mask;
                while (table[i].slot != 0) {
                    i = (i + 1) & mask;
                }
                table[i] = entry;
            }
        }
        mTable.swap(table);
        mRemoved = 0;
    }

    // The slot of `key` when it is there; otherwise files `slot` (which the caller then fills
    // with that key) under it and returns kNone. Reserve made room.
    size_t FindOrInsert(const PodVector<Slot>& slots, uint64_t key, size_t slot) {
        const uint32_t hash = Spot(key);
        const size_t mask = mTable.size() - 1;
        size_t freeAt = kNone;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Entry entry = mTable[i];
            if (entry.slot == 0) {
                if (freeAt == kNone) {
                    freeAt = i;
                }
                break;
            }
            if (entry.slot == kRemoved) {
                if (freeAt == kNone) {
                    freeAt = i;
                }
            } else if (entry.hash == hash &&
                       Key(slots[entry.slot - 1].tag, slots[entry.slot - 1].id) == key) {
                return entry.slot - 1;
            }
        }
        if (mTable[freeAt].slot == kRemoved) {
            --mRemoved;
        }
        mTable[freeAt] = Entry{static_cast<uint32_t>(slot + 1), hash};
        ++mUsed;
        return kNone;
    }

    // Adds a key that is not in the table yet; Reserve made room.
    void Insert(uint64_t key, size_t slot) {
        const uint32_t hash = Spot(key);
        const size_t mask = mTable.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            if (mTable[i].slot == 0 || mTable[i].slot == kRemoved) {
                if (mTable[i].slot == kRemoved) {
                    --mRemoved;
                }
                mTable[i] = Entry{static_cast<uint32_t>(slot + 1), hash};
                ++mUsed;
                return;
            }
        }
    }

    void Erase(const PodVector<Slot>& slots, uint64_t key) {
        if (mTable.empty()) {
            return;
        }
        const uint32_t hash = Spot(key);
        const size_t mask = mTable.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Entry entry = mTable[i];
            if (entry.slot == 0) {
                return;
            }
            if (entry.hash == hash && entry.slot != kRemoved &&
                Key(slots[entry.slot - 1].tag, slots[entry.slot - 1].id) == key) {
                mTable[i].slot = kRemoved;
                --mUsed;
                ++mRemoved;
                return;
            }
        }
    }

    // Takes back the entry FindOrInsert just filed for `slot` under `key`.
    void Unfile(uint64_t key, size_t slot) {
        const size_t mask = mTable.size() - 1;
        for (size_t i = Spot(key) & mask;; i = (i + 1) & mask) {
            if (mTable[i].slot == slot + 1) {
                mTable[i].slot = kRemoved;
                --mUsed;
                ++mRemoved;
                return;
            }
        }
    }

    // Files every slot of a table that is empty and has room for them all, looking a few slots
    // ahead so that the entries' cache lines are on their way before they are needed (a
    // million-item table is far bigger than the cache). False, with the table left partly
    // filled, at the first key that is there twice.
    bool FileAllOnce(const PodVector<Slot>& slots) {
        constexpr size_t kAhead = 16;
        const size_t mask = mTable.size() - 1;
        for (size_t n = 0; n < slots.size(); ++n) {
            if (n + kAhead < slots.size()) {
                const Slot& later = slots[n + kAhead];
                __builtin_prefetch(&mTable[Spot(Key(later.tag, later.id)) & mask], 1);
            }
            const uint64_t key = Key(slots[n].tag, slots[n].id);
            const uint32_t hash = Spot(key);
            for (size_t i = hash & mask;; i = (i + 1) & mask) {
                const Entry entry = mTable[i];
                if (entry.slot == 0) {
                    mTable[i] = Entry{static_cast<uint32_t>(n + 1), hash};
                    ++mUsed;
                    break;
                }
                if (entry.hash == hash &&
                    Key(slots[entry.slot - 1].tag, slots[entry.slot - 1].id) == key) {
                    return false;
                }
            }
        }
        return true;
    }

    // Files the live slots again in the table as it is (which has room for them): no memory.
    void Rebuild(const PodVector<Slot>& slots) {
        Clear();
        for (size_t n = 0; n < slots.size(); ++n) {
            if (slots[n].live()) {
                Insert(Key(slots[n].tag, slots[n].id), n);
            }
        }
    }

    void Clear() {
        mTable.fill_zero();
        mUsed = 0;
        mRemoved = 0;
    }
    size_t Size() const { return mUsed; }
    void Swap(SlotIndex& other) {
        mTable.swap(other.mTable);
        std::swap(mUsed, other.mUsed);
        std::swap(mRemoved, other.mRemoved);
    }

private:
    static constexpr uint32_t kRemoved = 0xFFFFFFFFu;

    struct Entry {
        uint32_t slot;  // slot number plus one; 0 empty, kRemoved erased
        uint32_t hash;  // Spot of the key (table sizes stay below 2^32)
    };

    PodVector<Entry> mTable;  // a power of two in size, at most 7/10 in use
    size_t mUsed = 0;
    size_t mRemoved = 0;
};

}  // namespace

struct OpaqueCollection;

namespace {
// Every call that may change the items forgets the remembered flattened size first.
void ForgetFlatSize(OpaqueCollection* c);
}  // namespace

struct OpaqueCollection {
    PodVector<Slot> slots;  // insertion order, dead slots included
    // 1-based tree over the slots' live flags; empty while no slot is dead (indices are then
    // slots plus one), so that building and reading a collection never pays for it.
    std::vector<int32_t> fenwick;
    SlotIndex index;  // (tag, id) -> slot
    size_t live = 0;
    SInt32 defaultAttributes = kCollectionDefaultAttributes;
    // The bytes of the items longer than kInline, back to back. Replaced and
    // removed bytes stay behind as garbage until they outweigh the rest, and are
    // then dropped in one copy.
    uint8_t* arena = nullptr;
    size_t arenaUsed = 0;
    size_t arenaCapacity = 0;
    size_t arenaGarbage = 0;
    // The flattened size, kept between a save's two questions for it (its buffer's size, then
    // the check of the flatten); every change to the items forgets it.
    mutable size_t flatSize = 0;
    mutable bool flatSizeKnown = false;
    // Slot of the last item Find found: only a hint. Atomic (relaxed) because readers on
    // several threads may look items up in one collection at once.
    std::atomic<size_t> lastFound{0};
    std::atomic<uint32_t> windowMisses{0};  // look-ups in a row the scan around it missed

    OpaqueCollection() = default;
    OpaqueCollection(const OpaqueCollection&) = delete;
    OpaqueCollection& operator=(const OpaqueCollection&) = delete;
    ~OpaqueCollection() { largeblock::Free(arena, arenaCapacity); }

    const uint8_t* Bytes(const Slot& s) const {
        return s.Size() <= kInline ? s.inlineBytes : arena + s.offset;
    }

    // Room for `more` further arena bytes; false (nothing changed) without
    // memory.
    bool ReserveArena(size_t more) {
        if (arenaCapacity - arenaUsed >= more) {
            return true;
        }
        if (more > SIZE_MAX / 2 - arenaUsed) {
            return false;
        }
        size_t capacity =
            std::max({arenaUsed + more, arenaCapacity * 2, static_cast<size_t>(4096)});
        if (!ZEQPlatformAllocationAllowed()) {
            return false;
        }
        auto* grown = static_cast<uint8_t*>(largeblock::Resize(arena, arenaCapacity, capacity));
        if (grown == nullptr) {
            return false;
        }
        arena = grown;
        arenaCapacity = capacity;
        return true;
    }

    // Stores the bytes of a fresh slot; the arena has room for them.
    void Fill(Slot& s, const void* bytes, size_t size) {
        s.lengthWord = static_cast<uint32_t>(size);
        if (size <= kInline) {
            s.offset = 0;
            if (size > 0) {
                std::memcpy(s.inlineBytes, bytes, size);
            }
        } else {
            s.offset = arenaUsed;
            std::memcpy(arena + arenaUsed, bytes, size);
            arenaUsed += size;
        }
    }

    // Gives a live slot new bytes; false (nothing changed) without memory. Bytes
    // that fit where the old ones were are written over them.
    bool Replace(Slot& s, const void* bytes, size_t size) {
        const size_t old = s.Size();
        if (size > kInline && (old <= kInline || size > old) && !ReserveArena(size)) {
            return false;
        }
        if (size > kInline && old > kInline && size <= old) {
            std::memcpy(arena + s.offset, bytes, size);
            arenaGarbage += old - size;
            s.lengthWord = static_cast<uint32_t>(size);
        } else {
            if (old > kInline) {
                arenaGarbage += old;
            }
            Fill(s, bytes, size);
        }
        DropGarbage();
        return true;
    }

    // Copies the arena without its garbage once the garbage outweighs the rest;
    // skipped (the garbage waits for the next chance) without memory.
    void DropGarbage() {
        if (arenaGarbage < 4096 || arenaGarbage < arenaUsed / 2) {
            return;
        }
        const size_t kept = arenaUsed - arenaGarbage;
        if (!ZEQPlatformAllocationAllowed()) {
            return;
        }
        auto* fresh = static_cast<uint8_t*>(largeblock::Allocate(kept, false));
        if (fresh == nullptr) {
            return;
        }
        size_t at = 0;
        for (Slot& s : slots) {
            if (s.live() && s.Size() > kInline) {
                std::memcpy(fresh + at, arena + s.offset, s.Size());
                s.offset = at;
                at += s.Size();
            }
        }
        largeblock::Free(arena, arenaCapacity);
        arena = fresh;
        arenaUsed = at;
        arenaCapacity = kept == 0 ? 1 : kept;
        arenaGarbage = 0;
    }

    int32_t Prefix(size_t position) const {
        int32_t sum = 0;
        for (size_t i = position; i > 0; i -= i & (~i + 1)) {
            sum += fenwick[i];
        }
        return sum;
    }

    void AddAt(size_t position, int32_t delta) {
        for (size_t i = position; i < fenwick.size(); i += i & (~i + 1)) {
            fenwick[i] += delta;
        }
    }

    // Slot -> 1-based index.
    SInt32 IndexOfSlot(size_t slot) const {
        return static_cast<SInt32>(fenwick.empty() ? slot + 1 : Prefix(slot + 1));
    }

    // 1-based index -> slot; slots.size() when out of range.
    size_t SlotOfIndex(SInt32 itemIndex) const {
        if (itemIndex < 1 || static_cast<size_t>(itemIndex) > live) {
            return slots.size();
        }
        if (live == slots.size()) {
            return static_cast<size_t>(itemIndex) - 1;  // no dead slot: indices are slots
        }
        size_t n = fenwick.size() - 1;
        size_t step = 1;
        while (step * 2 <= n) {
            step *= 2;
        }
        size_t position = 0;
        int32_t remaining = itemIndex;
        for (; step > 0; step /= 2) {
            if (position + step <= n && fenwick[position + step] < remaining) {
                position += step;
                remaining -= fenwick[position];
            }
        }
        return position;  // the slot at 1-based position + 1
    }

    [[gnu::always_inline]] Slot* Find(CollectionTag tag, SInt32 id, size_t* slotOut = nullptr) {
        const uint64_t key = Key(tag, id);
        // A settings cache is read back object by object in about the order it was written:
        // a field is asked for twice (its size, then its bytes), some are read a few places
        // early or late, and a reader looks an object's kind up a few items ahead before it
        // goes back for the object's fields. So the slots around the one found last are tried
        // before the index (sequential memory, where the index costs a cache miss or two). Live
        // keys are unique, so a slot that matches is the answer whatever happened since; a stale
        // hint only costs the index.
        size_t found = SlotIndex::kNone;
        const size_t last = lastFound.load(std::memory_order_relaxed);
        // Readers that jump about would pay for the scan on every look-up: after four look-ups
        // in a row that it would not have served, it waits until one lands near the one
        // before again.
        constexpr size_t kAhead = 9, kBehind = 8;
        constexpr uint32_t kPatience = 4;
        const uint32_t misses = windowMisses.load(std::memory_order_relaxed);
        if (misses < kPatience) {
            // A slot's tag and id are its first eight bytes: one load and one comparison a slot.
            // The word is put together in registers: written to memory as two halves and read
            // back whole, it would wait for the halves on every look-up.
            const uint64_t wanted = HeadWord(tag, id);
            const auto matches = [this, wanted](size_t s) {
                uint64_t head;
                std::memcpy(&head, &slots[s], sizeof head);
                return head == wanted && slots[s].live();
            };
            const size_t end = std::min(slots.size(), last + kAhead + 1);
            for (size_t s = last; s < end; ++s) {  // forward first: the usual case
                if (matches(s)) {
                    found = s;
                    break;
                }
            }
            for (size_t back = 1; found == SlotIndex::kNone && back <= kBehind && back <= last;
                 ++back) {
                if (last - back < slots.size() && matches(last - back)) {
                    found = last - back;
                }
            }
        }
        if (found == SlotIndex::kNone) {
            found = index.Find(slots, key);
        }
        const bool near =
            found != SlotIndex::kNone && found + kBehind >= last && found <= last + kAhead;
        if (near != (misses == 0) || (!near && misses < kPatience)) {
            windowMisses.store(near ? 0 : misses + 1, std::memory_order_relaxed);
        }
        if (found == SlotIndex::kNone) {
            return nullptr;
        }
        lastFound.store(found, std::memory_order_relaxed);
        if (slotOut != nullptr) {
            *slotOut = found;
        }
        return &slots[found];
    }

    // Appends a live item. Reserves first, so that running out of memory (false,
    // or std::bad_alloc from a vector) leaves everything unchanged.
    bool Append(CollectionTag tag, SInt32 id, SInt32 attributes, const void* bytes, size_t size) {
        if (!ReserveOne(size)) {
            return false;
        }
        // Nothing below allocates.
        index.Insert(Key(tag, id), slots.size());
        PushSlot(tag, id, attributes, bytes, size);
        return true;
    }

    // Room for one more item of `size` bytes: false, or std::bad_alloc from a vector, without
    // memory; nothing that is there changes either way.
    bool ReserveOne(size_t size) {
        Grow(slots);
        if (!fenwick.empty()) {
            Grow(fenwick);
        }
        index.Reserve(index.Size() + 1);
        return size <= kInline || ReserveArena(size);
    }

    // Appends a live slot whose key the index already holds; ReserveOne made room.
    void PushSlot(CollectionTag tag, SInt32 id, SInt32 attributes, const void* bytes, size_t size) {
        Slot s;
        s.tag = tag;
        s.id = id;
        s.attributes = attributes;
        Fill(s, bytes, size);
        slots.push_back(s);
        if (!fenwick.empty()) {
            size_t n = slots.size();
            size_t low = n & (~n + 1);
            fenwick.push_back(1 + Prefix(n - 1) - Prefix(n - low));
        }
        ++live;
    }

    // Removes a live slot; false (nothing changed) when the index tree the first dead slot
    // needs cannot be had.
    bool RemoveSlot(size_t slot) {
        if (fenwick.empty()) {
            try {
                RebuildTree();
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        Slot& s = slots[slot];
        index.Erase(slots, Key(s.tag, s.id));
        if (s.Size() > kInline) {
            arenaGarbage += s.Size();
        }
        s.lengthWord = kDeadBit;
        AddAt(slot + 1, -1);
        --live;
        size_t dead = slots.size() - live;
        if (dead > 64 && dead > live) {
            Compact();
        }
        DropGarbage();
        return true;
    }

    // Drops dead slots; rebuilds the tree and the index. Shrinking needs no
    // memory, and the index is rebuilt in place (its buckets stay), so this
    // cannot fail.
    void Compact() {
        size_t kept = 0;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (slots[i].live()) {
                slots[kept++] = slots[i];
            }
        }
        slots.truncate(kept);
        index.Rebuild(slots);
        fenwick.clear();  // every slot is live again
    }

    // The tree over the slots as they are; throws std::bad_alloc without memory.
    void RebuildTree() {
        fenwick.assign(slots.size() + 1, 0);
        for (size_t i = 1; i <= slots.size(); ++i) {
            fenwick[i] += slots[i - 1].live() ? 1 : 0;
            size_t parent = i + (i & (~i + 1));
            if (parent <= slots.size()) {
                fenwick[parent] += fenwick[i];
            }
        }
    }

    void Clear() {
        slots.clear();
        fenwick.clear();
        index.Clear();
        live = 0;
        arenaUsed = 0;
        arenaGarbage = 0;
    }

    // Copy of the live items into `into` (which must be empty), with `extraItems`
    // and `extraBytes` more room for items to come; false without memory.
    bool CopyInto(OpaqueCollection& into, size_t extraItems = 0, size_t extraBytes = 0) const {
        const size_t bytes = arenaUsed - arenaGarbage;
        if (extraBytes > SIZE_MAX / 2 - bytes || !into.ReserveArena(bytes + extraBytes)) {
            return false;
        }
        try {
            if (!ZEQPlatformAllocationAllowed()) {
                return false;
            }
            into.slots.reserve(live + extraItems);
            into.index.Reserve(live + extraItems);
        } catch (const std::bad_alloc&) {
            return false;
        }
        // Nothing below allocates.
        for (const Slot& s : slots) {
            if (s.live()) {
                Slot copy = s;
                into.Fill(copy, Bytes(s), s.Size());
                into.index.Insert(Key(s.tag, s.id), into.slots.size());
                into.slots.push_back(copy);
            }
        }
        into.live = into.slots.size();
        into.defaultAttributes = defaultAttributes;
        return true;
    }

    void Swap(OpaqueCollection& other) noexcept {
        flatSizeKnown = other.flatSizeKnown = false;
        slots.swap(other.slots);
        fenwick.swap(other.fenwick);
        index.Swap(other.index);
        std::swap(live, other.live);
        std::swap(defaultAttributes, other.defaultAttributes);
        std::swap(arena, other.arena);
        std::swap(arenaUsed, other.arenaUsed);
        std::swap(arenaCapacity, other.arenaCapacity);
        std::swap(arenaGarbage, other.arenaGarbage);
    }
};

namespace {

void ForgetFlatSize(OpaqueCollection* c) {
    if (c != nullptr) {
        c->flatSizeKnown = false;
    }
}

OSErr CopyOut(const OpaqueCollection& c, const Slot& slot, SInt32* itemSize, void* itemData) {
    size_t length = slot.Size();
    if (itemData == nullptr) {
        if (itemSize != nullptr) {
            *itemSize = static_cast<SInt32>(length);
        }
        return noErr;
    }
    if (itemSize != nullptr) {
        if (*itemSize < 0) {
            return paramErr;
        }
        if (static_cast<size_t>(*itemSize) < length) {
            length = static_cast<size_t>(*itemSize);
        }
        *itemSize = static_cast<SInt32>(length);
    }
    if (length > 0) {
        std::memcpy(itemData, c.Bytes(slot), length);
    }
    return noErr;
}

}  // namespace

Collection NewCollection(void) {
    if (!ZEQPlatformAllocationAllowed()) {
        return nullptr;
    }
    // The collection's tables may throw while they are set up: no memory is no collection.
    try {
        return new (std::nothrow) OpaqueCollection;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void DisposeCollection(Collection c) {
    delete c;
}

Collection CloneCollection(Collection c) {
    if (c == nullptr) {
        return nullptr;
    }
    return CopyCollection(c, nullptr);
}

Collection CopyCollection(Collection srcCollection, Collection dstCollection) {
    ForgetFlatSize(dstCollection);
    if (srcCollection == nullptr) {
        return nullptr;
    }
    if (srcCollection == dstCollection) {
        return dstCollection;
    }
    Collection fresh = NewCollection();
    if (fresh == nullptr) {
        return nullptr;
    }
    if (!srcCollection->CopyInto(*fresh)) {
        DisposeCollection(fresh);
        return nullptr;
    }
    if (dstCollection == nullptr) {
        return fresh;
    }
    dstCollection->Swap(*fresh);
    DisposeCollection(fresh);
    return dstCollection;
}

void EmptyCollection(Collection c) {
    ForgetFlatSize(c);
    if (c != nullptr) {
        c->Clear();
    }
}

SInt32 GetCollectionDefaultAttributes(Collection c) {
    return c == nullptr ? 0 : c->defaultAttributes;
}

void SetCollectionDefaultAttributes(Collection c, SInt32 whichAttributes, SInt32 newAttributes) {
    if (c != nullptr) {
        c->defaultAttributes =
            (c->defaultAttributes & ~whichAttributes) | (newAttributes & whichAttributes);
    }
}

SInt32 CountCollectionItems(Collection c) {
    return c == nullptr ? 0 : static_cast<SInt32>(c->live);
}

OSErr AddCollectionItem(Collection c, CollectionTag tag, SInt32 id, SInt32 itemSize,
                        const void* itemData) {
    ForgetFlatSize(c);
    if (c == nullptr || itemSize < 0 || (itemData == nullptr && itemSize > 0)) {
        return paramErr;
    }
    const auto size = static_cast<size_t>(itemSize);
    // Room for a new item is made first, so that one probe of the index either finds the item
    // or files the new one. Every stored item counts one allocation against the failure hook,
    // wherever its bytes go.
    try {
        if (!c->ReserveOne(size)) {
            return memFullErr;
        }
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    const size_t found = c->index.FindOrInsert(c->slots, Key(tag, id), c->slots.size());
    if (found == SlotIndex::kNone) {
        if (!ZEQPlatformAllocationAllowed()) {
            c->index.Unfile(Key(tag, id), c->slots.size());  // its slot was never made
            return memFullErr;
        }
        c->PushSlot(tag, id, c->defaultAttributes, itemData, size);
        return noErr;
    }
    Slot& existing = c->slots[found];
    if (existing.attributes & kCollectionLockMask) {
        return collectionItemLockedErr;
    }
    if (!ZEQPlatformAllocationAllowed()) {
        return memFullErr;
    }
    return c->Replace(existing, itemData, size) ? noErr : memFullErr;
}

OSErr GetCollectionItem(Collection c, CollectionTag tag, SInt32 id, SInt32* itemSize,
                        void* itemData) {
    if (c == nullptr) {
        return paramErr;
    }
    Slot* slot = c->Find(tag, id);
    if (slot == nullptr) {
        return collectionItemNotFoundErr;
    }
    return CopyOut(*c, *slot, itemSize, itemData);
}

OSErr RemoveCollectionItem(Collection c, CollectionTag tag, SInt32 id) {
    ForgetFlatSize(c);
    if (c == nullptr) {
        return paramErr;
    }
    size_t slotIndex = 0;
    Slot* slot = c->Find(tag, id, &slotIndex);
    if (slot == nullptr) {
        return collectionItemNotFoundErr;
    }
    if (slot->attributes & kCollectionLockMask) {
        return collectionItemLockedErr;
    }
    return c->RemoveSlot(slotIndex) ? noErr : memFullErr;
}

OSErr SetCollectionItemInfo(Collection c, CollectionTag tag, SInt32 id, SInt32 whichAttributes,
                            SInt32 newAttributes) {
    if (c == nullptr) {
        return paramErr;
    }
    Slot* slot = c->Find(tag, id);
    if (slot == nullptr) {
        return collectionItemNotFoundErr;
    }
    slot->attributes = (slot->attributes & ~whichAttributes) | (newAttributes & whichAttributes);
    return noErr;
}

OSErr GetCollectionItemInfo(Collection c, CollectionTag tag, SInt32 id, SInt32* itemIndex,
                            SInt32* itemSize, SInt32* attributes) {
    if (c == nullptr) {
        return paramErr;
    }
    size_t slotIndex = 0;
    Slot* slot = c->Find(tag, id, &slotIndex);
    if (slot == nullptr) {
        return collectionItemNotFoundErr;
    }
    if (itemIndex != nullptr) {
        *itemIndex = c->IndexOfSlot(slotIndex);
    }
    if (itemSize != nullptr) {
        *itemSize = static_cast<SInt32>(slot->Size());
    }
    if (attributes != nullptr) {
        *attributes = slot->attributes;
    }
    return noErr;
}

OSErr ReplaceIndexedCollectionItem(Collection c, SInt32 itemIndex, SInt32 itemSize,
                                   const void* itemData) {
    ForgetFlatSize(c);
    if (c == nullptr || itemSize < 0 || (itemData == nullptr && itemSize > 0)) {
        return paramErr;
    }
    size_t slot = c->SlotOfIndex(itemIndex);
    if (slot >= c->slots.size()) {
        return collectionIndexRangeErr;
    }
    Slot& s = c->slots[slot];
    if (s.attributes & kCollectionLockMask) {
        return collectionItemLockedErr;
    }
    if (!ZEQPlatformAllocationAllowed()) {
        return memFullErr;
    }
    return c->Replace(s, itemData, static_cast<size_t>(itemSize)) ? noErr : memFullErr;
}

OSErr GetIndexedCollectionItem(Collection c, SInt32 itemIndex, SInt32* itemSize, void* itemData) {
    if (c == nullptr) {
        return paramErr;
    }
    size_t slot = c->SlotOfIndex(itemIndex);
    if (slot >= c->slots.size()) {
        return collectionIndexRangeErr;
    }
    return CopyOut(*c, c->slots[slot], itemSize, itemData);
}

OSErr RemoveIndexedCollectionItem(Collection c, SInt32 itemIndex) {
    ForgetFlatSize(c);
    if (c == nullptr) {
        return paramErr;
    }
    size_t slot = c->SlotOfIndex(itemIndex);
    if (slot >= c->slots.size()) {
        return collectionIndexRangeErr;
    }
    if (c->slots[slot].attributes & kCollectionLockMask) {
        return collectionItemLockedErr;
    }
    return c->RemoveSlot(slot) ? noErr : memFullErr;
}

OSErr SetIndexedCollectionItemInfo(Collection c, SInt32 itemIndex, SInt32 whichAttributes,
                                   SInt32 newAttributes) {
    if (c == nullptr) {
        return paramErr;
    }
    size_t slot = c->SlotOfIndex(itemIndex);
    if (slot >= c->slots.size()) {
        return collectionIndexRangeErr;
    }
    Slot& s = c->slots[slot];
    s.attributes = (s.attributes & ~whichAttributes) | (newAttributes & whichAttributes);
    return noErr;
}

OSErr GetIndexedCollectionItemInfo(Collection c, SInt32 itemIndex, CollectionTag* tag, SInt32* id,
                                   SInt32* itemSize, SInt32* attributes) {
    if (c == nullptr) {
        return paramErr;
    }
    size_t slot = c->SlotOfIndex(itemIndex);
    if (slot >= c->slots.size()) {
        return collectionIndexRangeErr;
    }
    const Slot& s = c->slots[slot];
    if (tag != nullptr) {
        *tag = s.tag;
    }
    if (id != nullptr) {
        *id = s.id;
    }
    if (itemSize != nullptr) {
        *itemSize = static_cast<SInt32>(s.Size());
    }
    if (attributes != nullptr) {
        *attributes = s.attributes;
    }
    return noErr;
}

Boolean CollectionTagExists(Collection c, CollectionTag tag) {
    if (c == nullptr) {
        return false;
    }
    for (const Slot& s : c->slots) {
        if (s.live() && s.tag == tag) {
            return true;
        }
    }
    return false;
}

OSErr ZEQReserveCollection(Collection c, size_t items, size_t bytes) {
    if (c == nullptr) {
        return paramErr;
    }
    if (items > SIZE_MAX / 4 || bytes > SIZE_MAX / 4) {
        return memFullErr;
    }
    try {
        c->slots.reserve(c->slots.size() + items);
        if (!c->fenwick.empty()) {
            c->fenwick.reserve(c->fenwick.size() + items);
        }
        c->index.Reserve(c->index.Size() + items);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    return c->ReserveArena(bytes) ? noErr : memFullErr;
}

size_t FlattenedCollectionSize(Collection aCollection) {
    if (aCollection == nullptr) {
        return 0;
    }
    if (aCollection->flatSizeKnown) {
        return aCollection->flatSize;
    }
    size_t total = kFlatHeaderSize;
    for (const Slot& s : aCollection->slots) {
        if (s.live()) {
            total += kFlatItemHeaderSize + s.Size();
        }
    }
    aCollection->flatSize = total;
    aCollection->flatSizeKnown = true;
    return total;
}

OSErr FlattenCollectionToHdl(Collection aCollection, Handle flattened) {
    if (aCollection == nullptr) {
        return paramErr;
    }
    if (flattened == nullptr) {
        return nilHandleErr;
    }
    const size_t total = FlattenedCollectionSize(aCollection);
    SetHandleSize(flattened, static_cast<Size>(total));
    OSErr err = MemError();
    if (err != noErr) {
        return err;
    }
    return FlattenCollectionToBytes(aCollection, *flattened, total);
}

OSErr FlattenCollectionToBytes(Collection aCollection, void* bytes, size_t size) {
    if (aCollection == nullptr || bytes == nullptr ||
        size != FlattenedCollectionSize(aCollection)) {
        return paramErr;
    }
    auto* p = static_cast<uint8_t*>(bytes);
    PutU32(p, kFlatMagic);
    PutU32(p + 4, kFlatVersion);
    PutU32(p + 8, static_cast<uint32_t>(aCollection->live));
    p += kFlatHeaderSize;
    for (const Slot& s : aCollection->slots) {
        if (!s.live()) {
            continue;
        }
        PutU32(p, s.tag);
        PutU32(p + 4, static_cast<uint32_t>(s.id));
        PutU32(p + 8, static_cast<uint32_t>(s.attributes));
        const size_t length = s.Size();
        PutU32(p + 12, static_cast<uint32_t>(length));
        p += kFlatItemHeaderSize;
        if (length > 0) {
            std::memcpy(p, aCollection->Bytes(s), length);
            p += length;
        }
    }
    return noErr;
}

OSErr UnflattenCollectionFromHdl(Collection aCollection, Handle flattened) {
    if (aCollection == nullptr) {
        return paramErr;
    }
    if (flattened == nullptr) {
        return nilHandleErr;
    }
    Size handleSize = GetHandleSize(flattened);
    if (MemError() != noErr) {
        return nilHandleErr;
    }
    return UnflattenCollectionFromBytes(aCollection, *flattened, static_cast<size_t>(handleSize));
}

namespace {

// UnflattenIntoEmpty's answer for a block that names a key twice (no flatten writes that):
// the general loop takes it, the later item replacing the earlier.
constexpr OSErr kUnflattenDuplicate = 1;

// The items of a block whose header was checked (`count` items at most) into an empty
// collection; see UnflattenCollectionFromBytes.
OSErr UnflattenIntoEmpty(Collection aCollection, const uint8_t* bytes, size_t size,
                         uint32_t count) {
    OpaqueCollection result;
    if (!aCollection->CopyInto(result, count, size - kFlatHeaderSize)) {
        return memFullErr;
    }
    size_t offset = kFlatHeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        if (size - offset < kFlatItemHeaderSize) {
            return paramErr;
        }
        const uint8_t* header = bytes + offset;
        const uint32_t length = GetU32(header + 12);
        offset += kFlatItemHeaderSize;
        if (length > static_cast<uint32_t>(INT32_MAX) || size - offset < length) {
            return paramErr;
        }
        Slot s;
        s.tag = GetU32(header);
        s.id = static_cast<SInt32>(GetU32(header + 4));
        s.attributes = static_cast<SInt32>(GetU32(header + 8));
        result.Fill(s, bytes + offset, length);
        result.slots.push_back(s);
        offset += length;
    }
    if (offset != size) {
        return paramErr;  // bytes after the last item
    }
    if (!result.index.FileAllOnce(result.slots)) {
        return kUnflattenDuplicate;
    }
    result.live = result.slots.size();
    result.defaultAttributes = aCollection->defaultAttributes;
    aCollection->Swap(result);
    return noErr;
}

}  // namespace

OSErr UnflattenCollectionFromBytes(Collection aCollection, const void* flattened, size_t size) {
    ForgetFlatSize(aCollection);
    if (aCollection == nullptr || (flattened == nullptr && size > 0)) {
        return paramErr;
    }
    const auto* bytes = static_cast<const uint8_t*>(flattened);

    // Check the whole block before touching the collection, adding up the arena
    // bytes the items will need on the way.
    if (size < kFlatHeaderSize) {
        return paramErr;
    }
    if (GetU32(bytes) != kFlatMagic || GetU32(bytes + 4) != kFlatVersion) {
        return collectionVersionErr;
    }
    uint32_t count = GetU32(bytes + 8);
    size_t remaining = size - kFlatHeaderSize;
    if (count > remaining / kFlatItemHeaderSize) {
        return paramErr;
    }
    // Into an empty collection, the items are checked and laid down in one pass (the block
    // read once), with room for the whole block in the arena, and filed in the index in
    // another pass, which can look ahead. A damaged block leaves the collection as it was.
    if (aCollection->live == 0) {
        const OSErr result = UnflattenIntoEmpty(aCollection, bytes, size, count);
        if (result != kUnflattenDuplicate) {
            return result;
        }
    }
    const bool checkLocks = aCollection->live > 0;
    size_t arenaBytes = 0;
    size_t offset = kFlatHeaderSize;
    bool replacesLocked = false;
    for (uint32_t i = 0; i < count; ++i) {
        if (size - offset < kFlatItemHeaderSize) {
            return paramErr;
        }
        const uint8_t* header = bytes + offset;
        uint32_t length = GetU32(header + 12);
        if (length > static_cast<uint32_t>(INT32_MAX)) {
            return paramErr;
        }
        offset += kFlatItemHeaderSize;
        if (size - offset < length) {
            return paramErr;
        }
        if (length > kInline) {
            arenaBytes += length;  // no more than the block's size in all
        }
        if (checkLocks) {
            Slot* existing =
                aCollection->Find(GetU32(header), static_cast<SInt32>(GetU32(header + 4)));
            if (existing != nullptr && (existing->attributes & kCollectionLockMask)) {
                replacesLocked = true;
            }
        }
        offset += length;
    }
    if (offset != size) {
        return paramErr;  // bytes after the last item
    }
    if (replacesLocked) {
        return collectionItemLockedErr;
    }

    // Build the result beside the collection and swap it in, so that running out
    // of memory half way leaves the collection as it was. All the room it needs
    // is reserved first (the arena holds every item's bytes, even those a later
    // duplicate replaces), so nothing allocates once the items are being added.
    OpaqueCollection result;
    if (!aCollection->CopyInto(result, count, arenaBytes)) {
        return memFullErr;
    }
    offset = kFlatHeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* header = bytes + offset;
        CollectionTag tag = GetU32(header);
        auto id = static_cast<SInt32>(GetU32(header + 4));
        auto attributes = static_cast<SInt32>(GetU32(header + 8));
        uint32_t length = GetU32(header + 12);
        offset += kFlatItemHeaderSize;
        const size_t existing =
            result.index.FindOrInsert(result.slots, Key(tag, id), result.slots.size());
        if (existing != SlotIndex::kNone) {
            // A later item of the block replaces the earlier one: in place when it
            // fits, else appended to the arena's reserved room.
            Slot& s = result.slots[existing];
            const size_t old = s.Size();
            if (length > kInline && old > kInline && length <= old) {
                std::memcpy(result.arena + s.offset, bytes + offset, length);
                result.arenaGarbage += old - length;
                s.lengthWord = length;
            } else {
                if (old > kInline) {
                    result.arenaGarbage += old;
                }
                result.Fill(s, bytes + offset, length);
            }
            s.attributes = attributes;
        } else {
            Slot s;
            s.tag = tag;
            s.id = id;
            s.attributes = attributes;
            result.Fill(s, bytes + offset, length);
            result.slots.push_back(s);
        }
        offset += length;
    }
    result.live = result.slots.size();
    result.defaultAttributes = aCollection->defaultAttributes;
    aCollection->Swap(result);
    return noErr;
}
