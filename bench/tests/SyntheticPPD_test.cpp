// Tests of the synthetic PPD generator: same bytes for the same count, the line limit, the
// announced statement counts, the sizes the benchmarks rely on, and (with the parser) a clean
// parse that finds every generated control.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/SyntheticPPD.h"

#ifdef ZEQ_HAVE_PARSER
#include <unistd.h>

#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXErrors.h"
#include "parser/ZEQPPD.h"
#include "platform/CFURL.h"
#endif

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

size_t CountPrefix(const std::vector<std::string>& lines, const char* prefix) {
    size_t n = 0, len = strlen(prefix);
    for (const std::string& line : lines)
        n += line.compare(0, len, prefix) == 0;
    return n;
}

TEST(SyntheticPPD, SameCountGivesSameBytesAndStatsAddUp) {
    SyntheticPPDStats a, b;
    std::string first = GenerateSyntheticPPD(1000, &a);
    std::string second = GenerateSyntheticPPD(1000, &b);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, GenerateSyntheticPPD(1001));
    EXPECT_EQ(a.controls, 1000u);
    EXPECT_EQ(a.pickOne + a.pickMany + a.booleans + a.ranges + a.blockJobNotes + a.soloJobNotes +
                  a.specialOptions,
              a.controls);
    EXPECT_EQ(a.uiConstraints, 250u);
    EXPECT_GT(a.pickMany, 0u);
    EXPECT_GT(a.blockJobNotes, 0u);
    EXPECT_GT(a.soloJobNotes, 0u);
    EXPECT_GT(a.specialOptions, 0u);
    EXPECT_GT(a.shortcuts, 0u);
    // Tiny counts still hold the fixed controls (page size, Image Shift, installed options).
    SyntheticPPDStats tiny;
    GenerateSyntheticPPD(1, &tiny);
    EXPECT_EQ(tiny.controls, 11u);
}

TEST(SyntheticPPD, LinesAreShortAndStatementsMatchTheStats) {
    SyntheticPPDStats s;
    std::string text = GenerateSyntheticPPD(2000, &s);
    std::vector<std::string> lines = Lines(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "*PPD-Adobe: \"4.3\"");
    EXPECT_EQ(lines.size(), s.lines);
    size_t longest = 0;
    for (const std::string& line : lines) {
        longest = std::max(longest, line.size());
        EXPECT_EQ(line.find('\r'), std::string::npos);
        if (!line.empty()) {
            EXPECT_NE(line[0], ' ') << line;
        }
    }
    EXPECT_LT(longest, 255u);
    EXPECT_EQ(longest, s.longestLine);
    EXPECT_EQ(CountPrefix(lines, "*%ZEQFlags ") + s.soloJobNotes + s.specialOptions, s.controls);
    EXPECT_EQ(CountPrefix(lines, "*%ZEQSpecialOption "), s.specialOptions);
    EXPECT_EQ(CountPrefix(lines, "*%ZEQJobNote "), s.blockJobNotes + s.soloJobNotes);
    EXPECT_EQ(CountPrefix(lines, "*%ZEQRange ") + CountPrefix(lines, "*%ZEQUnitRange "), s.ranges);
    EXPECT_EQ(CountPrefix(lines, "*UIConstraints: "), s.uiConstraints);
    EXPECT_EQ(CountPrefix(lines, "*%ZEQUIConstraints: "), s.vendorConstraints);
    EXPECT_EQ(CountPrefix(lines, "*%ZEQUIRequires: "), s.requirements);
    EXPECT_EQ(CountPrefix(lines, "*%QWShortcut "), s.shortcuts);
    EXPECT_EQ(CountPrefix(lines, "*%ZEQPropPage "), s.pages);
    // Standard blocks: the announced ones, plus *PageRegion, which no *%ZEQFlags announces.
    EXPECT_EQ(CountPrefix(lines, "*OpenUI "), s.standardUI + 1);
    EXPECT_EQ(CountPrefix(lines, "*OpenUI "), CountPrefix(lines, "*CloseUI: "));
    EXPECT_EQ(CountPrefix(lines, "*OpenGroup: "), CountPrefix(lines, "*CloseGroup: "));
    // Every popup offers 3 to 8 options; quoted values always close.
    size_t options = 0;
    bool inPopup = false, inQuote = false;
    std::string key;
    for (const std::string& line : lines) {
        for (char c : line)
            inQuote ^= c == '"';
        if (line.find(": PickOne") != std::string::npos ||
            line.find(": PickMany") != std::string::npos) {
            if (line.compare(0, 19, "*OpenUI *PageRegion") == 0)
                continue;
            inPopup = true;
            options = 0;
            key = line.substr(line.find(' ') + 1);
            key = key.substr(0, key.find('/'));
        } else if (inPopup && line.compare(0, key.size() + 1, key + " ") == 0) {
            ++options;
        } else if (inPopup && line.find("CloseUI: ") != std::string::npos) {
            inPopup = false;
            EXPECT_GE(options, 3u) << key;
            EXPECT_LE(options, 10u) << key;  // the page sizes offer ten
        } else if (inPopup && line.compare(0, 7, "*EndUI:") == 0) {
            inPopup = false;
        }
    }
    EXPECT_FALSE(inQuote);
    // A few translations carry Latin-1 bytes and hexadecimal runs.
    EXPECT_NE(text.find('\xE9'), std::string::npos);
    EXPECT_NE(text.find("<C46E6465>"), std::string::npos);
}

#ifdef ZEQ_HAVE_PARSER
TEST(SyntheticPPD, ParsesWithoutErrorsAndYieldsEveryControl) {
    SyntheticPPDStats s;
    char path[] = "/tmp/synthetic-ppd-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(WriteSyntheticPPD(1000, path, &s));
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path), static_cast<CFIndex>(strlen(path)), false);
    ASSERT_NE(url, nullptr);
    for (bool fatal : {false, true}) {
        // The same file parses to the end also when every error would stop the parse: the
        // flag must be set before the statement loop, so that model is built in steps.
        ZEQPPD* ppd;
        if (fatal) {
            ppd = new ZEQPPD(3);
            ppd->AllErrorsFatal(true);
            ppd->PPDX::Build(url);
            ppd->Parse();
        } else {
            ppd = new ZEQPPD(url, 3, nullptr);
        }
        EXPECT_TRUE(ppd->IsValidPPD());
        ASSERT_NE(ppd->GetErrors(), nullptr);
        EXPECT_EQ(ppd->GetErrors()->Count(), 0u);
        _DISPLAY_OPTIONS_ saved = ZEQPPD::Options();
        ZEQPPD::Options(3);
        ASSERT_NE(ppd->GetControls(), nullptr);
        // ControlCount leaves special options out.
        EXPECT_EQ(static_cast<size_t>(ppd->GetControls()->ControlCount()),
                  s.controls - s.specialOptions);
        EXPECT_EQ(static_cast<size_t>(ppd->GetControls()->PopupCount()), s.pickOne + s.pickMany);
        EXPECT_EQ(static_cast<size_t>(ppd->GetControls()->BooleanCount()), s.booleans);
        EXPECT_EQ(static_cast<size_t>(ppd->GetControls()->RangeCount()), s.ranges);
        EXPECT_EQ(static_cast<size_t>(ppd->GetControls()->JobNoteCount()),
                  s.blockJobNotes + s.soloJobNotes);
        EXPECT_EQ(static_cast<size_t>(ppd->GetControls()->SpecialOptionsCount()), s.specialOptions);
        ZEQPPD::Options(saved);
        EXPECT_STREQ(ppd->PCFileName(), "QW4300.PPD");
        EXPECT_STREQ(ppd->ModelName(), "QW Synthetic 1000");
        delete ppd;
    }
    CFRelease(url);
    unlink(path);
}
#endif

}  // namespace
