// The tests' small panel (see FakePanel.h).
#include "FakePanel.h"

#include <gtest/gtest.h>

FakePanel::FakePanel() {
    Rect dialogBounds{0, 0, 260, 540};
    EXPECT_EQ(noErr, CreateNewWindow(kMovableModalWindowClass, kWindowNoAttributes, &dialogBounds,
                                     &dialog));
    Rect paneBounds{0, 0, 200, 525};
    EXPECT_EQ(noErr, CreateUserPaneControl(dialog, &paneBounds, 0, &pane));
    Rect printBounds{230, 440, 250, 520};
    EXPECT_EQ(noErr, CreatePushButtonControl(dialog, &printBounds, CFSTR("Print"), &print));
    SetWindowDefaultButton(dialog, print);

    CFStringRef path = CFStringCreateWithCString(nullptr, ResourcePath("ImageShift.ui").c_str(),
                                                 kCFStringEncodingUTF8);
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, path, kCFURLPOSIXPathStyle, false);
    CFRelease(path);
    IBNibRef nib = nullptr;
    EXPECT_EQ(noErr, CreateNibReferenceWithCFURL(url, &nib));
    CFRelease(url);
    WindowRef nibWindow = nullptr;
    EXPECT_EQ(noErr, CreateWindowFromNib(nib, CFSTR("ImageShift"), &nibWindow));
    DisposeNibReference(nib);
    ControlRef root = nullptr;
    GetRootControl(nibWindow, &root);
    UInt16 count = 0;
    while (CountSubControls(root, &count) == noErr && count > 0) {
        ControlRef control = nullptr;
        GetIndexedSubControl(root, 1, &control);
        EmbedControl(control, pane);
        SetControlReference(control, this);
    }
    DisposeWindow(nibWindow);

    static const EventTypeSpec kEvents[] = {{kEventClassControl, kEventControlHit},
                                            {kEventClassControl, kEventControlClick},
                                            {kEventClassControl, kEventControlSetFocusPart},
                                            {kEventClassCommand, kEventCommandProcess}};
    InstallWindowEventHandler(dialog, NewEventHandlerUPP(Handler), GetEventTypeCount(kEvents),
                              kEvents, this, &windowHandler);
    ControlKeyFilterUPP filter = NewControlKeyFilterUPP(Filter);
    for (SInt32 number = 4203; number <= 4206; ++number) {
        SetControlData(Get(number), kControlEntireControl, kControlEditTextKeyFilterTag,
                       sizeof(filter), &filter);
    }
    for (SInt32 number : {4207, 4208, 4209, 4210, 4213, 4214, 4215, 4216, 4217, 4218, 4219, 4220}) {
        SetControlAction(Get(number), NewControlActionUPP(Action));
    }
    ShowWindow(dialog);
}

FakePanel::~FakePanel() {
    DisposeWindow(dialog);
    HeadlessBackend::Default().ClearAlerts();
}

std::string FakePanel::ResourcePath(const char* name) {
    return std::string(ZEQ_BUNDLE_RESOURCES) + "/" + name;
}

ControlRef FakePanel::Get(SInt32 number) const {
    ControlID id{'ImSh', number};
    ControlRef control = nullptr;
    GetControlByID(dialog, &id, &control);
    return control;
}

OSStatus FakePanel::Handler(EventHandlerCallRef call, EventRef event, void* data) {
    auto* panel = static_cast<FakePanel*>(data);
    if (GetEventClass(event) == kEventClassCommand) {
        HICommand command{};
        GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof(command),
                          nullptr, &command);
        if (command.commandID != kHICommandPaste) {
            return eventNotHandledErr;
        }
        ScrapRef scrap = nullptr;
        GetCurrentScrap(&scrap);
        char bytes[64] = {};
        Size size = sizeof(bytes) - 1;
        GetScrapFlavorData(scrap, kScrapFlavorTypeText, &size, bytes);
        panel->log.push_back("paste " + std::string(bytes, static_cast<size_t>(size)));
        return noErr;
    }
    ControlRef control = nullptr;
    GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof(control),
                      nullptr, &control);
    ControlID id{};
    GetControlID(control, &id);
    std::string number = control == panel->print ? "print" : std::to_string(id.id);
    ControlPartCode part = 0;
    GetEventParameter(event, kEventParamControlPart, typeControlPartCode, nullptr, sizeof(part),
                      nullptr, &part);
    switch (GetEventKind(event)) {
        case kEventControlHit:
            panel->log.push_back("hit " + number + " " + std::to_string(part));
            return noErr;
        case kEventControlSetFocusPart:
            panel->log.push_back("focus " + number + " " + std::to_string(part));
            return eventNotHandledErr;
        case kEventControlClick:
            panel->log.push_back("click " + number);
            if (control == panel->print && panel->refusePrint) {
                return noErr;  // swallowed: no tracking, no hit
            }
            if (id.id >= 4213 && id.id <= 4220) {
                EventLoopTimerRef timer = nullptr;
                panel->timerStopped = false;
                InstallEventLoopTimer(GetMainEventLoop(), 0.5, 0.1, NewEventLoopTimerUPP(Repeat),
                                      panel, &timer);
                CallNextEventHandler(call, event);
                if (!panel->timerStopped) {
                    RemoveEventLoopTimer(timer);
                }
                return noErr;
            }
            return eventNotHandledErr;
        default:
            return eventNotHandledErr;
    }
}

void FakePanel::Action(ControlRef control, ControlPartCode part) {
    auto* panel = static_cast<FakePanel*>(GetControlReference(control));
    panel->steps += part == kControlDownButtonPart ? -1 : 1;
}

void FakePanel::Repeat(EventLoopTimerRef timer, void* data) {
    auto* panel = static_cast<FakePanel*>(data);
    if (++panel->steps >= panel->stepLimit) {
        RemoveEventLoopTimer(timer);
        panel->timerStopped = true;
    }
}

ControlKeyFilterResult FakePanel::Filter(ControlRef control, SInt16*, SInt16* charCode,
                                         EventModifiers*) {
    SInt16 c = *charCode;
    if ((c >= '0' && c <= '9') || c == '.' || c == '-' || c == kBackspaceCharCode ||
        c == kLeftArrowCharCode || c == kRightArrowCharCode) {
        return kControlKeyFilterPassKey;
    }
    if (c == kUpArrowCharCode) {
        static_cast<FakePanel*>(GetControlReference(control))->steps += 1;
    }
    return kControlKeyFilterBlockKey;
}
