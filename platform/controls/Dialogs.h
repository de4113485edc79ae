// The standard alert of the controls layer. The back end shows it and waits until it is
// dismissed (the headless one records its text and dismisses it at once).
#pragma once

#include "platform/CFString.h"
#include "platform/controls/CarbonTypes.h"

typedef SInt16 AlertType;
enum : SInt16 {
    kAlertStopAlert = 0,
    kAlertNoteAlert = 1,
    kAlertCautionAlert = 2,
    kAlertPlainAlert = 3,
};
typedef SInt16 DialogItemIndex;
enum : SInt16 {
    kAlertStdAlertOKButton = 1,
    kAlertStdAlertCancelButton = 2,
    kAlertStdAlertOtherButton = 3,
    kAlertStdAlertHelpButton = 4,
};
enum : UInt32 { kStdCFStringAlertVersionOne = 1 };
// Button texts: (CFStringRef)kAlertDefaultOKText asks for the standard text of that button;
// null leaves the button out.
enum : long {
    kAlertDefaultOKText = -1,
    kAlertDefaultCancelText = -1,
    kAlertDefaultOtherText = -1,
};
enum : UInt16 { kWindowDefaultPosition = 0, kWindowAlertPositionParentWindowScreen = 0x700A };

struct AlertStdCFStringAlertParamRec {
    UInt32 version;
    Boolean movable;
    Boolean helpButton;
    CFStringRef defaultText;
    CFStringRef cancelText;
    CFStringRef otherText;
    SInt16 defaultButton;
    SInt16 cancelButton;
    UInt16 position;
    OptionBits flags;
};
typedef AlertStdCFStringAlertParamRec* AlertStdCFStringAlertParamPtr;

typedef Boolean (*ModalFilterProcPtr)(DialogRef theDialog, void* theEvent,
                                      DialogItemIndex* itemHit);
typedef ModalFilterProcPtr ModalFilterUPP;

// The default parameters: an OK button only, default button 1.
OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamPtr param, UInt32 version);
// An alert with its message (error) and an optional explanation; the strings are copied.
OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec* param, DialogRef* outAlert);
// Shows the alert modally, returns the button that dismissed it and disposes of the alert.
OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP filterProc,
                          DialogItemIndex* outItemHit);
