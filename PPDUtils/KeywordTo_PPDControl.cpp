// The keyword-to-control index of the vendor parser.
#include "PPDUtils/KeywordTo_PPDControl.h"

#include "platform/ZEQArena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Byte-wise keyword order; a pair without a keyword is never ordered before another.
bool keywordLess(const KeywordTo_PPDControl::Entry& a, const KeywordTo_PPDControl::Entry& b) {
    if (a.first == nullptr) {
        return false;
    }
    if (b.first == nullptr) {
        return true;
    }
    return strcmp(a.first, b.first) < 0;
}

// A pair with the first 16 bytes of its keyword as two big-endian numbers (zero after the end
// of the text): comparing the numbers orders the keywords as strcmp does as far as those bytes
// go, without reaching into the keyword itself, which lies somewhere in the model's memory.
struct SortKey {
    uint64_t high;
    uint64_t low;
    KeywordTo_PPDControl::Entry entry;
};

SortKey KeyOf(const KeywordTo_PPDControl::Entry& entry) {
    SortKey key{0, 0, entry};
    if (entry.first != nullptr) {
        unsigned char bytes[16] = {};
        std::memcpy(bytes, entry.first, strnlen(entry.first, sizeof bytes));
        for (int i = 0; i < 8; ++i) {
            key.high = (key.high << 8) | bytes[i];
            key.low = (key.low << 8) | bytes[8 + i];
        }
    }
    return key;
}

bool KeyLess(const SortKey& a, const SortKey& b) {
    if (a.entry.first == nullptr || b.entry.first == nullptr) {
        return keywordLess(a.entry, b.entry);
    }
    if (a.high != b.high) {
        return a.high < b.high;
    }
    if (a.low != b.low) {
        return a.low < b.low;
    }
    // The first 16 bytes are the same: when they hold the end of one keyword they hold the end
    // of both, and the keywords are equal; otherwise the rest decides.
    if ((a.low & 0xFF) == 0) {
        return false;
    }
    return strcmp(a.entry.first + 16, b.entry.first + 16) < 0;
}

}  // namespace

KeywordTo_PPDControl::KeywordTo_PPDControl() : mEntries(), mSorted(true) {}

KeywordTo_PPDControl::~KeywordTo_PPDControl() {
    DeleteKeyVector();
}

void KeywordTo_PPDControl::insert(const char* keyword, PPDXControl* control) {
    char* copy = nullptr;
    if (keyword != nullptr) {
        size_t n = strlen(keyword);
        // In the model's arena while a model is being built (the index goes with the model).
        copy = static_cast<char*>(ZEQArena::NewBlock(n + 1));
        if (copy == nullptr) {
            return;
        }
        memcpy(copy, keyword, n + 1);
    }
    try {
        mEntries.emplace_back(copy, control);
    } catch (const std::bad_alloc&) {
        // The array could not grow: the pair is dropped and its copy released.
        ZEQArena::DeleteBlock(copy);
        return;
    }
    mSorted = false;
}

void KeywordTo_PPDControl::EndInsertion() {
    // std::sort is the introspective sort: unstable, equal keywords keep no defined order. The
    // pairs are sorted by their keys when there is memory for them, else by the keywords.
    const size_t count = mEntries.size();
    std::unique_ptr<SortKey[]> keys(new (std::nothrow) SortKey[count]);
    if (keys == nullptr) {
        std::sort(mEntries.begin(), mEntries.end(), keywordLess);
    } else {
        for (size_t i = 0; i < count; ++i) {
            keys[i] = KeyOf(mEntries[i]);
        }
        std::sort(keys.get(), keys.get() + count, KeyLess);
        for (size_t i = 0; i < count; ++i) {
            mEntries[i] = keys[i].entry;
        }
    }
    mSorted = true;
}

PPDXControl* KeywordTo_PPDControl::Lookup(const char* keyword) const {
    if (keyword == nullptr) {
        return nullptr;
    }
    Entry probe(const_cast<char*>(keyword), nullptr);
    auto found = std::lower_bound(mEntries.begin(), mEntries.end(), probe, keywordLess);
    if (found == mEntries.end() || found->first == nullptr || strcmp(found->first, keyword) != 0) {
        return nullptr;
    }
    return found->second;
}

const char* KeywordTo_PPDControl::Lookup(const PPDXControl* control) const {
    // Only the dump and the constraint queries ask this way; a walk is enough.
    for (const Entry& entry : mEntries) {
        if (entry.second == control) {
            return entry.first;
        }
    }
    return nullptr;
}

const KeywordTo_PPDControl::Entry& KeywordTo_PPDControl::operator[](size_t i) const {
    static const Entry kNone(nullptr, nullptr);
    return i < mEntries.size() ? mEntries[i] : kNone;
}

void KeywordTo_PPDControl::DeleteKeyVector() {
    for (Entry& entry : mEntries) {
        ZEQArena::DeleteBlock(entry.first);
        entry.first = nullptr;
    }
    std::vector<Entry>().swap(mEntries);
    mSorted = true;
}
