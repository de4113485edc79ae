// The plug-in shell: the factory and its IUnknown instance, the dialog extension's interface
// object with its ten operations over an ImageShiftPDE context, and the plug-in's identity.
#include "imageshift/ImageShiftPlugIn.h"

#include <cstdlib>
#include <new>

#include "imageshift/ImageShiftData.h"
#include "imageshift/ImageShiftPDE.h"
#include "imageshift/PDEBundle.h"
#include "platform/controls/IBCarbonRuntime.h"

namespace {

#define kBundleID CFSTR(kVendorReverseDNS ".print.pde.4B7D2E91-6C3A-11DB-9F05-00A0C9D4E2B7.ImSh")
#define kNIBFileName CFSTR("ImageShift")
#define kPSDataKeyPrefix CFSTR("ZEQ.PSData.")
constexpr OSType kCreator = 'ZEQ1';

// The interface file, opened by the first Retain of an interface object and closed when the
// last interface object goes; shared by every context of the process.
IBNibRef gPluginNIB = nullptr;

// The factory instance: its table pointer, the table itself right behind it, the factory
// identifier and the reference count.
struct FactoryInstance {
    const IUnknownVTbl* vtable;
    IUnknownVTbl table;
    CFUUIDRef factoryID;
    UInt32 refCount;
};

bool SameUUID(const CFUUIDBytes& a, CFUUIDRef b) {
    if (!b)
        return false;
    CFUUIDBytes bytes = CFUUIDGetUUIDBytes(b);
    const UInt8* x = &a.byte0;
    const UInt8* y = &bytes.byte0;
    for (int i = 0; i < 16; ++i)
        if (x[i] != y[i])
            return false;
    return true;
}

ImageShiftPDE* Context(PMPDEContext context) {
    return static_cast<ImageShiftPDE*>(context);
}

// ---- The ten operations ----

OSStatus Retain(PlugInIntf* obj) {
    if (obj)
        ++obj->refCount;
    if (gPluginNIB)
        return noErr;
    CFStringRef name = CreateNIBFileName();
    if (!name)
        return memFullErr;
    OSStatus status = CreateNibReferenceWithCFBundle(MyGetBundle(GetBundleID()), name, &gPluginNIB);
    CFRelease(name);
    return status;
}

OSStatus Release(PlugInIntf** objPtr) {
    if (!objPtr || !*objPtr)
        return noErr;
    PlugInIntf* obj = *objPtr;
    *objPtr = nullptr;
    if (obj->refCount > 0)
        --obj->refCount;
    if (obj->refCount == 0) {
        if (gPluginNIB) {
            DisposeNibReference(gPluginNIB);
            gPluginNIB = nullptr;
        }
        std::free(const_cast<PlugInIntfVTable*>(obj->vtable));
        std::free(obj);
    }
    return noErr;
}

OSStatus GetAPIVersion(PlugInIntf*, PMPlugInAPIVersion* version) {
    if (!version)
        return paramErr;
    version->buildVersionMajor = 1;
    version->buildVersionMinor = 0;
    version->baseVersionMajor = 1;
    version->baseVersionMinor = 0;
    return noErr;
}

OSStatus Prologue(PMPDEContext* context, OSType* creator, CFStringRef* kind, CFStringRef* title,
                  UInt32* maxH, UInt32* maxV) {
    ImageShiftPDE* pde = new (std::nothrow) ImageShiftPDE;
    if (!pde || !pde->IsConstructed()) {
        delete pde;
        *context = nullptr;
        return kPMNoPDEContext;
    }
    *context = pde;
    unsigned long width = 0, height = 0;
    pde->PaneSize(width, height);
    *maxH = static_cast<UInt32>(width);
    *maxV = static_cast<UInt32>(height);
    *title = pde->Title();
    *kind = CFStringCreateCopy(kCFAllocatorDefault, GetBundleID());
    GetCreatorID(*creator);
    return noErr;
}

OSStatus Initialize(PMPDEContext context, PMPDEFlags* flags, PMPDERef ref, ControlRef parentPane,
                    PMPrintSession session) {
    ImageShiftPDE* pde = Context(context);
    if (!pde || !pde->IsConstructed())
        return kPMNoPDEContext;
    return pde->Initialize(flags, ref, parentPane, session);
}

OSStatus Sync(PMPDEContext context, PMPrintSession session, Boolean reinitialize) {
    ImageShiftPDE* pde = Context(context);
    return pde ? pde->Sync(session, reinitialize != 0) : kPMNoPDEContext;
}

OSStatus GetSummaryText(PMPDEContext context, CFArrayRef* titles, CFArrayRef* values) {
    ImageShiftPDE* pde = Context(context);
    return pde ? pde->GetSummaryText(titles, values) : kPMNoPDEContext;
}

OSStatus Open(PMPDEContext context) {
    ImageShiftPDE* pde = Context(context);
    return pde ? pde->Open() : kPMNoPDEContext;
}

OSStatus Close(PMPDEContext context) {
    ImageShiftPDE* pde = Context(context);
    return pde ? pde->Close() : kPMNoPDEContext;
}

OSStatus Terminate(PMPDEContext context, OSStatus) {
    ImageShiftPDE* pde = Context(context);
    if (!pde)
        return kPMNoPDEContext;
    delete pde;
    return noErr;
}

// ---- IUnknown ----

ULONG AddRef(void* thisPointer) {
    auto* instance = static_cast<FactoryInstance*>(thisPointer);
    return ++instance->refCount;
}

ULONG ReleaseInstance(void* thisPointer) {
    auto* instance = static_cast<FactoryInstance*>(thisPointer);
    if (instance->refCount != 0)
        --instance->refCount;
    if (instance->refCount != 0)
        return instance->refCount;
    CFPlugInRemoveInstanceForFactory(instance->factoryID);
    CFRelease(instance->factoryID);
    std::free(instance);
    MyFreeBundle(GetBundleID());
    return 0;
}

HRESULT QueryInterface(void* thisPointer, REFIID iid, LPVOID* out) {
    if (SameUUID(iid, IUnknownUUID)) {
        AddRef(thisPointer);
        *out = thisPointer;
        return S_OK;
    }
    CFUUIDRef extension =
        CFUUIDCreateFromString(kCFAllocatorDefault, CFSTR(kDialogExtensionIntfIDStr));
    const bool isExtension = SameUUID(iid, extension);
    if (extension)
        CFRelease(extension);
    if (!isExtension) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The interface object has a count of its own; the instance's is not raised.
    auto* object = static_cast<PlugInIntf*>(std::malloc(sizeof(PlugInIntf)));
    auto* table = static_cast<PlugInIntfVTable*>(std::malloc(sizeof(PlugInIntfVTable)));
    if (!object || !table) {
        std::free(object);
        std::free(table);
        *out = nullptr;
        return S_OK;
    }
    *table = PlugInIntfVTable{Retain, Release,        GetAPIVersion, Prologue, Initialize,
                              Sync,   GetSummaryText, Open,          Close,    Terminate};
    object->vtable = table;
    object->refCount = 1;
    *out = object;
    return S_OK;
}

}  // namespace

extern "C" void* ImageShiftPluginFactory(CFAllocatorRef, CFUUIDRef typeID) {
    CFBundleRef bundle = MyGetBundle(GetBundleID());
    if (!bundle || !typeID)
        return nullptr;
    CFTypeRef types = CFBundleGetValueForInfoDictionaryKey(bundle, kCFPlugInTypesKey);
    if (!types || CFGetTypeID(types) != CFDictionaryGetTypeID())
        return nullptr;
    CFStringRef typeString = CFUUIDCreateString(kCFAllocatorDefault, typeID);
    if (!typeString)
        return nullptr;
    CFTypeRef factories = CFDictionaryGetValue(static_cast<CFDictionaryRef>(types), typeString);
    CFRelease(typeString);
    if (!factories || CFGetTypeID(factories) != CFArrayGetTypeID() ||
        CFArrayGetCount(static_cast<CFArrayRef>(factories)) == 0)
        return nullptr;
    CFTypeRef first = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(factories), 0);
    if (!first || CFGetTypeID(first) != CFStringGetTypeID())
        return nullptr;
    CFUUIDRef factoryID =
        CFUUIDCreateFromString(kCFAllocatorDefault, static_cast<CFStringRef>(first));
    if (!factoryID)
        return nullptr;
    auto* instance = static_cast<FactoryInstance*>(std::malloc(sizeof(FactoryInstance)));
    if (!instance) {
        CFRelease(factoryID);
        return nullptr;
    }
    instance->table = IUnknownVTbl{nullptr, QueryInterface, AddRef, ReleaseInstance};
    instance->vtable = &instance->table;
    instance->factoryID = factoryID;
    instance->refCount = 1;
    CFPlugInAddInstanceForFactory(factoryID);
    return instance;
}

CFStringRef GetBundleID() {
    return kBundleID;
}

CFBundleRef GetBundleRef() {
    return CFBundleGetBundleWithIdentifier(GetBundleID());
}

void GetCreatorID(OSType& creator) {
    creator = kCreator;
}

CFStringRef CreateNIBFileName() {
    return CFStringCreateCopy(kCFAllocatorDefault, kNIBFileName);
}

CFStringRef CreatePostscriptDataFileKey() {
    CFMutableStringRef key = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, kPSDataKeyPrefix);
    if (!key)
        return nullptr;
    CFStringAppend(key, GetBundleID());
    return key;
}
