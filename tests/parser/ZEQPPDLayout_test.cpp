// Tests of the layout statements and model assembly: property pages, group names, parents,
// shortcuts, special options, plain and orphan groups, and popups made from data.
#include <gtest/gtest.h>

#include <string>

#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "PPDObjects/PPDXShortcuts.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "foundation/CString.h"
#include "tests/parser/ZEQPPDTestUtil.h"

using namespace zeqtest;

namespace {

const char* kHeadOnly =
    "*PPD-Adobe: \"4.3\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n";

std::string Popup(const char* keyword, const char* group) {
    std::string k(keyword);
    std::string bare = k.substr(1);
    return "*%ZEQFlags " + k + ": Setup\n*%ZEQGroup " + k + ": " + group + "\n*OpenUI " + k + "/" +
           bare + ": PickOne\n*Default" + bare + ": A\n" + k + " A/A: \"a\"\n" + k +
           " B/B: \"b\"\n*CloseUI: " + k + "\n";
}

std::vector<std::string> GroupKeywords(ZEQPPD* ppd) {
    std::vector<std::string> names;
    const _DISPLAY_OPTIONS_ saved = ZEQPPD::Options();
    ZEQPPD::Options(3);
    for (PPDXGroup* g = ppd->GetGroups()->First(); g != nullptr; g = ppd->GetGroups()->Next())
        names.push_back(KeywordOf(g));
    ZEQPPD::Options(saved);
    return names;
}

}  // namespace

TEST(ZEQPPDLayout, PropertyPages) {
    std::string text = std::string(kHeadOnly) +
                       "*%ZEQPropPage Main/ Main Page : True|App\n"
                       "*%ZEQPropPage Other/Other: \"True\" \"Prop\" \"App\"\n"
                       "*%ZEQPropPage Hidden/Hidden Page: Prop\n"
                       "*%ZEQPropPage NoSlash: True\n"
                       "*%ZEQPropPage Main/Again: True\n"
                       "*%ZEQPropPage /Nameless: True\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "23 Main, 4, 26, 27");
    PPDXProperties* pages = p->GetProperties();
    ASSERT_EQ(pages->Count(), 4);
    PPDXProperty* main = pages->Find("Main", true);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Utf8(main->CFStringUserName()), " Main Page ");  // blanks kept
    EXPECT_TRUE(main->IsVisible());
    EXPECT_FALSE(main->ShowInPrintProp());
    EXPECT_TRUE(main->ShowInApp());
    PPDXProperty* other = pages->Find("Other", true);
    EXPECT_FALSE(other->ShowInPrintProp());
    EXPECT_FALSE(other->ShowInApp());
    PPDXProperty* hidden = pages->Find("Hidden", true);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(hidden->IsVisible());
    // Without "/" the words are the translation and the page has none (so it is hidden).
    PPDXProperty* noSlash = pages->Find("NoSlash", true);
    ASSERT_NE(noSlash, nullptr);
    EXPECT_EQ(Utf8(noSlash->CFStringUserName()), " True");
    EXPECT_FALSE(noSlash->IsVisible());

    // Hidden pages are dropped when hidden elements are not kept.
    Parsed q = Parse(text, 1);
    EXPECT_EQ(q->GetProperties()->Count(), 2);
    EXPECT_EQ(q->GetProperties()->Find("Hidden", true), nullptr);
}

TEST(ZEQPPDLayout, GroupNamesAndParents) {
    std::string text = std::string(kHeadOnly) +
                       "*%ZEQPropPage Page/Page: True\n"
                       // a parent line before its group name does nothing
                       "*%ZEQParent Pane/Page: Scrollpane|True\n"
                       "*%ZEQGroupName Pane/The Pane: True\n"
                       "*%ZEQGroupName Roll/The Roll: True\n"
                       "*%ZEQGroupName Hidden/Hidden Roll:\n"
                       "*%ZEQGroupName Page/Page Again: True\n"  // a page's name: nothing
                       "*%ZEQGroupName /x: True\n"
                       "*%ZEQParent Pane/Page: Rolldown|Scrollpane\n"  // hidden pane
                       "*%ZEQGroupName Pane/Dup: True\n"
                       "*%ZEQParent Roll:Pane: \"Rolldown\" \"True\"\n"
                       "*%ZEQParent Hidden/Pane: Rolldown|True\n"
                       "*%ZEQParent Page/Pane: Rolldown|True\n"       // not declared: nothing
                       "*%ZEQParent Roll/Nowhere: Scrollpane|True\n"  // no such page
                       "*%ZEQParent Roll/Roll: Rolldown|True\n"       // not a scroll pane
                       "*%ZEQParent Roll\n"
                       "*%ZEQParent \n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "12, 23 Pane, 14 Nowhere, 14 Roll, 15 Roll, 15, 27");
    EXPECT_EQ(GroupKeywords(p.ppd.get()), (std::vector<std::string>{"Pane", "Roll", "Hidden"}));
    PPDXProperty* page = p->GetProperties()->Find("Page", true);
    auto* pane = dynamic_cast<PPDXScrollPane*>(p->GetGroups()->Find("Pane", true));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(Utf8(pane->CFStringUserName()), "The Pane");
    EXPECT_FALSE(pane->IsVisible());  // the parent line's flag counts
    EXPECT_EQ(pane->GetParent(), page);
    EXPECT_EQ(page->GetScrollDown(), pane);
    auto* roll = dynamic_cast<PPDXRollDown*>(p->GetGroups()->Find("Roll", true));
    ASSERT_NE(roll, nullptr);
    EXPECT_TRUE(roll->IsVisible());
    EXPECT_EQ(roll->GetParent(), pane);
    EXPECT_EQ(pane->RollDowns()->Size(), 2);
    // Hidden group names are refused when hidden elements are not kept.
    Parsed q = Parse(text, 1);
    EXPECT_EQ(q->GetGroups()->Find("Hidden", true), nullptr);
    // Its parent line was hidden, so the name only becomes a plain group at the end.
    PPDXGroup* plainPane = q->GetGroups()->Find("Pane", true);
    ASSERT_NE(plainPane, nullptr);
    EXPECT_EQ(dynamic_cast<PPDXScrollPane*>(plainPane), nullptr);
}

TEST(ZEQPPDLayout, PlainAndOrphanGroups) {
    std::string text = std::string(kHead) +
                       "*%ZEQGroupName Late/Late: True\n"
                       "*%ZEQGroupName Never/Never: True\n" +
                       Popup("*QWEarly", "Late/Late") +
                       "*%ZEQParent Late/VPLayoutPane: Rolldown|True\n" +
                       Popup("*QWSecond", "Late");
    Parsed p = Parse(text);
    // The group line made a plain group at once; the later parent line still adds a
    // roll-down of the same name, and look-ups find the plain group first. "Never" becomes a
    // plain group at the end.
    EXPECT_EQ(GroupKeywords(p.ppd.get()),
              (std::vector<std::string>{"VPLayoutPane", "VPLayout", "Late", "Late", "Never"}));
    PPDXGroup* late = p->GetGroups()->Find("Late", true);
    EXPECT_EQ(dynamic_cast<PPDXRollDown*>(late), nullptr);
    EXPECT_EQ(ErrorText(p.ppd.get()), "29 *QWEarly, 29 *QWSecond");

    Parsed q = Parse(text, 2);
    EXPECT_EQ(GroupKeywords(q.ppd.get()),
              (std::vector<std::string>{"VPLayoutPane", "VPLayout", "Late", "Late"}));
}

TEST(ZEQPPDLayout, Shortcuts) {
    std::string text = std::string(kHead) + Popup("*PageSize", "VPLayout") +
                       Popup("*QWDuplex", "VPLayout") +
                       "*%ZEQFlags *QWFlag: Setup\n*%ZEQGroup *QWFlag: VPLayout\n"
                       "*OpenUI *QWFlag/Flag: Boolean\n*DefaultQWFlag: True\n*CloseUI: *QWFlag\n"
                       "*%QWShortcut: *QWMissing\n"
                       "*%QWShortcut: *QWPigmora\n"
                       "*%QWShortcut: *QWDuplex \n"
                       "*%QWShortcut: *QWFlag\n"
                       "*%QWShortcut: *PageSize\n"
                       "*%QWShortcut:\n";
    Parsed p = Parse(text);
    // The refused keyword is reported when read, the unknown one after the statement loop.
    EXPECT_EQ(ErrorText(p.ppd.get()), "19 *QWPigmora, 19 *QWMissing");
    PPDXShortcuts* shortcuts = p->GetShortcuts();
    ASSERT_NE(shortcuts, nullptr);
    EXPECT_EQ(shortcuts->Count(), 3);
    std::vector<std::string> popups;
    for (PPDXPopupControl* c = shortcuts->First(); c != nullptr; c = shortcuts->Next())
        popups.push_back(KeywordOf(c));
    EXPECT_EQ(popups, (std::vector<std::string>{"*QWDuplex", "*PageSize"}));
    EXPECT_EQ(shortcuts->PageSize(), Control(p.ppd.get(), "*PageSize"));

    Parsed none = Parse(std::string(kHead) + Popup("*PageSize", "VPLayout"));
    ASSERT_NE(none->GetShortcuts(), nullptr);
    EXPECT_EQ(none->GetShortcuts()->Count(), 0);
}

TEST(ZEQPPDLayout, SpecialOptions) {
    std::string text = std::string(kHead) +
                       "*%ZEQSpecialOption *QWFinisher: Stapler Unit 2 \n"
                       "*%ZEQSpecialOption *QWEmpty:\n"
                       "*OpenGroup: InstallableOptions/Installed\n"
                       "*%ZEQSpecialOption *QWInstalled: yes\n"
                       "*CloseGroup: InstallableOptions\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "27");  // no value controls
    auto* finisher = dynamic_cast<PPDXSpecialOption*>(Control(p.ppd.get(), "*QWFinisher"));
    ASSERT_NE(finisher, nullptr);
    EXPECT_EQ(finisher->Type(), kSpecialOptionControl);
    EXPECT_STREQ(finisher->GetValue(), "Stapler Unit 2");
    EXPECT_FALSE(finisher->IsVisible());
    EXPECT_TRUE(finisher->IsOrphan());
    EXPECT_EQ(Utf8(finisher->CFStringUserName()), "*QWFinisher");
    EXPECT_EQ(finisher->CodeLength(), 0);
    EXPECT_EQ(p->GetKeywordIndex()->Lookup("*QWFinisher"), nullptr);
    EXPECT_EQ(Control(p.ppd.get(), "*QWEmpty"), nullptr);
    PPDXControl* installed = Control(p.ppd.get(), "*QWInstalled");
    ASSERT_NE(installed, nullptr);
    EXPECT_EQ(installed->GetParent(), p->GetGroups()->Find("InstallableOptions", true));
    // A control block cannot reuse a special option's keyword.
    Parsed q = Parse(text + Popup("*QWFinisher", "VPLayout"));
    EXPECT_EQ(ErrorText(q.ppd.get()).substr(0, 15), "23 *QWFinisher,");

    // Without orphans kept the installable roll-down is not used.
    Parsed r = Parse(text, 2);
    ASSERT_NE(Control(r.ppd.get(), "*QWInstalled"), nullptr);
    EXPECT_TRUE(Control(r.ppd.get(), "*QWInstalled")->IsOrphan());
}

TEST(ZEQPPDLayout, NamesWithoutLanguageKeywordsReadAsISOLatin1) {
    // No *LanguageVersion or *LanguageEncoding, so no text converter: the translations are
    // read as ISO Latin 1 all the same, and the model still reports no converter.
    Parsed p = Parse(
        "*PPD-Adobe: \"4.3\"\n"
        "*%ZEQPropPage Page/Page N\xE4me: True\n"
        "*%ZEQGroupName Pane/Pane Name: True\n"
        "*%ZEQParent Pane/Page: Scrollpane|True\n" +
        Popup("*QWP", "Pane"));
    PPDXProperty* page = p->GetProperties()->Find("Page", true);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Utf8(page->CFStringUserName()), "Page N\xC3\xA4me");
    PPDXControl* control = Control(p.ppd.get(), "*QWP");
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(Utf8(control->CFStringUserName()), "QWP");
    auto* popup = dynamic_cast<PPDXPopupControl*>(control);
    EXPECT_EQ(Utf8(popup->FirstItem()->mUserName), "A");
    EXPECT_EQ(p->GetTextConverter(), nullptr);
    EXPECT_EQ(p->GetStringTextEncoding(), 0u);
}

TEST(ZEQPPDLayout, PopupsFromData) {
    Parsed p = Parse(std::string(kHead) + Popup("*QWExisting", "VPLayout"));
    auto makeItem = [](const char* keyword) {
        _PopupItem* item = new _PopupItem();
        item->mKeyword = new CString(keyword);
        return item;
    };
    PointerList items;
    items.PushBack(makeItem("One"));
    items.PushBack(makeItem("Two"));
    PPDXControl* made =
        p->PPDCreatePopupMenu("VPLayout", "*QWMade", "Made Here", items, new CString("Two"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetParent(), p->GetGroups()->Find("VPLayout", true));
    EXPECT_EQ(Utf8(made->CFStringUserName()), "Made Here");
    EXPECT_EQ(static_cast<PPDXPopupControl*>(made)->GetValue(), 2);
    EXPECT_EQ(Control(p.ppd.get(), "*QWMade"), made);

    PointerList replacement;
    replacement.PushBack(makeItem("A"));
    replacement.PushBack(makeItem("C"));
    EXPECT_TRUE(p->PPDReconcilePopupMenu("*QWExisting", "Renamed", replacement, nullptr));
    auto* existing = static_cast<PPDXPopupControl*>(Control(p.ppd.get(), "*QWExisting"));
    EXPECT_EQ(existing->ItemCount(), 2);
    PointerList unused;
    EXPECT_FALSE(p->PPDReconcilePopupMenu("*QWNone", "x", unused, nullptr));
}
