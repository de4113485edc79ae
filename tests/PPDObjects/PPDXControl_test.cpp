// Element and control base: keywords and equality, the display rule, control flags, keyword
// validity, the feature block and placeholder substitution.
#include "PPDObjects/PPDXControl.h"

#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "tests/PPDObjects/ModelTestSupport.h"

namespace {

// The base control's behaviour through the smallest concrete kind without its own PostScript.
class ControlBaseTest : public ModelTest {};

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

TEST(ElementDeathTest, NullUserNameStopsTheProcess) {
    EXPECT_DEATH(PPDXGroup("G", nullptr, true),
                 "PPDObjects/PPDXElement.cpp:[0-9]+: failed assertion `inLocalName != NULL'");
}

}  // namespace
