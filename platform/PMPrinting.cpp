// Printing Manager print sessions and printers: reference-counted objects with session data by
// name, a current printer, and each printer's name, device URI and description file.
#include "platform/PMPrinting.h"

#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/AllocationHook.h"

namespace {

enum class Kind { kSession, kPrinter };

struct PMObjectBase {
    explicit PMObjectBase(Kind k) : kind(k) {}
    virtual ~PMObjectBase() = default;
    PMObjectBase(const PMObjectBase&) = delete;
    PMObjectBase& operator=(const PMObjectBase&) = delete;

    const Kind kind;
    int32_t refCount = 1;
};

}  // namespace

struct OpaquePMPrinter : PMObjectBase {
    OpaquePMPrinter() : PMObjectBase(Kind::kPrinter) {}
    ~OpaquePMPrinter() override {
        CFRelease(name);
        CFRelease(deviceURI);
        CFRelease(ppdURL);
    }
    CFStringRef name = nullptr;
    CFURLRef deviceURI = nullptr;
    CFURLRef ppdURL = nullptr;
};

struct OpaquePMPrintSession : PMObjectBase {
    OpaquePMPrintSession() : PMObjectBase(Kind::kSession) {}
    ~OpaquePMPrintSession() override;
    CFMutableDictionaryRef data = nullptr;
    OpaquePMPrinter* printer = nullptr;
};

namespace {

// Every live session and printer, so that a released or made-up reference is answered with an
// error instead of being followed. One lock guards the set and the objects' contents.
struct Objects {
    std::mutex lock;
    std::unordered_set<const void*> live;
};

Objects& TheObjects() {
    static Objects* objects = new Objects;
    return *objects;
}

PMObjectBase* Live(const void* object, Kind kind) {
    if (object == nullptr || TheObjects().live.count(object) == 0) {
        return nullptr;
    }
    PMObjectBase* base = static_cast<PMObjectBase*>(const_cast<void*>(object));
    return base->kind == kind ? base : nullptr;
}

OpaquePMPrintSession* LiveSession(PMPrintSession session) {
    return static_cast<OpaquePMPrintSession*>(Live(session, Kind::kSession));
}

OpaquePMPrinter* LivePrinter(PMPrinter printer) {
    return static_cast<OpaquePMPrinter*>(Live(printer, Kind::kPrinter));
}

// Enters a new object in the live set; false (object deleted) when memory runs out.
template <typename T>
T* Register(T* object) {
    if (object == nullptr) {
        return nullptr;
    }
    try {
        TheObjects().live.insert(object);
    } catch (const std::bad_alloc&) {
        delete object;
        return nullptr;
    }
    return object;
}

// Drops one reference, with the lock held; the last one removes and destroys the object.
void ReleaseLocked(PMObjectBase* object) {
    if (--object->refCount > 0) {
        return;
    }
    TheObjects().live.erase(object);
    delete object;
}

// Run `use` on the live session or printer named, with the lock held; the kind's error when
// it names none.
template <typename Use>
OSStatus WithSession(PMPrintSession session, Use use) {
    std::lock_guard<std::mutex> guard(TheObjects().lock);
    OpaquePMPrintSession* s = LiveSession(session);
    return s != nullptr ? use(s) : OSStatus{kPMInvalidPrintSession};
}

template <typename Use>
OSStatus WithPrinter(PMPrinter printer, Use use) {
    std::lock_guard<std::mutex> guard(TheObjects().lock);
    OpaquePMPrinter* p = LivePrinter(printer);
    return p != nullptr ? use(p) : OSStatus{kPMInvalidPrinter};
}

bool IsKey(CFStringRef key) {
    return key != nullptr && CFGetTypeID(key) == CFStringGetTypeID() && CFStringGetLength(key) > 0;
}

}  // namespace

OpaquePMPrintSession::~OpaquePMPrintSession() {
    CFRelease(data);
    if (printer != nullptr) {
        ReleaseLocked(printer);
    }
}

OSStatus PMCreateSession(PMPrintSession* session) {
    if (session == nullptr) {
        return paramErr;
    }
    *session = nullptr;
    if (!ZEQPlatformAllocationAllowed()) {
        return memFullErr;
    }
    OpaquePMPrintSession* made = new (std::nothrow) OpaquePMPrintSession;
    if (made == nullptr) {
        return memFullErr;
    }
    made->data = CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                           &kCFTypeDictionaryValueCallBacks);
    if (made->data == nullptr) {
        delete made;
        return memFullErr;
    }
    std::lock_guard<std::mutex> guard(TheObjects().lock);
    *session = Register(made);
    return *session != nullptr ? noErr : memFullErr;
}

OSStatus PMSessionGetDataFromSession(PMPrintSession session, CFStringRef key, CFTypeRef* data) {
    if (data == nullptr) {
        return paramErr;
    }
    *data = nullptr;
    return WithSession(session, [&](OpaquePMPrintSession* s) -> OSStatus {
        if (!IsKey(key)) {
            return kPMInvalidKey;
        }
        *data = CFDictionaryGetValue(s->data, key);
        return *data != nullptr ? OSStatus{noErr} : kPMNoSuchEntry;
    });
}

OSStatus PMSessionSetDataInSession(PMPrintSession session, CFStringRef key, CFTypeRef data) {
    return WithSession(session, [&](OpaquePMPrintSession* s) -> OSStatus {
        if (!IsKey(key)) {
            return kPMInvalidKey;
        }
        if (data == nullptr) {
            CFDictionaryRemoveValue(s->data, key);
            return noErr;
        }
        CFDictionarySetValue(s->data, key, data);
        return CFDictionaryGetValue(s->data, key) == data ? noErr : memFullErr;
    });
}

OSStatus PMSessionGetCurrentPrinter(PMPrintSession session, PMPrinter* printer) {
    if (printer == nullptr) {
        return paramErr;
    }
    *printer = nullptr;
    return WithSession(session, [&](OpaquePMPrintSession* s) -> OSStatus {
        *printer = s->printer;
        return *printer != nullptr ? OSStatus{noErr} : kPMInvalidPrinter;
    });
}

OSStatus PMSessionSetCurrentPMPrinter(PMPrintSession session, PMPrinter printer) {
    return WithSession(session, [&](OpaquePMPrintSession* s) -> OSStatus {
        OpaquePMPrinter* p = LivePrinter(printer);
        if (p == nullptr) {
            return kPMInvalidPrinter;
        }
        ++p->refCount;
        if (s->printer != nullptr) {
            ReleaseLocked(s->printer);
        }
        s->printer = p;
        return noErr;
    });
}

PMPrinter PMPrinterCreate(CFStringRef name, CFURLRef deviceURI, CFURLRef ppdURL) {
    if (!ZEQPlatformAllocationAllowed()) {
        return nullptr;
    }
    OpaquePMPrinter* made = new (std::nothrow) OpaquePMPrinter;
    if (made == nullptr) {
        return nullptr;
    }
    made->name = static_cast<CFStringRef>(CFRetain(name));
    made->deviceURI = static_cast<CFURLRef>(CFRetain(deviceURI));
    made->ppdURL = static_cast<CFURLRef>(CFRetain(ppdURL));
    std::lock_guard<std::mutex> guard(TheObjects().lock);
    return Register(made);
}

CFStringRef PMPrinterGetName(PMPrinter printer) {
    std::lock_guard<std::mutex> guard(TheObjects().lock);
    OpaquePMPrinter* p = LivePrinter(printer);
    return p != nullptr ? p->name : nullptr;
}

OSStatus PMPrinterGetDeviceURI(PMPrinter printer, CFURLRef* deviceURI) {
    if (deviceURI == nullptr) {
        return paramErr;
    }
    *deviceURI = nullptr;
    return WithPrinter(printer, [&](OpaquePMPrinter* p) -> OSStatus {
        *deviceURI = p->deviceURI;
        return *deviceURI != nullptr ? OSStatus{noErr} : kPMKeyNotFound;
    });
}

OSStatus PMPrinterGetDescriptionURL(PMPrinter printer, CFStringRef descriptionType,
                                    CFURLRef* fileURL) {
    if (fileURL == nullptr) {
        return paramErr;
    }
    *fileURL = nullptr;
    return WithPrinter(printer, [&](OpaquePMPrinter* p) -> OSStatus {
        if (!IsKey(descriptionType) || !CFEqual(descriptionType, kPMPPDDescriptionType)) {
            return kPMInvalidKey;
        }
        *fileURL = p->ppdURL;
        return *fileURL != nullptr ? OSStatus{noErr} : kPMKeyNotFound;
    });
}

OSStatus PMRetain(PMObject object) {
    std::lock_guard<std::mutex> guard(TheObjects().lock);
    if (object == nullptr || TheObjects().live.count(object) == 0) {
        return paramErr;
    }
    PMObjectBase* base = static_cast<PMObjectBase*>(const_cast<void*>(object));
    if (base->refCount == INT32_MAX) {
        return memFullErr;
    }
    ++base->refCount;
    return noErr;
}

OSStatus PMRelease(PMObject object) {
    std::lock_guard<std::mutex> guard(TheObjects().lock);
    if (object == nullptr || TheObjects().live.count(object) == 0) {
        return paramErr;
    }
    ReleaseLocked(static_cast<PMObjectBase*>(const_cast<void*>(object)));
    return noErr;
}
