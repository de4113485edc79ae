// Carbon events: event objects and their parameters, handlers on targets, the event path
// with CallNextEventHandler and the standard handlers, and event-loop timers.
#include "platform/controls/CarbonEvents.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>

#include "platform/controls/ControlsInternal.h"

struct OpaqueEventRef {
    int references = 1;
    UInt32 eventClass = 0;
    UInt32 eventKind = 0;
    EventTime when = 0;
    struct Parameter {
        EventParamType type;
        std::vector<uint8_t> bytes;
    };
    std::map<EventParamName, Parameter> parameters;
};

// The one event loop.
struct OpaqueEventLoopRef {
} gMainLoop;

// One run of an event along its path: the handler numbers in order, the next to run, and
// whether the standard handler has run.
struct OpaqueEventHandlerCallRef {
    std::vector<uintptr_t> path;
    size_t next = 0;
    ControlRef control = nullptr;  // the control the event was sent to, if any
    bool standardDone = false;
};

namespace {

struct Handler {
    EventTargetRef target;
    EventHandlerUPP proc;
    std::vector<EventTypeSpec> types;
    void* userData;
};

struct Timer {
    EventLoopTimerUPP proc;
    void* userData;
    EventTime base;      // when the schedule started
    EventTime first;     // first firing after base
    EventTime interval;  // 0: once
    uint64_t fired;      // firings since base
    bool armed;
    EventTime Due() const { return base + first + static_cast<EventTime>(fired) * interval; }
};

// Handlers and timers are named by numbers that are never reused, so a reference kept after
// its removal finds nothing instead of another object.
struct EventState {
    std::unordered_map<uintptr_t, Handler> handlers;
    uintptr_t nextHandler = 1;
    std::map<uintptr_t, Timer> timers;
    uintptr_t nextTimer = 1;
    OpaqueEventTargetRef application;
};

EventState& State() {
    static EventState state;
    return state;
}

// Timers are due a little early rather than a rounding error late.
constexpr EventTime kTimeSlack = 1e-9;

bool Matches(const Handler& handler, EventRef event) {
    for (const EventTypeSpec& spec : handler.types) {
        if (spec.eventClass == event->eventClass && spec.eventKind == event->eventKind) {
            return true;
        }
    }
    return false;
}

void AppendTarget(std::vector<uintptr_t>& path, EventTargetRef target) {
    path.insert(path.end(), target->handlers.begin(), target->handlers.end());
}

// The standard handlers of control and command events.
OSStatus StandardHandler(EventRef event, ControlRef control) {
    if (control != nullptr && !controls::ControlExists(control)) {
        return eventNotHandledErr;  // a handler disposed of the control
    }
    if (event->eventClass == kEventClassControl && control != nullptr) {
        if (event->eventKind == kEventControlSetFocusPart) {
            ControlPartCode part = kControlFocusNoPart;
            GetEventParameter(event, kEventParamControlPart, typeControlPartCode, nullptr,
                              sizeof(part), nullptr, &part);
            WindowRef window = control->window;
            bool focused = window != nullptr && window->focus == control;
            // The next part of a control that has only one: out of it when it has the focus.
            bool losing = part == kControlFocusNoPart || (part < 0 && focused);
            if (losing) {
                if (focused) {
                    window->focus = nullptr;
                }
                control->focusPart = kControlFocusNoPart;
                controls::Notify(control, ControlChange::Focus);
                return noErr;
            }
            if (window == nullptr || control->kind.kind != kControlKindEditUnicodeText ||
                !IsControlVisible(control) || !IsControlEnabled(control)) {
                return errCouldntSetFocus;
            }
            if (part < 0) {
                part = kControlEditTextPart;
            }
            window->focus = control;
            control->focusPart = part;
            SetEventParameter(event, kEventParamControlPart, typeControlPartCode, sizeof(part),
                              &part);
            controls::Notify(control, ControlChange::Focus);
            return noErr;
        }
        if (event->eventKind == kEventControlClick) {
            Point where{0, 0};
            if (GetEventParameter(event, kEventParamMouseLocation, typeQDPoint, nullptr,
                                  sizeof(where), nullptr, &where) != noErr) {
                where.h = static_cast<SInt16>((control->bounds.left + control->bounds.right) / 2);
                where.v = static_cast<SInt16>((control->bounds.top + control->bounds.bottom) / 2);
            }
            UInt32 modifiers = 0;
            GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr,
                              sizeof(modifiers), nullptr, &modifiers);
            HandleControlClick(control, where, static_cast<EventModifiers>(modifiers),
                               reinterpret_cast<ControlActionUPP>(-1));
            return noErr;
        }
    }
    if (event->eventClass == kEventClassCommand && event->eventKind == kEventCommandProcess &&
        control != nullptr && control->kind.kind == kControlKindEditUnicodeText) {
        HICommand command{};
        if (GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr,
                              sizeof(command), nullptr, &command) == noErr &&
            command.commandID == kHICommandSelectAll) {
            ControlEditTextSelectionRec all{0, static_cast<SInt16>(control->text.size())};
            return SetControlData(control, kControlEntireControl, kControlEditTextSelectionTag,
                                  sizeof(all), &all);
        }
    }
    return eventNotHandledErr;
}

OSStatus RunPath(OpaqueEventHandlerCallRef& call, EventRef event) {
    EventState& state = State();
    while (call.next < call.path.size()) {
        uintptr_t number = call.path[call.next++];
        auto found = state.handlers.find(number);
        if (found == state.handlers.end() || !Matches(found->second, event)) {
            continue;  // removed meanwhile, or not for this event
        }
        EventHandlerUPP proc = found->second.proc;
        void* userData = found->second.userData;
        OSStatus result = proc(&call, event, userData);
        if (result != eventNotHandledErr) {
            return result;
        }
    }
    if (call.standardDone) {
        return eventNotHandledErr;
    }
    call.standardDone = true;
    return StandardHandler(event, call.control);
}

}  // namespace

EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine) {
    return userRoutine;
}
void DisposeEventHandlerUPP(EventHandlerUPP) {}
EventLoopTimerUPP NewEventLoopTimerUPP(EventLoopTimerProcPtr userRoutine) {
    return userRoutine;
}
void DisposeEventLoopTimerUPP(EventLoopTimerUPP) {}

OSStatus CreateEvent(CFAllocatorRef, UInt32 inClassID, UInt32 inKind, EventTime inWhen,
                     EventAttributes, EventRef* outEvent) {
    if (outEvent == nullptr) {
        return paramErr;
    }
    *outEvent = new (std::nothrow) OpaqueEventRef;
    if (*outEvent == nullptr) {
        return memFullErr;
    }
    (*outEvent)->eventClass = inClassID;
    (*outEvent)->eventKind = inKind;
    (*outEvent)->when = inWhen != 0 ? inWhen : GetCurrentEventTime();
    return noErr;
}

EventRef RetainEvent(EventRef inEvent) {
    if (inEvent != nullptr) {
        ++inEvent->references;
    }
    return inEvent;
}

void ReleaseEvent(EventRef inEvent) {
    if (inEvent != nullptr && --inEvent->references == 0) {
        delete inEvent;
    }
}

UInt32 GetEventClass(EventRef inEvent) {
    return inEvent != nullptr ? inEvent->eventClass : 0;
}
UInt32 GetEventKind(EventRef inEvent) {
    return inEvent != nullptr ? inEvent->eventKind : 0;
}
EventTime GetEventTime(EventRef inEvent) {
    return inEvent != nullptr ? inEvent->when : 0;
}

OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           ByteCount inSize, const void* inDataPtr) {
    if (inEvent == nullptr || (inDataPtr == nullptr && inSize != 0)) {
        return paramErr;
    }
    OpaqueEventRef::Parameter& parameter = inEvent->parameters[inName];
    parameter.type = inType;
    const uint8_t* bytes = static_cast<const uint8_t*>(inDataPtr);
    parameter.bytes.assign(bytes, bytes + inSize);
    return noErr;
}

OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize,
                           ByteCount* outActualSize, void* outData) {
    if (inEvent == nullptr) {
        return paramErr;
    }
    auto found = inEvent->parameters.find(inName);
    if (found == inEvent->parameters.end() ||
        (inDesiredType != typeWildCard && found->second.type != inDesiredType)) {
        return eventParameterNotFoundErr;
    }
    const std::vector<uint8_t>& bytes = found->second.bytes;
    if (outActualType != nullptr) {
        *outActualType = found->second.type;
    }
    if (outActualSize != nullptr) {
        *outActualSize = static_cast<ByteCount>(bytes.size());
    }
    if (outData != nullptr) {
        std::memcpy(outData, bytes.data(), std::min<size_t>(inBufferSize, bytes.size()));
    }
    return noErr;
}

EventTargetRef GetControlEventTarget(ControlRef inControl) {
    return inControl != nullptr ? &inControl->target : nullptr;
}
EventTargetRef GetWindowEventTarget(WindowRef inWindow) {
    return inWindow != nullptr ? &inWindow->target : nullptr;
}
EventTargetRef GetApplicationEventTarget(void) {
    return &State().application;
}

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                             ItemCount inNumTypes, const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef) {
    if (inTarget == nullptr || inHandler == nullptr || (inList == nullptr && inNumTypes != 0)) {
        return paramErr;
    }
    EventState& state = State();
    uintptr_t number = state.nextHandler++;
    state.handlers[number] = Handler{
        inTarget, inHandler, std::vector<EventTypeSpec>(inList, inList + inNumTypes), inUserData};
    inTarget->handlers.insert(inTarget->handlers.begin(), number);
    if (outRef != nullptr) {
        *outRef = reinterpret_cast<EventHandlerRef>(number);
    }
    return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef) {
    EventState& state = State();
    auto found = state.handlers.find(reinterpret_cast<uintptr_t>(inHandlerRef));
    if (found == state.handlers.end()) {
        return paramErr;
    }
    std::vector<uintptr_t>& list = found->second.target->handlers;
    list.erase(std::remove(list.begin(), list.end(), found->first), list.end());
    state.handlers.erase(found);
    return noErr;
}

namespace controls {
void RemoveTargetHandlers(EventTargetRef target) {
    EventState& state = State();
    for (uintptr_t number : target->handlers) {
        state.handlers.erase(number);
    }
    target->handlers.clear();
}
}  // namespace controls

OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent) {
    if (inCallRef == nullptr || inEvent == nullptr) {
        return paramErr;
    }
    return RunPath(*inCallRef, inEvent);
}

OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget) {
    if (inEvent == nullptr || inTarget == nullptr) {
        return paramErr;
    }
    OpaqueEventHandlerCallRef call;
    call.control = inTarget->control;
    WindowRef window = inTarget->window;
    if (inTarget->control != nullptr) {
        for (ControlRef c = inTarget->control; c != nullptr; c = c->parent) {
            AppendTarget(call.path, &c->target);
        }
        window = inTarget->control->window;
    }
    if (window != nullptr) {
        AppendTarget(call.path, &window->target);
    }
    AppendTarget(call.path, &State().application);
    RetainEvent(inEvent);
    OSStatus result = RunPath(call, inEvent);
    ReleaseEvent(inEvent);
    return result;
}

EventTime GetCurrentEventTime(void) {
    return controls::Backend().Now();
}

EventLoopRef GetMainEventLoop(void) {
    return &gMainLoop;
}
EventLoopRef GetCurrentEventLoop(void) {
    return &gMainLoop;
}

OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                               EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc,
                               void* inTimerData, EventLoopTimerRef* outTimer) {
    if (inEventLoop != &gMainLoop || inTimerProc == nullptr || outTimer == nullptr ||
        !(inInterval >= 0)) {
        return paramErr;
    }
    EventState& state = State();
    uintptr_t number = state.nextTimer++;
    bool armed = inFireDelay >= 0;
    state.timers[number] = Timer{
        inTimerProc, inTimerData, GetCurrentEventTime(), armed ? inFireDelay : 0.0, inInterval,
        0,           armed};
    *outTimer = reinterpret_cast<EventLoopTimerRef>(number);
    controls::Backend().TimersChanged();
    return noErr;
}

OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer) {
    if (State().timers.erase(reinterpret_cast<uintptr_t>(inTimer)) == 0) {
        return paramErr;
    }
    controls::Backend().TimersChanged();
    return noErr;
}

OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef inTimer, EventTimerInterval inNextFire) {
    auto found = State().timers.find(reinterpret_cast<uintptr_t>(inTimer));
    if (found == State().timers.end()) {
        return paramErr;
    }
    Timer& timer = found->second;
    timer.armed = inNextFire >= 0;
    timer.base = GetCurrentEventTime();
    timer.first = timer.armed ? inNextFire : 0.0;
    timer.fired = 0;
    controls::Backend().TimersChanged();
    return noErr;
}

EventTime ControlsNextTimerFireTime(void) {
    EventTime next = kEventDurationForever;
    for (const auto& [number, timer] : State().timers) {
        if (timer.armed && (next < 0 || timer.Due() < next)) {
            next = timer.Due();
        }
    }
    return next;
}

void ControlsFireDueTimers(EventTime now) {
    EventState& state = State();
    std::vector<std::pair<EventTime, uintptr_t>> due;
    for (const auto& [number, timer] : state.timers) {
        if (timer.armed && timer.Due() <= now + kTimeSlack) {
            due.emplace_back(timer.Due(), number);
        }
    }
    std::sort(due.begin(), due.end());
    for (const auto& [when, number] : due) {
        // An earlier callback may have removed or rescheduled this timer.
        auto found = state.timers.find(number);
        if (found == state.timers.end() || !found->second.armed ||
            found->second.Due() > now + kTimeSlack) {
            continue;
        }
        Timer& timer = found->second;
        if (timer.interval > 0) {
            ++timer.fired;
        } else {
            timer.armed = false;
        }
        EventLoopTimerUPP proc = timer.proc;
        void* userData = timer.userData;
        proc(reinterpret_cast<EventLoopTimerRef>(number), userData);
    }
}

OSStatus ControlsSendClick(ControlRef control, Point where, EventModifiers modifiers) {
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassControl, kEventControlClick, 0,
                                  kEventAttributeUserEvent, &event);
    if (status != noErr) {
        return status;
    }
    UInt32 keyModifiers = modifiers;
    SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof(control), &control);
    SetEventParameter(event, kEventParamMouseLocation, typeQDPoint, sizeof(where), &where);
    SetEventParameter(event, kEventParamKeyModifiers, typeUInt32, sizeof(keyModifiers),
                      &keyModifiers);
    status = SendEventToEventTarget(event, GetControlEventTarget(control));
    ReleaseEvent(event);
    return status;
}

OSStatus ControlsSendCommand(EventTargetRef target, UInt32 commandID) {
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0,
                                  kEventAttributeUserEvent, &event);
    if (status != noErr) {
        return status;
    }
    HICommand command{};
    command.commandID = commandID;
    SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof(command), &command);
    status = SendEventToEventTarget(event, target);
    ReleaseEvent(event);
    return status;
}
