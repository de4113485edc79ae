// Tests of CString and the string helpers.
#include "foundation/CString.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/CFString.h"
#include "platform/Resources.h"

TEST(CString, ConstructionAssignmentAndEmptiness) {
    CString none;
    EXPECT_EQ(static_cast<const char*>(none), nullptr);
    EXPECT_EQ(none.Size(), 0u);
    EXPECT_TRUE(none.Empty());
    EXPECT_TRUE(none == "");

    CString blank("");
    EXPECT_NE(static_cast<const char*>(blank), nullptr);
    EXPECT_TRUE(blank.Empty());

    CString a("abc");
    CString b(a);
    EXPECT_NE(static_cast<const char*>(a), static_cast<const char*>(b));  // never shared
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == "ABC");
    b = "xy";
    EXPECT_EQ(b.Size(), 2u);
    EXPECT_STREQ(a, "abc");

    // Assigning the string's own text, or itself, keeps it.
    a = static_cast<const char*>(a);
    CString& same = a;
    a = same;
    EXPECT_STREQ(a, "abc");
    // A tail of its own text: copied before the old block is released.
    a = static_cast<const char*>(a) + 1;
    EXPECT_STREQ(a, "bc");
    EXPECT_EQ(a.Size(), 2u);
    a = "abc";

    a = static_cast<const char*>(nullptr);
    EXPECT_EQ(static_cast<const char*>(a), nullptr);
    EXPECT_EQ(a.Size(), 0u);
}

TEST(CString, AppendInPlace) {
    CString s("ab");
    CString& result = s + "cd";
    EXPECT_EQ(&result, &s);
    EXPECT_STREQ(s, "abcd");
    EXPECT_EQ(s.Size(), 4u);

    CString none;
    none + "";
    EXPECT_EQ(static_cast<const char*>(none), nullptr);
    none + "x";
    EXPECT_STREQ(none, "x");
    EXPECT_EQ(none.Size(), 1u);

    // Appending the string to itself reads the old block before releasing it.
    CString twice("ha");
    twice + static_cast<const char*>(twice);
    EXPECT_STREQ(twice, "haha");
}

TEST(CString, ContainsRemoveInsertReplace) {
    CString hello("Hello World");
    EXPECT_EQ(hello.Contains("WORLD"), 1);
    EXPECT_EQ(hello.Contains("worlds"), 0);
    EXPECT_EQ(hello.Contains(""), 1);
    EXPECT_EQ(CString().Contains(""), 0);

    CString s("abcdef");
    char* at = const_cast<char*>(static_cast<const char*>(s)) + 1;
    s.Remove(at, 2);
    EXPECT_STREQ(s, "adef");
    EXPECT_EQ(s.Size(), 4u);

    char text[] = "XY";
    s.Insert(const_cast<char*>(static_cast<const char*>(s)) + s.Size(), text);  // at the end
    EXPECT_STREQ(s, "adefXY");
    s.Insert(const_cast<char*>(static_cast<const char*>(s)), text);
    EXPECT_STREQ(s, "XYadefXY");
    EXPECT_EQ(s.Size(), 8u);

    CString none;
    none.Insert(nullptr, text);
    EXPECT_EQ(static_cast<const char*>(none), nullptr);

    CString banana("banana");
    banana.Replace(CString("a"), CString("xyz"));
    EXPECT_STREQ(banana, "bxyznana");
    banana.Replace(CString("q"), CString("z"));
    EXPECT_STREQ(banana, "bxyznana");
    banana.Replace(CString("nana"), CString(""));
    EXPECT_STREQ(banana, "bxyz");
    EXPECT_EQ(banana.Size(), 4u);
    banana.Replace(banana, CString("[") + "x]");
    EXPECT_STREQ(banana, "[x]");
}

TEST(CString, CFStringConversions) {
    CFStringRef cf = CFStringCreateWithCString(nullptr, "Tray 2", kCFStringEncodingASCII);
    ASSERT_NE(cf, nullptr);
    CString fromCF(cf);
    EXPECT_STREQ(fromCF, "Tray 2");
    EXPECT_EQ(fromCF.Size(), 6u);

    CString assigned("old");
    assigned = cf;
    EXPECT_STREQ(assigned, "Tray 2");
    assigned = static_cast<CFStringRef>(nullptr);
    EXPECT_STREQ(assigned, "");

    CString* copy = CFStringToCString(cf);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(*copy, "Tray 2");
    delete copy;

    long length = 0;
    unsigned char* external = CFStringToExternal(cf, &length);
    ASSERT_NE(external, nullptr);
    EXPECT_EQ(length, 2 + 2 * 6);  // byte-order mark and six UTF-16 units
    CFStringRef back = ExtenalToCFString(external, length);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(CFStringCompare(back, cf, 0), kCFCompareEqualTo);
    CFRelease(back);
    delete[] external;
    EXPECT_EQ(ExtenalToCFString(nullptr, 4), nullptr);

    CFRelease(cf);

    // A lone surrogate cannot be converted: each path fails its own way.
    const UniChar broken[] = {'a', 0xD800, 'b'};
    CFStringRef bad = CFStringCreateWithCharacters(nullptr, broken, 3);
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(static_cast<const char*>(CString(bad)), nullptr);
    CString failed("old");
    failed = bad;
    EXPECT_STREQ(failed, "");
    CString* cut = CFStringToCString(bad);
    ASSERT_NE(cut, nullptr);
    EXPECT_STREQ(*cut, "Translation");  // "Translation Error" cut to 4 x 3 - 1 bytes
    delete cut;
    CFRelease(bad);
}

TEST(CString, NonAsciiTextSurvivesBothConversions) {
    // UTF-8 takes two bytes for é, three for € and for each Japanese character.
    for (const char* text : {"héllo", "€ 12,50", "日本語のプリンター", "a€é日"}) {
        SCOPED_TRACE(text);
        CFStringRef cf = CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
        ASSERT_NE(cf, nullptr);
        CString constructed(cf);
        EXPECT_STREQ(constructed, text);
        EXPECT_EQ(constructed.Size(), strlen(text));
        CString assigned("old");
        assigned = cf;
        EXPECT_STREQ(assigned, text);
        EXPECT_EQ(assigned.Size(), strlen(text));
        CFRelease(cf);
    }
}

TEST(StringHelpers, NumbersAndPascalStrings) {
    char out[256];
    EXPECT_STREQ(num2String(-42, out), "-42");
    EXPECT_STREQ(num2String(0, out), "0");
    EXPECT_STREQ(num2String(2147483647L, out), "2147483647");
    char minus[] = "-42";
    EXPECT_EQ(string2Number(minus), -42);
    char plain[] = "1200";
    EXPECT_EQ(string2Number(plain), 1200);

    unsigned char p[256];
    char c[] = "Letter";
    ctoPStr(c, p);
    EXPECT_EQ(p[0], 6);
    EXPECT_EQ(memcmp(p + 1, "Letter", 6), 0);
    EXPECT_STREQ(ptoCStr(p, out), "Letter");

    // Longer text than a Pascal string holds is cut at 255 bytes.
    char* longText = newInitalizedCString(300, 'z');
    ASSERT_NE(longText, nullptr);
    EXPECT_EQ(strlen(longText), 300u);
    ctoPStr(longText, p);
    EXPECT_EQ(p[0], 255);
    delete[] longText;
}
