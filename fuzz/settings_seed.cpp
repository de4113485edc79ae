// settings_seed PPD OUT: parses PPD and writes its flattened settings cache to OUT, the form the
// settings fuzz target reads (used to make its seeds in fuzz/corpus/settings).
#include <cstdio>
#include <cstring>

#include "parser/ZEQPPD.h"
#include "platform/CFData.h"
#include "platform/CFURL.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s PPD OUT\n", argv[0]);
        return 2;
    }
    CFURLRef url =
        CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(argv[1]),
                                                static_cast<CFIndex>(strlen(argv[1])), false);
    ZEQPPD* ppd = new ZEQPPD(url, 3, nullptr);
    Settings settings;
    bool saved = ppd->Save(settings);
    CFDataStream stream;
    int status = 1;
    if (saved && settings.Save(&stream) == 0 && stream.data()) {
        FILE* out = fopen(argv[2], "wb");
        CFIndex length = CFDataGetLength(stream.data());
        if (out && fwrite(CFDataGetBytePtr(stream.data()), 1, static_cast<size_t>(length), out) ==
                       static_cast<size_t>(length))
            status = 0;
        if (out && fclose(out) != 0)
            status = 1;
    }
    if (status)
        fprintf(stderr, "%s: could not save the cache of %s\n", argv[0], argv[1]);
    delete ppd;
    CFRelease(url);
    return status;
}
