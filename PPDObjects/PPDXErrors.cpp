// Parse errors and the parser's error list.
#include "PPDObjects/PPDXErrors.h"

#include "platform/Resources.h"
#include "platform/TextUtils.h"

CError::CError() : mNumber(0), mDescription(), mFatal(false) {}

CError::CError(const short& number, const CString& description, const bool& fatal)
    : mNumber(number), mDescription(description), mFatal(fatal) {}

CError::CError(const CError& other)
    : mNumber(other.mNumber), mDescription(other.mDescription), mFatal(other.mFatal) {}

CError& CError::operator=(const CError& other) {
    if (this != &other) {
        mNumber = other.mNumber;
        mDescription = other.mDescription;
        mFatal = other.mFatal;
    }
    return *this;
}

const char* CError::Description() const {
    return mDescription.Empty() ? nullptr : static_cast<const char*>(mDescription);
}

void CError::Description(const char* text) {
    mDescription = text;
}

PPDXErrorObj::PPDXErrorObj() : CError(), mKeyword() {}

PPDXErrorObj::PPDXErrorObj(const short& number, const CString& keyword, const bool& fatal)
    : CError(number, CString(), fatal), mKeyword(keyword) {
    LookupDescription();
}

PPDXErrorObj::PPDXErrorObj(const short& number, const bool& fatal)
    : CError(number, CString(), fatal), mKeyword() {
    LookupDescription();
}

PPDXErrorObj::PPDXErrorObj(const PPDXErrorObj& other)
    : CError(other), mKeyword(other.mKeyword), mLineNumber(other.mLineNumber) {}

PPDXErrorObj& PPDXErrorObj::operator=(const PPDXErrorObj& other) {
    if (this != &other) {
        CError::operator=(other);
        mKeyword = other.mKeyword;
        mLineNumber = other.mLineNumber;
    }
    return *this;
}

const char* PPDXErrorObj::Keyword() const {
    return mKeyword.Empty() ? nullptr : static_cast<const char*>(mKeyword);
}

void PPDXErrorObj::LookupDescription() {
    SInt16 saved = CurResFile();
    Str255 text;
    text[0] = 0;
    GetIndString(text, kPPDXErrorStringListID, mNumber);
    if (ResError() == noErr) {
        char description[256];
        mDescription = ptoCStr(text, description);
    }
    UseResFile(saved);
}

PPDXErrors::PPDXErrors() : mErrors(), mCursor() {}

PPDXErrors::~PPDXErrors() {}

void PPDXErrors::Add(PPDXErrorObj* error) {
    // An error the list has no room for is released rather than lost.
    if (error != nullptr && mErrors.PushBack(error) == PointerListItr())
        delete error;
}

PPDXErrorObj* PPDXErrors::First() {
    mCursor = mErrors.Begin();
    return static_cast<PPDXErrorObj*>(*mCursor);
}

PPDXErrorObj* PPDXErrors::Next() {
    // Once at the end the cursor stays there.
    if (mCursor == PointerListItr() || mCursor == mErrors.End()) {
        return nullptr;
    }
    ++mCursor;
    return static_cast<PPDXErrorObj*>(*mCursor);
}
