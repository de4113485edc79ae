// PPDXBooleanControl: a two-state printer option with a user text and PostScript code for
// each state.
#pragma once

#include <cstdint>

#include "PPDObjects/PPDXControl.h"

class CString;

class PPDXBooleanControl final : public PPDXControl {
public:
    // Type 3, value false, no texts, no code.
    PPDXBooleanControl();
    // Takes ownership of both texts and both code blocks (ZEQArena::Free); value and default state
    // both become `defaultState`.
    PPDXBooleanControl(const char* keyword, CFStringRef inLocalName, PointerList& flags,
                       const bool& visible, CString* trueText, unsigned char* trueCode,
                       long trueCodeLength, CString* falseText, unsigned char* falseCode,
                       long falseCodeLength, const bool& defaultState);
    ~PPDXBooleanControl() override;
    // ---- settings cache (settings/ControlCache.cpp) ----
    PPDXBooleanControl(Settings& settings, const long& id);
    OSErr Save(Settings& settings, const long& id) override;
    OSErr Restore(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    bool IsTrue() const { return mValue; }
    void SetValue(const bool& value) { mValue = value; }
    const char* TrueDisplayText() const;
    const char* FalseDisplayText() const;
    bool DefaultState() const { return mDefaultState; }
    const unsigned char* TrueCode() const { return mTrueCode; }
    long TrueCodeLength() const { return mTrueCodeLength; }
    const unsigned char* FalseCode() const { return mFalseCode; }
    long FalseCodeLength() const { return mFalseCodeLength; }

    void ResetToDefaultValue() override;
    // The feature block of the current state: option "True" with the true code, or "False"
    // with the false code; nothing without a keyword.
    long PostScript(unsigned char* buffer) override;

protected:
    bool mValue;
    bool mDefaultState;
    CString* mTrueText;        // owned, may be null
    CString* mFalseText;       // owned, may be null
    unsigned char* mTrueCode;  // owned (malloc or arena block: ZEQArena::Free), may be null
    int32_t mTrueCodeLength;
    unsigned char* mFalseCode;  // owned (malloc or arena block: ZEQArena::Free), may be null
    int32_t mFalseCodeLength;
};
