// Model containers: filing by kind, counts under each display option, walks, exact and
// substring look-ups (the index answering as the walk), groups, pages and shortcuts.
#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "PPDObjects/PPDXShortcuts.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "tests/PPDObjects/ModelTestSupport.h"

#include <memory>

namespace {

class ContainerTest : public ModelTest {
protected:
    void TearDown() override {
        for (PPDXElement* element : mOwned) {
            delete element;
        }
        ModelTest::TearDown();
    }
    template <class T>
    T* Keep(T* element) {
        mOwned.push_back(element);
        return element;
    }
    PPDXPopupControl* Popup(const char* keyword, bool visible, PPDXElement* parent = nullptr) {
        PointerList flags, items;
        auto* popup = Keep(
            new PPDXPopupControl(keyword, Name(keyword), flags, visible, false, items, nullptr));
        popup->SetParent(parent);
        return popup;
    }
    PPDXBooleanControl* Boolean(const char* keyword) {
        PointerList flags;
        return Keep(new PPDXBooleanControl(keyword, Name(keyword), flags, true, nullptr, nullptr, 0,
                                           nullptr, nullptr, 0, false));
    }
    PPDXJobNote* JobNote(const char* keyword, bool visible) {
        PointerList flags;
        return Keep(new PPDXJobNote(keyword, Name(keyword), flags, nullptr, 0, nullptr, nullptr,
                                    visible, 0, 0, 0));
    }
    PPDXSpecialOption* Special(const char* keyword) {
        PointerList flags;
        return Keep(
            new PPDXSpecialOption(keyword, Name(keyword), flags, nullptr, nullptr, 0, true));
    }
    std::vector<std::string> WalkAll(PPDXControls& controls) {
        std::vector<std::string> seen;
        CNTL_TYPE type = kUnknownControl;
        for (PPDXControl* c = controls.First(type); c != nullptr; c = controls.Next(type)) {
            seen.push_back(c->Keyword());
        }
        return seen;
    }

    std::vector<PPDXElement*> mOwned;
    PPDXGroup mParent{"Parent", Name("Parent"), true};
};

TEST_F(ContainerTest, CountsFollowTheDisplayOptions) {
    PPDXControls controls;
    controls.Add(Popup("*VisibleOrphan", true));
    controls.Add(Popup("*HiddenChild", false, &mParent));
    controls.Add(nullptr);
    const long popups[] = {0, 1, 1, 2};
    for (_DISPLAY_OPTIONS_ options = 0; options < 4; ++options) {
        ZEQPPD::Options(options);
        EXPECT_EQ(controls.PopupCount(), popups[options]) << options;
        EXPECT_EQ(controls.ControlCount(), popups[options]) << options;
    }
    ZEQPPD::Options(4);
    EXPECT_EQ(controls.PopupCount(), 0);
    EXPECT_TRUE(controls.NoPopups());
    EXPECT_EQ(controls.Size(), 2);

    // Counters are sampled at insertion: a later parent does not change them.
    ZEQPPD::Options(0);
    static_cast<PPDXPopupControl*>(controls.FindPopup("*VisibleOrphan", true))->SetParent(&mParent);
    EXPECT_EQ(controls.PopupCount(), 0);
    CNTL_TYPE type = kUnknownControl;
    EXPECT_NE(controls.First(type), nullptr);  // while the walk re-evaluates the rule
}

TEST_F(ContainerTest, JobNoteAndSpecialOptionCountsUseTheirOwnOptions) {
    PPDXControls specials;
    specials.Add(Special("*S1"));
    EXPECT_EQ(specials.ControlCount(), 0);
    EXPECT_TRUE(specials.Empty());
    EXPECT_FALSE(specials.NoSpecialOptions());
    EXPECT_EQ(specials.SpecialOptionsCount(), 1);

    PPDXControls notes;
    notes.Add(JobNote("*Notes1", true));   // a visible orphan
    notes.Add(JobNote("*Notes2", false));  // a hidden orphan
    for (_DISPLAY_OPTIONS_ options : {0u, 2u, 3u}) {
        ZEQPPD::Options(options);
        EXPECT_EQ(notes.JobNoteCount(), 1) << options;
        EXPECT_EQ(ZEQPPD::Options(), options);  // restored
        EXPECT_EQ(specials.SpecialOptionsCount(), 1);
        EXPECT_EQ(ZEQPPD::Options(), options);
    }
    ZEQPPD::Options(0);
    EXPECT_FALSE(notes.Empty());
    // The kind walk is not filtered; the all walk uses the job notes' own rule.
    EXPECT_STREQ(notes.FirstJobNote()->Keyword(), "*Notes1");
    EXPECT_STREQ(notes.NextJobNote()->Keyword(), "*Notes2");
    EXPECT_EQ(notes.NextJobNote(), nullptr);
    EXPECT_EQ(WalkAll(notes), (std::vector<std::string>{"*Notes1"}));
    ZEQPPD::Options(2);
    EXPECT_EQ(WalkAll(notes), (std::vector<std::string>{"*Notes1", "*Notes2"}));
}

TEST_F(ContainerTest, KindsAreFiledAtInsertionAndFloatRangesOnlyListed) {
    PointerList flags;
    PPDXControls controls;
    auto* range =
        Keep(new PPDXRangeControl("*QWRange", Name("R"), flags, nullptr, 0, 0, 9, 1, 0, true));
    auto* floating =
        Keep(new PPDXFloatRangeControl("*QWFloat", Name("F"), flags, nullptr, 0, 0, 9, 1, 0, true));
    range->SetParent(&mParent);
    floating->SetParent(&mParent);
    controls.Add(Boolean("*QWBool"));
    controls.Add(range);
    controls.Add(floating);
    ZEQPPD::Options(3);
    EXPECT_EQ(controls.RangeCount(), 1);
    EXPECT_EQ(controls.BooleanCount(), 1);
    EXPECT_EQ(controls.ControlCount(), 2);
    EXPECT_EQ(controls.FirstRangeControl(), range);
    EXPECT_EQ(controls.NextRangeControl(), nullptr);
    EXPECT_EQ(controls.FindRangeControl("*QWFloat", true), nullptr);

    CNTL_TYPE type = kUnknownControl;
    EXPECT_EQ(controls.Find("*QWFloat", type, true), floating);
    EXPECT_EQ(type, kRangeControl);
    EXPECT_EQ(WalkAll(controls), (std::vector<std::string>{"*QWBool", "*QWRange", "*QWFloat"}));
}

TEST_F(ContainerTest, ExactAndSubstringLookUp) {
    PPDXControls controls;
    PPDXPopupControl* pageSize = Popup("*PageSize", true, &mParent);
    controls.Add(Popup("*InputSlot", true, &mParent));
    controls.Add(pageSize);
    controls.Add(Popup("*PageRegion", true, &mParent));
    CNTL_TYPE type = kUnknownControl;
    EXPECT_EQ(controls.Find("Size", type, false), pageSize);
    EXPECT_EQ(type, kPopupControl);
    EXPECT_EQ(controls.Find("Size", type, true), nullptr);
    EXPECT_EQ(controls.Find("*pagesize", type, true), nullptr);
    EXPECT_EQ(controls.Find(nullptr, type, true), nullptr);
    EXPECT_EQ(controls.FindPopup("Size", false), pageSize);
    EXPECT_EQ(controls.FindBoolean("*PageSize", true), nullptr);

    // After a find the cursor stands on the match, so Next continues after it.
    EXPECT_EQ(controls.Find("*PageSize", type, true), pageSize);
    EXPECT_STREQ(controls.Next(type)->Keyword(), "*PageRegion");
    EXPECT_EQ(controls.FindPopup("*PageSize", true), pageSize);
    EXPECT_STREQ(controls.NextPopupControl()->Keyword(), "*PageRegion");
    EXPECT_EQ(controls.Find("*Missing", type, true), nullptr);
    EXPECT_EQ(controls.Next(type), nullptr);
}

TEST_F(ContainerTest, GroupsCountWhatTheirWalkVisits) {
    PPDXGroups groups;
    auto* child = Keep(new PPDXGroup("VPChild", Name("Child"), true));
    auto* hiddenOrphan = Keep(new PPDXScrollPane("VPHidden", Name("Hidden"), false));
    child->SetParent(&mParent);
    groups.Add(child);
    groups.Add(hiddenOrphan);
    groups.Add(nullptr);
    const long counts[] = {1, 1, 1, 2};
    for (_DISPLAY_OPTIONS_ options = 0; options < 4; ++options) {
        ZEQPPD::Options(options);
        EXPECT_EQ(groups.Count(), counts[options]) << options;
        long walked = 0;
        for (PPDXGroup* g = groups.First(); g != nullptr; g = groups.Next()) {
            ++walked;
        }
        EXPECT_EQ(walked, counts[options]);
    }
    ZEQPPD::Options(9);
    EXPECT_EQ(groups.Count(), 0);
    EXPECT_TRUE(groups.Empty());

    // Find ignores the display options and leaves the cursor alone.
    ZEQPPD::Options(0);
    EXPECT_EQ(groups.First(), child);
    EXPECT_EQ(groups.Find("VPHidden", true), hiddenOrphan);
    EXPECT_EQ(groups.Find("Hid", false), hiddenOrphan);
    EXPECT_EQ(groups.Find("Hid", true), nullptr);
    EXPECT_EQ(groups.Next(), nullptr);
}

TEST_F(ContainerTest, GroupKindsOwnTheirContainersOnly) {
    PPDXControls root;
    PPDXPopupControl* popup = Popup("*QWImageFlag", true);
    root.Add(popup);
    auto* rollDown = new PPDXRollDown("VPImageShift", Name("Image Shift"), true);
    ASSERT_NE(rollDown->Controls(), nullptr);
    rollDown->Controls()->Add(popup);
    popup->SetParent(rollDown);
    auto* pane = Keep(new PPDXScrollPane("VPPane", Name("Pane"), true));
    ASSERT_NE(pane->RollDowns(), nullptr);
    pane->RollDowns()->Add(rollDown);
    delete rollDown;  // the control lives on in the root container
    popup->SetParent(nullptr);
    EXPECT_STREQ(root.FirstPopupControl()->Keyword(), "*QWImageFlag");

    PPDXProperties pages;
    auto* page = Keep(new PPDXProperty("VPPage", Name("Page"), true, true, false));
    auto* other = Keep(new PPDXProperty("VPOther", Name("Other"), false, false, true));
    pages.Add(page);
    pages.Add(other);
    EXPECT_EQ(pages.Count(), 2);
    EXPECT_FALSE(pages.Empty());
    EXPECT_EQ(pages.First(), page);
    EXPECT_EQ(pages.Next(), other);
    EXPECT_EQ(pages.Next(), nullptr);
    EXPECT_EQ(pages.Find("VPOther", true), other);
    EXPECT_EQ(pages.Find("Page", false), page);
    EXPECT_EQ(pages.Next(), other);
    EXPECT_TRUE(page->ShowInPrintProp());
    EXPECT_FALSE(page->ShowInApp());
    page->SetScrollDown(pane);
    EXPECT_EQ(page->GetScrollDown(), pane);
}

TEST_F(ContainerTest, ShortcutsHandOutPopupsOnly) {
    PointerList list;
    PPDXPopupControl* orientation = Popup("*QW_PAPER_ORIENTATION", true);
    list.PushBack(Boolean("*QWDuplex"));
    list.PushBack(orientation);
    list.PushBack(nullptr);
    PPDXShortcuts shortcuts(list);
    EXPECT_EQ(shortcuts.Count(), 3);
    EXPECT_EQ(shortcuts.Orientation(), orientation);
    EXPECT_EQ(shortcuts.Duplex(), nullptr);
    EXPECT_EQ(shortcuts.PageSize(), nullptr);
    EXPECT_EQ(shortcuts.Pigmora(), nullptr);
    EXPECT_EQ(shortcuts.MediaSource(), nullptr);
    EXPECT_EQ(shortcuts.First(), orientation);
    EXPECT_EQ(shortcuts.Next(), nullptr);
    EXPECT_EQ(shortcuts.Find("ORIENT", false), orientation);
}

}  // namespace
