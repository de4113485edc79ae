// Tests of PPDStream and PPDFileStream: line ends, the 255-character limit, 0xFF, lines split
// across the 10000-byte pieces of a file, and missing files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PPDUtils/FileMac.h"
#include "PPDUtils/PPDStream.h"
#include "TestFiles.h"

namespace {

// Every line GetLine gives until it returns false; the text of the refused call is `last`.
std::vector<std::string> ReadAll(PPDStream& stream, std::string* last = nullptr) {
    std::vector<std::string> lines;
    char line[kPPDLineBufferSize];
    while (stream.GetLine(line))
        lines.push_back(line);
    if (last != nullptr)
        *last = line;
    return lines;
}

std::vector<std::string> ReadFile(const std::string& content, bool chunked,
                                  std::string* last = nullptr) {
    TempFile temp(content);
    FSSpec spec = temp.Spec();
    std::string name = TempFile::NameOf(spec);
    PPDFile file(spec.vRefNum, spec.parID, name.data());
    PPDFileStream stream(&file, chunked);
    return ReadAll(stream, last);
}

// Exactly `size` bytes of short lines (at most 99 characters), the last byte a LF.
std::string Filler(size_t size) {
    std::string text;
    while (text.size() < size) {
        size_t n = size - text.size() < 100 ? size - text.size() : 100;
        text += std::string(n - 1, 'f') + "\n";
    }
    return text;
}

size_t FillerLines(size_t size) {
    return (size + 99) / 100;
}

}  // namespace

TEST(PPDStream, LineEndsAndFFByte) {
    const std::string text = "cr\rlf\ncrlf\r\n\nlast";
    PPDStream s(text.data(), static_cast<long>(text.size()));
    std::string last;
    std::vector<std::string> lines = ReadAll(s, &last);
    EXPECT_EQ(lines, (std::vector<std::string>{"cr", "lf", "crlf", ""}));
    // The unterminated last line is refused, its text still delivered, at end of file.
    EXPECT_EQ(last, "last");
    EXPECT_TRUE(s.EndOfFile());

    const std::string ff =
        "ab\xFF"
        "cd\n";
    PPDStream t(ff.data(), static_cast<long>(ff.size()));
    char line[kPPDLineBufferSize];
    EXPECT_FALSE(t.GetLine(line));
    EXPECT_STREQ(line, "ab");
    EXPECT_FALSE(t.EndOfFile());
    EXPECT_TRUE(t.GetLine(line));
    EXPECT_STREQ(line, "cd");
}

TEST(PPDStream, LineLengthLimit) {
    char line[kPPDLineBufferSize];
    std::string ok = std::string(254, 'a') + "\n";
    PPDStream s(ok.data(), static_cast<long>(ok.size()));
    EXPECT_TRUE(s.GetLine(line));
    EXPECT_EQ(std::string(line), std::string(254, 'a'));

    std::string over = std::string(255, 'b') + "\r\nnext\n";
    PPDStream t(over.data(), static_cast<long>(over.size()));
    EXPECT_FALSE(t.GetLine(line));
    EXPECT_EQ(std::string(line), std::string(255, 'b'));
    EXPECT_FALSE(t.EndOfFile());
    // The terminator stays for the next call: an empty line.
    EXPECT_TRUE(t.GetLine(line));
    EXPECT_STREQ(line, "");
    EXPECT_TRUE(t.GetLine(line));
    EXPECT_STREQ(line, "next");

    std::string longer = std::string(300, 'c') + "\n";
    PPDStream u(longer.data(), static_cast<long>(longer.size()));
    EXPECT_FALSE(u.GetLine(line));
    // The rest of the overlong line reads as a line of its own.
    EXPECT_TRUE(u.GetLine(line));
    EXPECT_EQ(std::string(line), std::string(45, 'c'));
}

TEST(PPDFileStream, LinesAcrossPieces) {
    // Lines of many lengths, so that lines of every kind straddle the 10000-byte boundaries.
    std::string content;
    std::vector<std::string> expected;
    for (int i = 0; content.size() < 35000; ++i) {
        std::string line = "*Line" + std::to_string(i) + ": \"" + std::string(i % 200, 'x') + "\"";
        expected.push_back(line);
        content += line + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    }
    EXPECT_EQ(ReadFile(content, true), expected);
    EXPECT_EQ(ReadFile(content, false), expected);

    // One line placed exactly across the first boundary comes back whole.
    std::string split = Filler(9990) + "*Split: \"across\"\n*After: 1\n";
    std::vector<std::string> lines = ReadFile(split, true);
    ASSERT_EQ(lines.size(), FillerLines(9990) + 2);
    EXPECT_EQ(lines[lines.size() - 2], "*Split: \"across\"");
    EXPECT_EQ(lines.back(), "*After: 1");
}

TEST(PPDFileStream, BoundaryEdges) {
    // CR as the last byte of a piece and LF as the first of the next: the line, then an
    // empty line.
    std::string crlf = Filler(9990) + "abcdefghi\r\nz\n";
    std::vector<std::string> lines = ReadFile(crlf, true);
    ASSERT_EQ(lines.size(), FillerLines(9990) + 3);
    EXPECT_EQ(lines[lines.size() - 3], "abcdefghi");
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines.back(), "z");

    // A split line of 255 characters in all is refused like any overlong line; 254 pass.
    for (size_t total : {254u, 255u}) {
        std::string text = Filler(9900) + std::string(total, 'q') + "\nend\n";
        std::vector<std::string> got = ReadFile(text, true);
        if (total == 254) {
            ASSERT_EQ(got.size(), FillerLines(9900) + 2);
            EXPECT_EQ(got[got.size() - 2], std::string(254, 'q'));
        } else {
            EXPECT_EQ(got.size(), FillerLines(9900));
        }
    }

    // The last line without a terminator is lost, in both modes; a final line that ends
    // exactly at a boundary is kept.
    std::string tail = std::string(300, 't') + "\n";
    tail[100] = '\n';
    EXPECT_EQ(ReadFile(tail + "lost", true).size(), 2u);
    EXPECT_EQ(ReadFile(tail + "lost", false).size(), 2u);
    EXPECT_EQ(ReadFile(Filler(10000), true).size(), FillerLines(10000));
}

TEST(PPDFileStream, MissingSmallAndEmpty) {
    FSSpec spec = TempFile::SpecFor("/tmp/zeqbase_no_such_dir_file.ppd");
    std::string name = TempFile::NameOf(spec);
    PPDFile missing(spec.vRefNum, spec.parID, name.data());
    PPDFileStream bad(&missing, true);
    EXPECT_TRUE(bad.Bad());
    char line[kPPDLineBufferSize];
    EXPECT_FALSE(bad.GetLine(line));

    PPDFileStream none(nullptr, true);
    EXPECT_TRUE(none.Bad());
    EXPECT_FALSE(none.GetLine(line));

    // Whole-file mode gives a file of at most 256 bytes no buffer: it reads as empty.
    EXPECT_TRUE(ReadFile("*Small: 1\n", false).empty());
    EXPECT_EQ(ReadFile("*Small: 1\n", true), (std::vector<std::string>{"*Small: 1"}));
    EXPECT_TRUE(ReadFile("", true).empty());
}

namespace {

// What a file stream reports after GetLine has returned false: the number of each line it
// returned (an empty line from a CR LF split at a boundary included), and the read end.
struct ReadReport {
    std::vector<int32_t> numbers;
    PPDReadEnd end = PPDReadEnd::kReading;
    int32_t endLine = 0;
    int32_t nulLine = 0;
};

ReadReport ReadNumbers(const std::string& content) {
    TempFile temp(content);
    FSSpec spec = temp.Spec();
    std::string name = TempFile::NameOf(spec);
    PPDFile file(spec.vRefNum, spec.parID, name.data());
    PPDFileStream stream(&file, true);
    ReadReport report;
    char line[kPPDLineBufferSize];
    while (stream.GetLine(line))
        report.numbers.push_back(stream.LineNumber());
    report.end = stream.ReadEnd();
    report.endLine = stream.ReadEndLine();
    report.nulLine = stream.NulLine();
    return report;
}

}  // namespace

TEST(PPDFileStream, LineNumbersAndWhyReadingEnded) {
    // CR LF split by the first boundary: the LF's empty line does not count as a line.
    const size_t filler = FillerLines(9990);
    ReadReport split = ReadNumbers(Filler(9990) + "abcdefghi\r\nz\r\n");
    ASSERT_EQ(split.numbers.size(), filler + 3);
    EXPECT_EQ(split.numbers[filler], static_cast<int32_t>(filler + 1));      // abcdefghi
    EXPECT_EQ(split.numbers[filler + 2], static_cast<int32_t>(filler + 2));  // z
    EXPECT_EQ(split.end, PPDReadEnd::kEndOfFile);
    EXPECT_EQ(split.endLine, static_cast<int32_t>(filler + 3));

    // Text read character by character before the first GetLine (the header) is counted.
    TempFile temp("*A: 1\r\n*B: 2\n*C: 3\n");
    FSSpec spec = temp.Spec();
    std::string name = TempFile::NameOf(spec);
    PPDFile file(spec.vRefNum, spec.parID, name.data());
    PPDFileStream stream(&file, true);
    char c = 0;
    for (int i = 0; i < 9; ++i)
        stream.GetChar(c);  // "*A: 1\r\n*B"
    char line[kPPDLineBufferSize];
    ASSERT_TRUE(stream.GetLine(line));
    EXPECT_STREQ(line, ": 2");
    EXPECT_EQ(stream.LineNumber(), 2);

    // Where and why reading stops; a NUL byte only cuts its line.
    const std::string head = "*A: 1\n*B: 2\n";
    ReadReport longLine = ReadNumbers(head + std::string(255, 'x') + "\n*D: 4\n");
    EXPECT_EQ(longLine.end, PPDReadEnd::kLongLine);
    EXPECT_EQ(longLine.endLine, 3);
    ReadReport ff = ReadNumbers(head + "*C: \xFF\n*D: 4\n");
    EXPECT_EQ(ff.end, PPDReadEnd::kByteFF);
    EXPECT_EQ(ff.endLine, 3);
    ReadReport noEnd = ReadNumbers(head + "*C: 3");
    EXPECT_EQ(noEnd.end, PPDReadEnd::kNoLineEnd);
    EXPECT_EQ(noEnd.endLine, 3);
    ReadReport nul = ReadNumbers(head + std::string("*C: \0 3\n*D: 4\n", 14));
    EXPECT_EQ(nul.numbers, (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(nul.nulLine, 3);
    EXPECT_EQ(nul.end, PPDReadEnd::kEndOfFile);
    EXPECT_EQ(ReadNumbers(head).nulLine, 0);
    // A line split by a boundary and too long when joined is an overlong line.
    ReadReport joined = ReadNumbers(Filler(9900) + std::string(255, 'q') + "\nend\n");
    EXPECT_EQ(joined.end, PPDReadEnd::kLongLine);
    EXPECT_EQ(joined.endLine, static_cast<int32_t>(FillerLines(9900) + 1));
}
