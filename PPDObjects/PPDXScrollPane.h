// PPDXScrollPane: a group that lists its roll-downs (not owned) in a PPDXGroups.
#pragma once

#include "PPDObjects/PPDXGroup.h"

class PPDXGroups;

class PPDXScrollPane : public PPDXGroup {
public:
    // Both constructors create the empty group container.
    PPDXScrollPane();
    PPDXScrollPane(const char* keyword, CFStringRef inLocalName, const bool& visible);
    // Deletes the container, not the roll-downs.
    ~PPDXScrollPane() override;
    // ---- settings cache (settings/ElementCache.cpp) ----
    PPDXScrollPane(Settings& settings, const long& id);
    OSErr Save(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    PPDXGroups* RollDowns() const { return mRollDowns; }

protected:
    PPDXGroups* mRollDowns;  // owned
};
