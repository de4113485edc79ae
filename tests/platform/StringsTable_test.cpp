// Tests of the string-table reader: the format's quoting, escapes and comments, its three
// encodings, and the line named for each kind of broken table.
#include <gtest/gtest.h>

#include <string>

#include "platform/CoreFoundation.h"
#include "platform/StringsTable.h"
#include "tests/platform/CFTestSupport.h"

namespace {

CFDictionaryRef Parse(const std::string& bytes, std::string* error = nullptr,
                      CFIndex* line = nullptr) {
    CFStringRef message = nullptr;
    CFDictionaryRef table =
        ZEQStringsTableCreate(reinterpret_cast<const UInt8*>(bytes.data()),
                              static_cast<CFIndex>(bytes.size()), &message, line);
    if (error)
        *error = Utf8(message);
    if (message)
        CFRelease(message);
    return table;
}

// UTF-16 bytes of UTF-8 text, led by a byte-order mark.
std::string Utf16(const std::string& utf8, bool bigEndian) {
    CFStringRef s = CFStringCreateWithCString(nullptr, utf8.c_str(), kCFStringEncodingUTF8);
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (CFIndex i = 0; i < CFStringGetLength(s); ++i) {
        const UniChar u = CFStringGetCharacterAtIndex(s, i);
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    CFRelease(s);
    return bytes;
}

}  // namespace

TEST(StringsTableTest, QuotingEscapesAndComments) {
    const std::string text =
        "/* A table\n"
        "   of tests */\n"
        "\"plain\" = \"text\";   // a comment to the end of the line\n"
        "\"escapes\" = \"tab\\there \\\"quoted\\\" back\\\\slash\\nline\";\n"
        "\"unicode\" = \"\\U00e9\\u20AC \\101\\351 \\UD83D\\UDE00\";\n"
        "'single' = 'say \"hi\" and \\'bye\\'';\n"
        "unquoted_key = path/to:file-1.$x;\n"
        "\"only a key\";\n"
        "\"dup\" = \"first\"; \"dup\" = \"second\";\n"
        "\"two\n"
        "lines\" = \"caf\xC3\xA9 \xE8\xA1\xA8\";\n"
        "\"\" = \"empty key\";/*touching*/\"after\"=\"comment\";\n"
        "\"unknown escape\" = \"\\q\\\n\";\n";
    std::string error;
    CFDictionaryRef table = Parse(text, &error);
    ASSERT_NE(table, nullptr) << error;
    EXPECT_EQ(CFDictionaryGetCount(table), 11);
    EXPECT_EQ(TextFor(table, "plain"), "text");
    EXPECT_EQ(TextFor(table, "escapes"), "tab\there \"quoted\" back\\slash\nline");
    EXPECT_EQ(TextFor(table, "unicode"), "\xC3\xA9\xE2\x82\xAC A\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(TextFor(table, "single"), "say \"hi\" and 'bye'");
    EXPECT_EQ(TextFor(table, "unquoted_key"), "path/to:file-1.$x");
    EXPECT_EQ(TextFor(table, "only a key"), "only a key");
    EXPECT_EQ(TextFor(table, "dup"), "second");
    EXPECT_EQ(TextFor(table, "two\nlines"), "caf\xC3\xA9 \xE8\xA1\xA8");
    EXPECT_EQ(TextFor(table, ""), "empty key");
    EXPECT_EQ(TextFor(table, "after"), "comment");
    EXPECT_EQ(TextFor(table, "unknown escape"), "q\n");
    CFRelease(table);

    // Nothing but space and comments is an empty table; so is no text at all.
    for (const std::string& empty : {std::string(), std::string(" \n// x\n/* y */\r\n")}) {
        table = Parse(empty);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(CFDictionaryGetCount(table), 0);
        CFRelease(table);
    }
}

TEST(StringsTableTest, EncodingsReadTheSame) {
    const std::string text =
        "/* \xE6\x97\xA5\xE6\x9C\xAC */\n\"Front\" = \"\xE8\xA1\xA8\xE9\x9D\xA2\";\n"
        "\"Back\" = \"R\xC3\xBC\x63kseite \xF0\x9F\x98\x80\";\n";
    CFDictionaryRef plain = Parse(text);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(TextFor(plain, "Front"), "\xE8\xA1\xA8\xE9\x9D\xA2");
    for (const std::string& other :
         {"\xEF\xBB\xBF" + text, Utf16(text, true), Utf16(text, false)}) {
        std::string error;
        CFDictionaryRef table = Parse(other, &error);
        ASSERT_NE(table, nullptr) << error;
        EXPECT_TRUE(CFEqual(table, plain));
        CFRelease(table);
    }
    CFRelease(plain);
}

TEST(StringsTableTest, BrokenTablesNameTheirLine) {
    struct Case {
        std::string text;
        CFIndex line;
        const char* message;
    };
    const Case cases[] = {
        {"\"a\" = \"b\";\n\"c\" = \"d\"\n\"e\" = \"f\";\n", 2, "expected ';' after the value"},
        {"\"a\" = \"b\";\n\n\"c\" \"d\";", 3, "expected '=' or ';' after the key, found '\"'"},
        {"\"a\" = \"b\";\r\n\"c\" = \"d;\r\n\r\n", 2, "never closed"},
        {"\"a\" = \"b\";\n\n/* open\n\"c\" = \"d\";\n", 3, "comment begun here is never closed"},
        {"\"a\" = ;", 1, "expected a value after '=', found ';'"},
        {"\n= \"b\";", 2, "expected a key, found '='"},
        {"a b = c;", 1, "expected '=' or ';' after the key, found 'b'"},
        {"\"a\" = \"b\"", 1, "found the end of the text"},
        {"\"a\" = \"\\U\";", 1, "hexadecimal"},
        {"\"a\" = \"x\\UD800y\";", 1, "surrogate"},
        {"\n\"a\" = \"\\777\";", 2, "octal"},
        {"\"a\" = \"b\";\r\n\"c\" = \"d\";\r\n\"e\" = \"\xC3\x28\";", 3, "not valid UTF-8"},
        {"a;\rb;\r\n\"\xFF\";", 3, "not valid UTF-8"},
        {"\xEF\xBB\xBF\"a\" = \"\xED\xA0\x80\";", 1, "not valid UTF-8"},
        {std::string("\"a\" = \"b\";\n\"c\" =\0 \"d\";", 20), 2, "found U+0000"},
        {Utf16("\"a\" = \"b\";\n\"c\" = \"d\";", true) + "x", 2, "half a character"},
    };
    for (const Case& c : cases) {
        std::string error;
        CFIndex line = -1;
        CFDictionaryRef table = Parse(c.text, &error, &line);
        EXPECT_EQ(table, nullptr) << c.text;
        if (table)
            CFRelease(table);
        EXPECT_EQ(line, c.line) << c.text;
        EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    // The out parameters may be left out.
    EXPECT_EQ(ZEQStringsTableCreate(reinterpret_cast<const UInt8*>("\"a"), 2, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(ZEQStringsTableCreate(nullptr, 4, nullptr, nullptr), nullptr);
}
