// ImageShiftPDE: initialisation against the session's printer, the parsed PPD from the print
// settings or from the file, re-initialisation and commit, the summary, and the panel's
// opening and closing.
#include "imageshift/ImageShiftPDE.h"

#include <new>

#include "imageshift/ImageShiftData.h"
#include "imageshift/ImageShiftPlugIn.h"
#include "imageshift/PDEBundle.h"
#include "imageshift/UI_Panel.h"
#include "parser/ZEQPPD.h"
#include "platform/Resources.h"
#include "platform/controls/Controls.h"
#include "printsys/JobTicket.h"
#include "printsys/PPDLocation.h"
#include "printsys/PropertyListFile.h"
#include "printsys/ZEQJobTicket.h"

namespace {

#define kCompiledPPDKey CFSTR("com.apple.print.PrinterInfo.PMCompiledPPD")
#define kOrientationKey CFSTR("com.apple.print.PageFormat.PMOrientation")
enum : SInt32 { kPortrait = 1, kReversePortrait = 3 };

// The current resource file on entry is current again on every way out.
class SavedResFile {
public:
    SavedResFile() : mRefNum(CurResFile()) {}
    ~SavedResFile() { UseResFile(mRefNum); }
    SavedResFile(const SavedResFile&) = delete;
    SavedResFile& operator=(const SavedResFile&) = delete;

private:
    short mRefNum;
};

// A string this code made, released on every way out.
class OwnedString {
public:
    explicit OwnedString(CFStringRef s) : mString(s) {}
    ~OwnedString() {
        if (mString)
            CFRelease(mString);
    }
    OwnedString(const OwnedString&) = delete;
    OwnedString& operator=(const OwnedString&) = delete;
    CFStringRef get() const { return mString; }

private:
    CFStringRef mString;
};

}  // namespace

ImageShiftPDE::ImageShiftPDE()
    : mSession(nullptr),
      mPDERef(0),
      mParentPane(nullptr),
      mBundleRef(nullptr),
      mNibRef(nullptr),
      mConstructed(false),
      mActive(false),
      mStatus(noErr),
      mPanel(nullptr),
      mTitle(nullptr),
      mData(nullptr),
      mPortrait(true),
      mPPD(nullptr),
      mRestored(false) {
    mBundleRef = GetBundleRef();
    if (!mBundleRef)
        return;
    PDEBundle::InitBundle(mBundleRef);
    OwnedString nibName(CreateNIBFileName());
    mStatus = nibName.get() ? CreateNibReferenceWithCFBundle(mBundleRef, nibName.get(), &mNibRef)
                            : OSStatus(memFullErr);
    if (mStatus != noErr)
        return;
    mTitle = PDEBundle::GetLocalizedCFString(CFSTR("PDE Panel Title"), mBundleRef);
    mConstructed = mTitle != nullptr;
}

ImageShiftPDE::~ImageShiftPDE() {
    if (mNibRef)
        DisposeNibReference(mNibRef);
    DeletePPD();
    if (mTitle)
        CFRelease(mTitle);
    delete mPanel;
    delete mData;
}

// Without its PPD the context is inactive: a commit writes nothing until a re-initialising
// Sync rebuilds it.
void ImageShiftPDE::DeletePPD() {
    delete mPPD;
    mPPD = nullptr;
    mActive = false;
}

OSStatus ImageShiftPDE::Initialize(unsigned long* flags, long pdeRef, ControlRef parentPane,
                                   PMPrintSession session) {
    SavedResFile savedResFile;
    PrinterInfoTicket printerInfo(session);
    if (!printerInfo.IsValid() || session == nullptr)
        return 1;
    if (flags)
        *flags = kPMPDENoFlags;
    mSession = session;
    mPDERef = pdeRef;
    mParentPane = parentPane;

    OSStatus status = noErr;
    // A printer without a PPD (no compiled PPD item) is not a PostScript printer of ours.
    CFTypeRef compiledPPD = nullptr;
    bool hasPPD = PMTicketGetItem(printerInfo.GetTicket(), kPMTopLevel, kPMTopLevel,
                                  kCompiledPPDKey, &compiledPPD) == noErr &&
                  compiledPPD != nullptr;
    mActive = hasPPD && Activate(session, status);
    if (!mActive) {
        DeletePPD();
        return 1;
    }
    return status;
}

bool ImageShiftPDE::Activate(PMPrintSession session, OSStatus& status) {
    OwnedString key(CreatePostscriptDataFileKey());
    if (!key.get())
        return false;
    OwnedString clientID(CFStringCreateCopy(kCFAllocatorDefault, GetBundleID()));
    PrintSettingsTicket printSettings(session);
    ZEQJobTicket jobTicket(&printSettings, key.get());

    CFURLRef ppdURL = nullptr;  // belongs to the printer
    FSRef ppdRef;
    if (GetPPDFile(session, ppdURL, ppdRef) != noErr)
        return false;
    CFURLRef contentsURL = CreatePDEContentsURL(GetBundleID());
    if (!contentsURL)
        return false;
    PrinterListFile printerList(contentsURL, kCFPropertyListImmutable);
    CFRelease(contentsURL);
    if (!printerList.IsValid())
        return false;
    if (!PPDX::ValidateFileName(ppdURL, printerList.GetPCFileNames(), nullptr)) {
        // The job ticket of a printer that is not ours is withdrawn.
        jobTicket.Invalidate(clientID.get());
        return false;
    }
    bool restored = false;
    if (!SetupPPD(jobTicket, restored))
        return false;

    ImageShiftData* data = new (std::nothrow) ImageShiftData(*mPPD);
    if (!data || !data->mControlsPresent) {
        delete data;
        status = memFullErr;
        return false;
    }
    delete mData;
    mData = data;
    status = mData->RestoreNonPSSettings(&printSettings);

    UI_Panel* panel = new (std::nothrow) UI_Panel(mNibRef, mParentPane, mData, mBundleRef);
    if (!panel) {
        status = memFullErr;
        return false;
    }
    delete mPanel;
    mPanel = panel;
    jobTicket.Save(clientID.get());
    return true;
}

bool ImageShiftPDE::SetupPPD(ZEQJobTicket& ticket, bool& restoredFromTicket) {
    restoredFromTicket = false;
    mRestored = false;
    CFURLRef ppdURL = nullptr;
    FSRef ppdRef;
    GetPPDFile(mSession, ppdURL, ppdRef);
    mPPD = ticket.RestorePPD(GetBundleID(), ppdURL);
    PMSessionSetDataInSession(mSession, kImageShiftPPDFromCacheKey,
                              mPPD ? kCFBooleanTrue : kCFBooleanFalse);
    if (mPPD) {
        restoredFromTicket = mRestored = true;
        return true;
    }
    OwnedString identifier(CFStringCreateCopy(kCFAllocatorDefault, GetBundleID()));
    if (!identifier.get()) {
        mStatus = memFullErr;
        return false;
    }
    mPPD = ::SetupPPD(mSession, identifier.get());
    return mPPD != nullptr;
}

OSStatus ImageShiftPDE::Sync(PMPrintSession session, bool reinitialize) {
    JobTicket sessionTicket(session);
    OwnedString clientID(CFStringCreateCopy(kCFAllocatorDefault, GetBundleID()));
    if (!sessionTicket.IsValid())
        return 1;
    if (session == nullptr)
        return kPMInvalidPrintSession;
    mSession = session;
    PMTicketRef printSettingsRef = nullptr;
    OSStatus status = MyGetTicket(session, kPMPrintSettingsTicketKey, &printSettingsRef);
    OwnedString key(CreatePostscriptDataFileKey());
    if (!key.get()) {
        DeletePPD();
        return status;
    }

    PrintSettingsTicket printSettings(session);
    ZEQJobTicket jobTicket(&printSettings, key.get());
    if (!jobTicket.IsReady()) {
        DeletePPD();
        return 1;
    }

    if (reinitialize) {
        DeletePPD();
        bool restored = false;
        // The panel holds the model: the old one goes only when a new one takes its place,
        // so that the panel never points to a model that is gone.
        ImageShiftData* data = nullptr;
        if (SetupPPD(jobTicket, restored))
            data = new (std::nothrow) ImageShiftData(*mPPD);
        if (!data || !data->mControlsPresent) {
            delete data;
            DeletePPD();
            return memFullErr;
        }
        delete mData;
        mData = data;
        status = noErr;
        if (printSettingsRef)
            status = mData->RestoreNonPSSettings(&printSettings);
        if (mPanel) {
            mPanel->ResetUI(mData);
            if (mParentPane && IsControlVisible(mParentPane))
                mPanel->Show();
        }
        jobTicket.Save(clientID.get());
        if (status != noErr)
            DeletePPD();
        mActive = mPPD != nullptr;
        return status;
    }

    // Commit. An inactive context writes nothing.
    if (!mPPD || !mData) {
        DeletePPD();
        return status;
    }
    if (mPanel)
        mPanel->CommitUserChanges();
    status = mData->OutPostscriptData(jobTicket);
    if (status == noErr)
        status = mData->SaveNonPSSettings(&printSettings, clientID.get());
    if (status != noErr) {
        DeletePPD();
        return status;
    }
    CFURLRef ppdURL = nullptr;
    FSRef ppdRef;
    GetPPDFile(mSession, ppdURL, ppdRef);
    jobTicket.SavePPD(mPPD, clientID.get(), ppdURL);
    jobTicket.Save(clientID.get());
    return status;
}

OSStatus ImageShiftPDE::GetSummaryText(CFArrayRef* titles, CFArrayRef* values) {
    SavedResFile savedResFile;
    *titles = nullptr;
    *values = nullptr;
    CFMutableArrayRef titleArray =
        CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    CFMutableArrayRef valueArray =
        CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    if (!titleArray || !valueArray) {
        if (titleArray)
            CFRelease(titleArray);
        if (valueArray)
            CFRelease(valueArray);
        return memFullErr;
    }
    if (mData) {
        bool more = true;
        while (more) {
            CFMutableStringRef title = CFStringCreateMutable(kCFAllocatorDefault, 0);
            CFMutableStringRef value = CFStringCreateMutable(kCFAllocatorDefault, 0);
            bool got = title && value && mData->GetSummaryLine(title, value, more) && more;
            if (got) {
                CFArrayAppendValue(titleArray, title);
                CFArrayAppendValue(valueArray, value);
            }
            if (title)
                CFRelease(title);
            if (value)
                CFRelease(value);
            if (!got)
                break;
        }
    }
    if (CFArrayGetCount(titleArray) > 0) {
        *titles = titleArray;
        *values = valueArray;
    } else {
        CFRelease(titleArray);
        CFRelease(valueArray);
    }
    return noErr;
}

OSStatus ImageShiftPDE::Open() {
    mPortrait = CurrentOrientationPortrait(mSession);
    if (mPanel) {
        mPanel->SetIconsSEFOrLEF(mPortrait);
        mPanel->ResetUIFromCurrentData();
        mPanel->Show();
    }
    return noErr;
}

OSStatus ImageShiftPDE::Close() {
    if (mPanel)
        mPanel->Hide();
    return noErr;
}

void ImageShiftPDE::PaneSize(unsigned long& width, unsigned long& height) {
    width = kPaneWidth;
    height = kPaneHeight;
}

bool ImageShiftPDE::CurrentOrientationPortrait(PMPrintSession session) {
    PMTicketRef pageFormat = nullptr;
    SInt32 orientation = 0;
    if (MyGetTicket(session, kPMPageFormatTicketKey, &pageFormat) != noErr ||
        PMTicketGetSInt32(pageFormat, kPMTopLevel, kPMTopLevel, kOrientationKey, &orientation) !=
            noErr)
        orientation = 0;
    return orientation == kPortrait || orientation == kReversePortrait;
}

OSStatus ImageShiftPDE::MyGetTicket(PMPrintSession session, CFStringRef key, PMTicketRef* out) {
    *out = nullptr;
    CFTypeRef data = nullptr;
    OSStatus status = PMSessionGetDataFromSession(session, key, &data);
    if (status != noErr)
        return status;
    SInt32 reference = 0;
    if (!data || CFGetTypeID(data) != CFNumberGetTypeID() ||
        !CFNumberGetValue(static_cast<CFNumberRef>(data), kCFNumberSInt32Type, &reference))
        return kPMInvalidSessionData;
    // The number is the ticket's 32-bit handle, carried in the reference.
    *out = reinterpret_cast<PMTicketRef>(static_cast<intptr_t>(reference));
    return noErr;
}
