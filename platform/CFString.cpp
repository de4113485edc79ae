// Core Foundation strings: UTF-16 storage, encoding conversions through the text-encoding
// table, formatting, numeric values and comparison.
#include "platform/CFString.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/CFInternal.h"
#include "platform/TextEncodingTable.h"

struct __CFString : __CFType {
    __CFString() : __CFType(kCFTypeIDString) {}

    // The text: an immutable string's units live in the same heap block as the object, right
    // after it (a constant's all-ASCII text is followed by its NUL-terminated 8-bit copy); a
    // mutable string keeps a growable buffer of its own. A model holds hundreds of thousands
    // of immutable strings, so the object is kept to 32 bytes.
    ~__CFString() override { delete mBuffer; }
    std::u16string_view Text() const {
        return mMutable ? std::u16string_view(*mBuffer) : std::u16string_view(Units(), mLength);
    }
    const char16_t* Units() const { return reinterpret_cast<const char16_t*>(this + 1); }
    // The ASCII form CFStringGetCStringPtr hands out: constants only.
    bool HasAsciiCopy() const { return mAsciiCopy; }
    const char* Ascii() const { return reinterpret_cast<const char*>(Units() + mLength); }
    std::u16string& Buffer() { return *mBuffer; }

    bool Equal(const __CFType* other) const override {
        return Text() == static_cast<const __CFString*>(other)->Text();
    }
    CFHashCode Hash() const override {
        CFHashCode h = 1469598103934665603UL;  // FNV-1a over the UTF-16 units
        for (char16_t u : Text()) {
            h ^= u;
            h *= 1099511628211UL;
        }
        return h;
    }
    std::string Describe() const override;

    bool mMutable = false;
    bool mHasAscii = false;             // immutable text of ASCII characters only
    bool mAsciiCopy = false;            // the 8-bit copy follows the units
    uint32_t mLength = 0;               // immutable strings (units)
    std::u16string* mBuffer = nullptr;  // mutable strings only; owned
};
static_assert(sizeof(__CFString) <= 32, "a string object fits half a cache line");

namespace {

constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;

const __CFString* Str(CFStringRef s) {
    return cfinternal::IsA(s, kCFTypeIDString) ? static_cast<const __CFString*>(s) : nullptr;
}

__CFString* MutableStr(CFMutableStringRef s) {
    return (cfinternal::IsA(s, kCFTypeIDString) && s->mMutable) ? s : nullptr;
}

// A new immutable string object holding a copy of the given units, in one heap block; null
// when memory runs out. Every empty immutable string is the one constant empty string, as on
// the Mac: a model holds tens of thousands of options without a translation.
__CFString* NewString(const char16_t* units, size_t length, bool constant = false) {
    if (length == 0 && !constant) {
        static __CFString* const empty =
            const_cast<__CFString*>(static_cast<const __CFString*>(CFSTR("")));
        return empty;
    }
    bool ascii = true;
    for (size_t i = 0; i < length; ++i) {
        if (units[i] >= 0x80) {
            ascii = false;
            break;
        }
    }
    // Longer texts than 32 bits count are refused (the length word).
    if (length > UINT32_MAX)
        return nullptr;
    const bool asciiCopy = ascii && constant;
    const size_t size =
        sizeof(__CFString) + length * sizeof(char16_t) + (asciiCopy ? length + 1 : 0);
    void* block = constant ? __CFString::operator new(size, std::nothrow, cfinternal::uncounted)
                           : __CFString::operator new(size, std::nothrow);
    if (!block)
        return nullptr;
    __CFString* s = ::new (block) __CFString;
    char16_t* stored = reinterpret_cast<char16_t*>(static_cast<char*>(block) + sizeof(__CFString));
    if (length != 0)
        std::memcpy(stored, units, length * sizeof(char16_t));
    s->mLength = static_cast<uint32_t>(length);
    s->mHasAscii = ascii;
    s->mAsciiCopy = asciiCopy;
    if (asciiCopy) {
        char* bytes = reinterpret_cast<char*>(stored + length);
        for (size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<char>(units[i]);
        bytes[length] = '\0';
    }
    return s;
}

// A new string object with the given text; null when memory runs out.
__CFString* NewString(std::u16string&& text, bool isMutable, bool constant = false) {
    if (!isMutable)
        return NewString(text.data(), text.size(), constant);
    __CFString* s = constant ? new (std::nothrow, cfinternal::uncounted) __CFString
                             : new (std::nothrow) __CFString;
    if (!s)
        return nullptr;
    s->mBuffer = new (std::nothrow) std::u16string(std::move(text));
    if (!s->mBuffer) {
        delete s;
        return nullptr;
    }
    s->mMutable = true;
    return s;
}

// --- UTF-8, done here rather than through iconv: it is the system encoding. ---

// Strict decoding (no overlong forms, surrogates or values above U+10FFFF). With `replace`
// each bad byte becomes U+FFFD instead of failing.
bool DecodeUTF8(const unsigned char* p, size_t n, std::u16string& out, bool replace) {
    size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        size_t extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
            min = 0x10000;
        }
        bool ok = extra != 0 && i + extra < n;
        if (ok) {
            for (size_t k = 1; k <= extra; ++k) {
                unsigned char cc = p[i + k];
                if ((cc & 0xC0) != 0x80) {
                    ok = false;
                    break;
                }
                cp = (cp << 6) | (cc & 0x3F);
            }
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            if (!replace)
                return false;
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += extra + 1;
    }
    return true;
}

// Encodes one code point; a lone surrogate fails unless a loss byte stands in for it.
bool EncodeUTF8(const char16_t* u, size_t n, std::string& out, uint8_t lossByte) {
    for (size_t i = 0; i < n; ++i) {
        char32_t cp = u[i];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (u[i + 1] - 0xDC00);
                ++i;
            } else {
                if (lossByte == 0)
                    return false;
                out.push_back(static_cast<char>(lossByte));
                continue;
            }
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return true;
}

bool IsPlainUnicode(CFStringEncoding e) {
    return e == 0x100 || e == 0x101;
}

char16_t Swap(char16_t u) {
    return static_cast<char16_t>((u >> 8) | (u << 8));
}

// Plain UTF-16 bytes into `out`, which has room for n / 2 units: a byte-order mark decides the
// order and is dropped; without one, an external representation is big-endian and other bytes
// are in host order. False for an odd count.
bool DecodeUnicode(const UInt8* bytes, size_t n, bool external, char16_t* out, size_t& length) {
    if (n % 2 != 0)
        return false;
    bool swap = false;
    size_t start = 0;
    if (n >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        swap = kLittleEndianHost;
        start = 2;
    } else if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        swap = !kLittleEndianHost;
        start = 2;
    } else if (external) {
        swap = kLittleEndianHost;
    }
    length = 0;
    for (size_t i = start; i < n; i += 2) {
        char16_t u;
        std::memcpy(&u, bytes + i, 2);
        out[length++] = swap ? Swap(u) : u;
    }
    return true;
}

// Bytes in `encoding` -> UTF-16. Plain Unicode: a byte-order mark is honoured and dropped;
// without one, external representations are big-endian and in-memory text is host order.
bool Decode(CFStringEncoding encoding, const UInt8* bytes, size_t n, bool external,
            std::u16string& out) {
    if (n > 0 && !bytes)
        return false;
    if (encoding == kCFStringEncodingUTF8) {
        size_t skip = 0;
        if (external && n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
            skip = 3;
        return DecodeUTF8(bytes + skip, n - skip, out, false);
    }
    if (IsPlainUnicode(encoding)) {
        const size_t at = out.size();
        out.resize(at + n / 2);
        size_t length = 0;
        const bool ok = DecodeUnicode(bytes, n, external, out.data() + at, length);
        out.resize(ok ? at + length : at);
        return ok;
    }
    return platform::Utf16FromBytes(encoding, bytes, n, out) == platform::ConversionStatus::ok;
}

// UTF-16 -> bytes in `encoding`. Plain Unicode is host order, or big-endian behind FE FF as an
// external representation: a fixed order keeps the bytes the same on every machine.
bool Encode(CFStringEncoding encoding, const char16_t* u, size_t n, UInt8 lossByte, bool external,
            std::string& out) {
    if (encoding == kCFStringEncodingUTF8)
        return EncodeUTF8(u, n, out, lossByte);
    if (IsPlainUnicode(encoding)) {
        const bool swap = external && kLittleEndianHost;
        if (external) {
            out.push_back(static_cast<char>(0xFE));
            out.push_back(static_cast<char>(0xFF));
        }
        for (size_t i = 0; i < n; ++i) {
            char16_t v = swap ? Swap(u[i]) : u[i];
            char b[2];
            std::memcpy(b, &v, 2);
            out.append(b, 2);
        }
        return true;
    }
    return platform::BytesFromUtf16(encoding, u, n, out, lossByte) ==
           platform::ConversionStatus::ok;
}

bool RangeValid(const __CFString* s, CFRange r) {
    return r.location >= 0 && r.length >= 0 &&
           static_cast<size_t>(r.location) <= s->Text().size() &&
           static_cast<size_t>(r.length) <= s->Text().size() - static_cast<size_t>(r.location);
}

char16_t Fold(char16_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char16_t>(c + 32);
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
        // Latin Extended-A pairs upper/lower as even/odd, except in the 0x139..0x148 and
        // 0x179..0x17E runs where the upper case is odd.
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddUpper)
            return (c % 2 == 1) ? static_cast<char16_t>(c + 1) : c;
        return (c % 2 == 0) ? static_cast<char16_t>(c + 1) : c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return static_cast<char16_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F)
        return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<char16_t>(c + 80);
    return c;
}

bool UnitsEqual(char16_t a, char16_t b, bool fold) {
    return fold ? Fold(a) == Fold(b) : a == b;
}

// --- Formatting ---

void AppendUTF16AsUTF8(std::string& out, const char16_t* u, size_t n) {
    EncodeUTF8(u, n, out, '?');
}

// One printf conversion of `value` appended to `out`, however long it turns out.
template <typename T>
void AppendPrintf(std::string& out, const std::string& spec, T value) {
    char small[128];
    const int length = std::snprintf(small, sizeof small, spec.c_str(), value);
    if (length <= 0)
        return;
    if (static_cast<size_t>(length) < sizeof small) {
        out.append(small, static_cast<size_t>(length));
        return;
    }
    std::string big(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(big.data(), big.size(), spec.c_str(), value);
    out.append(big.data(), static_cast<size_t>(length));
}

std::string FormatUTF8(const std::string& format, va_list args) {
    std::string out;
    const size_t n = format.size();
    size_t i = 0;
    while (i < n) {
        char c = format[i];
        if (c != '%') {
            out.push_back(c);
            ++i;
            continue;
        }
        const size_t start = i++;
        std::string spec = "%";
        // Flags
        while (i < n && std::strchr("-+ #0'", format[i]))
            spec.push_back(format[i++]);
        // Width
        if (i < n && format[i] == '*') {
            spec += std::to_string(va_arg(args, int));
            ++i;
        } else {
            while (i < n && format[i] >= '0' && format[i] <= '9')
                spec.push_back(format[i++]);
        }
        // Precision
        if (i < n && format[i] == '.') {
            spec.push_back(format[i++]);
            if (i < n && format[i] == '*') {
                spec += std::to_string(va_arg(args, int));
                ++i;
            } else {
                while (i < n && format[i] >= '0' && format[i] <= '9')
                    spec.push_back(format[i++]);
            }
        }
        // Length
        std::string length;
        while (i < n && std::strchr("hlqLztj", format[i]))
            length.push_back(format[i++]);
        if (i >= n) {
            out.append(format, start, std::string::npos);
            break;
        }
        const char conv = format[i++];

        switch (conv) {
            case '%':
                out.push_back('%');
                break;
            case 'd':
            case 'i': {
                spec += "ll";
                spec.push_back(conv);
                long long v;
                if (length == "l" || length == "z" || length == "t")
                    v = va_arg(args, long);
                else if (length == "ll" || length == "q" || length == "j")
                    v = va_arg(args, long long);
                else
                    v = va_arg(args, int);
                if (length == "h")
                    v = static_cast<short>(v);
                if (length == "hh")
                    v = static_cast<signed char>(v);
                AppendPrintf(out, spec, v);
                break;
            }
            case 'u':
            case 'o':
            case 'x':
            case 'X': {
                spec += "ll";
                spec.push_back(conv);
                unsigned long long v;
                if (length == "l" || length == "z" || length == "t")
                    v = va_arg(args, unsigned long);
                else if (length == "ll" || length == "q" || length == "j")
                    v = va_arg(args, unsigned long long);
                else
                    v = va_arg(args, unsigned int);
                if (length == "h")
                    v = static_cast<unsigned short>(v);
                if (length == "hh")
                    v = static_cast<unsigned char>(v);
                AppendPrintf(out, spec, v);
                break;
            }
            case 'e':
            case 'E':
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'a':
            case 'A': {
                if (length == "L") {
                    spec += "L";
                    spec.push_back(conv);
                    long double v = va_arg(args, long double);
                    AppendPrintf(out, spec, v);
                } else {
                    spec.push_back(conv);
                    double v = va_arg(args, double);
                    AppendPrintf(out, spec, v);
                }
                break;
            }
            case 'c': {
                int v = va_arg(args, int);
                if (length == "l") {
                    char16_t u = static_cast<char16_t>(v);
                    AppendUTF16AsUTF8(out, &u, 1);
                } else {
                    spec.push_back('c');
                    AppendPrintf(out, spec, v);
                }
                break;
            }
            case 'C': {
                char16_t u = static_cast<char16_t>(va_arg(args, int));
                AppendUTF16AsUTF8(out, &u, 1);
                break;
            }
            case 's': {
                const char* v = va_arg(args, const char*);
                if (!v)
                    v = "(null)";
                spec.push_back('s');
                // A plain %s goes straight in; only width and precision need printf.
                if (spec == "%s") {
                    out.append(v);
                } else {
                    AppendPrintf(out, spec, v);
                }
                break;
            }
            case 'S': {
                const UniChar* v = va_arg(args, const UniChar*);
                if (!v) {
                    out += "(null)";
                } else {
                    size_t len = 0;
                    while (v[len])
                        ++len;
                    AppendUTF16AsUTF8(out, reinterpret_cast<const char16_t*>(v), len);
                }
                break;
            }
            case 'p': {
                spec.push_back('p');
                void* v = va_arg(args, void*);
                AppendPrintf(out, spec, v);
                break;
            }
            case '@': {
                CFTypeRef v = va_arg(args, CFTypeRef);
                out += v ? cfinternal::Describe(v) : std::string("(null)");
                break;
            }
            case 'n':
                (void)va_arg(args, void*);  // nothing is written back through %n
                break;
            default:
                // Not a conversion: keep the text as it was.
                out.append(format, start, i - start);
                break;
        }
    }
    return out;
}

template <typename T>
T Clamp(long long v, bool& exact) {
    if (v < static_cast<long long>(std::numeric_limits<T>::min())) {
        exact = false;
        return std::numeric_limits<T>::min();
    }
    if (v > static_cast<long long>(std::numeric_limits<T>::max())) {
        exact = false;
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(v);
}

}  // namespace

std::string __CFString::Describe() const {
    std::string out;
    const std::u16string_view text = Text();
    EncodeUTF8(text.data(), text.size(), out, '?');
    return out;
}

namespace cfinternal {

CFStringRef StringFromUTF8(const std::string& utf8) {
    try {
        std::u16string text;
        DecodeUTF8(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), text, true);
        return NewString(std::move(text), false);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::string UTF8FromString(CFStringRef s) {
    const __CFString* str = Str(s);
    std::string out;
    if (str && !EncodeUTF8(str->Text().data(), str->Text().size(), out, 0))
        out.clear();
    return out;
}

}  // namespace cfinternal

CFTypeID CFStringGetTypeID(void) {
    return kCFTypeIDString;
}

CFStringRef __CFStringMakeConstantString(const char* cStr) {
    if (!cStr)
        return nullptr;
    static std::mutex* lock = new std::mutex;
    static auto* cache = new std::unordered_map<std::string, __CFString*>;
    std::lock_guard<std::mutex> guard(*lock);
    auto found = cache->find(cStr);
    if (found != cache->end())
        return found->second;
    // Literals are UTF-8; one that is not is read as Mac Roman.
    std::u16string text;
    const size_t n = std::strlen(cStr);
    if (!DecodeUTF8(reinterpret_cast<const unsigned char*>(cStr), n, text, false)) {
        text.clear();
        if (!Decode(kCFStringEncodingMacRoman, reinterpret_cast<const UInt8*>(cStr), n, false,
                    text))
            return nullptr;
    }
    __CFString* s = NewString(std::move(text), false, true);
    if (!s)
        return nullptr;
    s->mImmortal = true;
    cache->emplace(cStr, s);
    return s;
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation) {
    if (numBytes < 0 || (numBytes > 0 && !bytes))
        return nullptr;
    // Short UTF-16 texts (the names a settings cache holds) are decoded on the stack rather
    // than in a heap string that is copied again.
    constexpr CFIndex kStackUnits = 256;
    if (IsPlainUnicode(encoding) && numBytes <= 2 * kStackUnits) {
        char16_t units[kStackUnits];
        size_t length = 0;
        if (!DecodeUnicode(bytes, static_cast<size_t>(numBytes), isExternalRepresentation, units,
                           length))
            return nullptr;
        return NewString(units, length);
    }
    try {
        std::u16string text;
        if (!Decode(encoding, bytes, static_cast<size_t>(numBytes), isExternalRepresentation, text))
            return nullptr;
        return NewString(std::move(text), false);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding) {
    if (!cStr)
        return nullptr;
    return CFStringCreateWithBytes(alloc, reinterpret_cast<const UInt8*>(cStr),
                                   static_cast<CFIndex>(std::strlen(cStr)), encoding, false);
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars, CFIndex numChars) {
    if (numChars < 0 || (numChars > 0 && !chars))
        return nullptr;
    try {
        return NewString(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(numChars));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateWithPascalString(CFAllocatorRef alloc, ConstStr255Param pStr,
                                           CFStringEncoding encoding) {
    if (!pStr)
        return nullptr;
    return CFStringCreateWithBytes(alloc, pStr + 1, pStr[0], encoding, false);
}

CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef theString) {
    const __CFString* s = Str(theString);
    if (!s)
        return nullptr;
    // An immutable string is its own copy.
    if (!s->mMutable)
        return static_cast<CFStringRef>(CFRetain(s));
    try {
        const std::u16string_view text = s->Text();
        return NewString(text.data(), text.size());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateWithSubstring(CFAllocatorRef, CFStringRef str, CFRange range) {
    const __CFString* s = Str(str);
    if (!s || !RangeValid(s, range))
        return nullptr;
    try {
        return NewString(s->Text().data() + range.location, static_cast<size_t>(range.length));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFDictionaryRef,
                                                 CFStringRef format, va_list arguments) {
    const __CFString* f = Str(format);
    if (!f)
        return nullptr;
    try {
        std::string fmt;
        EncodeUTF8(f->Text().data(), f->Text().size(), fmt, '?');
        va_list args;
        va_copy(args, arguments);
        std::string text = FormatUTF8(fmt, args);
        va_end(args);
        return cfinternal::StringFromUTF8(text);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...) {
    va_list args;
    va_start(args, format);
    CFStringRef s = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
    va_end(args);
    return s;
}

CFDataRef CFStringCreateExternalRepresentation(CFAllocatorRef alloc, CFStringRef theString,
                                               CFStringEncoding encoding, UInt8 lossByte) {
    const __CFString* s = Str(theString);
    if (!s)
        return nullptr;
    try {
        std::string bytes;
        if (!Encode(encoding, s->Text().data(), s->Text().size(), lossByte, true, bytes))
            return nullptr;
        return CFDataCreate(alloc, reinterpret_cast<const UInt8*>(bytes.data()),
                            static_cast<CFIndex>(bytes.size()));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateFromExternalRepresentation(CFAllocatorRef alloc, CFDataRef data,
                                                     CFStringEncoding encoding) {
    if (!data)
        return nullptr;
    return CFStringCreateWithBytes(alloc, CFDataGetBytePtr(data), CFDataGetLength(data), encoding,
                                   true);
}

CFIndex CFStringGetLength(CFStringRef theString) {
    const __CFString* s = Str(theString);
    return s ? static_cast<CFIndex>(s->Text().size()) : 0;
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx) {
    const __CFString* s = Str(theString);
    if (!s || idx < 0 || static_cast<size_t>(idx) >= s->Text().size())
        return 0;
    return s->Text()[static_cast<size_t>(idx)];
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
    const __CFString* s = Str(theString);
    if (!s || !buffer || !RangeValid(s, range))
        return;
    std::memcpy(buffer, s->Text().data() + range.location,
                static_cast<size_t>(range.length) * sizeof(UniChar));
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
    const __CFString* s = Str(theString);
    if (!s || !buffer || bufferSize <= 0)
        return false;
    try {
        std::string bytes;
        if (!Encode(encoding, s->Text().data(), s->Text().size(), 0, false, bytes))
            return false;
        if (bytes.size() + 1 > static_cast<size_t>(bufferSize))
            return false;
        std::memcpy(buffer, bytes.data(), bytes.size());
        buffer[bytes.size()] = '\0';
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding) {
    const __CFString* s = Str(theString);
    if (!s || !s->HasAsciiCopy())
        return nullptr;
    switch (encoding) {
        case kCFStringEncodingUTF8:
        case kCFStringEncodingASCII:
        case kCFStringEncodingMacRoman:
        case kCFStringEncodingISOLatin1:
        case kCFStringEncodingISOLatin2:
        case kCFStringEncodingISOLatin5:
        case kCFStringEncodingWindowsLatin1:
            return s->Ascii();
        default:
            return nullptr;
    }
}

Boolean CFStringGetPascalString(CFStringRef theString, StringPtr buffer, CFIndex bufferSize,
                                CFStringEncoding encoding) {
    const __CFString* s = Str(theString);
    if (!s || !buffer || bufferSize <= 0)
        return false;
    try {
        std::string bytes;
        if (!Encode(encoding, s->Text().data(), s->Text().size(), 0, false, bytes))
            return false;
        if (bytes.size() > 255 || bytes.size() + 1 > static_cast<size_t>(bufferSize))
            return false;
        buffer[0] = static_cast<unsigned char>(bytes.size());
        std::memcpy(buffer + 1, bytes.data(), bytes.size());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                         CFIndex maxBufLen, CFIndex* usedBufLen) {
    if (usedBufLen)
        *usedBufLen = 0;
    const __CFString* s = Str(theString);
    if (!s || !RangeValid(s, range) || maxBufLen < 0)
        return 0;
    const char16_t* units = s->Text().data() + range.location;
    const size_t count = static_cast<size_t>(range.length);
    const size_t capacity = buffer ? static_cast<size_t>(maxBufLen) : SIZE_MAX;
    try {
        std::string out;
        // The whole range at once, when it converts and fits.
        if (Encode(encoding, units, count, lossByte, isExternalRepresentation, out) &&
            out.size() <= capacity) {
            if (buffer)
                std::memcpy(buffer, out.data(), out.size());
            if (usedBufLen)
                *usedBufLen = static_cast<CFIndex>(out.size());
            return range.length;
        }
        // Otherwise character by character, up to the first failure or a full buffer.
        out.clear();
        size_t done = 0;
        if (isExternalRepresentation && IsPlainUnicode(encoding)) {
            if (capacity < 2)
                return 0;
            out = "\xFE\xFF";
        }
        const bool swap = isExternalRepresentation && IsPlainUnicode(encoding) && kLittleEndianHost;
        while (done < count) {
            size_t step = 1;
            if (units[done] >= 0xD800 && units[done] <= 0xDBFF && done + 1 < count &&
                units[done + 1] >= 0xDC00 && units[done + 1] <= 0xDFFF)
                step = 2;
            std::string piece;
            if (IsPlainUnicode(encoding)) {
                for (size_t k = 0; k < step; ++k) {
                    char16_t v = swap ? Swap(units[done + k]) : units[done + k];
                    char b[2];
                    std::memcpy(b, &v, 2);
                    piece.append(b, 2);
                }
            } else if (!Encode(encoding, units + done, step, lossByte, false, piece)) {
                break;
            }
            if (out.size() + piece.size() > capacity)
                break;
            out += piece;
            done += step;
        }
        if (buffer)
            std::memcpy(buffer, out.data(), out.size());
        if (usedBufLen)
            *usedBufLen = static_cast<CFIndex>(out.size());
        return static_cast<CFIndex>(done);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

CFStringEncoding CFStringGetSystemEncoding(void) {
    return kCFStringEncodingUTF8;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
    if (length < 0)
        return kCFNotFound;
    const size_t per = platform::MaxBytesPerUTF16Unit(encoding);
    if (per == 0)
        return 0;
    if (static_cast<size_t>(length) > static_cast<size_t>(LONG_MAX) / per)
        return kCFNotFound;
    return length * static_cast<CFIndex>(per);
}

CFStringEncoding CFStringGetMostCompatibleMacStringEncoding(CFStringEncoding encoding) {
    if (platform::IsUnicodeEncoding(encoding))
        return kCFStringEncodingUnicode;
    if (encoding < 0x100)
        return encoding;  // already a Mac script encoding
    switch (encoding) {
        case kCFStringEncodingISOLatin1:
        case kCFStringEncodingWindowsLatin1:
        case kCFStringEncodingASCII:
        case kCFStringEncodingNextStepLatin:
            return kCFStringEncodingMacRoman;
        case kCFStringEncodingISOLatin2:
        case 0x0501:    // Windows Latin 2
            return 29;  // Mac Central European Roman
        case kCFStringEncodingISOLatin5:
        case 0x0504:    // Windows Latin 5
            return 35;  // Mac Turkish
        case kCFStringEncodingShiftJIS:
        case 0x0420:  // DOS Japanese
            return kCFStringEncodingMacJapanese;
        default:
            return kCFStringEncodingInvalidId;
    }
}

Boolean CFStringIsEncodingAvailable(CFStringEncoding encoding) {
    return platform::IsSupportedEncoding(encoding);
}

CFStringEncoding CFStringGetFastestEncoding(CFStringRef theString) {
    const __CFString* s = Str(theString);
    if (s && !s->mMutable && s->mHasAscii)
        return kCFStringEncodingASCII;
    return kCFStringEncodingUnicode;
}

CFMutableStringRef CFStringCreateMutable(CFAllocatorRef, CFIndex) {
    return NewString(std::u16string(), true);
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef, CFIndex, CFStringRef theString) {
    const __CFString* s = Str(theString);
    try {
        return NewString(s ? std::u16string(s->Text()) : std::u16string(), true);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString) {
    __CFString* m = MutableStr(theString);
    const __CFString* a = Str(appendedString);
    if (!m || !a)
        return;
    if (m == a) {
        std::u16string copy(a->Text());
        m->Buffer() += copy;
    } else {
        m->Buffer() += a->Text();
    }
}

void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars,
                              CFIndex numChars) {
    __CFString* m = MutableStr(theString);
    if (!m || !chars || numChars <= 0)
        return;
    m->Buffer().append(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(numChars));
}

void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                           CFStringEncoding encoding) {
    __CFString* m = MutableStr(theString);
    if (!m || !cStr)
        return;
    std::u16string text;
    if (Decode(encoding, reinterpret_cast<const UInt8*>(cStr), std::strlen(cStr), false, text))
        m->Buffer() += text;
}

void CFStringAppendPascalString(CFMutableStringRef theString, ConstStr255Param pStr,
                                CFStringEncoding encoding) {
    __CFString* m = MutableStr(theString);
    if (!m || !pStr)
        return;
    std::u16string text;
    if (Decode(encoding, pStr + 1, pStr[0], false, text))
        m->Buffer() += text;
}

void CFStringAppendFormat(CFMutableStringRef theString, CFDictionaryRef formatOptions,
                          CFStringRef format, ...) {
    if (!MutableStr(theString))
        return;
    va_list args;
    va_start(args, format);
    CFStringRef s = CFStringCreateWithFormatAndArguments(nullptr, formatOptions, format, args);
    va_end(args);
    CFStringAppend(theString, s);
    CFRelease(s);
}

void CFStringInsert(CFMutableStringRef str, CFIndex idx, CFStringRef insertedStr) {
    __CFString* m = MutableStr(str);
    const __CFString* a = Str(insertedStr);
    if (!m || !a || idx < 0 || static_cast<size_t>(idx) > m->Text().size())
        return;
    std::u16string copy(a->Text());
    m->Buffer().insert(static_cast<size_t>(idx), copy);
}

void CFStringDelete(CFMutableStringRef theString, CFRange range) {
    __CFString* m = MutableStr(theString);
    if (!m || !RangeValid(m, range))
        return;
    m->Buffer().erase(static_cast<size_t>(range.location), static_cast<size_t>(range.length));
}

void CFStringReplaceAll(CFMutableStringRef theString, CFStringRef replacement) {
    __CFString* m = MutableStr(theString);
    const __CFString* a = Str(replacement);
    if (!m || !a)
        return;
    std::u16string copy(a->Text());
    m->Buffer() = std::move(copy);
}

namespace {

// The ASCII characters of a string's numeric prefix, after leading white space.
std::string NumericPrefix(const __CFString* s, bool allowFloat) {
    std::string text;
    size_t i = 0;
    const std::u16string_view t = s->Text();
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r'))
        ++i;
    for (; i < t.size() && t[i] < 0x80; ++i) {
        const char c = static_cast<char>(t[i]);
        const bool digit = c >= '0' && c <= '9';
        const bool sign = c == '+' || c == '-';
        const bool floatChar = c == '.' || c == 'e' || c == 'E';
        if (!(digit || sign || (allowFloat && floatChar)))
            break;
        text.push_back(c);
    }
    return text;
}

}  // namespace

SInt32 CFStringGetIntValue(CFStringRef str) {
    const __CFString* s = Str(str);
    if (!s)
        return 0;
    std::string text = NumericPrefix(s, false);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            break;  // clamped below
    }
    if (negative)
        value = -value;
    bool exact = true;
    return Clamp<SInt32>(value, exact);
}

double CFStringGetDoubleValue(CFStringRef str) {
    const __CFString* s = Str(str);
    if (!s)
        return 0.0;
    std::string text = NumericPrefix(s, true);
    const char* begin = text.data();
    const char* end = begin + text.size();
    bool negative = false;
    if (begin < end && (*begin == '+' || *begin == '-'))
        negative = *begin++ == '-';
    double value = 0.0;
    auto r = std::from_chars(begin, end, value);
    if (r.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions) {
    const __CFString* a = Str(theString1);
    const __CFString* b = Str(theString2);
    if (!a || !b)
        return a ? kCFCompareGreaterThan : (b ? kCFCompareLessThan : kCFCompareEqualTo);
    const bool fold = (compareOptions & kCFCompareCaseInsensitive) != 0;
    const size_t n = std::min(a->Text().size(), b->Text().size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = fold ? Fold(a->Text()[i]) : a->Text()[i];
        char16_t y = fold ? Fold(b->Text()[i]) : b->Text()[i];
        if (x != y)
            return x < y ? kCFCompareLessThan : kCFCompareGreaterThan;
    }
    if (a->Text().size() == b->Text().size())
        return kCFCompareEqualTo;
    return a->Text().size() < b->Text().size() ? kCFCompareLessThan : kCFCompareGreaterThan;
}

Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix) {
    const __CFString* s = Str(theString);
    const __CFString* p = Str(prefix);
    if (!s || !p || p->Text().empty())
        return false;
    return s->Text().compare(0, p->Text().size(), p->Text()) == 0 &&
           s->Text().size() >= p->Text().size();
}

Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix) {
    const __CFString* s = Str(theString);
    const __CFString* p = Str(suffix);
    if (!s || !p || p->Text().empty() || p->Text().size() > s->Text().size())
        return false;
    return s->Text().compare(s->Text().size() - p->Text().size(), p->Text().size(), p->Text()) == 0;
}

CFRange CFStringFind(CFStringRef theString, CFStringRef stringToFind,
                     CFStringCompareFlags compareOptions) {
    const CFRange none{kCFNotFound, 0};
    const __CFString* s = Str(theString);
    const __CFString* f = Str(stringToFind);
    if (!s || !f || f->Text().empty() || f->Text().size() > s->Text().size())
        return none;
    const bool fold = (compareOptions & kCFCompareCaseInsensitive) != 0;
    const bool backwards = (compareOptions & kCFCompareBackwards) != 0;
    const bool anchored = (compareOptions & kCFCompareAnchored) != 0;
    const size_t m = f->Text().size();
    const size_t last = s->Text().size() - m;
    auto matchAt = [&](size_t pos) {
        for (size_t k = 0; k < m; ++k) {
            if (!UnitsEqual(s->Text()[pos + k], f->Text()[k], fold))
                return false;
        }
        return true;
    };
    if (anchored) {
        const size_t pos = backwards ? last : 0;
        return matchAt(pos) ? CFRange{static_cast<CFIndex>(pos), static_cast<CFIndex>(m)} : none;
    }
    for (size_t step = 0; step <= last; ++step) {
        const size_t pos = backwards ? last - step : step;
        if (matchAt(pos))
            return CFRange{static_cast<CFIndex>(pos), static_cast<CFIndex>(m)};
    }
    return none;
}
