// PPDXFloatRangeControl: clamping, snapping to the increment and substitution of the value
// (printed as an integer) into the code.
#include "PPDObjects/PPDXFloatRangeControl.h"

#include <cmath>
#include <cstdlib>

#include "foundation/CString.h"

namespace {
// Truncation toward zero into 32 bits. Values outside 32 bits (and not-a-number) cannot be
// represented: they print as the nearest bound (not-a-number as 0).
int32_t Truncate32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}
}  // namespace

PPDXFloatRangeControl::PPDXFloatRangeControl()
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

PPDXFloatRangeControl::PPDXFloatRangeControl(const char* keyword, CFStringRef inLocalName,
                                             PointerList& flags, unsigned char* code,
                                             const long& codeLength, const long& minimum,
                                             const long& maximum, const long& increment,
                                             const long& defaultValue, const bool& visible)
    : PPDXControl(keyword, inLocalName, flags, code, codeLength, visible),
      mValue(static_cast<float>(static_cast<int32_t>(defaultValue))),
      mMinimum(static_cast<float>(static_cast<int32_t>(minimum))),
      mMaximum(static_cast<float>(static_cast<int32_t>(maximum))),
      mIncrement(static_cast<float>(static_cast<int32_t>(increment))),
      mDefault(static_cast<float>(static_cast<int32_t>(defaultValue))),
      mInjectedCode(nullptr),
      mInjectedCodeLength(0) {
    mType = kRangeControl;
}

PPDXFloatRangeControl::~PPDXFloatRangeControl() {
    DiscardInjectedCode();
}

void PPDXFloatRangeControl::DiscardInjectedCode() {
    ZEQArena::Free(mInjectedCode);
    mInjectedCode = nullptr;
    mInjectedCodeLength = 0;
}

void PPDXFloatRangeControl::SetValue(const float& value) {
    float v = value;
    if (mMinimum > v) {
        v = mMinimum;
    }
    if (v > mMaximum) {
        v = mMaximum;
    }
    const float q = v / mIncrement;
    // Not a number (increment 0 and value 0) or an infinite quotient keeps the clamped value;
    // so does a quotient beyond 32 bits, where a float holds only whole numbers anyway.
    if (!std::isnan(q) && !std::isinf(q) && std::fabs(q) < 2147483648.0f) {
        const int32_t t = static_cast<int32_t>(q);
        const float d = q - static_cast<float>(t);
        if (static_cast<double>(d) <= 0.01) {
            v = mIncrement * static_cast<float>(t);
        }
    }
    mValue = v;
    DiscardInjectedCode();
}

void PPDXFloatRangeControl::ResetToDefaultValue() {
    SetValue(DefaultValue());
}

long PPDXFloatRangeControl::PostScript(unsigned char* buffer) {
    char text[32];
    num2String(Truncate32(mValue), text);
    return InjectedFeature(buffer, text, mInjectedCode, mInjectedCodeLength);
}
