// Tests of the keyword-to-control index and the string pool.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PPDUtils/CStringSoup.h"
#include "PPDUtils/KeywordTo_PPDControl.h"

namespace {

// The index never looks through its control pointers: any distinct addresses serve.
PPDXControl* control(int n) {
    static char slots[64];
    return reinterpret_cast<PPDXControl*>(&slots[n]);
}

}  // namespace

TEST(KeywordIndex, SortedLookups) {
    KeywordTo_PPDControl index;
    char keyword[] = "*QWDuplex";
    index.insert(keyword, control(1));
    keyword[1] = 'X';  // the index keeps its own copy
    index.insert("*PageSize", control(2));
    index.insert("*PageRegion", control(3));
    index.insert(nullptr, control(4));
    EXPECT_FALSE(index.sorted());
    index.EndInsertion();
    EXPECT_TRUE(index.sorted());
    ASSERT_EQ(index.size(), 4u);

    // Byte order (upper case before lower case), pairs without keyword last.
    EXPECT_STREQ(index[size_t{0}].first, "*PageRegion");
    EXPECT_STREQ(index[size_t{1}].first, "*PageSize");
    EXPECT_STREQ(index[size_t{2}].first, "*QWDuplex");
    EXPECT_EQ(index[size_t{3}].first, nullptr);
    EXPECT_EQ(index[size_t{3}].second, control(4));

    EXPECT_EQ(index.Lookup("*QWDuplex"), control(1));
    EXPECT_EQ(index["*PageSize"], control(2));
    EXPECT_EQ(index.Lookup("*InputSlot"), nullptr);  // lower bound lands on another keyword
    EXPECT_EQ(index.Lookup("*Page"), nullptr);       // a prefix is not a match
    EXPECT_EQ(index.Lookup("*Zzz"), nullptr);        // beyond the last keyword
    EXPECT_EQ(index.Lookup(static_cast<const char*>(nullptr)), nullptr);
    EXPECT_STREQ(index.Lookup(control(3)), "*PageRegion");
    EXPECT_EQ(index.Lookup(control(9)), nullptr);

    index.DeleteKeyVector();
    EXPECT_EQ(index.size(), 0u);
    EXPECT_EQ(index.Lookup("*PageSize"), nullptr);
}

TEST(KeywordIndex, DuplicatesAndManyKeywords) {
    KeywordTo_PPDControl index;
    index.insert("*Duplex", control(1));
    index.insert("*Duplex", control(2));
    // Enough keywords, inserted in descending order, to take the sort past its small cases:
    // short ones, long ones that differ only after their first 16 bytes, ones that end at or
    // around the 16th byte, and bytes above 0x7F (which sort after ASCII).
    const char* const forms[] = {"*Opt%03d", "*QWVeryLongOptionKeyword%03d", "*ABCDEFGHIJKL%03d",
                                 "*ABCDEFGHIJK%03d", "*\xE9t%03d"};
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        char name[48];
        snprintf(name, sizeof name, forms[i % 5], 299 - i);
        names.push_back(name);
        index.insert(name, control(10 + i % 50));
    }
    index.EndInsertion();
    EXPECT_EQ(index.size(), 302u);
    PPDXControl* duplex = index.Lookup("*Duplex");
    EXPECT_TRUE(duplex == control(1) || duplex == control(2));
    for (size_t i = 1; i < index.size(); ++i) {
        ASSERT_LE(strcmp(index[i - 1].first, index[i].first), 0);
    }
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(index.Lookup(names[i].c_str()), control(10 + i % 50)) << names[i];
    }
}

TEST(StringPool, NumbersAreStableAndDistinct) {
    CStringSoup pool;
    EXPECT_EQ(pool.size(), 0);
    EXPECT_EQ(pool.Find("*PageSize"), -1);
    EXPECT_EQ(pool.Insert("*PageSize"), 0);
    EXPECT_EQ(pool.Insert("A4"), 1);
    EXPECT_EQ(pool.Insert(""), 2);  // "" is a text like any other
    EXPECT_EQ(pool.Insert("*PageSize"), 0);
    EXPECT_EQ(pool.size(), 3);
    EXPECT_EQ(pool.Insert("a4"), 3);  // case matters
    EXPECT_EQ(pool.Find("A4"), 1);
    EXPECT_EQ(pool.Find(""), 2);
    EXPECT_STREQ(pool.Find(1L), "A4");
    EXPECT_EQ(pool.Find(4L), nullptr);
    EXPECT_EQ(pool.Find(-1L), nullptr);
    EXPECT_EQ(pool.Insert(nullptr), -1);

    // Many strings: every number still leads back to its own text.
    for (int i = 0; i < 2000; ++i) {
        std::string text = "option" + std::to_string(i);
        ASSERT_EQ(pool.Insert(text.c_str()), 4 + i);
    }
    EXPECT_EQ(pool.Find("option1999"), 2003);
    EXPECT_STREQ(pool.Find(2003L), "option1999");

    pool.Clear();
    EXPECT_EQ(pool.size(), 0);
    EXPECT_EQ(pool.Find("A4"), -1);
    EXPECT_EQ(pool.Insert("A4"), 0);
}
