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

TEST_F(FlatInterfaceTest, NullHandlesAnswerTheirFixedValues) {
    const bool t = true;
    CNTL_TYPE type = kPopupControl;
    PopupItemRecord record{"stale", nullptr};
    unsigned char buffer[4] = {1, 2, 3, 4};
    const long value = 5;

    EXPECT_EQ(Keyword(nullptr), nullptr);
    EXPECT_EQ(UserName(nullptr), nullptr);
    EXPECT_FALSE(IsVisible(nullptr));
    EXPECT_TRUE(IsOrphan(nullptr));
    EXPECT_EQ(GetParent(nullptr), nullptr);
    EXPECT_FALSE(EqualsElement(nullptr, nullptr));
    EXPECT_FALSE(EqualsKeyWord(nullptr, "*A"));
    EXPECT_FALSE(IsPropertyPage(nullptr));
    EXPECT_EQ(GetControlFlagCount(nullptr), 0);
    EXPECT_EQ(GetFirstControlFlag(nullptr), nullptr);
    EXPECT_EQ(GetNextControlFlag(nullptr), nullptr);
    EXPECT_FALSE(IsCommandControl(nullptr) || IsSpoolerControl(nullptr) ||
                 IsSetupControl(nullptr) || IsMacVJNControl(nullptr) ||
                 IsMacImgShiftControl(nullptr));
    EXPECT_FALSE(IsValidControlKeyword(nullptr, "*A"));
    EXPECT_EQ(GetPostScript(nullptr, buffer), 0);
    ResetControlToDefault(nullptr);

    EXPECT_FALSE(IsTrue(nullptr));
    SetValue(nullptr, t);
    EXPECT_EQ(TrueDisplayText(nullptr), nullptr);
    EXPECT_EQ(FalseDisplayText(nullptr), nullptr);
    EXPECT_FALSE(DefaultState(nullptr));
    EXPECT_EQ(BooleanPostScript(nullptr, buffer), 0);

    EXPECT_FALSE(CanSelectMultipleItems(nullptr));
    EXPECT_EQ(GetDefaultKeyword(nullptr), nullptr);
    EXPECT_EQ(GetKeywordLocalName(nullptr, "A"), nullptr);
    EXPECT_EQ(GetKeywordPSData(nullptr, "A", buffer), 0);
    EXPECT_FALSE(IsKeywordSelected(nullptr, "A"));
    EXPECT_FALSE(SetKeywordSelect(nullptr, "A", t));
    EXPECT_EQ(PopupItemCount(nullptr), 0);
    EXPECT_FALSE(FirstItem(nullptr, &record));
    EXPECT_EQ(record.keyword, nullptr);
    EXPECT_FALSE(NextItem(nullptr, &record));
    EXPECT_EQ(GetPopupValue(nullptr), 0);
    SetPopupValue(nullptr, 1);
    EXPECT_EQ(GetPopupDefaultValue(nullptr), 0);
    EXPECT_EQ(PopupPostScript(nullptr, buffer), 0);

    EXPECT_EQ(GetRangeValue(nullptr), 0);
    SetRangeValue(nullptr, value);
    EXPECT_EQ(GetRangeMinimum(nullptr) | GetRangeMaximum(nullptr) | GetRangeIncrement(nullptr) |
                  GetRangeDefaultVal(nullptr),
              0);
    EXPECT_EQ(RangePostScript(nullptr, buffer), 0);

    EXPECT_EQ(GetControlCount(nullptr) | GetPopupCount(nullptr) | GetBooleanCount(nullptr) |
                  GetRangeCount(nullptr) | GetJobnoteCount(nullptr),
              0);
    EXPECT_EQ(Find(nullptr, "*A", type, t), nullptr);
    EXPECT_EQ(GetFirst(nullptr, type), nullptr);
    EXPECT_EQ(GetNext(nullptr, type), nullptr);
    EXPECT_EQ(type, kPopupControl);
    EXPECT_EQ(GetFirstPopupControl(nullptr), nullptr);
    EXPECT_EQ(GetNextPopupControl(nullptr), nullptr);
    EXPECT_EQ(GetFindPopup(nullptr, "*A", t), nullptr);
    EXPECT_EQ(GetFirstBooleanControl(nullptr), nullptr);
    EXPECT_EQ(GetNextBooleanControl(nullptr), nullptr);
    EXPECT_EQ(GetFindBoolean(nullptr, "*A", t), nullptr);
    EXPECT_EQ(GetFirstRangeControl(nullptr), nullptr);
    EXPECT_EQ(GetNextRangeControl(nullptr), nullptr);
    EXPECT_EQ(GetFindRangeControl(nullptr, "*A", t), nullptr);
    EXPECT_EQ(GetFirstJobNote(nullptr), nullptr);
    EXPECT_EQ(GetNextJobNote(nullptr), nullptr);
    EXPECT_EQ(GetFindJobNote(nullptr, "*A", t), nullptr);
    EXPECT_TRUE(GetEmpty(nullptr) && GetNoPopups(nullptr) && GetNoBooleanControls(nullptr) &&
                GetNoRangeControls(nullptr) && GetNoJobNotes(nullptr));

    EXPECT_EQ(FirstGroup(nullptr), nullptr);
    EXPECT_EQ(NextGroup(nullptr), nullptr);
    EXPECT_EQ(FindGroup(nullptr, "G", t), nullptr);
    EXPECT_TRUE(IsGrouPointerListEmpty(nullptr));
    EXPECT_EQ(GroupCount(nullptr), 0);
    EXPECT_EQ(GetRollDownControlList(nullptr), nullptr);
    EXPECT_FALSE(IsRollDown(nullptr));
    EXPECT_EQ(GetScrollPaneRollDowns(nullptr), nullptr);
    EXPECT_FALSE(IsScrollPane(nullptr));
    EXPECT_EQ(FirstProperty(nullptr), nullptr);
    EXPECT_EQ(NextProperty(nullptr), nullptr);
    EXPECT_EQ(FindProperty(nullptr, "P", t), nullptr);
    EXPECT_TRUE(IsPropertyListEmpty(nullptr));
    EXPECT_EQ(PropertyCount(nullptr), 0);
    EXPECT_FALSE(ShowPropInPrintProp(nullptr));
    EXPECT_FALSE(ShowPropInApp(nullptr));
    EXPECT_EQ(GetPropertyScrollDown(nullptr), nullptr);
    SetPropertyScrollDown(nullptr, nullptr);
    EXPECT_TRUE(IsShortcutsListEmpty(nullptr));
    EXPECT_EQ(GetShortcutCount(nullptr), 0);
    EXPECT_EQ(GetPageSizeShortcut(nullptr), nullptr);
    EXPECT_EQ(GetInputSlotShortcut(nullptr), nullptr);
    EXPECT_EQ(GetDuplexShortcut(nullptr), nullptr);
    EXPECT_EQ(GetOrientationShortcut(nullptr), nullptr);
    EXPECT_EQ(GetPigmoraShortcut(nullptr), nullptr);
    EXPECT_EQ(GetMediaSourceShortcut(nullptr), nullptr);
    EXPECT_EQ(FindShortcut(nullptr, "*A", t), nullptr);
    EXPECT_EQ(FirstShortcut(nullptr), nullptr);
    EXPECT_EQ(NextShortcut(nullptr), nullptr);
    EXPECT_EQ(FirstError(nullptr), nullptr);
    EXPECT_EQ(NextError(nullptr), nullptr);
    EXPECT_TRUE(ErrorListIsEmpty(nullptr));
    EXPECT_EQ(ErrorCount(nullptr), 0);
    EXPECT_EQ(GetErrorKeyword(nullptr), nullptr);
    EXPECT_EQ(GetErrorDescription(nullptr), nullptr);
    EXPECT_FALSE(IsErrorFatal(nullptr));
}

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
