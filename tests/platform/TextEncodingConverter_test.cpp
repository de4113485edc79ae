// Tests of the Text Encoding Converter stand-in: conversions of the PPD encodings, the
// full-output-buffer protocol, characters cut between calls, and the encoding helpers.
#include "platform/TextEncodingConverter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr TextEncoding kUTF8 = 0x08000100;

// Converts in one call with a generous buffer, then flushes.
std::string Convert(TextEncoding from, TextEncoding to, const std::string& in,
                    OSStatus* status = nullptr) {
    TECObjectRef c = nullptr;
    EXPECT_EQ(TECCreateConverter(&c, from, to), noErr);
    std::string out(in.size() * 4 + 16, '\0');
    ByteCount read = 0, written = 0, flushed = 0;
    OSStatus s = TECConvertText(c, reinterpret_cast<ConstTextPtr>(in.data()), in.size(), &read,
                                reinterpret_cast<TextPtr>(out.data()), out.size(), &written);
    if (s == noErr) {
        s = TECFlushText(c, reinterpret_cast<TextPtr>(out.data()) + written, out.size() - written,
                         &flushed);
    }
    if (status != nullptr) {
        *status = s;
    }
    TECDisposeConverter(c);
    out.resize(written + flushed);
    return out;
}

}  // namespace

TEST(TextEncodingConverter, ConvertsThePPDEncodingsToUTF8) {
    EXPECT_EQ(Convert(kTextEncodingISOLatin1, kUTF8, "caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(Convert(kTextEncodingMacRoman, kUTF8, "caf\x8E \xA5"), "caf\xC3\xA9 \xE2\x80\xA2");
    EXPECT_EQ(Convert(kTextEncodingISOLatin2, kUTF8, "\xB1"), "\xC4\x85");  // a with ogonek
    EXPECT_EQ(Convert(kTextEncodingISOLatin5, kUTF8, "\xFD"), "\xC4\xB1");  // dotless i
    EXPECT_EQ(Convert(kTextEncodingWindowsLatin1, kUTF8, "\x80"), "\xE2\x82\xAC");
    // Shift-JIS "Nihon" and half-width katakana; ASCII stays ASCII.
    EXPECT_EQ(Convert(kTextEncodingShiftJIS, kUTF8, "\x93\xFA\x96\x7B A\xB1"),
              "\xE6\x97\xA5\xE6\x9C\xAC A\xEF\xBD\xB1");
    EXPECT_EQ(Convert(kUTF8, kTextEncodingShiftJIS, "\xE6\x97\xA5\xE6\x9C\xAC"),
              "\x93\xFA\x96\x7B");

    // Unicode (0x100) is UTF-16 in the host's byte order, without a byte-order mark.
    std::string utf16 = Convert(kTextEncodingISOLatin1, kTextEncodingUnicodeDefault, "A\xE9");
    ASSERT_EQ(utf16.size(), 4u);
    const char16_t expected[] = {u'A', u'\u00E9'};
    EXPECT_EQ(std::memcmp(utf16.data(), expected, 4), 0);
    EXPECT_EQ(Convert(kTextEncodingUnicodeDefault, kUTF8, utf16), "A\xC3\xA9");
}

TEST(TextEncodingConverter, ErrorsOfInputAndOutput) {
    OSStatus status = noErr;
    Convert(kTextEncodingShiftJIS, kUTF8, "ab\x81\x20", &status);  // bad second byte
    EXPECT_EQ(status, kTextMalformedInputErr);
    Convert(kUTF8, kTextEncodingISOLatin1, "\xE6\x97\xA5", &status);  // no Latin-1 character
    EXPECT_EQ(status, kTECUnmappableElementErr);

    TECObjectRef c = reinterpret_cast<TECObjectRef>(1);
    EXPECT_EQ(TECCreateConverter(&c, 0x7777, kUTF8), kTECNoConversionPathErr);
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(TECDisposeConverter(nullptr), paramErr);

    // The counts stop before the refused character.
    ASSERT_EQ(TECCreateConverter(&c, kTextEncodingShiftJIS, kUTF8), noErr);
    unsigned char out[32];
    ByteCount read = 0, written = 0;
    EXPECT_EQ(TECConvertText(c, reinterpret_cast<ConstTextPtr>("ab\x81\x20"), 4, &read, out,
                             sizeof out, &written),
              kTextMalformedInputErr);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(written, 2u);
    TECDisposeConverter(c);
}

TEST(TextEncodingConverter, UnusedConverterFlushesClearsAndDisposes) {
    // A converter is set up by its first conversion: one that never converts holds nothing.
    TECObjectRef c = nullptr;
    ASSERT_EQ(TECCreateConverter(&c, kTextEncodingISOLatin2, kUTF8), noErr);
    unsigned char out[8];
    ByteCount written = 1;
    EXPECT_EQ(TECFlushText(c, out, sizeof out, &written), noErr);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(TECClearConverterContextInfo(c), noErr);
    // After a clear it still converts.
    ByteCount read = 0;
    EXPECT_EQ(TECConvertText(c, reinterpret_cast<ConstTextPtr>("\xB1"), 1, &read, out, sizeof out,
                             &written),
              noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), written), "\xC4\x85");
    EXPECT_EQ(TECDisposeConverter(c), noErr);
    ASSERT_EQ(TECCreateConverter(&c, kTextEncodingShiftJIS, kUTF8), noErr);
    EXPECT_EQ(TECDisposeConverter(c), noErr);
}

TEST(TextEncodingConverter, FullOutputBufferGrowAndContinue) {
    // Shift-JIS text with one-byte and two-byte characters, converted into an output buffer
    // that starts at one byte and grows by one byte each time the converter reports it full.
    std::string input;
    for (int i = 0; i < 40; ++i) {
        input += "\x93\xFA\x96\x7B-x\xB1";
    }
    std::string whole = Convert(kTextEncodingShiftJIS, kUTF8, input);
    ASSERT_FALSE(whole.empty());

    TECObjectRef c = nullptr;
    ASSERT_EQ(TECCreateConverter(&c, kTextEncodingShiftJIS, kUTF8), noErr);
    std::string out;
    size_t capacity = 1;
    size_t done = 0;
    int fullReports = 0;
    for (;;) {
        std::string chunk(capacity, '\0');
        ByteCount read = 0, written = 0;
        OSStatus s = TECConvertText(
            c, reinterpret_cast<ConstTextPtr>(input.data()) + done, input.size() - done, &read,
            reinterpret_cast<TextPtr>(chunk.data()), chunk.size(), &written);
        ASSERT_TRUE(s == noErr || s == kTECOutputBufferFullStatus) << s;
        out.append(chunk.data(), written);
        done += read;
        if (s == noErr) {
            break;
        }
        ++fullReports;
        capacity += 1;
    }
    EXPECT_GT(fullReports, 3);
    EXPECT_EQ(done, input.size());
    ByteCount flushed = 0;
    EXPECT_EQ(TECFlushText(c, nullptr, 0, &flushed), noErr);
    EXPECT_EQ(out, whole);
    TECDisposeConverter(c);
}

TEST(TextEncodingConverter, CharacterCutBetweenCalls) {
    TECObjectRef c = nullptr;
    ASSERT_EQ(TECCreateConverter(&c, kTextEncodingShiftJIS, kUTF8), noErr);
    unsigned char out[32];
    ByteCount read = 0, written = 0;
    auto feed = [&](const std::string& in, ByteCount room = sizeof out) {
        return TECConvertText(c, reinterpret_cast<ConstTextPtr>(in.data()), in.size(), &read, out,
                              room, &written);
    };
    auto text = [&] { return std::string(reinterpret_cast<char*>(out), written); };
    // The first byte of a two-byte character is read and held.
    EXPECT_EQ(feed("a\x93"), noErr);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(text(), "a");
    // The next input completes it.
    EXPECT_EQ(feed("\xFA"
                   "b\x96"),
              noErr);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(text(),
              "\xE6\x97\xA5"
              "b");
    // A full buffer while completing the held character keeps it held.
    EXPECT_EQ(feed("\x7B", 2), kTECOutputBufferFullStatus);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(feed("\x7B"), noErr);
    EXPECT_EQ(text(), "\xE6\x9C\xAC");

    // Text that ends inside a character: the flush reports it and drops the bytes.
    EXPECT_EQ(feed("\x93"), noErr);
    EXPECT_EQ(TECFlushText(c, out, sizeof out, &written), kTECPartialCharErr);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(TECFlushText(c, out, sizeof out, &written), noErr);

    // Clearing the context forgets a held byte: the next text starts afresh.
    feed("\x93");
    EXPECT_EQ(TECClearConverterContextInfo(c), noErr);
    EXPECT_EQ(feed("ok"), noErr);
    EXPECT_EQ(text(), "ok");
    TECDisposeConverter(c);
}
