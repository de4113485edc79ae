// Fuzz target: a ticket file through the ticket reader; a ticket it accepts is written back and
// must read again.
#include <cstdint>

#include "platform/CFData.h"
#include "platform/PMPrinting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFDataRef bytes = CFDataCreate(nullptr, data, static_cast<CFIndex>(size));
    if (!bytes)
        return 0;
    PMTicketRef ticket = nullptr;
    if (PMXMLToTicket(bytes, &ticket) == noErr) {
        CFDataRef xml = nullptr;
        if (PMTicketToXML(ticket, &xml) == noErr) {
            PMTicketRef again = nullptr;
            if (PMXMLToTicket(xml, &again) != noErr)
                __builtin_trap();  // what the writer wrote, the reader must read
            PMTicketRelease(again);
            CFRelease(xml);
        }
        PMTicketRelease(ticket);
    }
    CFRelease(bytes);
    return 0;
}
