// Core Foundation bundles: directory bundles laid out as Name.plugin/Contents/{Info.plist,
// Resources/, Resources/<language>.lproj/, Linux/<executable>}, their resources, localized string
// tables and executables (dlopen).
#pragma once

#include "platform/CoreFoundation.h"

typedef struct __CFBundle* CFBundleRef;

CFTypeID CFBundleGetTypeID(void);
// A bundle over the directory at `bundleURL` (reads Contents/Info.plist); null when the
// directory does not exist. Creating a bundle for a URL already made returns that bundle,
// retained. Every bundle made is known to CFBundleGetBundleWithIdentifier while it lives.
CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
// A live bundle with that identifier (not retained); null when none.
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
// The bundle of the running program (not retained): the bundle the executable lies in, or
// else the executable's own folder.
CFBundleRef CFBundleGetMainBundle(void);

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
CFStringRef CFBundleGetDevelopmentRegion(CFBundleRef bundle);
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);
// A resource's URL: Resources/[subDirName/]resourceName[.resourceType], looked for in the
// localized folders of the preferred languages first, then in Resources itself; null when
// no such file exists.
CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName);
// The languages the user prefers, in order (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), that the
// bundle has, then its development region; a new array of strings such as "de", "ja", "en".
CFArrayRef CFBundleCopyPreferredLocalizations(CFBundleRef bundle);
// The text of `key` in the table (null: "Localizable") of the preferred language; `value`
// (or, when null or empty, the key itself) when no table has it. A new string.
CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value,
                                        CFStringRef tableName);
#define CFCopyLocalizedStringFromTableInBundle(key, tbl, bundle, comment) \
    CFBundleCopyLocalizedString((bundle), (key), (key), (tbl))

// The executable named by CFBundleExecutable in Contents/Linux, loaded with dlopen.
Boolean CFBundleLoadExecutable(CFBundleRef bundle);
Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle);
void CFBundleUnloadExecutable(CFBundleRef bundle);
// A function of the loaded executable (loading it first); null when absent.
void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName);
