// PPDXKeywordIndex: exact-keyword index of a model container. The entries are kept in one
// array in insertion order; a small container is searched in that array, a large one through
// an open-addressing table of its keywords whose slots chain the entries of each keyword.
#include "PPDObjects/PPDXKeywordIndex.h"

#include <cstring>
#include <new>

#include "PPDObjects/PPDXElement.h"

namespace {

// FNV-1a over the keyword's bytes.
uint32_t HashOf(const char* text) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        h ^= *p;
        h *= 16777619u;
    }
    return h;
}

const char* KeywordOf(const PPDXKeywordIndex::Entry& entry) {
    return entry.element->Keyword();
}

}  // namespace

void PPDXKeywordIndex::GiveUp() {
    // Out of memory: drop the index rather than give answers that miss entries.
    mUsable = false;
    std::vector<Entry>().swap(mEntries);
    std::vector<uint32_t>().swap(mSame);
    std::vector<Slot>().swap(mSlots);
    mKeywordCount = 0;
}

const PPDXKeywordIndex::Slot* PPDXKeywordIndex::FindSlot(const char* keyword, uint32_t hash) const {
    const size_t mask = mSlots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = mSlots[i];
        if (slot.first == 0)
            return &slot;
        if (slot.hash == hash && std::strcmp(KeywordOf(mEntries[slot.first - 1]), keyword) == 0)
            return &slot;
    }
}

void PPDXKeywordIndex::Insert(uint32_t n, uint32_t hash) {
    Slot* slot = const_cast<Slot*>(FindSlot(KeywordOf(mEntries[n]), hash));
    mSame[n] = kNone;
    if (slot->first == 0) {
        slot->hash = hash;
        slot->first = n + 1;
        slot->last = n;
        ++mKeywordCount;
        return;
    }
    mSame[slot->last] = n;
    slot->last = n;
}

void PPDXKeywordIndex::Rebuild(size_t slotCount) {
    mSlots.assign(slotCount, Slot{0, 0, 0});
    mSame.resize(mEntries.size());
    mKeywordCount = 0;
    for (size_t n = 0; n < mEntries.size(); ++n)
        Insert(static_cast<uint32_t>(n), HashOf(KeywordOf(mEntries[n])));
}

void PPDXKeywordIndex::Grow(size_t slotCount) {
    // The slots keep their keyword's hash and the chains of entries stay as they are: each
    // slot moves to the larger table without reading a keyword (distinct keywords never
    // compare equal, so the first empty place of its probe is its place).
    std::vector<Slot> old(slotCount, Slot{0, 0, 0});
    old.swap(mSlots);
    const size_t mask = mSlots.size() - 1;
    for (const Slot& slot : old) {
        if (slot.first == 0)
            continue;
        size_t i = slot.hash & mask;
        while (mSlots[i].first != 0)
            i = (i + 1) & mask;
        mSlots[i] = slot;
    }
}

void PPDXKeywordIndex::Add(const Entry& entry) {
    const char* keyword = entry.element != nullptr ? entry.element->Keyword() : nullptr;
    if (keyword == nullptr || !mUsable) {
        return;
    }
    try {
        if (mEntries.size() >= kNone - 1) {
            GiveUp();
            return;
        }
        mEntries.push_back(entry);
        if (mSlots.empty()) {
            if (mEntries.size() > kTableThreshold)
                Rebuild(64);
            return;
        }
        mSame.push_back(kNone);
        // At most half the slots in use, so probes stay short and always find an empty one.
        if ((mKeywordCount + 1) * 2 > mSlots.size())
            Grow(mSlots.size() * 2);
        Insert(static_cast<uint32_t>(mEntries.size() - 1), HashOf(keyword));
    } catch (const std::bad_alloc&) {
        GiveUp();
    }
}

const PPDXKeywordIndex::Entry* PPDXKeywordIndex::Lookup(const char* keyword) const {
    if (keyword == nullptr) {
        return nullptr;
    }
    if (mSlots.empty()) {
        for (const Entry& entry : mEntries)
            if (std::strcmp(KeywordOf(entry), keyword) == 0)
                return &entry;
        return nullptr;
    }
    const Slot* slot = FindSlot(keyword, HashOf(keyword));
    return slot->first != 0 ? &mEntries[slot->first - 1] : nullptr;
}

const PPDXKeywordIndex::Entry* PPDXKeywordIndex::NextMatch(const Entry* entry) const {
    if (entry == nullptr || mEntries.empty() || entry < mEntries.data() ||
        entry >= mEntries.data() + mEntries.size()) {
        return nullptr;
    }
    const size_t n = static_cast<size_t>(entry - mEntries.data());
    if (mSlots.empty()) {
        const char* keyword = KeywordOf(*entry);
        for (size_t i = n + 1; i < mEntries.size(); ++i)
            if (std::strcmp(KeywordOf(mEntries[i]), keyword) == 0)
                return &mEntries[i];
        return nullptr;
    }
    return mSame[n] != kNone ? &mEntries[mSame[n]] : nullptr;
}
