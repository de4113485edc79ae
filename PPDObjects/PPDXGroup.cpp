// PPDXGroup, PPDXRollDown and PPDXScrollPane: the group kinds and the containers they own.
#include "PPDObjects/PPDXGroup.h"

#include <new>

#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"

PPDXGroup::PPDXGroup() : PPDXElement() {}

PPDXGroup::PPDXGroup(const char* keyword, CFStringRef inLocalName, const bool& visible)
    : PPDXElement(keyword, inLocalName, visible) {}

PPDXGroup::~PPDXGroup() {}

// Without memory for its container a roll-down or scroll pane lists nothing: Controls() and
// RollDowns() answer null, which every caller tests.
PPDXRollDown::PPDXRollDown() : PPDXGroup(), mControls(new (std::nothrow) PPDXControls) {}

PPDXRollDown::PPDXRollDown(const char* keyword, CFStringRef inLocalName, const bool& visible)
    : PPDXGroup(keyword, inLocalName, visible), mControls(new (std::nothrow) PPDXControls) {}

PPDXRollDown::~PPDXRollDown() {
    delete mControls;
}

PPDXScrollPane::PPDXScrollPane() : PPDXGroup(), mRollDowns(new (std::nothrow) PPDXGroups) {}

PPDXScrollPane::PPDXScrollPane(const char* keyword, CFStringRef inLocalName, const bool& visible)
    : PPDXGroup(keyword, inLocalName, visible), mRollDowns(new (std::nothrow) PPDXGroups) {}

PPDXScrollPane::~PPDXScrollPane() {
    delete mRollDowns;
}
