// Boyer-Moore search with the bad-character skip table.
#include "foundation/BoyerMoore.h"

#include <cstdint>
#include <cstring>

namespace {

int32_t clampToInt32(long value) {
    if (value < 0) {
        return 0;
    }
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

BoyerMoore::BoyerMoore()
    : mPatternLength(0),
      mData(nullptr),
      mDataLength(0),
      mStartOffset(0),
      mPrepared(nullptr),
      mCaseSensitive(false) {
    memset(mPattern, 0, sizeof mPattern);
    BuildSkipTable();
}

BoyerMoore::BoyerMoore(const char* pattern, short patternLength, void* data, long dataLength)
    : BoyerMoore() {
    SetSearchString(pattern, patternLength);
    if (data != nullptr) {
        SetSearchData(data, dataLength);
    }
}

BoyerMoore::~BoyerMoore() {}

void BoyerMoore::SetSearchString(const char* pattern, short length) {
    if (pattern == nullptr || length < 0) {
        length = 0;
    }
    if (length > kMaxPatternLength) {
        length = kMaxPatternLength;
    }
    if (length > 0) {
        memcpy(mPattern, pattern, static_cast<size_t>(length));
    }
    mPatternLength = length;
    BuildSkipTable();
}

void BoyerMoore::SetSearchString(unsigned char* pattern) {
    if (pattern == nullptr) {
        SetSearchString(nullptr, 0);
        return;
    }
    SetSearchString(reinterpret_cast<const char*>(pattern + 1), pattern[0]);
}

void BoyerMoore::GetSearchString(char* out) {
    if (out == nullptr) {
        return;
    }
    memcpy(out, mPattern, static_cast<size_t>(mPatternLength));
    out[mPatternLength] = '\0';
}

void BoyerMoore::SetSearchData(void* data, long length) {
    mData = static_cast<const unsigned char*>(data);
    mDataLength = data != nullptr ? clampToInt32(length) : 0;
    mStartOffset = 0;
}

long BoyerMoore::Search(long startOffset, const char* pattern, short length) {
    mStartOffset = clampToInt32(startOffset);
    if (pattern != nullptr) {
        SetSearchString(pattern, length);
    }
    return Search();
}

long BoyerMoore::Search(long startOffset, unsigned char* pattern) {
    mStartOffset = clampToInt32(startOffset);
    if (pattern != nullptr) {
        SetSearchString(pattern);
    }
    return Search();
}

long BoyerMoore::Search() {
    PrepareSearchData();
    const long m = mPatternLength;
    // A start offset past the end leaves nothing to search.
    if (m == 0 || mPrepared == nullptr || mStartOffset > mDataLength) {
        return -1;
    }
    const long textLength = static_cast<long>(mDataLength) - mStartOffset;
    const unsigned char* text = mPrepared;
    long i = m - 1;
    long j = m - 1;
    if (i >= textLength) {
        return -1;
    }
    // i walks the text, j the pattern, both backwards while the bytes agree; a mismatch moves
    // the alignment on by the skip entry or by m - j, whichever is larger.
    for (;;) {
        if (text[i] == mPattern[j]) {
            if (j == 0) {
                CleanupSearchData();
                return i;
            }
            --i;
            --j;
            continue;
        }
        long skip = mSkipTable[text[i]];
        i += (m - j > skip) ? m - j : skip;
        if (i >= textLength) {
            return -1;
        }
        j = m - 1;
    }
}

void BoyerMoore::SetCaseSensitve(bool caseSensitive) {
    mCaseSensitive = caseSensitive;
}

bool BoyerMoore::GetCaseSensitive() {
    return mCaseSensitive;
}

short BoyerMoore::GetSearchStringLength() {
    return mPatternLength;
}

void BoyerMoore::PrepareSearchData() {
    mPrepared = mData != nullptr && mStartOffset <= mDataLength ? mData + mStartOffset : nullptr;
}

void BoyerMoore::CleanupSearchData() {}

void BoyerMoore::BuildSkipTable() {
    // Skip entries hold 8 bits: a 256-byte pattern gives 0 to bytes it lacks, which the
    // m - j rule of the search makes up for.
    memset(mSkipTable, static_cast<uint8_t>(mPatternLength), sizeof mSkipTable);
    for (long k = 0; k < mPatternLength; ++k) {
        mSkipTable[mPattern[k]] = static_cast<uint8_t>(mPatternLength - k - 1);
    }
}
