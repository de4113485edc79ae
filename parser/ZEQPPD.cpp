// ZEQPPD driver: construction, the statement loop and its dispatch, vendor main
// keywords, the header test, control blocks, and the class-wide options.
#include "parser/ZEQPPD.h"

_DISPLAY_OPTIONS_ ZEQPPD::sDisplayOptions = 0;
_EXTENSIONS_SUPPORT_ ZEQPPD::sExtensionsSupport = 0xFFFFFFFFu;
CStringSoup* gConstraintStrings = nullptr;

_DISPLAY_OPTIONS_ ZEQPPD::Options() {
    return sDisplayOptions;
}

void ZEQPPD::Options(_DISPLAY_OPTIONS_ options) {
    sDisplayOptions = options;
}

void ZEQPPD::IncludeOrphans() {
    sDisplayOptions = static_cast<_DISPLAY_OPTIONS_>(sDisplayOptions | 1);
}

void ZEQPPD::IncludeHidden() {
    sDisplayOptions = static_cast<_DISPLAY_OPTIONS_>(sDisplayOptions | 2);
}

// Both exclusions clear every bit, as the display code of the model expects.
void ZEQPPD::ExcludeOrphans() {
    sDisplayOptions = static_cast<_DISPLAY_OPTIONS_>(0);
}

void ZEQPPD::ExcludeHidden() {
    sDisplayOptions = static_cast<_DISPLAY_OPTIONS_>(0);
}

_EXTENSIONS_SUPPORT_ ZEQPPD::GetExtensions() {
    return sExtensionsSupport;
}

void ZEQPPD::SetExtensions(_EXTENSIONS_SUPPORT_ level) {
    sExtensionsSupport = level;
}
