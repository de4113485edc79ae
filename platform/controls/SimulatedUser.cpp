// The simulated person: clicks, presses, keys, focus and paste through the events of the
// controls core, and the state of a window's controls as JSON.
#include "platform/controls/SimulatedUser.h"

#include <map>
#include <string>

#include "platform/controls/ControlsInternal.h"

namespace {

Point Centre(const Rect& r) {
    return Point{static_cast<SInt16>(r.top + (r.bottom - r.top) / 2),
                 static_cast<SInt16>(r.left + (r.right - r.left) / 2)};
}

// Where a person presses to hit that part of the control.
Point PointOfPart(ControlRef control, ControlPartCode part) {
    Rect r = control->bounds;
    Point p = Centre(r);
    if (control->kind.kind == kControlKindLittleArrows) {
        SInt16 quarter = static_cast<SInt16>((r.bottom - r.top) / 4);
        p.v = part == kControlDownButtonPart ? static_cast<SInt16>(r.bottom - 1 - quarter)
                                             : static_cast<SInt16>(r.top + quarter);
    }
    return p;
}

}  // namespace

SimulatedUser::SimulatedUser(HeadlessBackend& backend, WindowRef window)
    : mBackend(backend), mWindow(window) {}

ControlRef SimulatedUser::Find(OSType signature, SInt32 number) const {
    ControlID id{signature, number};
    ControlRef control = nullptr;
    GetControlByID(mWindow, &id, &control);
    return control;
}

OSStatus SimulatedUser::Hold(ControlRef control, EventTime seconds, ControlPartCode part) {
    if (control == nullptr || mWindow == nullptr || GetControlOwner(control) != mWindow ||
        !IsControlVisible(control) || !IsControlEnabled(control)) {
        return errControlHiddenOrDisabled;  // a person cannot press it
    }
    Point where = PointOfPart(control, part);
    if (control->kind.kind == kControlKindRadioGroup && part > 0 &&
        static_cast<size_t>(part) <= control->children.size()) {
        // A radio group's part here is the position of the button pressed.
        where = Centre(control->children[static_cast<size_t>(part) - 1]->bounds);
    }
    EventTime start = mBackend.Now();
    mBackend.SetNextPress(seconds);
    OSStatus status = ControlsSendClick(control, where, 0);
    // A press swallowed before its tracking still lasts as long.
    mBackend.SetNextPress(0);
    EventTime spent = mBackend.Now() - start;
    if (spent < seconds) {
        mBackend.Advance(seconds - spent);
    }
    return status;
}

OSStatus SimulatedUser::Click(ControlRef control, ControlPartCode part) {
    return Hold(control, 0, part);
}

OSStatus SimulatedUser::ClickRadioButton(ControlRef group, UInt16 index) {
    if (group == nullptr || group->kind.kind != kControlKindRadioGroup || index < 1 ||
        index > group->children.size()) {
        return paramErr;
    }
    return Hold(group, 0, static_cast<ControlPartCode>(index));
}

OSStatus SimulatedUser::TypeInto(ControlRef field, const std::string& utf8) {
    Click(field);
    ControlRef focus = nullptr;
    GetKeyboardFocus(mWindow, &focus);
    if (focus != nullptr) {
        ControlsSendCommand(GetControlEventTarget(focus), kHICommandSelectAll);
    }
    return Type(utf8);
}

OSStatus SimulatedUser::Type(const std::string& utf8) {
    std::u16string units;
    if (!controls::FromUTF8(utf8, &units)) {
        return paramErr;
    }
    for (char16_t unit : units) {
        OSStatus status = PressKey(0, static_cast<SInt16>(unit));
        if (status != noErr) {
            return status;
        }
    }
    return noErr;
}

OSStatus SimulatedUser::PressKey(SInt16 keyCode, SInt16 charCode, EventModifiers modifiers) {
    ControlRef focus = nullptr;
    GetKeyboardFocus(mWindow, &focus);
    if (focus == nullptr) {
        return errCouldntSetFocus;  // the key goes nowhere
    }
    HandleControlKey(focus, keyCode, charCode, modifiers);
    return noErr;
}

OSStatus SimulatedUser::ArrowKey(ControlRef field, SInt16 arrowCharCode) {
    SInt16 keyCode;
    switch (arrowCharCode) {
        case kUpArrowCharCode:
            keyCode = kVK_UpArrow;
            break;
        case kDownArrowCharCode:
            keyCode = kVK_DownArrow;
            break;
        case kLeftArrowCharCode:
            keyCode = kVK_LeftArrow;
            break;
        case kRightArrowCharCode:
            keyCode = kVK_RightArrow;
            break;
        default:
            return paramErr;
    }
    ControlRef focus = nullptr;
    GetKeyboardFocus(mWindow, &focus);
    if (focus != field) {
        Click(field);
    }
    return PressKey(keyCode, arrowCharCode);
}

OSStatus SimulatedUser::Blur() {
    return ClearKeyboardFocus(mWindow);
}

OSStatus SimulatedUser::Paste(const std::string& bytes) {
    ScrapRef scrap = nullptr;
    ClearCurrentScrap();
    GetCurrentScrap(&scrap);
    OSStatus status = PutScrapFlavor(scrap, kScrapFlavorTypeText, kScrapFlavorMaskNone,
                                     static_cast<Size>(bytes.size()), bytes.data());
    if (status != noErr) {
        return status;
    }
    ControlRef focus = nullptr;
    GetKeyboardFocus(mWindow, &focus);
    EventTargetRef target =
        focus != nullptr ? GetControlEventTarget(focus) : GetWindowEventTarget(mWindow);
    if (target == nullptr) {
        return errInvalidWindowRef;
    }
    ControlsSendCommand(target, kHICommandPaste);
    return noErr;
}

namespace {
void AddControls(ControlRef control, OSType signature,
                 std::map<SInt32, nlohmann::ordered_json>& out) {
    if (control->id.signature == signature && control->id.id != 0) {
        nlohmann::ordered_json entry;
        entry["value"] = control->value;
        entry["min"] = control->minimum;
        entry["max"] = control->maximum;
        entry["text"] = controls::IsTextKind(control)
                            ? nlohmann::ordered_json(controls::ToUTF8(control->text))
                            : nlohmann::ordered_json(nullptr);
        entry["title"] = controls::ToUTF8(control->title);
        entry["enabled"] = IsControlEnabled(control) != 0;
        entry["visible"] = IsControlVisible(control) != 0;
        const Rect& r = control->bounds;
        entry["bounds"] = {r.left, r.top, r.right, r.bottom};
        out[control->id.id] = std::move(entry);
    }
    for (ControlRef child : control->children) {
        AddControls(child, signature, out);
    }
}
}  // namespace

nlohmann::ordered_json SimulatedUser::State(OSType signature) const {
    nlohmann::ordered_json state;
    std::map<SInt32, nlohmann::ordered_json> byNumber;
    ControlRef root = nullptr;
    if (mWindow != nullptr && GetRootControl(mWindow, &root) == noErr) {
        AddControls(root, signature, byNumber);
    }
    nlohmann::ordered_json controlsState = nlohmann::ordered_json::object();
    for (auto& [number, entry] : byNumber) {
        controlsState[std::to_string(number)] = std::move(entry);
    }
    state["controls"] = std::move(controlsState);
    state["alerts"] = mBackend.Alerts();
    return state;
}
