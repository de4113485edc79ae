// The plug-in's bundle: the process-wide cached bundle reference, localized texts, and the
// URL of the bundle's "Contents" folder.
#pragma once

#include "platform/CFBundle.h"

CFBundleRef MyGetBundle(CFStringRef identifier);
void* MyFreeBundle(CFStringRef identifier);
CFURLRef CreatePDEContentsURL(CFStringRef identifier);

class PDEBundle {
public:
    static void InitBundle(CFBundleRef bundle);
    // The localized text of `key` in `bundle` (or the one given to InitBundle when null);
    // null when there is no bundle. The caller releases it.
    static CFStringRef GetLocalizedCFString(CFStringRef key, CFBundleRef bundle);

    static CFBundleRef mBundle;
    static bool mInit;
};
