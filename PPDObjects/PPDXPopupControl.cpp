// PPDXPopupControl and _PopupItem: choices, selection rules, the feature block of the current
// choice and the replacement of the choices.
#include "PPDObjects/PPDXPopupControl.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "PPDUtils/TextConverter.h"
#include "foundation/CString.h"

_PopupItem::_PopupItem()
    : mKeyword(nullptr),
      mUserName(nullptr),
      mCode(nullptr),
      mCodeLength(0),
      mSelected(false),
      mDisplayName(nullptr),
      mLocalNameText(nullptr) {}

_PopupItem::~_PopupItem() {
    delete mKeyword;
    if (mUserName != nullptr) {
        CFRelease(mUserName);
    }
    ZEQArena::Free(mCode);
    delete[] mDisplayName;
    delete mLocalNameText;
}

const char* _PopupItem::Keyword() const {
    return mKeyword != nullptr ? static_cast<const char*>(*mKeyword) : nullptr;
}

const char* _PopupItem::displayName() {
    if (mUserName == nullptr) {
        return nullptr;
    }
    if (mDisplayName == nullptr) {
        const CFStringEncoding encoding = CFStringGetSystemEncoding();
        const CFIndex size =
            CFStringGetMaximumSizeForEncoding(CFStringGetLength(mUserName), encoding) + 1;
        if (size < 1) {
            return nullptr;
        }
        mDisplayName = new (std::nothrow) char[static_cast<size_t>(size)];
        if (mDisplayName == nullptr) {
            return nullptr;
        }
        // A name the system encoding cannot hold is shown as empty.
        if (!CFStringGetCString(mUserName, mDisplayName, size, encoding)) {
            mDisplayName[0] = '\0';
        }
    }
    return mDisplayName;
}

namespace {
_PopupItem* ItemAt(const PointerListItr& it) {
    return static_cast<_PopupItem*>(*it);
}

bool KeywordIs(const _PopupItem* item, const char* keyword) {
    const char* own = item != nullptr ? item->Keyword() : nullptr;
    return own != nullptr && strcmp(own, keyword) == 0;
}
}  // namespace

PPDXPopupControl::PPDXPopupControl()
    : PPDXControl(), mCanSelectMultiple(false), mDefaultKeyword(nullptr) {
    mType = kPopupControl;
    mItemCursor = mItems.Begin();
}

PPDXPopupControl::PPDXPopupControl(const char* keyword, CFStringRef inLocalName, PointerList& flags,
                                   const bool& visible, const bool& pickMany, PointerList& items,
                                   CString* defaultKeyword)
    : PPDXControl(keyword, inLocalName, flags, nullptr, 0, visible),
      mCanSelectMultiple(pickMany),
      mDefaultKeyword(nullptr),
      mItems(items) {
    mType = kPopupControl;
    // The control owns the items handed to it, and the caller forgets them: an item the copy
    // had no node for (memory ran out) is released here rather than lost.
    if (mItems.Size() != items.Size()) {
        PointerListItr kept = mItems.Begin();
        for (PointerListItr it = items.Begin(); it != items.End(); ++it) {
            if (kept != mItems.End() && *kept == *it)
                ++kept;
            else
                delete ItemAt(it);
        }
    }
    mItemCursor = mItems.Begin();
    if (defaultKeyword != nullptr) {
        mDefaultKeyword = defaultKeyword;
        SetKeywordSelect(*defaultKeyword, true);
    }
}

PPDXPopupControl::~PPDXPopupControl() {
    DestroyItems();
    delete mDefaultKeyword;
}

void PPDXPopupControl::DestroyItems() {
    for (PointerListItr it = mItems.Begin(); it != mItems.End(); ++it) {
        delete ItemAt(it);
    }
    mItems.MakeEmpty();
    mItemCursor = PointerListItr();
    mCurrentItem = PointerListItr();
}

long PPDXPopupControl::ItemCount() const {
    return static_cast<long>(mItems.Size());
}

_PopupItem* PPDXPopupControl::FirstItem() {
    if (mItems.Empty()) {
        return nullptr;
    }
    return static_cast<_PopupItem*>(FirstString(mItemCursor, mItems));
}

_PopupItem* PPDXPopupControl::NextItem() {
    return static_cast<_PopupItem*>(NextString(mItemCursor, mItems));
}

void PPDXPopupControl::AppendPopupItem(_PopupItem* item) {
    // The popup owns the item from here on: one it cannot list is destroyed, not leaked.
    if (item != nullptr && mItems.PushBack(item) == PointerListItr()) {
        delete item;
    }
}

_PopupItem* PPDXPopupControl::CurrentItem() const {
    return ItemAt(mCurrentItem);
}

long PPDXPopupControl::GetValue() const {
    long position = 1;
    for (ConstPointerListItr it = mItems.Begin(); it != mItems.End(); ++it, ++position) {
        const _PopupItem* item = static_cast<const _PopupItem*>(*it);
        if (item != nullptr && item->mSelected) {
            return position;
        }
    }
    return 0;
}

void PPDXPopupControl::SetValue(long index) {
    long position = 1;
    for (PointerListItr it = mItems.Begin(); it != mItems.End(); ++it, ++position) {
        _PopupItem* item = ItemAt(it);
        if (item == nullptr) {
            continue;
        }
        item->mSelected = position == index;
        if (position == index) {
            mCurrentItem = it;
        }
    }
}

long PPDXPopupControl::DefaultValue() const {
    const char* keyword = GetDefaultKeyword();
    if (keyword == nullptr) {
        return 0;
    }
    long position = 1;
    for (ConstPointerListItr it = mItems.Begin(); it != mItems.End(); ++it, ++position) {
        if (KeywordIs(static_cast<const _PopupItem*>(*it), keyword)) {
            return position;
        }
    }
    return 0;
}

void PPDXPopupControl::ResetToDefaultValue() {
    SetValue(DefaultValue());
}

bool PPDXPopupControl::SetKeywordSelect(const char* keyword, const bool& select) {
    if (keyword == nullptr || mItems.Empty()) {
        return false;
    }
    bool matched = false;
    for (PointerListItr it = mItems.Begin(); it != mItems.End(); ++it) {
        _PopupItem* item = ItemAt(it);
        if (item == nullptr) {
            continue;
        }
        if (KeywordIs(item, keyword)) {
            item->mSelected = select;
            mCurrentItem = it;
            matched = true;
            if (mCanSelectMultiple) {
                return true;
            }
        } else if (!mCanSelectMultiple) {
            item->mSelected = false;
        }
    }
    return matched;
}

bool PPDXPopupControl::IsKeywordSelected(const char* keyword) const {
    if (keyword == nullptr) {
        return false;
    }
    for (ConstPointerListItr it = mItems.Begin(); it != mItems.End(); ++it) {
        const _PopupItem* item = static_cast<const _PopupItem*>(*it);
        if (KeywordIs(item, keyword) && item->mSelected) {
            return true;
        }
    }
    return false;
}

const char* PPDXPopupControl::GetDefaultKeyword() const {
    return mDefaultKeyword != nullptr ? static_cast<const char*>(*mDefaultKeyword) : nullptr;
}

long PPDXPopupControl::GetKeywordPSData(const char* keyword, unsigned char* out) {
    if (keyword == nullptr) {
        return 0;
    }
    _PopupItem* found = nullptr;
    for (PointerListItr it = mItems.Begin(); it != mItems.End(); ++it) {
        if (KeywordIs(ItemAt(it), keyword)) {
            found = ItemAt(it);
            break;
        }
    }
    if (found == nullptr) {
        return 0;
    }
    if (found->mCodeLength < 0) {
        found->mCodeLength = 0;
    }
    if (Keyword() == nullptr) {
        return 0;
    }
    return GeneratePSOutputData(out, found->mCode, found->mCodeLength, keyword, true);
}

const char* PPDXPopupControl::GetKeywordLocalName(const char* keyword) {
    if (keyword == nullptr) {
        return nullptr;
    }
    _PopupItem* found = nullptr;
    for (PointerListItr it = mItems.Begin(); it != mItems.End(); ++it) {
        if (KeywordIs(ItemAt(it), keyword)) {
            found = ItemAt(it);
        }
    }
    if (found == nullptr || found->mUserName == nullptr) {
        return nullptr;
    }
    // The text is made on the first call and kept by the item until the item goes, so every
    // pointer handed out stays valid as long as the item (an item's user name is set before
    // it joins a popup and never changes afterwards).
    if (found->mLocalNameText == nullptr) {
        found->mLocalNameText = CFStringToCString(found->mUserName);
        if (found->mLocalNameText == nullptr) {
            return nullptr;
        }
    }
    return *found->mLocalNameText;
}

CFStringRef PPDXPopupControl::GetKeywordCFLocalName(const char* keyword) const {
    if (keyword == nullptr) {
        return nullptr;
    }
    CFStringRef name = nullptr;
    bool found = false;
    for (ConstPointerListItr it = mItems.Begin(); it != mItems.End(); ++it) {
        const _PopupItem* item = static_cast<const _PopupItem*>(*it);
        if (KeywordIs(item, keyword)) {
            name = item->mUserName;
            found = true;
        }
    }
    return found ? name : nullptr;
}

long PPDXPopupControl::PostScript(unsigned char* buffer) {
    _PopupItem* current = CurrentItem();
    if (current == nullptr || current->Keyword() == nullptr) {
        return 0;
    }
    return GetKeywordPSData(current->Keyword(), buffer);
}

bool PPDXPopupControl::Rebuild(const char* userName, PointerList& items, CString* defaultKeyword) {
    _PopupItem* current = CurrentItem();
    if (current == nullptr) {
        return false;
    }
    const char* currentKeyword = current->Keyword();
    const bool hadKeyword = currentKeyword != nullptr;
    CString remembered(hadKeyword ? currentKeyword : "");

    const char* oldName = UserName();
    if (userName != nullptr && (oldName == nullptr || strcmp(oldName, userName) != 0)) {
        delete mUserNameText;
        mUserNameText = nullptr;
        CFStringRef name =
            CFStringCreateWithCString(kCFAllocatorDefault, userName, CFStringGetSystemEncoding());
        // When the new name cannot be made, the old one stays (a control always has one).
        if (name != nullptr) {
            ReplaceUserName(name);
            char buffer[256];
            TextConverter::CFStringToCstring(name, buffer, sizeof(buffer));
            mUserNameText = new (std::nothrow) CString(buffer);
        }
    }

    // The item cursor stays cleared until the next FirstItem.
    DestroyItems();
    mItems = items;

    delete mDefaultKeyword;
    mDefaultKeyword = defaultKeyword;
    if (mDefaultKeyword != nullptr) {
        SetKeywordSelect(*mDefaultKeyword, true);
    }
    SetKeywordSelect(hadKeyword ? static_cast<const char*>(remembered) : nullptr, true);
    return true;
}
