// PPDXSpecialOption: a printer option carrying a plain text value; its PostScript is the raw
// code, without a feature block.
#pragma once

#include "PPDObjects/PPDXControl.h"

class CString;

class PPDXSpecialOption final : public PPDXControl {
public:
    // Type 5, value "".
    PPDXSpecialOption();
    // The value is a copy of `value` (null gives "").
    PPDXSpecialOption(const char* keyword, CFStringRef inLocalName, PointerList& flags, char* value,
                      unsigned char* code, const long& codeLength, const bool& visible);
    ~PPDXSpecialOption() override;
    // ---- settings cache (settings/ControlCache.cpp) ----
    PPDXSpecialOption(Settings& settings, const long& id);
    OSErr Save(Settings& settings, const long& id) override;
    OSErr Restore(Settings& settings, const long& id) override;
    // ---- end of settings cache ----

    // The value text (never null for a constructed option).
    const char* GetValue() const;
    // The value becomes "".
    void ResetToDefaultValue() override;

protected:
    CString* mValue;  // owned
};
