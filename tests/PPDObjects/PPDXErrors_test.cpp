// Tests of the parse errors and the parser's error list.
#include "PPDObjects/PPDXErrors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Resources.h"

TEST(PPDXErrors, ErrorRecords) {
    PPDXErrorObj pageSize(5, CString("*PageSize"), true);
    EXPECT_STREQ(pageSize.Keyword(), "*PageSize");
    EXPECT_TRUE(pageSize.IsFatal());
    EXPECT_TRUE(pageSize == 5);
    EXPECT_TRUE(pageSize != 6);
    EXPECT_EQ(pageSize.Number(), 5);

    PPDXErrorObj noKeyword(7, false);
    EXPECT_EQ(noKeyword.Keyword(), nullptr);
    EXPECT_FALSE(noKeyword.IsFatal());

    PPDXErrorObj blank;
    EXPECT_TRUE(blank == 0);
    EXPECT_EQ(blank.Description(), nullptr);
    EXPECT_EQ(blank.Keyword(), nullptr);

    PPDXErrorObj copy(pageSize);
    EXPECT_STREQ(copy.Keyword(), "*PageSize");
    EXPECT_TRUE(copy == 5);
    blank = noKeyword;
    EXPECT_TRUE(blank == 7);
    EXPECT_EQ(blank.Keyword(), nullptr);
    EXPECT_STREQ(blank.Description(), noKeyword.Description());

    CError general(12, CString("text"), true);
    CError other;
    other = general;
    EXPECT_STREQ(other.Description(), "text");
    EXPECT_TRUE(other.IsFatal());
    other.Description("");
    EXPECT_EQ(other.Description(), nullptr);
    other.Description("again");
    EXPECT_STREQ(other.Description(), "again");
}
