// Fuzz target: a translation string through hexadecimal decoding and through every input
// encoding a PPD may declare (to a display string, in-place conversion, and back to bytes).
#include <cstdint>
#include <cstring>
#include <vector>

#include "PPDUtils/TextConverter.h"
#include "platform/CFString.h"

namespace {

const char* const kEncodings[] = {"ISOLatin1",   "ISOLatin2",   "ISOLatin5", "JIS83-RKSJ",
                                  "MacStandard", "WindowsANSI", "UTF-8"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Translation strings come from 255-character lines; allow some more to reach the limits.
    if (size > 4096)
        return 0;
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    std::vector<char> decoded(size + 1);
    long written = TextConverter::DehexBufferFill(text.data(), decoded.data());
    if (written < 1 || static_cast<size_t>(written) > size + 1)
        __builtin_trap();  // decoding never grows the text

    const unsigned long output = TextConverter::GetCurrentEncoding();
    // Looked up once: the UTF-8 look-up reports itself on standard output.
    static const std::vector<unsigned long> inputs = [] {
        std::vector<unsigned long> list;
        for (const char* name : kEncodings) {
            unsigned long input = TextConverter::LanguageStringToEncoding(name);
            if (input != 0xFFFF)
                list.push_back(input);
        }
        return list;
    }();
    for (unsigned long input : inputs) {
        TextConverter converter(input, output);
        CFStringRef string = converter.ConvertToCFString(text.data(), static_cast<long>(size));
        if (string) {
            char back[257];
            TextConverter::CFStringToCstring(string, back, sizeof back);
            if (strlen(back) >= sizeof back)
                __builtin_trap();
            CFRelease(string);
        }
        std::vector<char> inPlace = text;
        (void)converter.Convert(inPlace.data(), static_cast<long>(inPlace.size()));
        if (inPlace.back() != '\0' && memchr(inPlace.data(), 0, inPlace.size()) == nullptr)
            __builtin_trap();  // the result must stay terminated within the buffer
    }
    return 0;
}
