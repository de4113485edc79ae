// Types shared by the PPD object model and the parser: control kinds, parse options and
// display options.
#pragma once

#include <cstdint>

// The kind of a control, stored as a 32-bit value.
enum CNTL_TYPE : int32_t {
    kUnknownControl = 0,        // a control not yet given a kind
    kJobNoteControl = 1,        // PPDXJobNote
    kRangeControl = 2,          // PPDXRangeControl and PPDXFloatRangeControl
    kBooleanControl = 3,        // PPDXBooleanControl
    kPopupControl = 4,          // PPDXPopupControl
    kSpecialOptionControl = 5,  // PPDXSpecialOption
};

// What the parser keeps: bit 0 keeps orphans, bit 1 keeps hidden elements. The system
// parses with 3 (both).
typedef uint32_t _PARSE_OPTIONS_;
enum : uint32_t {
    kParseKeepOrphans = 1,
    kParseKeepHidden = 2,
};

// What iteration and display admit (process-wide, held by ZEQPPD): bit 0 admits orphans,
// bit 1 admits hidden elements; 0 admits neither, 3 admits both.
typedef uint32_t _DISPLAY_OPTIONS_;
enum : uint32_t {
    kDisplayIncludeOrphans = 1,
    kDisplayIncludeHidden = 2,
    kDisplayAll = 3,
};
