// ppd_check: parses each PPD file named (or listed, one path a line, in the file after -l)
// with the vendor parser and options 3, and prints one tab-separated line per file: path,
// valid flag, error numbers, the six main keywords and the parse time. scripts/corpus-check
// runs it under the sanitizer build over real-world PPDs.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PPDObjects/PPDXErrors.h"
#include "parser/ZEQPPD.h"
#include "platform/CFURL.h"

namespace {

// Tabs and line ends would break the line format; a missing value prints as "(null)".
std::string Field(const char* text) {
    if (!text)
        return "(null)";
    std::string out;
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\t' || c == '\n' || c == '\r' || c == '\\') {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void Check(const char* path) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path), static_cast<CFIndex>(strlen(path)), false);
    if (!url) {
        printf("%s\tnourl\n", Field(path).c_str());
        return;
    }
    auto start = std::chrono::steady_clock::now();
    ZEQPPD* ppd = new ZEQPPD(url, 3, nullptr);
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::string errors;
    if (PPDXErrors* list = ppd->GetErrors()) {
        for (PPDXErrorObj* e = list->First(); e; e = list->Next()) {
            if (!errors.empty())
                errors += ',';
            errors += std::to_string(e->Number());
        }
    }
    printf("%s\t%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%.3f\n", Field(path).c_str(),
           ppd->IsValidPPD() ? 1 : 0, errors.empty() ? "-" : errors.c_str(),
           Field(ppd->ModelName()).c_str(), Field(ppd->PCFileName()).c_str(),
           Field(ppd->LanguageVersion()).c_str(), Field(ppd->LanguageEncoding()).c_str(),
           Field(ppd->FormatVersion()).c_str(), Field(ppd->FileVersion()).c_str(), ms);
    fflush(stdout);
    delete ppd;
    CFRelease(url);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s PPD... | %s -l LIST\n", argv[0], argv[0]);
        return 2;
    }
    if (strcmp(argv[1], "-l") == 0) {
        if (argc != 3) {
            fprintf(stderr, "usage: %s -l LIST\n", argv[0]);
            return 2;
        }
        FILE* list = fopen(argv[2], "r");
        if (!list) {
            perror(argv[2]);
            return 1;
        }
        char line[4096];
        while (fgets(line, sizeof line, list)) {
            line[strcspn(line, "\r\n")] = '\0';
            if (*line)
                Check(line);
        }
        fclose(list);
        return 0;
    }
    for (int i = 1; i < argc; ++i)
        Check(argv[i]);
    return 0;
}
