// PPDXProperties: the list of property pages, walked in order without display filtering.
#pragma once

#include "PPDObjects/PPDXKeywordIndex.h"
#include "foundation/PointerList.h"

class PPDXProperty;

class PPDXProperties {
public:
    PPDXProperties();
    // Deletes nothing but the list: the pages belong to the model root.
    virtual ~PPDXProperties();
    // Cache members (Save, the constructor from settings) are added by the cache code.

    // Appends a page (null is ignored).
    void Add(PPDXProperty* property);
    long Count() const;
    bool Empty() const { return Count() == 0; }
    PPDXProperty* First();
    PPDXProperty* Next();
    // First page of the walk whose keyword matches (byte-equal when `exact`, case-sensitive
    // substring otherwise); the cursor moves as the walk would.
    PPDXProperty* Find(const char* keyword, const bool& exact);

    PPDXProperties(const PPDXProperties&) = delete;
    PPDXProperties& operator=(const PPDXProperties&) = delete;

protected:
    PointerList mProperties;
    PointerListItr mCursor;
    PPDXKeywordIndex mIndex;
};
