// String tables: the text of a bundle's "Localizable.strings" files, in the old-style format
// translators edit by hand, read into a dictionary of key and text.
#pragma once

#include "platform/CFDictionary.h"
#include "platform/CFString.h"

// The table in `bytes`: entries `"key" = "value";` (or `"key";`, whose text is the key),
// separated by white space, /* */ and // comments. Keys and values are quoted with " or ',
// with the escapes \a \b \f \n \r \t \v \" \' \\, \ and up to three octal digits (a Latin-1
// character), \U or \u and one to four hexadecimal digits; words of letters, digits and
// _ $ / : . - may stand unquoted. The text is UTF-8 (a byte-order mark is allowed) or UTF-16
// behind a byte-order mark of either order. A later entry replaces an earlier one of the same
// key. A new dictionary of strings, or null when the text is not a valid table: then
// *errorString (released by the caller) describes the fault, beginning "line N: ", and
// *errorLine is N. Either out parameter may be null.
CFDictionaryRef ZEQStringsTableCreate(const UInt8* bytes, CFIndex length, CFStringRef* errorString,
                                      CFIndex* errorLine);
