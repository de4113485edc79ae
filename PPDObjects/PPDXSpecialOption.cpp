// PPDXSpecialOption: a text value; the PostScript is the raw code of the control.
#include "PPDObjects/PPDXSpecialOption.h"

#include <new>

#include "foundation/CString.h"

PPDXSpecialOption::PPDXSpecialOption() : PPDXControl(), mValue(new (std::nothrow) CString("")) {
    mType = kSpecialOptionControl;
}

PPDXSpecialOption::PPDXSpecialOption(const char* keyword, CFStringRef inLocalName,
                                     PointerList& flags, char* value, unsigned char* code,
                                     const long& codeLength, const bool& visible)
    : PPDXControl(keyword, inLocalName, flags, code, codeLength, visible),
      mValue(new (std::nothrow) CString(value != nullptr ? value : "")) {
    mType = kSpecialOptionControl;
}

PPDXSpecialOption::~PPDXSpecialOption() {
    delete mValue;
}

const char* PPDXSpecialOption::GetValue() const {
    return mValue != nullptr ? static_cast<const char*>(*mValue) : nullptr;
}

void PPDXSpecialOption::ResetToDefaultValue() {
    if (mValue == nullptr) {
        mValue = new (std::nothrow) CString("");
    } else {
        *mValue = "";
    }
}
