// Fuzz target: a script for the simulated person, parsed and, when it parses, run on a
// small window of controls (a check box, radio group, field, stepper and arrow button).
#include <cstdint>
#include <sstream>
#include <string_view>

#include "platform/controls/Carbon.h"
#include "platform/controls/InterfaceFile.h"
#include "platform/controls/UserScript.h"

namespace {
const char kWindow[] = R"(<interface><object class="GtkWindow" id="W"><child>
<object class="GtkFixed">
<child><object class="GtkCheckButton" id="ImSh-4201"><property name="visible">1</property>
<property name="width_request">100</property><property name="height_request">20</property>
</object></child>
<child><object class="GtkBox" id="ImSh-4202"><property name="visible">1</property>
<property name="width_request">90</property><property name="height_request">20</property>
<child><object class="GtkRadioButton"><property name="visible">1</property></object></child>
<child><object class="GtkRadioButton"><property name="visible">1</property></object></child>
<child><object class="GtkRadioButton"><property name="visible">1</property></object></child>
</object><packing><property name="y">30</property></packing></child>
<child><object class="GtkEntry" id="ImSh-4203"><property name="visible">1</property>
<property name="width_request">60</property><property name="height_request">20</property>
</object><packing><property name="y">60</property></packing></child>
<child><object class="GtkBox" id="ImSh-4207"><property name="visible">1</property>
<property name="width_request">16</property><property name="height_request">20</property>
<child><object class="GtkButton"/></child><child><object class="GtkButton"/></child>
</object><packing><property name="x">70</property><property name="y">60</property></packing>
</child>
<child><object class="GtkButton" id="ImSh-4213"><property name="visible">1</property>
<property name="width_request">16</property><property name="height_request">16</property>
</object><packing><property name="y">90</property></packing></child>
</object></child></object></interface>)";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto file = InterfaceFile::Parse(kWindow, nullptr);
    if (file == nullptr) {
        __builtin_trap();  // the window above is well formed
    }
    std::string_view text(reinterpret_cast<const char*>(data), size);
    WindowRef window = nullptr;
    if (file->CreateWindow("W", &window, nullptr) != noErr) {
        __builtin_trap();
    }
    SimulatedUser user(HeadlessBackend::Default(), window);
    UserScript script(user);
    script.AddAction("orientation", [](const ScriptLine&) { return std::string(); });
    std::vector<ScriptError> errors;
    std::ostringstream out;
    script.Run(text, out, &errors);
    for (const ScriptError& error : errors) {
        if (error.line < 1 || FormatScriptError(error).empty()) {
            __builtin_trap();
        }
    }
    DisposeWindow(window);
    HeadlessBackend::Default().ClearAlerts();
    return 0;
}
