// PPDXRangeControl: clamping and rounding of the value and its substitution into the code.
#include "PPDObjects/PPDXRangeControl.h"

#include <cstdlib>

#include "foundation/CString.h"

namespace {
// Values from the parser are 32-bit; anything wider is clamped to 32 bits.
int32_t To32(long value) {
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}
}  // namespace

PPDXRangeControl::PPDXRangeControl()
    : PPDXControl(),
      mValue(0),
      mMinimum(0),
      mMaximum(0),
      mIncrement(0),
      mDefault(0),
      mInjectedCode(nullptr),
      mInjectedCodeLength(0) {
    mType = kRangeControl;
}

PPDXRangeControl::PPDXRangeControl(const char* keyword, CFStringRef inLocalName, PointerList& flags,
                                   unsigned char* code, const long& codeLength, const long& minimum,
                                   const long& maximum, const long& increment,
                                   const long& defaultValue, const bool& visible)
    : PPDXControl(keyword, inLocalName, flags, code, codeLength, visible),
      mValue(To32(defaultValue)),
      mMinimum(To32(minimum)),
      mMaximum(To32(maximum)),
      mIncrement(To32(increment)),
      mDefault(To32(defaultValue)),
      mInjectedCode(nullptr),
      mInjectedCodeLength(0) {
    mType = kRangeControl;
}

PPDXRangeControl::~PPDXRangeControl() {
    DiscardInjectedCode();
}

void PPDXRangeControl::DiscardInjectedCode() {
    ZEQArena::Free(mInjectedCode);
    mInjectedCode = nullptr;
    mInjectedCodeLength = 0;
}

void PPDXRangeControl::SetValue(const long& value) {
    // The clamping is done on the full argument, so a value beyond 32 bits still ends at a
    // bound rather than wrapping.
    long v = value;
    if (v < mMinimum) {
        v = mMinimum;
    }
    if (v > mMaximum) {
        v = mMaximum;
    }
    // Rounding toward zero to a multiple of the increment comes after the clamping and may
    // leave the range. An increment of 0 cannot be snapped to: the clamped value stays.
    if (mIncrement != 0 && v % mIncrement != 0) {
        v = static_cast<long>(mIncrement) * (v / mIncrement);
    }
    mValue = To32(v);
    DiscardInjectedCode();
}

void PPDXRangeControl::ResetToDefaultValue() {
    SetValue(DefaultValue());
}

long PPDXRangeControl::PostScript(unsigned char* buffer) {
    char text[32];
    num2String(mValue, text);
    return InjectedFeature(buffer, text, mInjectedCode, mInjectedCodeLength);
}
