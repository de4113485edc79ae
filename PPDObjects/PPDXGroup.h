// PPDXGroup: a named group of the PPD's layout; the base of roll-downs and scroll panes.
#pragma once

#include "PPDObjects/PPDXElement.h"

class PPDXGroup : public PPDXElement {
public:
    PPDXGroup();
    PPDXGroup(const char* keyword, CFStringRef inLocalName, const bool& visible);
    ~PPDXGroup() override;
    // Cache members (Save, the constructor from a settings item) are added by the cache code.
};
