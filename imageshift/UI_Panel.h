// UI_Panel: the controller of the "Image Shift" pane: its controls taken from the interface
// file into the dialog's pane, their events, enabled states and page icons, and the editing
// of the four offset fields (UI_PanelEditing.cpp).
#pragma once

#include <cstdint>

#include "platform/CFBundle.h"
#include "platform/controls/CarbonEvents.h"
#include "platform/controls/Controls.h"
#include "platform/controls/IBCarbonRuntime.h"
#include "platform/controls/MacWindows.h"

class ImageShiftData;

// x truncated toward zero to `places` decimals (x × 10 × 10 ..., then ÷ 10 ÷ 10 ...).
double truncDoubleNDecimalPlaces(double x, int places);

class UI_Panel {
public:
    // Control numbers (signature 'ImSh').
    enum : SInt32 {
        kAlignCheckBox = 4201,
        kUnitsRadioGroup = 4202,
        kFrontXField = 4203,
        kFrontYField = 4204,
        kBackXField = 4205,
        kBackYField = 4206,
        kFrontXStepper = 4207,
        kFrontYStepper = 4208,
        kBackXStepper = 4209,
        kBackYStepper = 4210,
        kFrontIcon = 4211,
        kBackIcon = 4212,
        kFrontUpArrow = 4213,  // front up, down, left, right: 4213 to 4216
        kBackUpArrow = 4217,   // back up, down, left, right: 4217 to 4220
        kFrontLabel = 4221,
        kBackLabel = 4222,
        kDefaultsButton = 4223,
        kUnitsLabel = 4224,
        kEnableCheckBox = 4225,
        kFrontRangeMinBox = 4226,  // front min, front max, back min, back max: 4226 to 4229
        kFirstControl = 4201,
        kLastControl = 4229,
    };
    static constexpr OSType kSignature = 'ImSh';
    enum Page { kFrontPage = 1, kBackPage = 2 };
    enum Direction { kUp = 1, kDown = 2, kLeft = 3, kRight = 4 };

    UI_Panel(IBNibRef nib, ControlRef parentPane, ImageShiftData* data, CFBundleRef bundle);
    virtual ~UI_Panel();
    UI_Panel(const UI_Panel&) = delete;
    UI_Panel& operator=(const UI_Panel&) = delete;

    // ---- construction ----
    void BuildUI(IBNibRef nib);
    bool MergeEmbedUI(WindowRef nibWindow, ControlRef parentPane, Rect& bounds);
    void CacheOneControl(ControlRef control);
    void LocalizeRadioGroup(ControlRef group);

    // ---- model and controls ----
    void SetInitialValues();
    void ResetUIFromCurrentData();
    void ResetUI(ImageShiftData* data);
    void CommitUserChanges();

    // ---- events ----
    void Show();
    void Hide();
    static OSStatus EventHandler(EventHandlerCallRef handlerCall, EventRef event, void* panel);
    OSStatus ProcessControlHit(EventRef event, ControlRef control);
    OSStatus ProcessControlClick(EventHandlerCallRef handlerCall, EventRef event,
                                 ControlRef control);

    // ---- enabled-state groups ----
    void EnableAlignUnitsDefaults();
    void DisableAlignUnitsDefaults();
    void EnableFrontPageControls();
    void DisableFrontPageControls();
    void EnableBackPageControls();
    void DisableBackPageControls();

    // ---- page icons and arrows ----
    void SetIconsSEFOrLEF(bool portrait);
    void DrawTiffImages();
    void ShowOnePageIcon(CFStringRef name, ControlRef icon);
    void ArrangeArrows();

    void ShowOutOfRangeErr();

    // ---- offset field editing (UI_PanelEditing.cpp) ----
    void SetTextDoubleValue(double* exact, ControlRef field, double value);
    void MultiplyTextField(double* exact, ControlRef field, double multiplier, double divisor);
    bool ClampControlWithinLimits(double* exact, ControlRef field, int index);
    bool ValidateUISettings(long preferredControlNumber);
    OSStatus ProcessControlLoseFocus(EventRef event, ControlRef control);
    void DoInitialAlignment();
    void ConvertOffsetDisplays(int oldUnits, int newUnits);
    void SetOffsetsToDefaults();
    bool MoveOffset(int page, int direction);
    static void ArrowActionProcPtr(ControlRef control, ControlPartCode part);
    static void TimerMouseDownAction(EventLoopTimerRef timer, void* panel);
    static ControlKeyFilterResult NumericKeyFilterProcPtr(ControlRef control, SInt16* keyCode,
                                                          SInt16* charCode,
                                                          EventModifiers* modifiers);
    void DoPaste(ControlRef field);

    // ---- state ----
    // The control of that number, or null when the interface file lacks it.
    ControlRef GetControl(SInt32 number) const;
    ImageShiftData* GetData() const { return mData; }
    WindowRef GetWindow() const { return mWindow; }
    bool IsBuilt() const { return mBuilt; }
    bool IsPortrait() const { return mPortrait; }
    bool IsShown() const { return mWindowHandler != nullptr; }
    OSStatus GetStatus() const { return mStatus; }

private:
    static constexpr int kControlCount = kLastControl - kFirstControl + 1;

    // The number of a control of this panel ('ImSh'), or 0.
    static SInt32 NumberOf(ControlRef control);
    // The offset index (0 front X ... 3 back Y) of an offset field, or -1.
    int OffsetIndexOf(ControlRef field) const;
    // A new string of the bundle's localized text for `key`; null without one.
    CFStringRef CopyLocalized(CFStringRef key) const;
    void SetLocalizedTitle(ControlRef control, CFStringRef key);
    void AppendLocalized(CFMutableStringRef text, CFStringRef key) const;
    void SetGroupEnabled(const SInt32* numbers, int count, bool enabled);
    // Text of a text control: a new string (the caller releases it), or null.
    static CFStringRef CopyText(ControlRef control);
    static void SetText(ControlRef control, CFStringRef text);
    static bool TextIsReadable(ControlRef control);
    // Steps through the arrow action: commit the controls, then one step.
    void StepFromControl(int page, int direction);
    // The full-precision value of an offset slot; a slot that holds no value yet takes the
    // field's current text.
    double ExactOrText(int slot, ControlRef field) const;
    void MirrorHorizontally(ControlRef source, ControlRef target);
    void RemoveEventHandlers();

    ImageShiftData* mData;  // not owned
    WindowRef mWindow;
    EventHandlerUPP mEventHandlerUPP;
    ControlActionUPP mArrowActionUPP;
    ControlKeyFilterUPP mKeyFilterUPP;
    EventHandlerRef mWindowHandler;  // null while the panel is hidden
    // The handlers installed on single controls while the panel is shown.
    EventHandlerRef mControlHandlers[8];
    ControlRef mParentPane;
    ControlRef mControls[kControlCount];  // by number - kFirstControl
    ControlRef mDefaultButton;
    ControlRef mLastFocusedField;
    bool mPortrait;
    bool mBuilt;
    CFBundleRef mBundle;
    OSStatus mStatus;

    // The auto-repeat of a held arrow button.
    EventLoopTimerRef mRepeatTimer;
    int mRepeatPage;
    int mRepeatDirection;
    bool mRepeatEnded;

    // One out-of-range alert at a time, process-wide.
    static bool sAlertShowing;
};
