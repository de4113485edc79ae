// Checked writers and readers of the items of the parsed-PPD cache.
#include "settings/CacheFormat.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "settings/Settings.h"

namespace ppdcache {

namespace {

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
    long length = 0;
    if (s.Get(tag, id, nullptr, length) != noErr || length != size) {
        return false;
    }
    return ReadAll(s, tag, id, out, size);
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

long ReadCount(Settings& s, unsigned long tag, long id, bool* present, bool* held) {
    int32_t value = 0;
    const bool found = ReadInt32(s, tag, id, value);
    if (present != nullptr) {
        *present = found;
    }
    long count = found && value > 0 ? value : 0;
    const long limit = s.Count();
    if (held != nullptr) {
        *held = count <= limit;
    }
    return count <= limit ? count : limit;
}

CString* ReadText(Settings& s, unsigned long tag, long id) {
    const long length = ReadableLength(s, tag, id);
    if (length < 0) {
        return nullptr;
    }
    char* block = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (block == nullptr) {
        return nullptr;
    }
    if (length > 0 && !ReadAll(s, tag, id, block, length)) {
        std::free(block);
        return nullptr;
    }
    block[length] = '\0';
    CString* text = new (std::nothrow) CString(block);
    std::free(block);
    if (text != nullptr && static_cast<const char*>(*text) == nullptr) {
        delete text;  // the copy could not be allocated
        text = nullptr;
    }
    return text;
}

CFStringRef ReadUnicode(Settings& s, unsigned long tag, long id) {
    const long length = ReadableLength(s, tag, id);
    if (length < 0) {
        return nullptr;
    }
    if (length == 0) {
        return CFStringCreateWithCString(nullptr, "", kCFStringEncodingMacRoman);
    }
    unsigned char* block = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(length)));
    if (block == nullptr) {
        return nullptr;
    }
    CFStringRef text =
        ReadAll(s, tag, id, block, length) ? ExtenalToCFString(block, length) : nullptr;
    std::free(block);
    return text;
}

unsigned char* ReadData(Settings& s, unsigned long tag, long id, int32_t& length) {
    length = 0;
    const long size = ReadableLength(s, tag, id);
    if (size < 1) {
        return nullptr;
    }
    unsigned char* block = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
    if (block == nullptr) {
        return nullptr;
    }
    if (!ReadAll(s, tag, id, block, size)) {
        std::free(block);
        return nullptr;
    }
    length = static_cast<int32_t>(size);
    return block;
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

AllElements::AllElements() : mSaved(ZEQPPD::Options()) {
    ZEQPPD::Options(kDisplayAll);
}

AllElements::~AllElements() {
    ZEQPPD::Options(mSaved);
}

}  // namespace ppdcache
