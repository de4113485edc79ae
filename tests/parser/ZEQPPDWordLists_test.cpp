// Tests of the word lists of the vendor statements (optional double quotes, empty words) and
// of a line that cannot be read inside a value that goes on over several lines.
#include <gtest/gtest.h>

#include <string>

#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXProperty.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXScrollPane.h"
#include "tests/parser/ZEQPPDTestUtil.h"

using namespace zeqtest;

namespace {

const char* kAfter =
    "*%ZEQFlags *QWAfter: Setup\n"
    "*%ZEQGroup *QWAfter: VPLayout\n"
    "*OpenUI *QWAfter/After: Boolean\n"
    "*DefaultQWAfter: True\n"
    "*QWAfter True/Yes: \"t\"\n"
    "*QWAfter False/No: \"f\"\n"
    "*CloseUI: *QWAfter\n";

std::string CodeLine(char c) {
    return std::string(255, c) + "\n";
}

}  // namespace

TEST(ZEQPPDWordLists, QuotesAreOptionalAndEmptyWordsAreSkipped) {
    std::string text = std::string(kHead) +
                       "*%ZEQPropPage VPP3/Three: True||Prop\n"
                       "*%ZEQPropPage VPP4/Four:\"True|App\"\n"
                       "*%ZEQGroupName Pane/Pane:\"True\"\n"
                       "*%ZEQParent Pane/VPP3:\"Scrollpane||True\"\n"
                       "*%ZEQGroupName Roll/Roll: |True|\n"
                       "*%ZEQParent Roll/Pane:||Rolldown|\"True\"\n"
                       "*%ZEQFlags *QWA:\"Setup|Spooler\"\n"
                       "*%ZEQGroup *QWA: Roll\n"
                       "*OpenUI *QWA/A: Boolean\n"
                       "*DefaultQWA: True\n"
                       "*QWA True/Yes: \"t\"\n"
                       "*QWA False/No: \"f\"\n"
                       "*CloseUI: *QWA\n"
                       "*%ZEQFlags *QWB: Setup|||Command|\n"
                       "*OpenUI *QWB/B: Boolean\n"
                       "*DefaultQWB: True\n"
                       "*QWB True/Yes: \"t\"\n"
                       "*QWB False/No: \"f\"\n"
                       "*CloseUI: *QWB\n"
                       "*%ZEQFlags *NX: MacVJN\n"
                       "*%ZEQGroup *NX: Roll\n"
                       "*%ZEQJobNote *NX/X:\"8|Numeric\"\n"
                       "*%ZEQJobNote *NY/Y:|12||Alpha||Required\n"
                       "*%ZEQJobNote *NZ/Z:\"\"\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "29 *QWB");

    PPDXProperty* three = p->GetProperties()->Find("VPP3", true);
    ASSERT_NE(three, nullptr);
    EXPECT_TRUE(three->IsVisible());
    EXPECT_FALSE(three->ShowInApp());  // "Prop" after "||"
    EXPECT_TRUE(three->ShowInPrintProp());
    PPDXProperty* four = p->GetProperties()->Find("VPP4", true);
    ASSERT_NE(four, nullptr);
    EXPECT_TRUE(four->IsVisible());
    EXPECT_FALSE(four->ShowInPrintProp());

    auto* pane = dynamic_cast<PPDXScrollPane*>(p->GetGroups()->Find("Pane", true));
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->IsVisible());
    EXPECT_EQ(pane->GetParent(), three);
    auto* roll = dynamic_cast<PPDXRollDown*>(p->GetGroups()->Find("Roll", true));
    ASSERT_NE(roll, nullptr);
    EXPECT_TRUE(roll->IsVisible());
    EXPECT_EQ(roll->GetParent(), pane);

    PPDXControl* a = Control(p.ppd.get(), "*QWA");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Flags(a), (std::vector<std::string>{"Setup", "Spooler"}));
    EXPECT_EQ(a->GetParent(), roll);
    PPDXControl* b = Control(p.ppd.get(), "*QWB");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Flags(b), (std::vector<std::string>{"Setup", "Command"}));

    auto* x = dynamic_cast<PPDXJobNote*>(Control(p.ppd.get(), "*NX"));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->MaxLength(), 8);
    EXPECT_TRUE(x->IsNumeric());
    EXPECT_EQ(Flags(x), (std::vector<std::string>{"MacVJN"}));
    auto* y = dynamic_cast<PPDXJobNote*>(Control(p.ppd.get(), "*NY"));
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->MaxLength(), 12);
    EXPECT_TRUE(y->IsAlpha());
    EXPECT_TRUE(y->IsRequired());
    // A note without any word has no maximum length and is not made.
    EXPECT_EQ(Control(p.ppd.get(), "*NZ"), nullptr);
}

// A line of 255 or more characters, or a 0xFF byte, ends the parse also where it continues a
// value: the value ends before it, and nothing after it is read.
TEST(ZEQPPDWordLists, UnreadableLineInsideAValueEndsTheParse) {
    // Option code of a popup: the block has no closing keyword left, so it is refused.
    std::string popup = std::string(kHead) +
                        "*%ZEQFlags *QWP: Setup\n"
                        "*%ZEQGroup *QWP: VPLayout\n"
                        "*OpenUI *QWP/P: PickOne\n"
                        "*DefaultQWP: A\n"
                        "*QWP A/A: \"first\n" +
                        CodeLine('p') + "last\"\n*CloseUI: *QWP\n" + kAfter;
    Parsed p = Parse(popup);
    EXPECT_EQ(ErrorText(p.ppd.get()), "11! *QWP, 27");
    EXPECT_TRUE(AllControls(p.ppd.get()).empty());

    // Range code: the control keeps the code read before the line.
    std::string range = std::string(kHead) +
                        "*%ZEQFlags *QWR: Setup\n"
                        "*%ZEQGroup *QWR: VPLayout\n"
                        "*%ZEQRange *QWR/R: (0;10;1;5) \"first\n" +
                        CodeLine('r') + "last\"\n" + kAfter;
    Parsed r = Parse(range);
    EXPECT_EQ(ErrorText(r.ppd.get()), "");
    ASSERT_EQ(AllControls(r.ppd.get()).size(), 1u);
    auto* control = dynamic_cast<PPDXRangeControl*>(Control(r.ppd.get(), "*QWR"));
    ASSERT_NE(control, nullptr);
    unsigned char code[64] = {};
    const long length = control->PostScript(nullptr);
    ASSERT_LT(length, static_cast<long>(sizeof code));
    control->PostScript(code);
    const std::string written(reinterpret_cast<char*>(code), static_cast<size_t>(length));
    EXPECT_NE(written.find("first"), std::string::npos);
    EXPECT_EQ(written.find("rrr"), std::string::npos);

    // A quoted main-keyword value that meets a 0xFF byte has no value.
    std::string quoted = std::string(kHead) + "*FileVersion: \"1.\n2\xff\"\n" + kAfter;
    Parsed q = Parse(quoted);
    EXPECT_EQ(q->FileVersion(), nullptr);
    EXPECT_EQ(Control(q.ppd.get(), "*QWAfter"), nullptr);

    // The same values with readable lines go on to the next control.
    std::string fine = std::string(kHead) + "*FileVersion: \"1.\n2\"\n" + kAfter;
    Parsed f = Parse(fine);
    EXPECT_STREQ(f->FileVersion(), "1.");
    EXPECT_NE(Control(f.ppd.get(), "*QWAfter"), nullptr);
}
