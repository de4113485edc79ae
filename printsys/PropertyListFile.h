// Property-list files: one read into memory on construction and written back whole, and the
// dialog extension's list of supported printers, "PrinterList.plist".
#pragma once

#include "platform/CoreFoundation.h"

class PropertyListFile {
public:
    PropertyListFile(CFURLRef url, bool writable, CFPropertyListMutabilityOptions mutability);
    PropertyListFile(CFURLRef dir, CFStringRef name, bool writable,
                     CFPropertyListMutabilityOptions mutability);
    // "HOME" followed directly by relativePath.
    PropertyListFile(const char* relativePath, bool writable,
                     CFPropertyListMutabilityOptions mutability);
    virtual ~PropertyListFile();
    PropertyListFile(const PropertyListFile&) = delete;
    PropertyListFile& operator=(const PropertyListFile&) = delete;

    bool CreatePropertyListFromFile(CFURLRef url, CFPropertyListMutabilityOptions mutability);
    bool Save(CFArrayRef array);

    CFURLRef GetURL() const { return mURL; }
    CFDataRef GetData() const { return mData; }
    CFPropertyListRef GetPropertyList() const { return mPlist; }
    bool IsLoaded() const { return mLoaded; }
    int32_t GetError() const { return mError; }

protected:
    CFURLRef mURL;
    CFDataRef mData;
    CFPropertyListRef mPlist;
    bool mWritable;
    bool mLoaded;
    int32_t mError;
};

class PrinterListFile : public PropertyListFile {
public:
    PrinterListFile(CFURLRef contentsURL, CFPropertyListMutabilityOptions mutability);
    ~PrinterListFile() override;

    // The "PCFILENAME" array (belongs to the file's property list); null when not valid.
    CFArrayRef GetPCFileNames() const { return mPCFileNames; }
    // Loaded means valid: the array was found.
    bool IsValid() const { return mLoaded; }

private:
    CFArrayRef mPCFileNames;
};
