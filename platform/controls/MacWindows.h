// Windows of the controls layer: creation with a root control, visibility, title, the
// default button and the drawing port.
#pragma once

#include "platform/CFString.h"
#include "platform/controls/CarbonTypes.h"

typedef UInt32 WindowClass;
enum : UInt32 {
    kAlertWindowClass = 1,
    kMovableAlertWindowClass = 2,
    kModalWindowClass = 3,
    kMovableModalWindowClass = 4,
    kFloatingWindowClass = 5,
    kDocumentWindowClass = 6,
    kSheetWindowClass = 11,
};
typedef UInt32 WindowAttributes;
enum : UInt32 { kWindowNoAttributes = 0 };

// A new window, hidden, with its root control covering contentBounds (window coordinates
// start at 0, 0).
OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes,
                         const Rect* contentBounds, WindowRef* outWindow);
// Disposes of the window with its controls and the event handlers installed on them.
void DisposeWindow(WindowRef window);
void ShowWindow(WindowRef window);
void HideWindow(WindowRef window);
Boolean IsWindowVisible(WindowRef window);
OSStatus SetWindowTitleWithCFString(WindowRef inWindow, CFStringRef inString);
OSStatus CopyWindowTitleAsCFString(WindowRef inWindow, CFStringRef* outString);
// The button that Return presses (the Print button of a print dialog).
OSStatus SetWindowDefaultButton(WindowRef inWindow, ControlRef inControl);
OSStatus GetWindowDefaultButton(WindowRef inWindow, ControlRef* outControl);
CGrafPtr GetWindowPort(WindowRef window);
WindowRef GetWindowFromPort(CGrafPtr port);
