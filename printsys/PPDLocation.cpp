// The current printer's PPD file, its set-up into a parsed model checked against the dialog
// extension's list of supported printers, and the printer's name and connection.
#include "printsys/PPDLocation.h"

#include <new>

#include "imageshift/PDEBundle.h"
#include "parser/ZEQPPD.h"
#include "printsys/PropertyListFile.h"

namespace {

// Orphans and hidden elements are kept: the dialog decides what to show.
constexpr _PARSE_OPTIONS_ kSetupParseOptions = kParseKeepOrphans | kParseKeepHidden;

// Whether the current printer's device URI has exactly this scheme (case counts).
bool HasConnectionScheme(OpaquePMPrintSession* session, CFStringRef wanted) {
    CFStringRef scheme = GetPrinterConnectionType(session);
    if (scheme == nullptr)
        return false;
    const bool same = CFStringCompare(scheme, wanted, 0) == kCFCompareEqualTo;
    CFRelease(scheme);
    return same;
}

}  // namespace

OSStatus GetPPDFile(OpaquePMPrintSession* session, CFURLRef& url, FSRef& ref) {
    url = nullptr;
    PMPrinter printer = nullptr;
    OSStatus result = PMSessionGetCurrentPrinter(session, &printer);
    if (result != noErr)
        return result;
    result = PMPrinterGetDescriptionURL(printer, kPMPPDDescriptionType, &url);
    if (result != noErr)
        return result;
    return CFURLGetFSRef(url, &ref) ? noErr : fnfErr;
}

ZEQPPD* SetupPPD(OpaquePMPrintSession* session, CFStringRef bundleID) {
    CFURLRef url = nullptr;
    FSRef ref;
    if (GetPPDFile(session, url, ref) != noErr)
        return nullptr;
    CFURLRef contentsURL = CreatePDEContentsURL(bundleID);
    if (contentsURL == nullptr)
        return nullptr;
    PrinterListFile printerList(contentsURL, kCFPropertyListImmutable);
    // The list keeps a URL of its own: the folder's is not needed past this point.
    CFRelease(contentsURL);
    if (!printerList.IsValid())
        return nullptr;
    // The model is handed over even when its printer-name or PPD check failed: the caller
    // looks at both.
    return new (std::nothrow) ZEQPPD(url, kSetupParseOptions, printerList.GetPCFileNames());
}

CFStringRef GetPrinterConnectionType(OpaquePMPrintSession* session) {
    PMPrinter printer = nullptr;
    if (PMSessionGetCurrentPrinter(session, &printer) != noErr)
        return nullptr;
    CFURLRef deviceURI = nullptr;
    if (PMPrinterGetDeviceURI(printer, &deviceURI) != noErr || deviceURI == nullptr)
        return nullptr;
    return CFURLCopyScheme(deviceURI);
}

bool isUSBPrinterConnection(OpaquePMPrintSession* session) {
    return HasConnectionScheme(session, CFSTR("usb"));
}

bool isAppleTalkPrinterConnection(OpaquePMPrintSession* session) {
    return HasConnectionScheme(session, CFSTR("pap"));
}

bool isIPPrinterConnection(OpaquePMPrintSession* session) {
    return HasConnectionScheme(session, CFSTR("ipp"));
}

CFStringRef GetCurrentPrinterName(OpaquePMPrintSession* session) {
    PMPrinter printer = nullptr;
    if (PMSessionGetCurrentPrinter(session, &printer) != noErr)
        return nullptr;
    return PMPrinterGetName(printer);
}
