// A print dialog in miniature for the panel tests: a window with the extension's pane and a
// Print button, the model over a test PPD, the panel, and a simulated person with scripts.
#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "imageshift/ImageShiftData.h"
#include "imageshift/UI_Panel.h"
#include "tests/imageshift/ImageShiftTestSupport.h"
#include "platform/controls/HeadlessBackend.h"
#include "platform/controls/SimulatedUser.h"
#include "platform/controls/UserScript.h"
#include "tests/platform/LanguageEnvironment.h"

namespace istest {

// The bundle the tests run in, with the plug-in's resources (interface file, page images,
// string tables); also given to PDEBundle.
CFBundleRef TestBundle();

class PanelHarness {
public:
    // The pane is 525 × 200 at the window's origin; the Print button lies below it. The
    // texts are in `language` while the harness lives.
    explicit PanelHarness(const std::string& ppdPath, bool portrait = true,
                          const char* language = "en",
                          HeadlessBackend& backend = HeadlessBackend::Default());
    ~PanelHarness();
    PanelHarness(const PanelHarness&) = delete;
    PanelHarness& operator=(const PanelHarness&) = delete;

    UI_Panel& Panel() const { return *mPanel; }
    ImageShiftData& Data() const { return *mData; }
    SimulatedUser& User() { return mUser; }
    UserScript& Script() { return mScript; }
    HeadlessBackend& Backend() const { return mBackend; }
    WindowRef Window() const { return mWindow; }
    ControlRef Pane() const { return mPane; }
    ControlRef PrintButton() const { return mPrint; }
    ControlRef Control(SInt32 number) const { return mUser.Find(UI_Panel::kSignature, number); }

    // Prints that went through (hits of the Print button).
    int Printed() const { return mPrinted; }
    // What the dialog does after the page setup changed: closes and opens the panel.
    void SetOrientation(bool portrait);
    // The model's side of a dump: enable, align, units, committed texts, exact values.
    nlohmann::ordered_json ModelState() const;
    // The dumped state: controls, alerts, the prints and the model.
    nlohmann::ordered_json State() const { return mScript.State(); }
    std::string Text(SInt32 number) const;
    SInt32 Value(SInt32 number) const;

private:
    static OSStatus PrintHit(EventHandlerCallRef, EventRef, void* harness);

    LanguageEnvironment mLanguage;
    HeadlessBackend& mBackend;
    PPDPtr mPPD;
    std::unique_ptr<ImageShiftData> mData;
    IBNibRef mNib = nullptr;
    WindowRef mWindow = nullptr;
    ControlRef mPane = nullptr;
    ControlRef mPrint = nullptr;
    EventHandlerRef mPrintHandler = nullptr;
    std::unique_ptr<UI_Panel> mPanel;
    SimulatedUser mUser;
    UserScript mScript;
    int mPrinted = 0;
};

}  // namespace istest
