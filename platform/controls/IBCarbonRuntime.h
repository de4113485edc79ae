// Interface files of the controls layer: a GtkBuilder file holding windows of controls, read
// without a display (GLib's markup parser) and turned into windows on request.
#pragma once

#include "platform/CFString.h"
#include "platform/CFURL.h"
#include "platform/controls/CarbonTypes.h"

#if __has_include("platform/CFBundle.h")
#include "platform/CFBundle.h"
#define ZEQ_CONTROLS_HAVE_BUNDLE 1
#else
typedef struct __CFBundle* CFBundleRef;
#endif

typedef struct OpaqueIBNibRef* IBNibRef;

enum : OSStatus {
    kIBCarbonRuntimeCantFindNibFile = -10960,
    kIBCarbonRuntimeObjectNotOfRequestedType = -10961,
    kIBCarbonRuntimeCantFindObject = -10962,
};

// Opens the interface file inNibName + ".ui" among the bundle's resources. Needs the bundle
// stand-in; without it the file cannot be found.
OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName,
                                        IBNibRef* outNibRef);
// Opens the interface file at a file URL (an extension of this platform layer: the bundle
// call above is this one on the bundle's resource URL). The file is read and checked here:
// kIBCarbonRuntimeCantFindNibFile when it cannot be read or is not a well-formed interface
// file (the reason goes to standard error).
OSStatus CreateNibReferenceWithCFURL(CFURLRef inFileURL, IBNibRef* outNibRef);
void DisposeNibReference(IBNibRef inNibRef);
// A new, hidden window made of the window object inName of the file with all its controls;
// kIBCarbonRuntimeCantFindObject when there is no such object,
// kIBCarbonRuntimeObjectNotOfRequestedType when it is not a window or holds a widget that has
// no control here.
OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow);
