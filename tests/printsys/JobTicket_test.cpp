// Tests of ticket access: the session's tickets, typed reads and writes, missing, zero and
// stale ticket numbers, and the printer information readers (non-ASCII text included).
#include "printsys/JobTicket.h"

#include <gtest/gtest.h>

#include <climits>

#include "foundation/CString.h"
#include "tests/printsys/TicketSession.h"

namespace {

CFStringRef Utf8(const char* text) {
    return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

#define kInfo(suffix) CFSTR("com.apple.print.PrinterInfo." suffix)

}  // namespace

TEST(JobTicketTest, TypedReadsAndWritesOnTheSessionsPrintSettings) {
    TicketSession s;
    PrintSettingsTicket ticket(s.session);
    ASSERT_TRUE(ticket.IsValid());
    EXPECT_EQ(ticket.GetTicket(), s.settings);

    const UInt8 bytes[] = {1, 2, 3};
    CFDataRef data = CFDataCreate(nullptr, bytes, sizeof bytes);
    EXPECT_EQ(ticket.Set(CFSTR("app"), CFSTR("data"), data, 0), noErr);
    EXPECT_EQ(ticket.Set(CFSTR("app"), CFSTR("text"), CFSTR("hello"), 0), noErr);
    // A long beyond 32 bits is stored as the nearest 32-bit value, not its low bits.
    EXPECT_EQ(ticket.Set(CFSTR("app"), CFSTR("huge"), LONG_MAX, 0), noErr);
    CFDataRef readData = nullptr;
    long number = 0;
    EXPECT_EQ(ticket.Get(CFSTR("data"), readData), noErr);
    EXPECT_TRUE(CFEqual(readData, data));
    EXPECT_EQ(ticket.GetInt(CFSTR("huge"), number), noErr);
    EXPECT_EQ(number, INT32_MAX);
    CFStringRef client = nullptr;
    Boolean locked = true;
    EXPECT_EQ(PMTicketGetItemAttributes(s.settings, CFSTR("text"), &client, &locked), noErr);
    EXPECT_TRUE(CFEqual(client, CFSTR("app")));
    EXPECT_FALSE(locked);

    // Platform results come through and stay in lastError.
    EXPECT_EQ(ticket.Get(CFSTR("text"), readData), kPMInvalidValue);
    EXPECT_EQ(readData, nullptr);
    EXPECT_EQ(ticket.GetLastError(), kPMInvalidValue);
    EXPECT_EQ(ticket.Release(CFSTR("text")), noErr);
    EXPECT_EQ(ticket.Release(CFSTR("text")), kPMKeyNotFound);

    // Get(key, long&) reads session data, not ticket data: the ticket numbers.
    EXPECT_EQ(ticket.Get(kPMPrinterInfoTicketKey, number), noErr);
    EXPECT_EQ(number, static_cast<long>(reinterpret_cast<uintptr_t>(s.info)));
    EXPECT_EQ(ticket.Get(CFSTR("text"), number), JobTicket::kNoSessionEntry);
    CFRelease(data);
}

TEST(JobTicketTest, MissingZeroStaleAndForgedTicketNumbers) {
    PMPrintSession session = nullptr;
    ASSERT_EQ(PMCreateSession(&session), noErr);
    {
        // No data under "PMPrintSettingsTicket".
        PrintSettingsTicket none(session);
        EXPECT_FALSE(none.IsValid());
        EXPECT_EQ(none.GetLastError(), JobTicket::kNoSessionEntry);
        EXPECT_EQ(none.GetTicket(), nullptr);
        // Without a ticket typed reads answer -30891 and leave lastError alone; writes keep it.
        CFDataRef data = reinterpret_cast<CFDataRef>(1);
        EXPECT_EQ(none.Get(CFSTR("k"), data), JobTicket::kNoTicket);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(none.GetLastError(), noErr);
        EXPECT_EQ(none.Set(CFSTR("app"), CFSTR("k"), CFSTR("v"), 0), JobTicket::kNoTicket);
        EXPECT_EQ(none.GetLastError(), JobTicket::kNoTicket);
        EXPECT_EQ(none.Release(CFSTR("k")), JobTicket::kNoTicket);
    }
    // The number 0, and data that is not a number, count as missing.
    for (CFTypeRef data : {static_cast<CFTypeRef>(nullptr), static_cast<CFTypeRef>(CFSTR("7"))}) {
        SInt32 zero = 0;
        CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &zero);
        ASSERT_EQ(PMSessionSetDataInSession(session, kPMPrintSettingsTicketKey,
                                            data != nullptr ? data : number),
                  noErr);
        CFRelease(number);
        PrintSettingsTicket missing(session);
        EXPECT_FALSE(missing.IsValid());
        EXPECT_EQ(missing.GetLastError(), JobTicket::kNoSessionEntry);
    }

    // A released ticket's number, or a made-up one, names no ticket: every call on it is
    // answered with the platform's "no ticket", never a wild pointer.
    PMTicketRef gone = nullptr;
    ASSERT_EQ(PMTicketCreate(nullptr, kPMPrintSettingsTicket, &gone), noErr);
    const SInt32 goneNumber = static_cast<SInt32>(reinterpret_cast<uintptr_t>(gone));
    ASSERT_EQ(PMTicketRelease(gone), noErr);
    for (SInt32 stale : {goneNumber, SInt32{0x12345678}, SInt32{-1}}) {
        SCOPED_TRACE(stale);
        CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &stale);
        ASSERT_EQ(PMSessionSetDataInSession(session, kPMPrintSettingsTicketKey, number), noErr);
        CFRelease(number);
        PrintSettingsTicket ticket(session);
        CFStringRef text = nullptr;
        EXPECT_EQ(ticket.Get(CFSTR("k"), text), kPMInvalidTicket);
        EXPECT_EQ(text, nullptr);
        EXPECT_EQ(ticket.Set(CFSTR("app"), CFSTR("k"), CFSTR("v"), 0), kPMInvalidTicket);
    }
    EXPECT_EQ(PMRelease(session), noErr);
}

TEST(JobTicketTest, OnlyATicketMadeHereIsReleasedHere) {
    PMTicketRef made = nullptr;
    {
        JobTicket own(kPMPageFormatTicket);
        ASSERT_TRUE(own.IsValid());
        made = own.GetTicket();
    }
    EXPECT_EQ(PMTicketRetain(made), kPMInvalidTicket);

    TicketSession s;
    { PrintSettingsTicket borrowed(s.session); }
    CFIndex count = 0;
    EXPECT_EQ(PMTicketGetRetainCount(s.settings, &count), noErr);
    EXPECT_EQ(count, 1);
}

TEST(PrinterInfoTicketTest, ReadersAndTheirFailures) {
    TicketSession s;
    const CFStringRef app = CFSTR("app");
    SInt32 one = 1;
    SInt32 memory = 64;
    CFNumberRef numberOne = CFNumberCreate(nullptr, kCFNumberSInt32Type, &one);
    CFNumberRef memoryNumber = CFNumberCreate(nullptr, kCFNumberSInt32Type, &memory);
    PMTicketSetCFString(s.info, app, kInfo("PMPrinterLongName"), CFSTR("Vorel 4300"), 0);
    PMTicketSetBoolean(s.info, app, kInfo("PMDoesCopies"), true, 0);
    PMTicketSetItem(s.info, app, kInfo("PMSupportsColor"), numberOne, 0);  // 1 is not true
    PMTicketSetItem(s.info, app, kInfo("PMTotalMemInstalled"), memoryNumber, 0);
    PMTicketSetCFString(s.info, app, kInfo("PMPSTTRasterizer"), CFSTR("42"), 0);  // not a number
    PMTicketSetCFString(s.info, app, kInfo("PMPSVersion"), CFSTR("3011.104"), 0);
    PMTicketSetItem(s.info, app, kInfo("PMPSRevision"), numberOne, 0);
    double fraction = 3.5;
    CFNumberRef levelNumber = CFNumberCreate(nullptr, kCFNumberFloat64Type, &fraction);
    PMTicketSetItem(s.info, app, kInfo("PMPostScriptLevel"), levelNumber, 0);
    // An item that belongs in the printer information, left in the print settings.
    PMTicketSetCFString(s.settings, app, kInfo("PMMakeAndModelName"), CFSTR("wrong ticket"), 0);

    PrinterInfoTicket info(s.session);
    ASSERT_TRUE(info.IsValid());
    EXPECT_EQ(info.GetTicket(), s.info);
    EXPECT_TRUE(CFEqual(info.GetFullPrinterTypeName(), CFSTR("Vorel 4300")));
    EXPECT_EQ(info.GetInfoError(), noErr);
    EXPECT_TRUE(info.SupportCopies());
    EXPECT_FALSE(info.SupportColor());
    EXPECT_EQ(info.GetInfoError(), noErr);  // read fine, just not the Boolean true
    EXPECT_FALSE(info.SupportReversePrintingOrder());
    EXPECT_EQ(info.GetInfoError(), kPMKeyNotFound);
    EXPECT_EQ(info.MemoryInstalled(), 64);
    EXPECT_EQ(info.TrueTypeFontRasterizer(), 0);
    EXPECT_EQ(info.GetPrinterMakeAndModel(), nullptr);  // only its own ticket is read
    EXPECT_EQ(info.GetLastError(), noErr);              // readers leave lastError alone

    // Readers into a CString: some leave the string alone on failure, some empty it.
    CString model("kept");
    EXPECT_FALSE(info.GetPrinterMakeAndModel(model));
    EXPECT_STREQ(model, "kept");
    CString path("old");
    EXPECT_FALSE(info.PPDFile(path));
    EXPECT_STREQ(path, "");

    // PostScript version: only what is asked for is filled; a level that does not convert to
    // a whole 32-bit number reads -1 and counts as not converted.
    long level = 99;
    long revision = 99;
    CString version("old");
    EXPECT_FALSE(info.PostscriptVersion(&level, nullptr, nullptr));
    EXPECT_EQ(level, -1);
    EXPECT_TRUE(info.PostscriptVersion(nullptr, nullptr, &revision));
    EXPECT_EQ(revision, 1);
    level = 99;
    EXPECT_TRUE(info.PostscriptVersion(&level, &version, nullptr));
    EXPECT_STREQ(version, "3011.104");
    CFStringRef versionRef = CFSTR("x");
    PMTicketReleaseItem(s.info, kInfo("PMPSVersion"));
    info.PostscriptVersion(nullptr, &versionRef, nullptr);
    EXPECT_EQ(versionRef, nullptr);

    // Without printer information in the session every reader answers 0, null or false, and
    // does not fall back on the print settings ticket.
    PMSessionSetDataInSession(s.session, kPMPrinterInfoTicketKey, nullptr);
    PrinterInfoTicket none(s.session);
    EXPECT_FALSE(none.IsValid());
    EXPECT_EQ(none.GetInfoError(), JobTicket::kNoSessionEntry);
    EXPECT_EQ(none.GetTicket(), nullptr);
    EXPECT_EQ(none.GetPrinterMakeAndModel(), nullptr);
    EXPECT_EQ(none.MemoryInstalled(), 0);
    EXPECT_FALSE(none.SupportCopies());
    EXPECT_FALSE(none.PostscriptVersion(&level, &version, &revision));

    CFRelease(numberOne);
    CFRelease(memoryNumber);
    CFRelease(levelNumber);
}

TEST(PrinterInfoTicketTest, NonAsciiNamesAndPathsComeThroughUnchanged) {
    const char* const names[] = {"Imprimante couleur é", "カラーレーザープリンター", "Büro € 日本"};
    for (const char* text : names) {
        SCOPED_TRACE(text);
        TicketSession s;
        CFStringRef name = Utf8(text);
        const std::string ppd = std::string("/Library/Printers/PPDs/") + text + ".ppd";
        CFStringRef path = Utf8(ppd.c_str());
        PMTicketSetCFString(s.info, CFSTR("app"), kInfo("PMPrinterLongName"), name, 0);
        PMTicketSetCFString(s.info, CFSTR("app"), kInfo("PMMakeAndModelName"), name, 0);
        PMTicketSetCFString(s.info, CFSTR("app"), kInfo("PMDescriptionFile"), path, 0);
        PrinterInfoTicket info(s.session);
        CString full;
        CString model;
        CString file;
        EXPECT_TRUE(info.GetFullPrinterTypeName(full));
        EXPECT_TRUE(info.GetPrinterMakeAndModel(model));
        EXPECT_TRUE(info.PPDFile(file));
        EXPECT_STREQ(full, text);
        EXPECT_STREQ(model, text);
        EXPECT_STREQ(file, ppd.c_str());
        EXPECT_EQ(file.Size(), ppd.size());
        CFRelease(name);
        CFRelease(path);
    }
}
