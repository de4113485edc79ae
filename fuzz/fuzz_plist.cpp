// Fuzz target: an XML property list through the property-list reader; what it accepts is
// written back and read again.
#include <cstdint>

#include "platform/CFData.h"
#include "platform/CFPropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFDataRef bytes = CFDataCreate(nullptr, data, static_cast<CFIndex>(size));
    if (!bytes)
        return 0;
    CFPropertyListFormat format = 0;
    CFErrorRef error = nullptr;
    CFPropertyListRef list =
        CFPropertyListCreateWithData(nullptr, bytes, kCFPropertyListImmutable, &format, &error);
    if (error)
        CFRelease(error);
    if (list) {
        CFDataRef xml = CFPropertyListCreateXMLData(nullptr, list);
        if (xml) {
            CFStringRef errorString = nullptr;
            CFPropertyListRef again = CFPropertyListCreateFromXMLData(
                nullptr, xml, kCFPropertyListMutableContainersAndLeaves, &errorString);
            if (!again)
                __builtin_trap();  // what the writer wrote, the reader must read
            CFRelease(again);
            if (errorString)
                CFRelease(errorString);
            CFRelease(xml);
        }
        CFPropertyListRef copy =
            CFPropertyListCreateDeepCopy(nullptr, list, kCFPropertyListMutableContainers);
        if (copy)
            CFRelease(copy);
        CFRelease(list);
    }
    CFRelease(bytes);
    return 0;
}
