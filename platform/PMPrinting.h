// Printing Manager stand-in: print sessions with named session data and a current printer,
// printers (name, device URI, description file) and tickets (keyed stores of Core Foundation values).
#pragma once

#include "platform/CoreFoundation.h"

// A ticket reference is never an address: it is a 32-bit handle into a process-wide table
// of live tickets, carried in pointer form. A session keeps it as a 32-bit CFNumber, and a
// number read back finds its ticket again, while a stale or forged number finds nothing
// (kPMInvalidTicket) instead of a wild pointer.
typedef struct OpaquePMTicketRef* PMTicketRef;
typedef struct OpaquePMPrintSession* PMPrintSession;
typedef struct OpaquePMPrinter* PMPrinter;
typedef const void* PMObject;

// Result codes of the Printing Manager.
enum : OSStatus {
    kPMNoSuchEntry = -30875,          // session data: nothing under that name
    kPMInvalidPrintSession = -30879,  // null or released session
    kPMInvalidPrinter = -30880,       // null printer, or a session without a current printer
    kPMInvalidKey = -30888,           // null or empty key
    kPMInvalidSessionData = -30889,   // session data that is not a 32-bit number
    kPMInvalidTicket = -30891,        // null, stale or forged ticket reference
    kPMItemIsLocked = -30894,         // a locked item may be replaced only by its own client
    kPMKeyNotFound = -30895,          // the ticket holds nothing under that key
    kPMInvalidValue = -30897,         // null value, or an item of another type than asked for
    kPMInvalidFile = -30898,          // a ticket file that cannot be read or is not a ticket
};

// Only a ticket's top level is kept; the node indexes of the get calls must be kPMTopLevel
// (paramErr otherwise).
enum : UInt32 { kPMTopLevel = 0 };
enum : Boolean { kPMUnlocked = 0, kPMLocked = 1 };

// Ticket types and the standard session-data names.
#define kPMPrintSettingsTicket CFSTR("com.apple.print.PrintSettingsTicket")
#define kPMPageFormatTicket CFSTR("com.apple.print.PageFormatTicket")
#define kPMPrinterInfoTicket CFSTR("com.apple.print.PrinterInfoTicket")
#define kPMPrintSettingsTicketKey CFSTR("PMPrintSettingsTicket")
#define kPMPageFormatTicketKey CFSTR("PMPageFormatTicket")
#define kPMPrinterInfoTicketKey CFSTR("PMPrinterInfoTicket")
#define kPMPPDDescriptionType CFSTR("PMPPDDescriptionType")

// ---- Sessions ----
// A new session without printer or data; released with PMRelease.
OSStatus PMCreateSession(PMPrintSession* session);
// Session data: a Core Foundation object under a name. The get does not retain (the value
// belongs to the session); the set retains the new value and releases the one it replaces
// (a null value removes the entry).
OSStatus PMSessionGetDataFromSession(PMPrintSession session, CFStringRef key, CFTypeRef* data);
OSStatus PMSessionSetDataInSession(PMPrintSession session, CFStringRef key, CFTypeRef data);
// The current printer (belongs to the session); kPMInvalidPrinter when there is none.
OSStatus PMSessionGetCurrentPrinter(PMPrintSession session, PMPrinter* printer);
// Makes `printer` current (retained by the session; the previous one is released).
OSStatus PMSessionSetCurrentPMPrinter(PMPrintSession session, PMPrinter printer);

// ---- Printers ----
// Host side: a printer with a name, a device URI ("usb://...", may be null) and the URL of
// its PPD (may be null); the arguments are retained. Released with PMRelease.
PMPrinter PMPrinterCreate(CFStringRef name, CFURLRef deviceURI, CFURLRef ppdURL);
// The name (belongs to the printer; null for a null printer).
CFStringRef PMPrinterGetName(PMPrinter printer);
// The device URI (belongs to the printer); kPMInvalidPrinter for a null printer,
// kPMKeyNotFound when it has none.
OSStatus PMPrinterGetDeviceURI(PMPrinter printer, CFURLRef* deviceURI);
// The description file of that type (only kPMPPDDescriptionType is known); the URL belongs
// to the printer. kPMKeyNotFound when the printer has none, kPMInvalidKey for another type.
OSStatus PMPrinterGetDescriptionURL(PMPrinter printer, CFStringRef descriptionType,
                                    CFURLRef* fileURL);

// Sessions and printers are reference counted objects.
OSStatus PMRetain(PMObject object);
OSStatus PMRelease(PMObject object);

// ---- Tickets ----
// A new, empty ticket of that type, with one reference.
OSStatus PMTicketCreate(CFAllocatorRef allocator, CFStringRef ticketType, PMTicketRef* newTicket);
OSStatus PMTicketRetain(PMTicketRef ticket);
OSStatus PMTicketRelease(PMTicketRef ticket);
// Releases the ticket and sets *ticket to null.
OSStatus PMTicketReleaseAndClear(PMTicketRef* ticket);
OSStatus PMTicketGetRetainCount(PMTicketRef ticket, CFIndex* retainCount);
OSStatus PMTicketGetType(PMTicketRef ticket, CFStringRef* ticketType);

// Typed reads of a top-level item; the value belongs to the ticket. An item of another type
// gives kPMInvalidValue, a missing one kPMKeyNotFound.
OSStatus PMTicketGetItem(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2, CFStringRef key,
                         CFTypeRef* item);
OSStatus PMTicketGetCFData(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2, CFStringRef key,
                           CFDataRef* data);
OSStatus PMTicketGetCFString(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                             CFStringRef key, CFStringRef* string);
OSStatus PMTicketGetCFDictionary(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                                 CFStringRef key, CFDictionaryRef* dict);
OSStatus PMTicketGetCFArray(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                            CFStringRef key, CFArrayRef* array);
OSStatus PMTicketGetSInt32(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2, CFStringRef key,
                           SInt32* value);
OSStatus PMTicketGetBoolean(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                            CFStringRef key, Boolean* value);

// Writes store the value (retained, or a number made of it) with the writing client's
// identifier and the lock flag; an item locked by another client is not replaced.
OSStatus PMTicketSetItem(PMTicketRef ticket, CFStringRef clientID, CFStringRef key, CFTypeRef item,
                         Boolean locked);
OSStatus PMTicketSetCFArray(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                            CFArrayRef value, Boolean locked);
OSStatus PMTicketSetCFString(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                             CFStringRef value, Boolean locked);
OSStatus PMTicketSetCFData(PMTicketRef ticket, CFStringRef clientID, CFStringRef key, CFDataRef value,
                           Boolean locked);
OSStatus PMTicketSetCFDictionary(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                                 CFDictionaryRef value, Boolean locked);
OSStatus PMTicketSetSInt32(PMTicketRef ticket, CFStringRef clientID, CFStringRef key, SInt32 value,
                           Boolean locked);
OSStatus PMTicketSetBoolean(PMTicketRef ticket, CFStringRef clientID, CFStringRef key, Boolean value,
                            Boolean locked);
// Removes the item; kPMKeyNotFound when there is none, kPMItemIsLocked for a locked item (the
// call names no client, so it cannot be the lock's owner).
OSStatus PMTicketReleaseItem(PMTicketRef ticket, CFStringRef key);
// The keys of the top level, in no particular order (a new array the caller releases).
OSStatus PMTicketCopyKeys(PMTicketRef ticket, CFArrayRef* keys);
// The client identifier and lock flag an item was written with.
OSStatus PMTicketGetItemAttributes(PMTicketRef ticket, CFStringRef key, CFStringRef* clientID,
                                   Boolean* locked);

// Persistence: the ticket as an XML property list (a dictionary of its type and items, each
// with its value, client identifier and lock flag), in memory or in a file. Reading checks
// everything and answers damaged or hostile input with kPMInvalidFile, never a crash.
OSStatus PMTicketToXML(PMTicketRef ticket, CFDataRef* xmlData);
OSStatus PMXMLToTicket(CFDataRef xmlData, PMTicketRef* ticket);
// The file is replaced whole (a private file renamed into place), with 0666 less the umask.
OSStatus PMTicketWriteXMLToFile(PMTicketRef ticket, const char* path);
OSStatus PMTicketReadXMLFromFile(PMTicketRef* ticket, const char* path);
