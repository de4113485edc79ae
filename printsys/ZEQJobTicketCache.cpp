// The parsed-PPD cache in the print settings: the model's settings container, flattened and
// wrapped in an XML property list, under the bundle identifier, with what identifies the PPD
// it was made from beside it; and the rebuild of a model from it.
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <new>

#include "parser/ZEQPPD.h"
#include "imageshift/PDEBundle.h"
#include "printsys/PropertyListFile.h"
#include "printsys/ZEQJobTicket.h"
#include "settings/CacheFormat.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"

namespace {

// A cache claiming more property pages than this is not trusted.
constexpr int32_t kMaxCachedPropertyPages = 10000;

// Releases a Core Foundation object when it goes out of scope.
template <typename Ref>
class Owned {
public:
    explicit Owned(Ref ref = nullptr) : mRef(ref) {}
    ~Owned() {
        if (mRef != nullptr)
            CFRelease(mRef);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Ref get() const { return mRef; }

private:
    Ref mRef;
};

// The name of the PPD's identity beside the cache: the key followed by ".PPDURL".
CFStringRef CreateIdentityKey(CFStringRef key) {
    return CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@.PPDURL"), key);
}

OSStatus StatusFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
            return fnfErr;
        case ENOMEM:
            return memFullErr;
        default:
            return ioErr;
    }
}

SInt64 Nanoseconds(const timespec& t) {
    return static_cast<SInt64>(t.tv_sec) * 1000000000 + static_cast<SInt64>(t.tv_nsec);
}

bool AddNumber(CFMutableDictionaryRef dict, CFStringRef key, SInt64 value) {
    CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt64Type, &value);
    if (number == nullptr)
        return false;
    CFDictionarySetValue(dict, key, number);
    CFRelease(number);
    return true;
}

// What identifies the PPD a cache is made from. A cache is answered only for the PPD it was
// made from, as that file is now: a driver update, or another printer's PPD, must never get
// the model of a file that is gone. Recorded: the file's absolute URL, and from its status
// (the file the URL leads to, links followed) the device and file numbers, the size, and the
// modification and status-change times to the nanosecond.
//
// The status is chosen over a digest of the contents. A driver update either puts a new file
// in place (new file number) or rewrites the old one (new modification and status-change
// times); a copy or a package manager may set the modification time back, but no one can set
// the status-change time, so a rewrite in place that keeps size and modification time is seen
// too. A digest would see the same, but reads the whole file on every set-up, 5 MB for a PPD
// of 10,000 controls, where the status is one system call; the cache is there to spare the
// set-up the file. What a status cannot see is a second rewrite within the clock tick of the
// first, both before the save took the status. A change of owner, mode or links also changes
// the status-change time and costs one parse: the safe side.
CFDictionaryRef CreatePPDIdentity(CFURLRef ppdURL, OSStatus& result) {
    result = paramErr;
    if (ppdURL == nullptr)
        return nullptr;
    UInt8 path[PATH_MAX];
    if (!CFURLGetFileSystemRepresentation(ppdURL, true, path, sizeof path))
        return nullptr;
    struct stat status;
    if (stat(reinterpret_cast<const char*>(path), &status) != 0) {
        result = StatusFromErrno(errno);
        return nullptr;
    }
    result = memFullErr;
    Owned<CFURLRef> absolute(CFURLCopyAbsoluteURL(ppdURL));
    CFStringRef text = absolute.get() != nullptr ? CFURLGetString(absolute.get()) : nullptr;
    if (text == nullptr)
        return nullptr;
    CFMutableDictionaryRef identity = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    if (identity == nullptr)
        return nullptr;
    CFDictionarySetValue(identity, CFSTR("URL"), text);
    const bool complete =
        AddNumber(identity, CFSTR("Device"), static_cast<SInt64>(status.st_dev)) &&
        AddNumber(identity, CFSTR("Inode"), static_cast<SInt64>(status.st_ino)) &&
        AddNumber(identity, CFSTR("Size"), static_cast<SInt64>(status.st_size)) &&
        AddNumber(identity, CFSTR("Modified"), Nanoseconds(status.st_mtim)) &&
        AddNumber(identity, CFSTR("Changed"), Nanoseconds(status.st_ctim));
    if (!complete) {
        CFRelease(identity);
        return nullptr;
    }
    result = noErr;
    return identity;
}

// The settings container of a cache item: the XML property list's data read into
// `container`. The decoded bytes go as soon as the container holds its copy of them, before
// the model is rebuilt. False for an item that is not such a property list, or when the
// container refuses the bytes (`result` then says why).
bool ReadCache(CFDataRef xml, Settings& container, int32_t& result) {
    Owned<CFPropertyListRef> plist(
        CFPropertyListCreateFromXMLData(nullptr, xml, kCFPropertyListImmutable, nullptr));
    if (plist.get() == nullptr || CFGetTypeID(plist.get()) != CFDataGetTypeID())
        return false;
    CFDataStream stream(static_cast<CFDataRef>(plist.get()));
    result = container.Read(&stream, 0);
    return result == noErr;
}

}  // namespace

// Besides the cache, the PPD's identity goes under the key followed by ".PPDURL" (see
// CreatePPDIdentity). The identity of an earlier save is removed before the new cache is
// written and the new one is written last, so that a cache never stands beside the identity
// of another PPD: a save that fails half-way leaves a cache without identity, which
// RestorePPD refuses. Without a PPD whose status can be read the cache could never be
// restored, and nothing is written.
bool ZEQJobTicket::SavePPD(ZEQPPD* ppd, CFStringRef key, CFURLRef ppdURL) {
    mLastError = noErr;
    if (key == nullptr || ppd == nullptr || mPrintSettings == nullptr)
        return false;
    OSStatus result = noErr;
    Owned<CFDictionaryRef> identity(CreatePPDIdentity(ppdURL, result));
    Owned<CFStringRef> identityKey(CreateIdentityKey(key));
    if (identity.get() == nullptr || identityKey.get() == nullptr) {
        mLastError = identity.get() == nullptr ? result : memFullErr;
        return false;
    }

    Settings container;
    CFDataStream stream;
    if (!ppd->Save(container))
        return false;
    mLastError = container.Save(&stream);
    if (mLastError != noErr)
        return false;
    Owned<CFDataRef> xml(
        stream.data() != nullptr ? CFPropertyListCreateXMLData(nullptr, stream.data()) : nullptr);
    if (xml.get() == nullptr)
        return false;

    const OSStatus removed = mPrintSettings->Release(identityKey.get());
    if (removed != noErr && removed != kPMKeyNotFound) {
        mLastError = removed;
        return false;
    }
    mLastError = mPrintSettings->Set(key, key, xml.get(), 0);
    if (mLastError != noErr)
        return false;
    mLastError = mPrintSettings->Set(key, identityKey.get(), identity.get(), 0);
    return mLastError == noErr;
}

// The identity beside the cache is compared before anything of the cache is read: a PPD that
// moved, changed or is missing, or a cache without identity, is refused at the cost of two
// ticket look-ups and one status.
ZEQPPD* ZEQJobTicket::RestorePPD(CFStringRef key, CFURLRef ppdURL) {
    if (key == nullptr || mPrintSettings == nullptr)
        return nullptr;
    CFDataRef xml = nullptr;
    mLastError = mPrintSettings->Get(key, xml);
    if (mLastError != noErr || xml == nullptr)
        return nullptr;

    Owned<CFStringRef> identityKey(CreateIdentityKey(key));
    if (identityKey.get() == nullptr) {
        mLastError = memFullErr;
        return nullptr;
    }
    CFDictionaryRef saved = nullptr;
    mLastError = mPrintSettings->Get(identityKey.get(), saved);
    if (mLastError != noErr)
        return nullptr;
    OSStatus result = noErr;
    Owned<CFDictionaryRef> current(CreatePPDIdentity(ppdURL, result));
    if (current.get() == nullptr) {
        mLastError = result;
        return nullptr;
    }
    if (saved == nullptr || !CFEqual(saved, current.get()))
        return nullptr;

    Owned<CFURLRef> contentsURL(CreatePDEContentsURL(key));
    if (contentsURL.get() == nullptr)
        return nullptr;
    PrinterListFile printerList(contentsURL.get(), kCFPropertyListImmutable);
    if (!printerList.IsValid())
        return nullptr;

    Settings container;
    if (!ReadCache(xml, container, mLastError))
        return nullptr;
    long size = 0;
    if (container.Get(ppdcache::kPropertiesTag, ppdcache::kPropertiesCountId, nullptr, size) ==
            noErr &&
        size == sizeof(int32_t)) {
        int32_t pages = 0;
        container.Get(ppdcache::kPropertiesTag, ppdcache::kPropertiesCountId, &pages, size);
        if (pages > kMaxCachedPropertyPages)
            return nullptr;
    }

    ZEQPPD* ppd = new (std::nothrow) ZEQPPD(container, ppdURL, printerList.GetPCFileNames());
    if (ppd == nullptr)
        return nullptr;
    if (ppd->IsValidPrinterName() && ppd->IsValidPPD())
        return ppd;
    delete ppd;
    return nullptr;
}
