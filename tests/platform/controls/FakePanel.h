// A small panel for the controls layer's tests: the interface file's controls merged into a
// dialog's pane, a window handler that logs the four event kinds, a key filter on the offset
// fields, arrow actions with an auto-repeat timer, and a Print button it may refuse.
#pragma once

#include <string>
#include <vector>

#include "platform/controls/Carbon.h"
#include "platform/controls/HeadlessBackend.h"

class FakePanel {
public:
    FakePanel();
    ~FakePanel();

    ControlRef Get(SInt32 number) const;
    static std::string ResourcePath(const char* name);

    WindowRef dialog = nullptr;
    ControlRef pane = nullptr;
    ControlRef print = nullptr;
    EventHandlerRef windowHandler = nullptr;
    std::vector<std::string> log;  // "hit 4201 11", "click 4213", "focus 4203 5", "paste 12,5"
    int steps = 0;                 // arrow steps, by the action procedure and the timer
    int stepLimit = 1000;          // the timer stops itself when steps reach it
    bool refusePrint = false;
    bool timerStopped = false;

private:
    static OSStatus Handler(EventHandlerCallRef call, EventRef event, void* data);
    static void Action(ControlRef control, ControlPartCode part);
    static void Repeat(EventLoopTimerRef timer, void* data);
    static ControlKeyFilterResult Filter(ControlRef control, SInt16* keyCode, SInt16* charCode,
                                         EventModifiers* modifiers);
};
