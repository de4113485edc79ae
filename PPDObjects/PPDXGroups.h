// PPDXGroups: the list of groups (plain groups, roll-downs, scroll panes) with display-aware
// counting and walking and look-up by keyword.
#pragma once

#include <cstdint>

#include "PPDObjects/PPDXKeywordIndex.h"
#include "foundation/PointerList.h"

class PPDXGroup;
class Settings;

class PPDXGroups {
public:
    PPDXGroups();
    // Deletes nothing but the list: the groups belong to the model root.
    virtual ~PPDXGroups();
    // ---- settings cache (settings/ContainerCache.cpp) ----
    // The groups of cache objects 4001 upward, each of the kind its marker names.
    explicit PPDXGroups(Settings& settings);
    // The count, then every group as objects 4001 upward; 0 or the failing result.
    int16_t Save(Settings& settings);
    // ---- end of settings cache ----

    // Appends a group (null is ignored) and counts it.
    void Add(PPDXGroup* group);
    // The number of groups the current display options admit; 0 for options outside 0 to 3.
    long Count() const;
    bool Empty() const { return Count() == 0; }
    // Number of entries, whatever the display options.
    long Size() const;
    // Walk of the groups the current display options admit.
    PPDXGroup* First();
    PPDXGroup* Next();
    // First group in list order, displayable or not, whose keyword matches (byte-equal when
    // `exact`, case-sensitive substring otherwise); the cursor does not move.
    PPDXGroup* Find(const char* keyword, const bool& exact) const;

    PPDXGroups(const PPDXGroups&) = delete;
    PPDXGroups& operator=(const PPDXGroups&) = delete;

protected:
    PPDXGroup* Settle();

    PointerList mGroups;
    PointerListItr mCursor;
    uint32_t mTotal;
    uint32_t mOrphans;
    uint32_t mHidden;
    PPDXKeywordIndex mIndex;
};
