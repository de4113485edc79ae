// Settings cache of the elements: the element part every page, group and control writes and
// reads, and the property page, plain group, roll-down and scroll pane.
#include <new>

#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXElement.h"
#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "PPDUtils/TextConverter.h"
#include "foundation/CString.h"
#include "settings/CacheFormat.h"
#include "settings/Settings.h"

using namespace ppdcache;

namespace {
// The byte-string user name written as "LcNm" is converted into at most this many bytes.
const long kUserNameTextBytes = 512;
}  // namespace

// ---- element part ----

PPDXElement::PPDXElement(Settings& settings, const long& id) : PPDXElement() {
    LoadElementItems(settings, id);
}

void PPDXElement::LoadElementItems(Settings& settings, const long& id) {
    // An empty keyword is no keyword, as in the parsing constructor.
    CString* keyword = ReadText(settings, kKeyword, id);
    if (keyword != nullptr && keyword->Empty()) {
        delete keyword;
        keyword = nullptr;
    }
    delete mKeyword;
    mKeyword = keyword;
    CFStringRef name = ReadUnicode(settings, kUserName, id);
    if (name != nullptr) {
        ReplaceUserName(name);
    }
    mSavedParentName.reset(ReadText(settings, kParentName, id));
    ReadFlag(settings, kVisible, id, mVisible);
    // "LcNm" is not read: the byte-string name is made from the Unicode one when asked for.
}

OSErr PPDXElement::Save(Settings& settings, const long& id) {
    OSErr result = AddText(settings, kKeyword, id, Keyword());
    if (result != noErr) {
        return result;
    }
    if (mUserNameText == nullptr && mUserName != nullptr) {
        char text[kUserNameTextBytes];
        text[0] = '\0';
        TextConverter::CFStringToCstring(mUserName, text, kUserNameTextBytes);
        text[kUserNameTextBytes - 1] = '\0';
        mUserNameText = new (std::nothrow) CString(text);
    }
    if (mUserNameText != nullptr) {
        result = AddText(settings, kUserNameText, id, *mUserNameText);
        if (result != noErr) {
            return result;
        }
    }
    result = AddUnicode(settings, kUserName, id, mUserName);
    if (result != noErr) {
        return result;
    }
    result = AddFlag(settings, kVisible, id, mVisible);
    if (result != noErr) {
        return result;
    }
    // A rebuilt element whose parent was never linked keeps the keyword it was saved with.
    const char* parent = mParent != nullptr ? mParent->Keyword() : SavedParentName();
    return AddText(settings, kParentName, id, parent);
}

const char* PPDXElement::SavedParentName() const {
    return mSavedParentName != nullptr ? static_cast<const char*>(*mSavedParentName) : nullptr;
}

void PPDXElement::DropSavedParentName() {
    mSavedParentName.reset();
}

// ---- property page ----

PPDXProperty::PPDXProperty(Settings& settings, const long& id) : PPDXProperty() {
    LoadElementItems(settings, id);
    // Without "SPPg" the second flag is not read either.
    if (ReadFlag(settings, kShowInPrintProp, id, mShowInPrintProp)) {
        ReadFlag(settings, kShowInApp, id, mShowInApp);
    }
}

OSErr PPDXProperty::Save(Settings& settings, const long& id) {
    OSErr result = PPDXElement::Save(settings, id);
    if (result == noErr) {
        result = AddFlag(settings, kShowInPrintProp, id, mShowInPrintProp);
    }
    if (result == noErr) {
        result = AddFlag(settings, kShowInApp, id, mShowInApp);
    }
    return result;
}

// ---- group kinds ----

PPDXGroup::PPDXGroup(Settings& settings, const long& id) : PPDXGroup() {
    LoadElementItems(settings, id);
}

OSErr PPDXGroup::Save(Settings& settings, const long& id) {
    OSErr result = PPDXElement::Save(settings, id);
    return result == noErr ? AddMarker(settings, kGroupMarker, id) : result;
}

PPDXRollDown::PPDXRollDown(Settings& settings, const long& id) : PPDXRollDown() {
    LoadElementItems(settings, id);
}

// A roll-down carries its own marker and no "gGrp".
OSErr PPDXRollDown::Save(Settings& settings, const long& id) {
    OSErr result = PPDXElement::Save(settings, id);
    return result == noErr ? AddMarker(settings, kRollDownMarker, id) : result;
}

PPDXScrollPane::PPDXScrollPane(Settings& settings, const long& id) : PPDXScrollPane() {
    LoadElementItems(settings, id);
}

OSErr PPDXScrollPane::Save(Settings& settings, const long& id) {
    OSErr result = PPDXElement::Save(settings, id);
    return result == noErr ? AddMarker(settings, kScrollPaneMarker, id) : result;
}
