// The plug-in shell: the factory, its IUnknown instance, the dialog extension's interface
// object with its ten operations, and the identity of the plug-in.
#pragma once

#include "platform/CFPlugIn.h"
#include "platform/PMPrintingDialogExtensions.h"

// Session data in which the extension tells its host whether the PPD of its last set-up came
// from the parsed-PPD cache in the print settings (kCFBooleanTrue) or from the file.
#define kImageShiftPPDFromCacheKey CFSTR("com.vorel.imageshift.PPDFromCache")

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
