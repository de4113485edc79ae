// PPDXKeywordIndex: exact-keyword index of a model container.
#include "PPDObjects/PPDXKeywordIndex.h"

#include <new>

#include "PPDObjects/PPDXElement.h"

void PPDXKeywordIndex::Add(const Entry& entry) {
    const char* keyword = entry.element != nullptr ? entry.element->Keyword() : nullptr;
    if (keyword == nullptr || !mUsable) {
        return;
    }
    try {
        mEntries[keyword].push_back(entry);
    } catch (const std::bad_alloc&) {
        // Out of memory: drop the index rather than give answers that miss entries.
        mUsable = false;
        mEntries.clear();
    }
}

const std::vector<PPDXKeywordIndex::Entry>* PPDXKeywordIndex::Lookup(const char* keyword) const {
    if (keyword == nullptr) {
        return nullptr;
    }
    auto found = mEntries.find(keyword);
    return found != mEntries.end() ? &found->second : nullptr;
}
