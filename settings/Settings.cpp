// Settings: keyed items over the Collection Manager, their stream form, and the string
// readers of one item.
#include "settings/Settings.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/CString.h"
#include "platform/MacMemory.h"
#include "settings/DataStream.h"

namespace {

// An ordinary handle, else one of temporary memory; null when neither can be had.
Handle NewAnyHandle(Size size) {
    Handle h = NewHandle(size);
    if (h == nullptr) {
        OSErr ignored = noErr;
        h = TempNewHandle(size, &ignored);
    }
    return h;
}

// The attribute word as the unsigned 32-bit value it is.
long AttributeWord(SInt32 attributes) {
    return static_cast<long>(static_cast<uint32_t>(attributes));
}

// Reads the whole item into a new block of its length plus one NUL; null when the item is
// missing, unreadable or empty. The caller frees the block.
char* ReadItemBytes(Settings& s, const unsigned long& tag, const long& id, long& length) {
    length = 0;
    if (s.Get(tag, id, nullptr, length) != noErr || length < 1) {
        return nullptr;
    }
    char* block = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (block == nullptr) {
        return nullptr;
    }
    long read = length;
    if (s.Get(tag, id, block, read) != noErr || read < 1 || read > length) {
        std::free(block);
        return nullptr;
    }
    block[read] = '\0';
    length = read;
    return block;
}

}  // namespace

Settings::Settings() : mLastError(0), mValid(false), mCollection(NewCollection()), mCursor(0) {
    mValid = mCollection != nullptr;
}

void Settings::Reserve(unsigned long items, unsigned long bytes) {
    if (mCollection != nullptr) {
        ZEQReserveCollection(mCollection, items, bytes);
    }
}

Settings::Settings(OpaqueCollection*& c)
    : mLastError(0), mValid(c != nullptr), mCollection(c), mCursor(0) {}

Settings::Settings(const Settings& other)
    : mLastError(other.mLastError), mValid(other.mValid), mCollection(nullptr), mCursor(0) {
    // A source without a collection gives an empty one.
    mCollection =
        other.mCollection != nullptr ? CopyCollection(other.mCollection, nullptr) : NewCollection();
    mValid = mCollection != nullptr;
}

Settings::Settings(char** flattened)
    : mLastError(0), mValid(false), mCollection(nullptr), mCursor(0) {
    if (flattened == nullptr) {
        mLastError = paramErr;
        return;
    }
    mCollection = NewCollection();
    if (mCollection == nullptr) {
        mLastError = memFullErr;
        return;
    }
    mLastError = UnflattenCollectionFromHdl(mCollection, flattened);
    mValid = mLastError == noErr;
}

Settings::~Settings() {
    if (mCollection != nullptr) {
        DisposeCollection(mCollection);
    }
}

Settings& Settings::operator=(const Settings& other) {
    if (this == &other) {
        return *this;
    }
    mLastError = other.mLastError;
    mValid = other.mValid;
    mCursor = 0;
    if (other.mCollection == nullptr) {
        // Nothing to copy from: the items of this object go, the collection stays.
        if (mCollection != nullptr) {
            EmptyCollection(mCollection);
        }
        return *this;
    }
    // The valid flag stays the other's; only a copy that left this object without a
    // collection makes it not valid.
    Collection copy = CopyCollection(other.mCollection, mCollection);
    if (copy == nullptr) {
        mLastError = memFullErr;
        mValid = mValid && mCollection != nullptr;
    } else {
        mCollection = copy;
    }
    return *this;
}

bool Settings::Key(const unsigned long& tag, const long& id, CollectionTag& outTag, SInt32& outId) {
    if (mCollection == nullptr) {
        mLastError = kNoCollection;
        return false;
    }
    if (tag > UINT32_MAX || id < INT32_MIN || id > INT32_MAX) {
        mLastError = paramErr;
        return false;
    }
    outTag = static_cast<CollectionTag>(tag);
    outId = static_cast<SInt32>(id);
    return true;
}

OSStatus Settings::Add(const unsigned long& tag, const long& id, void* data, long size) {
    CollectionTag t = 0;
    SInt32 i = 0;
    if (!Key(tag, id, t, i)) {
        return mLastError;
    }
    if (size < 0 || size > INT32_MAX || (data == nullptr && size > 0)) {
        return Result(paramErr);
    }
    return Result(AddCollectionItem(mCollection, t, i, static_cast<SInt32>(size), data));
}

OSStatus Settings::Get(const unsigned long& tag, const long& id, void* data, long& size) {
    CollectionTag t = 0;
    SInt32 i = 0;
    if (!Key(tag, id, t, i)) {
        return mLastError;
    }
    if (data != nullptr && size < 0) {
        return Result(paramErr);
    }
    // A capacity beyond 32 bits is more than any item can hold.
    SInt32 count = data == nullptr ? 0 : static_cast<SInt32>(size > INT32_MAX ? INT32_MAX : size);
    const OSErr result = GetCollectionItem(mCollection, t, i, &count, data);
    if (result == noErr) {
        size = count;
    }
    return Result(result);
}

OSStatus Settings::Set(const unsigned long& tag, const long& id, void* data, long size) {
    CollectionTag t = 0;
    SInt32 i = 0;
    if (!Key(tag, id, t, i)) {
        return mLastError;
    }
    if (size < 0 || size > INT32_MAX || (data == nullptr && size > 0)) {
        return Result(paramErr);
    }
    SInt32 index = 0;
    const OSErr found = GetCollectionItemInfo(mCollection, t, i, &index, nullptr, nullptr);
    if (found != noErr) {
        return Result(found);
    }
    return Result(
        ReplaceIndexedCollectionItem(mCollection, index, static_cast<SInt32>(size), data));
}

OSStatus Settings::Remove(const unsigned long& tag, const long& id) {
    CollectionTag t = 0;
    SInt32 i = 0;
    if (!Key(tag, id, t, i)) {
        return mLastError;
    }
    return Result(RemoveCollectionItem(mCollection, t, i));
}

OSStatus Settings::First(unsigned long& tag, long& id, long& size, long& attributes) {
    tag = 0;
    id = 0;
    size = 0;
    attributes = 0;
    if (mCollection == nullptr) {
        return Result(kNoCollection);
    }
    if (CountCollectionItems(mCollection) == 0) {
        return Result(kEmptySettings);
    }
    mCursor = 0;
    return Next(tag, id, size, attributes);
}

OSStatus Settings::Next(unsigned long& tag, long& id, long& size, long& attributes) {
    tag = 0;
    id = 0;
    size = 0;
    attributes = 0;
    if (mCollection == nullptr) {
        return Result(kNoCollection);
    }
    const SInt32 count = CountCollectionItems(mCollection);
    if (count == 0) {
        return Result(kEmptySettings);
    }
    // The cursor stops one past the last item, so that every later Next answers 1002.
    if (mCursor >= count) {
        mCursor = count + 1;
        return Result(kPastLastItem);
    }
    ++mCursor;
    CollectionTag t = 0;
    SInt32 i = 0;
    SInt32 s = 0;
    SInt32 a = 0;
    const OSErr result = GetIndexedCollectionItemInfo(mCollection, mCursor, &t, &i, &s, &a);
    if (result == noErr) {
        tag = t;
        id = i;
        size = s;
        attributes = AttributeWord(a);
    }
    return Result(result);
}

OSStatus Settings::SetAttribute(const unsigned long& tag, const long& id, const long& mask,
                                const bool& on) {
    CollectionTag t = 0;
    SInt32 i = 0;
    if (!Key(tag, id, t, i)) {
        return mLastError;
    }
    SInt32 current = 0;
    const OSErr found = GetCollectionItemInfo(mCollection, t, i, nullptr, nullptr, &current);
    if (found != noErr) {
        return Result(found);
    }
    // The attribute word is 32 bits: only the low 32 bits of the mask select.
    const SInt32 which = static_cast<SInt32>(static_cast<uint32_t>(mask));
    return Result(SetCollectionItemInfo(mCollection, t, i, which, on ? which : 0));
}

OSStatus Settings::Lock(const unsigned long& tag, const long& id) {
    return SetAttribute(tag, id, kLockMask, true);
}

OSStatus Settings::Unlock(const unsigned long& tag, const long& id) {
    return SetAttribute(tag, id, kLockMask, false);
}

long Settings::Count() const {
    return mCollection != nullptr ? CountCollectionItems(mCollection) : 0;
}

bool Settings::Empty() const {
    return Count() == 0;
}

OSStatus Settings::GetSettingsHandle(char*** out) {
    if (out == nullptr) {
        return paramErr;
    }
    if (mCollection == nullptr) {
        return kNoCollection;
    }
    Handle h = NewAnyHandle(0);
    if (h == nullptr) {
        *out = nullptr;
        return noErr;
    }
    const OSErr result = FlattenCollectionToHdl(mCollection, h);
    if (result != noErr) {
        DisposeHandle(h);
        *out = nullptr;
        return result;
    }
    *out = h;
    return noErr;
}

OSStatus Settings::Save(DataStream* s) {
    mLastError = noErr;
    if (s == nullptr || !s->valid()) {
        return Result(kBadStream);
    }
    if (mCollection == nullptr) {
        return Result(kNoCollection);
    }
    // Flattened straight into the stream's storage when it hands it out, else through a handle.
    const size_t flatSize = FlattenedCollectionSize(mCollection);
    if (void* place = s->outPlace(flatSize)) {
        return Result(FlattenCollectionToBytes(mCollection, place, flatSize));
    }
    Handle h = NewAnyHandle(0);
    if (h == nullptr) {
        return Result(memFullErr);
    }
    Result(FlattenCollectionToHdl(mCollection, h));
    if (mLastError == noErr) {
        const Size size = GetHandleSize(h);
        if (size > 0 && !s->out(*h, static_cast<unsigned long>(size))) {
            const short error = s->error();
            Result(error != noErr ? error : static_cast<OSStatus>(ioErr));
        }
    }
    DisposeHandle(h);
    return mLastError;
}

OSStatus Settings::Read(DataStream* s, unsigned long size) {
    mLastError = noErr;
    if (s == nullptr || !s->valid()) {
        return Result(kBadStream);
    }
    if (mCollection == nullptr) {
        return Result(kNoCollection);
    }
    if (size == 0) {
        size = s->dataSize();
        if (size == 0) {
            return noErr;
        }
    }
    // More than the stream holds cannot be read: refused before anything is allocated.
    if (size > s->dataSize()) {
        return Result(eofErr);
    }
    // Read where the stream holds the bytes when it hands them out, else through a handle.
    if (const void* place = s->inPlace(size)) {
        return Result(UnflattenCollectionFromBytes(mCollection, place, size));
    }
    Handle h = NewAnyHandle(static_cast<Size>(size));
    if (h == nullptr) {
        return Result(memFullErr);
    }
    unsigned long actual = 0;
    short error = noErr;
    if (s->in(*h, size, &actual, &error) && actual == size) {
        Result(UnflattenCollectionFromHdl(mCollection, h));
    } else {
        // A stream that fails without saying why has run out of bytes.
        Result(error != noErr ? error : static_cast<OSStatus>(eofErr));
    }
    DisposeHandle(h);
    return mLastError;
}

CString* GetSettingsString(Settings& s, const unsigned long& tag, const long& id) {
    long length = 0;
    char* block = ReadItemBytes(s, tag, id, length);
    if (block == nullptr) {
        return nullptr;
    }
    CString* text = new (std::nothrow) CString(block);
    std::free(block);
    if (text != nullptr && static_cast<const char*>(*text) == nullptr) {
        delete text;  // the copy could not be allocated
        text = nullptr;
    }
    return text;
}

CFStringRef GetSettingsCFString(Settings& s, const unsigned long& tag, const long& id) {
    long length = 0;
    char* block = ReadItemBytes(s, tag, id, length);
    if (block == nullptr) {
        return nullptr;
    }
    CFStringRef text = ExtenalToCFString(reinterpret_cast<unsigned char*>(block), length);
    std::free(block);
    return text;
}
