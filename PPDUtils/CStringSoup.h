// CStringSoup: a pool of distinct strings numbered from 0 in insertion order, and the
// process-wide pool of constraint keywords and option names.
#pragma once

#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/CString.h"

class CStringSoup {
public:
    CStringSoup();
    virtual ~CStringSoup();

    // The number of the text, entering it first when it is new; -1 when it cannot be stored.
    virtual long Insert(const char* text);
    // The text of a number; null for a number the pool does not hold.
    virtual const char* Find(long number);
    // The number of the first string equal to the text, or -1.
    virtual long Find(const char* text);
    virtual void Clear();
    virtual long size();

private:
    CStringSoup(const CStringSoup&) = delete;
    CStringSoup& operator=(const CStringSoup&) = delete;

    std::vector<CString*> mStrings;
    // Text -> number of its first string. The keys point into the strings' own buffers,
    // which stay put until Clear.
    std::unordered_map<std::string_view, long> mIndex;
};

// The pool of the most recently built model; null at load time.
extern CStringSoup* gConstraintStrings;
