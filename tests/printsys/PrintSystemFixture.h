// What the print-system glue needs around it, for the tests and the benchmarks: a plug-in
// bundle with its list of supported printers, and a print session with a current printer and a
// print settings ticket.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/CFBundle.h"
#include "platform/CoreFoundation.h"
#include "platform/PMPrinting.h"
#include "tests/platform/TempFolder.h"

namespace printsys_fixture {

inline CFStringRef NewString(const std::string& text) {
    return CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8);
}

inline CFURLRef NewFileURL(const std::string& path, bool isDirectory = false) {
    return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                   reinterpret_cast<const UInt8*>(path.c_str()),
                                                   static_cast<CFIndex>(path.size()), isDirectory);
}

// Writes `plist` as an XML property list to `path`; false when it cannot be written.
inline bool WritePropertyList(const std::string& path, CFPropertyListRef plist) {
    CFDataRef xml = CFPropertyListCreateXMLData(nullptr, plist);
    if (xml == nullptr)
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(CFDataGetBytePtr(xml)), CFDataGetLength(xml));
    CFRelease(xml);
    return static_cast<bool>(out);
}

// A "PrinterList.plist" root dictionary with `names` under "PCFILENAME".
inline CFDictionaryRef NewPrinterList(const std::vector<std::string>& names) {
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    for (const std::string& name : names) {
        CFStringRef s = NewString(name);
        CFArrayAppendValue(array, s);
        CFRelease(s);
    }
    const void* keys[] = {CFSTR("PCFILENAME")};
    const void* values[] = {array};
    CFDictionaryRef root = CFDictionaryCreate(
        nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFRelease(array);
    return root;
}

// The plug-in bundle `dir`/Name.plugin with the identifier `identifier`, and, unless
// `pcFileNames` is null, its list of supported printers. Made known to the process (a bundle
// lives while it is held); released at the end.
class TestBundle {
public:
    TestBundle(const std::string& dir, const std::string& identifier,
               const std::vector<std::string>* pcFileNames)
        : mPath(dir + "/PPDLoc.plugin") {
        std::filesystem::create_directories(mPath + "/Contents/Resources");
        CFStringRef id = NewString(identifier);
        const void* keys[] = {CFSTR("CFBundleIdentifier"), CFSTR("CFBundleName"),
                              CFSTR("CFBundlePackageType"), CFSTR("CFBundleDevelopmentRegion")};
        const void* values[] = {id, CFSTR("PPDLoc"), CFSTR("BNDL"), CFSTR("en")};
        CFDictionaryRef info =
            CFDictionaryCreate(nullptr, keys, values, 4, &kCFTypeDictionaryKeyCallBacks,
                               &kCFTypeDictionaryValueCallBacks);
        WritePropertyList(mPath + "/Contents/Info.plist", info);
        CFRelease(info);
        CFRelease(id);
        if (pcFileNames != nullptr) {
            CFDictionaryRef list = NewPrinterList(*pcFileNames);
            WritePropertyList(PrinterListPath(), list);
            CFRelease(list);
        }
        CFURLRef url = NewFileURL(mPath, true);
        mBundle = CFBundleCreate(nullptr, url);
        CFRelease(url);
    }
    ~TestBundle() {
        if (mBundle != nullptr)
            CFRelease(mBundle);
    }
    TestBundle(const TestBundle&) = delete;
    TestBundle& operator=(const TestBundle&) = delete;

    CFBundleRef Bundle() const { return mBundle; }
    const std::string& Path() const { return mPath; }
    std::string PrinterListPath() const { return mPath + "/Contents/PrinterList.plist"; }

private:
    std::string mPath;
    CFBundleRef mBundle = nullptr;
};

// A print session whose current printer has a name, a device URI (may be empty) and a PPD
// (may be empty), with a print settings ticket under "PMPrintSettingsTicket".
class TestSession {
public:
    TestSession(const std::string& printerName, const std::string& deviceURI,
                const std::string& ppdPath) {
        PMCreateSession(&mSession);
        CFStringRef name = NewString(printerName);
        CFStringRef uriText = deviceURI.empty() ? nullptr : NewString(deviceURI);
        CFURLRef uri = uriText ? CFURLCreateWithString(nullptr, uriText, nullptr) : nullptr;
        CFURLRef ppd = ppdPath.empty() ? nullptr : NewFileURL(ppdPath);
        mPrinter = PMPrinterCreate(name, uri, ppd);
        PMSessionSetCurrentPMPrinter(mSession, mPrinter);
        for (CFTypeRef made : {static_cast<CFTypeRef>(name), static_cast<CFTypeRef>(uriText),
                               static_cast<CFTypeRef>(uri), static_cast<CFTypeRef>(ppd)})
            if (made != nullptr)
                CFRelease(made);
        PMTicketCreate(nullptr, kPMPrintSettingsTicket, &mSettings);
        SetPrintSettings(mSettings);
    }
    ~TestSession() {
        if (mSettings != nullptr)
            PMTicketRelease(mSettings);
        if (mPrinter != nullptr)
            PMRelease(mPrinter);
        if (mSession != nullptr)
            PMRelease(mSession);
    }
    TestSession(const TestSession&) = delete;
    TestSession& operator=(const TestSession&) = delete;

    // Puts `ticket` in the session as its print settings, under its 32-bit number (the
    // session does not hold the ticket: the caller keeps it alive).
    void SetPrintSettings(PMTicketRef ticket) {
        const SInt32 number = static_cast<SInt32>(reinterpret_cast<intptr_t>(ticket));
        CFNumberRef value = CFNumberCreate(nullptr, kCFNumberSInt32Type, &number);
        PMSessionSetDataInSession(mSession, kPMPrintSettingsTicketKey, value);
        CFRelease(value);
    }

    PMPrintSession Session() const { return mSession; }
    PMPrinter Printer() const { return mPrinter; }
    PMTicketRef PrintSettings() const { return mSettings; }

private:
    PMPrintSession mSession = nullptr;
    PMPrinter mPrinter = nullptr;
    PMTicketRef mSettings = nullptr;
};

}  // namespace printsys_fixture
