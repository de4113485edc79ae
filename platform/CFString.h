// Core Foundation strings: immutable and mutable UTF-16 text (lengths in UTF-16 units),
// conversions to and from the Mac text encodings, formatting, comparison.
#pragma once

#include <cstdarg>

#include "platform/CFArray.h"
#include "platform/CFBase.h"
#include "platform/CFData.h"
#include "platform/CFDictionary.h"

typedef UInt32 CFStringEncoding;

// Mac text-encoding numbers. On this platform the system encoding is UTF-8.
enum : CFStringEncoding {
    kCFStringEncodingMacRoman = 0,
    kCFStringEncodingMacJapanese = 1,
    kCFStringEncodingWindowsLatin1 = 0x0500,
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingISOLatin2 = 0x0202,
    kCFStringEncodingISOLatin5 = 0x0209,
    kCFStringEncodingNextStepLatin = 0x0B01,
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingShiftJIS = 0x0A01,
    kCFStringEncodingUnicode = 0x0100,  // UTF-16, host order unless a byte-order mark says
    kCFStringEncodingUTF8 = 0x08000100,
    kCFStringEncodingNonLossyASCII = 0x0BFF,
    kCFStringEncodingUTF16 = 0x0100,
    kCFStringEncodingUTF16BE = 0x10000100,
    kCFStringEncodingUTF16LE = 0x14000100,
    kCFStringEncodingUTF32BE = 0x18000100,
    kCFStringEncodingUTF32LE = 0x1C000100,
    kCFStringEncodingInvalidId = 0xFFFFFFFFU,
};

typedef CFOptionFlags CFStringCompareFlags;
enum : CFStringCompareFlags {
    kCFCompareCaseInsensitive = 1,
    kCFCompareBackwards = 4,
    kCFCompareAnchored = 8,
    kCFCompareNonliteral = 16,
    kCFCompareLocalized = 32,
    kCFCompareNumerically = 64,
};

// A constant string for a literal: one object per distinct text, never freed.
#define CFSTR(cStr) __CFStringMakeConstantString("" cStr "")
CFStringRef __CFStringMakeConstantString(const char* cStr);

CFTypeID CFStringGetTypeID(void);

// Creation. A byte sequence that is not valid in the encoding gives null.
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding);
CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                         CFIndex numChars);
CFStringRef CFStringCreateWithPascalString(CFAllocatorRef alloc, ConstStr255Param pStr,
                                           CFStringEncoding encoding);
CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString);
CFStringRef CFStringCreateWithSubstring(CFAllocatorRef alloc, CFStringRef str, CFRange range);
// printf-style formats with "%@" for an object's description. Handled: the flags, width and
// precision of printf (also "*"), the length modifiers hh h l ll q z t j L, the conversions
// d i u o x X c e E f F g G a A s p %, "%@", "%C" (UniChar) and "%S" (UniChar string).
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc,
                                                 CFDictionaryRef formatOptions, CFStringRef format,
                                                 va_list arguments);

// External representation: the string's bytes in the encoding, led by a byte-order mark
// (big-endian FE FF) for Unicode; characters the encoding lacks become lossByte, or make the
// call fail when lossByte is 0.
CFDataRef CFStringCreateExternalRepresentation(CFAllocatorRef alloc, CFStringRef theString,
                                               CFStringEncoding encoding, UInt8 lossByte);
CFStringRef CFStringCreateFromExternalRepresentation(CFAllocatorRef alloc, CFDataRef data,
                                                     CFStringEncoding encoding);

// Access.
CFIndex CFStringGetLength(CFStringRef theString);
UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx);
void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
// False when the text cannot be converted or does not fit bufferSize bytes with its NUL.
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);
// Non-null only for an immutable string whose text is all ASCII, asked for in an encoding
// that agrees with ASCII (UTF-8, ASCII, Mac Roman, the ISO Latin sets, Windows Latin 1);
// callers fall back on CFStringGetCString otherwise.
const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding);
// Length byte plus at most 255 bytes; false when the text does not fit bufferSize.
Boolean CFStringGetPascalString(CFStringRef theString, StringPtr buffer, CFIndex bufferSize,
                                CFStringEncoding encoding);
// Converts the characters of range until one cannot be converted (lossByte 0) or the buffer
// is full; returns the number of UTF-16 units converted and the bytes used. A null buffer
// only measures.
CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                         CFIndex maxBufLen, CFIndex* usedBufLen);

// Encodings.
CFStringEncoding CFStringGetSystemEncoding(void);
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
CFStringEncoding CFStringGetMostCompatibleMacStringEncoding(CFStringEncoding encoding);
Boolean CFStringIsEncodingAvailable(CFStringEncoding encoding);
CFStringEncoding CFStringGetFastestEncoding(CFStringRef theString);

// Mutable strings; maxLength is a hint and 0 means no limit.
CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex maxLength);
CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength,
                                             CFStringRef theString);
void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString);
void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars, CFIndex numChars);
void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                           CFStringEncoding encoding);
void CFStringAppendPascalString(CFMutableStringRef theString, ConstStr255Param pStr,
                                CFStringEncoding encoding);
void CFStringAppendFormat(CFMutableStringRef theString, CFDictionaryRef formatOptions,
                          CFStringRef format, ...);
void CFStringInsert(CFMutableStringRef str, CFIndex idx, CFStringRef insertedStr);
void CFStringDelete(CFMutableStringRef theString, CFRange range);
void CFStringReplaceAll(CFMutableStringRef theString, CFStringRef replacement);

// Numeric value of leading text ("  -42abc" gives -42); 0 when there is no number.
SInt32 CFStringGetIntValue(CFStringRef str);
double CFStringGetDoubleValue(CFStringRef str);

// Comparison by UTF-16 units; kCFCompareCaseInsensitive folds ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters.
CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions);
Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix);
Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix);
// Range of the first (or, with kCFCompareBackwards, last) occurrence; {kCFNotFound, 0} when
// absent.
CFRange CFStringFind(CFStringRef theString, CFStringRef stringToFind,
                     CFStringCompareFlags compareOptions);

// Writes an object's description to standard error.
void CFShow(CFTypeRef obj);
