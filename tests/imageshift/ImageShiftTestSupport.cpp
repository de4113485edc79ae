// The parsed PPDs of the Image Shift tests.
#include "tests/imageshift/ImageShiftTestSupport.h"

#include "parser/ZEQPPD.h"

namespace istest {

void PPDDeleter::operator()(ZEQPPD* ppd) const {
    delete ppd;
}

PPDPtr ParsePPD(const std::string& path) {
    Str text(path);
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, text, kCFURLPOSIXPathStyle, false);
    PPDPtr ppd(new ZEQPPD(url, 3, nullptr));
    CFRelease(url);
    return ppd;
}

}  // namespace istest
