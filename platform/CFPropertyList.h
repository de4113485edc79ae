// Core Foundation property lists: strings, numbers, Booleans, dates, data, arrays and
// dictionaries to and from the XML property-list format.
#pragma once

#include "platform/CFBase.h"
#include "platform/CFData.h"
#include "platform/CFError.h"

typedef CFIndex CFPropertyListFormat;
enum : CFIndex {
    kCFPropertyListOpenStepFormat = 1,  // not supported
    kCFPropertyListXMLFormat_v1_0 = 100,
    kCFPropertyListBinaryFormat_v1_0 = 200,  // not supported
};

typedef CFOptionFlags CFPropertyListMutabilityOptions;
enum : CFOptionFlags {
    kCFPropertyListImmutable = 0,
    kCFPropertyListMutableContainers = 1,
    kCFPropertyListMutableContainersAndLeaves = 2,
};

enum : CFIndex {
    kCFPropertyListReadCorruptError = 3840,
    kCFPropertyListReadUnknownVersionError = 3841,
    kCFPropertyListReadStreamError = 3842,
    kCFPropertyListWriteStreamError = 3851,
};

// Nesting of arrays and dictionaries deeper than this is refused, reading and writing.
constexpr CFIndex kCFPropertyListMaxDepth = 512;

// XML data of a property list, or null when it holds something a property list cannot
// (a non-string dictionary key, a URL, too deep a nesting...).
CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef allocator, CFPropertyListRef propertyList);
CFDataRef CFPropertyListCreateData(CFAllocatorRef allocator, CFPropertyListRef propertyList,
                                   CFPropertyListFormat format, CFOptionFlags options,
                                   CFErrorRef* error);
// Reads XML property-list data; null and a description in *errorString (which the caller
// releases) when the data is not a valid property list. The data is untrusted: malformed
// XML, unsupported elements, text that is not UTF-8 and nesting deeper than
// kCFPropertyListMaxDepth all give null.
CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef allocator, CFDataRef xmlData,
                                                  CFOptionFlags mutabilityOption,
                                                  CFStringRef* errorString);
CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef allocator, CFDataRef data,
                                               CFOptionFlags options, CFPropertyListFormat* format,
                                               CFErrorRef* error);
CFPropertyListRef CFPropertyListCreateDeepCopy(CFAllocatorRef allocator,
                                               CFPropertyListRef propertyList,
                                               CFOptionFlags mutabilityOption);
Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format);
