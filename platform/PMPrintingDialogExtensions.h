// The print dialog's extension interface, as host and plug-in share it: the plug-in type, the
// interface identifier, the API version record and the table of ten operations.
#pragma once

#include "platform/CFPlugIn.h"
#include "platform/PMPrinting.h"

typedef struct OpaqueControlRef* ControlRef;

// The type a printer's dialog extension is registered for under "CFPlugInTypes": the print
// dialog asks the plug-ins of a printer for factories of this type.
#define kPrinterPDETypeIDStr "BDB091F4-E57F-11D3-B5CC-0050E4603277"
// The interface every dialog-extension instance answers QueryInterface with.
#define kDialogExtensionIntfIDStr "A996FD7E-B738-11D3-8519-0050E4603277"

typedef void* PMPDEContext;
typedef unsigned long PMPDEFlags;
typedef long PMPDERef;
enum : PMPDEFlags { kPMPDENoFlags = 0 };

struct PMPlugInAPIVersion {
    UInt32 buildVersionMajor;
    UInt32 buildVersionMinor;
    UInt32 baseVersionMajor;
    UInt32 baseVersionMinor;
};

struct PlugInIntf;

// The ten operations, in slot order.
struct PlugInIntfVTable {
    OSStatus (*Retain)(PlugInIntf* obj);
    OSStatus (*Release)(PlugInIntf** objPtr);
    OSStatus (*GetAPIVersion)(PlugInIntf* obj, PMPlugInAPIVersion* versionPtr);
    OSStatus (*Prologue)(PMPDEContext* context, OSType* creator, CFStringRef* userOptionKind,
                         CFStringRef* title, UInt32* maxH, UInt32* maxV);
    OSStatus (*Initialize)(PMPDEContext context, PMPDEFlags* flags, PMPDERef ref,
                           ControlRef parentUserPane, PMPrintSession printSession);
    OSStatus (*Sync)(PMPDEContext context, PMPrintSession printSession, Boolean reinitializePlugIn);
    OSStatus (*GetSummaryText)(PMPDEContext context, CFArrayRef* titleArray,
                               CFArrayRef* summaryArray);
    OSStatus (*Open)(PMPDEContext context);
    OSStatus (*Close)(PMPDEContext context);
    OSStatus (*Terminate)(PMPDEContext context, OSStatus status);
};

// The interface object: its table and its reference count.
struct PlugInIntf {
    const PlugInIntfVTable* vtable;
    UInt32 refCount;
};

enum : OSStatus { kPMNoPDEContext = -9530 };
