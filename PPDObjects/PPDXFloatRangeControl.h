// PPDXFloatRangeControl: a floating-point printer option with minimum, maximum, increment and
// default; it derives from PPDXControl directly, not from PPDXRangeControl.
#pragma once

#include <cstdint>

#include "PPDObjects/PPDXControl.h"

class PPDXFloatRangeControl : public PPDXControl {
public:
    // Type 2, all zeros.
    PPDXFloatRangeControl();
    // The bounds, increment and default are converted to float; the value becomes the
    // converted default.
    PPDXFloatRangeControl(const char* keyword, CFStringRef inLocalName, PointerList& flags,
                          unsigned char* code, const long& codeLength, const long& minimum,
                          const long& maximum, const long& increment, const long& defaultValue,
                          const bool& visible);
    ~PPDXFloatRangeControl() override;
    // ---- settings cache (settings/ControlCache.cpp) ----
    PPDXFloatRangeControl(Settings& settings, const long& id);
    OSErr Save(Settings& settings, const long& id) override;
    OSErr Restore(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    float MinVal() const { return mMinimum; }
    float MaxVal() const { return mMaximum; }
    float Increment() const { return mIncrement; }
    float DefaultValue() const { return mDefault; }
    float GetValue() const { return mValue; }
    // Clamps, then snaps to the multiple of the increment toward zero when within 0.01 of an
    // increment above it.
    void SetValue(const float& value);
    void ResetToDefaultValue() override;
    // Feature block with the value, truncated to an integer, as option and substitute.
    long PostScript(unsigned char* buffer) override;

protected:
    void DiscardInjectedCode();

    float mValue;
    float mMinimum;
    float mMaximum;
    float mIncrement;
    float mDefault;
    unsigned char*
        mInjectedCode;  // owned (ZEQArena::Free) cache of the substituted code, may be null
    int32_t mInjectedCodeLength;
};
