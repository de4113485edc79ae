// Tests of the Printing Manager stand-in: sessions and printers, ticket items with their
// clients and locks, the handle table, and ticket files (round trip and hostile input).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/CoreFoundation.h"
#include "platform/PMPrinting.h"

namespace {

CFDataRef DataOf(const std::string& text) {
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                        static_cast<CFIndex>(text.size()));
}

PMTicketRef NewTicket() {
    PMTicketRef ticket = nullptr;
    EXPECT_EQ(PMTicketCreate(kCFAllocatorDefault, kPMPrintSettingsTicket, &ticket), noErr);
    return ticket;
}

}  // namespace

TEST(PMSessionTest, DataPrintersAndReleasedObjects) {
    PMPrintSession session = nullptr;
    ASSERT_EQ(PMCreateSession(&session), noErr);
    CFTypeRef data = nullptr;
    EXPECT_EQ(PMSessionGetDataFromSession(session, CFSTR("Name"), &data), kPMNoSuchEntry);
    ASSERT_EQ(PMSessionSetDataInSession(session, CFSTR("Name"), CFSTR("v")), noErr);
    ASSERT_EQ(PMSessionGetDataFromSession(session, CFSTR("Name"), &data), noErr);
    EXPECT_EQ(data, CFSTR("v"));
    EXPECT_EQ(PMSessionSetDataInSession(session, CFSTR("Name"), nullptr), noErr);
    EXPECT_EQ(PMSessionGetDataFromSession(session, CFSTR("Name"), &data), kPMNoSuchEntry);

    PMPrinter current = nullptr;
    EXPECT_EQ(PMSessionGetCurrentPrinter(session, &current), kPMInvalidPrinter);
    CFURLRef device = CFURLCreateWithString(nullptr, CFSTR("usb://Vendor/Model"), nullptr);
    CFURLRef ppd =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp/x.ppd"), kCFURLPOSIXPathStyle, false);
    PMPrinter printer = PMPrinterCreate(CFSTR("Office"), device, ppd);
    PMPrinter bare = PMPrinterCreate(CFSTR("Bare"), nullptr, nullptr);
    ASSERT_EQ(PMSessionSetCurrentPMPrinter(session, printer), noErr);
    EXPECT_EQ(PMRelease(printer), noErr);  // the session still holds it
    ASSERT_EQ(PMSessionGetCurrentPrinter(session, &current), noErr);
    EXPECT_EQ(current, printer);
    EXPECT_EQ(PMPrinterGetName(current), CFSTR("Office"));
    CFURLRef url = nullptr;
    EXPECT_EQ(PMPrinterGetDeviceURI(current, &url), noErr);
    EXPECT_EQ(url, device);
    EXPECT_EQ(PMPrinterGetDescriptionURL(current, kPMPPDDescriptionType, &url), noErr);
    EXPECT_EQ(url, ppd);
    EXPECT_EQ(PMPrinterGetDescriptionURL(current, CFSTR("Other"), &url), kPMInvalidKey);
    EXPECT_EQ(PMPrinterGetDescriptionURL(bare, kPMPPDDescriptionType, &url), kPMKeyNotFound);
    // A session is not a printer and the other way round.
    EXPECT_EQ(PMPrinterGetDeviceURI(reinterpret_cast<PMPrinter>(session), &url), kPMInvalidPrinter);
    EXPECT_EQ(PMSessionSetCurrentPMPrinter(reinterpret_cast<PMPrintSession>(bare), printer),
              kPMInvalidPrintSession);
    EXPECT_EQ(PMRelease(bare), noErr);
    CFRelease(device);
    CFRelease(ppd);

    // Released objects are refused, not followed.
    EXPECT_EQ(PMRelease(session), noErr);
    EXPECT_EQ(PMSessionGetDataFromSession(session, CFSTR("Name"), &data), kPMInvalidPrintSession);
    EXPECT_EQ(PMPrinterGetName(printer), nullptr);  // went with the session
    EXPECT_EQ(PMRelease(session), paramErr);
}

TEST(PMTicketTest, TypedItemsClientsAndLocks) {
    PMTicketRef ticket = NewTicket();
    EXPECT_EQ(PMTicketSetSInt32(ticket, CFSTR("app"), CFSTR("Copies"), 3, kPMUnlocked), noErr);
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("app"), CFSTR("Name"), CFSTR("x"), kPMUnlocked),
              noErr);
    SInt32 copies = 0;
    EXPECT_EQ(PMTicketGetSInt32(ticket, kPMTopLevel, kPMTopLevel, CFSTR("Copies"), &copies), noErr);
    EXPECT_EQ(copies, 3);
    // Another type, a missing key, below the top level, a value of the wrong type, no key.
    CFDataRef data = reinterpret_cast<CFDataRef>(1);
    EXPECT_EQ(PMTicketGetCFData(ticket, 0, 0, CFSTR("Name"), &data), kPMInvalidValue);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(PMTicketGetCFData(ticket, 0, 0, CFSTR("None"), &data), kPMKeyNotFound);
    EXPECT_EQ(PMTicketGetCFData(ticket, 1, 0, CFSTR("Name"), &data), paramErr);
    EXPECT_EQ(PMTicketSetCFData(ticket, CFSTR("app"), CFSTR("Name"),
                                reinterpret_cast<CFDataRef>(CFSTR("text")), kPMUnlocked),
              kPMInvalidValue);
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("app"), CFSTR(""), CFSTR("x"), 0), kPMInvalidKey);
    // A number beyond 32 bits is not read as one.
    SInt64 big = 1LL << 40;
    CFNumberRef wide = CFNumberCreate(nullptr, kCFNumberSInt64Type, &big);
    EXPECT_EQ(PMTicketSetItem(ticket, CFSTR("app"), CFSTR("Wide"), wide, kPMUnlocked), noErr);
    CFRelease(wide);
    EXPECT_EQ(PMTicketGetSInt32(ticket, 0, 0, CFSTR("Wide"), &copies), kPMInvalidValue);

    // A locked item belongs to its writer: another client neither replaces nor removes it.
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("owner"), CFSTR("Mode"), CFSTR("a"), kPMLocked),
              noErr);
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("other"), CFSTR("Mode"), CFSTR("b"), 0),
              kPMItemIsLocked);
    EXPECT_EQ(PMTicketSetCFString(ticket, nullptr, CFSTR("Mode"), CFSTR("b"), 0), kPMItemIsLocked);
    EXPECT_EQ(PMTicketReleaseItem(ticket, CFSTR("Mode")), kPMItemIsLocked);
    CFStringRef client = nullptr;
    Boolean locked = false;
    EXPECT_EQ(PMTicketGetItemAttributes(ticket, CFSTR("Mode"), &client, &locked), noErr);
    EXPECT_TRUE(CFEqual(client, CFSTR("owner")));
    EXPECT_TRUE(locked);
    // Its writer may replace and unlock it; then it goes like any other.
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("owner"), CFSTR("Mode"), CFSTR("c"), 0), noErr);
    EXPECT_EQ(PMTicketReleaseItem(ticket, CFSTR("Mode")), noErr);
    EXPECT_EQ(PMTicketReleaseItem(ticket, CFSTR("Mode")), kPMKeyNotFound);
    EXPECT_EQ(PMTicketRelease(ticket), noErr);
}

TEST(PMTicketTest, StaleAndForgedReferencesFindNothing) {
    PMTicketRef first = NewTicket();
    EXPECT_EQ(PMTicketRetain(first), noErr);
    EXPECT_EQ(PMTicketRelease(first), noErr);
    PMTicketRef copy = first;
    EXPECT_EQ(PMTicketReleaseAndClear(&copy), noErr);
    EXPECT_EQ(copy, nullptr);

    // The released ticket's number, as a session keeps it, names nothing even after new
    // tickets were made: handles are never given out again.
    PMTicketRef second = NewTicket();
    EXPECT_NE(second, first);
    SInt32 kept = static_cast<SInt32>(reinterpret_cast<uintptr_t>(first));
    PMTicketRef back = reinterpret_cast<PMTicketRef>(static_cast<uintptr_t>(kept));
    EXPECT_EQ(PMTicketSetCFString(back, CFSTR("app"), CFSTR("k"), CFSTR("v"), 0), kPMInvalidTicket);
    EXPECT_EQ(PMTicketRelease(back), kPMInvalidTicket);
    // Made-up numbers, and an address: nothing is dereferenced.
    int local = 0;
    for (uintptr_t forged :
         {uintptr_t{0x7fffffff}, uintptr_t{0xffffffff}, reinterpret_cast<uintptr_t>(&local),
          reinterpret_cast<uintptr_t>(second) + (uintptr_t{1} << 32)}) {
        EXPECT_EQ(PMTicketRetain(reinterpret_cast<PMTicketRef>(forged)), kPMInvalidTicket);
    }
    EXPECT_EQ(PMTicketRelease(second), noErr);
}

TEST(PMTicketFileTest, RoundTripKeepsTypesClientsAndLocks) {
    SInt8 s8 = -5;
    SInt32 s32 = -9;
    SInt64 s64 = -(1LL << 40);
    Float32 f32 = 0.1f;
    const UInt8 bytes[] = {0, 1, 0xff};
    const void* inner[] = {CFSTR("välue")};
    struct Item {
        CFStringRef key;
        CFTypeRef value;
        CFStringRef client;
        Boolean locked;
    };
    const std::vector<Item> items = {
        {CFSTR("s8"), CFNumberCreate(nullptr, kCFNumberSInt8Type, &s8), CFSTR("a"), 0},
        {CFSTR("s32"), CFNumberCreate(nullptr, kCFNumberSInt32Type, &s32), CFSTR("a"), 1},
        {CFSTR("s64"), CFNumberCreate(nullptr, kCFNumberSInt64Type, &s64), nullptr, 1},
        {CFSTR("f32"), CFNumberCreate(nullptr, kCFNumberFloat32Type, &f32), CFSTR("b"), 0},
        {CFSTR("data"), CFDataCreate(nullptr, bytes, sizeof bytes), CFSTR("b"), 0},
        {CFSTR("dict"),
         CFDictionaryCreate(nullptr, inner, inner, 1, &kCFTypeDictionaryKeyCallBacks,
                            &kCFTypeDictionaryValueCallBacks),
         CFSTR("b"), 0},
        {CFSTR("array"), CFArrayCreate(nullptr, inner, 1, &kCFTypeArrayCallBacks), CFSTR("b"), 0},
        {CFSTR("bool"), CFRetain(kCFBooleanTrue), CFSTR("b"), 0},
        {CFSTR("date"), CFDateCreate(nullptr, 1000.0), CFSTR("b"), 0},  // whole seconds in XML
        {CFSTR("日本語キー"), CFRetain(CFSTR("€")), CFSTR("b"), 0},
    };
    PMTicketRef ticket = NewTicket();
    for (const Item& item : items) {
        ASSERT_EQ(PMTicketSetItem(ticket, item.client, item.key, item.value, item.locked), noErr);
    }

    char folder[] = "/tmp/pmticket-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/settings.plist";
    ASSERT_EQ(PMTicketWriteXMLToFile(ticket, path.c_str()), noErr);
    PMTicketRef read = nullptr;
    ASSERT_EQ(PMTicketReadXMLFromFile(&read, path.c_str()), noErr);
    CFStringRef type = nullptr;
    ASSERT_EQ(PMTicketGetType(read, &type), noErr);
    EXPECT_TRUE(CFEqual(type, kPMPrintSettingsTicket));
    CFArrayRef keys = nullptr;
    ASSERT_EQ(PMTicketCopyKeys(read, &keys), noErr);
    EXPECT_EQ(CFArrayGetCount(keys), static_cast<CFIndex>(items.size()));
    CFRelease(keys);
    for (const Item& item : items) {
        CFTypeRef value = nullptr;
        CFStringRef client = nullptr;
        Boolean locked = 2;
        ASSERT_EQ(PMTicketGetItem(read, 0, 0, item.key, &value), noErr);
        ASSERT_EQ(PMTicketGetItemAttributes(read, item.key, &client, &locked), noErr);
        EXPECT_TRUE(CFEqual(value, item.value));
        if (CFGetTypeID(value) == CFNumberGetTypeID()) {
            EXPECT_EQ(CFNumberGetType(static_cast<CFNumberRef>(value)),
                      CFNumberGetType(static_cast<CFNumberRef>(item.value)));
        }
        EXPECT_TRUE(client == item.client || CFEqual(client, item.client));
        EXPECT_EQ(locked, item.locked);
        CFRelease(item.value);
    }
    // The lock came back working.
    EXPECT_EQ(PMTicketSetSInt32(read, CFSTR("other"), CFSTR("s32"), 1, 0), kPMItemIsLocked);

    // An item without a property-list form cannot be written; nothing is left behind.
    CFURLRef url = CFURLCreateWithString(nullptr, CFSTR("ipp://host/queue"), nullptr);
    ASSERT_EQ(PMTicketSetItem(read, CFSTR("b"), CFSTR("url"), url, kPMUnlocked), noErr);
    CFRelease(url);
    EXPECT_EQ(PMTicketWriteXMLToFile(read, path.c_str()), kPMInvalidValue);
    PMTicketRef again = nullptr;
    EXPECT_EQ(PMTicketReadXMLFromFile(&again, path.c_str()), noErr);  // the earlier file
    EXPECT_EQ(PMTicketRelease(again), noErr);
    unlink(path.c_str());
    EXPECT_EQ(rmdir(folder), 0);
    EXPECT_EQ(PMTicketRelease(read), noErr);
    EXPECT_EQ(PMTicketRelease(ticket), noErr);
}

TEST(PMTicketFileTest, DamagedOrHostileInputIsRefused) {
    const std::string head = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    auto root = [&](const std::string& type, const std::string& items) {
        return head + "<dict><key>PMTicketType</key>" + type + "<key>PMTicketItems</key>" + items +
               "</dict></plist>";
    };
    auto item = [&](const std::string& value, const std::string& kind,
                    const std::string& extra = "<key>PMLocked</key><false/>") {
        return root("<string>t</string>", "<dict><key>k</key><dict><key>PMValue</key>" + value +
                                              "<key>PMValueType</key><string>" + kind +
                                              "</string>" + extra + "</dict></dict>");
    };
    const std::vector<std::string> refused = {
        "",
        "not xml at all",
        head + "<dict><key>PMTicketType</key><string>t</string>",  // cut short
        head + "<array/></plist>",
        root("<string></string>", "<dict/>"),
        root("<integer>1</integer>", "<dict/>"),
        root("<string>t</string>", "<array/>"),
        root("<string>t</string>", "<dict><key>k</key><string>bare value</string></dict>"),
        item("<string>x</string>", "data"),
        item("<integer>300</integer>", "sint8"),
        item("<real>1.5</real>", "sint32"),
        item("<integer>1</integer>", "pointer"),
        item("<integer>1</integer>", "sint32", ""),
        item("<integer>1</integer>", "sint32", "<key>PMLocked</key><string>no</string>"),
        item("<integer>1</integer>", "sint32",
             "<key>PMLocked</key><true/><key>PMClientID</key><integer>4</integer>"),
    };
    for (const std::string& text : refused) {
        SCOPED_TRACE(text);
        CFDataRef data = DataOf(text);
        PMTicketRef ticket = reinterpret_cast<PMTicketRef>(1);
        EXPECT_EQ(PMXMLToTicket(data, &ticket), kPMInvalidFile);
        EXPECT_EQ(ticket, nullptr);
        CFRelease(data);
    }
    // The same frame with a sound item is accepted.
    CFDataRef good = DataOf(item("<integer>-2</integer>", "sint16"));
    PMTicketRef ticket = nullptr;
    ASSERT_EQ(PMXMLToTicket(good, &ticket), noErr);
    SInt32 value = 0;
    EXPECT_EQ(PMTicketGetSInt32(ticket, 0, 0, CFSTR("k"), &value), noErr);
    EXPECT_EQ(value, -2);
    EXPECT_EQ(PMTicketRelease(ticket), noErr);
    CFRelease(good);

    // Files that are no ticket files: missing, a folder, a device.
    for (const char* path : {"/nonexistent/ticket.plist", "/tmp", "/dev/zero"}) {
        EXPECT_EQ(PMTicketReadXMLFromFile(&ticket, path), kPMInvalidFile) << path;
        EXPECT_EQ(ticket, nullptr);
    }
}
