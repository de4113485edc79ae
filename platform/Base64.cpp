// Base64 in the line layout of XML property lists: three bytes to four characters through a
// table of character pairs, and four characters back through four tables of shifted values.
#include "platform/Base64.h"

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
        // Groups of four alphabet characters, the bulk of every line.
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
