// Tests of the base parser PPDX: the tokenizer, quoted and PostScript values over several
// lines, the main keywords, validity, reference counting and the PC-file-name check.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PPDObjects/PPDXErrors.h"
#include "PPDUtils/FileMac.h"
#include "PPDUtils/PPDStream.h"
#include "PPDUtils/TextConverter.h"
#include "parser/PPDX.h"
#include "platform/CFArray.h"
#include "platform/CFString.h"
#include "platform/CFURL.h"
#include "tests/PPDUtils/TestFiles.h"

namespace {

// Opens the protected state the vendor parser sets: the file stream and the header flag.
class TestPPDX : public PPDX {
public:
    TestPPDX() = default;
    TestPPDX(const FSSpec& spec, const __CFArray* names) : PPDX(spec, names) {}
    explicit TestPPDX(bool* destroyed) : mDestroyed(destroyed) {}
    ~TestPPDX() override {
        if (mDestroyed != nullptr)
            *mDestroyed = true;
    }
    void SetStream(PPDStream* stream) { mStream = stream; }
    void SetValidPPD(bool valid) { mValidPPD = valid; }

private:
    bool* mDestroyed = nullptr;
};

struct Text {
    explicit Text(const std::string& s) : text(s), stream(text.data(), (long)text.size()) {}
    std::string text;
    PPDStream stream;
};

std::string Token(PPDStream& s, const char* delimiters, bool strip = false) {
    char token[PPDX::kTokenBufferSize];
    return PPDX::NextToken(s, token, delimiters, strip) ? std::string(token) : "<none>";
}

CFArrayRef Names(const std::vector<const char*>& names) {
    std::vector<const void*> values;
    for (const char* n : names)
        values.push_back(CFStringCreateWithCString(kCFAllocatorDefault, n, kCFStringEncodingUTF8));
    CFArrayRef array = CFArrayCreate(kCFAllocatorDefault, values.data(),
                                     static_cast<CFIndex>(values.size()), &kCFTypeArrayCallBacks);
    for (const void* v : values)
        CFRelease(v);
    return array;
}

bool CheckName(const std::string& content, const std::vector<const char*>& names) {
    TempFile temp(content);
    FSSpec spec = temp.Spec();
    std::string name = TempFile::NameOf(spec);
    PPDFile file(spec.vRefNum, spec.parID, name.data());
    CFArrayRef array = Names(names);
    bool result = PPDX::ValidateAgainstPCFilename(array, &file);
    CFRelease(array);
    EXPECT_FALSE(file.dataForkOpen());
    return result;
}

const char kHeader[] = "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n";

}  // namespace

TEST(PPDXTokenizer, Delimiters) {
    Text open("*OpenUI *PageSize/Page Size: PickOne");
    EXPECT_EQ(Token(open.stream, " \t:"), "*OpenUI");
    EXPECT_EQ(Token(open.stream, "/:"), "*PageSize");
    EXPECT_EQ(Token(open.stream, ":"), "Page Size");
    EXPECT_EQ(Token(open.stream, nullptr, true), "PickOne");
    EXPECT_EQ(Token(open.stream, nullptr), "<none>");

    Text blank(" *Keyword: x");
    EXPECT_EQ(Token(blank.stream, " \t:"), "<none>");
    EXPECT_EQ(Token(blank.stream, " \t:"), "*Keyword");

    Text strip(": \t spaced  value \t");
    EXPECT_EQ(Token(strip.stream, ":"), "<none>");
    EXPECT_EQ(Token(strip.stream, "\n\r", true), "spaced  value");
    Text blanks("   \n");
    EXPECT_EQ(Token(blanks.stream, "\n\r", true), "");

    char token[PPDX::kTokenBufferSize];
    EXPECT_FALSE(PPDX::NextToken(blank.stream, nullptr, ":", false));
    Text longer(std::string(300, 'v'));
    ASSERT_TRUE(PPDX::NextToken(longer.stream, token, nullptr, false));
    EXPECT_EQ(std::strlen(token), 255u);
    EXPECT_EQ(Token(longer.stream, nullptr), std::string(45, 'v'));
}

TEST(PPDXTokenizer, EveryAlignmentAndLength) {
    // Tokens are scanned sixteen bytes at a time: a token that starts anywhere in a block, a
    // stop at any place of it and a text that ends in mid-block give what a byte-by-byte
    // reading gives. The bytes around the text are delimiters, but for the one right after it:
    // a scan that looked outside the text would cut the token short or run on past its end.
    // Four delimiters take the byte-by-byte path.
    for (const char* delimiters : {":", "/:", " \t:", "/ \t:"}) {
        const char stops[] = {'\n', '\r', '\0', delimiters[0]};
        for (size_t start = 0; start < 16; ++start) {
            for (size_t length = 1; length < 40; ++length) {
                for (size_t stopAt = 0; stopAt <= length; ++stopAt) {
                    std::string buffer(80, ':');
                    for (size_t i = 0; i < length; ++i)
                        buffer[start + i] = i % 5 == 4 ? '\xE9' : 'x';
                    buffer[start + length] = 'y';
                    if (stopAt < length)
                        buffer[start + stopAt] = stops[(start + stopAt) % 4];
                    PPDStream s(buffer.data() + start, static_cast<long>(length));
                    const std::string expected =
                        stopAt == 0 ? "<none>" : buffer.substr(start, stopAt);
                    ASSERT_EQ(Token(s, delimiters), expected)
                        << delimiters << " start " << start << " length " << length << " stop "
                        << stopAt;
                    EXPECT_EQ(s.Cursor(), buffer.data() + start + std::min(stopAt + 1, length));
                }
            }
        }
    }
}

TEST(PPDXTokenizer, LineEnds) {
    // CR LF: without CR among the delimiters the LF ends the token and the CR is dropped.
    Text crlf("abc\r\ndef\rghi\njkl");
    EXPECT_EQ(Token(crlf.stream, ":"), "abc");
    EXPECT_EQ(Token(crlf.stream, ":"), "def");  // a lone CR ends the token
    EXPECT_EQ(Token(crlf.stream, ":"), "ghi");
    EXPECT_EQ(Token(crlf.stream, ":"), "jkl");  // the end of the stream

    // With CR a delimiter, the LF stays and gives an empty token next.
    Text rest("value\r\nnext");
    EXPECT_EQ(Token(rest.stream, "\n\r"), "value");
    EXPECT_EQ(Token(rest.stream, "\n\r"), "<none>");
    EXPECT_EQ(Token(rest.stream, "\n\r"), "next");

    char buffer[16];
    PPDX::StripLeadingWhiteSpace(std::strcpy(buffer, " \t a b \t"));
    EXPECT_STREQ(buffer, "a b \t");
    PPDX::StripTrailingWhiteSpace(buffer);
    EXPECT_STREQ(buffer, "a b");
}

TEST(PPDXTokenizer, QuotedValues) {
    TestPPDX ppd;
    char buffer[PPDX::kQuotedValueLimit];
    const unsigned long limit = PPDX::kQuotedValueLimit;

    Text plain(" \"4.3\" trailing");
    EXPECT_EQ(ppd.GetQuotedString(plain.stream, buffer, limit), 4);
    EXPECT_STREQ(buffer, "4.3");
    Text empty(" \"\"");
    EXPECT_EQ(ppd.GetQuotedString(empty.stream, buffer, limit), 0);
    Text longer(" \"" + std::string(300, 'q') + "\"");
    EXPECT_GT(ppd.GetQuotedString(longer.stream, buffer, limit), 0);
    EXPECT_EQ(std::string(buffer), std::string(255, 'q'));

    // Over several lines: NUL separators, so the string is the first line; the lines up to
    // the closing quote are consumed.
    std::string file = "second\n\nthird\" rest\n*Next: 1\n";
    PPDStream fileStream(file.data(), static_cast<long>(file.size()));
    ppd.SetStream(&fileStream);
    Text first(" \"first");
    EXPECT_EQ(ppd.GetQuotedString(first.stream, buffer, limit), 19);
    EXPECT_STREQ(buffer, "first");
    EXPECT_STREQ(buffer + 6, "second");
    EXPECT_STREQ(buffer + 13, "third");
    char line[kPPDLineBufferSize];
    ASSERT_TRUE(fileStream.GetLine(line));
    EXPECT_STREQ(line, "*Next: 1");

    // A statement line ends the value (and is consumed); the end of the file gives 0.
    std::string stop = "*Other: 2\nafter\n";
    PPDStream stopStream(stop.data(), static_cast<long>(stop.size()));
    ppd.SetStream(&stopStream);
    Text open(" \"open");
    EXPECT_EQ(ppd.GetQuotedString(open.stream, buffer, limit), 5);
    EXPECT_STREQ(buffer, "open");
    ASSERT_TRUE(stopStream.GetLine(line));
    EXPECT_STREQ(line, "after");
    Text unclosed(" \"never");
    EXPECT_EQ(ppd.GetQuotedString(unclosed.stream, buffer, limit), 0);
    ppd.SetStream(nullptr);
    Text alone(" \"alone");
    EXPECT_EQ(ppd.GetQuotedString(alone.stream, buffer, limit), 0);
}

TEST(PPDXTokenizer, PostScriptValues) {
    TestPPDX ppd;
    char buffer[PPDX::kPostScriptValueLimit];
    const unsigned long limit = PPDX::kPostScriptValueLimit;

    Text same(": \"<</Duplex true>>setpagedevice\"");
    long n = ppd.GetPostscriptString(same.stream, buffer, limit);
    EXPECT_EQ(std::string(buffer, n), "<</Duplex true>>setpagedevice\n");
    Text empty(": \"\"");
    EXPECT_EQ(ppd.GetPostscriptString(empty.stream, buffer, limit), 0);
    Text none(": nothing quoted");
    EXPECT_EQ(ppd.GetPostscriptString(none.stream, buffer, limit), 0);

    // Three lines joined by LF, the empty line dropped, a *% line contributing its rest.
    std::string file = "<</Duplex true>>\n\n*%  comment part\nsetpagedevice\" \n*End\n";
    PPDStream fileStream(file.data(), static_cast<long>(file.size()));
    ppd.SetStream(&fileStream);
    Text first(": \"%first");
    n = ppd.GetPostscriptString(first.stream, buffer, limit);
    EXPECT_EQ(std::string(buffer, n), "%first\n<</Duplex true>>\n  comment part\nsetpagedevice\n");

    // A statement line ends the value; so does the end of the file.
    std::string stop = "line two\n*Next: x\n";
    PPDStream stopStream(stop.data(), static_cast<long>(stop.size()));
    ppd.SetStream(&stopStream);
    Text open(": \"one");
    n = ppd.GetPostscriptString(open.stream, buffer, limit);
    EXPECT_EQ(std::string(buffer, n), "one\nline two\n");
    Text more(": \"again");
    n = ppd.GetPostscriptString(more.stream, buffer, limit);
    EXPECT_EQ(std::string(buffer, n), "again\n");

    // The limit: limit - 1 bytes of value and the LF.
    const unsigned long small = 8;
    Text cut(": \"abcdefghijk\"");
    n = ppd.GetPostscriptString(cut.stream, buffer, small);
    EXPECT_EQ(std::string(buffer, n), "abcdefg\n");
    ppd.SetStream(nullptr);
}

TEST(PPDXMainKeywords, StoredReplacedAndConverter) {
    PPDX ppd;
    auto feed = [&](const char* keyword, const std::string& rest) {
        Text t(rest);
        EXPECT_EQ(ppd.ParsePSKeywords(t.stream, keyword), nullptr);
    };
    EXPECT_EQ(ppd.PCFileName(), nullptr);
    feed("*PCFileName", " \"QW4300.PPD\"");
    feed("*FormatVersion", " \"4.3\"");
    feed("*FileVersion", " \"1.0\"");
    feed("*ModelName", " \"Quillwork QW-4300 PS\"");
    feed("*NickName", " \"ignored\"");
    EXPECT_STREQ(ppd.PCFileName(), "QW4300.PPD");
    EXPECT_STREQ(ppd.FormatVersion(), "4.3");
    EXPECT_STREQ(ppd.FileVersion(), "1.0");
    EXPECT_STREQ(ppd.ModelName(), "Quillwork QW-4300 PS");

    // A repeated statement replaces; one without a value leaves the earlier value.
    feed("*ModelName", " \"Quillwork QW-4300 PS Plus\"");
    feed("*ModelName", " no quotes");
    feed("*FileVersion", " \"\"");
    EXPECT_STREQ(ppd.ModelName(), "Quillwork QW-4300 PS Plus");
    EXPECT_STREQ(ppd.FileVersion(), "1.0");

    // The converter appears once both language statements are known, whatever the order.
    feed("*LanguageEncoding", " ISOLatin1 \r");
    EXPECT_EQ(ppd.GetTextConverter(), nullptr);
    EXPECT_EQ(ppd.GetStringTextEncoding(), 0u);
    feed("*LanguageVersion", "\tFrench");
    EXPECT_STREQ(ppd.LanguageVersion(), "French");
    EXPECT_STREQ(ppd.LanguageEncoding(), "ISOLatin1");
    TextConverter* first = ppd.GetTextConverter();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetInputEncoding(), 0x201u);
    EXPECT_EQ(ppd.GetStringTextEncoding(), 0x08000100u);
    feed("*LanguageEncoding", " MacStandard");
    ASSERT_NE(ppd.GetTextConverter(), nullptr);
    EXPECT_EQ(ppd.GetTextConverter()->GetInputEncoding(), 0u);
    feed("*LanguageVersion", "");
    EXPECT_STREQ(ppd.LanguageVersion(), "French");
}

TEST(PPDXValidity, HeaderErrorsAndLifetime) {
    TestPPDX bare;
    EXPECT_FALSE(bare.IsValidPPD());  // no 4.3 header, even without errors
    bare.SetValidPPD(true);
    EXPECT_TRUE(bare.IsValidPPD());  // no error list at all
    EXPECT_TRUE(bare.IsValidPrinterName());

    TempFile temp(std::string(kHeader) + "*PCFileName: \"QW4300.PPD\"\n");
    TestPPDX ppd(temp.Spec(), nullptr);
    ASSERT_NE(ppd.GetErrors(), nullptr);
    ASSERT_NE(ppd.GetFile(), nullptr);
    EXPECT_TRUE(ppd.GetFile()->exists());
    EXPECT_TRUE(ppd.IsValidPrinterName());
    EXPECT_FALSE(ppd.IsValidPPD());
    ppd.SetValidPPD(true);
    EXPECT_TRUE(ppd.IsValidPPD());
    ppd.GetErrors()->Add(new PPDXErrorObj(16, CString("*QWImageFlag"), false));
    EXPECT_TRUE(ppd.IsValidPPD());
    ppd.AllErrorsFatal(true);
    EXPECT_FALSE(ppd.IsValidPPD());
    ppd.AllErrorsFatal(false);
    ppd.GetErrors()->Add(new PPDXErrorObj(28, true));
    EXPECT_FALSE(ppd.IsValidPPD());

    // Reference count: the Release that brings the count to 0 or below destroys the object.
    bool destroyed = false;
    TestPPDX* fresh = new TestPPDX(&destroyed);
    EXPECT_TRUE(fresh->Release());
    EXPECT_TRUE(destroyed);
    destroyed = false;
    TestPPDX* shared = new TestPPDX(&destroyed);
    EXPECT_EQ(shared->Retain(), shared);
    EXPECT_EQ(shared->Retain(), shared);
    EXPECT_FALSE(shared->Release());
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(shared->Release());
    EXPECT_TRUE(destroyed);
}

TEST(PPDXPrinterCheck, PCFileNames) {
    const std::string ppd = std::string(kHeader) + "*PCFileName:   \"QW4300.PPD\"\n";
    EXPECT_TRUE(CheckName(ppd, {"QW4300.PPD"}));
    EXPECT_TRUE(CheckName(ppd, {"XX1000", "QW4300"}));  // a prefix of the value matches
    EXPECT_FALSE(CheckName(ppd, {"qw4300"}));           // case matters
    EXPECT_FALSE(CheckName(ppd, {"QW4301", ""}));
    EXPECT_FALSE(CheckName(ppd, {}));
    EXPECT_FALSE(CheckName(std::string(kHeader) + "*ModelName: \"QW4300\"\n", {"QW4300"}));

    // Only the first 4096 bytes are searched.
    std::string padding;
    while (padding.size() < 4100)
        padding += "*% padding line of the sample file\n";
    EXPECT_FALSE(
        CheckName(std::string(kHeader) + padding + "*PCFileName: \"QW4300.PPD\"\n", {"QW4300"}));
    // Names are looked for in the 32 bytes after the keyword's blanks only.
    EXPECT_FALSE(CheckName(
        std::string(kHeader) + "*PCFileName: \"" + std::string(40, 'x') + "QW4300.PPD\"\n",
        {"QW4300"}));

    // Through the constructor: the flag, and the name list is consumed.
    TempFile good(ppd);
    CFArrayRef names = Names({"QW4300"});
    TestPPDX accepted(good.Spec(), names);
    EXPECT_TRUE(accepted.IsValidPrinterName());
    CFArrayRef other = Names({"ZZ9000"});
    TestPPDX refused(good.Spec(), other);
    EXPECT_FALSE(refused.IsValidPrinterName());

    // ValidateFileName: no list accepts; otherwise a file made from the URL is checked.
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(good.Path().c_str()),
        static_cast<CFIndex>(good.Path().size()), false);
    EXPECT_TRUE(PPDX::ValidateFileName(url, nullptr, nullptr));
    EXPECT_TRUE(PPDX::ValidateFileName(url, names, nullptr));
    EXPECT_FALSE(PPDX::ValidateFileName(url, other, nullptr));
    CFRelease(url);
    CFRelease(names);
    CFRelease(other);

    // A file that cannot be read fails the check.
    PPDFile missing(static_cast<unsigned char>(0));
    CFArrayRef any = Names({"QW4300"});
    EXPECT_FALSE(PPDX::ValidateAgainstPCFilename(any, &missing));
    CFRelease(any);
}
