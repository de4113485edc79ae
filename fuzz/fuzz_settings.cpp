// Fuzz target: a flattened settings stream (as the print settings hand it back) read into a
// Settings object, walked item by item, and rebuilt into a parsed-PPD model, whose controls
// are then restored, asked for their PostScript, and saved again.
#include <cstdint>
#include <cstring>
#include <vector>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "foundation/CString.h"
#include "parser/ZEQPPD.h"
#include "platform/CFData.h"
#include "platform/CFURL.h"
#include "platform/MacMemory.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"

namespace {

// Where the rebuilt model expects its PPD: a file that does not exist.
CFURLRef MissingPPD() {
    static const char kPath[] = "/nonexistent/zeq-fuzz/QW4300.ppd";
    static CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(kPath), sizeof kPath - 1, false);
    return url;
}

void Walk(Settings& settings) {
    unsigned long tag = 0;
    long id = 0, size = 0, attributes = 0;
    long visited = 0;
    for (OSStatus r = settings.First(tag, id, size, attributes); r == 0 && visited < 100000;
         r = settings.Next(tag, id, size, attributes), ++visited) {
        long length = 0;
        if (settings.Get(tag, id, nullptr, length) != 0 || length != size)
            __builtin_trap();  // the walk and the keyed look-up disagree
        if (visited % 7 == 0) {
            delete GetSettingsString(settings, tag, id);
            if (CFStringRef s = GetSettingsCFString(settings, tag, id))
                CFRelease(s);
        }
    }
}

void Rebuild(Settings& settings) {
    ZEQPPD* ppd = new ZEQPPD(settings, MissingPPD(), nullptr);
    (void)ppd->IsValidPPD();
    (void)ppd->Restore(settings);
    if (PPDXControls* controls = ppd->GetControls()) {
        _DISPLAY_OPTIONS_ saved = ZEQPPD::Options();
        ZEQPPD::Options(3);
        CNTL_TYPE type;
        for (PPDXControl* c = controls->First(type); c; c = controls->Next(type)) {
            long size = c->PostScript(nullptr);
            if (size < 0 || size > (1L << 24))
                __builtin_trap();
            std::vector<unsigned char> exact(static_cast<size_t>(size));
            if (c->PostScript(exact.data()) != size)
                __builtin_trap();
        }
        ZEQPPD::Options(saved);
    }
    Settings again;
    (void)ppd->Save(again);
    delete ppd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFDataRef bytes = CFDataCreate(nullptr, data, static_cast<CFIndex>(size));
    if (!bytes)
        return 0;
    {
        CFDataStream stream(bytes);
        Settings settings;
        if (settings.Read(&stream, 0) == 0) {
            Walk(settings);
            Rebuild(settings);
        }
    }
    CFRelease(bytes);
    // The same bytes as a flattened handle given to the constructor.
    if (Handle h = NewHandle(static_cast<Size>(size))) {
        if (size)
            memcpy(*h, data, size);
        Settings settings(h);
        if (settings.Valid())
            Walk(settings);
        DisposeHandle(h);
    }
    return 0;
}
