// Typed access to tickets: JobTicket over one ticket, and the session's print settings and
// printer information tickets with the printer information readers.
#include "printsys/JobTicket.h"

#include <climits>

#include "foundation/CString.h"
#include "foundation/ZEQAssert.h"

namespace {

// The ticket reference a session keeps as a 32-bit number (the ticket's handle).
PMTicketRef TicketFromNumber(long value) {
    return reinterpret_cast<PMTicketRef>(static_cast<uintptr_t>(static_cast<uint32_t>(value)));
}

// The value of session data that is a number within 32 bits; false for anything else.
bool SessionNumber(CFTypeRef data, long& value) {
    SInt32 number = 0;
    if (data == nullptr || CFGetTypeID(data) != CFNumberGetTypeID() ||
        !CFNumberGetValue(static_cast<CFNumberRef>(data), kCFNumberSInt32Type, &number)) {
        return false;
    }
    value = number;
    return true;
}

#define kPrinterInfoPrefix "com.apple.print.PrinterInfo."

}  // namespace

JobTicket::JobTicket(CFStringRef ticketType)
    : mSession(nullptr), mTicket(nullptr), mOwned(true), mLastError(0), mValid(false) {
    mLastError = PMTicketCreate(kCFAllocatorDefault, ticketType, &mTicket);
    mValid = mLastError == noErr;
}

JobTicket::JobTicket(OpaquePMPrintSession* session)
    : mSession(session), mTicket(nullptr), mOwned(false), mLastError(0), mValid(false) {
    if (session == nullptr) {
        return;
    }
    CFTypeRef data = nullptr;
    long number = 0;
    if (PMSessionGetDataFromSession(session, kPMPrintSettingsTicketKey, &data) == noErr &&
        SessionNumber(data, number)) {
        mTicket = TicketFromNumber(number);
    }
    mValid = true;
}

JobTicket::~JobTicket() {
    if (mOwned && mTicket != nullptr) {
        PMTicketReleaseAndClear(&mTicket);
    }
}

OSStatus JobTicket::Get(CFStringRef key, long& value) {
    CFTypeRef data = nullptr;
    mLastError = PMSessionGetDataFromSession(mSession, key, &data);
    // Nothing under the key is kNoSessionEntry already; data that is not a 32-bit number
    // holds no ticket reference and counts the same.
    if (mLastError == noErr && (!SessionNumber(data, value) || value == 0)) {
        mLastError = kNoSessionEntry;
    }
    return mLastError;
}

OSStatus JobTicket::Get(CFStringRef key, PMTicketRef& ticket) {
    long number = 0;
    // A failed look-up leaves no ticket, so that the readers answer "no ticket".
    ticket = Get(key, number) == noErr ? TicketFromNumber(number) : nullptr;
    return mLastError;
}

namespace {

// A typed read of the platform: no value and lastError 0 first; without a ticket -30891 with
// lastError left at 0; otherwise the platform's result, kept in lastError.
template <typename Ref>
OSStatus TypedGet(PMTicketRef ticket, int32_t& lastError, CFStringRef key, Ref& value,
                  OSStatus (*get)(PMTicketRef, UInt32, UInt32, CFStringRef, Ref*)) {
    lastError = noErr;
    value = nullptr;
    if (ticket == nullptr) {
        return JobTicket::kNoTicket;
    }
    lastError = get(ticket, kPMTopLevel, kPMTopLevel, key, &value);
    return lastError;
}

// A typed write of the platform: -30891 without a ticket, else the platform's result; either
// is kept in lastError.
template <typename Value>
OSStatus TypedSet(PMTicketRef ticket, int32_t& lastError, CFStringRef clientID, CFStringRef key,
                  Value value, unsigned char locked,
                  OSStatus (*set)(PMTicketRef, CFStringRef, CFStringRef, Value, Boolean)) {
    lastError = ticket != nullptr ? set(ticket, clientID, key, value, locked)
                                  : static_cast<OSStatus>(JobTicket::kNoTicket);
    return lastError;
}

}  // namespace

OSStatus JobTicket::Get(CFStringRef key, CFDataRef& value) {
    return TypedGet(mTicket, mLastError, key, value, PMTicketGetCFData);
}

OSStatus JobTicket::Get(CFStringRef key, CFStringRef& value) {
    return TypedGet(mTicket, mLastError, key, value, PMTicketGetCFString);
}

OSStatus JobTicket::Get(CFStringRef key, CFDictionaryRef& value) {
    return TypedGet(mTicket, mLastError, key, value, PMTicketGetCFDictionary);
}

OSStatus JobTicket::GetInt(CFStringRef key, long& value) {
    mLastError = noErr;
    value = 0;
    if (mTicket == nullptr) {
        return kNoTicket;
    }
    SInt32 number = 0;
    mLastError = PMTicketGetSInt32(mTicket, kPMTopLevel, kPMTopLevel, key, &number);
    if (mLastError == noErr) {
        value = number;
        DebugPrintf("CFGetRetainCount(data) = %d\n", static_cast<int>(number));
    }
    return mLastError;
}

OSStatus JobTicket::Set(CFStringRef clientID, CFStringRef key, CFArrayRef value,
                        unsigned char locked) {
    DebugPrintf("data refcount = %d\n", static_cast<int>(CFGetRetainCount(value)));
    return TypedSet(mTicket, mLastError, clientID, key, value, locked, PMTicketSetCFArray);
}

OSStatus JobTicket::Set(CFStringRef clientID, CFStringRef key, CFStringRef value,
                        unsigned char locked) {
    DebugPrintf("data refcount = %d\n", static_cast<int>(CFGetRetainCount(value)));
    return TypedSet(mTicket, mLastError, clientID, key, value, locked, PMTicketSetCFString);
}

OSStatus JobTicket::Set(CFStringRef clientID, CFStringRef key, CFDataRef value,
                        unsigned char locked) {
    CFIndex ticketCount = 0;
    PMTicketGetRetainCount(mTicket, &ticketCount);
    DebugPrintf("mTicket %x refcount = %d\n",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(mTicket)),
                static_cast<int>(ticketCount));
    DebugPrintf("data refcount = %d\n", static_cast<int>(CFGetRetainCount(value)));
    DebugPrintf("%d\n", static_cast<int>(locked));
    return TypedSet(mTicket, mLastError, clientID, key, value, locked, PMTicketSetCFData);
}

OSStatus JobTicket::Set(CFStringRef clientID, CFStringRef key, CFDictionaryRef value,
                        unsigned char locked) {
    DebugPrintf("%d\n", static_cast<int>(locked));
    return TypedSet(mTicket, mLastError, clientID, key, value, locked, PMTicketSetCFDictionary);
}

OSStatus JobTicket::Set(CFStringRef clientID, CFStringRef key, long value, unsigned char locked) {
    // The item is 32 bits wide: a value beyond that range is stored as the nearest limit
    // rather than cut to its low bits.
    const SInt32 stored = value > INT32_MAX   ? INT32_MAX
                          : value < INT32_MIN ? INT32_MIN
                                              : static_cast<SInt32>(value);
    DebugPrintf("%d\n", static_cast<int>(stored));
    DebugPrintf("%d\n", static_cast<int>(locked));
    return TypedSet(mTicket, mLastError, clientID, key, stored, locked, PMTicketSetSInt32);
}

OSStatus JobTicket::Release(CFStringRef key) {
    mLastError =
        mTicket != nullptr ? PMTicketReleaseItem(mTicket, key) : static_cast<OSStatus>(kNoTicket);
    return mLastError;
}

PrintSettingsTicket::PrintSettingsTicket(OpaquePMPrintSession* session) : JobTicket(session) {
    mValid = false;
    mLastError = Get(kPMPrintSettingsTicketKey, mTicket);
    mValid = mLastError == noErr && mTicket != nullptr;
}

PrintSettingsTicket::~PrintSettingsTicket() = default;

PrinterInfoTicket::PrinterInfoTicket(OpaquePMPrintSession* session)
    : JobTicket(session), mInfoError(0) {
    mValid = false;
    mInfoError = Get(kPMPrinterInfoTicketKey, mTicket);
    mValid = mInfoError == noErr && mTicket != nullptr;
}

PrinterInfoTicket::~PrinterInfoTicket() = default;

namespace {

// Reads one printer information item into `item`; returns the result for infoError. An item
// of another type than the reader hands out counts as a failed read (kPMInvalidValue).
OSStatus ReadInfo(PMTicketRef ticket, CFStringRef key, CFTypeID type, CFTypeRef& item) {
    item = nullptr;
    OSStatus status = PMTicketGetItem(ticket, kPMTopLevel, kPMTopLevel, key, &item);
    if (status == noErr && type != 0 && CFGetTypeID(item) != type) {
        item = nullptr;
        status = kPMInvalidValue;
    }
    return status;
}

// True only for the Boolean true.
bool IsTrue(CFTypeRef item) {
    return item != nullptr && CFGetTypeID(item) == CFBooleanGetTypeID() &&
           CFBooleanGetValue(static_cast<CFBooleanRef>(item));
}

// A number item as a signed 32-bit value; 0 when missing.
int32_t NumberValue(CFTypeRef item) {
    SInt32 value = 0;
    if (item != nullptr) {
        CFNumberGetValue(static_cast<CFNumberRef>(item), kCFNumberSInt32Type, &value);
    }
    return value;
}

// The item under kPrinterInfoPrefix + suffix, for the readers: null without a ticket;
// otherwise the read's result goes to infoError and a failed read gives null.
CFTypeRef InfoItem(PMTicketRef ticket, int32_t& infoError, CFStringRef key, CFTypeID type = 0) {
    CFTypeRef item = nullptr;
    if (ticket != nullptr) {
        infoError = ReadInfo(ticket, key, type, item);
    }
    return item;
}

#define kInfoKey(suffix) CFSTR(kPrinterInfoPrefix suffix)

}  // namespace

CFStringRef PrinterInfoTicket::GetFullPrinterTypeName() {
    return static_cast<CFStringRef>(
        InfoItem(mTicket, mInfoError, kInfoKey("PMPrinterLongName"), CFStringGetTypeID()));
}

CFStringRef PrinterInfoTicket::GetPrinterMakeAndModel() {
    return static_cast<CFStringRef>(
        InfoItem(mTicket, mInfoError, kInfoKey("PMMakeAndModelName"), CFStringGetTypeID()));
}

CFTypeRef PrinterInfoTicket::GetPrinterAddress() {
    return InfoItem(mTicket, mInfoError, kInfoKey("PMPrinterAddress"));
}

bool PrinterInfoTicket::SupportColor() {
    return IsTrue(InfoItem(mTicket, mInfoError, kInfoKey("PMSupportsColor")));
}

bool PrinterInfoTicket::SupportCopies() {
    return IsTrue(InfoItem(mTicket, mInfoError, kInfoKey("PMDoesCopies")));
}

bool PrinterInfoTicket::SupportCopiesAndCollate() {
    return IsTrue(InfoItem(mTicket, mInfoError, kInfoKey("PMDoesCopyCollate")));
}

bool PrinterInfoTicket::SupportReversePrintingOrder() {
    return IsTrue(InfoItem(mTicket, mInfoError, kInfoKey("PMDoesReverseOrder")));
}

CFTypeRef PrinterInfoTicket::InputFileList() {
    return InfoItem(mTicket, mInfoError, kInfoKey("PMInputFileTypeList"));
}

CFTypeRef PrinterInfoTicket::OutputTypeList() {
    return InfoItem(mTicket, mInfoError, kInfoKey("PMOutputTypeList"));
}

int32_t PrinterInfoTicket::TrueTypeFontRasterizer() {
    return NumberValue(
        InfoItem(mTicket, mInfoError, kInfoKey("PMPSTTRasterizer"), CFNumberGetTypeID()));
}

int32_t PrinterInfoTicket::MemoryInstalled() {
    return NumberValue(
        InfoItem(mTicket, mInfoError, kInfoKey("PMTotalMemInstalled"), CFNumberGetTypeID()));
}

CFTypeRef PrinterInfoTicket::PPDFile() {
    return InfoItem(mTicket, mInfoError, kInfoKey("PMDescriptionFile"));
}

CFTypeRef PrinterInfoTicket::GetColorDeviceUUID() {
    return InfoItem(mTicket, mInfoError, kInfoKey("PMColorDeviceID"));
}

void PrinterInfoTicket::PostscriptVersion(CFNumberRef* level, CFStringRef* version,
                                          CFNumberRef* revision) {
    if (level != nullptr) {
        *level = static_cast<CFNumberRef>(
            InfoItem(mTicket, mInfoError, kInfoKey("PMPostScriptLevel"), CFNumberGetTypeID()));
    }
    if (version != nullptr) {
        *version = static_cast<CFStringRef>(
            InfoItem(mTicket, mInfoError, kInfoKey("PMPSVersion"), CFStringGetTypeID()));
    }
    if (revision != nullptr) {
        *revision = static_cast<CFNumberRef>(
            InfoItem(mTicket, mInfoError, kInfoKey("PMPSRevision"), CFNumberGetTypeID()));
    }
}

namespace {

// Assigns a string item to `text`; false, leaving `text` alone, when there is none.
bool AssignIfPresent(CFTypeRef item, CString& text) {
    if (item == nullptr || CFGetTypeID(item) != CFStringGetTypeID()) {
        return false;
    }
    text = static_cast<CFStringRef>(item);
    return true;
}

// The same after setting `text` to "".
bool AssignOrEmpty(CFTypeRef item, CString& text) {
    text = "";
    return AssignIfPresent(item, text);
}

// A number converted to signed 32 bits into `out`; -1 and false when it does not convert.
bool Convert(CFNumberRef number, long* out) {
    SInt32 value = 0;
    const bool converted = CFNumberGetValue(number, kCFNumberSInt32Type, &value);
    *out = converted ? value : -1;
    return converted;
}

}  // namespace

bool PrinterInfoTicket::GetFullPrinterTypeName(CString& name) {
    return AssignIfPresent(GetFullPrinterTypeName(), name);
}

bool PrinterInfoTicket::GetPrinterMakeAndModel(CString& name) {
    return AssignIfPresent(GetPrinterMakeAndModel(), name);
}

bool PrinterInfoTicket::GetColorDeviceUUID(CString& uuid) {
    return AssignOrEmpty(GetColorDeviceUUID(), uuid);
}

bool PrinterInfoTicket::PPDFile(CString& path) {
    return AssignOrEmpty(PPDFile(), path);
}

bool PrinterInfoTicket::PostscriptVersion(long* level, CString* version, long* revision) {
    CFNumberRef levelNumber = nullptr;
    CFStringRef versionString = nullptr;
    CFNumberRef revisionNumber = nullptr;
    PostscriptVersion(level != nullptr ? &levelNumber : nullptr,
                      version != nullptr ? &versionString : nullptr,
                      revision != nullptr ? &revisionNumber : nullptr);
    bool set = false;
    if (levelNumber != nullptr) {
        set = Convert(levelNumber, level) || set;
    }
    if (versionString != nullptr) {
        set = AssignIfPresent(versionString, *version) || set;
    }
    if (revisionNumber != nullptr) {
        set = Convert(revisionNumber, revision) || set;
    }
    return set;
}
