// The standard alert: made with its texts, shown by the back end, disposed of when run.
#include "platform/controls/Dialogs.h"

#include <new>

#include "platform/controls/ControlsInternal.h"

struct OpaqueDialogPtr {
    AlertType type = kAlertCautionAlert;
    CFStringRef message = nullptr;
    CFStringRef explanation = nullptr;
};

OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamPtr param, UInt32 version) {
    if (param == nullptr || version != kStdCFStringAlertVersionOne) {
        return paramErr;
    }
    *param = AlertStdCFStringAlertParamRec{};
    param->version = version;
    param->movable = true;
    param->defaultText = reinterpret_cast<CFStringRef>(kAlertDefaultOKText);
    param->defaultButton = kAlertStdAlertOKButton;
    param->position = kWindowDefaultPosition;
    return noErr;
}

OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec*, DialogRef* outAlert) {
    if (outAlert == nullptr || error == nullptr) {
        return paramErr;
    }
    *outAlert = nullptr;
    DialogRef alert = new (std::nothrow) OpaqueDialogPtr;
    if (alert == nullptr) {
        return memFullErr;
    }
    alert->type = alertType;
    alert->message = CFStringCreateCopy(kCFAllocatorDefault, error);
    alert->explanation =
        explanation != nullptr ? CFStringCreateCopy(kCFAllocatorDefault, explanation) : nullptr;
    if (alert->message == nullptr || (explanation != nullptr && alert->explanation == nullptr)) {
        CFRelease(alert->message);
        CFRelease(alert->explanation);
        delete alert;
        return memFullErr;
    }
    *outAlert = alert;
    return noErr;
}

OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP, DialogItemIndex* outItemHit) {
    if (inAlert == nullptr) {
        return paramErr;
    }
    DialogItemIndex item =
        controls::Backend().RunAlert(inAlert->type, inAlert->message, inAlert->explanation);
    if (outItemHit != nullptr) {
        *outItemHit = item;
    }
    CFRelease(inAlert->message);
    CFRelease(inAlert->explanation);
    delete inAlert;
    return noErr;
}
