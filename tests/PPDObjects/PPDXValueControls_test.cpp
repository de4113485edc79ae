// Value controls: popup selection and its feature block, Rebuild, integer and float range
// clamping and rounding with their substitution, Boolean states, special options.
#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXSpecialOption.h"
#include "tests/PPDObjects/ModelTestSupport.h"

namespace {

class ValueControlTest : public ModelTest {
protected:
    _PopupItem* Item(const char* keyword, const char* name, const char* code) {
        _PopupItem* item = new _PopupItem;
        item->mKeyword = new CString(keyword);
        item->mUserName = CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
        if (code != nullptr) {
            item->mCode = Code(code);
            item->mCodeLength = static_cast<int32_t>(strlen(code));
        }
        return item;
    }
    PointerList Qualities() {
        PointerList items;
        items.PushBack(Item("Draft", "Draft", "0 q\n"));
        items.PushBack(Item("Normal", "Normal", "1 q\n"));
        items.PushBack(Item("Best", "Best", "2 q\n"));
        return items;
    }
};

TEST_F(ValueControlTest, PickOneSelectsTheDefaultAndEmitsTheCurrentItem) {
    PointerList flags, items = Qualities();
    PPDXPopupControl popup("*QWQuality", Name("Quality"), flags, true, false, items,
                           new CString("Normal"));
    EXPECT_EQ(popup.Type(), kPopupControl);
    EXPECT_EQ(popup.ItemCount(), 3);
    EXPECT_EQ(popup.GetValue(), 2);
    EXPECT_EQ(popup.DefaultValue(), 2);
    EXPECT_TRUE(popup.IsKeywordSelected("Normal"));
    EXPECT_FALSE(popup.IsKeywordSelected("Draft"));
    const std::string normal = "%%BeginFeature: *QWQuality Normal\n1 q\n%%EndFeature\n";
    EXPECT_EQ(PostScriptOf(popup), normal);

    // An unknown keyword clears the selection but keeps the current item.
    EXPECT_FALSE(popup.SetKeywordSelect("Z", true));
    EXPECT_EQ(popup.GetValue(), 0);
    EXPECT_EQ(PostScriptOf(popup), normal);

    popup.SetValue(3);
    EXPECT_EQ(popup.GetValue(), 3);
    EXPECT_FALSE(popup.IsKeywordSelected("Normal"));
    popup.SetValue(0);  // out of range: nothing selected, current item kept
    EXPECT_EQ(popup.GetValue(), 0);
    EXPECT_EQ(PostScriptOf(popup), "%%BeginFeature: *QWQuality Best\n2 q\n%%EndFeature\n");
    popup.ResetToDefaultValue();
    EXPECT_EQ(popup.GetValue(), 2);

    // Deselecting by keyword in PickOne mode clears every item, the named one too.
    EXPECT_TRUE(popup.SetKeywordSelect("Normal", false));
    EXPECT_EQ(popup.GetValue(), 0);

    EXPECT_EQ(Collect([&](unsigned char* o) { return popup.GetKeywordPSData("Draft", o); }),
              "%%BeginFeature: *QWQuality Draft\n0 q\n%%EndFeature\n");
    EXPECT_EQ(popup.GetKeywordPSData("Missing", nullptr), 0);
    EXPECT_EQ(popup.GetKeywordPSData(nullptr, nullptr), 0);
    // The text handed out stays valid through later calls for the same item.
    const char* best = popup.GetKeywordLocalName("Best");
    EXPECT_EQ(popup.GetKeywordLocalName("Best"), best);
    EXPECT_STREQ(best, "Best");
    EXPECT_EQ(popup.GetKeywordLocalName("Missing"), nullptr);
    EXPECT_NE(popup.GetKeywordCFLocalName("Draft"), nullptr);
    EXPECT_STREQ(popup.FirstItem()->displayName(), "Draft");
}

TEST_F(ValueControlTest, PickManyKeepsSeveralSelectedAndEmitsOnlyTheLast) {
    PointerList flags, items = Qualities();
    PPDXPopupControl popup("*QWQuality", Name("Quality"), flags, true, true, items, nullptr);
    EXPECT_EQ(popup.GetValue(), 0);
    EXPECT_EQ(popup.DefaultValue(), 0);
    EXPECT_EQ(popup.PostScript(nullptr), 0);  // no current item yet
    EXPECT_TRUE(popup.SetKeywordSelect("Draft", true));
    EXPECT_TRUE(popup.SetKeywordSelect("Best", true));
    EXPECT_TRUE(popup.IsKeywordSelected("Draft"));
    EXPECT_TRUE(popup.IsKeywordSelected("Best"));
    EXPECT_EQ(popup.GetValue(), 1);
    EXPECT_EQ(PostScriptOf(popup), "%%BeginFeature: *QWQuality Best\n2 q\n%%EndFeature\n");
    // SetValue selects exactly one item whatever the mode.
    popup.SetValue(2);
    EXPECT_FALSE(popup.IsKeywordSelected("Draft"));
    EXPECT_FALSE(popup.IsKeywordSelected("Best"));
}

TEST_F(ValueControlTest, ItemWalkAndItemsWithoutCode) {
    PointerList flags, items;
    items.PushBack(Item("A", "Alpha", nullptr));
    PPDXPopupControl popup("*QWX", Name("X"), flags, true, false, items, new CString("A"));
    popup.AppendPopupItem(Item("B", "Beta", "b"));
    EXPECT_STREQ(popup.FirstItem()->Keyword(), "A");
    EXPECT_STREQ(popup.NextItem()->Keyword(), "B");
    EXPECT_EQ(popup.NextItem(), nullptr);
    EXPECT_EQ(popup.NextItem(), nullptr);
    EXPECT_EQ(PostScriptOf(popup), "%%BeginFeature: *QWX A\n\n%%EndFeature\n");

    PPDXPopupControl empty;
    EXPECT_EQ(empty.FirstItem(), nullptr);
    EXPECT_EQ(empty.NextItem(), nullptr);
    EXPECT_FALSE(empty.SetKeywordSelect("A", true));
    EXPECT_EQ(empty.PostScript(nullptr), 0);
}

TEST_F(ValueControlTest, RebuildKeepsThePreviousChoiceWhenItSurvives) {
    PointerList flags, items = Qualities();
    PPDXPopupControl popup("*QWQuality", Name("Quality"), flags, true, false, items,
                           new CString("Normal"));
    popup.SetValue(3);  // Best

    PointerList fresh;
    fresh.PushBack(Item("Best", "Best", "B\n"));
    fresh.PushBack(Item("Fast", "Fast", "F\n"));
    EXPECT_TRUE(popup.Rebuild("Print Quality", fresh, new CString("Fast")));
    EXPECT_STREQ(popup.UserName(), "Print Quality");
    EXPECT_EQ(popup.ItemCount(), 2);
    EXPECT_STREQ(popup.GetDefaultKeyword(), "Fast");
    EXPECT_TRUE(popup.IsKeywordSelected("Best"));
    EXPECT_FALSE(popup.IsKeywordSelected("Fast"));
    EXPECT_EQ(PostScriptOf(popup), "%%BeginFeature: *QWQuality Best\nB\n%%EndFeature\n");

    // The previous choice is gone: nothing selected, the new default is current.
    PointerList other;
    other.PushBack(Item("Eco", "Eco", "E\n"));
    other.PushBack(Item("Max", "Max", "M\n"));
    EXPECT_TRUE(popup.Rebuild("Print Quality", other, new CString("Max")));
    EXPECT_EQ(popup.GetValue(), 0);
    EXPECT_EQ(PostScriptOf(popup), "%%BeginFeature: *QWQuality Max\nM\n%%EndFeature\n");

    PointerList none, replacement;
    PPDXPopupControl noCurrent("*QWY", Name("Y"), flags, true, false, none, nullptr);
    replacement.PushBack(Item("Z", "Z", "z"));
    EXPECT_FALSE(noCurrent.Rebuild("Y", replacement, nullptr));
    delete static_cast<_PopupItem*>(replacement.Front());
}

TEST_F(ValueControlTest, RangeClampsThenRoundsTowardZero) {
    PointerList flags;
    PPDXRangeControl range("*QWRange", Name("R"), flags, nullptr, 0, -100, 100, 5, 12, true);
    EXPECT_EQ(range.Type(), kRangeControl);
    EXPECT_EQ(range.GetValue(), 12);  // the default is not clamped at construction
    range.SetValue(7);
    EXPECT_EQ(range.GetValue(), 5);
    range.SetValue(-7);
    EXPECT_EQ(range.GetValue(), -5);
    range.SetValue(250);
    EXPECT_EQ(range.GetValue(), 100);
    range.SetValue(-5000000000L);
    EXPECT_EQ(range.GetValue(), -100);
    range.ResetToDefaultValue();
    EXPECT_EQ(range.GetValue(), 10);

    // Rounding comes after clamping and may leave the range.
    PPDXRangeControl odd("*QWOdd", Name("O"), flags, nullptr, 0, 5, 20, 10, 5, true);
    odd.SetValue(7);
    EXPECT_EQ(odd.GetValue(), 0);
    // Minimum above maximum ends at the maximum; increment 0 keeps the clamped value.
    PPDXRangeControl crossed("*QWX", Name("X"), flags, nullptr, 0, 10, 3, 0, 0, true);
    crossed.SetValue(1);
    EXPECT_EQ(crossed.GetValue(), 3);
}

TEST_F(ValueControlTest, RangeSubstitutesItsValueIntoTheCode) {
    PointerList flags;
    const char* code = "/g <*Gamma> def\n";
    PPDXRangeControl gamma("*Gamma", Name("Gamma"), flags, Code(code), strlen(code), 0, 100, 1, 36,
                           true);
    EXPECT_EQ(PostScriptOf(gamma), "%%BeginFeature: *Gamma 36\n/g 36 def\n%%EndFeature\n");
    gamma.SetValue(-3);
    EXPECT_EQ(PostScriptOf(gamma), "%%BeginFeature: *Gamma 0\n/g 0 def\n%%EndFeature\n");

    PPDXRangeControl plain("*Plain", Name("P"), flags, Code("raw\n"), 4, 0, 9, 1, 4, true);
    EXPECT_EQ(PostScriptOf(plain), "%%BeginFeature: *Plain 4\nraw\n%%EndFeature\n");
    PPDXRangeControl bare("*Bare", Name("B"), flags, nullptr, 0, -9, 9, 1, -4, true);
    EXPECT_EQ(PostScriptOf(bare), "%%BeginFeature: *Bare -4\n\n%%EndFeature\n");
    PPDXRangeControl nameless("", Name("N"), flags, Code("x"), 1, 0, 9, 1, 4, true);
    EXPECT_EQ(nameless.PostScript(nullptr), 0);
}

TEST_F(ValueControlTest, FloatRangeSnapsWithinAHundredthOfAnIncrement) {
    PointerList flags;
    PPDXFloatRangeControl range("*QWF", Name("F"), flags, Code("<*QWF> f"), 8, 0, 10, 1, 3, true);
    EXPECT_EQ(range.Type(), kRangeControl);
    EXPECT_FLOAT_EQ(range.GetValue(), 3.0f);
    // An increment of 0.5 cannot come from the value constructor; set it up through a
    // derived test class.
    struct Half : PPDXFloatRangeControl {
        Half(PointerList& f, CFStringRef n)
            : PPDXFloatRangeControl("*QWH", n, f, ::Code("<*QWH> h"), 8, 0, 10, 1, 0, true) {
            mIncrement = 0.5f;
        }
    } half(flags, Name("H"));
    half.SetValue(2.25f);
    EXPECT_FLOAT_EQ(half.GetValue(), 2.25f);
    half.SetValue(2.004f);
    EXPECT_FLOAT_EQ(half.GetValue(), 2.0f);
    half.SetValue(-1.0f);
    EXPECT_FLOAT_EQ(half.GetValue(), 0.0f);
    half.SetValue(9.9f);
    EXPECT_FLOAT_EQ(half.GetValue(), 9.9f);
    EXPECT_EQ(PostScriptOf(half), "%%BeginFeature: *QWH 9\n9 h%%EndFeature\n");
    half.SetValue(20.0f);
    EXPECT_FLOAT_EQ(half.GetValue(), 10.0f);

    PPDXFloatRangeControl zero("*QWZ", Name("Z"), flags, nullptr, 0, 0, 0, 0, 0, true);
    zero.SetValue(0.0f);  // 0 / 0: the clamped value stays
    EXPECT_FLOAT_EQ(zero.GetValue(), 0.0f);
}

TEST_F(ValueControlTest, BooleanStatesAndBlocks) {
    PointerList flags;
    PPDXBooleanControl duplex("*QWDuplex", Name("Duplex"), flags, true, new CString("On"),
                              Code("true dup\n"), 9, new CString("Off"), nullptr, 0, true);
    EXPECT_EQ(duplex.Type(), kBooleanControl);
    EXPECT_TRUE(duplex.IsTrue());
    EXPECT_TRUE(duplex.DefaultState());
    EXPECT_STREQ(duplex.TrueDisplayText(), "On");
    EXPECT_STREQ(duplex.FalseDisplayText(), "Off");
    EXPECT_EQ(duplex.CodeLength(), 0);
    EXPECT_EQ(PostScriptOf(duplex), "%%BeginFeature: *QWDuplex True\ntrue dup\n%%EndFeature\n");
    duplex.SetValue(false);
    EXPECT_EQ(PostScriptOf(duplex), "%%BeginFeature: *QWDuplex False\n\n%%EndFeature\n");
    duplex.ResetToDefaultValue();
    EXPECT_TRUE(duplex.IsTrue());

    PPDXBooleanControl blank;
    EXPECT_FALSE(blank.IsTrue());
    EXPECT_EQ(blank.TrueDisplayText(), nullptr);
    EXPECT_EQ(blank.PostScript(nullptr), 0);
}

TEST_F(ValueControlTest, SpecialOptionValue) {
    PointerList flags;
    char value[] = "Letter";
    PPDXSpecialOption option("*QWSpecial", Name("S"), flags, value, nullptr, 0, false);
    EXPECT_STREQ(option.GetValue(), "Letter");
    option.ResetToDefaultValue();
    EXPECT_STREQ(option.GetValue(), "");
    EXPECT_EQ(option.PostScript(nullptr), 0);
    PPDXSpecialOption blank;
    EXPECT_STREQ(blank.GetValue(), "");
}

}  // namespace
