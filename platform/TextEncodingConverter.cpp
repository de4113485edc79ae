// Text Encoding Converter stand-in: one iconv descriptor per converter, opened at its first
// conversion, plus the bytes of a multibyte character that the last input cut in two.
#include "platform/TextEncodingConverter.h"

#include "platform/AllocationHook.h"
#include "platform/TextEncodingTable.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

constexpr TextEncoding kUTF8 = 0x08000100;
constexpr size_t kMaxPending = 8;  // longer than any character of the supported encodings
const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

}  // namespace

struct OpaqueTECObjectRef {
    iconv_t cd;     // opened by the first conversion (see TECCreateConverter)
    iconv_t check;  // input encoding -> UTF-8, opened when an error must be classified
    const char* fromCharset;
    const char* toCharset;
    unsigned char pending[kMaxPending];
    size_t pendingLength;
};

namespace {

// The iconv character set of an encoding. Unicode takes its byte order from the format:
// the default (16-bit) format is the host's order, unlike the shared table, which is read
// for every other encoding.
const char* CharsetFor(TextEncoding encoding) {
    constexpr bool little = std::endian::native == std::endian::little;
    TextEncodingBase base = GetTextEncodingBase(encoding);
    if (base == kTextEncodingUnicodeDefault || base == kTextEncodingUnicodeV2_0) {
        switch (GetTextEncodingFormat(encoding)) {
            case kUnicode16BitFormat:
                return little ? "UTF-16LE" : "UTF-16BE";
            case kUnicodeUTF8Format:
                return "UTF-8";
            case kUnicode32BitFormat:
                return little ? "UTF-32LE" : "UTF-32BE";
            case kUnicodeUTF16BEFormat:
                return "UTF-16BE";
            case kUnicodeUTF16LEFormat:
                return "UTF-16LE";
            case kUnicodeUTF32BEFormat:
                return "UTF-32BE";
            case kUnicodeUTF32LEFormat:
                return "UTF-32LE";
            default:
                return nullptr;
        }
    }
    const char* charset = platform::IconvCharsetForEncoding(encoding);
    if (charset == nullptr) {
        // Variants and formats of the byte encodings convert like their base.
        charset = platform::IconvCharsetForEncoding(base);
    }
    return charset;
}

// After iconv refused the bytes at `bytes`: kTECUnmappableElementErr when they form a valid
// character of the input encoding (so the output encoding lacks it), otherwise
// kTextMalformedInputErr.
OSStatus ClassifyRefusal(TECObjectRef c, const char* bytes, size_t length) {
    if (c->check == kNoIconv) {
        c->check = iconv_open("UTF-8", c->fromCharset);
        if (c->check == kNoIconv) {
            return kTextMalformedInputErr;
        }
    }
    iconv(c->check, nullptr, nullptr, nullptr, nullptr);
    char in[kMaxPending];
    size_t inLeft = length < kMaxPending ? length : kMaxPending;
    std::memcpy(in, bytes, inLeft);
    char out[64];
    char* ip = in;
    char* op = out;
    size_t outLeft = sizeof out;
    size_t before = inLeft;
    iconv(c->check, &ip, &inLeft, &op, &outLeft);
    return inLeft < before ? static_cast<OSStatus>(kTECUnmappableElementErr)
                           : static_cast<OSStatus>(kTextMalformedInputErr);
}

// Opens the converter's descriptor if it is not open yet: noErr, or the status iconv_open's
// failure means.
OSStatus Open(TECObjectRef c) {
    if (c->cd != kNoIconv) {
        return noErr;
    }
    c->cd = iconv_open(c->toCharset, c->fromCharset);
    if (c->cd == kNoIconv) {
        return errno == ENOMEM ? memFullErr : kTECNoConversionPathErr;
    }
    return noErr;
}

void SetCount(ByteCount* count, size_t value) {
    if (count != nullptr) {
        *count = static_cast<ByteCount>(value);
    }
}

}  // namespace

TextEncoding CreateTextEncoding(TextEncodingBase encodingBase, TextEncodingVariant encodingVariant,
                                TextEncodingFormat encodingFormat) {
    return (encodingBase & 0xFFFF) | ((encodingVariant & 0x3FF) << 16) |
           ((encodingFormat & 0x3F) << 26);
}

TextEncodingBase GetTextEncodingBase(TextEncoding encoding) {
    return encoding & 0xFFFF;
}

TextEncodingVariant GetTextEncodingVariant(TextEncoding encoding) {
    return (encoding >> 16) & 0x3FF;
}

TextEncodingFormat GetTextEncodingFormat(TextEncoding encoding) {
    return (encoding >> 26) & 0x3F;
}

OSStatus UpgradeScriptInfoToTextEncoding(ScriptCode iTextScriptID, LangCode, RegionCode,
                                         ConstStr255Param, TextEncoding* oEncoding) {
    if (oEncoding == nullptr) {
        return paramErr;
    }
    if (iTextScriptID == smSystemScript || iTextScriptID == smCurrentScript ||
        iTextScriptID == kTextScriptDontCare) {
        *oEncoding = kUTF8;
        return noErr;
    }
    if (iTextScriptID >= 0 && iTextScriptID <= 32) {
        *oEncoding = static_cast<TextEncoding>(iTextScriptID);
        return noErr;
    }
    return paramErr;
}

TextEncoding GetApplicationTextEncoding(void) {
    return kUTF8;
}

OSStatus TECCreateConverter(TECObjectRef* newEncodingConverter, TextEncoding inputEncoding,
                            TextEncoding outputEncoding) {
    if (newEncodingConverter == nullptr) {
        return paramErr;
    }
    *newEncodingConverter = nullptr;
    const char* from = CharsetFor(inputEncoding);
    const char* to = CharsetFor(outputEncoding);
    if (from == nullptr || to == nullptr) {
        return kTECNoConversionPathErr;
    }
    auto* c = static_cast<TECObjectRef>(ZEQPlatformMalloc(sizeof(OpaqueTECObjectRef)));
    if (c == nullptr) {
        return memFullErr;
    }
    // The descriptor is opened by the first conversion, not here: a parsed PPD makes a
    // converter that most parses never use, and the first iconv_open of a process loads the
    // character set's module. Every character set of the table is one glibc's own modules
    // provide, so a failure to open is left to that first conversion to report.
    c->cd = kNoIconv;
    c->check = kNoIconv;
    c->fromCharset = from;
    c->toCharset = to;
    c->pendingLength = 0;
    *newEncodingConverter = c;
    return noErr;
}

OSStatus TECConvertText(TECObjectRef c, ConstTextPtr inputBuffer, ByteCount inputBufferLength,
                        ByteCount* actualInputLength, TextPtr outputBuffer,
                        ByteCount outputBufferLength, ByteCount* actualOutputLength) {
    SetCount(actualInputLength, 0);
    SetCount(actualOutputLength, 0);
    if (c == nullptr || (inputBuffer == nullptr && inputBufferLength > 0) ||
        (outputBuffer == nullptr && outputBufferLength > 0)) {
        return paramErr;
    }
    if (OSStatus status = Open(c); status != noErr) {
        return status;
    }
    auto* op = reinterpret_cast<char*>(outputBuffer);
    size_t outLeft = outputBufferLength;
    size_t consumed = 0;
    auto finish = [&](OSStatus status) {
        SetCount(actualInputLength, consumed);
        SetCount(actualOutputLength, outputBufferLength - outLeft);
        return status;
    };

    if (c->pendingLength > 0) {
        // Complete the character the last input cut in two with the first bytes of this one.
        char joined[2 * kMaxPending];
        size_t k = c->pendingLength;
        size_t m = inputBufferLength < sizeof joined - k ? inputBufferLength : sizeof joined - k;
        std::memcpy(joined, c->pending, k);
        if (m > 0) {
            std::memcpy(joined + k, inputBuffer, m);
        }
        char* ip = joined;
        size_t inLeft = k + m;
        size_t r = iconv(c->cd, &ip, &inLeft, &op, &outLeft);
        int error = r == static_cast<size_t>(-1) ? errno : 0;
        size_t used = k + m - inLeft;
        if (used < k) {
            // Not even the held character went through: keep what is left of it.
            std::memmove(c->pending, c->pending + used, k - used);
            c->pendingLength = k - used;
            if (error == E2BIG) {
                return finish(kTECOutputBufferFullStatus);
            }
            if (error == EINVAL && m == inputBufferLength && inLeft <= kMaxPending) {
                // Still incomplete and all input used: hold it all.
                std::memcpy(c->pending, ip, inLeft);
                c->pendingLength = inLeft;
                consumed = inputBufferLength;
                return finish(noErr);
            }
            return finish(error == EILSEQ ? ClassifyRefusal(c, ip, inLeft)
                                          : kTextMalformedInputErr);
        }
        c->pendingLength = 0;
        consumed = used - k;
        if (error == E2BIG) {
            return finish(kTECOutputBufferFullStatus);
        }
        if (error == EILSEQ) {
            return finish(ClassifyRefusal(c, ip, inLeft));
        }
        if (error == EINVAL && m == inputBufferLength && inLeft <= kMaxPending) {
            // The input ends inside another character: hold it for the next call.
            std::memcpy(c->pending, ip, inLeft);
            c->pendingLength = inLeft;
            consumed = inputBufferLength;
            return finish(noErr);
        }
        // Otherwise the joined block stopped only where it was cut; go on with the input.
    }

    auto* ip = const_cast<char*>(reinterpret_cast<const char*>(inputBuffer)) + consumed;
    size_t inLeft = inputBufferLength - consumed;
    if (inLeft == 0) {
        return finish(noErr);
    }
    size_t r = iconv(c->cd, &ip, &inLeft, &op, &outLeft);
    consumed = inputBufferLength - inLeft;
    if (r != static_cast<size_t>(-1)) {
        return finish(noErr);
    }
    switch (errno) {
        case E2BIG:
            return finish(kTECOutputBufferFullStatus);
        case EINVAL:
            if (inLeft <= kMaxPending) {
                std::memcpy(c->pending, ip, inLeft);
                c->pendingLength = inLeft;
                consumed = inputBufferLength;
                return finish(noErr);
            }
            return finish(kTextMalformedInputErr);
        case EILSEQ:
            return finish(ClassifyRefusal(c, ip, inLeft));
        default:
            return finish(kTextMalformedInputErr);
    }
}

OSStatus TECFlushText(TECObjectRef c, TextPtr outputBuffer, ByteCount outputBufferLength,
                      ByteCount* actualOutputLength) {
    SetCount(actualOutputLength, 0);
    if (c == nullptr || (outputBuffer == nullptr && outputBufferLength > 0)) {
        return paramErr;
    }
    if (c->cd == kNoIconv) {
        return noErr;  // nothing converted yet, so nothing held
    }
    auto* op = reinterpret_cast<char*>(outputBuffer);
    size_t outLeft = outputBufferLength;
    char none = 0;
    char** opp = outputBuffer != nullptr ? &op : nullptr;
    if (opp == nullptr) {
        // iconv needs somewhere to write the reset sequence, even an empty one.
        op = &none;
        opp = &op;
    }
    size_t r = iconv(c->cd, nullptr, nullptr, opp, &outLeft);
    if (r == static_cast<size_t>(-1) && errno == E2BIG) {
        return kTECOutputBufferFullStatus;
    }
    SetCount(actualOutputLength, outputBufferLength - outLeft);
    bool partial = c->pendingLength > 0;
    c->pendingLength = 0;
    return partial ? static_cast<OSStatus>(kTECPartialCharErr) : static_cast<OSStatus>(noErr);
}

OSStatus TECClearConverterContextInfo(TECObjectRef c) {
    if (c == nullptr) {
        return paramErr;
    }
    if (c->cd != kNoIconv) {
        iconv(c->cd, nullptr, nullptr, nullptr, nullptr);
    }
    c->pendingLength = 0;
    return noErr;
}

OSStatus TECDisposeConverter(TECObjectRef c) {
    if (c == nullptr) {
        return paramErr;
    }
    if (c->cd != kNoIconv) {
        iconv_close(c->cd);
    }
    if (c->check != kNoIconv) {
        iconv_close(c->check);
    }
    ZEQPlatformFree(c);
    return noErr;
}
