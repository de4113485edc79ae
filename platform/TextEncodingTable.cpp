// Mac text-encoding numbers mapped to glibc iconv character sets, and the byte <-> UTF-16
// conversions built on them.
#include "platform/TextEncodingTable.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace platform {
namespace {

constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;
constexpr const char* kHostUTF16 = kLittleEndianHost ? "UTF-16LE" : "UTF-16BE";

// The Unicode formats carried above the base encoding (bits 26..29).
constexpr uint32_t kUTF16BE = 0x10000100;
constexpr uint32_t kUTF16LE = 0x14000100;
constexpr uint32_t kUTF32BE = 0x18000100;
constexpr uint32_t kUTF32LE = 0x1C000100;

struct TableEntry {
    uint32_t encoding;
    const char* charset;
    uint8_t maxBytesPerUnit;
};

// Shift-JIS goes through CP932 rather than glibc's SHIFT_JIS: SHIFT_JIS reads 0x5C and 0x7E
// as YEN SIGN and OVERLINE, so ASCII text (PPD keywords, paths) would not survive a round
// trip, and it lacks the vendor rows (circled digits and the like) that real documents use.
// The price is that WAVE DASH (U+301C) reads back as FULLWIDTH TILDE (U+FF5E).
constexpr TableEntry kTable[] = {
    {kTextEncodingTableMacRoman, "MACINTOSH", 1},
    {kTextEncodingTableMacJapanese, "CP932", 2},
    {kTextEncodingTableUnicode, "UTF-16BE", 2},
    {kTextEncodingTableUnicodeV2, "UTF-16BE", 2},
    {kTextEncodingTableUTF8, "UTF-8", 3},
    {kUTF16BE, "UTF-16BE", 2},
    {kUTF16LE, "UTF-16LE", 2},
    {kUTF32BE, "UTF-32BE", 4},
    {kUTF32LE, "UTF-32LE", 4},
    {kTextEncodingTableISOLatin1, "ISO-8859-1", 1},
    {kTextEncodingTableISOLatin2, "ISO-8859-2", 1},
    {kTextEncodingTableISOLatin5, "ISO-8859-9", 1},
    {kTextEncodingTableWindowsLatin1, "CP1252", 1},
    {kTextEncodingTableASCII, "ASCII", 1},
    {kTextEncodingTableShiftJIS, "CP932", 2},
};

const TableEntry* Find(uint32_t encoding) {
    for (const TableEntry& e : kTable) {
        if (e.encoding == encoding)
            return &e;
    }
    return nullptr;
}

// iconv descriptors, opened once per thread and conversion direction and reset before each
// use: opening one costs far more than a typical PPD line's conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : mCd(Lookup(to, from)) {
        if (valid())
            iconv(mCd, nullptr, nullptr, nullptr, nullptr);
    }
    bool valid() const { return mCd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return mCd; }

private:
    struct Entry {
        const char* to;
        const char* from;
        iconv_t cd;
    };
    struct Cache {
        std::vector<Entry> entries;
        ~Cache() {
            for (const Entry& e : entries)
                iconv_close(e.cd);
        }
    };

    // The charset names are the table's own static strings, so their addresses identify them.
    static iconv_t Lookup(const char* to, const char* from) {
        thread_local Cache cache;
        for (const Entry& e : cache.entries) {
            if (e.to == to && e.from == from)
                return e.cd;
        }
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1))
            return cd;
        try {
            cache.entries.push_back(Entry{to, from, cd});
        } catch (const std::bad_alloc&) {
            iconv_close(cd);
            return reinterpret_cast<iconv_t>(-1);
        }
        return cd;
    }

    iconv_t mCd;
};

// Runs iconv over the whole input, appending to `out`. With `lossByte` set, a sequence the
// target lacks is replaced by that byte and the input moves on by `unitSize` (two units for
// a surrogate pair when the input is UTF-16).
template <typename Out>
ConversionStatus Run(iconv_t cd, const char* in, size_t inLeft, Out& out, uint8_t lossByte,
                     bool inputIsUTF16) {
    char buffer[1024];
    while (inLeft > 0) {
        char* inPtr = const_cast<char*>(in);
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        int err = errno;
        size_t produced = sizeof buffer - outLeft;
        if (produced > 0) {
            using Unit = typename Out::value_type;
            const size_t units = produced / sizeof(Unit);
            const size_t old = out.size();
            out.resize(old + units);
            std::memcpy(out.data() + old, buffer, units * sizeof(Unit));
        }
        in = inPtr;
        if (r != static_cast<size_t>(-1))
            continue;
        if (err == E2BIG)
            continue;
        if (err == EILSEQ && lossByte != 0 && inputIsUTF16 && inLeft >= 2) {
            // A character the target lacks: skip it (a whole surrogate pair when there is one).
            char16_t unit;
            std::memcpy(&unit, in, 2);
            size_t skip = 2;
            if (unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 4) {
                char16_t low;
                std::memcpy(&low, in + 2, 2);
                if (low >= 0xDC00 && low <= 0xDFFF)
                    skip = 4;
            }
            in += skip;
            inLeft -= skip;
            out.push_back(static_cast<typename Out::value_type>(lossByte));
            continue;
        }
        if (err == EILSEQ && inputIsUTF16) {
            // From UTF-16 the only illegal input is a lone surrogate; anything else is a
            // character the target cannot hold.
            char16_t unit;
            std::memcpy(&unit, in, 2);
            return (unit >= 0xD800 && unit <= 0xDFFF) ? ConversionStatus::malformedInput
                                                      : ConversionStatus::unmappable;
        }
        return ConversionStatus::malformedInput;  // EILSEQ from bytes, or EINVAL (cut short)
    }
    return ConversionStatus::ok;
}

bool IsUTF16Number(uint32_t encoding) {
    return encoding == kTextEncodingTableUnicode || encoding == kTextEncodingTableUnicodeV2;
}

}  // namespace

const char* IconvCharsetForEncoding(uint32_t encoding) {
    const TableEntry* e = Find(encoding);
    return e ? e->charset : nullptr;
}

bool IsUnicodeEncoding(uint32_t encoding) {
    return (encoding & 0xFFFF) == kTextEncodingTableUnicode ||
           (encoding & 0xFFFF) == kTextEncodingTableUnicodeV2;
}

bool IsSupportedEncoding(uint32_t encoding) {
    return Find(encoding) != nullptr;
}

size_t MaxBytesPerUTF16Unit(uint32_t encoding) {
    const TableEntry* e = Find(encoding);
    return e ? e->maxBytesPerUnit : 0;
}

ConversionStatus Utf16FromBytes(uint32_t encoding, const void* bytes, size_t length,
                                std::u16string& out) {
    const TableEntry* e = Find(encoding);
    if (!e)
        return ConversionStatus::unsupportedEncoding;
    const auto* p = static_cast<const unsigned char*>(bytes);
    if (length == 0)
        return ConversionStatus::ok;
    if (!p)
        return ConversionStatus::malformedInput;
    try {
        if (IsUTF16Number(encoding)) {
            // Plain UTF-16: a byte-order mark decides the order; without one, host order.
            if (length % 2 != 0)
                return ConversionStatus::malformedInput;
            bool swap = false;
            if (length >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
                const bool bigEndianMark = p[0] == 0xFE;
                swap = bigEndianMark == kLittleEndianHost;
                p += 2;
                length -= 2;
            }
            const size_t old = out.size();
            out.resize(old + length / 2);
            for (size_t i = 0; i < length / 2; ++i) {
                char16_t u;
                std::memcpy(&u, p + 2 * i, 2);
                out[old + i] = swap ? static_cast<char16_t>((u >> 8) | (u << 8)) : u;
            }
            return ConversionStatus::ok;
        }
        Converter cv(kHostUTF16, e->charset);
        if (!cv.valid())
            return ConversionStatus::unsupportedEncoding;
        const size_t old = out.size();
        ConversionStatus s = Run(cv.get(), reinterpret_cast<const char*>(p), length, out, 0, false);
        if (s != ConversionStatus::ok)
            out.resize(old);
        return s;
    } catch (const std::bad_alloc&) {
        return ConversionStatus::noMemory;
    }
}

ConversionStatus BytesFromUtf16(uint32_t encoding, const char16_t* units, size_t count,
                                std::string& out, uint8_t lossByte) {
    const TableEntry* e = Find(encoding);
    if (!e)
        return ConversionStatus::unsupportedEncoding;
    if (count == 0)
        return ConversionStatus::ok;
    if (!units)
        return ConversionStatus::malformedInput;
    try {
        if (IsUTF16Number(encoding)) {
            const size_t old = out.size();
            out.resize(old + count * 2);
            std::memcpy(out.data() + old, units, count * 2);
            return ConversionStatus::ok;
        }
        Converter cv(e->charset, kHostUTF16);
        if (!cv.valid())
            return ConversionStatus::unsupportedEncoding;
        const size_t old = out.size();
        ConversionStatus s =
            Run(cv.get(), reinterpret_cast<const char*>(units), count * 2, out, lossByte, true);
        if (s != ConversionStatus::ok)
            out.resize(old);
        return s;
    } catch (const std::bad_alloc&) {
        return ConversionStatus::noMemory;
    }
}

}  // namespace platform
