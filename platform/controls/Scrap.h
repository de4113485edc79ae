// The scrap (clipboard) of the controls layer: flavours of bytes under four-character types.
#pragma once

#include "platform/controls/CarbonTypes.h"

typedef struct OpaqueScrapRef* ScrapRef;
typedef FourCharCode ScrapFlavorType;
typedef UInt32 ScrapFlavorFlags;
enum : UInt32 { kScrapFlavorTypeText = 'TEXT', kScrapFlavorTypeUnicode = 'utxt' };
enum : UInt32 { kScrapFlavorMaskNone = 0 };
enum : OSStatus {
    noScrapErr = -100,
    noTypeErr = -102,
};

// The current scrap. ClearCurrentScrap empties it and starts a new one: a reference taken
// before the clear no longer reads or writes (noScrapErr).
OSStatus GetCurrentScrap(ScrapRef* scrap);
OSStatus ClearCurrentScrap(void);
OSStatus GetScrapFlavorSize(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount);
// Reads at most *byteCount bytes; *byteCount becomes the number read.
OSStatus GetScrapFlavorData(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount,
                            void* destination);
OSStatus PutScrapFlavor(ScrapRef scrap, ScrapFlavorType flavorType, ScrapFlavorFlags flavorFlags,
                        Size flavorSize, const void* flavorData);
