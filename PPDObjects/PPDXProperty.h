// PPDXProperty: a property page of the PPD's layout, pointing to its scroll pane.
#pragma once

#include "PPDObjects/PPDXElement.h"

class PPDXScrollPane;

class PPDXProperty : public PPDXElement {
public:
    PPDXProperty();
    PPDXProperty(const char* keyword, CFStringRef inLocalName, const bool& visible,
                 const bool& showInPrintProp, const bool& showInApp);
    ~PPDXProperty() override;
    // ---- settings cache (settings/ElementCache.cpp) ----
    PPDXProperty(Settings& settings, const long& id);
    OSErr Save(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    bool ShowInPrintProp() const { return mShowInPrintProp; }
    bool ShowInApp() const { return mShowInApp; }
    PPDXScrollPane* GetScrollDown() const { return mScrollDown; }
    // Not owned.
    void SetScrollDown(PPDXScrollPane* pane) { mScrollDown = pane; }

protected:
    PPDXScrollPane* mScrollDown;  // not owned, null until set
    bool mShowInPrintProp;
    bool mShowInApp;
};
