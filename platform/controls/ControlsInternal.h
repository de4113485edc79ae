// The objects behind the controls layer's references, shared by the core, the interface-file
// builder and image import (not for use outside platform/controls).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/controls/Carbon.h"
#include "platform/controls/ControlsBackend.h"

// An event target: the handlers installed on it, newest first, by their handler number.
struct OpaqueEventTargetRef {
    ControlRef control = nullptr;
    WindowRef window = nullptr;
    std::vector<uintptr_t> handlers;
};

struct OpaqueControlRef {
    OpaqueEventTargetRef target;
    WindowRef window = nullptr;
    ControlRef parent = nullptr;
    std::vector<ControlRef> children;
    ControlKind kind{kControlKindSignatureApple, kControlKindUserPane};
    ControlID id{0, 0};
    SInt32 value = 0;
    SInt32 minimum = 0;
    SInt32 maximum = 0;
    SInt32 increment = 1;
    std::u16string title;
    std::u16string text;
    SInt16 selStart = 0;
    SInt16 selEnd = 0;
    bool enabled = true;
    bool visible = true;
    bool locked = false;
    bool autoToggle = true;
    Rect bounds{0, 0, 0, 0};
    SRefCon refCon = nullptr;
    ControlActionUPP action = nullptr;
    ControlKeyFilterUPP keyFilter = nullptr;
    ControlPartCode focusPart = kControlFocusNoPart;
};

struct OpaqueGrafPtr {
    WindowRef window = nullptr;
};

struct OpaqueWindowPtr {
    OpaqueEventTargetRef target;
    OpaqueGrafPtr port;
    ControlRef root = nullptr;
    ControlRef focus = nullptr;
    ControlRef defaultButton = nullptr;
    WindowClass windowClass = kDocumentWindowClass;
    std::u16string title;
    bool visible = false;
    std::vector<DrawnImage> images;  // each holds a reference to its pixbuf
};

namespace controls {

ControlsBackend& Backend();
void Notify(ControlRef control, ControlChange change);
void Notify(WindowRef window, WindowChange change);
bool IsTextKind(ControlRef control);
// Whether a window or control still exists (for references kept across callbacks, which
// may dispose of them).
bool WindowExists(WindowRef window);
bool ControlExists(ControlRef control);

std::u16string ToUTF16(CFStringRef string);
CFStringRef NewCFString(const std::u16string& text);
std::string ToUTF8(const std::u16string& text);
// False for bytes that are not UTF-8.
bool FromUTF8(std::string_view bytes, std::u16string* out);

// Adds an image to the window's drawing (takes a reference to the pixbuf); drops the
// window's reference to a pixbuf.
void AddWindowImage(WindowRef window, const DrawnImage& image);
void ReleasePixbuf(void* pixbuf);

// Drops the handlers of a target that goes away with its control or window.
void RemoveTargetHandlers(EventTargetRef target);

}  // namespace controls
