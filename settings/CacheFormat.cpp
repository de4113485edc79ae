// Checked writers and readers of the items of the parsed-PPD cache.
#include "settings/CacheFormat.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "settings/Settings.h"

namespace ppdcache {

namespace {

// Most items are short: they are read into a buffer of this size with one look-up, and only a
// longer one is asked for its length first.
constexpr long kShortItemBytes = 512;

// The length of an item that may be read into memory: -1 when it is absent or too long.
long ReadableLength(Settings& s, unsigned long tag, long id) {
    long length = 0;
    if (s.Get(tag, id, nullptr, length) != noErr || length < 0 || length > kMaxItemBytes) {
        return -1;
    }
    return length;
}

// Copies exactly `length` bytes of the item into `out`.
bool ReadAll(Settings& s, unsigned long tag, long id, void* out, long length) {
    long read = length;
    return s.Get(tag, id, out, read) == noErr && read == length;
}

// The whole item, short or long: in `shortBuffer` (kShortItemBytes bytes) when it fits, else
// in a new malloc'd block stored in `longBlock` (the caller frees it). Returns the bytes and
// their count in `length`; null when the item is absent or longer than kMaxItemBytes.
const char* ReadItem(Settings& s, unsigned long tag, long id, char* shortBuffer, char*& longBlock,
                     long& length) {
    longBlock = nullptr;
    length = kShortItemBytes;
    if (s.Get(tag, id, shortBuffer, length) != noErr) {
        return nullptr;
    }
    if (length < kShortItemBytes) {
        return shortBuffer;  // fewer bytes than the buffer holds: that is the whole item
    }
    length = ReadableLength(s, tag, id);
    if (length < 0) {
        return nullptr;
    }
    longBlock = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (longBlock == nullptr || !ReadAll(s, tag, id, longBlock, length)) {
        std::free(longBlock);
        longBlock = nullptr;
        return nullptr;
    }
    return longBlock;
}

}  // namespace

OSErr AddBytes(Settings& s, unsigned long tag, long id, const void* data, long size) {
    return static_cast<OSErr>(s.Add(tag, id, const_cast<void*>(data), size));
}

OSErr AddFlag(Settings& s, unsigned long tag, long id, bool value) {
    const uint8_t byte = value ? 1 : 0;
    return AddBytes(s, tag, id, &byte, 1);
}

OSErr AddMarker(Settings& s, unsigned long tag, long id) {
    const uint8_t byte = 1;
    return AddBytes(s, tag, id, &byte, 1);
}

OSErr AddInt16(Settings& s, unsigned long tag, long id, int16_t value) {
    return AddBytes(s, tag, id, &value, sizeof value);
}

OSErr AddInt32(Settings& s, unsigned long tag, long id, int32_t value) {
    return AddBytes(s, tag, id, &value, sizeof value);
}

OSErr AddFloat(Settings& s, unsigned long tag, long id, float value) {
    static_assert(sizeof(float) == 4, "float items are 4 bytes");
    return AddBytes(s, tag, id, &value, sizeof value);
}

OSErr AddText(Settings& s, unsigned long tag, long id, const char* text) {
    if (text == nullptr) {
        return noErr;
    }
    return AddBytes(s, tag, id, text, static_cast<long>(std::strlen(text)));
}

OSErr AddUnicode(Settings& s, unsigned long tag, long id, CFStringRef text) {
    if (text == nullptr) {
        return noErr;
    }
    long length = 0;
    unsigned char* bytes = CFStringToExternal(text, &length);
    if (bytes == nullptr) {
        return memFullErr;
    }
    const OSErr result = AddBytes(s, tag, id, bytes, length);
    delete[] bytes;
    return result;
}

OSStatus Probe(Settings& s, unsigned long tag, long id) {
    long length = 0;
    return s.Get(tag, id, nullptr, length);
}

bool ReadExact(Settings& s, unsigned long tag, long id, void* out, long size) {
    // One byte more than wanted is asked for, so that a longer item shows in one look-up.
    if (size < 0 || size >= kShortItemBytes) {
        return false;
    }
    char buffer[kShortItemBytes];
    long read = size + 1;
    if (s.Get(tag, id, buffer, read) != noErr || read != size) {
        return false;
    }
    std::memcpy(out, buffer, static_cast<size_t>(size));
    return true;
}

bool ReadFlag(Settings& s, unsigned long tag, long id, bool& out) {
    uint8_t byte = 0;
    if (!ReadExact(s, tag, id, &byte, 1)) {
        return false;
    }
    out = byte != 0;
    return true;
}

bool ReadInt32(Settings& s, unsigned long tag, long id, int32_t& out) {
    int32_t value = 0;
    if (!ReadExact(s, tag, id, &value, sizeof value)) {
        return false;
    }
    out = value;
    return true;
}

long ReadCount(Settings& s, unsigned long tag, long id) {
    int32_t value = 0;
    return ReadInt32(s, tag, id, value) && value > 0 ? value : 0;
}

CString* ReadText(Settings& s, unsigned long tag, long id) {
    char buffer[kShortItemBytes + 1];
    char* block = nullptr;
    long length = 0;
    const char* bytes = ReadItem(s, tag, id, buffer, block, length);
    if (bytes == nullptr || length < 1) {
        std::free(block);
        return nullptr;
    }
    const_cast<char*>(bytes)[length] = '\0';
    CString* text = new (std::nothrow) CString(bytes);
    std::free(block);
    if (text != nullptr && static_cast<const char*>(*text) == nullptr) {
        delete text;  // the copy could not be allocated
        text = nullptr;
    }
    return text;
}

CFStringRef ReadUnicode(Settings& s, unsigned long tag, long id) {
    char buffer[kShortItemBytes + 1];
    char* block = nullptr;
    long length = 0;
    const char* bytes = ReadItem(s, tag, id, buffer, block, length);
    if (bytes == nullptr || length < 1) {
        std::free(block);
        return nullptr;
    }
    CFStringRef text =
        ExtenalToCFString(reinterpret_cast<unsigned char*>(const_cast<char*>(bytes)), length);
    std::free(block);
    return text;
}

unsigned char* ReadData(Settings& s, unsigned long tag, long id, int32_t& length) {
    length = 0;
    char buffer[kShortItemBytes + 1];
    char* block = nullptr;
    long size = 0;
    const char* bytes = ReadItem(s, tag, id, buffer, block, size);
    if (bytes == nullptr || size < 1) {
        std::free(block);
        return nullptr;
    }
    if (block == nullptr) {
        block = static_cast<char*>(ZEQArena::Malloc(static_cast<size_t>(size)));
        if (block == nullptr) {
            return nullptr;
        }
        std::memcpy(block, bytes, static_cast<size_t>(size));
    }
    length = static_cast<int32_t>(size);
    return reinterpret_cast<unsigned char*>(block);
}

bool ItemId(long object, long item, long& id) {
    if (object < 0 || item < 0 || item >= INT32_MAX) {
        return false;
    }
    if (object > (INT32_MAX - item) / kItemsPerObject) {
        return false;
    }
    id = object * kItemsPerObject + item;
    return true;
}

SectionNumbers::SectionNumbers(Settings& s, unsigned long countTag, long countId, long first,
                               std::initializer_list<unsigned long> tags)
    : mFirst(first), mCount(ReadCount(s, countTag, countId)) {
    if (mCount <= s.Count()) {
        return;
    }
    mWalked = true;
    unsigned long tag = 0;
    long id = 0;
    long size = 0;
    long attributes = 0;
    for (OSStatus result = s.First(tag, id, size, attributes); result == noErr;
         result = s.Next(tag, id, size, attributes)) {
        if (id >= first && id - first < mCount &&
            std::find(tags.begin(), tags.end(), tag) != tags.end()) {
            mHeld.push_back(id);
        }
    }
    std::sort(mHeld.begin(), mHeld.end());
    mHeld.erase(std::unique(mHeld.begin(), mHeld.end()), mHeld.end());
}

bool SectionNumbers::Next(long& number) {
    if (mWalked) {
        if (mNext >= mHeld.size()) {
            return false;
        }
        number = mHeld[mNext++];
        return true;
    }
    if (static_cast<long>(mNext) >= mCount) {
        return false;
    }
    number = mFirst + static_cast<long>(mNext++);
    return true;
}

AllElements::AllElements() : mSaved(ZEQPPD::Options()) {
    ZEQPPD::Options(kDisplayAll);
}

AllElements::~AllElements() {
    ZEQPPD::Options(mSaved);
}

}  // namespace ppdcache
