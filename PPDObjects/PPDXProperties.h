// PPDXProperties: the list of property pages, walked in order without display filtering.
#pragma once

#include "PPDObjects/PPDXKeywordIndex.h"
#include "foundation/PointerList.h"

class PPDXProperty;
class Settings;

class PPDXProperties {
public:
    PPDXProperties();
    // Deletes nothing but the list: the pages belong to the model root.
    virtual ~PPDXProperties();
    // ---- settings cache (settings/ContainerCache.cpp) ----
    // The pages of cache objects 3001 upward.
    explicit PPDXProperties(Settings& settings);
    // The count, then every page as objects 3001 upward; 0 or the failing result.
    int16_t Save(Settings& settings);
    // ---- end of settings cache ----

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
