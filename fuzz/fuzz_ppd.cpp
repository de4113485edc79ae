// Fuzz target: a whole PPD file through the vendor parser, with the options the system uses (3)
// and again with every error fatal; then the model is walked, every control's PostScript is
// produced and its constraints are asked for, and (with the cache) it is saved and rebuilt.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXControls.h"
#include "parser/ZEQPPD.h"
#include "platform/CFURL.h"
#ifdef ZEQ_HAVE_CACHE
#include "settings/Settings.h"
#endif

namespace {

// The parser reads files, so each input is written to one scratch file of this process.
const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* dir = getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/zeq-fuzz-ppd-" +
               std::to_string(getpid()) + ".ppd";
    }();
    return path;
}

CFURLRef ScratchURL() {
    static CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(ScratchPath().c_str()),
        static_cast<CFIndex>(ScratchPath().size()), false);
    return url;
}

void RemoveScratch() {
    unlink(ScratchPath().c_str());
}

bool WriteScratch(const uint8_t* data, size_t size) {
    static bool registered = atexit(RemoveScratch) == 0;
    (void)registered;
    FILE* file = fopen(ScratchPath().c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}

void Exercise(ZEQPPD& ppd) {
    (void)ppd.IsValidPPD();
    (void)ppd.ModelName();
    PPDXControls* controls = ppd.GetControls();
    if (!controls)
        return;
    _DISPLAY_OPTIONS_ saved = ZEQPPD::Options();
    ZEQPPD::Options(3);
    CNTL_TYPE type;
    for (PPDXControl* control = controls->First(type); control; control = controls->Next(type)) {
        long size = control->PostScript(nullptr);
        if (size < 0 || size > (1L << 24))
            abort();  // a size the size-then-fill protocol cannot have
        // Exactly `size` bytes are handed over: AddressSanitizer catches a longer write.
        std::vector<unsigned char> exact(static_cast<size_t>(size));
        if (control->PostScript(exact.data()) != size)
            abort();
        SharedConstraintRec* records = nullptr;
        if (ppd.GetConstraintList(control, 1, &records) > 0)
            ppd.ReleaseConstraintList(records);
        if (ppd.GetRequiresList(control, &records) > 0)
            ppd.ReleaseRequiresList(records);
    }
    ZEQPPD::Options(saved);
#ifdef ZEQ_HAVE_CACHE
    Settings settings;
    if (ppd.Save(settings)) {
        ZEQPPD* rebuilt = new ZEQPPD(settings, ScratchURL(), nullptr);
        (void)rebuilt->Restore(settings);
        delete rebuilt;
    }
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteScratch(data, size) || !ScratchURL())
        return 0;
    {
        ZEQPPD* ppd = new ZEQPPD(ScratchURL(), 3, nullptr);
        Exercise(*ppd);
        delete ppd;
    }
    {
        // All errors fatal: the flag must be set before the statement loop runs, so the model
        // is built in steps (containers, file, parse) instead of by the file constructor.
        ZEQPPD* ppd = new ZEQPPD(3);
        ppd->AllErrorsFatal(true);
        ppd->PPDX::Build(ScratchURL());
        ppd->Parse();
        Exercise(*ppd);
        delete ppd;
    }
    return 0;
}
