// The back end of the controls layer. The core (controls, values, focus, handlers, event
// path, timers, scrap) lives in this library; a back end only shows windows and controls,
// keeps the clock, tracks the mouse while a button is held and shows alerts, and turns a
// person's input into the core's events. The headless back end is the default.
#pragma once

#include <string>
#include <vector>

#include "platform/controls/CarbonEvents.h"
#include "platform/controls/Dialogs.h"

// What changed in a control or window, for a back end that shows it.
enum class ControlChange {
    Created,
    Disposed,
    Value,
    Limits,
    Title,
    Text,
    Selection,
    Enabled,
    Visible,
    Bounds,
    Embedding,
    Focus,
    Drawn,
};
enum class WindowChange { Created, Disposed, Visible, Title, DefaultButton, Image };

// An image drawn into a window (GraphicsImportDraw): the window shows it at its bounds until
// another image is drawn over that place. pixbuf is the GdkPixbuf*, held by the window.
struct DrawnImage {
    Rect bounds;
    SInt32 mode;
    std::string path;
    SInt32 width;
    SInt32 height;
    void* pixbuf;
};

class ControlsBackend {
public:
    virtual ~ControlsBackend() = default;
    // The clock of events and timers.
    virtual EventTime Now() = 0;
    // A timer was installed, removed or rescheduled: ControlsNextTimerFireTime has changed.
    virtual void TimersChanged() {}
    // Called with the mouse pressed on the part of the control; returns when the button is
    // released, running the event loop (timers fire) meanwhile. True when released inside.
    virtual bool TrackMouse(ControlRef control, ControlPartCode part) = 0;
    // Shows an alert, waits for it to be dismissed and returns the button that did.
    virtual DialogItemIndex RunAlert(AlertType type, CFStringRef message,
                                     CFStringRef explanation) = 0;
    virtual void ControlChanged(ControlRef control, ControlChange change) {
        (void)control;
        (void)change;
    }
    virtual void WindowChanged(WindowRef window, WindowChange change) {
        (void)window;
        (void)change;
    }
};

// Installs a back end (not owned) and returns the previous one; null brings back the default
// headless back end. Install it before creating windows.
ControlsBackend* ControlsSetBackend(ControlsBackend* backend);
ControlsBackend* ControlsGetBackend(void);

// For back ends: the due time of the earliest timer (kEventDurationForever when none), and
// firing every timer due at `now` once, earliest first (a timer late by more than its interval
// fires again at the next call).
EventTime ControlsNextTimerFireTime(void);
void ControlsFireDueTimers(EventTime now);

// For back ends turning a person's input into events: a mouse press at `where` on the
// control (kEventControlClick to the control; its standard handling tracks the mouse with
// TrackMouse and sends the hit), and a command to a target (kEventCommandProcess; a text
// field handles select-all itself). Keys go to HandleControlKey of the focused control.
OSStatus ControlsSendClick(ControlRef control, Point where, EventModifiers modifiers);
OSStatus ControlsSendCommand(EventTargetRef target, UInt32 commandID);

// The images drawn into a window, oldest first.
std::vector<DrawnImage> ControlsCopyWindowImages(WindowRef window);

// Every window that exists, oldest first.
std::vector<WindowRef> ControlsCopyWindows(void);
