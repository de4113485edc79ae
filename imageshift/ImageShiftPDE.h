// ImageShiftPDE: the context of one print dialog behind the extension's ten operations; it
// decides whether the panel applies to the printer, obtains the parsed PPD, and commits.
#pragma once

#include "platform/CFBundle.h"
#include "platform/PMPrinting.h"
#include "platform/PMPrintingDialogExtensions.h"
#include "platform/controls/IBCarbonRuntime.h"

class ImageShiftData;
class UI_Panel;
class ZEQJobTicket;
class ZEQPPD;

class ImageShiftPDE {
public:
    ImageShiftPDE();
    virtual ~ImageShiftPDE();
    ImageShiftPDE(const ImageShiftPDE&) = delete;
    ImageShiftPDE& operator=(const ImageShiftPDE&) = delete;

    OSStatus Initialize(unsigned long* flags, long pdeRef, ControlRef parentPane,
                        PMPrintSession session);
    OSStatus Sync(PMPrintSession session, bool reinitialize);
    OSStatus GetSummaryText(CFArrayRef* titles, CFArrayRef* values);
    OSStatus Open();
    OSStatus Close();
    void PaneSize(unsigned long& width, unsigned long& height);

    bool SetupPPD(ZEQJobTicket& ticket, bool& restoredFromTicket);
    bool CurrentOrientationPortrait(PMPrintSession session);
    OSStatus MyGetTicket(PMPrintSession session, CFStringRef key, PMTicketRef* out);

    bool IsConstructed() const { return mConstructed; }
    bool IsActive() const { return mActive; }
    OSStatus Status() const { return mStatus; }
    CFStringRef Title() const { return mTitle; }
    // Whether the PPD of the last set-up came from the print settings (no parse).
    bool RestoredFromCache() const { return mRestored; }

    enum : unsigned long { kPaneWidth = 525, kPaneHeight = 200 };

private:
    // Steps 3 to 12 of Initialize: true when the panel was built over the printer's PPD.
    bool Activate(PMPrintSession session, OSStatus& status);
    void DeletePPD();

    PMPrintSession mSession;
    long mPDERef;
    ControlRef mParentPane;
    CFBundleRef mBundleRef;
    IBNibRef mNibRef;
    bool mConstructed;
    bool mActive;
    OSStatus mStatus;
    UI_Panel* mPanel;
    CFStringRef mTitle;
    ImageShiftData* mData;
    bool mPortrait;
    ZEQPPD* mPPD;
    bool mRestored;
};
