// The current printer's PPD, its set-up into a parsed model, the process-wide shared PPD
// manager, questions about the printer's connection, and localized texts of the main bundle.
#pragma once

#include "platform/Files.h"
#include "platform/PMPrinting.h"

class ZEQPPD;

OSStatus GetPPDFile(OpaquePMPrintSession* session, CFURLRef& url, FSRef& ref);
ZEQPPD* SetupPPD(OpaquePMPrintSession* session, CFStringRef bundleID);

bool InstallSharedPPDManager(ZEQPPD* ppd);
ZEQPPD* GetSharedPPDManager();
void ReleasePPDManager();

CFStringRef GetPrinterConnectionType(OpaquePMPrintSession* session);
bool isUSBPrinterConnection(OpaquePMPrintSession* session);
bool isAppleTalkPrinterConnection(OpaquePMPrintSession* session);
bool isIPPrinterConnection(OpaquePMPrintSession* session);
CFStringRef GetCurrentPrinterName(OpaquePMPrintSession* session);

unsigned long GetLocalizedString(CFStringRef key, char* out, unsigned long capacity);
