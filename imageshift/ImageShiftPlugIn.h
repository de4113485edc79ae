// The plug-in shell: the factory, its IUnknown instance, the dialog extension's interface
// object with its ten operations, and the identity of the plug-in.
#pragma once

#include "platform/CFPlugIn.h"
#include "platform/PMPrintingDialogExtensions.h"

extern "C" {
// The factory named under "CFPlugInFactories" in the bundle's information property list.
void* ImageShiftPluginFactory(CFAllocatorRef allocator, CFUUIDRef typeID);
}

// The bundle identifier (a constant, not a copy).
CFStringRef GetBundleID();
// The bundle with that identifier (not retained), or null.
CFBundleRef GetBundleRef();
void GetCreatorID(OSType& creator);
// New strings the caller releases: "ImageShift" and "ZEQ.PSData." + the bundle identifier.
CFStringRef CreateNIBFileName();
CFStringRef CreatePostscriptDataFileKey();
