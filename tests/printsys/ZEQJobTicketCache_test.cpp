// Tests of the parsed-PPD cache in the print settings: a restored model answers as the saved
// one did; a cache is refused for too many property pages, without a printer list, and when
// its PPD moved or changed; what is stored, and hostile items.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXGroup.h"
#include "PPDObjects/PPDXGroups.h"
#include "PPDObjects/PPDXProperties.h"
#include "PPDObjects/PPDXProperty.h"
#include "imageshift/PDEBundle.h"
#include "parser/ZEQPPD.h"
#include "printsys/PPDLocation.h"
#include "printsys/ZEQJobTicket.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"
#include "tests/printsys/PrintSystemFixture.h"
#include "tools/ModelJson.h"

using namespace printsys_fixture;

namespace {

const char kBundleID[] = "com.example.ppdloc.cache";
const std::string kSample = std::string(ZEQ_EXAMPLES) + "/QW4300.ppd";
constexpr unsigned long kPropertiesTag = 3000;
constexpr long kPropertiesCountId = 3002;

// A copy of the sample PPD in a folder of its own, a bundle that lists it, and a session whose
// current printer uses it.
class CacheTest : public ::testing::Test {
protected:
    CacheTest()
        : mPPDPath(mTemp.Path() + "/QW4300.ppd"),
          mListed{"QW4300.PPD"},
          mBundle(mTemp.Path(), kBundleID, &mListed),
          mSession("QW", "usb://QW/4300", mPPDPath) {}

    void SetUp() override {
        MyFreeBundle(nullptr);
        std::filesystem::copy_file(kSample, mPPDPath);
        mURL = NewFileURL(mPPDPath);
        mKey = NewString(kBundleID);
    }
    void TearDown() override {
        CFRelease(mURL);
        CFRelease(mKey);
        MyFreeBundle(nullptr);
    }

    std::unique_ptr<ZEQPPD> Parse() {
        return std::unique_ptr<ZEQPPD>(SetupPPD(mSession.Session(), mKey));
    }
    bool Save(ZEQPPD* ppd, CFURLRef url = nullptr) {
        PrintSettingsTicket settings(mSession.Session());
        ZEQJobTicket ticket(&settings, CFSTR("ZEQ.PSData.com.example.ppdloc.cache"));
        return ticket.SavePPD(ppd, mKey, url ? url : mURL);
    }
    std::unique_ptr<ZEQPPD> Restore(CFURLRef url = nullptr) {
        PrintSettingsTicket settings(mSession.Session());
        ZEQJobTicket ticket(&settings, CFSTR("ZEQ.PSData.com.example.ppdloc.cache"));
        return std::unique_ptr<ZEQPPD>(ticket.RestorePPD(mKey, url ? url : mURL));
    }
    // The print settings item under `key` (belongs to the ticket); null when there is none.
    CFTypeRef Item(CFStringRef key) {
        CFTypeRef item = nullptr;
        PMTicketGetItem(mSession.PrintSettings(), kPMTopLevel, kPMTopLevel, key, &item);
        return item;
    }
    void SetItem(CFStringRef key, CFTypeRef item) {
        ASSERT_EQ(PMTicketSetItem(mSession.PrintSettings(), mKey, key, item, kPMUnlocked), 0);
    }

    // The cache item's settings container, changed by `change`, put back.
    template <typename Change>
    void RewriteCache(Change change) {
        CFDataRef xml = static_cast<CFDataRef>(Item(mKey));
        ASSERT_NE(xml, nullptr);
        CFPropertyListRef data = CFPropertyListCreateFromXMLData(nullptr, xml, 0, nullptr);
        ASSERT_NE(data, nullptr);
        CFDataStream in(static_cast<CFDataRef>(data));
        Settings settings;
        ASSERT_EQ(settings.Read(&in, 0), 0);
        CFRelease(data);
        change(settings);
        CFDataStream out;
        ASSERT_EQ(settings.Save(&out), 0);
        CFDataRef rewritten = CFPropertyListCreateXMLData(nullptr, out.data());
        SetItem(mKey, rewritten);
        CFRelease(rewritten);
    }

    TempFolder mTemp;
    std::string mPPDPath;
    std::vector<std::string> mListed;
    TestBundle mBundle;
    TestSession mSession;
    CFURLRef mURL = nullptr;
    CFStringRef mKey = nullptr;
};

// What a model answers: the whole model, and each control, group and page looked up by its
// keyword, exactly and by a part of it, with its kind, parent and PostScript.
nlohmann::ordered_json Answers(ZEQPPD& ppd, const std::string& path) {
    nlohmann::ordered_json all = ModelToJson(ppd, path);
    all.erase("errors");
    all.erase("valid_ppd");
    AllElementsVisible visible;
    auto parentOf = [](PPDXElement* e) {
        return e && e->GetParent() ? std::string(e->GetParent()->Keyword()) : std::string();
    };
    std::vector<std::string> keywords;
    CNTL_TYPE type = kUnknownControl;
    for (PPDXControl* c = ppd.GetControls()->First(type); c; c = ppd.GetControls()->Next(type))
        keywords.push_back(c->Keyword());
    for (const std::string& keyword : keywords) {
        for (bool exact : {true, false}) {
            const std::string probe = exact ? keyword : keyword.substr(1, keyword.size() / 2);
            CNTL_TYPE found = kUnknownControl;
            PPDXControl* c = ppd.GetControls()->Find(probe.c_str(), found, exact);
            nlohmann::ordered_json answer = nullptr;
            if (c != nullptr) {
                std::string code(static_cast<size_t>(c->PostScript(nullptr)), '\0');
                c->PostScript(reinterpret_cast<unsigned char*>(code.data()));
                answer = {c->Keyword(), static_cast<int>(found), parentOf(c), code};
            }
            all["control queries"][probe] = answer;
        }
    }
    for (PPDXGroup* g = ppd.GetGroups()->First(); g; g = ppd.GetGroups()->Next()) {
        PPDXGroup* found = ppd.GetGroups()->Find(g->Keyword(), true);
        all["group queries"][g->Keyword()] = {found ? found->Keyword() : "", parentOf(found)};
    }
    for (PPDXProperty* p = ppd.GetProperties()->First(); p; p = ppd.GetProperties()->Next()) {
        PPDXProperty* found = ppd.GetProperties()->Find(p->Keyword(), true);
        all["page queries"][p->Keyword()] = found ? found->Keyword() : "";
    }
    return all;
}

}  // namespace

TEST_F(CacheTest, RestoredModelAnswersAsTheSavedOne) {
    std::unique_ptr<ZEQPPD> parsed = Parse();
    ASSERT_NE(parsed, nullptr);
    ASSERT_TRUE(Save(parsed.get()));
    std::unique_ptr<ZEQPPD> restored = Restore();
    ASSERT_NE(restored, nullptr);
    EXPECT_TRUE(restored->IsValidPrinterName());
    EXPECT_TRUE(restored->IsValidPPD());
    const nlohmann::ordered_json expected = Answers(*parsed, mPPDPath);
    EXPECT_GT(expected["control queries"].size(), 10u);
    EXPECT_EQ(Answers(*restored, mPPDPath), expected);

    // The cache is an XML property list whose root is the flattened container; beside it the
    // PPD's identity.
    CFTypeRef xml = Item(mKey);
    ASSERT_NE(xml, nullptr);
    ASSERT_EQ(CFGetTypeID(xml), CFDataGetTypeID());
    CFPropertyListRef root =
        CFPropertyListCreateFromXMLData(nullptr, static_cast<CFDataRef>(xml), 0, nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(CFGetTypeID(root), CFDataGetTypeID());
    CFRelease(root);
    CFTypeRef identity = Item(CFSTR("com.example.ppdloc.cache.PPDURL"));
    ASSERT_NE(identity, nullptr);
    ASSERT_EQ(CFGetTypeID(identity), CFDictionaryGetTypeID());
    CFTypeRef url = CFDictionaryGetValue(static_cast<CFDictionaryRef>(identity), CFSTR("URL"));
    ASSERT_NE(url, nullptr);
    CFURLRef absolute = CFURLCopyAbsoluteURL(mURL);
    EXPECT_TRUE(CFEqual(url, CFURLGetString(absolute)));
    CFRelease(absolute);

    // The print settings kept in a file and read back, as between two runs, still restore.
    const std::string kept = mTemp.Path() + "/settings.xml";
    ASSERT_EQ(PMTicketWriteXMLToFile(mSession.PrintSettings(), kept.c_str()), 0);
    PMTicketRef reread = nullptr;
    ASSERT_EQ(PMTicketReadXMLFromFile(&reread, kept.c_str()), 0);
    TestSession next("QW", "usb://QW/4300", mPPDPath);
    next.SetPrintSettings(reread);
    PrintSettingsTicket settings(next.Session());
    ZEQJobTicket ticket(&settings, CFSTR("ZEQ.PSData.com.example.ppdloc.cache"));
    std::unique_ptr<ZEQPPD> again(ticket.RestorePPD(mKey, mURL));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Answers(*again, mPPDPath), expected);
    again.reset();
    PMTicketRelease(reread);
}

TEST_F(CacheTest, PropertyPageCountAboveTenThousandIsRefused) {
    std::unique_ptr<ZEQPPD> parsed = Parse();
    ASSERT_TRUE(Save(parsed.get()));
    // The rebuild takes no count above the number of items the cache holds: room for 10000.
    RewriteCache([](Settings& s) {
        for (long id = 1; id <= 10000; ++id)
            s.Add(0x66696C6C, id, &id, sizeof id);  // 'fill'
    });
    for (int32_t pages : {10001, 10000, 0x7FFFFFFF, -1}) {
        SCOPED_TRACE(pages);
        RewriteCache([&](Settings& s) {
            EXPECT_EQ(s.Set(kPropertiesTag, kPropertiesCountId, &pages, sizeof pages), 0);
        });
        EXPECT_EQ(Restore() != nullptr, pages <= 10000);
    }
    // A count item of another size is not a count: the cache is taken.
    RewriteCache([&](Settings& s) {
        const int64_t wide = 20000;
        s.Remove(kPropertiesTag, kPropertiesCountId);
        s.Add(kPropertiesTag, kPropertiesCountId, const_cast<int64_t*>(&wide), sizeof wide);
    });
    EXPECT_NE(Restore(), nullptr);
}

TEST_F(CacheTest, CacheNeedsThePrinterList) {
    std::unique_ptr<ZEQPPD> parsed = Parse();
    ASSERT_TRUE(Save(parsed.get()));
    ASSERT_NE(Restore(), nullptr);
    // A list without "PCFILENAME", or none at all, refuses the cache that is there.
    {
        std::ofstream(mBundle.PrinterListPath(), std::ios::trunc)
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict/></plist>";
    }
    EXPECT_EQ(Restore(), nullptr);
    std::filesystem::remove(mBundle.PrinterListPath());
    EXPECT_EQ(Restore(), nullptr);
    EXPECT_NE(Item(mKey), nullptr);
    // A list that no longer names the printer gives a model that fails its check: refused.
    CFDictionaryRef other = NewPrinterList({"QW9999.PPD"});
    WritePropertyList(mBundle.PrinterListPath(), other);
    CFRelease(other);
    EXPECT_EQ(Restore(), nullptr);
}

TEST_F(CacheTest, CacheIsRefusedOnceItsPPDMovedOrChanged) {
    std::unique_ptr<ZEQPPD> parsed = Parse();
    auto saveAndCheck = [&]() {
        ASSERT_TRUE(Save(parsed.get()));
        ASSERT_NE(Restore(), nullptr);
    };
    // Changed in place, by a byte, keeping its size and modification time.
    saveAndCheck();
    struct stat before;
    ASSERT_EQ(stat(mPPDPath.c_str(), &before), 0);
    {
        std::fstream f(mPPDPath, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(-2, std::ios::end);
        f.put('#');
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, mPPDPath.c_str(), times, 0), 0);
    EXPECT_EQ(Restore(), nullptr);

    // Replaced by another file with the same bytes and times (a driver update).
    saveAndCheck();
    const std::string update = mTemp.Path() + "/update.ppd";
    std::filesystem::copy_file(mPPDPath, update);
    ASSERT_EQ(stat(mPPDPath.c_str(), &before), 0);
    const timespec same[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, update.c_str(), same, 0), 0);
    std::filesystem::rename(update, mPPDPath);
    EXPECT_EQ(Restore(), nullptr);

    // Another printer's PPD at another place, even with the same contents.
    saveAndCheck();
    const std::string elsewhere = mTemp.Path() + "/other.ppd";
    std::filesystem::copy_file(mPPDPath, elsewhere);
    CFURLRef otherURL = NewFileURL(elsewhere);
    EXPECT_EQ(Restore(otherURL), nullptr);
    EXPECT_NE(Restore(), nullptr);  // the saved one is still answered

    // Gone.
    std::filesystem::remove(mPPDPath);
    EXPECT_EQ(Restore(), nullptr);
    CFRelease(otherURL);
}

TEST_F(CacheTest, NothingIsStoredWithoutKeyOrPPD) {
    std::unique_ptr<ZEQPPD> parsed = Parse();
    ASSERT_NE(parsed, nullptr);
    {
        PrintSettingsTicket settings(mSession.Session());
        ZEQJobTicket ticket(&settings, CFSTR("ZEQ.PSData.com.example.ppdloc.cache"));
        EXPECT_FALSE(ticket.SavePPD(parsed.get(), nullptr, mURL));
        EXPECT_EQ(ticket.RestorePPD(nullptr, mURL), nullptr);
        // No cache yet: the ticket's answer is kept.
        EXPECT_EQ(ticket.RestorePPD(mKey, mURL), nullptr);
        EXPECT_EQ(ticket.GetLastError(), kPMKeyNotFound);
        // A PPD that cannot be found: nothing written, since nothing could ever be restored.
        CFURLRef gone = NewFileURL(mTemp.Path() + "/gone.ppd");
        EXPECT_FALSE(ticket.SavePPD(parsed.get(), mKey, gone));
        EXPECT_EQ(ticket.GetLastError(), -43);
        CFRelease(gone);
    }
    CFArrayRef keys = nullptr;
    ASSERT_EQ(PMTicketCopyKeys(mSession.PrintSettings(), &keys), 0);
    EXPECT_EQ(CFArrayGetCount(keys), 0);
    CFRelease(keys);
}

TEST_F(CacheTest, DamagedItemsAreRefused) {
    std::unique_ptr<ZEQPPD> parsed = Parse();
    ASSERT_TRUE(Save(parsed.get()));
    CFDataRef good = static_cast<CFDataRef>(CFRetain(Item(mKey)));
    auto xmlOf = [](const std::string& text) {
        return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                            static_cast<CFIndex>(text.size()));
    };
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    for (const std::string& text :
         {std::string("not xml"), head + "<string>x</string></plist>",
          head + "<data></data></plist>", head + "<data>AAAAAAAAAAAAAAAA</data></plist>",
          head + "<data>" + std::string(4000, 'A') + "</data></plist>"}) {
        SCOPED_TRACE(text.substr(0, 60));
        CFDataRef bad = xmlOf(text);
        SetItem(mKey, bad);
        CFRelease(bad);
        EXPECT_EQ(Restore(), nullptr);
    }
    // The cache as a string item, and an identity of another kind.
    SetItem(mKey, CFSTR("cache"));
    EXPECT_EQ(Restore(), nullptr);
    SetItem(mKey, good);
    ASSERT_NE(Restore(), nullptr);
    SetItem(CFSTR("com.example.ppdloc.cache.PPDURL"), CFSTR("file:///elsewhere"));
    EXPECT_EQ(Restore(), nullptr);
    // A cache without identity (a save that failed half-way) is refused.
    PMTicketReleaseItem(mSession.PrintSettings(), CFSTR("com.example.ppdloc.cache.PPDURL"));
    EXPECT_EQ(Restore(), nullptr);
    CFRelease(good);
}
