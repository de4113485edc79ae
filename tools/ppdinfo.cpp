// ppdinfo: reads a PPD with the base parser alone and prints its main keywords, the option
// blocks with their translations (converted to UTF-8) and whether the PPD is valid.
// Usage: ppdinfo FILE [PCFILENAME...]; ppdinfo --help; ppdinfo --version
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PPDUtils/FileMac.h"
#include "PPDUtils/PPDStream.h"
#include "PPDUtils/TextConverter.h"
#include "parser/PPDX.h"
#include "platform/CFArray.h"
#include "platform/CFString.h"
#include "platform/CFURL.h"
#include "tools/ToolOutput.h"

namespace {

struct Option {
    std::string name;
    std::string translation;  // UTF-8
};

struct Block {
    std::string keyword;
    std::string translation;  // UTF-8
    std::vector<Option> options;
};

// The base parser with a statement loop of its own: the header test, the main keywords, the
// vendor version keywords and the option blocks; every other statement is passed over.
class BaseReader : public PPDX {
public:
    BaseReader(const __CFURL* url, const __CFArray* names) : PPDX(url, names) {}

    void Parse() override;

    bool readable = true;
    bool headerRefused = false;
    std::string vendorVersion, vendorFileVersion;
    std::vector<Block> blocks;

private:
    std::string Display(const char* text);
    void ReadOpenUI(const char* line);
    void ReadOption(PPDStream& stream);
};

std::string BaseReader::Display(const char* text) {
    if (text == nullptr)
        return "";
    if (mTextConverter == nullptr)
        return text;
    CFStringRef s = mTextConverter->ConvertToCFString(text, 256);
    std::string result;
    if (s != nullptr) {
        CFIndex size =
            CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8) + 1;
        std::vector<char> buffer(static_cast<size_t>(size));
        if (CFStringGetCString(s, buffer.data(), size, kCFStringEncodingUTF8))
            result = buffer.data();
        CFRelease(s);
    }
    return result;
}

// "*OpenUI *Keyword/Translation: Type": the translation is optional.
void BaseReader::ReadOpenUI(const char* line) {
    const char* start = std::strchr(line, '*');
    if (start == nullptr)
        return;
    const char* colon = std::strchr(start, ':');
    const char* end = colon != nullptr ? colon : start + std::strlen(start);
    const char* slash = static_cast<const char*>(std::memchr(start, '/', end - start));
    Block block;
    block.keyword.assign(start, (slash != nullptr ? slash : end) - start);
    if (slash != nullptr)
        block.translation = Display(std::string(slash + 1, end).c_str());
    blocks.push_back(block);
}

// "*Keyword Option/Translation: value" inside an option block.
void BaseReader::ReadOption(PPDStream& stream) {
    char name[kTokenBufferSize];
    char translation[kTokenBufferSize];
    const PPDStream start(stream);
    stream.SkipWhiteSpace();
    if (!NextToken(stream, name, "/:", true))
        return;
    // Without a slash the name ended at the colon: the option has no translation.
    PPDStream probe(start);
    char c;
    bool slash = false;
    while (probe.GetChar(c) && c != ':')
        if (c == '/')
            slash = true;
    Option option;
    option.name = name;
    if (slash && NextToken(stream, translation, ":", false))
        option.translation = Display(translation);
    blocks.back().options.push_back(option);
}

void BaseReader::Parse() {
    PPDFileStream file(mFile, true);
    if (file.Bad()) {
        readable = false;
        return;
    }
    mStream = &file;
    char keyword[kTokenBufferSize];
    char value[kTokenBufferSize];
    const unsigned long limit = kQuotedValueLimit;

    // The first statement must be the 4.3 header.
    if (NextToken(file, keyword, " \t:", false)) {
        if (std::strcmp(keyword, "*PPD-Adobe") == 0 && GetQuotedString(file, value, limit) > 0 &&
            std::strcmp(value, "4.3") == 0)
            mValidPPD = true;
        else
            headerRefused = true;
    }

    char line[kPPDLineBufferSize];
    bool inBlock = false;
    while (!headerRefused && file.GetLine(line)) {
        PPDStream statement(line, static_cast<long>(std::strlen(line)));
        if (!NextToken(statement, keyword, " \t:", false))
            continue;
        if (std::strcmp(keyword, "*OpenUI") == 0) {
            ReadOpenUI(line + std::strlen("*OpenUI"));
            inBlock = true;
        } else if (std::strcmp(keyword, "*CloseUI") == 0) {
            inBlock = false;
        } else if (inBlock && blocks.back().keyword == keyword) {
            ReadOption(statement);
        } else if (std::strcmp(keyword, "*%QWVersion") == 0) {
            if (NextToken(statement, value, "\n\r", true))
                vendorVersion = value;
        } else if (std::strcmp(keyword, "*%QWFileVersion") == 0) {
            if (NextToken(statement, value, "\n\r", true))
                vendorFileVersion = value;
        } else {
            ParsePSKeywords(statement, keyword);
        }
    }
    mStream = nullptr;
}

void PrintValue(const char* label, const std::string& value, bool present) {
    std::fprintf(ToolOutput(), "%-17s %s\n", label, present ? value.c_str() : "(none)");
}

const char kUsage[] = "usage: ppdinfo FILE [PCFILENAME...]\n";
const char kHelp[] =
    "Reads a PPD with the base parser alone and prints its main keywords, its option blocks\n"
    "with their translations (in UTF-8), and whether it is a valid PPD 4.3 file.\n"
    "\n"
    "  FILE           the PPD file to read\n"
    "  PCFILENAME...  acceptable PC file names; the PPD is read only when its *PCFileName\n"
    "                 holds one of them (without any, the check is skipped)\n"
    "  --help         print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Exit status: 0 for a valid PPD, 1 for an invalid one or a PC file name not among those\n"
    "given, 2 for a usage error or a file that cannot be read.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("ppdinfo %s\n", ZEQ_VERSION);
        return 0;
    }
    if (argc < 2 || argv[1][0] == '-') {
        if (argc >= 2)
            std::fprintf(stderr, "ppdinfo: unknown option %s\n", argv[1]);
        std::fprintf(stderr, "%sRun 'ppdinfo --help' for more.\n", kUsage);
        return 2;
    }
    // From here on the library runs: what it prints goes to standard error.
    std::FILE* out = SeparateLibraryOutput();
    const char* path = argv[1];
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(path),
        static_cast<CFIndex>(std::strlen(path)), false);
    if (url == nullptr) {
        std::fprintf(stderr, "ppdinfo: bad file name %s\n", path);
        return 2;
    }

    CFArrayRef names = nullptr;
    std::vector<CFStringRef> strings;
    for (int i = 2; i < argc; ++i)
        strings.push_back(
            CFStringCreateWithCString(kCFAllocatorDefault, argv[i], kCFStringEncodingUTF8));
    if (!strings.empty())
        names = CFArrayCreate(kCFAllocatorDefault, reinterpret_cast<const void**>(strings.data()),
                              static_cast<CFIndex>(strings.size()), &kCFTypeArrayCallBacks);
    for (CFStringRef s : strings)
        if (s != nullptr)
            CFRelease(s);

    BaseReader* ppd = new BaseReader(url, names);
    if (names != nullptr)
        CFRelease(names);
    CFRelease(url);

    int status = 0;
    std::fprintf(out, "%-17s %s\n", "File:", path);
    if (!ppd->IsValidPrinterName()) {
        std::fprintf(out, "%-17s not one of the given names: the PPD is not read\n",
                     "PC file name:");
        ppd->Release();
        return 1;
    }
    ppd->Parse();
    if (!ppd->readable) {
        std::fprintf(stderr, "ppdinfo: cannot read %s\n", path);
        ppd->Release();
        return 2;
    }

    auto text = [](const char* s) { return std::string(s != nullptr ? s : ""); };
    PrintValue("FormatVersion:", text(ppd->FormatVersion()), ppd->FormatVersion() != nullptr);
    PrintValue("FileVersion:", text(ppd->FileVersion()), ppd->FileVersion() != nullptr);
    PrintValue("PCFileName:", text(ppd->PCFileName()), ppd->PCFileName() != nullptr);
    PrintValue("LanguageVersion:", text(ppd->LanguageVersion()), ppd->LanguageVersion() != nullptr);
    PrintValue("LanguageEncoding:", text(ppd->LanguageEncoding()),
               ppd->LanguageEncoding() != nullptr);
    std::string model;
    if (ppd->ModelName() != nullptr && ppd->GetTextConverter() != nullptr) {
        CFStringRef s = ppd->GetTextConverter()->ConvertToCFString(ppd->ModelName(), 256);
        char buffer[1024];
        model = CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "";
        CFRelease(s);
    } else {
        model = text(ppd->ModelName());
    }
    PrintValue("ModelName:", model, ppd->ModelName() != nullptr);
    PrintValue("QWVersion:", ppd->vendorVersion, !ppd->vendorVersion.empty());
    PrintValue("QWFileVersion:", ppd->vendorFileVersion, !ppd->vendorFileVersion.empty());
    std::fprintf(out, "%-17s %08X\n",
                 "Text encoding:", static_cast<unsigned>(ppd->GetStringTextEncoding()));

    std::fprintf(out, "Options:\n");
    for (const Block& block : ppd->blocks) {
        std::fprintf(out, "  %s%s%s%s\n", block.keyword.c_str(),
                     block.translation.empty() ? "" : " (", block.translation.c_str(),
                     block.translation.empty() ? "" : ")");
        for (const Option& option : block.options)
            std::fprintf(out, "    %-16s %s\n", option.name.c_str(), option.translation.c_str());
    }

    bool valid = ppd->IsValidPPD();
    if (ppd->headerRefused)
        std::fprintf(out, "%-17s not a version 4.3 PPD\n", "Header:");
    std::fprintf(out, "%-17s %s\n", "Valid PPD:", valid ? "yes" : "no");
    if (!valid)
        status = 1;
    ppd->Release();
    return status;
}
