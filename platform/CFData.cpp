// Core Foundation data: byte buffers, immutable or growable.
#include "platform/CFData.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/CFInternal.h"
#include "platform/PodVector.h"

namespace {

// The bytes of a data object. Growth doubles the room; a large buffer is mapped (see
// platform/PodVector.h), so that it grows by remapping rather than by copying.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer() { largeblock::Free(mData, mCapacity); }

    size_t size() const { return mSize; }
    UInt8* data() { return mData; }
    const UInt8* data() const { return mData; }
    UInt8 operator[](size_t i) const { return mData[i]; }
    bool operator==(const ByteBuffer& other) const {
        return mSize == other.mSize && (mSize == 0 || std::memcmp(mData, other.mData, mSize) == 0);
    }

    // Each of these throws std::bad_alloc, changing nothing, without memory.
    void Resize(size_t length) {
        if (length > mSize) {
            Reserve(length);
            std::memset(mData + mSize, 0, length - mSize);  // new bytes read as zero
        }
        mSize = length;
    }
    void Append(const UInt8* bytes, size_t length) {
        if (length == 0)
            return;
        if (bytes >= mData && bytes < mData + mCapacity) {
            std::vector<UInt8> copy(bytes, bytes + length);  // the bytes are our own
            Append(copy.data(), length);
            return;
        }
        Reserve(mSize + length);
        std::memcpy(mData + mSize, bytes, length);
        mSize += length;
    }
    // `length` more bytes, left for the caller to fill; where they start.
    UInt8* Extend(size_t length) {
        Reserve(mSize + length);
        UInt8* added = mData + mSize;
        mSize += length;
        return added;
    }
    // Replaces `length` bytes at `at` (a valid range) by `newLength` bytes, which may lie in
    // this buffer.
    void Replace(size_t at, size_t length, const UInt8* newBytes, size_t newLength) {
        std::vector<UInt8> copy(newBytes, newBytes + newLength);
        const size_t tail = mSize - at - length;
        if (newLength > length) {
            Reserve(mSize + newLength - length);
            std::memmove(mData + at + newLength, mData + at + length, tail);
            mSize += newLength - length;
        } else {
            if (tail != 0)
                std::memmove(mData + at + newLength, mData + at + length, tail);
            Resize(mSize - (length - newLength));
        }
        if (newLength != 0)
            std::memcpy(mData + at, copy.data(), newLength);
    }

private:
    void Reserve(size_t length) {
        if (length <= mCapacity)
            return;
        if (length > SIZE_MAX / 2)
            throw std::bad_alloc();
        const size_t capacity = std::max({length, mCapacity * 2, size_t(64)});
        void* grown = mData == nullptr ? largeblock::Allocate(capacity, false)
                                       : largeblock::Resize(mData, mCapacity, capacity);
        if (grown == nullptr)
            throw std::bad_alloc();
        mData = static_cast<UInt8*>(grown);
        mCapacity = capacity;
    }

    UInt8* mData = nullptr;
    size_t mSize = 0;
    size_t mCapacity = 0;
};

}  // namespace

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

    ByteBuffer mBytes;
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
            d->mBytes.Append(bytes, length);
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

CFMutableDataRef cfinternal::NewDataToFill(size_t length, UInt8** bytes) {
    __CFData* d = NewData(nullptr, 0, true);
    if (!d)
        return nullptr;
    try {
        *bytes = length > 0 ? d->mBytes.Extend(length) : nullptr;
    } catch (const std::bad_alloc&) {
        delete d;
        return nullptr;
    }
    return d;
}

void cfinternal::FreezeData(CFMutableDataRef data) {
    if (cfinternal::IsA(data, kCFTypeIDData))
        data->mMutable = false;
}

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
    try {
        d->mBytes.Resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        // Without memory the data keeps its length.
    }
}

void CFDataIncreaseLength(CFMutableDataRef theData, CFIndex extraLength) {
    __CFData* d = MutableData(theData);
    if (!d || extraLength < 0)
        return;
    try {
        d->mBytes.Resize(d->mBytes.size() + static_cast<size_t>(extraLength));
    } catch (const std::bad_alloc&) {
        // Without memory the data keeps its length.
    }
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length) {
    __CFData* d = MutableData(theData);
    if (!d || !bytes || length <= 0)
        return;
    try {
        d->mBytes.Append(bytes, static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        // Without memory nothing is appended.
    }
}

void CFDataReplaceBytes(CFMutableDataRef theData, CFRange range, const UInt8* newBytes,
                        CFIndex newLength) {
    __CFData* d = MutableData(theData);
    if (!d || !RangeValid(d, range) || newLength < 0 || (newLength > 0 && !newBytes))
        return;
    try {
        d->mBytes.Replace(static_cast<size_t>(range.location), static_cast<size_t>(range.length),
                          newBytes, static_cast<size_t>(newLength));
    } catch (const std::bad_alloc&) {
        // Without memory the data stays as it was.
    }
}

void CFDataDeleteBytes(CFMutableDataRef theData, CFRange range) {
    CFDataReplaceBytes(theData, range, nullptr, 0);
}
