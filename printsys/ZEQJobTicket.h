// The vendor job ticket: PostScript fragments with their injection sites, saved as an XML
// property-list file for the printer's filter, and the parsed-PPD cache in the print settings.
#pragma once

#include "platform/CoreFoundation.h"
#include "printsys/JobTicket.h"

class PPDXControl;
class ZEQPPD;

// What a fragment is, for the filter; stored as a signed 32-bit integer beside it.
enum PostScriptInjectionSite : int32_t {
    kPSInjectionControlKeyword = -9,  // the keyword of a control, just before its code
    kPSInjectionFeatureCode = 81,     // the PostScript code of a feature
};

// The result of the last operation is the base's lastError (GetLastError).
class ZEQJobTicket : public JobTicket {
public:
    ZEQJobTicket(PrintSettingsTicket* printSettings, CFStringRef key);
    ~ZEQJobTicket() override;

    OSStatus Create();
    bool Add(PostScriptInjectionSite site, unsigned char* bytes, unsigned long length);
    bool Add(PostScriptInjectionSite site, PPDXControl* control);
    bool Save(CFStringRef clientID);
    bool Invalidate(CFStringRef clientID);
    OSStatus EnforceCopiesLimit(CFStringRef clientID, long copies);
    // The parsed PPD in the print settings, as a settings cache under `key`.
    bool SavePPD(ZEQPPD* ppd, CFStringRef key, CFURLRef ppdURL);
    ZEQPPD* RestorePPD(CFStringRef key, CFURLRef ppdURL);

    // prefix and a number from 0 to 65535; copied into `out` when given. A new string.
    static CFStringRef CreateRandomFileName(const char* prefix, char* out);

    bool IsReady() const { return mReady; }
    bool IsDirty() const { return mDirty; }
    int32_t GetCount() const { return mCount; }
    CFArrayRef GetInjections() const { return mInjections; }
private:
    PrintSettingsTicket* mPrintSettings;
    CFStringRef mKey;
    int32_t mCount;
    CFMutableArrayRef mInjections;
    bool mDirty;
    bool mReady;
};
