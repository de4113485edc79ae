// Fuzz target: a string table through the strings-table reader; what it accepts holds only
// strings, and what it refuses is explained.
#include <cstdint>

#include "platform/CFDictionary.h"
#include "platform/CFString.h"
#include "platform/StringsTable.h"

namespace {

void CheckEntry(const void* key, const void* value, void*) {
    if (CFGetTypeID(key) != CFStringGetTypeID() || CFGetTypeID(value) != CFStringGetTypeID())
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFStringRef error = nullptr;
    CFIndex line = -1;
    CFDictionaryRef table = ZEQStringsTableCreate(data, static_cast<CFIndex>(size), &error, &line);
    if (table) {
        if (error || line != 0)
            __builtin_trap();
        CFDictionaryApplyFunction(table, CheckEntry, nullptr);
        CFRelease(table);
    } else {
        // Memory does not run out here: every refusal names its fault and its line.
        if (!error || line < 1)
            __builtin_trap();
        CFRelease(error);
    }
    return 0;
}
