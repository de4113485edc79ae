// The exported flat functions: null handles, forwarding through the virtual operations, the
// item record, and the plain names in the built shared library.
#include "PPDObjects/FlatInterface.h"

#include <dlfcn.h>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "tests/PPDObjects/ModelTestSupport.h"

namespace {

class FlatInterfaceTest : public ModelTest {};

TEST_F(FlatInterfaceTest, HandlesForwardToTheirObjects) {
    PointerList flags = Flags({"MacIS"}), items;
    _PopupItem* item = new _PopupItem;
    item->mKeyword = new CString("On");
    item->mUserName = CFStringCreateWithCString(nullptr, "On", kCFStringEncodingUTF8);
    items.PushBack(item);
    PPDXPopupControl popup("*QWImageFlag", Name("Image Shift"), flags, true, false, items,
                           new CString("On"));
    PointerList none;
    PPDXBooleanControl boolean("*QWBool", Name("B"), none, true, nullptr, nullptr, 0, nullptr,
                               nullptr, 0, true);
    PPDXRollDown rollDown("VPImageShift", Name("Image Shift"), true);
    PPDXProperty page("VPPage", Name("Page"), true, true, true);
    PPDXScrollPane pane("VPPane", Name("Pane"), true);
    popup.SetParent(&rollDown);

    EXPECT_STREQ(Keyword(&popup), "*QWImageFlag");
    EXPECT_STREQ(UserName(&popup), "Image Shift");
    EXPECT_FALSE(IsOrphan(&popup));
    EXPECT_EQ(GetParent(&popup), &rollDown);
    EXPECT_FALSE(EqualsElement(&popup, nullptr));
    EXPECT_TRUE(EqualsKeyWord(&popup, "*QWImageFlag"));
    EXPECT_TRUE(IsMacImgShiftControl(&popup));
    EXPECT_TRUE(IsPropertyPage(&page));
    EXPECT_FALSE(IsPropertyPage(&pane));
    EXPECT_TRUE(IsRollDown(&rollDown));
    EXPECT_FALSE(IsRollDown(&pane));
    EXPECT_TRUE(IsScrollPane(&pane));
    EXPECT_EQ(GetRollDownControlList(&rollDown), rollDown.Controls());
    SetPropertyScrollDown(&page, nullptr);
    EXPECT_EQ(GetPropertyScrollDown(&page), nullptr);
    SetPropertyScrollDown(&page, &pane);
    EXPECT_EQ(GetPropertyScrollDown(&page), &pane);
    EXPECT_FALSE(IsValidControlKeyword(&popup, "*QWPigmora"));

    // A handle of another kind answers as a null handle and is neither read nor written.
    PointerList floatFlags;
    PPDXFloatRangeControl floating("*QWF", Name("F"), floatFlags, nullptr, 0, 0, 9, 1, 3, true);
    SetRangeValue(&popup, 5);
    SetRangeValue(&floating, 5);
    EXPECT_FLOAT_EQ(floating.GetValue(), 3.0f);
    EXPECT_EQ(GetRangeValue(&floating), 0);
    EXPECT_FALSE(IsTrue(&popup));
    SetValue(&popup, true);
    EXPECT_EQ(PopupItemCount(&boolean), 0);
    EXPECT_EQ(GetPostScript(&rollDown, nullptr), 0);
    EXPECT_EQ(GetRollDownControlList(&pane), nullptr);
    EXPECT_FALSE(ShowPropInApp(&pane));
    SetPropertyScrollDown(&page, &rollDown);  // not a scroll pane: nothing happens
    EXPECT_EQ(GetPropertyScrollDown(&page), &pane);

    // Every ...PostScript name goes through the object's own kind.
    const std::string expected = "%%BeginFeature: *QWImageFlag On\n\n%%EndFeature\n";
    EXPECT_EQ(Collect([&](unsigned char* o) { return RangePostScript(&popup, o); }), expected);
    EXPECT_EQ(Collect([&](unsigned char* o) { return BooleanPostScript(&boolean, o); }),
              "%%BeginFeature: *QWBool True\n\n%%EndFeature\n");

    PopupItemRecord record{nullptr, nullptr};
    EXPECT_TRUE(FirstItem(&popup, &record));
    EXPECT_STREQ(record.keyword, "On");
    EXPECT_EQ(record.userName, item->mUserName);
    EXPECT_FALSE(NextItem(&popup, &record));
    EXPECT_EQ(record.keyword, nullptr);
    EXPECT_EQ(record.userName, nullptr);
    PPDXPopupControl empty;
    EXPECT_FALSE(FirstItem(&empty, &record));

    PPDXControls controls;
    controls.Add(&popup);
    controls.Add(&boolean);
    rollDown.Controls()->Add(&popup);
    EXPECT_EQ(GetFirstPopupControl(&controls), &popup);
    EXPECT_EQ(GetNextPopupControl(&controls), nullptr);
    CNTL_TYPE type = kUnknownControl;
    EXPECT_EQ(GetControlCount(&controls), 1);  // the Boolean control is an orphan
    EXPECT_EQ(Find(&controls, "*QWBool", type, true), nullptr);
    ZEQPPD::Options(kDisplayIncludeOrphans);
    EXPECT_EQ(Find(&controls, "*QWBool", type, true), &boolean);
    EXPECT_EQ(type, kBooleanControl);

    PPDXErrors errors;
    PPDXErrorObj error(5, CString("*PageSize"), true);
    errors.Add(&error);
    EXPECT_EQ(ErrorCount(&errors), 1);
    EXPECT_EQ(FirstError(&errors), &error);
    EXPECT_STREQ(GetErrorKeyword(&error), "*PageSize");
    EXPECT_TRUE(IsErrorFatal(&error));
}

TEST(FlatInterfaceLibrary, NamesAreExportedUnmangled) {
    void* library = dlopen(ZEQ_PPD_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name : {"Keyword",
                             "UserName",
                             "IsOrphan",
                             "EqualsElement",
                             "GetPostScript",
                             "IsTrue",
                             "SetValue",
                             "FirstItem",
                             "GetKeywordPSData",
                             "GetRangeValue",
                             "SetRangeValue",
                             "Find",
                             "GetFirst",
                             "GetFindJobNote",
                             "GetNoJobNotes",
                             "IsGrouPointerListEmpty",
                             "IsScrollPane",
                             "SetPropertyScrollDown",
                             "GetMediaSourceShortcut",
                             "NextShortcut",
                             "ErrorCount",
                             "IsErrorFatal"}) {
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    }
    using CountFunction = long (*)(void*);
    auto count = reinterpret_cast<CountFunction>(dlsym(library, "GetControlCount"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(nullptr), 0);
    dlclose(library);
}

}  // namespace
