// Interface-file references: the file is read and checked when opened; each window request
// builds a new window from it.
#include "platform/controls/IBCarbonRuntime.h"

#include <cstdio>
#include <new>

#include "platform/controls/ControlsInternal.h"
#include "platform/controls/InterfaceFile.h"

struct OpaqueIBNibRef {
    std::unique_ptr<InterfaceFile> file;
    std::string path;
};

OSStatus CreateNibReferenceWithCFURL(CFURLRef inFileURL, IBNibRef* outNibRef) {
    if (inFileURL == nullptr || outNibRef == nullptr) {
        return paramErr;
    }
    *outNibRef = nullptr;
    UInt8 path[4096];
    if (!CFURLGetFileSystemRepresentation(inFileURL, true, path, sizeof(path))) {
        return kIBCarbonRuntimeCantFindNibFile;
    }
    auto* nib = new (std::nothrow) OpaqueIBNibRef;
    if (nib == nullptr) {
        return memFullErr;
    }
    nib->path = reinterpret_cast<const char*>(path);
    std::string error;
    nib->file = InterfaceFile::Read(nib->path, &error);
    if (nib->file == nullptr) {
        std::fprintf(stderr, "interface file %s: %s\n", nib->path.c_str(), error.c_str());
        delete nib;
        return kIBCarbonRuntimeCantFindNibFile;
    }
    *outNibRef = nib;
    return noErr;
}

OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName,
                                        IBNibRef* outNibRef) {
    if (inBundle == nullptr || inNibName == nullptr || outNibRef == nullptr) {
        return paramErr;
    }
    *outNibRef = nullptr;
#ifdef ZEQ_CONTROLS_HAVE_BUNDLE
    CFURLRef url = CFBundleCopyResourceURL(inBundle, inNibName, CFSTR("ui"), nullptr);
    if (url == nullptr) {
        return kIBCarbonRuntimeCantFindNibFile;
    }
    OSStatus status = CreateNibReferenceWithCFURL(url, outNibRef);
    CFRelease(url);
    return status;
#else
    return kIBCarbonRuntimeCantFindNibFile;
#endif
}

void DisposeNibReference(IBNibRef inNibRef) {
    delete inNibRef;
}

OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow) {
    if (inNibRef == nullptr || inName == nullptr || outWindow == nullptr) {
        return paramErr;
    }
    std::string error;
    OSStatus status = inNibRef->file->CreateWindow(controls::ToUTF8(controls::ToUTF16(inName)),
                                                   outWindow, &error);
    if (status != noErr) {
        std::fprintf(stderr, "interface file %s: %s\n", inNibRef->path.c_str(), error.c_str());
    }
    return status;
}
