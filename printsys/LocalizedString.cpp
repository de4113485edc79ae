// Localized texts of the main bundle as C strings, for callers with a fixed buffer.
#include <climits>
#include <cstring>

#include "platform/CFBundle.h"
#include "printsys/PPDLocation.h"

unsigned long GetLocalizedString(CFStringRef key, char* out, unsigned long capacity) {
    // An empty buffer cannot even hold the empty string: nothing is written to it.
    if (!out || capacity == 0)
        return 0;
    out[0] = '\0';
    CFStringRef text = CFBundleCopyLocalizedString(CFBundleGetMainBundle(), key, key, nullptr);
    if (!text)
        return 0;
    // The system encoding is UTF-8, where one UTF-16 unit takes up to three bytes: the text is
    // copied only when all its UTF-8 bytes and the NUL fit in capacity (which implies fewer
    // units than capacity). A text that does not fit leaves out empty rather than cut short
    // in the middle of a character.
    const CFIndex room =
        capacity > static_cast<unsigned long>(LONG_MAX) ? LONG_MAX : static_cast<CFIndex>(capacity);
    if (!CFStringGetCString(text, out, room, CFStringGetSystemEncoding()))
        out[0] = '\0';
    CFRelease(text);
    return std::strlen(out);
}
