// Internal to the Printing Manager stand-in: the ticket object, the process-wide handle table
// and the item store that the ticket calls and the ticket files share. Not for use elsewhere.
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/PMPrinting.h"

namespace pminternal {

// One item: its value, the identifier of the client that wrote it (may be null) and its lock.
struct TicketItem {
    CFTypeRef value = nullptr;
    CFStringRef client = nullptr;
    bool locked = false;
};

struct KeyHash {
    size_t operator()(CFStringRef key) const { return static_cast<size_t>(CFHash(key)); }
};
struct KeyEqual {
    bool operator()(CFStringRef a, CFStringRef b) const { return CFEqual(a, b); }
};

using ItemMap = std::unordered_map<CFStringRef, TicketItem, KeyHash, KeyEqual>;

// A ticket: its type and its top-level items by key. Keys, values and client identifiers are
// retained by the ticket and released with it.
struct Ticket {
    Ticket() = default;
    ~Ticket();
    Ticket(const Ticket&) = delete;
    Ticket& operator=(const Ticket&) = delete;

    uint32_t handle = 0;
    int32_t refCount = 1;
    CFStringRef type = nullptr;
    ItemMap items;
};

// Every ticket call holds this lock for its whole run, so the table and the tickets are never
// seen half-changed; none of the functions below takes it.
std::mutex& TicketLock();

// The live ticket a reference names, or null for a null, released or forged reference.
Ticket* FindTicket(PMTicketRef ref);

// A new ticket of that type (retained) with one reference, entered in the table; null when
// memory or handles run out.
Ticket* NewTicket(CFStringRef type);

// Drops one reference; at none left the ticket leaves the table and is destroyed.
void ReleaseTicket(Ticket* ticket);

// The reference that names a ticket.
PMTicketRef RefOf(const Ticket* ticket);

// Stores (retains) `value` under `key` with the writer and lock flag, replacing what was there
// unless that is locked by another client. noErr, kPMItemIsLocked or memFullErr.
OSStatus StoreItem(Ticket* ticket, CFStringRef clientID, CFStringRef key, CFTypeRef value,
                   bool locked);

// True for a key a ticket accepts: a non-empty string.
bool IsValidKey(CFStringRef key);

}  // namespace pminternal
