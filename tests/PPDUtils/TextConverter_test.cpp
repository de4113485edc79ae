// Tests of TextConverter: hexadecimal runs, the encoding table, PPD text to display strings
// in each PPD encoding, in-place conversion with the exception-language rule, and the
// conversion back to the system encoding.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PPDUtils/PPDStream.h"
#include "PPDUtils/TextConverter.h"
#include "parser/PPDX.h"
#include "platform/CFString.h"

namespace {

std::string Dehex(const std::string& in) {
    std::string copy = in;
    std::string out(in.size() + 1, '?');
    long n = TextConverter::DehexBufferFill(copy.data(), out.data());
    EXPECT_EQ(n, static_cast<long>(std::strlen(out.c_str()) + 1));
    return std::string(out.c_str());
}

// A base parser that has read *LanguageVersion and *LanguageEncoding.
void SetLanguage(PPDX& ppd, const char* version, const char* encoding) {
    std::string v = std::string(" ") + version;
    std::string e = std::string(" ") + encoding;
    PPDStream vs(v.data(), static_cast<long>(v.size()));
    PPDStream es(e.data(), static_cast<long>(e.size()));
    ppd.ParsePSKeywords(vs, "*LanguageVersion");
    ppd.ParsePSKeywords(es, "*LanguageEncoding");
}

std::string Utf8(CFStringRef s) {
    if (s == nullptr)
        return "<null>";
    char buffer[512];
    std::string text = CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8)
                           ? buffer
                           : "<unconvertible>";
    CFRelease(s);
    return text;
}

std::string Display(const char* version, const char* encoding, const char* text) {
    PPDX ppd;
    SetLanguage(ppd, version, encoding);
    if (ppd.GetTextConverter() == nullptr)
        return "<no converter>";
    return Utf8(ppd.GetTextConverter()->ConvertToCFString(text, 256));
}

}  // namespace

TEST(TextConverter, HexadecimalRuns) {
    EXPECT_EQ(Dehex("<48656C6C6F>"), "Hello");
    EXPECT_EQ(Dehex("<48 65 6c 6C\t6f>"), "Hello");
    EXPECT_EQ(Dehex("say <48\r\n69>!"), "say Hi!");
    EXPECT_EQ(Dehex("<41>b<42>c<>d"), "AbBcd");
    // Malformed runs and everything after them stay as written.
    EXPECT_EQ(Dehex("x<486>y<41>"), "x<486>y<41>");
    EXPECT_EQ(Dehex("<41>x<4G>y<42>"), "Ax<4G>y<42>");
    EXPECT_EQ(Dehex("<41> and <42"), "A and <42");
    EXPECT_EQ(Dehex("no runs"), "no runs");
    EXPECT_EQ(Dehex(""), "");
    char nothing[1] = {'\0'};
    char out[4];
    EXPECT_EQ(TextConverter::DehexBufferFill(nothing, out), 1);
}

TEST(TextConverter, DisplayStringsPerEncoding) {
    EXPECT_EQ(Display("English", "ISOLatin1", "Qualit\xE9"), "Qualit\xC3\xA9");
    EXPECT_EQ(Display("French", "ISOLatin1", "Qualit<E9>"), "Qualit\xC3\xA9");
    EXPECT_EQ(Display("French", "MacStandard", "Qualit\x8E"), "Qualit\xC3\xA9");
    EXPECT_EQ(Display("English", "WindowsANSI", "\x80 5"), "\xE2\x82\xAC 5");
    // Shift-JIS "Nihon" (two kanji), once as bytes and once as a hexadecimal run.
    EXPECT_EQ(Display("Japanese", "JIS83-RKSJ", "\x93\xFA\x96\x7B"), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(Display("Japanese", "JIS83-RKSJ", "<93FA 967B>!"), "\xE6\x97\xA5\xE6\x9C\xAC!");
    EXPECT_EQ(Display("Polish", "ISOLatin2", "\xB1"), "\xC4\x85");
    EXPECT_EQ(Display("Turkish", "ISOLatin5", "\xFD"), "\xC4\xB1");
    // Bytes that are not Shift-JIS are shown as Mac Roman.
    EXPECT_EQ(Display("Japanese", "JIS83-RKSJ", "\x81"), "\xC3\x85");

    PPDX ppd;
    SetLanguage(ppd, "English", "ISOLatin1");
    TextConverter* converter = ppd.GetTextConverter();
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(Utf8(converter->ConvertToCFString(nullptr, 256)), "");

    // An encoding outside the table: a converter object without a converter; its text is
    // shown as Mac Roman.
    PPDX unknown;
    SetLanguage(unknown, "English", "EBCDIC");
    ASSERT_NE(unknown.GetTextConverter(), nullptr);
    EXPECT_FALSE(unknown.GetTextConverter()->ValidConverter());
    EXPECT_EQ(Display("English", "EBCDIC", "\x8E"), "\xC3\xA9");
    unsigned long none = 0xFFFF;
    TextConverter direct(none, 0x08000100);
    EXPECT_FALSE(direct.ValidConverter());
    EXPECT_EQ(Utf8(direct.ConvertToCFString("\x8E<41>", 0)),
              "\xC3\xA9"
              "A");
}

TEST(TextConverter, ConvertInPlaceAndExceptionLanguages) {
    // English is not an exception language: 8-bit text switches the input to Mac Roman for
    // this and every later call.
    PPDX english;
    SetLanguage(english, "English", "ISOLatin1");
    TextConverter* tc = english.GetTextConverter();
    ASSERT_NE(tc, nullptr);
    ASSERT_TRUE(tc->ValidConverter());
    EXPECT_EQ(tc->GetOutputEncoding(), 0x08000100u);
    EXPECT_EQ(english.GetStringTextEncoding(), 0x08000100u);
    char ascii[32] = "<41>BC";
    EXPECT_EQ(tc->Convert(ascii, sizeof ascii), noErr);
    EXPECT_STREQ(ascii, "ABC");
    EXPECT_EQ(tc->GetInputEncoding(), 0x201u);
    char latin[32] = "caf\xE9";
    EXPECT_EQ(tc->Convert(latin, sizeof latin), noErr);
    EXPECT_EQ(tc->GetInputEncoding(), 0u);
    EXPECT_STREQ(latin, "caf\xC3\x88");  // Mac Roman E9 is capital E with grave

    // Japanese is: the Shift-JIS input stays.
    PPDX japanese;
    SetLanguage(japanese, "Japanese", "JIS83-RKSJ");
    tc = japanese.GetTextConverter();
    ASSERT_NE(tc, nullptr);
    char kanji[32] = "\x93\xFA\x96\x7B";
    EXPECT_EQ(tc->Convert(kanji, sizeof kanji), noErr);
    EXPECT_STREQ(kanji, "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(tc->GetInputEncoding(), 0xA01u);

    // Output cut to size - 1 bytes; empty and null texts.
    char cut[32] = "abcdef";
    EXPECT_EQ(tc->Convert(cut, 4), noErr);
    EXPECT_STREQ(cut, "abc");
    // A size past 32 bits does not wrap to a small count.
    char wide[8] = "xyz";
    EXPECT_EQ(tc->Convert(wide, (1L << 32) + 1), noErr);
    EXPECT_STREQ(wide, "xyz");
    char empty[4] = "";
    EXPECT_EQ(tc->Convert(empty, sizeof empty), 5000);
    EXPECT_EQ(tc->Convert(nullptr, 10), paramErr);

    // A long text with 8-bit characters.
    std::string many(200, '\x82');
    many[0] = 'x';
    PPDX mac;
    SetLanguage(mac, "German", "MacStandard");
    std::string buffer = many + std::string(1000, '\0');
    EXPECT_EQ(mac.GetTextConverter()->Convert(buffer.data(), static_cast<long>(buffer.size())),
              noErr);
    EXPECT_EQ(std::strlen(buffer.c_str()), 1u + 199u * 2u);

    // No converter: nothing happens and the status stays.
    unsigned long none = 0xFFFF;
    TextConverter invalid(none, 0x08000100);
    char text[8] = "\xE9";
    EXPECT_EQ(invalid.Convert(text, sizeof text), noErr);
    EXPECT_STREQ(text, "\xE9");
}
