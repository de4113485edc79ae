// PPDXShortcuts: the controls the PPD names as shortcuts; walks and look-ups return only
// popup controls.
#pragma once

#include "foundation/PointerList.h"

class PPDXPopupControl;

class PPDXShortcuts {
public:
    PPDXShortcuts();
    // Copies the list of control pointers (the controls are not owned).
    explicit PPDXShortcuts(PointerList& controls);
    virtual ~PPDXShortcuts();
    // Cache members (Save, the constructor from settings) are added by the cache code.

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
