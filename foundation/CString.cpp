// CString and the string helpers: owned byte strings, C/Pascal string conversions, number
// formatting and the conversions between Core Foundation strings and bytes.
#include "foundation/CString.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <new>

#include "platform/CFData.h"
#include "platform/TextEncodingConverter.h"
#include "platform/TextUtils.h"
#include "platform/ZEQArena.h"

namespace {

char* newBlock(size_t size) {
    return new (std::nothrow) char[size];
}

// A string's own text lives in the current model arena while a model is being built (see
// platform/ZEQArena.h), else on the heap; bufferBlock and dropBlock are the only ways a
// CString's buffer is made and freed. Temporary blocks use newBlock.
char* bufferBlock(size_t size) {
    return static_cast<char*>(ZEQArena::NewBlock(size));
}

void dropBlock(char* block) {
    ZEQArena::DeleteBlock(block);
}

// Lower-cased private copy of a text; null when it cannot be allocated.
char* lowerCopy(const char* text) {
    size_t n = strlen(text);
    char* copy = newBlock(n + 1);
    if (copy == nullptr) {
        return nullptr;
    }
    for (size_t i = 0; i < n; ++i) {
        copy[i] = static_cast<char>(tolower(static_cast<unsigned char>(text[i])));
    }
    copy[n] = '\0';
    return copy;
}

// Bytes that hold any text of `text`'s length in `encoding`, with the NUL: up to three bytes
// per UTF-16 unit in UTF-8, the system encoding here. 0 when that cannot be said.
CFIndex ConversionCapacity(CFStringRef text, CFStringEncoding encoding) {
    const CFIndex most = CFStringGetMaximumSizeForEncoding(CFStringGetLength(text), encoding);
    return most >= 0 && most < LONG_MAX ? most + 1 : 0;
}

}  // namespace

CString::CString() {
    Initialize();
}

CString::CString(const char* text) {
    Initialize();
    SetBuffer(text);
}

CString::CString(const CString& other) {
    Initialize();
    SetBuffer(other.mBuffer);
}

CString::CString(CFStringRef text) {
    Initialize();
    if (text == nullptr) {
        return;
    }
    const CFStringEncoding encoding = CFStringGetSystemEncoding();
    const CFIndex capacity = ConversionCapacity(text, encoding);
    char* block = capacity > 0 ? bufferBlock(static_cast<size_t>(capacity)) : nullptr;
    if (block == nullptr) {
        return;
    }
    if (!CFStringGetCString(text, block, capacity, encoding)) {
        dropBlock(block);
        return;
    }
    mBuffer = block;
    mLength = static_cast<uint32_t>(strlen(block));
}

CString::~CString() {
    ClearBuffer();
}

CString& CString::operator=(const char* text) {
    SetBuffer(text);
    return *this;
}

CString& CString::operator=(const CString& other) {
    SetBuffer(other.mBuffer);
    return *this;
}

CString& CString::operator=(CFStringRef text) {
    char* temp = nullptr;
    bool converted = false;
    if (text != nullptr) {
        const auto encoding = static_cast<CFStringEncoding>(GetApplicationTextEncoding());
        const CFIndex capacity = ConversionCapacity(text, encoding);
        temp = capacity > 0 ? newBlock(static_cast<size_t>(capacity)) : nullptr;
        if (temp != nullptr) {
            converted = CFStringGetCString(text, temp, capacity, encoding);
        }
    }
    SetBuffer(converted ? temp : "");
    delete[] temp;
    return *this;
}

void CString::Initialize() {
    mBuffer = nullptr;
    mLength = 0;
}

void CString::ClearBuffer() {
    if (mBuffer != nullptr) {
        dropBlock(mBuffer);
        Initialize();
    }
}

void CString::SetBuffer(const char* src) {
    if (src != nullptr && src == mBuffer) {
        return;
    }
    if (src == nullptr) {
        ClearBuffer();
        return;
    }
    // The copy is made before the old block goes: src may point into it (a tail of this
    // string's own text).
    size_t n = strlen(src);
    char* block = bufferBlock(n + 1);
    if (block != nullptr) {
        memcpy(block, src, n + 1);
    }
    ClearBuffer();
    if (block == nullptr) {
        return;
    }
    mBuffer = block;
    mLength = static_cast<uint32_t>(n);
}

bool CString::operator==(const CString& other) const {
    return *this == other.mBuffer;
}

bool CString::operator==(const char* text) const {
    const char* mine = mBuffer != nullptr ? mBuffer : "";
    return strcmp(mine, text != nullptr ? text : "") == 0;
}

CString& CString::operator+(const char* text) {
    size_t added = text != nullptr ? strlen(text) : 0;
    size_t sum = mLength + added;
    if (sum == 0) {
        return *this;
    }
    char* block = bufferBlock(sum + 1);
    if (block == nullptr) {
        return *this;
    }
    if (mLength != 0) {
        memcpy(block, mBuffer, mLength);
    }
    if (added != 0) {
        memcpy(block + mLength, text, added);
    }
    block[sum] = '\0';
    dropBlock(mBuffer);
    mBuffer = block;
    mLength = static_cast<uint32_t>(sum);
    return *this;
}

int CString::Contains(const char* text) const {
    if (mBuffer == nullptr || text == nullptr) {
        return 0;
    }
    char* hay = lowerCopy(mBuffer);
    char* needle = lowerCopy(text);
    int found = 0;
    if (hay != nullptr && needle != nullptr) {
        found = strstr(hay, needle) != nullptr ? 1 : 0;
    }
    delete[] hay;
    delete[] needle;
    return found;
}

void CString::Remove(char* at, unsigned long count) {
    if (mBuffer == nullptr || at == nullptr || count == 0) {
        return;
    }
    // The bytes after the removed range, with the terminating NUL, move down over it.
    char* end = mBuffer + mLength;
    if (at < mBuffer || at > end) {
        return;
    }
    size_t available = static_cast<size_t>(end - at);
    if (count > available) {
        count = available;  // never move bytes from beyond the terminating NUL
    }
    memmove(at, at + count, available - count);
    mLength -= static_cast<uint32_t>(count);
    mBuffer[mLength] = '\0';
}

void CString::Insert(char* at, char* text) {
    if (mBuffer == nullptr || text == nullptr || text[0] == '\0') {
        return;
    }
    char* end = mBuffer + mLength;
    if (at < mBuffer || at > end) {
        return;
    }
    size_t before = static_cast<size_t>(at - mBuffer);
    size_t added = strlen(text);
    size_t sum = mLength + added;
    char* block = bufferBlock(sum + 1);
    if (block == nullptr) {
        return;
    }
    memcpy(block, mBuffer, before);
    memcpy(block + before, text, added);
    memcpy(block + before + added, at, mLength - before + 1);
    dropBlock(mBuffer);
    mBuffer = block;
    mLength = static_cast<uint32_t>(sum);
}

void CString::Replace(const CString& find, const CString& with) {
    // An empty find text has no occurrence to replace.
    if (mBuffer == nullptr || find.Empty()) {
        return;
    }
    char* at = strstr(mBuffer, find.mBuffer);
    if (at == nullptr) {
        return;
    }
    size_t offset = static_cast<size_t>(at - mBuffer);
    // with is copied before it is inserted, in case it is this string itself.
    CString insertion(with);
    Remove(at, find.Size());
    if (insertion.mBuffer != nullptr) {
        Insert(mBuffer + offset, insertion.mBuffer);
    }
}

extern "C" {

char* num2String(long n, char* out) {
    Str255 text;
    NumToString(n, text);
    return ptoCStr(text, out);
}

long string2Number(char* s) {
    Str255 text;
    ctoPStr(s, text);
    long value = 0;
    StringToNum(text, &value);
    return value;
}

unsigned char* ctoPStr(char* c, unsigned char* p) {
    // A Pascal string holds at most 255 bytes: longer text is cut there.
    size_t n = c != nullptr ? strlen(c) : 0;
    if (n > 255) {
        n = 255;
    }
    p[0] = static_cast<unsigned char>(n);
    if (n != 0) {
        memcpy(p + 1, c, n);
    }
    return p;
}

char* ptoCStr(unsigned char* p, char* c) {
    size_t n = p[0];
    memmove(c, p + 1, n);
    c[n] = '\0';
    return c;
}

char* findChar(char* s, char ch) {
    if (s == nullptr) {
        return nullptr;
    }
    for (; *s != '\0'; ++s) {
        if (*s == ch) {
            return s;
        }
    }
    return nullptr;
}

char* deleteCharRangeInStr(char* s, short from, short to) {
    if (s == nullptr) {
        return nullptr;
    }
    size_t len = strlen(s);
    // Besides from == to and from past the end, reversed, negative and overlong ranges are
    // refused the same way: null, text untouched.
    if (from == to || from < 0 || to < from || static_cast<size_t>(to) > len) {
        return nullptr;
    }
    size_t gap = static_cast<size_t>(to - from);
    memmove(s + from, s + to, len - static_cast<size_t>(to));
    s[len - gap] = '\0';
    return s;
}

char* newInitalizedCString(unsigned long count, char ch) {
    if (count == static_cast<unsigned long>(-1)) {
        return nullptr;
    }
    char* block = newBlock(count + 1);
    if (block == nullptr) {
        return nullptr;
    }
    memset(block, ch, count);
    block[count] = '\0';
    return block;
}

int validateRangeValues(char* s, long maxDigits) {
    if (s == nullptr) {
        return 1;
    }
    long run = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != '\0'; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (++run > maxDigits) {
                return 0;
            }
        } else {
            run = 0;
        }
    }
    return 1;
}

char* getIndString(short listID, short index, char* out) {
    Str255 text;
    text[0] = 0;
    GetIndString(text, listID, index);
    if (text[0] == 0) {
        return nullptr;
    }
    return ptoCStr(text, out);
}

}  // extern "C"

unsigned char* CFStringToExternal(CFStringRef s, long* outLength) {
    if (outLength != nullptr) {
        *outLength = 0;
    }
    if (s == nullptr) {
        return nullptr;
    }
    // The external representation of Unicode text: the byte-order mark FE FF, then the UTF-16
    // units big-endian, as CFStringCreateExternalRepresentation writes it, made here in the
    // block itself instead of in a data object first.
    if (CFGetTypeID(s) != CFStringGetTypeID()) {
        return nullptr;
    }
    const CFIndex count = CFStringGetLength(s);
    const size_t length = 2 + 2 * static_cast<size_t>(count > 0 ? count : 0);
    unsigned char* block = reinterpret_cast<unsigned char*>(newBlock(length));
    if (block == nullptr) {
        return nullptr;
    }
    block[0] = 0xFE;
    block[1] = 0xFF;
    UniChar chunk[256];
    for (CFIndex at = 0; at < count;) {
        const CFIndex n = count - at < 256 ? count - at : 256;
        CFStringGetCharacters(s, CFRangeMake(at, n), chunk);
        unsigned char* out = block + 2 + 2 * static_cast<size_t>(at);
        for (CFIndex i = 0; i < n; ++i) {
            out[2 * i] = static_cast<unsigned char>(chunk[i] >> 8);
            out[2 * i + 1] = static_cast<unsigned char>(chunk[i] & 0xFF);
        }
        at += n;
    }
    if (outLength != nullptr) {
        *outLength = static_cast<long>(length);
    }
    return block;
}

CFStringRef ExtenalToCFString(unsigned char* bytes, long length) {
    if (bytes == nullptr || length < 0) {
        return nullptr;
    }
    // What CFStringCreateFromExternalRepresentation makes of a data object holding these
    // bytes, without copying them into one first.
    return CFStringCreateWithBytes(kCFAllocatorDefault, bytes, length, kCFStringEncodingUnicode,
                                   true);
}

CString* CFStringToCString(CFStringRef s) {
    CFIndex units = s != nullptr ? CFStringGetLength(s) : 0;
    size_t capacity = static_cast<size_t>(4 * units);
    char* block = newBlock(capacity > 0 ? capacity : 1);
    if (block == nullptr) {
        return nullptr;
    }
    if (s == nullptr || capacity == 0 ||
        !CFStringGetCString(s, block, static_cast<CFIndex>(capacity),
                            CFStringGetSystemEncoding())) {
        // Cut the message to the block, less one byte for the terminator.
        static const char kFailure[] = "Translation Error";
        size_t n = capacity > 0 ? capacity - 1 : 0;
        if (n > sizeof kFailure - 1) {
            n = sizeof kFailure - 1;
        }
        memcpy(block, kFailure, n);
        block[n] = '\0';
    }
    CString* result = new (std::nothrow) CString(block);
    delete[] block;
    return result;
}
