// Tests of CFString: encodings both ways, external representation, formats, mutation,
// numeric values and comparison.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/CoreFoundation.h"

namespace {

// The UTF-8 text of a string, for comparisons.
std::string Utf8(CFStringRef s) {
    char buffer[1024];
    if (!CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8))
        return "<fail>";
    return buffer;
}

CFStringRef FromBytes(const char* bytes, CFStringEncoding encoding) {
    return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(bytes),
                                   static_cast<CFIndex>(std::strlen(bytes)), encoding, false);
}

}  // namespace

TEST(CFStringTest, EightBitEncodingsRoundTrip) {
    struct Case {
        CFStringEncoding encoding;
        const char* bytes;
        UniChar first;
    } cases[] = {
        {kCFStringEncodingISOLatin1, "\xE9t\xE9", 0x00E9},
        {kCFStringEncodingMacRoman, "\x8E\xA5", 0x00E9},  // é, bullet
        {kCFStringEncodingWindowsLatin1, "\x80 euro", 0x20AC},
        {kCFStringEncodingISOLatin2, "\xB1", 0x0105},                     // ą
        {kCFStringEncodingISOLatin5, "\xFD", 0x0131},                     // dotless i
        {kCFStringEncodingShiftJIS, "\x93\xFA\x96\x7B\x8C\xEA", 0x65E5},  // 日本語
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        CFStringRef s = FromBytes(c.bytes, c.encoding);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(CFStringGetCharacterAtIndex(s, 0), c.first);
        char back[64];
        ASSERT_TRUE(CFStringGetCString(s, back, sizeof back, c.encoding));
        EXPECT_STREQ(back, c.bytes);
        CFRelease(s);
    }
    // ASCII survives Shift-JIS unchanged (no yen sign for the backslash).
    CFStringRef path = FromBytes("a\\b~", kCFStringEncodingShiftJIS);
    EXPECT_EQ(Utf8(path), "a\\b~");
    CFRelease(path);
}

TEST(CFStringTest, ConversionFailures) {
    // Bytes that are not valid in the encoding give no string.
    EXPECT_EQ(FromBytes("\xC3(", kCFStringEncodingUTF8), nullptr);
    EXPECT_EQ(FromBytes("\xED\xA0\x80", kCFStringEncodingUTF8), nullptr);  // encoded surrogate
    EXPECT_EQ(FromBytes("\x80", kCFStringEncodingASCII), nullptr);
    EXPECT_EQ(FromBytes("x", 0x7777), nullptr);

    // Text the target lacks, or a buffer too small, makes GetCString fail.
    CFStringRef s =
        CFStringCreateWithCString(nullptr, "h\xC3\xA9\xE2\x82\xAC", kCFStringEncodingUTF8);
    char buffer[16];
    EXPECT_FALSE(CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingISOLatin1));
    EXPECT_TRUE(CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingWindowsLatin1));
    EXPECT_STREQ(buffer, "h\xE9\x80");
    EXPECT_FALSE(CFStringGetCString(s, buffer, 6, kCFStringEncodingUTF8));  // needs 7
    EXPECT_TRUE(CFStringGetCString(s, buffer, 7, kCFStringEncodingUTF8));

    // GetBytes stops at the first character it cannot convert, or uses the loss byte.
    UInt8 bytes[16];
    CFIndex used = 0;
    EXPECT_EQ(CFStringGetBytes(s, CFRangeMake(0, 3), kCFStringEncodingISOLatin1, 0, false, bytes,
                               sizeof bytes, &used),
              2);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(CFStringGetBytes(s, CFRangeMake(0, 3), kCFStringEncodingISOLatin1, '?', false, bytes,
                               sizeof bytes, &used),
              3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), used), "h\xE9?");
    // A small buffer takes whole characters only; a null buffer measures.
    EXPECT_EQ(
        CFStringGetBytes(s, CFRangeMake(0, 3), kCFStringEncodingUTF8, 0, false, bytes, 4, &used),
        2);
    EXPECT_EQ(used, 3);
    EXPECT_EQ(
        CFStringGetBytes(s, CFRangeMake(0, 3), kCFStringEncodingUTF8, 0, false, nullptr, 0, &used),
        3);
    EXPECT_EQ(used, 6);
    CFRelease(s);
}

TEST(CFStringTest, LengthsAreUTF16Units) {
    // U+1D11E (musical G clef) is a surrogate pair.
    CFStringRef s = CFStringCreateWithCString(nullptr,
                                              "a\xF0\x9D\x84\x9E"
                                              "b",
                                              kCFStringEncodingUTF8);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(CFStringGetLength(s), 4);
    UniChar units[4];
    CFStringGetCharacters(s, CFRangeMake(0, 4), units);
    EXPECT_EQ(units[1], 0xD834);
    EXPECT_EQ(units[2], 0xDD1E);
    EXPECT_EQ(Utf8(s),
              "a\xF0\x9D\x84\x9E"
              "b");
    char latin[8];
    EXPECT_FALSE(CFStringGetCString(s, latin, sizeof latin, kCFStringEncodingISOLatin1));
    CFRelease(s);

    // A lone surrogate has no UTF-8 form.
    const UniChar lone[] = {'x', 0xD800};
    CFStringRef bad = CFStringCreateWithCharacters(nullptr, lone, 2);
    char buffer[8];
    EXPECT_FALSE(CFStringGetCString(bad, buffer, sizeof buffer, kCFStringEncodingUTF8));
    CFRelease(bad);
}

TEST(CFStringTest, ExternalRepresentationBothWays) {
    CFStringRef s =
        CFStringCreateWithCString(nullptr, "A\xC3\xA9\xE2\x82\xAC", kCFStringEncodingUTF8);
    CFDataRef data =
        CFStringCreateExternalRepresentation(nullptr, s, kCFStringEncodingUnicode, '?');
    ASSERT_NE(data, nullptr);
    const UInt8 expected[] = {0xFE, 0xFF, 0x00, 'A', 0x00, 0xE9, 0x20, 0xAC};
    ASSERT_EQ(CFDataGetLength(data), 8);
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data), expected, 8), 0);
    CFStringRef back =
        CFStringCreateFromExternalRepresentation(nullptr, data, kCFStringEncodingUnicode);
    EXPECT_TRUE(CFEqual(back, s));
    CFRelease(back);
    CFRelease(data);

    // A little-endian mark is honoured; without a mark the bytes are big-endian.
    const UInt8 little[] = {0xFF, 0xFE, 'h', 0, 'i', 0};
    const UInt8 bare[] = {0, 'h', 0, 'i'};
    for (auto [bytes, length] : {std::pair{little, 6}, std::pair{bare, 4}}) {
        CFDataRef d = CFDataCreate(nullptr, bytes, length);
        CFStringRef t =
            CFStringCreateFromExternalRepresentation(nullptr, d, kCFStringEncodingUnicode);
        EXPECT_EQ(Utf8(t), "hi");
        CFRelease(t);
        CFRelease(d);
    }
    // An odd byte count is not UTF-16.
    CFDataRef odd = CFDataCreate(nullptr, little, 5);
    EXPECT_EQ(CFStringCreateFromExternalRepresentation(nullptr, odd, kCFStringEncodingUnicode),
              nullptr);
    CFRelease(odd);

    // The loss byte stands in for what the encoding lacks; 0 makes the call fail.
    CFDataRef latin =
        CFStringCreateExternalRepresentation(nullptr, s, kCFStringEncodingISOLatin1, '?');
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(latin)), CFDataGetLength(latin)),
        "A\xE9?");
    CFRelease(latin);
    EXPECT_EQ(CFStringCreateExternalRepresentation(nullptr, s, kCFStringEncodingISOLatin1, 0),
              nullptr);
    CFRelease(s);
}

TEST(CFStringTest, PascalStringsAndCStringPtr) {
    const unsigned char pascal[] =
        "\x04"
        "caf\x8E";
    CFStringRef s = CFStringCreateWithPascalString(nullptr, pascal, kCFStringEncodingMacRoman);
    EXPECT_EQ(Utf8(s), "caf\xC3\xA9");
    Str255 out;
    ASSERT_TRUE(CFStringGetPascalString(s, out, sizeof out, kCFStringEncodingMacRoman));
    EXPECT_EQ(std::memcmp(out, pascal, 5), 0);
    EXPECT_FALSE(CFStringGetPascalString(s, out, 4, kCFStringEncodingMacRoman));
    // Non-ASCII text has no direct pointer; ASCII text in an ASCII-compatible encoding does.
    EXPECT_EQ(CFStringGetCStringPtr(s, kCFStringEncodingUTF8), nullptr);
    CFRelease(s);
    EXPECT_STREQ(CFStringGetCStringPtr(CFSTR("plain"), kCFStringEncodingUTF8), "plain");
    EXPECT_EQ(CFStringGetCStringPtr(CFSTR("plain"), kCFStringEncodingUnicode), nullptr);

    // Longer than 255 bytes does not fit a Pascal string.
    CFStringRef longText =
        CFStringCreateWithCString(nullptr, std::string(256, 'x').c_str(), kCFStringEncodingASCII);
    EXPECT_FALSE(CFStringGetPascalString(longText, out, sizeof out, kCFStringEncodingASCII));
    CFRelease(longText);
}

TEST(CFStringTest, MutableStrings) {
    CFMutableStringRef m = CFStringCreateMutableCopy(nullptr, 0, CFSTR("ab"));
    CFStringAppend(m, CFSTR("cd"));
    CFStringAppendCString(m, "\xE9", kCFStringEncodingISOLatin1);
    CFStringAppend(m, m);  // appending itself doubles it
    EXPECT_EQ(Utf8(m),
              "abcd\xC3\xA9"
              "abcd\xC3\xA9");
    CFStringDelete(m, CFRangeMake(0, 5));
    CFStringInsert(m, 0, CFSTR(">"));
    EXPECT_EQ(Utf8(m), ">abcd\xC3\xA9");
    // A mutable string has no stable C-string pointer; an immutable copy is independent.
    EXPECT_EQ(CFStringGetCStringPtr(m, kCFStringEncodingUTF8), nullptr);
    CFStringRef copy = CFStringCreateCopy(nullptr, m);
    CFStringReplaceAll(m, CFSTR("x"));
    EXPECT_EQ(Utf8(copy), ">abcd\xC3\xA9");
    EXPECT_EQ(Utf8(m), "x");
    // Immutable strings are not changed by the mutators.
    CFStringAppend(const_cast<CFMutableStringRef>(copy), CFSTR("!"));
    EXPECT_EQ(CFStringGetLength(copy), 6);
    CFRelease(copy);
    CFRelease(m);
}

TEST(CFStringTest, ComparisonAndSearch) {
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("abd"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("ab"), 0), kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(CFSTR("ABC"), CFSTR("abc"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("ABC"), CFSTR("abc"), kCFCompareCaseInsensitive),
              kCFCompareEqualTo);
    EXPECT_EQ(CFStringCompare(CFSTR("\xC3\x89t\xC3\xA9"), CFSTR("\xC3\xA9T\xC3\x89"),
                              kCFCompareCaseInsensitive),
              kCFCompareEqualTo);
    EXPECT_TRUE(CFStringHasPrefix(CFSTR("PPDFile"), CFSTR("PPD")));
    EXPECT_FALSE(CFStringHasPrefix(CFSTR("PP"), CFSTR("PPD")));
    EXPECT_TRUE(CFStringHasSuffix(CFSTR("list.plist"), CFSTR(".plist")));
    EXPECT_FALSE(CFStringHasSuffix(CFSTR("plist"), CFSTR(".plist")));
    CFRange r = CFStringFind(CFSTR("a.b.c"), CFSTR("."), 0);
    EXPECT_EQ(r.location, 1);
    r = CFStringFind(CFSTR("a.b.c"), CFSTR("."), kCFCompareBackwards);
    EXPECT_EQ(r.location, 3);
    r = CFStringFind(CFSTR("Hello"), CFSTR("LL"), kCFCompareCaseInsensitive);
    EXPECT_EQ(r.location, 2);
    EXPECT_EQ(CFStringFind(CFSTR("Hello"), CFSTR("x"), 0).location, kCFNotFound);
}
