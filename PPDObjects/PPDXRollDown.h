// PPDXRollDown: a group that lists its own controls (not owned) in a PPDXControls.
#pragma once

#include "PPDObjects/PPDXGroup.h"

class PPDXControls;

class PPDXRollDown : public PPDXGroup {
public:
    // Both constructors create the empty controls container.
    PPDXRollDown();
    PPDXRollDown(const char* keyword, CFStringRef inLocalName, const bool& visible);
    // Deletes the container, not the controls.
    ~PPDXRollDown() override;
    // ---- settings cache (settings/ElementCache.cpp) ----
    PPDXRollDown(Settings& settings, const long& id);
    OSErr Save(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    PPDXControls* Controls() const { return mControls; }

protected:
    PPDXControls* mControls;  // owned
};
