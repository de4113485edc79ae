// Text utilities stand-in: decimal conversion of longs to and from Pascal strings, and the
// entries of string-list resources.
#pragma once

#include "platform/MacTypes.h"

// Formats theNum in decimal: a leading '-' for negatives, no leading zeros or spaces.
void NumToString(long theNum, Str255 theString);

// Parses an optional sign and the decimal digits that follow it; parsing stops at the first
// other character. Overflow wraps around like the machine arithmetic (no error is reported).
void StringToNum(ConstStr255Param theString, long* theNum);

// Entry `index` (1-based) of the string list `strListID` of the resource registry
// (platform/Resources.h). A missing list or entry gives an empty string and ResError() reports
// resNotFound; otherwise ResError() is noErr.
void GetIndString(Str255 theString, short strListID, short index);

// Pascal <-> C string helpers of the platform (in place is allowed).
StringPtr c2pstrcpy(Str255 dst, const char* src);
char* p2cstrcpy(char* dst, ConstStr255Param src);
