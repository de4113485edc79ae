// PPDXGroups: counting and walking the groups under the display options, look-up by keyword.
#include "PPDObjects/PPDXGroups.h"

#include <cstring>

#include "PPDObjects/PPDXGroup.h"
#include "parser/ZEQPPD.h"

namespace {
PPDXGroup* GroupAt(const void* entry) {
    return static_cast<PPDXGroup*>(const_cast<void*>(entry));
}
}  // namespace

PPDXGroups::PPDXGroups() : mTotal(0), mOrphans(0), mHidden(0) {
    mCursor = mGroups.Begin();
}

PPDXGroups::~PPDXGroups() {}

void PPDXGroups::Add(PPDXGroup* group) {
    if (group == nullptr) {
        return;
    }
    PointerListItr position = mGroups.PushBack(group);
    if (position == PointerListItr()) {
        return;  // no node could be allocated
    }
    ++mTotal;
    if (group->IsOrphan()) {
        ++mOrphans;
    }
    if (!group->IsVisible()) {
        ++mHidden;
    }
    mIndex.Add(PPDXKeywordIndex::Entry{group, position, -1, PointerListItr()});
}

long PPDXGroups::Count() const {
    const _DISPLAY_OPTIONS_ options = ZEQPPD::Options();
    if (options > kDisplayAll) {
        return 0;
    }
    if (options == kDisplayAll) {
        return mTotal;
    }
    // Parents are linked after the groups are added, so the rule is evaluated now, entry by
    // entry, exactly as First / Next do.
    long count = 0;
    for (ConstPointerListItr it = mGroups.Begin(); it != mGroups.End(); ++it) {
        PPDXGroup* group = GroupAt(*it);
        if (group != nullptr && group->OkayToDisplay(options)) {
            ++count;
        }
    }
    return count;
}

long PPDXGroups::Size() const {
    return static_cast<long>(mGroups.Size());
}

PPDXGroup* PPDXGroups::Settle() {
    const _DISPLAY_OPTIONS_ options = ZEQPPD::Options();
    for (; mCursor != PointerListItr() && mCursor != mGroups.End(); ++mCursor) {
        PPDXGroup* group = GroupAt(*mCursor);
        if (group != nullptr && group->OkayToDisplay(options)) {
            return group;
        }
    }
    return nullptr;
}

PPDXGroup* PPDXGroups::First() {
    mCursor = mGroups.Begin();
    return Settle();
}

PPDXGroup* PPDXGroups::Next() {
    if (mCursor == PointerListItr() || mCursor == mGroups.End()) {
        return nullptr;
    }
    ++mCursor;
    return Settle();
}

PPDXGroup* PPDXGroups::Find(const char* keyword, const bool& exact) const {
    if (keyword == nullptr) {
        return nullptr;
    }
    if (exact && mIndex.Usable()) {
        const PPDXKeywordIndex::Entry* entry = mIndex.Lookup(keyword);
        return entry != nullptr ? static_cast<PPDXGroup*>(entry->element) : nullptr;
    }
    for (ConstPointerListItr it = mGroups.Begin(); it != mGroups.End(); ++it) {
        PPDXGroup* group = GroupAt(*it);
        const char* own = group != nullptr ? group->Keyword() : nullptr;
        if (own != nullptr &&
            (exact ? strcmp(own, keyword) == 0 : strstr(own, keyword) != nullptr)) {
            return group;
        }
    }
    return nullptr;
}
