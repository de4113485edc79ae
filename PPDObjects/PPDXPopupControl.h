// PPDXPopupControl: a PickOne or PickMany printer option with its choices (_PopupItem), the
// selection, the default and the feature block of the current choice.
#pragma once

#include <cstdint>

#include "PPDObjects/PPDXControl.h"

class CString;

// One choice of a popup, owned by its popup. The parser fills the fields directly: the
// keyword (a new CString), the user name (one retain handed over), the code (malloc'd, or an arena
// block while a model is built; either goes with ZEQArena::Free) and its length.
struct _PopupItem : ZEQArenaObject {
    _PopupItem();
    ~_PopupItem();
    _PopupItem(const _PopupItem&) = delete;
    _PopupItem& operator=(const _PopupItem&) = delete;

    // The user name in the system encoding, converted on first use and kept; null without a
    // user name.
    const char* displayName();
    // The keyword text, or null.
    const char* Keyword() const;

    CString* mKeyword;      // owned option keyword, for example "Letter"
    CFStringRef mUserName;  // released by the item
    unsigned char* mCode;   // owned (malloc or arena block: ZEQArena::Free)
    int32_t mCodeLength;
    bool mSelected;
    char* mDisplayName;       // owned cache of displayName(), null until first asked
    CString* mLocalNameText;  // owned cache of the popup's GetKeywordLocalName for this item
};

class PPDXPopupControl final : public PPDXControl {
public:
    // Type 4, no items.
    PPDXPopupControl();
    // Copies the list of item pointers and takes ownership of the items (the caller must not
    // delete them); item cursor on the first item; no current item. A non-null
    // `defaultKeyword` is taken over and selected.
    PPDXPopupControl(const char* keyword, CFStringRef inLocalName, PointerList& flags,
                     const bool& visible, const bool& pickMany, PointerList& items,
                     CString* defaultKeyword);
    // Destroys every item and the default keyword.
    ~PPDXPopupControl() override;
    // ---- settings cache (settings/ControlCache.cpp) ----
    PPDXPopupControl(Settings& settings, const long& id);
    // The same, making at most `itemBudget` items and taking them from it: the rebuild of a
    // collection shares one budget between its popups.
    PPDXPopupControl(Settings& settings, const long& id, long& itemBudget);
    OSErr Save(Settings& settings, const long& id) override;
    OSErr Restore(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    long ItemCount() const;
    _PopupItem* FirstItem();
    _PopupItem* NextItem();
    // Appends an item; the popup owns it.
    void AppendPopupItem(_PopupItem* item);
    // The current item (the one the last selection call addressed), or null.
    _PopupItem* CurrentItem() const;

    // 1-based position of the first selected item; 0 when none.
    long GetValue() const;
    // Selects exactly the item at 1-based `index` (it becomes current); any other index
    // deselects every item and keeps the current item.
    void SetValue(long index);
    // 1-based position of the first item with the default keyword; 0 when none.
    long DefaultValue() const;
    void ResetToDefaultValue() override;

    // Selects or deselects by keyword; returns whether an item has that keyword.
    bool SetKeywordSelect(const char* keyword, const bool& select);
    bool IsKeywordSelected(const char* keyword) const;
    bool CanSelectMultipleItems() const { return mCanSelectMultiple; }
    const char* GetDefaultKeyword() const;
    // Feature block of the first item with that keyword (size-then-fill); 0 when none.
    long GetKeywordPSData(const char* keyword, unsigned char* out);
    // User name (byte string, kept by the model) of the last item with that keyword.
    const char* GetKeywordLocalName(const char* keyword);
    // User name (not retained for the caller) of the last item with that keyword.
    CFStringRef GetKeywordCFLocalName(const char* keyword) const;

    // The feature block of the current item, also in PickMany mode; 0 without one.
    long PostScript(unsigned char* buffer) override;

    // Replaces the choices of the popup, keeping the previous choice when it still exists;
    // takes ownership of the items and of `defaultKeyword`. False (nothing changed) when
    // there is no current item: the items and `defaultKeyword` then stay the caller's.
    bool Rebuild(const char* userName, PointerList& items, CString* defaultKeyword);

protected:
    void DestroyItems();
    void LoadFromSettings(Settings& settings, const long& id, long& itemBudget);

    bool mCanSelectMultiple;
    CString* mDefaultKeyword;     // owned, may be null
    PointerList mItems;           // owned _PopupItem pointers, in PPD order
    PointerListItr mItemCursor;   // cursor of FirstItem / NextItem
    PointerListItr mCurrentItem;  // holds no node until the first selection call
};
