// Basic types, status numbers and Pascal-string types of the Mac OS platform layer,
// as the system's own code names them; sizes are the platform's wire sizes.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;

typedef unsigned char Boolean;
typedef int16_t OSErr;
typedef int32_t OSStatus;
typedef uint32_t FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef uint32_t OptionBits;
typedef uint32_t ByteCount;
typedef uint32_t ItemCount;
typedef long Size;
typedef char* Ptr;
typedef Ptr* Handle;
typedef unsigned char Byte;
typedef uint16_t UniChar;
typedef uint32_t UniCharCount;
typedef int16_t ScriptCode;
typedef int16_t LangCode;
typedef int16_t RegionCode;
typedef int16_t ResID;
typedef uint32_t TextEncoding;

// A QuickDraw point: 16-bit vertical and horizontal coordinates.
struct Point {
    SInt16 v;
    SInt16 h;
};

typedef unsigned char Str255[256];
typedef unsigned char Str63[64];
typedef unsigned char Str31[32];
typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStringPtr;
typedef const unsigned char* ConstStr255Param;
typedef const unsigned char* ConstStr63Param;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Status numbers the system produces or passes on.
enum {
    noErr = 0,
    fnOpnErr = -38,  // file not open
    eofErr = -39,    // end of file
    posErr = -40,
    fnfErr = -43,  // file not found
    ioErr = -36,
    bdNamErr = -37,
    paramErr = -50,
    memFullErr = -108,
    nilHandleErr = -109,
    resNotFound = -192,
    collectionItemNotFoundErr = -5751,
    kTECOutputBufferFullStatus = -8785,
    kTECNoConversionPathErr = -8749,
    kTextUnsupportedEncodingErr = -8738,
    kTextMalformedInputErr = -8739,
};
