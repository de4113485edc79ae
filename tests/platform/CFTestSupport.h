// Tests' helpers over Core Foundation objects: strings, URLs and dictionaries turned into
// std::string for comparison, and folder URLs and bundles made from paths.
#pragma once

#include <limits.h>
#include <stdlib.h>

#include <string>

#include "platform/CFBundle.h"
#include "platform/CoreFoundation.h"

// The UTF-8 text of a string; "<null>" for none or one that does not convert.
inline std::string Utf8(CFStringRef s) {
    char buffer[1024];
    if (!s || !CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8))
        return "<null>";
    return buffer;
}

// The text of a string the caller owns, releasing it.
inline std::string Take(CFStringRef s) {
    std::string text = Utf8(s);
    if (s)
        CFRelease(s);
    return text;
}

// The path of a URL the caller owns, releasing it; "<null>" for none.
inline std::string TakePath(CFURLRef url) {
    if (!url)
        return "<null>";
    std::string path = Take(CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle));
    CFRelease(url);
    return path;
}

inline CFURLRef FolderURL(const std::string& path) {
    return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                   reinterpret_cast<const UInt8*>(path.c_str()),
                                                   static_cast<CFIndex>(path.size()), true);
}

// The bundle of a folder (a new reference), or null.
inline CFBundleRef BundleAt(const std::string& path) {
    CFURLRef url = FolderURL(path);
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    CFRelease(url);
    return bundle;
}

// The path with symbolic links resolved, as bundles give their paths.
inline std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : path;
}

// The string under a UTF-8 key; "<absent>" when there is none.
inline std::string TextFor(CFDictionaryRef table, const char* key) {
    CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
    const void* value = CFDictionaryGetValue(table, k);
    CFRelease(k);
    return value ? Utf8(static_cast<CFStringRef>(value)) : "<absent>";
}
