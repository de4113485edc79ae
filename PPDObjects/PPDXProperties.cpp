// PPDXProperties: the property pages in order, with look-up by keyword.
#include "PPDObjects/PPDXProperties.h"

#include <cstring>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXProperty.h"

PPDXProperties::PPDXProperties() {
    mCursor = mProperties.Begin();
}

PPDXProperties::~PPDXProperties() {}

void PPDXProperties::Add(PPDXProperty* property) {
    if (property == nullptr) {
        return;
    }
    PointerListItr position = mProperties.PushBack(property);
    if (position != PointerListItr()) {
        mIndex.Add(PPDXKeywordIndex::Entry{property, position, -1, PointerListItr()});
    }
}

long PPDXProperties::Count() const {
    return static_cast<long>(mProperties.Size());
}

PPDXProperty* PPDXProperties::First() {
    return static_cast<PPDXProperty*>(PPDXControl::FirstString(mCursor, mProperties));
}

PPDXProperty* PPDXProperties::Next() {
    return static_cast<PPDXProperty*>(PPDXControl::NextString(mCursor, mProperties));
}

PPDXProperty* PPDXProperties::Find(const char* keyword, const bool& exact) {
    if (keyword == nullptr) {
        return nullptr;
    }
    if (exact && mIndex.Usable()) {
        // The cursor ends where the walk would: on the match, or at the end.
        const PPDXKeywordIndex::Entry* entry = mIndex.Lookup(keyword);
        if (entry == nullptr) {
            mCursor = mProperties.End();
            return nullptr;
        }
        mCursor = entry->position;
        return static_cast<PPDXProperty*>(entry->element);
    }
    for (PPDXProperty* page = First(); page != nullptr; page = Next()) {
        const char* own = page->Keyword();
        if (own != nullptr &&
            (exact ? strcmp(own, keyword) == 0 : strstr(own, keyword) != nullptr)) {
            return page;
        }
    }
    return nullptr;
}
