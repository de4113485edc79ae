// Core Foundation data: byte buffers, immutable or growable.
#include "platform/CFData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/CFInternal.h"

struct __CFData : __CFType {
    __CFData() : __CFType(kCFTypeIDData) {}
    bool Equal(const __CFType* other) const override {
        return mBytes == static_cast<const __CFData*>(other)->mBytes;
    }
    CFHashCode Hash() const override {
        // The length and the first bytes are enough to spread typical keys.
        CFHashCode h = mBytes.size();
        for (size_t i = 0; i < mBytes.size() && i < 80; ++i)
            h = h * 31 + mBytes[i];
        return h;
    }
    std::string Describe() const override {
        std::string out = "<";
        char hex[3];
        for (size_t i = 0; i < mBytes.size(); ++i) {
            if (i > 0 && i % 4 == 0)
                out.push_back(' ');
            std::snprintf(hex, sizeof hex, "%02x", mBytes[i]);
            out += hex;
        }
        out.push_back('>');
        return out;
    }

    std::vector<UInt8> mBytes;
    bool mMutable = false;
};

namespace {

const __CFData* Data(CFDataRef d) {
    return cfinternal::IsA(d, kCFTypeIDData) ? static_cast<const __CFData*>(d) : nullptr;
}
__CFData* MutableData(CFMutableDataRef d) {
    return (cfinternal::IsA(d, kCFTypeIDData) && d->mMutable) ? d : nullptr;
}

__CFData* NewData(const UInt8* bytes, size_t length, bool isMutable) {
    __CFData* d = new (std::nothrow) __CFData;
    if (!d)
        return nullptr;
    d->mMutable = isMutable;
    try {
        if (length > 0)
            d->mBytes.assign(bytes, bytes + length);
    } catch (const std::bad_alloc&) {
        delete d;
        return nullptr;
    }
    return d;
}

bool RangeValid(const __CFData* d, CFRange r) {
    return r.location >= 0 && r.length >= 0 &&
           static_cast<size_t>(r.location) <= d->mBytes.size() &&
           static_cast<size_t>(r.length) <= d->mBytes.size() - static_cast<size_t>(r.location);
}

}  // namespace

CFTypeID CFDataGetTypeID(void) {
    return kCFTypeIDData;
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
    if (length < 0 || (length > 0 && !bytes))
        return nullptr;
    return NewData(bytes, static_cast<size_t>(length), false);
}

CFDataRef CFDataCreateWithBytesNoCopy(CFAllocatorRef alloc, const UInt8* bytes, CFIndex length,
                                      CFAllocatorRef bytesDeallocator) {
    CFDataRef d = CFDataCreate(alloc, bytes, length);
    // The bytes were handed over: they go back to the heap once copied (or on failure).
    if (bytesDeallocator != kCFAllocatorNull)
        std::free(const_cast<UInt8*>(bytes));
    return d;
}

CFDataRef CFDataCreateCopy(CFAllocatorRef, CFDataRef theData) {
    const __CFData* d = Data(theData);
    if (!d)
        return nullptr;
    if (!d->mMutable)
        return static_cast<CFDataRef>(CFRetain(d));
    return NewData(d->mBytes.data(), d->mBytes.size(), false);
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef, CFIndex) {
    return NewData(nullptr, 0, true);
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef, CFIndex, CFDataRef theData) {
    const __CFData* d = Data(theData);
    if (!d)
        return nullptr;
    return NewData(d->mBytes.data(), d->mBytes.size(), true);
}

CFIndex CFDataGetLength(CFDataRef theData) {
    const __CFData* d = Data(theData);
    return d ? static_cast<CFIndex>(d->mBytes.size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
    const __CFData* d = Data(theData);
    return d ? d->mBytes.data() : nullptr;
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData) {
    __CFData* d = MutableData(theData);
    return d ? d->mBytes.data() : nullptr;
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer) {
    const __CFData* d = Data(theData);
    if (!d || !buffer || !RangeValid(d, range) || range.length == 0)
        return;
    std::memcpy(buffer, d->mBytes.data() + range.location, static_cast<size_t>(range.length));
}

void CFDataSetLength(CFMutableDataRef theData, CFIndex length) {
    __CFData* d = MutableData(theData);
    if (!d || length < 0)
        return;
    d->mBytes.resize(static_cast<size_t>(length), 0);
}

void CFDataIncreaseLength(CFMutableDataRef theData, CFIndex extraLength) {
    __CFData* d = MutableData(theData);
    if (!d || extraLength < 0)
        return;
    d->mBytes.resize(d->mBytes.size() + static_cast<size_t>(extraLength), 0);
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length) {
    __CFData* d = MutableData(theData);
    if (!d || !bytes || length <= 0)
        return;
    d->mBytes.insert(d->mBytes.end(), bytes, bytes + length);
}

void CFDataReplaceBytes(CFMutableDataRef theData, CFRange range, const UInt8* newBytes,
                        CFIndex newLength) {
    __CFData* d = MutableData(theData);
    if (!d || !RangeValid(d, range) || newLength < 0 || (newLength > 0 && !newBytes))
        return;
    // The new bytes may lie inside this buffer: copy them first.
    std::vector<UInt8> copy(newBytes, newBytes + newLength);
    auto at = d->mBytes.begin() + range.location;
    d->mBytes.erase(at, at + range.length);
    d->mBytes.insert(d->mBytes.begin() + range.location, copy.begin(), copy.end());
}

void CFDataDeleteBytes(CFMutableDataRef theData, CFRange range) {
    CFDataReplaceBytes(theData, range, nullptr, 0);
}
