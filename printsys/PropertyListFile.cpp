// Property-list files read whole on construction and written back whole, and the dialog
// extension's list of supported printers in its bundle's "Contents" folder.
#include "printsys/PropertyListFile.h"

#include <cstdlib>
#include <string>

#include "platform/TextEncodingConverter.h"

// Without a URL nothing is read and loaded stays false; the other constructors start here.
PropertyListFile::PropertyListFile(CFURLRef url, bool writable,
                                   CFPropertyListMutabilityOptions mutability)
    : mURL(nullptr),
      mData(nullptr),
      mPlist(nullptr),
      mWritable(writable),
      mLoaded(false),
      mError(noErr) {
    if (url == nullptr)
        return;
    mURL = CFURLCopyAbsoluteURL(url);
    if (mURL == nullptr)
        return;
    CreatePropertyListFromFile(mURL, mutability);
    mLoaded = true;
}

PropertyListFile::PropertyListFile(CFURLRef dir, CFStringRef name, bool writable,
                                   CFPropertyListMutabilityOptions mutability)
    : PropertyListFile(static_cast<CFURLRef>(nullptr), writable, mutability) {
    if (dir == nullptr || name == nullptr)
        return;
    mURL = CFURLCreateCopyAppendingPathComponent(nullptr, dir, name, false);
    if (mURL == nullptr)
        return;
    CreatePropertyListFromFile(mURL, mutability);
    mLoaded = true;
}

// Without "HOME" there is no folder to be relative to, and so no URL: loaded stays false
// rather than reading a path relative to the working folder.
PropertyListFile::PropertyListFile(const char* relativePath, bool writable,
                                   CFPropertyListMutabilityOptions mutability)
    : PropertyListFile(static_cast<CFURLRef>(nullptr), writable, mutability) {
    const char* home = getenv("HOME");
    if (home == nullptr || relativePath == nullptr)
        return;
    std::string path;
    try {
        path = std::string(home) + relativePath;
    } catch (const std::bad_alloc&) {
        mError = memFullErr;
        return;
    }
    CFStringRef text =
        CFStringCreateWithCString(nullptr, path.c_str(), GetApplicationTextEncoding());
    if (text == nullptr)
        return;
    mURL = CFURLCreateWithFileSystemPath(nullptr, text, kCFURLPOSIXPathStyle, false);
    CFRelease(text);
    if (mURL == nullptr)
        return;
    CreatePropertyListFromFile(mURL, mutability);
    mLoaded = true;
}

PropertyListFile::~PropertyListFile() {
    if (mURL != nullptr)
        CFRelease(mURL);
    if (mData != nullptr)
        CFRelease(mData);
    if (mPlist != nullptr)
        CFRelease(mPlist);
}

bool PropertyListFile::CreatePropertyListFromFile(CFURLRef url,
                                                  CFPropertyListMutabilityOptions mutability) {
    if (mData != nullptr) {
        CFRelease(mData);
        mData = nullptr;
    }
    if (mPlist != nullptr) {
        CFRelease(mPlist);
        mPlist = nullptr;
    }
    SInt32 error = noErr;
    const bool read =
        CFURLCreateDataAndPropertiesFromResource(nullptr, url, &mData, nullptr, nullptr, &error);
    mError = error;
    if (read && mData != nullptr)
        mPlist = CFPropertyListCreateFromXMLData(nullptr, mData, mutability, nullptr);
    return read;
}

bool PropertyListFile::Save(CFArrayRef array) {
    mError = noErr;
    CFDataRef xml = array != nullptr ? CFPropertyListCreateXMLData(nullptr, array) : nullptr;
    if (xml == nullptr) {
        mError = memFullErr;
        return false;
    }
    if (mData != nullptr)
        CFRelease(mData);
    mData = xml;
    SInt32 error = noErr;
    const bool written = CFURLWriteDataAndPropertiesToResource(mURL, mData, nullptr, &error);
    mError = error;
    return written;
}

// The file comes from the bundle, but is read as untrusted all the same: a root that is not a
// dictionary, or a "PCFILENAME" that is not an array, makes the list not valid.
PrinterListFile::PrinterListFile(CFURLRef contentsURL, CFPropertyListMutabilityOptions mutability)
    : PropertyListFile(contentsURL, CFSTR("PrinterList.plist"), false, mutability),
      mPCFileNames(nullptr) {
    if (!mLoaded)
        return;
    CFTypeRef names = nullptr;
    if (mPlist != nullptr && CFGetTypeID(mPlist) == CFDictionaryGetTypeID())
        names = CFDictionaryGetValue(static_cast<CFDictionaryRef>(mPlist), CFSTR("PCFILENAME"));
    if (names != nullptr && CFGetTypeID(names) == CFArrayGetTypeID())
        mPCFileNames = static_cast<CFArrayRef>(names);
    mLoaded = mPCFileNames != nullptr;
}

PrinterListFile::~PrinterListFile() = default;
