// Model assembly of the vendor parser: the groups that control blocks name, the shortcuts,
// the plain groups of names that never got a parent, and the name look-ups that the
// statement parsers share.
#include <cstring>
#include <new>

#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXShortcuts.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "parser/ZEQPPDIndex.h"
#include "platform/CFString.h"

PPDXGroup* ZEQPPD::FindAndCreateParent(const char* name) {
    if (mGroups == nullptr)
        return nullptr;
    GroupName* record = FindGroupNameFromList(name);
    if (record == nullptr)
        return nullptr;
    if (PPDXGroup* existing = FindGroupAnywhere(*record->mName))
        return existing;
    const __CFString* userName = ElementName(record->mTranslation);
    if (userName == nullptr)
        return nullptr;
    PPDXGroup* group = new (std::nothrow) PPDXGroup(*record->mName, userName, record->mVisible);
    CFRelease(userName);
    if (group == nullptr || !AddGroup(group))
        return nullptr;
    return group;
}

void ZEQPPD::ResolveShortcuts() {
    PointerList found;
    for (PointerListItr it = mShortcutKeywords.Begin(); it != mShortcutKeywords.End(); ++it) {
        const CString* keyword = static_cast<const CString*>(*it);
        PPDXControl* control = FindControlAnywhere(*keyword);
        if (control != nullptr)
            found.PushBack(control);
        else
            RecordError(NewError(19, *keyword, false));
    }
    PPDXShortcuts* shortcuts = new (std::nothrow) PPDXShortcuts(found);
    if (shortcuts != nullptr) {
        delete mShortcuts;
        mShortcuts = shortcuts;
    }
}

void ZEQPPD::CollectOrphanGroups() {
    if (!ParseOrphans() || mGroups == nullptr)
        return;
    for (PointerListItr it = mGroupNames.Begin(); it != mGroupNames.End(); ++it) {
        GroupName* record = static_cast<GroupName*>(*it);
        if (record->mName == nullptr || record->mName->Size() == 0)
            continue;
        if (FindGroupAnywhere(*record->mName) != nullptr)
            continue;
        const __CFString* userName = ElementName(record->mTranslation);
        if (userName == nullptr)
            continue;
        PPDXGroup* group = new (std::nothrow) PPDXGroup(*record->mName, userName, record->mVisible);
        CFRelease(userName);
        if (group != nullptr)
            AddGroup(group);
    }
}

// ---- shared look-ups ----
// While a file is parsed the hash indexes answer; otherwise the containers are walked.
// Both give the first element of that name in creation order, whatever the display options.

PPDXControl* ZEQPPD::FindControlAnywhere(const char* keyword) const {
    if (keyword == nullptr || mControls == nullptr)
        return nullptr;
    // While a file is parsed the flat list's own keyword index answers, without moving its
    // cursor: under display options 3 every control is admitted, so this is the same control.
    if (mState != nullptr)
        return mControls->FindFirst(keyword);
    const _DISPLAY_OPTIONS_ saved = Options();
    Options(kDisplayAll);
    CNTL_TYPE type = kUnknownControl;
    const bool exact = true;
    PPDXControl* control = mControls->Find(keyword, type, exact);
    Options(saved);
    return control;
}

PPDXGroup* ZEQPPD::FindGroupAnywhere(const char* name) {
    if (name == nullptr || mGroups == nullptr)
        return nullptr;
    if (mState != nullptr) {
        auto found = mState->groups.find(std::string_view(name));
        return found != mState->groups.end() ? found->second : nullptr;
    }
    const bool exact = true;
    return mGroups->Find(name, exact);
}

PPDXProperty* ZEQPPD::FindPageAnywhere(const char* name) {
    if (name == nullptr || mProperties == nullptr)
        return nullptr;
    if (mState != nullptr) {
        auto found = mState->pages.find(std::string_view(name));
        return found != mState->pages.end() ? found->second : nullptr;
    }
    const bool exact = true;
    return mProperties->Find(name, exact);
}

// The containers own what they hold; an element their list has no room for (memory ran out)
// is released here, and the caller is told so that it keeps no pointer to it.
bool ZEQPPD::AddGroup(PPDXGroup* group) {
    if (group == nullptr)
        return false;
    const long before = mGroups != nullptr ? mGroups->Size() : 0;
    if (mGroups != nullptr)
        mGroups->Add(group);
    if (mGroups == nullptr || mGroups->Size() == before) {
        delete group;
        return false;
    }
    if (mState != nullptr && group->Keyword() != nullptr)
        mState->groups.emplace(std::string_view(group->Keyword()), group);
    return true;
}

bool ZEQPPD::AddPage(PPDXProperty* page) {
    if (page == nullptr)
        return false;
    const long before = mProperties != nullptr ? mProperties->Count() : 0;
    if (mProperties != nullptr)
        mProperties->Add(page);
    if (mProperties == nullptr || mProperties->Count() == before) {
        delete page;
        return false;
    }
    if (mState != nullptr && page->Keyword() != nullptr)
        mState->pages.emplace(std::string_view(page->Keyword()), page);
    return true;
}

bool ZEQPPD::AddToControlList(PPDXControl* control) {
    if (control == nullptr)
        return false;
    const long before = mControls != nullptr ? mControls->Size() : 0;
    if (mControls != nullptr)
        mControls->Add(control);
    if (mControls == nullptr || mControls->Size() == before) {
        delete control;
        return false;
    }
    return true;
}

void ZEQPPD::IndexControl(const char* keyword, PPDXControl* control) {
    if (mKeywordIndex != nullptr)
        mKeywordIndex->insert(keyword, control);
}
