// PPDXShortcuts: the controls the PPD names as shortcuts; walks and look-ups return only
// popup controls.
#pragma once

#include "foundation/PointerList.h"

class PPDXPopupControl;
class PPDXControls;
class Settings;

class PPDXShortcuts {
public:
    PPDXShortcuts();
    // Copies the list of control pointers (the controls are not owned).
    explicit PPDXShortcuts(PointerList& controls);
    virtual ~PPDXShortcuts();
    // ---- settings cache (settings/ContainerCache.cpp) ----
    // The shortcuts saved as keywords, each looked up in `controls` (nothing without them).
    PPDXShortcuts(Settings& settings, PPDXControls* controls);
    // The count, then the keyword of every entry that has one; 0 or the failing result.
    int16_t Save(Settings& settings);
    // ---- end of settings cache ----

    // Over all entries, popup or not.
    long Count() const;
    bool Empty() const { return Count() == 0; }
    // The entries that are popup controls, in order.
    PPDXPopupControl* First();
    PPDXPopupControl* Next();
    PPDXPopupControl* Find(const char* keyword, const bool& exact);

    PPDXPopupControl* PageSize();     // "*PageSize"
    PPDXPopupControl* InputSlot();    // "*InputSlot"
    PPDXPopupControl* Duplex();       // "*QWDuplex"
    PPDXPopupControl* Orientation();  // "*QW_PAPER_ORIENTATION"
    PPDXPopupControl* Pigmora();      // no PPD keyword yet: always null
    PPDXPopupControl* MediaSource();  // no PPD keyword yet: always null

    PPDXShortcuts(const PPDXShortcuts&) = delete;
    PPDXShortcuts& operator=(const PPDXShortcuts&) = delete;

protected:
    PPDXPopupControl* Settle();

    PointerList mShortcuts;
    PointerListItr mCursor;
};
