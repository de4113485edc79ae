// Vendor layout statements: property pages, group names, parents (scroll panes and
// roll-downs), shortcuts and special options, and the group-name work list.
#include <cstring>
#include <new>

#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "PPDUtils/PPDStream.h"
#include "PPDUtils/TextConverter.h"
#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "parser/ZEQPPDIndex.h"
#include "platform/CFString.h"

// ---- GroupName ----

GroupName::GroupName(const char* name, const __CFString* translation, bool visible)
    : mName(new (std::nothrow) CString(name != nullptr ? name : "")),
      mTranslation(translation),
      mTranslationText(nullptr),
      mVisible(visible) {
    if (mTranslation != nullptr) {
        CFRetain(mTranslation);
        char text[PPDX::kTokenBufferSize];
        TextConverter::CFStringToCstring(mTranslation, text, sizeof text);
        mTranslationText = new (std::nothrow) CString(text);
    }
}

GroupName::~GroupName() {
    delete mName;
    delete mTranslationText;
    if (mTranslation != nullptr)
        CFRelease(mTranslation);
}

// ---- statements ----

PPDXErrorObj* ZEQPPD::ParsePropertyPage(PPDStream& stream) {
    char name[kTokenBufferSize];
    if (!NextToken(stream, name, "/:", true) || name[0] == '\0')
        return NewError(4, "", false);
    if (FindPageAnywhere(name) != nullptr)
        return NewError(23, name, false);
    // The translation keeps its blanks. Without "/" the words after the colon are read as
    // the translation and the page has no words.
    char translationText[kTokenBufferSize];
    if (!NextToken(stream, translationText, ":", false))
        return nullptr;

    bool visible = false;
    bool showInPrintProp = true;
    bool showInApp = true;
    char word[kTokenBufferSize];
    while (NextWord(stream, word)) {
        if (std::strcmp(word, "True") == 0)
            visible = true;
        else if (std::strcmp(word, "App") == 0)
            showInPrintProp = false;
        else if (std::strcmp(word, "Prop") == 0)
            showInApp = false;
    }
    if (!visible && !ParseHidden())
        return nullptr;
    if (mProperties == nullptr)
        return nullptr;

    const __CFString* converted = ConvertText(translationText);
    const __CFString* userName = ElementName(converted);
    if (converted != nullptr)
        CFRelease(converted);
    if (userName == nullptr)
        return nullptr;
    PPDXProperty* page =
        new (std::nothrow) PPDXProperty(name, userName, visible, showInPrintProp, showInApp);
    CFRelease(userName);
    AddPage(page);
    return nullptr;
}

PPDXErrorObj* ZEQPPD::ParseGroupName(PPDStream& stream) {
    char name[kTokenBufferSize];
    if (!NextToken(stream, name, "/:", true) || name[0] == '\0')
        return NewError(12, "", false);
    if (FindGroupAnywhere(name) != nullptr)
        return NewError(23, name, false);
    char translationText[kTokenBufferSize];
    if (!NextToken(stream, translationText, ":", false))
        return nullptr;

    bool visible = false;
    char word[kTokenBufferSize];
    while (NextWord(stream, word))
        if (std::strcmp(word, "True") == 0)
            visible = true;
    if (!visible && !ParseHidden())
        return nullptr;

    AddConvertedGroupName(name, translationText, visible);
    return nullptr;
}

PPDXErrorObj* ZEQPPD::ParseParent(PPDStream& stream) {
    char child[kTokenBufferSize];
    if (!NextToken(stream, child, "/:", true) || child[0] == '\0')
        return NewError(15, "", false);
    char parent[kTokenBufferSize];
    if (!NextToken(stream, parent, "/:", true) || parent[0] == '\0')
        return NewError(15, child, false);

    enum { kNoKind, kScrollPane, kRollDown } kind = kNoKind;
    bool visible = false;
    char word[kTokenBufferSize];
    while (NextWord(stream, word)) {
        if (std::strcmp(word, "True") == 0)
            visible = true;
        else if (std::strcmp(word, "Scrollpane") == 0)
            kind = kScrollPane;  // the last kind word wins
        else if (std::strcmp(word, "Rolldown") == 0)
            kind = kRollDown;
    }
    if (!visible && !ParseHidden())
        return nullptr;

    GroupName* record = FindGroupNameFromList(child);
    if (record == nullptr || mGroups == nullptr)
        return nullptr;

    if (kind == kScrollPane) {
        PPDXProperty* page = FindPageAnywhere(parent);
        if (page == nullptr)
            return NewError(14, parent, false);
        const __CFString* userName = ElementName(record->mTranslation);
        if (userName == nullptr)
            return nullptr;
        PPDXScrollPane* pane = new (std::nothrow)
            PPDXScrollPane(static_cast<const char*>(*record->mName), userName, visible);
        CFRelease(userName);
        if (pane == nullptr)
            return nullptr;
        pane->SetParent(page);
        if (AddGroup(pane))
            page->SetScrollDown(pane);  // a later pane for the same page replaces this one
        return nullptr;
    }
    if (kind == kRollDown) {
        PPDXScrollPane* pane = dynamic_cast<PPDXScrollPane*>(FindGroupAnywhere(parent));
        if (pane == nullptr)
            return NewError(14, parent, false);
        const __CFString* userName = ElementName(record->mTranslation);
        if (userName == nullptr)
            return nullptr;
        PPDXRollDown* rollDown = new (std::nothrow)
            PPDXRollDown(static_cast<const char*>(*record->mName), userName, visible);
        CFRelease(userName);
        if (rollDown == nullptr)
            return nullptr;
        rollDown->SetParent(pane);
        if (AddGroup(rollDown) && pane->RollDowns() != nullptr)
            pane->RollDowns()->Add(rollDown);
        return nullptr;
    }
    return nullptr;
}

PPDXErrorObj* ZEQPPD::ParseShortcut(PPDStream& stream) {
    char keyword[kTokenBufferSize];
    if (!NextToken(stream, keyword, "\n\r", true) || keyword[0] == '\0')
        return nullptr;
    if (!PPDXControl::ValidKeyword(keyword))
        return NewError(19, keyword, false);
    CString* entry = new (std::nothrow) CString(keyword);
    if (entry != nullptr && mShortcutKeywords.PushBack(entry) == PointerListItr())
        delete entry;
    return nullptr;
}

PPDXErrorObj* ZEQPPD::ParseSpecialOption(PPDStream& stream) {
    char keyword[kTokenBufferSize];
    char value[kTokenBufferSize];
    if (!NextToken(stream, keyword, ":", true) || keyword[0] == '\0')
        return nullptr;
    if (!NextToken(stream, value, "\n\r", true) || value[0] == '\0')
        return nullptr;

    const __CFString* converted = ConvertText(keyword);
    const __CFString* userName = ElementName(converted);
    if (converted != nullptr)
        CFRelease(converted);
    if (userName == nullptr)
        return nullptr;
    PointerList noFlags;
    const long noCodeLength = 0;
    const bool visible = false;
    PPDXSpecialOption* option = new (std::nothrow)
        PPDXSpecialOption(keyword, userName, noFlags, value, nullptr, noCodeLength, visible);
    CFRelease(userName);
    // Special options are not entered in the keyword index.
    if (option != nullptr)
        SetupControl(nullptr, option, false);
    return nullptr;
}

// ---- group-name work list ----

void ZEQPPD::AddConvertedGroupName(const char* name, const char* translationText, bool visible) {
    const __CFString* translation = ConvertText(translationText);
    try {
        AddGroupNameToList(name, translation, visible);
    } catch (const std::bad_alloc&) {
        if (translation != nullptr)
            CFRelease(translation);
        throw;
    }
    if (translation != nullptr)
        CFRelease(translation);
}

void ZEQPPD::AddGroupNameToList(const char* name, const __CFString* translation, bool visible) {
    if (mGroups == nullptr || name == nullptr)
        return;
    if (FindGroupAnywhere(name) != nullptr || FindPageAnywhere(name) != nullptr)
        return;
    GroupName* record = new (std::nothrow) GroupName(name, translation, visible);
    if (record == nullptr)
        return;
    if (record->mName == nullptr) {
        delete record;
        return;
    }
    if (mGroupNames.PushBack(record) == PointerListItr()) {
        delete record;
        return;
    }
    if (mState != nullptr)
        mState->groupNames.emplace(std::string_view(*record->mName, record->mName->Size()), record);
}

GroupName* ZEQPPD::FindGroupNameFromList(const char* name) {
    if (name == nullptr)
        return nullptr;
    if (mState != nullptr) {
        auto found = mState->groupNames.find(std::string_view(name));
        return found != mState->groupNames.end() ? found->second : nullptr;
    }
    for (PointerListItr it = mGroupNames.Begin(); it != mGroupNames.End(); ++it) {
        GroupName* record = static_cast<GroupName*>(*it);
        if (record->mName != nullptr && std::strcmp(*record->mName, name) == 0)
            return record;
    }
    return nullptr;
}

void ZEQPPD::ClearStringList(PointerList& list) {
    while (!list.Empty()) {
        delete static_cast<CString*>(list.Back());
        list.PopBack();
    }
}

void ZEQPPD::ClearGroupNameList() {
    if (mState != nullptr)
        mState->groupNames.clear();
    while (!mGroupNames.Empty()) {
        delete static_cast<GroupName*>(mGroupNames.Back());
        mGroupNames.PopBack();
    }
}
