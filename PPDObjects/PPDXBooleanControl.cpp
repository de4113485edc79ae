// PPDXBooleanControl: the two states and their feature blocks.
#include "PPDObjects/PPDXBooleanControl.h"

#include <cstdlib>

#include "foundation/CString.h"

namespace {
// A code block with a length outside 1 to 32 bits is kept as no code.
int32_t BlockLength(const unsigned char* code, long length) {
    return (code != nullptr && length > 0 && length <= INT32_MAX) ? static_cast<int32_t>(length)
                                                                  : 0;
}
}  // namespace

PPDXBooleanControl::PPDXBooleanControl()
    : PPDXControl(),
      mValue(false),
      mDefaultState(false),
      mTrueText(nullptr),
      mFalseText(nullptr),
      mTrueCode(nullptr),
      mTrueCodeLength(0),
      mFalseCode(nullptr),
      mFalseCodeLength(0) {
    mType = kBooleanControl;
}

PPDXBooleanControl::PPDXBooleanControl(const char* keyword, CFStringRef inLocalName,
                                       PointerList& flags, const bool& visible, CString* trueText,
                                       unsigned char* trueCode, long trueCodeLength,
                                       CString* falseText, unsigned char* falseCode,
                                       long falseCodeLength, const bool& defaultState)
    : PPDXControl(keyword, inLocalName, flags, nullptr, 0, visible),
      mValue(defaultState),
      mDefaultState(defaultState),
      mTrueText(trueText),
      mFalseText(falseText),
      mTrueCode(trueCode),
      mTrueCodeLength(BlockLength(trueCode, trueCodeLength)),
      mFalseCode(falseCode),
      mFalseCodeLength(BlockLength(falseCode, falseCodeLength)) {
    mType = kBooleanControl;
}

PPDXBooleanControl::~PPDXBooleanControl() {
    delete mTrueText;
    delete mFalseText;
    ZEQArena::Free(mTrueCode);
    ZEQArena::Free(mFalseCode);
}

const char* PPDXBooleanControl::TrueDisplayText() const {
    return mTrueText != nullptr ? static_cast<const char*>(*mTrueText) : nullptr;
}

const char* PPDXBooleanControl::FalseDisplayText() const {
    return mFalseText != nullptr ? static_cast<const char*>(*mFalseText) : nullptr;
}

void PPDXBooleanControl::ResetToDefaultValue() {
    mValue = mDefaultState;
}

long PPDXBooleanControl::PostScript(unsigned char* buffer) {
    if (Keyword() == nullptr) {
        return 0;
    }
    const long length = mValue ? mTrueCodeLength : mFalseCodeLength;
    return GeneratePSOutputData(buffer, mValue ? mTrueCode : mFalseCode, length,
                                mValue ? "True" : "False", true);
}
