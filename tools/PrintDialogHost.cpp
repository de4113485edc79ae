// The print dialog's side of a dialog extension, headless: session, printer and tickets, the
// extension's bundle, factory, interface and ten operations, and the dialog's window.
#include "tools/PrintDialogHost.h"

#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "imageshift/ImageShiftPlugIn.h"
#include "platform/CoreFoundation.h"
#include "platform/controls/Controls.h"
#include "platform/controls/MacWindows.h"

namespace {

#define kPrinterInfoPrefix "com.apple.print.PrinterInfo."
#define kCompiledPPDKey CFSTR(kPrinterInfoPrefix "PMCompiledPPD")
#define kLongNameKey CFSTR(kPrinterInfoPrefix "PMPrinterLongName")
#define kMakeAndModelKey CFSTR(kPrinterInfoPrefix "PMMakeAndModelName")
#define kDescriptionFileKey CFSTR(kPrinterInfoPrefix "PMDescriptionFile")
#define kOrientationKey CFSTR("com.apple.print.PageFormat.PMOrientation")
#define kHostClientID CFSTR("imageshift-dialog")
#define kJobTicketKeyPrefix "ZEQ.PSData."

constexpr SInt16 kPaneLeft = 20, kPaneTop = 20, kPaneWidth = 525, kPaneHeight = 200;
// Far more than the PostScript of any PPD's Image Shift controls.
constexpr off_t kMaxJobTicketBytes = 16L * 1024 * 1024;
// Deep enough for any ticket this dialog writes; deeper values are cut rather than followed.
constexpr int kMaxJsonDepth = 16;

std::string Utf8(CFStringRef s) {
    if (!s)
        return {};
    CFIndex size =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8) + 1;
    std::string text(static_cast<size_t>(size), '\0');
    if (!CFStringGetCString(s, text.data(), size, kCFStringEncodingUTF8))
        return {};
    text.resize(std::strlen(text.c_str()));
    return text;
}

CFStringRef NewString(const std::string& text) {
    return CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
}

CFURLRef NewFileURL(const std::string& path, bool directory) {
    CFStringRef s = NewString(path);
    if (!s)
        return nullptr;
    CFURLRef url =
        CFURLCreateWithFileSystemPath(kCFAllocatorDefault, s, kCFURLPOSIXPathStyle, directory);
    CFRelease(s);
    return url;
}

// Session data holds a ticket as its 32-bit handle.
void PutTicket(PMPrintSession session, CFStringRef name, PMTicketRef ticket) {
    SInt32 handle = static_cast<SInt32>(reinterpret_cast<intptr_t>(ticket));
    CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &handle);
    if (number) {
        PMSessionSetDataInSession(session, name, number);
        CFRelease(number);
    }
}

nlohmann::ordered_json ToJson(CFTypeRef value, int depth) {
    if (!value || depth > kMaxJsonDepth)
        return nullptr;
    CFTypeID type = CFGetTypeID(value);
    if (type == CFStringGetTypeID())
        return Utf8(static_cast<CFStringRef>(value));
    if (type == CFBooleanGetTypeID())
        return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0;
    if (type == CFNumberGetTypeID()) {
        CFNumberRef n = static_cast<CFNumberRef>(value);
        if (CFNumberIsFloatType(n)) {
            double d = 0;
            CFNumberGetValue(n, kCFNumberDoubleType, &d);
            return d;
        }
        SInt64 i = 0;
        CFNumberGetValue(n, kCFNumberSInt64Type, &i);
        return i;
    }
    if (type == CFDataGetTypeID()) {
        CFDataRef d = static_cast<CFDataRef>(value);
        gchar* text = g_base64_encode(CFDataGetBytePtr(d), static_cast<gsize>(CFDataGetLength(d)));
        std::string encoded = text ? text : "";
        g_free(text);
        return encoded;
    }
    if (type == CFArrayGetTypeID()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        CFArrayRef a = static_cast<CFArrayRef>(value);
        for (CFIndex i = 0; i < CFArrayGetCount(a); ++i)
            list.push_back(ToJson(CFArrayGetValueAtIndex(a, i), depth + 1));
        return list;
    }
    if (type == CFDictionaryGetTypeID()) {
        CFDictionaryRef d = static_cast<CFDictionaryRef>(value);
        CFIndex count = CFDictionaryGetCount(d);
        std::vector<const void*> keys(static_cast<size_t>(count)),
            values(static_cast<size_t>(count));
        CFDictionaryGetKeysAndValues(d, keys.data(), values.data());
        std::vector<std::pair<std::string, CFTypeRef>> items;
        for (CFIndex i = 0; i < count; ++i) {
            CFTypeRef key = keys[static_cast<size_t>(i)];
            if (key && CFGetTypeID(key) == CFStringGetTypeID())
                items.emplace_back(Utf8(static_cast<CFStringRef>(key)),
                                   values[static_cast<size_t>(i)]);
        }
        std::sort(items.begin(), items.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (const auto& [key, item] : items)
            object[key] = ToJson(item, depth + 1);
        return object;
    }
    return nullptr;
}

}  // namespace

PrintDialogHost::PrintDialogHost() {
    mPreviousBackend = ControlsSetBackend(&mBackend);
    mUser = std::make_unique<SimulatedUser>(mBackend);
}

PrintDialogHost::~PrintDialogHost() {
    Finish();
    ReleaseSession();
    if (mPageFormat)
        PMTicketReleaseAndClear(&mPageFormat);
    if (mPrintSettings)
        PMTicketReleaseAndClear(&mPrintSettings);
    if (mWindow)
        DisposeWindow(mWindow);
    if (mInstance)
        (*mInstance)->Release(mInstance);
    ControlsSetBackend(mPreviousBackend);
}

bool PrintDialogHost::LoadPlugIn(const std::string& bundlePath) {
    CFURLRef url = NewFileURL(bundlePath, true);
    mPlugIn = url ? CFPlugInCreate(kCFAllocatorDefault, url) : nullptr;
    if (url)
        CFRelease(url);
    if (!mPlugIn) {
        mError = bundlePath + ": not a plug-in bundle";
        return false;
    }
    CFUUIDRef type = CFUUIDCreateFromString(kCFAllocatorDefault, CFSTR(kPrinterPDETypeIDStr));
    CFArrayRef factories =
        type ? CFPlugInFindFactoriesForPlugInTypeInPlugIn(type, mPlugIn) : nullptr;
    if (factories && CFArrayGetCount(factories) > 0) {
        auto factory = static_cast<CFUUIDRef>(CFArrayGetValueAtIndex(factories, 0));
        mInstance =
            static_cast<IUnknownVTbl**>(CFPlugInInstanceCreate(kCFAllocatorDefault, factory, type));
    }
    if (factories)
        CFRelease(factories);
    if (type)
        CFRelease(type);
    if (!mInstance) {
        mError = bundlePath + ": no factory of a printer dialog extension could be called";
        return false;
    }
    CFUUIDRef intf = CFUUIDCreateFromString(kCFAllocatorDefault, CFSTR(kDialogExtensionIntfIDStr));
    void* object = nullptr;
    HRESULT result =
        intf ? (*mInstance)->QueryInterface(mInstance, CFUUIDGetUUIDBytes(intf), &object)
             : E_NOINTERFACE;
    if (intf)
        CFRelease(intf);
    mInterface = static_cast<PlugInIntf*>(object);
    if (result != S_OK || !mInterface) {
        mError = bundlePath + ": the plug-in has no dialog-extension interface";
        return false;
    }
    return true;
}

bool PrintDialogHost::UseSettingsFile(const std::string& path) {
    mSettingsPath = path;
    // An existing file must be a regular one: it is replaced whole after a print.
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        mError = path + ": not a regular file";
        return false;
    }
    if (access(path.c_str(), F_OK) == 0 && access(path.c_str(), R_OK) != 0) {
        mError = path + ": cannot read the print settings";
        return false;
    }
    return true;
}

bool PrintDialogHost::MakeSession(const Printer& printer) {
    mPrinter = printer;
    if (PMCreateSession(&mSession) != noErr)
        return false;
    CFStringRef name = NewString(printer.name);
    CFStringRef uriText = NewString(printer.deviceURI);
    CFURLRef uri = uriText ? CFURLCreateWithString(kCFAllocatorDefault, uriText, nullptr) : nullptr;
    CFURLRef ppd = NewFileURL(printer.ppdPath, false);
    PMPrinter pmPrinter = PMPrinterCreate(name, uri, ppd);
    if (pmPrinter) {
        PMSessionSetCurrentPMPrinter(mSession, pmPrinter);
        PMRelease(pmPrinter);
    }

    // The printer information: a PostScript printer has its compiled PPD.
    PMTicketCreate(kCFAllocatorDefault, kPMPrinterInfoTicket, &mPrinterInfo);
    PMTicketSetCFString(mPrinterInfo, kHostClientID, kLongNameKey, name, kPMLocked);
    PMTicketSetCFString(mPrinterInfo, kHostClientID, kMakeAndModelKey, name, kPMLocked);
    CFStringRef ppdPath = NewString(printer.ppdPath);
    struct stat st;
    if (ppdPath && stat(printer.ppdPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        PMTicketSetCFString(mPrinterInfo, kHostClientID, kCompiledPPDKey, ppdPath, kPMLocked);
        PMTicketSetCFString(mPrinterInfo, kHostClientID, kDescriptionFileKey, ppdPath, kPMLocked);
    }
    PutTicket(mSession, kPMPrinterInfoTicketKey, mPrinterInfo);

    // The page set-up and the print settings stay when another printer is picked.
    if (!mPageFormat) {
        PMTicketCreate(kCFAllocatorDefault, kPMPageFormatTicket, &mPageFormat);
        PMTicketSetSInt32(mPageFormat, kHostClientID, kOrientationKey, 1, kPMUnlocked);
    }
    PutTicket(mSession, kPMPageFormatTicketKey, mPageFormat);

    // The print settings of the last run, or empty ones.
    if (!mPrintSettings && !mSettingsPath.empty() &&
        PMTicketReadXMLFromFile(&mPrintSettings, mSettingsPath.c_str()) != noErr) {
        if (access(mSettingsPath.c_str(), F_OK) == 0)
            std::fprintf(
                stderr,
                "imageshift-dialog: %s: not a print settings file; starting with empty settings\n",
                mSettingsPath.c_str());
        mPrintSettings = nullptr;
    }
    if (!mPrintSettings)
        PMTicketCreate(kCFAllocatorDefault, kPMPrintSettingsTicket, &mPrintSettings);
    PutTicket(mSession, kPMPrintSettingsTicketKey, mPrintSettings);

    for (CFTypeRef object :
         {CFTypeRef(name), CFTypeRef(uriText), CFTypeRef(uri), CFTypeRef(ppd), CFTypeRef(ppdPath)})
        if (object)
            CFRelease(object);
    return mPrinterInfo && mPageFormat && mPrintSettings;
}

void PrintDialogHost::ReleaseSession() {
    if (mPrinterInfo)
        PMTicketReleaseAndClear(&mPrinterInfo);
    if (mSession) {
        PMRelease(mSession);
        mSession = nullptr;
    }
}

bool PrintDialogHost::OpenPrinter(const Printer& printer) {
    if (!mInterface)
        return false;
    if (!mWindow) {
        Rect content{0, 0, kPaneTop + kPaneHeight + 60, kPaneLeft + kPaneWidth + 20};
        if (CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &content, &mWindow) != noErr)
            return false;
        SetWindowTitleWithCFString(mWindow, CFSTR("Print"));
        Rect print{SInt16(content.bottom - 40), SInt16(content.right - 100),
                   SInt16(content.bottom - 20), SInt16(content.right - 20)};
        CreatePushButtonControl(mWindow, &print, CFSTR("Print"), &mPrintButton);
        SetWindowDefaultButton(mWindow, mPrintButton);
        static const EventTypeSpec kHit[] = {{kEventClassControl, kEventControlHit}};
        InstallControlEventHandler(mPrintButton, NewEventHandlerUPP(PrintHit),
                                   GetEventTypeCount(kHit), kHit, this, &mPrintHandler);
        ShowWindow(mWindow);
        mUser->SetWindow(mWindow);
    }
    if (!MakeSession(printer)) {
        mError = "the print session cannot be made";
        return false;
    }
    if (!mRetained) {
        (*mInterface->vtable->Retain)(mInterface);
        mRetained = true;
    }
    PMPlugInAPIVersion version{};
    (*mInterface->vtable->GetAPIVersion)(mInterface, &version);
    return StartExtension();
}

bool PrintDialogHost::StartExtension() {
    // Each extension gets a pane of its own: the controls of one that was terminated go with
    // their pane, so that nothing can reach a panel that is gone.
    if (!mPane) {
        Rect pane{kPaneTop, kPaneLeft, kPaneTop + kPaneHeight, kPaneLeft + kPaneWidth};
        if (CreateUserPaneControl(mWindow, &pane, 0, &mPane) != noErr) {
            mError = "the dialog's pane cannot be made";
            return false;
        }
    }
    OSType creator = 0;
    CFStringRef kind = nullptr, title = nullptr;
    UInt32 maxH = 0, maxV = 0;
    OSStatus status =
        (*mInterface->vtable->Prologue)(&mContext, &creator, &kind, &title, &maxH, &maxV);
    if (kind)
        CFRelease(kind);
    if (status != noErr || !mContext) {
        mError = "the extension could not be made (status " + std::to_string(status) + ")";
        mContext = nullptr;
        return false;
    }
    PMPDEFlags flags = 0;
    mInitializeStatus = (*mInterface->vtable->Initialize)(mContext, &flags, 0, mPane, mSession);
    mActive = mInitializeStatus == noErr;
    (*mInterface->vtable->Open)(mContext);
    mOpen = true;
    return true;
}

void PrintDialogHost::StopExtension() {
    if (!mContext)
        return;
    if (mOpen)
        (*mInterface->vtable->Close)(mContext);
    mOpen = false;
    (*mInterface->vtable->Terminate)(mContext, noErr);
    mContext = nullptr;
    mActive = false;
    DisposeControl(mPane);
    mPane = nullptr;
}

void PrintDialogHost::Finish() {
    StopExtension();
    // One Release for the Retain, one for the interface QueryInterface made; Release clears
    // the pointer it is given.
    if (mInterface && mRetained) {
        PlugInIntf* retained = mInterface;
        (*mInterface->vtable->Release)(&retained);
        mRetained = false;
    }
    if (mInterface)
        (*mInterface->vtable->Release)(&mInterface);
}

OSStatus PrintDialogHost::PrintHit(EventHandlerCallRef, EventRef, void* self) {
    static_cast<PrintDialogHost*>(self)->mPrintHit = true;
    return noErr;
}

bool PrintDialogHost::ClickPrint() {
    mPrintHit = false;
    mUser->Click(mPrintButton);
    if (!mPrintHit)
        return false;  // the panel kept the click: a value was out of range
    if (mContext) {
        (*mInterface->vtable->Sync)(mContext, mSession, false);
        WriteSettings();
    }
    mPrinted = true;
    return true;
}

bool PrintDialogHost::WriteSettings() {
    if (mSettingsPath.empty() || !mPrintSettings)
        return true;
    if (PMTicketWriteXMLToFile(mPrintSettings, mSettingsPath.c_str()) != noErr) {
        std::fprintf(stderr, "imageshift-dialog: %s: the print settings cannot be written\n",
                     mSettingsPath.c_str());
        return false;
    }
    return true;
}

bool PrintDialogHost::SwitchPrinter(const Printer& printer) {
    StopExtension();
    ReleaseSession();
    if (!MakeSession(printer)) {
        mError = "the print session cannot be made";
        return false;
    }
    return StartExtension();
}

bool PrintDialogHost::Reload() {
    if (!mContext)
        return false;
    OSStatus status = (*mInterface->vtable->Sync)(mContext, mSession, true);
    mActive = status == noErr;
    return true;
}

void PrintDialogHost::SetOrientation(bool portrait) {
    PMTicketSetSInt32(mPageFormat, kHostClientID, kOrientationKey, portrait ? 1 : 2, kPMUnlocked);
    if (!mContext)
        return;
    (*mInterface->vtable->Close)(mContext);
    (*mInterface->vtable->Open)(mContext);
}

std::vector<std::pair<std::string, std::string>> PrintDialogHost::Summary() {
    std::vector<std::pair<std::string, std::string>> lines;
    if (!mContext)
        return lines;
    CFArrayRef titles = nullptr, values = nullptr;
    if ((*mInterface->vtable->GetSummaryText)(mContext, &titles, &values) != noErr)
        return lines;
    CFIndex count =
        titles && values ? std::min(CFArrayGetCount(titles), CFArrayGetCount(values)) : 0;
    for (CFIndex i = 0; i < count; ++i)
        lines.emplace_back(Utf8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(titles, i))),
                           Utf8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(values, i))));
    if (titles)
        CFRelease(titles);
    if (values)
        CFRelease(values);
    return lines;
}

bool PrintDialogHost::RestoredFromCache() {
    CFTypeRef value = nullptr;
    return mSession &&
           PMSessionGetDataFromSession(mSession, kImageShiftPPDFromCacheKey, &value) == noErr &&
           value == kCFBooleanTrue;
}

bool PrintDialogHost::ReadJobTicket(JobTicketFile& out, std::string* why) {
    out = {};
    CFArrayRef keys = nullptr;
    if (!mPrintSettings || PMTicketCopyKeys(mPrintSettings, &keys) != noErr || !keys)
        return false;
    CFStringRef path = nullptr;
    for (CFIndex i = 0; i < CFArrayGetCount(keys) && !path; ++i) {
        auto key = static_cast<CFStringRef>(CFArrayGetValueAtIndex(keys, i));
        if (Utf8(key).rfind(kJobTicketKeyPrefix, 0) == 0)
            PMTicketGetCFString(mPrintSettings, kPMTopLevel, kPMTopLevel, key, &path);
    }
    CFRelease(keys);
    if (!path)
        return false;
    out.path = Utf8(path);
    // The path comes from the print settings: only a regular file of a job ticket's size is read.
    struct stat st;
    if (stat(out.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > kMaxJobTicketBytes) {
        if (why)
            *why = "is not a job-ticket file";
        return true;
    }
    CFURLRef url = NewFileURL(out.path, false);
    CFDataRef data = nullptr;
    SInt32 error = 0;
    if (!url || !CFURLCreateDataAndPropertiesFromResource(kCFAllocatorDefault, url, &data, nullptr,
                                                          nullptr, &error)) {
        if (why)
            *why = "cannot be read";
        if (url)
            CFRelease(url);
        return true;
    }
    CFRelease(url);
    CFPropertyListRef list = CFPropertyListCreateWithData(
        kCFAllocatorDefault, data, kCFPropertyListImmutable, nullptr, nullptr);
    CFRelease(data);
    if (!list || CFGetTypeID(list) != CFArrayGetTypeID()) {
        if (why)
            *why = "is not a list of PostScript entries";
        if (list)
            CFRelease(list);
        return true;
    }
    auto entries = static_cast<CFArrayRef>(list);
    for (CFIndex i = 0; i + 1 < CFArrayGetCount(entries); i += 2) {
        CFTypeRef site = CFArrayGetValueAtIndex(entries, i);
        CFTypeRef bytes = CFArrayGetValueAtIndex(entries, i + 1);
        SInt32 number = 0;
        if (!site || CFGetTypeID(site) != CFNumberGetTypeID() || !bytes ||
            CFGetTypeID(bytes) != CFDataGetTypeID())
            continue;
        CFNumberGetValue(static_cast<CFNumberRef>(site), kCFNumberSInt32Type, &number);
        auto d = static_cast<CFDataRef>(bytes);
        out.entries.emplace_back(number,
                                 std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(d)),
                                             static_cast<size_t>(CFDataGetLength(d))));
    }
    CFRelease(list);
    return true;
}

void PrintDialogHost::AddState(nlohmann::ordered_json& state) {
    state["active"] = mActive;
    state["restoredFromCache"] = RestoredFromCache();
    nlohmann::ordered_json summary = nlohmann::ordered_json::array();
    for (const auto& [title, value] : Summary())
        summary.push_back({title, value});
    state["summary"] = summary;
    nlohmann::ordered_json settings = nlohmann::ordered_json::object();
    CFArrayRef keys = nullptr;
    if (mPrintSettings && PMTicketCopyKeys(mPrintSettings, &keys) == noErr && keys) {
        std::vector<std::pair<std::string, CFStringRef>> sorted;
        for (CFIndex i = 0; i < CFArrayGetCount(keys); ++i) {
            auto key = static_cast<CFStringRef>(CFArrayGetValueAtIndex(keys, i));
            sorted.emplace_back(Utf8(key), key);
        }
        std::sort(sorted.begin(), sorted.end());
        for (const auto& [name, key] : sorted) {
            CFTypeRef item = nullptr;
            PMTicketGetItem(mPrintSettings, kPMTopLevel, kPMTopLevel, key, &item);
            settings[name] = ToJson(item, 0);
        }
        CFRelease(keys);
    }
    state["printSettings"] = settings;
    JobTicketFile ticket;
    if (ReadJobTicket(ticket)) {
        nlohmann::ordered_json entries = nlohmann::ordered_json::array();
        for (const auto& [site, text] : ticket.entries)
            entries.push_back({site, text});
        state["jobTicket"] = {{"path", ticket.path}, {"entries", entries}};
    } else {
        state["jobTicket"] = nullptr;
    }
}
