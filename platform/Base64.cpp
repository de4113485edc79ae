// Base64 in the line layout of XML property lists: three bytes to four characters through a
// table of character pairs, and four characters back through four tables of shifted values.
#include "platform/Base64.h"

#include <immintrin.h>

#include <array>
#include <cstring>

namespace base64 {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12-bit value.
constexpr std::array<std::array<char, 2>, 4096> MakePairs() {
    std::array<std::array<char, 2>, 4096> pairs{};
    for (size_t i = 0; i < pairs.size(); ++i)
        pairs[i] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
    return pairs;
}
constexpr auto kPairs = MakePairs();

// A character's value shifted to its place in a group of four; kInvalid for a character
// outside the alphabet (blanks and '=' included), so that one test of the four values' union
// tells a plain group from one that needs a closer look.
constexpr uint32_t kInvalid = 0x01000000;
constexpr std::array<uint32_t, 256> MakeShifted(int shift) {
    std::array<uint32_t, 256> table{};
    for (auto& entry : table)
        entry = kInvalid;
    for (uint32_t v = 0; v < 64; ++v)
        table[static_cast<unsigned char>(kAlphabet[v])] = v << shift;
    return table;
}
constexpr auto kFirst = MakeShifted(18);
constexpr auto kSecond = MakeShifted(12);
constexpr auto kThird = MakeShifted(6);
constexpr auto kFourth = MakeShifted(0);

bool IsBlank(uint8_t c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

char* EncodeTriples(const uint8_t* bytes, size_t triples, char* out) {
    for (size_t i = 0; i < triples; ++i, bytes += 3, out += 4) {
        const uint32_t v = (uint32_t{bytes[0]} << 16) | (uint32_t{bytes[1]} << 8) | bytes[2];
        std::memcpy(out, kPairs[v >> 12].data(), 2);
        std::memcpy(out + 2, kPairs[v & 0xFFF].data(), 2);
    }
    return out;
}

// Thirty-two characters at a time with AVX2: the high and low nibble of each character pick
// bit masks whose common bits mark a character outside the alphabet, the high nibble (and '/')
// the offset from character to value, and two multiply-adds pack four 6-bit values into three
// bytes. Stores 32 bytes at `out`, 24 of them the block's; false (the 24 bytes not to be used)
// when a character is not of the alphabet.
__attribute__((target("avx2"), always_inline)) inline bool DecodeBlock(const uint8_t* p,
                                                                       uint8_t* out) {
    const __m256i lowMasks =
        _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A,
                         0x1B, 0x1B, 0x1B, 0x1A, 0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                         0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m256i highMasks =
        _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10,
                         0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08,
                         0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
    const __m256i offsets =
        _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 19, 4,
                         -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i slash = _mm256_set1_epi8(0x2F);
    const __m256i byteOrder =
        _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, 2, 1, 0, 6, 5, 4,
                         10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const __m256i text = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i high = _mm256_and_si256(_mm256_srli_epi32(text, 4), slash);
    const __m256i low = _mm256_and_si256(text, slash);
    if (!_mm256_testz_si256(_mm256_shuffle_epi8(lowMasks, low),
                            _mm256_shuffle_epi8(highMasks, high)))
        return false;
    const __m256i isSlash = _mm256_cmpeq_epi8(text, slash);
    const __m256i values =
        _mm256_add_epi8(text, _mm256_shuffle_epi8(offsets, _mm256_add_epi8(isSlash, high)));
    const __m256i pairs = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
    const __m256i words = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
    const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(words, byteOrder),
                                                       _mm256_setr_epi32(0, 1, 2, 4, 5, 6, -1, -1));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
    return true;
}

// Blocks for as long as the characters are all of the alphabet; returns where it stopped, with
// `out` advanced past what was decoded. Whole lines of the writer's layout (76 characters and
// a line feed) go in three blocks, the third overlapping the second by 20 characters, which
// decode the same again. The stores reach 32 bytes past a block's start: both loops stop
// early enough that they stay in the bound (48 characters left leave room for 33 bytes, 125
// for 90).
__attribute__((target("avx2"))) const uint8_t* DecodeBlocks(const uint8_t* p, const uint8_t* end,
                                                            uint8_t*& out) {
    constexpr size_t kLine = kLineChars + 1;
    while (end - p >= static_cast<ptrdiff_t>(kLine + 48) && p[kLineChars] == '\n' &&
           DecodeBlock(p, out) && DecodeBlock(p + 32, out + 24) && DecodeBlock(p + 44, out + 33)) {
        out += kLineBytes;
        p += kLine;
    }
    while (end - p >= 48 && DecodeBlock(p, out)) {
        out += 24;
        p += 32;
    }
    return p;
}

const bool kHaveAVX2 = __builtin_cpu_supports("avx2");

}  // namespace

size_t EncodedLinesLength(size_t length) {
    const size_t rest = length % kLineBytes;
    return length / kLineBytes * (kLineChars + 1) + (rest != 0 ? (rest + 2) / 3 * 4 + 1 : 0);
}

size_t EncodeLines(const uint8_t* bytes, size_t length, char* out) {
    char* const start = out;
    for (; length >= kLineBytes; length -= kLineBytes, bytes += kLineBytes) {
        out = EncodeTriples(bytes, kLineBytes / 3, out);
        *out++ = '\n';
    }
    if (length == 0)
        return static_cast<size_t>(out - start);
    out = EncodeTriples(bytes, length / 3, out);
    bytes += length / 3 * 3;
    if (length % 3 != 0) {
        const uint32_t v = (uint32_t{bytes[0]} << 16) | (length % 3 == 2 ? bytes[1] << 8 : 0);
        *out++ = kAlphabet[v >> 18];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = length % 3 == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        *out++ = '=';
    }
    *out++ = '\n';
    return static_cast<size_t>(out - start);
}

bool Decode(const char* text, size_t length, uint8_t* out, size_t* written) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
    const uint8_t* const end = p + length;
    uint8_t* const start = out;
    for (;;) {
        // Blanks, then groups of four alphabet characters, the bulk of every line: by blocks
        // where the processor has them, from the start of a line.
        while (p < end && IsBlank(*p))
            ++p;
        if (kHaveAVX2)
            p = DecodeBlocks(p, end, out);
        while (end - p >= 4) {
            const uint32_t v = kFirst[p[0]] | kSecond[p[1]] | kThird[p[2]] | kFourth[p[3]];
            if (v & kInvalid)
                break;
            out[0] = static_cast<uint8_t>(v >> 16);
            out[1] = static_cast<uint8_t>(v >> 8);
            out[2] = static_cast<uint8_t>(v);
            out += 3;
            p += 4;
        }
        if (p < end && IsBlank(*p))
            continue;
        // Otherwise one group, character by character: blanks between, or padding.
        uint8_t group[4];
        int count = 0;
        while (count < 4 && p < end) {
            if (!IsBlank(*p))
                group[count++] = *p;
            ++p;
        }
        if (count == 0)
            break;
        if (count < 4)
            return false;
        const int padding = group[3] != '=' ? 0 : group[2] != '=' ? 1 : 2;
        uint32_t v = 0;
        const std::array<uint32_t, 256>* tables[] = {&kFirst, &kSecond, &kThird, &kFourth};
        for (int i = 0; i < 4 - padding; ++i)
            v |= (*tables[i])[group[i]];
        if (v & kInvalid)
            return false;
        for (int i = 0; i < 3 - padding; ++i)
            *out++ = static_cast<uint8_t>(v >> (16 - 8 * i));
        if (padding != 0) {
            // The padded group ends the text: only blanks may follow.
            while (p < end && IsBlank(*p))
                ++p;
            if (p != end)
                return false;
            break;
        }
    }
    *written = static_cast<size_t>(out - start);
    return true;
}

}  // namespace base64
