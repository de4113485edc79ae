// Core Foundation errors: a domain, a code and a description.
#pragma once

#include "platform/CFBase.h"
#include "platform/CFDictionary.h"

typedef struct __CFError* CFErrorRef;
typedef CFStringRef CFErrorDomain;

extern const CFErrorDomain kCFErrorDomainCocoa;
extern const CFErrorDomain kCFErrorDomainPOSIX;
extern const CFErrorDomain kCFErrorDomainOSStatus;
extern const CFStringRef kCFErrorDescriptionKey;

CFTypeID CFErrorGetTypeID(void);
// userInfo may hold kCFErrorDescriptionKey with the description.
CFErrorRef CFErrorCreate(CFAllocatorRef allocator, CFErrorDomain domain, CFIndex code,
                         CFDictionaryRef userInfo);
CFErrorDomain CFErrorGetDomain(CFErrorRef err);
CFIndex CFErrorGetCode(CFErrorRef err);
CFStringRef CFErrorCopyDescription(CFErrorRef err);
