// Settings cache of the controls: the control part every kind writes and reads, and the
// items, constructors from the cache and value restores of the six kinds.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "foundation/CString.h"
#include "settings/CacheFormat.h"
#include "settings/Settings.h"

using namespace ppdcache;

namespace {

const char kFlagSeparator = '|';

// Writes a code block when there is one.
OSErr AddCode(Settings& s, unsigned long tag, long id, const unsigned char* code, long length) {
    if (code == nullptr || length < 1) {
        return noErr;
    }
    return AddBytes(s, tag, id, code, length);
}

// Replaces an owned text by the item's text when the item is there.
void LoadText(Settings& s, unsigned long tag, long id, CString*& slot) {
    CString* text = ReadText(s, tag, id);
    if (text != nullptr) {
        delete slot;
        slot = text;
    }
}

// Replaces an owned code block by the item's bytes when the item is there.
void LoadCode(Settings& s, unsigned long tag, long id, unsigned char*& code, int32_t& length) {
    int32_t size = 0;
    unsigned char* block = ReadData(s, tag, id, size);
    if (block != nullptr) {
        ZEQArena::Free(code);
        code = block;
        length = size;
    }
}

// The result of reading a value item for a restore: 0 with the bytes in `out` when the item
// has exactly `size` bytes; the look-up's failure when it is absent or unreadable; 1 when it
// has another length (nothing is copied).
OSStatus ReadValue(Settings& s, unsigned long tag, long id, void* out, long size) {
    const OSStatus found = Probe(s, tag, id);
    if (found != noErr) {
        return found;
    }
    return ReadExact(s, tag, id, out, size) ? noErr : 1;
}

}  // namespace

// ---- control part ----

PPDXControl::PPDXControl(Settings& settings, const long& id) : PPDXControl() {
    LoadControlItems(settings, id);
}

void PPDXControl::LoadControlItems(Settings& settings, const long& id) {
    LoadElementItems(settings, id);
    int16_t order = 0;
    if (ReadExact(settings, kOrder, id, &order, sizeof order)) {
        mOrder = order;
    }
    LoadCode(settings, kPostScript, id, mCode, mCodeLength);

    // The flag text is cut at every bar; empty pieces are dropped.
    CString* flags = ReadText(settings, kControlFlags, id);
    if (flags != nullptr) {
        const char* text = *flags;
        while (text != nullptr && *text != '\0') {
            const char* bar = std::strchr(text, kFlagSeparator);
            const size_t length =
                bar != nullptr ? static_cast<size_t>(bar - text) : std::strlen(text);
            if (length > 0) {
                std::string word(text, length);
                CString* flag = new (std::nothrow) CString(word.c_str());
                if (flag != nullptr && static_cast<const char*>(*flag) != nullptr) {
                    if (mControlFlags.PushBack(flag) == PointerListItr()) {
                        delete flag;
                    }
                } else {
                    delete flag;
                }
            }
            text = bar != nullptr ? bar + 1 : nullptr;
        }
        delete flags;
        mFlagCursor = mControlFlags.Begin();
    }
}

OSErr PPDXControl::Save(Settings& settings, const long& id) {
    OSErr result = PPDXElement::Save(settings, id);
    if (result == noErr) {
        result = AddInt16(settings, kOrder, id, mOrder);
    }
    if (result == noErr) {
        result = AddCode(settings, kPostScript, id, mCode, mCodeLength);
    }
    if (result == noErr && !mControlFlags.Empty()) {
        // Each flag followed by a bar: "Setup|Command|". A text that cannot grow fails the
        // save with memFullErr.
        std::string text;
        try {
            for (PointerListItr it = mControlFlags.Begin(); it != mControlFlags.End(); ++it) {
                const CString* flag = static_cast<const CString*>(*it);
                if (flag != nullptr && static_cast<const char*>(*flag) != nullptr) {
                    text += static_cast<const char*>(*flag);
                }
                text += kFlagSeparator;
            }
            result = AddText(settings, kControlFlags, id, text.c_str());
        } catch (const std::bad_alloc&) {
            result = memFullErr;
        }
    }
    return result;
}

// ---- Boolean ----

PPDXBooleanControl::PPDXBooleanControl(Settings& settings, const long& id) : PPDXBooleanControl() {
    LoadControlItems(settings, id);
    LoadText(settings, kTrueText, id, mTrueText);
    LoadText(settings, kFalseText, id, mFalseText);
    ReadFlag(settings, kBooleanValue, id, mValue);
    ReadFlag(settings, kBooleanDefault, id, mDefaultState);
    LoadCode(settings, kTrueCode, id, mTrueCode, mTrueCodeLength);
    LoadCode(settings, kFalseCode, id, mFalseCode, mFalseCodeLength);
}

OSErr PPDXBooleanControl::Save(Settings& settings, const long& id) {
    OSErr result = PPDXControl::Save(settings, id);
    if (result == noErr) {
        result = AddMarker(settings, kBooleanMarker, id);
    }
    if (result == noErr) {
        result = AddFlag(settings, kBooleanValue, id, mValue);
    }
    if (result == noErr) {
        result = AddFlag(settings, kBooleanDefault, id, mDefaultState);
    }
    if (result == noErr) {
        result = AddText(settings, kTrueText, id, TrueDisplayText());
    }
    if (result == noErr) {
        result = AddText(settings, kFalseText, id, FalseDisplayText());
    }
    if (result == noErr) {
        result = AddCode(settings, kTrueCode, id, mTrueCode, mTrueCodeLength);
    }
    if (result == noErr) {
        result = AddCode(settings, kFalseCode, id, mFalseCode, mFalseCodeLength);
    }
    return result;
}

// An absent value stops the restore; a value of another length leaves the control as it is.
OSErr PPDXBooleanControl::Restore(Settings& settings, const long& id) {
    uint8_t value = 0;
    const OSStatus result = ReadValue(settings, kBooleanValue, id, &value, 1);
    if (result == noErr) {
        mValue = value != 0;
    }
    return result == 1 ? static_cast<OSErr>(noErr) : static_cast<OSErr>(result);
}

// ---- popup ----

PPDXPopupControl::PPDXPopupControl(Settings& settings, const long& id) : PPDXPopupControl() {
    long itemBudget = settings.Count();
    LoadFromSettings(settings, id, itemBudget);
}

PPDXPopupControl::PPDXPopupControl(Settings& settings, const long& id, long& itemBudget)
    : PPDXPopupControl() {
    LoadFromSettings(settings, id, itemBudget);
}

void PPDXPopupControl::LoadFromSettings(Settings& settings, const long& id, long& itemBudget) {
    LoadControlItems(settings, id);
    ReadFlag(settings, kPickMany, id, mCanSelectMultiple);
    LoadText(settings, kDefaultKeyword, id, mDefaultKeyword);
    const char* candidate = GetDefaultKeyword();

    // Every item up to the count is appended, whatever items it has: one without its flag is
    // not selected, one without any item is empty. The writer gives every item its flag, so
    // the popups of a cache it wrote never need more items than the container holds; the
    // budget (at most those items) stops what a damaged count would make beyond that, and
    // ids past the 32-bit range hold no items.
    const long count = ReadCount(settings, kItemCount, id);
    for (long k = 0; k < count && itemBudget > 0; ++k, --itemBudget) {
        long itemId = 0;
        if (!ItemId(id, k, itemId)) {
            break;
        }
        _PopupItem* item = new (std::nothrow) _PopupItem();
        if (item == nullptr) {
            break;
        }
        item->mKeyword = ReadText(settings, kItemKeyword, itemId);
        item->mUserName = ReadUnicode(settings, kItemName, itemId);
        if (item->mUserName == nullptr) {
            // An older form of the name: a text in the system encoding.
            CString* text = ReadText(settings, kItemNameText, itemId);
            if (text != nullptr) {
                item->mUserName =
                    CFStringCreateWithCString(nullptr, *text, CFStringGetSystemEncoding());
                delete text;
            }
        }
        LoadCode(settings, kItemCode, itemId, item->mCode, item->mCodeLength);
        ReadFlag(settings, kItemSelected, itemId, item->mSelected);
        if (mItems.PushBack(item) == PointerListItr()) {
            delete item;  // no room in the list; the selection is taken from kept items only
            break;
        }
        if (item->mSelected && item->Keyword() != nullptr) {
            candidate = item->Keyword();
        }
    }
    mItemCursor = mItems.Begin();
    // The last selected item wins, else the default keyword.
    if (candidate != nullptr) {
        SetKeywordSelect(candidate, true);
    }
}

OSErr PPDXPopupControl::Save(Settings& settings, const long& id) {
    OSErr result = PPDXControl::Save(settings, id);
    if (result == noErr) {
        result = AddMarker(settings, kPopupMarker, id);
    }
    if (result == noErr) {
        result = AddFlag(settings, kPickMany, id, mCanSelectMultiple);
    }
    if (result == noErr) {
        result = AddText(settings, kDefaultKeyword, id, GetDefaultKeyword());
    }
    const long count = ItemCount();
    if (result == noErr && count > 0) {
        result = count <= INT32_MAX
                     ? AddInt32(settings, kItemCount, id, static_cast<int32_t>(count))
                     : static_cast<OSErr>(paramErr);
    }
    long k = 0;
    for (PointerListItr it = mItems.Begin(); result == noErr && it != mItems.End(); ++it, ++k) {
        const _PopupItem* item = static_cast<const _PopupItem*>(*it);
        long itemId = 0;
        if (!ItemId(id, k, itemId)) {
            return paramErr;
        }
        if (item == nullptr) {
            result = AddFlag(settings, kItemSelected, itemId, false);
            continue;
        }
        result = AddText(settings, kItemKeyword, itemId, item->Keyword());
        if (result == noErr) {
            result = AddUnicode(settings, kItemName, itemId, item->mUserName);
        }
        if (result == noErr) {
            result = AddCode(settings, kItemCode, itemId, item->mCode, item->mCodeLength);
        }
        if (result == noErr) {
            result = AddFlag(settings, kItemSelected, itemId, item->mSelected);
        }
    }
    return result;
}

// The first flag that cannot be read ends the restore with its result; the flags read before
// it stay. Otherwise the last item read as selected is selected by keyword.
OSErr PPDXPopupControl::Restore(Settings& settings, const long& id) {
    const char* keyword = nullptr;
    long k = 0;
    for (PointerListItr it = mItems.Begin(); it != mItems.End(); ++it, ++k) {
        _PopupItem* item = static_cast<_PopupItem*>(*it);
        long itemId = 0;
        if (!ItemId(id, k, itemId)) {
            return paramErr;
        }
        uint8_t selected = 0;
        const OSStatus result = ReadValue(settings, kItemSelected, itemId, &selected, 1);
        if (result != noErr) {
            return result == 1 ? static_cast<OSErr>(paramErr) : static_cast<OSErr>(result);
        }
        if (item != nullptr) {
            item->mSelected = selected != 0;
            if (item->mSelected) {
                keyword = item->Keyword();
            }
        }
    }
    if (keyword != nullptr) {
        SetKeywordSelect(keyword, true);
    }
    return noErr;
}

// ---- integer range ----

PPDXRangeControl::PPDXRangeControl(Settings& settings, const long& id) : PPDXRangeControl() {
    LoadControlItems(settings, id);
    ReadInt32(settings, kRangeValue, id, mValue);
    ReadInt32(settings, kRangeMinimum, id, mMinimum);
    ReadInt32(settings, kRangeMaximum, id, mMaximum);
    ReadInt32(settings, kRangeIncrement, id, mIncrement);
    ReadInt32(settings, kRangeDefault, id, mDefault);
}

OSErr PPDXRangeControl::Save(Settings& settings, const long& id) {
    OSErr result = PPDXControl::Save(settings, id);
    if (result == noErr) {
        result = AddMarker(settings, kRangeMarker, id);
    }
    const int32_t values[] = {mValue, mMinimum, mMaximum, mIncrement, mDefault};
    const unsigned long tags[] = {kRangeValue, kRangeMinimum, kRangeMaximum, kRangeIncrement,
                                  kRangeDefault};
    for (int i = 0; result == noErr && i < 5; ++i) {
        result = AddInt32(settings, tags[i], id, values[i]);
    }
    return result;
}

// An absent value stops the restore; a value of another length leaves the control as it is.
OSErr PPDXRangeControl::Restore(Settings& settings, const long& id) {
    int32_t value = 0;
    const OSStatus result = ReadValue(settings, kRangeValue, id, &value, sizeof value);
    if (result == noErr) {
        mValue = value;
        DiscardInjectedCode();
    }
    return result == 1 ? static_cast<OSErr>(noErr) : static_cast<OSErr>(result);
}

// ---- float range ----

PPDXFloatRangeControl::PPDXFloatRangeControl(Settings& settings, const long& id)
    : PPDXFloatRangeControl() {
    LoadControlItems(settings, id);
    ReadExact(settings, kRangeValue, id, &mValue, sizeof mValue);
    ReadExact(settings, kRangeMinimum, id, &mMinimum, sizeof mMinimum);
    ReadExact(settings, kRangeMaximum, id, &mMaximum, sizeof mMaximum);
    ReadExact(settings, kRangeIncrement, id, &mIncrement, sizeof mIncrement);
    ReadExact(settings, kRangeDefault, id, &mDefault, sizeof mDefault);
}

// The tags and order of the integer range, the values as 4-byte floats; then the float
// marker, so that the rebuild tells the two kinds apart.
OSErr PPDXFloatRangeControl::Save(Settings& settings, const long& id) {
    OSErr result = PPDXControl::Save(settings, id);
    if (result == noErr) {
        result = AddMarker(settings, kRangeMarker, id);
    }
    const float values[] = {mValue, mMinimum, mMaximum, mIncrement, mDefault};
    const unsigned long tags[] = {kRangeValue, kRangeMinimum, kRangeMaximum, kRangeIncrement,
                                  kRangeDefault};
    for (int i = 0; result == noErr && i < 5; ++i) {
        result = AddFloat(settings, tags[i], id, values[i]);
    }
    if (result == noErr) {
        result = AddMarker(settings, kFloatRangeMarker, id);
    }
    return result;
}

OSErr PPDXFloatRangeControl::Restore(Settings& settings, const long& id) {
    float value = 0;
    const OSStatus result = ReadValue(settings, kRangeValue, id, &value, sizeof value);
    if (result == noErr) {
        mValue = value;
        DiscardInjectedCode();
    }
    return result == 1 ? static_cast<OSErr>(noErr) : static_cast<OSErr>(result);
}

// ---- job note ----

PPDXJobNote::PPDXJobNote(Settings& settings, const long& id, CString* languageEncoding)
    : PPDXJobNote() {
    LoadControlItems(settings, id);
    JoinSharedConverter(languageEncoding);
    LoadText(settings, kNotes, id, mNotes);
    LoadText(settings, kDefaultNotes, id, mDefaultNotes);
    ReadInt32(settings, kMaxLength, id, mMaxLength);
    ReadInt32(settings, kMinLength, id, mMinLength);
    uint32_t flags = 0;
    if (ReadExact(settings, kNoteFlags, id, &flags, sizeof flags)) {
        mFlags = flags;
    }
    ReadFlag(settings, kNotesOn, id, mNotesOn);
}

OSErr PPDXJobNote::Save(Settings& settings, const long& id) {
    OSErr result = PPDXControl::Save(settings, id);
    if (result == noErr) {
        result = AddMarker(settings, kJobNoteMarker, id);
    }
    if (result == noErr) {
        result = AddText(settings, kNotes, id, GetNotes());
    }
    if (result == noErr) {
        result = AddText(settings, kDefaultNotes, id, GetDefaultNotes());
    }
    if (result == noErr) {
        result = AddInt32(settings, kMaxLength, id, mMaxLength);
    }
    if (result == noErr) {
        result = AddInt32(settings, kMinLength, id, mMinLength);
    }
    if (result == noErr) {
        const uint32_t flags = mFlags;
        result = AddBytes(settings, kNoteFlags, id, &flags, sizeof flags);
    }
    if (result == noErr) {
        result = AddFlag(settings, kNotesOn, id, mNotesOn);
    }
    return result;
}

// The notes become the saved text, or no text when none was saved.
OSErr PPDXJobNote::Restore(Settings& settings, const long& id) {
    CString* notes = ReadText(settings, kNotes, id);
    SetNotes(notes != nullptr ? static_cast<const char*>(*notes) : nullptr);
    delete notes;
    return noErr;
}

// ---- special option ----

PPDXSpecialOption::PPDXSpecialOption(Settings& settings, const long& id) : PPDXSpecialOption() {
    LoadControlItems(settings, id);
    LoadText(settings, kSpecialValue, id, mValue);
}

OSErr PPDXSpecialOption::Save(Settings& settings, const long& id) {
    OSErr result = PPDXControl::Save(settings, id);
    if (result == noErr) {
        result = AddMarker(settings, kSpecialMarker, id);
    }
    if (result == noErr) {
        result = AddText(settings, kSpecialValue, id, GetValue());
    }
    return result;
}

// A value that was not saved leaves the option as it is.
OSErr PPDXSpecialOption::Restore(Settings& settings, const long& id) {
    LoadText(settings, kSpecialValue, id, mValue);
    return noErr;
}
