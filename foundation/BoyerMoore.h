// BoyerMoore: finds a byte pattern in a block of memory with the bad-character rule.
#pragma once

#include <cstdint>

class BoyerMoore {
public:
    enum { kMaxPatternLength = 256 };

    BoyerMoore();
    // Pattern, its length, the block to search (may be null: no data) and its length.
    BoyerMoore(const char* pattern, short patternLength, void* data, long dataLength);
    virtual ~BoyerMoore();

    // A pattern longer than 256 bytes is cut there; a negative length or a null pattern
    // gives an empty pattern, which never matches.
    virtual void SetSearchString(const char* pattern, short length);
    // A length-prefixed pattern: the first byte is the length.
    virtual void SetSearchString(unsigned char* pattern);
    // Copies the pattern and a NUL: out must hold the pattern length + 1 bytes.
    virtual void GetSearchString(char* out);
    // The block is not owned; a null block or a negative length means no data.
    virtual void SetSearchData(void* data, long length);
    // Offset of the first match relative to the start offset, or -1.
    virtual long Search();
    virtual long Search(long startOffset, const char* pattern, short length);
    virtual long Search(long startOffset, unsigned char* pattern);
    virtual void SetCaseSensitve(bool caseSensitive);
    virtual bool GetCaseSensitive();
    virtual short GetSearchStringLength();
    virtual void PrepareSearchData();
    virtual void CleanupSearchData();
    virtual void BuildSkipTable();

private:
    uint8_t mSkipTable[256];
    unsigned char mPattern[kMaxPatternLength];
    int16_t mPatternLength;
    const unsigned char* mData;
    int32_t mDataLength;
    int32_t mStartOffset;
    const unsigned char* mPrepared;
    bool mCaseSensitive;  // stored and reported only: searches compare bytes exactly
};
