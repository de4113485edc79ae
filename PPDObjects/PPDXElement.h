// PPDXElement: the abstract base of every visible object of the parsed PPD (controls, groups,
// roll-downs, scroll panes, property pages): keyword, user name, visibility and parent.
#pragma once

#include <memory>

#include "PPDObjects/PPDXTypes.h"
#include "platform/CFString.h"
#include "platform/MacTypes.h"
#include "platform/ZEQArena.h"

class CString;
class Settings;

class PPDXElement : public ZEQArenaObject {
public:
    // All fields null or false.
    PPDXElement();
    // Copies `keyword` only when it is non-null and not empty; retains `inLocalName`, which
    // must not be null (fatal assertion); parent null.
    PPDXElement(const char* keyword, CFStringRef inLocalName, const bool& visible);

    // Virtual slots, in order: destructor, OkayToDisplay, Save.
    virtual ~PPDXElement() = 0;
    // Whether the element may be shown under `options` (bit 0 orphans, bit 1 hidden).
    virtual bool OkayToDisplay(const _DISPLAY_OPTIONS_& options);
    // ---- settings cache (settings/ElementCache.cpp) ----
    // The element part of cache object `id`; the parent stays unlinked and its keyword is
    // kept (SavedParentName) until the model root links it.
    PPDXElement(Settings& settings, const long& id);
    // Writes the element items of cache object `id`; 0 or the failing result.
    virtual OSErr Save(Settings& settings, const long& id);
    // The parent keyword read from the cache and not linked yet; null when none.
    const char* SavedParentName() const;
    void DropSavedParentName();
    // ---- end of settings cache ----

    // The keyword text, or null when the element has none.
    const char* Keyword() const;
    // The user name as a byte string, converted on first use and cached; null without a
    // CFStringRef.
    const char* UserName();
    // The stored CFStringRef itself (not retained for the caller).
    CFStringRef CFStringUserName() const { return mUserName; }
    bool IsVisible() const { return mVisible; }
    bool IsOrphan() const { return mParent == nullptr; }
    PPDXElement* GetParent() const { return mParent; }
    // Replaces the parent link; nothing is retained or released.
    void SetParent(PPDXElement* parent) { mParent = parent; }

    // True only when both have a keyword and the keywords are byte-equal.
    bool operator==(const PPDXElement& other) const;
    // True only when the element has a keyword, `keyword` is non-null and both are byte-equal.
    bool operator==(const char* keyword) const;

    PPDXElement(const PPDXElement&) = delete;
    PPDXElement& operator=(const PPDXElement&) = delete;

protected:
    // Replaces the user name: releases the old CFStringRef and drops the text cache; takes
    // over one retain of `name` (which may be null only in default-constructed elements).
    void ReplaceUserName(CFStringRef name);

    CString* mKeyword;       // owned, may be null
    CString* mUserNameText;  // owned cache of UserName(), may be null
    CFStringRef mUserName;   // retained by the element
    bool mVisible;
    PPDXElement* mParent;  // not owned; null for an orphan

    // Settings cache: reads the element items of object `id` into this element.
    void LoadElementItems(Settings& settings, const long& id);
    std::unique_ptr<CString> mSavedParentName;  // parent keyword of a rebuilt element
};
