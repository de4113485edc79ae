// Internal object model of the Core Foundation stand-ins: the common base of every object
// behind a CF...Ref, with its type number and reference count. Not for use outside platform/.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "platform/CFBase.h"

// Type numbers of the object kinds.
enum : CFTypeID {
    kCFTypeIDNull = 16,
    kCFTypeIDString = 7,
    kCFTypeIDDictionary = 18,
    kCFTypeIDArray = 19,
    kCFTypeIDData = 20,
    kCFTypeIDBoolean = 21,
    kCFTypeIDNumber = 22,
    kCFTypeIDURL = 29,
    kCFTypeIDBundle = 31,
    kCFTypeIDUUID = 34,
    kCFTypeIDDate = 42,
    kCFTypeIDError = 43,
};

namespace cfinternal {
// Tag of the allocation form that does not count against the allocation-failure hook: for
// constants (CFSTR strings, constant UUIDs), which must never fail.
struct Uncounted {};
inline constexpr Uncounted uncounted{};
}  // namespace cfinternal

// Every object derives from __CFType, first and without virtual bases, so a CFTypeRef is the
// address of its __CFType.
struct __CFType {
    explicit __CFType(CFTypeID typeID) : mTypeID(static_cast<uint16_t>(typeID)) {}
    virtual ~__CFType() = default;
    __CFType(const __CFType&) = delete;
    __CFType& operator=(const __CFType&) = delete;

    // Objects are made with new (std::nothrow); each creation counts against the platform
    // layer's allocation-failure hook (platform/AllocationHook.h), so that tests can make any
    // Create or Copy return null.
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void* operator new(std::size_t size, const std::nothrow_t&,
                              cfinternal::Uncounted) noexcept;
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, const std::nothrow_t&) noexcept;
    static void operator delete(void* p, const std::nothrow_t&, cfinternal::Uncounted) noexcept;

    // Called only with an object of the same type id.
    virtual bool Equal(const __CFType* other) const { return this == other; }
    virtual CFHashCode Hash() const { return reinterpret_cast<CFHashCode>(this); }
    // The text CFCopyDescription and "%@" show, as UTF-8.
    virtual std::string Describe() const;

    // The common header is 16 bytes with the table pointer: a model holds hundreds of thousands
    // of strings. Its last byte is left to the derived objects (the compiler places their
    // first small members there). A 32-bit count: two billion references would take 16 GB.
    std::atomic<int32_t> mRefCount{1};
    const uint16_t mTypeID;
    bool mImmortal = false;  // constants: retain and release do nothing
};

namespace cfinternal {

inline const __CFType* Object(CFTypeRef cf) {
    return static_cast<const __CFType*>(cf);
}
inline bool IsA(CFTypeRef cf, CFTypeID id) {
    return cf && Object(cf)->mTypeID == id;
}

// UTF-8 description of any object (empty for null).
std::string Describe(CFTypeRef cf);

// Creates an immutable CFString from UTF-8 text (invalid sequences become U+FFFD); null when
// memory runs out.
CFStringRef StringFromUTF8(const std::string& utf8);
// The UTF-8 form of a string (empty for null or a lone surrogate).
std::string UTF8FromString(CFStringRef s);

// The callbacks of the kCFType... callback sets of arrays and dictionaries: retain, release,
// compare and hash as CFRetain, CFRelease, CFEqual and CFHash do.
inline const void* TypeRetain(CFAllocatorRef, const void* value) {
    return CFRetain(value);
}
inline void TypeRelease(CFAllocatorRef, const void* value) {
    CFRelease(value);
}
inline Boolean TypeEqual(const void* a, const void* b) {
    return CFEqual(a, b);
}
inline CFHashCode TypeHash(const void* value) {
    return CFHash(value);
}

}  // namespace cfinternal
