// Resource Manager stand-in: a process-wide registry of string lists (read with GetIndString
// of platform/TextUtils.h), the current resource file and the result of the last call.
#pragma once

#include "platform/MacTypes.h"

enum {
    resFNotFound = -193,
    // The string list holding one description for each PPD parse-error number.
    kZEQParseErrorStringListID = -8900,
};

// Result of the last Resource Manager call on this thread (GetIndString included).
OSErr ResError(void);

// Reference number of the current resource file. There are no resource files on this platform:
// every registered string list is visible whatever file is current, and the number only round
// trips through UseResFile (it starts as 1, the application's file).
short CurResFile(void);
void UseResFile(short refNum);

// Registers (or replaces) string list `id` with a copy of `count` NUL-terminated entries; an
// entry longer than 255 bytes is cut to 255. A null entry is stored as an empty string.
// Returns noErr, paramErr (negative count, or null entries with a positive count) or
// memFullErr. The registry starts with list -8900, the parse-error descriptions.
OSErr ZEQRegisterStringList(short id, const char* const* entries, int count);

// Removes a registered string list; resNotFound when there is none.
OSErr ZEQUnregisterStringList(short id);
