// The plug-in shell as a print dialog meets it: the bundle loaded through the plug-in model,
// its factory, the IUnknown instance, and the ten operations of the dialog-extension interface.
#include <gtest/gtest.h>

#include <string>

#include "platform/CoreFoundation.h"
#include "platform/PMPrintingDialogExtensions.h"

namespace {

#define kBundleIDText "com.vorel.print.pde.4B7D2E91-6C3A-11DB-9F05-00A0C9D4E2B7.ImSh"
#define kPSDataKey CFSTR("ZEQ.PSData." kBundleIDText)

std::string Utf8(CFStringRef s) {
    char buffer[512];
    if (!s || !CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8))
        return "<null>";
    return buffer;
}

CFUUIDRef NewUUID(const char* text) {
    CFStringRef s = CFStringCreateWithCString(nullptr, text, kCFStringEncodingASCII);
    CFUUIDRef uuid = CFUUIDCreateFromString(nullptr, s);
    CFRelease(s);
    return uuid;
}

// The built bundle, registered once for the whole program as a print dialog would.
CFPlugInRef PlugIn() {
    static CFPlugInRef plugIn = [] {
        CFURLRef url = CFURLCreateFromFileSystemRepresentation(
            nullptr, reinterpret_cast<const UInt8*>(ZEQ_PLUGIN_DIR), sizeof ZEQ_PLUGIN_DIR - 1,
            true);
        CFPlugInRef made = CFPlugInCreate(nullptr, url);
        CFRelease(url);
        return made;
    }();
    return plugIn;
}

class PlugInShell : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(PlugIn(), nullptr) << ZEQ_PLUGIN_DIR;
        mType = NewUUID(kPrinterPDETypeIDStr);
        mFactory = NewUUID(ZEQ_FACTORY_ID);
    }
    void TearDown() override {
        CFRelease(mType);
        CFRelease(mFactory);
    }

    // A factory instance for the dialog-extension type and its interface object.
    IUnknownVTbl** NewInstance() {
        return static_cast<IUnknownVTbl**>(CFPlugInInstanceCreate(nullptr, mFactory, mType));
    }
    PlugInIntf* NewInterface(IUnknownVTbl** instance) {
        CFUUIDRef intf = NewUUID(kDialogExtensionIntfIDStr);
        void* object = nullptr;
        HRESULT result = (*instance)->QueryInterface(instance, CFUUIDGetUUIDBytes(intf), &object);
        CFRelease(intf);
        EXPECT_EQ(result, S_OK);
        return static_cast<PlugInIntf*>(object);
    }
    // Slot 1 clears the pointer it is given.
    static void ReleaseInterface(PlugInIntf* intf) {
        PlugInIntf* pointer = intf;
        EXPECT_EQ(intf->vtable->Release(&pointer), noErr);
        EXPECT_EQ(pointer, nullptr);
    }

    CFUUIDRef mType = nullptr;
    CFUUIDRef mFactory = nullptr;
};

TEST_F(PlugInShell, FactoryServesTheListedTypeOnly) {
    CFArrayRef factories = CFPlugInFindFactoriesForPlugInTypeInPlugIn(mType, PlugIn());
    ASSERT_EQ(CFArrayGetCount(factories), 1);
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(factories, 0), mFactory));
    CFRelease(factories);

    // The factory function itself, found by the name the information property list gives.
    auto factory = reinterpret_cast<CFPlugInFactoryFunction>(
        CFBundleGetFunctionPointerForName(PlugIn(), CFSTR("ImageShiftPluginFactory")));
    ASSERT_NE(factory, nullptr);
    CFUUIDRef other = NewUUID("0E7C9B10-1111-4222-8333-944455556666");
    EXPECT_EQ(factory(nullptr, other), nullptr);
    EXPECT_EQ(factory(nullptr, nullptr), nullptr);
    EXPECT_EQ(CFPlugInInstanceCreate(nullptr, mFactory, other), nullptr);
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(mFactory), 0);
    CFRelease(other);

    IUnknownVTbl** instance = NewInstance();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(mFactory), 1);
    EXPECT_EQ((*instance)->Release(instance), 0u);
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(mFactory), 0);
}

TEST_F(PlugInShell, InstanceFollowsIUnknown) {
    IUnknownVTbl** instance = NewInstance();
    ASSERT_NE(instance, nullptr);

    // An identifier the instance does not serve: E_NOINTERFACE and no interface.
    CFUUIDRef unknown = NewUUID("A996FD7E-B738-11D3-8519-0050E4603278");
    void* out = instance;
    EXPECT_EQ((*instance)->QueryInterface(instance, CFUUIDGetUUIDBytes(unknown), &out),
              static_cast<HRESULT>(0x80000004));
    EXPECT_EQ(out, nullptr);
    CFRelease(unknown);

    // IUnknown answers with the instance itself and raises its count.
    out = nullptr;
    EXPECT_EQ((*instance)->QueryInterface(instance, CFUUIDGetUUIDBytes(IUnknownUUID), &out), S_OK);
    EXPECT_EQ(out, instance);
    EXPECT_EQ((*instance)->AddRef(instance), 3u);
    EXPECT_EQ((*instance)->Release(instance), 2u);
    EXPECT_EQ((*instance)->Release(instance), 1u);

    // The dialog-extension interface is an object of its own: the instance's count stays.
    PlugInIntf* intf = NewInterface(instance);
    ASSERT_NE(intf, nullptr);
    EXPECT_NE(static_cast<void*>(intf), static_cast<void*>(instance));
    EXPECT_EQ(intf->refCount, 1u);
    EXPECT_EQ((*instance)->AddRef(instance), 2u);
    EXPECT_EQ((*instance)->Release(instance), 1u);
    ReleaseInterface(intf);

    EXPECT_EQ((*instance)->Release(instance), 0u);
    EXPECT_EQ(CFPlugInGetInstanceCountForFactory(mFactory), 0);
}

TEST_F(PlugInShell, SlotsWithoutContextAndThePrologue) {
    IUnknownVTbl** instance = NewInstance();
    ASSERT_NE(instance, nullptr);
    PlugInIntf* intf = NewInterface(instance);
    ASSERT_NE(intf, nullptr);
    const PlugInIntfVTable& slots = *intf->vtable;

    EXPECT_EQ(slots.Retain(intf), noErr);  // opens the shared interface file
    EXPECT_EQ(intf->refCount, 2u);
    PMPlugInAPIVersion version{9, 9, 9, 9};
    EXPECT_EQ(slots.GetAPIVersion(intf, &version), noErr);
    EXPECT_EQ(version.buildVersionMajor, 1u);
    EXPECT_EQ(version.buildVersionMinor, 0u);
    EXPECT_EQ(version.baseVersionMajor, 1u);
    EXPECT_EQ(version.baseVersionMinor, 0u);

    // Slots 4 to 9 without a context.
    PMPDEFlags flags = 7;
    CFArrayRef titles = nullptr, values = nullptr;
    EXPECT_EQ(slots.Initialize(nullptr, &flags, 0, nullptr, nullptr), kPMNoPDEContext);
    EXPECT_EQ(slots.Sync(nullptr, nullptr, true), kPMNoPDEContext);
    EXPECT_EQ(slots.Sync(nullptr, nullptr, false), kPMNoPDEContext);
    EXPECT_EQ(slots.GetSummaryText(nullptr, &titles, &values), kPMNoPDEContext);
    EXPECT_EQ(slots.Open(nullptr), kPMNoPDEContext);
    EXPECT_EQ(slots.Close(nullptr), kPMNoPDEContext);
    EXPECT_EQ(slots.Terminate(nullptr, noErr), kPMNoPDEContext);

    // The prologue makes a context and gives the plug-in's identity.
    PMPDEContext context = nullptr;
    OSType creator = 0;
    CFStringRef kind = nullptr, title = nullptr;
    UInt32 maxH = 0, maxV = 0;
    ASSERT_EQ(slots.Prologue(&context, &creator, &kind, &title, &maxH, &maxV), noErr);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(creator, OSType{0x5A455131});  // 'ZEQ1'
    EXPECT_EQ(Utf8(kind), kBundleIDText);
    EXPECT_EQ(Utf8(title), "Image Shift");
    EXPECT_EQ(maxH, 525u);
    EXPECT_EQ(maxV, 200u);
    CFRelease(kind);  // the kind is the caller's, the title stays the context's

    // A context without a session: no printer to handle, nothing to summarise.
    EXPECT_EQ(slots.Initialize(context, &flags, 0, nullptr, nullptr), 1);
    EXPECT_EQ(slots.Sync(context, nullptr, false), 1);
    EXPECT_EQ(slots.GetSummaryText(context, &titles, &values), noErr);
    EXPECT_EQ(titles, nullptr);
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(slots.Open(context), noErr);
    EXPECT_EQ(slots.Close(context), noErr);
    EXPECT_EQ(slots.Terminate(context, noErr), noErr);

    ReleaseInterface(intf);  // the Retain's count
    EXPECT_EQ(intf->refCount, 1u);
    ReleaseInterface(intf);  // the last: the object is gone
    EXPECT_EQ((*instance)->Release(instance), 0u);
}

// A session data entry holding a ticket: its 32-bit handle.
void PutTicket(PMPrintSession session, CFStringRef name, PMTicketRef ticket) {
    SInt32 handle = static_cast<SInt32>(reinterpret_cast<intptr_t>(ticket));
    CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &handle);
    PMSessionSetDataInSession(session, name, number);
    CFRelease(number);
}

TEST_F(PlugInShell, PrinterWithoutPPDLeavesTheContextInactive) {
    IUnknownVTbl** instance = NewInstance();
    ASSERT_NE(instance, nullptr);
    PlugInIntf* intf = NewInterface(instance);
    ASSERT_NE(intf, nullptr);
    const PlugInIntfVTable& slots = *intf->vtable;
    ASSERT_EQ(slots.Retain(intf), noErr);

    // A printer that is no PostScript printer: its information ticket has no compiled PPD.
    PMPrintSession session = nullptr;
    ASSERT_EQ(PMCreateSession(&session), noErr);
    PMPrinter printer = PMPrinterCreate(CFSTR("Plain"), nullptr, nullptr);
    PMSessionSetCurrentPMPrinter(session, printer);
    PMRelease(printer);
    PMTicketRef printerInfo = nullptr, pageFormat = nullptr, printSettings = nullptr;
    PMTicketCreate(nullptr, kPMPrinterInfoTicket, &printerInfo);
    PMTicketCreate(nullptr, kPMPageFormatTicket, &pageFormat);
    PMTicketCreate(nullptr, kPMPrintSettingsTicket, &printSettings);
    PMTicketSetCFString(printerInfo, CFSTR("host"),
                        CFSTR("com.apple.print.PrinterInfo.PMPrinterLongName"), CFSTR("Plain"),
                        kPMLocked);
    // Left by an earlier job on another printer.
    PMTicketSetCFString(printSettings, CFSTR(kBundleIDText), kPSDataKey, CFSTR("/tmp/Vorel.temp1"),
                        kPMUnlocked);
    PutTicket(session, kPMPrinterInfoTicketKey, printerInfo);
    PutTicket(session, kPMPageFormatTicketKey, pageFormat);
    PutTicket(session, kPMPrintSettingsTicketKey, printSettings);

    PMPDEContext context = nullptr;
    OSType creator = 0;
    CFStringRef kind = nullptr, title = nullptr;
    UInt32 maxH = 0, maxV = 0;
    ASSERT_EQ(slots.Prologue(&context, &creator, &kind, &title, &maxH, &maxV), noErr);
    CFRelease(kind);
    PMPDEFlags flags = 7;
    EXPECT_EQ(slots.Initialize(context, &flags, 0, nullptr, session), 1);
    EXPECT_EQ(flags, kPMPDENoFlags);

    // A committing Sync on the inactive context answers with the status of finding the print
    // settings and writes nothing; there is no summary.
    EXPECT_EQ(slots.Sync(context, session, false), noErr);
    CFArrayRef keys = nullptr;
    ASSERT_EQ(PMTicketCopyKeys(printSettings, &keys), noErr);
    EXPECT_EQ(CFArrayGetCount(keys), 1);
    CFRelease(keys);
    CFStringRef path = nullptr;
    EXPECT_EQ(PMTicketGetCFString(printSettings, kPMTopLevel, kPMTopLevel, kPSDataKey, &path),
              noErr);
    EXPECT_EQ(Utf8(path), "/tmp/Vorel.temp1");
    CFArrayRef titles = nullptr, values = nullptr;
    EXPECT_EQ(slots.GetSummaryText(context, &titles, &values), noErr);
    EXPECT_EQ(titles, nullptr);

    EXPECT_EQ(slots.Terminate(context, noErr), noErr);
    PMTicketReleaseAndClear(&printerInfo);
    PMTicketReleaseAndClear(&pageFormat);
    PMTicketReleaseAndClear(&printSettings);
    PMRelease(session);
    ReleaseInterface(intf);
    ReleaseInterface(intf);
    EXPECT_EQ((*instance)->Release(instance), 0u);
}

}  // namespace
