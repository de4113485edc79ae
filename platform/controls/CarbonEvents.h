// Carbon events of the controls layer: events with typed parameters, handlers per target
// (control, window, application) with CallNextEventHandler, commands, and event-loop timers.
#pragma once

#include "platform/controls/CarbonTypes.h"

typedef struct OpaqueEventRef* EventRef;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef struct OpaqueEventLoopRef* EventLoopRef;
typedef struct OpaqueEventLoopTimerRef* EventLoopTimerRef;

// Times in seconds. The clock is the back end's: real time in a display back end, a virtual
// clock that the caller advances in the headless one.
typedef double EventTime;
typedef EventTime EventTimeout;
typedef EventTime EventTimerInterval;
#define kEventDurationSecond 1.0
#define kEventDurationMillisecond (kEventDurationSecond / 1000)
#define kEventDurationNoWait 0.0
#define kEventDurationForever (-1.0)

typedef UInt32 EventAttributes;
enum : UInt32 { kEventAttributeNone = 0, kEventAttributeUserEvent = 1 };

typedef OSType EventParamName;
typedef OSType EventParamType;

enum : UInt32 {
    kEventClassMouse = 'mous',
    kEventClassKeyboard = 'keyb',
    kEventClassCommand = 'cmds',
    kEventClassWindow = 'wind',
    kEventClassControl = 'cntl',
};

// Control events: a control was hit (the mouse was released inside after a click), a click
// began on it (its standard handling tracks the mouse), its focus part changes (part 0 or
// below: it loses the keyboard focus).
enum : UInt32 {
    kEventControlHit = 1,
    kEventControlSetFocusPart = 7,
    kEventControlClick = 13,
};
enum : UInt32 { kEventCommandProcess = 1 };

enum : OSType {
    kEventParamDirectObject = '----',
    kEventParamControlPart = 'cprt',
    kEventParamKeyModifiers = 'kmod',
    kEventParamMouseLocation = 'mloc',
};
enum : OSType {
    typeControlRef = 'ctrl',
    typeWindowRef = 'wind',
    typeControlPartCode = 'cprt',
    typeHICommand = 'hcmd',
    typeUInt32 = 'magn',
    typeQDPoint = 'QDpt',
};

// A command (menu item or button command) and its identifier.
struct HICommand {
    UInt32 attributes;
    UInt32 commandID;
    struct {
        MenuRef menuRef;
        MenuItemIndex menuItemIndex;
    } menu;
};
enum : UInt32 {
    kHICommandOK = 'ok  ',
    kHICommandCancel = 'not!',
    kHICommandCut = 'cut ',
    kHICommandCopy = 'copy',
    kHICommandPaste = 'past',
    kHICommandClear = 'clea',
    kHICommandSelectAll = 'sall',
};

enum : OSStatus {
    eventInternalErr = -9868,
    eventKindIncorrectErr = -9869,
    eventParameterNotFoundErr = -9870,
    eventHandlerAlreadyInstalledErr = -9872,
    eventNotHandledErr = -9874,
    eventLoopTimedOutErr = -9875,
    eventTargetBusyErr = -9862,
    eventClassInvalidErr = -9860,
};

struct EventTypeSpec {
    UInt32 eventClass;
    UInt32 eventKind;
};
#define GetEventTypeCount(t) ((ItemCount)(sizeof(t) / sizeof(EventTypeSpec)))

// Callbacks. A universal procedure pointer is the function pointer itself here; the New and
// Dispose calls exist so that the platform's code reads as written.
typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                        void* inUserData);
typedef EventHandlerProcPtr EventHandlerUPP;
EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine);
void DisposeEventHandlerUPP(EventHandlerUPP userUPP);

typedef void (*EventLoopTimerProcPtr)(EventLoopTimerRef inTimer, void* inUserData);
typedef EventLoopTimerProcPtr EventLoopTimerUPP;
EventLoopTimerUPP NewEventLoopTimerUPP(EventLoopTimerProcPtr userRoutine);
void DisposeEventLoopTimerUPP(EventLoopTimerUPP userUPP);

// Events. An event is reference counted: CreateEvent gives one reference.
OSStatus CreateEvent(CFAllocatorRef inAllocator, UInt32 inClassID, UInt32 inKind, EventTime inWhen,
                     EventAttributes inAttributes, EventRef* outEvent);
EventRef RetainEvent(EventRef inEvent);
void ReleaseEvent(EventRef inEvent);
UInt32 GetEventClass(EventRef inEvent);
UInt32 GetEventKind(EventRef inEvent);
EventTime GetEventTime(EventRef inEvent);
OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           ByteCount inSize, const void* inDataPtr);
// Copies the parameter into outData when it is stored with inDesiredType (typeWildCard takes
// any); eventParameterNotFoundErr when absent or of another type.
OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize,
                           ByteCount* outActualSize, void* outData);
enum : OSType { typeWildCard = '****' };

// Targets and handlers. An event sent to a control goes to the control's handlers (newest
// first), then to those of each control it is embedded in, of its window and of the
// application, and at last to the standard handler of the event. A handler that returns
// eventNotHandledErr passes the event on; CallNextEventHandler runs the rest of that path
// (the standard handler included) at once and returns its result.
EventTargetRef GetControlEventTarget(ControlRef inControl);
EventTargetRef GetWindowEventTarget(WindowRef inWindow);
EventTargetRef GetApplicationEventTarget(void);
OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                             ItemCount inNumTypes, const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef);
// paramErr for a handler that is no longer installed.
OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);
OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent);
OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget);

inline OSStatus InstallControlEventHandler(ControlRef control, EventHandlerUPP handler,
                                           ItemCount numTypes, const EventTypeSpec* list,
                                           void* userData, EventHandlerRef* outRef) {
    return InstallEventHandler(GetControlEventTarget(control), handler, numTypes, list, userData,
                               outRef);
}
inline OSStatus InstallWindowEventHandler(WindowRef window, EventHandlerUPP handler,
                                          ItemCount numTypes, const EventTypeSpec* list,
                                          void* userData, EventHandlerRef* outRef) {
    return InstallEventHandler(GetWindowEventTarget(window), handler, numTypes, list, userData,
                               outRef);
}
inline OSStatus InstallApplicationEventHandler(EventHandlerUPP handler, ItemCount numTypes,
                                               const EventTypeSpec* list, void* userData,
                                               EventHandlerRef* outRef) {
    return InstallEventHandler(GetApplicationEventTarget(), handler, numTypes, list, userData,
                               outRef);
}

// The back end's clock.
EventTime GetCurrentEventTime(void);

// Event-loop timers. There is one event loop, the main one. A timer first fires inFireDelay
// after its installation, then every inInterval (0: once). Timers fire from the event loop:
// while a back end waits for input (a mouse button held, an alert open) or, headless, while
// the caller advances the virtual clock. A timer may remove itself from its own callback;
// removing a timer that is already removed gives paramErr, never a crash.
EventLoopRef GetMainEventLoop(void);
EventLoopRef GetCurrentEventLoop(void);
OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                               EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc,
                               void* inTimerData, EventLoopTimerRef* outTimer);
OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer);
// The next firing comes inNextFire from now (kEventDurationForever: never, until set again).
OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef inTimer, EventTimerInterval inNextFire);
