// Tests of the string-list registry (GetIndString, ResError, the current resource file) and
// of the decimal conversions of the text utilities.
#include "platform/Resources.h"
#include "platform/TextUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {
std::string FromPascal(const unsigned char* p) {
    return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}
}  // namespace

TEST(Resources, ParseErrorDescriptionsAndMissingEntries) {
    Str255 text;
    GetIndString(text, kZEQParseErrorStringListID, 18);
    EXPECT_EQ(ResError(), noErr);
    EXPECT_EQ(FromPascal(text), "The PPD file cannot be opened or read");
    // Every number the parser reports has a description.
    for (short n : {1,  4,  5,  6,  7,  8,  9,  11, 12, 14, 15, 16, 18,
                    19, 21, 23, 25, 26, 27, 28, 29, 31, 32, 33, 35, 36}) {
        GetIndString(text, kZEQParseErrorStringListID, n);
        EXPECT_EQ(ResError(), noErr);
        EXPECT_GT(text[0], 0) << n;
    }

    text[0] = 5;
    GetIndString(text, kZEQParseErrorStringListID, 37);
    EXPECT_EQ(ResError(), resNotFound);
    EXPECT_EQ(text[0], 0);
    GetIndString(text, kZEQParseErrorStringListID, 0);
    EXPECT_EQ(ResError(), resNotFound);
    GetIndString(text, 1234, 1);
    EXPECT_EQ(ResError(), resNotFound);
    EXPECT_EQ(text[0], 0);
}

TEST(Resources, RegisteredListsAndCurrentFile) {
    std::string longEntry(300, 'x');
    const char* entries[] = {"first", nullptr, longEntry.c_str()};
    ASSERT_EQ(ZEQRegisterStringList(128, entries, 3), noErr);
    Str255 text;
    GetIndString(text, 128, 1);
    EXPECT_EQ(FromPascal(text), "first");
    GetIndString(text, 128, 2);
    EXPECT_EQ(ResError(), noErr);
    EXPECT_EQ(text[0], 0);
    GetIndString(text, 128, 3);
    EXPECT_EQ(text[0], 255);
    EXPECT_EQ(ZEQRegisterStringList(128, nullptr, 1), paramErr);
    EXPECT_EQ(ZEQUnregisterStringList(128), noErr);
    GetIndString(text, 128, 1);
    EXPECT_EQ(ResError(), resNotFound);

    short saved = CurResFile();
    UseResFile(7);
    EXPECT_EQ(CurResFile(), 7);
    UseResFile(saved);
    EXPECT_EQ(CurResFile(), saved);
}
