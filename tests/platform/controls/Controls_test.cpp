// Tests of the controls core through a small panel: the event path with CallNextEventHandler,
// clicks with tracking and auto-repeat, focus, keys through the key filter, paste, values,
// timers on the virtual clock, scrap, alerts and image import.
#include <gtest/gtest.h>

#include "FakePanel.h"
#include "platform/controls/SimulatedUser.h"

namespace {

using Log = std::vector<std::string>;

std::string TextOf(ControlRef field) {
    CFStringRef text = nullptr;
    GetControlData(field, kControlEntireControl, kControlEditTextCFStringTag, sizeof(text), &text,
                   nullptr);
    char buffer[256] = {};
    CFStringGetCString(text, buffer, sizeof(buffer), kCFStringEncodingUTF8);
    CFRelease(text);
    return buffer;
}

TEST(Controls, ClicksGoThroughTheHandlersAndTheStandardHandling) {
    FakePanel panel;
    SimulatedUser user(HeadlessBackend::Default(), panel.dialog);
    ControlRef align = panel.Get(4201);
    ASSERT_NE(nullptr, align);
    EXPECT_EQ(noErr, user.Click(align));
    EXPECT_EQ(1, GetControl32BitValue(align));  // toggled before the hit
    EXPECT_EQ((Log{"click 4201", "hit 4201 11"}), panel.log);

    // A refused Print click is swallowed: no tracking, no hit; the next one goes through.
    panel.log.clear();
    panel.refusePrint = true;
    user.Click(panel.print);
    panel.refusePrint = false;
    user.Click(panel.print);
    EXPECT_EQ((Log{"click print", "click print", "hit print 10"}), panel.log);

    // A radio button's click is the group's hit; a disabled or hidden control is not clicked.
    panel.log.clear();
    ControlRef units = panel.Get(4202);
    EXPECT_EQ(noErr, user.ClickRadioButton(units, 3));
    EXPECT_EQ(3, GetControl32BitValue(units));
    DisableControl(align);
    EXPECT_EQ(errControlHiddenOrDisabled, user.Click(align));
    EnableControl(align);
    HideControl(panel.pane);  // hides what is embedded in it
    EXPECT_FALSE(IsControlVisible(align));
    EXPECT_EQ(errControlHiddenOrDisabled, user.Click(align));
    ShowControl(panel.pane);
    EXPECT_EQ((Log{"click 4202", "hit 4202 27"}), panel.log);
    ControlRef mm = nullptr;
    GetIndexedSubControl(units, 3, &mm);
    EXPECT_EQ(1, GetControl32BitValue(mm));
}

TEST(Controls, HeldArrowStepsAtOnceThenByTheTimerUntilReleasedOrStopped) {
    FakePanel panel;
    HeadlessBackend& backend = HeadlessBackend::Default();
    SimulatedUser user(backend, panel.dialog);
    EventTime start = GetCurrentEventTime();
    user.Hold(panel.Get(4213), 1.25);
    EXPECT_EQ(9, panel.steps);  // the press, then 0.5, 0.6, ... 1.2 s
    EXPECT_DOUBLE_EQ(start + 1.25, GetCurrentEventTime());
    EXPECT_EQ(kEventDurationForever, ControlsNextTimerFireTime());  // removed on release

    panel.steps = 0;
    panel.stepLimit = 4;  // the timer stops itself at a limit
    user.Hold(panel.Get(4218), 3);
    EXPECT_EQ(4, panel.steps);
    EXPECT_TRUE(panel.timerStopped);

    // A stepper's arrow parts: one action each, no repeat of its own.
    panel.steps = 0;
    user.Click(panel.Get(4207), kControlUpButtonPart);
    user.Click(panel.Get(4207), kControlDownButtonPart);
    user.Click(panel.Get(4207), kControlDownButtonPart);
    EXPECT_EQ(-1, panel.steps);
    EXPECT_EQ("hit 4207 21", panel.log.back());
}

TEST(Controls, FocusMovesThroughSetFocusPartEventsAndAHandlerCanKeepIt) {
    FakePanel panel;
    SimulatedUser user(HeadlessBackend::Default(), panel.dialog);
    ControlRef frontX = panel.Get(4203);
    ControlRef frontY = panel.Get(4204);
    user.TypeInto(frontX, "1");
    user.TypeInto(frontY, "2");
    EXPECT_EQ((Log{"click 4203", "focus 4203 5", "hit 4203 5", "click 4204", "focus 4203 0",
                   "focus 4204 5", "hit 4204 5"}),
              panel.log);
    ControlRef focus = nullptr;
    GetKeyboardFocus(panel.dialog, &focus);
    EXPECT_EQ(frontY, focus);

    // A handler on the field that does not pass the event on keeps the focus there.
    EventTypeSpec focusEvent{kEventClassControl, kEventControlSetFocusPart};
    EventHandlerRef keeper = nullptr;
    InstallControlEventHandler(
        frontY, [](EventHandlerCallRef, EventRef, void*) -> OSStatus { return noErr; }, 1,
        &focusEvent, nullptr, &keeper);
    EXPECT_EQ(errCouldntSetFocus, SetKeyboardFocus(panel.dialog, frontX, kControlEditTextPart));
    GetKeyboardFocus(panel.dialog, &focus);
    EXPECT_EQ(frontY, focus);
    EXPECT_EQ(noErr, RemoveEventHandler(keeper));
    EXPECT_EQ(paramErr, RemoveEventHandler(keeper));
    user.Blur();
    GetKeyboardFocus(panel.dialog, &focus);
    EXPECT_EQ(nullptr, focus);
    EXPECT_EQ("focus 4204 0", panel.log.back());
    // Only text fields take the focus.
    EXPECT_EQ(errControlDoesntSupportFocus,
              SetKeyboardFocus(panel.dialog, panel.Get(4201), kControlEditTextPart));
}

TEST(Controls, KeysPassTheKeyFilterBeforeTheFieldEditsItsText) {
    FakePanel panel;
    SimulatedUser user(HeadlessBackend::Default(), panel.dialog);
    ControlRef field = panel.Get(4205);
    user.TypeInto(field, "1a2 .5x");
    EXPECT_EQ("12.5", TextOf(field));
    ControlEditTextSelectionRec selection{};
    GetControlData(field, 0, kControlEditTextSelectionTag, sizeof(selection), &selection, nullptr);
    EXPECT_EQ(4, selection.selStart);
    EXPECT_EQ(4, selection.selEnd);
    // The caret moves with the arrows, backspace deletes before it; typing replaces all.
    user.PressKey(kVK_LeftArrow, kLeftArrowCharCode);
    user.PressKey(kVK_LeftArrow, kLeftArrowCharCode);
    user.PressKey(kVK_Delete, kBackspaceCharCode);
    user.Type("7");
    EXPECT_EQ("17.5", TextOf(field));
    user.TypeInto(field, "-3");
    EXPECT_EQ("-3", TextOf(field));
    // The filter blocks the up arrow and steps instead; the text stays.
    user.ArrowKey(field, kUpArrowCharCode);
    EXPECT_EQ(1, panel.steps);
    EXPECT_EQ("-3", TextOf(field));
    // A locked field (a range box) takes the focus but not the typing.
    ControlRef box = panel.Get(4226);
    Boolean locked = 0;
    GetControlData(box, 0, kControlEditTextLockedTag, sizeof(locked), &locked, nullptr);
    EXPECT_TRUE(locked);
    user.TypeInto(box, "9");
    EXPECT_EQ("", TextOf(box));
}

TEST(Controls, PasteCommandCarriesTheScrap) {
    FakePanel panel;
    SimulatedUser user(HeadlessBackend::Default(), panel.dialog);
    user.TypeInto(panel.Get(4203), "");
    user.Paste("12,5");
    user.Blur();
    user.Paste("");  // no focus: the command goes to the window
    EXPECT_EQ("paste 12,5", panel.log[panel.log.size() - 3]);
    EXPECT_EQ("paste ", panel.log.back());

    ScrapRef old = nullptr;
    GetCurrentScrap(&old);
    ClearCurrentScrap();
    Size size = 0;
    EXPECT_EQ(noScrapErr, GetScrapFlavorSize(old, kScrapFlavorTypeText, &size));
    ScrapRef scrap = nullptr;
    GetCurrentScrap(&scrap);
    EXPECT_EQ(noTypeErr, GetScrapFlavorSize(scrap, kScrapFlavorTypeText, &size));
    EXPECT_EQ(noErr, PutScrapFlavor(scrap, kScrapFlavorTypeText, 0, 3, "abc"));
    char two[2];
    size = 2;
    EXPECT_EQ(noErr, GetScrapFlavorData(scrap, kScrapFlavorTypeText, &size, two));
    EXPECT_EQ(2, size);
}

TEST(Controls, HandlersRunNewestFirstAlongThePathAndCallNextRunsTheRest) {
    FakePanel panel;
    ControlRef align = panel.Get(4201);
    static Log order;
    order.clear();
    EventTypeSpec hit{kEventClassControl, kEventControlHit};
    EventHandlerRef first = nullptr;
    EventHandlerRef second = nullptr;
    InstallControlEventHandler(
        align,
        [](EventHandlerCallRef, EventRef, void*) -> OSStatus {
            order.push_back("first");
            return eventNotHandledErr;
        },
        1, &hit, nullptr, &first);
    InstallControlEventHandler(
        align,
        [](EventHandlerCallRef call, EventRef event, void*) -> OSStatus {
            order.push_back("second");
            OSStatus rest = CallNextEventHandler(call, event);  // first, pane, window
            order.push_back("back " + std::to_string(rest));
            return eventNotHandledErr;  // the rest has run: nothing runs twice
        },
        1, &hit, nullptr, &second);
    SimulatedUser user(HeadlessBackend::Default(), panel.dialog);
    user.Click(align);
    EXPECT_EQ((Log{"second", "first", "back 0"}), order);
    EXPECT_EQ("hit 4201 11", panel.log.back());
    EXPECT_EQ(1, std::count(panel.log.begin(), panel.log.end(), "hit 4201 11"));

    // A removed handler is skipped; a disposed control's handlers go with it.
    order.clear();
    RemoveEventHandler(second);
    user.Click(align);
    EXPECT_EQ((Log{"first"}), order);
    DisposeControl(align);
    EXPECT_EQ(paramErr, RemoveEventHandler(first));
    EXPECT_EQ(nullptr, panel.Get(4201));
}

TEST(Controls, TimersFireInOrderOnTheVirtualClock) {
    HeadlessBackend& backend = HeadlessBackend::Default();
    static Log fired;
    fired.clear();
    EventLoopTimerRef once = nullptr;
    EventLoopTimerRef repeating = nullptr;
    InstallEventLoopTimer(
        GetMainEventLoop(), 0.25, 0, [](EventLoopTimerRef, void*) { fired.push_back("once"); },
        nullptr, &once);
    InstallEventLoopTimer(
        GetMainEventLoop(), 0.1, 0.1,
        [](EventLoopTimerRef timer, void*) {
            fired.push_back("tick");
            if (fired.size() == 4) {
                RemoveEventLoopTimer(timer);  // from its own callback
            }
        },
        nullptr, &repeating);
    backend.Advance(1.0);
    EXPECT_EQ((Log{"tick", "tick", "once", "tick"}), fired);
    EXPECT_EQ(paramErr, RemoveEventLoopTimer(repeating));
    // A one-shot timer stays installed until rescheduled or removed.
    EXPECT_EQ(noErr, SetEventLoopTimerNextFireTime(once, 0.5));
    backend.Advance(0.49);
    EXPECT_EQ(4u, fired.size());
    backend.Advance(0.01);
    EXPECT_EQ("once", fired.back());
    EXPECT_EQ(noErr, RemoveEventLoopTimer(once));
}

TEST(Controls, ValuesStayWithinTheirLimits) {
    FakePanel panel;
    ControlRef stepper = panel.Get(4208);
    SetControl32BitMaximum(stepper, 36);
    SetControl32BitMinimum(stepper, -36);
    SetControl32BitValue(stepper, 50);
    EXPECT_EQ(36, GetControl32BitValue(stepper));
    SetControl32BitMaximum(stepper, 10);  // pulls the value in
    EXPECT_EQ(10, GetControlValue(stepper));
    SetControlValue(stepper, -100);
    EXPECT_EQ(-36, GetControl32BitValue(stepper));

    Rect bounds{};
    MoveControl(panel.pane, 5, 10);  // embedded controls move along
    GetControlBounds(panel.Get(4225), &bounds);
    EXPECT_EQ((std::vector<int>{15, 16, 195, 36}),
              (std::vector<int>{bounds.left, bounds.top, bounds.right, bounds.bottom}));
    SizeControl(panel.Get(4225), 40, 30);
    GetControlBounds(panel.Get(4225), &bounds);
    EXPECT_EQ(55, bounds.right);
    EXPECT_EQ(46, bounds.bottom);
}

TEST(Controls, AlertsAreRecordedAndImagesImported) {
    HeadlessBackend& backend = HeadlessBackend::Default();
    backend.ClearAlerts();
    AlertStdCFStringAlertParamRec param;
    GetStandardAlertDefaultParams(&param, kStdCFStringAlertVersionOne);
    DialogRef alert = nullptr;
    ASSERT_EQ(noErr,
              CreateStandardAlert(kAlertCautionAlert, CFSTR("Image Shift:Value is out of range."),
                                  nullptr, &param, &alert));
    DialogItemIndex item = 0;
    EXPECT_EQ(noErr, RunStandardAlert(alert, nullptr, &item));
    EXPECT_EQ(kAlertStdAlertOKButton, item);
    CreateStandardAlert(kAlertNoteAlert, CFSTR("A"), CFSTR("why"), nullptr, &alert);
    RunStandardAlert(alert, nullptr, nullptr);
    EXPECT_EQ((Log{"Image Shift:Value is out of range.", "A\nwhy"}), backend.Alerts());

    FakePanel panel;
    CFStringRef path = CFStringCreateWithCString(
        nullptr, FakePanel::ResourcePath("landscape_b.tif").c_str(), kCFStringEncodingUTF8);
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, path, kCFURLPOSIXPathStyle, false);
    Handle dataRef = nullptr;
    OSType type = 0;
    ASSERT_EQ(noErr, QTNewDataReferenceFromCFURL(url, 0, &dataRef, &type));
    ComponentInstance importer = nullptr;
    ASSERT_EQ(noErr, GetGraphicsImporterForDataRef(dataRef, type, &importer));
    Rect natural{};
    GraphicsImportGetNaturalBounds(importer, &natural);
    EXPECT_EQ(44, natural.right);
    EXPECT_EQ(34, natural.bottom);
    Rect place{66, 49, 100, 93};
    GraphicsImportSetBoundsRect(importer, &place);
    GraphicsImportSetGraphicsMode(importer, graphicsModeStraightAlpha, nullptr);
    GraphicsImportSetGWorld(importer, GetWindowPort(panel.dialog), nullptr);
    EXPECT_EQ(noErr, GraphicsImportDraw(importer));
    EXPECT_EQ(noErr, GraphicsImportDraw(importer));  // over itself: still one image
    CloseComponent(importer);
    std::vector<DrawnImage> images = ControlsCopyWindowImages(panel.dialog);
    ASSERT_EQ(1u, images.size());
    EXPECT_EQ(graphicsModeStraightAlpha, images[0].mode);
    EXPECT_EQ(49, images[0].bounds.left);
    EXPECT_NE(std::string::npos, images[0].path.find("landscape_b.tif"));
    DisposeHandle(dataRef);
    CFRelease(url);
    CFRelease(path);

    // A file that is no image has no importer.
    path = CFStringCreateWithCString(nullptr, FakePanel::ResourcePath("ImageShift.ui").c_str(),
                                     kCFStringEncodingUTF8);
    url = CFURLCreateWithFileSystemPath(nullptr, path, kCFURLPOSIXPathStyle, false);
    QTNewDataReferenceFromCFURL(url, 0, &dataRef, &type);
    EXPECT_EQ(cantFindHandler, GetGraphicsImporterForDataRef(dataRef, type, &importer));
    EXPECT_EQ(nullptr, importer);
    DisposeHandle(dataRef);
    CFRelease(url);
    CFRelease(path);
}

}  // namespace
