// Parse errors: CError (number, description, fatal flag), PPDXErrorObj (adds the statement
// keyword, description read from the error string list) and the error list PPDXErrors.
#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/PointerList.h"

// String list holding the error descriptions, entry n describing error n.
enum { kPPDXErrorStringListID = -8900 };

class CError {
public:
    CError();
    CError(const short& number, const CString& description, const bool& fatal);
    CError(const CError& other);
    CError& operator=(const CError& other);

    bool operator==(const short& number) const { return mNumber == number; }
    bool operator!=(const short& number) const { return mNumber != number; }

    // The description, or null when it is empty.
    const char* Description() const;
    void Description(const char* text);
    bool IsFatal() const { return mFatal; }
    short Number() const { return mNumber; }

protected:
    int16_t mNumber;
    CString mDescription;
    bool mFatal;
};

class PPDXErrorObj : public CError {
public:
    PPDXErrorObj();
    // The description is looked up by number in the error string list.
    PPDXErrorObj(const short& number, const CString& keyword, const bool& fatal);
    PPDXErrorObj(const short& number, const bool& fatal);
    PPDXErrorObj(const PPDXErrorObj& other);
    PPDXErrorObj& operator=(const PPDXErrorObj& other);

    // The keyword of the statement concerned, or null when there is none.
    const char* Keyword() const;
    // The 1-based line of the PPD file at which the parser recorded the error; 0 for errors
    // that concern no line (found after the file was read, or in a model from a cache).
    int32_t LineNumber() const { return mLineNumber; }
    void SetLineNumber(int32_t line) { mLineNumber = line; }

private:
    void LookupDescription();

    CString mKeyword;
    int32_t mLineNumber = 0;
};

// The parser's error list, in the order errors were added. It does not own its entries: the
// parser deletes them before it deletes the list.
class PPDXErrors {
public:
    PPDXErrors();
    virtual ~PPDXErrors();

    void Add(PPDXErrorObj* error);
    uint32_t Count() const { return mErrors.Size(); }
    bool Empty() const { return mErrors.Empty(); }
    // Cursor walk: null at the end or for an empty list.
    PPDXErrorObj* First();
    PPDXErrorObj* Next();

    // The list itself, for code that walks it with iterators.
    const PointerList& List() const { return mErrors; }

private:
    PPDXErrors(const PPDXErrors&) = delete;
    PPDXErrors& operator=(const PPDXErrors&) = delete;

    PointerList mErrors;
    PointerListItr mCursor;
};
