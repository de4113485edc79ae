// Tests of the panel beside the scenario scripts: the merge into the dialog's pane, titles and
// wiring, a missing interface file, the page images drawn, a hidden panel ignoring events,
// rebinding to a new model, the icon arithmetic and the alert that never stacks.
#include <gtest/gtest.h>

#include <string>

#include "platform/controls/ControlsBackend.h"
#include "platform/controls/Quickdraw.h"
#include "tests/imageshift/ImageShiftTestSupport.h"
#include "tests/imageshift/PanelHarness.h"

using namespace istest;

namespace {

std::string Title(ControlRef control) {
    CFStringRef title = nullptr;
    if (control == nullptr || CopyControlTitleAsCFString(control, &title) != noErr)
        return "<none>";
    std::string text = Utf8(title);
    CFRelease(title);
    return text;
}

std::string File(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

Rect Bounds(ControlRef control) {
    Rect r{};
    GetControlBounds(control, &r);
    return r;
}

// The back end that answers the alert by asking for another one, as a second click on a
// field would while the first alert is still up.
class NestingBackend : public HeadlessBackend {
public:
    UI_Panel* panel = nullptr;
    DialogItemIndex RunAlert(AlertType type, CFStringRef message,
                             CFStringRef explanation) override {
        if (panel != nullptr)
            panel->ShowOutOfRangeErr();
        return HeadlessBackend::RunAlert(type, message, explanation);
    }
};

}  // namespace

TEST(UIPanel, MergesIntoThePaneWithTitlesAndWiring) {
    PanelHarness h(DataPath("imageshift-basic.ppd"));
    UI_Panel& panel = h.Panel();
    EXPECT_TRUE(panel.IsBuilt());
    EXPECT_EQ(panel.GetStatus(), noErr);
    // The pane holds its controls (the lowest ends at 196) and grows by 20.
    const Rect pane = Bounds(h.Pane());
    EXPECT_EQ(pane.left, 0);
    EXPECT_EQ(pane.top, 0);
    EXPECT_EQ(pane.right, 525);
    EXPECT_EQ(pane.bottom, 220);

    for (SInt32 n = UI_Panel::kFirstControl; n <= UI_Panel::kLastControl; ++n) {
        ControlRef control = panel.GetControl(n);
        ASSERT_NE(control, nullptr) << n;
        EXPECT_EQ(control, h.Control(n)) << n;
        EXPECT_EQ(GetControlReference(control), &panel) << n;
        ControlRef super = nullptr;
        GetSuperControl(control, &super);
        EXPECT_EQ(super, h.Pane()) << n;
    }
    // The unit buttons are titled from the string table.
    ControlRef units = panel.GetControl(UI_Panel::kUnitsRadioGroup);
    const char* titles[3] = {"Points", "Inches", "Millimeters"};
    for (UInt16 i = 1; i <= 3; ++i) {
        ControlRef button = nullptr;
        ASSERT_EQ(GetIndexedSubControl(units, i, &button), noErr);
        EXPECT_EQ(Title(button), titles[i - 1]);
    }
    // Steppers and arrows step; fields and range boxes filter their keys.
    for (SInt32 n : {4207, 4210, 4213, 4220})
        EXPECT_NE(GetControlAction(panel.GetControl(n)), nullptr) << n;
    for (SInt32 n : {4203, 4206, 4226, 4229}) {
        ControlKeyFilterUPP filter = nullptr;
        EXPECT_EQ(GetControlData(panel.GetControl(n), kControlEntireControl,
                                 kControlEditTextKeyFilterTag, sizeof filter, &filter, nullptr),
                  noErr);
        EXPECT_EQ(filter, &UI_Panel::NumericKeyFilterProcPtr) << n;
    }
    // The page images went into the dialog's window at the icons' places.
    const std::vector<DrawnImage> images = ControlsCopyWindowImages(h.Window());
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(File(images[0].path), "portrait_f.tif");
    EXPECT_EQ(File(images[1].path), "portrait_b.tif");
    EXPECT_EQ(images[0].mode, graphicsModeStraightAlpha);
    const Rect backIcon = Bounds(panel.GetControl(UI_Panel::kBackIcon));
    EXPECT_TRUE(EqualRect(&images[1].bounds, &backIcon));
}

TEST(UIPanel, WithoutItsInterfaceFile) {
    PPDPtr ppd = ParsePPD(DataPath("imageshift-basic.ppd"));
    ImageShiftData data(*ppd);
    WindowRef window = nullptr;
    const Rect content{0, 0, 300, 545};
    CreateNewWindow(kMovableModalWindowClass, kWindowNoAttributes, &content, &window);
    ControlRef pane = nullptr;
    const Rect paneBounds{0, 0, 200, 525};
    CreateUserPaneControl(window, &paneBounds, 0, &pane);
    {
        UI_Panel panel(nullptr, pane, &data, TestBundle());
        EXPECT_FALSE(panel.IsBuilt());
        EXPECT_NE(panel.GetStatus(), noErr);
        EXPECT_EQ(panel.GetControl(UI_Panel::kFrontXField), nullptr);
        const Rect now = Bounds(pane);
        EXPECT_TRUE(EqualRect(&paneBounds, &now));
        // Without its fields nothing validates, and nothing else breaks.
        EXPECT_FALSE(panel.ValidateUISettings(0));
        panel.Show();
        panel.CommitUserChanges();
        EXPECT_FALSE(panel.MoveOffset(UI_Panel::kFrontPage, UI_Panel::kUp));
        panel.Hide();
    }
    DisposeWindow(window);
}

TEST(UIPanel, HiddenPanelLeavesEventsAlone) {
    PanelHarness h(DataPath("imageshift-basic.ppd"));
    h.Panel().Hide();
    EXPECT_FALSE(h.Panel().IsShown());
    ASSERT_EQ(h.User().Click(h.Control(UI_Panel::kAlignCheckBox)), noErr);
    EXPECT_EQ(h.Value(UI_Panel::kAlignCheckBox), 1);  // the box toggles itself
    EXPECT_FALSE(h.Data().mAlign);
    EXPECT_TRUE(IsControlEnabled(h.Control(UI_Panel::kBackXField)));
    // Shown again, the panel follows its model and handles the next click.
    h.Panel().ResetUIFromCurrentData();
    h.Panel().Show();
    EXPECT_EQ(h.Value(UI_Panel::kAlignCheckBox), 0);
    ASSERT_EQ(h.User().Click(h.Control(UI_Panel::kAlignCheckBox)), noErr);
    EXPECT_TRUE(h.Data().mAlign);
    EXPECT_FALSE(IsControlEnabled(h.Control(UI_Panel::kBackXField)));
}

TEST(UIPanel, RebindsToANewModel) {
    PanelHarness h(DataPath("imageshift-basic.ppd"));
    PPDPtr other = ParsePPD(DataPath("imageshift-fallback.ppd"));
    ImageShiftData data(*other);
    Str text("-2.5");
    data.setFrontXString(text);
    h.Panel().ResetUI(&data);
    EXPECT_EQ(h.Panel().GetData(), &data);
    EXPECT_EQ(h.Text(UI_Panel::kFrontXField), "-2.50");
    EXPECT_EQ(h.Value(UI_Panel::kFrontXStepper), -2);
    EXPECT_EQ(h.Value(UI_Panel::kUnitsRadioGroup), kUnitsMM);
    EXPECT_EQ(h.Text(4226), "-3.53");
    // Image shift is off in this model: only the enable box and the displays stay enabled.
    EXPECT_EQ(h.Value(UI_Panel::kEnableCheckBox), 0);
    EXPECT_TRUE(IsControlEnabled(h.Control(UI_Panel::kEnableCheckBox)));
    EXPECT_FALSE(IsControlEnabled(h.Control(UI_Panel::kDefaultsButton)));
    EXPECT_FALSE(IsControlEnabled(h.Control(UI_Panel::kFrontYField)));
    EXPECT_FALSE(IsControlEnabled(h.Control(UI_Panel::kBackYField)));
    h.Panel().ResetUI(&h.Data());
}

TEST(UIPanel, IconTakesItsImageSizeAroundItsCentre) {
    PanelHarness h(DataPath("imageshift-basic.ppd"));
    UI_Panel& panel = h.Panel();
    ControlRef icon = panel.GetControl(UI_Panel::kFrontIcon);
    // A 45-wide icon and a 34 x 44 image: 0 + 45/2 - 34/2 = 5.
    const Rect start{0, 0, 50, 45};
    SetControlBounds(icon, &start);
    panel.ShowOnePageIcon(CFSTR("portrait_f"), icon);
    Rect r = Bounds(icon);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 39);
    EXPECT_EQ(r.bottom, 44);
    panel.ArrangeArrows();
    const Rect up = Bounds(panel.GetControl(UI_Panel::kFrontUpArrow));
    const Rect left = Bounds(panel.GetControl(UI_Panel::kFrontUpArrow + 2));
    EXPECT_EQ(up.left, 5 + 17 - 8);
    EXPECT_EQ(up.top, -19);
    EXPECT_EQ(left.left, -13);
    EXPECT_EQ(left.top, 44 - 22 - 8);
    // An image that cannot be had leaves the icon as it was.
    panel.ShowOnePageIcon(CFSTR("no_such_page"), icon);
    const Rect after = Bounds(icon);
    EXPECT_TRUE(EqualRect(&r, &after));
}

TEST(UIPanel, AlertNeverStacks) {
    NestingBackend backend;
    ControlsBackend* previous = ControlsSetBackend(&backend);
    {
        PanelHarness h(DataPath("imageshift-basic.ppd"), true, "en", backend);
        backend.panel = &h.Panel();
        h.Panel().ShowOutOfRangeErr();
        ASSERT_EQ(backend.Alerts().size(), 1u);
        EXPECT_EQ(backend.Alerts()[0], "Image Shift:Value is out of range.");
        // Dismissed, the next one shows.
        h.Panel().ShowOutOfRangeErr();
        EXPECT_EQ(backend.Alerts().size(), 2u);
        backend.panel = nullptr;
    }
    ControlsSetBackend(previous);
}
