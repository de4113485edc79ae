// Typed access to the print system's tickets: a ticket of its own or one of a print session,
// and the session's print settings and printer information tickets.
#pragma once

#include "platform/PMPrinting.h"

class CString;

class JobTicket {
public:
    enum : OSStatus { kNoSessionEntry = -30875, kNoTicket = -30891 };

    // A new, empty ticket of that type, owned by this object.
    explicit JobTicket(CFStringRef ticketType);
    // The print settings ticket of the session, which stays the session's.
    explicit JobTicket(OpaquePMPrintSession* session);
    virtual ~JobTicket();
    JobTicket(const JobTicket&) = delete;
    JobTicket& operator=(const JobTicket&) = delete;

    // Session data: the 32-bit number under `key` (a ticket reference); 0 counts as missing.
    OSStatus Get(CFStringRef key, long& value);
    // Ticket items, which stay the ticket's.
    OSStatus Get(CFStringRef key, CFDataRef& value);
    OSStatus Get(CFStringRef key, CFStringRef& value);
    OSStatus Get(CFStringRef key, CFDictionaryRef& value);
    OSStatus GetInt(CFStringRef key, long& value);
    OSStatus Set(CFStringRef clientID, CFStringRef key, CFArrayRef value, unsigned char locked);
    OSStatus Set(CFStringRef clientID, CFStringRef key, CFStringRef value, unsigned char locked);
    OSStatus Set(CFStringRef clientID, CFStringRef key, CFDataRef value, unsigned char locked);
    OSStatus Set(CFStringRef clientID, CFStringRef key, CFDictionaryRef value, unsigned char locked);
    OSStatus Set(CFStringRef clientID, CFStringRef key, long value, unsigned char locked);
    OSStatus Release(CFStringRef key);

    bool IsValid() const { return mValid; }
    OSStatus GetLastError() const { return mLastError; }
    PMTicketRef GetTicket() const { return mTicket; }
    OpaquePMPrintSession* GetSession() const { return mSession; }

protected:
    // Session data holds ticket references as 32-bit numbers; this turns one back.
    OSStatus Get(CFStringRef key, PMTicketRef& ticket);

    OpaquePMPrintSession* mSession;
    PMTicketRef mTicket;
    bool mOwned;
    int32_t mLastError;
    bool mValid;
};

class PrintSettingsTicket : public JobTicket {
public:
    explicit PrintSettingsTicket(OpaquePMPrintSession* session);
    ~PrintSettingsTicket() override;
};

class PrinterInfoTicket : public JobTicket {
public:
    explicit PrinterInfoTicket(OpaquePMPrintSession* session);
    ~PrinterInfoTicket() override;

    // Items of "com.apple.print.PrinterInfo."; they stay the ticket's. 0, null or false when
    // the object has no ticket or the item cannot be read (see GetInfoError).
    CFStringRef GetFullPrinterTypeName();
    CFStringRef GetPrinterMakeAndModel();
    CFTypeRef GetPrinterAddress();
    bool SupportColor();
    bool SupportCopies();
    bool SupportCopiesAndCollate();
    bool SupportReversePrintingOrder();
    CFTypeRef InputFileList();
    CFTypeRef OutputTypeList();
    int32_t TrueTypeFontRasterizer();
    int32_t MemoryInstalled();
    CFTypeRef PPDFile();
    CFTypeRef GetColorDeviceUUID();
    void PostscriptVersion(CFNumberRef* level, CFStringRef* version, CFNumberRef* revision);

    // The same items converted into a CString; true when the string was set.
    bool GetFullPrinterTypeName(CString& name);
    bool GetPrinterMakeAndModel(CString& name);
    bool GetColorDeviceUUID(CString& uuid);
    bool PPDFile(CString& path);
    bool PostscriptVersion(long* level, CString* version, long* revision);

    OSStatus GetInfoError() const { return mInfoError; }

private:
    int32_t mInfoError;
};
