// Printing Manager tickets: the process-wide handle table, ticket life, and typed reads and
// writes of top-level items with their client identifiers and lock flags.
#include <climits>
#include <new>

#include "platform/AllocationHook.h"
#include "platform/PMTicketStore.h"

namespace pminternal {

namespace {

// A ticket reference carries a handle, never an address: handles count up from 1 and are
// never given out twice, so a number kept after its ticket went, or made up, finds nothing.
// They stop at INT32_MAX, so that a handle survives a session's 32-bit signed number.
struct HandleTable {
    std::mutex lock;
    std::unordered_map<uint32_t, Ticket*> tickets;
    uint32_t next = 1;
};

HandleTable& Table() {
    // Never destroyed: tickets may be released by other libraries' static destructors.
    static HandleTable* table = new HandleTable;
    return *table;
}

}  // namespace

Ticket::~Ticket() {
    for (auto& entry : items) {
        CFRelease(entry.first);
        CFRelease(entry.second.value);
        CFRelease(entry.second.client);
    }
    CFRelease(type);
}

std::mutex& TicketLock() {
    return Table().lock;
}

Ticket* FindTicket(PMTicketRef ref) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(ref);
    if (value == 0 || value > static_cast<uintptr_t>(INT32_MAX)) {
        return nullptr;
    }
    HandleTable& table = Table();
    auto found = table.tickets.find(static_cast<uint32_t>(value));
    return found != table.tickets.end() ? found->second : nullptr;
}

PMTicketRef RefOf(const Ticket* ticket) {
    return reinterpret_cast<PMTicketRef>(static_cast<uintptr_t>(ticket->handle));
}

Ticket* NewTicket(CFStringRef type) {
    HandleTable& table = Table();
    if (table.next > static_cast<uint32_t>(INT32_MAX) || !ZEQPlatformAllocationAllowed()) {
        return nullptr;
    }
    Ticket* ticket = new (std::nothrow) Ticket;
    if (ticket == nullptr) {
        return nullptr;
    }
    ticket->type = CFStringCreateCopy(kCFAllocatorDefault, type);
    if (ticket->type == nullptr) {
        delete ticket;
        return nullptr;
    }
    ticket->handle = table.next;
    try {
        table.tickets.emplace(ticket->handle, ticket);
    } catch (const std::bad_alloc&) {
        delete ticket;
        return nullptr;
    }
    ++table.next;
    return ticket;
}

void ReleaseTicket(Ticket* ticket) {
    if (--ticket->refCount > 0) {
        return;
    }
    Table().tickets.erase(ticket->handle);
    delete ticket;
}

bool IsValidKey(CFStringRef key) {
    return key != nullptr && CFGetTypeID(key) == CFStringGetTypeID() && CFStringGetLength(key) > 0;
}

OSStatus StoreItem(Ticket* ticket, CFStringRef clientID, CFStringRef key, CFTypeRef value,
                   bool locked) {
    auto found = ticket->items.find(key);
    if (found != ticket->items.end() && found->second.locked) {
        const CFStringRef owner = found->second.client;
        const bool sameClient = owner == nullptr || clientID == nullptr
                                    ? owner == clientID
                                    : static_cast<bool>(CFEqual(owner, clientID));
        if (!sameClient) {
            return kPMItemIsLocked;
        }
    }
    CFStringRef client = nullptr;
    if (clientID != nullptr) {
        client = CFStringCreateCopy(kCFAllocatorDefault, clientID);
        if (client == nullptr) {
            return memFullErr;
        }
    }
    if (found != ticket->items.end()) {
        TicketItem& item = found->second;
        CFRetain(value);
        CFRelease(item.value);
        CFRelease(item.client);
        item.value = value;
        item.client = client;
        item.locked = locked;
        return noErr;
    }
    CFStringRef ownKey = CFStringCreateCopy(kCFAllocatorDefault, key);
    if (ownKey == nullptr || !ZEQPlatformAllocationAllowed()) {
        CFRelease(ownKey);
        CFRelease(client);
        return memFullErr;
    }
    try {
        ticket->items.emplace(ownKey, TicketItem{CFRetain(value), client, locked});
    } catch (const std::bad_alloc&) {
        CFRelease(value);
        CFRelease(ownKey);
        CFRelease(client);
        return memFullErr;
    }
    return noErr;
}

}  // namespace pminternal

using namespace pminternal;

namespace {

// Runs `use` on the live ticket that `ref` names, with the lock held; kPMInvalidTicket when
// it names none.
template <typename Use>
OSStatus WithTicket(PMTicketRef ref, Use use) {
    std::lock_guard<std::mutex> guard(TicketLock());
    Ticket* ticket = FindTicket(ref);
    return ticket != nullptr ? use(ticket) : OSStatus{kPMInvalidTicket};
}

// The item under `key`, or the reason there is none (lock held).
OSStatus FindItem(Ticket* ticket, CFStringRef key, ItemMap::iterator* at) {
    if (!IsValidKey(key)) {
        return kPMInvalidKey;
    }
    *at = ticket->items.find(key);
    return *at != ticket->items.end() ? OSStatus{noErr} : kPMKeyNotFound;
}

// A read of a top-level item of one Core Foundation type (0: any); the value stays the
// ticket's.
template <typename Ref>
OSStatus GetTyped(PMTicketRef ref, UInt32 nodeIndex1, UInt32 nodeIndex2, CFStringRef key,
                  CFTypeID type, Ref* out) {
    if (out == nullptr) {
        return paramErr;
    }
    *out = nullptr;
    return WithTicket(ref, [&](Ticket* ticket) -> OSStatus {
        if (nodeIndex1 != kPMTopLevel || nodeIndex2 != kPMTopLevel) {
            return paramErr;
        }
        ItemMap::iterator found;
        const OSStatus status = FindItem(ticket, key, &found);
        if (status != noErr) {
            return status;
        }
        if (type != 0 && CFGetTypeID(found->second.value) != type) {
            return kPMInvalidValue;
        }
        *out = static_cast<Ref>(found->second.value);
        return noErr;
    });
}

// A write of a value of one Core Foundation type (0: any).
OSStatus SetTyped(PMTicketRef ref, CFStringRef clientID, CFStringRef key, CFTypeRef value,
                  CFTypeID type, Boolean locked) {
    return WithTicket(ref, [&](Ticket* ticket) -> OSStatus {
        if (!IsValidKey(key)) {
            return kPMInvalidKey;
        }
        if (value == nullptr || (type != 0 && CFGetTypeID(value) != type)) {
            return kPMInvalidValue;
        }
        if (clientID != nullptr && CFGetTypeID(clientID) != CFStringGetTypeID()) {
            return paramErr;
        }
        return StoreItem(ticket, clientID, key, value, locked != 0);
    });
}

}  // namespace

OSStatus PMTicketCreate(CFAllocatorRef, CFStringRef ticketType, PMTicketRef* newTicket) {
    if (newTicket == nullptr) {
        return paramErr;
    }
    *newTicket = nullptr;
    if (!IsValidKey(ticketType)) {
        return kPMInvalidKey;
    }
    std::lock_guard<std::mutex> guard(TicketLock());
    Ticket* ticket = NewTicket(ticketType);
    if (ticket == nullptr) {
        return memFullErr;
    }
    *newTicket = RefOf(ticket);
    return noErr;
}

OSStatus PMTicketRetain(PMTicketRef ref) {
    return WithTicket(ref, [](Ticket* ticket) -> OSStatus {
        if (ticket->refCount == INT32_MAX) {
            return memFullErr;
        }
        ++ticket->refCount;
        return noErr;
    });
}

OSStatus PMTicketRelease(PMTicketRef ref) {
    return WithTicket(ref, [](Ticket* ticket) -> OSStatus {
        ReleaseTicket(ticket);
        return noErr;
    });
}

OSStatus PMTicketReleaseAndClear(PMTicketRef* ref) {
    if (ref == nullptr) {
        return paramErr;
    }
    const OSStatus status = PMTicketRelease(*ref);
    *ref = nullptr;
    return status;
}

OSStatus PMTicketGetRetainCount(PMTicketRef ref, CFIndex* retainCount) {
    if (retainCount == nullptr) {
        return paramErr;
    }
    *retainCount = 0;
    return WithTicket(ref, [&](Ticket* ticket) -> OSStatus {
        *retainCount = ticket->refCount;
        return noErr;
    });
}

OSStatus PMTicketGetType(PMTicketRef ref, CFStringRef* ticketType) {
    if (ticketType == nullptr) {
        return paramErr;
    }
    *ticketType = nullptr;
    return WithTicket(ref, [&](Ticket* ticket) -> OSStatus {
        *ticketType = ticket->type;
        return noErr;
    });
}

OSStatus PMTicketGetItem(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2, CFStringRef key,
                         CFTypeRef* item) {
    return GetTyped(ticket, nodeIndex1, nodeIndex2, key, 0, item);
}

OSStatus PMTicketGetCFData(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                           CFStringRef key, CFDataRef* data) {
    return GetTyped(ticket, nodeIndex1, nodeIndex2, key, CFDataGetTypeID(), data);
}

OSStatus PMTicketGetCFString(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                             CFStringRef key, CFStringRef* string) {
    return GetTyped(ticket, nodeIndex1, nodeIndex2, key, CFStringGetTypeID(), string);
}

OSStatus PMTicketGetCFDictionary(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                                 CFStringRef key, CFDictionaryRef* dict) {
    return GetTyped(ticket, nodeIndex1, nodeIndex2, key, CFDictionaryGetTypeID(), dict);
}

OSStatus PMTicketGetCFArray(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                            CFStringRef key, CFArrayRef* array) {
    return GetTyped(ticket, nodeIndex1, nodeIndex2, key, CFArrayGetTypeID(), array);
}

OSStatus PMTicketGetSInt32(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                           CFStringRef key, SInt32* value) {
    if (value == nullptr) {
        return paramErr;
    }
    *value = 0;
    CFNumberRef number = nullptr;
    OSStatus status = GetTyped(ticket, nodeIndex1, nodeIndex2, key, CFNumberGetTypeID(), &number);
    if (status != noErr) {
        return status;
    }
    // Only a whole number within 32 bits is one; anything else would come back changed.
    SInt32 converted = 0;
    if (CFNumberIsFloatType(number) || !CFNumberGetValue(number, kCFNumberSInt32Type, &converted)) {
        return kPMInvalidValue;
    }
    *value = converted;
    return noErr;
}

OSStatus PMTicketGetBoolean(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                            CFStringRef key, Boolean* value) {
    if (value == nullptr) {
        return paramErr;
    }
    *value = false;
    CFBooleanRef boolean = nullptr;
    OSStatus status = GetTyped(ticket, nodeIndex1, nodeIndex2, key, CFBooleanGetTypeID(), &boolean);
    if (status == noErr) {
        *value = CFBooleanGetValue(boolean);
    }
    return status;
}

OSStatus PMTicketSetItem(PMTicketRef ticket, CFStringRef clientID, CFStringRef key, CFTypeRef item,
                         Boolean locked) {
    return SetTyped(ticket, clientID, key, item, 0, locked);
}

OSStatus PMTicketSetCFArray(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                            CFArrayRef value, Boolean locked) {
    return SetTyped(ticket, clientID, key, value, CFArrayGetTypeID(), locked);
}

OSStatus PMTicketSetCFString(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                             CFStringRef value, Boolean locked) {
    return SetTyped(ticket, clientID, key, value, CFStringGetTypeID(), locked);
}

OSStatus PMTicketSetCFData(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                           CFDataRef value, Boolean locked) {
    return SetTyped(ticket, clientID, key, value, CFDataGetTypeID(), locked);
}

OSStatus PMTicketSetCFDictionary(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                                 CFDictionaryRef value, Boolean locked) {
    return SetTyped(ticket, clientID, key, value, CFDictionaryGetTypeID(), locked);
}

OSStatus PMTicketSetSInt32(PMTicketRef ticket, CFStringRef clientID, CFStringRef key, SInt32 value,
                           Boolean locked) {
    CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value);
    if (number == nullptr) {
        return memFullErr;
    }
    const OSStatus status = SetTyped(ticket, clientID, key, number, CFNumberGetTypeID(), locked);
    CFRelease(number);
    return status;
}

OSStatus PMTicketSetBoolean(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                            Boolean value, Boolean locked) {
    return SetTyped(ticket, clientID, key, value ? kCFBooleanTrue : kCFBooleanFalse,
                    CFBooleanGetTypeID(), locked);
}

OSStatus PMTicketReleaseItem(PMTicketRef ref, CFStringRef key) {
    return WithTicket(ref, [&](Ticket* ticket) -> OSStatus {
        ItemMap::iterator found;
        const OSStatus status = FindItem(ticket, key, &found);
        if (status != noErr) {
            return status;
        }
        // The call names no client, so a locked item cannot be told from another's: it stays.
        if (found->second.locked) {
            return kPMItemIsLocked;
        }
        const CFStringRef ownKey = found->first;
        const TicketItem item = found->second;
        ticket->items.erase(found);
        CFRelease(ownKey);
        CFRelease(item.value);
        CFRelease(item.client);
        return noErr;
    });
}

OSStatus PMTicketCopyKeys(PMTicketRef ref, CFArrayRef* keys) {
    if (keys == nullptr) {
        return paramErr;
    }
    *keys = nullptr;
    return WithTicket(ref, [&](Ticket* ticket) -> OSStatus {
        const CFIndex count = static_cast<CFIndex>(ticket->items.size());
        CFMutableArrayRef array =
            CFArrayCreateMutable(kCFAllocatorDefault, count, &kCFTypeArrayCallBacks);
        if (array == nullptr) {
            return memFullErr;
        }
        for (const auto& entry : ticket->items) {
            CFArrayAppendValue(array, entry.first);
        }
        if (CFArrayGetCount(array) != count) {
            CFRelease(array);
            return memFullErr;
        }
        *keys = array;
        return noErr;
    });
}

OSStatus PMTicketGetItemAttributes(PMTicketRef ref, CFStringRef key, CFStringRef* clientID,
                                   Boolean* locked) {
    if (clientID != nullptr) {
        *clientID = nullptr;
    }
    if (locked != nullptr) {
        *locked = false;
    }
    return WithTicket(ref, [&](Ticket* ticket) -> OSStatus {
        ItemMap::iterator found;
        const OSStatus status = FindItem(ticket, key, &found);
        if (status != noErr) {
            return status;
        }
        if (clientID != nullptr) {
            *clientID = found->second.client;
        }
        if (locked != nullptr) {
            *locked = found->second.locked;
        }
        return noErr;
    });
}
