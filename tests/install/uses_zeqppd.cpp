// A program of another project that uses the installed PPD library through pkg-config: it
// parses a PPD and prints its model name, its validity and the range of one control.
#include <cstdio>
#include <cstring>

#include "PPDObjects/PPDXControls.h"
#include "PPDObjects/PPDXRangeControl.h"
#include "parser/ZEQPPD.h"
#include "platform/CFURL.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: uses_zeqppd PPD KEYWORD\n");
        return 2;
    }
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(argv[1]), static_cast<CFIndex>(std::strlen(argv[1])),
        false);
    int status = 1;
    {
        ZEQPPD ppd(url, 3, nullptr);
        PPDXRangeControl* range =
            ppd.GetControls() ? ppd.GetControls()->FindRangeControl(argv[2], true) : nullptr;
        std::printf("%s: %s", ppd.ModelName() ? ppd.ModelName() : "(no model name)",
                    ppd.IsValidPPD() ? "valid" : "invalid");
        if (range)
            std::printf(", %s from %ld to %ld", argv[2], range->MinVal(), range->MaxVal());
        std::printf("\n");
        status = ppd.IsValidPPD() && range ? 0 : 1;
    }
    CFRelease(url);
    return status;
}
