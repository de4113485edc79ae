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
    // Cache members (Save, the constructor from a settings item) are added by the cache code.

    PPDXGroups* RollDowns() const { return mRollDowns; }

protected:
    PPDXGroups* mRollDowns;  // owned
};
