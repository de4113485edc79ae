// The plug-in's bundle: the process-wide cached bundle reference, the localized-text look-up
// of PDEBundle, and the URL of the bundle's "Contents" folder.
#include "imageshift/PDEBundle.h"

CFBundleRef PDEBundle::mBundle = nullptr;
bool PDEBundle::mInit = false;

namespace {
// Filled by the first successful MyGetBundle, emptied by MyFreeBundle.
CFBundleRef gCachedBundle = nullptr;
}  // namespace

CFBundleRef MyGetBundle(CFStringRef identifier) {
    if (!gCachedBundle) {
        CFBundleRef bundle = CFBundleGetBundleWithIdentifier(identifier);
        if (bundle)
            gCachedBundle = static_cast<CFBundleRef>(const_cast<void*>(CFRetain(bundle)));
    }
    return gCachedBundle;
}

void* MyFreeBundle(CFStringRef) {
    if (gCachedBundle)
        CFRelease(gCachedBundle);
    gCachedBundle = nullptr;
    return nullptr;
}

CFURLRef CreatePDEContentsURL(CFStringRef identifier) {
    CFBundleRef bundle = MyGetBundle(identifier);
    if (!bundle)
        return nullptr;
    CFURLRef bundleURL = CFBundleCopyBundleURL(bundle);
    if (!bundleURL)
        return nullptr;
    CFURLRef contents =
        CFURLCreateCopyAppendingPathComponent(nullptr, bundleURL, CFSTR("Contents"), true);
    CFRelease(bundleURL);
    return contents;
}

void PDEBundle::InitBundle(CFBundleRef bundle) {
    mBundle = bundle;
    mInit = true;
}

CFStringRef PDEBundle::GetLocalizedCFString(CFStringRef key, CFBundleRef bundle) {
    if (!bundle)
        bundle = mBundle;
    if (!bundle)
        return nullptr;
    return CFBundleCopyLocalizedString(bundle, key, nullptr, nullptr);
}
