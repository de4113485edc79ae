// Object life, identity and description of the Core Foundation stand-ins.
#include "platform/CFBase.h"

#include <cstdio>

#include "platform/AllocationHook.h"
#include "platform/ZEQArena.h"
#include "platform/CFInternal.h"
#include "platform/CFString.h"

struct __CFAllocator {
    int tag;
};

namespace {
const __CFAllocator gDefaultAllocator{0};
const __CFAllocator gMallocAllocator{1};
const __CFAllocator gNullAllocator{2};
}  // namespace

// kCFAllocatorDefault is null, as on the Mac, so that a null allocator means the default.
const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault = &gDefaultAllocator;
const CFAllocatorRef kCFAllocatorMalloc = &gMallocAllocator;
const CFAllocatorRef kCFAllocatorNull = &gNullAllocator;

struct __CFNull : __CFType {
    __CFNull() : __CFType(kCFTypeIDNull) { mImmortal = true; }
    std::string Describe() const override { return "<CFNull>"; }
};

namespace {
__CFNull gNull;
}
const CFNullRef kCFNull = &gNull;

CFTypeID CFNullGetTypeID(void) {
    return kCFTypeIDNull;
}

// An object made while a model is being built lives in the model's arena (counted by the
// arena's own allocation); constants never do.
void* __CFType::operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (ZEQArena::Current() != nullptr)
        return ZEQArena::NewBlock(size);
    if (!ZEQPlatformAllocationAllowed())
        return nullptr;
    return ::operator new(size, std::nothrow);
}

void* __CFType::operator new(std::size_t size, const std::nothrow_t&,
                             cfinternal::Uncounted) noexcept {
    return ::operator new(size, std::nothrow);
}

void __CFType::operator delete(void* p) noexcept {
    ZEQArena::DeleteBlock(p);
}

void __CFType::operator delete(void* p, const std::nothrow_t&) noexcept {
    ZEQArena::DeleteBlock(p);
}

void __CFType::operator delete(void* p, const std::nothrow_t&, cfinternal::Uncounted) noexcept {
    ::operator delete(p);
}

std::string __CFType::Describe() const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "<CFType %lu %p>", static_cast<unsigned long>(mTypeID),
                  static_cast<const void*>(this));
    return buffer;
}

namespace cfinternal {
std::string Describe(CFTypeRef cf) {
    return cf ? Object(cf)->Describe() : std::string();
}
}  // namespace cfinternal

CFTypeRef CFRetain(CFTypeRef cf) {
    if (!cf)
        return cf;
    const __CFType* obj = cfinternal::Object(cf);
    if (!obj->mImmortal)
        const_cast<__CFType*>(obj)->mRefCount.fetch_add(1);
    return cf;
}

void CFRelease(CFTypeRef cf) {
    if (!cf)
        return;
    __CFType* obj = const_cast<__CFType*>(cfinternal::Object(cf));
    if (obj->mImmortal)
        return;
    if (obj->mRefCount.fetch_sub(1) == 1)
        delete obj;
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
    if (!cf)
        return 0;
    const __CFType* obj = cfinternal::Object(cf);
    // Constants report a count nothing can bring to zero, as on the Mac.
    return obj->mImmortal ? 0x7FFFFFFFFFFFFFFFL : obj->mRefCount.load();
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
    return cf ? cfinternal::Object(cf)->mTypeID : 0;
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
    if (cf1 == cf2)
        return true;
    if (!cf1 || !cf2)
        return false;
    const __CFType* a = cfinternal::Object(cf1);
    const __CFType* b = cfinternal::Object(cf2);
    if (a->mTypeID != b->mTypeID)
        return false;
    return a->Equal(b);
}

CFHashCode CFHash(CFTypeRef cf) {
    return cf ? cfinternal::Object(cf)->Hash() : 0;
}

CFStringRef CFCopyDescription(CFTypeRef cf) {
    if (!cf)
        return nullptr;
    return cfinternal::StringFromUTF8(cfinternal::Object(cf)->Describe());
}

CFStringRef CFCopyTypeIDDescription(CFTypeID typeID) {
    const char* name = nullptr;
    switch (typeID) {
        case kCFTypeIDNull:
            name = "CFNull";
            break;
        case kCFTypeIDString:
            name = "CFString";
            break;
        case kCFTypeIDDictionary:
            name = "CFDictionary";
            break;
        case kCFTypeIDArray:
            name = "CFArray";
            break;
        case kCFTypeIDData:
            name = "CFData";
            break;
        case kCFTypeIDBoolean:
            name = "CFBoolean";
            break;
        case kCFTypeIDNumber:
            name = "CFNumber";
            break;
        case kCFTypeIDURL:
            name = "CFURL";
            break;
        case kCFTypeIDBundle:
            name = "CFBundle";
            break;
        case kCFTypeIDUUID:
            name = "CFUUID";
            break;
        case kCFTypeIDDate:
            name = "CFDate";
            break;
        default:
            return nullptr;
    }
    return CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
}

CFAllocatorRef CFGetAllocator(CFTypeRef) {
    return kCFAllocatorSystemDefault;
}

void CFShow(CFTypeRef obj) {
    std::string text = obj ? cfinternal::Describe(obj) : std::string("(null)");
    std::fprintf(stderr, "%s\n", text.c_str());
}
