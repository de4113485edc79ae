// PPD text conversion: hexadecimal runs, the *LanguageEncoding table, conversion of PPD text
// to display strings and to the system encoding, and the 8-bit exception languages.
#include "PPDUtils/TextConverter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/ZEQAssert.h"
#include "parser/PPDX.h"
#include "platform/MacMemory.h"

namespace {

// Sorted byte-wise so that IsException can search them.
const char* const kExceptionLanguages[] = {
    "Bulg",   "Chinese",   "ChineseSimp", "ChineseTrad", "Czech",     "Estonian",
    "Greek",  "Hungarian", "Japanese",    "Korean",      "Latvian",   "Lithuanian",
    "Polish", "Romanian",  "Russian",     "Slovak",      "Slovenian",
};
const unsigned long kExceptionLanguageCount =
    sizeof(kExceptionLanguages) / sizeof(kExceptionLanguages[0]);

// Encoding numbers of the *LanguageEncoding table and of the platform.
enum : TextEncoding {
    kMacRoman = 0,
    kUnicode = 0x100,
    kUnicodeV2 = 0x101,
    kISOLatin1 = 0x201,
    kISOLatin2 = 0x202,
    kISOLatin5 = 0x209,
    kWindowsLatin1 = 0x500,
    kShiftJIS = 0xA01,
};

const OSStatus kEmptyTextStatus = 5000;  // Convert of an empty text
const ByteCount kMinOutputSize = 32;

int HexDigitValue(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsHexBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

CFStringRef CreateString(const char* bytes, CFIndex length, CFStringEncoding encoding) {
    return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes),
                                   length, encoding, false);
}

}  // namespace

HexLanguageExceptions TextConverter::mExceptionsList;

HexLanguageExceptions::HexLanguageExceptions()
    : mNames(kExceptionLanguages), mCount(kExceptionLanguageCount) {}

HexLanguageExceptions::~HexLanguageExceptions() {}

bool HexLanguageExceptions::IsException(const char* language) const {
    if (language == nullptr)
        return false;
    return std::binary_search(mNames, mNames + mCount, language,
                              [](const char* a, const char* b) { return std::strcmp(a, b) < 0; });
}

void TextConverter::Init() {
    mInputEncoding = kNoEncoding;
    mOutputEncoding = kNoEncoding;
    mConverter = nullptr;
    mStatus = noErr;
    mValid = false;
    mToUnicodeConverter = nullptr;
    mToUnicodeSource = 0;
}

TextConverter::TextConverter(PPDX* ppd) {
    Init();
    if (ppd == nullptr)
        return;
    mInputEncoding = GetPPDEncoding(ppd);
    mLanguage = ppd->LanguageVersion();
    mOutputEncoding = GetCurrentEncoding();
    if (mInputEncoding == kNoEncoding || mOutputEncoding == kNoEncoding || mStatus != noErr)
        return;
    Create();
}

TextConverter::TextConverter(PPDX* ppd, const unsigned long& outputEncoding) {
    Init();
    if (ppd == nullptr)
        return;
    mInputEncoding = GetPPDEncoding(ppd);
    mLanguage = ppd->LanguageVersion();
    mOutputEncoding = static_cast<TextEncoding>(outputEncoding);
    if (mInputEncoding == kNoEncoding || mOutputEncoding == kNoEncoding || mStatus != noErr)
        return;
    Create();
}

TextConverter::TextConverter(unsigned long& inputEncoding, const unsigned long& outputEncoding) {
    Init();
    mInputEncoding = static_cast<TextEncoding>(inputEncoding);
    mOutputEncoding = static_cast<TextEncoding>(outputEncoding);
    if (mInputEncoding == kNoEncoding || mOutputEncoding == kNoEncoding || mStatus != noErr)
        return;
    Create();
}

TextConverter::~TextConverter() {
    DisposeConverter(mConverter);
    DisposeConverter(mToUnicodeConverter);
}

void TextConverter::DisposeConverter(TECObjectRef& converter) {
    if (converter == nullptr)
        return;
    TECClearConverterContextInfo(converter);
    TECDisposeConverter(converter);
    converter = nullptr;
}

OSStatus TextConverter::Create() {
    DisposeConverter(mConverter);  // a second Create replaces the converter
    mStatus = TECCreateConverter(&mConverter, mInputEncoding, mOutputEncoding);
    mValid = (mStatus == noErr);
    if (!mValid)
        mConverter = nullptr;
    return mStatus;
}

TextEncoding TextConverter::GetCurrentEncoding() {
    TextEncoding encoding = kNoEncoding;
    // System script, any language, any region, no font name.
    if (UpgradeScriptInfoToTextEncoding(-1, -128, -128, nullptr, &encoding) != noErr)
        return kNoEncoding;
    return encoding;
}

TextEncoding TextConverter::GetPPDEncoding(PPDX* ppd) {
    return ppd == nullptr ? static_cast<TextEncoding>(kNoEncoding)
                          : LanguageStringToEncoding(ppd->LanguageEncoding());
}

TextEncoding TextConverter::LanguageStringToEncoding(const char* name) {
    if (name == nullptr)
        return kNoEncoding;
    if (std::strcmp(name, "ISOLatin1") == 0)
        return kISOLatin1;
    if (std::strcmp(name, "ISOLatin2") == 0)
        return kISOLatin2;
    if (std::strcmp(name, "ISOLatin5") == 0)
        return kISOLatin5;
    if (std::strcmp(name, "JIS83-RKSJ") == 0)
        return kShiftJIS;
    if (std::strcmp(name, "MacStandard") == 0)
        return kMacRoman;
    if (std::strcmp(name, "WindowsANSI") == 0)
        return kWindowsLatin1;
    if (std::strcmp(name, "UTF-8") == 0) {
        // Unicode 2.0, default variant, UTF-8 format.
        TextEncoding theEncoding =
            CFStringGetMostCompatibleMacStringEncoding(CreateTextEncoding(256, 0, 2));
        std::printf("CFStringGetMostCompatibleMacStringEncoding theEncoding = %x (%d)\n",
                    static_cast<unsigned>(theEncoding), static_cast<int>(theEncoding));
        return theEncoding;
    }
    return kNoEncoding;
}

long TextConverter::DehexBufferFill(char* in, char* out) {
    if (in == nullptr || out == nullptr)
        return 0;
    char* w = out;
    char* rest = in;
    for (;;) {
        char* open = std::strchr(rest, '<');
        if (open == nullptr)
            break;
        char* close = std::strchr(open + 1, '>');
        if (close == nullptr)
            break;
        bool wellFormed = true;
        long digits = 0;
        for (char* p = open + 1; p < close; ++p) {
            unsigned char c = static_cast<unsigned char>(*p);
            if (HexDigitValue(c) >= 0) {
                ++digits;
            } else if (!IsHexBlank(c)) {
                wellFormed = false;
                break;
            }
        }
        if (!wellFormed || (digits & 1) != 0)
            break;

        size_t before = static_cast<size_t>(open - rest);
        std::memmove(w, rest, before);
        w += before;
        int high = -1;
        for (char* p = open + 1; p < close; ++p) {
            int v = HexDigitValue(static_cast<unsigned char>(*p));
            if (v < 0)
                continue;
            if (high < 0) {
                high = v;
            } else {
                *w++ = static_cast<char>((high << 4) | v);
                high = -1;
            }
        }
        rest = close + 1;
    }
    // No further run, or a malformed one: the rest goes out as written, with its NUL.
    size_t tail = std::strlen(rest) + 1;
    std::memmove(w, rest, tail);
    w += tail;
    return static_cast<long>(w - out);
}

CFStringRef TextConverter::ConvertToCFString(const char* text, long /*size*/) {
    if (text == nullptr)
        return CFStringCreateWithCString(kCFAllocatorDefault, "", kCFStringEncodingMacRoman);

    // Pure ASCII without '<' has no hexadecimal run to decode, and the encodings below, Mac
    // Roman included (the fallback), read its bytes as the same characters as UTF-8 does:
    // the string is made straight from the text, without a copy or a converter.
    size_t length = 0;
    bool plain = true;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (*p >= 0x80 || *p == '<')
            plain = false;
        ++length;
    }
    if (plain && (mInputEncoding == kISOLatin1 || mInputEncoding == kMacRoman ||
                  mInputEncoding == kUnicode || mInputEncoding == kUnicodeV2 ||
                  mInputEncoding == kWindowsLatin1)) {
        // Widened here, a token-sized text becomes a string of exactly its length in one
        // allocation (decoding byte by byte grows the string as it goes).
        UniChar wide[PPDX::kTokenBufferSize];
        CFStringRef result = nullptr;
        if (length <= sizeof wide / sizeof wide[0]) {
            for (size_t i = 0; i < length; ++i)
                wide[i] = static_cast<unsigned char>(text[i]);
            result = CFStringCreateWithCharacters(kCFAllocatorDefault, wide,
                                                  static_cast<CFIndex>(length));
        } else {
            result = CreateString(text, static_cast<CFIndex>(length), kCFStringEncodingUTF8);
        }
        if (result != nullptr)
            return result;
    }

    char* buffer = static_cast<char*>(std::malloc(length + 1));
    if (buffer == nullptr)
        return CFStringCreateWithCString(kCFAllocatorDefault, "Out Of Memory",
                                         kCFStringEncodingMacRoman);
    DehexBufferFill(const_cast<char*>(text), buffer);
    buffer[length] = '\0';
    CFIndex bytes = static_cast<CFIndex>(std::strlen(buffer));

    CFStringRef result = nullptr;
    switch (mInputEncoding) {
        case kISOLatin1:
            result = CreateString(buffer, bytes, kCFStringEncodingISOLatin1);
            break;
        case kMacRoman:
            result = CreateString(buffer, bytes, kCFStringEncodingMacRoman);
            break;
        case kUnicode:
        case kUnicodeV2:
            result = CreateString(buffer, bytes, kCFStringEncodingUTF8);
            break;
        case kWindowsLatin1:
            result = CreateString(buffer, bytes, kCFStringEncodingWindowsLatin1);
            break;
        case kISOLatin2:
        case kISOLatin5:
        case kShiftJIS: {
            if (mToUnicodeConverter != nullptr && mToUnicodeSource != mInputEncoding)
                DisposeConverter(mToUnicodeConverter);
            if (mToUnicodeConverter == nullptr) {
                TECCreateConverter(&mToUnicodeConverter, mInputEncoding, kUnicode);
                mToUnicodeSource = mInputEncoding;
            }
            ZEQ_ASSERT(mToUnicodeConverter != NULL);
            ByteCount capacity = static_cast<ByteCount>(bytes) * 4 + 1;
            UniChar* unicode = static_cast<UniChar*>(std::malloc(capacity + 1));
            if (unicode == nullptr) {
                result = CFStringCreateWithCString(kCFAllocatorDefault, "Out Of Memory",
                                                   kCFStringEncodingMacRoman);
                break;
            }
            ByteCount used = 0, produced = 0, flushed = 0;
            OSStatus status =
                TECConvertText(mToUnicodeConverter, reinterpret_cast<ConstTextPtr>(buffer),
                               static_cast<ByteCount>(bytes), &used,
                               reinterpret_cast<TextPtr>(unicode), capacity, &produced);
            if (status == noErr)
                status =
                    TECFlushText(mToUnicodeConverter, reinterpret_cast<TextPtr>(unicode) + produced,
                                 capacity - produced, &flushed);
            if (status == noErr)
                result = CFStringCreateWithCharacters(kCFAllocatorDefault, unicode,
                                                      (produced + flushed) / 2);
            else
                // The bytes are not valid in the declared encoding: they are shown as Mac
                // Roman, which maps every byte, rather than as UTF-16 they are not.
                TECClearConverterContextInfo(mToUnicodeConverter);
            std::free(unicode);
            break;
        }
        default:
            break;
    }
    // Encodings outside the table (none, or a UTF-8 mapping other than 256 or 257), and text
    // the to-Unicode converter refused, are decoded as Mac Roman: every byte has a character
    // there, so the user sees the text rather than nothing.
    if (result == nullptr)
        result = CreateString(buffer, bytes, kCFStringEncodingMacRoman);
    std::free(buffer);
    if (result == nullptr)
        result = CFStringCreateWithCString(kCFAllocatorDefault, "", kCFStringEncodingMacRoman);
    return result;
}

void TextConverter::CFStringToCstring(CFStringRef string, char* buffer, long size) {
    if (buffer == nullptr || size < 1)
        return;
    // A null string is taken as the empty text.
    if (string == nullptr) {
        buffer[0] = '\0';
        return;
    }
    if (CFStringGetCString(string, buffer, size, CFStringGetSystemEncoding()))
        return;
    const char* kError = "Translation Error";
    size_t n = std::min(std::strlen(kError), static_cast<size_t>(size - 1));
    std::memcpy(buffer, kError, n);
    buffer[n] = '\0';
}

OSStatus TextConverter::Convert(char* text, long size) {
    if (!mValid || mConverter == nullptr)
        return mStatus;
    if (text == nullptr) {
        mStatus = paramErr;
        return mStatus;
    }
    mStatus = noErr;

    if (!mExceptionsList.IsException(mLanguage) && size >= 1) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
        bool highBit = false;
        for (long i = 0; i < size && p[i] != 0; ++i) {
            if (p[i] & 0x80) {
                highBit = true;
                break;
            }
        }
        // 8-bit text in a language that should not have any is taken to be Mac Roman, from
        // now on for this PPD.
        if (highBit && mInputEncoding != kMacRoman) {
            DisposeConverter(mConverter);
            mInputEncoding = kMacRoman;
            if (Create() != noErr)
                return mStatus;
        }
    }

    ByteCount inLength = static_cast<ByteCount>(std::strlen(text));
    Handle output = NewHandle(static_cast<Size>(inLength) * 3);
    if (output == nullptr) {
        mStatus = memFullErr;
        return mStatus;
    }
    ByteCount outLength = 0;
    mStatus = ppdStringConvert(text, output, &outLength);
    if (mStatus == noErr && size >= 1) {
        // Compared in full width: a size beyond 32 bits must not wrap to a small count.
        size_t n = std::min(static_cast<size_t>(outLength), static_cast<size_t>(size - 1));
        std::memcpy(text, *output, n);
        text[n] = '\0';
    }
    DisposeHandle(output);
    return mStatus;
}

// De-hexes `text` and runs the input-to-output converter over it into `output`, growing the
// handle by its initial size whenever the converter reports a full output buffer.
OSStatus TextConverter::ppdStringConvert(const char* text, Handle output, ByteCount* outputLength) {
    *outputLength = 0;
    ByteCount inTextLen = static_cast<ByteCount>(std::strlen(text));
    if (inTextLen == 0)
        return kEmptyTextStatus;

    Handle work = NewHandle(static_cast<Size>(inTextLen) + 1);
    if (work == nullptr)
        return memFullErr;
    long totalLength = DehexBufferFill(const_cast<char*>(text), *work);
    ZEQ_ASSERT(totalLength <= (inTextLen + 1));
    ByteCount length = static_cast<ByteCount>(totalLength - 1);
    if (mOutputEncoding == kShiftJIS)
        length &= ~static_cast<ByteCount>(1);

    Size initial = std::max<Size>(GetHandleSize(output), kMinOutputSize);
    if (GetHandleSize(output) < initial) {
        SetHandleSize(output, initial);
        if (MemError() != noErr) {
            DisposeHandle(work);
            return memFullErr;
        }
    }

    OSStatus status = noErr;
    ByteCount consumed = 0, produced = 0;
    for (;;) {
        ByteCount used = 0, made = 0;
        ByteCount room = static_cast<ByteCount>(GetHandleSize(output)) - produced;
        status = TECConvertText(mConverter, reinterpret_cast<ConstTextPtr>(*work + consumed),
                                length - consumed, &used,
                                reinterpret_cast<TextPtr>(*output + produced), room, &made);
        consumed += used;
        produced += made;
        if (status != kTECOutputBufferFullStatus)
            break;
        SetHandleSize(output, GetHandleSize(output) + initial);
        if (MemError() != noErr) {
            status = memFullErr;
            break;
        }
    }
    while (status == noErr) {
        ByteCount made = 0;
        ByteCount room = static_cast<ByteCount>(GetHandleSize(output)) - produced;
        status =
            TECFlushText(mConverter, reinterpret_cast<TextPtr>(*output + produced), room, &made);
        produced += made;
        if (status != kTECOutputBufferFullStatus)
            break;
        SetHandleSize(output, GetHandleSize(output) + initial);
        status = (MemError() != noErr) ? static_cast<OSStatus>(memFullErr) : noErr;
    }
    if (status != noErr)
        TECClearConverterContextInfo(mConverter);
    DisposeHandle(work);
    *outputLength = produced;
    return status;
}
