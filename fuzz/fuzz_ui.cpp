// Fuzz target: an interface file through the reader; every top-level object is made into a
// window (most fail), and what is made is walked and disposed of.
#include <cstdint>
#include <string_view>

#include "platform/controls/Carbon.h"
#include "platform/controls/InterfaceFile.h"

namespace {
void Walk(ControlRef control) {
    UInt16 count = 0;
    CountSubControls(control, &count);
    for (UInt16 i = 1; i <= count; ++i) {
        ControlRef child = nullptr;
        if (GetIndexedSubControl(control, i, &child) == noErr) {
            Rect bounds;
            GetControlBounds(child, &bounds);
            Walk(child);
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    auto file =
        InterfaceFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (file == nullptr) {
        return 0;
    }
    for (const auto& object : file->Objects()) {
        WindowRef window = nullptr;
        if (file->CreateWindow(object->id, &window, &error) == noErr) {
            ControlRef root = nullptr;
            GetRootControl(window, &root);
            Walk(root);
            DisposeWindow(window);
        }
    }
    return 0;
}
