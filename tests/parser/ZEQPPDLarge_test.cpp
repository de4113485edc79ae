// A generated PPD of a few thousand controls of every kind: everything is read, attached
// and indexed, and nothing breaks at size.
#include <gtest/gtest.h>

#include <string>

#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDObjects/PPDXShortcuts.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "tests/parser/ZEQPPDTestUtil.h"

using namespace zeqtest;

namespace {

std::string Generate(int rollDowns, int perRollDown) {
    std::string text =
        "*PPD-Adobe: \"4.3\"\n*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n"
        "*PCFileName: \"BIG.PPD\"\n*%ZEQPropPage Page/Page: True\n"
        "*%ZEQGroupName Pane/Pane: True\n*%ZEQParent Pane/Page: Scrollpane|True\n";
    for (int r = 0; r < rollDowns; ++r) {
        const std::string roll = "Roll" + std::to_string(r);
        text += "*%ZEQGroupName " + roll + "/Roll " + std::to_string(r) + ": True\n";
        text += "*%ZEQParent " + roll + "/Pane: Rolldown|True\n";
        for (int c = 0; c < perRollDown; ++c) {
            const std::string k = "*QW" + std::to_string(r) + "_" + std::to_string(c);
            const std::string bare = k.substr(1);
            text += "*%ZEQFlags " + k + ": Setup|MacIS\n*%ZEQGroup " + k + ": " + roll + "/R\n";
            switch (c % 4) {
                case 0:
                    text += "*OpenUI " + k + "/Popup " + bare +
                            ": PickOne\n*OrderDependency: 20 "
                            "AnySetup " +
                            k + "\n*Default" + bare + ": B\n";
                    for (const char* o : {"A", "B", "C"})
                        text += k + " " + o + "/Option " + o + ": \"<< /X (" + o +
                                ") >> setpagedevice\"\n";
                    text += "*CloseUI: " + k + "\n";
                    break;
                case 1:
                    text += "*OpenUI " + k + "/Flag: Boolean\n*Default" + bare + ": True\n" + k +
                            " True/On: \"true\"\n" + k + " False/Off: \"false\"\n*CloseUI: " + k +
                            "\n";
                    break;
                case 2:
                    text += "*%ZEQRange " + k + "/Range: (0;1000;10;" + std::to_string(c) +
                            ") \"<" + k + "> pop\"\n";
                    break;
                default:
                    text += "*%ZEQJobNote " + k + "/Note: 31|Alpha|MinLength2\n*%Default" + bare +
                            ": \"none\"\n";
                    break;
            }
            text += "*UIConstraints: " + k + " A *QW0_0 C\n";
        }
    }
    text += "*%QWShortcut: *QW0_0\n";
    return text;
}

}  // namespace

TEST(ZEQPPDLarge, ThousandsOfControls) {
    const int rollDowns = 40;
    const int perRollDown = 100;
    Parsed p = Parse(Generate(rollDowns, perRollDown));
    EXPECT_TRUE(p->IsValidPPD());
    EXPECT_EQ(ErrorText(p.ppd.get()), "");
    const std::vector<PPDXControl*> controls = AllControls(p.ppd.get());
    ASSERT_EQ(controls.size(), static_cast<size_t>(rollDowns * perRollDown));
    EXPECT_EQ(p->GetGroups()->Size(), rollDowns + 1);
    EXPECT_EQ(p->GetKeywordIndex()->size(), static_cast<unsigned long>(rollDowns * perRollDown));

    for (int r = 0; r < rollDowns; r += 13) {
        const std::string roll = "Roll" + std::to_string(r);
        auto* rollDown = dynamic_cast<PPDXRollDown*>(p->GetGroups()->Find(roll.c_str(), true));
        ASSERT_NE(rollDown, nullptr);
        EXPECT_EQ(rollDown->Controls()->Size(), perRollDown);
        for (int c = 0; c < perRollDown; c += 17) {
            const std::string k = "*QW" + std::to_string(r) + "_" + std::to_string(c);
            PPDXControl* control = p->GetKeywordIndex()->Lookup(k.c_str());
            ASSERT_NE(control, nullptr) << k;
            EXPECT_EQ(control->GetParent(), rollDown) << k;
            EXPECT_EQ(Flags(control), (std::vector<std::string>{"Setup", "MacIS"}));
            if (c % 4 == 0) {
                EXPECT_EQ(static_cast<PPDXPopupControl*>(control)->GetValue(), 2);
            }
            if (c % 4 == 2) {
                EXPECT_EQ(static_cast<PPDXRangeControl*>(control)->DefaultValue(), c);
            }
            if (c % 4 == 3) {
                auto* note = static_cast<PPDXJobNote*>(control);
                EXPECT_EQ(note->MinLength(), 2);
                EXPECT_STREQ(note->GetDefaultNotes(), "none");
            }
        }
    }
    EXPECT_EQ(p->GetShortcuts()->Count(), 1);
}
