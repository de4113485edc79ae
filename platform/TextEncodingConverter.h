// Text Encoding Converter stand-in over iconv: converters between Mac text encodings, the
// text-encoding number helpers and the script-to-encoding look-ups.
#pragma once

#include "platform/MacTypes.h"

typedef struct OpaqueTECObjectRef* TECObjectRef;
typedef UInt32 TextEncodingBase;
typedef UInt32 TextEncodingVariant;
typedef UInt32 TextEncodingFormat;
typedef UInt8* TextPtr;
typedef const UInt8* ConstTextPtr;

// Base encodings. The numbers and their iconv character sets are those of
// platform/TextEncodingTable.h.
enum : TextEncodingBase {
    kTextEncodingMacRoman = 0,
    kTextEncodingMacJapanese = 1,
    kTextEncodingUnicodeDefault = 0x100,
    kTextEncodingUnicodeV2_0 = 0x101,
    kTextEncodingISOLatin1 = 0x201,
    kTextEncodingISOLatin2 = 0x202,
    kTextEncodingISOLatin5 = 0x209,
    kTextEncodingWindowsLatin1 = 0x500,
    kTextEncodingUS_ASCII = 0x600,
    kTextEncodingShiftJIS = 0xA01,
};

enum : TextEncodingVariant { kTextEncodingDefaultVariant = 0 };

// Formats of the Unicode encodings. kUnicode16BitFormat (the default, 0) is UTF-16 in the
// host's byte order (little-endian on the usual targets), without a byte-order mark.
enum : TextEncodingFormat {
    kTextEncodingDefaultFormat = 0,
    kUnicode16BitFormat = 0,
    kUnicodeUTF7Format = 1,
    kUnicodeUTF8Format = 2,
    kUnicode32BitFormat = 3,
    kUnicodeUTF16BEFormat = 4,
    kUnicodeUTF16LEFormat = 5,
    kUnicodeUTF32BEFormat = 6,
    kUnicodeUTF32LEFormat = 7,
};

// Script, language and region selectors of UpgradeScriptInfoToTextEncoding.
enum : ScriptCode { smSystemScript = -1, smCurrentScript = -2, kTextScriptDontCare = -128 };
enum : LangCode { kTextLanguageDontCare = -128 };
enum : RegionCode { kTextRegionDontCare = -128 };

// Results beside those of platform/MacTypes.h.
enum {
    kTECPartialCharErr = -8753,        // the text ended inside a multibyte character
    kTECUnmappableElementErr = -8754,  // a character the output encoding lacks
};

TextEncoding CreateTextEncoding(TextEncodingBase encodingBase, TextEncodingVariant encodingVariant,
                                TextEncodingFormat encodingFormat);
TextEncodingBase GetTextEncodingBase(TextEncoding encoding);
TextEncodingVariant GetTextEncodingVariant(TextEncoding encoding);
TextEncodingFormat GetTextEncodingFormat(TextEncoding encoding);

// The encoding of a script: the system and current scripts (and "don't care") are UTF-8
// (0x08000100) on this platform; Mac script codes 0 to 32 give the Mac encoding of the same
// number. Language, region and font name are ignored. paramErr for other scripts.
OSStatus UpgradeScriptInfoToTextEncoding(ScriptCode iTextScriptID, LangCode iTextLanguageID,
                                         RegionCode iRegionID, ConstStr255Param iTextFontname,
                                         TextEncoding* oEncoding);

// The application's text encoding: UTF-8 (0x08000100).
TextEncoding GetApplicationTextEncoding(void);

// kTECNoConversionPathErr when either encoding is not supported, memFullErr without memory.
// The conversion itself is set up by the first TECConvertText.
OSStatus TECCreateConverter(TECObjectRef* newEncodingConverter, TextEncoding inputEncoding,
                            TextEncoding outputEncoding);

// Converts as much of the input as fits the output buffer. *actualInputLength and
// *actualOutputLength give the bytes read and written. Results:
// - noErr: all input was read. Input that ends inside a multibyte character counts as read:
//   its bytes are kept in the converter and completed by the next call's input;
// - kTECOutputBufferFullStatus: the output buffer is full; call again with the unread rest
//   of the input (and a new or larger buffer) to continue;
// - kTextMalformedInputErr or kTECUnmappableElementErr: the input is not valid in the input
//   encoding, or a character has no equivalent in the output encoding; the counts stop
//   before the offending character.
OSStatus TECConvertText(TECObjectRef encodingConverter, ConstTextPtr inputBuffer,
                        ByteCount inputBufferLength, ByteCount* actualInputLength,
                        TextPtr outputBuffer, ByteCount outputBufferLength,
                        ByteCount* actualOutputLength);

// Ends a conversion: writes what the converter still holds (the return to the initial shift
// state of stateful encodings) and resets it. Bytes of an incomplete character left by the
// last TECConvertText are dropped and reported as kTECPartialCharErr.
// kTECOutputBufferFullStatus when the output does not fit (nothing is lost; call again).
OSStatus TECFlushText(TECObjectRef encodingConverter, TextPtr outputBuffer,
                      ByteCount outputBufferLength, ByteCount* actualOutputLength);

// Forgets the shift state and any incomplete character, ready for unrelated text.
OSStatus TECClearConverterContextInfo(TECObjectRef encodingConverter);

OSStatus TECDisposeConverter(TECObjectRef newEncodingConverter);
