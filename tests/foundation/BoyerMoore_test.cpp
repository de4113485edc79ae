// Tests of the Boyer-Moore pattern search.
#include "foundation/BoyerMoore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

long find(const std::string& text, const std::string& pattern, long start = 0) {
    BoyerMoore search(pattern.data(), static_cast<short>(pattern.size()),
                      const_cast<char*>(text.data()), static_cast<long>(text.size()));
    return search.Search(start, static_cast<const char*>(nullptr), 0);
}

}  // namespace

TEST(BoyerMoore, AgreesWithNaiveSearch) {
    // Small alphabet, many partial matches: every result must be the first occurrence.
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string text(next() % 60, ' ');
        for (char& ch : text) {
            ch = static_cast<char>('a' + next() % 3);
        }
        std::string pattern(1 + next() % 5, ' ');
        for (char& ch : pattern) {
            ch = static_cast<char>('a' + next() % 3);
        }
        size_t expected = text.find(pattern);
        long want = expected == std::string::npos ? -1 : static_cast<long>(expected);
        ASSERT_EQ(find(text, pattern), want) << text << " / " << pattern;
    }
}

TEST(BoyerMoore, PatternsAndSettings) {
    BoyerMoore search;
    EXPECT_EQ(search.GetSearchStringLength(), 0);
    EXPECT_FALSE(search.GetCaseSensitive());
    search.SetCaseSensitve(true);
    EXPECT_TRUE(search.GetCaseSensitive());
    EXPECT_EQ(search.Search(), -1);  // no pattern, no data

    unsigned char pascal[] =
        "\x04"
        "Tray";
    search.SetSearchString(pascal);
    EXPECT_EQ(search.GetSearchStringLength(), 4);
    char out[257];
    search.GetSearchString(out);
    EXPECT_STREQ(out, "Tray");

    // Searches compare bytes exactly whatever the flag says.
    char data[] = "tray Tray";
    search.SetSearchData(data, static_cast<long>(strlen(data)));
    EXPECT_EQ(search.Search(), 5);
    search.SetCaseSensitve(false);
    EXPECT_EQ(search.Search(), 5);
    EXPECT_EQ(search.Search(0, const_cast<unsigned char*>(
                                   reinterpret_cast<const unsigned char*>("\x04tray"))),
              0);

    // Patterns are kept to 256 bytes.
    std::vector<char> big(300, 'q');
    search.SetSearchString(big.data(), static_cast<short>(big.size()));
    EXPECT_EQ(search.GetSearchStringLength(), 256);
    search.SetSearchString("x", -3);
    EXPECT_EQ(search.GetSearchStringLength(), 0);

    // A 256-byte pattern (whose skip entries wrap to 0) is still found.
    std::string text(1000, 'r');
    std::string pattern(255, 'q');
    pattern += 's';
    text.replace(600, pattern.size(), pattern);
    BoyerMoore wide(pattern.data(), 256, text.data(), static_cast<long>(text.size()));
    EXPECT_EQ(wide.Search(), 600);

    // Search data set to null searches nothing.
    wide.SetSearchData(nullptr, 100);
    EXPECT_EQ(wide.Search(), -1);
}
