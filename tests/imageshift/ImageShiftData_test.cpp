// Tests of the Image Shift model: the look-up in the PPD, conversions and rounding, clamping,
// the PostScript entries for each enable and align state, the summary and the settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imageshift/ImageShiftData.h"
#include "imageshift/PDEBundle.h"
#include "printsys/JobTicket.h"
#include "printsys/ZEQJobTicket.h"
#include "tests/imageshift/ImageShiftTestSupport.h"
#include "tests/platform/LanguageEnvironment.h"

using namespace istest;

namespace {

// A model over one of the test PPDs, with the PPD kept alive beside it.
struct Model {
    explicit Model(const std::string& path) : ppd(ParsePPD(path)), data(*ppd) {}
    PPDPtr ppd;
    ImageShiftData data;
};

std::vector<std::string> Texts(CFStringRef const* strings) {
    std::vector<std::string> texts;
    for (int i = 0; i < 4; ++i)
        texts.push_back(Utf8(strings[i]));
    return texts;
}

// The job ticket's entries as "-9 keyword" and "81 code", the code without its feature lines.
std::vector<std::string> Written(const ZEQJobTicket& ticket) {
    std::vector<std::string> lines;
    for (auto& [site, bytes] : Entries(ticket)) {
        std::string text = bytes;
        if (text.rfind("%%BeginFeature:", 0) == 0)
            text = text.substr(text.find('\n') + 1);
        if (const size_t end = text.find("\n%%EndFeature"); end != std::string::npos)
            text.resize(end);
        lines.push_back(std::to_string(site) + " " + text);
    }
    return lines;
}

std::vector<std::string> Output(ImageShiftData& data, OSStatus expected = 0) {
    TestSession session;
    PrintSettingsTicket settings(session.Session());
    ZEQJobTicket ticket(&settings, CFSTR("ZEQ.PSData.test"));
    EXPECT_EQ(data.OutPostscriptData(ticket), expected);
    return Written(ticket);
}

std::vector<std::string> Summary(ImageShiftData& data) {
    std::vector<std::string> lines;
    bool more = true;
    for (int guard = 0; guard < 10; ++guard) {
        CFMutableStringRef title = CFStringCreateMutable(nullptr, 0);
        CFMutableStringRef value = CFStringCreateMutable(nullptr, 0);
        const bool got = data.GetSummaryLine(title, value, more);
        if (got && more)
            lines.push_back(Utf8(title) + " = " + Utf8(value));
        CFRelease(title);
        CFRelease(value);
        if (!got)
            break;
    }
    EXPECT_FALSE(more);
    return lines;
}

}  // namespace

TEST(ImageShiftData, FindsTheFeatureGroupAndItsDefaults) {
    Model basic(DataPath("imageshift-basic.ppd"));
    ImageShiftData& b = basic.data;
    ASSERT_TRUE(b.mControlsPresent);
    EXPECT_TRUE(b.mHasEnableControl);
    EXPECT_TRUE(b.mEnable);
    EXPECT_FALSE(b.mAlign);
    EXPECT_EQ(b.mUnitsIndex, kUnitsPoints);
    EXPECT_EQ(b.mDefaultUnitsIndex, kUnitsPoints);
    EXPECT_EQ(b.mPanelUnits, kUnitsPoints);
    EXPECT_EQ(b.mUnitsAtLastHit, 0);
    // Limits in hundredths of a point; default and increment as given.
    EXPECT_DOUBLE_EQ(b.mRange[2].min, -72.0);
    EXPECT_DOUBLE_EQ(b.mRange[3].max, 200.0);
    EXPECT_DOUBLE_EQ(b.mRange[3].defaultValue, 150.0);
    EXPECT_DOUBLE_EQ(b.mRange[3].increment, 5.0);
    EXPECT_EQ(Texts(b.mRangeBoxString),
              (std::vector<std::string>{"-36.00", "36.00", "-72.00", "72.00"}));
    EXPECT_EQ(Texts(b.mOffsetString), (std::vector<std::string>{"0", "0", "0", "0"}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.mExactValue[i], ImageShiftData::kNoValue);
        EXPECT_EQ(b.mTypedValue[i], ImageShiftData::kNoValue);
        EXPECT_EQ(b.mTypedUnits[i], 0);
    }

    // Found in VPFinishing after an empty VPImageShift; "mm" is not "MM".
    Model noFlag(DataPath("imageshift-noflag.ppd"));
    ASSERT_TRUE(noFlag.data.mControlsPresent);
    EXPECT_FALSE(noFlag.data.mHasEnableControl);
    EXPECT_TRUE(noFlag.data.mEnable);
    EXPECT_EQ(noFlag.data.mUnitsIndex, kUnitsPoints);
    EXPECT_DOUBLE_EQ(noFlag.data.mRange[0].increment, 2.0);

    // Offsets in VPLayout, the flag and units elsewhere; range boxes in millimetres.
    Model fallback(DataPath("imageshift-fallback.ppd"));
    ASSERT_TRUE(fallback.data.mControlsPresent);
    EXPECT_TRUE(fallback.data.mHasEnableControl);
    EXPECT_FALSE(fallback.data.mEnable);
    EXPECT_EQ(fallback.data.mUnitsIndex, kUnitsMM);
    EXPECT_EQ(fallback.data.mDefaultUnitsIndex, kUnitsMM);
    EXPECT_EQ(Texts(fallback.data.mRangeBoxString),
              (std::vector<std::string>{"-3.53", " 3.53", "-3.53", " 3.53"}));

    Model none(DataPath("minimal.ppd"));
    EXPECT_FALSE(none.data.mControlsPresent);
    EXPECT_EQ(Output(none.data, -50), std::vector<std::string>{});
}

TEST(ImageShiftData, UnitsRangesAndRounding) {
    Model m(std::string(ZEQ_EXAMPLES) + "/QW4300.ppd");
    ImageShiftData& d = m.data;
    ASSERT_TRUE(d.mControlsPresent);
    EXPECT_FALSE(d.mEnable);  // the sample's flag is off by default

    EXPECT_DOUBLE_EQ(d.GetMaxAtIndex(0), 144.0);
    EXPECT_DOUBLE_EQ(d.GetIncrementAtIndex(1), 1.0);
    EXPECT_EQ(d.GetMinAtIndex(4), 0.0);
    d.setUnitsIndex(kUnitsInches);
    EXPECT_EQ(d.mPanelUnits, kUnitsInches);
    EXPECT_DOUBLE_EQ(d.GetMaxAtIndex(2), 144 * 0.013888889);
    EXPECT_DOUBLE_EQ(d.GetIncrementAtIndex(2), 0.01);
    d.setFrontXString(CFSTR("0.5"));
    EXPECT_EQ(Utf8(d.mOffsetString[0]), " 0.50");
    EXPECT_EQ(d.GetOneOffsetInPoints(0), 3600);
    d.setFrontXString(CFSTR("1.5"));
    EXPECT_EQ(d.GetOneOffsetInPoints(0), 10800);
    d.setFrontXString(CFSTR("9"));  // clamped at 144 points in inches
    EXPECT_EQ(Utf8(d.mOffsetString[0]), " 2.00");

    d.setUnitsIndex(kUnitsMM);
    EXPECT_DOUBLE_EQ(d.GetDefaultAtIndex(5), 144 * 0.352777778);
    EXPECT_DOUBLE_EQ(d.GetIncrementAtIndex(0), 0.1);
    d.setFrontYString(CFSTR("25.4"));
    EXPECT_EQ(d.GetOneOffsetInPoints(1), 7200);

    // Out-of-range unit values are ignored by the setter.
    d.setUnitsIndex(0);
    d.setUnitsIndex(4);
    EXPECT_EQ(d.mUnitsIndex, kUnitsMM);
    d.setUnitsIndex(kUnitsPoints);

    Str small("-0.005"), half("-0.5"), word("abc");
    CFRelease(d.mOffsetString[2]);
    d.mOffsetString[2] = CFStringCreateCopy(nullptr, small);
    EXPECT_EQ(d.GetOneOffsetInPoints(2), 0);
    d.setBackXString(half);
    EXPECT_EQ(d.GetOneOffsetInPoints(2), -49);
    d.setBackYString(word);
    EXPECT_EQ(Utf8(d.mOffsetString[3]), " 0.00");
    EXPECT_EQ(d.GetOneOffsetInPoints(3), 0);
    EXPECT_EQ(d.GetOneOffsetInPoints(4), 0);
    EXPECT_EQ(d.GetDefaultAtIndex(8), 0.0);
    EXPECT_DOUBLE_EQ(d.GetDefaultAtIndex(6), -144.0);

    d.setFrontRangeMinBoxStr(CFSTR("-1"));
    EXPECT_EQ(Utf8(d.mRangeBoxString[0]), "-1");
}

TEST(ImageShiftData, ClampStringValue) {
    const struct {
        CFStringRef text;
        const char* expected;
    } cases[] = {{CFSTR("abc"), " 0.00"}, {CFSTR("12"), "10.00"},    {CFSTR("-12"), "-10.00"},
                 {CFSTR("1.5"), " 1.50"}, {CFSTR("9.999"), "10.00"}, {nullptr, " 0.00"}};
    for (const auto& c : cases) {
        CFStringRef clamped = ClampStringValue(c.text, 10, -10);
        EXPECT_EQ(Utf8(clamped), c.expected) << Utf8(c.text);
        CFRelease(clamped);
    }
}

TEST(ImageShiftData, PostScriptForEachEnableAndAlignState) {
    Model m(DataPath("imageshift-basic.ppd"));
    ImageShiftData& d = m.data;
    d.setFrontXString(CFSTR("1.5"));
    d.setFrontYString(CFSTR("-2"));
    d.setBackXString(CFSTR("-0.5"));
    d.setBackYString(CFSTR("300"));  // clamped to 200

    const std::vector<std::string> head = {"-9 *QWImageFlag", "81 /isOn true def",
                                           "-9 *QWImageUnit", "81 /isUnit /Points def"};
    d.mAlign = true;
    std::vector<std::string> expected = head;
    expected.insert(expected.end(), {"-9 *QWImageAlign", "81 /isAlign true def", "81 /isFX 150 def",
                                     "81 /isFY -199 def"});
    EXPECT_EQ(Output(d), expected);

    d.mAlign = false;
    // The texts now count as millimetres; the range controls hold the value within their
    // limits and on their increment.
    d.setUnitsIndex(kUnitsMM);
    expected = {"-9 *QWImageFlag",    "81 /isOn true def", "-9 *QWImageUnit",
                "81 /isUnit /MM def", "-9 *QWImageAlign",  "81 /isAlign false def",
                "81 /isFX 425 def",   "81 /isFY -566 def", "81 /isBX -140 def",
                "81 /isBY 20000 def"};
    EXPECT_EQ(Output(d), expected);

    // Switched off: only the flag and the units, whatever the alignment.
    d.setUnitsIndex(kUnitsInches);
    d.mEnable = false;
    for (bool align : {false, true}) {
        d.mAlign = align;
        EXPECT_EQ(Output(d),
                  (std::vector<std::string>{"-9 *QWImageFlag", "81 /isOn false def",
                                            "-9 *QWImageUnit", "81 /isUnit /Inches def"}));
    }

    // A ticket that cannot take entries.
    ZEQJobTicket unusable(nullptr, nullptr);
    EXPECT_EQ(d.OutPostscriptData(unusable), -50);
}

TEST(ImageShiftData, PostScriptWithoutTheEnableControl) {
    // Without the flag the feature cannot be switched off; the units are not written.
    Model m(DataPath("imageshift-noflag.ppd"));
    ImageShiftData& d = m.data;
    d.mEnable = false;
    d.setBackYString(CFSTR("3"));
    d.mAlign = true;
    EXPECT_EQ(Output(d), (std::vector<std::string>{"-9 *QWImageAlign", "81 /isAlign true def",
                                                   "81 /isFX 0 def", "81 /isFY 0 def"}));
    d.mAlign = false;
    EXPECT_EQ(Output(d), (std::vector<std::string>{"-9 *QWImageAlign", "81 /isAlign false def",
                                                   "81 /isFX 0 def", "81 /isFY 0 def",
                                                   "81 /isBX 0 def", "81 /isBY 300 def"}));

    // The flag and units lie outside the offsets' group: an enabled model writes only the
    // offsets (there is no align control), a disabled one nothing.
    Model f(DataPath("imageshift-fallback.ppd"));
    EXPECT_EQ(Output(f.data), std::vector<std::string>{});
    f.data.mEnable = true;
    f.data.setFrontXString(CFSTR("1"));  // millimetres
    EXPECT_EQ(Output(f.data), (std::vector<std::string>{"81 /lyFX 283 def", "81 /lyFY 0 def",
                                                        "81 /lyBX 0 def", "81 /lyBY 0 def"}));
}

TEST(ImageShiftData, SummaryLines) {
    LanguageEnvironment english("en");
    PDEBundle::InitBundle(CFBundleGetMainBundle());
    Model m(DataPath("imageshift-basic.ppd"));
    ImageShiftData& d = m.data;
    d.setFrontXString(CFSTR("1.5"));
    d.mAlign = true;
    const std::vector<std::string> expected = {
        "Enable Image Shift = Yes",   "Front X Offset =  1.50  Points",
        "Front Y Offset = 0  Points", "Back X Offset = 0  Points",
        "Back Y Offset = 0  Points",  "Align front and back images = Yes"};
    EXPECT_EQ(Summary(d), expected);
    EXPECT_EQ(d.mSummaryLine, 0);
    EXPECT_EQ(Summary(d), expected);  // the iterator starts again

    // Five lines without the flag; a units value outside 1..3 has no name.
    Model n(DataPath("imageshift-noflag.ppd"));
    n.data.mUnitsIndex = 7;
    n.data.mEnable = false;
    const std::vector<std::string> lines = Summary(n.data);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Front X Offset = 0");
    EXPECT_EQ(lines[4], "Align front and back images = No");

    // In German, with the units' own name.
    LanguageEnvironment german("de");
    m.data.setUnitsIndex(kUnitsMM);
    m.data.mEnable = false;
    const std::vector<std::string> de = Summary(m.data);
    ASSERT_EQ(de.size(), 6u);
    EXPECT_EQ(de[0], "Bildverschiebung aktivieren = Nein");
    EXPECT_EQ(de[1], "X-Versatz Vorderseite =  1.50  Millimeter");
}

TEST(ImageShiftData, SettingsWrittenAndRestored) {
    TestSession session;
    PrintSettingsTicket settings(session.Session());
    ASSERT_TRUE(settings.IsValid());
    CFStringRef client = CFSTR(kVendorReverseDNS ".print.pde.test");

    Model m(DataPath("imageshift-basic.ppd"));
    ImageShiftData& d = m.data;
    EXPECT_EQ(d.SaveNonPSSettings(nullptr, client), -1);
    EXPECT_EQ(d.SaveNonPSSettings(&settings, nullptr), -1);
    d.mEnable = false;
    d.mAlign = true;
    d.setUnitsIndex(kUnitsInches);
    d.setFrontXString(CFSTR("0.25"));
    d.setBackYString(CFSTR("-1"));
    ASSERT_EQ(d.SaveNonPSSettings(&settings, client), 0);

    SInt32 number = -1;
    ASSERT_EQ(PMTicketGetSInt32(session.PrintSettings(), kPMTopLevel, kPMTopLevel,
                                CFSTR(kVendorReverseDNS ".imageshift.Units"), &number),
              0);
    EXPECT_EQ(number, kUnitsInches);
    CFStringRef stored = nullptr;
    ASSERT_EQ(PMTicketGetCFString(session.PrintSettings(), kPMTopLevel, kPMTopLevel,
                                  CFSTR(kVendorReverseDNS ".imageshift.backY"), &stored),
              0);
    EXPECT_EQ(Utf8(stored), "-1.00");
    CFStringRef writer = nullptr;
    Boolean locked = true;
    ASSERT_EQ(PMTicketGetItemAttributes(session.PrintSettings(),
                                        CFSTR(kVendorReverseDNS ".imageshift.ImageFlag"), &writer,
                                        &locked),
              0);
    EXPECT_EQ(Utf8(writer), Utf8(client));
    EXPECT_FALSE(locked);

    Model fresh(DataPath("imageshift-basic.ppd"));
    ImageShiftData& r = fresh.data;
    ASSERT_EQ(r.RestoreNonPSSettings(&settings), 0);
    EXPECT_FALSE(r.mEnable);
    EXPECT_TRUE(r.mAlign);
    EXPECT_EQ(r.mUnitsIndex, kUnitsInches);
    EXPECT_EQ(r.mPanelUnits, kUnitsPoints);  // the panel's units and the default stay
    EXPECT_EQ(r.mDefaultUnitsIndex, kUnitsPoints);
    EXPECT_EQ(Texts(r.mOffsetString), (std::vector<std::string>{" 0.25", "0", "0", "-1.00"}));

    // A ticket with only some keys changes only those fields; an unchecked unit is kept.
    TestSession partial;
    PMTicketSetSInt32(partial.PrintSettings(), client, CFSTR(kVendorReverseDNS ".imageshift.Units"),
                      9, kPMUnlocked);
    PrintSettingsTicket partialSettings(partial.Session());
    Model other(DataPath("imageshift-basic.ppd"));
    ASSERT_EQ(other.data.RestoreNonPSSettings(&partialSettings), 0);
    EXPECT_EQ(other.data.mUnitsIndex, 9);
    EXPECT_TRUE(other.data.mEnable);
    EXPECT_EQ(Utf8(other.data.mOffsetString[0]), "0");
    EXPECT_EQ(other.data.RestoreNonPSSettings(nullptr), -1);
}
