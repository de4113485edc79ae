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
    // Appends `count` bytes for the caller to fill and returns where they start; null when the
    // stream cannot hand out its storage (the bytes then go through `out`) or cannot grow.
    virtual void* outPlace(unsigned long count);
    // The next `count` bytes where the stream holds them, read as `in` reads them; null (nothing
    // read) when the stream cannot hand out its storage or holds fewer bytes.
    virtual const void* inPlace(unsigned long count);
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
    // A stream for reading over a copy of `d` (an immutable source is shared, not copied, as
    // CFDataCreateCopy does; the mutable copy is made only when the stream is written to or its
    // data is asked for). A null or empty source gives a stream that is not valid.
    explicit CFDataStream(CFDataRef d);
    ~CFDataStream() override;

    bool out(void* bytes, unsigned long count) override;
    // Refuses (false, error -39, nothing copied) a range that runs past the end of the data:
    // the bytes come from outside and nothing guarantees a caller asks only for what is there.
    bool in(void* buffer, unsigned long count, unsigned long* actual, short* error) override;
    void* outPlace(unsigned long count) override;
    const void* inPlace(unsigned long count) override;

    // The bytes held (not retained for the caller); null for a stream that is not valid, or
    // when the mutable copy of a shared source cannot be made.
    CFMutableDataRef data() const { return Writable() ? mData : nullptr; }

private:
    // Makes the mutable copy of a shared source; false without memory.
    bool Writable() const;
    // The readable bytes and their count: the shared source's until a copy is made.
    const UInt8* Bytes() const;
    unsigned long Length() const;

    mutable CFMutableDataRef mData;  // owned; null while the source is shared
    mutable CFDataRef mSource;       // owned; the shared source of a stream for reading
};
