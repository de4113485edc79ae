// Carbon controls of the controls layer: creation, identifiers, values, titles, text and
// selection, enabled and visible state, bounds, embedding, keyboard focus, action procedures,
// key filters and the standard handling of clicks and keys.
#pragma once

#include "platform/CFString.h"
#include "platform/controls/CarbonTypes.h"

// A control's identifier: a signature and a number ('ImSh', 4203).
struct ControlID {
    OSType signature;
    SInt32 id;
};

// What kind of control it is.
struct ControlKind {
    OSType signature;
    OSType kind;
};
enum : OSType {
    kControlKindSignatureApple = 'appl',
    kControlKindRoot = 'root',
    kControlKindUserPane = 'upan',
    kControlKindPushButton = 'push',
    kControlKindCheckBox = 'cbox',
    kControlKindRadioButton = 'rdio',
    kControlKindRadioGroup = 'rgrp',
    kControlKindEditUnicodeText = 'eutx',
    kControlKindStaticText = 'stxt',
    kControlKindLittleArrows = 'larr',
    kControlKindGroupBox = 'grpb',
};

// The reference value of a control. The original keeps it in 32 bits; here it is pointer
// sized, so a pointer stored in it comes back whole.
typedef void* SRefCon;

// Status numbers of the controls.
enum : OSStatus {
    errMessageNotSupported = -30580,
    errDataNotSupported = -30581,
    errControlDoesntSupportFocus = -30582,
    errUnknownControl = -30584,
    errCouldntSetFocus = -30585,
    errNoRootControl = -30586,
    errInvalidPartCode = -30588,
    errControlIsNotEmbedder = -30590,
    errDataSizeMismatch = -30591,
    errControlHiddenOrDisabled = -30592,
    errCantEmbedIntoSelf = -30594,
    errCantEmbedRoot = -30595,
    errItemNotControl = -30596,
    errInvalidWindowRef = -5600,
};

// Callbacks (function pointers; New and Dispose as on the platform).
typedef void (*ControlActionProcPtr)(ControlRef theControl, ControlPartCode partCode);
typedef ControlActionProcPtr ControlActionUPP;
ControlActionUPP NewControlActionUPP(ControlActionProcPtr userRoutine);
void DisposeControlActionUPP(ControlActionUPP userUPP);

typedef SInt16 ControlKeyFilterResult;
enum : SInt16 {
    kControlKeyFilterBlockKey = 0,
    kControlKeyFilterPassKey = 1,
};
typedef ControlKeyFilterResult (*ControlKeyFilterProcPtr)(ControlRef theControl, SInt16* keyCode,
                                                          SInt16* charCode,
                                                          EventModifiers* modifiers);
typedef ControlKeyFilterProcPtr ControlKeyFilterUPP;
ControlKeyFilterUPP NewControlKeyFilterUPP(ControlKeyFilterProcPtr userRoutine);
void DisposeControlKeyFilterUPP(ControlKeyFilterUPP userUPP);

// Font style of a text control: accepted for the platform's signatures and ignored.
struct ControlFontStyleRec {
    SInt16 flags;
    SInt16 font;
    SInt16 size;
    SInt16 style;
    SInt16 mode;
    SInt16 just;
    RGBColor foreColor;
    RGBColor backColor;
};

// Creation. Each control is created at the end of the window's root control.
OSStatus CreateRootControl(WindowRef window, ControlRef* outControl);
OSStatus CreateUserPaneControl(WindowRef window, const Rect* boundsRect, UInt32 features,
                               ControlRef* outControl);
OSStatus CreatePushButtonControl(WindowRef window, const Rect* boundsRect, CFStringRef title,
                                 ControlRef* outControl);
// A check box that toggles itself when clicked (autoToggle) holds 0 or 1.
OSStatus CreateCheckBoxControl(WindowRef window, const Rect* boundsRect, CFStringRef title,
                               SInt32 initialValue, Boolean autoToggle, ControlRef* outControl);
// A radio group's value is the position (from 1) of its selected radio button, 0 for none;
// its maximum is the number of radio buttons embedded in it.
OSStatus CreateRadioGroupControl(WindowRef window, const Rect* boundsRect, ControlRef* outControl);
OSStatus CreateRadioButtonControl(WindowRef window, const Rect* boundsRect, CFStringRef title,
                                  SInt32 initialValue, Boolean autoToggle, ControlRef* outControl);
OSStatus CreateEditUnicodeTextControl(WindowRef window, const Rect* boundsRect, CFStringRef text,
                                      Boolean isPassword, const ControlFontStyleRec* style,
                                      ControlRef* outControl);
OSStatus CreateStaticTextControl(WindowRef window, const Rect* boundsRect, CFStringRef text,
                                 const ControlFontStyleRec* style, ControlRef* outControl);
// A stepper: two arrow parts, up (kControlUpButtonPart) and down (kControlDownButtonPart).
// Its value changes only through its action procedure.
OSStatus CreateLittleArrowsControl(WindowRef window, const Rect* boundsRect, SInt32 value,
                                   SInt32 minimum, SInt32 maximum, SInt32 increment,
                                   ControlRef* outControl);
OSStatus CreateGroupBoxControl(WindowRef window, const Rect* boundsRect, CFStringRef title,
                               Boolean primary, ControlRef* outControl);
// Disposes of the control and every control embedded in it.
void DisposeControl(ControlRef theControl);

// Identity and kind.
OSStatus SetControlID(ControlRef inControl, const ControlID* inID);
OSStatus GetControlID(ControlRef inControl, ControlID* outID);
// The first control of the window (depth first, in embedding order) with that identifier;
// errUnknownControl when there is none.
OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl);
OSStatus GetControlKind(ControlRef inControl, ControlKind* outKind);
WindowRef GetControlOwner(ControlRef theControl);
void SetControlReference(ControlRef theControl, SRefCon data);
SRefCon GetControlReference(ControlRef theControl);

// Values. Setting a value keeps it within minimum and maximum; setting a limit pulls the
// value in. The 16-bit calls truncate.
SInt32 GetControl32BitValue(ControlRef theControl);
void SetControl32BitValue(ControlRef theControl, SInt32 newValue);
SInt32 GetControl32BitMinimum(ControlRef theControl);
void SetControl32BitMinimum(ControlRef theControl, SInt32 newMinimum);
SInt32 GetControl32BitMaximum(ControlRef theControl);
void SetControl32BitMaximum(ControlRef theControl, SInt32 newMaximum);
SInt16 GetControlValue(ControlRef theControl);
void SetControlValue(ControlRef theControl, SInt16 newValue);
SInt16 GetControlMinimum(ControlRef theControl);
void SetControlMinimum(ControlRef theControl, SInt16 newMinimum);
SInt16 GetControlMaximum(ControlRef theControl);
void SetControlMaximum(ControlRef theControl, SInt16 newMaximum);

// Titles. CopyControlTitleAsCFString gives a new string (the caller releases it).
OSStatus SetControlTitleWithCFString(ControlRef inControl, CFStringRef inString);
OSStatus CopyControlTitleAsCFString(ControlRef inControl, CFStringRef* outString);

// Control data by tag. Text controls (edit and static text) hold their text; edit text
// also a selection and a key filter, and can be locked (the user cannot change its text).
// A CFString read through kControlEditTextCFStringTag is a new string that the caller
// releases; one written is copied. errDataNotSupported for a tag the control lacks,
// errDataSizeMismatch for a wrong size.

enum : OSType {
    kControlEditTextCFStringTag = 'cfst',
    kControlStaticTextCFStringTag = 'cfst',
    kControlEditTextTextTag = 'text',  // the text as UTF-8 bytes (no NUL)
    kControlStaticTextTextTag = 'text',
    kControlEditTextSelectionTag = 'sele',
    kControlEditTextKeyFilterTag = 'fltr',
    kControlKeyFilterTag = 'fltr',
    kControlEditTextLockedTag = 'lock',
};
// Selection in UTF-16 units of the text: start and end, the caret when equal.
struct ControlEditTextSelectionRec {
    SInt16 selStart;
    SInt16 selEnd;
};
OSErr SetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName, Size inSize,
                     const void* inData);
OSErr GetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName,
                     Size inBufferSize, void* inBuffer, Size* outActualSize);
OSErr GetControlDataSize(ControlRef inControl, ControlPartCode inPart, ResType inTagName,
                         Size* outMaxSize);

// Enabled and visible state. A control counts as enabled (visible) when it and every control
// it is embedded in are.
OSStatus EnableControl(ControlRef inControl);
OSStatus DisableControl(ControlRef inControl);
Boolean IsControlEnabled(ControlRef inControl);
void ShowControl(ControlRef theControl);
void HideControl(ControlRef theControl);
OSErr SetControlVisibility(ControlRef inControl, Boolean inIsVisible, Boolean inDoDraw);
Boolean IsControlVisible(ControlRef inControl);

// Bounds (window coordinates). Moving a control moves the controls embedded in it with it.
Rect* GetControlBounds(ControlRef control, Rect* bounds);
void SetControlBounds(ControlRef control, const Rect* bounds);
void MoveControl(ControlRef theControl, SInt16 h, SInt16 v);
void SizeControl(ControlRef theControl, SInt16 w, SInt16 h);
// Asks the back end to show the control anew.
void Draw1Control(ControlRef theControl);

// Embedding. A control embedded in a control of another window moves to that window with
// the controls embedded in it. Sub-controls are counted and indexed from 1.
OSErr GetRootControl(WindowRef inWindow, ControlRef* outControl);
OSErr EmbedControl(ControlRef inControl, ControlRef inContainer);
OSErr GetSuperControl(ControlRef inControl, ControlRef* outParent);
OSErr CountSubControls(ControlRef inControl, UInt16* outNumChildren);
OSErr GetIndexedSubControl(ControlRef inControl, UInt16 inIndex, ControlRef* outSubControl);

// The keyboard focus of a window. Changing it sends kEventControlSetFocusPart to the control
// losing it (part kControlFocusNoPart) and then to the one taking it; the standard handler of
// that event makes the change, so a handler that returns noErr without passing it on keeps
// the focus where it was. Only edit text takes the focus.
OSErr SetKeyboardFocus(WindowRef inWindow, ControlRef inControl, ControlFocusPart inPart);
OSErr GetKeyboardFocus(WindowRef inWindow, ControlRef* outControl);
OSErr ClearKeyboardFocus(WindowRef inWindow);

// Action procedure: called while the mouse is pressed on the control (once at the press)
// and by a stepper's arrow parts.
void SetControlAction(ControlRef theControl, ControlActionUPP actionProc);
ControlActionUPP GetControlAction(ControlRef theControl);

// The standard handling of a mouse press on inPart of the control (the standard handler of
// kEventControlClick calls it): an edit text takes the focus; the action procedure
// (inAction, or the control's own when inAction is (ControlActionUPP)-1) runs once; the back
// end tracks the mouse until it is released (timers fire meanwhile); released inside, a check
// box or radio button toggles, a radio button in a group selects itself, and
// kEventControlHit is sent to the control. Returns the part released in, 0 when outside or
// when the control is disabled or hidden.
ControlPartCode HandleControlClick(ControlRef inControl, Point inWhere, EventModifiers inModifiers,
                                   ControlActionUPP inAction);
// Mac key codes and character codes of the keys that text controls handle.
enum : SInt16 {
    kBackspaceCharCode = 8,
    kTabCharCode = 9,
    kReturnCharCode = 13,
    kLeftArrowCharCode = 28,
    kRightArrowCharCode = 29,
    kUpArrowCharCode = 30,
    kDownArrowCharCode = 31,
    kDeleteCharCode = 127,
    kVK_Delete = 51,
    kVK_LeftArrow = 123,
    kVK_RightArrow = 124,
    kVK_DownArrow = 125,
    kVK_UpArrow = 126,
};

// The standard handling of a key typed in the control: its key filter first (a blocked key is
// lost); then an edit text inserts the character over the selection, or for backspace (8),
// forward delete (127), left (28) and right (29) arrows edits or moves the caret; a locked
// edit text ignores keys that would change its text. Returns the part that took the key.
ControlPartCode HandleControlKey(ControlRef inControl, SInt16 inKeyCode, SInt16 inCharCode,
                                 EventModifiers inModifiers);
