// PPDXRangeControl: an integer printer option with minimum, maximum, increment and default,
// whose value is substituted into the option's code.
#pragma once

#include <cstdint>

#include "PPDObjects/PPDXControl.h"

class PPDXRangeControl final : public PPDXControl {
public:
    // Type 2, all zeros.
    PPDXRangeControl();
    // The value starts as `defaultValue`, unclamped; no injected code.
    PPDXRangeControl(const char* keyword, CFStringRef inLocalName, PointerList& flags,
                     unsigned char* code, const long& codeLength, const long& minimum,
                     const long& maximum, const long& increment, const long& defaultValue,
                     const bool& visible);
    ~PPDXRangeControl() override;
    // ---- settings cache (settings/ControlCache.cpp) ----
    PPDXRangeControl(Settings& settings, const long& id);
    OSErr Save(Settings& settings, const long& id) override;
    OSErr Restore(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    long MinVal() const { return mMinimum; }
    long MaxVal() const { return mMaximum; }
    long Increment() const { return mIncrement; }
    long DefaultValue() const { return mDefault; }
    long GetValue() const { return mValue; }
    // Clamps to minimum then maximum, then rounds toward zero to a multiple of the increment.
    void SetValue(const long& value);
    void ResetToDefaultValue() override;
    // Feature block with the value as option and as substitute for "<" keyword ">".
    long PostScript(unsigned char* buffer) override;

protected:
    void DiscardInjectedCode();

    int32_t mValue;
    int32_t mMinimum;
    int32_t mMaximum;
    int32_t mIncrement;
    int32_t mDefault;
    unsigned char*
        mInjectedCode;  // owned (ZEQArena::Free) cache of the substituted code, may be null
    int32_t mInjectedCodeLength;
};
