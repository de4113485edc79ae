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

CFDataStream::CFDataStream() : DataStream(), mData(CFDataCreateMutable(nullptr, 0)) {
    mValid = mData != nullptr;
    mError = mValid ? static_cast<int16_t>(noErr) : static_cast<int16_t>(memFullErr);
}

CFDataStream::CFDataStream(CFDataRef d) : DataStream(), mData(nullptr) {
    if (d == nullptr) {
        return;
    }
    const CFIndex length = CFDataGetLength(d);
    // The size field is 32 bits: a larger source cannot be described and is refused.
    if (length <= 0 || static_cast<unsigned long>(length) > UINT32_MAX) {
        return;
    }
    mSize = static_cast<uint32_t>(length);
    mData = CFDataCreateMutableCopy(nullptr, 0, d);
    mValid = mData != nullptr;
    if (!mValid) {
        mSize = 0;
        mError = memFullErr;
    }
}

CFDataStream::~CFDataStream() {
    if (mData != nullptr) {
        CFRelease(mData);
    }
}

bool CFDataStream::out(void* bytes, unsigned long count) {
    mError = noErr;
    if (mData == nullptr) {
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
    if (mData == nullptr) {
        return false;
    }
    const unsigned long length = static_cast<unsigned long>(CFDataGetLength(mData));
    if (count > length || mPosition > length - count || (buffer == nullptr && count > 0)) {
        mError = eofErr;
        if (error != nullptr) {
            *error = eofErr;
        }
        return false;
    }
    if (count > 0) {
        std::memcpy(buffer, CFDataGetBytePtr(mData) + mPosition, count);
    }
    if (actual != nullptr) {
        *actual = count;
    }
    mPosition += static_cast<uint32_t>(count);
    return true;
}
