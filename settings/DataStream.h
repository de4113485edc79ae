// DataStream: the abstract byte stream that a Settings container is written to and read from;
// CFDataStream: the stream over a growable Core Foundation data object.
#pragma once

#include <cstdint>

#include "platform/CFData.h"

class DataStream {
public:
    // Size, position, valid flag and error all 0.
    DataStream();
    virtual ~DataStream();

    // Appends `count` bytes; true on success.
    virtual bool out(void* bytes, unsigned long count) = 0;
    // Reads the next `count` bytes into `buffer`; `*actual` receives the number read and
    // `*error` the result. True on success.
    virtual bool in(void* buffer, unsigned long count, unsigned long* actual, short* error) = 0;
    // Whether the stream holds any byte.
    virtual bool dataExists();
    // Whether the stream has backing storage.
    virtual bool valid();
    // Number of bytes held.
    virtual unsigned long dataSize();

    // Result of the last in / out.
    short error() const { return mError; }
    // Read position of `in`, from 0.
    unsigned long position() const { return mPosition; }

    DataStream(const DataStream&) = delete;
    DataStream& operator=(const DataStream&) = delete;

protected:
    uint32_t mSize;      // bytes held
    uint32_t mPosition;  // read position of `in`
    bool mValid;         // the stream has backing storage
    int16_t mError;      // result of the last in / out
};

class CFDataStream : public DataStream {
public:
    // An empty stream for writing; not valid (error -108) when the data object cannot be made.
    CFDataStream();
    // A stream for reading over a copy of `d`. A null or empty source gives a stream that is
    // not valid.
    explicit CFDataStream(CFDataRef d);
    ~CFDataStream() override;

    bool out(void* bytes, unsigned long count) override;
    // Refuses (false, error -39, nothing copied) a range that runs past the end of the data:
    // the bytes come from outside and nothing guarantees a caller asks only for what is there.
    bool in(void* buffer, unsigned long count, unsigned long* actual, short* error) override;

    // The bytes held (not retained for the caller); null for a stream that is not valid.
    CFMutableDataRef data() const { return mData; }

private:
    CFMutableDataRef mData;  // owned
};
