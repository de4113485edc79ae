// Core Foundation URLs for local files (POSIX paths, "file://" URLs) and other schemes kept
// as text, with reading and writing of a file URL's bytes.
#pragma once

#include "platform/CFArray.h"
#include "platform/CFBase.h"
#include "platform/CFData.h"
#include "platform/CFDictionary.h"

typedef CFIndex CFURLPathStyle;
enum : CFIndex {
    kCFURLPOSIXPathStyle = 0,
    kCFURLHFSPathStyle = 1,  // not supported here: creation gives null
    kCFURLWindowsPathStyle = 2,
};

typedef CFIndex CFURLError;
enum : CFIndex {
    kCFURLUnknownError = -10,
    kCFURLUnknownSchemeError = -11,
    kCFURLResourceNotFoundError = -12,
    kCFURLResourceAccessViolationError = -13,
    kCFURLRemoteHostUnavailableError = -14,
    kCFURLImproperArgumentsError = -15,
    kCFURLUnknownPropertyKeyError = -16,
    kCFURLPropertyKeyUnavailableError = -17,
    kCFURLTimeoutError = -18,
};

typedef const struct __CFURL* CFURLRef;

CFTypeID CFURLGetTypeID(void);
// A relative path makes a URL relative to the current directory, which CFURLCopyAbsoluteURL
// and CFURLGetFileSystemRepresentation (resolving) apply.
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory);
CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory);
// "scheme:rest" text, percent-escaped; null for text that is not a valid URL. baseURL is
// used for text without a scheme.
CFURLRef CFURLCreateWithString(CFAllocatorRef allocator, CFStringRef URLString, CFURLRef baseURL);
CFURLRef CFURLCopyAbsoluteURL(CFURLRef relativeURL);
CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory);
CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef allocator, CFURLRef url);

// The URL's text (owned by the URL): "file:///path/to/file" or the text it was made from.
CFStringRef CFURLGetString(CFURLRef anURL);
CFStringRef CFURLCopyScheme(CFURLRef anURL);
// The decoded path, without a trailing slash except for "/".
CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle);
CFStringRef CFURLCopyLastPathComponent(CFURLRef url);
CFStringRef CFURLCopyPathExtension(CFURLRef url);
Boolean CFURLHasDirectoryPath(CFURLRef anURL);
// The path as a NUL-terminated byte string; false when it does not fit or is not a file URL.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen);

// Whole-file reading and writing of a file URL; properties are not supported (pass null).
// errorCode receives 0 or a CFURLError.
Boolean CFURLCreateDataAndPropertiesFromResource(CFAllocatorRef alloc, CFURLRef url,
                                                 CFDataRef* resourceData,
                                                 CFDictionaryRef* properties,
                                                 CFArrayRef desiredProperties, SInt32* errorCode);
Boolean CFURLWriteDataAndPropertiesToResource(CFURLRef url, CFDataRef dataToWrite,
                                              CFDictionaryRef propertiesToWrite, SInt32* errorCode);

// Not a platform call: writes a file URL's bytes safely where others may plant files (/tmp).
// The bytes go to a new private file in the same folder, which gets `mode` (exactly, whatever
// the umask; kZEQModeFromUmask for 0666 less the umask, as for a newly created file) and is
// then renamed over the URL's name. So the file appears complete or not at all, and a file or
// link found under the name is replaced, never followed or written through; a name that
// cannot be replaced (another user's, in a sticky folder) leaves it alone and fails with a
// CFURLError in errorCode.
enum : SInt32 { kZEQModeFromUmask = -1 };
Boolean ZEQURLWriteDataReplacing(CFURLRef url, CFDataRef dataToWrite, SInt32 mode,
                                 SInt32* errorCode);
