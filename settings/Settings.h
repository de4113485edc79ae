// Settings: a keyed container of binary items addressed by (tag, id), kept in a collection
// and saved to or read from a DataStream in flattened form; and the readers of one item as a
// string.
#pragma once

#include <cstdint>

#include "platform/CFString.h"
#include "platform/Collections.h"
#include "platform/MacTypes.h"
#include "settings/DataStream.h"

class CString;

class Settings {
public:
    // Result codes of the container's own (the others come from the Collection Manager and
    // the Memory Manager).
    enum : int32_t {
        kBadStream = 201,       // the stream given to Save / Read is null or not valid
        kNoCollection = 1000,   // the object has no collection
        kEmptySettings = 1001,  // First / Next on an empty collection
        kPastLastItem = 1002,   // Next has passed the last item
    };
    // Attribute bit of a locked item.
    static constexpr long kLockMask = 0x80000000L;

    // An empty collection; valid when it could be made.
    Settings();
    // Adopts `c` (disposed by this object); valid when it is not null.
    explicit Settings(OpaqueCollection*& c);
    // A copy of the other's items in a collection of its own.
    Settings(const Settings& other);
    // A collection filled from the flattened handle: null gives -50 and no collection; valid
    // only when the handle was read completely.
    explicit Settings(char** flattened);
    virtual ~Settings();
    Settings& operator=(const Settings& other);

    // A copy of `size` bytes from `data` under (tag, id); an item with that key is replaced.
    OSStatus Add(const unsigned long& tag, const long& id, void* data, long size);
    // Makes room at once for about `items` more items holding `bytes` bytes in all (a hint;
    // a collection that cannot grow now grows item by item later).
    void Reserve(unsigned long items, unsigned long bytes);
    // With `data` null: `size` receives the item's length. Otherwise `size` gives the capacity
    // of `data` and receives the number of bytes copied. -5751 for an absent item.
    OSStatus Get(const unsigned long& tag, const long& id, void* data, long& size);
    // Replaces the bytes of an existing item; an absent item is not added (-5751).
    OSStatus Set(const unsigned long& tag, const long& id, void* data, long size);
    OSStatus Remove(const unsigned long& tag, const long& id);
    // Enumeration in insertion order; the outputs are zeroed first. The attribute word is
    // given as an unsigned 32-bit value, so that it can be tested against kLockMask.
    OSStatus First(unsigned long& tag, long& id, long& size, long& attributes);
    OSStatus Next(unsigned long& tag, long& id, long& size, long& attributes);
    // Sets (`on`) or clears exactly the attribute bits of `mask`.
    OSStatus SetAttribute(const unsigned long& tag, const long& id, const long& mask,
                          const bool& on);
    OSStatus Lock(const unsigned long& tag, const long& id);
    OSStatus Unlock(const unsigned long& tag, const long& id);

    bool Valid() const { return mValid; }
    OSStatus LastError() const { return mLastError; }
    long Count() const;
    bool Empty() const;

    // The flattened collection in a new handle stored in `*out` (the caller disposes it);
    // 1000 without a collection (`*out` untouched). A failed flattening stores null and
    // returns the failure; when not even an empty handle can be had, stores null and
    // returns 0. lastError is not changed.
    OSStatus GetSettingsHandle(char*** out);

    // Writes the flattened collection to `s` in one piece, nothing before or after it.
    OSStatus Save(DataStream* s);
    // Reads `size` bytes (0: the whole stream) from `s` and adds the items they hold.
    OSStatus Read(DataStream* s, unsigned long size);

protected:
    // The key in the collection's own types; false with lastError 1000 when there is no
    // collection, -50 for a tag wider than 32 bits or an id outside the signed 32-bit range.
    bool Key(const unsigned long& tag, const long& id, CollectionTag& outTag, SInt32& outId);
    OSStatus Result(OSStatus result) { return mLastError = result; }

    int32_t mLastError;
    bool mValid;
    Collection mCollection;  // owned, may be null
    int32_t mCursor;         // 1-based index of the item First / Next returned last
};

// The item as a new NUL-terminated CString (the caller deletes it); null when the item is
// missing, unreadable or empty.
CString* GetSettingsString(Settings& s, const unsigned long& tag, const long& id);
// The item, a Unicode external representation, as a new CFString (the caller releases it);
// null when the item is missing, unreadable or empty.
CFStringRef GetSettingsCFString(Settings& s, const unsigned long& tag, const long& id);
