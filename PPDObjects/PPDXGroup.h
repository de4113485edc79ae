// PPDXGroup: a named group of the PPD's layout; the base of roll-downs and scroll panes.
#pragma once

#include "PPDObjects/PPDXElement.h"

class PPDXGroup : public PPDXElement {
public:
    PPDXGroup();
    PPDXGroup(const char* keyword, CFStringRef inLocalName, const bool& visible);
    ~PPDXGroup() override;
    // ---- settings cache (settings/ElementCache.cpp) ----
    PPDXGroup(Settings& settings, const long& id);
    OSErr Save(Settings& settings, const long& id) override;
    // ---- end of settings cache ----
};
