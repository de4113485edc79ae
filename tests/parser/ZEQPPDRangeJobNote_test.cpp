// Tests of the range and job-note statements: numbers, code, errors, job-note words and
// their extension levels, "MinLength" digits, and the default and code lines after a note.
#include <gtest/gtest.h>

#include <string>

#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "tests/parser/ZEQPPDTestUtil.h"

using namespace zeqtest;

namespace {

std::string Range(const char* keyword, const char* statement, const char* rest) {
    return std::string("*%ZEQFlags ") + keyword + ": MacIS\n*%ZEQGroup " + keyword +
           ": VPLayout/Layout\n" + statement + " " + keyword + rest + "\n";
}

std::string Note(const char* keyword, const char* rest) {
    return std::string("*%ZEQFlags ") + keyword + ": MacVJN\n*%ZEQGroup " + keyword +
           ": VPLayout\n*%ZEQJobNote " + keyword + rest + "\n";
}

PPDXJobNote* JobNote(const Parsed& p, const char* keyword) {
    return dynamic_cast<PPDXJobNote*>(Control(p.ppd.get(), keyword));
}

// Restores the extension level when a test ends.
struct ExtensionLevel {
    explicit ExtensionLevel(_EXTENSIONS_SUPPORT_ level) : saved(ZEQPPD::GetExtensions()) {
        ZEQPPD::SetExtensions(level);
    }
    ~ExtensionLevel() { ZEQPPD::SetExtensions(saved); }
    _EXTENSIONS_SUPPORT_ saved;
};

}  // namespace

TEST(ZEQPPDRanges, NumbersCodeAndErrors) {
    std::string text = std::string(kHead) +
                       Range("*QWImageFrontX", "*%ZEQRange",
                             "/Front X: (0;100;5;50) \"<</PageOffset [<*QWImageFrontX> 0]>> "
                             "setpagedevice\"") +
                       Range("*QWImageFrontY", "*%ZEQUnitRange", "/Front Y:\t( -20 ;20;1;x)\"y\"") +
                       Range("*QWNoDefault", "*%ZEQRange", "/No Default: (0;100;5) \"c\"") +
                       Range("*QWNoParen", "*%ZEQRange", "/No Paren: 0;100;5;50 \"c\"") +
                       Range("*QWNoCode", "*%ZEQRange", "/No Code: (1;2;1;1)") +
                       "*%ZEQFlags *QWWrong: MacIS\n*%ZEQGroup *QWWrong: VPLayout\n"
                       "*%ZEQRange *QWOther/Other: (1;2;1;1) \"c\"\n"
                       "*%ZEQFlags *QWNoName: MacIS\n*%ZEQGroup *QWNoName: VPLayout\n"
                       "*%ZEQRange \n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "7 *QWNoDefault, 7 *QWNoParen, 35 *QWNoCode, 7 *QWOther, 7");
    auto* x = dynamic_cast<PPDXRangeControl*>(Control(p.ppd.get(), "*QWImageFrontX"));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->Type(), kRangeControl);
    EXPECT_EQ(Utf8(x->CFStringUserName()), "Front X");
    EXPECT_EQ(x->MinVal(), 0);
    EXPECT_EQ(x->MaxVal(), 100);
    EXPECT_EQ(x->Increment(), 5);
    EXPECT_EQ(x->DefaultValue(), 50);
    EXPECT_EQ(x->GetValue(), 50);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(x->Code()), x->CodeLength()),
              "<</PageOffset [<*QWImageFrontX> 0]>> setpagedevice\n");
    EXPECT_EQ(Flags(x), (std::vector<std::string>{"MacIS"}));
    EXPECT_EQ(x->GetParent(), p->GetGroups()->Find("VPLayout", true));
    EXPECT_EQ(p->GetKeywordIndex()->Lookup("*QWImageFrontX"), x);

    auto* y = dynamic_cast<PPDXRangeControl*>(Control(p.ppd.get(), "*QWImageFrontY"));
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->MinVal(), -20);
    EXPECT_EQ(y->DefaultValue(), 0);  // not a number reads as 0

    auto* noCode = dynamic_cast<PPDXRangeControl*>(Control(p.ppd.get(), "*QWNoCode"));
    ASSERT_NE(noCode, nullptr);
    EXPECT_EQ(noCode->CodeLength(), 0);
    EXPECT_EQ(AllControls(p.ppd.get()).size(), 3u);

    // A range whose group is unknown: an orphan while orphans are kept, refused otherwise.
    std::string lost = std::string(kHead) +
                       "*%ZEQFlags *QWLost: MacIS\n*%ZEQGroup *QWLost: Nowhere\n"
                       "*%ZEQRange *QWLost/Lost: (1;2;1;1) \"c\"\n";
    Parsed kept = Parse(lost);
    EXPECT_EQ(ErrorText(kept.ppd.get()), "29 *QWLost");
    Parsed dropped = Parse(lost, 2);
    EXPECT_EQ(ErrorText(dropped.ppd.get()), "21 *QWLost, 27");
}

TEST(ZEQPPDJobNotes, BlockFormWordsAndMinLength) {
    std::string text =
        std::string(kHead) + Note("*QWNote1", "/Account: 31|Numeric|Bogus") +
        Note("*QWNote2", "/Two: \"8\" \"Alpha\" \"MinLength4\"") +
        Note("*QWNote3", "/Three: 8|MinLength12|Required") +
        Note("*QWNote4", "/Four: 8|MinLength123") + Note("*QWNote5", "/Five: 8|MinLengthX9") +
        Note("*QWNote6", "/Six: 8|MinLength1X") + Note("*QWNote7", "/Seven: 8|MinLength") +
        "*%ZEQFlags *QWNote8: MacVJN\n*%ZEQGroup *QWNote8: VPLayout\n"
        "*%ZEQJobNote *QWOther/Other: 8\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "6 *QWOther");

    PPDXJobNote* n1 = JobNote(p, "*QWNote1");
    ASSERT_NE(n1, nullptr);
    EXPECT_EQ(n1->Type(), kJobNoteControl);
    EXPECT_EQ(n1->MaxLength(), 31);
    EXPECT_EQ(n1->Flags(), 1u << 1);
    EXPECT_TRUE(n1->IsNumeric());
    EXPECT_EQ(n1->MinLength(), 0);
    EXPECT_EQ(Flags(n1), (std::vector<std::string>{"MacVJN"}));
    EXPECT_EQ(n1->GetParent(), p->GetGroups()->Find("VPLayout", true));
    EXPECT_EQ(p->GetKeywordIndex()->Lookup("*QWNote1"), n1);

    const uint32_t minBit = 1u << 22;
    PPDXJobNote* n2 = JobNote(p, "*QWNote2");
    ASSERT_NE(n2, nullptr);
    EXPECT_EQ(n2->MaxLength(), 8);
    EXPECT_EQ(n2->Flags(), 1u | minBit);
    EXPECT_EQ(n2->MinLength(), 4);
    EXPECT_EQ(JobNote(p, "*QWNote3")->MinLength(), 12);
    EXPECT_EQ(JobNote(p, "*QWNote3")->Flags(), (1u << 3) | minBit);
    EXPECT_EQ(JobNote(p, "*QWNote4")->MinLength(), -2);
    EXPECT_EQ(JobNote(p, "*QWNote5")->MinLength(), -1);
    EXPECT_EQ(JobNote(p, "*QWNote6")->MinLength(), -3);
    EXPECT_EQ(JobNote(p, "*QWNote7")->MinLength(), 0);
    for (const char* k : {"*QWNote4", "*QWNote5", "*QWNote6", "*QWNote7"})
        EXPECT_EQ(JobNote(p, k)->Flags(), minBit) << k;
    EXPECT_EQ(JobNote(p, "*QWNote8"), nullptr);
}

TEST(ZEQPPDJobNotes, ExtensionLevels) {
    const std::string text = std::string(kHead) + Note("*QWN1", "/N1: 8|Alpha|Space") +
                             Note("*QWN2", "/N2: 8|Encrypt") + Note("*QWN3", "/N3: 8|SecPrint") +
                             Note("*QWN4", "/N4: 8|MinLength3");
    {
        ExtensionLevel level(0);
        Parsed p = Parse(text);
        EXPECT_EQ(ErrorText(p.ppd.get()), "32 *QWN1, 32 *QWN2, 32 *QWN3, 32 *QWN4, 27");
    }
    {
        ExtensionLevel level(1);
        Parsed p = Parse(text);
        EXPECT_EQ(ErrorText(p.ppd.get()), "32 *QWN1, 32 *QWN2, 32 *QWN4");
        EXPECT_EQ(JobNote(p, "*QWN3")->Flags(), 1u << 11);
    }
    {
        ExtensionLevel level(2);
        Parsed p = Parse(text);
        EXPECT_EQ(ErrorText(p.ppd.get()), "32 *QWN2, 32 *QWN4");
        EXPECT_EQ(JobNote(p, "*QWN1")->Flags(), 1u | (1u << 13));
    }
    {
        ExtensionLevel level(7);
        Parsed p = Parse(text);
        EXPECT_EQ(ErrorText(p.ppd.get()), "");
        EXPECT_EQ(JobNote(p, "*QWN2")->Flags(), 1u << 15);
    }
}

TEST(ZEQPPDJobNotes, DefaultAndCodeLines) {
    std::string text = std::string(kHead) +
                       // default line, then a code line that the statement loop ignores
                       Note("*QWNote1", "/One: 20|Alpha") + "*%DefaultQWNote1: \"Dept 7\"\n" +
                       "*%QWNote1: \"(one) print\"\n" +
                       // code line spanning two lines
                       Note("*QWNote2", "/Two: 20") + "*%QWNote2: \"first\n" + "second\"\n" +
                       // another statement after the note is left to the loop
                       Note("*QWNote3", "/Three: 20") +
                       "*%ZEQPropPage Extra/Extra: True\n"
                       // empty default word
                       + Note("*QWNote4", "/Four: 20") + "*%DefaultQWNote4: \"\"\n";
    Parsed p = Parse(text);
    EXPECT_EQ(ErrorText(p.ppd.get()), "");
    PPDXJobNote* n1 = JobNote(p, "*QWNote1");
    ASSERT_NE(n1, nullptr);
    EXPECT_STREQ(n1->GetDefaultNotes(), "Dept 7");
    EXPECT_STREQ(n1->GetNotes(), "Dept 7");
    EXPECT_EQ(n1->CodeLength(), 0);
    PPDXJobNote* n2 = JobNote(p, "*QWNote2");
    ASSERT_NE(n2, nullptr);
    EXPECT_EQ(n2->GetDefaultNotes(), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(n2->Code()), n2->CodeLength()),
              "first\nsecond\n");
    EXPECT_NE(p->GetProperties()->Find("Extra", true), nullptr);
    EXPECT_EQ(JobNote(p, "*QWNote4")->GetDefaultNotes(), nullptr);
    EXPECT_EQ(AllControls(p.ppd.get()).size(), 4u);
}

TEST(ZEQPPDJobNotes, StandAloneForm) {
    const std::string notes =
        "*%ZEQGroupName VPQWNotes/Notes: True\n"
        "*%ZEQParent VPQWNotes/VPLayoutPane: Rolldown|True\n";
    const std::string statements =
        "*%ZEQJobNote *QWUser/User Name: 16|Alpha|MinLength|MinLength5\n"
        "*%ZEQJobNote \n";
    Parsed p = Parse(std::string(kHead) + notes + statements);
    EXPECT_EQ(ErrorText(p.ppd.get()), "6");
    PPDXJobNote* user = JobNote(p, "*QWUser");
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->MaxLength(), 16);
    EXPECT_EQ(user->Flags(), 1u | (1u << 22));
    EXPECT_EQ(user->MinLength(), 0);
    EXPECT_EQ(user->ControlFlagCount(), 0);
    PPDXGroup* rollDown = p->GetGroups()->Find("VPQWNotes", true);
    ASSERT_NE(rollDown, nullptr);
    EXPECT_EQ(user->GetParent(), rollDown);

    // Without a "VPQWNotes" roll-down the note is only in the flat list, with no error 29.
    Parsed q = Parse(std::string(kHead) + statements);
    PPDXJobNote* orphan = JobNote(q, "*QWUser");
    ASSERT_NE(orphan, nullptr);
    EXPECT_TRUE(orphan->IsOrphan());
    EXPECT_EQ(ErrorText(q.ppd.get()), "6");
}
