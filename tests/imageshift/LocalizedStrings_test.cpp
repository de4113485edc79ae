// Tests of the plug-in's string tables: each language has every text the feature shows, and
// GetLocalizedString hands them over as UTF-8 without ever overrunning its buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "platform/CoreFoundation.h"
#include "platform/StringsTable.h"
#include "printsys/PPDLocation.h"
#include "tests/platform/CFTestSupport.h"
#include "tests/platform/LanguageEnvironment.h"

namespace {

// Every key the feature looks up.
const char* const kKeys[] = {"PDE Panel Title",
                             "Value is out of range.",
                             "Enable Image Shift",
                             "Align front and back images",
                             "Front X Offset",
                             "Front Y Offset",
                             "Back X Offset",
                             "Back Y Offset",
                             "Yes",
                             "No",
                             "Points",
                             "Inches",
                             "MM",
                             "Front",
                             "Back",
                             "Defaults",
                             "Units",
                             "FrontRange",
                             "BackRange"};

CFStringRef Key(const char* key) {
    return CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
}

// The table of one language as shipped in the source tree; null (and a failure) when it
// does not parse.
CFDictionaryRef ShippedTable(const std::string& language) {
    const std::string path =
        std::string(ZEQ_IMAGESHIFT_RESOURCES) + "/" + language + ".lproj/Localizable.strings";
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.empty()) << path;
    CFStringRef error = nullptr;
    CFDictionaryRef table =
        ZEQStringsTableCreate(reinterpret_cast<const UInt8*>(bytes.data()),
                              static_cast<CFIndex>(bytes.size()), &error, nullptr);
    EXPECT_NE(table, nullptr) << path << ": " << Utf8(error);
    if (error)
        CFRelease(error);
    return table;
}

bool HasNonAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80)
            return true;
    }
    return false;
}

}  // namespace

TEST(LocalizedStringsTest, EveryLanguageHasEveryKey) {
    CFDictionaryRef english = ShippedTable("en");
    ASSERT_NE(english, nullptr);
    // Some keys name a place, not the text to show.
    EXPECT_EQ(TextFor(english, "PDE Panel Title"), "Image Shift");
    for (const char* key : {"MM", "FrontRange", "BackRange"})
        EXPECT_NE(TextFor(english, key), key);

    for (const char* language : {"en", "de", "fr", "ja"}) {
        CFDictionaryRef table = ShippedTable(language);
        if (!table)
            continue;
        EXPECT_EQ(CFDictionaryGetCount(table), static_cast<CFIndex>(std::size(kKeys)))
            << language << " has keys the feature never asks for";
        std::set<std::string> texts;
        for (const char* key : kKeys) {
            const std::string text = TextFor(table, key);
            EXPECT_NE(text, "<absent>") << language << " lacks \"" << key << "\"";
            EXPECT_FALSE(text.empty()) << language << ": \"" << key << "\"";
            texts.insert(text);
            // Translations are not English left in place (French "Points" is French too).
            const std::string name = language;
            if (name == "ja") {
                EXPECT_TRUE(HasNonAscii(text)) << key << ": " << text;
            } else if (name != "en" && !(name == "fr" && std::strcmp(key, "Points") == 0)) {
                EXPECT_NE(text, TextFor(english, key)) << language << ": \"" << key << "\"";
            }
        }
        EXPECT_EQ(texts.size(), std::size(kKeys)) << language << " shows two keys alike";
        CFRelease(table);
    }
    CFRelease(english);
}

TEST(LocalizedStringsTest, MainBundleTextsByLanguage) {
    struct Case {
        const char* language;
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {"en", "PDE Panel Title", "Image Shift"},
        {"en", "MM", "Millimeters"},
        {"de", "Back", "R\xC3\xBC\x63kseite"},
        {"fr", "Inches", "Pouces"},
        {"ja", "Front", "\xE8\xA1\xA8\xE9\x9D\xA2"},
        {"xx", "Yes", "Yes"},              // an unknown language reads English
        {"de", "Not a key", "Not a key"},  // a missing key is its own text
    };
    char out[256];
    for (const Case& c : cases) {
        LanguageEnvironment environment(c.language);
        CFStringRef key = Key(c.key);
        const unsigned long length = GetLocalizedString(key, out, sizeof out);
        CFRelease(key);
        EXPECT_STREQ(out, c.text) << c.language;
        EXPECT_EQ(length, std::strlen(c.text)) << c.language;
    }
}

TEST(LocalizedStringsTest, BufferSizedForUtf8) {
    LanguageEnvironment environment("ja");
    // "表面": two UTF-16 units, six UTF-8 bytes.
    const char* front = "\xE8\xA1\xA8\xE9\x9D\xA2";
    char out[16];
    for (unsigned long capacity : {16ul, 7ul}) {
        std::memset(out, 'X', sizeof out);
        EXPECT_EQ(GetLocalizedString(CFSTR("Front"), out, capacity), 6u);
        EXPECT_STREQ(out, front);
    }
    // Too small for the bytes (though not for the units): empty, nothing written past it.
    for (unsigned long capacity : {6ul, 3ul, 1ul}) {
        std::memset(out, 'X', sizeof out);
        EXPECT_EQ(GetLocalizedString(CFSTR("Front"), out, capacity), 0u) << capacity;
        EXPECT_EQ(out[0], '\0');
        for (unsigned long i = capacity; i < sizeof out; ++i)
            ASSERT_EQ(out[i], 'X') << capacity;
    }
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(GetLocalizedString(CFSTR("Front"), out, 0), 0u);
    EXPECT_EQ(out[0], 'X');
    EXPECT_EQ(GetLocalizedString(CFSTR("Front"), nullptr, 16), 0u);
    EXPECT_EQ(GetLocalizedString(nullptr, out, sizeof out), 0u);
    EXPECT_EQ(out[0], '\0');
}
