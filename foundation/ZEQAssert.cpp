// Fatal assertion report and debug outputs.
#include "foundation/ZEQAssert.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

ZEQAssert::~ZEQAssert() {}

namespace {

// Top folders of the source tree: a path is shown from the first of them it passes through.
const char* const kTopFolders[] = {
    "platform/",   "foundation/", "PPDUtils/", "parser/", "PPDObjects/", "settings/", "printsys/",
    "imageshift/", "tools/",      "tests/",    "bench/",  "fuzz/",       "examples/"};

}  // namespace

const char* ZEQSourcePath(const char* file) {
    if (file == nullptr) {
        return "";
    }
#ifdef ZEQ_SOURCE_ROOT
    // The build gives the source tree's own path: strip it when the file lies below it.
    size_t rootLength = strlen(ZEQ_SOURCE_ROOT);
    if (rootLength != 0 && strncmp(file, ZEQ_SOURCE_ROOT, rootLength) == 0) {
        const char* rest = file + rootLength;
        while (*rest == '/') {
            ++rest;
        }
        return rest;
    }
#endif
    // Otherwise (relative or relocated paths) start at the first path component that is one
    // of the tree's top folders.
    for (const char* component = file; *component != '\0';) {
        for (const char* top : kTopFolders) {
            if (strncmp(component, top, strlen(top)) == 0) {
                return component;
            }
        }
        const char* slash = strchr(component, '/');
        if (slash == nullptr) {
            break;
        }
        component = slash + 1;
    }
    return file;
}

void ZEQAssertFailed(const char* file, unsigned line, const char* condition) {
    fprintf(stderr, "%s:%u: failed assertion `%s'\n", ZEQSourcePath(file), line,
            condition != nullptr ? condition : "");
    fflush(stderr);
    abort();
}

void MyDebugMessage(const char* text, long value) {
    if (getenv("PDEDebug") == nullptr) {
        return;
    }
    printf("%s (%ld)\n", text != nullptr ? text : "", value);
    fflush(stdout);
}

void DebugPrintf(const char* format, ...) {
    (void)format;
}
