// Tests of the parsed-PPD cache: every sample PPD rebuilt from its cache equals its parse,
// the item layout, the restore of user values, the rules of the rebuild, and hostile bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PPDObjects/PPDXBooleanControl.h"
#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXFloatRangeControl.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXPopupControl.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "PPDObjects/PPDXRollDown.h"
#include "PPDUtils/KeywordTo_PPDControl.h"
#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "platform/CFArray.h"
#include "platform/CFData.h"
#include "platform/CFURL.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"
#include "tools/ModelJson.h"

namespace {

using json = nlohmann::ordered_json;

constexpr unsigned long Code(const char (&c)[5]) {
    return (static_cast<unsigned long>(static_cast<unsigned char>(c[0])) << 24) |
           (static_cast<unsigned long>(static_cast<unsigned char>(c[1])) << 16) |
           (static_cast<unsigned long>(static_cast<unsigned char>(c[2])) << 8) |
           static_cast<unsigned long>(static_cast<unsigned char>(c[3]));
}

const std::string kSample = std::string(ZEQ_EXAMPLES) + "/QW4300.ppd";

class DisplayAll {
public:
    DisplayAll() : mSaved(ZEQPPD::Options()) { ZEQPPD::Options(kDisplayAll); }
    ~DisplayAll() { ZEQPPD::Options(mSaved); }

private:
    _DISPLAY_OPTIONS_ mSaved;
};

CFURLRef FileURL(const std::string& path) {
    return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                   reinterpret_cast<const UInt8*>(path.c_str()),
                                                   static_cast<CFIndex>(path.size()), false);
}

std::unique_ptr<ZEQPPD> Parse(const std::string& path) {
    CFURLRef url = FileURL(path);
    std::unique_ptr<ZEQPPD> ppd(new ZEQPPD(url, kParseKeepOrphans | kParseKeepHidden, nullptr));
    CFRelease(url);
    return ppd;
}

std::unique_ptr<ZEQPPD> Rebuild(Settings& settings, const std::string& path,
                                CFArrayRef names = nullptr) {
    CFURLRef url = FileURL(path);
    std::unique_ptr<ZEQPPD> ppd(new ZEQPPD(settings, url, names));
    CFRelease(url);
    return ppd;
}

// The model members the cache carries: everything of the dump but the parse errors, the read
// problems and the validity, which belong to the parse.
json Carried(ZEQPPD& ppd, const std::string& path) {
    json model = ModelToJson(ppd, path);
    model.erase("errors");
    model.erase("read_problems");
    model.erase("valid_ppd");
    return model;
}

std::vector<uint8_t> Flatten(Settings& settings) {
    CFDataStream stream;
    EXPECT_EQ(settings.Save(&stream), 0);
    const UInt8* bytes = CFDataGetBytePtr(stream.data());
    return std::vector<uint8_t>(bytes, bytes + CFDataGetLength(stream.data()));
}

// A Settings object read from flattened bytes; null when the bytes are refused.
std::unique_ptr<Settings> Unflatten(const uint8_t* bytes, size_t size) {
    CFDataRef data = CFDataCreate(nullptr, bytes, static_cast<CFIndex>(size));
    CFDataStream stream(data);
    CFRelease(data);
    std::unique_ptr<Settings> settings(new Settings());
    if (settings->Read(&stream, 0) != 0) {
        return nullptr;
    }
    return settings;
}

std::vector<std::string> SamplePPDs() {
    std::vector<std::string> files;
    for (const char* dir : {ZEQ_EXAMPLES, ZEQ_TEST_DATA}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() == ".ppd") {
                files.push_back(entry.path().string());
            }
        }
    }
    return files;
}

PPDXControl* FindControl(ZEQPPD& ppd, const char* keyword) {
    DisplayAll all;
    CNTL_TYPE type = kUnknownControl;
    return ppd.GetControls()->Find(keyword, type, true);
}

// The object number of a control in the cache: its place in the control list from 5001.
long ControlNumber(ZEQPPD& ppd, const char* keyword) {
    DisplayAll all;
    CNTL_TYPE type = kUnknownControl;
    long number = 5001;
    for (PPDXControl* c = ppd.GetControls()->First(type); c != nullptr;
         c = ppd.GetControls()->Next(type), ++number) {
        if (c->Keyword() != nullptr && std::strcmp(c->Keyword(), keyword) == 0) {
            return number;
        }
    }
    return 0;
}

std::string Text(Settings& s, unsigned long tag, long id) {
    std::unique_ptr<CString> text(GetSettingsString(s, tag, id));
    return text != nullptr ? std::string(static_cast<const char*>(*text)) : std::string("(none)");
}

long ItemSize(Settings& s, unsigned long tag, long id) {
    long size = -1;
    return s.Get(tag, id, nullptr, size) == 0 ? size : -1;
}

std::vector<std::string> Flags(PPDXControl* control) {
    std::vector<std::string> flags;
    for (const char* f = control->FirstControlFlag(); f != nullptr;
         f = control->NextControlFlag()) {
        flags.push_back(f);
    }
    return flags;
}

// Walks a rebuilt model the way its users do: values, PostScript (size, then exactly that
// many bytes), the dump, a restore and a new save.
void Exercise(ZEQPPD& ppd, Settings& settings) {
    if (ppd.GetControls() != nullptr) {
        DisplayAll all;
        CNTL_TYPE type = kUnknownControl;
        for (PPDXControl* c = ppd.GetControls()->First(type); c != nullptr;
             c = ppd.GetControls()->Next(type)) {
            const long size = c->PostScript(nullptr);
            ASSERT_GE(size, 0);
            std::vector<unsigned char> exact(static_cast<size_t>(size) + 1);
            ASSERT_EQ(c->PostScript(exact.data()), size);
        }
    }
    (void)ModelToJson(ppd, "x");
    (void)ppd.Restore(settings);
    Settings again;
    (void)ppd.Save(again);
}

TEST(PPDCacheTest, EverySampleRebuildsToItsParse) {
    const std::vector<std::string> files = SamplePPDs();
    ASSERT_GE(files.size(), 10u);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        std::unique_ptr<ZEQPPD> parsed = Parse(path);
        Settings saved;
        ASSERT_TRUE(parsed->Save(saved));
        // The way the dialog gets it back: flattened into the print settings and read again.
        const std::vector<uint8_t> bytes = Flatten(saved);
        std::unique_ptr<Settings> read = Unflatten(bytes.data(), bytes.size());
        ASSERT_NE(read, nullptr);
        std::unique_ptr<ZEQPPD> rebuilt = Rebuild(*read, path);
        EXPECT_TRUE(rebuilt->IsValidPrinterName());
        EXPECT_TRUE(rebuilt->IsValidPPD());
        EXPECT_EQ(Carried(*rebuilt, path), Carried(*parsed, path));

        // What the dump does not show (order, codes, item codes, keyword index) is kept too:
        // the rebuilt model saves to the same bytes.
        Settings resaved;
        ASSERT_TRUE(rebuilt->Save(resaved));
        EXPECT_EQ(Flatten(resaved), bytes);
        DisplayAll all;
        CNTL_TYPE type = kUnknownControl;
        for (PPDXControl* c = rebuilt->GetControls()->First(type); c != nullptr;
             c = rebuilt->GetControls()->Next(type)) {
            if (type != kSpecialOptionControl && c->Keyword() != nullptr) {
                EXPECT_EQ(rebuilt->GetKeywordIndex()->Lookup(c->Keyword()) == c,
                          parsed->GetKeywordIndex()->Lookup(c->Keyword()) != nullptr);
            }
        }
        EXPECT_EQ(rebuilt->GetControls()->ControlCount(), parsed->GetControls()->ControlCount());
        ZEQPPD::Options(0);
        EXPECT_EQ(rebuilt->GetControls()->PopupCount(), parsed->GetControls()->PopupCount());
        EXPECT_EQ(rebuilt->GetControls()->RangeCount(), parsed->GetControls()->RangeCount());
        EXPECT_EQ(rebuilt->GetGroups()->Count(), parsed->GetGroups()->Count());
    }
}

TEST(PPDCacheTest, ItemsHaveTheirKeysSizesAndNumbers) {
    std::unique_ptr<ZEQPPD> ppd = Parse(kSample);
    Settings s;
    ASSERT_TRUE(ppd->Save(s));
    EXPECT_EQ(Code("KyWd"), 0x4B795764u);

    int32_t mark = 0;
    long size = 4;
    ASSERT_EQ(s.Get(1000, 1001, &mark, size), 0);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(mark, 1024);
    EXPECT_EQ(ItemSize(s, 1000, 1002), 70);
    EXPECT_EQ(Text(s, 1000, 1005), ppd->PCFileName());
    EXPECT_EQ(Text(s, 1000, 1008), ppd->ModelName());
    EXPECT_EQ(ItemSize(s, 1000, 1005), static_cast<long>(std::strlen(ppd->PCFileName())));

    DisplayAll all;
    int32_t count = 0;
    size = 4;
    ASSERT_EQ(s.Get(5000, 5002, &count, size), 0);
    EXPECT_EQ(count, ppd->GetControls()->Size());
    size = 4;
    ASSERT_EQ(s.Get(4000, 4002, &count, size), 0);
    EXPECT_EQ(count, ppd->GetGroups()->Size());
    size = 4;
    ASSERT_EQ(s.Get(3000, 3002, &count, size), 0);
    EXPECT_EQ(count, ppd->GetProperties()->Count());
    size = 4;
    ASSERT_EQ(s.Get(Code("StCt"), 6000, &count, size), 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(Text(s, Code("StCt"), 6001), "*PageSize");

    // Element and control part of a control, and its flags text.
    const long copies = ControlNumber(*ppd, "*QWCopies");
    ASSERT_NE(copies, 0);
    EXPECT_EQ(Text(s, Code("KyWd"), copies), "*QWCopies");
    EXPECT_EQ(ItemSize(s, Code("isVs"), copies), 1);
    EXPECT_EQ(ItemSize(s, Code("Ordr"), copies), 2);
    EXPECT_EQ(Text(s, Code("CFlg"), copies), "Spooler|Command|");
    EXPECT_EQ(ItemSize(s, Code("RngC"), copies), 1);
    EXPECT_EQ(ItemSize(s, Code("RCMx"), copies), 4);
    EXPECT_EQ(Text(s, Code("PrNm"), copies), "VPLayout");

    // Popup items are numbered n x 100 + k.
    const long pageSize = ControlNumber(*ppd, "*PageSize");
    auto* popup = dynamic_cast<PPDXPopupControl*>(FindControl(*ppd, "*PageSize"));
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(ItemSize(s, Code("PCIC"), pageSize), 4);
    long k = 0;
    for (_PopupItem* item = popup->FirstItem(); item != nullptr; item = popup->NextItem(), ++k) {
        EXPECT_EQ(Text(s, Code("PCIK"), pageSize * 100 + k), item->Keyword());
        EXPECT_EQ(ItemSize(s, Code("PCIS"), pageSize * 100 + k), 1);
    }
    EXPECT_EQ(ItemSize(s, Code("PCIK"), pageSize * 100 + k), -1);

    // The group kinds carry exactly one marker each.
    for (long g = 4001; g < 4001 + ppd->GetGroups()->Size(); ++g) {
        const int markers = (ItemSize(s, Code("gGrp"), g) == 1) +
                            (ItemSize(s, Code("RlDn"), g) == 1) +
                            (ItemSize(s, Code("ScPn"), g) == 1);
        EXPECT_EQ(markers, 1) << g;
    }
}

TEST(PPDCacheTest, RestorePutsSavedValuesIntoAFreshParse) {
    std::unique_ptr<ZEQPPD> edited = Parse(kSample);
    auto* quality = dynamic_cast<PPDXPopupControl*>(FindControl(*edited, "*QWQuality"));
    auto* flag = dynamic_cast<PPDXBooleanControl*>(FindControl(*edited, "*QWImageFlag"));
    auto* copies = dynamic_cast<PPDXRangeControl*>(FindControl(*edited, "*QWCopies"));
    auto* note = dynamic_cast<PPDXJobNote*>(FindControl(*edited, "*Notes1"));
    ASSERT_TRUE(quality && flag && copies && note);
    ASSERT_GE(quality->ItemCount(), 2);
    const long chosen = quality->GetValue() == 1 ? 2 : 1;
    quality->SetValue(chosen);
    flag->SetValue(true);
    copies->SetValue(5);
    note->SetNotes("Room 12");
    std::vector<unsigned char> qualityCode(static_cast<size_t>(quality->PostScript(nullptr)));
    quality->PostScript(qualityCode.data());
    Settings s;
    ASSERT_TRUE(edited->Save(s));

    std::unique_ptr<ZEQPPD> fresh = Parse(kSample);
    auto* q = dynamic_cast<PPDXPopupControl*>(FindControl(*fresh, "*QWQuality"));
    auto* f = dynamic_cast<PPDXBooleanControl*>(FindControl(*fresh, "*QWImageFlag"));
    auto* c = dynamic_cast<PPDXRangeControl*>(FindControl(*fresh, "*QWCopies"));
    auto* n = dynamic_cast<PPDXJobNote*>(FindControl(*fresh, "*Notes1"));
    ASSERT_NE(q->GetValue(), chosen);
    ASSERT_FALSE(f->IsTrue());
    ASSERT_TRUE(fresh->Restore(s));
    EXPECT_EQ(q->GetValue(), chosen);
    std::vector<unsigned char> restoredCode(static_cast<size_t>(q->PostScript(nullptr)));
    q->PostScript(restoredCode.data());
    EXPECT_EQ(restoredCode, qualityCode);
    EXPECT_TRUE(f->IsTrue());
    EXPECT_EQ(c->GetValue(), 5);
    ASSERT_NE(n->GetNotes(), nullptr);
    EXPECT_STREQ(n->GetNotes(), "Room 12");

    // An absent Boolean value stops the restore with a failure.
    const long number = ControlNumber(*fresh, "*QWImageFlag");
    ASSERT_EQ(s.Remove(Code("BCcV"), number), 0);
    EXPECT_FALSE(fresh->Restore(s));
}

TEST(PPDCacheTest, RebuildRulesForHeaderPrinterNamesMarkersAndParents) {
    std::unique_ptr<ZEQPPD> ppd = Parse(kSample);
    Settings s;
    ASSERT_TRUE(ppd->Save(s));
    const std::string pcFileName = ppd->PCFileName();

    // The printer check: a list without the PPD's name gives no model at all.
    CFMutableArrayRef names = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFStringRef other = CFStringCreateWithCString(nullptr, "OTHER.PPD", kCFStringEncodingUTF8);
    CFArrayAppendValue(names, other);
    CFRelease(other);
    std::unique_ptr<ZEQPPD> rejected = Rebuild(s, kSample, names);
    EXPECT_FALSE(rejected->IsValidPrinterName());
    EXPECT_FALSE(rejected->IsValidPPD());
    EXPECT_EQ(rejected->GetControls(), nullptr);
    CFStringRef own = CFStringCreateWithCString(nullptr, pcFileName.c_str(), kCFStringEncodingUTF8);
    CFArrayAppendValue(names, own);
    CFRelease(own);
    std::unique_ptr<ZEQPPD> accepted = Rebuild(s, kSample, names);
    CFRelease(names);
    EXPECT_TRUE(accepted->IsValidPrinterName());
    EXPECT_TRUE(accepted->IsValidPPD());
    ASSERT_NE(accepted->GetFile(), nullptr);

    // All items of a popup's choices unselected: the default keyword is selected.
    const long quality = ControlNumber(*ppd, "*QWQuality");
    auto* popup = dynamic_cast<PPDXPopupControl*>(FindControl(*ppd, "*QWQuality"));
    const uint8_t off = 0;
    for (long k = 0; k < popup->ItemCount(); ++k) {
        ASSERT_EQ(s.Set(Code("PCIS"), quality * 100 + k, const_cast<uint8_t*>(&off), 1), 0);
    }
    // A group number without any marker is skipped; the next one is still read.
    ASSERT_EQ(
        s.Remove(Code("gGrp"), 4001) + s.Remove(Code("RlDn"), 4001) + s.Remove(Code("ScPn"), 4001),
        2 * -5751);
    // A roll-down whose parent name is no scroll pane stays without parent.
    DisplayAll all;
    long rollDownNumber = 0;
    long number = 4001;
    for (PPDXGroup* g = ppd->GetGroups()->First(); g != nullptr; g = ppd->GetGroups()->Next()) {
        if (rollDownNumber == 0 && number != 4001 && dynamic_cast<PPDXRollDown*>(g) != nullptr) {
            rollDownNumber = number;
        }
        ++number;
    }
    ASSERT_NE(rollDownNumber, 0);
    const std::string rollDownKeyword = Text(s, Code("KyWd"), rollDownNumber);
    char pageName[] = "NoSuchPane";
    ASSERT_EQ(s.Set(Code("PrNm"), rollDownNumber, pageName, 10), 0);
    // Without the format mark the base part is not read, but the model is.
    ASSERT_EQ(s.Remove(1000, 1001), 0);

    std::unique_ptr<ZEQPPD> rebuilt = Rebuild(s, kSample);
    EXPECT_TRUE(rebuilt->IsValidPPD());
    EXPECT_EQ(rebuilt->GetFile(), nullptr);
    EXPECT_EQ(rebuilt->PCFileName(), nullptr);
    EXPECT_EQ(rebuilt->ModelName(), nullptr);
    EXPECT_EQ(rebuilt->GetGroups()->Size(), ppd->GetGroups()->Size() - 1);
    auto* rebuiltPopup = dynamic_cast<PPDXPopupControl*>(FindControl(*rebuilt, "*QWQuality"));
    ASSERT_NE(rebuiltPopup, nullptr);
    EXPECT_EQ(rebuiltPopup->GetValue(), rebuiltPopup->DefaultValue());
    EXPECT_TRUE(rebuiltPopup->IsKeywordSelected(rebuiltPopup->GetDefaultKeyword()));
    PPDXGroup* orphan = rebuilt->GetGroups()->Find(rollDownKeyword.c_str(), true);
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->GetParent(), nullptr);
    EXPECT_EQ(orphan->SavedParentName(), nullptr);
}

TEST(PPDCacheTest, ControlKindsFlagsAndNumberingLimits) {
    PointerList flags;
    flags.PushBack(new CString("Setup"));
    flags.PushBack(new CString("Command"));
    CFStringRef name = CFStringCreateWithCString(nullptr, "Name", kCFStringEncodingUTF8);
    auto* floating = new PPDXFloatRangeControl("*QWF", name, flags, nullptr, 0, -5, 9, 2, 3, true);
    PointerList noFlags;
    PointerList noItems;
    auto* empty = new PPDXPopupControl("*QWEmpty", name, noFlags, true, false, noItems, nullptr);
    PPDXControls controls;
    controls.Add(floating);
    controls.Add(empty);
    Settings s;
    ASSERT_EQ(controls.Save(s), 0);
    EXPECT_EQ(Text(s, Code("CFlg"), 5001), "Setup|Command|");
    EXPECT_EQ(ItemSize(s, Code("PCIC"), 5002), -1);  // no items: no count
    EXPECT_EQ(ItemSize(s, Code("PopC"), 5002), 1);

    PPDXControls rebuilt(s);
    ASSERT_EQ(rebuilt.Size(), 2);
    DisplayAll all;
    CNTL_TYPE type = kUnknownControl;
    auto* f = dynamic_cast<PPDXFloatRangeControl*>(rebuilt.First(type));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Flags(f), (std::vector<std::string>{"Setup", "Command"}));
    EXPECT_FLOAT_EQ(f->MinVal(), -5.0f);
    EXPECT_FLOAT_EQ(f->MaxVal(), 9.0f);
    EXPECT_FLOAT_EQ(f->GetValue(), 3.0f);
    auto* e = dynamic_cast<PPDXPopupControl*>(rebuilt.Next(type));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->ItemCount(), 0);
    for (PPDXControl* c = rebuilt.First(type); c != nullptr; c = rebuilt.Next(type)) {
        delete c;
    }

    // Any float bytes are taken; the model copes with values no parse makes.
    for (float bad : {std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), -1e30f}) {
        ASSERT_EQ(s.Set(Code("RCVl"), 5001, &bad, 4), 0);
        ASSERT_EQ(s.Set(Code("RCMx"), 5001, &bad, 4), 0);
        PPDXControls odd(s);
        auto* r = dynamic_cast<PPDXFloatRangeControl*>(odd.First(type));
        ASSERT_NE(r, nullptr);
        std::vector<unsigned char> code(static_cast<size_t>(r->PostScript(nullptr)) + 1);
        r->PostScript(code.data());
        r->SetValue(bad);
        r->ResetToDefaultValue();
        for (PPDXControl* c = odd.First(type); c != nullptr; c = odd.Next(type)) {
            delete c;
        }
    }

    // A popup of more than a hundred choices takes the ids of the next popup's choices: such a
    // model is not written. A control of another kind in between leaves room.
    PointerList many;
    for (int k = 0; k < 150; ++k) {
        auto* item = new _PopupItem();
        item->mKeyword = new CString(std::string("K").append(std::to_string(k)).c_str());
        many.PushBack(item);
    }
    auto* big = new PPDXPopupControl("*QWBig", name, noFlags, true, false, many, nullptr);
    PointerList oneItem;
    auto* item = new _PopupItem();
    item->mKeyword = new CString("Only");
    oneItem.PushBack(item);
    auto* next = new PPDXPopupControl("*QWNext", name, noFlags, true, false, oneItem, nullptr);
    PPDXControls crowded;
    crowded.Add(big);
    crowded.Add(next);
    Settings refused;
    EXPECT_NE(crowded.Save(refused), 0);
    PPDXControls spaced;
    spaced.Add(big);
    spaced.Add(floating);
    spaced.Add(next);
    Settings written;
    EXPECT_EQ(spaced.Save(written), 0);
    PPDXControls back(written);
    auto* bigBack = dynamic_cast<PPDXPopupControl*>(back.First(type));
    ASSERT_NE(bigBack, nullptr);
    EXPECT_EQ(bigBack->ItemCount(), 150);
    for (PPDXControl* c = back.First(type); c != nullptr; c = back.Next(type)) {
        delete c;
    }
    delete big;
    delete next;
    delete floating;
    delete empty;
    CFRelease(name);
}

TEST(PPDCacheTest, DamagedCountsAndLengthsNeverOverreach) {
    std::unique_ptr<ZEQPPD> ppd = Parse(kSample);
    Settings s;
    ASSERT_TRUE(ppd->Save(s));
    const long pageSize = ControlNumber(*ppd, "*PageSize");
    const int32_t big = INT32_MAX;

    // Counts far beyond the items held: what the container holds is rebuilt, also an object
    // far out in the numbers, and the walk does not visit every number up to the count.
    Settings huge(s);
    for (unsigned long tag : {4000ul, 5000ul}) {
        ASSERT_EQ(huge.Set(tag, tag + 2, const_cast<int32_t*>(&big), 4), 0);
    }
    std::unique_ptr<ZEQPPD> whole = Rebuild(huge, kSample);
    EXPECT_TRUE(whole->IsValidPPD());
    EXPECT_EQ(Carried(*whole, kSample), Carried(*ppd, kSample));
    // The page numbers then run into those of the groups and controls, whose element items
    // make pages too.
    Settings pages(s);
    ASSERT_EQ(pages.Set(3000, 3002, const_cast<int32_t*>(&big), 4), 0);
    std::unique_ptr<ZEQPPD> paged = Rebuild(pages, kSample);
    EXPECT_EQ(
        paged->GetProperties()->Count(),
        ppd->GetProperties()->Count() + ppd->GetGroups()->Size() + ppd->GetControls()->Size());
    const long far = 4001 + 1000000000L;
    const uint8_t marker = 1;
    char farName[] = "VPFar";
    ASSERT_EQ(huge.Add(Code("gGrp"), far, const_cast<uint8_t*>(&marker), 1), 0);
    ASSERT_EQ(huge.Add(Code("KyWd"), far, farName, 5), 0);
    std::unique_ptr<ZEQPPD> farther = Rebuild(huge, kSample);
    ASSERT_TRUE(farther->IsValidPPD());
    ASSERT_EQ(farther->GetGroups()->Size(), ppd->GetGroups()->Size() + 1);
    EXPECT_NE(farther->GetGroups()->Find("VPFar", true), nullptr);

    // Items of the wrong length are taken as absent, an oversized code block is ignored.
    Settings odd(s);
    const int16_t shortCount = 3;
    ASSERT_EQ(odd.Set(4000, 4002, const_cast<int16_t*>(&shortCount), 2), 0);
    ASSERT_EQ(odd.Set(Code("isVs"), pageSize, const_cast<int32_t*>(&big), 4), 0);
    std::vector<char> block(2 << 20, 'x');
    ASSERT_EQ(odd.Add(Code("PSDt"), pageSize, block.data(), static_cast<long>(block.size())), 0);
    std::unique_ptr<ZEQPPD> rebuilt = Rebuild(odd, kSample);
    EXPECT_TRUE(rebuilt->IsValidPPD());
    EXPECT_EQ(rebuilt->GetGroups()->Size(), 0);
    PPDXControl* control = FindControl(*rebuilt, "*PageSize");
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(control->IsVisible());
    EXPECT_EQ(control->CodeLength(), 0);
    Exercise(*rebuilt, odd);

    // Every popup claiming more choices than there are: the first takes its own and then
    // whatever lies in the ids after them, and all popups together make no more items than
    // the container holds.
    Settings claims(s);
    DisplayAll all;
    long number = 5001;
    CNTL_TYPE type = kUnknownControl;
    for (PPDXControl* c = ppd->GetControls()->First(type); c != nullptr;
         c = ppd->GetControls()->Next(type), ++number) {
        if (type == kPopupControl) {
            ASSERT_EQ(claims.Set(Code("PCIC"), number, const_cast<int32_t*>(&big), 4), 0);
        }
    }
    std::unique_ptr<ZEQPPD> claimed = Rebuild(claims, kSample);
    EXPECT_TRUE(claimed->IsValidPPD());
    auto* first = dynamic_cast<PPDXPopupControl*>(FindControl(*claimed, "*PageSize"));
    auto* own = dynamic_cast<PPDXPopupControl*>(FindControl(*ppd, "*PageSize"));
    ASSERT_TRUE(first != nullptr && own != nullptr);
    _PopupItem* item = first->FirstItem();
    for (_PopupItem* expected = own->FirstItem(); expected != nullptr;
         expected = own->NextItem(), item = first->NextItem()) {
        ASSERT_NE(item, nullptr);
        EXPECT_STREQ(item->Keyword(), expected->Keyword());
    }
    long items = 0;
    for (PPDXControl* c = claimed->GetControls()->First(type); c != nullptr;
         c = claimed->GetControls()->Next(type)) {
        if (auto* popup = dynamic_cast<PPDXPopupControl*>(c)) {
            items += popup->ItemCount();
        }
    }
    EXPECT_GT(items, own->ItemCount());
    EXPECT_LE(items, claims.Count());
    Exercise(*claimed, claims);
}

TEST(PPDCacheTest, PopupItemsUpToTheirCountAreAllAppended) {
    std::unique_ptr<ZEQPPD> ppd = Parse(kSample);
    Settings s;
    ASSERT_TRUE(ppd->Save(s));
    const long quality = ControlNumber(*ppd, "*QWQuality");
    auto* saved = dynamic_cast<PPDXPopupControl*>(FindControl(*ppd, "*QWQuality"));
    ASSERT_NE(saved, nullptr);
    const int32_t count = static_cast<int32_t>(saved->ItemCount());
    ASSERT_GE(count, 3);

    // The first item without its flag, and two more items than were written: every item is
    // appended, the unflagged one unselected, the two beyond empty.
    ASSERT_EQ(s.Remove(Code("PCIS"), quality * 100), 0);
    const int32_t more = count + 2;
    ASSERT_EQ(s.Set(Code("PCIC"), quality, const_cast<int32_t*>(&more), 4), 0);
    std::unique_ptr<ZEQPPD> rebuilt = Rebuild(s, kSample);
    auto* popup = dynamic_cast<PPDXPopupControl*>(FindControl(*rebuilt, "*QWQuality"));
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->ItemCount(), more);
    _PopupItem* item = popup->FirstItem();
    _PopupItem* expected = saved->FirstItem();
    EXPECT_STREQ(item->Keyword(), expected->Keyword());
    EXPECT_FALSE(item->mSelected);
    for (int32_t k = 1; k < count; ++k) {
        item = popup->NextItem();
        expected = saved->NextItem();
        EXPECT_STREQ(item->Keyword(), expected->Keyword());
        EXPECT_EQ(item->mSelected, expected->mSelected);
    }
    for (int32_t k = count; k < more; ++k) {
        item = popup->NextItem();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Keyword(), nullptr);
        EXPECT_FALSE(item->mSelected);
    }
    EXPECT_TRUE(popup->IsKeywordSelected(saved->GetDefaultKeyword()));
    // The flag that is missing stops a restore, as it stops a restore of the parse.
    EXPECT_FALSE(rebuilt->Restore(s));
    Exercise(*rebuilt, s);
}

TEST(PPDCacheTest, EmptyTextsComeBackAsNoneAndNoConverterIsMade) {
    const std::string text = std::string("*PPD-Adobe: \"4.3\"\n") +
                             "*LanguageVersion:   \n"
                             "*LanguageEncoding: ISOLatin1\n"
                             "*%QWVersion: \t\n"
                             "*%ZEQPropPage Page/Page: True\n";
    const std::string path = ::testing::TempDir() + "zeq_blank_texts.ppd";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);

    std::unique_ptr<ZEQPPD> parsed = Parse(path);
    ASSERT_NE(parsed->LanguageVersion(), nullptr);
    EXPECT_STREQ(parsed->LanguageVersion(), "");
    EXPECT_NE(parsed->GetStringTextEncoding(), 0u);
    Settings s;
    ASSERT_TRUE(parsed->Save(s));
    EXPECT_EQ(ItemSize(s, 1000, 1006), 0);
    EXPECT_EQ(ItemSize(s, 2000, 2002), 0);

    std::unique_ptr<ZEQPPD> rebuilt = Rebuild(s, path);
    EXPECT_TRUE(rebuilt->IsValidPPD());
    EXPECT_EQ(rebuilt->LanguageVersion(), nullptr);
    EXPECT_STREQ(rebuilt->LanguageEncoding(), "ISOLatin1");
    EXPECT_EQ(Carried(*rebuilt, path)["main"]["QWVersion"], nullptr);
    EXPECT_EQ(rebuilt->GetTextConverter(), nullptr);
    EXPECT_EQ(rebuilt->GetStringTextEncoding(), 0u);
    std::unique_ptr<ZEQPPD> sample = Parse(kSample);
    Settings full;
    ASSERT_TRUE(sample->Save(full));
    EXPECT_EQ(Rebuild(full, kSample)->GetStringTextEncoding(), 0u);
    std::remove(path.c_str());
}

TEST(PPDCacheTest, CutAndChangedBytesNeverCrashTheRebuild) {
    std::unique_ptr<ZEQPPD> ppd = Parse(kSample);
    Settings s;
    ASSERT_TRUE(ppd->Save(s));
    const std::vector<uint8_t> bytes = Flatten(s);

    // Cut at every length: only the whole stream is accepted.
    for (size_t length = 1; length < bytes.size(); ++length) {
        ASSERT_EQ(Unflatten(bytes.data(), length), nullptr) << length;
    }

    // Each item missing in turn.
    const long count = s.Count();
    for (long index = 0; index < count; index += 3) {
        Settings damaged(s);
        unsigned long tag = 0;
        long id = 0;
        long size = 0;
        long attributes = 0;
        damaged.First(tag, id, size, attributes);
        for (long i = 0; i < index; ++i) {
            damaged.Next(tag, id, size, attributes);
        }
        ASSERT_EQ(damaged.Remove(tag, id), 0);
        std::unique_ptr<ZEQPPD> rebuilt = Rebuild(damaged, kSample);
        Exercise(*rebuilt, damaged);
    }

    // Random bytes changed.
    std::mt19937 random(20261205);
    std::uniform_int_distribution<size_t> position(0, bytes.size() - 1);
    std::uniform_int_distribution<int> value(0, 255);
    std::uniform_int_distribution<int> changes(1, 6);
    int accepted = 0;
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> changed = bytes;
        for (int n = changes(random); n > 0; --n) {
            changed[position(random)] = static_cast<uint8_t>(value(random));
        }
        std::unique_ptr<Settings> read = Unflatten(changed.data(), changed.size());
        if (read == nullptr) {
            continue;
        }
        ++accepted;
        std::unique_ptr<ZEQPPD> rebuilt = Rebuild(*read, kSample);
        Exercise(*rebuilt, *read);
    }
    EXPECT_GT(accepted, 500);  // most changes land in item bytes and reach the rebuild
}

}  // namespace
