// The keyword-to-control index of the vendor parser.
#include "PPDUtils/KeywordTo_PPDControl.h"

#include "platform/ZEQArena.h"

#include <algorithm>
#include <cstring>
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
    // std::sort is the introspective sort: unstable, equal keywords keep no defined order.
    std::sort(mEntries.begin(), mEntries.end(), keywordLess);
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
