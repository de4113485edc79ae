// Core Foundation base types of the platform layer: reference-counted objects behind opaque
// pointers, allocators (accepted and ignored), ranges, comparison results.
#pragma once

#include "platform/MacTypes.h"

typedef long CFIndex;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFHashCode;
typedef unsigned long CFTypeID;

typedef const void* CFTypeRef;

typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;
typedef CFTypeRef CFPropertyListRef;

// Allocators exist so that Apple's signatures hold; every object is made with the process
// heap whatever allocator is passed, and kCFAllocatorNull only matters where a function
// documents it (bytes that are not to be freed).
typedef const struct __CFAllocator* CFAllocatorRef;
extern const CFAllocatorRef kCFAllocatorDefault;
extern const CFAllocatorRef kCFAllocatorSystemDefault;
extern const CFAllocatorRef kCFAllocatorMalloc;
extern const CFAllocatorRef kCFAllocatorNull;

struct CFRange {
    CFIndex location;
    CFIndex length;
};
inline CFRange CFRangeMake(CFIndex location, CFIndex length) {
    return CFRange{location, length};
}

typedef CFIndex CFComparisonResult;
enum : CFIndex {
    kCFCompareLessThan = -1,
    kCFCompareEqualTo = 0,
    kCFCompareGreaterThan = 1,
};

enum : CFIndex { kCFNotFound = -1 };

typedef const struct __CFNull* CFNullRef;
extern const CFNullRef kCFNull;

// Object life: CFRetain returns its argument; CFRelease frees the object at count zero.
// Both accept null and do nothing with it. Constant objects (CFSTR strings, the Booleans,
// kCFNull) ignore retain and release.
CFTypeRef CFRetain(CFTypeRef cf);
void CFRelease(CFTypeRef cf);
CFIndex CFGetRetainCount(CFTypeRef cf);
CFTypeID CFGetTypeID(CFTypeRef cf);
// Same type and same contents (numbers compare by value across their stored types).
Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
CFHashCode CFHash(CFTypeRef cf);
// A readable description: a string is itself, a number its value, a container its elements.
CFStringRef CFCopyDescription(CFTypeRef cf);
CFStringRef CFCopyTypeIDDescription(CFTypeID typeID);
CFTypeID CFNullGetTypeID(void);
CFAllocatorRef CFGetAllocator(CFTypeRef cf);
