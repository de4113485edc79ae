// Base64 as XML property lists carry data: lines of 76 characters, each ending with a line
// feed, and a decoder for the same text that takes any blank between the characters.
#pragma once

#include <cstddef>
#include <cstdint>

namespace base64 {

// Bytes per full line, and characters per full line (without its line feed).
constexpr size_t kLineBytes = 57;
constexpr size_t kLineChars = 76;

// Characters EncodeLines writes for `length` bytes, line feeds included.
size_t EncodedLinesLength(size_t length);
// Writes the encoding of `bytes` as lines of kLineChars characters, the last one shorter and
// padded with '=', each ending with '\n'; nothing for no bytes. Returns the characters written.
size_t EncodeLines(const uint8_t* bytes, size_t length, char* out);

// Most bytes Decode can produce from `length` characters.
inline size_t DecodedLengthBound(size_t length) {
    return length / 4 * 3;
}
// Decodes canonical base64: groups of four characters of the standard alphabet, '=' only as
// the padding of the last group, with spaces, tabs, carriage returns and line feeds anywhere
// between them. False for anything else (nothing is said about `out` then); on success
// *written is the number of bytes stored.
bool Decode(const char* text, size_t length, uint8_t* out, size_t* written);

}  // namespace base64
