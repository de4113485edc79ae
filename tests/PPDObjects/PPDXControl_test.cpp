// Element and control base: keywords and equality, the display rule, control flags, keyword
// validity, the feature block and placeholder substitution.
#include "PPDObjects/PPDXControl.h"

#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "tests/PPDObjects/ModelTestSupport.h"

namespace {

// The base control's behaviour through the smallest concrete kind without its own PostScript.
class ControlBaseTest : public ModelTest {};

TEST_F(ControlBaseTest, KeywordsAndEquality) {
    PPDXGroup none("", Name("Empty"), true);
    EXPECT_EQ(none.Keyword(), nullptr);
    EXPECT_FALSE(none == "");
    EXPECT_FALSE(none == none);

    PPDXGroup a("VPQWNotes", Name("Notes"), true);
    PPDXGroup b("VPQWNotes", Name("Other"), false);
    PPDXGroup c("VPQWnotes", Name("Notes"), true);
    EXPECT_STREQ(a.Keyword(), "VPQWNotes");
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    EXPECT_TRUE(a == "VPQWNotes");
    EXPECT_FALSE(a == static_cast<const char*>(nullptr));
    EXPECT_STREQ(a.UserName(), "Notes");
    EXPECT_EQ(a.UserName(), a.UserName());  // cached
}

TEST_F(ControlBaseTest, DisplayRuleOfOrphansAndHiddenElements) {
    PPDXGroup parent("Parent", Name("P"), true);
    PPDXGroup visibleOrphan("A", Name("A"), true);
    PPDXGroup hiddenChild("B", Name("B"), false);
    hiddenChild.SetParent(&parent);
    EXPECT_TRUE(visibleOrphan.IsOrphan());
    EXPECT_FALSE(hiddenChild.IsOrphan());
    EXPECT_EQ(hiddenChild.GetParent(), &parent);

    const bool expected[4][2] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (_DISPLAY_OPTIONS_ options = 0; options < 4; ++options) {
        EXPECT_EQ(visibleOrphan.OkayToDisplay(options), expected[options][0]) << options;
        EXPECT_EQ(hiddenChild.OkayToDisplay(options), expected[options][1]) << options;
    }
    EXPECT_TRUE(hiddenChild.OkayToDisplay(7));
}

TEST_F(ControlBaseTest, ControlFlagsAreMatchedByteExactly) {
    PointerList flags = Flags({"Spooler", "Setup", "Custom"});
    PPDXSpecialOption control("*QWOption", Name("Option"), flags, nullptr, nullptr, 0, true);
    EXPECT_EQ(control.ControlFlagCount(), 3);
    EXPECT_TRUE(control.IsSetup());
    EXPECT_TRUE(control.IsSpooler());
    EXPECT_FALSE(control.IsCommand());
    EXPECT_FALSE(control.IsMacImgShift());
    EXPECT_TRUE(control.FindControlFlag("Custom"));

    std::vector<std::string> seen;
    for (const char* word = control.FirstControlFlag(); word != nullptr;
         word = control.NextControlFlag()) {
        seen.push_back(word);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Spooler", "Setup", "Custom"}));
    EXPECT_EQ(control.NextControlFlag(), nullptr);  // stays at the end

    PointerList lower = Flags({"setup"});
    PPDXSpecialOption other("*QWOther", Name("Other"), lower, nullptr, nullptr, 0, true);
    EXPECT_FALSE(other.IsSetup());
}

TEST_F(ControlBaseTest, ValidKeyword) {
    EXPECT_FALSE(PPDXControl::ValidKeyword("*QW_PROP_WATERMARK"));
    EXPECT_FALSE(PPDXControl::ValidKeyword("*QWPigmora"));
    EXPECT_FALSE(PPDXControl::ValidKeyword("*QW_PROP_LOCAL_QWLANDSCAPE"));
    EXPECT_TRUE(PPDXControl::ValidKeyword("*QW_PROP_WATERMARK_X"));
    EXPECT_TRUE(PPDXControl::ValidKeyword("*qwpigmora"));
    EXPECT_FALSE(PPDXControl::ValidKeyword(nullptr));
}

TEST_F(ControlBaseTest, FeatureBlockIsByteExact) {
    PointerList flags;
    PPDXSpecialOption duplex("*Duplex", Name("Duplex"), flags, nullptr, nullptr, 0, true);
    const unsigned char code[] = {'x', '\n'};

    auto block = [&](const unsigned char* c, long length, bool wrap) {
        return Collect([&](unsigned char* out) {
            return duplex.GeneratePSOutputData(out, c, length, "None", wrap);
        });
    };
    std::string wrapped = block(code, 2, true);
    EXPECT_EQ(wrapped, "%%BeginFeature: *Duplex None\nx\n%%EndFeature\n");
    EXPECT_EQ(wrapped.size(), 44u);
    EXPECT_EQ(block(nullptr, 0, true), "%%BeginFeature: *Duplex None\n\n%%EndFeature\n");
    EXPECT_EQ(block(code, 0, true).size(), 43u);  // a length below 1 is no code
    EXPECT_EQ(block(nullptr, 0, false), "\n");
    EXPECT_EQ(block(code, 2, false), "x\n");
    // Code without a final line feed runs straight into the end line.
    EXPECT_EQ(block(code, 1, true), "%%BeginFeature: *Duplex None\nx%%EndFeature\n");
}

TEST_F(ControlBaseTest, InjectReplacesEveryPlaceholderWithoutRegardToCase) {
    PointerList flags;
    PPDXSpecialOption control("*QWImageFrontX", Name("X"), flags, nullptr, nullptr, 0, true);
    const char* text = "/X <*qwimagefrontx> def <*QWImageFrontX>";
    unsigned char* out = nullptr;
    long length = control.Inject("*QWImageFrontX", reinterpret_cast<const unsigned char*>(text),
                                 static_cast<long>(strlen(text)), "12", out);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), length), "/X 12 def 12");
    EXPECT_EQ(out[length], '\0');
    free(out);

    // No placeholder, a partial one and 8-bit bytes come through unchanged.
    const char* plain = "a <*QWImageFront \xE9\xFF <*QWIMAGEFRONTX";
    length = control.Inject("*QWImageFrontX", reinterpret_cast<const unsigned char*>(plain),
                            static_cast<long>(strlen(plain)), "12", out);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), length), plain);
    free(out);

    // Bytes of 0x80 and above in the tag must match exactly, not by case.
    const char* eight = "<\xC9t> <\xE9t>";
    length = control.Inject("\xC9t", reinterpret_cast<const unsigned char*>(eight), 9, "v", out);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), length), "v <\xE9t>");
    free(out);
}

TEST_F(ControlBaseTest, BasePostScriptIsTheRawCode) {
    PointerList flags;
    PPDXSpecialOption empty("*QWEmpty", Name("E"), flags, nullptr, nullptr, 0, true);
    EXPECT_EQ(empty.PostScript(nullptr), 0);
    EXPECT_EQ(PostScriptOf(empty), "");

    PointerList more;
    PPDXSpecialOption coded("*QWCoded", Name("C"), more, nullptr, Code("1 dict begin"), 12, true);
    EXPECT_EQ(coded.Type(), kSpecialOptionControl);
    EXPECT_EQ(PostScriptOf(coded), "1 dict begin");
}

TEST(ElementDeathTest, NullUserNameStopsTheProcess) {
    EXPECT_DEATH(PPDXGroup("G", nullptr, true),
                 "PPDObjects/PPDXElement.cpp:[0-9]+: failed assertion `inLocalName != NULL'");
}

}  // namespace
