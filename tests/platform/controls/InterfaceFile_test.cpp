// Tests of the interface-file reader: the bundle's ImageShift.ui gives the panel's controls,
// and bad files give an error with a line, never a crash.
#include <gtest/gtest.h>

#include "FakePanel.h"
#include "platform/controls/InterfaceFile.h"

namespace {

struct Expected {
    SInt32 number;
    OSType kind;
    Rect bounds;  // top, left, bottom, right
};

TEST(InterfaceFile, TheBundleFileGivesEveryControlOfThePanel) {
    std::string error;
    auto file = InterfaceFile::Read(FakePanel::ResourcePath("ImageShift.ui"), &error);
    ASSERT_NE(nullptr, file) << error;
    WindowRef window = nullptr;
    ASSERT_EQ(noErr, file->CreateWindow("ImageShift", &window, &error)) << error;
    CFStringRef title = nullptr;
    CopyWindowTitleAsCFString(window, &title);
    EXPECT_TRUE(CFEqual(title, CFSTR("Image Shift")));
    CFRelease(title);

    const Expected expected[] = {
        {4225, kControlKindCheckBox, {6, 10, 26, 190}},
        {4224, kControlKindStaticText, {6, 268, 26, 310}},
        {4202, kControlKindRadioGroup, {6, 315, 26, 515}},
        {4221, kControlKindGroupBox, {30, 10, 166, 258}},
        {4211, kControlKindUserPane, {66, 44, 110, 88}},
        {4213, kControlKindPushButton, {47, 58, 63, 74}},
        {4214, kControlKindPushButton, {112, 58, 128, 74}},
        {4215, kControlKindPushButton, {80, 26, 96, 42}},
        {4216, kControlKindPushButton, {80, 90, 96, 106}},
        {4203, kControlKindEditUnicodeText, {54, 138, 78, 208}},
        {4207, kControlKindLittleArrows, {54, 210, 78, 226}},
        {4204, kControlKindEditUnicodeText, {84, 138, 108, 208}},
        {4208, kControlKindLittleArrows, {84, 210, 108, 226}},
        {4226, kControlKindEditUnicodeText, {130, 122, 152, 182}},
        {4227, kControlKindEditUnicodeText, {130, 188, 152, 248}},
        {4222, kControlKindGroupBox, {30, 267, 166, 515}},
        {4212, kControlKindUserPane, {66, 301, 110, 345}},
        {4217, kControlKindPushButton, {47, 315, 63, 331}},
        {4218, kControlKindPushButton, {112, 315, 128, 331}},
        {4219, kControlKindPushButton, {80, 283, 96, 299}},
        {4220, kControlKindPushButton, {80, 347, 96, 363}},
        {4205, kControlKindEditUnicodeText, {54, 395, 78, 465}},
        {4209, kControlKindLittleArrows, {54, 467, 78, 483}},
        {4206, kControlKindEditUnicodeText, {84, 395, 108, 465}},
        {4210, kControlKindLittleArrows, {84, 467, 108, 483}},
        {4228, kControlKindEditUnicodeText, {130, 379, 152, 439}},
        {4229, kControlKindEditUnicodeText, {130, 445, 152, 505}},
        {4201, kControlKindCheckBox, {174, 10, 194, 260}},
        {4223, kControlKindPushButton, {172, 425, 196, 515}},
    };
    for (const Expected& e : expected) {
        ControlID id{'ImSh', e.number};
        ControlRef control = nullptr;
        ASSERT_EQ(noErr, GetControlByID(window, &id, &control)) << e.number;
        ControlKind kind{};
        GetControlKind(control, &kind);
        EXPECT_EQ(e.kind, kind.kind) << e.number;
        Rect r{};
        GetControlBounds(control, &r);
        EXPECT_TRUE(EqualRect(&r, &e.bounds)) << e.number;
        EXPECT_TRUE(IsControlVisible(control) && IsControlEnabled(control)) << e.number;
        // Every control of the table lies in the pane, its parent the root.
        EXPECT_TRUE(r.right <= 525 && r.bottom <= 200) << e.number;
    }
    // The three unit buttons, the first one on; the range boxes locked and titled.
    ControlID unitsID{'ImSh', 4202};
    ControlRef units = nullptr;
    GetControlByID(window, &unitsID, &units);
    EXPECT_EQ(1, GetControl32BitValue(units));
    EXPECT_EQ(3, GetControl32BitMaximum(units));
    const char* names[] = {"Points", "Inches", "MM"};
    for (UInt16 i = 1; i <= 3; ++i) {
        ControlRef button = nullptr;
        GetIndexedSubControl(units, i, &button);
        CFStringRef buttonTitle = nullptr;
        CopyControlTitleAsCFString(button, &buttonTitle);
        char text[16] = {};
        CFStringGetCString(buttonTitle, text, sizeof(text), kCFStringEncodingUTF8);
        EXPECT_STREQ(names[i - 1], text);
        CFRelease(buttonTitle);
        Rect r{};
        GetControlBounds(button, &r);
        EXPECT_EQ(315 + 68 * (i - 1), r.left);
    }
    ControlID boxID{'ImSh', 4229};
    ControlRef box = nullptr;
    GetControlByID(window, &boxID, &box);
    CFStringRef boxTitle = nullptr;
    CopyControlTitleAsCFString(box, &boxTitle);
    EXPECT_TRUE(CFEqual(boxTitle, CFSTR("BackRange")));
    CFRelease(boxTitle);
    DisposeWindow(window);

    EXPECT_EQ(kIBCarbonRuntimeCantFindObject, file->CreateWindow("Other", &window, &error));
    // Only top-level objects are looked up.
    EXPECT_EQ(kIBCarbonRuntimeCantFindObject, file->CreateWindow("ImSh-4203", &window, &error));
}

TEST(InterfaceFile, BadFilesGiveAnErrorWithItsLine) {
    const std::string head =
        "<interface>\n<object class=\"GtkWindow\" id=\"W\">\n<child>\n"
        "<object class=\"GtkFixed\">\n";
    const std::string tail = "</object>\n</child>\n</object>\n</interface>\n";
    struct Case {
        std::string text;
        bool parses;
        std::string message;
    };
    const Case cases[] = {
        {"", false, "empty"},
        {"<interface><object class=\"GtkWindow\">", false, "line 1"},
        {"<html/>", false, "not a GtkBuilder interface"},
        {"<interface>\n<object id=\"x\"/></interface>", false, "line 2: an object without a class"},
        {"<interface>\n<object class=\"A\"><property name=\"p\"><b/></property></object>"
         "</interface>",
         false, "an element inside a property"},
        {"<interface><object class=\"A\"><child><object class=\"B\"/><object class=\"C\"/>"
         "</child></object></interface>",
         false, "a child holds one object"},
        {"<interface>\xff</interface>", false, "line 1"},
        {head + "<child><object class=\"GtkTreeView\" id=\"t\"/></child>\n" + tail, true,
         "object t: widget class GtkTreeView has no control here"},
        {head +
             "<child><object class=\"GtkEntry\" id=\"e\"/><packing><property name=\"x\">"
             "40000</property></packing></child>\n" +
             tail,
         true, "object e: x is not a number from -1 to 32767"},
        {head +
             "<child><object class=\"GtkEntry\" id=\"e\"><property name=\"width_request\">"
             "32000</property></object><packing><property name=\"x\">"
             "32000</property></packing></child>\n" +
             tail,
         true, "lies beyond 16-bit coordinates"},
        {head +
             "<child><object class=\"GtkCheckButton\" id=\"c\"><property name=\"visible\">"
             "maybe</property></object></child>\n" +
             tail,
         true, "property visible is not a boolean"},
        {head +
             "<child><object class=\"GtkBox\" id=\"b\"><child><object class=\"GtkLabel\"/>"
             "</child></object></child>\n" +
             tail,
         true, "a GtkBox holds radio buttons, or the two buttons of a stepper"},
    };
    for (const Case& c : cases) {
        std::string error;
        auto file = InterfaceFile::Parse(c.text, &error);
        if (!c.parses) {
            EXPECT_EQ(nullptr, file) << c.text;
            EXPECT_NE(std::string::npos, error.find(c.message)) << error;
            continue;
        }
        ASSERT_NE(nullptr, file) << error;
        size_t windows = ControlsCopyWindows().size();
        WindowRef window = nullptr;
        EXPECT_EQ(kIBCarbonRuntimeObjectNotOfRequestedType,
                  file->CreateWindow("W", &window, &error));
        EXPECT_NE(std::string::npos, error.find(c.message)) << error;
        EXPECT_EQ(windows, ControlsCopyWindows().size());  // the half-made window is gone
    }
}

TEST(InterfaceFile, ControlIdentifiersAreSpelledInTheIds) {
    OSType signature = 0;
    SInt32 number = 0;
    EXPECT_TRUE(ParseControlIDText("ImSh-4203", &signature, &number));
    EXPECT_EQ(OSType{'ImSh'}, signature);
    EXPECT_EQ(4203, number);
    for (const char* bad : {"ImSh-", "ImSh4203", "Im-4203", "ImSh--1", "ImSh-12x",
                            "ImSh-99999999999", "units-points", ""}) {
        EXPECT_FALSE(ParseControlIDText(bad, &signature, &number)) << bad;
    }
}

}  // namespace
