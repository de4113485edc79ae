// Core Foundation errors.
#include "platform/CFError.h"

#include <new>

#include "platform/CFInternal.h"
#include "platform/CFString.h"

struct __CFError : __CFType {
    __CFError() : __CFType(kCFTypeIDError) {}
    ~__CFError() override {
        CFRelease(mDomain);
        CFRelease(mDescription);
    }
    std::string Describe() const override {
        std::string out = cfinternal::Describe(mDescription);
        if (out.empty()) {
            out =
                "Error Domain=" + cfinternal::Describe(mDomain) + " Code=" + std::to_string(mCode);
        }
        return out;
    }
    CFStringRef mDomain = nullptr;
    CFIndex mCode = 0;
    CFStringRef mDescription = nullptr;
};

const CFErrorDomain kCFErrorDomainCocoa = CFSTR("NSCocoaErrorDomain");
const CFErrorDomain kCFErrorDomainPOSIX = CFSTR("NSPOSIXErrorDomain");
const CFErrorDomain kCFErrorDomainOSStatus = CFSTR("NSOSStatusErrorDomain");
const CFStringRef kCFErrorDescriptionKey = CFSTR("NSDescription");

CFTypeID CFErrorGetTypeID(void) {
    return kCFTypeIDError;
}

CFErrorRef CFErrorCreate(CFAllocatorRef, CFErrorDomain domain, CFIndex code,
                         CFDictionaryRef userInfo) {
    if (!domain)
        return nullptr;
    __CFError* e = new (std::nothrow) __CFError;
    if (!e)
        return nullptr;
    e->mDomain = CFStringCreateCopy(nullptr, domain);
    e->mCode = code;
    if (userInfo) {
        CFTypeRef d = CFDictionaryGetValue(userInfo, kCFErrorDescriptionKey);
        if (cfinternal::IsA(d, kCFTypeIDString))
            e->mDescription = CFStringCreateCopy(nullptr, static_cast<CFStringRef>(d));
    }
    return e;
}

CFErrorDomain CFErrorGetDomain(CFErrorRef err) {
    return cfinternal::IsA(err, kCFTypeIDError) ? err->mDomain : nullptr;
}

CFIndex CFErrorGetCode(CFErrorRef err) {
    return cfinternal::IsA(err, kCFTypeIDError) ? err->mCode : 0;
}

CFStringRef CFErrorCopyDescription(CFErrorRef err) {
    if (!cfinternal::IsA(err, kCFTypeIDError))
        return nullptr;
    return cfinternal::StringFromUTF8(err->Describe());
}
