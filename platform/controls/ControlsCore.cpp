// The controls core: the back end in use, windows and their root controls, controls with
// their values, titles, text, state, bounds and embedding, the keyboard focus, and the
// standard handling of clicks and keys.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/controls/ControlsInternal.h"
#include "platform/controls/HeadlessBackend.h"

namespace {

ControlsBackend* gBackend = nullptr;
std::vector<WindowRef> gWindows;
std::unordered_set<ControlRef> gControls;

bool IsEmbedder(ControlRef control) {
    switch (control->kind.kind) {
        case kControlKindRoot:
        case kControlKindUserPane:
        case kControlKindGroupBox:
        case kControlKindRadioGroup:
            return true;
        default:
            return false;
    }
}

void SetWindowOfTree(ControlRef control, WindowRef window) {
    control->window = window;
    control->target.window = window;
    for (ControlRef child : control->children) {
        SetWindowOfTree(child, window);
    }
}

bool Contains(ControlRef ancestor, ControlRef control) {
    for (ControlRef c = control; c != nullptr; c = c->parent) {
        if (c == ancestor) {
            return true;
        }
    }
    return false;
}

// A window forgets the focus and default button that leave it with `control`.
void ForgetInWindow(WindowRef window, ControlRef control) {
    if (window == nullptr) {
        return;
    }
    if (window->focus != nullptr && Contains(control, window->focus)) {
        window->focus->focusPart = kControlFocusNoPart;
        window->focus = nullptr;
    }
    if (window->defaultButton != nullptr && Contains(control, window->defaultButton)) {
        window->defaultButton = nullptr;
    }
}

// A radio group's maximum is the number of its buttons; its buttons show its value.
void SyncRadioGroup(ControlRef group) {
    if (group == nullptr || group->kind.kind != kControlKindRadioGroup) {
        return;
    }
    group->maximum = static_cast<SInt32>(group->children.size());
    group->value =
        std::clamp(group->value, group->minimum, std::max(group->minimum, group->maximum));
    for (size_t i = 0; i < group->children.size(); ++i) {
        ControlRef button = group->children[i];
        SInt32 value = static_cast<SInt32>(i + 1) == group->value ? 1 : 0;
        if (button->value != value) {
            button->value = value;
            controls::Notify(button, ControlChange::Value);
        }
    }
}

void Unlink(ControlRef control) {
    ControlRef parent = control->parent;
    if (parent == nullptr) {
        return;
    }
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), control), siblings.end());
    control->parent = nullptr;
    SyncRadioGroup(parent);
}

void DestroyTree(ControlRef control) {
    for (ControlRef child : control->children) {
        DestroyTree(child);
    }
    controls::Notify(control, ControlChange::Disposed);
    controls::RemoveTargetHandlers(&control->target);
    gControls.erase(control);
    delete control;
}

OSStatus NewControl(WindowRef window, const Rect* bounds, OSType kind, ControlRef* outControl) {
    if (outControl == nullptr) {
        return paramErr;
    }
    *outControl = nullptr;
    if (window == nullptr || !controls::WindowExists(window)) {
        return errInvalidWindowRef;
    }
    if (bounds == nullptr) {
        return paramErr;
    }
    ControlRef control = new (std::nothrow) OpaqueControlRef;
    if (control == nullptr) {
        return memFullErr;
    }
    if (!gControls.insert(control).second) {
        delete control;
        return memFullErr;
    }
    control->kind.kind = kind;
    control->bounds = *bounds;
    control->target.control = control;
    SetWindowOfTree(control, window);
    if (kind != kControlKindRoot) {
        if (window->root == nullptr) {
            delete control;
            return errNoRootControl;
        }
        control->parent = window->root;
        window->root->children.push_back(control);
    }
    controls::Notify(control, ControlChange::Created);
    *outControl = control;
    return noErr;
}

void SetTitle(ControlRef control, CFStringRef title) {
    if (title != nullptr) {
        control->title = controls::ToUTF16(title);
    }
}

// Replaces the selection with `insert` (a locked field keeps its text).
void ReplaceSelection(ControlRef field, const std::u16string& insert) {
    size_t start = static_cast<size_t>(field->selStart);
    size_t end = static_cast<size_t>(field->selEnd);
    if (field->text.size() - (end - start) + insert.size() > 0x7FFF) {
        return;  // selections are 16-bit: the text stays within their reach
    }
    field->text.replace(start, end - start, insert);
    field->selStart = field->selEnd = static_cast<SInt16>(start + insert.size());
    controls::Notify(field, ControlChange::Text);
}

void SetCaret(ControlRef field, size_t caret) {
    field->selStart = field->selEnd = static_cast<SInt16>(std::min(caret, field->text.size()));
    controls::Notify(field, ControlChange::Selection);
}

}  // namespace

namespace controls {

ControlsBackend& Backend() {
    return gBackend != nullptr ? *gBackend : HeadlessBackend::Default();
}

void Notify(ControlRef control, ControlChange change) {
    Backend().ControlChanged(control, change);
}

void Notify(WindowRef window, WindowChange change) {
    Backend().WindowChanged(window, change);
}

bool IsTextKind(ControlRef control) {
    return control != nullptr && (control->kind.kind == kControlKindEditUnicodeText ||
                                  control->kind.kind == kControlKindStaticText);
}

bool ControlExists(ControlRef control) {
    return gControls.count(control) != 0;
}

bool WindowExists(WindowRef window) {
    return std::find(gWindows.begin(), gWindows.end(), window) != gWindows.end();
}

std::u16string ToUTF16(CFStringRef string) {
    std::u16string text;
    if (string != nullptr) {
        text.resize(static_cast<size_t>(CFStringGetLength(string)));
        CFStringGetCharacters(string, CFRangeMake(0, static_cast<CFIndex>(text.size())),
                              reinterpret_cast<UniChar*>(text.data()));
    }
    return text;
}

CFStringRef NewCFString(const std::u16string& text) {
    return CFStringCreateWithCharacters(kCFAllocatorDefault,
                                        reinterpret_cast<const UniChar*>(text.data()),
                                        static_cast<CFIndex>(text.size()));
}

std::string ToUTF8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;  // a lone surrogate
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool FromUTF8(std::string_view bytes, std::u16string* out) {
    out->clear();
    size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        uint32_t c;
        size_t length;
        if (b < 0x80) {
            c = b;
            length = 1;
        } else if (b >= 0xC2 && b < 0xE0) {
            c = b & 0x1F;
            length = 2;
        } else if (b >= 0xE0 && b < 0xF0) {
            c = b & 0x0F;
            length = 3;
        } else if (b >= 0xF0 && b < 0xF5) {
            c = b & 0x07;
            length = 4;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            return false;  // overlong, out of range or a surrogate
        }
        if (c >= 0x10000) {
            out->push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out->push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out->push_back(static_cast<char16_t>(c));
        }
        i += length;
    }
    return true;
}

}  // namespace controls

ControlsBackend* ControlsSetBackend(ControlsBackend* backend) {
    ControlsBackend* previous = &controls::Backend();
    gBackend = backend;
    return previous;
}

ControlsBackend* ControlsGetBackend(void) {
    return &controls::Backend();
}

std::vector<WindowRef> ControlsCopyWindows(void) {
    return gWindows;
}

// Windows.

OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes, const Rect* contentBounds,
                         WindowRef* outWindow) {
    if (outWindow == nullptr || contentBounds == nullptr) {
        return paramErr;
    }
    *outWindow = nullptr;
    WindowRef window = new (std::nothrow) OpaqueWindowPtr;
    if (window == nullptr) {
        return memFullErr;
    }
    window->windowClass = windowClass;
    window->target.window = window;
    window->port.window = window;
    gWindows.push_back(window);
    controls::Notify(window, WindowChange::Created);
    Rect rootBounds{0, 0, static_cast<SInt16>(contentBounds->bottom - contentBounds->top),
                    static_cast<SInt16>(contentBounds->right - contentBounds->left)};
    OSStatus status = NewControl(window, &rootBounds, kControlKindRoot, &window->root);
    if (status != noErr) {
        DisposeWindow(window);
        return status;
    }
    *outWindow = window;
    return noErr;
}

void DisposeWindow(WindowRef window) {
    if (window == nullptr || !controls::WindowExists(window)) {
        return;
    }
    if (window->root != nullptr) {
        DestroyTree(window->root);
    }
    controls::RemoveTargetHandlers(&window->target);
    for (DrawnImage& image : window->images) {
        controls::ReleasePixbuf(image.pixbuf);
    }
    GrafPtr port = nullptr;
    GetPort(&port);
    if (port == &window->port) {
        SetPort(nullptr);
    }
    controls::Notify(window, WindowChange::Disposed);
    gWindows.erase(std::remove(gWindows.begin(), gWindows.end(), window), gWindows.end());
    delete window;
}

void ShowWindow(WindowRef window) {
    if (window != nullptr && !window->visible) {
        window->visible = true;
        controls::Notify(window, WindowChange::Visible);
    }
}

void HideWindow(WindowRef window) {
    if (window != nullptr && window->visible) {
        window->visible = false;
        controls::Notify(window, WindowChange::Visible);
    }
}

Boolean IsWindowVisible(WindowRef window) {
    return window != nullptr && window->visible;
}

OSStatus SetWindowTitleWithCFString(WindowRef inWindow, CFStringRef inString) {
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    inWindow->title = controls::ToUTF16(inString);
    controls::Notify(inWindow, WindowChange::Title);
    return noErr;
}

OSStatus CopyWindowTitleAsCFString(WindowRef inWindow, CFStringRef* outString) {
    if (inWindow == nullptr || outString == nullptr) {
        return inWindow == nullptr ? OSStatus{errInvalidWindowRef} : OSStatus{paramErr};
    }
    *outString = controls::NewCFString(inWindow->title);
    return *outString != nullptr ? noErr : memFullErr;
}

OSStatus SetWindowDefaultButton(WindowRef inWindow, ControlRef inControl) {
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    if (inControl != nullptr && inControl->window != inWindow) {
        return errUnknownControl;
    }
    inWindow->defaultButton = inControl;
    controls::Notify(inWindow, WindowChange::DefaultButton);
    return noErr;
}

OSStatus GetWindowDefaultButton(WindowRef inWindow, ControlRef* outControl) {
    if (inWindow == nullptr || outControl == nullptr) {
        return inWindow == nullptr ? OSStatus{errInvalidWindowRef} : OSStatus{paramErr};
    }
    *outControl = inWindow->defaultButton;
    return noErr;
}

CGrafPtr GetWindowPort(WindowRef window) {
    return window != nullptr ? &window->port : nullptr;
}

WindowRef GetWindowFromPort(CGrafPtr port) {
    // A port of a window disposed of meanwhile finds nothing.
    for (WindowRef window : gWindows) {
        if (&window->port == port) {
            return window;
        }
    }
    return nullptr;
}

// Creation.

OSStatus CreateRootControl(WindowRef window, ControlRef* outControl) {
    if (outControl == nullptr) {
        return paramErr;
    }
    if (window == nullptr) {
        return errInvalidWindowRef;
    }
    if (window->root != nullptr) {
        *outControl = window->root;
        return -30587;  // errRootAlreadyExists
    }
    Rect bounds{0, 0, 0, 0};
    OSStatus status = NewControl(window, &bounds, kControlKindRoot, &window->root);
    *outControl = window->root;
    return status;
}

OSStatus CreateUserPaneControl(WindowRef window, const Rect* boundsRect, UInt32,
                               ControlRef* outControl) {
    return NewControl(window, boundsRect, kControlKindUserPane, outControl);
}

OSStatus CreatePushButtonControl(WindowRef window, const Rect* boundsRect, CFStringRef title,
                                 ControlRef* outControl) {
    OSStatus status = NewControl(window, boundsRect, kControlKindPushButton, outControl);
    if (status == noErr) {
        (*outControl)->maximum = 1;
        SetTitle(*outControl, title);
    }
    return status;
}

namespace {
// A check box or radio button: 0 or 1, toggling itself when clicked (autoToggle).
OSStatus NewToggle(WindowRef window, const Rect* boundsRect, OSType kind, CFStringRef title,
                   SInt32 initialValue, Boolean autoToggle, ControlRef* outControl) {
    OSStatus status = NewControl(window, boundsRect, kind, outControl);
    if (status == noErr) {
        (*outControl)->maximum = 1;
        (*outControl)->value = std::clamp(initialValue, 0, 1);
        (*outControl)->autoToggle = autoToggle != 0;
        SetTitle(*outControl, title);
    }
    return status;
}
}  // namespace

OSStatus CreateCheckBoxControl(WindowRef window, const Rect* boundsRect, CFStringRef title,
                               SInt32 initialValue, Boolean autoToggle, ControlRef* outControl) {
    return NewToggle(window, boundsRect, kControlKindCheckBox, title, initialValue, autoToggle,
                     outControl);
}

OSStatus CreateRadioGroupControl(WindowRef window, const Rect* boundsRect, ControlRef* outControl) {
    return NewControl(window, boundsRect, kControlKindRadioGroup, outControl);
}

OSStatus CreateRadioButtonControl(WindowRef window, const Rect* boundsRect, CFStringRef title,
                                  SInt32 initialValue, Boolean autoToggle, ControlRef* outControl) {
    return NewToggle(window, boundsRect, kControlKindRadioButton, title, initialValue, autoToggle,
                     outControl);
}

OSStatus CreateEditUnicodeTextControl(WindowRef window, const Rect* boundsRect, CFStringRef text,
                                      Boolean, const ControlFontStyleRec*, ControlRef* outControl) {
    OSStatus status = NewControl(window, boundsRect, kControlKindEditUnicodeText, outControl);
    if (status == noErr && text != nullptr) {
        SetControlData(*outControl, kControlEntireControl, kControlEditTextCFStringTag,
                       sizeof(text), &text);
    }
    return status;
}

OSStatus CreateStaticTextControl(WindowRef window, const Rect* boundsRect, CFStringRef text,
                                 const ControlFontStyleRec*, ControlRef* outControl) {
    OSStatus status = NewControl(window, boundsRect, kControlKindStaticText, outControl);
    if (status == noErr && text != nullptr) {
        SetControlData(*outControl, kControlEntireControl, kControlStaticTextCFStringTag,
                       sizeof(text), &text);
    }
    return status;
}

OSStatus CreateLittleArrowsControl(WindowRef window, const Rect* boundsRect, SInt32 value,
                                   SInt32 minimum, SInt32 maximum, SInt32 increment,
                                   ControlRef* outControl) {
    OSStatus status = NewControl(window, boundsRect, kControlKindLittleArrows, outControl);
    if (status == noErr) {
        ControlRef control = *outControl;
        control->minimum = minimum;
        control->maximum = std::max(minimum, maximum);
        control->value = std::clamp(value, control->minimum, control->maximum);
        control->increment = increment;
    }
    return status;
}

OSStatus CreateGroupBoxControl(WindowRef window, const Rect* boundsRect, CFStringRef title, Boolean,
                               ControlRef* outControl) {
    OSStatus status = NewControl(window, boundsRect, kControlKindGroupBox, outControl);
    if (status == noErr) {
        SetTitle(*outControl, title);
    }
    return status;
}

void DisposeControl(ControlRef theControl) {
    if (theControl == nullptr) {
        return;
    }
    WindowRef window = theControl->window;
    ForgetInWindow(window, theControl);
    if (window != nullptr && window->root == theControl) {
        window->root = nullptr;
    }
    Unlink(theControl);
    DestroyTree(theControl);
}

// Identity.

OSStatus SetControlID(ControlRef inControl, const ControlID* inID) {
    if (inControl == nullptr || inID == nullptr) {
        return paramErr;
    }
    inControl->id = *inID;
    return noErr;
}

OSStatus GetControlID(ControlRef inControl, ControlID* outID) {
    if (inControl == nullptr || outID == nullptr) {
        return paramErr;
    }
    *outID = inControl->id;
    return noErr;
}

namespace {
ControlRef FindByID(ControlRef control, const ControlID& id) {
    if (control->id.signature == id.signature && control->id.id == id.id) {
        return control;
    }
    for (ControlRef child : control->children) {
        if (ControlRef found = FindByID(child, id)) {
            return found;
        }
    }
    return nullptr;
}
}  // namespace

OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl) {
    if (outControl == nullptr || inID == nullptr) {
        return paramErr;
    }
    *outControl = nullptr;
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    if (inWindow->root != nullptr) {
        *outControl = FindByID(inWindow->root, *inID);
    }
    return *outControl != nullptr ? OSStatus{noErr} : OSStatus{errUnknownControl};
}

OSStatus GetControlKind(ControlRef inControl, ControlKind* outKind) {
    if (inControl == nullptr || outKind == nullptr) {
        return paramErr;
    }
    *outKind = inControl->kind;
    return noErr;
}

WindowRef GetControlOwner(ControlRef theControl) {
    return theControl != nullptr ? theControl->window : nullptr;
}

void SetControlReference(ControlRef theControl, SRefCon data) {
    if (theControl != nullptr) {
        theControl->refCon = data;
    }
}

SRefCon GetControlReference(ControlRef theControl) {
    return theControl != nullptr ? theControl->refCon : nullptr;
}

// Values.

SInt32 GetControl32BitValue(ControlRef theControl) {
    return theControl != nullptr ? theControl->value : 0;
}

void SetControl32BitValue(ControlRef theControl, SInt32 newValue) {
    if (theControl == nullptr) {
        return;
    }
    SInt32 value = std::clamp(newValue, theControl->minimum, theControl->maximum);
    if (value != theControl->value) {
        theControl->value = value;
        controls::Notify(theControl, ControlChange::Value);
    }
    SyncRadioGroup(theControl);
}

SInt32 GetControl32BitMinimum(ControlRef theControl) {
    return theControl != nullptr ? theControl->minimum : 0;
}

namespace {
// New limits pull the value in.
void SetLimits(ControlRef control, SInt32 minimum, SInt32 maximum) {
    control->minimum = minimum;
    control->maximum = maximum;
    controls::Notify(control, ControlChange::Limits);
    SetControl32BitValue(control, control->value);
}
}  // namespace

void SetControl32BitMinimum(ControlRef theControl, SInt32 newMinimum) {
    if (theControl != nullptr) {
        SetLimits(theControl, newMinimum, std::max(theControl->maximum, newMinimum));
    }
}

SInt32 GetControl32BitMaximum(ControlRef theControl) {
    return theControl != nullptr ? theControl->maximum : 0;
}

void SetControl32BitMaximum(ControlRef theControl, SInt32 newMaximum) {
    if (theControl != nullptr) {
        SetLimits(theControl, std::min(theControl->minimum, newMaximum), newMaximum);
    }
}

SInt16 GetControlValue(ControlRef theControl) {
    return static_cast<SInt16>(GetControl32BitValue(theControl));
}
void SetControlValue(ControlRef theControl, SInt16 newValue) {
    SetControl32BitValue(theControl, newValue);
}
SInt16 GetControlMinimum(ControlRef theControl) {
    return static_cast<SInt16>(GetControl32BitMinimum(theControl));
}
void SetControlMinimum(ControlRef theControl, SInt16 newMinimum) {
    SetControl32BitMinimum(theControl, newMinimum);
}
SInt16 GetControlMaximum(ControlRef theControl) {
    return static_cast<SInt16>(GetControl32BitMaximum(theControl));
}
void SetControlMaximum(ControlRef theControl, SInt16 newMaximum) {
    SetControl32BitMaximum(theControl, newMaximum);
}

// Titles.

OSStatus SetControlTitleWithCFString(ControlRef inControl, CFStringRef inString) {
    if (inControl == nullptr) {
        return errInvalidWindowRef;
    }
    inControl->title = controls::ToUTF16(inString);
    controls::Notify(inControl, ControlChange::Title);
    return noErr;
}

OSStatus CopyControlTitleAsCFString(ControlRef inControl, CFStringRef* outString) {
    if (inControl == nullptr || outString == nullptr) {
        return paramErr;
    }
    *outString = controls::NewCFString(inControl->title);
    return *outString != nullptr ? noErr : memFullErr;
}

// Control data.

OSErr SetControlData(ControlRef inControl, ControlPartCode, ResType inTagName, Size inSize,
                     const void* inData) {
    if (inControl == nullptr || (inData == nullptr && inSize != 0) || inSize < 0) {
        return paramErr;
    }
    if (inTagName == kControlKeyFilterTag) {
        if (inSize != sizeof(ControlKeyFilterUPP)) {
            return errDataSizeMismatch;
        }
        std::memcpy(&inControl->keyFilter, inData, sizeof(ControlKeyFilterUPP));
        return noErr;
    }
    if (!controls::IsTextKind(inControl)) {
        return errDataNotSupported;
    }
    bool edit = inControl->kind.kind == kControlKindEditUnicodeText;
    switch (inTagName) {
        case kControlEditTextCFStringTag: {
            if (inSize != sizeof(CFStringRef)) {
                return errDataSizeMismatch;
            }
            CFStringRef string;
            std::memcpy(&string, inData, sizeof(string));
            std::u16string text = controls::ToUTF16(string);
            if (text.size() > 0x7FFF) {
                text.resize(0x7FFF);
            }
            inControl->text = std::move(text);
            inControl->selStart = inControl->selEnd = static_cast<SInt16>(inControl->text.size());
            controls::Notify(inControl, ControlChange::Text);
            return noErr;
        }
        case kControlEditTextTextTag: {
            std::u16string text;
            if (!controls::FromUTF8(
                    std::string_view(static_cast<const char*>(inData), static_cast<size_t>(inSize)),
                    &text)) {
                return paramErr;
            }
            if (text.size() > 0x7FFF) {
                text.resize(0x7FFF);
            }
            inControl->text = std::move(text);
            inControl->selStart = inControl->selEnd = static_cast<SInt16>(inControl->text.size());
            controls::Notify(inControl, ControlChange::Text);
            return noErr;
        }
        case kControlEditTextSelectionTag: {
            if (!edit) {
                return errDataNotSupported;
            }
            if (inSize != sizeof(ControlEditTextSelectionRec)) {
                return errDataSizeMismatch;
            }
            ControlEditTextSelectionRec selection;
            std::memcpy(&selection, inData, sizeof(selection));
            auto length = static_cast<SInt16>(inControl->text.size());
            SInt16 start = std::clamp<SInt16>(selection.selStart, 0, length);
            SInt16 end = std::clamp<SInt16>(selection.selEnd, 0, length);
            inControl->selStart = std::min(start, end);
            inControl->selEnd = std::max(start, end);
            controls::Notify(inControl, ControlChange::Selection);
            return noErr;
        }
        case kControlEditTextLockedTag: {
            if (!edit) {
                return errDataNotSupported;
            }
            if (inSize != sizeof(Boolean)) {
                return errDataSizeMismatch;
            }
            inControl->locked = *static_cast<const Boolean*>(inData) != 0;
            return noErr;
        }
        default:
            return errDataNotSupported;
    }
}

OSErr GetControlData(ControlRef inControl, ControlPartCode, ResType inTagName, Size inBufferSize,
                     void* inBuffer, Size* outActualSize) {
    if (inControl == nullptr || inBufferSize < 0) {
        return paramErr;
    }
    auto copyOut = [&](const void* bytes, Size size, bool exact) -> OSErr {
        if (outActualSize != nullptr) {
            *outActualSize = size;
        }
        if (inBuffer == nullptr || bytes == nullptr) {
            return noErr;
        }
        if (exact && inBufferSize < size) {
            return errDataSizeMismatch;
        }
        std::memcpy(inBuffer, bytes, static_cast<size_t>(std::min(inBufferSize, size)));
        return noErr;
    };
    if (inTagName == kControlKeyFilterTag) {
        return copyOut(&inControl->keyFilter, sizeof(ControlKeyFilterUPP), true);
    }
    if (!controls::IsTextKind(inControl)) {
        return errDataNotSupported;
    }
    bool edit = inControl->kind.kind == kControlKindEditUnicodeText;
    switch (inTagName) {
        case kControlEditTextCFStringTag: {
            if (inBuffer != nullptr && inBufferSize < static_cast<Size>(sizeof(CFStringRef))) {
                return errDataSizeMismatch;
            }
            if (inBuffer == nullptr) {
                return copyOut(nullptr, sizeof(CFStringRef), true);
            }
            CFStringRef string = controls::NewCFString(inControl->text);
            if (string == nullptr) {
                return memFullErr;
            }
            return copyOut(&string, sizeof(string), true);
        }
        case kControlEditTextTextTag: {
            std::string bytes = controls::ToUTF8(inControl->text);
            return copyOut(bytes.data(), static_cast<Size>(bytes.size()), false);
        }
        case kControlEditTextSelectionTag: {
            if (!edit) {
                return errDataNotSupported;
            }
            ControlEditTextSelectionRec selection{inControl->selStart, inControl->selEnd};
            return copyOut(&selection, sizeof(selection), true);
        }
        case kControlEditTextLockedTag: {
            if (!edit) {
                return errDataNotSupported;
            }
            Boolean locked = inControl->locked ? 1 : 0;
            return copyOut(&locked, sizeof(locked), true);
        }
        default:
            return errDataNotSupported;
    }
}

OSErr GetControlDataSize(ControlRef inControl, ControlPartCode inPart, ResType inTagName,
                         Size* outMaxSize) {
    return GetControlData(inControl, inPart, inTagName, 0, nullptr, outMaxSize);
}

// Enabled and visible state.

OSStatus EnableControl(ControlRef inControl) {
    if (inControl == nullptr) {
        return paramErr;
    }
    if (!inControl->enabled) {
        inControl->enabled = true;
        controls::Notify(inControl, ControlChange::Enabled);
    }
    return noErr;
}

OSStatus DisableControl(ControlRef inControl) {
    if (inControl == nullptr) {
        return paramErr;
    }
    if (inControl->enabled) {
        inControl->enabled = false;
        controls::Notify(inControl, ControlChange::Enabled);
    }
    return noErr;
}

Boolean IsControlEnabled(ControlRef inControl) {
    if (inControl == nullptr) {
        return false;
    }
    for (ControlRef c = inControl; c != nullptr; c = c->parent) {
        if (!c->enabled) {
            return false;
        }
    }
    return true;
}

OSErr SetControlVisibility(ControlRef inControl, Boolean inIsVisible, Boolean) {
    if (inControl == nullptr) {
        return paramErr;
    }
    bool visible = inIsVisible != 0;
    if (inControl->visible != visible) {
        inControl->visible = visible;
        controls::Notify(inControl, ControlChange::Visible);
    }
    return noErr;
}

void ShowControl(ControlRef theControl) {
    SetControlVisibility(theControl, true, true);
}

void HideControl(ControlRef theControl) {
    SetControlVisibility(theControl, false, true);
}

Boolean IsControlVisible(ControlRef inControl) {
    if (inControl == nullptr) {
        return false;
    }
    for (ControlRef c = inControl; c != nullptr; c = c->parent) {
        if (!c->visible) {
            return false;
        }
    }
    return true;
}

// Bounds.

Rect* GetControlBounds(ControlRef control, Rect* bounds) {
    if (control != nullptr && bounds != nullptr) {
        *bounds = control->bounds;
    }
    return bounds;
}

void SetControlBounds(ControlRef control, const Rect* bounds) {
    if (control != nullptr && bounds != nullptr) {
        control->bounds = *bounds;
        controls::Notify(control, ControlChange::Bounds);
    }
}

namespace {
void OffsetTree(ControlRef control, SInt16 dh, SInt16 dv) {
    OffsetRect(&control->bounds, dh, dv);
    controls::Notify(control, ControlChange::Bounds);
    for (ControlRef child : control->children) {
        OffsetTree(child, dh, dv);
    }
}
}  // namespace

void MoveControl(ControlRef theControl, SInt16 h, SInt16 v) {
    if (theControl != nullptr) {
        OffsetTree(theControl, static_cast<SInt16>(h - theControl->bounds.left),
                   static_cast<SInt16>(v - theControl->bounds.top));
    }
}

void SizeControl(ControlRef theControl, SInt16 w, SInt16 h) {
    if (theControl != nullptr) {
        theControl->bounds.right = static_cast<SInt16>(theControl->bounds.left + w);
        theControl->bounds.bottom = static_cast<SInt16>(theControl->bounds.top + h);
        controls::Notify(theControl, ControlChange::Bounds);
    }
}

void Draw1Control(ControlRef theControl) {
    if (theControl != nullptr) {
        controls::Notify(theControl, ControlChange::Drawn);
    }
}

// Embedding.

OSErr GetRootControl(WindowRef inWindow, ControlRef* outControl) {
    if (outControl == nullptr) {
        return paramErr;
    }
    *outControl = inWindow != nullptr ? inWindow->root : nullptr;
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    return *outControl != nullptr ? OSErr{noErr} : OSErr{errNoRootControl};
}

OSErr EmbedControl(ControlRef inControl, ControlRef inContainer) {
    if (inControl == nullptr || inContainer == nullptr) {
        return paramErr;
    }
    if (inControl->kind.kind == kControlKindRoot) {
        return errCantEmbedRoot;
    }
    if (Contains(inControl, inContainer)) {
        return errCantEmbedIntoSelf;
    }
    if (!IsEmbedder(inContainer)) {
        return errControlIsNotEmbedder;
    }
    WindowRef oldWindow = inControl->window;
    if (oldWindow != inContainer->window) {
        ForgetInWindow(oldWindow, inControl);
    }
    Unlink(inControl);
    inControl->parent = inContainer;
    inContainer->children.push_back(inControl);
    SetWindowOfTree(inControl, inContainer->window);
    SyncRadioGroup(inContainer);
    controls::Notify(inControl, ControlChange::Embedding);
    return noErr;
}

OSErr GetSuperControl(ControlRef inControl, ControlRef* outParent) {
    if (inControl == nullptr || outParent == nullptr) {
        return paramErr;
    }
    *outParent = inControl->parent;
    return inControl->parent != nullptr ? OSErr{noErr} : OSErr{errCantEmbedRoot};
}

OSErr CountSubControls(ControlRef inControl, UInt16* outNumChildren) {
    if (inControl == nullptr || outNumChildren == nullptr) {
        return paramErr;
    }
    *outNumChildren = static_cast<UInt16>(std::min<size_t>(inControl->children.size(), 0xFFFF));
    return IsEmbedder(inControl) ? OSErr{noErr} : OSErr{errControlIsNotEmbedder};
}

OSErr GetIndexedSubControl(ControlRef inControl, UInt16 inIndex, ControlRef* outSubControl) {
    if (inControl == nullptr || outSubControl == nullptr) {
        return paramErr;
    }
    *outSubControl = nullptr;
    if (inIndex < 1 || inIndex > inControl->children.size()) {
        return paramErr;
    }
    *outSubControl = inControl->children[inIndex - 1];
    return noErr;
}

// The keyboard focus.

namespace {
OSStatus SendFocusPart(ControlRef control, ControlFocusPart part) {
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassControl, kEventControlSetFocusPart, 0,
                                  kEventAttributeNone, &event);
    if (status != noErr) {
        return status;
    }
    SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof(control), &control);
    SetEventParameter(event, kEventParamControlPart, typeControlPartCode, sizeof(part), &part);
    status = SendEventToEventTarget(event, GetControlEventTarget(control));
    ReleaseEvent(event);
    return status;
}
}  // namespace

OSErr SetKeyboardFocus(WindowRef inWindow, ControlRef inControl, ControlFocusPart inPart) {
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    if (inControl == nullptr || inPart == kControlFocusNoPart) {
        return ClearKeyboardFocus(inWindow);
    }
    if (inControl->window != inWindow) {
        return errUnknownControl;
    }
    if (inWindow->focus == inControl) {
        return noErr;
    }
    if (inControl->kind.kind != kControlKindEditUnicodeText) {
        return errControlDoesntSupportFocus;
    }
    if (inWindow->focus != nullptr) {
        SendFocusPart(inWindow->focus, kControlFocusNoPart);
        if (inWindow->focus != nullptr) {
            return errCouldntSetFocus;  // the focused control kept it
        }
    }
    OSStatus status = SendFocusPart(inControl, inPart);
    return static_cast<OSErr>(inWindow->focus == inControl ? noErr
                              : status != noErr            ? status
                                                           : errCouldntSetFocus);
}

OSErr GetKeyboardFocus(WindowRef inWindow, ControlRef* outControl) {
    if (outControl == nullptr) {
        return paramErr;
    }
    *outControl = inWindow != nullptr ? inWindow->focus : nullptr;
    return inWindow != nullptr ? OSErr{noErr} : OSErr{errInvalidWindowRef};
}

OSErr ClearKeyboardFocus(WindowRef inWindow) {
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    if (inWindow->focus != nullptr) {
        SendFocusPart(inWindow->focus, kControlFocusNoPart);
    }
    return noErr;
}

// Actions, clicks and keys.

ControlActionUPP NewControlActionUPP(ControlActionProcPtr userRoutine) {
    return userRoutine;
}
void DisposeControlActionUPP(ControlActionUPP) {}
ControlKeyFilterUPP NewControlKeyFilterUPP(ControlKeyFilterProcPtr userRoutine) {
    return userRoutine;
}
void DisposeControlKeyFilterUPP(ControlKeyFilterUPP) {}

void SetControlAction(ControlRef theControl, ControlActionUPP actionProc) {
    if (theControl != nullptr) {
        theControl->action = actionProc;
    }
}

ControlActionUPP GetControlAction(ControlRef theControl) {
    return theControl != nullptr ? theControl->action : nullptr;
}

namespace {
bool Inside(const Rect& r, Point p) {
    return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

// The part of the control at a point: a stepper's upper half is its up arrow; a radio
// group's part is that of its button under the point (none between buttons).
ControlPartCode PartAt(ControlRef control, Point where, ControlRef* radio) {
    if (!Inside(control->bounds, where)) {
        return kControlNoPart;
    }
    switch (control->kind.kind) {
        case kControlKindEditUnicodeText:
            return kControlEditTextPart;
        case kControlKindPushButton:
            return kControlButtonPart;
        case kControlKindCheckBox:
            return kControlCheckBoxPart;
        case kControlKindRadioButton:
            *radio = control;
            return kControlRadioButtonPart;
        case kControlKindLittleArrows:
            return where.v < (control->bounds.top + control->bounds.bottom) / 2
                       ? kControlUpButtonPart
                       : kControlDownButtonPart;
        case kControlKindRadioGroup:
            for (ControlRef button : control->children) {
                if (button->kind.kind == kControlKindRadioButton && Inside(button->bounds, where)) {
                    *radio = button;
                    return kControlRadioGroupPart;
                }
            }
            return kControlNoPart;
        default:
            return kControlNoPart;
    }
}

void SendHit(ControlRef control, ControlPartCode part, EventModifiers modifiers) {
    EventRef event = nullptr;
    if (CreateEvent(nullptr, kEventClassControl, kEventControlHit, 0, kEventAttributeNone,
                    &event) != noErr) {
        return;
    }
    UInt32 keyModifiers = modifiers;
    SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof(control), &control);
    SetEventParameter(event, kEventParamControlPart, typeControlPartCode, sizeof(part), &part);
    SetEventParameter(event, kEventParamKeyModifiers, typeUInt32, sizeof(keyModifiers),
                      &keyModifiers);
    SendEventToEventTarget(event, GetControlEventTarget(control));
    ReleaseEvent(event);
}
}  // namespace

ControlPartCode HandleControlClick(ControlRef inControl, Point inWhere, EventModifiers inModifiers,
                                   ControlActionUPP inAction) {
    if (inControl == nullptr || inControl->window == nullptr || !IsControlVisible(inControl) ||
        !IsControlEnabled(inControl)) {
        return kControlNoPart;
    }
    ControlRef radio = nullptr;
    ControlPartCode part = PartAt(inControl, inWhere, &radio);
    if (part == kControlNoPart) {
        return kControlNoPart;
    }
    if (part == kControlEditTextPart) {
        SetKeyboardFocus(inControl->window, inControl, kControlEditTextPart);
    } else {
        ControlActionUPP action =
            inAction == reinterpret_cast<ControlActionUPP>(-1) ? inControl->action : inAction;
        if (action != nullptr) {
            action(inControl, part);  // the press acts at once
        }
    }
    if (!controls::Backend().TrackMouse(inControl, part) || !controls::ControlExists(inControl)) {
        return kControlNoPart;  // released outside, or the control went away meanwhile
    }
    if (part == kControlCheckBoxPart && inControl->autoToggle) {
        SetControl32BitValue(inControl, inControl->value != 0 ? 0 : 1);
    } else if (radio != nullptr && radio->autoToggle) {
        ControlRef group = radio->parent;
        if (group != nullptr && group->kind.kind == kControlKindRadioGroup) {
            auto index = std::find(group->children.begin(), group->children.end(), radio) -
                         group->children.begin();
            SetControl32BitValue(group, static_cast<SInt32>(index + 1));
            if (inControl == radio) {  // a button of a group reports the group's hit
                inControl = group;
                part = kControlRadioGroupPart;
            }
        } else {
            SetControl32BitValue(radio, 1);
        }
    }
    SendHit(inControl, part, inModifiers);
    return part;
}

ControlPartCode HandleControlKey(ControlRef inControl, SInt16 inKeyCode, SInt16 inCharCode,
                                 EventModifiers inModifiers) {
    if (inControl == nullptr) {
        return kControlNoPart;
    }
    if (inControl->keyFilter != nullptr &&
        inControl->keyFilter(inControl, &inKeyCode, &inCharCode, &inModifiers) ==
            kControlKeyFilterBlockKey) {
        return kControlNoPart;
    }
    if (inControl->kind.kind != kControlKindEditUnicodeText) {
        return kControlNoPart;
    }
    auto c = static_cast<char16_t>(static_cast<UInt16>(inCharCode));
    size_t start = static_cast<size_t>(inControl->selStart);
    size_t end = static_cast<size_t>(inControl->selEnd);
    switch (c) {
        case kBackspaceCharCode:
        case kDeleteCharCode:
            if (inControl->locked) {
                return kControlNoPart;
            }
            if (start == end) {
                if (c == kBackspaceCharCode && start > 0) {
                    --start;
                } else if (c == kDeleteCharCode && end < inControl->text.size()) {
                    ++end;
                } else {
                    return kControlEditTextPart;
                }
                inControl->selStart = static_cast<SInt16>(start);
                inControl->selEnd = static_cast<SInt16>(end);
            }
            ReplaceSelection(inControl, u"");
            return kControlEditTextPart;
        case kLeftArrowCharCode:
            SetCaret(inControl, start < end ? start : (start > 0 ? start - 1 : 0));
            return kControlEditTextPart;
        case kRightArrowCharCode:
            SetCaret(inControl, start < end ? end : end + 1);
            return kControlEditTextPart;
        case kUpArrowCharCode:
            SetCaret(inControl, 0);
            return kControlEditTextPart;
        case kDownArrowCharCode:
            SetCaret(inControl, inControl->text.size());
            return kControlEditTextPart;
        default:
            break;
    }
    if (c < 0x20 || inControl->locked) {
        return kControlNoPart;  // tab, return and other control keys are not text
    }
    ReplaceSelection(inControl, std::u16string(1, c));
    return kControlEditTextPart;
}
