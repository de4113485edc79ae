// The vendor job ticket: PostScript fragments with their injection sites, written as an XML
// property list into a "/tmp" file for the printer's filter, whose path goes into the print
// settings. (The parsed-PPD cache, SavePPD and RestorePPD, lives in ZEQJobTicketCache.cpp.)
#include "printsys/ZEQJobTicket.h"

#include <climits>
#include <cstdio>
#include <memory>
#include <new>

#include "PPDObjects/PPDXControl.h"
#include "foundation/ZEQAssert.h"
#include "platform/Random.h"

namespace {

// The filter finds the file by this name and reads it as another user: both are fixed.
constexpr const char kTicketFilePrefix[] = "/tmp/Vorel.temp";
constexpr SInt32 kTicketFileMode = 0666;

// PostScript up to this size is produced on the stack.
constexpr long kLocalPostScriptBytes = 1024;

#define kCopiesKey CFSTR("com.apple.print.PrintSettings.PMCopies")

CFMutableArrayRef NewInjections() {
    return CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
}

}  // namespace

ZEQJobTicket::ZEQJobTicket(PrintSettingsTicket* printSettings, CFStringRef key)
    : JobTicket(kPMPrintSettingsTicket),
      mPrintSettings(printSettings),
      mKey(nullptr),
      mCount(0),
      mInjections(nullptr),
      mDirty(true),
      mReady(false) {
    mLastError = noErr;
    if (printSettings == nullptr || key == nullptr) {
        return;
    }
    mKey = CFStringCreateCopy(kCFAllocatorDefault, key);
    // An earlier party may have left a number under the key in the session, standing for an
    // array of fragments it shared. A 32-bit number cannot carry an address on this platform
    // and nothing here hands out arrays by number, so such a number is looked up but never
    // followed: the job ticket always starts with an empty array of its own.
    long shared = 0;
    printSettings->Get(key, shared);
    mInjections = NewInjections();
    if (mKey == nullptr || mInjections == nullptr) {
        mLastError = memFullErr;
        return;
    }
    mReady = true;
}

ZEQJobTicket::~ZEQJobTicket() {
    if (mInjections != nullptr) {
        CFRelease(mInjections);
    }
    if (mKey != nullptr) {
        CFRelease(mKey);
    }
}

OSStatus ZEQJobTicket::Create() {
    CFMutableArrayRef made = NewInjections();
    if (made == nullptr) {
        mLastError = memFullErr;
        return mLastError;
    }
    if (mInjections != nullptr) {
        CFRelease(mInjections);
    }
    // The count follows the array it counts: a fresh array holds no fragments.
    mInjections = made;
    mCount = 0;
    mLastError = noErr;
    return mLastError;
}

bool ZEQJobTicket::Add(PostScriptInjectionSite site, unsigned char* bytes, unsigned long length) {
    mLastError = noErr;
    if (mInjections == nullptr || length == 0) {
        return true;
    }
    // A fragment is at most as long as a data object can be; bytes must be there to copy.
    if (bytes == nullptr || length > static_cast<unsigned long>(LONG_MAX)) {
        mLastError = paramErr;
        return false;
    }
    const SInt32 siteValue = site;
    CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &siteValue);
    CFDataRef data = CFDataCreate(kCFAllocatorDefault, bytes, static_cast<CFIndex>(length));
    bool added = false;
    if (number == nullptr || data == nullptr) {
        mLastError = memFullErr;
    } else {
        DebugPrintf("ZEQJobTicket::Add():\r");
        mDirty = true;
        const CFIndex before = CFArrayGetCount(mInjections);
        CFArrayAppendValue(mInjections, number);
        CFArrayAppendValue(mInjections, data);
        // The pair goes in whole or not at all.
        if (CFArrayGetCount(mInjections) == before + 2) {
            ++mCount;
            added = true;
        } else {
            while (CFArrayGetCount(mInjections) > before) {
                CFArrayRemoveValueAtIndex(mInjections, CFArrayGetCount(mInjections) - 1);
            }
            mLastError = memFullErr;
        }
    }
    if (number != nullptr) {
        CFRelease(number);
    }
    if (data != nullptr) {
        CFRelease(data);
    }
    return added;
}

bool ZEQJobTicket::Add(PostScriptInjectionSite site, PPDXControl* control) {
    if (control == nullptr) {
        return false;
    }
    const long length = control->PostScript(nullptr);
    if (length <= 0) {
        return Add(site, nullptr, 0);
    }
    unsigned char local[kLocalPostScriptBytes];
    unsigned char* buffer = local;
    if (length > kLocalPostScriptBytes) {
        buffer = new (std::nothrow) unsigned char[static_cast<size_t>(length)];
        if (buffer == nullptr) {
            mLastError = memFullErr;
            return false;
        }
    }
    long produced = control->PostScript(buffer);
    // The second call writes what the first announced; never believe it wrote more.
    if (produced > length) {
        produced = length;
    }
    const bool added = Add(site, buffer, produced > 0 ? static_cast<unsigned long>(produced) : 0);
    if (buffer != local) {
        delete[] buffer;
    }
    return added;
}

bool ZEQJobTicket::Save(CFStringRef clientID) {
    if (mPrintSettings == nullptr) {
        return false;
    }
    if (!mDirty) {
        return true;
    }
    if (clientID == nullptr) {
        return false;
    }
    if (mCount == 0) {
        return true;
    }
    mDirty = false;
    if (mInjections == nullptr) {
        return false;
    }
    CFDataRef xml = CFPropertyListCreateXMLData(kCFAllocatorDefault, mInjections);
    if (xml == nullptr) {
        DebugPrintf(
            "ZEQJobTicket::Save():  Contents of the CFArray passed into "
            "CFPropertyListCreateXMLData()");
        mLastError = memFullErr;
        return false;
    }
    DebugPrintf("ZEQJobTicket::Save():  Resulting XML data being stored into temporary file");
    char path[sizeof kTicketFilePrefix + 16];
    CFStringRef pathString = CreateRandomFileName(kTicketFilePrefix, path);
    CFURLRef url = nullptr;
    bool saved = false;
    if (pathString == nullptr) {
        mLastError = memFullErr;
    } else {
        DebugPrintf(
            "ZEQJobTicket::Save():  Location WHERE the job ticket data temporary file is stored "
            "for VorelCupsFilter");
        url = CFURLCreateWithFileSystemPath(kCFAllocatorDefault, pathString, kCFURLPOSIXPathStyle,
                                            false);
        SInt32 error = 0;
        if (url == nullptr) {
            mLastError = memFullErr;
        } else if (!ZEQURLWriteDataReplacing(url, xml, kTicketFileMode, &error)) {
            // "/tmp" is everyone's: the file is written privately beside the name, given its
            // mode and renamed over it, so that nothing another user planted there is followed
            // and the filter never sees half a file. Names are not checked for uniqueness: an
            // earlier file of ours under the name is replaced; one that cannot be taken over
            // (another user's, in the sticky folder) ends the save here.
            mLastError = error;
        } else {
            mLastError = mPrintSettings->Set(clientID, mKey, pathString, 0);
            saved = mLastError == noErr;
        }
    }
    CFRelease(xml);
    if (url != nullptr) {
        CFRelease(url);
    }
    if (pathString != nullptr) {
        CFRelease(pathString);
    }
    return saved;
}

bool ZEQJobTicket::Invalidate(CFStringRef) {
    if (mKey != nullptr && mPrintSettings != nullptr) {
        mLastError = mPrintSettings->Release(mKey);
    }
    return true;
}

OSStatus ZEQJobTicket::EnforceCopiesLimit(CFStringRef clientID, long copies) {
    mLastError = mPrintSettings != nullptr ? mPrintSettings->Set(clientID, kCopiesKey, copies, 0)
                                           : static_cast<OSStatus>(kNoTicket);
    return mLastError;
}

CFStringRef ZEQJobTicket::CreateRandomFileName(const char* prefix, char* out) {
    // The low 16 bits of the platform's number: 0 to 65535.
    const unsigned number = static_cast<uint16_t>(Random());
    if (prefix == nullptr) {
        prefix = "";
    }
    const size_t size = static_cast<size_t>(snprintf(nullptr, 0, "%s%u", prefix, number)) + 1;
    std::unique_ptr<char[]> own;
    char* text = out;
    if (text == nullptr) {
        own.reset(new (std::nothrow) char[size]);
        if (own == nullptr) {
            return nullptr;
        }
        text = own.get();
    }
    snprintf(text, size, "%s%u", prefix, number);
    return CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingMacRoman);
}
