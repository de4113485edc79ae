// A simulated person at the headless back end: every action goes through the events a
// person's would (clicks with tracking and timers, focus changes, keys through the key
// filter, the paste command), and the state of a window's controls can be read as JSON.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "platform/controls/Controls.h"
#include "platform/controls/HeadlessBackend.h"

class SimulatedUser {
public:
    // The person works in `window` (the window holding the panel).
    explicit SimulatedUser(HeadlessBackend& backend, WindowRef window = nullptr);

    void SetWindow(WindowRef window) { mWindow = window; }
    WindowRef Window() const { return mWindow; }
    HeadlessBackend& Backend() const { return mBackend; }

    // The control of the window with that identifier, or null.
    ControlRef Find(OSType signature, SInt32 number) const;

    // Presses and releases the mouse on a part of the control (kControlNoPart: the part a
    // click on that kind of control hits; a stepper needs kControlUpButtonPart or
    // kControlDownButtonPart). A control that is hidden or disabled, or not in the window,
    // cannot be clicked: errControlHiddenOrDisabled, nothing happens.
    OSStatus Click(ControlRef control, ControlPartCode part = kControlNoPart);
    // The same, with the button held for `seconds` of the virtual clock.
    OSStatus Hold(ControlRef control, EventTime seconds, ControlPartCode part = kControlNoPart);
    // Clicks the radio button at `index` (from 1) of a radio group.
    OSStatus ClickRadioButton(ControlRef group, UInt16 index);

    // Clicks into the field, selects all its text and types `utf8` key by key; the keys go to
    // whatever has the focus after the click (lost when nothing has).
    OSStatus TypeInto(ControlRef field, const std::string& utf8);
    // Types text, or one key, into the control that has the focus.
    OSStatus Type(const std::string& utf8);
    OSStatus PressKey(SInt16 keyCode, SInt16 charCode, EventModifiers modifiers = 0);
    // Clicks into the field unless it has the focus, then presses an arrow key
    // (kUpArrowCharCode, kDownArrowCharCode, kLeftArrowCharCode, kRightArrowCharCode).
    OSStatus ArrowKey(ControlRef field, SInt16 arrowCharCode);
    // Moves the focus away from the focused control.
    OSStatus Blur();
    // Puts the bytes on the scrap as 'TEXT' and sends the paste command to the focus (the
    // window when nothing has it).
    OSStatus Paste(const std::string& bytes);
    // Lets the virtual clock run.
    void Wait(EventTime seconds) { mBackend.Advance(seconds); }

    // {"controls": {"4201": {"value", "min", "max", "text" (null unless a text control),
    // "title", "enabled", "visible", "bounds": [left, top, right, bottom]}, ...},
    // "alerts": [...]}: every control of the window with that signature and a number.
    nlohmann::ordered_json State(OSType signature) const;

private:
    HeadlessBackend& mBackend;
    WindowRef mWindow;
};
