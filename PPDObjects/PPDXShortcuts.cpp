// PPDXShortcuts: the shortcut controls, of which only popups are handed out.
#include "PPDObjects/PPDXShortcuts.h"

#include <cstring>

#include "PPDObjects/PPDXPopupControl.h"

namespace {
PPDXPopupControl* AsPopup(void* entry) {
    return dynamic_cast<PPDXPopupControl*>(static_cast<PPDXControl*>(entry));
}
}  // namespace

PPDXShortcuts::PPDXShortcuts() {
    mCursor = mShortcuts.Begin();
}

PPDXShortcuts::PPDXShortcuts(PointerList& controls) : mShortcuts(controls) {
    mCursor = mShortcuts.Begin();
}

PPDXShortcuts::~PPDXShortcuts() {}

long PPDXShortcuts::Count() const {
    return static_cast<long>(mShortcuts.Size());
}

// From the cursor on, the first entry that is a popup (the cursor stays on it).
PPDXPopupControl* PPDXShortcuts::Settle() {
    for (; mCursor != PointerListItr() && mCursor != mShortcuts.End(); ++mCursor) {
        if (PPDXPopupControl* popup = AsPopup(*mCursor)) {
            return popup;
        }
    }
    return nullptr;
}

PPDXPopupControl* PPDXShortcuts::First() {
    mCursor = mShortcuts.Begin();
    return Settle();
}

PPDXPopupControl* PPDXShortcuts::Next() {
    if (mCursor == PointerListItr() || mCursor == mShortcuts.End()) {
        return nullptr;
    }
    ++mCursor;
    return Settle();
}

PPDXPopupControl* PPDXShortcuts::Find(const char* keyword, const bool& exact) {
    if (keyword == nullptr) {
        return nullptr;
    }
    for (PPDXPopupControl* popup = First(); popup != nullptr; popup = Next()) {
        const char* own = popup->Keyword();
        if (own != nullptr &&
            (exact ? strcmp(own, keyword) == 0 : strstr(own, keyword) != nullptr)) {
            return popup;
        }
    }
    return nullptr;
}

PPDXPopupControl* PPDXShortcuts::PageSize() {
    return Find("*PageSize", true);
}

PPDXPopupControl* PPDXShortcuts::InputSlot() {
    return Find("*InputSlot", true);
}

PPDXPopupControl* PPDXShortcuts::Duplex() {
    return Find("*QWDuplex", true);
}

PPDXPopupControl* PPDXShortcuts::Orientation() {
    return Find("*QW_PAPER_ORIENTATION", true);
}

// No PPD keyword has been assigned to these two yet: the texts match no control.
PPDXPopupControl* PPDXShortcuts::Pigmora() {
    return Find("Need Pigmora keyword... stay tuned", true);
}

PPDXPopupControl* PPDXShortcuts::MediaSource() {
    return Find("Need media source keyword... stay tuned", true);
}
