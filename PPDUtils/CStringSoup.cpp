// The string pool and the process-wide constraint string pool.
#include "PPDUtils/CStringSoup.h"

#include <new>

CStringSoup* gConstraintStrings = nullptr;

CStringSoup::CStringSoup() : mStrings(), mIndex() {}

CStringSoup::~CStringSoup() {
    Clear();
}

long CStringSoup::Insert(const char* text) {
    if (text == nullptr) {
        return -1;
    }
    long found = Find(text);
    if (found >= 0) {
        return found;
    }
    // The pool is process-wide and outlives the model being parsed: its strings stay out of
    // the model's arena.
    ZEQArena::Scope heap(nullptr);
    CString* string = new (std::nothrow) CString(text);
    if (string == nullptr || static_cast<const char*>(*string) == nullptr) {
        delete string;
        return -1;
    }
    try {
        mStrings.push_back(string);
    } catch (const std::bad_alloc&) {
        delete string;
        return -1;
    }
    long number = size() - 1;
    try {
        mIndex.emplace(std::string_view(*string, string->Size()), number);
    } catch (const std::bad_alloc&) {
        // Without its index entry the string could never be found: take it back out.
        mStrings.pop_back();
        delete string;
        return -1;
    }
    return number;
}

const char* CStringSoup::Find(long number) {
    if (number < 0 || static_cast<size_t>(number) >= mStrings.size()) {
        return nullptr;
    }
    return *mStrings[static_cast<size_t>(number)];
}

long CStringSoup::Find(const char* text) {
    if (text == nullptr || mStrings.empty()) {
        return -1;
    }
    auto found = mIndex.find(std::string_view(text));
    return found != mIndex.end() ? found->second : -1;
}

void CStringSoup::Clear() {
    mIndex.clear();
    for (CString* string : mStrings) {
        delete string;
    }
    mStrings.clear();
}

long CStringSoup::size() {
    return static_cast<long>(mStrings.size());
}
