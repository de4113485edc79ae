// Types shared by the controls, events, windows, alerts and image import of the controls layer:
// opaque references, QuickDraw rectangles and points, part codes and modifiers.
#pragma once

#include "platform/CFBase.h"
#include "platform/MacTypes.h"

// Opaque references. Controls and windows are objects of the controls core; a reference is
// valid until the object is disposed of (a window disposes of every control it holds).
typedef struct OpaqueControlRef* ControlRef;
typedef struct OpaqueWindowPtr* WindowRef;
typedef struct OpaqueDialogPtr* DialogRef;
typedef struct OpaqueMenuRef* MenuRef;
typedef UInt16 MenuItemIndex;

// QuickDraw coordinates (Rect and Point, in MacTypes.h) are 16-bit. Control bounds are window coordinates, as in a
// non-compositing window: embedding a control in another keeps its bounds.
struct Rect {
    SInt16 top;
    SInt16 left;
    SInt16 bottom;
    SInt16 right;
};
struct RGBColor {
    UInt16 red;
    UInt16 green;
    UInt16 blue;
};

// A drawing port: every window has one (GetWindowPort).
typedef struct OpaqueGrafPtr* GrafPtr;
typedef GrafPtr CGrafPtr;
typedef struct OpaqueGDevice** GDHandle;

typedef SInt16 ControlPartCode;
typedef ControlPartCode ControlFocusPart;
enum : SInt16 {
    kControlNoPart = 0,
    kControlEditTextPart = 5,
    kControlButtonPart = 10,
    kControlCheckBoxPart = 11,
    kControlRadioButtonPart = 12,
    kControlUpButtonPart = 20,
    kControlDownButtonPart = 21,
    kControlRadioGroupPart = 27,
    kControlFocusNoPart = 0,
    kControlFocusNextPart = -1,
    kControlFocusPrevPart = -2,
    kControlEntireControl = 0,
};

// Modifier keys of a key or mouse event.
typedef UInt16 EventModifiers;
enum : UInt16 {
    cmdKey = 1 << 8,
    shiftKey = 1 << 9,
    alphaLock = 1 << 10,
    optionKey = 1 << 11,
    controlKey = 1 << 12,
};
