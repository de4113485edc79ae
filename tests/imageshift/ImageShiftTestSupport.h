// Helpers of the Image Shift tests: parsed test PPDs, a print session with a print settings
// ticket, the entries of a vendor job ticket, and CFString texts as UTF-8.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/CoreFoundation.h"
#include "platform/PMPrinting.h"
#include "printsys/ZEQJobTicket.h"

class ZEQPPD;

namespace istest {

inline std::string DataPath(const std::string& name) {
    return std::string(ZEQ_TEST_DATA) + "/" + name;
}

inline std::string Utf8(CFStringRef s) {
    if (s == nullptr)
        return "<null>";
    std::string text(static_cast<size_t>(CFStringGetLength(s)) * 4 + 1, '\0');
    if (!CFStringGetCString(s, text.data(), static_cast<CFIndex>(text.size()),
                            kCFStringEncodingUTF8))
        return "<bad>";
    text.resize(std::strlen(text.c_str()));
    return text;
}

// A new CFString of UTF-8 text, released with the holder.
struct Str {
    explicit Str(const std::string& text)
        : ref(CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8)) {}
    ~Str() {
        if (ref != nullptr)
            CFRelease(ref);
    }
    Str(const Str&) = delete;
    Str& operator=(const Str&) = delete;
    operator CFStringRef() const { return ref; }
    CFStringRef ref;
};

// A parsed PPD (ImageShiftTestSupport.cpp, apart from the controls' headers).
struct PPDDeleter {
    void operator()(ZEQPPD* ppd) const;
};
using PPDPtr = std::unique_ptr<ZEQPPD, PPDDeleter>;
PPDPtr ParsePPD(const std::string& path);

// A print session whose print settings and page format tickets are fresh.
class TestSession {
public:
    TestSession() {
        PMCreateSession(&mSession);
        PMTicketCreate(nullptr, kPMPrintSettingsTicket, &mPrintSettings);
        PMTicketCreate(nullptr, kPMPageFormatTicket, &mPageFormat);
        Attach(kPMPrintSettingsTicketKey, mPrintSettings);
        Attach(kPMPageFormatTicketKey, mPageFormat);
    }
    ~TestSession() {
        PMRelease(mSession);
        PMTicketReleaseAndClear(&mPrintSettings);
        PMTicketReleaseAndClear(&mPageFormat);
    }
    TestSession(const TestSession&) = delete;
    TestSession& operator=(const TestSession&) = delete;

    PMPrintSession Session() const { return mSession; }
    PMTicketRef PrintSettings() const { return mPrintSettings; }
    PMTicketRef PageFormat() const { return mPageFormat; }

private:
    // Session data keeps a ticket as the 32-bit number of its handle.
    void Attach(CFStringRef key, PMTicketRef ticket) {
        const SInt32 handle = static_cast<SInt32>(reinterpret_cast<intptr_t>(ticket));
        CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &handle);
        PMSessionSetDataInSession(mSession, key, number);
        CFRelease(number);
    }

    PMPrintSession mSession = nullptr;
    PMTicketRef mPrintSettings = nullptr;
    PMTicketRef mPageFormat = nullptr;
};

// The fragments of a job ticket in order: (site, bytes).
inline std::vector<std::pair<int, std::string>> Entries(const ZEQJobTicket& ticket) {
    std::vector<std::pair<int, std::string>> entries;
    CFArrayRef array = ticket.GetInjections();
    if (array == nullptr)
        return entries;
    for (CFIndex i = 0; i + 1 < CFArrayGetCount(array); i += 2) {
        SInt32 site = 0;
        CFNumberGetValue(static_cast<CFNumberRef>(CFArrayGetValueAtIndex(array, i)),
                         kCFNumberSInt32Type, &site);
        CFDataRef data = static_cast<CFDataRef>(CFArrayGetValueAtIndex(array, i + 1));
        entries.emplace_back(site,
                             std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                                         static_cast<size_t>(CFDataGetLength(data))));
    }
    return entries;
}

}  // namespace istest
