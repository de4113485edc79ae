// Test helper: a print session whose data holds a print settings ticket and a printer
// information ticket as the session keeps them (32-bit numbers under their standard names).
#pragma once

#include <gtest/gtest.h>

#include "platform/CoreFoundation.h"
#include "platform/PMPrinting.h"

struct TicketSession {
    TicketSession() {
        EXPECT_EQ(PMCreateSession(&session), noErr);
        EXPECT_EQ(PMTicketCreate(nullptr, kPMPrintSettingsTicket, &settings), noErr);
        EXPECT_EQ(PMTicketCreate(nullptr, kPMPrinterInfoTicket, &info), noErr);
        Keep(kPMPrintSettingsTicketKey, settings);
        Keep(kPMPrinterInfoTicketKey, info);
    }
    ~TicketSession() {
        PMTicketRelease(settings);
        PMTicketRelease(info);
        PMRelease(session);
    }
    TicketSession(const TicketSession&) = delete;
    TicketSession& operator=(const TicketSession&) = delete;

    // Puts a ticket reference into the session data under `key`, as a 32-bit number.
    void Keep(CFStringRef key, PMTicketRef ticket) {
        SInt32 number = static_cast<SInt32>(reinterpret_cast<uintptr_t>(ticket));
        CFNumberRef value = CFNumberCreate(nullptr, kCFNumberSInt32Type, &number);
        EXPECT_EQ(PMSessionSetDataInSession(session, key, value), noErr);
        CFRelease(value);
    }

    PMPrintSession session = nullptr;
    PMTicketRef settings = nullptr;
    PMTicketRef info = nullptr;
};
