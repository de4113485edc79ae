// Tests of the UI option blocks: PickOne/PickMany and Boolean blocks, the four opening and
// closing spellings, defaults, option code, and where controls are attached.
#include <gtest/gtest.h>

#include <string>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "tests/parser/ZEQPPDTestUtil.h"

using namespace zeqtest;

namespace {

std::string Code(const unsigned char* code, long length) {
    return code == nullptr ? std::string()
                           : std::string(reinterpret_cast<const char*>(code), length);
}

std::vector<std::string> ItemKeywords(PPDXPopupControl* popup) {
    std::vector<std::string> keywords;
    for (_PopupItem* item = popup->FirstItem(); item != nullptr; item = popup->NextItem())
        keywords.emplace_back(item->Keyword() ? item->Keyword() : "");
    return keywords;
}

}  // namespace

TEST(ZEQPPDUIOptions, PopupBlockKeepsItemsDefaultCodeAndGroup) {
    std::string text = std::string(kHead) +
                       "*%ZEQFlags *PageSize: \"Setup|MacIS\"\n"
                       "*%ZEQGroup *PageSize: VPLayout/Layout\n"
                       "*OpenUI *PageSize/Page Size: PickOne\n"
                       "*OrderDependency: 10 AnySetup *PageSize\n"
                       "*DefaultPageSize: A4\n"
                       "*PageSize Letter/US Letter: \"letter\"\n"
                       "*PageSize A4/A4 Sheet: \"line one\n"
                       "\n"
                       "line two\n"
                       "line three\"\n"
                       "*End\n"
                       "*PageSize Legal: \"\"\n"
                       "*CloseUI: *PageSize\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "");
    auto* popup = dynamic_cast<PPDXPopupControl*>(Control(p.ppd.get(), "*PageSize"));
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->Type(), kPopupControl);
    EXPECT_EQ(Utf8(popup->CFStringUserName()), "Page Size");
    EXPECT_FALSE(popup->CanSelectMultipleItems());
    EXPECT_EQ(Flags(popup), (std::vector<std::string>{"Setup", "MacIS"}));
    EXPECT_EQ(ItemKeywords(popup), (std::vector<std::string>{"Letter", "A4", "Legal"}));
    EXPECT_STREQ(popup->GetDefaultKeyword(), "A4");
    EXPECT_EQ(popup->GetValue(), 2);

    _PopupItem* letter = popup->FirstItem();
    EXPECT_EQ(Utf8(letter->mUserName), "US Letter");
    EXPECT_EQ(Code(letter->mCode, letter->mCodeLength), "letter\n");
    _PopupItem* a4 = popup->NextItem();
    EXPECT_EQ(Code(a4->mCode, a4->mCodeLength), "line one\nline two\nline three\n");
    _PopupItem* legal = popup->NextItem();
    EXPECT_EQ(legal->mCode, nullptr);
    EXPECT_EQ(legal->mCodeLength, 0);

    PPDXGroup* rollDown = p->GetGroups()->Find("VPLayout", true);
    EXPECT_EQ(popup->GetParent(), rollDown);
    EXPECT_EQ(p->GetKeywordIndex()->Lookup("*PageSize"), popup);
}

TEST(ZEQPPDUIOptions, OpeningAndClosingSpellingsAndPickMany) {
    std::string text = std::string(kHead) +
                       "*%ZEQFlags *QWOne: Setup\n"
                       "*%ZEQGroup *QWOne: VPLayout\n"
                       "*QWOpenUI *QWOne/One: PickOne\n"
                       "*DefaultQWOne: A\n"
                       "*QWOne A/A: \"a\"\n"
                       "*EndUI: *QWOne\n"
                       "*%ZEQFlags *QWTwo: Setup\n"
                       "*%ZEQGroup *QWTwo: VPLayout\n"
                       "*OpenUIZEQ *QWTwo/Two: Boolean\n"
                       "*DefaultQWTwo: True\n"
                       "*CloseUIZEQ: *QWTwo\n"
                       "*%ZEQFlags *QWThree: Setup\n"
                       "*%ZEQGroup *QWThree: VPLayout\n"
                       "*BeginUI *SomethingElse/Three: PickMany\n"
                       "*DefaultSomethingElse: B\n"
                       "*QWThree A/A: \"a\"\n"
                       "*QWThree B/B: \"b\"\n"
                       "*QWCloseUI: *SomethingElse\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "");
    ASSERT_EQ(AllControls(p.ppd.get()).size(), 3u);
    EXPECT_NE(dynamic_cast<PPDXPopupControl*>(Control(p.ppd.get(), "*QWOne")), nullptr);
    auto* two = dynamic_cast<PPDXBooleanControl*>(Control(p.ppd.get(), "*QWTwo"));
    ASSERT_NE(two, nullptr);
    EXPECT_TRUE(two->DefaultState());
    // Named after the *%ZEQFlags keyword, not after the opening statement's keyword.
    auto* three = dynamic_cast<PPDXPopupControl*>(Control(p.ppd.get(), "*QWThree"));
    ASSERT_NE(three, nullptr);
    EXPECT_TRUE(three->CanSelectMultipleItems());
    EXPECT_STREQ(three->GetDefaultKeyword(), "B");
}

TEST(ZEQPPDUIOptions, BooleanBlocks) {
    std::string text = std::string(kHead) +
                       // default False, later True wins, later False does not undo it
                       "*%ZEQFlags *QWA: Setup\n"
                       "*%ZEQGroup *QWA: VPLayout\n"
                       "*OpenUI *QWA/A: Boolean\n"
                       "*DefaultQWA: False\n"
                       "*QWA True/Yes: \"on\"\n"
                       "*QWA False/No: \"off\"\n"
                       "*QWA True/Yes Again: \"on2\"\n"
                       "*CloseUI: *QWA\n"
                       "*%ZEQFlags *QWB: Setup\n"
                       "*%ZEQGroup *QWB: VPLayout\n"
                       "*OpenUI *QWB/B: Boolean\n"
                       "*DefaultQWB: True\n"
                       "*DefaultQWB: False\n"
                       "*CloseUI: *QWB\n"
                       // no default: error 33, default false, control still made
                       "*%ZEQFlags *QWC: Setup\n"
                       "*%ZEQGroup *QWC: VPLayout\n"
                       "*OpenUI *QWC/C: Boolean\n"
                       "*QWC True: \"\"\n"
                       "*CloseUI: *QWC\n"
                       // an option neither True nor False: error 9, no control
                       "*%ZEQFlags *QWD: Setup\n"
                       "*%ZEQGroup *QWD: VPLayout\n"
                       "*OpenUI *QWD/D: Boolean\n"
                       "*DefaultQWD: True\n"
                       "*QWD Maybe/Maybe: \"\"\n"
                       "*CloseUI: *QWD\n"
                       // no option keyword: error 8; unknown type: error 31
                       "*%ZEQFlags *QWE: Setup\n"
                       "*OpenUI \n"
                       "*%ZEQFlags *QWF: Setup\n"
                       "*OpenUI *QWF/F: PickSome\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "33 *QWC, 9 *QWD, 8 *QWE, 31 *QWF");
    auto* a = dynamic_cast<PPDXBooleanControl*>(Control(p.ppd.get(), "*QWA"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Type(), kBooleanControl);
    EXPECT_FALSE(a->DefaultState());
    EXPECT_EQ(Code(a->TrueCode(), a->TrueCodeLength()), "on2\n");
    EXPECT_EQ(Code(a->FalseCode(), a->FalseCodeLength()), "off\n");
    EXPECT_STREQ(a->TrueDisplayText(), "Yes Again");
    EXPECT_STREQ(a->FalseDisplayText(), "No");
    auto* b = dynamic_cast<PPDXBooleanControl*>(Control(p.ppd.get(), "*QWB"));
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->DefaultState());
    EXPECT_TRUE(b->IsTrue());
    auto* c = dynamic_cast<PPDXBooleanControl*>(Control(p.ppd.get(), "*QWC"));
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->DefaultState());
    EXPECT_EQ(Control(p.ppd.get(), "*QWD"), nullptr);
    EXPECT_EQ(AllControls(p.ppd.get()).size(), 3u);
}

TEST(ZEQPPDUIOptions, PopupErrorsAreFatal) {
    const std::string later =
        "*%ZEQFlags *QWLater: Setup\n"
        "*%ZEQGroup *QWLater: VPLayout\n"
        "*OpenUI *QWLater/Later: Boolean\n"
        "*DefaultQWLater: True\n"
        "*CloseUI: *QWLater\n";
    // Two default lines: error 11 after the block, and the parse stops there.
    Parsed two = Parse(std::string(kHead) +
                       "*%ZEQFlags *QWP: Setup\n"
                       "*%ZEQGroup *QWP: VPLayout\n"
                       "*OpenUI *QWP/P: PickOne\n"
                       "*DefaultQWP: A\n"
                       "*DefaultQWP: B\n"
                       "*QWP A/A: \"a\"\n"
                       "*QWP B/B: \"b\"\n"
                       "*CloseUI: *QWP\n" +
                       later);
    EXPECT_EQ(ErrorText(two.ppd.get()), "11! *QWP, 27");
    EXPECT_FALSE(two->IsValidPPD());
    EXPECT_TRUE(AllControls(two.ppd.get()).empty());

    // The file ends inside the block.
    Parsed open = Parse(std::string(kHead) +
                        "*%ZEQFlags *QWP: Setup\n"
                        "*%ZEQGroup *QWP: VPLayout\n"
                        "*OpenUI *QWP/P: PickOne\n"
                        "*QWP A/A: \"a\"\n");
    EXPECT_EQ(ErrorText(open.ppd.get()), "11! *QWP, 27");

    // A popup without default records 33 directly and is made; the "*Default" form that
    // names its control sets the default.
    Parsed none = Parse(std::string(kHead) +
                        "*%ZEQFlags *QWP: Setup\n"
                        "*%ZEQGroup *QWP: VPLayout\n"
                        "*OpenUI *QWP/P: PickOne\n"
                        "*QWP A/A: \"a\"\n"
                        "*CloseUI: *QWP\n"
                        "*%ZEQFlags *QWQ: Setup\n"
                        "*%ZEQGroup *QWQ: VPLayout\n"
                        "*OpenUI *QWQ/Q: PickOne\n"
                        "*Default: *QWOther: \"A\"\n"
                        "*Default: *QWQ: \"B\"\n"
                        "*QWQ A/A: \"a\"\n"
                        "*QWQ B/B: \"b\"\n"
                        "*CloseUI: *QWQ\n");
    EXPECT_EQ(ErrorText(none.ppd.get()), "33 *QWP");
    auto* p = dynamic_cast<PPDXPopupControl*>(Control(none.ppd.get(), "*QWP"));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetDefaultKeyword(), nullptr);
    auto* q = dynamic_cast<PPDXPopupControl*>(Control(none.ppd.get(), "*QWQ"));
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(q->GetDefaultKeyword(), "B");
}

TEST(ZEQPPDUIOptions, ControlsHangOnlyBelowRollDowns) {
    std::string text = std::string(kHead) +
                       "*%ZEQGroupName VPPlain/Plain: True\n"
                       // no group line: an orphan (error 29 while orphans are kept)
                       "*%ZEQFlags *QWOrphan: Setup\n"
                       "*OpenUI *QWOrphan/Orphan: Boolean\n"
                       "*DefaultQWOrphan: True\n"
                       "*CloseUI: *QWOrphan\n"
                       // a scroll pane is not a roll-down
                       "*%ZEQFlags *QWPane: Setup\n"
                       "*%ZEQGroup *QWPane: VPLayoutPane\n"
                       "*OpenUI *QWPane/Pane: Boolean\n"
                       "*DefaultQWPane: True\n"
                       "*CloseUI: *QWPane\n"
                       // a declared name becomes a plain group at once
                       "*%ZEQFlags *QWPlain: Setup\n"
                       "*%ZEQGroup *QWPlain: VPPlain\n"
                       "*OpenUI *QWPlain/Plain: Boolean\n"
                       "*DefaultQWPlain: True\n"
                       "*CloseUI: *QWPlain\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "29 *QWOrphan, 29 *QWPane, 29 *QWPlain");
    for (const char* k : {"*QWOrphan", "*QWPane", "*QWPlain"}) {
        PPDXControl* c = Control(p.ppd.get(), k);
        ASSERT_NE(c, nullptr) << k;
        EXPECT_TRUE(c->IsOrphan()) << k;
    }
    PPDXGroup* plain = p->GetGroups()->Find("VPPlain", true);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(dynamic_cast<PPDXRollDown*>(plain), nullptr);

    // Without the keep-orphans option a control without group is refused (21); the others
    // still record 29.
    Parsed q = Parse(text, 2);
    EXPECT_EQ(ErrorText(q.ppd.get()), "21 *QWOrphan, 29 *QWPane, 29 *QWPlain");
    EXPECT_EQ(Control(q.ppd.get(), "*QWOrphan"), nullptr);
}
