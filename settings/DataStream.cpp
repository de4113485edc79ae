// DataStream and CFDataStream: the byte streams a Settings container is saved to and read from.
#include "settings/DataStream.h"

#include <cstring>

#include "platform/MacTypes.h"

DataStream::DataStream() : mSize(0), mPosition(0), mValid(false), mError(0) {}

DataStream::~DataStream() {}

bool DataStream::dataExists() {
    return mSize != 0;
}

bool DataStream::valid() {
    return mValid;
}

unsigned long DataStream::dataSize() {
    return mSize;
}

void* DataStream::outPlace(unsigned long) {
    return nullptr;
}

const void* DataStream::inPlace(unsigned long) {
    return nullptr;
}

CFDataStream::CFDataStream()
    : DataStream(), mData(CFDataCreateMutable(nullptr, 0)), mSource(nullptr) {
    mValid = mData != nullptr;
    mError = mValid ? static_cast<int16_t>(noErr) : static_cast<int16_t>(memFullErr);
}

CFDataStream::CFDataStream(CFDataRef d) : DataStream(), mData(nullptr), mSource(nullptr) {
    if (d == nullptr) {
        return;
    }
    const CFIndex length = CFDataGetLength(d);
    // The size field is 32 bits: a larger source cannot be described and is refused.
    if (length <= 0 || static_cast<unsigned long>(length) > UINT32_MAX) {
        return;
    }
    mSize = static_cast<uint32_t>(length);
    mSource = CFDataCreateCopy(nullptr, d);
    mValid = mSource != nullptr;
    if (!mValid) {
        mSize = 0;
        mError = memFullErr;
    }
}

CFDataStream::~CFDataStream() {
    if (mData != nullptr) {
        CFRelease(mData);
    }
    if (mSource != nullptr) {
        CFRelease(mSource);
    }
}

bool CFDataStream::Writable() const {
    if (mData != nullptr || mSource == nullptr) {
        return mData != nullptr;
    }
    mData = CFDataCreateMutableCopy(nullptr, 0, mSource);
    if (mData == nullptr) {
        return false;
    }
    CFRelease(mSource);
    mSource = nullptr;
    return true;
}

const UInt8* CFDataStream::Bytes() const {
    return mData != nullptr     ? CFDataGetBytePtr(mData)
           : mSource != nullptr ? CFDataGetBytePtr(mSource)
                                : nullptr;
}

unsigned long CFDataStream::Length() const {
    const CFIndex length = mData != nullptr     ? CFDataGetLength(mData)
                           : mSource != nullptr ? CFDataGetLength(mSource)
                                                : 0;
    return static_cast<unsigned long>(length);
}

bool CFDataStream::out(void* bytes, unsigned long count) {
    mError = noErr;
    if (!Writable()) {
        mError = memFullErr;
        return false;
    }
    if (count == 0) {
        return true;
    }
    if (bytes == nullptr || count > UINT32_MAX - mSize) {
        mError = paramErr;
        return false;
    }
    const CFIndex before = CFDataGetLength(mData);
    CFDataAppendBytes(mData, static_cast<const UInt8*>(bytes), static_cast<CFIndex>(count));
    if (CFDataGetLength(mData) != before + static_cast<CFIndex>(count)) {
        mError = memFullErr;  // the data object could not grow
        return false;
    }
    mSize += static_cast<uint32_t>(count);
    return true;
}

bool CFDataStream::in(void* buffer, unsigned long count, unsigned long* actual, short* error) {
    mError = noErr;
    if (error != nullptr) {
        *error = noErr;
    }
    if (actual != nullptr) {
        *actual = 0;
    }
    if (mData == nullptr && mSource == nullptr) {
        return false;
    }
    const unsigned long length = Length();
    if (count > length || mPosition > length - count || (buffer == nullptr && count > 0)) {
        mError = eofErr;
        if (error != nullptr) {
            *error = eofErr;
        }
        return false;
    }
    if (count > 0) {
        std::memcpy(buffer, Bytes() + mPosition, count);
    }
    if (actual != nullptr) {
        *actual = count;
    }
    mPosition += static_cast<uint32_t>(count);
    return true;
}

void* CFDataStream::outPlace(unsigned long count) {
    mError = noErr;
    if (!Writable()) {
        mError = memFullErr;
        return nullptr;
    }
    if (count == 0 || count > UINT32_MAX - mSize) {
        return nullptr;  // `out` gives the answer for these
    }
    const CFIndex before = CFDataGetLength(mData);
    CFDataIncreaseLength(mData, static_cast<CFIndex>(count));
    if (CFDataGetLength(mData) != before + static_cast<CFIndex>(count)) {
        return nullptr;  // the data object could not grow
    }
    mSize += static_cast<uint32_t>(count);
    return CFDataGetMutableBytePtr(mData) + before;
}

const void* CFDataStream::inPlace(unsigned long count) {
    const unsigned long length = Length();
    if (count == 0 || count > length || mPosition > length - count) {
        return nullptr;  // `in` gives the answer for these
    }
    mError = noErr;
    const UInt8* bytes = Bytes() + mPosition;
    mPosition += static_cast<uint32_t>(count);
    return bytes;
}
