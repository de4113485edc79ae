// PPDXKeywordIndex: the exact-keyword index of a model container, answering what a walk from
// the first entry would answer (the first entry in insertion order with that keyword).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/PointerList.h"

class PPDXElement;

class PPDXKeywordIndex {
public:
    struct Entry {
        PPDXElement* element;
        PointerListItr position;      // node of the element in the container's main list
        int kind;                     // the kind list it was filed in (container's own numbering)
        PointerListItr kindPosition;  // node in that kind list
    };

    // Records `entry` under the element's keyword; elements without a keyword are not kept.
    // When memory runs out the index gives up and reports itself unusable.
    void Add(const Entry& entry);
    // The first entry with exactly that keyword, in insertion order; null when none.
    const Entry* Lookup(const char* keyword) const;
    // The entry after `entry` (one Lookup or NextMatch gave) with the same keyword; null when
    // none.
    const Entry* NextMatch(const Entry* entry) const;
    // False once an entry could not be recorded: the container then walks its list instead.
    bool Usable() const { return mUsable; }

private:
    // A keyword of the hash table: its hash and its first and last entry.
    struct Slot {
        uint32_t hash;
        uint32_t first;  // entry number + 1; 0 for an empty slot
        uint32_t last;
    };
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    // Containers of up to this many entries are searched entry by entry: most roll-downs
    // hold a few dozen controls, and a table for each would cost more than it saves.
    static const size_t kTableThreshold = 16;

    // Files entry number `n` into the table; the table has room.
    void Insert(uint32_t n, uint32_t hash);
    // Builds the table for every entry, with twice as many slots as needed.
    void Rebuild(size_t slotCount);
    // Moves the table to `slotCount` slots.
    void Grow(size_t slotCount);
    const Slot* FindSlot(const char* keyword, uint32_t hash) const;
    void GiveUp();

    bool mUsable = true;
    std::vector<Entry> mEntries;  // in insertion order, every one with a keyword
    std::vector<uint32_t> mSame;  // per entry, the next entry with its keyword, or kNone
    std::vector<Slot> mSlots;     // open addressing; empty while the container is small
    size_t mKeywordCount = 0;     // distinct keywords in the table
};
