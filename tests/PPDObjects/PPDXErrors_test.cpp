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

TEST(PPDXErrors, DescriptionsComeFromTheErrorStringList) {
    // The built-in list is saved and put back for the tests that follow in this process.
    std::vector<std::string> saved;
    char text[256];
    for (short i = 1;; ++i) {
        const char* entry = getIndString(kPPDXErrorStringListID, i, text);
        if (ResError() != noErr) {
            break;
        }
        saved.push_back(entry != nullptr ? entry : "");
    }

    const char* entries[] = {"first problem", "", "third problem"};
    ASSERT_EQ(ZEQRegisterStringList(kPPDXErrorStringListID, entries, 3), noErr);
    UseResFile(7);

    PPDXErrorObj first(1, false);
    EXPECT_STREQ(first.Description(), "first problem");
    PPDXErrorObj third(3, CString("*Duplex"), true);
    EXPECT_STREQ(third.Description(), "third problem");
    EXPECT_EQ(PPDXErrorObj(2, false).Description(), nullptr);   // empty entry
    EXPECT_EQ(PPDXErrorObj(30, false).Description(), nullptr);  // no entry
    EXPECT_EQ(PPDXErrorObj(-1, false).Description(), nullptr);
    EXPECT_EQ(CurResFile(), 7);  // the current resource file is left as it was

    UseResFile(1);
    ZEQUnregisterStringList(kPPDXErrorStringListID);
    EXPECT_EQ(PPDXErrorObj(1, false).Description(), nullptr);  // no list at all

    std::vector<const char*> restore;
    for (const std::string& entry : saved) {
        restore.push_back(entry.c_str());
    }
    if (!restore.empty()) {
        ZEQRegisterStringList(kPPDXErrorStringListID, restore.data(),
                              static_cast<int>(restore.size()));
    }
}

TEST(PPDXErrors, ListWalk) {
    PPDXErrors errors;
    EXPECT_TRUE(errors.Empty());
    EXPECT_EQ(errors.Next(), nullptr);  // before any First
    EXPECT_EQ(errors.First(), nullptr);
    EXPECT_EQ(errors.Next(), nullptr);

    PPDXErrorObj a(5, true);
    PPDXErrorObj b(7, false);
    errors.Add(&a);
    errors.Add(&b);
    EXPECT_EQ(errors.Count(), 2u);
    EXPECT_FALSE(errors.Empty());
    EXPECT_EQ(errors.First(), &a);
    EXPECT_EQ(errors.Next(), &b);
    EXPECT_EQ(errors.Next(), nullptr);
    EXPECT_EQ(errors.Next(), nullptr);  // stays at the end
    EXPECT_EQ(errors.First(), &a);      // a new walk starts over
}
