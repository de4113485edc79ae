// Tests of the encoding table shared by CFString and the Text Encoding Converter.
#include <gtest/gtest.h>

#include <string>

#include "platform/TextEncodingTable.h"

using platform::BytesFromUtf16;
using platform::ConversionStatus;
using platform::Utf16FromBytes;

TEST(TextEncodingTableTest, ConversionsReportFailures) {
    std::u16string text;
    EXPECT_EQ(Utf16FromBytes(0, "\x8E", 1, text), ConversionStatus::ok);
    EXPECT_EQ(text, u"\u00E9");
    // Output is appended, and a failed conversion leaves what was there.
    EXPECT_EQ(Utf16FromBytes(0x08000100, "a\xC3", 2, text), ConversionStatus::malformedInput);
    EXPECT_EQ(text, u"\u00E9");
    EXPECT_EQ(Utf16FromBytes(0x7777, "a", 1, text), ConversionStatus::unsupportedEncoding);

    // Plain UTF-16 follows its byte-order mark, host order without one.
    std::u16string wide;
    EXPECT_EQ(Utf16FromBytes(0x100, "\xFE\xFF\x00\x41", 4, wide), ConversionStatus::ok);
    EXPECT_EQ(wide, u"A");
    EXPECT_EQ(Utf16FromBytes(0x100, "\xFF\xFE\x42\x00", 4, wide), ConversionStatus::ok);
    EXPECT_EQ(wide, u"AB");
    EXPECT_EQ(Utf16FromBytes(0x100, "\x00", 1, wide), ConversionStatus::malformedInput);

    std::string bytes;
    const std::u16string euro = u"x\u20AC\U0001D11Ey";
    EXPECT_EQ(BytesFromUtf16(0x201, euro.data(), euro.size(), bytes), ConversionStatus::unmappable);
    EXPECT_TRUE(bytes.empty());
    // A loss byte replaces each missing character once, a surrogate pair included.
    EXPECT_EQ(BytesFromUtf16(0x201, euro.data(), euro.size(), bytes, '?'), ConversionStatus::ok);
    EXPECT_EQ(bytes, "x??y");
    bytes.clear();
    EXPECT_EQ(BytesFromUtf16(0x500, euro.data(), 2, bytes), ConversionStatus::ok);
    EXPECT_EQ(bytes, "x\x80");
    bytes.clear();
    const std::u16string lone = u"a\xD800";
    EXPECT_EQ(BytesFromUtf16(0x202, lone.data(), lone.size(), bytes),
              ConversionStatus::malformedInput);
    const std::u16string japanese = u"\u65E5\u672C";
    EXPECT_EQ(BytesFromUtf16(0xA01, japanese.data(), japanese.size(), bytes), ConversionStatus::ok);
    EXPECT_EQ(bytes, "\x93\xFA\x96\x7B");
}
