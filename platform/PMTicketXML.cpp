// Ticket files: a ticket as an XML property list and back, in memory or in a file. Reading
// takes the text as hostile: anything that is not exactly a ticket is kPMInvalidFile.
//
// The property list is a dictionary:
//   "PMTicketType"  the ticket's type (string)
//   "PMTicketItems" a dictionary of the items by key, each a dictionary of
//       "PMValue"      the value
//       "PMValueType"  what it is: "string", "data", "array", "dictionary", "boolean", "date",
//                      or the number's kind "sint8", "sint16", "sint32", "sint64", "float32",
//                      "float64" (the XML form alone would turn every integer into 64 bits)
//       "PMClientID"   the writing client's identifier (absent when it wrote without one)
//       "PMLocked"     the lock flag (Boolean)
#include <sys/stat.h>

#include <cstring>
#include <new>

#include "platform/CFInternal.h"
#include "platform/CFURL.h"
#include "platform/PMTicketStore.h"

using namespace pminternal;

namespace {

#define kTypeKey CFSTR("PMTicketType")
#define kItemsKey CFSTR("PMTicketItems")
#define kValueKey CFSTR("PMValue")
#define kValueTypeKey CFSTR("PMValueType")
#define kClientKey CFSTR("PMClientID")
#define kLockedKey CFSTR("PMLocked")

// A ticket file larger than this is not read (a print settings ticket with a large PPD's cache
// stays far below it).
constexpr off_t kMaxTicketFileBytes = 256L * 1024 * 1024;

struct NumberKind {
    const char* name;
    CFNumberType type;
};
const NumberKind kNumberKinds[] = {
    {"sint8", kCFNumberSInt8Type},     {"sint16", kCFNumberSInt16Type},
    {"sint32", kCFNumberSInt32Type},   {"sint64", kCFNumberSInt64Type},
    {"float32", kCFNumberFloat32Type}, {"float64", kCFNumberFloat64Type},
};

struct ObjectKind {
    const char* name;
    CFTypeID type;
};
const ObjectKind kObjectKinds[] = {
    {"string", kCFTypeIDString},         {"data", kCFTypeIDData},       {"array", kCFTypeIDArray},
    {"dictionary", kCFTypeIDDictionary}, {"boolean", kCFTypeIDBoolean}, {"date", kCFTypeIDDate},
};

// The "PMValueType" name of a value, or null for a value a property list cannot hold.
const char* KindName(CFTypeRef value) {
    const CFTypeID type = CFGetTypeID(value);
    if (type == CFNumberGetTypeID()) {
        const CFNumberType stored = CFNumberGetType(static_cast<CFNumberRef>(value));
        for (const NumberKind& kind : kNumberKinds) {
            if (kind.type == stored) {
                return kind.name;
            }
        }
        return nullptr;
    }
    for (const ObjectKind& kind : kObjectKinds) {
        if (kind.type == type) {
            return kind.name;
        }
    }
    return nullptr;
}

bool IsA(CFTypeRef value, CFTypeID type) {
    return value != nullptr && CFGetTypeID(value) == type;
}

// Sets `key` of `dict` to a new object, which the dictionary keeps; false when it is null.
bool SetNew(CFMutableDictionaryRef dict, CFStringRef key, CFTypeRef value) {
    if (value == nullptr) {
        return false;
    }
    CFDictionarySetValue(dict, key, value);
    CFRelease(value);
    return CFDictionaryGetValue(dict, key) == value;
}

CFMutableDictionaryRef NewDictionary() {
    return CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                     &kCFTypeDictionaryValueCallBacks);
}

// The property list of a ticket; kPMInvalidValue for an item of a kind a property list lacks.
OSStatus TicketToPlist(const Ticket* ticket, CFDictionaryRef* plist) {
    CFMutableDictionaryRef root = NewDictionary();
    CFMutableDictionaryRef items = NewDictionary();
    if (root == nullptr || items == nullptr) {
        CFRelease(root);
        CFRelease(items);
        return memFullErr;
    }
    CFDictionarySetValue(root, kTypeKey, ticket->type);
    OSStatus status =
        SetNew(root, kItemsKey, items) && CFDictionaryGetCount(root) == 2 ? noErr : memFullErr;
    for (auto entry = ticket->items.begin(); status == noErr && entry != ticket->items.end();
         ++entry) {
        const TicketItem& item = entry->second;
        const char* kind = KindName(item.value);
        if (kind == nullptr) {
            status = kPMInvalidValue;
            break;
        }
        CFMutableDictionaryRef record = NewDictionary();
        if (!SetNew(items, entry->first, record)) {
            status = memFullErr;
            break;
        }
        CFDictionarySetValue(record, kValueKey, item.value);
        CFDictionarySetValue(record, kLockedKey, item.locked ? kCFBooleanTrue : kCFBooleanFalse);
        if (item.client != nullptr) {
            CFDictionarySetValue(record, kClientKey, item.client);
        }
        if (!SetNew(record, kValueTypeKey,
                    CFStringCreateWithCString(kCFAllocatorDefault, kind, kCFStringEncodingASCII)) ||
            CFDictionaryGetCount(record) != (item.client != nullptr ? 4 : 3)) {
            status = memFullErr;
        }
    }
    if (status != noErr) {
        CFRelease(root);
        return status;
    }
    *plist = root;
    return noErr;
}

// The value an item record stands for, as a new reference; null when the record's value does
// not agree with its declared kind.
CFTypeRef ValueOfRecord(CFTypeRef value, CFStringRef kindName) {
    char kind[16];
    if (!CFStringGetCString(kindName, kind, sizeof kind, kCFStringEncodingASCII)) {
        return nullptr;
    }
    for (const ObjectKind& object : kObjectKinds) {
        if (strcmp(object.name, kind) == 0) {
            return IsA(value, object.type) ? CFRetain(value) : nullptr;
        }
    }
    for (const NumberKind& number : kNumberKinds) {
        if (strcmp(number.name, kind) != 0) {
            continue;
        }
        if (!IsA(value, CFNumberGetTypeID())) {
            return nullptr;
        }
        CFNumberRef n = static_cast<CFNumberRef>(value);
        const bool wantFloat =
            number.type == kCFNumberFloat32Type || number.type == kCFNumberFloat64Type;
        if (!wantFloat && CFNumberIsFloatType(n)) {
            return nullptr;
        }
        // The value must come through the declared kind unchanged.
        alignas(8) unsigned char storage[8] = {};
        if (!CFNumberGetValue(n, number.type, storage)) {
            return nullptr;
        }
        return CFNumberCreate(kCFAllocatorDefault, number.type, storage);
    }
    return nullptr;
}

struct ReadContext {
    Ticket* ticket;
    OSStatus status;
};

// Adds one item record of a ticket file to the ticket.
void AddRecord(const void* key, const void* value, void* context) {
    ReadContext* read = static_cast<ReadContext*>(context);
    if (read->status != noErr) {
        return;
    }
    CFStringRef itemKey = static_cast<CFStringRef>(key);
    if (!IsValidKey(itemKey) || !IsA(value, CFDictionaryGetTypeID())) {
        read->status = kPMInvalidFile;
        return;
    }
    CFDictionaryRef record = static_cast<CFDictionaryRef>(value);
    CFTypeRef itemValue = CFDictionaryGetValue(record, kValueKey);
    CFTypeRef kind = CFDictionaryGetValue(record, kValueTypeKey);
    CFTypeRef locked = CFDictionaryGetValue(record, kLockedKey);
    CFTypeRef client = CFDictionaryGetValue(record, kClientKey);
    if (itemValue == nullptr || !IsA(kind, CFStringGetTypeID()) ||
        !IsA(locked, CFBooleanGetTypeID()) ||
        (client != nullptr && !IsA(client, CFStringGetTypeID()))) {
        read->status = kPMInvalidFile;
        return;
    }
    CFTypeRef stored = ValueOfRecord(itemValue, static_cast<CFStringRef>(kind));
    if (stored == nullptr) {
        read->status = kPMInvalidFile;
        return;
    }
    read->status = StoreItem(read->ticket, static_cast<CFStringRef>(client), itemKey, stored,
                             CFBooleanGetValue(static_cast<CFBooleanRef>(locked)));
    CFRelease(stored);
}

}  // namespace

OSStatus PMTicketToXML(PMTicketRef ref, CFDataRef* xmlData) {
    if (xmlData == nullptr) {
        return paramErr;
    }
    *xmlData = nullptr;
    CFDictionaryRef plist = nullptr;
    {
        std::lock_guard<std::mutex> guard(TicketLock());
        Ticket* ticket = FindTicket(ref);
        if (ticket == nullptr) {
            return kPMInvalidTicket;
        }
        const OSStatus status = TicketToPlist(ticket, &plist);
        if (status != noErr) {
            return status;
        }
    }
    // What has no XML form inside an item (a URL in an array, a string holding a NUL) makes
    // the writer refuse the whole; that, rather than memory, is the usual reason for null.
    *xmlData = CFPropertyListCreateXMLData(kCFAllocatorDefault, plist);
    CFRelease(plist);
    return *xmlData != nullptr ? OSStatus{noErr} : kPMInvalidValue;
}

OSStatus PMXMLToTicket(CFDataRef xmlData, PMTicketRef* newTicket) {
    if (newTicket == nullptr) {
        return paramErr;
    }
    *newTicket = nullptr;
    if (!IsA(xmlData, CFDataGetTypeID())) {
        return paramErr;
    }
    CFStringRef error = nullptr;
    CFPropertyListRef plist = CFPropertyListCreateFromXMLData(kCFAllocatorDefault, xmlData,
                                                              kCFPropertyListImmutable, &error);
    CFRelease(error);
    if (!IsA(plist, CFDictionaryGetTypeID())) {
        CFRelease(plist);
        return kPMInvalidFile;
    }
    CFDictionaryRef root = static_cast<CFDictionaryRef>(plist);
    CFTypeRef type = CFDictionaryGetValue(root, kTypeKey);
    CFTypeRef items = CFDictionaryGetValue(root, kItemsKey);
    if (!IsValidKey(static_cast<CFStringRef>(type)) || !IsA(items, CFDictionaryGetTypeID())) {
        CFRelease(plist);
        return kPMInvalidFile;
    }
    std::lock_guard<std::mutex> guard(TicketLock());
    ReadContext read{NewTicket(static_cast<CFStringRef>(type)), noErr};
    if (read.ticket == nullptr) {
        CFRelease(plist);
        return memFullErr;
    }
    CFDictionaryApplyFunction(static_cast<CFDictionaryRef>(items), AddRecord, &read);
    CFRelease(plist);
    if (read.status != noErr) {
        ReleaseTicket(read.ticket);
        return read.status;
    }
    *newTicket = RefOf(read.ticket);
    return noErr;
}

OSStatus PMTicketWriteXMLToFile(PMTicketRef ticket, const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return paramErr;
    }
    CFDataRef xml = nullptr;
    OSStatus status = PMTicketToXML(ticket, &xml);
    if (status != noErr) {
        return status;
    }
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(path),
        static_cast<CFIndex>(strlen(path)), false);
    SInt32 error = 0;
    if (url == nullptr) {
        status = memFullErr;
    } else if (!ZEQURLWriteDataReplacing(url, xml, kZEQModeFromUmask, &error)) {
        status = error;
    }
    CFRelease(url);
    CFRelease(xml);
    return status;
}

OSStatus PMTicketReadXMLFromFile(PMTicketRef* ticket, const char* path) {
    if (ticket == nullptr) {
        return paramErr;
    }
    *ticket = nullptr;
    if (path == nullptr || path[0] == '\0') {
        return paramErr;
    }
    // Only a regular file of a sensible size is read (not a device, a pipe or a directory).
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxTicketFileBytes) {
        return kPMInvalidFile;
    }
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(path),
        static_cast<CFIndex>(strlen(path)), false);
    if (url == nullptr) {
        return memFullErr;
    }
    CFDataRef xml = nullptr;
    SInt32 error = 0;
    const bool read = CFURLCreateDataAndPropertiesFromResource(kCFAllocatorDefault, url, &xml,
                                                               nullptr, nullptr, &error);
    CFRelease(url);
    if (!read) {
        return kPMInvalidFile;
    }
    const OSStatus status = PMXMLToTicket(xml, ticket);
    CFRelease(xml);
    return status;
}
