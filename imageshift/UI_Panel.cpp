// UI_Panel: building the pane from the interface file, localized titles, the exchange of
// values with the model, event wiring, enabled-state groups, page icons and the alert.
#include "imageshift/UI_Panel.h"

#include <iterator>

#include "imageshift/ImageShiftData.h"
#include "platform/MacMemory.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/QuickTime.h"
#include "platform/controls/Quickdraw.h"

bool UI_Panel::sAlertShowing = false;

namespace {

// The events the panel handles.
const EventTypeSpec kPanelEvents[] = {
    {kEventClassControl, kEventControlHit},
    {kEventClassControl, kEventControlClick},
    {kEventClassControl, kEventControlSetFocusPart},
    {kEventClassCommand, kEventCommandProcess},
};

const SInt32 kAlignUnitsDefaultsGroup[] = {UI_Panel::kAlignCheckBox, UI_Panel::kUnitsRadioGroup,
                                           UI_Panel::kDefaultsButton};
const SInt32 kFrontPageGroup[] = {4203, 4204, 4207, 4208, 4213, 4214, 4215, 4216};
const SInt32 kBackPageGroup[] = {4205, 4206, 4209, 4210, 4217, 4218, 4219, 4220};

// The controls that carry the panel's handler beside the window.
const SInt32 kHandledControls[] = {4203, 4204, 4205, 4206, 4223, 4202, 4201, 4225};

// Localized titles by control number.
const struct {
    SInt32 number;
    CFStringRef key;
} kTitles[] = {
    {UI_Panel::kAlignCheckBox, CFSTR("Align front and back images")},
    {UI_Panel::kFrontLabel, CFSTR("Front")},
    {UI_Panel::kBackLabel, CFSTR("Back")},
    {UI_Panel::kDefaultsButton, CFSTR("Defaults")},
    {UI_Panel::kEnableCheckBox, CFSTR("Enable Image Shift")},
    {4226, CFSTR("FrontRange")},
    {4227, CFSTR("FrontRange")},
    {4228, CFSTR("BackRange")},
    {4229, CFSTR("BackRange")},
};

bool IsStepper(SInt32 n) {
    return n >= UI_Panel::kFrontXStepper && n <= UI_Panel::kBackYStepper;
}
bool IsArrowButton(SInt32 n) {
    return n >= UI_Panel::kFrontUpArrow && n < UI_Panel::kFrontUpArrow + 8;
}

}  // namespace

UI_Panel::UI_Panel(IBNibRef nib, ControlRef parentPane, ImageShiftData* data, CFBundleRef bundle)
    : mData(data),
      mWindow(parentPane != nullptr ? GetControlOwner(parentPane) : nullptr),
      mEventHandlerUPP(nullptr),
      mArrowActionUPP(NewControlActionUPP(ArrowActionProcPtr)),
      mKeyFilterUPP(nullptr),
      mWindowHandler(nullptr),
      mControlHandlers{},
      mParentPane(parentPane),
      mControls{},
      mDefaultButton(nullptr),
      mLastFocusedField(nullptr),
      mPortrait(true),
      mBuilt(false),
      mBundle(bundle),
      mStatus(noErr),
      mRepeatTimer(nullptr),
      mRepeatPage(0),
      mRepeatDirection(0),
      mRepeatEnded(true) {
    BuildUI(nib);
}

UI_Panel::~UI_Panel() {
    RemoveEventHandlers();
    if (mEventHandlerUPP != nullptr)
        DisposeEventHandlerUPP(mEventHandlerUPP);
    if (mArrowActionUPP != nullptr)
        DisposeControlActionUPP(mArrowActionUPP);
    if (mKeyFilterUPP != nullptr)
        DisposeControlKeyFilterUPP(mKeyFilterUPP);
}

ControlRef UI_Panel::GetControl(SInt32 number) const {
    if (number < kFirstControl || number > kLastControl)
        return nullptr;
    return mControls[number - kFirstControl];
}

SInt32 UI_Panel::NumberOf(ControlRef control) {
    ControlID id{};
    if (control == nullptr || GetControlID(control, &id) != noErr || id.signature != kSignature)
        return 0;
    return id.id;
}

int UI_Panel::OffsetIndexOf(ControlRef field) const {
    for (int i = 0; i < 4; ++i) {
        if (field != nullptr && field == GetControl(kFrontXField + i))
            return i;
    }
    return -1;
}

// ---- construction ----

void UI_Panel::BuildUI(IBNibRef nib) {
    Rect bounds{};
    if (mParentPane != nullptr)
        GetControlBounds(mParentPane, &bounds);
    WindowRef nibWindow = nullptr;
    mStatus = nib != nullptr ? CreateWindowFromNib(nib, CFSTR("ImageShift"), &nibWindow)
                             : kIBCarbonRuntimeCantFindNibFile;
    if (nibWindow == nullptr)
        return;
    const OSStatus windowStatus = mStatus;
    if (MergeEmbedUI(nibWindow, mParentPane, bounds)) {
        bounds.bottom = static_cast<SInt16>(bounds.bottom + 20);
        SetControlBounds(mParentPane, &bounds);
    }
    if (ControlRef units = GetControl(kUnitsRadioGroup); units != nullptr && mData != nullptr)
        SetControl32BitValue(units, mData->mUnitsIndex);
    if (ControlRef enable = GetControl(kEnableCheckBox); enable != nullptr && mData != nullptr) {
        if (!mData->mHasEnableControl)
            HideControl(enable);
        SetControl32BitValue(enable, mData->mEnable ? 1 : 0);
    }
    ArrangeArrows();
    // The controls now live in the parent pane.
    DisposeWindow(nibWindow);
    mBuilt = windowStatus == noErr;
}

bool UI_Panel::MergeEmbedUI(WindowRef nibWindow, ControlRef parentPane, Rect& bounds) {
    ControlRef root = nullptr;
    if (parentPane != nullptr && GetRootControl(nibWindow, &root) == noErr) {
        UInt16 count = 0;
        while (CountSubControls(root, &count) == noErr && count > 0) {
            ControlRef top = nullptr;
            if (GetIndexedSubControl(root, 1, &top) != noErr ||
                EmbedControl(top, parentPane) != noErr)
                break;  // a control that cannot move would be met again and again
            Rect r;
            UnionRect(&bounds, GetControlBounds(top, &r), &bounds);
            CacheOneControl(top);
            // The controls inside it, from the last to the first, at every depth (the
            // interface file may nest a page's controls in a box).
            ControlRef pending[64];
            int depth = 0;
            pending[depth++] = top;
            while (depth > 0) {
                ControlRef parent = pending[--depth];
                UInt16 n = 0;
                CountSubControls(parent, &n);
                for (UInt16 i = n; i >= 1; --i) {
                    ControlRef sub = nullptr;
                    if (GetIndexedSubControl(parent, i, &sub) != noErr)
                        continue;
                    UnionRect(&bounds, GetControlBounds(sub, &r), &bounds);
                    CacheOneControl(sub);
                    if (depth < static_cast<int>(std::size(pending)))
                        pending[depth++] = sub;
                }
            }
        }
    }
    // Fields and range boxes not met on the way are looked for where the controls live now
    // (not in the interface file's window, which goes with whatever it still holds).
    for (SInt32 n : {4203, 4204, 4205, 4206, 4226, 4227, 4228, 4229}) {
        if (GetControl(n) != nullptr)
            continue;
        const ControlID id{kSignature, n};
        ControlRef found = nullptr;
        if (GetControlByID(mWindow, &id, &found) == noErr)
            CacheOneControl(found);
    }
    mKeyFilterUPP = NewControlKeyFilterUPP(NumericKeyFilterProcPtr);
    for (SInt32 n : {4203, 4204, 4205, 4206, 4226, 4227, 4228, 4229}) {
        if (ControlRef c = GetControl(n); c != nullptr && mKeyFilterUPP != nullptr)
            SetControlData(c, kControlEntireControl, kControlEditTextKeyFilterTag,
                           sizeof mKeyFilterUPP, &mKeyFilterUPP);
    }
    SetInitialValues();
    return mStatus == noErr;
}

void UI_Panel::CacheOneControl(ControlRef control) {
    SetControlReference(control, this);
    const SInt32 number = NumberOf(control);
    if (number < kFirstControl || number > kLastControl)
        return;
    mControls[number - kFirstControl] = control;
    for (const auto& title : kTitles) {
        if (title.number == number)
            SetLocalizedTitle(control, title.key);
    }
    if (number == kUnitsRadioGroup)
        LocalizeRadioGroup(control);
    if (number == kUnitsLabel) {
        if (CFStringRef text = CopyLocalized(CFSTR("Units"))) {
            SetText(control, text);
            CFRelease(text);
        }
    }
    if (IsStepper(number) || IsArrowButton(number))
        SetControlAction(control, mArrowActionUPP);
}

void UI_Panel::LocalizeRadioGroup(ControlRef group) {
    const CFStringRef keys[3] = {CFSTR("Points"), CFSTR("Inches"), CFSTR("MM")};
    for (UInt16 i = 1; i <= 3; ++i) {
        ControlRef button = nullptr;
        if (GetIndexedSubControl(group, i, &button) == noErr)
            SetLocalizedTitle(button, keys[i - 1]);
    }
}

CFStringRef UI_Panel::CopyLocalized(CFStringRef key) const {
    if (mBundle == nullptr)
        return nullptr;
    return CFCopyLocalizedStringFromTableInBundle(key, nullptr, mBundle, "");
}

void UI_Panel::SetLocalizedTitle(ControlRef control, CFStringRef key) {
    if (CFStringRef title = CopyLocalized(key)) {
        SetControlTitleWithCFString(control, title);
        CFRelease(title);
    }
}

void UI_Panel::AppendLocalized(CFMutableStringRef text, CFStringRef key) const {
    CFStringRef localized = CopyLocalized(key);
    CFStringAppend(text, localized != nullptr ? localized : key);
    if (localized != nullptr)
        CFRelease(localized);
}

// ---- text of the text controls ----

CFStringRef UI_Panel::CopyText(ControlRef control) {
    CFStringRef text = nullptr;
    if (control == nullptr ||
        GetControlData(control, kControlEntireControl, kControlEditTextCFStringTag, sizeof text,
                       &text, nullptr) != noErr)
        return nullptr;
    return text;
}

void UI_Panel::SetText(ControlRef control, CFStringRef text) {
    if (control != nullptr && text != nullptr)
        SetControlData(control, kControlEntireControl, kControlEditTextCFStringTag, sizeof text,
                       &text);
}

bool UI_Panel::TextIsReadable(ControlRef control) {
    CFStringRef text = CopyText(control);
    if (text == nullptr)
        return false;
    CFRelease(text);
    return true;
}

// ---- model and controls ----

void UI_Panel::SetInitialValues() {
    if (mData != nullptr) {
        for (int i = 0; i < 4; ++i) {
            if (ControlRef stepper = GetControl(kFrontXStepper + i)) {
                SetControl32BitMaximum(stepper, static_cast<SInt32>(mData->GetMaxAtIndex(i)));
                SetControl32BitMinimum(stepper, static_cast<SInt32>(mData->GetMinAtIndex(i)));
            }
        }
    }
    ResetUIFromCurrentData();
}

void UI_Panel::ResetUIFromCurrentData() {
    if (mData == nullptr)
        return;
    for (int i = 0; i < 4; ++i) {
        if (ControlRef field = GetControl(kFrontXField + i)) {
            SetText(field, mData->mOffsetString[i]);
            if (ControlRef stepper = GetControl(kFrontXStepper + i))
                SetControl32BitValue(stepper, CFStringGetIntValue(mData->mOffsetString[i]));
        }
    }
    for (int k = 0; k < 4; ++k) {
        if (ControlRef box = GetControl(kFrontRangeMinBox + k)) {
            SetText(box, mData->mRangeBoxString[k]);
            SetControl32BitValue(box, CFStringGetIntValue(mData->mRangeBoxString[k]));
        }
    }
    if (ControlRef align = GetControl(kAlignCheckBox))
        SetControl32BitValue(align, mData->mAlign ? 1 : 0);
    if (mData->mAlign || !mData->mEnable)
        DisableBackPageControls();
    else
        EnableBackPageControls();
    if (ControlRef units = GetControl(kUnitsRadioGroup))
        SetControl32BitValue(units, mData->mUnitsIndex);
    if (ControlRef enable = GetControl(kEnableCheckBox)) {
        if (mData->mHasEnableControl)
            ShowControl(enable);
        else
            HideControl(enable);
        SetControl32BitValue(enable, mData->mEnable ? 1 : 0);
    }
    if (mData->mEnable) {
        EnableAlignUnitsDefaults();
        EnableFrontPageControls();
    } else {
        DisableAlignUnitsDefaults();
        DisableFrontPageControls();
    }
}

void UI_Panel::ResetUI(ImageShiftData* data) {
    mData = data;
    ResetUIFromCurrentData();
}

void UI_Panel::CommitUserChanges() {
    if (mData == nullptr)
        return;
    ControlRef focus = nullptr;
    if (mWindow != nullptr && GetKeyboardFocus(mWindow, &focus) == noErr && focus != nullptr)
        ProcessControlLoseFocus(nullptr, focus);
    void (ImageShiftData::*const offsetSetters[4])(CFStringRef) = {
        &ImageShiftData::setFrontXString, &ImageShiftData::setFrontYString,
        &ImageShiftData::setBackXString, &ImageShiftData::setBackYString};
    void (ImageShiftData::*const boxSetters[4])(CFStringRef) = {
        &ImageShiftData::setFrontRangeMinBoxStr, &ImageShiftData::setFrontRangeMaxBoxStr,
        &ImageShiftData::setBackRangeMinBoxStr, &ImageShiftData::setBackRangeMaxBoxStr};
    for (int i = 0; i < 4; ++i) {
        if (CFStringRef text = CopyText(GetControl(kFrontXField + i))) {
            (mData->*offsetSetters[i])(text);
            CFRelease(text);
        }
    }
    for (int k = 0; k < 4; ++k) {
        if (CFStringRef text = CopyText(GetControl(kFrontRangeMinBox + k))) {
            (mData->*boxSetters[k])(text);
            CFRelease(text);
        }
    }
    if (ControlRef units = GetControl(kUnitsRadioGroup))
        mData->setUnitsIndex(static_cast<SInt16>(GetControl32BitValue(units)));
    if (ControlRef align = GetControl(kAlignCheckBox))
        mData->mAlign = GetControl32BitValue(align) != 0;
    if (ControlRef enable = GetControl(kEnableCheckBox))
        mData->mEnable = GetControl32BitValue(enable) != 0;
}

// ---- events ----

void UI_Panel::Show() {
    if (mWindowHandler == nullptr && mWindow != nullptr) {
        if (mEventHandlerUPP == nullptr)
            mEventHandlerUPP = NewEventHandlerUPP(EventHandler);
        mStatus =
            InstallWindowEventHandler(mWindow, mEventHandlerUPP, GetEventTypeCount(kPanelEvents),
                                      kPanelEvents, this, &mWindowHandler);
        int slot = 0;
        for (SInt32 n : kHandledControls) {
            const ControlID id{kSignature, n};
            ControlRef control = nullptr;
            if (GetControlByID(mWindow, &id, &control) == noErr)
                InstallControlEventHandler(control, mEventHandlerUPP,
                                           GetEventTypeCount(kPanelEvents), kPanelEvents, this,
                                           &mControlHandlers[slot]);
            ++slot;
        }
    }
    if (mWindow != nullptr)
        GetWindowDefaultButton(mWindow, &mDefaultButton);
    DrawTiffImages();
}

void UI_Panel::Hide() {
    ValidateUISettings(0);
    RemoveEventHandlers();
    if (mEventHandlerUPP != nullptr) {
        DisposeEventHandlerUPP(mEventHandlerUPP);
        mEventHandlerUPP = nullptr;
    }
}

// The handlers on single controls go with the window's, so that showing the panel again
// does not install them twice and no control calls into a panel that is gone.
void UI_Panel::RemoveEventHandlers() {
    if (mWindowHandler != nullptr) {
        RemoveEventHandler(mWindowHandler);
        mWindowHandler = nullptr;
    }
    for (EventHandlerRef& handler : mControlHandlers) {
        if (handler != nullptr)
            RemoveEventHandler(handler);
        handler = nullptr;
    }
}

OSStatus UI_Panel::EventHandler(EventHandlerCallRef handlerCall, EventRef event, void* userData) {
    UI_Panel* panel = static_cast<UI_Panel*>(userData);
    if (panel == nullptr || panel->mWindowHandler == nullptr)
        return eventNotHandledErr;
    const UInt32 eventClass = GetEventClass(event);
    const UInt32 kind = GetEventKind(event);
    if (eventClass == kEventClassCommand && kind == kEventCommandProcess) {
        HICommand command{};
        if (GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr,
                              sizeof command, nullptr, &command) == noErr &&
            command.commandID == kHICommandPaste) {
            panel->DoPaste(panel->mLastFocusedField);
            return noErr;
        }
        return eventNotHandledErr;
    }
    if (eventClass != kEventClassControl)
        return eventNotHandledErr;
    ControlRef control = nullptr;
    if (GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof control,
                          nullptr, &control) != noErr ||
        control == nullptr)
        return eventNotHandledErr;
    switch (kind) {
        case kEventControlHit:
            return panel->ProcessControlHit(event, control);
        case kEventControlClick:
            return panel->ProcessControlClick(handlerCall, event, control);
        case kEventControlSetFocusPart: {
            ControlPartCode part = kControlFocusNoPart;
            GetEventParameter(event, kEventParamControlPart, typeControlPartCode, nullptr,
                              sizeof part, nullptr, &part);
            if (part == kControlFocusNoPart || part == kControlFocusNextPart) {
                panel->mLastFocusedField = nullptr;
                panel->ProcessControlLoseFocus(event, control);
            } else {
                panel->mLastFocusedField = control;
            }
            // Passed on, so that the focus change itself happens.
            return eventNotHandledErr;
        }
        default:
            return eventNotHandledErr;
    }
}

OSStatus UI_Panel::ProcessControlHit(EventRef, ControlRef control) {
    if (mData == nullptr)
        return eventNotHandledErr;
    ControlRef units = GetControl(kUnitsRadioGroup);
    if (units != nullptr)
        mData->mUnitsAtLastHit = GetControl32BitValue(units);
    const SInt32 number = NumberOf(control);
    ValidateUISettings(number);
    switch (number) {
        case kAlignCheckBox: {
            const bool on = GetControl32BitValue(control) != 0;
            if (!mData->mAlign && on)
                DoInitialAlignment();
            mData->mAlign = on;
            if (on)
                DisableBackPageControls();
            else
                EnableBackPageControls();
            return noErr;
        }
        case kUnitsRadioGroup: {
            if (units == nullptr)
                return eventNotHandledErr;
            const int oldUnits = mData->mUnitsIndex;
            const int newUnits = GetControl32BitValue(units);
            mData->setUnitsIndex(newUnits);
            if (oldUnits != newUnits)
                ConvertOffsetDisplays(oldUnits, newUnits);
            return noErr;
        }
        case kDefaultsButton:
            if (ControlRef align = GetControl(kAlignCheckBox))
                SetControl32BitValue(align, 0);
            mData->mAlign = false;
            EnableFrontPageControls();
            EnableBackPageControls();
            if (units != nullptr)
                SetControl32BitValue(units, mData->mDefaultUnitsIndex);
            mData->setUnitsIndex(mData->mDefaultUnitsIndex);
            SetOffsetsToDefaults();
            return noErr;
        case kEnableCheckBox:
            mData->mEnable = GetControl32BitValue(control) == 1;
            if (mData->mEnable) {
                EnableAlignUnitsDefaults();
                EnableFrontPageControls();
                if (mData->mAlign)
                    DisableBackPageControls();
                else
                    EnableBackPageControls();
            } else {
                DisableAlignUnitsDefaults();
                DisableFrontPageControls();
                DisableBackPageControls();
            }
            return noErr;
        default:
            return eventNotHandledErr;
    }
}

OSStatus UI_Panel::ProcessControlClick(EventHandlerCallRef handlerCall, EventRef event,
                                       ControlRef control) {
    if (control == mDefaultButton && mDefaultButton != nullptr) {
        // Printing goes on only with valid offsets; otherwise the click is swallowed (the
        // alert has been shown).
        return ValidateUISettings(0) ? OSStatus{eventNotHandledErr} : OSStatus{noErr};
    }
    const SInt32 number = NumberOf(control);
    if (!IsArrowButton(number) || control != GetControl(number))
        return eventNotHandledErr;
    const int index = number - kFrontUpArrow;
    EventLoopTimerUPP timerUPP = NewEventLoopTimerUPP(TimerMouseDownAction);
    if (timerUPP == nullptr)
        return eventNotHandledErr;
    mRepeatPage = index < 4 ? kFrontPage : kBackPage;
    mRepeatDirection = index % 4 + 1;
    mRepeatEnded = false;
    mRepeatTimer = nullptr;
    InstallEventLoopTimer(GetMainEventLoop(), 0.5 * kEventDurationSecond,
                          0.1 * kEventDurationSecond, timerUPP, this, &mRepeatTimer);
    // The standard tracking returns when the mouse button is released.
    CallNextEventHandler(handlerCall, event);
    if (mRepeatTimer != nullptr)
        RemoveEventLoopTimer(mRepeatTimer);
    mRepeatTimer = nullptr;
    mRepeatEnded = true;
    DisposeEventLoopTimerUPP(timerUPP);
    return noErr;
}

// ---- enabled-state groups ----

void UI_Panel::SetGroupEnabled(const SInt32* numbers, int count, bool enabled) {
    for (int i = 0; i < count; ++i) {
        if (ControlRef control = GetControl(numbers[i])) {
            if (enabled)
                EnableControl(control);
            else
                DisableControl(control);
        }
    }
}

void UI_Panel::EnableAlignUnitsDefaults() {
    SetGroupEnabled(kAlignUnitsDefaultsGroup, std::size(kAlignUnitsDefaultsGroup), true);
}
void UI_Panel::DisableAlignUnitsDefaults() {
    SetGroupEnabled(kAlignUnitsDefaultsGroup, std::size(kAlignUnitsDefaultsGroup), false);
}
void UI_Panel::EnableFrontPageControls() {
    SetGroupEnabled(kFrontPageGroup, std::size(kFrontPageGroup), true);
}
void UI_Panel::DisableFrontPageControls() {
    SetGroupEnabled(kFrontPageGroup, std::size(kFrontPageGroup), false);
}
void UI_Panel::EnableBackPageControls() {
    SetGroupEnabled(kBackPageGroup, std::size(kBackPageGroup), true);
}
void UI_Panel::DisableBackPageControls() {
    SetGroupEnabled(kBackPageGroup, std::size(kBackPageGroup), false);
}

// ---- page icons and arrows ----

void UI_Panel::SetIconsSEFOrLEF(bool portrait) {
    mPortrait = portrait;
}

void UI_Panel::DrawTiffImages() {
    const SInt32 front = kFrontIcon;
    const SInt32 back = kBackIcon;
    ShowOnePageIcon(mPortrait ? CFSTR("portrait_f") : CFSTR("landscape_f"), GetControl(front));
    ShowOnePageIcon(mPortrait ? CFSTR("portrait_b") : CFSTR("landscape_b"), GetControl(back));
    ArrangeArrows();
}

void UI_Panel::ShowOnePageIcon(CFStringRef name, ControlRef icon) {
    if (icon == nullptr || mBundle == nullptr)
        return;
    CFURLRef url = CFBundleCopyResourceURL(mBundle, name, CFSTR("tif"), nullptr);
    if (url == nullptr)
        return;
    Handle dataRef = nullptr;
    OSType dataRefType = 0;
    mStatus = QTNewDataReferenceFromCFURL(url, 0, &dataRef, &dataRefType);
    CFRelease(url);
    if (mStatus != noErr || dataRef == nullptr)
        return;
    GraphicsImportComponent importer = nullptr;
    mStatus = GetGraphicsImporterForDataRef(dataRef, dataRefType, &importer);
    if (mStatus == noErr && importer != nullptr) {
        Rect natural{};
        if (GraphicsImportGetNaturalBounds(importer, &natural) == noErr) {
            const int width = natural.right - natural.left;
            const int height = natural.bottom - natural.top;
            Rect bounds;
            GetControlBounds(icon, &bounds);
            const int left = bounds.left + (bounds.right - bounds.left) / 2 - width / 2;
            bounds.left = static_cast<SInt16>(left);
            bounds.right = static_cast<SInt16>(left + width);
            bounds.bottom = static_cast<SInt16>(bounds.top + height);
            SetControlBounds(icon, &bounds);
            GraphicsImportSetGWorld(importer, GetWindowPort(GetControlOwner(icon)), nullptr);
            GraphicsImportSetBoundsRect(importer, &bounds);
            GraphicsImportSetGraphicsMode(importer, graphicsModeStraightAlpha, nullptr);
            GraphicsImportDraw(importer);
        }
        CloseComponent(importer);
    }
    DisposeHandle(dataRef);
}

void UI_Panel::ArrangeArrows() {
    for (int page = 0; page < 2; ++page) {
        ControlRef icon = GetControl(kFrontIcon + page);
        if (icon == nullptr)
            continue;
        Rect b;
        GetControlBounds(icon, &b);
        for (int direction = 0; direction < 4; ++direction) {
            ControlRef arrow = GetControl(kFrontUpArrow + 4 * page + direction);
            if (arrow == nullptr)
                continue;
            Rect a;
            GetControlBounds(arrow, &a);
            const SInt16 w = static_cast<SInt16>(a.right - a.left);
            const SInt16 h = static_cast<SInt16>(a.bottom - a.top);
            const SInt16 centreH = static_cast<SInt16>(b.left + (b.right - b.left) / 2 - w / 2);
            const SInt16 centreV = static_cast<SInt16>(b.bottom - (b.bottom - b.top) / 2 - h / 2);
            SInt16 left = 0;
            SInt16 top = 0;
            switch (direction + 1) {
                case kUp:
                    left = centreH;
                    top = static_cast<SInt16>(b.top - h - 3);
                    break;
                case kDown:
                    left = centreH;
                    top = static_cast<SInt16>(b.bottom + 2);
                    break;
                case kLeft:
                    left = static_cast<SInt16>(b.left - w - 2);
                    top = centreV;
                    break;
                default:
                    left = static_cast<SInt16>(b.right + 2);
                    top = centreV;
                    break;
            }
            MoveControl(arrow, left, top);
        }
    }
}

// ---- the alert ----

void UI_Panel::ShowOutOfRangeErr() {
    if (sAlertShowing)
        return;
    sAlertShowing = true;
    // "PDE Panel Title" + ":" + "Value is out of range.", each text localized; without a
    // translation the English text is shown.
    CFMutableStringRef message = CFStringCreateMutable(kCFAllocatorDefault, 0);
    if (message != nullptr) {
        AppendLocalized(message, CFSTR("PDE Panel Title"));
        CFStringAppend(message, CFSTR(":"));
        AppendLocalized(message, CFSTR("Value is out of range."));
        DialogRef alert = nullptr;
        if (CreateStandardAlert(kAlertCautionAlert, message, nullptr, nullptr, &alert) == noErr) {
            DialogItemIndex hit = 0;
            RunStandardAlert(alert, nullptr, &hit);
        }
        CFRelease(message);
    }
    sAlertShowing = false;
}
