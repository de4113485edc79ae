// Table of Mac text-encoding numbers and their iconv character sets, and the conversions
// between bytes in such an encoding and UTF-16 that CFString and the TEC stand-in share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Mac text-encoding numbers (the low 16 bits are the base encoding; variants and formats sit
// above). These equal the kCFStringEncoding... and kTextEncoding... constants.
enum : uint32_t {
    kTextEncodingTableMacRoman = 0,
    kTextEncodingTableUnicode = 0x100,    // UTF-16, host byte order unless a BOM says otherwise
    kTextEncodingTableUnicodeV2 = 0x101,  // accepted as Unicode (UTF-16)
    kTextEncodingTableUTF8 = 0x08000100,  // Unicode with the UTF-8 format
    kTextEncodingTableISOLatin1 = 0x201,
    kTextEncodingTableISOLatin2 = 0x202,
    kTextEncodingTableISOLatin5 = 0x209,
    kTextEncodingTableWindowsLatin1 = 0x500,
    kTextEncodingTableASCII = 0x600,
    kTextEncodingTableShiftJIS = 0xA01,
    kTextEncodingTableMacJapanese = 1,  // Mac script Japanese: Shift-JIS
};

// The iconv character-set name for a Mac encoding number, or nullptr when the encoding is not
// supported. Unicode (0x100, 0x101) maps to big-endian UTF-16 ("UTF-16BE"); callers that
// convert UTF-16 use Utf16FromBytes/BytesFromUtf16, which handle byte order themselves.
const char* IconvCharsetForEncoding(uint32_t encoding);

// True when the encoding is one of the UTF-16 numbers (0x100, 0x101) or UTF-8.
bool IsUnicodeEncoding(uint32_t encoding);

// True when IconvCharsetForEncoding knows the encoding.
bool IsSupportedEncoding(uint32_t encoding);

// The most bytes one UTF-16 unit can become in the encoding (1 for single-byte sets,
// 2 for Shift-JIS and UTF-16, 3 for UTF-8); 0 when the encoding is not supported.
size_t MaxBytesPerUTF16Unit(uint32_t encoding);

enum class ConversionStatus {
    ok,
    unsupportedEncoding,  // no iconv character set for the number
    malformedInput,       // the bytes are not valid in the source encoding
    unmappable,           // a character has no equivalent in the target encoding
    noMemory,
};

// Bytes in `encoding` -> UTF-16 units appended to `out` (host order). For the Unicode
// numbers, a leading byte-order mark (FE FF or FF FE) selects the byte order and is dropped;
// without one the bytes are taken in host order.
ConversionStatus Utf16FromBytes(uint32_t encoding, const void* bytes, size_t length,
                                std::u16string& out);

// UTF-16 units -> bytes in `encoding` appended to `out`. With `lossByte` non-zero a character
// the encoding lacks becomes that byte instead of failing. UTF-16 output is in host order
// without a byte-order mark.
ConversionStatus BytesFromUtf16(uint32_t encoding, const char16_t* units, size_t count,
                                std::string& out, uint8_t lossByte = 0);

}  // namespace platform
