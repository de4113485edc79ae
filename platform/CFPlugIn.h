// Core Foundation plug-in model: a plug-in is a bundle whose information dictionary names
// its factories ("CFPlugInFactories": factory identifier -> function name) and the types they
// make ("CFPlugInTypes": type identifier -> factory identifiers); instances follow IUnknown.
#pragma once

#include "platform/CFBundle.h"
#include "platform/CFUUID.h"

// A plug-in is its bundle.
typedef CFBundleRef CFPlugInRef;
typedef void* (*CFPlugInFactoryFunction)(CFAllocatorRef allocator, CFUUIDRef typeUUID);

#define kCFPlugInFactoriesKey CFSTR("CFPlugInFactories")
#define kCFPlugInTypesKey CFSTR("CFPlugInTypes")

// ---- The IUnknown conventions ----
typedef SInt32 HRESULT;
typedef UInt32 ULONG;
typedef void* LPVOID;
// Interface identifiers are 16 bytes passed by value.
typedef CFUUIDBytes REFIID;

#define S_OK ((HRESULT)0x00000000L)
#define E_NOINTERFACE ((HRESULT)0x80000004L)

// The first entries of every interface table: a reserved slot, then the three calls.
#define IUNKNOWN_C_GUTS                                                    \
    void* _reserved;                                                       \
    HRESULT (*QueryInterface)(void* thisPointer, REFIID iid, LPVOID* ppv); \
    ULONG (*AddRef)(void* thisPointer);                                    \
    ULONG (*Release)(void* thisPointer)

struct IUnknownVTbl {
    IUNKNOWN_C_GUTS;
};

// 00000000-0000-0000-C000-000000000046
#define IUnknownUUID                                                                              \
    CFUUIDGetConstantUUIDWithBytes(kCFAllocatorSystemDefault, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, \
                                   0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

// ---- Hosts ----
// The plug-in at `plugInURL` (a bundle directory): its factories and types are registered,
// its executable is loaded when an instance is first made. Null when it is no bundle.
CFPlugInRef CFPlugInCreate(CFAllocatorRef allocator, CFURLRef plugInURL);
CFBundleRef CFPlugInGetBundle(CFPlugInRef plugIn);
// The identifiers of the registered factories that make `typeUUID` (a new array of CFUUIDs),
// in every plug-in or in one.
CFArrayRef CFPlugInFindFactoriesForPlugInType(CFUUIDRef typeUUID);
CFArrayRef CFPlugInFindFactoriesForPlugInTypeInPlugIn(CFUUIDRef typeUUID, CFPlugInRef plugIn);
// Calls the factory's function (found by name in the plug-in's executable) with `typeUUID`:
// the new instance, or null when the factory, its function or the instance is missing.
void* CFPlugInInstanceCreate(CFAllocatorRef allocator, CFUUIDRef factoryUUID, CFUUIDRef typeUUID);

// ---- Plug-ins ----
// A factory counts its live instances; the plug-in's code stays loaded while any lives.
void CFPlugInAddInstanceForFactory(CFUUIDRef factoryID);
void CFPlugInRemoveInstanceForFactory(CFUUIDRef factoryID);
// Live instances of a factory (0 for one never registered).
CFIndex CFPlugInGetInstanceCountForFactory(CFUUIDRef factoryID);
