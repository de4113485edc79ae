// The miniature print dialog of the panel tests.
#include "tests/imageshift/PanelHarness.h"

#include "imageshift/PDEBundle.h"
#include "platform/controls/MacWindows.h"
#include "tests/imageshift/ImageShiftTestSupport.h"

namespace istest {

CFBundleRef TestBundle() {
    CFBundleRef bundle = CFBundleGetMainBundle();
    PDEBundle::InitBundle(bundle);
    return bundle;
}

PanelHarness::PanelHarness(const std::string& ppdPath, bool portrait, const char* language,
                           HeadlessBackend& backend)
    : mLanguage(language),
      mBackend(backend),
      mPPD(ParsePPD(ppdPath)),
      mUser(mBackend),
      mScript(mUser) {
    mBackend.ClearAlerts();
    mData = std::make_unique<ImageShiftData>(*mPPD);
    CreateNibReferenceWithCFBundle(TestBundle(), CFSTR("ImageShift"), &mNib);

    const Rect content{0, 0, 300, 545};
    CreateNewWindow(kMovableModalWindowClass, kWindowNoAttributes, &content, &mWindow);
    const Rect pane{0, 0, 200, 525};
    CreateUserPaneControl(mWindow, &pane, 0, &mPane);
    const Rect print{265, 445, 285, 525};
    CreatePushButtonControl(mWindow, &print, CFSTR("Print"), &mPrint);
    SetWindowDefaultButton(mWindow, mPrint);
    const EventTypeSpec hit{kEventClassControl, kEventControlHit};
    InstallControlEventHandler(mPrint, PrintHit, 1, &hit, this, &mPrintHandler);
    ShowWindow(mWindow);
    mUser.SetWindow(mWindow);

    // Initialize, then Open.
    mPanel = std::make_unique<UI_Panel>(mNib, mPane, mData.get(), TestBundle());
    mPanel->SetIconsSEFOrLEF(portrait);
    mPanel->ResetUIFromCurrentData();
    mPanel->Show();

    mScript.AddAction("orientation", [this](const ScriptLine& line) -> std::string {
        if (line.words.size() != 1 || (line.words[0] != "portrait" && line.words[0] != "landscape"))
            return "orientation takes portrait or landscape";
        SetOrientation(line.words[0] == "portrait");
        return "";
    });
    mScript.AddAction("print", [this](const ScriptLine& line) -> std::string {
        if (!line.words.empty())
            return "print takes no argument";
        return mUser.Click(mPrint) == noErr ? "" : "the Print button cannot be clicked";
    });
    mScript.SetDumpHook([this](nlohmann::ordered_json& state) {
        state["printed"] = mPrinted;
        state["model"] = ModelState();
    });
}

PanelHarness::~PanelHarness() {
    // Close, Terminate, then the dialog goes.
    mPanel->Hide();
    mPanel.reset();
    mData.reset();
    if (mPrintHandler != nullptr)
        RemoveEventHandler(mPrintHandler);
    DisposeWindow(mWindow);
    if (mNib != nullptr)
        DisposeNibReference(mNib);
}

void PanelHarness::SetOrientation(bool portrait) {
    mPanel->Hide();
    mPanel->SetIconsSEFOrLEF(portrait);
    mPanel->ResetUIFromCurrentData();
    mPanel->Show();
}

std::string PanelHarness::Text(SInt32 number) const {
    CFStringRef text = nullptr;
    ControlRef control = Control(number);
    if (control == nullptr ||
        GetControlData(control, kControlEntireControl, kControlEditTextCFStringTag, sizeof text,
                       &text, nullptr) != noErr)
        return "<none>";
    std::string utf8 = Utf8(text);
    CFRelease(text);
    return utf8;
}

SInt32 PanelHarness::Value(SInt32 number) const {
    ControlRef control = Control(number);
    return control != nullptr ? GetControl32BitValue(control) : -99999;
}

nlohmann::ordered_json PanelHarness::ModelState() const {
    nlohmann::ordered_json model;
    const ImageShiftData& d = *mData;
    model["enable"] = d.mEnable;
    model["align"] = d.mAlign;
    model["units"] = d.mUnitsIndex;
    model["offsets"] = nlohmann::ordered_json::array();
    model["exact"] = nlohmann::ordered_json::array();
    for (int i = 0; i < 4; ++i) {
        model["offsets"].push_back(Utf8(d.mOffsetString[i]));
        model["exact"].push_back(d.mExactValue[i]);
    }
    return model;
}

// The Print button went through: the dialog commits the panel (a committing Sync).
OSStatus PanelHarness::PrintHit(EventHandlerCallRef, EventRef, void* userData) {
    PanelHarness* harness = static_cast<PanelHarness*>(userData);
    ++harness->mPrinted;
    harness->mPanel->CommitUserChanges();
    return noErr;
}

}  // namespace istest
