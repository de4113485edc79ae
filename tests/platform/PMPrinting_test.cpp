// Tests of the Printing Manager stand-in: sessions and printers, ticket items with their
// clients and locks, the handle table, and ticket files (round trip and hostile input).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CoreFoundation.h"
#include "platform/PMPrinting.h"

namespace {

CFStringRef Str(const char* text) {
    return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

CFDataRef DataOf(const std::string& text) {
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                        static_cast<CFIndex>(text.size()));
}

CFNumberRef Number(CFNumberType type, const void* value) {
    return CFNumberCreate(nullptr, type, value);
}

// A private folder, removed with what is in it.
struct TempDir {
    TempDir() {
        char pattern[] = "/tmp/pmprinting-test-XXXXXX";
        path = mkdtemp(pattern) != nullptr ? pattern : "";
    }
    ~TempDir() {
        if (!path.empty()) {
            std::string command = "rm -rf '" + path + "'";
            EXPECT_EQ(system(command.c_str()), 0);
        }
    }
    std::string path;
};

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
    EXPECT_EQ(PMSessionGetDataFromSession(session, CFSTR("Nothing"), &data), kPMNoSuchEntry);
    EXPECT_EQ(PMSessionGetDataFromSession(session, CFSTR(""), &data), kPMInvalidKey);

    SInt32 seven = 7;
    CFNumberRef number = Number(kCFNumberSInt32Type, &seven);
    ASSERT_EQ(PMSessionSetDataInSession(session, CFSTR("Seven"), number), noErr);
    EXPECT_EQ(CFGetRetainCount(number), 2);  // the session keeps its own reference
    ASSERT_EQ(PMSessionGetDataFromSession(session, CFSTR("Seven"), &data), noErr);
    EXPECT_EQ(data, number);
    EXPECT_EQ(PMSessionSetDataInSession(session, CFSTR("Seven"), nullptr), noErr);
    EXPECT_EQ(CFGetRetainCount(number), 1);
    EXPECT_EQ(PMSessionGetDataFromSession(session, CFSTR("Seven"), &data), kPMNoSuchEntry);
    CFRelease(number);

    PMPrinter current = nullptr;
    EXPECT_EQ(PMSessionGetCurrentPrinter(session, &current), kPMInvalidPrinter);
    CFStringRef name = Str("Büro");
    CFURLRef device = CFURLCreateWithString(nullptr, CFSTR("usb://Vendor/Model"), nullptr);
    CFURLRef ppd =
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp/x.ppd"), kCFURLPOSIXPathStyle, false);
    PMPrinter printer = PMPrinterCreate(name, device, ppd);
    PMPrinter bare = PMPrinterCreate(name, nullptr, nullptr);
    ASSERT_NE(printer, nullptr);
    ASSERT_EQ(PMSessionSetCurrentPMPrinter(session, printer), noErr);
    EXPECT_EQ(PMRelease(printer), noErr);  // the session still holds it
    ASSERT_EQ(PMSessionGetCurrentPrinter(session, &current), noErr);
    EXPECT_EQ(current, printer);
    EXPECT_EQ(PMPrinterGetName(current), name);
    CFURLRef url = nullptr;
    EXPECT_EQ(PMPrinterGetDeviceURI(current, &url), noErr);
    EXPECT_EQ(url, device);
    EXPECT_EQ(PMPrinterGetDescriptionURL(current, kPMPPDDescriptionType, &url), noErr);
    EXPECT_EQ(url, ppd);
    EXPECT_EQ(PMPrinterGetDescriptionURL(current, CFSTR("Other"), &url), kPMInvalidKey);
    EXPECT_EQ(PMPrinterGetDeviceURI(bare, &url), kPMKeyNotFound);
    EXPECT_EQ(PMPrinterGetDescriptionURL(bare, kPMPPDDescriptionType, &url), kPMKeyNotFound);
    // A session is not a printer and the other way round.
    EXPECT_EQ(PMPrinterGetDeviceURI(reinterpret_cast<PMPrinter>(session), &url), kPMInvalidPrinter);
    EXPECT_EQ(PMSessionSetCurrentPMPrinter(reinterpret_cast<PMPrintSession>(bare), printer),
              kPMInvalidPrintSession);
    EXPECT_EQ(PMRelease(bare), noErr);
    CFRelease(name);
    CFRelease(device);
    CFRelease(ppd);

    // Released objects are refused, not followed.
    EXPECT_EQ(PMRelease(session), noErr);
    EXPECT_EQ(PMSessionGetDataFromSession(session, CFSTR("Seven"), &data), kPMInvalidPrintSession);
    EXPECT_EQ(PMSessionGetCurrentPrinter(session, &current), kPMInvalidPrintSession);
    EXPECT_EQ(PMPrinterGetName(printer), nullptr);  // went with the session
    EXPECT_EQ(PMRelease(session), paramErr);
}

TEST(PMTicketTest, TypedItemsClientsAndLocks) {
    PMTicketRef ticket = NewTicket();
    CFStringRef type = nullptr;
    ASSERT_EQ(PMTicketGetType(ticket, &type), noErr);
    EXPECT_TRUE(CFEqual(type, kPMPrintSettingsTicket));

    EXPECT_EQ(PMTicketSetSInt32(ticket, CFSTR("app"), CFSTR("Copies"), 3, kPMUnlocked), noErr);
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("app"), CFSTR("Name"), CFSTR("x"), kPMUnlocked),
              noErr);
    SInt32 copies = 0;
    EXPECT_EQ(PMTicketGetSInt32(ticket, kPMTopLevel, kPMTopLevel, CFSTR("Copies"), &copies), noErr);
    EXPECT_EQ(copies, 3);
    // Reading as another type, a missing key, or below the top level.
    CFDataRef data = reinterpret_cast<CFDataRef>(1);
    EXPECT_EQ(PMTicketGetCFData(ticket, kPMTopLevel, kPMTopLevel, CFSTR("Name"), &data),
              kPMInvalidValue);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(PMTicketGetSInt32(ticket, kPMTopLevel, kPMTopLevel, CFSTR("Name"), &copies),
              kPMInvalidValue);
    EXPECT_EQ(PMTicketGetCFData(ticket, kPMTopLevel, kPMTopLevel, CFSTR("None"), &data),
              kPMKeyNotFound);
    CFTypeRef item = nullptr;
    EXPECT_EQ(PMTicketGetItem(ticket, 1, kPMTopLevel, CFSTR("Name"), &item), paramErr);
    // The typed setters refuse a value of another type.
    EXPECT_EQ(PMTicketSetCFData(ticket, CFSTR("app"), CFSTR("Name"),
                                reinterpret_cast<CFDataRef>(CFSTR("text")), kPMUnlocked),
              kPMInvalidValue);
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("app"), CFSTR(""), CFSTR("x"), kPMUnlocked),
              kPMInvalidKey);
    // A number beyond 32 bits is not read as one.
    SInt64 big = 1LL << 40;
    CFNumberRef wide = Number(kCFNumberSInt64Type, &big);
    EXPECT_EQ(PMTicketSetItem(ticket, CFSTR("app"), CFSTR("Wide"), wide, kPMUnlocked), noErr);
    CFRelease(wide);
    EXPECT_EQ(PMTicketGetSInt32(ticket, kPMTopLevel, kPMTopLevel, CFSTR("Wide"), &copies),
              kPMInvalidValue);
    EXPECT_EQ(copies, 0);

    // A locked item belongs to its writer: another client neither replaces nor removes it.
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("owner"), CFSTR("Mode"), CFSTR("a"), kPMLocked),
              noErr);
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("other"), CFSTR("Mode"), CFSTR("b"), kPMUnlocked),
              kPMItemIsLocked);
    EXPECT_EQ(PMTicketSetCFString(ticket, nullptr, CFSTR("Mode"), CFSTR("b"), kPMUnlocked),
              kPMItemIsLocked);
    EXPECT_EQ(PMTicketReleaseItem(ticket, CFSTR("Mode")), kPMItemIsLocked);
    CFStringRef value = nullptr;
    EXPECT_EQ(PMTicketGetCFString(ticket, kPMTopLevel, kPMTopLevel, CFSTR("Mode"), &value), noErr);
    EXPECT_TRUE(CFEqual(value, CFSTR("a")));
    CFStringRef client = nullptr;
    Boolean locked = false;
    EXPECT_EQ(PMTicketGetItemAttributes(ticket, CFSTR("Mode"), &client, &locked), noErr);
    EXPECT_TRUE(CFEqual(client, CFSTR("owner")));
    EXPECT_TRUE(locked);
    // Its writer may replace and unlock it; then it goes like any other.
    EXPECT_EQ(PMTicketSetCFString(ticket, CFSTR("owner"), CFSTR("Mode"), CFSTR("c"), kPMUnlocked),
              noErr);
    EXPECT_EQ(PMTicketReleaseItem(ticket, CFSTR("Mode")), noErr);
    EXPECT_EQ(PMTicketReleaseItem(ticket, CFSTR("Mode")), kPMKeyNotFound);

    CFArrayRef keys = nullptr;
    ASSERT_EQ(PMTicketCopyKeys(ticket, &keys), noErr);
    EXPECT_EQ(CFArrayGetCount(keys), 3);  // Copies, Name, Wide
    CFRelease(keys);
    EXPECT_EQ(PMTicketRelease(ticket), noErr);
}

TEST(PMTicketTest, StaleAndForgedReferencesFindNothing) {
    PMTicketRef first = NewTicket();
    EXPECT_EQ(PMTicketRetain(first), noErr);
    CFIndex count = 0;
    EXPECT_EQ(PMTicketGetRetainCount(first, &count), noErr);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(PMTicketRelease(first), noErr);
    PMTicketRef copy = first;
    EXPECT_EQ(PMTicketReleaseAndClear(&copy), noErr);
    EXPECT_EQ(copy, nullptr);

    // The released ticket's number, as a session would keep it, names nothing, even after new
    // tickets were made: handles are never given out again.
    PMTicketRef second = NewTicket();
    EXPECT_NE(second, first);
    SInt32 kept = static_cast<SInt32>(reinterpret_cast<uintptr_t>(first));
    PMTicketRef back = reinterpret_cast<PMTicketRef>(static_cast<uintptr_t>(kept));
    CFStringRef value = nullptr;
    EXPECT_EQ(PMTicketGetCFString(back, kPMTopLevel, kPMTopLevel, CFSTR("k"), &value),
              kPMInvalidTicket);
    EXPECT_EQ(PMTicketSetCFString(back, CFSTR("app"), CFSTR("k"), CFSTR("v"), 0), kPMInvalidTicket);
    EXPECT_EQ(PMTicketRelease(back), kPMInvalidTicket);
    // Made-up numbers, and an address: nothing is dereferenced.
    int local = 0;
    for (uintptr_t forged : {uintptr_t{0}, uintptr_t{0x7fffffff}, uintptr_t{0xffffffff},
                             reinterpret_cast<uintptr_t>(&local),
                             reinterpret_cast<uintptr_t>(second) + (uintptr_t{1} << 32)}) {
        EXPECT_EQ(PMTicketRetain(reinterpret_cast<PMTicketRef>(forged)), kPMInvalidTicket);
    }
    EXPECT_EQ(PMTicketRelease(second), noErr);
}

TEST(PMTicketFileTest, RoundTripKeepsTypesClientsAndLocks) {
    PMTicketRef ticket = NewTicket();
    SInt8 s8 = -5;
    SInt64 s64 = -(1LL << 40);
    Float32 f32 = 0.1f;
    double f64 = 2.5;
    CFNumberRef n8 = Number(kCFNumberSInt8Type, &s8);
    CFNumberRef n64 = Number(kCFNumberSInt64Type, &s64);
    CFNumberRef nf32 = Number(kCFNumberFloat32Type, &f32);
    CFNumberRef nf64 = Number(kCFNumberFloat64Type, &f64);
    const UInt8 bytes[] = {0, 1, 2, 0xff};
    CFDataRef data = CFDataCreate(nullptr, bytes, sizeof bytes);
    const void* keys[] = {CFSTR("inner")};
    const void* values[] = {CFSTR("välue")};
    CFDictionaryRef dict = CFDictionaryCreate(
        nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFArrayRef array = CFArrayCreate(nullptr, values, 1, &kCFTypeArrayCallBacks);
    CFDateRef date = CFDateCreate(nullptr, 1000.0);  // the XML form keeps whole seconds
    ASSERT_EQ(PMTicketSetSInt32(ticket, CFSTR("a.app"), CFSTR("s32"), -9, kPMLocked), noErr);
    ASSERT_EQ(PMTicketSetItem(ticket, CFSTR("a.app"), CFSTR("s8"), n8, kPMUnlocked), noErr);
    ASSERT_EQ(PMTicketSetItem(ticket, nullptr, CFSTR("s64"), n64, kPMLocked), noErr);
    ASSERT_EQ(PMTicketSetItem(ticket, CFSTR("b"), CFSTR("f32"), nf32, kPMUnlocked), noErr);
    ASSERT_EQ(PMTicketSetItem(ticket, CFSTR("b"), CFSTR("f64"), nf64, kPMUnlocked), noErr);
    ASSERT_EQ(PMTicketSetCFData(ticket, CFSTR("b"), CFSTR("data"), data, kPMUnlocked), noErr);
    ASSERT_EQ(PMTicketSetCFDictionary(ticket, CFSTR("b"), CFSTR("dict"), dict, kPMUnlocked), noErr);
    ASSERT_EQ(PMTicketSetCFArray(ticket, CFSTR("b"), CFSTR("array"), array, kPMUnlocked), noErr);
    ASSERT_EQ(PMTicketSetBoolean(ticket, CFSTR("b"), CFSTR("bool"), true, kPMUnlocked), noErr);
    ASSERT_EQ(PMTicketSetItem(ticket, CFSTR("b"), CFSTR("date"), date, kPMUnlocked), noErr);
    ASSERT_EQ(PMTicketSetCFString(ticket, CFSTR("b"), CFSTR("日本語キー"), CFSTR("€"), kPMUnlocked),
              noErr);

    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string path = dir.path + "/settings.plist";
    ASSERT_EQ(PMTicketWriteXMLToFile(ticket, path.c_str()), noErr);
    PMTicketRef read = nullptr;
    ASSERT_EQ(PMTicketReadXMLFromFile(&read, path.c_str()), noErr);
    ASSERT_NE(read, nullptr);
    EXPECT_NE(read, ticket);

    CFStringRef type = nullptr;
    ASSERT_EQ(PMTicketGetType(read, &type), noErr);
    EXPECT_TRUE(CFEqual(type, kPMPrintSettingsTicket));
    CFArrayRef readKeys = nullptr;
    ASSERT_EQ(PMTicketCopyKeys(read, &readKeys), noErr);
    EXPECT_EQ(CFArrayGetCount(readKeys), 11);
    for (CFIndex i = 0; i < CFArrayGetCount(readKeys); ++i) {
        CFStringRef key = static_cast<CFStringRef>(CFArrayGetValueAtIndex(readKeys, i));
        char keyText[64] = "";
        CFStringGetCString(key, keyText, sizeof keyText, kCFStringEncodingUTF8);
        SCOPED_TRACE(keyText);
        CFTypeRef before = nullptr;
        CFTypeRef after = nullptr;
        ASSERT_EQ(PMTicketGetItem(ticket, 0, 0, key, &before), noErr);
        ASSERT_EQ(PMTicketGetItem(read, 0, 0, key, &after), noErr);
        EXPECT_TRUE(CFEqual(before, after));
        EXPECT_EQ(CFGetTypeID(before), CFGetTypeID(after));
        if (CFGetTypeID(before) == CFNumberGetTypeID()) {
            EXPECT_EQ(CFNumberGetType(static_cast<CFNumberRef>(before)),
                      CFNumberGetType(static_cast<CFNumberRef>(after)));
        }
        CFStringRef clientBefore = nullptr;
        CFStringRef clientAfter = nullptr;
        Boolean lockedBefore = false;
        Boolean lockedAfter = false;
        PMTicketGetItemAttributes(ticket, key, &clientBefore, &lockedBefore);
        PMTicketGetItemAttributes(read, key, &clientAfter, &lockedAfter);
        EXPECT_EQ(clientBefore == nullptr, clientAfter == nullptr);
        if (clientBefore != nullptr && clientAfter != nullptr) {
            EXPECT_TRUE(CFEqual(clientBefore, clientAfter));
        }
        EXPECT_EQ(lockedBefore, lockedAfter);
    }
    CFRelease(readKeys);
    // The lock came back working.
    EXPECT_EQ(PMTicketSetSInt32(read, CFSTR("other"), CFSTR("s32"), 1, kPMUnlocked),
              kPMItemIsLocked);

    // An item without a property-list form cannot be written; nothing is left behind.
    CFURLRef url = CFURLCreateWithString(nullptr, CFSTR("ipp://host/queue"), nullptr);
    ASSERT_EQ(PMTicketSetItem(read, CFSTR("b"), CFSTR("url"), url, kPMUnlocked), noErr);
    const std::string second = dir.path + "/second.plist";
    EXPECT_EQ(PMTicketWriteXMLToFile(read, second.c_str()), kPMInvalidValue);
    struct stat st;
    EXPECT_NE(stat(second.c_str(), &st), 0);

    for (CFTypeRef object :
         std::vector<CFTypeRef>{n8, n64, nf32, nf64, data, dict, array, date, url}) {
        CFRelease(object);
    }
    EXPECT_EQ(PMTicketRelease(read), noErr);
    EXPECT_EQ(PMTicketRelease(ticket), noErr);
}

TEST(PMTicketFileTest, DamagedOrHostileInputIsRefused) {
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
    const std::string tail = "</plist>\n";
    auto ticketWith = [&](const std::string& items) {
        return head + "<dict><key>PMTicketType</key><string>t</string>" +
               "<key>PMTicketItems</key><dict>" + items + "</dict></dict>" + tail;
    };
    auto item = [](const std::string& body) { return "<key>k</key><dict>" + body + "</dict>"; };
    const std::string locked = "<key>PMLocked</key><false/>";
    const std::vector<std::string> refused = {
        "",
        "not xml at all",
        head + "<dict><key>PMTicketType</key><string>t</string>",  // cut short
        head + "<array/>" + tail,
        head + "<dict><key>PMTicketItems</key><dict/></dict>" + tail,  // no type
        head + "<dict><key>PMTicketType</key><string></string><key>PMTicketItems</key><dict/>" +
            "</dict>" + tail,
        head + "<dict><key>PMTicketType</key><integer>1</integer><key>PMTicketItems</key>" +
            "<dict/></dict>" + tail,
        head + "<dict><key>PMTicketType</key><string>t</string><key>PMTicketItems</key>" +
            "<array/></dict>" + tail,
        ticketWith("<key>k</key><string>bare value</string>"),
        ticketWith(item("<key>PMValueType</key><string>string</string>" + locked)),
        ticketWith(item("<key>PMValue</key><string>x</string>" + locked)),
        ticketWith(item("<key>PMValue</key><string>x</string><key>PMValueType</key>"
                        "<string>data</string>" +
                        locked)),
        ticketWith(item("<key>PMValue</key><integer>300</integer><key>PMValueType</key>"
                        "<string>sint8</string>" +
                        locked)),
        ticketWith(item("<key>PMValue</key><real>1.5</real><key>PMValueType</key>"
                        "<string>sint32</string>" +
                        locked)),
        ticketWith(item("<key>PMValue</key><integer>1</integer><key>PMValueType</key>"
                        "<string>pointer</string>" +
                        locked)),
        ticketWith(item("<key>PMValue</key><integer>1</integer><key>PMValueType</key>"
                        "<string>sint32</string><key>PMLocked</key><string>no</string>")),
        ticketWith(item("<key>PMValue</key><integer>1</integer><key>PMValueType</key>"
                        "<string>sint32</string><key>PMClientID</key><integer>4</integer>" +
                        locked)),
        ticketWith("<key></key><dict><key>PMValue</key><integer>1</integer>"
                   "<key>PMValueType</key><string>sint32</string>" +
                   locked + "</dict>"),
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
    CFDataRef good = DataOf(ticketWith(item(
        "<key>PMValue</key><integer>-2</integer><key>PMValueType</key><string>sint16</string>" +
        locked)));
    PMTicketRef ticket = nullptr;
    ASSERT_EQ(PMXMLToTicket(good, &ticket), noErr);
    SInt32 value = 0;
    EXPECT_EQ(PMTicketGetSInt32(ticket, 0, 0, CFSTR("k"), &value), noErr);
    EXPECT_EQ(value, -2);
    EXPECT_EQ(PMTicketRelease(ticket), noErr);
    CFRelease(good);

    // Files that are no ticket files: missing, a folder, a device.
    TempDir dir;
    for (const std::string& path :
         {dir.path + "/missing.plist", dir.path, std::string("/dev/zero")}) {
        EXPECT_EQ(PMTicketReadXMLFromFile(&ticket, path.c_str()), kPMInvalidFile) << path;
        EXPECT_EQ(ticket, nullptr);
    }
}
