// Tests of the PPD location: property-list files and the printer list, the current printer's
// PPD and its set-up, the printer's name and connection, and the shared PPD manager.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imageshift/PDEBundle.h"
#include "parser/ZEQPPD.h"
#include "platform/Gestalt.h"
#include "printsys/PPDLocation.h"
#include "printsys/PropertyListFile.h"
#include "tests/platform/CFTestSupport.h"
#include "tests/printsys/PrintSystemFixture.h"

using namespace printsys_fixture;

namespace {

const std::string kSample = std::string(ZEQ_EXAMPLES) + "/QW4300.ppd";
const char kBundleID[] = "com.example.ppdloc.test";

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Every test starts without a cached plug-in bundle and leaves none behind.
class PPDLocationTest : public ::testing::Test {
protected:
    void SetUp() override { MyFreeBundle(nullptr); }
    void TearDown() override { MyFreeBundle(nullptr); }

    TempFolder mTemp;
};

}  // namespace

TEST_F(PPDLocationTest, PropertyListFileReadsWritesAndKeepsItsError) {
    const std::string path = mTemp.Path() + "/list.plist";
    CFStringRef entry = CFSTR("one");
    CFArrayRef array =
        CFArrayCreate(nullptr, reinterpret_cast<const void**>(&entry), 1, &kCFTypeArrayCallBacks);
    {
        // A missing file: loaded (the attempt was made), but no contents and an error.
        CFURLRef url = NewFileURL(path);
        PropertyListFile file(url, true, kCFPropertyListImmutable);
        CFRelease(url);
        EXPECT_TRUE(file.IsLoaded());
        EXPECT_EQ(file.GetPropertyList(), nullptr);
        EXPECT_NE(file.GetError(), 0);
        // Save writes the array; a null array is refused with -108.
        EXPECT_TRUE(file.Save(array));
        EXPECT_EQ(file.GetError(), 0);
        EXPECT_FALSE(file.Save(nullptr));
        EXPECT_EQ(file.GetError(), -108);
    }
    {
        CFURLRef dir = NewFileURL(mTemp.Path(), true);
        PropertyListFile file(dir, CFSTR("list.plist"), false, kCFPropertyListImmutable);
        CFRelease(dir);
        EXPECT_TRUE(file.IsLoaded());
        ASSERT_NE(file.GetPropertyList(), nullptr);
        EXPECT_TRUE(CFEqual(file.GetPropertyList(), array));
        EXPECT_EQ(Take(CFURLCopyLastPathComponent(file.GetURL())), "list.plist");
    }
    {
        // A damaged file is read, but gives no property list.
        WriteText(path, "<?xml version=\"1.0\"?><plist><array><string>x</plist>");
        CFURLRef url = NewFileURL(path);
        PropertyListFile file(url, false, kCFPropertyListImmutable);
        CFRelease(url);
        EXPECT_TRUE(file.IsLoaded());
        EXPECT_NE(file.GetData(), nullptr);
        EXPECT_EQ(file.GetPropertyList(), nullptr);
    }
    CFRelease(array);
}

TEST_F(PPDLocationTest, RelativePathIsReadBelowHome) {
    // "HOME" followed directly by the path, no separator added.
    mTemp.Write("Users/u/Library/x.plist",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                "<string>found</string></plist>");
    const char* home = getenv("HOME");
    const std::string saved = home != nullptr ? home : "";
    setenv("HOME", (mTemp.Path() + "/Users/u").c_str(), 1);
    {
        PropertyListFile file("/Library/x.plist", false, kCFPropertyListImmutable);
        EXPECT_TRUE(file.IsLoaded());
        EXPECT_EQ(Utf8(static_cast<CFStringRef>(file.GetPropertyList())), "found");
        PropertyListFile joined("Library/x.plist", false, kCFPropertyListImmutable);
        EXPECT_EQ(joined.GetPropertyList(), nullptr);  // ".../Users/uLibrary/x.plist"
    }
    unsetenv("HOME");
    {
        PropertyListFile file("/Library/x.plist", false, kCFPropertyListImmutable);
        EXPECT_FALSE(file.IsLoaded());
        EXPECT_EQ(file.GetURL(), nullptr);
    }
    if (home != nullptr)
        setenv("HOME", saved.c_str(), 1);
}

TEST_F(PPDLocationTest, PrinterListIsValidOnlyWithItsArray) {
    CFURLRef contents = NewFileURL(mTemp.Path(), true);
    const std::string path = mTemp.Path() + "/PrinterList.plist";
    auto valid = [&]() {
        PrinterListFile list(contents, kCFPropertyListImmutable);
        EXPECT_EQ(list.IsValid(), list.GetPCFileNames() != nullptr);
        return list.IsValid() ? CFArrayGetCount(list.GetPCFileNames()) : -1;
    };
    EXPECT_EQ(valid(), -1);  // no file
    CFDictionaryRef names = NewPrinterList({"QW4300.PPD", "QW5000.PPD"});
    WritePropertyList(path, names);
    CFRelease(names);
    EXPECT_EQ(valid(), 2);
    // A root or an entry of the wrong kind is not a list of printers.
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    for (const char* body :
         {"<dict><key>OTHER</key><array/></dict>", "<array><string>QW4300.PPD</string></array>",
          "<dict><key>PCFILENAME</key><string>QW4300.PPD</string></dict>", "not a plist"}) {
        SCOPED_TRACE(body);
        WriteText(path, head + body + "</plist>");
        EXPECT_EQ(valid(), -1);
    }
    CFRelease(contents);
}

TEST_F(PPDLocationTest, GetPPDFileFindsTheCurrentPrintersPPD) {
    CFURLRef url = nullptr;
    FSRef ref;
    {
        TestSession session("QW", "usb://QW/4300", kSample);
        EXPECT_EQ(GetPPDFile(session.Session(), url, ref), 0);
        ASSERT_NE(url, nullptr);
        UInt8 path[1024];
        ASSERT_EQ(FSRefMakePath(&ref, path, sizeof path), 0);
        EXPECT_EQ(std::filesystem::canonical(reinterpret_cast<char*>(path)),
                  std::filesystem::canonical(kSample));
        EXPECT_EQ(Utf8(GetCurrentPrinterName(session.Session())), "QW");
        EXPECT_EQ(GetCurrentPrinterName(nullptr), nullptr);
    }
    {
        // A PPD URL that leads to no file: -43, and the URL is still given.
        TestSession session("QW", "", mTemp.Path() + "/gone.ppd");
        EXPECT_EQ(GetPPDFile(session.Session(), url, ref), -43);
        EXPECT_NE(url, nullptr);
    }
    {
        // Platform failures are passed on as they are, without a URL.
        TestSession session("QW", "", "");
        EXPECT_EQ(GetPPDFile(session.Session(), url, ref), kPMKeyNotFound);
        EXPECT_EQ(url, nullptr);
        EXPECT_EQ(GetPPDFile(nullptr, url, ref), kPMInvalidPrintSession);
    }
}

TEST_F(PPDLocationTest, SetupPPDParsesOnlyForAListedPrinter) {
    TestSession session("QW", "", kSample);
    CFStringRef id = CFSTR("com.example.ppdloc.test");
    EXPECT_EQ(SetupPPD(session.Session(), id), nullptr);  // no such bundle yet
    const std::vector<std::string> listed = {"QW4300.PPD"};
    TestBundle bundle(mTemp.Path(), kBundleID, &listed);
    std::unique_ptr<ZEQPPD> ppd(SetupPPD(session.Session(), id));
    ASSERT_NE(ppd, nullptr);
    EXPECT_TRUE(ppd->IsValidPrinterName());
    EXPECT_TRUE(ppd->IsValidPPD());
    EXPECT_STREQ(ppd->ModelName(), "Quillwork QW-4300 PS");

    // A PPD whose PC file name is not listed is still handed over, for the caller to test.
    CFDictionaryRef other = NewPrinterList({"QW9999.PPD"});
    WritePropertyList(bundle.PrinterListPath(), other);
    CFRelease(other);
    ppd.reset(SetupPPD(session.Session(), id));
    ASSERT_NE(ppd, nullptr);
    EXPECT_FALSE(ppd->IsValidPrinterName());

    // A list without "PCFILENAME", or none: no parse at all.
    WriteText(bundle.PrinterListPath(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict/></plist>");
    EXPECT_EQ(SetupPPD(session.Session(), id), nullptr);
    std::filesystem::remove(bundle.PrinterListPath());
    EXPECT_EQ(SetupPPD(session.Session(), id), nullptr);

    // No PPD file: nothing to parse.
    TestSession noPPD("QW", "", mTemp.Path() + "/gone.ppd");
    EXPECT_EQ(SetupPPD(noPPD.Session(), id), nullptr);
}

TEST_F(PPDLocationTest, ConnectionSchemeIsComparedExactly) {
    struct Case {
        const char* uri;
        bool usb, appleTalk, ip;
    } cases[] = {
        {"usb://QW/4300?serial=1", true, false, false},
        {"USB://QW/4300", false, false, false},
        {"pap://zone/QW", false, true, false},
        {"ipp://host/printers/qw", false, false, true},
        {"ipps://host/printers/qw", false, false, false},
        {"", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        TestSession session("QW", c.uri, kSample);
        EXPECT_EQ(isUSBPrinterConnection(session.Session()), c.usb);
        EXPECT_EQ(isAppleTalkPrinterConnection(session.Session()), c.appleTalk);
        EXPECT_EQ(isIPPrinterConnection(session.Session()), c.ip);
        CFStringRef scheme = GetPrinterConnectionType(session.Session());
        EXPECT_EQ(scheme == nullptr, *c.uri == '\0');
        if (scheme != nullptr)
            CFRelease(scheme);
    }
    EXPECT_EQ(GetPrinterConnectionType(nullptr), nullptr);
    EXPECT_FALSE(isUSBPrinterConnection(nullptr));
}

namespace {

// An empty model that counts its retains and its destruction.
class CountedPPD : public ZEQPPD {
public:
    explicit CountedPPD(int* destroyed) : ZEQPPD(_PARSE_OPTIONS_{3}), mDestroyed(destroyed) {}
    ~CountedPPD() override { ++*mDestroyed; }
    PPDX* Retain() override {
        ++retains;
        return ZEQPPD::Retain();
    }
    int retains = 0;

private:
    int* mDestroyed;
};

bool Registered() {
    GestaltValue value = 0;
    return Gestalt(0x51575064, &value) == 0;  // 'QWPd'
}

}  // namespace

TEST_F(PPDLocationTest, SharedManagerRetainsListsAndReleases) {
    ASSERT_FALSE(Registered());
    EXPECT_EQ(GetSharedPPDManager(), nullptr);
    ReleasePPDManager();  // nothing registered: nothing happens
    EXPECT_FALSE(InstallSharedPPDManager(nullptr));

    int destroyed = 0;
    CountedPPD* a = new CountedPPD(&destroyed);
    CountedPPD* b = new CountedPPD(&destroyed);
    ASSERT_TRUE(InstallSharedPPDManager(a));
    ASSERT_TRUE(InstallSharedPPDManager(b));
    EXPECT_TRUE(Registered());
    EXPECT_EQ(a->retains, 1);
    EXPECT_EQ(b->retains, 1);
    // The most recent model, and every listed one retained once more.
    EXPECT_EQ(GetSharedPPDManager(), b);
    EXPECT_EQ(a->retains, 2);
    EXPECT_EQ(b->retains, 2);
    a->Release();
    b->Release();

    // Each held once by the list: all destroyed, the list emptied, the registration gone.
    ReleasePPDManager();
    EXPECT_EQ(destroyed, 2);
    EXPECT_FALSE(Registered());
    EXPECT_EQ(GetSharedPPDManager(), nullptr);
}

TEST_F(PPDLocationTest, SharedManagerListsAModelAsOftenAsItIsInstalled) {
    int destroyed = 0;
    CountedPPD* a = new CountedPPD(&destroyed);
    ASSERT_TRUE(InstallSharedPPDManager(a));
    ASSERT_TRUE(InstallSharedPPDManager(a));
    EXPECT_EQ(a->retains, 2);
    EXPECT_EQ(GetSharedPPDManager(), a);
    EXPECT_EQ(a->retains, 4);  // once for each entry
    a->Release();
    a->Release();
    // Destroyed on the second entry's release; the first entry then goes too.
    ReleasePPDManager();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(Registered());

    // A registration holding no list is replaced by a new list.
    ASSERT_EQ(NewGestaltValue(0x51575064, 0), 0);
    CountedPPD* c = new CountedPPD(&destroyed);
    EXPECT_TRUE(InstallSharedPPDManager(c));
    EXPECT_EQ(GetSharedPPDManager(), c);
    c->Release();
    ReleasePPDManager();
    EXPECT_EQ(destroyed, 2);
    EXPECT_FALSE(Registered());
}
